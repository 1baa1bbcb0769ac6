// The system calls whose effect a test cannot judge on a test machine: a shell that opens
// anything without complaint, an elevation that is never declined, the file dialogs, a key
// deletion that always succeeds, a registry that grants every right asked for, a disk that never
// fills and a file that is never in use; and what Wine cannot show at all: a high-contrast scheme
// (it refuses the flag), what a screen reader announces (its annotation service is a stub),
// the short (8.3) form of a profile folder whose name is long (the test machine's profile
// folder has a short name), a session that is ending (Wine's shutdown-block reasons are stubs) and
// drives that are mapped network shares or SUBST folders. The program always
// calls them through these pointers; a test puts a recorder in their place to check every field the program
// passes, and puts the originals back afterwards.
#pragma once

#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

// What a screen reader learns of a control beyond what the control tells itself: the name it is
// announced by (null: its own), its role (0: its own) and the action it offers (null: its own).
struct AccessibleAnnotation {
    LPCWSTR name;
    LONG role;
    LPCWSTR defaultAction;
};

struct SystemCalls {
    HINSTANCE(WINAPI* shellExecute)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
    BOOL(WINAPI* shellExecuteEx)(SHELLEXECUTEINFOW*);
    BOOL(WINAPI* getOpenFileName)(OPENFILENAMEW*);
    LSTATUS(WINAPI* deleteKeyTree)(HKEY, LPCWSTR);
    BOOL(WINAPI* getSaveFileName)(OPENFILENAMEW*);
    BOOL(WINAPI* writeFile)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
    BOOL(WINAPI* moveFileEx)(LPCWSTR, LPCWSTR, DWORD);
    BOOL(WINAPI* systemParametersInfo)(UINT, UINT, PVOID, UINT);
    // Annotates a control for screen readers; a null annotation takes every part back.
    HRESULT(WINAPI* annotateAccessible)(HWND, const AccessibleAnnotation*);
    LSTATUS(WINAPI* regOpenKeyEx)(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY);
    LSTATUS(WINAPI* regCreateKeyEx)
    (HKEY, LPCWSTR, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY, LPDWORD);
    DWORD(WINAPI* getShortPathName)(LPCWSTR, LPWSTR, DWORD);
    // The reason the blocked-shutdown screen shows for the window, and its withdrawal.
    BOOL(WINAPI* shutdownBlockReasonCreate)(HWND, LPCWSTR);
    BOOL(WINAPI* shutdownBlockReasonDestroy)(HWND);
    UINT(WINAPI* getDriveType)(LPCWSTR);
    DWORD(WINAPI* queryDosDevice)(LPCWSTR, LPWSTR, DWORD);
    // WNetGetUniversalNameW, loaded from the system folder on first use.
    DWORD(WINAPI* getUniversalName)(LPCWSTR, DWORD, LPVOID, LPDWORD);
};

extern SystemCalls systemCalls;
extern const SystemCalls kRealSystemCalls;
