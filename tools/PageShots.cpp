// Takes the pictures of the README: the options window with each page in front, the Column
// edit dialog with a column in it, the message box that follows a save and the Backup menu. Each picture is a
// GDI copy of the screen, the only way modal dialogs show up under Wine without a window
// manager, written as a 24-bit BMP that scripts/screenshots.sh turns into PNG.
// Usage: page_shots.exe OUTPUT_FOLDER
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "app/OptionsWindow.h"
#include "pages/PageIds.h"
#include "resource.h"

namespace {

std::wstring outputFolder;
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
    const std::wstring path = outputFolder + L"\\" + name + L".bmp";
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

// A dialog that some command opens modally is pictured from inside its own message loop: a
// timer finds it, pictures the options window with the dialog over it and dismisses it.
struct PendingShot {
    HWND owner;
    const wchar_t* name;
    int dismissId;
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
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindThreadDialog, reinterpret_cast<LPARAM>(&dialog));
    if (dialog == nullptr) {
        return; // not up yet
    }
    KillTimer(nullptr, timer);
    RECT all;
    RECT box;
    GetWindowRect(pending.owner, &all);
    GetWindowRect(dialog, &box);
    UnionRect(&all, &all, &box);
    pending.taken = SaveScreenRect(all, pending.name);
    if (pending.dismissId == 0) {
        EndMenu();
    } else {
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(pending.dismissId, BN_CLICKED), 0);
    }
}

void ShootModal(HWND owner, HWND target, int commandId, HWND commandControl, const wchar_t* name,
                int dismissId) {
    pending = {owner, name, dismissId, false};
    SetTimer(nullptr, 0, 600, ShootDialog);
    SendMessageW(target, WM_COMMAND, MAKEWPARAM(commandId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(commandControl));
    Pump(100);
    if (!pending.taken) {
        ++failures;
    }
}

void SelectPage(HWND window, int pageId) {
    tabSheetMgr->SelectPage(tabSheetMgr->FindPage(pageId));
    SetForegroundWindow(window);
    Pump(300);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        return 2;
    }
    outputFolder = argv[1];
    InitCommonControls();
    HWND window = CreateOptionsWindow(GetModuleHandleW(nullptr));
    if (window == nullptr) {
        return 1;
    }
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
    ShootModal(window, page, IDC_LV2_EDIT, PageControl(kListView2Page, IDC_LV2_EDIT), L"column-edit",
               IDCANCEL);

    // That change saved: the message users see after pressing Update.
    ShootModal(window, window, IDC_UPDATE, GetDlgItem(window, IDC_UPDATE), L"saved-message", IDOK);

    // The Backup menu, open under its button; dismissed without a command.
    pendingClass = L"#32768";
    ShootModal(window, window, IDC_BACKUP, GetDlgItem(window, IDC_BACKUP), L"backup-menu", 0);

    DestroyWindow(window);
    Pump(50);
    ReleaseOptionsWindowResources();
    return failures == 0 ? 0 : 1;
}
