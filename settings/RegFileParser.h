// A strict reader of regedit's .reg format (Windows Registry Editor Version 5.00, UTF-16LE):
// what this program writes, what regedit and "reg export" write when they export the settings
// key. Only the values of the settings key are kept; nothing is ever carried out.
#pragma once

#include <windows.h>

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "settings/ValueSource.h"

// A backup of the settings is a few kilobytes; anything far larger is not one.
constexpr size_t kMaxRegFileBytes = 1u << 20;

extern const wchar_t kSettingsKeyPath[]; // HKEY_CURRENT_USER\Software\Travine11

// The values of the settings key as a file gave them: names compare without regard to case, as
// in the registry; a later value of the same name replaces an earlier one, as an import would.
class CRegFileValues : public CValueSource {
public:
    struct Value {
        DWORD type = REG_NONE;
        std::vector<BYTE> bytes;
    };

    void Set(const std::wstring& name, DWORD type, std::vector<BYTE> bytes);
    size_t Count() const { return m_values.size(); }
    const Value* Find(const wchar_t* name) const;

    LSTATUS Query(const wchar_t* name, void* buffer, DWORD* size) const override;
    void ForEachName(const std::function<void(const wchar_t*)>& visit) const override;

private:
    struct NameLess {
        bool operator()(const std::wstring& a, const std::wstring& b) const;
    };
    std::map<std::wstring, Value, NameLess> m_values;
};

enum class RegFileError {
    kNone,
    kTooLarge,      // over kMaxRegFileBytes
    kNotRegFile,    // no UTF-16LE byte order mark, or not the version 5.00 header
    kMalformedLine, // a line that is none of the format's kinds, or one cut short
    kNoSettingsKey, // well-formed, but without [HKEY_CURRENT_USER\Software\Travine11]
};

struct RegFileContents {
    RegFileError error = RegFileError::kNone;
    int errorLine = 0; // 1-based, for kMalformedLine
    CRegFileValues values;
    int otherKeys = 0;     // sections of other keys, skipped
    int deletionLines = 0; // "[-key]" and "name"=- lines, ignored
};

// Parses a whole file; on any error, contents.values stays empty.
RegFileContents ParseRegFile(const BYTE* data, size_t size);
