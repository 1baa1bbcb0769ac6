#include "app/OptionsWindow.h"

#include <commctrl.h>
#include <shellapi.h>

#include <iterator>

#include "app/KeyboardNavigation.h"
#include "app/SettingsBackup.h"
#include "app/StartupTrace.h"
#include "app/SupportReport.h"
#include "pages/ColumnConfig.h"
#include "pages/ControlNames.h"
#include "pages/PageBinding.h"
#include "pages/PageIds.h"
#include "pages/SetupPage.h"
#include "resource.h"
#include "ui/ColourScheme.h"
#include "win32/MessageBoxes.h"
#include "win32/ModulePath.h"
#include "win32/SystemCalls.h"

HWND optionsWindow = nullptr;
HBRUSH backgroundBrush = nullptr;
CTabSheetMgr* tabSheetMgr = nullptr;
int pageEventsEnabled = 0;

namespace {

constexpr size_t kHelpPathChars = 324;

// Posted once the window is shown: the screen-reader names, which load COM.
constexpr UINT kAnnotateNames = WM_APP + 1;

struct PageDefinition {
    int id;
    int templateId;
    const wchar_t* caption;
};

// The captions' blanks are ideographic spaces, with plain ones around 全般.
const PageDefinition kPages[] = {
    {kSetupPage, IDD_SETUP, L"\u3000セットアップ\u3000"},
    {kGeneralPage, IDD_GENERAL, L"\u3000\u3000 全般 \u3000\u3000"},
    {kTreeViewPage, IDD_TREEVIEW, L"\u3000ツリービュー\u3000"},
    {kListView1Page, IDD_LISTVIEW1, L"\u3000リストビュー1\u3000"},
    {kListView2Page, IDD_LISTVIEW2, L"\u3000リストビュー2\u3000"},
    {kVersionPage, IDD_VERSION, L"\u3000バージョン情報\u3000"},
};

void OpenHelp() {
    wchar_t modulePath[kHelpPathChars];
    wchar_t helpPath[kHelpPathChars];
    if (!GetProgramPath(modulePath, std::size(modulePath)) ||
        !BuildHelpPath(modulePath, helpPath, std::size(helpPath))) {
        return;
    }
    systemCalls.shellExecute(nullptr, L"open", helpPath, nullptr, nullptr, SW_SHOWNORMAL);
}

void OnUpdate(HWND hWnd) {
    switch (SaveOptionsFromPages()) {
    case SaveResult::kSaved:
        ShowAppMessage(hWnd,
                       L"オプション設定を保存しました。\n\n設定を反映させるためには、全てのエクスプローラを終"
                       L"了させてください。",
                       MB_ICONQUESTION);
        break;
    case SaveResult::kWriteFailed:
        ShowAppMessage(hWnd, L"オプション設定の保存に失敗しました", MB_ICONERROR);
        break;
    case SaveResult::kRejected:
        break; // the page binding has already said which line is wrong
    }
}

bool CountsAsChange(WPARAM wParam, LPARAM lParam) {
    switch (HIWORD(wParam)) {
    case CBN_SELCHANGE:
    case EN_CHANGE:
        return true;
    case BN_CLICKED:
        // Check boxes have bit 0x2 in their style; push buttons do not.
        return (GetWindowLongPtrW(reinterpret_cast<HWND>(lParam), GWL_STYLE) & 0x0002) != 0;
    default:
        return false;
    }
}

void RouteSetupCommand(HWND page, int id) {
    switch (id) {
    case IDC_SETUP_REGISTER:
        RunRegsvr32(page, true);
        break;
    case IDC_SETUP_UNREGISTER:
        RunRegsvr32(page, false);
        break;
    case IDC_SETUP_REMOVE_OPTIONS:
        RemoveOptions(page);
        break;
    case IDC_SETUP_OPEN_FOLDER:
        OpenInstallFolder(page);
        break;
    default:
        break;
    }
}

void RouteListView1Command(HWND page, int id) {
    const int editId = id == IDC_LV1_FILE_BROWSE   ? IDC_LV1_FILE_PROG
                       : id == IDC_LV1_FLDR_BROWSE ? IDC_LV1_FLDR_PROG
                                                   : 0;
    if (editId == 0) {
        return;
    }
    wchar_t path[kProgramPathChars];
    if (BrowseForProgram(path)) {
        HWND edit = GetDlgItem(page, editId);
        if (edit != nullptr) {
            SetWindowTextW(edit, path); // its change notification marks the options changed
        }
    }
}

void RouteListView2Command(HWND page, int id) {
    switch (id) {
    case IDC_LV2_UP:
    case IDC_LV2_DOWN:
        if (columnList != nullptr) {
            columnList->MoveItem(id == IDC_LV2_UP);
            SetOptionsChanged(true);
        }
        break;
    case IDC_LV2_EDIT:
        if (EditSelectedColumn(page)) {
            SetOptionsChanged(true);
        }
        break;
    default:
        break;
    }
}

void OnPageCommand(HWND page, WPARAM wParam, LPARAM lParam) {
    if (pageEventsEnabled != 0 && CountsAsChange(wParam, lParam)) {
        SetOptionsChanged(true);
        UpdateControlStates();
    }
    const int id = LOWORD(wParam);
    if (page == FindPageWindow(kSetupPage)) {
        RouteSetupCommand(page, id);
        return;
    }
    if (page == FindPageWindow(kListView1Page)) {
        RouteListView1Command(page, id);
    }
    if (page == FindPageWindow(kListView2Page)) {
        RouteListView2Command(page, id);
    }
    if (page == FindPageWindow(kVersionPage) && id == IDC_VER_COPY_INFO && HIWORD(wParam) == BN_CLICKED) {
        CopySupportReport(optionsWindow);
    }
}

void OnPageNotify(HWND page, const NMHDR* header) {
    if (pageEventsEnabled == 0 || header == nullptr || page != FindPageWindow(kListView2Page) ||
        header->hwndFrom != GetDlgItem(page, IDC_LV2_COLUMN_LIST)) {
        return;
    }
    OnColumnListNotify(header);
    if (header->code == LVN_ITEMCHANGED) {
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
        if (((change->uOldState ^ change->uNewState) & LVIS_STATEIMAGEMASK) != 0) {
            SetOptionsChanged(true);
        }
    }
}

bool HighContrastIsOn() {
    HIGHCONTRASTW contrast = {};
    contrast.cbSize = sizeof(contrast);
    return systemCalls.systemParametersInfo(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

// The page brush in the scheme's page colour: the fixed one, or the system's under high contrast.
void RebuildBackgroundBrush() {
    HBRUSH brush = CreateSolidBrush(BackgroundColour(kPageBackground));
    if (brush != nullptr) {
        if (backgroundBrush != nullptr) {
            DeleteObject(backgroundBrush);
        }
        backgroundBrush = brush;
    }
}

BOOL CALLBACK PassColourChange(HWND control, LPARAM) {
    SendMessageW(control, WM_SYSCOLORCHANGE, 0, 0);
    return TRUE;
}

// The scheme is switched, or its colours changed, while the window is open.
void OnSchemeChange(HWND hWnd, UINT message) {
    const bool on = HighContrastIsOn();
    if (on == IsHighContrast() && message != WM_SYSCOLORCHANGE) {
        return; // one of the many other settings
    }
    SetHighContrast(on);
    if (message == WM_SYSCOLORCHANGE) {
        // The common controls pick up new system colours only when told.
        EnumChildWindows(hWnd, PassColourChange, 0);
    }
    RebuildBackgroundBrush();
    RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

} // namespace

HWND FindPageWindow(int pageId) {
    return tabSheetMgr != nullptr ? tabSheetMgr->FindPageWindow(pageId) : nullptr;
}

HWND PageControl(int pageId, int controlId) {
    HWND page = FindPageWindow(pageId);
    return page != nullptr ? GetDlgItem(page, controlId) : nullptr;
}

bool BuildHelpPath(const wchar_t* modulePath, wchar_t* out, size_t outChars) {
    return CombineBesideModule(modulePath, L"Help\\option.htm", out, outChars);
}

void SetOptionsChanged(bool changed) {
    if (optionsWindow == nullptr) {
        return;
    }
    HWND update = GetDlgItem(optionsWindow, IDC_UPDATE);
    if (!changed) {
        MoveFocusFrom(optionsWindow, update); // a disabled button cannot keep it
    }
    EnableWindow(update, changed);
    // While edits are unsaved, the blocked-shutdown screen names the reason the window holds the
    // end of the session; it is withdrawn as soon as nothing would be lost.
    if (changed) {
        systemCalls.shutdownBlockReasonCreate(optionsWindow, L"未保存の変更があります");
    } else {
        systemCalls.shutdownBlockReasonDestroy(optionsWindow);
    }
}

void HandOnFocus(HWND control, HWND target) {
    if (optionsWindow != nullptr) {
        MoveFocusFrom(optionsWindow, control, target);
    }
}

void ConfirmClose(HWND hWnd) {
    if (!IsWindowEnabled(GetDlgItem(hWnd, IDC_UPDATE))) {
        DestroyWindow(hWnd);
        return;
    }
    if (ShowAppMessage(hWnd, L"変更を保存せずに終了しますか?", MB_ICONQUESTION | MB_YESNO) == IDYES) {
        DestroyWindow(hWnd);
    }
}

HWND CreateOptionsWindow(HINSTANCE hInstance) {
    SetHighContrast(HighContrastIsOn());
    RebuildBackgroundBrush();

    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = OptionsWndProc;
    // Room for the dialog manager's slots, as every Windows SDK defines it for every target (30);
    // on x64 DWLP_MSGRESULT, DWLP_DLGPROC and DWLP_USER take 24 of these bytes.
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = hInstance;
    wc.hIcon = LoadIconW(hInstance, MAKEINTRESOURCEW(IDI_APP));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kOptionsWindowClass;
    if (RegisterClassExW(&wc) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return nullptr;
    }

    // OptionsWndProc is the class procedure; it sees WM_INITDIALOG and stores the window.
    HWND window = CreateDialogParamW(hInstance, MAKEINTRESOURCEW(IDD_OPTIONS), nullptr,
                                     reinterpret_cast<DLGPROC>(reinterpret_cast<void*>(OptionsWndProc)), 0);
    if (window == nullptr) {
        return nullptr;
    }
    optionsWindow = window;
    TraceStartupStep("options window created");

    if (tabSheetMgr != nullptr) {
        delete tabSheetMgr;
        tabSheetMgr = nullptr;
    }
    tabSheetMgr = new CTabSheetMgr();
    tabSheetMgr->Init(window, GetDlgItem(window, IDC_TAB), PageDlgProc, kPageCount);
    for (const PageDefinition& page : kPages) {
        tabSheetMgr->AddPage(page.id, page.templateId, page.caption);
    }
    TraceStartupStep("pages created");
    for (int position = 0; position < tabSheetMgr->GetPageCount(); ++position) {
        InitializePage(tabSheetMgr->PageAt(position));
    }
    TraceStartupStep("pages set up");
    LoadOptionsIntoPages();
    TraceStartupStep("options loaded into the pages");

    SelectFirstColumnRow(PageControl(kListView2Page, IDC_LV2_COLUMN_LIST));
    ArrangeTabOrder(window);
    ArrangeLabels();

    // Everything up to here filled the controls; only what the user does from now on counts.
    pageEventsEnabled = 1;
    UpdateControlStates();
    TraceStartupStep("control states");

    const int firstPage = IsExtensionRegistered() ? kGeneralPage : kSetupPage;
    tabSheetMgr->SelectPage(tabSheetMgr->FindPage(firstPage));

    TraceStartupStep("first page selected");
    ShowWindow(window, SW_SHOW);
    TraceStartupStep("shown");
    SetOptionsChanged(false);
    SetForegroundWindow(window);
    FocusFirstControl(window);
    PostMessageW(window, kAnnotateNames, 0, 0);
    return window;
}

void ReleaseOptionsWindowResources() {
    if (tabSheetMgr != nullptr) {
        tabSheetMgr->Destroy();
        if (tabSheetMgr != nullptr) {
            delete tabSheetMgr;
            tabSheetMgr = nullptr;
        }
    }
    if (backgroundBrush != nullptr) {
        DeleteObject(backgroundBrush);
        backgroundBrush = nullptr;
    }
    pageEventsEnabled = 0;
    optionsWindow = nullptr;
}

LRESULT CALLBACK OptionsWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        optionsWindow = hWnd;
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_UPDATE:
            OnUpdate(hWnd);
            return 0;
        case IDC_CLOSE:
            ConfirmClose(hWnd);
            return 0;
        case IDC_HELP_BUTTON:
            OpenHelp();
            return 0;
        case IDC_BACKUP:
            ShowBackupMenu(hWnd);
            return 0;
        default:
            if (ForwardPageCommand(hWnd, wParam, lParam)) {
                return 0;
            }
            // No IDOK or IDCANCEL handling: Enter does not save and Escape does not close.
            return DefWindowProcW(hWnd, message, wParam, lParam);
        }
    case WM_NEXTDLGCTL:
        MoveDialogFocus(hWnd, wParam, lParam);
        return 0;
    case WM_ACTIVATE:
        OnActivate(hWnd, wParam);
        return 0;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
        OnSchemeChange(hWnd, message);
        return DefWindowProcW(hWnd, message, wParam, lParam);
    case kAnnotateNames:
        AnnotateControlNames();
        return 0;
    case WM_CLOSE:
        ConfirmClose(hWnd);
        return 0;
    case WM_QUERYENDSESSION:
        // Answered at once: the system gives a window only moments before it ends the session
        // anyway, and shows the reason set with the edits in place of a question of ours.
        return IsWindowEnabled(GetDlgItem(hWnd, IDC_UPDATE)) ? FALSE : TRUE;
    case WM_ENDSESSION:
        // A cancelled sign-out leaves the window and its edits as they are; a completed one
        // ends the process after this returns.
        return 0;
    case WM_DESTROY:
        // Posted before the pages go down; they still release their wrappers on their own
        // WM_DESTROY before the loop sees the quit message.
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hWnd, message, wParam, lParam);
    }
}

INT_PTR CALLBACK PageDlgProc(HWND hPage, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(hPage, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, backgroundBrush);
        return 1;
    }
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, TextColour(RGB(0, 0, 0), IsWindowEnabled(reinterpret_cast<HWND>(lParam)) != FALSE));
        SetBkColor(dc, BackgroundColour(kPageBackground));
        return reinterpret_cast<INT_PTR>(backgroundBrush);
    }
    case WM_COMMAND:
        OnPageCommand(hPage, wParam, lParam);
        return 0;
    case WM_NOTIFY:
        OnPageNotify(hPage, reinterpret_cast<const NMHDR*>(lParam));
        return 0;
    case WM_NEXTDLGCTL:
        // Some controls ask their own parent to move the focus (a multi-line edit does so for
        // Tab); the page's default answer would wrap within the page and never reach the bottom
        // row, so every such request follows the window's one round.
        if (optionsWindow != nullptr && GetParent(hPage) == optionsWindow) {
            SendMessageW(optionsWindow, WM_NEXTDLGCTL, wParam, lParam);
            SetWindowLongPtrW(hPage, DWLP_MSGRESULT, 0);
            return TRUE;
        }
        return 0;
    case WM_DESTROY:
        OnPageDestroy(hPage);
        return 1;
    default:
        return 0;
    }
}
