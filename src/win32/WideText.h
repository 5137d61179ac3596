#pragma once
// ANSI texts as the system reads them: the A-functions' code page (CP_ACP).
#include <string>

std::wstring WideFromAnsi(const std::string& text);
