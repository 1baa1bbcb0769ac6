// Opens the options window and puts each page in front in turn, handing over to
// scripts/screenshots.sh, which takes the picture of the screen.
// Usage: page_shots.exe READY_FILE
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "app/OptionsWindow.h"
#include "pages/PageIds.h"

namespace {

void Pump(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    while (GetTickCount64() < end) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }
}

// Tells the script which page is in front and where the window is, then waits until the
// script has taken its picture and removed the file.
bool HandOverToScript(HWND window, const std::wstring& readyFile, int pageId) {
    RECT rect;
    GetWindowRect(window, &rect);
    char line[96];
    const int length = wsprintfA(line, "%d %ld %ld %ld %ld\n", pageId, rect.left, rect.top,
                                 rect.right - rect.left, rect.bottom - rect.top);
    const std::wstring temporary = readyFile + L".tmp";
    HANDLE out = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    WriteFile(out, line, static_cast<DWORD>(length), &written, nullptr);
    CloseHandle(out);
    MoveFileExW(temporary.c_str(), readyFile.c_str(), MOVEFILE_REPLACE_EXISTING);
    const ULONGLONG deadline = GetTickCount64() + 20000;
    while (GetFileAttributesW(readyFile.c_str()) != INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount64() > deadline) {
            return false;
        }
        Pump(50);
    }
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        return 2;
    }
    const std::wstring readyFile = argv[1];
    InitCommonControls();
    HWND window = CreateOptionsWindow(GetModuleHandleW(nullptr));
    if (window == nullptr) {
        return 1;
    }
    Pump(500);
    int saved = 0;
    for (int id = kSetupPage; id < kPageCount; ++id) {
        tabSheetMgr->SelectPage(tabSheetMgr->FindPage(id));
        SetForegroundWindow(window);
        Pump(300);
        saved += HandOverToScript(window, readyFile, id) ? 1 : 0;
    }
    DestroyWindow(window);
    Pump(50);
    ReleaseOptionsWindowResources();
    return saved == kPageCount ? 0 : 1;
}
