#include "app/SystemCalls.h"

#include <oleacc.h>
#include <shlwapi.h>

namespace {
// The SDKs disagree on the declared result type (DWORD or LSTATUS); both carry a system code.
LSTATUS WINAPI DeleteKeyTree(HKEY root, LPCWSTR subKey) {
    return static_cast<LSTATUS>(SHDeleteKeyW(root, subKey));
}

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
    if (SUCCEEDED(coCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                   &created))) {
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
        return service->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                       PROPID_ACC_NAME, name);
    }
    const MSAAPROPID names[] = {PROPID_ACC_NAME};
    return service->ClearHwndProps(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, names, 1);
}
} // namespace

const SystemCalls kRealSystemCalls = {ShellExecuteW, ShellExecuteExW,       GetOpenFileNameW,
                                      DeleteKeyTree, GetSaveFileNameW,      WriteFile,
                                      MoveFileExW,   SystemParametersInfoW, SetAccessibleName};
SystemCalls systemCalls = kRealSystemCalls;
