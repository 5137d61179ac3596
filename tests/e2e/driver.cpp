// Drives the real dialog from another process, as a user would: finds it by
// its title, reads controls by id, clicks, and checks what it sees.
// Usage: e2edriver <script>; one command a line (see run_scenarios.sh).
// Texts in the script are UTF-8; "\r", "\n", "\t" stand for those characters.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {
HWND g_dialog = nullptr;
int g_line = 0;
LARGE_INTEGER g_stopwatch;

double MillisecondsSince(const LARGE_INTEGER& start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::wstring Wide(const std::string& utf8) {
    std::string text;
    for (size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '\\' && i + 1 < utf8.size()) {
            const char c = utf8[i + 1];
            if (c == 'r' || c == 'n' || c == 't' || c == '\\') {
                text += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : '\\';
                ++i;
                continue;
            }
        }
        text += utf8[i];
    }
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring w(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1) MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &w[0], n);
    return w;
}

std::string Utf8(const std::wstring& w) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string s(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, &s[0], n, nullptr, nullptr);
    return s;
}

[[noreturn]] void Fail(const std::string& what) {
    std::printf("FAIL (script line %d): %s\n", g_line, what.c_str());
    std::fflush(stdout);
    std::exit(1);
}

HWND Control(int id) {
    HWND h = GetDlgItem(g_dialog, id);
    if (!h) Fail("no control " + std::to_string(id));
    return h;
}

std::wstring TextOf(HWND h) {
    DWORD_PTR length = 0;
    SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length);
    std::wstring text(length + 1, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(h, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&text[0]), SMTO_ABORTIFHUNG, 5000, &got);
    text.resize(got);
    return text;
}

std::wstring RowText(HWND list, int row) {
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, row, 0);
    if (length < 0) return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(length));
    return text;
}

struct Finder {
    std::wstring title;
    bool exact;
    HWND found;
};

BOOL CALLBACK FindTopLevel(HWND h, LPARAM p) {
    auto* f = reinterpret_cast<Finder*>(p);
    wchar_t title[512] = {};
    GetWindowTextW(h, title, 511);
    const std::wstring t = title;
    if (IsWindowVisible(h) && (f->exact ? t == f->title : t.find(f->title) != std::wstring::npos)) {
        f->found = h;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectTitle(HWND h, LPARAM p) {
    wchar_t title[512] = {};
    GetWindowTextW(h, title, 511);
    if (IsWindowVisible(h)) *reinterpret_cast<std::wstring*>(p) += L" '" + std::wstring(title) + L"'";
    return TRUE;
}

std::string VisibleWindowTitles() {
    std::wstring titles;
    EnumWindows(CollectTitle, reinterpret_cast<LPARAM>(&titles));
    return Utf8(titles);
}

HWND FindDialog(const std::wstring& title, bool exact) {
    Finder f{title, exact, nullptr};
    EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&f));
    return f.found;
}

// Asks every pollMs: finer where the moment is timed.
template <typename Condition>
bool WaitFor(int timeoutMs, Condition condition, DWORD pollMs = 20) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (static_cast<int>(GetTickCount() - start) > timeoutMs) return false;
        Sleep(pollMs);
    }
}

void Expect(bool ok, const std::string& what) {
    if (!ok) Fail(what);
}

std::string Rest(std::istringstream& in) {
    std::string rest;
    std::getline(in, rest);
    if (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
    return rest;
}

// An importer or scanner beside the tool: each file that takes a final name in
// the folder is opened for reading (sharing reading and writing) as soon as
// the system lets it; prints the longest wait from its first sight.
void Importer(int count, int timeout, const std::wstring& folder) {
    struct Seen {
        LARGE_INTEGER first;
        bool opened = false;
    };
    std::vector<std::pair<std::wstring, Seen>> seen;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    double longest = 0;
    int opened = 0;
    while (opened < count) {
        Expect(MillisecondsSince(start) < timeout, "only " + std::to_string(opened) + " files opened in time");
        WIN32_FIND_DATAW found;
        const HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
        for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &found) != 0) {
            const std::wstring name = found.cFileName;
            const bool temporary = name.size() > 5 && name.substr(name.size() - 5) == L".part";
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || temporary) continue;
            auto it = std::find_if(seen.begin(), seen.end(), [&](const auto& s) { return s.first == name; });
            if (it == seen.end()) {
                seen.emplace_back(name, Seen());
                QueryPerformanceCounter(&seen.back().second.first);
                it = seen.end() - 1;
            }
            if (it->second.opened) continue;
            const HANDLE file = CreateFileW((folder + L"\\" + name).c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
            if (file == INVALID_HANDLE_VALUE) continue;
            CloseHandle(file);
            it->second.opened = true;
            ++opened;
            longest = std::max(longest, MillisecondsSince(it->second.first));
        }
        if (find != INVALID_HANDLE_VALUE) FindClose(find);
        Sleep(10);
    }
    std::printf("importer opened %d files, longest wait %.0f ms\n", opened, longest);
}

void Run(const std::string& line) {
    std::istringstream in(line);
    std::string command;
    in >> command;
    if (command.empty() || command[0] == '#') return;
    if (command == "window") {  // window <timeout-ms> <title part>
        int timeout = 0;
        in >> timeout;
        const std::wstring title = Wide(Rest(in));
        Expect(WaitFor(timeout, [&] { return (g_dialog = FindDialog(title, false)) != nullptr; }),
               "no window titled ..." + Utf8(title) + "; visible windows:" + VisibleWindowTitles());
        return;
    }
    if (command == "shortname") {  // shortname <path>: the 8.3 name the file system also finds the file by
        const std::wstring path = Wide(Rest(in));
        wchar_t shortPath[MAX_PATH] = {};
        const DWORD n = GetShortPathNameW(path.c_str(), shortPath, MAX_PATH);
        Expect(n > 0 && n < MAX_PATH, "no short name for " + Utf8(path));
        const std::wstring s = shortPath;
        std::printf("shortname %s\n", Utf8(s.substr(s.rfind(L'\\') + 1)).c_str());
        return;
    }
    if (command == "importer") {  // importer <count> <timeout ms> <folder>: opens each new file as an importer would
        int count = 0, timeout = 0;
        in >> count >> timeout;
        Importer(count, timeout, Wide(Rest(in)));
        return;
    }
    if (!g_dialog && command != "sleep") Fail("no window found yet");
    int id = 0;
    if (command == "title") {
        const std::wstring want = Wide(Rest(in)), got = TextOf(g_dialog);
        Expect(got == want, "title is '" + Utf8(got) + "', expected '" + Utf8(want) + "'");
    } else if (command == "text" || command == "contains") {
        in >> id;
        const std::wstring want = Wide(Rest(in)), got = TextOf(Control(id));
        const bool ok = command == "text" ? got == want : got.find(want) != std::wstring::npos;
        Expect(ok, "control " + std::to_string(id) + " holds '" + Utf8(got) + "', expected " + command + " '" +
                       Utf8(want) + "'");
    } else if (command == "waittext" || command == "waitcontains") {  // waittext <id> <timeout> <text>
        int timeout = 0;
        in >> id >> timeout;
        const std::wstring want = Wide(Rest(in));
        const bool contains = command == "waitcontains";
        const bool shown = WaitFor(timeout, [&] {
            const std::wstring got = TextOf(Control(id));
            return contains ? got.find(want) != std::wstring::npos : got == want;
        });
        // The text is read after the wait: an argument list would read it first.
        if (!shown)
            Fail("control " + std::to_string(id) + " never showed '" + Utf8(want) + "', holds '" +
                 Utf8(TextOf(Control(id))) + "'");
    } else if (command == "visible" || command == "enabled" || command == "checked") {
        int want = 0;
        in >> id >> want;
        HWND h = Control(id);
        const bool got = command == "visible"   ? IsWindowVisible(h) != 0
                         : command == "enabled" ? IsWindowEnabled(h) != 0
                                                : SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED;
        Expect(got == (want != 0), command + " of " + std::to_string(id) + " is " + std::to_string(got));
    } else if (command == "rows") {
        int want = 0;
        in >> id >> want;
        const int got = static_cast<int>(SendMessageW(Control(id), LB_GETCOUNT, 0, 0));
        Expect(got == want, "list " + std::to_string(id) + " has " + std::to_string(got) + " rows");
    } else if (command == "row") {
        int row = 0;
        in >> id >> row;
        const std::wstring want = Wide(Rest(in)), got = RowText(Control(id), row);
        Expect(got == want, "row " + std::to_string(row) + " is '" + Utf8(got) + "'");
    } else if (command == "items") {
        int want = 0;
        in >> id >> want;
        const int got = static_cast<int>(SendMessageW(Control(id), CB_GETCOUNT, 0, 0));
        Expect(got == want, "combo has " + std::to_string(got) + " items");
    } else if (command == "progress") {
        int want = 0;
        in >> id >> want;
        const int got = static_cast<int>(SendMessageW(Control(id), PBM_GETPOS, 0, 0));
        Expect(got == want, "progress is " + std::to_string(got));
    } else if (command == "click") {
        in >> id;
        // Posted: a click that starts a blocking command must not block the driver.
        PostMessageW(Control(id), BM_CLICK, 0, 0);
    } else if (command == "press") {  // press <id>: the notification a click on a push button sends
        in >> id;
        PostMessageW(g_dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Control(id)));
    } else if (command == "select") {  // select <id> <row>
        int row = 0;
        in >> id >> row;
        SendMessageW(Control(id), LB_SETSEL, TRUE, row);
    } else if (command == "show") {
        in >> id;
        ShowWindow(Control(id), SW_SHOW);
        EnableWindow(Control(id), TRUE);
    } else if (command == "close") {
        PostMessageW(g_dialog, WM_CLOSE, 0, 0);
    } else if (command == "devicechange") {  // devicechange: the broadcast when devices come and go
        SendMessageW(g_dialog, WM_DEVICECHANGE, 0x0007 /* DBT_DEVNODES_CHANGED */, 0);
    } else if (command == "kill") {  // kill: ends the tool's process at once, as Task Manager would
        DWORD pid = 0;
        GetWindowThreadProcessId(g_dialog, &pid);
        HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, pid);
        Expect(process && TerminateProcess(process, 9), "the tool's process could not be ended");
        CloseHandle(process);
    } else if (command == "key") {  // key <id> <virtual key code>: a key pressed on that control
        int vk = 0;
        in >> id >> vk;
        PostMessageW(Control(id), WM_KEYDOWN, vk, 0);
        PostMessageW(Control(id), WM_KEYUP, vk, 0);
    } else if (command == "waitgone") {
        int timeout = 0;
        in >> timeout;
        Expect(WaitFor(timeout, [] { return !IsWindow(g_dialog); }, 2), "the dialog is still open");
    } else if (command == "print") {  // print <id>: the control's text
        in >> id;
        std::printf("text %d %s\n", id, Utf8(TextOf(Control(id))).c_str());
    } else if (command == "rect") {  // prints the window and desktop rectangles
        RECT w, d;
        GetWindowRect(g_dialog, &w);
        GetClientRect(GetDesktopWindow(), &d);
        std::printf("rect %ld %ld %ld %ld desktop %ld %ld\n", w.left, w.top, w.right, w.bottom, d.right, d.bottom);
    } else if (command == "ctlrect") {  // prints a control's screen rectangle
        in >> id;
        RECT r;
        GetWindowRect(Control(id), &r);
        std::printf("ctlrect %d %ld %ld %ld %ld\n", id, r.left, r.top, r.right, r.bottom);
    } else if (command == "stopwatch") {  // stopwatch: starts it; "elapsed <label>" prints the time since
        QueryPerformanceCounter(&g_stopwatch);
    } else if (command == "elapsed") {
        std::printf("elapsed %s %.1f\n", Utf8(Wide(Rest(in))).c_str(), MillisecondsSince(g_stopwatch));
    } else if (command == "latency") {  // latency <samples> <pause ms> <label>: round trips of a message
        int samples = 0, pause = 0;
        in >> samples >> pause;
        const std::string label = Rest(in);
        std::vector<double> times;
        for (int i = 0; i < samples; ++i) {
            LARGE_INTEGER start;
            QueryPerformanceCounter(&start);
            DWORD_PTR ignored = 0;
            SendMessageTimeoutW(g_dialog, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
            times.push_back(MillisecondsSince(start));
            Sleep(pause);
        }
        std::sort(times.begin(), times.end());
        if (!times.empty())
            std::printf("latency %s median %.2f p99 %.2f max %.2f\n", label.c_str(), times[times.size() / 2],
                        times[(times.size() * 99) / 100], times.back());
    } else if (command == "sleep") {
        int ms = 0;
        in >> ms;
        Sleep(ms);
    } else {
        Fail("unknown command " + command);
    }
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::printf("usage: e2edriver <script>\n");
        return 2;
    }
    std::ifstream script(argv[1]);
    if (!script) Fail(std::string("cannot read ") + argv[1]);
    std::string line;
    while (std::getline(script, line)) {
        ++g_line;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        Run(line);
    }
    std::printf("OK\n");
    return 0;
}
