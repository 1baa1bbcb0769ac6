// The process: the single-instance and server-edition guards, the options window, the message
// loop and the teardown.
#pragma once

#include <windows.h>

inline constexpr wchar_t kSingleInstanceMutex[] = L"__Travine11_Mutex__";

// True when the product name names a server edition ("Server" anywhere, any case). Reads at
// most 63 characters of it.
bool IsServerEdition();

// One message of the program's loop: the page keys, then the dialog manager's keyboard
// navigation, and only what neither took is translated and dispatched.
void ProcessLoopMessage(HWND window, MSG& msg);

// Runs the program and returns the process exit code.
int RunTravine(HINSTANCE hInstance);
