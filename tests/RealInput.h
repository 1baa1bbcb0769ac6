// Real input, as the user gives it: through the system's input queue to whatever is under the
// pointer or has the focus. The window must be in front.
#pragma once

#include <windows.h>

#include <string>

void MoveMouseTo(int x, int y);              // screen coordinates
void ClickAt(HWND control);                  // the left button, at the control's centre
void ClickAtPoint(POINT at, int clicks = 1); // screen coordinates; 2 is a double-click
void PressKey(WORD key, bool down);          // one virtual key, down or up
void TypeText(const std::wstring& text);     // characters, Enter for "\n"
