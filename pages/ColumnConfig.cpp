#include "pages/ColumnConfig.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <iterator>

#include "app/OptionsWindow.h"
#include "pages/PageBinding.h"
#include "resource.h"
#include "settings/WorkingColumnTable.h"

ColumnEntry* editedColumn = nullptr;

namespace {

constexpr int kMinColumnWidth = 72;
const wchar_t kSortHeader[] = L"ソート";
constexpr int kWidthColumnWidth = 50;
constexpr int kMinSortColumnWidth = 40;
constexpr int kHeaderPadding = 14; // the header item's margins on both sides

const wchar_t* const kSortMarkers[] = {L" ", L"昇順", L"降順"};
const wchar_t* const kSortChoices[] = {L"このカラムではソートしない", L"このカラムで 昇順 ソートする",
                                       L"このカラムで 降順 ソートする"};

int RowCount(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

LPARAM RowEntryIndex(HWND list, int row) {
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) {
        return -1;
    }
    return item.lParam;
}

bool IsValidEntryIndex(LPARAM index) {
    return index >= 0 && static_cast<size_t>(index) < workingColumnTable.size();
}

void SetCellText(HWND list, int row, int column, const wchar_t* text) {
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text);
    SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

void InsertListColumn(HWND list, int index, const wchar_t* title, int width) {
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = const_cast<wchar_t*>(title);
    column.iSubItem = index;
    SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
}

void CentreOverOwner(HWND dialog) {
    HWND owner = GetParent(dialog);
    RECT ownerRect;
    RECT dialogRect;
    if (owner == nullptr || !GetWindowRect(owner, &ownerRect) || !GetWindowRect(dialog, &dialogRect)) {
        return;
    }
    const int x =
        ownerRect.left + ((ownerRect.right - ownerRect.left) - (dialogRect.right - dialogRect.left)) / 2;
    const int y =
        ownerRect.top + ((ownerRect.bottom - ownerRect.top) - (dialogRect.bottom - dialogRect.top)) / 2;
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void AcceptColumnEdit(HWND dialog) {
    if (editedColumn != nullptr) {
        BOOL valid = FALSE;
        const UINT width = GetDlgItemInt(dialog, IDC_COLEDIT_WIDTH, &valid, FALSE);
        editedColumn->Width = valid && width >= static_cast<UINT>(kMinColumnWidth)
                                  ? static_cast<int32_t>(width)
                                  : kMinColumnWidth;
        const LRESULT sort = SendDlgItemMessageW(dialog, IDC_COLEDIT_SORT, CB_GETCURSEL, 0, 0);
        // Without a choice (only possible for a stored sort value the extension does not know)
        // the column is stored as not sorted, a value the extension understands.
        editedColumn->Sort =
            sort >= kSortNone && sort <= kSortDescending ? static_cast<int32_t>(sort) : kSortNone;
    }
    EndDialog(dialog, 1);
}

} // namespace

void SetUpColumnList(HWND page) {
    columnList = new CListView();
    columnList->m_bManageMoveButtons = 1;
    columnList->m_hwndUp = GetDlgItem(page, IDC_LV2_UP);
    columnList->m_hwndDown = GetDlgItem(page, IDC_LV2_DOWN);
    columnList->m_hwndParent = page;
    columnList->m_nEditCmd = IDC_LV2_EDIT;
    HWND list = GetDlgItem(page, IDC_LV2_COLUMN_LIST);
    columnList->Attach(list);
    if (list == nullptr) {
        return;
    }
    // The sort column grows to show its whole header where the font needs it, and the name
    // column leaves room for the vertical scroll bar that the rows bring: otherwise "ソート" is
    // cut short and partly hidden under the scroll bar.
    RECT client;
    GetClientRect(list, &client);
    const int headerWidth =
        static_cast<int>(SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(kSortHeader)));
    const int sortWidth = std::max(kMinSortColumnWidth, headerWidth + kHeaderPadding);
    const int nameWidth =
        (client.right - client.left) - kWidthColumnWidth - sortWidth - GetSystemMetrics(SM_CXVSCROLL);
    InsertListColumn(list, 0, L"カラム", nameWidth);
    InsertListColumn(list, 1, L"幅", kWidthColumnWidth);
    InsertListColumn(list, 2, kSortHeader, sortWidth);
    const DWORD added = LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, added, added);
}

void FillColumnList(HWND list) {
    if (list == nullptr) {
        return;
    }
    // Without redrawing row by row, the fill costs a fraction of the time: it runs at every start.
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    SendMessageW(list, LVM_SETITEMCOUNT, workingColumnTable.size(), 0);
    for (size_t i = 0; i < workingColumnTable.size(); ++i) {
        ShowColumnRow(list, static_cast<int>(i), RowMode::kInsert);
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void SelectFirstColumnRow(HWND list) {
    if (list == nullptr) {
        return;
    }
    LVITEMW state = {};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
    SendMessageW(list, LVM_ENSUREVISIBLE, 0, FALSE);
}

void ShowColumnRow(HWND list, int entryIndex, RowMode mode) {
    if (list == nullptr) {
        return;
    }
    int row = -1;
    if (mode == RowMode::kInsert) {
        if (!IsValidEntryIndex(entryIndex)) {
            return;
        }
        LVITEMW item = {};
        item.mask = LVIF_PARAM;
        item.iItem = RowCount(list);
        item.lParam = entryIndex;
        row = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        if (row < 0) {
            return;
        }
        LVITEMW state = {};
        state.stateMask = LVIS_STATEIMAGEMASK;
        state.state =
            INDEXTOSTATEIMAGEMASK(workingColumnTable[static_cast<size_t>(entryIndex)].Visible != 0 ? 2 : 1);
        SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
    } else {
        row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
        if (row < 0) {
            return;
        }
        const LPARAM index = RowEntryIndex(list, row);
        if (!IsValidEntryIndex(index)) {
            return;
        }
        entryIndex = static_cast<int>(index);
    }

    ColumnEntry& entry = workingColumnTable[static_cast<size_t>(entryIndex)];
    SetCellText(list, row, 0, entry.Name);
    wchar_t width[16];
    swprintf(width, std::size(width), L"%d", entry.Width);
    SetCellText(list, row, 1, width);

    if (entry.Sort == kSortAscending || entry.Sort == kSortDescending) {
        // One column at most is sorted: the one just shown wins.
        const int rows = RowCount(list);
        for (int other = 0; other < rows; ++other) {
            SetCellText(list, other, 2, kSortMarkers[kSortNone]);
            const LPARAM otherIndex = RowEntryIndex(list, other);
            if (otherIndex != entryIndex && IsValidEntryIndex(otherIndex)) {
                workingColumnTable[static_cast<size_t>(otherIndex)].Sort = kSortNone;
            }
        }
        SetCellText(list, row, 2, kSortMarkers[entry.Sort]);
    } else if (entry.Sort == kSortNone) {
        SetCellText(list, row, 2, kSortMarkers[kSortNone]);
    }

    if (pageEventsEnabled != 0) {
        LVITEMW state = {};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
        SendMessageW(list, LVM_ENSUREVISIBLE, row, FALSE);
        SetFocus(list);
    }
}

void OnColumnListNotify(const NMHDR* header) {
    if (columnList == nullptr || header == nullptr || columnList->GetHwnd() != header->hwndFrom ||
        header->code != LVN_ITEMCHANGED) {
        return;
    }
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
    if (change->iItem < 0 || columnList->m_nForcedItem >= 0) {
        return;
    }
    if (((change->uOldState ^ change->uNewState) & LVIS_STATEIMAGEMASK) != 0) {
        if (columnList->m_bSuppressNotify == 0) {
            columnList->OnCheckChanged(change->iItem,
                                       (change->uNewState & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2));
        }
    } else if ((change->uNewState & LVIS_FOCUSED) != 0) {
        if (columnList->m_bManageMoveButtons != 0) {
            columnList->UpdateMoveButtons();
        }
        columnList->UpdateItemButtons(change->iItem);
    }
}

bool EditSelectedColumn(HWND page) {
    HWND editButton = GetDlgItem(page, IDC_LV2_EDIT);
    if (editButton == nullptr || !IsWindowEnabled(editButton)) {
        return false;
    }
    HWND list = GetDlgItem(page, IDC_LV2_COLUMN_LIST);
    const int row =
        list != nullptr
            ? static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED))
            : -1;
    const LPARAM index = row >= 0 ? RowEntryIndex(list, row) : 0;
    if (!IsValidEntryIndex(index)) {
        return false;
    }
    editedColumn = &workingColumnTable[static_cast<size_t>(index)];
    const INT_PTR result =
        DialogBoxParamW(reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(page, GWLP_HINSTANCE)),
                        MAKEINTRESOURCEW(IDD_COLUMN_EDIT), page, ColumnEditDlgProc, 0);
    editedColumn = nullptr;
    if (result != 1) {
        return false;
    }
    ShowColumnRow(list, static_cast<int>(index), RowMode::kUpdate);
    return true;
}

INT_PTR CALLBACK ColumnEditDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        CentreOverOwner(hDlg);
        SendDlgItemMessageW(hDlg, IDC_COLEDIT_WIDTH, EM_LIMITTEXT, 4, 0);
        HWND sort = GetDlgItem(hDlg, IDC_COLEDIT_SORT);
        for (const wchar_t* choice : kSortChoices) {
            SendMessageW(sort, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice));
        }
        if (editedColumn != nullptr) {
            SetDlgItemTextW(hDlg, IDC_COLEDIT_NAME, editedColumn->Name);
            SetDlgItemInt(hDlg, IDC_COLEDIT_WIDTH, static_cast<UINT>(editedColumn->Width), FALSE);
            SendMessageW(sort, CB_SETCURSEL, static_cast<WPARAM>(editedColumn->Sort), 0);
        }
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDC_COLEDIT_OK:
            AcceptColumnEdit(hDlg);
            return TRUE;
        case IDCANCEL:
        case IDC_COLEDIT_CANCEL:
            EndDialog(hDlg, 2);
            return TRUE;
        default:
            return FALSE;
        }
    case WM_CLOSE:
        EndDialog(hDlg, 2);
        return TRUE;
    default:
        return FALSE;
    }
}

void ReadColumnsFromList(HWND list, std::vector<ColumnEntry>& columns) {
    columns.clear();
    if (list == nullptr) {
        return;
    }
    const int rows = RowCount(list);
    for (int row = 0; row < rows; ++row) {
        const LPARAM index = RowEntryIndex(list, row);
        if (IsValidEntryIndex(index)) {
            columns.push_back(workingColumnTable[static_cast<size_t>(index)]);
        }
    }
}
