// The report a user pastes into a bug report: the program, Windows, the extension and the
// settings that differ from a first start, as the window shows them now. It is built only when
// asked for, reads what it reports and changes nothing: no setting, no registry value, no file.
#pragma once

#include <windows.h>

#include <string>

// The report for a program at programPath (the extension is looked for beside it), one
// "名前: 値" line each, with the user's profile folder, user name and computer name masked.
std::wstring BuildSupportReport(const wchar_t* programPath);

// The user's profile folder becomes %USERPROFILE%, and the user and computer names, where they
// stand as words of their own, %USERNAME% and %COMPUTERNAME%.
std::wstring MaskPersonalData(std::wstring text, const std::wstring& profile, const std::wstring& userName,
                              const std::wstring& computerName);

// Puts the running program's report on the clipboard as text and says so; when another program
// holds the clipboard, says that instead and leaves the clipboard as it was.
void CopySupportReport(HWND owner);
