// The dialog procedure: turns window messages into calls on the dialog's
// portable logic and runs the tasks that worker threads hand over.
#include "win32/DialogHost.h"

#include <commctrl.h>
#include <dbt.h>

#include <memory>

#include "app/MainDialog.h"
#include "res/resource.h"
#include "win32/ColorButtonPaint.h"
#include "win32/KeyLibraryLoader.h"
#include "win32/Win32System.h"
#include "win32/Win32View.h"

namespace {
struct DialogHost {
    std::string commandLine;
    HICON icon = nullptr;
    Win32System system;
    std::unique_ptr<KeyLibraryLoader> keys;
    std::unique_ptr<Win32View> view;
    std::unique_ptr<CMERORVSDlg> dialog;
};

INT_PTR Answer(HWND window, LRESULT result) {
    SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
    return TRUE;
}

void PaintMinimised(HWND window, HICON icon) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    SendMessageA(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(window, &client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, icon);
    EndPaint(window, &ps);
}

INT_PTR OnInit(HWND window, DialogHost& host) {
    SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(&host));
    SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(host.icon));
    SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(host.icon));
    // A second start finds this window by it and brings it to the front.
    SetPropA(window, kInstanceProperty, reinterpret_cast<HANDLE>(1));
    // The status log has no length limit of its own.
    SendDlgItemMessageA(window, IDC_STATUS_LOG, EM_SETLIMITTEXT, 0, 0);
    host.view.reset(new Win32View(window));
    host.dialog.reset(new CMERORVSDlg(*host.view, host.system, *host.keys, host.commandLine,
                                      GetSysColor(COLOR_BTNFACE)));
    host.dialog->OnInitDialog();
    return TRUE;
}

INT_PTR HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DialogHost& host) {
    CMERORVSDlg& dialog = *host.dialog;

    switch (message) {
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            if (HIWORD(wParam) != BN_CLICKED) return FALSE;
            // Enter (IDOK) ends the dialog like "Abbrechen" does.
            if (id == IDOK || id == IDCANCEL) dialog.OnCancel();
            else dialog.OnButtonClicked(id);
            return TRUE;
        }
        case WM_CLOSE:
            dialog.OnCancel();
            return TRUE;
        case WM_DEVICECHANGE:
            // The broadcast every top-level window gets when devices come and go.
            if (wParam == DBT_DEVNODES_CHANGED || wParam == DBT_DEVICEARRIVAL) dialog.OnDeviceChange();
            return TRUE;
        case WM_TIMER:
            if (wParam == kResumeQueueTimer) host.view->RunQueued();
            else dialog.OnTimer(static_cast<int>(wParam));
            return TRUE;
        case WM_DRAWITEM:
            if (wParam != IDC_START) return FALSE;
            DrawColorButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), dialog.StartButton());
            return TRUE;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->code != NM_CUSTOMDRAW) return FALSE;
            if (header->idFrom == IDC_PROGRESS) return Answer(window, CDRF_DODEFAULT);
            if (header->idFrom == IDC_START)
                return Answer(window, CustomDrawColorButton(*reinterpret_cast<const NMCUSTOMDRAW*>(lParam),
                                                            header->hwndFrom, dialog.StartButton()));
            return FALSE;
        }
        case WM_PAINT:
            if (!IsIconic(window)) return FALSE;
            PaintMinimised(window, host.icon);
            return TRUE;
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(host.icon);
        case WM_SETCURSOR:
            if (!host.view->WaitCursorShown()) return FALSE;
            SetCursor(LoadCursor(nullptr, IDC_WAIT));
            return Answer(window, TRUE);
        case WM_DESTROY:
            RemovePropA(window, kInstanceProperty);
            return FALSE;
        case kRunQueueMessage:
            host.view->RunQueued();
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Nothing may escape a window procedure: the system would end the process.
    auto* host = reinterpret_cast<DialogHost*>(
        message == WM_INITDIALOG ? lParam : GetWindowLongPtrA(window, DWLP_USER));
    try {
        if (message == WM_INITDIALOG) return OnInit(window, *host);
        if (!host || !host->dialog) return FALSE;
        return HandleMessage(window, message, wParam, lParam, *host);
    } catch (...) {
        if (host && host->dialog) host->dialog->ReportInternalError();
        return message == WM_INITDIALOG ? TRUE : FALSE;
    }
}
}  // namespace

int RunMainDialog(HINSTANCE instance, const std::string& commandLine) {
    DialogHost host;
    host.commandLine = commandLine;
    host.icon = LoadIconA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME));
    host.keys.reset(new KeyLibraryLoader(ExecutableFolder() + "VantikDll.dll"));
    const INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MERORVS_DIALOG), nullptr, DialogProc,
                                           reinterpret_cast<LPARAM>(&host));
    if (result == -1 || !host.dialog) return kExitNoDialog;
    const int status = host.dialog->RunOutcome();
    // A worker stuck past a close's grace still uses the dialog, maybe inside
    // the key library: end here, without the libraries' detach, which would
    // run into the call it is stuck in.
    if (host.dialog->WorkerAbandoned()) TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
    // The worker has ended; tasks still queued for the window are dropped with the view.
    host.dialog.reset();
    return status;
}
