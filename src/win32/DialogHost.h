#pragma once
#include <windows.h>

#include <string>

// Runs the main dialog modally until it ends.
void RunMainDialog(HINSTANCE instance, const std::string& commandLine);
