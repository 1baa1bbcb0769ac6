// Prices the window-system calls that the start-up makes by the hundred: a property read, a
// message to a plain window, and a message to a window carrying one comctl32 subclass (the
// program's wrappers). Under Wine the first and last are round trips to the Wine server.
// Usage: message_bench.exe [calls]
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>

#include "BenchTiming.h"

namespace {

LRESULT CALLBACK PassOn(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const int calls = argc > 1 && _wtoi(argv[1]) > 0 ? _wtoi(argv[1]) : 1000;
    HWND plain = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HWND subclassed =
        CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    SetPropW(plain, L"TravineBench", reinterpret_cast<HANDLE>(1));
    SetWindowSubclass(subclassed, PassOn, 1, 0);

    const auto perCall = [calls](auto&& call) {
        return MedianMicroseconds(9,
                                  [&] {
                                      for (int i = 0; i < calls; ++i) {
                                          call();
                                      }
                                  }) /
               calls;
    };
    const double property = perCall([plain] { GetPropW(plain, L"TravineBench"); });
    const double message = perCall([plain] { SendMessageW(plain, WM_NULL, 0, 0); });
    const double subclassMessage = perCall([subclassed] { SendMessageW(subclassed, WM_NULL, 0, 0); });

    std::wprintf(L"window calls: median of 9 rounds of %d\n", calls);
    std::wprintf(L"  GetPropW %.1f us   message %.1f us   message through a subclass %.1f us\n", property,
                 message, subclassMessage);
    RemoveWindowSubclass(subclassed, PassOn, 1);
    DestroyWindow(subclassed);
    DestroyWindow(plain);
    return 0;
}
