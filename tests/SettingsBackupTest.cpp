// The Backup button as users use it: its menu from the keyboard and the mouse, saving the window
// to a file, loading a file into it and going back to the defaults, all as unsaved changes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "OptionsWindowFixture.h"
#include "app/SettingsBackup.h"
#include "pages/PageBinding.h"
#include "settings/RegFileParser.h"

namespace {

// Finds the popup menu of this thread from inside its modal loop, notes its items and where it
// opened, then presses the keys given.
struct MenuVisit {
    std::vector<WORD> keys;
    bool seen = false;
    RECT rect = {};
    std::vector<std::wstring> items;
};
MenuVisit* currentVisit = nullptr;

// A shown popup menu of this thread; Wine may keep a hidden one from an earlier menu.
HWND ShownMenu() {
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM lParam) {
            wchar_t className[16] = {};
            GetClassNameW(hwnd, className, 16);
            if (wcscmp(className, L"#32768") == 0 && IsWindowVisible(hwnd)) {
                *reinterpret_cast<HWND*>(lParam) = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

void CALLBACK VisitMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND menu = ShownMenu();
    if (currentVisit == nullptr || menu == nullptr) {
        return;
    }
    KillTimer(nullptr, timer);
    currentVisit->seen = true;
    GetWindowRect(menu, &currentVisit->rect);
    HMENU items = reinterpret_cast<HMENU>(SendMessageW(menu, MN_GETHMENU, 0, 0));
    for (int i = 0; i < GetMenuItemCount(items); ++i) {
        wchar_t text[128] = {};
        GetMenuStringW(items, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
        currentVisit->items.push_back(text);
    }
    for (WORD key : currentVisit->keys) {
        PressKey(key, true);
        PressKey(key, false);
    }
}

// The system's own text for an error, as a box must give it.
std::wstring SystemReason(DWORD code) {
    wchar_t reason[256] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, reason, 256,
                   nullptr);
    std::wstring text = reason;
    return text.erase(text.find_last_not_of(L"\r\n ") + 1);
}

class SettingsBackupTest : public OptionsWindowFixture {
protected:
    void SetUp() override {
        OptionsWindowFixture::SetUp();
        // A folder of this run's own: Wine reuses process ids, so the name comes from the clock,
        // and a folder that exists already is never taken.
        LARGE_INTEGER now = {};
        QueryPerformanceCounter(&now);
        folder = ProgramFolder() + L"backup-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                 std::to_wstring(now.QuadPart) + L"\\";
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr)) << "scratch folder exists already";
    }
    void TearDown() override {
        for (const std::wstring& name :
             {std::wstring(L"a.reg"), std::wstring(L"b.reg"), std::wstring(L"bad.reg"), LongName()}) {
            DeleteFileW((folder + name).c_str());
        }
        EXPECT_TRUE(RemoveDirectoryW(folder.c_str())) << "a temporary file was left behind";
        OptionsWindowFixture::TearDown();
    }

    // Chooses the item with this mnemonic in the menu that Alt+B opens, with the file it is
    // given and the answer for the boxes that follow; returns the boxes.
    std::vector<SeenDialog> Run(WORD item, const std::wstring& file, int answer = IDOK) {
        calls.chosenFile = file;
        DialogResponder responder = DialogResponder::Answering(answer);
        EXPECT_TRUE(UseMenu({VK_MENU, 'B'}, false, {item}).seen) << "the menu did not open";
        return responder.seen;
    }
    // Opens the menu as a user does and lets the visit press its keys there.
    MenuVisit UseMenu(const std::vector<WORD>& openKeys, bool click, std::vector<WORD> menuKeys) {
        MenuVisit visit;
        visit.keys = std::move(menuKeys);
        currentVisit = &visit;
        SetForegroundWindow(window);
        PumpUntil([&] { return GetForegroundWindow() == window; });
        SetTimer(nullptr, 0, 50, VisitMenu);
        if (click) {
            ClickAt(ChildWithText(window, L"バックアップ(&B)..."));
        }
        for (WORD key : openKeys) {
            PressKey(key, true);
        }
        for (auto key = openKeys.rbegin(); key != openKeys.rend(); ++key) {
            PressKey(*key, false);
        }
        PumpUntil([&] { return visit.seen && ShownMenu() == nullptr; }, 5000);
        PumpFor(100);
        currentVisit = nullptr;
        return visit;
    }
    // A change on every page, as the user makes it.
    void EditEveryPage() {
        Click(kGeneralPage, IDC_GEN_HIDE_CMDBAR);
        Type(kGeneralPage, IDC_GEN_HEIGHT, L"-7");
        Click(kGeneralPage, IDC_GEN_PREVENT_DRAG);
        Choose(kGeneralPage, IDC_GEN_DRAG_TYPE, 0);
        Click(kTreeViewPage, IDC_TREE_HAS_LINES);
        Click(kListView1Page, IDC_LV1_SHIFT_RET);
        Type(kListView1Page, IDC_LV1_FILE_PROG, L"C:\\Tools\\\"ed\".exe");
        Choose(kListView1Page, IDC_LV1_DRIVE_LETTER, 3);
        Click(kListView2Page, IDC_LV2_VIEW_MODE);
        Type(kListView2Page, IDC_LV2_VIEW_MODE_EF, L"D:\\写真\r\nPC");
        Click(kListView2Page, IDC_LV2_COLUMN);
        SelectRow(Control(kListView2Page, IDC_LV2_COLUMN_LIST), 2);
        PressButton(FindPageWindow(kListView2Page), L"▲");
        CheckRow(Control(kListView2Page, IDC_LV2_COLUMN_LIST), 5, true);
    }

    // A name that makes the target's path exactly 259 characters, the most Windows takes.
    std::wstring LongName() const { return std::wstring(259 - folder.size() - 4, L'n') + L".reg"; }

    SystemCallRecorder calls;
    std::wstring folder;
};

TEST_F(SettingsBackupTest, MenuOpensUnderTheButtonFromKeysAndMouseAndEscapeDoesNothing) {
    Open();
    const MenuVisit byKeys = UseMenu({VK_MENU, 'B'}, false, {VK_ESCAPE});
    ASSERT_TRUE(byKeys.seen) << "Alt+B did not open the menu";
    const std::vector<std::wstring> items = {
        L"設定をファイルに保存(&S)...", L"ファイルから設定を読み込む(&L)...", L"", L"既定の設定に戻す(&D)"};
    EXPECT_EQ(items, byKeys.items);
    RECT button;
    GetWindowRect(ChildWithText(window, L"バックアップ(&B)..."), &button);
    EXPECT_EQ(button.left, byKeys.rect.left);
    EXPECT_TRUE(byKeys.rect.top >= button.bottom || byKeys.rect.bottom <= button.top) << "over the button";
    EXPECT_TRUE(calls.fileDialogs.empty());
    EXPECT_FALSE(UpdateEnabled());

    // A click, then the last item chosen with the arrow keys: the question, answered No.
    DialogResponder responder = DialogResponder::Answering(IDNO);
    const MenuVisit byMouse = UseMenu({}, true, {VK_UP, VK_RETURN});
    ASSERT_TRUE(byMouse.seen) << "a click did not open the menu";
    ASSERT_EQ(1u, responder.seen.size());
    EXPECT_EQ(L"全ての設定を既定に戻しますか?", responder.seen[0].text);
    EXPECT_FALSE(UpdateEnabled());
    EXPECT_TRUE(calls.fileDialogs.empty());
}

TEST_F(SettingsBackupTest, ARoundTripThroughAFileWritesTheKeyUpdateWrites) {
    Open();
    DeleteOptionsKey(); // every Update below writes into an empty key
    EditEveryPage();
    std::vector<SeenDialog> seen = Run('S', folder + L"a.reg");
    ASSERT_EQ(1u, calls.fileDialogs.size());
    const SystemCallRecorder::FileDialogCall& dialog = calls.fileDialogs[0];
    EXPECT_TRUE(dialog.save);
    EXPECT_EQ(L"Travine11-settings.reg", dialog.initialFile);
    const wchar_t filter[] = L"登録ファイル (*.reg)\0*.reg\0全てのファイル (*.*)\0*.*\0";
    EXPECT_EQ(std::wstring(filter, std::size(filter) - 1), dialog.filter);
    EXPECT_EQ(L"reg", dialog.defaultExtension);
    EXPECT_NE(0u, dialog.flags & OFN_OVERWRITEPROMPT);
    ASSERT_EQ(1u, seen.size());
    EXPECT_NE(std::wstring::npos, seen[0].text.find(folder + L"a.reg"));
    EXPECT_TRUE(UpdateEnabled()) << "saving to a file is not saving the settings";
    const std::vector<BYTE> first = ReadBytes(folder + L"a.reg");

    PressUpdate();
    const StoredKey updated = StoredValues();

    // The defaults, then the file, then Update: the key is the one Update wrote directly.
    seen = Run('D', L"", IDYES);
    ASSERT_EQ(1u, seen.size());
    EXPECT_TRUE(UpdateEnabled());
    EXPECT_EQ(0, columnList->GetSelectedItem()) << "the refilled list lost its selection";
    EXPECT_FALSE(Checked(kTreeViewPage, IDC_TREE_HAS_LINES));
    EXPECT_EQ(2, Selection(kGeneralPage, IDC_GEN_DRAG_TYPE));
    EXPECT_FALSE(Enabled(kListView1Page, IDC_LV1_FILE_PROG)) << "the enable rules ran";
    DeleteOptionsKey();
    for (int pass = 0; pass < 2; ++pass) {
        seen = Run('L', folder + (pass == 0 ? L"a.reg" : L"b.reg"));
        ASSERT_EQ(1u, seen.size());
        // Every value a save writes reached the settings, but OptionInitialized, which a load never uses.
        for (const wchar_t* part :
             {L"読み込んだ値: 69 個", L"使われない値: 1 個", L"\n「更新」を押すと保存されます。"}) {
            EXPECT_NE(std::wstring::npos, seen[0].text.find(part)) << seen[0].text.c_str();
        }
        EXPECT_FALSE(OptionsKeyExists()) << "nothing is written before Update";
        EXPECT_TRUE(UpdateEnabled());
        EXPECT_TRUE(Checked(kTreeViewPage, IDC_TREE_HAS_LINES));
        EXPECT_TRUE(Enabled(kListView1Page, IDC_LV1_FILE_PROG));
        EXPECT_EQ(L"更新日時", CellText(Control(kListView2Page, IDC_LV2_COLUMN_LIST), 2, 0));
        // The first row selected, and the buttons that follow the selection follow it.
        EXPECT_EQ(0, columnList->GetSelectedItem());
        EXPECT_FALSE(Enabled(kListView2Page, IDC_LV2_UP));
        EXPECT_TRUE(Enabled(kListView2Page, IDC_LV2_DOWN) && Enabled(kListView2Page, IDC_LV2_EDIT));
        // Saved again, the file is the same file: a fixed point.
        Run('S', folder + L"b.reg");
        EXPECT_EQ(first, ReadBytes(folder + L"b.reg"));
        PressUpdate();
        EXPECT_TRUE(updated == StoredValues()) << "pass " << pass;
        DeleteOptionsKey();
    }
    // A folder chosen in a file dialog never becomes the program's current folder, which would
    // keep it in use (it could not be removed while the program runs).
    for (const SystemCallRecorder::FileDialogCall& call : calls.fileDialogs) {
        EXPECT_NE(0u, call.flags & OFN_NOCHANGEDIR) << (call.save ? "save" : "load");
    }
}

TEST_F(SettingsBackupTest, SaveRefusesWhatUpdateRefusesAndAFailedWriteKeepsTheOlderFile) {
    Open();
    Click(kListView2Page, IDC_LV2_VIEW_MODE);
    Type(kListView2Page, IDC_LV2_VIEW_MODE_EF, std::wstring(260, L'x'));
    std::vector<SeenDialog> seen = Run('S', folder + L"a.reg");
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(0u, seen[0].text.find(L"表示形式の例外フォルダの 1 行目が長すぎます"));
    EXPECT_TRUE(calls.fileDialogs.empty()) << "refused before a file is chosen";

    Type(kListView2Page, IDC_LV2_VIEW_MODE_EF, L"PC");
    const std::vector<BYTE> older = Utf16File(L"older backup");
    ASSERT_TRUE(WriteBytes(folder + L"a.reg", older));
    const struct {
        DWORD* failure;
        DWORD code;
    } failures[] = {{&calls.writeError, ERROR_DISK_FULL}, {&calls.moveError, ERROR_SHARING_VIOLATION}};
    for (const auto& failure : failures) {
        *failure.failure = failure.code;
        seen = Run('S', folder + L"a.reg");
        *failure.failure = 0;
        ASSERT_EQ(1u, seen.size());
        EXPECT_NE(std::wstring::npos, seen[0].text.find(folder + L"a.reg"));
        EXPECT_NE(std::wstring::npos, seen[0].text.find(SystemReason(failure.code))) << seen[0].text.c_str();
        EXPECT_EQ(older, ReadBytes(folder + L"a.reg"));
    }
    ASSERT_EQ(1u, calls.moves.size()); // the write failed before any move
    EXPECT_EQ(folder + L"a.reg", calls.moves[0].to);
    EXPECT_EQ(0u, calls.moves[0].from.find(folder + L"a.reg."));
    EXPECT_EQ(static_cast<DWORD>(MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH), calls.moves[0].flags);

    // A valid path of the longest length: the temporary file's path must work on Windows too.
    seen = Run('S', folder + LongName());
    ASSERT_EQ(2u, calls.moves.size());
    const std::wstring extended = L"\\\\?\\";
    for (const std::wstring& path : {calls.moves[1].from, calls.moves[1].to}) {
        EXPECT_TRUE(path.size() <= MAX_PATH - 1 || path.rfind(extended, 0) == 0) << path.size();
    }
    EXPECT_EQ(extended + folder + LongName(), calls.moves[1].to);
    EXPECT_FALSE(ReadBytes(folder + LongName()).empty());
}

// A backup another program holds open without sharing, as an editor or a sync tool may: Windows
// refuses both the load and the save, and the box gives its reason, not a later call's; nothing
// changes in the window or the file, and nothing is left behind.
TEST_F(SettingsBackupTest, AFileHeldByAnotherProgramIsRefusedWithTheSystemsReason) {
    SetOptionDword(L"OptionInitialized", 1);
    SetOptionDword(L"HasLines", 1);
    Open();
    const std::vector<BYTE> backup =
        Utf16File(L"Windows Registry Editor Version 5.00\r\n\r\n"
                  L"[HKEY_CURRENT_USER\\Software\\Travine11]\r\n\"HasLines\"=dword:0\r\n");
    ASSERT_TRUE(WriteBytes(folder + L"a.reg", backup));
    HANDLE held =
        CreateFileW((folder + L"a.reg").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    // Windows refuses to replace a file in use with "access denied", as Wine does.
    for (const auto& [item, reason] :
         {std::make_pair('L', ERROR_SHARING_VIOLATION), std::make_pair('S', ERROR_ACCESS_DENIED)}) {
        const std::vector<SeenDialog> seen = Run(item, folder + L"a.reg");
        ASSERT_EQ(1u, seen.size());
        EXPECT_NE(std::wstring::npos, seen[0].text.find(SystemReason(reason))) << seen[0].text.c_str();
        EXPECT_TRUE(Checked(kTreeViewPage, IDC_TREE_HAS_LINES));
        EXPECT_FALSE(UpdateEnabled());
    }
    CloseHandle(held);
    EXPECT_EQ(backup, ReadBytes(folder + L"a.reg"));
}

TEST_F(SettingsBackupTest, BadFilesChangeNothingAndOtherKeysAndDeletionsAreOnlyCounted) {
    SetOptionDword(L"OptionInitialized", 1);
    SetOptionDword(L"HasLines", 1);
    Open();
    const std::wstring head =
        L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Travine11]\r\n";
    std::wstring largest = head + L"\"HasLines\"=dword:0\r\n;"; // and a comment up to the size limit
    largest.resize((kMaxRegFileBytes - 2) / 2, L'x');
    std::vector<BYTE> tooLarge = Utf16File(largest);
    tooLarge.push_back(0x20);
    const struct {
        std::vector<BYTE> bytes;
        const wchar_t* reason;
    } bad[] = {
        {Utf16File(head + L"\"HasLines\"=dword:0\r\n\"PreventDrag\"=dword:1 x\r\n"),
         L"5 行目を読み取れません"},
        {tooLarge, L"大きすぎます"},
        {std::vector<BYTE>(), L"登録ファイル"},
        // Lines ended by CR alone, and a stray last byte: the format is right, a line is not.
        {Utf16File(L"Windows Registry Editor Version 5.00\r\r[HKEY_CURRENT_USER\\Software\\Travine11]\r"),
         L"1 行目を読み取れません"},
        {[&] {
             std::vector<BYTE> odd = Utf16File(head);
             odd.push_back(0x20);
             return odd;
         }(),
         L"4 行目を読み取れません"},
    };
    for (const auto& file : bad) {
        ASSERT_TRUE(WriteBytes(folder + L"bad.reg", file.bytes));
        const std::vector<SeenDialog> seen = Run('L', folder + L"bad.reg");
        ASSERT_EQ(1u, seen.size());
        EXPECT_NE(std::wstring::npos, seen[0].text.find(file.reason)) << seen[0].text.c_str();
        EXPECT_NE(std::wstring::npos, seen[0].text.find(folder + L"bad.reg"));
        EXPECT_TRUE(Checked(kTreeViewPage, IDC_TREE_HAS_LINES));
        EXPECT_FALSE(UpdateEnabled());
    }
    std::vector<SeenDialog> seen = Run('L', folder + L"missing.reg");
    ASSERT_EQ(1u, seen.size());
    tooLarge.pop_back(); // exactly the largest file taken
    ASSERT_TRUE(WriteBytes(folder + L"bad.reg", tooLarge));
    seen = Run('L', folder + L"bad.reg");
    ASSERT_EQ(1u, seen.size());
    EXPECT_FALSE(Checked(kTreeViewPage, IDC_TREE_HAS_LINES));

    ASSERT_TRUE(WriteBytes(
        folder + L"bad.reg",
        Utf16File(
            L"Windows Registry Editor Version 5.00\r\n\r\n[-HKEY_CURRENT_USER\\Software\\Travine11]\r\n"
            L"[HKEY_CURRENT_USER\\Software\\Other]\r\n\"X\"=dword:1\r\n[HKEY_CURRENT_USER\\Software\\Y]\r\n"
            L"[HKEY_CURRENT_USER\\Software\\Travine11]\r\n\"HasLines\"=dword:0\r\n"
            L"\"Unknown\"=dword:1\r\n\"OptionInitialized\"=dword:1\r\n\"HideCommandBar\"=hex:01\r\n"
            L"\"PreventDragType\"=dword:31\r\n\"PCSelectDriveLetter\"=dword:1a\r\n\"ViewModeIndex\"="
            L"dword:9\r\n")));
    seen = Run('L', folder + L"bad.reg");
    ASSERT_EQ(1u, seen.size());
    // Read: the numbers that reached the settings, also those outside their drop-down. Unused: the
    // unknown name, OptionInitialized and the number of the wrong size, replaced by its default.
    // Four counts, each of its own size.
    for (const wchar_t* part :
         {L"読み込んだ値: 4 個", L"使われない値: 3 個", L"他のキー: 2 個", L"削除の指定: 1 行"}) {
        EXPECT_NE(std::wstring::npos, seen[0].text.find(part)) << seen[0].text.c_str();
    }
    EXPECT_EQ(1u, ReadOptionRaw(L"HasLines").AsDword()) << "nothing was deleted or written";
    EXPECT_FALSE(Checked(kTreeViewPage, IDC_TREE_HAS_LINES));
    EXPECT_TRUE(UpdateEnabled()) << "a load is a change, which closing asks about";
    // Numbers outside their drop-down show no selection, as at a start with them: Update stores -1,
    // never the selection the window had before the load.
    PressUpdate();
    for (const wchar_t* name : {L"PreventDragType", L"PCSelectDriveLetter", L"ViewModeIndex"}) {
        EXPECT_EQ(0xFFFFFFFFu, ReadOptionRaw(name).AsDword()) << testing::PrintToString(std::wstring(name));
    }
}

// The system's own open dialog, cancelled.
TEST(SettingsBackupDialog, ACancelledFileDialogChangesNothing) {
    WindowsVersionCase version;
    ResetProgramCase(version);
    HWND window = CreateOptionsWindow(GetModuleHandleW(nullptr));
    ASSERT_NE(nullptr, window);
    DialogResponder responder = DialogResponder::Answering(IDCANCEL);
    LoadSettingsFromFile(window);
    SaveSettingsToFile(window);
    EXPECT_EQ(2u, responder.seen.size()); // the two file dialogs and nothing after them
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, IDC_UPDATE)));
    DestroyWindow(window);
    PumpFor(5);
    ReleaseOptionsWindowResources();
    DeleteOptionsKey();
}

} // namespace
