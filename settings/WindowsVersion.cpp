#include "settings/WindowsVersion.h"

#include <windows.h>

#include <climits>
#include <iterator>

#include "settings/RegReader.h"

const wchar_t kCurrentVersionKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

uint32_t ParseBuildNumber(const wchar_t* text) {
    if (text == nullptr) {
        return 0;
    }
    while (*text == L' ' || (*text >= L'\t' && *text <= L'\r')) {
        ++text;
    }
    bool negative = false;
    if (*text == L'+' || *text == L'-') {
        negative = *text == L'-';
        ++text;
    }
    long long value = 0;
    for (; *text >= L'0' && *text <= L'9'; ++text) {
        value = value * 10 + (*text - L'0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            value = static_cast<long long>(INT_MAX) + 1;
        }
    }
    if (negative) {
        value = -value;
    } else if (value > INT_MAX) {
        value = INT_MAX;
    }
    return static_cast<uint32_t>(static_cast<int32_t>(value));
}

uint32_t ReadWindowsBuildNumber() {
    wchar_t text[16] = {}; // 32 bytes: 15 characters and the NUL
    DWORD size = sizeof(text);
    if (QueryRegValue(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"CurrentBuildNumber", text, &size) !=
        ERROR_SUCCESS) {
        return 0;
    }
    text[std::size(text) - 1] = L'\0';
    return ParseBuildNumber(text);
}

const wchar_t* WindowsName(uint32_t build) {
    return IsWindows11Build(build) ? L"Windows 11" : L"Windows 10";
}

std::wstring WindowsProductName(uint32_t build, const std::wstring& storedProductName) {
    const std::wstring prefix = L"Windows ";
    size_t at = prefix.size();
    if (storedProductName.compare(0, at, prefix) == 0) {
        while (at < storedProductName.size() && storedProductName[at] >= L'0' &&
               storedProductName[at] <= L'9') {
            ++at;
        }
    }
    const bool hasEdition =
        at > prefix.size() && at + 1 < storedProductName.size() && storedProductName[at] == L' ';
    return hasEdition ? WindowsName(build) + storedProductName.substr(at) : std::wstring(WindowsName(build));
}
