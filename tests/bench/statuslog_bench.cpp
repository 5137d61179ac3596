// Cost of one status line in the real edit control, with the log at 100 and
// at 10,000 lines: the tool's append at the end against rewriting the whole
// text for every line. Runs under Windows or Wine.
#include <windows.h>

#include <cstdio>
#include <string>

#include "win32/Win32View.h"

namespace {
constexpr int kLog = 1008;

double Now() {
    LARGE_INTEGER t, f;
    QueryPerformanceCounter(&t);
    QueryPerformanceFrequency(&f);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

void RewriteWhole(HWND edit, const std::string& line) {
    const int length = GetWindowTextLengthA(edit);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    GetWindowTextA(edit, &text[0], length + 1);
    text.resize(static_cast<size_t>(length));
    SetWindowTextA(edit, (text + "\r\n" + line).c_str());
}

// Milliseconds per line for 100 more lines, once the log holds `lines` lines.
template <typename Append>
double PerLine(HWND edit, int lines, Append append) {
    SetWindowTextA(edit, "");
    std::string all;
    for (int i = 0; i < lines; ++i) all += "\r\nEs wurden " + std::to_string(i) + " File(s) gefunden!";
    SetWindowTextA(edit, all.c_str());
    const double start = Now();
    for (int i = 0; i < 100; ++i) append("Download " + std::to_string(i) + " - 100");
    return (Now() - start) / 100.0;
}
}  // namespace

int main() {
    HWND window = CreateWindowExA(0, "STATIC", "log", WS_OVERLAPPEDWINDOW, 0, 0, 600, 200, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    HWND edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | WS_VSCROLL, 0, 0,
                                580, 180, window, reinterpret_cast<HMENU>(kLog), GetModuleHandleA(nullptr), nullptr);
    SendMessageA(edit, EM_SETLIMITTEXT, 0, 0);
    ShowWindow(window, SW_SHOW);
    Win32View view(window);
    auto append = [&](const std::string& line) { view.AppendText(kLog, "\r\n" + line); };
    auto rewrite = [&](const std::string& line) { RewriteWhole(edit, line); };
    const double a100 = PerLine(edit, 100, append), a10k = PerLine(edit, 10000, append);
    const double r100 = PerLine(edit, 100, rewrite), r10k = PerLine(edit, 10000, rewrite);
    std::printf("status line, append at the end:  %.3f ms at 100 lines, %.3f ms at 10000 lines, ratio %.2f\n", a100,
                a10k, a10k / a100);
    std::printf("status line, rewrite the whole:  %.3f ms at 100 lines, %.3f ms at 10000 lines, ratio %.2f\n", r100,
                r10k, r10k / r100);
    std::printf("append vs rewrite at 10000 lines: %.3f\n", a10k / r10k);
    DestroyWindow(window);
    return 0;
}
