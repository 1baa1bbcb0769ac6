#include "OptionsWindowFixture.h"

#include <commdlg.h>
#include <shlwapi.h>

#include "pages/PageBinding.h"
#include "settings/OptionsStore.h"

namespace {

// Every check box by the text its template gives it, and the option that text names.
struct CheckBinding {
    int page;
    const wchar_t* text;
    const wchar_t* value;
};

const CheckBinding kCheckBoxes[] = {
    {kGeneralPage, L"コマンドバーを隠す(&C)", L"HideCommandBar"},
    {kGeneralPage, L"[ALT] キーでコマンドバーを表示", L"ShowCMDBarALTKey"},
    {kGeneralPage, L"タイトルバー上でマウスホイール回転（↓で表示、↑で非表示）", L"ShowCMDBarWheel"},
    {kGeneralPage, L"ファイルやフォルダのドラッグ開始方法を変更する(&D)", L"PreventDrag"},
    {kGeneralPage, L"[CTRL] + [ENTER] キーで、現在のフォルダでコマンドプロンプトを起動する(&R)",
     L"CtrlRetCmd"},
    {kGeneralPage,
     L"[CTRL] + [SHIFT] + [ENTER] キーで、現在のフォルダでコマンドプロンプトを管理者権限で起動する(&A)",
     L"CtrlRetCmdAdmin"},
    {kGeneralPage, L"タスクバー文字列の 「の他 N 個のタブ」 を表示しない(&S)", L"TaskbarSimpleName"},
    {kGeneralPage, L"末尾の 「- エクスプローラー」 も表示しない(&E)", L"TaskbarRemoveSuffix"},
    {kTreeViewPage, L"ルートアイテム（デスクトップ）のラインを非表示にする(&R)", L"NoLinesAtRoot"},
    {kTreeViewPage, L"サブフォルダが存在するフォルダの開閉マークを常に表示する(&S)", L"NoFadeInOutArrow"},
    {kTreeViewPage, L"項目の階層を示す線を表示する(&L)", L"HasLines"},
    {kListView1Page,
     L"フォルダ変更後にリストビュー内でアイテムが何も選択されていない場合は、先頭のアイテムを選択する(&F)",
     L"SelectFirstItem"},
    {kListView1Page, L"PC フォルダを開いた時は指定したドライブを選択する(&D)", L"PCSelectDrive"},
    {kListView1Page, L"リストビュー内で [SHIFT] + [ENTER] キーを押すと次のプログラムで開く(&A)",
     L"ShiftRetCmd"},
    {kListView2Page, L"表示形式を固定する(&V)", L"ViewMode"},
    {kListView2Page, L"詳細表示のカラムヘッダを固定する(&C)", L"Column"},
};

class PageBindingTest : public OptionsWindowFixture {
protected:
    void SetUp() override {
        OptionsWindowFixture::SetUp();
        Options defaults;
        LoadOptions(defaults); // a key with the first-run values, as after the first start
    }

    static RawValue Stored(const wchar_t* name) { return ReadOptionRaw(name); }
    static int32_t StoredNumber(const wchar_t* name) {
        const RawValue value = Stored(name);
        EXPECT_EQ(static_cast<DWORD>(REG_DWORD), value.type) << name;
        EXPECT_EQ(4u, value.bytes.size()) << name;
        return static_cast<int32_t>(value.AsDword());
    }
    // A control of a page brought to the front and painted.
    static HWND OnScreen(int page, int id) {
        tabSheetMgr->SelectPage(tabSheetMgr->FindPage(page));
        PumpFor(50);
        return Control(page, id);
    }
    static std::vector<std::wstring> Items(int page, int id) { return ComboItems(Control(page, id)); }
    static void ExpectSavedOnce(const std::vector<SeenDialog>& seen) {
        ASSERT_EQ(1u, seen.size());
        EXPECT_EQ(0u, seen[0].text.find(L"オプション設定を保存しました。"));
    }
};

TEST_F(PageBindingTest, EveryCheckBoxShowsAndSavesItsOwnOption) {
    // Four rounds give every box its own pattern of on and off (its index in binary), so two
    // boxes bound to each other's options cannot pass unnoticed. Every other round stores "on"
    // as 2, as another tool may: any value but 0 ticks the box.
    for (size_t bit = 0; bit < 4; ++bit) {
        const auto stored = [bit](size_t i) { return static_cast<int32_t>((i >> bit) & 1); };
        for (size_t i = 0; i < std::size(kCheckBoxes); ++i) {
            SetOptionDword(kCheckBoxes[i].value, static_cast<DWORD>(stored(i) * (1 + bit % 2)));
        }
        Open();
        std::vector<HWND> boxes;
        for (const CheckBinding& box : kCheckBoxes) {
            boxes.push_back(ChildWithText(FindPageWindow(box.page), box.text));
            ASSERT_NE(nullptr, boxes.back()) << box.value;
        }
        for (size_t i = 0; i < std::size(kCheckBoxes); ++i) {
            EXPECT_EQ(stored(i) != 0, SendMessageW(boxes[i], BM_GETCHECK, 0, 0) == BST_CHECKED)
                << kCheckBoxes[i].value << ", round " << bit;
        }
        // Toggle every box as a user can: a box becomes clickable once its master is ticked,
        // and a dependent box goes before its master is unticked.
        std::vector<bool> clicked(std::size(kCheckBoxes), false);
        for (int pass = 0; pass < 3; ++pass) {
            for (size_t i = std::size(kCheckBoxes); i-- > 0;) {
                if (!clicked[i] && IsWindowEnabled(boxes[i])) {
                    SendMessageW(boxes[i], BM_CLICK, 0, 0);
                    clicked[i] = true;
                }
            }
        }
        ExpectSavedOnce(PressUpdate());
        for (size_t i = 0; i < std::size(kCheckBoxes); ++i) {
            EXPECT_EQ(1 - stored(i), StoredNumber(kCheckBoxes[i].value))
                << kCheckBoxes[i].value << ", round " << bit;
        }
        Close();
    }
}

TEST_F(PageBindingTest, DropDownListsHoldTheirEntriesInOrderAndSaveTheChoice) {
    SetOptionDword(L"PreventDragType", 3); // outside the list
    SetOptionDword(L"ViewModeIndex", 7);
    Open();
    std::vector<std::wstring> drives;
    for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
        drives.push_back(std::wstring(L" ") + letter);
    }
    EXPECT_EQ(drives, Items(kListView1Page, IDC_LV1_DRIVE_LETTER));
    EXPECT_EQ((std::vector<std::wstring>{L"左クリック", L"右クリック", L"両方"}),
              Items(kGeneralPage, IDC_GEN_DRAG_TYPE));
    EXPECT_EQ((std::vector<std::wstring>{L"小アイコン", L"中アイコン", L"大アイコン", L"特大アイコン",
                                         L"一覧", L"詳細", L"並べて表示", L"コンテンツ"}),
              Items(kListView2Page, IDC_LV2_VIEW_MODE_INDEX));
    EXPECT_EQ(-1, Selection(kGeneralPage, IDC_GEN_DRAG_TYPE));
    EXPECT_EQ(7, Selection(kListView2Page, IDC_LV2_VIEW_MODE_INDEX));
    EXPECT_EQ(2, Selection(kListView1Page, IDC_LV1_DRIVE_LETTER));

    Click(kListView1Page, IDC_LV1_PC_DRIVE);
    Choose(kListView1Page, IDC_LV1_DRIVE_LETTER, 25);
    Click(kListView2Page, IDC_LV2_VIEW_MODE);
    Choose(kListView2Page, IDC_LV2_VIEW_MODE_INDEX, 4);
    ExpectSavedOnce(PressUpdate());
    EXPECT_EQ(-1, StoredNumber(L"PreventDragType"));
    EXPECT_EQ(25, StoredNumber(L"PCSelectDriveLetter"));
    EXPECT_EQ(4, StoredNumber(L"ViewModeIndex"));
}

TEST_F(PageBindingTest, ToolbarHeightIsASignedNumber) {
    SetOptionDword(L"HCBHeight", 12345);
    SetOptionDword(L"HideCommandBar", 1);
    Open();
    EXPECT_EQ(L"12345", WindowText(Control(kGeneralPage, IDC_GEN_HEIGHT)));
    Click(kTreeViewPage, IDC_TREE_HAS_LINES);
    ExpectSavedOnce(PressUpdate());
    EXPECT_EQ(12345, StoredNumber(L"HCBHeight"));

    Type(kGeneralPage, IDC_GEN_HEIGHT, L"-12");
    ExpectSavedOnce(PressUpdate());
    EXPECT_EQ(0xFFFFFFF4u, Stored(L"HCBHeight").AsDword());

    Type(kGeneralPage, IDC_GEN_HEIGHT, L"abc");
    ExpectSavedOnce(PressUpdate());
    EXPECT_EQ(0, StoredNumber(L"HCBHeight"));

    HWND edit = Control(kGeneralPage, IDC_GEN_HEIGHT);
    SetWindowTextW(edit, L"");
    for (wchar_t c : std::wstring(L"-1234")) {
        SendMessageW(edit, WM_CHAR, c, 1);
    }
    EXPECT_EQ(L"-123", WindowText(edit));
}

// The four command edits alike: what each shows, and 1023 characters typed kept whole and 1024
// cut, each edit with a letter of its own; an edit that did not scroll would refuse them.
TEST_F(PageBindingTest, CommandTextsAreShownAndSavedUpTo1023Characters) {
    SetOptionDword(L"ShiftRetCmd", 1);
    SetOptionText(L"ShiftRetCmdArgFile", L"/select,\"%1\"");
    Open();
    const struct {
        int edit;
        const wchar_t* value;
        const wchar_t* shown;
        size_t typed;
    } edits[] = {{IDC_LV1_FILE_PROG, L"ShiftRetCmdExeFile", L"%WINDIR%\\notepad.exe", 1023},
                 {IDC_LV1_FILE_ARG, L"ShiftRetCmdArgFile", L"/select,\"%1\"", 1024},
                 {IDC_LV1_FLDR_PROG, L"ShiftRetCmdExeFldr", L"%WINDIR%\\explorer.exe", 1024},
                 {IDC_LV1_FLDR_ARG, L"ShiftRetCmdArgFldr", L"%1", 1023}};
    auto letter = [](int edit) { return static_cast<wchar_t>(L'a' + edit % 26); };
    for (const auto& e : edits) {
        EXPECT_EQ(e.shown, WindowText(Control(kListView1Page, e.edit)));
        Type(kListView1Page, e.edit, std::wstring(e.typed, letter(e.edit)));
    }
    ExpectSavedOnce(PressUpdate());
    for (const auto& e : edits) {
        const RawValue saved = Stored(e.value);
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), saved.type);
        EXPECT_EQ(2048u, saved.bytes.size()) << e.value;
        EXPECT_TRUE(std::wstring(1023, letter(e.edit)) == saved.AsText()) << e.value;
    }
    Type(kListView1Page, IDC_LV1_FLDR_ARG, L"");
    ExpectSavedOnce(PressUpdate());
    EXPECT_EQ(2u, Stored(L"ShiftRetCmdArgFldr").bytes.size());
}

TEST_F(PageBindingTest, ExceptionListsAreOneEntryPerLine) {
    SetOptionDword(L"ViewMode", 1);
    SetOptionDword(L"Column", 1);
    // Two short entries and 138 of the longest kind: 36,538 characters, more than the 32,767
    // an edit holds unless told otherwise.
    std::vector<std::wstring> entries = {L"PC", L"C:\\Windows\\Fonts"};
    std::wstring shown = L"PC\r\nC:\\Windows\\Fonts";
    for (int i = 2; i < 140; ++i) {
        entries.push_back(std::to_wstring(i) + std::wstring(259 - std::to_wstring(i).size(), L'e'));
        shown += L"\r\n" + entries.back();
    }
    SetOptionDword(L"ViewModeEFNum", static_cast<DWORD>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
        SetOptionText((L"ViewModeEF_" + std::to_wstring(i)).c_str(), entries[i].c_str());
    }
    Open();
    EXPECT_TRUE(shown == WindowText(Control(kListView2Page, IDC_LV2_VIEW_MODE_EF)))
        << "no break after the last";

    Click(kTreeViewPage, IDC_TREE_HAS_LINES);
    ExpectSavedOnce(PressUpdate());
    ASSERT_EQ(entries.size(), Stored(L"ViewModeEFNum").AsDword());
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_TRUE(entries[i] == Stored((L"ViewModeEF_" + std::to_wstring(i)).c_str()).AsText()) << i;
    }
    // And the user can still add to so long a list.
    HWND edit = Control(kListView2Page, IDC_LV2_VIEW_MODE_EF);
    const LRESULT end = GetWindowTextLengthW(edit);
    SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(end), end);
    SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"\r\nD:\\Added"));
    EXPECT_EQ(end + 10, GetWindowTextLengthW(edit));
    ExpectSavedOnce(PressUpdate());
    EXPECT_EQ(L"D:\\Added", Stored(L"ViewModeEF_140").AsText());

    Type(kListView2Page, IDC_LV2_VIEW_MODE_EF, L"  D:\\My Photos \t\r\n\r\n \t \r\nホーム\r\nホーム\r\n");
    Type(kListView2Page, IDC_LV2_COLUMN_EF, L"");
    ExpectSavedOnce(PressUpdate());
    EXPECT_EQ(3u, Stored(L"ViewModeEFNum").AsDword());
    EXPECT_EQ(L"D:\\My Photos", Stored(L"ViewModeEF_0").AsText());
    EXPECT_EQ(L"ホーム", Stored(L"ViewModeEF_1").AsText());
    EXPECT_EQ(L"ホーム", Stored(L"ViewModeEF_2").AsText());
    EXPECT_EQ(0u, Stored(L"ColumnEFNum").AsDword());
}

TEST_F(PageBindingTest, TooLongExceptionLineIsShownSelectedAndNothingIsSaved) {
    struct Case {
        int edit;
        const wchar_t* message;
    };
    const Case cases[] = {
        {IDC_LV2_VIEW_MODE_EF, L"表示形式の例外フォルダの 2 行目が長すぎます（260 文字）"},
        {IDC_LV2_COLUMN_EF, L"カラムヘッダの例外フォルダの 2 行目が長すぎます（260 文字）"}};
    SetOptionDword(L"ViewMode", 1);
    SetOptionDword(L"Column", 1);
    Open();
    Click(kTreeViewPage, IDC_TREE_HAS_LINES);
    for (const Case& c : cases) {
        tabSheetMgr->SelectPage(tabSheetMgr->FindPage(kSetupPage));
        Type(kListView2Page, IDC_LV2_VIEW_MODE_EF, L"PC");
        Type(kListView2Page, IDC_LV2_COLUMN_EF, L"PC");
        Type(kListView2Page, c.edit, L"PC\r\n" + std::wstring(260, L'x') + L"\r\nごみ箱");
        const std::vector<SeenDialog> seen = PressUpdate();
        ASSERT_EQ(1u, seen.size());
        EXPECT_EQ(0u, seen[0].text.find(c.message)) << seen[0].text.c_str();
        EXPECT_TRUE(IsWindowVisible(FindPageWindow(kListView2Page)));
        EXPECT_EQ(kListView2Page, SendMessageW(GetDlgItem(window, IDC_TAB), TCM_GETCURSEL, 0, 0));
        DWORD start = 0;
        DWORD end = 0;
        SendMessageW(Control(kListView2Page, c.edit), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(4u, start); // the line after "PC\r\n", whole
        EXPECT_EQ(264u, end);
        EXPECT_EQ(Control(kListView2Page, c.edit), GetFocus()) << "the refusal left the focus elsewhere";
        EXPECT_TRUE(UpdateEnabled());
        EXPECT_FALSE(Stored(L"HasLines").present);
    }

    // 259 characters, with blanks around that are trimmed, fit.
    Type(kListView2Page, IDC_LV2_VIEW_MODE_EF, L"");
    Type(kListView2Page, IDC_LV2_COLUMN_EF, L"  " + std::wstring(259, L'y') + L"  ");
    ASSERT_EQ(1u, PressUpdate().size());
    EXPECT_FALSE(UpdateEnabled());
    EXPECT_EQ(std::wstring(259, L'y'), Stored(L"ColumnEF_0").AsText());
}

TEST_F(PageBindingTest, DependentControlsFollowTheirCheckBoxes) {
    struct Rule {
        int page;
        int master;
        std::vector<int> dependents;
    };
    const Rule rules[] = {
        {kGeneralPage,
         IDC_GEN_HIDE_CMDBAR,
         {IDC_GEN_SHOW_LABEL, IDC_GEN_ALT_KEY, IDC_GEN_WHEEL, IDC_GEN_HEIGHT_LABEL, IDC_GEN_HEIGHT,
          IDC_GEN_PIXEL_LABEL}},
        {kGeneralPage, IDC_GEN_PREVENT_DRAG, {IDC_GEN_DRAG_HINT, IDC_GEN_DRAG_TYPE_LABEL, IDC_GEN_DRAG_TYPE}},
        {kGeneralPage, IDC_GEN_TASKBAR_SIMPLE, {IDC_GEN_TASKBAR_SUFFIX}},
        {kListView1Page, IDC_LV1_PC_DRIVE, {IDC_LV1_DRIVE_LABEL, IDC_LV1_DRIVE_LETTER}},
        {kListView1Page,
         IDC_LV1_SHIFT_RET,
         {IDC_LV1_FILE_LABEL, IDC_LV1_FILE_PROG_LABEL, IDC_LV1_FILE_PROG, IDC_LV1_FILE_BROWSE,
          IDC_LV1_FILE_ARG_LABEL, IDC_LV1_FILE_ARG, IDC_LV1_FOLDER_LABEL, IDC_LV1_FLDR_PROG_LABEL,
          IDC_LV1_FLDR_PROG, IDC_LV1_FLDR_BROWSE, IDC_LV1_FLDR_ARG_LABEL, IDC_LV1_FLDR_ARG}},
        {kListView2Page,
         IDC_LV2_VIEW_MODE,
         {IDC_LV2_VIEW_MODE_LABEL, IDC_LV2_VIEW_MODE_INDEX, IDC_LV2_VIEW_MODE_EF_LABEL,
          IDC_LV2_VIEW_MODE_EF}},
        {kListView2Page,
         IDC_LV2_COLUMN,
         {IDC_LV2_COLUMN_LABEL, IDC_LV2_COLUMN_LIST, IDC_LV2_COLUMN_EF_LABEL, IDC_LV2_EDIT,
          IDC_LV2_COLUMN_EF}},
    };
    Open();
    HWND list = Control(kListView2Page, IDC_LV2_COLUMN_LIST);
    EXPECT_FALSE(Enabled(kListView2Page, IDC_LV2_UP));
    EXPECT_FALSE(Enabled(kListView2Page, IDC_LV2_DOWN));
    tabSheetMgr->SelectPage(kListView2Page);
    PumpFor(20);
    EXPECT_FALSE(Enabled(kListView2Page, IDC_LV2_UP));
    EXPECT_FALSE(Enabled(kListView2Page, IDC_LV2_DOWN));
    for (const Rule& rule : rules) {
        ASSERT_FALSE(Checked(rule.page, rule.master));
        for (int id : rule.dependents) {
            EXPECT_FALSE(Enabled(rule.page, id)) << rule.master << " -> " << id;
        }
        Click(rule.page, rule.master);
        for (int id : rule.dependents) {
            EXPECT_TRUE(Enabled(rule.page, id)) << rule.master << " -> " << id;
        }
    }
    EXPECT_NE(0, GetWindowLongPtrW(list, GWL_STYLE) & LVS_SHOWSELALWAYS);
    Click(kListView2Page, IDC_LV2_COLUMN);
    EXPECT_EQ(0, GetWindowLongPtrW(list, GWL_STYLE) & LVS_SHOWSELALWAYS);
    EXPECT_FALSE(Enabled(kListView2Page, IDC_LV2_UP));
    EXPECT_FALSE(Enabled(kListView2Page, IDC_LV2_DOWN));
    Click(kListView1Page, IDC_LV1_SHIFT_RET);
    EXPECT_FALSE(Enabled(kListView1Page, IDC_LV1_FLDR_BROWSE));
}

TEST_F(PageBindingTest, Windows11OptionsAreDisabledOnWindows10) {
    SetOptionDword(L"HideCommandBar", 1);
    SetOptionDword(L"TaskbarSimpleName", 1);
    version.SetBuild(L"19045");
    Open();
    const int disabled[] = {IDC_GEN_HIDE_CMDBAR,  IDC_GEN_TASKBAR_SIMPLE, IDC_GEN_TASKBAR_SUFFIX,
                            IDC_GEN_SHOW_LABEL,   IDC_GEN_ALT_KEY,        IDC_GEN_WHEEL,
                            IDC_GEN_HEIGHT_LABEL, IDC_GEN_HEIGHT,         IDC_GEN_PIXEL_LABEL};
    for (int id : disabled) {
        EXPECT_FALSE(Enabled(kGeneralPage, id)) << id;
    }
    EXPECT_FALSE(Checked(kGeneralPage, IDC_GEN_HIDE_CMDBAR));
}

TEST_F(PageBindingTest, ProgramPickerAsksForAnExecutableAndOnlyAChoiceIsAChange) {
    using namespace std::string_literals;
    SetOptionDword(L"ShiftRetCmd", 1);
    SystemCallRecorder calls;
    // The file and the folder command: each picker, the first and the second "選択..." on the
    // page, asks alike and fills its own edit, no other.
    const struct {
        int browse, edit, other;
    } twins[] = {{0, IDC_LV1_FILE_PROG, IDC_LV1_FLDR_PROG}, {1, IDC_LV1_FLDR_PROG, IDC_LV1_FILE_PROG}};
    for (const auto& twin : twins) {
        Close();
        Open();
        const std::wstring own = WindowText(Control(kListView1Page, twin.edit));
        const std::wstring other = WindowText(Control(kListView1Page, twin.other));
        calls.fileDialogs.clear();
        calls.chosenFile.clear();
        PressButton(FindPageWindow(kListView1Page), L"選択...", twin.browse); // cancelled
        ASSERT_EQ(1u, calls.fileDialogs.size()) << twin.browse;
        const SystemCallRecorder::FileDialogCall& dialog = calls.fileDialogs[0];
        EXPECT_EQ(window, dialog.owner);
        EXPECT_EQ(L"実行ファイル(*.exe)\0*.exe\0全てのファイル(*.*)\0*.*\0"s, dialog.filter);
        EXPECT_EQ(1u, dialog.filterIndex);
        EXPECT_EQ(1024u, dialog.maxFile);
        EXPECT_EQ(L"", dialog.initialFile); // never the edit's text
        EXPECT_EQ(L"C:\\", dialog.initialDir);
        EXPECT_EQ(L"実行ファイルを選択", dialog.title);
        EXPECT_EQ(L"exe", dialog.defaultExtension);
        // The current folder stays where it was, as after the backup's dialogs.
        EXPECT_EQ(
            static_cast<DWORD>(OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR),
            dialog.flags);
        EXPECT_FALSE(UpdateEnabled());
        EXPECT_EQ(own, WindowText(Control(kListView1Page, twin.edit)));

        calls.chosenFile = L"C:\\Tools\\viewer.exe";
        PressButton(FindPageWindow(kListView1Page), L"選択...", twin.browse);
        EXPECT_TRUE(UpdateEnabled()) << twin.browse;
        EXPECT_EQ(calls.chosenFile, WindowText(Control(kListView1Page, twin.edit)));
        EXPECT_EQ(other, WindowText(Control(kListView1Page, twin.other)));
    }
}

TEST_F(PageBindingTest, DragHintKeepsItsLookWhenItsCheckBoxIsToggled) {
    Open();
    HWND hint = OnScreen(kGeneralPage, IDC_GEN_DRAG_HINT);
    const Pixels before = CountPixels(hint, RGB(24, 24, 160));
    ASSERT_GT(before.upperHalf, 50);
    ASSERT_GT(before.lowerHalf, 50); // both lines
    for (const char* step : {"ticked", "unticked"}) {
        Click(kGeneralPage, IDC_GEN_PREVENT_DRAG);
        PumpFor(50);
        const Pixels after = CountPixels(hint, RGB(24, 24, 160));
        EXPECT_GT(after.upperHalf, before.upperHalf / 2) << step;
        EXPECT_GT(after.lowerHalf, before.lowerHalf / 2) << step;
        EXPECT_EQ(0, CountPixels(hint, RGB(0, 0, 0)).upperHalf) << step;
    }
}

TEST_F(PageBindingTest, LabelsHaveTheirOwnFontsAndColours) {
    Open();
    struct Look {
        CFontLabelWnd* label;
        int page;
        int id;
        int points;
        LONG weight;
        COLORREF text;
    };
    const Look looks[] = {
        {generalHintLabel, kGeneralPage, IDC_GEN_DRAG_HINT, 10, FW_NORMAL, RGB(24, 24, 160)},
        {titleLabel, kVersionPage, IDC_VER_TITLE, 22, FW_BOLD, RGB(0, 0, 0)},
        {versionLabel, kVersionPage, IDC_VER_VERSION, 13, FW_NORMAL, RGB(96, 96, 96)},
        {mailLabel, kVersionPage, IDC_VER_MAIL, 10, FW_NORMAL, RGB(0, 0, 223)},
        {webLabel, kVersionPage, IDC_VER_WEB, 10, FW_NORMAL, RGB(0, 0, 223)},
    };
    for (const Look& look : looks) {
        ASSERT_NE(nullptr, look.label) << look.id;
        HWND control = Control(look.page, look.id);
        EXPECT_EQ(control, look.label->GetHwnd()) << look.id;
        HDC dc = GetDC(control);
        EXPECT_EQ(-MulDiv(look.points, GetDeviceCaps(dc, LOGPIXELSY), 72), look.label->m_logFont.lfHeight)
            << look.id;
        ReleaseDC(control, dc);
        EXPECT_EQ(look.weight, look.label->m_logFont.lfWeight) << look.id;
        EXPECT_STREQ(L"Yu Gothic UI", look.label->m_logFont.lfFaceName) << look.id;
        EXPECT_EQ(look.text, look.label->m_crText) << look.id;
        EXPECT_EQ(RGB(246, 246, 246), look.label->m_crBack) << look.id;
    }
    EXPECT_EQ(L"for Windows 10/11\nVersion 1.2", WindowText(Control(kVersionPage, IDC_VER_VERSION)));
    EXPECT_NE(nullptr, StrChrW(WindowText(Control(kVersionPage, IDC_VER_MAIL)).c_str(), L'@'));
    Close();
    EXPECT_EQ(nullptr, generalHintLabel);
    EXPECT_EQ(nullptr, titleLabel);
    EXPECT_EQ(nullptr, versionLabel);
    EXPECT_EQ(nullptr, mailLabel);
    EXPECT_EQ(nullptr, webLabel);
    EXPECT_EQ(nullptr, columnList);
    EXPECT_EQ(nullptr, viewModeExceptionEdit);
    EXPECT_EQ(nullptr, columnExceptionEdit);
}

TEST_F(PageBindingTest, LinkIsUnderlinedInItsHoverColourWhileTheMouseIsOverIt) {
    Open();
    HWND link = OnScreen(kVersionPage, IDC_VER_WEB);
    const Pixels normal = CountPixels(link, RGB(0, 0, 223));
    ASSERT_GT(normal.Total(), 30);

    // The real pointer: over the link, then off it, where only the system's leave message can
    // tell the label that the mouse has gone.
    RECT rect;
    GetWindowRect(link, &rect);
    MoveMouseTo(rect.left + 3, rect.top + 3);
    const Pixels hovered = CountPixels(link, RGB(223, 0, 223));
    EXPECT_GT(hovered.Total(), normal.Total());
    EXPECT_GT(hovered.longestRun, normal.longestRun + 20); // the underline
    EXPECT_EQ(0, CountPixels(link, RGB(0, 0, 223)).longestRun);

    MoveMouseTo(rect.left + 3, rect.bottom + 40);
    PumpUntil([&] { return CountPixels(link, RGB(223, 0, 223)).longestRun == 0; }, 2000);
    EXPECT_EQ(0, CountPixels(link, RGB(223, 0, 223)).longestRun);
    EXPECT_EQ(normal.longestRun, CountPixels(link, RGB(0, 0, 223)).longestRun);
}

// The template's own controls under the user's mouse and keyboard: a check box that must be an
// automatic one, a push button that must be a push button, edits with their limits and styles.
TEST_F(PageBindingTest, TemplateControlsAnswerTheMouseAndKeyboard) {
    SetOptionDword(L"ViewMode", 1);
    SystemCallRecorder calls;
    Open();
    SetForegroundWindow(window);
    PumpUntil([&] { return GetForegroundWindow() == window; });

    ClickAt(OnScreen(kGeneralPage, IDC_GEN_PREVENT_DRAG));
    EXPECT_TRUE(Checked(kGeneralPage, IDC_GEN_PREVENT_DRAG));
    EXPECT_TRUE(Enabled(kGeneralPage, IDC_GEN_DRAG_TYPE));
    EXPECT_TRUE(UpdateEnabled());

    // Enter at the end of an exception list starts a new line; it presses no button.
    ClickAt(OnScreen(kListView2Page, IDC_LV2_VIEW_MODE_EF));
    for (WORD key : {VK_CONTROL, VK_END}) {
        PressKey(key, true);
    }
    PressKey(VK_END, false);
    PressKey(VK_CONTROL, false);
    TypeText(L"\nD:\\Typed");
    const std::wstring list = WindowText(Control(kListView2Page, IDC_LV2_VIEW_MODE_EF));
    EXPECT_EQ(L"\\Fonts\r\nD:\\Typed", list.substr(list.size() - 16));

    SendMessageW(Control(kListView1Page, IDC_LV1_SHIFT_RET), BM_CLICK, 0, 0);
    ClickAt(OnScreen(kListView1Page, IDC_LV1_FILE_BROWSE));
    EXPECT_EQ(1u, calls.fileDialogs.size());
}

// Records WM_ENABLE as the controls receive it.
std::vector<std::pair<HWND, bool>>* enableLog = nullptr;
LRESULT CALLBACK RecordEnable(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && message->message == WM_ENABLE && enableLog != nullptr) {
        enableLog->emplace_back(message->hwnd, message->wParam != 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(PageBindingTest, LoadingNeverCountsAsAChange) {
    // Counted while the pages are filled, the edits' change notifications would run the enable
    // rules against half-filled pages: the program edits would be disabled for a moment, before
    // their own check box is loaded.
    SetOptionDword(L"ShiftRetCmd", 1);
    std::vector<std::pair<HWND, bool>> log;
    enableLog = &log;
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, RecordEnable, nullptr, GetCurrentThreadId());
    Open();
    UnhookWindowsHookEx(hook);
    enableLog = nullptr;
    EXPECT_FALSE(UpdateEnabled());
    HWND program = Control(kListView1Page, IDC_LV1_FILE_PROG);
    for (const auto& entry : log) {
        EXPECT_FALSE(entry.first == program && !entry.second) << "the program edit was disabled";
    }
    EXPECT_TRUE(Enabled(kListView1Page, IDC_LV1_FILE_PROG));
}

} // namespace
