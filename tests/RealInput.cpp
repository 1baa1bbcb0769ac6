#include "RealInput.h"

#include "TestSupport.h"

namespace {
// An absolute pointer event: the position travels with the event itself, so a pointer motion
// that X reports late cannot move a click elsewhere.
INPUT PointerAt(int x, int y, DWORD flags) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return input;
}
} // namespace

void MoveMouseTo(int x, int y) {
    INPUT move = PointerAt(x, y, 0);
    SendInput(1, &move, sizeof(move));
    PumpUntil([&] {
        POINT at;
        return GetCursorPos(&at) && at.x == x && at.y == y;
    });
    PumpFor(50);
}

void ClickAt(HWND control) {
    RECT rect;
    GetWindowRect(control, &rect);
    ClickAtPoint({(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
}

void ClickAtPoint(POINT at, int clicks) {
    MoveMouseTo(at.x, at.y);
    for (int i = 0; i < clicks; ++i) {
        INPUT click[2] = {PointerAt(at.x, at.y, MOUSEEVENTF_LEFTDOWN),
                          PointerAt(at.x, at.y, MOUSEEVENTF_LEFTUP)};
        SendInput(2, click, sizeof(INPUT));
    }
    PumpFor(100);
}

void PressKey(WORD key, bool down) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof(input));
}

void TypeText(const std::wstring& text) {
    for (wchar_t c : text) {
        if (c == L'\n') {
            PressKey(VK_RETURN, true);
            PressKey(VK_RETURN, false);
            continue;
        }
        INPUT input[2] = {};
        input[0].type = input[1].type = INPUT_KEYBOARD;
        input[0].ki.wScan = input[1].ki.wScan = c;
        input[0].ki.dwFlags = KEYEVENTF_UNICODE;
        input[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        SendInput(2, input, sizeof(INPUT));
    }
    PumpFor(100);
}
