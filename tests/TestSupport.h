// Helpers shared by the test programs: registry cases, message pumping and a responder that
// answers message boxes and dialogs from inside the test process.
#pragma once

#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "settings/Options.h"
#include "settings/RegFileParser.h"
#include "win32/SystemCalls.h"

// Runs the message loop until pred() holds or timeoutMs passes; returns pred().
bool PumpUntil(const std::function<bool()>& pred, DWORD timeoutMs = 5000);
void PumpFor(DWORD ms);

// Registry helpers for HKCU\Software\Travine11.
void DeleteOptionsKey();
bool OptionsKeyExists();
void SetOptionDword(const wchar_t* name, DWORD value);
void SetOptionText(const wchar_t* name, const wchar_t* text);
void SetOptionRaw(const wchar_t* name, DWORD type, const void* data, DWORD size);
struct RawValue {
    bool present = false;
    DWORD type = 0;
    std::vector<BYTE> bytes;
    DWORD AsDword() const;
    std::wstring AsText() const;
};
RawValue ReadOptionRaw(const wchar_t* name);
// Every value of the settings key by name: its type and bytes.
using StoredKey = std::map<std::wstring, std::pair<DWORD, std::vector<BYTE>>>;
StoredKey StoredValues();
// The stored Column_<index>; a missing value or one of another size fails the test and gives a
// zeroed entry.
ColumnEntry StoredColumn(int index);
RawValue ReadRaw(HKEY root, const wchar_t* subKey, const wchar_t* name);

// While alive, HKEY_CURRENT_USER is a volatile key of its own, below which the non-volatile
// settings key cannot be created: every write of the store fails, as in a locked-down profile.
class FailingRegistryWrites {
public:
    FailingRegistryWrites();
    ~FailingRegistryWrites();
    FailingRegistryWrites(const FailingRegistryWrites&) = delete;
    FailingRegistryWrites& operator=(const FailingRegistryWrites&) = delete;

private:
    HKEY m_root = nullptr;
};

// Sets the Windows version values of the prefix for one test and restores them afterwards.
// A null text removes the value.
class WindowsVersionCase {
public:
    WindowsVersionCase();
    ~WindowsVersionCase();
    WindowsVersionCase(const WindowsVersionCase&) = delete;
    WindowsVersionCase& operator=(const WindowsVersionCase&) = delete;

    void SetText(const wchar_t* name, const wchar_t* text);
    void SetBuild(const wchar_t* build) { SetText(L"CurrentBuildNumber", build); }
    void SetProductName(const wchar_t* text) { SetText(L"ProductName", text); }
    void Set(const wchar_t* build, DWORD ubr, const wchar_t* displayVersion);

private:
    struct Saved {
        const wchar_t* name;
        RawValue value;
    };
    std::vector<Saved> m_saved;
};

// The extension's registration key in HKLM.
void RemoveExtensionRegistration();
void FakeExtensionRegistration();

enum class BoxIcon { kNone, kError, kQuestion, kWarning, kInformation, kOther };

struct SeenDialog {
    HWND hwnd = nullptr;
    std::wstring caption;
    std::wstring text; // the message text of a message box
    BoxIcon icon = BoxIcon::kNone;
    bool hasYesNo = false;
    std::vector<int> buttons; // of IDOK, IDCANCEL, IDYES and IDNO, in that order
    int defaultButton = 0;    // the one with the default border, which Enter presses
};

// While alive, every dialog (#32770) that becomes active on this thread is recorded and handed
// to the handler once the dialog has finished its own set-up (activation can come before
// WM_INITDIALOG), and the handler decides how to answer (typically by posting a command).
class DialogResponder {
public:
    using Handler = std::function<void(const SeenDialog&)>;
    explicit DialogResponder(Handler handler);
    ~DialogResponder();
    DialogResponder(const DialogResponder&) = delete;
    DialogResponder& operator=(const DialogResponder&) = delete;

    // Answers every message box with one button id.
    static DialogResponder Answering(int buttonId);

    std::vector<SeenDialog> seen;

private:
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK TimerProc(HWND, UINT, UINT_PTR, DWORD);
    void OnActivate(HWND hwnd);
    void Respond(HWND hwnd);

    Handler m_handler;
    HHOOK m_hook = nullptr;
    std::set<HWND> m_handled;
    std::vector<HWND> m_pending;
    UINT_PTR m_timer = 0;
    DialogResponder* m_previous = nullptr;
};

void PressButton(HWND dialog, int id); // posts WM_COMMAND id, for the system's own boxes
// The child of parent that shows exactly this text, the nth of them in the z-order: a control
// found as the user finds it, by what its template wrote on it. Null when there is none.
HWND ChildWithText(HWND parent, const std::wstring& text, int nth = 0);
// Clicks the enabled button that shows this text (BM_CLICK); fails the test when there is none.
void PressButton(HWND parent, const std::wstring& text, int nth = 0);

// List view rows, changed the way a user's click changes them (the same notifications).
void SelectRow(HWND list, int row);
void CheckRow(HWND list, int row, bool checked);
std::wstring CellText(HWND list, int row, int column);
// A point of the row, in the list's client coordinates, where the list's hit test finds what is
// wanted and not what is not; fails the test when there is none.
POINT RowPointWhere(HWND list, int row, UINT wanted, UINT unwanted = 0);

// A clean registry case for a test that opens the program: no settings key, no extension
// registration, Windows 11 23H2.
void ResetProgramCase(WindowsVersionCase& version);

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
};

// The pixels of one colour in an area: how many in its upper and its lower half, and the longest
// horizontal run of them (an underline).
struct Pixels {
    int upperHalf = 0;
    int lowerHalf = 0;
    int longestRun = 0;
    int Total() const { return upperHalf + lowerHalf; }
};
Pixels CountPixels(HDC dc, const RECT& area, COLORREF color);
Pixels CountPixels(HWND control, COLORREF color); // as the control is on screen

// A top-level window of a class of the test's own, with proc as its window procedure.
HWND CreateTestWindow(const wchar_t* className, WNDPROC proc, DWORD style, int width, int height);

std::wstring WindowText(HWND hwnd);
// The control's text, measured in its font as the control lays it out, fits the room the control
// gives it: a static's wrapped lines, a button's line beside its box or inside its frame, every
// entry of a drop-down list. A label that paints itself is measured in its own font.
void ExpectTextFits(HWND control, const LOGFONTW* ownFont = nullptr);
std::vector<std::wstring> ComboItems(HWND combo);
std::wstring TabText(HWND tab, int index);
std::wstring ProgramFolder(); // with trailing backslash

// Every field of a record but OptionInitialized, as a backup file holds it: two records are the
// same settings exactly when these bytes are equal.
std::vector<BYTE> RecordBytes(Options& options);
// A .reg file's bytes: the UTF-16LE byte order mark and the text; and that file parsed.
std::vector<BYTE> Utf16File(const std::wstring& text);
RegFileContents Parse(const std::wstring& text);
bool WriteBytes(const std::wstring& path, const std::vector<BYTE>& bytes);
std::vector<BYTE> ReadBytes(const std::wstring& path);
// Runs a program to its end (at most timeoutMs, then it is ended with 99), its standard output
// and error caught.
struct ProgramRun {
    DWORD exitCode = 12345; // not started
    DWORD milliseconds = 0;
    std::string output;
};
ProgramRun RunProgram(const std::wstring& exe, const std::wstring& arguments, DWORD timeoutMs = 60000);
std::wstring SystemFolder(); // with trailing backslash

// Real input, as the user gives it: through the system's input queue to whatever is under the
// pointer or has the focus. The window must be in front.
void MoveMouseTo(int x, int y);              // screen coordinates
void ClickAt(HWND control);                  // the left button, at the control's centre
void ClickAtPoint(POINT at, int clicks = 1); // screen coordinates; 2 is a double-click
void PressKey(WORD key, bool down);          // one virtual key, down or up
void TypeText(const std::wstring& text);     // characters, Enter for "\n"
