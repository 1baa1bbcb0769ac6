#include "ui/UrlLabelWnd.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <cwchar>
#include <iterator>

#include "ui/ColourScheme.h"
#include "win32/Handles.h"
#include "win32/SystemCalls.h"

namespace {
const wchar_t kMailto[] = L"mailto:";

bool IsActivationKey(WPARAM key) {
    return key == VK_RETURN || key == VK_SPACE;
}
} // namespace

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
    systemCalls.shellExecute(nullptr, L"open", target, nullptr, nullptr, SW_SHOWNORMAL);
}

void CUrlLabelWnd::Open(HWND hWnd) {
    wchar_t target[kTargetChars];
    BuildTarget(target);
    OpenTarget(target);
    m_bHover = 0;
    InvalidateRect(hWnd, nullptr, FALSE);
}

// The focus rectangle inverts what lies under it, so every paint starts from a background of its
// own: a rectangle drawn over the remains of the last one would erase parts of both, and one left
// outside the text would stay after the focus has gone. All of it is drawn off screen and put on
// in one piece, so the link does not flicker while the mouse moves over it.
void CUrlLabelWnd::Paint(HWND hWnd) {
    PAINTSTRUCT ps;
    HDC screen = BeginPaint(hWnd, &ps);
    RECT client = {};
    GetClientRect(hWnd, &client);
    UniqueMemoryDc memory(CreateCompatibleDC(screen));
    UniqueHbitmap bitmap(CreateCompatibleBitmap(screen, client.right, client.bottom));
    HDC dc = memory && bitmap ? memory.get() : screen;
    {
        SelectObjectGuard offScreen(memory.get(), dc == memory.get() ? bitmap.get() : nullptr);
        UniqueHbrush background(CreateSolidBrush(BackgroundColour(m_crBack)));
        FillRect(dc, &client, background.get());
        m_logFont.lfUnderline = m_bHover != 0 ? 1 : 0;
        DrawLabel(dc, LinkColour(m_bHover != 0 ? m_crHover : m_crText, IsWindowEnabled(hWnd) != FALSE));
        // Only the keyboard gives a link the focus (a click never does), so a mouse user never sees it.
        if (GetFocus() == hWnd && (SendMessageW(hWnd, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) == 0) {
            SetTextColor(dc, TextColour(RGB(0, 0, 0), true));
            SetBkColor(dc, BackgroundColour(m_crBack));
            DrawFocusRect(dc, &client);
        }
        if (dc != screen) {
            BitBlt(screen, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
        }
    }
    EndPaint(hWnd, &ps);
}

uint64_t CUrlLabelWnd::OnMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ENABLE:
        return RepaintAfterEnable(hWnd, wParam, lParam);
    case WM_PAINT:
        Paint(hWnd);
        m_lResult = 0;
        return kSwallow;
    case WM_GETDLGCODE: {
        // Enter would otherwise be taken by the dialog manager as the window's default command.
        const auto* msg = reinterpret_cast<const MSG*>(lParam);
        const bool activation = msg != nullptr && msg->message == WM_KEYDOWN && IsActivationKey(msg->wParam);
        m_lResult = DefSubclassProc(hWnd, message, wParam, lParam) | (activation ? DLGC_WANTMESSAGE : 0);
        return kSwallow;
    }
    case WM_KEYDOWN:
        // One opening per press, not one per auto-repeat.
        if (IsActivationKey(wParam) && (lParam & 0x40000000) == 0) {
            Open(hWnd);
        }
        return kPassOn;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(hWnd, nullptr, FALSE);
        return kPassOn;
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
    case WM_LBUTTONUP:
        Open(hWnd);
        return kPassOn;
    default:
        return kPassOn;
    }
}
