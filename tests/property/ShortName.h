#pragma once
// What the sweep asks of the platform beside the tool's file layer.
// The 8.3 short name under which the file system would also find a file of
// this long name. Windows (and Wine, which makes its own short names) is
// asked with a scratch file; elsewhere a name in the same form stands in.
#include <string>

std::string ShortAliasOf(const std::string& longName);

// The harness's own move of a file or folder (a drive pulled and read
// elsewhere), by the file layer the test program links.
bool MoveOver(const std::string& from, const std::string& to);
