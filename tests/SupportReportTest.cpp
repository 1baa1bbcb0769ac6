// The report for bug reports, read back from the clipboard as a maintainer gets it: once from
// the window in this process after edits, once from the real program started from outside.
#include <windows.h>
#include <shlobj.h>

#include <string>

#include "OptionsWindowFixture.h"
#include "app/SupportReport.h"

namespace {

std::wstring ClipboardText() {
    std::wstring text;
    if (OpenClipboard(nullptr)) {
        HANDLE data = GetClipboardData(CF_UNICODETEXT);
        const auto* locked = data != nullptr ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
        if (locked != nullptr) {
            text = locked;
            GlobalUnlock(data);
        }
        CloseClipboard();
    }
    return text;
}

std::wstring ProfileFolder() {
    wchar_t profile[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, profile);
    return profile;
}

std::wstring Name(BOOL(WINAPI* get)(LPWSTR, LPDWORD)) { // the user's or the computer's
    wchar_t name[257] = {};
    DWORD chars = 257;
    return get(name, &chars) ? name : L"";
}

// The test's own folder as the report must show it wherever the checkout lies.
std::wstring MaskedFolder(const std::wstring& folder) {
    return MaskPersonalData(folder, ProfileFolder(), Name(GetUserNameW), Name(GetComputerNameW));
}

// What the report says of this machine, Windows 11 23H2 Pro as the tests set it up.
const wchar_t kWindowsLines[] = L"Windows の製品名: Windows 11 Pro\r\n"
                                L"Windows のバージョン: 23H2\r\n"
                                L"Windows のビルド: 22631.4317\r\n"
                                L"Windows のエディション: Professional\r\n"
                                L"サーバー エディション: いいえ\r\n"
                                L"セットアップの判定: インストール可能\r\n";

class SupportReportTest : public OptionsWindowFixture {
protected:
    void SetUp() override {
        OptionsWindowFixture::SetUp();
        version.Set(L"22631", 4317, L"23H2");
        version.SetProductName(L"Windows 11 Pro");
        version.SetText(L"EditionID", L"Professional");
    }
};
class SupportReportProgram : public SupportReportTest {};

TEST(SupportReportMask, TheProfileAndTheNamesAreMaskedOnlyAsWordsOfTheirOwn) {
    EXPECT_EQ(L"%USERPROFILE%\\a;C:\\users\\taro2\\b;D:\\%USERNAME%\\c;%COMPUTERNAME%:TaroX",
              MaskPersonalData(L"C:\\Users\\Taro\\a;C:\\users\\taro2\\b;D:\\TARO\\c;PC-1:TaroX",
                               L"C:\\Users\\Taro", L"taro", L"PC-1"));
}

// Edits not yet saved are reported as the window shows them, marked as unsaved: a number below
// zero with its sign, the user's and the computer's names masked wherever they are typed, a
// network path as typed and a list shorter than the first start's, its missing entries named.
// Nothing is stored.
TEST_F(SupportReportTest, AChangedWindowIsReportedAsShownAndNothingIsStored) {
    const std::wstring folder = ProgramFolder();
    RegSetKeyValueW(HKEY_LOCAL_MACHINE,
                    L"SOFTWARE\\Classes\\CLSID\\{408f43a1-23c2-442e-990c-dfba06b5664f}\\InprocServer32",
                    nullptr, REG_SZ, (folder + L"Travine11.dll").c_str(),
                    static_cast<DWORD>((folder.size() + 14) * sizeof(wchar_t)));
    Open();
    Click(kGeneralPage, IDC_GEN_HIDE_CMDBAR);
    Click(kListView1Page, IDC_LV1_SHIFT_RET);
    Type(kListView1Page, IDC_LV1_FILE_PROG, ProfileFolder() + L"\\bin\\viewer.exe");
    Type(kGeneralPage, IDC_GEN_HEIGHT, L"-12");
    Type(kListView1Page, IDC_LV1_FILE_ARG, L"/u:" + Name(GetUserNameW) + L" /c:" + Name(GetComputerNameW));
    Click(kListView2Page, IDC_LV2_VIEW_MODE);
    Type(kListView2Page, IDC_LV2_VIEW_MODE_EF, L"\\\\nas\\写真");
    std::wstring gone;
    for (int entry = 1; entry < 7; ++entry) {
        gone += L"  ViewModeEF_" + std::to_wstring(entry) + L": （なし）\r\n";
    }
    CheckRow(Control(kListView2Page, IDC_LV2_COLUMN_LIST), 1, false); // 更新日時
    const StoredKey stored = StoredValues();
    DialogResponder responder = DialogResponder::Answering(IDOK);
    PressButton(FindPageWindow(kVersionPage), L"情報をコピー(&I)");

    ASSERT_EQ(1u, responder.seen.size());
    EXPECT_EQ(L"バグ報告用の情報をクリップボードにコピーしました。報告に貼り付けてください。\n\n"
              L"ユーザーのフォルダは %USERPROFILE% に置き換えてあります。",
              responder.seen[0].text);
    const std::wstring shown = MaskedFolder(folder);
    EXPECT_EQ(L"プログラムのバージョン: 1.2.0.0\r\n"
              L"プログラムのフォルダ: " +
                  shown + L"\r\n" + kWindowsLines + L"DLL のパス: " + shown + L"Travine11.dll\r\n" +
                  L"DLL のファイル: あり\r\n"
                  L"DLL のバージョン: 0.9.3.7\r\n"
                  L"DLL の登録: 登録済み（" +
                  shown +
                  L"Travine11.dll）\r\n"
                  L"設定キー: あり\r\n"
                  L"未保存の変更: あり（以下は保存前の画面の内容です）\r\n"
                  L"既定と異なる設定: 14 個\r\n"
                  L"  HideCommandBar: 1\r\n"
                  L"  HCBHeight: -12\r\n"
                  L"  ShiftRetCmd: 1\r\n"
                  L"  ShiftRetCmdExeFile: %USERPROFILE%\\bin\\viewer.exe\r\n"
                  L"  ShiftRetCmdArgFile: /u:%USERNAME% /c:%COMPUTERNAME%\r\n"
                  L"  ViewMode: 1\r\n"
                  L"  ViewModeEFNum: 1\r\n"
                  L"  ViewModeEF_0: \\\\nas\\写真\r\n" +
                  gone +
                  L"表示するカラム: 3 個\r\n"
                  L"  1: 名前（幅 240、昇順）\r\n"
                  L"  2: 種類（幅 135）\r\n"
                  L"  3: サイズ（幅 110）\r\n",
              ClipboardText());
    EXPECT_TRUE(stored == StoredValues()) << "the report stored something";
    EXPECT_TRUE(UpdateEnabled()) << "the report counted as a save";
}

// Travine11.exe started from a folder of the user's own without the DLL: a first start. While
// another program holds the clipboard the report is refused and that program's text stays.
TEST_F(SupportReportProgram, TheRealProgramReportsAFirstStartWithoutItsDllAndWaitsForABusyClipboard) {
    LARGE_INTEGER now = {};
    QueryPerformanceCounter(&now);
    const std::wstring folder =
        ProfileFolder() + L"\\travine-report-" + std::to_wstring(now.QuadPart) + L"\\";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring exe = folder + L"Travine11.exe";
    ASSERT_TRUE(CopyFileW((ProgramFolder() + L"Travine11.exe").c_str(), exe.c_str(), TRUE));
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                               &startup, &process));
    HWND window = nullptr;
    // A control of the program found by its text on any page.
    auto find = [&](const wchar_t* text) {
        HWND found = nullptr;
        for (HWND page = GetWindow(window, GW_CHILD);
             window != nullptr && page != nullptr && found == nullptr; page = GetWindow(page, GW_HWNDNEXT)) {
            found = ChildWithText(page, text);
        }
        return found;
    };
    HWND button = nullptr;
    PumpUntil(
        [&] {
            window = FindWindowW(kOptionsWindowClass, nullptr);
            button = find(L"情報をコピー(&I)");
            return button != nullptr && IsWindowVisible(window);
        },
        20000);
    // The program's message box, once it shows its text.
    auto box = [&] {
        HWND found = nullptr;
        PumpUntil(
            [&] {
                found = FindWindowW(L"#32770", nullptr);
                DWORD owner = 0;
                GetWindowThreadProcessId(found, &owner);
                return found != nullptr && owner == process.dwProcessId && IsWindowVisible(found) &&
                       !WindowText(GetDlgItem(found, 0xFFFF)).empty();
            },
            10000);
        return found;
    };
    auto answer = [&](HWND shown, int id) {
        PostMessageW(shown, WM_COMMAND, id, 0);
        PumpUntil([&] { return !IsWindow(shown); });
    };
    // Presses the button and answers the box it brings; returns the box's text.
    auto copy = [&] {
        PostMessageW(button, BM_CLICK, 0, 0);
        HWND shown = box();
        const std::wstring text = WindowText(GetDlgItem(shown, 0xFFFF));
        answer(shown, IDOK);
        return text;
    };
    if (button != nullptr) {
        const std::wstring mine = L"another program's text";
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (mine.size() + 1) * sizeof(wchar_t));
        memcpy(GlobalLock(memory), mine.c_str(), (mine.size() + 1) * sizeof(wchar_t));
        GlobalUnlock(memory);
        SetClipboardData(CF_UNICODETEXT, memory);
        const std::wstring refusal = copy();
        CloseClipboard();
        EXPECT_EQ(L"情報をコピーできませんでした。他のプログラムがクリップボードを使用しています。\n\n"
                  L"しばらくしてから、もう一度お試しください。",
                  refusal);
        EXPECT_EQ(mine, ClipboardText());

        EXPECT_NE(std::wstring::npos, copy().find(L"コピーしました"));
        EXPECT_EQ(L"プログラムのバージョン: 1.2.0.0\r\n"
                  L"プログラムのフォルダ: %USERPROFILE%\\travine-report-" +
                      std::to_wstring(now.QuadPart) + L"\\\r\n" + kWindowsLines +
                      L"DLL のパス: %USERPROFILE%\\travine-report-" + std::to_wstring(now.QuadPart) +
                      L"\\Travine11.dll\r\n"
                      L"DLL のファイル: なし\r\n"
                      L"DLL のバージョン: 不明\r\n"
                      L"DLL の登録: 未登録\r\n"
                      L"設定キー: あり\r\n"
                      L"未保存の変更: なし\r\n"
                      L"既定と異なる設定: 0 個\r\n"
                      L"表示するカラム: 4 個\r\n"
                      L"  1: 名前（幅 240、昇順）\r\n"
                      L"  2: 更新日時（幅 120）\r\n"
                      L"  3: 種類（幅 135）\r\n"
                      L"  4: サイズ（幅 110）\r\n",
                  ClipboardText());
    }
    EXPECT_NE(nullptr, button) << "no button 情報をコピー(&I)";
    // With a change unsaved, closing asks first, and Yes ends the program.
    PostMessageW(find(L"コマンドバーを隠す(&C)"), BM_CLICK, 0, 0);
    PostMessageW(window, WM_CLOSE, 0, 0);
    HWND question = box(); // judged whole in the window's own test
    EXPECT_EQ(L"変更を保存せずに終了しますか?", WindowText(GetDlgItem(question, 0xFFFF)));
    answer(question, IDYES);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 10000));
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(0u, exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    DeleteFileW(exe.c_str());
    EXPECT_TRUE(RemoveDirectoryW(folder.c_str())) << "a file was left in the program's folder";
}

} // namespace
