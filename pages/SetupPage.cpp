#include "pages/SetupPage.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <cwchar>
#include <iterator>

#include "app/OptionsWindow.h"
#include "pages/PageIds.h"
#include "resource.h"
#include "settings/OptionsStore.h"
#include "settings/RegReader.h"
#include "settings/WindowsVersion.h"
#include "win32/ElevatedPath.h"
#include "win32/Handles.h"
#include "win32/MessageBoxes.h"
#include "win32/ModulePath.h"
#include "win32/SystemCalls.h"

const wchar_t kExtensionClsidKey[] =
    L"SOFTWARE\\Classes\\CLSID\\{408f43a1-23c2-442e-990c-dfba06b5664f}\\InprocServer32";

namespace {

const SupportedBuild windows11Builds[] = {{22621, 4317, 4460}, {22631, 4317, 4460}, {26100, 1741, 1741}};
const SupportedBuild windows10Builds[] = {{19045, 5073, 5131}};

constexpr size_t kModulePathChars = 260;
const wchar_t kExtensionFileName[] = L"Travine11.dll";

template <size_t N> const wchar_t* Judge(const SupportedBuild (&table)[N], uint32_t build, uint32_t ubr) {
    if (build > table[N - 1].build) {
        return L"インストール可能（動作未確認）";
    }
    for (const SupportedBuild& row : table) {
        if (row.build == build) {
            return row.minUbr <= ubr && ubr <= row.maxUbr ? L"インストール可能"
                                                          : L"インストール可能（動作未確認）";
        }
    }
    return L"インストールできません";
}

void SetSetupText(int controlId, const wchar_t* text) {
    HWND control = PageControl(kSetupPage, controlId);
    if (control != nullptr) {
        SetWindowTextW(control, text);
    }
}

} // namespace

bool RunElevatedAndWait(HWND owner, const wchar_t* file, const wchar_t* params, DWORD* exitCode) {
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.hwnd = owner;
    info.lpVerb = L"runas";
    info.lpFile = file;
    info.lpParameters = params;
    info.nShow = SW_SHOWNORMAL;
    if (!systemCalls.shellExecuteEx(&info) || info.hProcess == nullptr) {
        return false;
    }
    UniqueHandleKernel process(info.hProcess);
    if (WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0) {
        return false;
    }
    return GetExitCodeProcess(process.get(), exitCode) != FALSE;
}

bool IsExtensionRegistered() {
    UniqueHkey key;
    return systemCalls.regOpenKeyEx(HKEY_LOCAL_MACHINE, kExtensionClsidKey, 0, KEY_READ, key.put()) ==
           ERROR_SUCCESS;
}

const wchar_t* JudgeWindowsBuild(uint32_t build, uint32_t ubr) {
    return IsWindows11Build(build) ? Judge(windows11Builds, build, ubr) : Judge(windows10Builds, build, ubr);
}

void ShowWindowsVersionCheck() {
    const uint32_t build = ReadWindowsBuildNumber();
    DWORD ubr = 0;
    if (!ReadRegValue(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"UBR", &ubr, sizeof(ubr))) {
        ubr = 0;
    }
    wchar_t displayVersion[32] = {};
    if (!ReadRegValue(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"DisplayVersion", displayVersion,
                      sizeof(displayVersion))) {
        displayVersion[0] = L'\0';
    }
    displayVersion[std::size(displayVersion) - 1] = L'\0';

    wchar_t line[128];
    swprintf(line, std::size(line), L"：%ls %ls 以降", WindowsName(build), L"22H2");
    SetSetupText(IDC_SETUP_SUPPORTED_VERSION, line);
    swprintf(line, std::size(line), L"：%ls %ls (build %d.%d)", WindowsName(build), displayVersion,
             static_cast<int>(build), static_cast<int>(ubr));
    SetSetupText(IDC_SETUP_RUNNING_VERSION, line);
    SetSetupText(IDC_SETUP_VERDICT, JudgeWindowsBuild(build, ubr));
}

void UpdateRegistrationButtons() {
    const bool registered = IsExtensionRegistered();
    HWND registerButton = PageControl(kSetupPage, IDC_SETUP_REGISTER);
    HWND unregisterButton = PageControl(kSetupPage, IDC_SETUP_UNREGISTER);
    HWND now = registered ? unregisterButton : registerButton;
    HWND before = registered ? registerButton : unregisterButton;
    if (now != nullptr) {
        EnableWindow(now, TRUE);
    }
    if (before != nullptr) {
        // The result box gives the focus back to the button just pressed, which goes off now.
        HandOnFocus(before, now);
        EnableWindow(before, FALSE);
    }
}

bool RunRegsvr32(HWND owner, bool registerDll) {
    wchar_t modulePath[kModulePathChars];
    wchar_t dllPath[kModulePathChars];
    const bool havePath = GetProgramPath(modulePath, std::size(modulePath)) &&
                          CombineBesideModule(modulePath, kExtensionFileName, dllPath, std::size(dllPath));
    if (!havePath || !PathFileExistsW(dllPath)) {
        // A path that could not be built whole is reported by the file name alone rather than
        // letting regsvr32 load whatever a cut path names.
        wchar_t message[kModulePathChars + 32];
        swprintf(message, std::size(message), L"%ls\nファイルが見つかりません",
                 havePath ? dllPath : kExtensionFileName);
        ShowAppMessage(owner, message, MB_ICONERROR);
        return false;
    }

    // The elevated regsvr32 sees neither the user's network drive mappings nor SUBST drives.
    wchar_t elevatedPath[kModulePathChars];
    if (!PathForElevation(dllPath, elevatedPath, std::size(elevatedPath))) {
        wchar_t message[kModulePathChars + 256];
        swprintf(message, std::size(message),
                 L"%ls\nこのドライブからはDLLを%lsできません。\n\n管理者として実行される regsvr32.exe "
                 L"には、ネットワークドライブやSUBSTドライブの割り当てが見えません。このドライブの元の"
                 L"パス（\\\\サーバー\\共有\\… など）も分かりませんでした。\n"
                 L"DLLをローカルドライブに置いてから、もう一度お試しください。",
                 dllPath, registerDll ? L"登録" : L"登録解除");
        ShowAppMessage(owner, message, MB_ICONERROR);
        return false;
    }

    wchar_t params[kModulePathChars + 16];
    swprintf(params, std::size(params), L"/s%ls \"%ls\"", registerDll ? L"" : L" /u", elevatedPath);
    // A bare "regsvr32.exe" would be looked up in the program's folder first, where any earlier
    // download of that name would then run with administrator rights.
    wchar_t regsvr32[MAX_PATH];
    DWORD exitCode = 0xFFFFFFFF;
    if (!GetSystemProgramPath(L"regsvr32.exe", regsvr32, std::size(regsvr32)) ||
        !RunElevatedAndWait(owner, regsvr32, params, &exitCode)) {
        exitCode = 0xFFFFFFFF;
    }

    wchar_t message[64];
    swprintf(message, std::size(message), L"%lsインストールに%lsしました", registerDll ? L"" : L"アン",
             exitCode == 0 ? L"成功" : L"失敗");
    ShowAppMessage(owner, message, exitCode == 0 ? MB_ICONINFORMATION : MB_ICONERROR);
    UpdateRegistrationButtons();
    return exitCode == 0;
}

void RemoveOptions(HWND owner) {
    if (ShowAppMessage(owner, L"オプション設定を削除しますか?", MB_ICONQUESTION | MB_YESNO) != IDYES) {
        return;
    }
    const LSTATUS status = systemCalls.deleteKeyTree(HKEY_CURRENT_USER, kOptionsKey);
    UniqueHkey key;
    const LSTATUS reopened = systemCalls.regOpenKeyEx(HKEY_CURRENT_USER, kOptionsKey, 0, KEY_READ, key.put());
    // Only a key that is not there is gone: one that may not be read (another account's, or
    // locked by a policy) still holds every value.
    if (reopened == ERROR_FILE_NOT_FOUND) {
        ShowAppMessage(owner, L"オプション設定を削除しました", MB_ICONINFORMATION);
        SetOptionsChanged(false);
        return;
    }
    key.reset();

    const LSTATUS reason = status != ERROR_SUCCESS || reopened == ERROR_SUCCESS ? status : reopened;
    const std::wstring message =
        L"オプション設定の削除に失敗しました\n\nエラー内容:\n" + SystemErrorText(static_cast<DWORD>(reason));
    ShowAppMessage(owner, message.c_str(), MB_ICONERROR);
}

void OpenInstallFolder(HWND owner) {
    wchar_t modulePath[1024];
    wchar_t folder[1024];
    if (!GetProgramPath(modulePath, std::size(modulePath)) ||
        !CombineBesideModule(modulePath, L"", folder, std::size(folder))) {
        return;
    }
    systemCalls.shellExecute(owner, L"open", folder, L"", nullptr, SW_SHOWNORMAL);
}
