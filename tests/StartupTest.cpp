// The program as users start it: a separate process, found and driven through its windows.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>
#include <winver.h>

#include <cstring>
#include <cwchar>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "app/Startup.h"
#include "settings/WindowsVersion.h"
#include "win32/Handles.h"

namespace {

struct Running {
    PROCESS_INFORMATION info = {};
    bool started = false;
};

// The first top-level window of a class that belongs to the process.
HWND FindProcessWindow(DWORD pid, const wchar_t* className) {
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, className, nullptr)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == pid) {
            return window;
        }
    }
    return nullptr;
}

class StartupTest : public testing::Test {
protected:
    void SetUp() override { ResetProgramCase(version); }
    void TearDown() override {
        for (Running& process : processes) {
            if (WaitForSingleObject(process.info.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(process.info.hProcess, 99);
                WaitForSingleObject(process.info.hProcess, 5000);
            }
            CloseHandle(process.info.hProcess);
            CloseHandle(process.info.hThread);
        }
        DeleteOptionsKey();
    }

    Running& Launch(WORD showCommand = SW_SHOWNORMAL) {
        const std::wstring exe = ProgramFolder() + L"Travine11.exe";
        std::wstring commandLine = L"\"" + exe + L"\"";
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = showCommand;
        processes.emplace_back();
        Running& process = processes.back();
        process.started = CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                         nullptr, &startup, &process.info) != FALSE;
        EXPECT_TRUE(process.started) << "CreateProcessW failed: " << GetLastError();
        return process;
    }

    static HWND WaitForWindow(const Running& process, const wchar_t* className) {
        HWND found = nullptr;
        PumpUntil(
            [&] {
                // Windows are built hidden and shown when complete.
                found = FindProcessWindow(process.info.dwProcessId, className);
                return (found != nullptr && IsWindowVisible(found)) ||
                       WaitForSingleObject(process.info.hProcess, 0) == WAIT_OBJECT_0;
            },
            15000);
        return found;
    }

    static DWORD WaitForExit(const Running& process) {
        PumpUntil([&] { return WaitForSingleObject(process.info.hProcess, 0) == WAIT_OBJECT_0; }, 15000);
        DWORD code = 12345;
        GetExitCodeProcess(process.info.hProcess, &code);
        return code;
    }

    std::vector<Running> processes;
    WindowsVersionCase version;
};

// The first start shows its window whatever show command it was given; a second start brings
// that window forward and ends; closing the window ends the first with 0.
TEST_F(StartupTest, SecondStartBringsTheFirstWindowForwardAndEnds) {
    processes.reserve(2);
    Running& first = Launch(SW_SHOWMINIMIZED);
    HWND window = WaitForWindow(first, L"TravineOptionDlgClass");
    ASSERT_NE(nullptr, window);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_FALSE(IsIconic(window));

    // The window turns visible before the program's start has brought it forward; taking the
    // foreground earlier would lose it to that last step.
    // Under load (another suite beside this one) the program's start can take seconds.
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == window; }, 20000));
    HWND other = CreateWindowW(L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    SetForegroundWindow(other);
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == other; }, 10000));

    Running& second = Launch();
    EXPECT_EQ(1u, WaitForExit(second));
    PumpUntil([&] { return GetForegroundWindow() == window; }, 20000);
    EXPECT_EQ(window, GetForegroundWindow());
    DestroyWindow(other);

    PostMessageW(window, WM_COMMAND, MAKEWPARAM(1001, BN_CLICKED), 0);
    EXPECT_EQ(0u, WaitForExit(first));
}

// A first copy started elevated made the mutex for administrators only; this process holds one that
// denies everyone. The start it refuses ends with 1 and no window; an object of another kind under
// that name is no copy of the program, which then runs unguarded.
TEST_F(StartupTest, AMutexThatMayNotBeOpenedIsAnotherCopyRunning) {
    PSECURITY_DESCRIPTOR denyAll = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(D;;GA;;;WD)", SDDL_REVISION_1,
                                                                     &denyAll, nullptr));
    SECURITY_ATTRIBUTES denied = {sizeof(denied), denyAll, FALSE};
    processes.reserve(2);
    for (bool mutex : {true, false}) {
        UniqueHandleKernel held(mutex ? CreateMutexW(&denied, FALSE, kSingleInstanceMutex)
                                      : CreateEventW(nullptr, FALSE, FALSE, kSingleInstanceMutex));
        ASSERT_NE(nullptr, held.get());
        const Running& process = Launch();
        HWND window = WaitForWindow(process, L"TravineOptionDlgClass");
        EXPECT_EQ(!mutex, window != nullptr) << "mutex " << mutex;
        PostMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(mutex ? 1u : 0u, WaitForExit(process)) << "mutex " << mutex;
    }
    LocalFree(denyAll);
}

// The buffers whose content decides a verdict, at their limits: the product name is read into 64
// units, so "Server" at its very end is seen and one unit further it is cut to "Serve"; the build
// number is read as 15 characters.
TEST(VersionBuffers, DecideAtTheirLimitsAndCutOnePast) {
    WindowsVersionCase version;
    const std::wstring fits = std::wstring(57, L'x') + L"Server"; // 63 units and the NUL
    const struct {
        std::wstring name;
        bool server;
    } names[] = {{fits, true},
                 {L"x" + fits, false},
                 {L"WINDOWS SERVER", true},
                 {L"Hyper-V server", true},
                 {L"Windows 10 Enterprise", false}};
    for (const auto& name : names) {
        version.SetProductName(name.name.c_str());
        EXPECT_EQ(name.server, IsServerEdition()) << name.name.size() << " units";
    }
    version.SetProductName(nullptr);
    EXPECT_FALSE(IsServerEdition());
    version.SetBuild(L"000000000022631");
    EXPECT_EQ(22631u, ReadWindowsBuildNumber());
    version.SetBuild(L"0000000000022631");
    EXPECT_EQ(2263u, ReadWindowsBuildNumber());
}

// Every user runs a Japanese Windows, and so do the tests: its locale, the language of Windows'
// own texts (message box buttons, file dialogs) and its ANSI and OEM code pages.
TEST(TestEnvironment, IsAJapaneseWindows) {
    wchar_t locale[LOCALE_NAME_MAX_LENGTH] = {};
    GetUserDefaultLocaleName(locale, LOCALE_NAME_MAX_LENGTH);
    EXPECT_STREQ(L"ja-JP", locale);
    const UINT seen[] = {GetUserDefaultUILanguage(), GetACP(), GetOEMCP()};
    EXPECT_EQ((std::vector<UINT>{0x0411, 932, 932}), std::vector<UINT>(std::begin(seen), std::end(seen)))
        << "UI language, ANSI and OEM code page";
}

TEST_F(StartupTest, OfFourSimultaneousStartsOneWindowRemains) {
    processes.reserve(4);
    for (int i = 0; i < 4; ++i) {
        Launch();
    }
    // The window stays open until the others have ended: closed earlier, it would free the
    // instance for a start that is still on its way.
    const auto ended = [this] {
        int count = 0;
        for (const Running& process : processes) {
            count += WaitForSingleObject(process.info.hProcess, 0) == WAIT_OBJECT_0 ? 1 : 0;
        }
        return count;
    };
    PumpUntil([&] { return ended() >= 3; }, 15000);
    PumpFor(300);
    ASSERT_EQ(3, ended());
    for (const Running& process : processes) {
        if (WaitForSingleObject(process.info.hProcess, 0) == WAIT_OBJECT_0) {
            EXPECT_EQ(1u, WaitForExit(process));
            continue;
        }
        HWND window = WaitForWindow(process, L"TravineOptionDlgClass");
        ASSERT_NE(nullptr, window);
        PostMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(0u, WaitForExit(process));
    }
}

// In a process of its own (a suite of its own): the refused start keeps the mutex to the end.
TEST(ServerEdition, IsRefusedWithAnErrorBoxBeforeAnyWindow) {
    WindowsVersionCase version;
    version.SetProductName(L"Windows Server 2022 Standard");
    DialogResponder responder = DialogResponder::Answering(IDOK);
    EXPECT_EQ(1, RunTravine(GetModuleHandleW(nullptr)));
    ASSERT_EQ(1u, responder.seen.size());
    EXPECT_EQ(L"サポート外のOSです", responder.seen[0].text);
    EXPECT_EQ(L"Travine for Windows 10/11", responder.seen[0].caption);
    EXPECT_EQ(nullptr, FindWindowW(L"TravineOptionDlgClass", nullptr));
}

// A DLL planted beside the program under a name the system has no copy of: the same load by
// bare name finds it without the start-up hardening and never with it.
TEST(DllSearch, APlantedDllBesideTheProgramIsLoadedOnlyWithoutTheHardening) {
    const std::wstring probe = ProgramFolder() + L"dll_search_probe.exe";
    ASSERT_NE(INVALID_FILE_ATTRIBUTES,
              GetFileAttributesW((ProgramFolder() + L"travine_planted.dll").c_str()));
    EXPECT_EQ(0u, RunProgram(probe, L"").exitCode) << "the planted DLL is not found at all";
    EXPECT_EQ(2u, RunProgram(probe, L"harden").exitCode) << "the planted DLL was loaded";
}

// The attributes of the first element of this name at or after from, up to its end: a
// manifest's elements as Windows reads them, in either quoting.
std::map<std::string, std::string> ManifestElement(const std::string& xml, const std::string& name,
                                                   size_t from = 0) {
    std::map<std::string, std::string> attributes;
    size_t at = xml.find("<" + name, from);
    while (at != std::string::npos && !std::strchr(" \t\r\n/>", xml[at + name.size() + 1])) {
        at = xml.find("<" + name, at + 1);
    }
    for (at = at == std::string::npos ? xml.size() : at + name.size() + 1; at < xml.size();) {
        const size_t start = xml.find_first_not_of(" \t\r\n", at);
        const size_t equals = xml.find('=', start);
        if (start == std::string::npos || std::strchr("/>", xml[start]) || equals + 1 >= xml.size()) {
            break;
        }
        const size_t close = xml.find(xml[equals + 1], equals + 2);
        attributes[xml.substr(start, equals - start)] = xml.substr(equals + 2, close - equals - 2);
        at = close == std::string::npos ? xml.size() : close + 1;
    }
    return attributes;
}

// What Windows reads from Travine11.exe before any of its code runs: the manifest that decides
// the rights it asks for and the controls' version, and the version block Explorer's Properties
// show, whose strings are found through the Translation entry as Explorer finds them. The values
// are Microsoft's documented ones.
TEST(ProgramFile, TheManifestAsksForNoRightsAndTheVersion6ControlsAndTheVersionBlockNamesTheProgram) {
    const std::wstring exe = ProgramFolder() + L"Travine11.exe";
    HMODULE image =
        LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(nullptr, image);
    HRSRC found = FindResourceW(image, MAKEINTRESOURCEW(1), RT_MANIFEST);
    const char* bytes =
        found != nullptr ? static_cast<const char*>(LockResource(LoadResource(image, found))) : nullptr;
    const std::string xml = bytes != nullptr ? std::string(bytes, SizeofResource(image, found)) : "";
    FreeLibrary(image);
    ASSERT_FALSE(xml.empty()) << "no manifest 1";
    using Attributes = std::map<std::string, std::string>;
    EXPECT_EQ((Attributes{{"level", "asInvoker"}, {"uiAccess", "false"}}),
              ManifestElement(xml, "requestedExecutionLevel"));
    const std::string trust = ManifestElement(xml, "trustInfo")["xmlns"];
    EXPECT_TRUE(trust == "urn:schemas-microsoft-com:asm.v3" || trust == "urn:schemas-microsoft-com:asm.v2")
        << "Windows ignores the execution level outside this namespace: " << trust;
    EXPECT_EQ((Attributes{{"type", "win32"},
                          {"name", "Microsoft.Windows.Common-Controls"},
                          {"version", "6.0.0.0"},
                          {"processorArchitecture", "*"},
                          {"publicKeyToken", "6595b64144ccf1df"},
                          {"language", "*"}}),
              ManifestElement(xml, "assemblyIdentity", xml.find("<dependentAssembly")));

    std::vector<BYTE> block(GetFileVersionInfoSizeW(exe.c_str(), nullptr));
    ASSERT_FALSE(block.empty()) << "no version block";
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
    EXPECT_EQ((std::vector<DWORD>{0x00010002, 0, 0x00010002, 0, VFT_APP}),
              (std::vector<DWORD>{fixed->dwFileVersionMS, fixed->dwFileVersionLS, fixed->dwProductVersionMS,
                                  fixed->dwProductVersionLS, fixed->dwFileType}));
    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &size) &&
                size >= 2 * sizeof(WORD));
    EXPECT_EQ(std::make_pair(WORD{0x0411}, WORD{1200}), std::make_pair(translation[0], translation[1]));
    wchar_t table[32];
    swprintf(table, std::size(table), L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
    const std::pair<const wchar_t*, const wchar_t*> kShown[] = {
        {L"CompanyName", L"The Travine Project"},
        {L"FileDescription", L"Travine for Windows 10/11"},
        {L"FileVersion", L"1.2.0.0"},
        {L"InternalName", L"Travine11"},
        {L"LegalCopyright", L"Copyright (C) 2024-2026 The Travine Project"},
        {L"OriginalFilename", L"Travine11.exe"},
        {L"ProductName", L"Travine for Windows 10/11"},
        {L"ProductVersion", L"1.2.0.0"},
    };
    for (const auto& [name, text] : kShown) {
        wchar_t* value = nullptr;
        const std::wstring path = table + std::wstring(name);
        EXPECT_TRUE(VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &size) &&
                    value != nullptr && std::wstring(value) == text)
            << testing::PrintToString(path);
    }
}

} // namespace
