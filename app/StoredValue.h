// A registry value as the report finds it, whatever its type: a maintainer learns more from
// "REG_DWORD" or "too long" than from an empty line.
#pragma once

#include <windows.h>

#include <string>

struct StoredValue {
    LSTATUS status = ERROR_FILE_NOT_FOUND;
    DWORD type = REG_NONE;
    DWORD bytes = 0;
    std::wstring text; // REG_SZ and REG_EXPAND_SZ, up to the first NUL

    bool IsText() const { return status == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ); }
};

// The key is opened through the system-call seam. A value longer than a path is not read: its
// status says ERROR_MORE_DATA and its bytes how long it is.
StoredValue ReadStored(HKEY root, const wchar_t* subKey, const wchar_t* name);

// What was found in place of plain text, in words; empty for a plain, non-empty REG_SZ.
std::wstring DescribeUnusual(const StoredValue& value);

// The value's text, and in brackets whatever was unusual about it.
std::wstring ShowStored(const StoredValue& value);
