#include "pages/PageBinding.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlwapi.h>

#include <cwchar>
#include <iterator>
#include <string>
#include <vector>

#include "app/OptionsWindow.h"
#include "pages/ColumnConfig.h"
#include "pages/ControlNames.h"
#include "pages/PageIds.h"
#include "pages/SetupPage.h"
#include "resource.h"
#include "settings/OptionsStore.h"
#include "settings/WindowsVersion.h"
#include "settings/WorkingColumnTable.h"
#include "win32/MessageBoxes.h"
#include "win32/SystemCalls.h"

CFontLabelWnd* generalHintLabel = nullptr;
CMultiEdit* viewModeExceptionEdit = nullptr;
CMultiEdit* columnExceptionEdit = nullptr;
CListView* columnList = nullptr;
CConvexLabelWnd* titleLabel = nullptr;
CFontLabelWnd* versionLabel = nullptr;
CUrlLabelWnd* mailLabel = nullptr;
CUrlLabelWnd* webLabel = nullptr;

namespace {

constexpr COLORREF kHintText = RGB(24, 24, 160);
constexpr COLORREF kSecondaryText = RGB(96, 96, 96);
constexpr COLORREF kLabelBackground = RGB(246, 246, 246);

enum class Binding { kCheck, kSelection, kSignedNumber, kText, kExceptionList, kColumns };

struct ControlBinding {
    int pageId;
    int controlId;
    Binding kind;
    int32_t Options::*number;
    wchar_t (Options::*text)[kCommandTextChars];
    ExceptionFolderList Options::*list;
};

constexpr ControlBinding Check(int page, int id, int32_t Options::*number) {
    return {page, id, Binding::kCheck, number, nullptr, nullptr};
}
constexpr ControlBinding Selection(int page, int id, int32_t Options::*number) {
    return {page, id, Binding::kSelection, number, nullptr, nullptr};
}
constexpr ControlBinding Text(int page, int id, wchar_t (Options::*text)[kCommandTextChars]) {
    return {page, id, Binding::kText, nullptr, text, nullptr};
}
constexpr ControlBinding Lines(int page, int id, ExceptionFolderList Options::*list) {
    return {page, id, Binding::kExceptionList, nullptr, nullptr, list};
}

// Load and save walk this table in order.
const ControlBinding kBindings[] = {
    Check(kGeneralPage, IDC_GEN_HIDE_CMDBAR, &Options::HideCommandBar),
    Check(kGeneralPage, IDC_GEN_ALT_KEY, &Options::ShowCMDBarALTKey),
    Check(kGeneralPage, IDC_GEN_WHEEL, &Options::ShowCMDBarWheel),
    {kGeneralPage, IDC_GEN_HEIGHT, Binding::kSignedNumber, &Options::HCBHeight, nullptr, nullptr},
    Check(kGeneralPage, IDC_GEN_PREVENT_DRAG, &Options::PreventDrag),
    Selection(kGeneralPage, IDC_GEN_DRAG_TYPE, &Options::PreventDragType),
    Check(kGeneralPage, IDC_GEN_CTRL_RET, &Options::CtrlRetCmd),
    Check(kGeneralPage, IDC_GEN_CTRL_RET_ADMIN, &Options::CtrlRetCmdAdmin),
    Check(kGeneralPage, IDC_GEN_TASKBAR_SIMPLE, &Options::TaskbarSimpleName),
    Check(kGeneralPage, IDC_GEN_TASKBAR_SUFFIX, &Options::TaskbarRemoveSuffix),

    Check(kTreeViewPage, IDC_TREE_NO_LINES_AT_ROOT, &Options::NoLinesAtRoot),
    Check(kTreeViewPage, IDC_TREE_NO_FADE, &Options::NoFadeInOutArrow),
    Check(kTreeViewPage, IDC_TREE_HAS_LINES, &Options::HasLines),

    Check(kListView1Page, IDC_LV1_SELECT_FIRST, &Options::SelectFirstItem),
    Check(kListView1Page, IDC_LV1_PC_DRIVE, &Options::PCSelectDrive),
    Selection(kListView1Page, IDC_LV1_DRIVE_LETTER, &Options::PCSelectDriveLetter),
    Check(kListView1Page, IDC_LV1_SHIFT_RET, &Options::ShiftRetCmd),
    Text(kListView1Page, IDC_LV1_FILE_PROG, &Options::ShiftRetCmdExeFile),
    Text(kListView1Page, IDC_LV1_FILE_ARG, &Options::ShiftRetCmdArgFile),
    Text(kListView1Page, IDC_LV1_FLDR_PROG, &Options::ShiftRetCmdExeFldr),
    Text(kListView1Page, IDC_LV1_FLDR_ARG, &Options::ShiftRetCmdArgFldr),

    Check(kListView2Page, IDC_LV2_VIEW_MODE, &Options::ViewMode),
    Selection(kListView2Page, IDC_LV2_VIEW_MODE_INDEX, &Options::ViewModeIndex),
    Lines(kListView2Page, IDC_LV2_VIEW_MODE_EF, &Options::ViewModeEF),
    Check(kListView2Page, IDC_LV2_COLUMN, &Options::Column),
    {kListView2Page, IDC_LV2_COLUMN_LIST, Binding::kColumns, nullptr, nullptr, nullptr},
    Lines(kListView2Page, IDC_LV2_COLUMN_EF, &Options::ColumnEF),
};

struct EnableRule {
    int pageId;
    int masterId;
    int dependents[12];
};

const EnableRule kEnableRules[] = {
    {kGeneralPage,
     IDC_GEN_HIDE_CMDBAR,
     {IDC_GEN_SHOW_LABEL, IDC_GEN_ALT_KEY, IDC_GEN_WHEEL, IDC_GEN_HEIGHT_LABEL, IDC_GEN_HEIGHT,
      IDC_GEN_PIXEL_LABEL}},
    {kGeneralPage, IDC_GEN_PREVENT_DRAG, {IDC_GEN_DRAG_HINT, IDC_GEN_DRAG_TYPE_LABEL, IDC_GEN_DRAG_TYPE}},
    {kGeneralPage, IDC_GEN_TASKBAR_SIMPLE, {IDC_GEN_TASKBAR_SUFFIX}},
    {kListView1Page, IDC_LV1_PC_DRIVE, {IDC_LV1_DRIVE_LABEL, IDC_LV1_DRIVE_LETTER}},
    {kListView1Page,
     IDC_LV1_SHIFT_RET,
     {IDC_LV1_FILE_LABEL, IDC_LV1_FILE_PROG_LABEL, IDC_LV1_FILE_PROG, IDC_LV1_FILE_BROWSE,
      IDC_LV1_FILE_ARG_LABEL, IDC_LV1_FILE_ARG, IDC_LV1_FOLDER_LABEL, IDC_LV1_FLDR_PROG_LABEL,
      IDC_LV1_FLDR_PROG, IDC_LV1_FLDR_BROWSE, IDC_LV1_FLDR_ARG_LABEL, IDC_LV1_FLDR_ARG}},
    {kListView2Page,
     IDC_LV2_VIEW_MODE,
     {IDC_LV2_VIEW_MODE_LABEL, IDC_LV2_VIEW_MODE_INDEX, IDC_LV2_VIEW_MODE_EF_LABEL, IDC_LV2_VIEW_MODE_EF}},
    {kListView2Page,
     IDC_LV2_COLUMN,
     {IDC_LV2_COLUMN_LABEL, IDC_LV2_COLUMN_LIST, IDC_LV2_COLUMN_EF_LABEL, IDC_LV2_EDIT, IDC_LV2_COLUMN_EF}},
};

const wchar_t* const kDragButtons[] = {L"左クリック", L"右クリック", L"両方"};
const wchar_t* const kViewModes[] = {L"小アイコン", L"中アイコン", L"大アイコン", L"特大アイコン",
                                     L"一覧",       L"詳細",       L"並べて表示", L"コンテンツ"};

struct ExceptionEditInfo {
    int controlId;
    const wchar_t* listName;
};
const ExceptionEditInfo kExceptionEdits[] = {
    {IDC_LV2_VIEW_MODE_EF, kViewModeExceptionsName},
    {IDC_LV2_COLUMN_EF, kColumnExceptionsName},
};

template <typename T> void Release(T*& slot) {
    if (slot != nullptr) {
        slot->Detach();
        delete slot;
        slot = nullptr;
    }
}

void AddStrings(HWND combo, const wchar_t* const* strings, size_t count) {
    if (combo == nullptr) {
        return;
    }
    for (size_t i = 0; i < count; ++i) {
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(strings[i]));
    }
}

// The six page windows, looked up once for an operation that visits many controls: each lookup
// reads window properties, which under Wine costs a round trip to the server every time.
class PageWindows {
public:
    PageWindows() {
        for (int id = kSetupPage; id < kPageCount; ++id) {
            m_pages[id] = FindPageWindow(id);
        }
    }
    HWND Control(int pageId, int controlId) const {
        HWND page = pageId >= 0 && pageId < kPageCount ? m_pages[pageId] : nullptr;
        return page != nullptr ? GetDlgItem(page, controlId) : nullptr;
    }
    bool IsChecked(int pageId, int controlId) const {
        HWND control = Control(pageId, controlId);
        return control != nullptr && SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    void Enable(int pageId, int controlId, bool enable) const {
        HWND control = Control(pageId, controlId);
        if (control != nullptr) {
            EnableWindow(control, enable);
        }
    }

private:
    HWND m_pages[kPageCount] = {};
};

void InitializeGeneralPage(HWND page) {
    generalHintLabel = new CFontLabelWnd(FW_NORMAL);
    generalHintLabel->Attach(GetDlgItem(page, IDC_GEN_DRAG_HINT));
    generalHintLabel->m_crText = kHintText;
    generalHintLabel->m_crBack = kLabelBackground;
    generalHintLabel->SetPointSize(10);
    SendDlgItemMessageW(page, IDC_GEN_HEIGHT, EM_LIMITTEXT, 4, 0);
    AddStrings(GetDlgItem(page, IDC_GEN_DRAG_TYPE), kDragButtons, std::size(kDragButtons));
}

void InitializeListView1Page(HWND page) {
    HWND drives = GetDlgItem(page, IDC_LV1_DRIVE_LETTER);
    if (drives == nullptr) {
        return;
    }
    for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
        const wchar_t entry[] = {L' ', letter, L'\0'}; // " %c"
        SendMessageW(drives, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    }
}

void InitializeListView2Page(HWND page) {
    AddStrings(GetDlgItem(page, IDC_LV2_VIEW_MODE_INDEX), kViewModes, std::size(kViewModes));
    viewModeExceptionEdit = new CMultiEdit();
    viewModeExceptionEdit->Attach(GetDlgItem(page, IDC_LV2_VIEW_MODE_EF));
    columnExceptionEdit = new CMultiEdit();
    columnExceptionEdit->Attach(GetDlgItem(page, IDC_LV2_COLUMN_EF));
    // An edit takes 32,767 characters by default: a list loaded beyond that could not be
    // added to. Zero lifts the limit as far as the control goes.
    SendDlgItemMessageW(page, IDC_LV2_VIEW_MODE_EF, EM_SETLIMITTEXT, 0, 0);
    SendDlgItemMessageW(page, IDC_LV2_COLUMN_EF, EM_SETLIMITTEXT, 0, 0);
    SetUpColumnList(page);
}

void InitializeVersionPage(HWND page) {
    SetDlgItemTextW(page, IDC_VER_VERSION, L"for Windows 10/11\nVersion 1.2");
    titleLabel = new CConvexLabelWnd();
    versionLabel = new CFontLabelWnd(FW_NORMAL);
    mailLabel = new CUrlLabelWnd();
    webLabel = new CUrlLabelWnd();
    titleLabel->Attach(GetDlgItem(page, IDC_VER_TITLE));
    versionLabel->Attach(GetDlgItem(page, IDC_VER_VERSION));
    mailLabel->Attach(GetDlgItem(page, IDC_VER_MAIL));
    webLabel->Attach(GetDlgItem(page, IDC_VER_WEB));
    titleLabel->SetPointSize(22);
    titleLabel->GrowToFitText(4); // room for the raised lettering's offsets
    versionLabel->SetPointSize(13);
    mailLabel->SetPointSize(10);
    webLabel->SetPointSize(10);
    versionLabel->m_crText = kSecondaryText;
    titleLabel->m_crBack = kLabelBackground;
    versionLabel->m_crBack = kLabelBackground;
    mailLabel->m_crBack = kLabelBackground;
    webLabel->m_crBack = kLabelBackground;
    // The links are not tab stops by their template; the keyboard reaches them too.
    for (int id : {IDC_VER_MAIL, IDC_VER_WEB}) {
        HWND link = GetDlgItem(page, id);
        SetWindowLongPtrW(link, GWL_STYLE, GetWindowLongPtrW(link, GWL_STYLE) | WS_TABSTOP);
    }
}

// One line per entry, CR LF between entries but not after the last. The text is set at once:
// inserting entry by entry lays the edit out again for every entry, a cost paid at every start.
void FillExceptionEdit(HWND edit, const ExceptionFolderList& list) {
    if (edit == nullptr) {
        return;
    }
    std::wstring text;
    for (size_t i = 0; i < list.Count(); ++i) {
        if (i > 0) {
            text += L"\r\n";
        }
        text += list.At(i);
    }
    SetWindowTextW(edit, text.c_str());
    // Show the list from its first entry.
    SendMessageW(edit, EM_SETSEL, 0, 0);
    SendMessageW(edit, EM_SCROLLCARET, 0, 0);
}

// One line of a multi-line edit, whole, with CR, LF, tab and space trimmed from both ends.
std::wstring ReadTrimmedLine(HWND edit, int line) {
    const LRESULT lineStart = SendMessageW(edit, EM_LINEINDEX, line, 0);
    if (lineStart < 0) {
        return std::wstring();
    }
    const size_t length = static_cast<size_t>(SendMessageW(edit, EM_LINELENGTH, lineStart, 0));
    // EM_GETLINE wants the capacity in the first word and needs room for at least that word.
    std::vector<wchar_t> buffer(length + 2, L'\0');
    buffer[0] = static_cast<wchar_t>(length < 0xFFFF ? length + 1 : 0xFFFF);
    const LRESULT copied = SendMessageW(edit, EM_GETLINE, line, reinterpret_cast<LPARAM>(buffer.data()));
    buffer[static_cast<size_t>(copied) < buffer.size() ? static_cast<size_t>(copied) : buffer.size() - 1] =
        L'\0';
    StrTrimW(buffer.data(), L"\r\n\t ");
    return std::wstring(buffer.data());
}

// Refuses a list whose line is too long to be stored, naming the list and the line; true
// when every line fits.
bool CheckExceptionLines(HWND page) {
    for (const ExceptionEditInfo& info : kExceptionEdits) {
        HWND edit = GetDlgItem(page, info.controlId);
        if (edit == nullptr) {
            continue;
        }
        const int lines = static_cast<int>(SendMessageW(edit, EM_GETLINECOUNT, 0, 0));
        for (int line = 0; line < lines; ++line) {
            const size_t length = ReadTrimmedLine(edit, line).size();
            if (length <= ExceptionFolderList::kMaxEntryChars) {
                continue;
            }
            wchar_t message[256];
            swprintf(message, std::size(message),
                     L"%lsの %d 行目が長すぎます（%d 文字）。\n1 行は %d "
                     L"文字までです。\n\nオプション設定は保存されていません。",
                     info.listName, line + 1, static_cast<int>(length),
                     static_cast<int>(ExceptionFolderList::kMaxEntryChars));
            tabSheetMgr->SelectPage(tabSheetMgr->FindPage(kListView2Page));
            const LRESULT start = SendMessageW(edit, EM_LINEINDEX, line, 0);
            const LRESULT lineLength = SendMessageW(edit, EM_LINELENGTH, start, 0);
            SendMessageW(edit, EM_SETSEL, start, start + lineLength);
            ShowAppMessage(optionsWindow, message, MB_ICONERROR);
            SetFocus(edit);
            return false;
        }
    }
    return true;
}

void ReadExceptionEdit(HWND edit, ExceptionFolderList& list) {
    list.Clear();
    if (edit == nullptr) {
        return;
    }
    const int lines = static_cast<int>(SendMessageW(edit, EM_GETLINECOUNT, 0, 0));
    for (int line = 0; line < lines; ++line) {
        const std::wstring entry = ReadTrimmedLine(edit, line);
        list.Append(entry.c_str()); // blank lines are dropped
    }
}

void LoadControl(const ControlBinding& binding, HWND control, const Options& options) {
    switch (binding.kind) {
    case Binding::kCheck:
        SendMessageW(control, BM_SETCHECK, options.*(binding.number) != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
        break;
    case Binding::kSelection:
        // A number outside the list leaves no selection on Windows but the old one on Wine;
        // clearing first gives both what a start-up shows.
        SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(options.*(binding.number)), 0);
        break;
    case Binding::kSignedNumber: {
        wchar_t text[16];
        swprintf(text, std::size(text), L"%d", options.*(binding.number));
        SetWindowTextW(control, text);
        break;
    }
    case Binding::kText:
        SetWindowTextW(control, options.*(binding.text));
        break;
    case Binding::kExceptionList:
        FillExceptionEdit(control, options.*(binding.list));
        break;
    case Binding::kColumns:
        FillColumnList(control);
        break;
    }
}

// A signed decimal number; text that is not one gives 0.
int32_t ParseSignedNumber(HWND control) {
    BOOL ok = FALSE;
    const UINT value = GetDlgItemInt(GetParent(control), GetDlgCtrlID(control), &ok, TRUE);
    return ok ? static_cast<int32_t>(value) : 0;
}

void SaveControl(const ControlBinding& binding, HWND control, Options& options) {
    switch (binding.kind) {
    case Binding::kCheck:
        options.*(binding.number) = SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
        break;
    case Binding::kSelection:
        options.*(binding.number) = static_cast<int32_t>(SendMessageW(control, CB_GETCURSEL, 0, 0));
        break;
    case Binding::kSignedNumber:
        options.*(binding.number) = ParseSignedNumber(control);
        break;
    case Binding::kText:
        GetWindowTextW(control, options.*(binding.text), static_cast<int>(kCommandTextChars));
        break;
    case Binding::kExceptionList:
        ReadExceptionEdit(control, options.*(binding.list));
        break;
    case Binding::kColumns:
        ReadColumnsFromList(control, options.ColumnEntries);
        break;
    }
}

// The record's columns become the working table, every other value goes into its control.
void FillPages(const Options& options) {
    FillWorkingColumnTable(options);
    const PageWindows pages;
    for (const ControlBinding& binding : kBindings) {
        HWND control = pages.Control(binding.pageId, binding.controlId);
        if (control != nullptr) {
            LoadControl(binding, control, options);
        }
    }
}

} // namespace

void InitializePage(HWND page) {
    if (page == nullptr) {
        return;
    }
    for (int id = kSetupPage; id < kPageCount; ++id) {
        if (page != FindPageWindow(id)) {
            continue;
        }
        switch (id) {
        case kSetupPage:
            ShowWindowsVersionCheck();
            UpdateRegistrationButtons();
            break;
        case kGeneralPage:
            InitializeGeneralPage(page);
            break;
        case kListView1Page:
            InitializeListView1Page(page);
            break;
        case kListView2Page:
            InitializeListView2Page(page);
            break;
        case kVersionPage:
            InitializeVersionPage(page);
            break;
        default:
            break;
        }
        return;
    }
}

void LoadOptionsIntoPages() {
    Options options;
    LoadOptions(options);
    FillPages(options);
}

bool ReadOptionsFromPages(Options& options) {
    HWND listView2 = FindPageWindow(kListView2Page);
    if (listView2 != nullptr && !CheckExceptionLines(listView2)) {
        return false;
    }
    ReadPagesAsShown(options);
    return true;
}

void ReadPagesAsShown(Options& options) {
    const PageWindows pages;
    for (const ControlBinding& binding : kBindings) {
        HWND control = pages.Control(binding.pageId, binding.controlId);
        if (control != nullptr) {
            SaveControl(binding, control, options);
        }
    }
}

SaveResult SaveOptionsFromPages() {
    Options options;
    if (!ReadOptionsFromPages(options)) {
        return SaveResult::kRejected;
    }
    if (!SaveOptions(options)) {
        return SaveResult::kWriteFailed;
    }
    SetOptionsChanged(false);
    return SaveResult::kSaved;
}

void ShowOptionsInPages(const Options& options) {
    // The program's own filling of the controls is not an edit of the user's.
    const int eventsWere = pageEventsEnabled;
    pageEventsEnabled = 0;
    FillPages(options);
    SelectFirstColumnRow(PageControl(kListView2Page, IDC_LV2_COLUMN_LIST));
    pageEventsEnabled = eventsWere;
    SetOptionsChanged(true);
    UpdateControlStates();
}

void UpdateControlStates() {
    if (pageEventsEnabled == 0) {
        return;
    }
    pageEventsEnabled = 0;

    const PageWindows pages;
    if (!IsWindows11Build(ReadWindowsBuildNumber())) {
        pages.Enable(kGeneralPage, IDC_GEN_HIDE_CMDBAR, false);
        pages.Enable(kGeneralPage, IDC_GEN_TASKBAR_SIMPLE, false);
        pages.Enable(kGeneralPage, IDC_GEN_TASKBAR_SUFFIX, false);
    }
    for (const EnableRule& rule : kEnableRules) {
        const bool enable = pages.IsChecked(rule.pageId, rule.masterId);
        for (int dependent : rule.dependents) {
            if (dependent != 0) {
                pages.Enable(rule.pageId, dependent, enable);
            }
        }
    }
    HWND list = pages.Control(kListView2Page, IDC_LV2_COLUMN_LIST);
    if (list != nullptr) {
        const LONG_PTR style = GetWindowLongPtrW(list, GWL_STYLE);
        const LONG_PTR wanted = pages.IsChecked(kListView2Page, IDC_LV2_COLUMN)
                                    ? (style | LVS_SHOWSELALWAYS)
                                    : (style & ~static_cast<LONG_PTR>(LVS_SHOWSELALWAYS));
        if (wanted != style) {
            SetWindowLongPtrW(list, GWL_STYLE, wanted);
            InvalidateRect(list, nullptr, TRUE);
        }
    }
    if (columnList != nullptr) {
        columnList->UpdateMoveButtons();
        columnList->UpdateItemButtons(-1);
    }

    pageEventsEnabled = 1;
}

bool BrowseForProgram(wchar_t (&path)[kProgramPathChars]) {
    path[0] = L'\0';
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = optionsWindow;
    ofn.lpstrFilter = L"実行ファイル(*.exe)\0*.exe\0全てのファイル(*.*)\0*.*\0";
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = path;
    ofn.nMaxFile = static_cast<DWORD>(kProgramPathChars);
    ofn.lpstrInitialDir = L"C:\\";
    ofn.lpstrTitle = L"実行ファイルを選択";
    ofn.lpstrDefExt = L"exe";
    // Without OFN_NOCHANGEDIR the chosen program's folder would stay the current one, held open
    // (not to be renamed, deleted or ejected) while the window is.
    ofn.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR;
    if (!systemCalls.getOpenFileName(&ofn)) {
        path[0] = L'\0';
        return false;
    }
    path[kProgramPathChars - 1] = L'\0';
    return true;
}

void OnPageDestroy(HWND page) {
    if (page == nullptr) {
        return;
    }
    if (page == FindPageWindow(kSetupPage)) {
        return;
    }
    ClearControlNames(page);
    if (page == FindPageWindow(kGeneralPage)) {
        Release(generalHintLabel);
    } else if (page == FindPageWindow(kListView2Page)) {
        Release(viewModeExceptionEdit);
        Release(columnExceptionEdit);
        Release(columnList);
    } else if (page == FindPageWindow(kVersionPage)) {
        Release(titleLabel);
        Release(versionLabel);
        Release(webLabel);
        Release(mailLabel);
    }
}
