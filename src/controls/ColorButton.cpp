#include "controls/ColorButton.h"

namespace {
constexpr unsigned kButtonPush = 0x10;    // DFCS_BUTTONPUSH
constexpr unsigned kAdjustRect = 0x2000;  // DFCS_ADJUSTRECT
constexpr unsigned kInactive = 0x100;     // DFCS_INACTIVE
constexpr unsigned kPushed = 0x200;       // DFCS_PUSHED

Rect Offset(Rect r, int dx, int dy) {
    r.left += dx; r.right += dx; r.top += dy; r.bottom += dy;
    return r;
}
Rect Inflate(Rect r, int d) {
    r.left -= d; r.top -= d; r.right += d; r.bottom += d;
    return r;
}
}  // namespace

unsigned FrameState(unsigned itemState, int drawPushed) {
    unsigned state = kButtonPush | kAdjustRect;
    if (itemState & kStateDisabled) state |= kInactive;
    if ((itemState & kStateSelected) || drawPushed != 0) state |= kPushed;
    return state;
}

ButtonGeometry LayoutButton(const Rect& insideFrame, unsigned itemState, int drawPushed) {
    ButtonGeometry g;
    g.selected = (itemState & kStateSelected) != 0;
    g.disabled = (itemState & kStateDisabled) != 0;
    g.focused = (itemState & kStateFocus) != 0;
    g.frameState = FrameState(itemState, drawPushed);
    // A pressed button moves its content, never its face.
    const Rect r = g.selected ? Offset(insideFrame, 1, 1) : insideFrame;
    g.face = g.selected ? Offset(r, -1, -1) : r;
    g.content = Inflate(g.face, -2);
    if (g.selected) g.content = Offset(g.content, 1, 1);
    g.focus = Inflate(g.content, 1);
    return g;
}

int CaptionOffset(int areaHeight, int textHeight) { return areaHeight / 2 - textHeight / 2; }
