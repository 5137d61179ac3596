#include <gtest/gtest.h>

#include "controls/ColorButton.h"

namespace {
const Rect kInside{2, 2, 127, 21};  // a button's area inside its frame
}

TEST(ColorButton, FrameFlagsFollowTheState) {
    EXPECT_EQ(FrameState(0, 0), 0x2010u);
    EXPECT_EQ(FrameState(kStateDisabled, 0), 0x2110u);
    EXPECT_EQ(FrameState(kStateSelected, 0), 0x2210u);
    EXPECT_EQ(FrameState(0, 1), 0x2210u);
    EXPECT_EQ(FrameState(kStateSelected | kStateDisabled | kStateFocus, 0), 0x2310u);
}

TEST(ColorButton, PressingMovesTheCaptionAndFocusButNotTheFace) {
    const ButtonGeometry up = LayoutButton(kInside, kStateFocus, 0);
    const ButtonGeometry down = LayoutButton(kInside, kStateSelected | kStateFocus, 0);
    EXPECT_EQ(up.face, kInside);
    EXPECT_EQ(down.face, kInside);
    EXPECT_EQ(up.content, (Rect{4, 4, 125, 19}));
    EXPECT_EQ(down.content, (Rect{5, 5, 126, 20}));
    EXPECT_EQ(up.focus, (Rect{3, 3, 126, 20}));
    EXPECT_EQ(down.focus, (Rect{4, 4, 127, 21}));
    EXPECT_TRUE(down.selected && down.focused && !down.disabled);
}

TEST(ColorButton, DrawPushedPushesTheFrameOnly) {
    const ButtonGeometry g = LayoutButton(kInside, 0, 1);
    EXPECT_EQ(g.frameState & 0x200u, 0x200u);
    EXPECT_EQ(g.content, (Rect{4, 4, 125, 19}));
}

TEST(ColorButton, CaptionLooks) {
    EXPECT_EQ(CaptionOffset(21, 13), 4);
    EXPECT_EQ(CaptionOffset(13, 40), -14);  // a taller caption moves up
    EXPECT_EQ(CaptionWeight(1), 700);
    EXPECT_EQ(CaptionWeight(0), 400);
    EXPECT_EQ(CaptionWeight(2), 400);
    EXPECT_EQ(CaptionColor(true), 0xC0C0C0u);
    EXPECT_EQ(CaptionColor(false), 0x000000u);
    CColorButton b(0xF0F0F0);
    EXPECT_EQ(b.FaceColor.load(), 0xF0F0F0u);
    EXPECT_EQ(b.BoldText, 1);
    EXPECT_EQ(b.IconAlign, 0x100u);
    EXPECT_EQ(b.DrawPushed, 0);
}
