// The options window: the program's one top-level window, with the tab pages, Update, Close
// and Help, the change tracking and the routing of page commands.
#pragma once

#include <windows.h>

#include "ui/TabSheetMgr.h"

extern HWND optionsWindow;
extern HBRUSH backgroundBrush;
extern CTabSheetMgr* tabSheetMgr;
extern int pageEventsEnabled;

inline constexpr wchar_t kOptionsWindowClass[] = L"TravineOptionDlgClass";
inline constexpr COLORREF kPageBackground = RGB(246, 246, 246);

HWND CreateOptionsWindow(HINSTANCE hInstance);
LRESULT CALLBACK OptionsWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PageDlgProc(HWND hPage, UINT message, WPARAM wParam, LPARAM lParam);
void SetOptionsChanged(bool changed);
// Call before disabling a page's control: if it has the focus, it goes to target (when that can
// take it), so that the keys still act on something.
void HandOnFocus(HWND control, HWND target);
void ConfirmClose(HWND hWnd);
// Releases the tab sheet manager and the brush once the window is gone.
void ReleaseOptionsWindowResources();

// The page window with this identifier, or null.
HWND FindPageWindow(int pageId);
// A control of a page, or null when the page or the control is missing.
HWND PageControl(int pageId, int controlId);

// "Help\option.htm" beside a program at modulePath; false when it does not fit.
bool BuildHelpPath(const wchar_t* modulePath, wchar_t* out, size_t outChars);
