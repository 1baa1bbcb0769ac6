#include "win32/ModulePath.h"

#include <windows.h>

#include <cwchar>

bool JoinBounded(const wchar_t* head, size_t headChars, const wchar_t* tail, wchar_t* out, size_t outChars) {
    if (outChars == 0) {
        return false;
    }
    out[0] = L'\0';
    const size_t tailChars = wcslen(tail);
    if (headChars + tailChars + 1 > outChars) {
        return false;
    }
    // Moved, not copied: head may lie in out already.
    wmemmove(out, head, headChars);
    wmemmove(out + headChars, tail, tailChars);
    out[headChars + tailChars] = L'\0';
    return true;
}

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
    return JoinBounded(modulePath, folderLength, relative, out, outChars);
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

bool GetSystemProgramPath(const wchar_t* fileName, wchar_t* out, size_t outChars) {
    if (outChars == 0) {
        return false;
    }
    out[0] = L'\0';
    const UINT folderLength = GetSystemDirectoryW(out, static_cast<UINT>(outChars));
    const size_t nameLength = wcslen(fileName);
    // Zero is a failure and a length at or above the buffer is the size it would have needed.
    if (folderLength == 0 || folderLength >= outChars || folderLength + 1 + nameLength + 1 > outChars) {
        out[0] = L'\0';
        return false;
    }
    size_t used = folderLength;
    if (out[used - 1] != L'\\') {
        out[used++] = L'\\';
    }
    wmemcpy(out + used, fileName, nameLength);
    out[used + nameLength] = L'\0';
    return true;
}
