#include "ControlQueries.h"

#include <gtest/gtest.h>
#include <commctrl.h>

#include <cwchar>

#include "win32/Handles.h"

HWND ChildWithText(HWND parent, const std::wstring& text, int nth) {
    for (HWND c = GetWindow(parent, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        if (WindowText(c) == text && nth-- == 0) {
            return c;
        }
    }
    return nullptr;
}

void PressButton(HWND parent, const std::wstring& text, int nth) {
    HWND button = ChildWithText(parent, text, nth);
    EXPECT_TRUE(button != nullptr && IsWindowEnabled(button))
        << "no enabled button " << testing::PrintToString(text);
    if (button != nullptr) {
        SendMessageW(button, BM_CLICK, 0, 0);
    }
}

Pixels CountPixels(HDC dc, const RECT& area, COLORREF color) {
    Pixels pixels;
    const int middle = (area.top + area.bottom) / 2;
    for (int y = area.top; y < area.bottom; ++y) {
        int run = 0;
        for (int x = area.left; x < area.right; ++x) {
            const bool match = GetPixel(dc, x, y) == color;
            if (match) {
                ++(y < middle ? pixels.upperHalf : pixels.lowerHalf);
            }
            run = match ? run + 1 : 0;
            pixels.longestRun = run > pixels.longestRun ? run : pixels.longestRun;
        }
    }
    return pixels;
}

Pixels CountPixels(HWND control, COLORREF color) {
    RECT client;
    GetClientRect(control, &client);
    HDC dc = GetDC(control);
    const Pixels pixels = CountPixels(dc, client, color);
    ReleaseDC(control, dc);
    return pixels;
}

std::wstring WindowText(HWND hwnd) {
    if (hwnd == nullptr) {
        return std::wstring();
    }
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, &text[0], static_cast<int>(text.size()))));
    return text;
}

void ExpectTextFits(HWND control, const LOGFONTW* ownFont) {
    wchar_t cls[32] = {};
    GetClassNameW(control, cls, 32);
    const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
    RECT room;
    GetClientRect(control, &room);
    UINT format = DT_CALCRECT | DT_EXPANDTABS; // a label of its own draws its lines unwrapped
    std::vector<std::wstring> texts = {WindowText(control)};
    if (ownFont == nullptr && wcscmp(cls, L"Static") == 0) {
        format |= DT_WORDBREAK | ((style & SS_NOPREFIX) != 0 ? DT_NOPREFIX : 0);
    } else if (wcscmp(cls, L"ComboBox") == 0) {
        texts = ComboItems(control);
        room.right -= GetSystemMetrics(SM_CXVSCROLL) + 6;
    } else if (ownFont == nullptr) { // a button: its box, or its frame, and a margin
        format |= DT_SINGLELINE;
        const LONG_PTR type = style & BS_TYPEMASK;
        room.left += type == BS_AUTOCHECKBOX ? 16 : type == BS_GROUPBOX ? 8 : 3;
        room.right -= type == BS_GROUPBOX ? 8 : 3;
    }
    HDC dc = GetDC(control);
    UniqueHfont made(ownFont != nullptr ? CreateFontIndirectW(ownFont) : nullptr);
    HGDIOBJ old = SelectObject(dc, made ? made.get()
                                        : reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    for (const std::wstring& text : texts) {
        RECT needed = {0, 0, room.right - room.left, 0};
        DrawTextW(dc, text.c_str(), -1, &needed, format);
        EXPECT_TRUE(needed.right <= room.right - room.left && needed.bottom <= room.bottom - room.top)
            << "control " << GetDlgCtrlID(control) << ": " << testing::PrintToString(text) << " needs "
            << needed.right << "x" << needed.bottom << ", has " << room.right - room.left << "x"
            << room.bottom - room.top;
    }
    SelectObject(dc, old);
    ReleaseDC(control, dc);
}

std::vector<std::wstring> ComboItems(HWND combo) {
    std::vector<std::wstring> items;
    const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[64] = {};
        if (SendMessageW(combo, CB_GETLBTEXTLEN, i, 0) < 64) {
            SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        }
        items.emplace_back(text);
    }
    return items;
}

std::wstring TabText(HWND tab, int index) {
    wchar_t text[64] = {};
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 64;
    SendMessageW(tab, TCM_GETITEMW, index, reinterpret_cast<LPARAM>(&item));
    return text;
}

POINT RowPointWhere(HWND list, int row, UINT wanted, UINT unwanted) {
    RECT bounds = {LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds));
    LVHITTESTINFO hit = {};
    for (hit.pt = {bounds.left, (bounds.top + bounds.bottom) / 2}; hit.pt.x < bounds.right; ++hit.pt.x) {
        SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        if ((hit.flags & wanted) != 0 && (hit.flags & unwanted) == 0 && hit.iItem == row) {
            return hit.pt;
        }
    }
    ADD_FAILURE() << "row " << row << " has no point with flag " << wanted;
    return {0, 0};
}

void SelectRow(HWND list, int row) {
    LVITEMW state = {};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
}

void CheckRow(HWND list, int row, bool checked) {
    LVITEMW state = {};
    state.stateMask = LVIS_STATEIMAGEMASK;
    state.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
}

std::wstring CellText(HWND list, int row, int column) {
    wchar_t text[256] = {};
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 256;
    SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return text;
}
