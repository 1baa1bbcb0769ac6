#include "win32/SystemCalls.h"

#include <oleacc.h>
#include <shlwapi.h>
#include <winnetwk.h>

#include <iterator>

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
constexpr MSAAPROPID kRoleProperty = {
    0xcb905ff2, 0x7bd1, 0x4c05, {0xb3, 0xc8, 0xe6, 0xc2, 0x41, 0x36, 0x4d, 0x70}};
constexpr MSAAPROPID kDefaultActionProperty = {
    0x180c072b, 0xc27f, 0x43c7, {0x99, 0x22, 0xf6, 0x35, 0x62, 0xa4, 0x63, 0x2b}};

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

HRESULT WINAPI AnnotateAccessible(HWND control, const AccessibleAnnotation* annotation) {
    IAccPropServices* service = AnnotationService();
    if (service == nullptr) {
        return E_FAIL;
    }
    const auto client = static_cast<DWORD>(OBJID_CLIENT);
    if (annotation == nullptr) {
        const MSAAPROPID parts[] = {kNameProperty, kRoleProperty, kDefaultActionProperty};
        return service->ClearHwndProps(control, client, CHILDID_SELF, parts,
                                       static_cast<int>(std::size(parts)));
    }
    HRESULT result = S_OK;
    if (annotation->name != nullptr) {
        result = service->SetHwndPropStr(control, client, CHILDID_SELF, kNameProperty, annotation->name);
    }
    if (SUCCEEDED(result) && annotation->role != 0) {
        VARIANT role = {}; // VariantInit's only effect, without loading oleaut32 for it
        role.vt = VT_I4;
        role.lVal = annotation->role;
        result = service->SetHwndProp(control, client, CHILDID_SELF, kRoleProperty, role);
    }
    if (SUCCEEDED(result) && annotation->defaultAction != nullptr) {
        result = service->SetHwndPropStr(control, client, CHILDID_SELF, kDefaultActionProperty,
                                         annotation->defaultAction);
    }
    return result;
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
                                      AnnotateAccessible,
                                      RegOpenKeyExW,
                                      RegCreateKeyExW,
                                      GetShortPathNameW,
                                      ShutdownBlockReasonCreate,
                                      ShutdownBlockReasonDestroy,
                                      GetDriveTypeW,
                                      QueryDosDeviceW,
                                      GetUniversalName};
SystemCalls systemCalls = kRealSystemCalls;
