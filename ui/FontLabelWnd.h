// Static text painted by the wrapper in a font and colours of its own.
#pragma once

#include "ui/SubclassWnd.h"

class CFontLabelWnd : public CSubclassWnd {
public:
    static constexpr int kMaxPaintChars = 255;

    explicit CFontLabelWnd(LONG weight = FW_NORMAL);

    uint64_t OnMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    virtual void DrawLabel(HDC dc, COLORREF textColor);

    // Measures the control's own device context, so call it after Attach.
    void SetPointSize(int points);

    LOGFONTW m_logFont;
    COLORREF m_crText;
    COLORREF m_crBack;
};
