#include "ShortName.h"
#include "UnkindFiles.h"

std::string ShortAliasOf(const std::string& longName) { return unkind::ShortNameOf(longName); }
