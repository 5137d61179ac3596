#pragma once
#include <windows.h>

#include <string>

// Runs the main dialog modally until it ends; false when it could not be created.
bool RunMainDialog(HINSTANCE instance, const std::string& commandLine);
