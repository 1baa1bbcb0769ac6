#include "app/ReportMasking.h"

#include <windows.h>
#include <shlobj.h>

#include <iterator>
#include <vector>

#include "win32/SystemCalls.h"

namespace {

// Kana and kanji (with the iteration mark, half-width kana and either half of a surrogate pair,
// which in a Japanese name is a rare kanji): scripts written without spaces between words.
bool IsUnspacedScript(wchar_t c) {
    return (c >= 0x3040 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF66 && c <= 0xFF9F) || (c >= 0xD800 && c <= 0xDFFF) ||
           c == 0x3005;
}

bool IsWordCharacter(wchar_t c) {
    return IsCharAlphaNumericW(c) != FALSE || IsUnspacedScript(c);
}

// Two neighbours belong to one word only in a spaced script: "Taro2" is another name than
// "Taro", but in "田中のツール" the name ends where the kana begin.
bool RunTogether(wchar_t left, wchar_t right) {
    return IsCharAlphaNumericW(left) && IsCharAlphaNumericW(right) && !IsUnspacedScript(left) &&
           !IsUnspacedScript(right);
}

enum class Bound {
    kPath,      // the profile folder: nothing may continue its last name
    kComponent, // the profile folder's own name: only right after a separator
    kWord,      // a user or computer name
};

struct MaskRule {
    std::wstring what; // with forward slashes turned into backslashes
    const wchar_t* with;
    Bound bound;
};

std::wstring WithBackslashes(std::wstring text) {
    for (wchar_t& c : text) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return text;
}

// The folder and its last name; nothing for a drive's root, which would mask every path on it.
void AddProfileRules(std::vector<MaskRule>& rules, const std::wstring& profile) {
    std::wstring folder = WithBackslashes(profile);
    while (!folder.empty() && folder.back() == L'\\') {
        folder.pop_back();
    }
    const size_t separator = folder.rfind(L'\\');
    if (separator == std::wstring::npos || separator + 1 == folder.size() || folder.back() == L':') {
        return;
    }
    rules.push_back({folder, L"%USERPROFILE%", Bound::kPath});
    rules.push_back({folder.substr(separator + 1), L"%USERNAME%", Bound::kComponent});
}

bool Matches(const MaskRule& rule, const std::wstring& text, size_t at) {
    const size_t end = at + rule.what.size();
    if (rule.what.empty() || end > text.size() ||
        CompareStringOrdinal(text.c_str() + at, static_cast<int>(rule.what.size()), rule.what.c_str(),
                             static_cast<int>(rule.what.size()), TRUE) != CSTR_EQUAL) {
        return false;
    }
    const bool apartBefore = rule.bound == Bound::kComponent
                                 ? at > 0 && text[at - 1] == L'\\'
                                 : at == 0 || !RunTogether(text[at - 1], text[at]);
    const bool apartAfter =
        end == text.size() ||
        (rule.bound == Bound::kPath ? !IsWordCharacter(text[end]) : !RunTogether(text[end - 1], text[end]));
    return apartBefore && apartAfter;
}

} // namespace

PersonalNames ReadPersonalNames() {
    PersonalNames names;
    wchar_t path[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, path))) {
        names.profile = path;
        // TEMP, and so a program opened straight from a ZIP, is given in this form.
        wchar_t shortPath[MAX_PATH] = {};
        const DWORD length =
            systemCalls.getShortPathName(path, shortPath, static_cast<DWORD>(std::size(shortPath)));
        if (length > 0 && length < std::size(shortPath)) {
            names.shortProfile = shortPath;
        }
    }
    wchar_t userName[257] = {};
    DWORD userChars = static_cast<DWORD>(std::size(userName));
    if (GetUserNameW(userName, &userChars)) {
        names.userName = userName;
    }
    wchar_t computerName[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD computerChars = static_cast<DWORD>(std::size(computerName));
    if (GetComputerNameW(computerName, &computerChars)) {
        names.computerName = computerName;
    }
    return names;
}

std::wstring MaskPersonalData(const std::wstring& text, const PersonalNames& names) {
    std::vector<MaskRule> rules;
    AddProfileRules(rules, names.profile);
    AddProfileRules(rules, names.shortProfile);
    rules.push_back({names.userName, L"%USERNAME%", Bound::kWord});
    rules.push_back({names.computerName, L"%COMPUTERNAME%", Bound::kWord});
    // Matched against one copy with backslashes only, copied from the text as it was: what one
    // rule put in is never taken for a name by the next.
    const std::wstring matched = WithBackslashes(text);
    std::wstring masked;
    for (size_t at = 0; at < text.size();) {
        // The longest: a computer called TARO-PC is not the user taro with "-PC" after him.
        const MaskRule* found = nullptr;
        for (const MaskRule& rule : rules) {
            if (Matches(rule, matched, at) && (found == nullptr || rule.what.size() > found->what.size())) {
                found = &rule;
            }
        }
        if (found != nullptr) {
            masked += found->with;
            at += found->what.size();
        } else {
            masked += text[at++];
        }
    }
    return masked;
}
