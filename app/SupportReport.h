// The report a user pastes into a bug report: the program, Windows, the extension and the
// settings that differ from a first start, as the window shows them now. It is built only when
// asked for, reads what it reports and changes nothing: no setting, no registry value, no file.
// What it keeps out, the user's folder and names, is masked as app/ReportMasking.h says.
#pragma once

#include <windows.h>

#include <string>

#include "app/ReportMasking.h"

// The report for a program at programPath (the extension is looked for beside it), one
// "名前: 値" line each. Every value that comes from the user's files, settings or registration is
// masked with names; Windows' own product data is not (a user may be called "Pro").
std::wstring BuildSupportReport(const wchar_t* programPath, const PersonalNames& names);

// Puts the running program's report on the clipboard as text and says so; when another program
// holds the clipboard, says that instead and leaves the clipboard as it was.
void CopySupportReport(HWND owner);
