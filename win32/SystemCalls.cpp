#include "win32/SystemCalls.h"

#include <oleacc.h>
#include <shlwapi.h>
#include <winnetwk.h>

namespace {
// The SDKs disagree on the declared result type (DWORD or LSTATUS); both carry a system code.
LSTATUS WINAPI DeleteKeyTree(HKEY root, LPCWSTR subKey) {
    return static_cast<LSTATUS>(SHDeleteKeyW(root, subKey));
}

// The annotation service's identifiers, as oleacc.h declares them. Defined here: the import
// library that holds them brings every identifier of the SDK, 50 KiB, into the program.
constexpr CLSID kAccPropServicesClass = {
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr IID kAccPropServicesInterface = {
    0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr MSAAPROPID kNameProperty = {
    0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};

using CoInitializeExFn = HRESULT(WINAPI*)(LPVOID, DWORD);
using CoCreateInstanceFn = HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);

// The annotation service, made on first use: COM is loaded only once the window is up, so
// start-up does not pay for it. It lives as long as the process.
IAccPropServices* AnnotationService() {
    static IAccPropServices* service = nullptr;
    static bool tried = false;
    if (tried) {
        return service;
    }
    tried = true;
    HMODULE ole32 = LoadLibraryExW(L"ole32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (ole32 == nullptr) {
        return nullptr;
    }
    auto coInitializeEx =
        reinterpret_cast<CoInitializeExFn>(reinterpret_cast<void*>(GetProcAddress(ole32, "CoInitializeEx")));
    auto coCreateInstance = reinterpret_cast<CoCreateInstanceFn>(
        reinterpret_cast<void*>(GetProcAddress(ole32, "CoCreateInstance")));
    if (coInitializeEx == nullptr || coCreateInstance == nullptr ||
        FAILED(coInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        return nullptr;
    }
    void* created = nullptr;
    if (SUCCEEDED(coCreateInstance(kAccPropServicesClass, nullptr, CLSCTX_INPROC_SERVER,
                                   kAccPropServicesInterface, &created))) {
        service = static_cast<IAccPropServices*>(created);
    }
    return service;
}

HRESULT WINAPI SetAccessibleName(HWND control, LPCWSTR name) {
    IAccPropServices* service = AnnotationService();
    if (service == nullptr) {
        return E_FAIL;
    }
    if (name != nullptr) {
        return service->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kNameProperty,
                                       name);
    }
    const MSAAPROPID names[] = {kNameProperty};
    return service->ClearHwndProps(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, names, 1);
}
using GetUniversalNameFn = DWORD(WINAPI*)(LPCWSTR, DWORD, LPVOID, LPDWORD);

// Loaded, not linked: mpr.dll is not among the libraries the system keeps loaded, so a link would
// let the loader look for it beside the program first. It lives as long as the process.
DWORD WINAPI GetUniversalName(LPCWSTR localPath, DWORD infoLevel, LPVOID buffer, LPDWORD bufferBytes) {
    static GetUniversalNameFn function = nullptr;
    static bool tried = false;
    if (!tried) {
        tried = true;
        HMODULE mpr = LoadLibraryExW(L"mpr.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (mpr != nullptr) {
            function = reinterpret_cast<GetUniversalNameFn>(
                reinterpret_cast<void*>(GetProcAddress(mpr, "WNetGetUniversalNameW")));
        }
    }
    return function != nullptr ? function(localPath, infoLevel, buffer, bufferBytes) : ERROR_NOT_SUPPORTED;
}
} // namespace

const SystemCalls kRealSystemCalls = {ShellExecuteW,
                                      ShellExecuteExW,
                                      GetOpenFileNameW,
                                      DeleteKeyTree,
                                      GetSaveFileNameW,
                                      WriteFile,
                                      MoveFileExW,
                                      SystemParametersInfoW,
                                      SetAccessibleName,
                                      RegOpenKeyExW,
                                      RegCreateKeyExW,
                                      GetShortPathNameW,
                                      ShutdownBlockReasonCreate,
                                      ShutdownBlockReasonDestroy,
                                      GetDriveTypeW,
                                      QueryDosDeviceW,
                                      GetUniversalName};
SystemCalls systemCalls = kRealSystemCalls;
