#pragma once
// The 8.3 short name under which the file system would also find a file of
// this long name. Windows (and Wine, which makes its own short names) is
// asked with a scratch file; elsewhere a name in the same form stands in.
#include <string>

std::string ShortAliasOf(const std::string& longName);
