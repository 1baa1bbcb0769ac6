#include "RegistryFixtures.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <cstring>

#include "settings/OptionsStore.h"

namespace {
const wchar_t kClsidKey[] = L"SOFTWARE\\Classes\\CLSID\\{408f43a1-23c2-442e-990c-dfba06b5664f}";
} // namespace

void DeleteOptionsKey() {
    SHDeleteKeyW(HKEY_CURRENT_USER, kOptionsKey);
}

bool OptionsKeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kOptionsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

void SetOptionRaw(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kOptionsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

void SetOptionDword(const wchar_t* name, DWORD value) {
    SetOptionRaw(name, REG_DWORD, &value, sizeof(value));
}

void SetOptionText(const wchar_t* name, const wchar_t* text) {
    SetOptionRaw(name, REG_SZ, text, static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
}

DWORD RawValue::AsDword() const {
    DWORD value = 0;
    if (!bytes.empty()) {
        std::memcpy(&value, bytes.data(), bytes.size() < 4 ? bytes.size() : 4);
    }
    return value;
}

std::wstring RawValue::AsText() const {
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') {
        text.pop_back();
    }
    return text;
}

RawValue ReadRaw(HKEY root, const wchar_t* subKey, const wchar_t* name) {
    RawValue value;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return value;
    }
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        value.bytes.resize(size);
        if (RegQueryValueExW(key, name, nullptr, &value.type, value.bytes.data(), &size) == ERROR_SUCCESS) {
            value.present = true;
            value.bytes.resize(size);
        }
    }
    RegCloseKey(key);
    return value;
}

RawValue ReadOptionRaw(const wchar_t* name) {
    return ReadRaw(HKEY_CURRENT_USER, kOptionsKey, name);
}

StoredKey StoredValues() {
    StoredKey values;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kOptionsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return values;
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameChars = 256;
        DWORD type = 0;
        if (RegEnumValueW(key, i, name, &nameChars, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        values[name] = {type, ReadOptionRaw(name).bytes};
    }
    RegCloseKey(key);
    return values;
}

ColumnEntry StoredColumn(int index) {
    ColumnEntry entry;
    std::memset(&entry, 0, sizeof(entry));
    const std::wstring name = L"Column_" + std::to_wstring(index);
    const RawValue value = ReadOptionRaw(name.c_str());
    if (!value.present || value.bytes.size() != sizeof(entry)) {
        ADD_FAILURE() << "Column_" << index << (value.present ? " has " : " is missing")
                      << (value.present ? std::to_string(value.bytes.size()) + " bytes" : "");
        return entry;
    }
    std::memcpy(&entry, value.bytes.data(), sizeof(entry));
    return entry;
}

namespace {
const wchar_t kVolatileRoot[] = L"Software\\TravineVolatileRoot";
} // namespace

FailingRegistryWrites::FailingRegistryWrites() {
    RegCreateKeyExW(HKEY_CURRENT_USER, kVolatileRoot, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                    nullptr, &m_root, nullptr);
    HKEY software = nullptr;
    RegCreateKeyExW(m_root, L"Software", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &software,
                    nullptr);
    RegCloseKey(software);
    EXPECT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CURRENT_USER, m_root));
}

FailingRegistryWrites::~FailingRegistryWrites() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(m_root);
    SHDeleteKeyW(HKEY_CURRENT_USER, kVolatileRoot);
}

void RemoveExtensionRegistration() {
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, kClsidKey);
}

void FakeExtensionRegistration() {
    HKEY key = nullptr;
    std::wstring path = std::wstring(kClsidKey) + L"\\InprocServer32";
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegCloseKey(key);
}
