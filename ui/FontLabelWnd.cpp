#include "ui/FontLabelWnd.h"

#include <algorithm>
#include <cwchar>
#include <iterator>

#include "ui/ColourScheme.h"
#include "win32/Handles.h"

CFontLabelWnd::CFontLabelWnd(LONG weight)
    : m_logFont(), m_crText(RGB(0, 0, 0)), m_crBack(GetSysColor(COLOR_BTNFACE)) {
    m_logFont.lfWeight = weight;
    m_logFont.lfCharSet = ANSI_CHARSET;
    m_logFont.lfOutPrecision = OUT_TT_PRECIS;
    m_logFont.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    m_logFont.lfQuality = CLEARTYPE_QUALITY;
    m_logFont.lfPitchAndFamily = VARIABLE_PITCH;
    wcsncpy(m_logFont.lfFaceName, L"Yu Gothic UI", std::size(m_logFont.lfFaceName) - 1);
}

void CFontLabelWnd::SetPointSize(int points) {
    HDC dc = GetDC(m_hWnd);
    const int dpi = dc != nullptr ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc != nullptr) {
        ReleaseDC(m_hWnd, dc);
    }
    m_logFont.lfHeight = -MulDiv(points, dpi, 72);
}

void CFontLabelWnd::GrowToFitText(int extra) {
    HDC dc = GetDC(m_hWnd);
    if (dc == nullptr) {
        return;
    }
    RECT needed = {};
    {
        UniqueHfont font(CreateFontIndirectW(&m_logFont));
        SelectObjectGuard selected(dc, font.get());
        wchar_t text[kMaxPaintChars + 1] = {};
        GetWindowTextW(m_hWnd, text, static_cast<int>(std::size(text)));
        DrawTextW(dc, text, -1, &needed, DT_CALCRECT);
    }
    ReleaseDC(m_hWnd, dc);
    RECT current;
    GetClientRect(m_hWnd, &current);
    const int width = std::max<int>(current.right, needed.right + extra);
    const int height = std::max<int>(current.bottom, needed.bottom + extra);
    if (width != current.right || height != current.bottom) {
        SetWindowPos(m_hWnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// A static paints itself at once when it is enabled or disabled, without a WM_PAINT, so its own
// font and colours would replace the label's until something repaints the page. Let it finish,
// then have the label's area painted again the usual way: page background first, then the label.
uint64_t CFontLabelWnd::RepaintAfterEnable(HWND hWnd, WPARAM wParam, LPARAM lParam) {
    m_lResult = DefSubclassProc(hWnd, WM_ENABLE, wParam, lParam);
    HWND parent = GetParent(hWnd);
    RECT area;
    if (parent != nullptr && GetWindowRect(hWnd, &area)) {
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
        RedrawWindow(parent, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    } else {
        InvalidateRect(hWnd, nullptr, TRUE);
    }
    return kSwallow;
}

uint64_t CFontLabelWnd::OnMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ENABLE) {
        return RepaintAfterEnable(hWnd, wParam, lParam);
    }
    if (message != WM_PAINT) {
        return kPassOn;
    }
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hWnd, &ps);
    DrawLabel(dc, TextColour(m_crText, IsWindowEnabled(hWnd) != FALSE));
    EndPaint(hWnd, &ps);
    m_lResult = 0;
    return kSwallow;
}

void CFontLabelWnd::DrawLabel(HDC dc, COLORREF textColor) {
    if (dc == nullptr) {
        return;
    }
    UniqueHfont font(CreateFontIndirectW(&m_logFont));
    SelectObjectGuard selected(dc, font.get());

    SetTextColor(dc, textColor);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, BackgroundColour(m_crBack));

    wchar_t text[kMaxPaintChars + 1] = {};
    GetWindowTextW(m_hWnd, text, static_cast<int>(std::size(text)));
    RECT client = {};
    GetClientRect(m_hWnd, &client);

    const UINT format = (GetWindowLongPtrW(m_hWnd, GWL_STYLE) & SS_RIGHT) != 0 ? DT_RIGHT : 0;
    DrawTextW(dc, text, -1, &client, format);
}
