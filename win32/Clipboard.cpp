#include "win32/Clipboard.h"

#include <cstring>

ClipboardResult PutOnClipboard(HWND owner, const std::wstring& text) {
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    void* target = memory != nullptr ? GlobalLock(memory) : nullptr;
    if (target == nullptr) {
        if (memory != nullptr) {
            GlobalFree(memory);
        }
        return ClipboardResult::kFailed;
    }
    std::memcpy(target, text.c_str(), bytes);
    GlobalUnlock(memory);
    // Clipboard viewers and managers hold it for a moment after every change.
    bool open = false;
    for (int attempt = 0; attempt < 10 && !open; ++attempt) {
        open = OpenClipboard(owner) != FALSE;
        if (!open) {
            Sleep(20);
        }
    }
    if (!open) {
        GlobalFree(memory);
        return ClipboardResult::kBusy;
    }
    const bool placed = EmptyClipboard() != FALSE && SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    CloseClipboard();
    if (!placed) {
        GlobalFree(memory);
        return ClipboardResult::kFailed;
    }
    return ClipboardResult::kCopied; // the clipboard owns the memory now
}
