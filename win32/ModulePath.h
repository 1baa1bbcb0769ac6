// Paths of files installed beside the program, built without ever overrunning a buffer.
#pragma once

#include <cstddef>

// out = the first headChars units of head followed by tail. False, with out empty, when it does
// not fit into outChars units.
bool JoinBounded(const wchar_t* head, size_t headChars, const wchar_t* tail, wchar_t* out, size_t outChars);

// Copies modulePath up to and including its last backslash (searched down to the second
// character) and appends relative. False, with out empty, when the result would not fit.
bool CombineBesideModule(const wchar_t* modulePath, const wchar_t* relative, wchar_t* out, size_t outChars);

// The program's own full path; false when it cannot be read whole into modulePathChars units.
bool GetProgramPath(wchar_t* modulePath, size_t modulePathChars);

// fileName in the system folder (GetSystemDirectoryW), so that a program of the same name in
// the program's own or the current folder is never the one that runs; false when it does not fit.
bool GetSystemProgramPath(const wchar_t* fileName, wchar_t* out, size_t outChars);
