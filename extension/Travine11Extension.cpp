// A stand-in for the Travine shell extension: a minimal in-process COM server that registers
// and unregisters its class, so that the Setup page can be used for real. It implements no
// shell behaviour and is never shipped.
#include <windows.h>
#include <olectl.h>
#include <shlwapi.h>

#include <cwchar>

namespace {

HMODULE thisModule = nullptr;

const wchar_t kClsidKey[] = L"SOFTWARE\\Classes\\CLSID\\{408f43a1-23c2-442e-990c-dfba06b5664f}";
const wchar_t kServerKey[] =
    L"SOFTWARE\\Classes\\CLSID\\{408f43a1-23c2-442e-990c-dfba06b5664f}\\InprocServer32";

bool SetText(HKEY key, const wchar_t* name, const wchar_t* text) {
    const DWORD bytes = static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes) == ERROR_SUCCESS;
}

bool CreateWithDefault(const wchar_t* path, const wchar_t* text, HKEY* key) {
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    return SetText(*key, nullptr, text);
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        thisModule = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT __stdcall DllRegisterServer() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(thisModule, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return SELFREG_E_CLASS;
    }
    HKEY clsid = nullptr;
    if (!CreateWithDefault(kClsidKey, L"Travine for Windows 10/11 (stand-in)", &clsid)) {
        if (clsid != nullptr) {
            RegCloseKey(clsid);
        }
        return SELFREG_E_CLASS;
    }
    RegCloseKey(clsid);
    HKEY server = nullptr;
    const bool ok =
        CreateWithDefault(kServerKey, path, &server) && SetText(server, L"ThreadingModel", L"Apartment");
    if (server != nullptr) {
        RegCloseKey(server);
    }
    if (!ok) {
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, kClsidKey);
        return SELFREG_E_CLASS;
    }
    return S_OK;
}

extern "C" HRESULT __stdcall DllUnregisterServer() {
    const LSTATUS status = SHDeleteKeyW(HKEY_LOCAL_MACHINE, kClsidKey);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? S_OK : SELFREG_E_CLASS;
}

extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID, REFIID, LPVOID* object) {
    if (object != nullptr) {
        *object = nullptr;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT __stdcall DllCanUnloadNow() {
    return S_OK;
}
