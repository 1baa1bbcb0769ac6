#include "OptionsWindowFixture.h"

#include <commdlg.h>
#include <shlwapi.h>

#include "pages/PageBinding.h"
#include "settings/OptionsStore.h"

namespace {

struct CheckBinding {
    int page;
    int id;
    const wchar_t* value;
};

const CheckBinding kCheckBoxes[] = {
    {kGeneralPage, IDC_GEN_HIDE_CMDBAR, L"HideCommandBar"},
    {kGeneralPage, IDC_GEN_ALT_KEY, L"ShowCMDBarALTKey"},
    {kGeneralPage, IDC_GEN_WHEEL, L"ShowCMDBarWheel"},
    {kGeneralPage, IDC_GEN_PREVENT_DRAG, L"PreventDrag"},
    {kGeneralPage, IDC_GEN_CTRL_RET, L"CtrlRetCmd"},
    {kGeneralPage, IDC_GEN_CTRL_RET_ADMIN, L"CtrlRetCmdAdmin"},
    {kGeneralPage, IDC_GEN_TASKBAR_SIMPLE, L"TaskbarSimpleName"},
    {kGeneralPage, IDC_GEN_TASKBAR_SUFFIX, L"TaskbarRemoveSuffix"},
    {kTreeViewPage, IDC_TREE_NO_LINES_AT_ROOT, L"NoLinesAtRoot"},
    {kTreeViewPage, IDC_TREE_NO_FADE, L"NoFadeInOutArrow"},
    {kTreeViewPage, IDC_TREE_HAS_LINES, L"HasLines"},
    {kListView1Page, IDC_LV1_SELECT_FIRST, L"SelectFirstItem"},
    {kListView1Page, IDC_LV1_PC_DRIVE, L"PCSelectDrive"},
    {kListView1Page, IDC_LV1_SHIFT_RET, L"ShiftRetCmd"},
    {kListView2Page, IDC_LV2_VIEW_MODE, L"ViewMode"},
    {kListView2Page, IDC_LV2_COLUMN, L"Column"},
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
    static void ExpectSavedOnce(const std::vector<SeenDialog>& seen) {
        ASSERT_EQ(1u, seen.size());
        EXPECT_EQ(0u, seen[0].text.find(L"オプション設定を保存しました。"));
    }
};

TEST_F(PageBindingTest, EveryCheckBoxShowsAndSavesItsOption) {
    for (const CheckBinding& box : kCheckBoxes) {
        SetOptionDword(box.value, 1);
    }
    Open();
    for (const CheckBinding& box : kCheckBoxes) {
        EXPECT_TRUE(Checked(box.page, box.id)) << box.value;
    }
    for (const CheckBinding& box : kCheckBoxes) {
        Click(box.page, box.id);
    }
    EXPECT_TRUE(UpdateEnabled());
    ExpectSavedOnce(PressUpdate());
    for (const CheckBinding& box : kCheckBoxes) {
        EXPECT_EQ(0, StoredNumber(box.value)) << box.value;
    }
    for (const CheckBinding& box : kCheckBoxes) {
        Click(box.page, box.id);
    }
    ExpectSavedOnce(PressUpdate());
    for (const CheckBinding& box : kCheckBoxes) {
        EXPECT_EQ(1, StoredNumber(box.value)) << box.value;
    }
}

TEST_F(PageBindingTest, DropDownListsShowStoredIndicesAndSaveTheChoice) {
    SetOptionDword(L"PreventDragType", 3); // outside the list
    SetOptionDword(L"ViewModeIndex", 7);
    Open();
    EXPECT_EQ(-1, Selection(kGeneralPage, IDC_GEN_DRAG_TYPE));
    EXPECT_EQ(7, Selection(kListView2Page, IDC_LV2_VIEW_MODE_INDEX));
    EXPECT_EQ(2, Selection(kListView1Page, IDC_LV1_DRIVE_LETTER));

    HWND drives = Control(kListView1Page, IDC_LV1_DRIVE_LETTER);
    ASSERT_EQ(26, SendMessageW(drives, CB_GETCOUNT, 0, 0));
    wchar_t text[8] = {};
    SendMessageW(drives, CB_GETLBTEXT, 25, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(L" Z", text);
    EXPECT_EQ(8, SendMessageW(Control(kListView2Page, IDC_LV2_VIEW_MODE_INDEX), CB_GETCOUNT, 0, 0));

    Click(kListView1Page, IDC_LV1_PC_DRIVE);
    Choose(kListView1Page, IDC_LV1_DRIVE_LETTER, 25);
    Choose(kListView2Page, IDC_LV2_VIEW_MODE_INDEX, 0);
    ExpectSavedOnce(PressUpdate());
    EXPECT_EQ(-1, StoredNumber(L"PreventDragType"));
    EXPECT_EQ(25, StoredNumber(L"PCSelectDriveLetter"));
    EXPECT_EQ(0, StoredNumber(L"ViewModeIndex"));
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

TEST_F(PageBindingTest, CommandTextsAreShownAndSavedUpTo1023Characters) {
    SetOptionText(L"ShiftRetCmdArgFile", L"/select,\"%1\"");
    Open();
    EXPECT_EQ(L"%WINDIR%\\notepad.exe", WindowText(Control(kListView1Page, IDC_LV1_FILE_PROG)));
    EXPECT_EQ(L"/select,\"%1\"", WindowText(Control(kListView1Page, IDC_LV1_FILE_ARG)));
    EXPECT_EQ(L"%WINDIR%\\explorer.exe", WindowText(Control(kListView1Page, IDC_LV1_FLDR_PROG)));
    EXPECT_EQ(L"%1", WindowText(Control(kListView1Page, IDC_LV1_FLDR_ARG)));

    const std::wstring longPath = L"C:\\" + std::wstring(1027, L'p');
    Type(kListView1Page, IDC_LV1_FLDR_PROG, longPath);
    Type(kListView1Page, IDC_LV1_FLDR_ARG, L"");
    ExpectSavedOnce(PressUpdate());
    const RawValue saved = Stored(L"ShiftRetCmdExeFldr");
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), saved.type);
    EXPECT_EQ(2048u, saved.bytes.size());
    EXPECT_EQ(longPath.substr(0, 1023), saved.AsText());
    EXPECT_EQ(2u, Stored(L"ShiftRetCmdArgFldr").bytes.size());
    EXPECT_EQ(L"/select,\"%1\"", Stored(L"ShiftRetCmdArgFile").AsText());
}

TEST_F(PageBindingTest, ExceptionListsAreOneEntryPerLine) {
    SetOptionDword(L"ViewModeEFNum", 2);
    SetOptionText(L"ViewModeEF_0", L"PC");
    SetOptionText(L"ViewModeEF_1", L"C:\\Windows\\Fonts");
    Open();
    EXPECT_EQ(L"PC\r\nC:\\Windows\\Fonts", WindowText(Control(kListView2Page, IDC_LV2_VIEW_MODE_EF)));

    Click(kTreeViewPage, IDC_TREE_HAS_LINES);
    ExpectSavedOnce(PressUpdate());
    EXPECT_EQ(2u, Stored(L"ViewModeEFNum").AsDword());
    EXPECT_EQ(L"C:\\Windows\\Fonts", Stored(L"ViewModeEF_1").AsText());

    Type(kListView2Page, IDC_LV2_VIEW_MODE_EF, L"  D:\\My Photos \t\r\n\r\n \t \r\nホーム\r\nホーム\r\n");
    Type(kListView2Page, IDC_LV2_COLUMN_EF, L"");
    ExpectSavedOnce(PressUpdate());
    EXPECT_EQ(3u, Stored(L"ViewModeEFNum").AsDword());
    EXPECT_EQ(L"D:\\My Photos", Stored(L"ViewModeEF_0").AsText());
    EXPECT_EQ(L"ホーム", Stored(L"ViewModeEF_1").AsText());
    EXPECT_EQ(L"ホーム", Stored(L"ViewModeEF_2").AsText());
    EXPECT_EQ(0u, Stored(L"ColumnEFNum").AsDword());
}

TEST_F(PageBindingTest, TooLongExceptionLineIsRefusedAndNothingIsSaved) {
    Open();
    Click(kTreeViewPage, IDC_TREE_HAS_LINES);
    Type(kListView2Page, IDC_LV2_COLUMN_EF, L"PC\r\n" + std::wstring(260, L'x') + L"\r\nごみ箱");
    const std::vector<SeenDialog> seen = PressUpdate();
    ASSERT_EQ(1u, seen.size());
    EXPECT_NE(std::wstring::npos, seen[0].text.find(L"カラムヘッダの例外フォルダの 2 行目"));
    EXPECT_EQ(BoxIcon::kError, seen[0].icon);
    EXPECT_TRUE(UpdateEnabled());
    EXPECT_FALSE(Stored(L"HasLines").present);
    EXPECT_EQ(13u, Stored(L"ColumnEFNum").AsDword());

    // 259 characters, with blanks around that are trimmed, fit.
    Type(kListView2Page, IDC_LV2_COLUMN_EF, L"  " + std::wstring(259, L'y') + L"  ");
    ASSERT_EQ(1u, PressUpdate().size());
    EXPECT_FALSE(UpdateEnabled());
    EXPECT_EQ(std::wstring(259, L'y'), Stored(L"ColumnEF_0").AsText());
}

TEST_F(PageBindingTest, FailedSaveIsReportedAndKeepsTheChanges) {
    Open();
    Click(kTreeViewPage, IDC_TREE_HAS_LINES);
    HKEY scratch = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\TravineVolatileRoot", 0, nullptr,
                              REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &scratch, nullptr));
    HKEY software = nullptr;
    RegCreateKeyExW(scratch, L"Software", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &software,
                    nullptr);
    RegCloseKey(software);
    RegOverridePredefKey(HKEY_CURRENT_USER, scratch);
    const std::vector<SeenDialog> seen = PressUpdate();
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(scratch);
    SHDeleteKeyW(HKEY_CURRENT_USER, L"Software\\TravineVolatileRoot");

    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(L"オプション設定の保存に失敗しました", seen[0].text);
    EXPECT_EQ(BoxIcon::kError, seen[0].icon);
    EXPECT_TRUE(UpdateEnabled());
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
    Close();

    version.SetBuild(L"22631");
    Open();
    EXPECT_TRUE(Enabled(kGeneralPage, IDC_GEN_HIDE_CMDBAR));
    EXPECT_TRUE(Enabled(kGeneralPage, IDC_GEN_TASKBAR_SIMPLE));
    EXPECT_TRUE(Enabled(kGeneralPage, IDC_GEN_ALT_KEY));
    EXPECT_TRUE(Enabled(kGeneralPage, IDC_GEN_TASKBAR_SUFFIX));
}

TEST_F(PageBindingTest, ChoosingAProgramIsAChangeAndCancellingIsNot) {
    SetOptionDword(L"ShiftRetCmd", 1);
    Open();
    const std::wstring chosen = L"C:\\windows\\notepad.exe";
    {
        DialogResponder responder([](const SeenDialog& dialog) { PressButton(dialog.hwnd, IDCANCEL); });
        Command(kListView1Page, IDC_LV1_FILE_BROWSE);
        ASSERT_EQ(1u, responder.seen.size());
        EXPECT_EQ(L"実行ファイルを選択", responder.seen[0].caption);
    }
    EXPECT_FALSE(UpdateEnabled());
    EXPECT_EQ(L"%WINDIR%\\notepad.exe", WindowText(Control(kListView1Page, IDC_LV1_FILE_PROG)));

    DialogResponder responder([&chosen](const SeenDialog& dialog) {
        SendMessageW(dialog.hwnd, CDM_SETCONTROLTEXT, 0x47c, reinterpret_cast<LPARAM>(chosen.c_str()));
        PressButton(dialog.hwnd, IDOK);
    });
    Command(kListView1Page, IDC_LV1_FLDR_BROWSE);
    ASSERT_EQ(1u, responder.seen.size());
    EXPECT_TRUE(UpdateEnabled());
    EXPECT_EQ(0, lstrcmpiW(chosen.c_str(), WindowText(Control(kListView1Page, IDC_LV1_FLDR_PROG)).c_str()));
}

// Counts the drag hint's pixels as they are on screen.
struct HintPixels {
    int firstLine = 0; // in the hint colour
    int secondLine = 0;
    int black = 0;
};
HintPixels ReadHintPixels(HWND hint) {
    HintPixels pixels;
    RECT client;
    GetClientRect(hint, &client);
    HDC dc = GetDC(hint);
    for (int y = 0; y < client.bottom; ++y) {
        for (int x = 0; x < client.right; ++x) {
            const COLORREF color = GetPixel(dc, x, y);
            if (color == RGB(24, 24, 160)) {
                ++(y < client.bottom / 2 ? pixels.firstLine : pixels.secondLine);
            } else if (color == RGB(0, 0, 0)) {
                ++pixels.black;
            }
        }
    }
    ReleaseDC(hint, dc);
    return pixels;
}

TEST_F(PageBindingTest, DragHintKeepsItsLookWhenItsCheckBoxIsToggled) {
    Open();
    tabSheetMgr->SelectPage(tabSheetMgr->FindPage(kGeneralPage));
    HWND hint = Control(kGeneralPage, IDC_GEN_DRAG_HINT);
    PumpFor(50);
    const HintPixels before = ReadHintPixels(hint);
    ASSERT_GT(before.firstLine, 50);
    ASSERT_GT(before.secondLine, 50);
    for (const char* step : {"ticked", "unticked"}) {
        Click(kGeneralPage, IDC_GEN_PREVENT_DRAG);
        PumpFor(50);
        const HintPixels after = ReadHintPixels(hint);
        EXPECT_GT(after.firstLine, before.firstLine / 2) << step;
        EXPECT_GT(after.secondLine, before.secondLine / 2) << step;
        EXPECT_EQ(0, after.black) << step;
    }
}

TEST_F(PageBindingTest, LoadingNeverCountsAsAChangeAndLabelsAreInPlace) {
    Open();
    EXPECT_FALSE(UpdateEnabled());
    EXPECT_EQ(L"for Windows 10/11\nVersion 1.2", WindowText(Control(kVersionPage, IDC_VER_VERSION)));
    ASSERT_NE(nullptr, generalHintLabel);
    EXPECT_EQ(RGB(24, 24, 160), generalHintLabel->m_crText);
    EXPECT_EQ(RGB(246, 246, 246), generalHintLabel->m_crBack);
    ASSERT_NE(nullptr, versionLabel);
    EXPECT_EQ(RGB(96, 96, 96), versionLabel->m_crText);
    ASSERT_NE(nullptr, mailLabel);
    EXPECT_NE(nullptr, StrChrW(WindowText(Control(kVersionPage, IDC_VER_MAIL)).c_str(), L'@'));
    EXPECT_EQ(Control(kVersionPage, IDC_VER_WEB), webLabel->GetHwnd());
    EXPECT_EQ(Control(kListView2Page, IDC_LV2_COLUMN_LIST), columnList->GetHwnd());
    Close();
    EXPECT_EQ(nullptr, generalHintLabel);
    EXPECT_EQ(nullptr, columnList);
    EXPECT_EQ(nullptr, webLabel);
    EXPECT_EQ(nullptr, viewModeExceptionEdit);
}

} // namespace
