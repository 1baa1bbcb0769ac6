#include "WindowsVersionCase.h"

#include <gtest/gtest.h>

#include <cwchar>

#include "settings/WindowsVersion.h"

namespace {
void WriteVersionValue(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, kCurrentVersionKey, 0, KEY_ALL_ACCESS, &key));
    if (data == nullptr) {
        RegDeleteValueW(key, name);
    } else {
        RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    }
    RegCloseKey(key);
}
} // namespace

WindowsVersionCase::WindowsVersionCase() {
    for (const wchar_t* name :
         {L"CurrentBuildNumber", L"UBR", L"DisplayVersion", L"ProductName", L"EditionID"}) {
        m_saved.push_back({name, ReadRaw(HKEY_LOCAL_MACHINE, kCurrentVersionKey, name)});
    }
}

WindowsVersionCase::~WindowsVersionCase() {
    for (const Saved& saved : m_saved) {
        if (saved.value.present) {
            WriteVersionValue(saved.name, saved.value.type, saved.value.bytes.data(),
                              static_cast<DWORD>(saved.value.bytes.size()));
        } else {
            WriteVersionValue(saved.name, REG_NONE, nullptr, 0);
        }
    }
}

void WindowsVersionCase::SetText(const wchar_t* name, const wchar_t* text) {
    WriteVersionValue(name, REG_SZ, text,
                      text ? static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)) : 0);
}
void WindowsVersionCase::Set(const wchar_t* build, DWORD ubr, const wchar_t* displayVersion) {
    SetBuild(build);
    WriteVersionValue(L"UBR", REG_DWORD, &ubr, sizeof(ubr));
    SetText(L"DisplayVersion", displayVersion);
}

void ResetProgramCase(WindowsVersionCase& version) {
    DeleteOptionsKey();
    RemoveExtensionRegistration();
    version.Set(L"22631", 4460, L"23H2");
    version.SetProductName(L"Windows 10 Pro");
    version.SetText(L"EditionID", L"Professional");
}
