#pragma once
// The name of the computer the tool runs on, as the system gives it.
#include <string>

std::string MachineName();
