#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "pages/ColumnConfig.h"
#include "pages/PageBinding.h"
#include "resource.h"
#include "settings/WorkingColumnTable.h"

namespace {

std::vector<int> postedCommands;

LRESULT CALLBACK PageLikeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY) {
        OnColumnListNotify(reinterpret_cast<const NMHDR*>(lParam));
        return 0;
    }
    if (message == WM_COMMAND && lParam == 0) {
        postedCommands.push_back(LOWORD(wParam));
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

ColumnEntry Entry(const wchar_t* name, int visible, int noHide = 0) {
    Options scratch;
    scratch.AddColumn(name, visible, 100, 0, noHide);
    return scratch.ColumnEntries[0];
}

// A page-like window holding the column list and its three buttons, filled the way the List
// view 2 page fills it, with the wrapper in the process-wide slot.
class ListViewTest : public testing::Test {
protected:
    void SetUp() override {
        page = CreateTestWindow(L"TravineListHost", PageLikeProc, WS_POPUP | WS_VISIBLE, 500, 400);
        for (int id : {IDC_LV2_UP, IDC_LV2_DOWN, IDC_LV2_EDIT}) {
            CreateWindowW(L"BUTTON", L"b", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, page,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
        }
        list = CreateWindowW(
            WC_LISTVIEWW, L"",
            WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER, 20, 20,
            400, 300, page, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_LV2_COLUMN_LIST)), nullptr,
            nullptr);
        ASSERT_NE(nullptr, list);
        SetUpColumnList(page);
        postedCommands.clear();
    }

    void TearDown() override {
        if (columnList != nullptr) {
            columnList->Detach();
            delete columnList;
            columnList = nullptr;
        }
        DestroyWindow(page);
        workingColumnTable.clear();
    }

    void Fill(std::vector<ColumnEntry> entries) {
        workingColumnTable = std::move(entries);
        FillColumnList(list);
        SelectRow(list, 0);
    }

    std::wstring Names() const {
        std::wstring names;
        const int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        for (int row = 0; row < rows; ++row) {
            names += CellText(list, row, 0) + (columnList->IsUnchecked(row) ? L"-" : L"+");
        }
        return names;
    }

    // Every row still shows the entry its item data names, with the entry's visibility.
    void ExpectRowsMatchEntries() const {
        const int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        for (int row = 0; row < rows; ++row) {
            LVITEMW item = {};
            wchar_t text[64] = {};
            item.mask = LVIF_PARAM | LVIF_TEXT;
            item.iItem = row;
            item.pszText = text;
            item.cchTextMax = 64;
            SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
            const ColumnEntry& entry = workingColumnTable[static_cast<size_t>(item.lParam)];
            EXPECT_STREQ(entry.Name, text) << row;
            EXPECT_EQ(entry.Visible != 0, !columnList->IsUnchecked(row)) << row;
        }
    }

    bool Enabled(int id) const { return IsWindowEnabled(GetDlgItem(page, id)) != FALSE; }

    POINT PointWhere(int row, UINT wantedFlag, UINT unwantedFlag = 0) const {
        RECT bounds = {LVIR_BOUNDS, 0, 0, 0};
        SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds));
        for (int x = bounds.left; x < bounds.right; ++x) {
            LVHITTESTINFO hit = {};
            hit.pt = {x, (bounds.top + bounds.bottom) / 2};
            SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
            if ((hit.flags & wantedFlag) != 0 && (hit.flags & unwantedFlag) == 0 && hit.iItem == row) {
                return hit.pt;
            }
        }
        ADD_FAILURE() << "no point with flag " << wantedFlag;
        return {0, 0};
    }

    HWND page = nullptr;
    HWND list = nullptr;
};

TEST_F(ListViewTest, TickedRowsStayTogetherOnTop) {
    Fill({Entry(L"A", 1), Entry(L"B", 0), Entry(L"C", 0), Entry(L"D", 0)});
    CheckRow(list, 3, true);
    EXPECT_EQ(L"A+D+B-C-", Names());
    EXPECT_EQ(1, workingColumnTable[3].Visible);
    CheckRow(list, 0, false);
    EXPECT_EQ(L"D+A-B-C-", Names());
    EXPECT_EQ(0, workingColumnTable[0].Visible);
    CheckRow(list, 3, true);
    EXPECT_EQ(L"D+C+A-B-", Names());
    ExpectRowsMatchEntries();
    // The changed row ends up selected where it now stands.
    EXPECT_EQ(1, columnList->GetSelectedItem());
}

TEST_F(ListViewTest, MovesExchangeWholeRows) {
    Fill({Entry(L"A", 1), Entry(L"B", 1), Entry(L"C", 1), Entry(L"D", 0)});
    SelectRow(list, 1);
    columnList->MoveItem(TRUE);
    EXPECT_EQ(L"B+A+C+D-", Names());
    EXPECT_EQ(0, columnList->GetSelectedItem());
    columnList->MoveItem(TRUE); // already at the top
    EXPECT_EQ(L"B+A+C+D-", Names());
    SelectRow(list, 1);
    columnList->MoveItem(FALSE);
    EXPECT_EQ(L"B+C+A+D-", Names());
    columnList->MoveItem(FALSE); // the row below is unticked
    EXPECT_EQ(L"B+C+A+D-", Names());
    ExpectRowsMatchEntries();
}

TEST_F(ListViewTest, MoveAndEditButtonsFollowTheSelectedRow) {
    Fill({Entry(L"A", 1), Entry(L"B", 1), Entry(L"C", 0)});
    struct Case {
        int row;
        bool up, down, edit;
    };
    const Case cases[] = {{0, false, true, true}, {1, true, false, true}, {2, false, false, false}};
    for (const Case& c : cases) {
        SelectRow(list, c.row);
        EXPECT_EQ(c.up, Enabled(IDC_LV2_UP)) << c.row;
        EXPECT_EQ(c.down, Enabled(IDC_LV2_DOWN)) << c.row;
        EXPECT_EQ(c.edit, Enabled(IDC_LV2_EDIT)) << c.row;
    }
    SelectRow(list, 0);
    EnableWindow(list, FALSE);
    columnList->UpdateMoveButtons();
    columnList->UpdateItemButtons(-1);
    EXPECT_FALSE(Enabled(IDC_LV2_UP));
    EXPECT_FALSE(Enabled(IDC_LV2_DOWN));
    EXPECT_FALSE(Enabled(IDC_LV2_EDIT));

    EnableWindow(list, TRUE);
    Fill({Entry(L"Only", 1)});
    columnList->UpdateMoveButtons();
    EXPECT_FALSE(Enabled(IDC_LV2_UP));
    EXPECT_FALSE(Enabled(IDC_LV2_DOWN));
}

TEST_F(ListViewTest, TheColumnThatMustStayCannotBeUnticked) {
    Fill({Entry(L"名前", 1, 1), Entry(L"B", 1), Entry(L"C", 0)});
    SelectRow(list, 0);
    DialogResponder responder = DialogResponder::Answering(IDOK);
    CheckRow(list, 0, false);
    ASSERT_EQ(1u, responder.seen.size());
    EXPECT_EQ(L"\"名前\" カラムは非表示にできません。", responder.seen[0].text);
    EXPECT_EQ(L"Travine for Windows 10/11", responder.seen[0].caption);
    EXPECT_EQ(BoxIcon::kWarning, responder.seen[0].icon);
    EXPECT_EQ(L"名前+B+C-", Names());
    EXPECT_EQ(1, workingColumnTable[0].Visible);
    EXPECT_EQ(0, columnList->GetSelectedItem());
}

TEST_F(ListViewTest, ClickBelowTheLastRowKeepsTheSelection) {
    Fill({Entry(L"A", 1), Entry(L"B", 1)});
    SelectRow(list, 1);
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(200, 280));
    SendMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(200, 280));
    EXPECT_EQ(1, columnList->GetSelectedItem());
}

TEST_F(ListViewTest, DoubleClickOnTextPostsTheEditCommandOnce) {
    Fill({Entry(L"Alpha", 1), Entry(L"Beta", 1)});
    const POINT label = PointWhere(1, LVHT_ONITEMLABEL, LVHT_ONITEMSTATEICON);
    SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(label.x, label.y));
    SendMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(label.x, label.y));
    PumpFor(50);
    ASSERT_EQ(1u, postedCommands.size());
    EXPECT_EQ(IDC_LV2_EDIT, postedCommands[0]);

    postedCommands.clear();
    const POINT box = PointWhere(0, LVHT_ONITEMSTATEICON);
    SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(box.x, box.y));
    SendMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(box.x, box.y));
    PumpFor(50);
    EXPECT_TRUE(postedCommands.empty());
}

} // namespace
