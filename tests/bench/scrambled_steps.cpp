// Where a scrambled file's extra time goes, through the tool's own file layer:
// unscrambling against reading, writing and flushing it, and against the
// plain delivery's single flush of the same files. Usage: scrambled_steps <folder>
// (128 files of 512 KiB are made there and removed).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "key/Delivery.h"
#include "platform/Files.h"

namespace {
double Now() {
    LARGE_INTEGER t, f;
    QueryPerformanceCounter(&t);
    QueryPerformanceFrequency(&f);
    return 1000.0 * t.QuadPart / f.QuadPart;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::string folder = std::string(argv[1]) + "\\";
    CreateDirectoryA(argv[1], nullptr);
    std::vector<unsigned char> data(512 * 1024);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i * 7);
    std::vector<std::string> files;
    for (int i = 0; i < 128; ++i) {
        files.push_back(folder + "f" + std::to_string(i) + ".bin");
        if (!WriteWholeFile(files.back(), data.data(), data.size())) return 1;
    }
    double plainFlush = 0, rewrite = 0, unscramble = 0;
    for (const std::string& path : files) {  // the plain delivery: the library's file flushed as it is
        const double t0 = Now();
        StagedFile(path).Flush();
        plainFlush += Now() - t0;
    }
    for (const std::string& path : files) {  // the scrambled one: read back, unscrambled, rewritten, flushed
        const double t0 = Now();
        StagedFile staged(path);
        staged.Rewrite(data.size(), [&unscramble](unsigned char* bytes, size_t n) {
            const double t = Now();
            Unscramble(bytes, n, 0x12345678u);
            unscramble += Now() - t;
        });
        staged.Flush();
        rewrite += Now() - t0;
    }
    for (const std::string& path : files) DeleteFileAt(path);
    std::printf("128 x 512 KiB: plain flush %.1f ms; scrambled %.1f ms, of it unscrambling %.1f ms and reading, "
                "writing and flushing %.1f ms\n", plainFlush, rewrite, unscramble, rewrite - unscramble);
    return 0;
}
