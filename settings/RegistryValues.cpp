#include "settings/RegistryValues.h"

#include <iterator>

#include "settings/RegReader.h"
#include "win32/Handles.h"
#include "win32/SystemCalls.h"

const wchar_t kOptionsKey[] = L"Software\\Travine11";

LSTATUS CRegistryValues::Query(const wchar_t* name, void* buffer, DWORD* size) const {
    return QueryRegValue(HKEY_CURRENT_USER, kOptionsKey, name, buffer, size);
}

void CRegistryValues::ForEachName(const std::function<void(const wchar_t*)>& visit) const {
    UniqueHkey key;
    if (systemCalls.regOpenKeyEx(HKEY_CURRENT_USER, kOptionsKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
        return;
    }
    wchar_t name[256]; // registry value names are at most 16383 units, ours far shorter
    for (DWORD i = 0;; ++i) {
        DWORD nameChars = static_cast<DWORD>(std::size(name));
        const LSTATUS status =
            RegEnumValueW(key.get(), i, name, &nameChars, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_SUCCESS) {
            visit(name);
        } else if (status != ERROR_MORE_DATA) {
            break; // the end, or a key that cannot be read on
        }          // ERROR_MORE_DATA: a name too long for the buffer cannot be one of ours
    }
}

bool CRegistryValues::Write(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    UniqueHkey key;
    if (systemCalls.regCreateKeyEx(HKEY_CURRENT_USER, kOptionsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   KEY_ALL_ACCESS, nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
        return false;
    }
    return RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}
