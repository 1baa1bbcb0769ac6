// The system calls whose effect a test cannot judge on a test machine: a shell that opens
// anything without complaint, an elevation that is never declined, a file dialog, a key
// deletion that always succeeds. The program always calls them through these pointers; a test
// puts a recorder in their place to check every field the program passes, and puts the
// originals back afterwards.
#pragma once

#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

struct SystemCalls {
    HINSTANCE(WINAPI* shellExecute)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
    BOOL(WINAPI* shellExecuteEx)(SHELLEXECUTEINFOW*);
    BOOL(WINAPI* getOpenFileName)(OPENFILENAMEW*);
    LSTATUS(WINAPI* deleteKeyTree)(HKEY, LPCWSTR);
};

extern SystemCalls systemCalls;
extern const SystemCalls kRealSystemCalls;
