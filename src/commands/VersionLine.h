#pragma once
#include <string>

// The version line of "Init MERO Key": the text between "version:" and
// "build:" as it stands, CR LF TAB, the trimmed text between "build:" and
// "(QRM)". Missing markers give empty parts.
std::string VersionLine(const std::string& versionText);
