// Every message box of the program carries the same caption.
#pragma once

#include <windows.h>

#include <string>

inline constexpr wchar_t kAppCaption[] = L"Travine for Windows 10/11";

inline int ShowAppMessage(HWND owner, const wchar_t* text, UINT style) {
    return MessageBoxW(owner, text, kAppCaption, style);
}

// The system's text for an error code, for the boxes that report a failed system call.
inline std::wstring SystemErrorText(DWORD error) {
    wchar_t text[512] = {};
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                       static_cast<DWORD>(sizeof(text) / sizeof(text[0])), nullptr);
    return length != 0 ? std::wstring(text, length) : std::wstring(L"不明なエラー");
}
