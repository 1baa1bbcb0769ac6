// Every message box of the program carries the same caption.
#pragma once

#include <windows.h>

inline constexpr wchar_t kAppCaption[] = L"Travine for Windows 10/11";

inline int ShowAppMessage(HWND owner, const wchar_t* text, UINT style) {
    return MessageBoxW(owner, text, kAppCaption, style);
}
