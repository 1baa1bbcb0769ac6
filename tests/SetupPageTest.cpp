#include "OptionsWindowFixture.h"

#include <sddl.h>
#include <shlwapi.h>
#include <winnetwk.h>

#include <map>

#include "pages/SetupPage.h"
#include "settings/OptionsStore.h"
#include "win32/ModulePath.h"
#include "win32/SystemCalls.h"

namespace {

// The page's buttons by the texts the user reads on them.
const wchar_t kRegister[] = L"DLL登録(&R)...";
const wchar_t kUnregister[] = L"DLL登録解除(&U)...";
const wchar_t kRemove[] = L"（１）オプション設定を削除する";

// The settings key's access, set as its owner may do even after denying everyone everything.
void SetSettingsKeyAccess(const wchar_t* sddl) {
    HKEY key = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Travine11", 0, WRITE_DAC, &key));
    ASSERT_TRUE(
        ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor));
    LocalFree(descriptor);
    RegCloseKey(key);
}

class SetupPageTest : public OptionsWindowFixture {
protected:
    void TearDown() override {
        OptionsWindowFixture::TearDown();
        RestoreDll();
    }

    static std::wstring Text(int id) { return WindowText(Control(kSetupPage, id)); }
    static bool RegisterEnabled() { return Enabled(kSetupPage, IDC_SETUP_REGISTER); }
    static bool UnregisterEnabled() { return Enabled(kSetupPage, IDC_SETUP_UNREGISTER); }

    std::vector<SeenDialog> Press(const wchar_t* button, int answer = IDOK) {
        DialogResponder responder = DialogResponder::Answering(answer);
        PressButton(FindPageWindow(kSetupPage), button);
        return responder.seen;
    }

    static std::wstring DllPath() { return ProgramFolder() + L"Travine11.dll"; }
    static std::wstring AsidePath() { return ProgramFolder() + L"Travine11.dll.aside"; }
    void MoveDllAside() { ASSERT_TRUE(MoveFileW(DllPath().c_str(), AsidePath().c_str())); }
    static void RestoreDll() {
        if (PathFileExistsW(AsidePath().c_str())) {
            DeleteFileW(DllPath().c_str());
            MoveFileW(AsidePath().c_str(), DllPath().c_str());
        }
    }
};

// Every row of both tables of verified builds at both ends of its revisions and one past each,
// and the builds around the rows: the verdict, the version lines with the numbers read, and
// whatever they say, the lines fit their controls.
TEST_F(SetupPageTest, VerdictFollowsEveryRowOfTheVerifiedBuildsAtItsEdges) {
    const wchar_t* const verified = L"インストール可能";
    const wchar_t* const unverified = L"インストール可能（動作未確認）";
    const wchar_t* const refused = L"インストールできません";
    struct Case {
        const wchar_t* build;
        DWORD ubr;
        const wchar_t* verdict;
    };
    std::vector<Case> cases = {{L"26101", 0, unverified}, {L"22000", 4400, refused},
                               {L"22625", 4400, refused}, {L"21999", 1, unverified},
                               {L"19046", 1, unverified}, {L"19044", 5073, refused},
                               {L"0", 0, refused}};
    const struct {
        const wchar_t* build;
        DWORD minUbr, maxUbr;
    } rows[] = {
        {L"22621", 4317, 4460}, {L"22631", 4317, 4460}, {L"26100", 1741, 1741}, {L"19045", 5073, 5131}};
    for (const auto& row : rows) {
        cases.insert(cases.end(), {{row.build, row.minUbr - 1, unverified},
                                   {row.build, row.minUbr, verified},
                                   {row.build, row.maxUbr, verified},
                                   {row.build, row.maxUbr + 1, unverified}});
    }
    Open();
    for (const Case& c : cases) {
        version.Set(c.build, c.ubr, L"24H2");
        ShowWindowsVersionCheck();
        EXPECT_EQ(c.verdict, Text(IDC_SETUP_VERDICT)) << c.build << "." << c.ubr;
        const std::wstring windows =
            std::wstring(L"：Windows ") + (wcstol(c.build, nullptr, 10) < 22000 ? L"10" : L"11");
        EXPECT_EQ(windows + L" 22H2 以降", Text(IDC_SETUP_SUPPORTED_VERSION));
        EXPECT_EQ(windows + L" 24H2 (build " + c.build + L"." + std::to_wstring(c.ubr) + L")",
                  Text(IDC_SETUP_RUNNING_VERSION));
        for (int id : {IDC_SETUP_SUPPORTED_VERSION, IDC_SETUP_RUNNING_VERSION, IDC_SETUP_VERDICT}) {
            ExpectTextFits(Control(kSetupPage, id));
        }
    }
}

// Values that cannot be read are build 0 and revision 0; the display version is cut to 31.
TEST_F(SetupPageTest, UnreadableVersionValuesGiveWindows10AndNoVerdict) {
    Open();
    version.SetBuild(nullptr);
    version.SetText(L"UBR", nullptr);
    version.SetText(L"DisplayVersion", std::wstring(40, L'V').c_str());
    ShowWindowsVersionCheck();
    EXPECT_EQ(L"：Windows 10 " + std::wstring(31, L'V') + L" (build 0.0)", Text(IDC_SETUP_RUNNING_VERSION));
    EXPECT_EQ(L"インストールできません", Text(IDC_SETUP_VERDICT));
}

TEST_F(SetupPageTest, RegistrationRunsRegsvr32AndSwapsTheButtons) {
    SystemCallRecorder calls; // passes the elevation on to the real shell
    Open();
    EXPECT_TRUE(RegisterEnabled());
    EXPECT_FALSE(UnregisterEnabled());

    std::vector<SeenDialog> seen = Press(kRegister);
    ASSERT_EQ(1u, calls.elevations.size());
    const SystemCallRecorder::ShellCall& run = calls.elevations[0];
    EXPECT_EQ(static_cast<ULONG>(SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI), run.mask);
    EXPECT_EQ(FindPageWindow(kSetupPage), run.owner);
    EXPECT_EQ(L"runas", run.verb);
    // The system folder's copy by its full path, never a file of that name found by a search.
    EXPECT_EQ(SystemFolder() + L"regsvr32.exe", run.file);
    EXPECT_EQ(L"/s \"" + DllPath() + L"\"", run.params);
    EXPECT_TRUE(run.directoryNull);
    EXPECT_EQ(SW_SHOWNORMAL, run.show);
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(L"インストールに成功しました", seen[0].text);
    EXPECT_TRUE(IsExtensionRegistered());
    EXPECT_GT(calls.machineKeyOpens, 0) << "the rights asked for HKLM went unjudged";
    const RawValue server = ReadRaw(HKEY_LOCAL_MACHINE, kExtensionClsidKey, nullptr);
    EXPECT_EQ(0, lstrcmpiW(DllPath().c_str(), server.AsText().c_str()));
    EXPECT_FALSE(RegisterEnabled());
    EXPECT_TRUE(UnregisterEnabled());
    EXPECT_FALSE(UpdateEnabled());
    // The keys still act: the pressed button went off, and the focus went to the one now on.
    EXPECT_EQ(Control(kSetupPage, IDC_SETUP_UNREGISTER), GetFocus());

    seen = Press(kUnregister);
    ASSERT_EQ(2u, calls.elevations.size());
    EXPECT_EQ(L"/s /u \"" + DllPath() + L"\"", calls.elevations[1].params);
    EXPECT_EQ(calls.elevations[0].file, calls.elevations[1].file);
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(L"アンインストールに成功しました", seen[0].text);
    EXPECT_FALSE(IsExtensionRegistered());
    EXPECT_TRUE(RegisterEnabled());
    EXPECT_FALSE(UnregisterEnabled());
    EXPECT_EQ(Control(kSetupPage, IDC_SETUP_REGISTER), GetFocus());

    // A declined elevation is a failure, and the buttons stay as they were.
    calls.runElevations = false;
    seen = Press(kRegister);
    EXPECT_EQ(3u, calls.elevations.size());
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(L"インストールに失敗しました", seen[0].text);
    EXPECT_TRUE(RegisterEnabled());
    EXPECT_FALSE(UnregisterEnabled());
    EXPECT_EQ(Control(kSetupPage, IDC_SETUP_REGISTER), GetFocus());
}

TEST_F(SetupPageTest, MissingDllRunsNothingAndAFileThatIsNoDllFailsToRegister) {
    Open();
    MoveDllAside();
    {
        SystemCallRecorder calls;
        for (const wchar_t* button : {kRegister, kUnregister}) {
            if (button == kUnregister) { // as after a registration made elsewhere
                FakeExtensionRegistration();
                UpdateRegistrationButtons();
            }
            const std::vector<SeenDialog> seen = Press(button);
            ASSERT_EQ(1u, seen.size());
            EXPECT_EQ(DllPath() + L"\nファイルが見つかりません", seen[0].text);
        }
        EXPECT_TRUE(calls.elevations.empty());
        EXPECT_TRUE(UnregisterEnabled()) << "a missing file changed the buttons";
        RemoveExtensionRegistration();
        UpdateRegistrationButtons();
    }

    HANDLE file = CreateFileW(DllPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, "not a dll", 9, &written, nullptr);
    CloseHandle(file);
    const std::vector<SeenDialog> seen = Press(kRegister);
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(L"インストールに失敗しました", seen[0].text);
    EXPECT_FALSE(IsExtensionRegistered());
}

// Removal asks first; No changes nothing (a push button is never a change by itself); a failed
// deletion gives the system's reason and keeps the key and the changes; a missing key is gone.
TEST_F(SetupPageTest, RemovingTheOptionsAsksFirstAndReportsTheSystemsReason) {
    SystemCallRecorder calls;
    Open();
    std::vector<SeenDialog> seen = Press(kRemove, IDNO);
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(L"オプション設定を削除しますか?", seen[0].text);
    EXPECT_FALSE(UpdateEnabled());
    Click(kTreeViewPage, IDC_TREE_HAS_LINES);
    ASSERT_TRUE(OptionsKeyExists());

    wchar_t reason[512] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_ACCESS_DENIED,
                   0, reason, 512, nullptr);
    ASSERT_NE(L'\0', reason[0]);
    const std::wstring head = L"オプション設定の削除に失敗しました\n\nエラー内容:\n";
    // Code 0: the key denies everyone everything for real, as one of another account's may.
    const struct {
        LSTATUS code;
        std::wstring text;
    } failures[] = {
        {ERROR_ACCESS_DENIED, head + reason}, {0x2000ABCD, head + L"不明なエラー"}, {0, head + reason}};
    const StoredKey stored = StoredValues();
    for (const auto& failure : failures) {
        calls.deleteResult = failure.code;
        SetSettingsKeyAccess(failure.code == 0 ? L"D:(D;OICI;GA;;;WD)" : L"D:(A;OICI;GA;;;WD)");
        seen = Press(kRemove, IDYES);
        SetSettingsKeyAccess(L"D:(A;OICI;GA;;;WD)");
        ASSERT_EQ(2u, seen.size());
        EXPECT_EQ(failure.text, seen[1].text);
        EXPECT_EQ(BoxIcon::kError, seen[1].icon);
        EXPECT_TRUE(stored == StoredValues());
        EXPECT_TRUE(UpdateEnabled());
    }
    calls.deleteResult = 0;
    for (int twice = 0; twice < 2; ++twice) { // the second time there is nothing left to remove
        seen = Press(kRemove, IDYES);
        ASSERT_EQ(2u, seen.size());
        EXPECT_EQ(L"オプション設定を削除しました", seen[1].text);
        EXPECT_FALSE(OptionsKeyExists());
        EXPECT_FALSE(UpdateEnabled());
    }
}

// The elevated regsvr32 runs in a logon session without the user's mapped and SUBST drives: it is
// handed the name it finds the DLL by there, and from a drive whose real path is unknown, or does
// not fit, nothing is started. The drives the rows leave out answer as the system does.
TEST_F(SetupPageTest, RegistrationFromAMappedOrSubstDriveHandsOnAPathTheElevatedToolFinds) {
    SystemCallRecorder calls;
    calls.runElevations = false;
    Open();
    const std::wstring z = DllPath().substr(0, 2), rest = DllPath().substr(2), share = L"\\\\server\\share";
    const std::wstring longest = share + std::wstring(247 - DllPath().size(), L'w');
    using Drive = SystemCallRecorder::Drive;
    const struct {
        std::map<std::wstring, Drive> drives;
        std::wstring handed; // empty: refused
    } cases[] = {
        {{}, DllPath()},
        {{{z, {DRIVE_REMOTE, L"\\Device\\LanmanRedirector\\;Z:0001a2b3\\server\\share", share}}},
         share + rest},
        {{{z, {DRIVE_FIXED, L"\\??\\Y:\\in\\", L""}}, {L"Y:", {DRIVE_FIXED, L"\\??\\C:\\Shared", L""}}},
         L"C:\\Shared\\in" + rest},
        {{{z, {DRIVE_FIXED, L"\\??\\UNC\\server\\share", L""}}}, share + rest},
        {{{z, {DRIVE_REMOTE, L"\\Device\\WebDavRedirector\\;Z:0\\host", L""}}}, L""},
        {{{z, {DRIVE_REMOTE, L"", L"\\\\" + std::wstring(1100, L'n')}}}, L""},
        {{{z, {DRIVE_REMOTE, L"", longest}}}, longest + rest}, // 259 units, the most regsvr32 is given
        {{{z, {DRIVE_REMOTE, L"", longest + L"w"}}}, L""},
        {{{z, {DRIVE_FIXED, L"\\??\\C:\\" + std::wstring(1100, L'd'), L""}}}, L""},
        {{{z, {DRIVE_FIXED, L"\\??\\Y:\\a", L""}}, {L"Y:", {DRIVE_FIXED, L"\\??\\" + z + L"\\b", L""}}}, L""},
    };
    for (const auto& c : cases) {
        calls.drives = c.drives;
        calls.elevations.clear();
        const std::vector<SeenDialog> seen = Press(kRegister);
        const auto row = &c - cases;
        ASSERT_EQ(1u, seen.size()) << row;
        EXPECT_EQ(c.handed.empty(), calls.elevations.empty()) << row;
        if (c.handed.empty()) {
            EXPECT_EQ(0u, seen[0].text.find(DllPath() + L"\nこのドライブからはDLLを登録できません。")) << row;
        } else if (!calls.elevations.empty()) {
            EXPECT_EQ(L"/s \"" + c.handed + L"\"", calls.elevations[0].params) << row;
        }
    }
    // The network provider's own answer for a local drive, from the system folder's copy.
    BYTE name[1024];
    DWORD bytes = sizeof(name);
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_CONNECTED),
              kRealSystemCalls.getUniversalName(L"C:\\windows", UNIVERSAL_NAME_INFO_LEVEL, name, &bytes));
    EXPECT_NE(nullptr, GetModuleHandleW((SystemFolder() + L"mpr.dll").c_str()));
}

TEST_F(SetupPageTest, InstallFolderOpensInTheShell) {
    SystemCallRecorder calls;
    Open();
    PressButton(FindPageWindow(kSetupPage), L"（２）Travine の格納フォルダを開く");
    ASSERT_EQ(1u, calls.shellCalls.size());
    const SystemCallRecorder::ShellCall& open = calls.shellCalls[0];
    EXPECT_EQ(FindPageWindow(kSetupPage), open.owner);
    EXPECT_EQ(L"open", open.verb);
    EXPECT_EQ(0, lstrcmpiW(ProgramFolder().c_str(), open.file.c_str()));
    EXPECT_FALSE(open.paramsNull);
    EXPECT_EQ(L"", open.params);
    EXPECT_TRUE(open.directoryNull);
    EXPECT_EQ(SW_SHOWNORMAL, open.show);
    EXPECT_FALSE(UpdateEnabled());
}

TEST(ExtensionPath, IsBuiltWholeOrNotAtAll) {
    wchar_t out[260];
    EXPECT_TRUE(CombineBesideModule(L"C:\\Travine\\Travine11.exe", L"Travine11.dll", out, 260));
    EXPECT_STREQ(L"C:\\Travine\\Travine11.dll", out);
    const std::wstring deep = L"C:\\" + std::wstring(245, L'x') + L"\\Travine11.exe";
    EXPECT_FALSE(CombineBesideModule(deep.c_str(), L"Travine11.dll", out, 260));
    EXPECT_STREQ(L"", out);
    EXPECT_TRUE(CombineBesideModule(L"\\name.exe", L"a.dll", out, 260)); // no folder part
    EXPECT_STREQ(L"a.dll", out);
}

} // namespace
