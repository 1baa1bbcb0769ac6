#include "ui/ConvexLabelWnd.h"

#include <cwchar>
#include <iterator>

#include "ui/ColourScheme.h"
#include "win32/Handles.h"

namespace {

struct ConvexPass {
    COLORREF color;
    POINT origins[5];
    int originCount;
};

// Far shadow first, highlight last: later passes cover earlier ones.
const ConvexPass kPasses[] = {
    {RGB(235, 235, 235), {{4, 4}, {4, 2}, {2, 4}}, 3},
    {RGB(230, 230, 230), {{4, 3}, {3, 4}}, 2},
    {RGB(225, 225, 225), {{3, 3}}, 1},
    {RGB(166, 168, 170), {{3, 1}, {3, 2}, {1, 3}, {2, 3}}, 4},
    {RGB(176, 178, 180), {{0, 1}, {0, 2}, {1, 0}, {2, 0}, {0, 0}}, 5},
    {RGB(250, 252, 255), {{1, 1}}, 1},
};

} // namespace

uint64_t CConvexLabelWnd::OnMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ENABLE) {
        return RepaintAfterEnable(hWnd, wParam, lParam);
    }
    if (message != WM_PAINT) {
        return kPassOn;
    }
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hWnd, &ps);
    DrawConvex(dc);
    EndPaint(hWnd, &ps);
    m_lResult = 0;
    return kSwallow;
}

void CConvexLabelWnd::DrawConvex(HDC dc) {
    if (dc == nullptr) {
        return;
    }
    UniqueHfont font(CreateFontIndirectW(&m_logFont));
    SelectObjectGuard selected(dc, font.get());
    SetBkMode(dc, TRANSPARENT);

    wchar_t text[kMaxPaintChars + 1] = {};
    const int length = GetWindowTextW(m_hWnd, text, static_cast<int>(std::size(text)));
    if (IsHighContrast()) {
        // Shades of grey would vanish on the scheme's background: flat, in the scheme's text colour.
        SetTextColor(dc, TextColour(m_crText, IsWindowEnabled(m_hWnd) != FALSE));
        TextOutW(dc, 1, 1, text, length);
        return;
    }
    for (const ConvexPass& pass : kPasses) {
        SetTextColor(dc, pass.color);
        for (int i = 0; i < pass.originCount; ++i) {
            TextOutW(dc, pass.origins[i].x, pass.origins[i].y, text, length);
        }
    }
}
