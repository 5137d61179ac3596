// The baselines a download must be measured against: copying each file and
// flushing it to the disk before the next; and with "durable", the durability
// the tool gives (written under a temporary name, flushed, renamed through the
// same handle, flushed again under its final name).
// Usage: flush_copy <source folder> <target folder> [durable]; prints the files copied and the time taken.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {
bool RenameByHandle(HANDLE file, const std::string& to) {
    std::wstring name(to.begin(), to.end());
    std::vector<unsigned char> info(sizeof(FILE_RENAME_INFO) + name.size() * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(info.data());
    rename->ReplaceIfExists = TRUE;
    rename->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
    std::memcpy(rename->FileName, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
    return SetFileInformationByHandle(file, FileRenameInfo, rename, static_cast<DWORD>(info.size())) != 0;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const bool durable = argc > 3 && std::strcmp(argv[3], "durable") == 0;
    LARGE_INTEGER start, end, frequency;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const std::string from = std::string(argv[1]) + "\\", to = std::string(argv[2]) + "\\";
    CreateDirectoryA(argv[2], nullptr);
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((from + "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return 1;
    std::vector<char> buffer;
    int copied = 0;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        HANDLE in = CreateFileA((from + found.cFileName).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
        const std::string target = to + found.cFileName;
        HANDLE out = CreateFileA((durable ? to + "~copy.part" : target).c_str(), GENERIC_WRITE | DELETE, 0, nullptr,
                                 CREATE_ALWAYS, 0, nullptr);
        if (in == INVALID_HANDLE_VALUE || out == INVALID_HANDLE_VALUE) return 1;
        buffer.resize(found.nFileSizeLow);
        DWORD got = 0, put = 0;
        if (!buffer.empty() && (!ReadFile(in, buffer.data(), found.nFileSizeLow, &got, nullptr) ||
                                !WriteFile(out, buffer.data(), got, &put, nullptr) || put != got))
            return 1;
        FlushFileBuffers(out);
        if (durable && (!RenameByHandle(out, target) || !FlushFileBuffers(out))) return 1;
        CloseHandle(in);
        CloseHandle(out);
        ++copied;
    } while (FindNextFileA(find, &found));
    FindClose(find);
    QueryPerformanceCounter(&end);
    std::printf("%d files in %.1f ms\n", copied, 1000.0 * (end.QuadPart - start.QuadPart) / frequency.QuadPart);
    return 0;
}
