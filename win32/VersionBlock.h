// The version of a module or of a file beside the program, read from its version block within
// the block's own bounds: the file may be any file that lies there.
#pragma once

#include <windows.h>

#include <string>

// The file version ("1.2.0.0") of a loaded module's version block; false when it has none or
// the block is malformed.
bool ModuleVersion(HMODULE module, std::wstring& version);

// The same for a file at a full path, mapped as data only: no code of it ever runs.
bool FileVersion(const wchar_t* path, std::wstring& version);
