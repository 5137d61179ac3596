#include "TempFolder.h"

#include <atomic>
#include <random>
#include <stdexcept>
#include <filesystem>
#include <vector>

#include "platform/Files.h"

TempFolder::TempFolder(const std::string& base) {
    namespace fs = std::filesystem;
    const fs::path root = base.empty() ? fs::temp_directory_path() : fs::path(base);
    static std::atomic<unsigned> serial{0};
    std::random_device entropy;
    for (;;) {
        const fs::path candidate = root / ("mero-test-" + std::to_string(entropy()) + "-" + std::to_string(++serial));
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            path_ = candidate.string();
            return;
        }
        if (error) throw std::runtime_error("no temporary folder in " + root.string());
    }
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

CurrentFolder::CurrentFolder(const std::string& path) : previous_(std::filesystem::current_path().string()) {
    std::filesystem::current_path(path);
}

CurrentFolder::~CurrentFolder() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
}
