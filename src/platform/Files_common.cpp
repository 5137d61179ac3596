// The parts of the file layer that the C runtime serves on every platform.
#include <cstdio>

#include "platform/Files.h"
#include "platform/FilesNative.h"

bool ReadWholeFile(const std::string& path, std::vector<unsigned char>& content) {
    content.clear();
    const long long size = FileSize(path);
    if (size < 0) return false;
    FILE* f = OpenNative(path, "rb");
    if (!f) return false;
    content.resize(static_cast<size_t>(size));
    const size_t got = size ? std::fread(content.data(), 1, content.size(), f) : 0;
    const bool atEnd = std::fgetc(f) == EOF;
    std::fclose(f);
    return got == content.size() && atEnd;
}

bool WriteWholeFile(const std::string& path, const unsigned char* data, size_t size) {
    FILE* f = OpenNative(path, "wb");
    if (!f) return false;
    bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
    ok = std::fflush(f) == 0 && ok;
    return std::fclose(f) == 0 && ok;
}
