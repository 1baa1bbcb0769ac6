// The registry layer of the settings: HKCU\Software\Travine11, one open and close per value.
// Value names, types and sizes are the contract with the shell extension. The same loading and
// saving rules also read and write a backup file, through the value source and sink.
#pragma once

#include <windows.h>

#include <set>
#include <string>

#include "settings/Options.h"
#include "settings/RegistryValues.h"

#include "settings/ValueSource.h"

bool WriteRegDword(const wchar_t* name, DWORD value);
bool WriteRegText(const wchar_t* name, const wchar_t* text);
bool WriteRegBinary(const wchar_t* name, const ColumnEntry& entry);

void LoadOptions(Options& options);
// Writes every value, going on after a failed one; false when any value could not be written.
bool SaveOptions(Options& options);
void WriteFirstRunDefaults(Options& options);

// Loads from values that are not the settings key (a backup file) by the same rules, except
// that the first-run writer never runs: a missing list gets its default instead, and
// OptionInitialized changes nothing. Nothing is written anywhere. usedNames, when given, gets
// the names of the values whose content reached the record; values the rules replaced by a
// default (a number of the wrong size, an empty entry, a Windows 11 option on Windows 10) and
// OptionInitialized are not among them.
void LoadOptionsFrom(const CValueSource& source, Options& options,
                     std::set<std::wstring>* usedNames = nullptr);
// What a load of an empty key gives: the first-run defaults, with the Windows 10 rule applied.
void LoadDefaultOptions(Options& options);
// Writes exactly the values SaveOptions writes, in its order, to another sink.
bool SaveOptionsTo(CValueSink& sink, Options& options);
