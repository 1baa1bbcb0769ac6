// Raised lettering: the text drawn sixteen times at small offsets in shades of grey.
#pragma once

#include "ui/FontLabelWnd.h"

class CConvexLabelWnd : public CFontLabelWnd {
public:
    CConvexLabelWnd() : CFontLabelWnd(FW_BOLD) {}

    uint64_t OnMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    virtual void DrawConvex(HDC dc);
};
