// The registry layer of the settings: HKCU\Software\Travine11, one open and close per value.
// Value names, types and sizes are the contract with the shell extension.
#pragma once

#include <windows.h>

#include "settings/Options.h"

extern const wchar_t kOptionsKey[];

// Opens root\subKey for reading and queries one value into buffer (*size bytes on entry, bytes
// stored on return). A value larger than the buffer is cut to the buffer's size and reported as
// ERROR_SUCCESS, so callers always get defined bytes.
LSTATUS QueryRegValue(HKEY root, const wchar_t* subKey, const wchar_t* name, void* buffer, DWORD* size);

// True when the value could be read, also when it did not fit (its first bytes are then kept).
bool ReadRegValue(HKEY root, const wchar_t* subKey, const wchar_t* name, void* buffer, DWORD size);

bool WriteRegDword(const wchar_t* name, DWORD value);
bool WriteRegText(const wchar_t* name, const wchar_t* text);
bool WriteRegBinary(const wchar_t* name, const ColumnEntry& entry);

void LoadOptions(Options& options);
// Writes every value, going on after a failed one; false when any value could not be written.
bool SaveOptions(Options& options);
void WriteFirstRunDefaults(Options& options);
