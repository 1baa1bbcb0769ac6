// Keyboard use of the options window: the order Tab visits the controls in, what the dialog
// manager asks for with WM_NEXTDLGCTL, the keys that change the page, and the focus kept while
// another window (a message box, a file dialog, the Column edit dialog) is in front.
#pragma once

#include <windows.h>

// Puts the window's children in the order Tab visits them: the pages first (only the shown
// one has visible controls), then the bottom row from left to right. Nothing overlaps
// differently: the tab control stays below the pages.
void ArrangeTabOrder(HWND window);

// WM_NEXTDLGCTL, as the system's dialog procedure answers it: the next or previous tab stop,
// or the control given.
void MoveDialogFocus(HWND window, WPARAM wParam, LPARAM lParam);

// Ctrl+Tab and Ctrl+PgDn show the next page, Ctrl+Shift+Tab and Ctrl+PgUp the previous one,
// wrapping around, the way a click on a tab does; the focus goes to the new page. True when
// the message was such a key.
bool HandlePageKey(HWND window, const MSG& msg);

// The focus at start: the first tab stop of the page shown, as the dialog manager sets it (a push
// button there is the default, so that Enter presses what has the focus).
void FocusFirstControl(HWND window);

// WM_ACTIVATE: the control with the focus is remembered when the window goes to the back and
// gets it back when the window comes forward (the next tab stop if it was disabled meanwhile).
void OnActivate(HWND window, WPARAM wParam);

// Call before disabling a control: if it has the focus, the focus moves on to target when that can
// take it, otherwise to the next tab stop.
void MoveFocusFrom(HWND window, HWND control, HWND target = nullptr);

// The dialog manager sends Enter on a page's default button to the window, not to the page;
// true when the command was such a one and went to its page.
bool ForwardPageCommand(HWND window, WPARAM wParam, LPARAM lParam);
