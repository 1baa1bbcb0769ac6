#include "ui/MultiEdit.h"

uint64_t CMultiEdit::OnMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM) {
    if (message != WM_KEYDOWN || (wParam != VK_HOME && wParam != VK_END) || GetKeyState(VK_CONTROL) < 0) {
        return kPassOn;
    }
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(hWnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));

    DWORD caret = start;
    DWORD anchor = end;
    if (start != end) {
        POINT caretPos;
        if (GetCaretPos(&caretPos)) {
            const LRESULT hit = SendMessageW(hWnd, EM_CHARFROMPOS, 0, MAKELPARAM(caretPos.x, caretPos.y));
            if (LOWORD(hit) != start) {
                caret = end;
                anchor = start;
            }
        }
    }

    const LRESULT line = SendMessageW(hWnd, EM_LINEFROMCHAR, caret, 0);
    const LRESULT lineStart = SendMessageW(hWnd, EM_LINEINDEX, line, 0);
    const LRESULT lineLength = SendMessageW(hWnd, EM_LINELENGTH, lineStart, 0);
    const LRESULT newCaret = wParam == VK_HOME ? lineStart : lineStart + lineLength;

    if (GetKeyState(VK_SHIFT) < 0) {
        SendMessageW(hWnd, EM_SETSEL, anchor, newCaret);
    } else {
        SendMessageW(hWnd, EM_SETSEL, newCaret, newCaret);
    }
    SendMessageW(hWnd, EM_SCROLLCARET, 0, 0);
    m_lResult = 0;
    return kSwallow;
}
