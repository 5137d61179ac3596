#pragma once
#include <functional>
#include <string>

// Creates every folder along a backslash path, the whole path last; a
// backslash at index 0 never cuts, and a share's chain starts below the share
// (\\server\share\ is none of ours to make). Failures (existing folders,
// drives) are expected and ignored.
void CreateFolderChain(const std::string& path, const std::function<void(const std::string&)>& createFolder);
