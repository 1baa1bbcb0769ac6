// The process: the single-instance and server-edition guards, the options window, the message
// loop and the teardown.
#pragma once

#include <windows.h>

inline constexpr wchar_t kSingleInstanceMutex[] = L"__Travine11_Mutex__";

// True when the product name names a server edition ("Server" anywhere, any case). Reads at
// most 63 characters of it.
bool IsServerEdition();

// Runs the program and returns the process exit code.
int RunTravine(HINSTANCE hInstance);
