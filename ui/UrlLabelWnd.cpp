#include "ui/UrlLabelWnd.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <cwchar>
#include <iterator>

namespace {
const wchar_t kMailto[] = L"mailto:";
}

CUrlLabelWnd::CUrlLabelWnd() : CFontLabelWnd(FW_NORMAL), m_crHover(RGB(223, 0, 223)), m_bHover(0) {
    m_crText = RGB(0, 0, 223);
}

void CUrlLabelWnd::BuildTarget(wchar_t (&target)[kTargetChars]) const {
    target[0] = L'\0';
    GetWindowTextW(m_hWnd, target, static_cast<int>(kTargetChars));
    if (StrChrW(target, L'@') == nullptr) {
        return;
    }
    const size_t prefixLength = std::size(kMailto) - 1;
    wcscpy(target, kMailto);
    // Reading at most the room that is left keeps "mailto:" and the text in one buffer.
    GetWindowTextW(m_hWnd, target + prefixLength, static_cast<int>(kTargetChars - prefixLength));
}

void CUrlLabelWnd::OpenTarget(const wchar_t* target) {
    ShellExecuteW(nullptr, L"open", target, nullptr, nullptr, SW_SHOWNORMAL);
}

uint64_t CUrlLabelWnd::OnMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ENABLE:
        return RepaintAfterEnable(hWnd, wParam, lParam);
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hWnd, &ps);
        m_logFont.lfUnderline = m_bHover != 0 ? 1 : 0;
        DrawLabel(dc, m_bHover != 0 ? m_crHover : m_crText);
        EndPaint(hWnd, &ps);
        m_lResult = 0;
        return kSwallow;
    }
    case WM_MOUSEMOVE: {
        m_bHover = 1;
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, hWnd, 0};
        _TrackMouseEvent(&track);
        InvalidateRect(hWnd, nullptr, FALSE);
        return kPassOn;
    }
    case WM_MOUSELEAVE:
        m_bHover = 0;
        InvalidateRect(hWnd, nullptr, FALSE);
        return kPassOn;
    case WM_LBUTTONUP: {
        wchar_t target[kTargetChars];
        BuildTarget(target);
        OpenTarget(target);
        m_bHover = 0;
        InvalidateRect(hWnd, nullptr, FALSE);
        return kPassOn;
    }
    default:
        return kPassOn;
    }
}
