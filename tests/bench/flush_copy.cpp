// The baseline a download must be measured against: copying each file and
// flushing it to the disk before the next, the durability the tool gives.
// Usage: flush_copy <source folder> <target folder>; prints the files copied and the time taken.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 3) return 2;
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
        HANDLE out = CreateFileA((to + found.cFileName).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (in == INVALID_HANDLE_VALUE || out == INVALID_HANDLE_VALUE) return 1;
        buffer.resize(found.nFileSizeLow);
        DWORD got = 0, put = 0;
        if (!buffer.empty() && (!ReadFile(in, buffer.data(), found.nFileSizeLow, &got, nullptr) ||
                                !WriteFile(out, buffer.data(), got, &put, nullptr) || put != got))
            return 1;
        FlushFileBuffers(out);
        CloseHandle(in);
        CloseHandle(out);
        ++copied;
    } while (FindNextFileA(find, &found));
    FindClose(find);
    QueryPerformanceCounter(&end);
    std::printf("%d files in %.1f ms\n", copied, 1000.0 * (end.QuadPart - start.QuadPart) / frequency.QuadPart);
    return 0;
}
