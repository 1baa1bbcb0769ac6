// The program's calls through the system-call seam, recorded and answered as a test sets them up,
// for what Wine cannot show; every HKLM key opened is judged for the rights a standard user has.
#pragma once

#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

#include <map>
#include <string>
#include <vector>

#include "win32/SystemCalls.h"

// While alive, the program's calls to the shell, the file dialogs, the key deletion and the file
// writes go to this recorder, which keeps what was passed and answers as the test sets it up.
class SystemCallRecorder {
public:
    SystemCallRecorder();
    ~SystemCallRecorder();
    SystemCallRecorder(const SystemCallRecorder&) = delete;
    SystemCallRecorder& operator=(const SystemCallRecorder&) = delete;

    struct ShellCall {
        HWND owner = nullptr;
        std::wstring verb, file, params, directory;
        bool paramsNull = true, directoryNull = true;
        int show = -1;
        ULONG mask = 0; // SHELLEXECUTEINFOW only
    };
    struct FileDialogCall {
        HWND owner = nullptr;
        std::wstring filter; // with its NULs, up to the closing pair
        DWORD filterIndex = 0, maxFile = 0, flags = 0;
        std::wstring initialFile, initialDir, title, defaultExtension;
        bool save = false; // GetSaveFileNameW
    };
    struct Move {
        std::wstring from, to;
        DWORD flags = 0;
    };

    std::vector<ShellCall> shellCalls; // ShellExecuteW
    std::vector<ShellCall> elevations; // ShellExecuteExW
    std::vector<FileDialogCall> fileDialogs;
    std::vector<Move> moves;

    bool runElevations = true; // false: as when the user declines the elevation
    std::wstring chosenFile;   // empty: the file dialog is cancelled
    LSTATUS deleteResult = 0;  // non-zero: the deletion fails with this code and deletes nothing
    DWORD writeError = 0;      // non-zero: a file write stores half its bytes, then fails so
    DWORD moveError = 0;       // non-zero: a file move fails with this code and moves nothing
    bool highContrast = false; // what SPI_GETHIGHCONTRAST reports
    std::map<HWND, std::wstring> accessibleNames;                  // the names given, until taken back
    std::map<HWND, std::pair<LONG, std::wstring>> accessibleRoles; // roles and default actions given
    int machineKeyOpens = 0; // HKLM keys opened or created, each judged for the rights it asks
    std::map<std::wstring, std::wstring> shortPaths; // answers for these paths; others go to the system
    std::map<HWND, std::wstring> blockReasons;       // the shutdown-block reasons set, until withdrawn
    struct Drive {
        UINT type;
        std::wstring device, share; // what QueryDosDeviceW and WNetGetUniversalNameW give for it
    };
    std::map<std::wstring, Drive> drives; // by name ("Z:"); others go to the system

private:
    static HINSTANCE WINAPI RecordShell(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
    static BOOL WINAPI RecordElevation(SHELLEXECUTEINFOW*);
    static BOOL WINAPI RecordFileDialog(OPENFILENAMEW*);
    static LSTATUS WINAPI RecordDeletion(HKEY, LPCWSTR);
    static BOOL WINAPI RecordSaveDialog(OPENFILENAMEW*);
    static BOOL WINAPI RecordWrite(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
    static BOOL WINAPI RecordMove(LPCWSTR, LPCWSTR, DWORD);
    static BOOL WINAPI RecordParameters(UINT, UINT, PVOID, UINT);
    static HRESULT WINAPI RecordAnnotation(HWND, const AccessibleAnnotation*);
    static LSTATUS WINAPI RecordOpen(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY);
    static LSTATUS WINAPI RecordCreate(HKEY, LPCWSTR, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES,
                                       PHKEY, LPDWORD);
    static void JudgeRights(HKEY root, LPCWSTR subKey, REGSAM rights);
    static DWORD WINAPI RecordShortPath(LPCWSTR, LPWSTR, DWORD);
    static UINT WINAPI RecordDriveType(LPCWSTR);
    static DWORD WINAPI RecordDosDevice(LPCWSTR, LPWSTR, DWORD);
    static DWORD WINAPI RecordUniversalName(LPCWSTR, DWORD, LPVOID, LPDWORD);
};
