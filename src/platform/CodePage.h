#pragma once
// Texts are bytes of the system's ANSI code page; what a byte means is the
// system's to say (1252 in the West, 1250 in Poland or Czechia, ...).
#include <string>

// The text in UTF-8, as the system's ANSI code page reads it.
std::string Utf8FromAnsi(const std::string& text);
