// Takes the pictures of the README, which the picture test compares with fresh ones: the options
// window with each page in front, the Column edit dialog with a column in it, the question Close
// asks while changes are unsaved, the message box that follows a save and the Backup menu. The
// set is taken twice, in the normal colours and under Windows' "High Contrast Black" scheme
// (names ending in "-hc"), each time from a first start, with the keyboard cues shown as a
// keyboard user sees them. Each picture is a GDI copy of the screen, the only way modal dialogs
// show up under Wine without a window manager, written as a 24-bit BMP that
// scripts/screenshots.sh turns into PNG.
// Usage: page_shots.exe OUTPUT_FOLDER
// It deletes HKCU\Software\Travine11 before each set and leaves what the last Update saved.
#include <windows.h>
#include <commctrl.h>
#include <uxtheme.h>

#include <string>
#include <vector>

#include "app/OptionsWindow.h"
#include "pages/PageIds.h"
#include "resource.h"
#include "win32/SystemCalls.h"

namespace {

std::wstring outputFolder;
std::wstring nameSuffix; // "" or "-hc", for the set being taken
bool highContrast = false;
int failures = 0;

void Pump(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    while (GetTickCount64() < end) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }
}

bool SaveScreenRect(const RECT& rect, const std::wstring& name) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) {
        return false;
    }
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, previous);

    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height; // bottom-up, as BMP files store it
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    std::vector<BYTE> pixels(static_cast<size_t>(stride) * static_cast<size_t>(height));
    const int lines = GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(),
                                reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (lines != height) {
        return false;
    }

    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    const std::wstring path = outputFolder + L"\\" + name + nameSuffix + L".bmp";
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    bool ok = WriteFile(out, &file, sizeof(file), &written, nullptr) != FALSE;
    ok = ok && WriteFile(out, &header, sizeof(header), &written, nullptr) != FALSE;
    ok = ok && WriteFile(out, pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr) != FALSE;
    CloseHandle(out);
    return ok;
}

void Shoot(HWND window, const std::wstring& name) {
    RECT rect;
    GetWindowRect(window, &rect);
    if (!SaveScreenRect(rect, name)) {
        ++failures;
    }
}

// Windows' "High Contrast Black", for every element that the program, the common controls and
// Wine's frames, menus and message boxes draw with. Wine refuses to switch the scheme on and
// always reports it off, so the program hears of it through its system-call seam, as it would
// from Windows, while the colours themselves are real.
struct SchemeColour {
    int element;
    COLORREF colour;
};
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr SchemeColour kHighContrastBlack[] = {
    {COLOR_SCROLLBAR, kBlack},
    {COLOR_BACKGROUND, kBlack},
    {COLOR_ACTIVECAPTION, kBlack},
    {COLOR_GRADIENTACTIVECAPTION, kBlack},
    {COLOR_INACTIVECAPTION, kBlack},
    {COLOR_GRADIENTINACTIVECAPTION, kBlack},
    {COLOR_CAPTIONTEXT, kWhite},
    {COLOR_INACTIVECAPTIONTEXT, RGB(63, 242, 63)},
    {COLOR_MENU, kBlack},
    {COLOR_MENUBAR, kBlack},
    {COLOR_MENUTEXT, kWhite},
    {COLOR_MENUHILIGHT, RGB(26, 235, 255)},
    {COLOR_WINDOW, kBlack},
    {COLOR_WINDOWFRAME, kWhite},
    {COLOR_WINDOWTEXT, kWhite},
    {COLOR_ACTIVEBORDER, kBlack},
    {COLOR_INACTIVEBORDER, kBlack},
    {COLOR_APPWORKSPACE, kBlack},
    {COLOR_HIGHLIGHT, RGB(26, 235, 255)},
    {COLOR_HIGHLIGHTTEXT, kBlack},
    {COLOR_BTNFACE, kBlack},
    {COLOR_BTNTEXT, kWhite},
    {COLOR_BTNHIGHLIGHT, kWhite},
    {COLOR_BTNSHADOW, RGB(128, 128, 128)},
    {COLOR_3DDKSHADOW, kWhite},
    {COLOR_3DLIGHT, RGB(192, 192, 192)},
    {COLOR_GRAYTEXT, RGB(63, 242, 63)},
    {COLOR_HOTLIGHT, RGB(255, 255, 0)},
    {COLOR_INFOBK, kBlack},
    {COLOR_INFOTEXT, kWhite},
};

BOOL WINAPI ReportHighContrastOn(UINT action, UINT size, PVOID data, UINT flags) {
    if (action != SPI_GETHIGHCONTRAST || data == nullptr || size != sizeof(HIGHCONTRASTW)) {
        return kRealSystemCalls.systemParametersInfo(action, size, data, flags);
    }
    auto* contrast = static_cast<HIGHCONTRASTW*>(data);
    contrast->dwFlags = HCF_HIGHCONTRASTON | HCF_AVAILABLE;
    contrast->lpszDefaultScheme = nullptr;
    return TRUE;
}

// The scheme on while alive, the colours before it put back afterwards.
class HighContrastScheme {
public:
    HighContrastScheme() {
        for (const SchemeColour& entry : kHighContrastBlack) {
            m_elements.push_back(entry.element);
            m_saved.push_back(GetSysColor(entry.element));
            m_scheme.push_back(entry.colour);
        }
        systemCalls.systemParametersInfo = ReportHighContrastOn;
        SetSysColors(static_cast<int>(m_elements.size()), m_elements.data(), m_scheme.data());
    }
    ~HighContrastScheme() {
        SetSysColors(static_cast<int>(m_elements.size()), m_elements.data(), m_saved.data());
        systemCalls.systemParametersInfo = kRealSystemCalls.systemParametersInfo;
    }
    HighContrastScheme(const HighContrastScheme&) = delete;
    HighContrastScheme& operator=(const HighContrastScheme&) = delete;

private:
    std::vector<int> m_elements;
    std::vector<COLORREF> m_saved, m_scheme;
};

// Windows draws every control without its visual style while a high-contrast scheme is on;
// Wine keeps the style, so it is taken off each window that is pictured.
BOOL CALLBACK TakeStyleOff(HWND window, LPARAM) {
    SetWindowTheme(window, L" ", L" ");
    return TRUE;
}

// What a keyboard user sees: underlined mnemonics and the focus rectangle, which the system
// hides until a key is pressed.
void ShowKeyboardCues(HWND window) {
    if (highContrast) {
        TakeStyleOff(window, 0);
        EnumChildWindows(window, TakeStyleOff, 0);
    }
    SendMessageW(window, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEACCEL | UISF_HIDEFOCUS), 0);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

// The focus moved as Tab moves it, through the window's own dialog navigation.
void FocusByKeyboard(HWND window, HWND control) {
    SendMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    Pump(100);
}

// A dialog that some command opens modally is pictured from inside its own message loop: a
// timer finds it, shows its keyboard cues, and on its next tick pictures the options window
// with the dialog over it and dismisses it.
struct PendingShot {
    HWND owner;
    const wchar_t* name;
    int dismissId;
    HWND dialog;
    int ticks;
    bool taken;
};
PendingShot pending = {};

const wchar_t* pendingClass = L"#32770"; // a dialog, or "#32768" for a popup menu

BOOL CALLBACK FindThreadDialog(HWND hwnd, LPARAM lParam) {
    wchar_t className[16] = {};
    GetClassNameW(hwnd, className, 16);
    if (wcscmp(className, pendingClass) == 0 && IsWindowVisible(hwnd)) {
        *reinterpret_cast<HWND*>(lParam) = hwnd;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK ShootDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    if (pending.dialog == nullptr) {
        // A window of another kind would keep its modal loop, and so this program, waiting for
        // ever: the run ends at once instead, with the pictures taken so far.
        if (++pending.ticks > 25) {
            ExitProcess(3);
        }
        EnumThreadWindows(GetCurrentThreadId(), FindThreadDialog, reinterpret_cast<LPARAM>(&pending.dialog));
        if (pending.dialog != nullptr && pending.dismissId != 0) {
            ShowKeyboardCues(pending.dialog);
        }
        return; // pictured on the next tick, once it has redrawn
    }
    KillTimer(nullptr, timer);
    RECT all;
    RECT box;
    GetWindowRect(pending.owner, &all);
    GetWindowRect(pending.dialog, &box);
    UnionRect(&all, &all, &box);
    pending.taken = SaveScreenRect(all, pending.name);
    if (pending.dismissId == 0) {
        EndMenu();
    } else {
        PostMessageW(pending.dialog, WM_COMMAND, MAKEWPARAM(pending.dismissId, BN_CLICKED), 0);
    }
}

// The button gets the focus as Tab gives it, then its command goes where a press sends it.
void ShootModal(HWND owner, HWND target, int commandId, HWND button, const wchar_t* name, int dismissId) {
    FocusByKeyboard(owner, button);
    pending = {owner, name, dismissId, nullptr, 0, false};
    const UINT_PTR timer = SetTimer(nullptr, 0, 400, ShootDialog);
    SendMessageW(target, WM_COMMAND, MAKEWPARAM(commandId, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    Pump(200);
    KillTimer(nullptr, timer); // when no dialog came up, the next one must not find this timer
    if (!pending.taken) {
        ++failures;
    }
}

// The page shown as Ctrl+Tab shows it: the focus on its first tab stop.
void SelectPage(HWND window, int pageId) {
    tabSheetMgr->SelectPage(tabSheetMgr->FindPage(pageId));
    SetForegroundWindow(window);
    FocusByKeyboard(window, GetNextDlgTabItem(window, nullptr, FALSE));
    Pump(200);
}

bool TakeSet() {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Travine11");
    HWND window = CreateOptionsWindow(GetModuleHandleW(nullptr));
    if (window == nullptr) {
        return false;
    }
    if (highContrast) {
        // The common controls keep their own copy of the system colours, taken when they were
        // loaded and renewed when a control hears of a change. A program started under the
        // scheme loads them with its colours; this one loaded them before it.
        SendMessageW(window, WM_SYSCOLORCHANGE, 0, 0);
    }
    ShowKeyboardCues(window);
    Pump(500);
    const wchar_t* const names[] = {L"page-0-setup",     L"page-1-general",   L"page-2-treeview",
                                    L"page-3-listview1", L"page-4-listview2", L"page-5-version"};
    for (int id = kSetupPage; id < kPageCount; ++id) {
        SelectPage(window, id);
        Shoot(window, names[id]);
    }

    // The column layout in use, with the second column ("更新日時") open in the editor.
    SelectPage(window, kListView2Page);
    HWND page = FindPageWindow(kListView2Page);
    SendMessageW(PageControl(kListView2Page, IDC_LV2_COLUMN), BM_CLICK, 0, 0);
    HWND list = PageControl(kListView2Page, IDC_LV2_COLUMN_LIST);
    LVITEMW state = {};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&state));
    Pump(200);
    pendingClass = L"#32770";
    ShootModal(window, page, IDC_LV2_EDIT, PageControl(kListView2Page, IDC_LV2_EDIT), L"column-edit",
               IDCANCEL);

    // The ticked box is an unsaved change: Close asks first, and No keeps the window open.
    ShootModal(window, window, IDC_CLOSE, GetDlgItem(window, IDC_CLOSE), L"close-question", IDNO);

    // That change saved: the message users see after pressing Update.
    ShootModal(window, window, IDC_UPDATE, GetDlgItem(window, IDC_UPDATE), L"saved-message", IDOK);

    // The Backup menu, open under its button; dismissed without a command.
    pendingClass = L"#32768";
    ShootModal(window, window, IDC_BACKUP, GetDlgItem(window, IDC_BACKUP), L"backup-menu", 0);

    const bool closed = !IsWindow(window); // a No that closed it all the same
    DestroyWindow(window);
    Pump(50);
    ReleaseOptionsWindowResources();
    return !closed;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        return 2;
    }
    outputFolder = argv[1];
    InitCommonControls();
    // A caret that blinks would make two takes of the same dialog differ; this one stays on.
    const UINT blinkTime = GetCaretBlinkTime();
    SetCaretBlinkTime(INFINITE);
    // The pointer away from every control, so that none is drawn as hovered.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);

    bool ok = TakeSet();
    {
        HighContrastScheme scheme;
        highContrast = true;
        nameSuffix = L"-hc";
        ok = TakeSet() && ok;
    }
    SetCaretBlinkTime(blinkTime);
    return ok && failures == 0 ? 0 : 1;
}
