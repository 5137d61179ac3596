#pragma once
#include <windows.h>

#include <string>

// Runs the main dialog modally until it ends; the run's exit status, or
// kExitNoDialog when it could not be created.
int RunMainDialog(HINSTANCE instance, const std::string& commandLine);
