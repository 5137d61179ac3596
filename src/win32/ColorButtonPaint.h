#pragma once
#include <windows.h>
#include <commctrl.h>

#include "controls/ColorButton.h"

// Owner-draw entry: paints the whole button whatever the draw action says.
void DrawColorButton(const DRAWITEMSTRUCT& item, const CColorButton& button);

// Custom-draw entry (reflected NM_CUSTOMDRAW); returns the draw result.
LRESULT CustomDrawColorButton(const NMCUSTOMDRAW& draw, HWND buttonWindow, const CColorButton& button);
