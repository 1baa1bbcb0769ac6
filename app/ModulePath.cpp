#include "app/ModulePath.h"

#include <windows.h>

#include <cwchar>

bool CombineBesideModule(const wchar_t* modulePath, const wchar_t* relative, wchar_t* out, size_t outChars) {
    if (outChars == 0) {
        return false;
    }
    out[0] = L'\0';
    const size_t pathLength = wcslen(modulePath);
    size_t folderLength = 0;
    for (size_t i = pathLength; i > 1; --i) {
        if (modulePath[i - 1] == L'\\') {
            folderLength = i;
            break;
        }
    }
    const size_t relativeLength = wcslen(relative);
    if (folderLength + relativeLength + 1 > outChars) {
        return false;
    }
    wmemcpy(out, modulePath, folderLength);
    wmemcpy(out + folderLength, relative, relativeLength);
    out[folderLength + relativeLength] = L'\0';
    return true;
}

bool GetProgramPath(wchar_t* modulePath, size_t modulePathChars) {
    const DWORD length = GetModuleFileNameW(nullptr, modulePath, static_cast<DWORD>(modulePathChars));
    // A path that filled the buffer was cut short: using it would name another file.
    if (length == 0 || length >= modulePathChars) {
        if (modulePathChars > 0) {
            modulePath[0] = L'\0';
        }
        return false;
    }
    return true;
}
