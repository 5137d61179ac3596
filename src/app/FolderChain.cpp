#include "app/FolderChain.h"

void CreateFolderChain(const std::string& path, const std::function<void(const std::string&)>& createFolder) {
    // A share's chain starts below it: "\\server" and "\\server\share" are no
    // folders to make, and asking an unreachable server costs seconds each.
    size_t from = 1;
    if (path.compare(0, 2, "\\\\") == 0) {
        const size_t server = path.find('\\', 2);
        from = server == std::string::npos ? std::string::npos : path.find('\\', server + 1);
        if (from == std::string::npos) return;
        ++from;
    }
    for (size_t k = path.find('\\', from); k != std::string::npos; k = path.find('\\', k + 1))
        createFolder(path.substr(0, k));
    createFolder(path);
}
