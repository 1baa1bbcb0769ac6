#include "app/KeyboardNavigation.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

#include "resource.h"

namespace {

HWND rememberedFocus = nullptr;
HWND defaultButton = nullptr;

bool IsPushButton(HWND control) {
    return (SendMessageW(control, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

void SetButtonDefault(HWND button, bool isDefault) {
    const LONG_PTR style = GetWindowLongPtrW(button, GWL_STYLE);
    const WPARAM wanted =
        static_cast<WPARAM>((style & 0xFFFF & ~BS_TYPEMASK) | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON));
    SendMessageW(button, BM_SETSTYLE, wanted, TRUE);
}

// A push button reached by the keyboard shows the default border, so that Enter visibly
// presses it; the one that had it before loses it.
void MoveDefaultBorder(HWND target) {
    HWND next = IsPushButton(target) ? target : nullptr;
    if (defaultButton == next) {
        return;
    }
    if (defaultButton != nullptr && IsWindow(defaultButton)) {
        SetButtonDefault(defaultButton, false);
    }
    defaultButton = next;
    if (next != nullptr) {
        SetButtonDefault(next, true);
    }
}

bool CanTakeFocus(HWND control) {
    return control != nullptr && IsWindowVisible(control) && IsWindowEnabled(control);
}

// What the dialog manager does when it moves the focus: an edit's text selected, a push button
// made the default.
void SetDialogFocus(HWND target) {
    if ((SendMessageW(target, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) != 0) {
        SendMessageW(target, EM_SETSEL, 0, -1);
    }
    MoveDefaultBorder(target);
    SetFocus(target);
}

// The keyboard also shows the focus cues, where the system hides them for mouse users.
void FocusByKeyboard(HWND window, HWND target) {
    SendMessageW(window, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    SetDialogFocus(target);
}

HWND FocusedChild(HWND window) {
    HWND focus = GetFocus();
    return focus != nullptr && IsChild(window, focus) ? focus : nullptr;
}

bool IsStaticText(HWND control) {
    return (SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_STATIC) != 0 &&
           (GetWindowLongPtrW(control, GWL_STYLE) & WS_TABSTOP) == 0;
}

} // namespace

void ArrangeTabOrder(HWND window) {
    HWND tab = GetDlgItem(window, IDC_TAB);
    // The pages first, in the order they were made; then the other children by their place on
    // screen, row by row, left to right (an insertion sort: there are four).
    HWND order[32] = {};
    size_t pages = 0, count = 0;
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr && count < std::size(order);
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (child == tab) {
            continue;
        }
        if ((GetWindowLongPtrW(child, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) != 0) {
            std::copy_backward(order + pages, order + count, order + count + 1);
            order[pages++] = child;
            ++count;
            continue;
        }
        RECT place;
        GetWindowRect(child, &place);
        size_t at = count;
        for (; at > pages; --at) {
            RECT before;
            GetWindowRect(order[at - 1], &before);
            if (before.top < place.top || (before.top == place.top && before.left <= place.left)) {
                break;
            }
            order[at] = order[at - 1];
        }
        order[at] = child;
        ++count;
    }
    HWND after = HWND_TOP;
    for (size_t i = 0; i < count; ++i) {
        SetWindowPos(order[i], after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = order[i];
    }
    if (tab != nullptr) {
        SetWindowPos(tab, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void MoveDialogFocus(HWND window, WPARAM wParam, LPARAM lParam) {
    HWND target = nullptr;
    if (LOWORD(lParam) != 0) {
        target = reinterpret_cast<HWND>(wParam);
        // The arrow keys walk a group, labels included; a label cannot do anything with the focus.
        if (target != nullptr && IsStaticText(target)) {
            return;
        }
    } else {
        target = GetNextDlgTabItem(window, FocusedChild(window), wParam != 0);
    }
    if (target != nullptr && IsChild(window, target)) {
        FocusByKeyboard(window, target);
    }
}

bool HandlePageKey(HWND window, const MSG& msg) {
    if (msg.message != WM_KEYDOWN || (msg.hwnd != window && !IsChild(window, msg.hwnd)) ||
        (GetKeyState(VK_CONTROL) & 0x8000) == 0 || (GetKeyState(VK_MENU) & 0x8000) != 0) {
        return false;
    }
    int step = 0;
    if (msg.wParam == VK_TAB) {
        step = (GetKeyState(VK_SHIFT) & 0x8000) != 0 ? -1 : 1;
    } else if (msg.wParam == VK_NEXT) {
        step = 1;
    } else if (msg.wParam == VK_PRIOR) {
        step = -1;
    } else {
        return false;
    }
    HWND tab = GetDlgItem(window, IDC_TAB);
    const int count = tab != nullptr ? TabCtrl_GetItemCount(tab) : 0;
    if (count <= 0) {
        return true;
    }
    const int current = std::max(TabCtrl_GetCurSel(tab), 0);
    // The path of a click on a tab: the selection moves, then the tab's parent hears of it.
    NMHDR change = {tab, static_cast<UINT_PTR>(GetDlgCtrlID(tab)), static_cast<UINT>(TCN_SELCHANGING)};
    if (SendMessageW(GetParent(tab), WM_NOTIFY, change.idFrom, reinterpret_cast<LPARAM>(&change)) != 0) {
        return true;
    }
    TabCtrl_SetCurSel(tab, (current + step + count) % count);
    change.code = static_cast<UINT>(TCN_SELCHANGE);
    SendMessageW(GetParent(tab), WM_NOTIFY, change.idFrom, reinterpret_cast<LPARAM>(&change));
    HWND first = GetNextDlgTabItem(window, nullptr, FALSE);
    if (first != nullptr) {
        FocusByKeyboard(window, first);
    }
    return true;
}

void FocusFirstControl(HWND window) {
    rememberedFocus = nullptr;
    defaultButton = nullptr;
    HWND first = GetNextDlgTabItem(window, nullptr, FALSE);
    if (first != nullptr) {
        SetDialogFocus(first);
    }
}

void OnActivate(HWND window, WPARAM wParam) {
    if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = FocusedChild(window);
        if (focus != nullptr) {
            rememberedFocus = focus;
        }
        return;
    }
    if (HIWORD(wParam) != 0) {
        return; // minimised: nothing can have the focus
    }
    HWND target = rememberedFocus;
    if (target == nullptr || !IsWindow(target) || !IsChild(window, target)) {
        target = GetNextDlgTabItem(window, nullptr, FALSE);
    } else if (!CanTakeFocus(target)) {
        target = GetNextDlgTabItem(window, target, FALSE);
    }
    SetFocus(target != nullptr ? target : window);
}

void MoveFocusFrom(HWND window, HWND control, HWND target) {
    if (control == nullptr || GetFocus() != control) {
        return;
    }
    HWND next = CanTakeFocus(target) ? target : GetNextDlgTabItem(window, control, FALSE);
    if (next != nullptr && next != control) {
        // A default border goes along with the focus; a button the mouse pressed had none.
        if (defaultButton == control) {
            SetDialogFocus(next);
        } else {
            SetFocus(next);
        }
        rememberedFocus = next;
    }
}

bool ForwardPageCommand(HWND window, WPARAM wParam, LPARAM lParam) {
    HWND control = reinterpret_cast<HWND>(lParam);
    if (HIWORD(wParam) != BN_CLICKED || control == nullptr || !IsChild(window, control)) {
        return false;
    }
    HWND parent = GetParent(control);
    if (parent == window) {
        return false;
    }
    SendMessageW(parent, WM_COMMAND, wParam, lParam);
    return true;
}
