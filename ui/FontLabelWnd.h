// Static text painted by the wrapper in a font and colours of its own.
#pragma once

#include "ui/SubclassWnd.h"

class CFontLabelWnd : public CSubclassWnd {
public:
    static constexpr int kMaxPaintChars = 255;

    explicit CFontLabelWnd(LONG weight = FW_NORMAL);

    uint64_t OnMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    // Draws the text in textColor, which the caller has taken from the colour scheme.
    virtual void DrawLabel(HDC dc, COLORREF textColor);

    // Measures the control's own device context, so call it after Attach.
    void SetPointSize(int points);
    // Enlarges the control, keeping its top-left corner, when its text in the label's font (plus
    // extra pixels) does not fit. Some systems clip a static's painting to its own rectangle.
    void GrowToFitText(int extra);

    LOGFONTW m_logFont;
    COLORREF m_crText;
    COLORREF m_crBack;

protected:
    // Every label class answers WM_ENABLE with this.
    uint64_t RepaintAfterEnable(HWND hWnd, WPARAM wParam, LPARAM lParam);
};
