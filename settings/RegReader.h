// The bounded registry read shared by the settings store and the Windows version checks: one
// open, query and close per value, never a byte past the caller's buffer.
#pragma once

#include <windows.h>

// Values larger than this are not worth reading even in part: nothing the program reads comes
// near it.
constexpr DWORD kMaxValueBytes = 1u << 20;

// Opens root\subKey for reading and queries one value into buffer (*size bytes on entry, bytes
// stored on return). A value larger than the buffer keeps its first *size bytes and reports
// ERROR_SUCCESS, so callers always get defined bytes. A value over kMaxValueBytes is not read:
// the buffer is zeroed, *size becomes 0 and the result is ERROR_MORE_DATA, which the store's
// readers take for a missing value.
LSTATUS QueryRegValue(HKEY root, const wchar_t* subKey, const wchar_t* name, void* buffer, DWORD* size);

// True when the value could be read, also when it did not fit (its first bytes are then kept).
bool ReadRegValue(HKEY root, const wchar_t* subKey, const wchar_t* name, void* buffer, DWORD size);
