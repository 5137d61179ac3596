#pragma once
// The start button's state and the geometry of its owner-drawn picture. The
// painting itself (GDI) is done by the platform side from these numbers.
#include <atomic>
#include <cstdint>

#include "platform/View.h"

constexpr std::uint32_t kSilver = 0xC0C0C0;
constexpr std::uint32_t kWhite = 0xFFFFFF;

class CColorButton {
public:
    explicit CColorButton(std::uint32_t systemButtonFace) : FaceColor(systemButtonFace) {}

    // Written whole by any thread, read by the paint.
    std::atomic<std::uint32_t> FaceColor;
    int BoldText = 1;
    unsigned IconAlign = 0x100;  // BS_LEFT
    int DrawPushed = 0;
};

// Item-state bits shared by owner draw and custom draw.
constexpr unsigned kStateSelected = 0x1;
constexpr unsigned kStateDisabled = 0x4;
constexpr unsigned kStateFocus = 0x10;

struct ButtonGeometry {
    unsigned frameState = 0;  // DrawFrameControl flags
    Rect face;                // filled in FaceColor
    Rect content;             // caption area
    Rect focus;               // focus rectangle
    bool selected = false, disabled = false, focused = false;
};

// From the item rectangle after the frame shrank it (DFCS_ADJUSTRECT) and the
// item state: where face, caption and focus rectangle go.
ButtonGeometry LayoutButton(const Rect& insideFrame, unsigned itemState, int drawPushed);

// The frame flags before drawing (DFCS_BUTTONPUSH | DFCS_ADJUSTRECT, ...).
unsigned FrameState(unsigned itemState, int drawPushed);

// How far the measured caption block moves down to stand centred.
int CaptionOffset(int areaHeight, int textHeight);

inline int CaptionWeight(int boldText) { return boldText == 1 ? 700 : 400; }
inline std::uint32_t CaptionColor(bool disabled) { return disabled ? kSilver : 0x000000; }
