#include "win32/ColorButtonPaint.h"

#include <string>

#include "win32/Handles.h"

namespace {
RECT ToRECT(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }
Rect FromRECT(const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; }

int IconWidth(HICON icon) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return 0;
    BITMAP bitmap{};
    int width = 0;
    if (info.hbmColor && GetObject(info.hbmColor, sizeof bitmap, &bitmap)) width = bitmap.bmWidth;
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return width;
}

void DrawFace(HDC dc, HWND window, const ButtonGeometry& g, const CColorButton& button) {
    const COLORREF face = button.FaceColor.load();
    UniqueGdiObject pen(CreatePen(PS_SOLID, 1, face));
    UniqueGdiObject brush(CreateSolidBrush(face));
    {
        SelectedObject usePen(dc, pen.Get());
        SelectedObject useBrush(dc, brush.Get());
        Rectangle(dc, g.face.left, g.face.top, g.face.right, g.face.bottom);
    }

    char caption[512] = {};
    GetWindowTextA(window, caption, sizeof caption - 1);
    RECT content = ToRECT(g.content);
    RECT text = content;
    const HICON icon = reinterpret_cast<HICON>(SendMessageA(window, BM_GETIMAGE, IMAGE_ICON, 0));
    if (icon) {
        const int width = IconWidth(icon);
        RECT iconRect = content;
        if (button.IconAlign & BS_RIGHT) iconRect.left = content.right - width;
        else iconRect.right = content.left + width;
        DrawIcon(dc, iconRect.left, content.top, icon);
        SubtractRect(&text, &content, &iconRect);
    }

    const int previousMode = SetBkMode(dc, TRANSPARENT);
    LOGFONTA logFont{};
    HGDIOBJ current = reinterpret_cast<HGDIOBJ>(SendMessageA(window, WM_GETFONT, 0, 0));
    if (!current) current = GetCurrentObject(dc, OBJ_FONT);
    GetObjectA(current, sizeof logFont, &logFont);
    logFont.lfWeight = CaptionWeight(button.BoldText);
    UniqueGdiObject font(CreateFontIndirectA(&logFont));
    {
        SelectedObject useFont(dc, font.Get());
        if (!icon) SetTextColor(dc, CaptionColor(g.disabled));
        RECT measured = text;
        DrawTextA(dc, caption, -1, &measured, DT_CALCRECT | DT_WORDBREAK | DT_CENTER);
        const int textHeight = measured.bottom - measured.top;
        measured.right = text.right;
        OffsetRect(&measured, 0, CaptionOffset(text.bottom - text.top, textHeight));
        DrawTextA(dc, caption, -1, &measured, DT_CENTER | DT_WORDBREAK);
    }
    SetBkMode(dc, previousMode);

    if (g.focused) {
        RECT focus = ToRECT(g.focus);
        DrawFocusRect(dc, &focus);
    }
}

void Paint(HDC dc, HWND window, RECT item, unsigned state, const CColorButton& button) {
    RECT inside = item;
    DrawFrameControl(dc, &inside, DFC_BUTTON, FrameState(state, button.DrawPushed));
    DrawFace(dc, window, LayoutButton(FromRECT(inside), state, button.DrawPushed), button);
}
}  // namespace

void DrawColorButton(const DRAWITEMSTRUCT& item, const CColorButton& button) {
    Paint(item.hDC, item.hwndItem, item.rcItem, item.itemState, button);
}

LRESULT CustomDrawColorButton(const NMCUSTOMDRAW& draw, HWND buttonWindow, const CColorButton& button) {
    if (draw.dwDrawStage != CDDS_PREPAINT) return CDRF_DODEFAULT;
    Paint(draw.hdc, buttonWindow, draw.rc, draw.uItemState, button);
    return CDRF_SKIPDEFAULT;
}
