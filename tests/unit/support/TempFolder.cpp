#include "TempFolder.h"

#include <atomic>
#include <random>
#include <stdexcept>
#include <filesystem>
#include <vector>

#include "platform/Files.h"

// Made through the file layer, so that a test double of it holds the folder too.
TempFolder::TempFolder(const std::string& base) {
    const std::string root = base.empty() ? std::filesystem::temp_directory_path().string() : base;
    if (!IsFolder(root)) throw std::runtime_error("no temporary folder in " + root);
    static std::atomic<unsigned> serial{0};
    std::random_device entropy;
#ifdef _WIN32
    const char separator = '\\';
#else
    const char separator = '/';  // the system's own tools remove the folder afterwards
#endif
    do path_ = root + separator + "mero-test-" + std::to_string(entropy()) + "-" + std::to_string(++serial);
    while (!CreateFolder(path_));
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void WriteFile(const std::string& path, const std::string& content) {
    WriteWholeFile(path, reinterpret_cast<const unsigned char*>(content.data()), content.size());
}

std::string ReadFile(const std::string& path) {
    std::vector<unsigned char> content;
    if (!ReadWholeFile(path, content)) return std::string();
    return std::string(content.begin(), content.end());
}

std::string MakeFolder(const std::string& path) {
    CreateFolder(path);
    return path;
}

std::string Bytes(size_t size, unsigned seed) {
    std::string s(size, '\0');
    unsigned state = seed * 2654435761u + 1;
    for (char& c : s) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 23);
    }
    return s;
}

// A folder that only a double of the file layer holds cannot become current.
CurrentFolder::CurrentFolder(const std::string& path) : previous_(std::filesystem::current_path().string()) {
    std::error_code ignored;
    std::filesystem::current_path(path, ignored);
}

CurrentFolder::~CurrentFolder() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
}
