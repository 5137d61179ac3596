// Where a scrambled file's extra time goes, through the tool's own file layer:
// unscrambling against reading, writing and flushing it, and against the
// plain delivery's single flush of the same files. Usage: scrambled_steps <folder>
// (128 files of 512 KiB are made there, one at a time, and removed).
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
    struct Steps {
        double open = 0, read = 0, unscramble = 0, write = 0, flush = 0, close = 0;
    } plain, scrambled;
    // Each delivery on a new file just written, as the library leaves it; the
    // two in turn, so that the disk's changing pace falls on both alike.
    for (int i = 0; i < 128; ++i) {
        const std::string path = folder + "f" + std::to_string(i) + ".bin";
        if (!WriteWholeFile(path, data.data(), data.size())) return 1;
        double t0 = Now(), t1 = 0, t2 = 0, t3 = 0, read = 0, unscrambled = 0;
        {  // the plain delivery: the library's file flushed as it is
            StagedFile staged(path);
            t1 = Now();
            staged.Flush();
            t2 = Now();
        }
        plain.open += t1 - t0, plain.flush += t2 - t1, plain.close += Now() - t2;
        if (!DeleteFileAt(path) || !WriteWholeFile(path, data.data(), data.size())) return 1;
        t0 = Now();
        {  // the scrambled one: read back, unscrambled, rewritten, flushed
            StagedFile staged(path);
            t1 = Now();
            staged.Rewrite(data.size(), [&](unsigned char* bytes, size_t n) {
                read = Now();
                Unscramble(bytes, n, 0x12345678u);
                unscrambled = Now();
            });
            t2 = Now();
            staged.Flush();
            t3 = Now();
        }
        scrambled.open += t1 - t0, scrambled.read += read - t1, scrambled.unscramble += unscrambled - read;
        scrambled.write += t2 - unscrambled, scrambled.flush += t3 - t2, scrambled.close += Now() - t3;
        DeleteFileAt(path);
    }
    std::printf("128 x 512 KiB, each just written: plain: open %.1f, flush %.1f, close %.1f ms; scrambled: open %.1f, "
                "read back %.1f, unscramble %.1f, write %.1f, flush %.1f, close %.1f ms\n",
                plain.open, plain.flush, plain.close, scrambled.open, scrambled.read, scrambled.unscramble,
                scrambled.write, scrambled.flush, scrambled.close);
    return 0;
}
