// What the report keeps out: the user's folder and names, in every form in which Windows hands
// them out, replaced by the variables that stand for them.
#pragma once

#include <string>

// The forms in which Windows hands out the user's folder and names.
struct PersonalNames {
    std::wstring profile;      // the profile folder, as the shell gives it
    std::wstring shortProfile; // its short (8.3) form, as the file system gives it
    std::wstring userName;
    std::wstring computerName;
};

// The running user's names; the short form through the system-call seam.
PersonalNames ReadPersonalNames();

// The profile folder, long or short, with either slash and in any letter case, becomes
// %USERPROFILE%; its own name as a path component, and the user name, %USERNAME%; the computer
// name %COMPUTERNAME%. A name that runs on into letters or digits of a spaced script is part of
// another word and stays; kana and kanji are written without spaces, so beside them a name is
// always masked.
std::wstring MaskPersonalData(const std::wstring& text, const PersonalNames& names);
