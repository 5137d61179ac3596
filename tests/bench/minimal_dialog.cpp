// The smallest dialog program: the baseline for the tool's start-up under the
// same Wine. Shows an empty dialog titled "Minimal" until it is closed.
#include <windows.h>

namespace {
INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if ((message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) || message == WM_CLOSE) {
        EndDialog(window, 0);
        return TRUE;
    }
    return FALSE;
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // An in-memory template: no controls, caption "Minimal".
    struct {
        DLGTEMPLATE header;
        WORD menu, windowClass;
        wchar_t title[8];
    } dialog = {{WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 0, 0, 200, 100}, 0, 0, L"Minimal"};
    DialogBoxIndirectParamW(instance, &dialog.header, nullptr, Proc, 0);
    return 0;
}
