#include <cctype>
#include <cstdio>

#include "ShortName.h"

// No short names here: an alias in the usual form, just another name.
std::string ShortAliasOf(const std::string& longName) {
    const size_t dot = longName.rfind('.');
    std::string stem, extension;
    for (size_t i = 0; i < longName.size() && i != dot && stem.size() < 6; ++i)
        if (std::isalnum(static_cast<unsigned char>(longName[i])))
            stem += static_cast<char>(std::toupper(static_cast<unsigned char>(longName[i])));
    if (dot != std::string::npos)
        for (size_t i = dot + 1; i < longName.size() && extension.size() < 3; ++i)
            extension += static_cast<char>(std::toupper(static_cast<unsigned char>(longName[i])));
    return stem + "~1" + (extension.empty() ? "" : "." + extension);
}

bool MoveOver(const std::string& from, const std::string& to) {
    std::string a = from, b = to;  // the tests' backslash paths
    for (std::string* p : {&a, &b})
        for (char& c : *p) c = c == '\\' ? '/' : c;
    return std::rename(a.c_str(), b.c_str()) == 0;
}
