// The report a user pastes into a bug report: the program, Windows, the extension and the
// settings that differ from a first start, as the window shows them now. It is built only when
// asked for, reads what it reports and changes nothing: no setting, no registry value, no file.
#pragma once

#include <windows.h>

#include <string>

// What the report keeps out: the forms in which Windows hands out the user's folder and names.
struct PersonalNames {
    std::wstring profile;      // the profile folder, as the shell gives it
    std::wstring shortProfile; // its short (8.3) form, as the file system gives it
    std::wstring userName;
    std::wstring computerName;
};

// The running user's names; the short form through the system-call seam.
PersonalNames ReadPersonalNames();

// The report for a program at programPath (the extension is looked for beside it), one
// "名前: 値" line each. Every value that comes from the user's files, settings or registration is
// masked with names; Windows' own product data is not (a user may be called "Pro").
std::wstring BuildSupportReport(const wchar_t* programPath, const PersonalNames& names);

// The profile folder, long or short, with either slash and in any letter case, becomes
// %USERPROFILE%; its own name as a path component, and the user name, %USERNAME%; the computer
// name %COMPUTERNAME%. A name that runs on into letters or digits of a spaced script is part of
// another word and stays; kana and kanji are written without spaces, so beside them a name is
// always masked.
std::wstring MaskPersonalData(const std::wstring& text, const PersonalNames& names);

// Puts the running program's report on the clipboard as text and says so; when another program
// holds the clipboard, says that instead and leaves the clipboard as it was.
void CopySupportReport(HWND owner);
