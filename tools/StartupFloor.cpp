// The floors of the start-up benchmark: what the program's start costs before any work of its
// own. Built twice from this file, with the program's resources, compiler and message loop:
//  - startup_floor_dialog.exe: the options window from its template (104) and nothing else;
//  - startup_floor_pages.exe (TRAVINE_FLOOR_PAGES): that window with its six tabs and the six
//    page templates (105 to 110) as its children over the tab control, the first page shown.
// Neither loads options nor sets up a control. Both end with 0 when their window is closed.
#include <windows.h>
#include <commctrl.h>

#include "resource.h"

namespace {

LRESULT CALLBACK FloorWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hWnd, message, wParam, lParam);
    }
}

#ifdef TRAVINE_FLOOR_PAGES
INT_PTR CALLBACK FloorPageProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

void AddPages(HINSTANCE instance, HWND window) {
    const int templates[] = {IDD_SETUP, IDD_GENERAL, IDD_TREEVIEW, IDD_LISTVIEW1, IDD_LISTVIEW2, IDD_VERSION};
    HWND tab = GetDlgItem(window, IDC_TAB);
    RECT area;
    GetClientRect(tab, &area);
    for (int i = 0; i < 6; ++i) {
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(L"\u3000ページ\u3000");
        SendMessageW(tab, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    MapWindowPoints(tab, window, reinterpret_cast<POINT*>(&area), 2);
    for (int i = 0; i < 6; ++i) {
        HWND page = CreateDialogParamW(instance, MAKEINTRESOURCEW(templates[i]), window, FloorPageProc, 0);
        MoveWindow(page, area.left, area.top, area.right - area.left, area.bottom - area.top, FALSE);
        if (i == 0) {
            ShowWindow(page, SW_SHOW);
        }
    }
    SetWindowPos(tab, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}
#endif

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    InitCommonControls();
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = FloorWndProc;
    wc.cbWndExtra = sizeof(void*) == 8 ? 48 : 30; // as the program reserves
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"TravineOptionDlgClass";
    RegisterClassExW(&wc);
    HWND window = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_OPTIONS), nullptr, nullptr, 0);
    if (window == nullptr) {
        return 1;
    }
#ifdef TRAVINE_FLOOR_PAGES
    AddPages(instance, window);
#endif
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(window, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return static_cast<int>(msg.wParam);
}
