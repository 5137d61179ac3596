#pragma once
// Small text helpers with the C library's conversion rules, made safe.
#include <string>

// Like atoi: leading white space, optional sign, digits up to the first other
// character; 0 without digits. Saturates instead of overflowing.
long long LeadingInteger(const std::string& text);

// White space (blank, tab, CR, LF, VT, FF) removed at both ends.
std::string Trim(const std::string& text);

// Substring with clamping: a start before 0 counts as 0, a negative length as 0,
// a range past the end stops there, a start beyond the end gives "".
std::string ClampedSubstr(const std::string& text, long long start, long long length);

// printf-style formatting into a std::string.
std::string Format(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// A backslash path with "." and ".." taken out by its text alone, as Windows
// makes a full path of it (no ".." climbs above the drive or share).
std::string CollapsedPath(const std::string& path);
