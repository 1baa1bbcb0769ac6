#include "OptionsWindowFixture.h"

#include <cstring>
#include <sstream>

#include "pages/ColumnConfig.h"
#include "pages/PageBinding.h"
#include "settings/OptionsStore.h"
#include "settings/WorkingColumnTable.h"

namespace {

class ColumnConfigTest : public OptionsWindowFixture {
protected:
    // Stores a layout and opens the window with the column options switched on.
    void OpenWith(const std::vector<ColumnEntry>& columns) {
        SetOptionDword(L"OptionInitialized", 1);
        SetOptionDword(L"Column", 1);
        SetOptionDword(L"ColumnNum", static_cast<DWORD>(columns.size()));
        for (size_t i = 0; i < columns.size(); ++i) {
            const std::wstring name = L"Column_" + std::to_wstring(i);
            SetOptionRaw(name.c_str(), REG_BINARY, &columns[i], sizeof(ColumnEntry));
        }
        Open();
        list = Control(kListView2Page, IDC_LV2_COLUMN_LIST);
    }

    static ColumnEntry Entry(const wchar_t* name, int visible, int width = 100, int sort = 0,
                             int noHide = 0) {
        Options scratch;
        scratch.AddColumn(name, visible, width, sort, noHide);
        return scratch.ColumnEntries[0];
    }

    static std::vector<ColumnEntry> Layout() {
        return {Entry(L"名前", 1, 240, 1, 1), Entry(L"更新日時", 1, 120), Entry(L"種類", 1, 135),
                Entry(L"サイズ", 0, 110), Entry(L"属性", 0, 72)};
    }

    int Rows() const { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }
    std::wstring Shown() const {
        std::wstring rows;
        for (int row = 0; row < Rows(); ++row) {
            rows += CellText(list, row, 0) + (columnList->IsUnchecked(row) ? L"-" : L"+") +
                    CellText(list, row, 1) + L"/" + CellText(list, row, 2) + L" ";
        }
        return rows;
    }
    static std::wstring SavedNames() {
        std::wstring names;
        const DWORD count = ReadOptionRaw(L"ColumnNum").AsDword();
        for (DWORD i = 0; i < count; ++i) {
            const ColumnEntry entry = StoredColumn(static_cast<int>(i));
            names += std::wstring(entry.Name) + (entry.Visible ? L"+" : L"-") + L" ";
        }
        return names;
    }

    // Runs the Column edit dialog for the selected row; setup fills it in and presses a button.
    std::vector<SeenDialog> Edit(const std::function<void(HWND)>& setup) {
        DialogResponder responder([&setup](const SeenDialog& dialog) { setup(dialog.hwnd); });
        PressButton(FindPageWindow(kListView2Page), L"編集");
        return responder.seen;
    }
    static std::function<void(HWND)> Accept(const wchar_t* width, int sort) {
        return [width, sort](HWND dialog) {
            if (width != nullptr) {
                SetDlgItemTextW(dialog, IDC_COLEDIT_WIDTH, width);
            }
            if (sort >= -1) {
                SendDlgItemMessageW(dialog, IDC_COLEDIT_SORT, CB_SETCURSEL, static_cast<WPARAM>(sort), 0);
            }
            PressButton(dialog, L"OK");
        };
    }

    POINT PointWhere(int row, UINT wanted, UINT unwanted = 0) const {
        return RowPointWhere(list, row, wanted, unwanted);
    }
    void Button(UINT message, POINT at) const {
        SendMessageW(list, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(at.x, at.y));
    }

    HWND list = nullptr;
};

// Of two sorted columns in the stored layout, the later one is kept.
TEST_F(ColumnConfigTest, ListIsSetUpAndFilledFromTheStoredLayout) {
    std::vector<ColumnEntry> layout = Layout();
    layout[2].Sort = 2;
    OpenWith(layout);
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    EXPECT_EQ(3, SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    const LRESULT styles = SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    EXPECT_EQ(LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT,
              styles & (LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT));
    EXPECT_EQ(L"名前+240/  更新日時+120/  種類+135/降順 サイズ-110/  属性-72/  ", Shown());
    EXPECT_EQ(0, columnList->GetSelectedItem());
    EXPECT_FALSE(UpdateEnabled());

    // The three columns fit beside the vertical scroll bar, each header whole.
    RECT client;
    GetClientRect(list, &client);
    const wchar_t* const headers[] = {L"カラム", L"幅", L"ソート"};
    int total = 0;
    for (int column = 0; column < 3; ++column) {
        const int width = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0));
        const int needed = static_cast<int>(
            SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(headers[column])));
        EXPECT_GE(width, needed + 12) << column;
        total += width;
    }
    EXPECT_EQ(50, SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0));
    EXPECT_LE(total + GetSystemMetrics(SM_CXVSCROLL), client.right);
    EXPECT_GT(total + GetSystemMetrics(SM_CXVSCROLL), client.right - 4); // and use the room

    // The rows are filled with redrawing off; on screen, below the header, they must show: the
    // text of the rows, in the colour the list draws it in.
    tabSheetMgr->SelectPage(tabSheetMgr->FindPage(kListView2Page));
    PumpFor(100);
    RECT headerRect;
    GetWindowRect(header, &headerRect);
    RECT rows = client;
    rows.top = headerRect.bottom - headerRect.top;
    HDC dc = GetDC(list);
    const COLORREF text = IsWindowEnabled(list) ? GetSysColor(COLOR_WINDOWTEXT) : GetSysColor(COLOR_GRAYTEXT);
    const Pixels shown = CountPixels(dc, rows, text);
    ReleaseDC(list, dc);
    EXPECT_GT(shown.Total(), 100) << "the rows do not show on screen";
    Click(kTreeViewPage, IDC_TREE_HAS_LINES);
    ASSERT_EQ(1u, PressUpdate().size());
    EXPECT_EQ(0, StoredColumn(0).Sort);
    EXPECT_EQ(2, StoredColumn(2).Sort);
}

TEST_F(ColumnConfigTest, TicksAndMovesAreChangesAndSaveInRowOrder) {
    OpenWith(Layout());
    CheckRow(list, 4, true);
    EXPECT_TRUE(UpdateEnabled());
    EXPECT_EQ(3, columnList->GetSelectedItem());
    ASSERT_EQ(1u, PressUpdate().size());
    EXPECT_EQ(L"名前+ 更新日時+ 種類+ 属性+ サイズ- ", SavedNames());

    CheckRow(list, 1, false);
    EXPECT_TRUE(UpdateEnabled());
    ASSERT_EQ(1u, PressUpdate().size());
    EXPECT_EQ(L"名前+ 種類+ 属性+ 更新日時- サイズ- ", SavedNames());

    SelectRow(list, 2);
    PressButton(FindPageWindow(kListView2Page), L"▲");
    EXPECT_TRUE(UpdateEnabled());
    ASSERT_EQ(1u, PressUpdate().size());
    SelectRow(list, 0);
    PressButton(FindPageWindow(kListView2Page), L"▼");
    EXPECT_TRUE(UpdateEnabled());
    ASSERT_EQ(1u, PressUpdate().size());
    EXPECT_EQ(L"属性+ 名前+ 種類+ 更新日時- サイズ- ", SavedNames());
    // Every cell moved with its row, on screen as after a new start.
    const wchar_t* const rows = L"属性+72/  名前+240/昇順 種類+135/  更新日時-120/  サイズ-110/  ";
    EXPECT_EQ(rows, Shown()) << "a moved row left a cell behind";

    Close();
    Open();
    list = Control(kListView2Page, IDC_LV2_COLUMN_LIST);
    EXPECT_EQ(rows, Shown());
}

// What the list lets a user do with a row and what it refuses: the buttons follow the selected
// row, and with none selected there is nothing to move or edit; only a ticked row's text opens the edit
// dialog on a double-click; the column that must stay cannot be unticked, and the refusal still counts as a
// change; a click below the last row keeps the selection and brings the keyboard to the list.
TEST_F(ColumnConfigTest, TheListOffersOnlyWhatTheSelectedRowAllows) {
    OpenWith(Layout());
    const struct {
        int row;
        bool cleared; // Ctrl+Space takes the selection away and leaves the focus on the row
        bool up, down, edit;
    } rows[] = {{0, false, false, true, true},
                {1, false, true, true, true},
                {1, true, false, false, false},
                {2, false, true, false, true},
                {3, false, false, false, false}};
    for (const auto& row : rows) {
        SelectRow(list, row.row);
        if (row.cleared) {
            LVITEMW state = {};
            state.stateMask = LVIS_SELECTED;
            SendMessageW(list, LVM_SETITEMSTATE, row.row, reinterpret_cast<LPARAM>(&state));
        }
        EXPECT_EQ(row.up, Enabled(kListView2Page, IDC_LV2_UP)) << row.row;
        EXPECT_EQ(row.down, Enabled(kListView2Page, IDC_LV2_DOWN)) << row.row;
        EXPECT_EQ(row.edit, Enabled(kListView2Page, IDC_LV2_EDIT)) << row.row;
    }
    DialogResponder responder = DialogResponder::Answering(IDCANCEL);
    PostMessageW(FindPageWindow(kListView2Page), WM_COMMAND, IDC_LV2_EDIT, 0); // as the list posts it
    PumpFor(30);
    EXPECT_TRUE(responder.seen.empty()) << "an unticked row opened the dialog";
    SelectRow(list, 1); // the double-click's first click
    for (UINT flag : {static_cast<UINT>(LVHT_ONITEMSTATEICON), static_cast<UINT>(LVHT_ONITEMLABEL)}) {
        const POINT at = PointWhere(1, flag, flag == LVHT_ONITEMLABEL ? LVHT_ONITEMSTATEICON : 0);
        Button(WM_LBUTTONDBLCLK, at);
        Button(WM_LBUTTONUP, at);
        PumpFor(50);
    }
    ASSERT_EQ(1u, responder.seen.size()) << "the text, and only the text, opens the dialog";
    EXPECT_EQ(L"カラムの編集", responder.seen[0].caption);
    EXPECT_EQ(L"名前+240/昇順 更新日時+120/  種類+135/  サイズ-110/  属性-72/  ", Shown())
        << "the box toggled";
    EXPECT_FALSE(UpdateEnabled());

    CheckRow(list, 0, false);
    ASSERT_EQ(2u, responder.seen.size());
    EXPECT_EQ(L"\"名前\" カラムは非表示にできません。", responder.seen[1].text);
    EXPECT_TRUE(UpdateEnabled());
    EXPECT_FALSE(columnList->IsUnchecked(0));
    EXPECT_EQ(1, columnList->GetSelectedItem()) << "the refusal moved the selection";

    RECT last = {LVIR_BOUNDS, 0, 0, 0}, client;
    SendMessageW(list, LVM_GETITEMRECT, Rows() - 1, reinterpret_cast<LPARAM>(&last));
    GetClientRect(list, &client);
    ASSERT_LT(last.bottom + 2, client.bottom) << "no room below the last row";
    tabSheetMgr->SelectPage(tabSheetMgr->FindPage(kListView2Page));
    SetFocus(Control(kListView2Page, IDC_LV2_COLUMN));
    Button(WM_LBUTTONDOWN, {client.right / 2, last.bottom + 2});
    Button(WM_LBUTTONUP, {client.right / 2, last.bottom + 2});
    EXPECT_EQ(1, columnList->GetSelectedItem());
    EXPECT_EQ(list, GetFocus()) << "the keys do not act on the row the click kept selected";
}

// A tick or an untick at each end of the list, with every row ticked, none or some: the column
// lands right below the ticked block or right at its end, selected, and the buttons follow it.
TEST_F(ColumnConfigTest, ATickOrAnUntickAtEitherEndPutsTheColumnAtTheEdgeOfTheTickedBlock) {
    const struct {
        const wchar_t* before;
        int row;
        const wchar_t* after;
        bool up, down, edit;
    } cases[] = {
        {L"名前+ 更新日時+ 種類+ サイズ+ 属性+", 1, L"名前+ 種類+ サイズ+ 属性+ 更新日時-", false, false,
         false},
        {L"名前+ 更新日時+ 種類+ サイズ+ 属性+", 3, L"名前+ 更新日時+ 種類+ 属性+ サイズ-", false, false,
         false},
        {L"名前+ 更新日時+ 種類+ サイズ+ 属性+", 4, L"名前+ 更新日時+ 種類+ サイズ+ 属性-", false, false,
         false},
        {L"更新日時+ 名前+ 種類+ サイズ- 属性-", 0, L"名前+ 種類+ 更新日時- サイズ- 属性-", false, false,
         false},
        {L"更新日時+ 名前- 種類- サイズ- 属性-", 0, L"更新日時- 名前- 種類- サイズ- 属性-", false, false,
         false},
        {L"名前- 更新日時- 種類- サイズ- 属性-", 4, L"属性+ 名前- 更新日時- 種類- サイズ-", false, false,
         true},
        {L"名前- 更新日時- 種類- サイズ- 属性-", 0, L"名前+ 更新日時- 種類- サイズ- 属性-", false, false,
         true},
        {L"名前+ 更新日時+ 種類+ サイズ- 属性-", 4, L"名前+ 更新日時+ 種類+ 属性+ サイズ-", true, false,
         true},
        {L"名前+ 更新日時+ 種類+ サイズ+ 属性-", 4, L"名前+ 更新日時+ 種類+ サイズ+ 属性+", true, false,
         true},
        {L"名前+ 更新日時- 種類- サイズ- 属性-", 1, L"名前+ 更新日時+ 種類- サイズ- 属性-", true, false,
         true},
    };
    for (const auto& c : cases) {
        std::vector<ColumnEntry> layout;
        std::wstring toggled;
        std::wistringstream words(c.before);
        for (std::wstring word; words >> word;) {
            const std::wstring name = word.substr(0, word.size() - 1);
            layout.push_back(Entry(name.c_str(), word.back() == L'+', 100, 0, name == L"名前"));
            toggled = layout.size() == static_cast<size_t>(c.row + 1) ? name : toggled;
        }
        OpenWith(layout);
        SelectRow(list, c.row);
        CheckRow(list, c.row, columnList->IsUnchecked(c.row));
        PumpFor(20);
        std::wstring shown;
        for (int row = 0; row < Rows(); ++row) {
            shown += (row > 0 ? L" " : L"") + CellText(list, row, 0) +
                     (columnList->IsUnchecked(row) ? L"-" : L"+");
        }
        EXPECT_EQ(c.after, shown) << c.before << L" row " << c.row;
        EXPECT_EQ(toggled, CellText(list, columnList->GetSelectedItem(), 0)) << c.before;
        EXPECT_EQ(
            (std::vector<bool>{c.up, c.down, c.edit}),
            (std::vector<bool>{Enabled(kListView2Page, IDC_LV2_UP), Enabled(kListView2Page, IDC_LV2_DOWN),
                               Enabled(kListView2Page, IDC_LV2_EDIT)}))
            << c.before << L" row " << c.row;
        Close();
        DeleteOptionsKey();
    }
}

TEST_F(ColumnConfigTest, EditedWidthsBelowTheMinimumBecome72) {
    OpenWith(Layout());
    struct Case {
        const wchar_t* typed;
        int stored;
    };
    const Case cases[] = {{L"0", 72}, {L"71", 72}, {L"", 72}, {L"72", 72}, {L"9999", 9999}};
    SelectRow(list, 1);
    for (const Case& c : cases) {
        const std::vector<SeenDialog> seen = Edit(Accept(c.typed, -2));
        ASSERT_EQ(1u, seen.size());
        EXPECT_EQ(L"カラムの編集", seen[0].caption);
        EXPECT_EQ(c.stored, workingColumnTable[1].Width) << c.typed;
        EXPECT_EQ(std::to_wstring(c.stored), CellText(list, 1, 1));
    }
    EXPECT_TRUE(UpdateEnabled());
    ASSERT_EQ(1u, PressUpdate().size());
    EXPECT_EQ(9999, StoredColumn(1).Width);

    Edit([this](HWND dialog) {
        RECT owner;
        RECT box;
        GetWindowRect(window, &owner);
        GetWindowRect(dialog, &box);
        EXPECT_EQ(owner.left + ((owner.right - owner.left) - (box.right - box.left)) / 2, box.left);
        EXPECT_EQ(owner.top + ((owner.bottom - owner.top) - (box.bottom - box.top)) / 2, box.top);
        EXPECT_EQ((std::vector<std::wstring>{L"このカラムではソートしない", L"このカラムで 昇順 ソートする",
                                             L"このカラムで 降順 ソートする"}),
                  ComboItems(GetDlgItem(dialog, IDC_COLEDIT_SORT)));
        HWND width = GetDlgItem(dialog, IDC_COLEDIT_WIDTH);
        EXPECT_EQ(L"9999", WindowText(width));
        EXPECT_EQ(L"更新日時", WindowText(GetDlgItem(dialog, IDC_COLEDIT_NAME)));
        EXPECT_EQ(0, SendMessageW(GetDlgItem(dialog, IDC_COLEDIT_SORT), CB_GETCURSEL, 0, 0));
        SetWindowTextW(width, L"");
        for (wchar_t c : std::wstring(L"12345")) {
            SendMessageW(width, WM_CHAR, c, 1);
        }
        EXPECT_EQ(L"1234", WindowText(width));
        PressButton(dialog, L"キャンセル");
    });
}

// After moves, an edit rewrites the selected row and no other, and a sort set there clears the
// one the list had: one column is sorted at a time.
TEST_F(ColumnConfigTest, EditingRewritesOnlyTheSelectedRowAndOneColumnIsSorted) {
    OpenWith(Layout());
    SelectRow(list, 2);
    PressButton(FindPageWindow(kListView2Page), L"▲");
    PressButton(FindPageWindow(kListView2Page), L"▲"); // 種類 now first
    ASSERT_EQ(0, columnList->GetSelectedItem());
    Edit(Accept(L"300", 2));
    EXPECT_EQ(L"種類+300/降順 名前+240/  更新日時+120/  サイズ-110/  属性-72/  ", Shown());
    EXPECT_EQ(0, columnList->GetSelectedItem());
    EXPECT_EQ(300, workingColumnTable[2].Width);
    EXPECT_EQ(240, workingColumnTable[0].Width);
    Edit(Accept(nullptr, 0));
    EXPECT_EQ(L"種類+300/  名前+240/  更新日時+120/  サイズ-110/  属性-72/  ", Shown());
    ASSERT_EQ(1u, PressUpdate().size());
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(0, StoredColumn(i).Sort) << i;
    }
}

TEST_F(ColumnConfigTest, CancelChangesNothingWhileOkAlwaysCounts) {
    OpenWith(Layout());
    SelectRow(list, 1);
    for (int how = 0; how < 3; ++how) {
        Edit([how](HWND dialog) {
            SetDlgItemTextW(dialog, IDC_COLEDIT_WIDTH, L"500");
            if (how == 0) {
                PressButton(dialog, L"キャンセル");
            } else if (how == 1) {
                PressButton(dialog, IDCANCEL); // Escape
            } else {
                PostMessageW(dialog, WM_CLOSE, 0, 0);
            }
        });
        EXPECT_EQ(120, workingColumnTable[1].Width);
        EXPECT_FALSE(UpdateEnabled());
    }
    Edit([](HWND dialog) { PressButton(dialog, IDOK); }); // Enter
    EXPECT_EQ(120, workingColumnTable[1].Width);
    EXPECT_TRUE(UpdateEnabled());
}

TEST_F(ColumnConfigTest, OddStoredValuesShowAndSaveWithoutHarmingOtherRows) {
    std::vector<ColumnEntry> layout = Layout();
    layout[1].Sort = 5;
    layout[2].Width = -5;
    OpenWith(layout);
    EXPECT_EQ(L"名前+240/昇順 更新日時+120/ 種類+-5/  サイズ-110/  属性-72/  ", Shown());
    SelectRow(list, 1);
    Edit([](HWND dialog) {
        EXPECT_EQ(-1, SendMessageW(GetDlgItem(dialog, IDC_COLEDIT_SORT), CB_GETCURSEL, 0, 0));
        PressButton(dialog, L"OK");
    });
    EXPECT_EQ(0, workingColumnTable[1].Sort); // a value the extension understands
    EXPECT_EQ(1, workingColumnTable[0].Sort);
    ASSERT_EQ(1u, PressUpdate().size());
    EXPECT_EQ(-5, StoredColumn(2).Width);
    EXPECT_EQ(1, StoredColumn(0).Sort);
    EXPECT_EQ(0, StoredColumn(1).Sort);
}

} // namespace
