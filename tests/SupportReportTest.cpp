// The report for bug reports, read back from the clipboard as a maintainer gets it: once from
// the window in this process after edits, once from the real program started from outside.
#include <windows.h>
#include <shlobj.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "OptionsWindowFixture.h"
#include "app/ReportMasking.h"
#include "app/SupportReport.h"
#include "pages/SetupPage.h"

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
    return MaskPersonalData(folder, ReadPersonalNames());
}

// The lines of the report from the one that starts with first up to the one that starts with end.
std::wstring Lines(const std::wstring& report, const std::wstring& first, const std::wstring& end) {
    const size_t from = report.find(L"\n" + first);
    const size_t to = report.find(L"\n" + end, from + 1);
    return from == std::wstring::npos || to == std::wstring::npos ? L"" : report.substr(from + 1, to - from);
}

// What the report says of this machine: Windows 11 23H2 Pro, stored as Windows 11 stores it.
const wchar_t kWindowsLines[] = L"Windows の製品名: Windows 11 Pro\r\n"
                                L"Windows のバージョン: 23H2\r\n"
                                L"Windows のビルド: 22631.4317\r\n"
                                L"Windows のエディション: Professional\r\n"
                                L"ProductName の値: Windows 10 Pro\r\n"
                                L"サーバー エディション: いいえ\r\n"
                                L"セットアップの判定: インストール可能\r\n";

class SupportReportTest : public OptionsWindowFixture {
protected:
    void SetUp() override {
        OptionsWindowFixture::SetUp();
        version.Set(L"22631", 4317, L"23H2");
    }
};
class SupportReportProgram : public SupportReportTest {};

// Texts as they reach the report: TEMP in short form, paths typed with forward slashes or in
// capitals, Japanese names beside kana and kanji, an account renamed after its folder was made.
TEST(SupportReportMask, EveryFormOfTheProfileAndTheNamesIsMaskedAndLongerWordsStay) {
    const PersonalNames taro = {L"C:\\Users\\Taro Yamada", L"C:\\Users\\TAROYA~1", L"Taro Yamada",
                                L"DESKTOP-7Q2LX"};
    const PersonalNames yamada = {L"C:\\Users\\山田", L"C:\\Users\\山田", L"山田", L"YAMADA-PC"};
    const PersonalNames renamed = {L"C:\\Users\\Bob", L"C:\\Users\\Bob", L"Robert", L"ROBERT-PC"};
    const PersonalNames pro = {L"C:\\Users\\Pro", L"C:\\Users\\Pro", L"Pro", L"PRO-PC"};
    const struct {
        const PersonalNames& names;
        const wchar_t* text;
        const wchar_t* masked;
    } cases[] = {
        {taro, L"C:\\Users\\TAROYA~1\\AppData\\Local\\Temp\\Temp1_travine.zip\\Travine11.dll",
         L"%USERPROFILE%\\AppData\\Local\\Temp\\Temp1_travine.zip\\Travine11.dll"},
        {taro, L"\"C:/USERS/TARO YAMADA/bin/viewer.exe\" /p c:/users/taroya~1/x",
         L"\"%USERPROFILE%/bin/viewer.exe\" /p %USERPROFILE%/x"},
        {taro, L"C:\\Users\\Taro Yamada2\\a;\\\\desktop-7q2lx\\共有",
         L"C:\\Users\\Taro Yamada2\\a;\\\\%COMPUTERNAME%\\共有"},
        {taro, L"D:\\資料\\担当Taro Yamada分.xlsx", L"D:\\資料\\担当%USERNAME%分.xlsx"},
        {yamada, L"D:\\山田のツール\\run.cmd;C:\\Users\\山田様\\a",
         L"D:\\%USERNAME%のツール\\run.cmd;C:\\Users\\%USERNAME%様\\a"},
        {yamada, L"C:\\Users\\山田\\仕事;\\\\yamada-pc\\共有",
         L"%USERPROFILE%\\仕事;\\\\%COMPUTERNAME%\\共有"},
        {renamed, L"D:\\Users\\Bob\\tools;C:/users/bob/bin;C:\\Users\\Bobby;\\\\nas\\robert;\\\\robert-pc\\d",
         L"D:\\Users\\%USERNAME%\\tools;%USERPROFILE%/"
         L"bin;C:\\Users\\Bobby;\\\\nas\\%USERNAME%;\\\\%COMPUTERNAME%\\d"},
        {pro, L"D:\\Projects\\Pro\\build.cmd /profile pro;C:\\Tools\\AppPro",
         L"D:\\Projects\\%USERNAME%\\build.cmd /profile %USERNAME%;C:\\Tools\\AppPro"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.masked, MaskPersonalData(c.text, c.names)) << c.text;
    }
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
    // This profile folder's name is short; a long one's short form comes through the seam.
    SystemCallRecorder calls;
    calls.shortPaths[ProfileFolder()] = L"C:\\USERS\\PROFIL~1";
    Open();
    Click(kGeneralPage, IDC_GEN_HIDE_CMDBAR);
    Click(kListView1Page, IDC_LV1_SHIFT_RET);
    Type(kListView1Page, IDC_LV1_FILE_PROG, L"C:\\USERS\\PROFIL~1\\bin\\viewer.exe");
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
              L"ユーザーのフォルダ、ユーザー名、コンピューター名は %USERPROFILE% などに置き換えてありますが、"
              L"設定したフォルダやコマンドはそのまま含まれます。公開の場所に貼る前に内容を確かめてください。",
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

// What real Windows stores: ProductName says Windows 10 on Windows 11 too. The report names
// Windows as the Setup page does, with the edition from the stored name, and never masks
// Windows' own words, even for a user called "Pro".
TEST_F(SupportReportTest, WindowsIsNamedByItsBuildAsTheSetupPageNamesIt) {
    const struct {
        const wchar_t* build;
        const wchar_t* productName; // null: no value
        const wchar_t* editionId;
        const wchar_t* lines;
        const wchar_t* setupLine;
    } cases[] = {
        {L"22631", L"Windows 10 Pro", L"Professional",
         L"Windows の製品名: Windows 11 Pro\r\nWindows のバージョン: 24H2\r\nWindows のビルド: 22631.4460\r\n"
         L"Windows のエディション: Professional\r\nProductName の値: Windows 10 Pro\r\n",
         L"：Windows 11 24H2 (build 22631.4460)"},
        {L"19045", L"Windows 10 Home", L"Core",
         L"Windows の製品名: Windows 10 Home\r\nWindows のバージョン: 24H2\r\nWindows のビルド: "
         L"19045.4460\r\n"
         L"Windows のエディション: Core\r\nProductName の値: Windows 10 Home\r\n",
         L"：Windows 10 24H2 (build 19045.4460)"},
        {L"26100", nullptr, L"",
         L"Windows の製品名: Windows 11\r\nWindows のバージョン: 24H2\r\n"
         L"Windows のビルド: 26100.4460\r\nWindows のエディション: （空の文字列）\r\nProductName の値: "
         L"（値なし）\r\n",
         L"：Windows 11 24H2 (build 26100.4460)"},
    };
    const PersonalNames pro = {L"C:\\Users\\Pro", L"C:\\Users\\Pro", L"Pro", L"WINDOWS"};
    Open();
    for (const auto& c : cases) {
        version.Set(c.build, 4460, L"24H2");
        version.SetProductName(c.productName);
        version.SetText(L"EditionID", c.editionId);
        ShowWindowsVersionCheck();
        EXPECT_EQ(c.setupLine, WindowText(Control(kSetupPage, IDC_SETUP_RUNNING_VERSION)));
        EXPECT_EQ(c.lines, Lines(BuildSupportReport(L"C:\\Tools\\Travine11.exe", pro), L"Windows の製品名",
                                 L"サーバー"));
    }
}

// The registration as Explorer reads it: another copy, a path to be expanded, a bare name,
// and values that hold no path at all.
TEST_F(SupportReportTest, ARegistrationOfAnotherFileIsReportedWithThatFile) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring old = std::wstring(temp) + L"travine-old\\";
    CreateDirectoryW(old.c_str(), nullptr);
    // An older copy: the stand-in's fixed file version 0.9.3.7 made 0.9.3.1 in its bytes.
    std::string dll;
    std::ifstream whole(std::filesystem::path(ProgramFolder() + L"Travine11.dll"), std::ios::binary);
    dll.assign(std::istreambuf_iterator<char>(whole), {});
    const size_t fixed = dll.find("\xBD\x04\xEF\xFE");
    ASSERT_NE(std::string::npos, fixed);
    ASSERT_EQ(7, dll[fixed + 12]); // the low word of dwFileVersionLS
    dll[fixed + 12] = 1;
    std::ofstream(std::filesystem::path(old + L"Travine11.dll"), std::ios::binary) << dll;
    const std::wstring shown = MaskedFolder(old) + L"Travine11.dll";
    const std::wstring copy = L"登録された DLL のファイル: あり\r\n登録された DLL のバージョン: 0.9.3.1\r\n";
    const struct {
        DWORD type;
        std::wstring data;
        std::wstring lines;
    } cases[] = {
        {REG_SZ, old + L"Travine11.dll", L"DLL の登録: 登録済み（" + shown + L"）\r\n" + copy},
        {REG_EXPAND_SZ, L"%TEMP%\\travine-old\\Travine11.dll",
         L"DLL の登録: 登録済み（%TEMP%\\travine-old\\Travine11.dll、REG_EXPAND_SZ: " + shown + L"）\r\n" +
             copy},
        {REG_SZ, L"D:\\Old\\Travine11.dll",
         L"DLL の登録: 登録済み（D:\\Old\\Travine11.dll）\r\n登録された DLL のファイル: なし\r\n"
         L"登録された DLL のバージョン: 不明\r\n"},
        {REG_SZ, L"Travine11.dll",
         L"DLL の登録: 登録済み（Travine11.dll）\r\n登録された DLL のファイル: "
         L"不明（完全なパスではありません）\r\n登録された DLL のバージョン: 不明\r\n"},
        {REG_DWORD, std::wstring(2, L'\x1'), L"DLL の登録: 登録済み（REG_DWORD、4 バイト）\r\n"},
        {REG_NONE, L"", L"DLL の登録: 登録済み（値なし）\r\n"},
    };
    Open();
    const wchar_t key[] = L"SOFTWARE\\Classes\\CLSID\\{408f43a1-23c2-442e-990c-dfba06b5664f}\\InprocServer32";
    for (const auto& c : cases) {
        RemoveExtensionRegistration();
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, L"Marker", REG_SZ, L"", sizeof(wchar_t));
        if (c.type != REG_NONE) {
            const DWORD bytes =
                static_cast<DWORD>(c.data.size() * sizeof(wchar_t)) + (c.type == REG_DWORD ? 0 : 2);
            RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, nullptr, c.type, c.data.c_str(), bytes);
        }
        EXPECT_EQ(c.lines,
                  Lines(BuildSupportReport((ProgramFolder() + L"Travine11.exe").c_str(), ReadPersonalNames()),
                        L"DLL の登録", L"設定キー"))
            << c.data;
    }
    DeleteFileW((old + L"Travine11.dll").c_str());
    RemoveDirectoryW(old.c_str());
}

// Travine11.exe started, as from a ZIP opened in Explorer, by the short form of a folder of the
// user's own, without the DLL: a first start. While another program holds the clipboard the
// report is refused and that program's text stays.
TEST_F(SupportReportProgram, TheRealProgramReportsAFirstStartWithoutItsDllAndWaitsForABusyClipboard) {
    LARGE_INTEGER now = {};
    QueryPerformanceCounter(&now);
    const std::wstring folder =
        ProfileFolder() + L"\\Travine report " + std::to_wstring(now.QuadPart) + L"\\";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring exe = folder + L"Travine11.exe";
    ASSERT_TRUE(CopyFileW((ProgramFolder() + L"Travine11.exe").c_str(), exe.c_str(), TRUE));
    wchar_t shortExe[MAX_PATH] = {};
    ASSERT_LT(GetShortPathNameW(exe.c_str(), shortExe, MAX_PATH), static_cast<DWORD>(MAX_PATH));
    const std::wstring started = shortExe;
    const size_t nameAt = started.rfind(L'\\');
    // Wine gives short names below the profile, though the profile's own name is short already.
    ASSERT_EQ(0, started.compare(0, ProfileFolder().size(), ProfileFolder()));
    ASSERT_EQ(std::wstring::npos, started.find(L' ')) << started;
    // Windows gives the program the form it was started by; Wine gives it the long one.
    const std::wstring shortShown =
        L"%USERPROFILE%" + started.substr(ProfileFolder().size(), nameAt + 1 - ProfileFolder().size());
    const std::wstring longShown = L"%USERPROFILE%" + folder.substr(ProfileFolder().size());
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW(started.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                               started.substr(0, nameAt).c_str(), &startup, &process));
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
        const std::wstring report = ClipboardText();
        const std::wstring shownFolder =
            report.find(shortShown) != std::wstring::npos ? shortShown : longShown;
        EXPECT_EQ(L"プログラムのバージョン: 1.2.0.0\r\n"
                  L"プログラムのフォルダ: " +
                      shownFolder + L"\r\n" + kWindowsLines + L"DLL のパス: " + shownFolder +
                      L"Travine11.dll\r\n"
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
                  report);
        std::wstring lower = report, name = ProfileFolder().substr(ProfileFolder().rfind(L'\\') + 1);
        CharLowerBuffW(&lower[0], static_cast<DWORD>(lower.size()));
        CharLowerBuffW(&name[0], static_cast<DWORD>(name.size()));
        EXPECT_EQ(std::wstring::npos, lower.find(name)) << "the profile folder's name is in the report";
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
