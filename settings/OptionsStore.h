// The registry layer of the settings: HKCU\Software\Travine11, one open and close per value.
// Value names, types and sizes are the contract with the shell extension.
#pragma once

#include <windows.h>

#include "settings/Options.h"

extern const wchar_t kOptionsKey[];

bool WriteRegDword(const wchar_t* name, DWORD value);
bool WriteRegText(const wchar_t* name, const wchar_t* text);
bool WriteRegBinary(const wchar_t* name, const ColumnEntry& entry);

void LoadOptions(Options& options);
// Writes every value, going on after a failed one; false when any value could not be written.
bool SaveOptions(Options& options);
void WriteFirstRunDefaults(Options& options);
