// The registry as a test sets it up and reads it back: the settings key value by value, the
// extension's registration, and a profile in which every write of the store fails.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "settings/Options.h"

// Registry helpers for HKCU\Software\Travine11.
void DeleteOptionsKey();
bool OptionsKeyExists();
void SetOptionDword(const wchar_t* name, DWORD value);
void SetOptionText(const wchar_t* name, const wchar_t* text);
void SetOptionRaw(const wchar_t* name, DWORD type, const void* data, DWORD size);
struct RawValue {
    bool present = false;
    DWORD type = 0;
    std::vector<BYTE> bytes;
    DWORD AsDword() const;
    std::wstring AsText() const;
};
RawValue ReadOptionRaw(const wchar_t* name);
// Every value of the settings key by name: its type and bytes.
using StoredKey = std::map<std::wstring, std::pair<DWORD, std::vector<BYTE>>>;
StoredKey StoredValues();
// The stored Column_<index>; a missing value or one of another size fails the test and gives a
// zeroed entry.
ColumnEntry StoredColumn(int index);
RawValue ReadRaw(HKEY root, const wchar_t* subKey, const wchar_t* name);

// While alive, HKEY_CURRENT_USER is a volatile key of its own, below which the non-volatile
// settings key cannot be created: every write of the store fails, as in a locked-down profile.
class FailingRegistryWrites {
public:
    FailingRegistryWrites();
    ~FailingRegistryWrites();
    FailingRegistryWrites(const FailingRegistryWrites&) = delete;
    FailingRegistryWrites& operator=(const FailingRegistryWrites&) = delete;

private:
    HKEY m_root = nullptr;
};

// The extension's registration key in HKLM.
void RemoveExtensionRegistration();
void FakeExtensionRegistration();
