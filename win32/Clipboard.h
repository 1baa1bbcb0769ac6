// Text put on the clipboard, waiting a moment for another program that holds it.
#pragma once

#include <windows.h>

#include <string>

enum class ClipboardResult { kCopied, kBusy, kFailed };

// kBusy when another program kept the clipboard through every attempt; the clipboard is then
// left as it was.
ClipboardResult PutOnClipboard(HWND owner, const std::wstring& text);
