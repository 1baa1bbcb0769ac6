#include "app/Startup.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <iterator>

#include "app/KeyboardNavigation.h"
#include "app/OptionsWindow.h"
#include "app/StartupTrace.h"
#include "settings/RegReader.h"
#include "settings/WindowsVersion.h"
#include "win32/MessageBoxes.h"

bool IsServerEdition() {
    wchar_t productName[64] = {}; // 128 bytes
    if (!ReadRegValue(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"ProductName", productName,
                      sizeof(productName))) {
        productName[0] = L'\0';
    }
    productName[std::size(productName) - 1] = L'\0';
    return StrStrIW(productName, L"Server") != nullptr;
}

void ProcessLoopMessage(HWND window, MSG& msg) {
    // The page keys come first: a multi-line edit would take Ctrl+Tab as a tab character.
    if (HandlePageKey(window, msg) || IsDialogMessageW(window, &msg)) {
        return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

int RunTravine(HINSTANCE hInstance) {
    TraceStartupStep("entry");
    // Never closed by the first instance: the system releases it when the process ends.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, kSingleInstanceMutex);
    const DWORD mutexError = GetLastError();
    // A first copy started elevated made the mutex for administrators only: it exists, and so
    // does that copy, although it may not be opened. Any other failure to make it runs the
    // program unguarded rather than not at all.
    if (mutexError == ERROR_ALREADY_EXISTS || (mutex == nullptr && mutexError == ERROR_ACCESS_DENIED)) {
        HWND running = FindWindowW(kOptionsWindowClass, nullptr);
        if (running != nullptr) {
            SetForegroundWindow(running);
        }
        if (mutex != nullptr) {
            CloseHandle(mutex);
        }
        return 1;
    }

    if (IsServerEdition()) {
        ShowAppMessage(nullptr, L"サポート外のOSです", MB_ICONERROR);
        return 1;
    }

    TraceStartupStep("guards passed");
    InitCommonControls();
    TraceStartupStep("common controls");
    HWND window = CreateOptionsWindow(hInstance);
    if (window == nullptr) {
        ReleaseOptionsWindowResources();
        return 1;
    }

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ProcessLoopMessage(window, msg);
        TraceStartupIdle();
    }
    ReleaseOptionsWindowResources();
    return static_cast<int>(msg.wParam);
}
