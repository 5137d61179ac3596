#include "app/FolderChain.h"

void CreateFolderChain(const std::string& path, const std::function<void(const std::string&)>& createFolder) {
    for (size_t k = path.find('\\', 1); k != std::string::npos; k = path.find('\\', k + 1))
        createFolder(path.substr(0, k));
    createFolder(path);
}
