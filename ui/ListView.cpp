#include "ui/ListView.h"

#include <iterator>
#include <utility>

#include "settings/WorkingColumnTable.h"
#include "win32/MessageBoxes.h"

namespace {

// Posted by a tick to the list itself, with the entry's index: the list's own Space handling
// selects the row that had the focus again once the notification is over, and that row now holds
// another column. Arriving after it, this puts the selection back on the ticked column.
constexpr UINT kSelectEntry = WM_APP + 0x31;

} // namespace

int CListView::GetSelectedItem() const {
    return static_cast<int>(SendMessageW(m_hWnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                         MAKELPARAM(LVNI_FOCUSED | LVNI_SELECTED, 0)));
}

int CListView::StateImage(int item) const {
    const UINT state = static_cast<UINT>(SendMessageW(m_hWnd, LVM_GETITEMSTATE, item, LVIS_STATEIMAGEMASK));
    return static_cast<int>((state & LVIS_STATEIMAGEMASK) >> 12);
}

bool CListView::IsUnchecked(int item) const {
    return StateImage(item) == 1;
}

void CListView::SetCheck(int item, bool checked) {
    LVITEMW lvi = {};
    lvi.stateMask = LVIS_STATEIMAGEMASK;
    lvi.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    SendMessageW(m_hWnd, LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&lvi));
}

void CListView::SelectAndShow(int item) {
    LVITEMW lvi = {};
    lvi.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    lvi.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(m_hWnd, LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&lvi));
    SendMessageW(m_hWnd, LVM_ENSUREVISIBLE, item, FALSE);
}

void CListView::UpdateMoveButtons() {
    bool up = false;
    bool down = false;
    if (m_hWnd != nullptr && IsWindowEnabled(m_hWnd)) {
        const int item = GetSelectedItem();
        const int count = static_cast<int>(SendMessageW(m_hWnd, LVM_GETITEMCOUNT, 0, 0));
        if (!IsUnchecked(item)) {
            up = count > 1 && item >= 1;
            down = count > 1 && item >= 0 && item < count - 1 && !IsUnchecked(item + 1);
        }
    }
    if (m_hwndUp != nullptr) {
        EnableWindow(m_hwndUp, up);
    }
    if (m_hwndDown != nullptr) {
        EnableWindow(m_hwndDown, down);
    }
}

void CListView::UpdateItemButtons(int item) {
    if (m_hwndParent == nullptr) {
        return;
    }
    bool enable = false;
    if (m_hWnd != nullptr && IsWindowEnabled(m_hWnd)) {
        if (item < 0) {
            item = GetSelectedItem();
        }
        // The focus stays on a row whose selection Ctrl+Space or Ctrl+click took away; Edit then
        // has nothing to act on.
        const bool selected =
            item >= 0 && (SendMessageW(m_hWnd, LVM_GETITEMSTATE, item, LVIS_SELECTED) & LVIS_SELECTED) != 0;
        if (selected) {
            enable = StateImage(item) - 1 != 0;
        }
    }
    if (m_nDeleteCmd != 0) {
        EnableWindow(GetDlgItem(m_hwndParent, m_nDeleteCmd), enable);
    }
    if (m_nEditCmd != 0) {
        EnableWindow(GetDlgItem(m_hwndParent, m_nEditCmd), enable);
    }
}

void CListView::MoveItem(BOOL up) {
    if (m_hWnd == nullptr) {
        return;
    }
    const int count = static_cast<int>(SendMessageW(m_hWnd, LVM_GETITEMCOUNT, 0, 0));
    int source = m_nForcedItem;
    if (source < 0) {
        source = GetSelectedItem();
        if (source < 0 || IsUnchecked(source)) {
            return;
        }
        const bool allowed =
            up ? (count > 1 && source >= 1) : (count > 1 && source < count - 1 && !IsUnchecked(source + 1));
        if (!allowed) {
            return;
        }
    }
    const int target = up ? source - 1 : source + 1;
    if (target < 0 || target >= count) {
        return;
    }

    LVITEMW sourceItem = {};
    sourceItem.mask = LVIF_PARAM;
    sourceItem.iItem = source;
    LVITEMW targetItem = sourceItem;
    targetItem.iItem = target;
    SendMessageW(m_hWnd, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&sourceItem));
    SendMessageW(m_hWnd, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&targetItem));
    std::swap(sourceItem.lParam, targetItem.lParam);
    SendMessageW(m_hWnd, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&sourceItem));
    SendMessageW(m_hWnd, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&targetItem));

    HWND header = reinterpret_cast<HWND>(SendMessageW(m_hWnd, LVM_GETHEADER, 0, 0));
    const int columns =
        header != nullptr ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    static wchar_t sourceText[kCellTextChars];
    static wchar_t targetText[kCellTextChars];
    for (int column = 0; column < columns; ++column) {
        LVITEMW text = {};
        text.iSubItem = column;
        text.cchTextMax = static_cast<int>(std::size(sourceText));
        text.pszText = sourceText;
        sourceText[0] = L'\0';
        SendMessageW(m_hWnd, LVM_GETITEMTEXTW, source, reinterpret_cast<LPARAM>(&text));
        text.pszText = targetText;
        targetText[0] = L'\0';
        SendMessageW(m_hWnd, LVM_GETITEMTEXTW, target, reinterpret_cast<LPARAM>(&text));
        text.pszText = targetText;
        SendMessageW(m_hWnd, LVM_SETITEMTEXTW, source, reinterpret_cast<LPARAM>(&text));
        text.pszText = sourceText;
        SendMessageW(m_hWnd, LVM_SETITEMTEXTW, target, reinterpret_cast<LPARAM>(&text));
    }

    if ((SendMessageW(m_hWnd, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_CHECKBOXES) != 0) {
        const bool sourceChecked = !IsUnchecked(source);
        const bool targetChecked = !IsUnchecked(target);
        m_bSuppressNotify = 1;
        SetCheck(source, targetChecked);
        SetCheck(target, sourceChecked);
        m_bSuppressNotify = 0;
    }

    if (m_nForcedItem < 0) {
        SelectAndShow(target);
        SetFocus(m_hWnd);
    }
}

void CListView::OnCheckChanged(int item, BOOL checked) {
    LVITEMW lvi = {};
    lvi.mask = LVIF_PARAM;
    lvi.iItem = item;
    if (!SendMessageW(m_hWnd, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&lvi))) {
        return;
    }
    const size_t entryIndex = static_cast<size_t>(lvi.lParam);
    if (entryIndex >= workingColumnTable.size()) {
        return;
    }

    if (checked) {
        while (item > 0 && IsUnchecked(item - 1)) {
            m_nForcedItem = item;
            MoveItem(TRUE);
            m_nForcedItem = -1;
            --item;
        }
    } else {
        if (workingColumnTable[entryIndex].NoHide != 0) {
            m_bSuppressNotify = 1;
            SetCheck(item, true);
            m_bSuppressNotify = 0;
            ShowAppMessage(m_hWnd, L"\"名前\" カラムは非表示にできません。", MB_ICONWARNING);
            return;
        }
        const int count = static_cast<int>(SendMessageW(m_hWnd, LVM_GETITEMCOUNT, 0, 0));
        while (item < count - 1 && !IsUnchecked(item + 1)) {
            m_nForcedItem = item;
            MoveItem(FALSE);
            m_nForcedItem = -1;
            ++item;
        }
    }
    workingColumnTable[entryIndex].Visible = checked ? 1 : 0;
    SelectAndShow(item);
    UpdateMoveButtons();
    PostMessageW(m_hWnd, kSelectEntry, entryIndex, 0);
}

void CListView::SelectEntry(LPARAM entryIndex) {
    const int count = static_cast<int>(SendMessageW(m_hWnd, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        LVITEMW lvi = {};
        lvi.mask = LVIF_PARAM;
        lvi.iItem = row;
        if (SendMessageW(m_hWnd, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&lvi)) &&
            lvi.lParam == entryIndex) {
            SelectAndShow(row);
            UpdateMoveButtons();
            UpdateItemButtons(row);
            // A click on a check box leaves the focus where it was on some list views; the row
            // just ticked is what the buttons now act on, from the mouse as from the keyboard.
            SetFocus(m_hWnd);
            return;
        }
    }
}

uint64_t CListView::OnMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kSelectEntry:
        SelectEntry(static_cast<LPARAM>(wParam));
        m_lResult = 0;
        return kSwallow;
    case WM_KEYDOWN:
        if (m_hwndParent == nullptr) {
            return kPassOn;
        }
        if (m_nInsertCmd != 0 && wParam == VK_INSERT) {
            PostMessageW(m_hwndParent, WM_COMMAND, static_cast<WPARAM>(m_nInsertCmd), 0);
            m_lResult = 0;
            return kSwallow;
        }
        if (m_nDeleteCmd != 0 && wParam == VK_DELETE) {
            PostMessageW(m_hwndParent, WM_COMMAND, static_cast<WPARAM>(m_nDeleteCmd), 0);
            m_lResult = 0;
            return kSwallow;
        }
        return kPassOn;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: {
        LVHITTESTINFO hit = {};
        hit.pt.x = LOWORD(lParam);
        hit.pt.y = HIWORD(lParam);
        SendMessageW(hWnd, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        if (hit.flags == LVHT_NOWHERE) {
            const int selected = GetSelectedItem();
            if (selected < 0) {
                return kPassOn;
            }
            SetFocus(hWnd);
            SelectAndShow(selected);
            m_lResult = 0;
            return kSwallow;
        }
        // Some list views report a check-box hit in a full-row-select list as a label hit as
        // well; a double-click on the check box only toggles it.
        const bool onText = (hit.flags & LVHT_ONITEMLABEL) != 0 && (hit.flags & LVHT_ONITEMSTATEICON) == 0;
        if (onText && message == WM_LBUTTONDBLCLK && m_hwndParent != nullptr && m_nEditCmd != 0) {
            // Posted, so that it arrives after the list has finished its own double-click.
            PostMessageW(m_hwndParent, WM_COMMAND, static_cast<WPARAM>(m_nEditCmd), 0);
        }
        return kPassOn;
    }
    default:
        return kPassOn;
    }
}
