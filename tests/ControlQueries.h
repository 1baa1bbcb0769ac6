// Controls asked what the user sees: found by their text, their pixels counted, their text
// measured against their room, list rows changed and read, drop-down entries and tab names.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The child of parent that shows exactly this text, the nth of them in the z-order: a control
// found as the user finds it, by what its template wrote on it. Null when there is none.
HWND ChildWithText(HWND parent, const std::wstring& text, int nth = 0);
// Clicks the enabled button that shows this text (BM_CLICK); fails the test when there is none.
void PressButton(HWND parent, const std::wstring& text, int nth = 0);

// List view rows, changed the way a user's click changes them (the same notifications).
void SelectRow(HWND list, int row);
void CheckRow(HWND list, int row, bool checked);
std::wstring CellText(HWND list, int row, int column);
// A point of the row, in the list's client coordinates, where the list's hit test finds what is
// wanted and not what is not; fails the test when there is none.
POINT RowPointWhere(HWND list, int row, UINT wanted, UINT unwanted = 0);

// The pixels of one colour in an area: how many in its upper and its lower half, and the longest
// horizontal run of them (an underline).
struct Pixels {
    int upperHalf = 0;
    int lowerHalf = 0;
    int longestRun = 0;
    int Total() const { return upperHalf + lowerHalf; }
};
Pixels CountPixels(HDC dc, const RECT& area, COLORREF color);
Pixels CountPixels(HWND control, COLORREF color); // as the control is on screen

std::wstring WindowText(HWND hwnd);
// The control's text, measured in its font as the control lays it out, fits the room the control
// gives it: a static's wrapped lines, a button's line beside its box or inside its frame, every
// entry of a drop-down list. A label that paints itself is measured in its own font.
void ExpectTextFits(HWND control, const LOGFONTW* ownFont = nullptr);
std::vector<std::wstring> ComboItems(HWND combo);
std::wstring TabText(HWND tab, int index);
