#pragma once
// What each platform's file layer provides to the shared part.
#include <cstdio>
#include <string>

FILE* OpenNative(const std::string& path, const char* mode);
