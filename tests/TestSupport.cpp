#include "TestSupport.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/OptionsWindow.h"
#include "app/Startup.h"
#include "settings/OptionsStore.h"
#include "settings/RegFileWriter.h"
#include "settings/WindowsVersion.h"
#include "win32/Handles.h"
#include "win32/SystemCalls.h"

namespace {
thread_local DialogResponder* activeResponder = nullptr;
const wchar_t kClsidKey[] = L"SOFTWARE\\Classes\\CLSID\\{408f43a1-23c2-442e-990c-dfba06b5664f}";
} // namespace

bool PumpUntil(const std::function<bool()>& pred, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                continue;
            }
            // Through the program's own loop while its window is open.
            if (optionsWindow != nullptr) {
                ProcessLoopMessage(optionsWindow, msg);
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (pred()) {
            return true;
        }
        if (GetTickCount64() >= deadline) {
            return pred();
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

void DeleteOptionsKey() {
    SHDeleteKeyW(HKEY_CURRENT_USER, kOptionsKey);
}

bool OptionsKeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kOptionsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

void SetOptionRaw(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kOptionsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

void SetOptionDword(const wchar_t* name, DWORD value) {
    SetOptionRaw(name, REG_DWORD, &value, sizeof(value));
}

void SetOptionText(const wchar_t* name, const wchar_t* text) {
    SetOptionRaw(name, REG_SZ, text, static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
}

DWORD RawValue::AsDword() const {
    DWORD value = 0;
    if (!bytes.empty()) {
        std::memcpy(&value, bytes.data(), bytes.size() < 4 ? bytes.size() : 4);
    }
    return value;
}

std::wstring RawValue::AsText() const {
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') {
        text.pop_back();
    }
    return text;
}

RawValue ReadRaw(HKEY root, const wchar_t* subKey, const wchar_t* name) {
    RawValue value;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return value;
    }
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        value.bytes.resize(size);
        if (RegQueryValueExW(key, name, nullptr, &value.type, value.bytes.data(), &size) == ERROR_SUCCESS) {
            value.present = true;
            value.bytes.resize(size);
        }
    }
    RegCloseKey(key);
    return value;
}

RawValue ReadOptionRaw(const wchar_t* name) {
    return ReadRaw(HKEY_CURRENT_USER, kOptionsKey, name);
}

StoredKey StoredValues() {
    StoredKey values;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kOptionsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return values;
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameChars = 256;
        DWORD type = 0;
        if (RegEnumValueW(key, i, name, &nameChars, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        values[name] = {type, ReadOptionRaw(name).bytes};
    }
    RegCloseKey(key);
    return values;
}

ColumnEntry StoredColumn(int index) {
    ColumnEntry entry;
    std::memset(&entry, 0, sizeof(entry));
    const std::wstring name = L"Column_" + std::to_wstring(index);
    const RawValue value = ReadOptionRaw(name.c_str());
    if (!value.present || value.bytes.size() != sizeof(entry)) {
        ADD_FAILURE() << "Column_" << index << (value.present ? " has " : " is missing")
                      << (value.present ? std::to_string(value.bytes.size()) + " bytes" : "");
        return entry;
    }
    std::memcpy(&entry, value.bytes.data(), sizeof(entry));
    return entry;
}

namespace {
const wchar_t kVolatileRoot[] = L"Software\\TravineVolatileRoot";
} // namespace

FailingRegistryWrites::FailingRegistryWrites() {
    RegCreateKeyExW(HKEY_CURRENT_USER, kVolatileRoot, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                    nullptr, &m_root, nullptr);
    HKEY software = nullptr;
    RegCreateKeyExW(m_root, L"Software", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &software,
                    nullptr);
    RegCloseKey(software);
    EXPECT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CURRENT_USER, m_root));
}

FailingRegistryWrites::~FailingRegistryWrites() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(m_root);
    SHDeleteKeyW(HKEY_CURRENT_USER, kVolatileRoot);
}

namespace {
void WriteVersionValue(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, kCurrentVersionKey, 0, KEY_ALL_ACCESS, &key));
    if (data == nullptr) {
        RegDeleteValueW(key, name);
    } else {
        RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    }
    RegCloseKey(key);
}
} // namespace

WindowsVersionCase::WindowsVersionCase() {
    for (const wchar_t* name :
         {L"CurrentBuildNumber", L"UBR", L"DisplayVersion", L"ProductName", L"EditionID"}) {
        m_saved.push_back({name, ReadRaw(HKEY_LOCAL_MACHINE, kCurrentVersionKey, name)});
    }
}

WindowsVersionCase::~WindowsVersionCase() {
    for (const Saved& saved : m_saved) {
        if (saved.value.present) {
            WriteVersionValue(saved.name, saved.value.type, saved.value.bytes.data(),
                              static_cast<DWORD>(saved.value.bytes.size()));
        } else {
            WriteVersionValue(saved.name, REG_NONE, nullptr, 0);
        }
    }
}

void WindowsVersionCase::SetText(const wchar_t* name, const wchar_t* text) {
    WriteVersionValue(name, REG_SZ, text,
                      text ? static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)) : 0);
}
void WindowsVersionCase::Set(const wchar_t* build, DWORD ubr, const wchar_t* displayVersion) {
    SetBuild(build);
    WriteVersionValue(L"UBR", REG_DWORD, &ubr, sizeof(ubr));
    SetText(L"DisplayVersion", displayVersion);
}

void RemoveExtensionRegistration() {
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, kClsidKey);
}

void FakeExtensionRegistration() {
    HKEY key = nullptr;
    std::wstring path = std::wstring(kClsidKey) + L"\\InprocServer32";
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegCloseKey(key);
}

DialogResponder::DialogResponder(Handler handler) : m_handler(std::move(handler)) {
    m_previous = activeResponder;
    activeResponder = this;
    m_hook = SetWindowsHookExW(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
}

DialogResponder::~DialogResponder() {
    if (m_timer != 0) {
        KillTimer(nullptr, m_timer);
    }
    if (m_hook != nullptr) {
        UnhookWindowsHookEx(m_hook);
    }
    activeResponder = m_previous;
}

LRESULT CALLBACK DialogResponder::CbtProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && activeResponder != nullptr) {
        activeResponder->OnActivate(reinterpret_cast<HWND>(wParam));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void DialogResponder::OnActivate(HWND hwnd) {
    wchar_t className[32] = {};
    GetClassNameW(hwnd, className, 32);
    if (wcscmp(className, L"#32770") != 0 || !m_handled.insert(hwnd).second) {
        return;
    }
    m_pending.push_back(hwnd);
    if (m_timer == 0) {
        m_timer = SetTimer(nullptr, 0, 1, TimerProc);
    }
}

void CALLBACK DialogResponder::TimerProc(HWND, UINT, UINT_PTR, DWORD) {
    DialogResponder* self = activeResponder;
    if (self == nullptr) {
        return;
    }
    KillTimer(nullptr, self->m_timer);
    self->m_timer = 0;
    std::vector<HWND> pending;
    pending.swap(self->m_pending);
    for (HWND hwnd : pending) {
        if (IsWindow(hwnd)) {
            self->Respond(hwnd);
        }
    }
}

namespace {
// Every box the program shows, by a part of its text no other box has (the first row that
// matches): the buttons it offers, the one Enter presses and its icon.
void JudgeProgramBox(const SeenDialog& box) {
    using Buttons = std::vector<int>;
    const Buttons ok = {IDOK}, yesNo = {IDYES, IDNO};
    const struct {
        const wchar_t* words;
        Buttons buttons;
        BoxIcon icon;
    } kBoxes[] = {
        {L"変更を保存せずに終了しますか?", yesNo, BoxIcon::kQuestion},
        {L"オプション設定を削除しますか?", yesNo, BoxIcon::kQuestion},
        {L"全ての設定を既定に戻しますか?", yesNo, BoxIcon::kQuestion},
        {L"オプション設定を保存しました。\n\n設定を反映させるためには", ok, BoxIcon::kQuestion},
        {L"オプション設定を削除しました", ok, BoxIcon::kInformation},
        {L"インストールに成功しました", ok, BoxIcon::kInformation}, // アンインストール too
        {L"設定をファイルに保存しました。", ok, BoxIcon::kInformation},
        {L"設定をファイルから読み込みました。", ok, BoxIcon::kInformation},
        {L"クリップボードにコピーしました。", ok, BoxIcon::kInformation},
        {L"カラムは非表示にできません。", ok, BoxIcon::kWarning},
        {L"に失敗しました", ok, BoxIcon::kError}, // saving, installing, removing
        {L"ファイルが見つかりません", ok, BoxIcon::kError},
        {L"できませんでした", ok, BoxIcon::kError}, // a file or the report
        {L"読み込めませんでした", ok, BoxIcon::kError},
        {L"行目が長すぎます", ok, BoxIcon::kError},
        {L"サポート外のOSです", ok, BoxIcon::kError},
    };
    const auto* row = std::find_if(std::begin(kBoxes), std::end(kBoxes), [&](const auto& b) {
        return box.text.find(b.words) != std::wstring::npos;
    });
    if (row == std::end(kBoxes)) {
        ADD_FAILURE() << "a box no one expects: " << testing::PrintToString(box.text);
        return;
    }
    EXPECT_EQ(row->buttons, box.buttons) << testing::PrintToString(box.text);
    EXPECT_EQ(row->buttons.front(), box.defaultButton) << testing::PrintToString(box.text);
    EXPECT_EQ(row->icon, box.icon) << testing::PrintToString(box.text);
}
} // namespace

void DialogResponder::Respond(HWND hwnd) {
    SeenDialog dialog;
    dialog.hwnd = hwnd;
    dialog.caption = WindowText(hwnd);
    dialog.text = WindowText(GetDlgItem(hwnd, 0xFFFF));
    dialog.hasYesNo = GetDlgItem(hwnd, IDYES) != nullptr && GetDlgItem(hwnd, IDNO) != nullptr;
    HWND iconControl = GetDlgItem(hwnd, 0x440);
    if (iconControl != nullptr) {
        auto icon = reinterpret_cast<HICON>(SendMessageW(iconControl, STM_GETICON, 0, 0));
        dialog.icon = icon == nullptr                               ? BoxIcon::kNone
                      : icon == LoadIconW(nullptr, IDI_ERROR)       ? BoxIcon::kError
                      : icon == LoadIconW(nullptr, IDI_QUESTION)    ? BoxIcon::kQuestion
                      : icon == LoadIconW(nullptr, IDI_WARNING)     ? BoxIcon::kWarning
                      : icon == LoadIconW(nullptr, IDI_INFORMATION) ? BoxIcon::kInformation
                                                                    : BoxIcon::kOther;
    }
    for (int id : {IDOK, IDCANCEL, IDYES, IDNO}) {
        HWND button = GetDlgItem(hwnd, id);
        if (button != nullptr) {
            dialog.buttons.push_back(id);
            if ((GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
                dialog.defaultButton = id;
            }
        }
    }
    if (dialog.caption == L"Travine for Windows 10/11") {
        JudgeProgramBox(dialog);
    }
    seen.push_back(dialog);
    if (m_handler) {
        m_handler(dialog);
    }
}

DialogResponder DialogResponder::Answering(int buttonId) {
    return DialogResponder([buttonId](const SeenDialog& dialog) { PressButton(dialog.hwnd, buttonId); });
}

void PressButton(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

HWND ChildWithText(HWND parent, const std::wstring& text, int nth) {
    for (HWND c = GetWindow(parent, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        if (WindowText(c) == text && nth-- == 0) {
            return c;
        }
    }
    return nullptr;
}

void PressButton(HWND parent, const std::wstring& text, int nth) {
    HWND button = ChildWithText(parent, text, nth);
    EXPECT_TRUE(button != nullptr && IsWindowEnabled(button))
        << "no enabled button " << testing::PrintToString(text);
    if (button != nullptr) {
        SendMessageW(button, BM_CLICK, 0, 0);
    }
}

HWND CreateTestWindow(const wchar_t* className, WNDPROC proc, DWORD style, int width, int height) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = className;
    RegisterClassW(&wc);
    return CreateWindowW(className, L"", style, 0, 0, width, height, nullptr, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

Pixels CountPixels(HDC dc, const RECT& area, COLORREF color) {
    Pixels pixels;
    const int middle = (area.top + area.bottom) / 2;
    for (int y = area.top; y < area.bottom; ++y) {
        int run = 0;
        for (int x = area.left; x < area.right; ++x) {
            const bool match = GetPixel(dc, x, y) == color;
            if (match) {
                ++(y < middle ? pixels.upperHalf : pixels.lowerHalf);
            }
            run = match ? run + 1 : 0;
            pixels.longestRun = run > pixels.longestRun ? run : pixels.longestRun;
        }
    }
    return pixels;
}

Pixels CountPixels(HWND control, COLORREF color) {
    RECT client;
    GetClientRect(control, &client);
    HDC dc = GetDC(control);
    const Pixels pixels = CountPixels(dc, client, color);
    ReleaseDC(control, dc);
    return pixels;
}

std::wstring WindowText(HWND hwnd) {
    if (hwnd == nullptr) {
        return std::wstring();
    }
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, &text[0], static_cast<int>(text.size()))));
    return text;
}

void ExpectTextFits(HWND control, const LOGFONTW* ownFont) {
    wchar_t cls[32] = {};
    GetClassNameW(control, cls, 32);
    const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
    RECT room;
    GetClientRect(control, &room);
    UINT format = DT_CALCRECT | DT_EXPANDTABS; // a label of its own draws its lines unwrapped
    std::vector<std::wstring> texts = {WindowText(control)};
    if (ownFont == nullptr && wcscmp(cls, L"Static") == 0) {
        format |= DT_WORDBREAK | ((style & SS_NOPREFIX) != 0 ? DT_NOPREFIX : 0);
    } else if (wcscmp(cls, L"ComboBox") == 0) {
        texts = ComboItems(control);
        room.right -= GetSystemMetrics(SM_CXVSCROLL) + 6;
    } else if (ownFont == nullptr) { // a button: its box, or its frame, and a margin
        format |= DT_SINGLELINE;
        const LONG_PTR type = style & BS_TYPEMASK;
        room.left += type == BS_AUTOCHECKBOX ? 16 : type == BS_GROUPBOX ? 8 : 3;
        room.right -= type == BS_GROUPBOX ? 8 : 3;
    }
    HDC dc = GetDC(control);
    UniqueHfont made(ownFont != nullptr ? CreateFontIndirectW(ownFont) : nullptr);
    HGDIOBJ old = SelectObject(dc, made ? made.get()
                                        : reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    for (const std::wstring& text : texts) {
        RECT needed = {0, 0, room.right - room.left, 0};
        DrawTextW(dc, text.c_str(), -1, &needed, format);
        EXPECT_TRUE(needed.right <= room.right - room.left && needed.bottom <= room.bottom - room.top)
            << "control " << GetDlgCtrlID(control) << ": " << testing::PrintToString(text) << " needs "
            << needed.right << "x" << needed.bottom << ", has " << room.right - room.left << "x"
            << room.bottom - room.top;
    }
    SelectObject(dc, old);
    ReleaseDC(control, dc);
}

std::vector<std::wstring> ComboItems(HWND combo) {
    std::vector<std::wstring> items;
    const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[64] = {};
        if (SendMessageW(combo, CB_GETLBTEXTLEN, i, 0) < 64) {
            SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        }
        items.emplace_back(text);
    }
    return items;
}

std::wstring TabText(HWND tab, int index) {
    wchar_t text[64] = {};
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 64;
    SendMessageW(tab, TCM_GETITEMW, index, reinterpret_cast<LPARAM>(&item));
    return text;
}

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    PathRemoveFileSpecW(path);
    return std::wstring(path) + L"\\";
}

POINT RowPointWhere(HWND list, int row, UINT wanted, UINT unwanted) {
    RECT bounds = {LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds));
    LVHITTESTINFO hit = {};
    for (hit.pt = {bounds.left, (bounds.top + bounds.bottom) / 2}; hit.pt.x < bounds.right; ++hit.pt.x) {
        SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        if ((hit.flags & wanted) != 0 && (hit.flags & unwanted) == 0 && hit.iItem == row) {
            return hit.pt;
        }
    }
    ADD_FAILURE() << "row " << row << " has no point with flag " << wanted;
    return {0, 0};
}

void SelectRow(HWND list, int row) {
    LVITEMW state = {};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
}

void CheckRow(HWND list, int row, bool checked) {
    LVITEMW state = {};
    state.stateMask = LVIS_STATEIMAGEMASK;
    state.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
}

std::wstring CellText(HWND list, int row, int column) {
    wchar_t text[256] = {};
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 256;
    SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

void ResetProgramCase(WindowsVersionCase& version) {
    DeleteOptionsKey();
    RemoveExtensionRegistration();
    version.Set(L"22631", 4460, L"23H2");
    version.SetProductName(L"Windows 10 Pro");
    version.SetText(L"EditionID", L"Professional");
}

namespace {
SystemCallRecorder* activeRecorder = nullptr;
std::wstring OrEmpty(const wchar_t* text) {
    return text != nullptr ? text : L"";
}

SystemCallRecorder::ShellCall MakeShellCall(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR params,
                                            LPCWSTR directory, INT show) {
    SystemCallRecorder::ShellCall call;
    call.owner = owner;
    call.verb = OrEmpty(verb);
    call.file = OrEmpty(file);
    call.params = OrEmpty(params);
    call.paramsNull = params == nullptr;
    call.directory = OrEmpty(directory);
    call.directoryNull = directory == nullptr;
    call.show = show;
    return call;
}
} // namespace

SystemCallRecorder::SystemCallRecorder() {
    activeRecorder = this;
    systemCalls = {RecordShell,      RecordElevation, RecordFileDialog, RecordDeletion,
                   RecordSaveDialog, RecordWrite,     RecordMove,       RecordParameters,
                   RecordAnnotation, RecordOpen,      RecordCreate,     RecordShortPath};
}

// The rights a standard user is granted on HKEY_LOCAL_MACHINE\SOFTWARE, as Microsoft documents
// them ("Registry Key Security and Access Rights"): KEY_READ, 0x20019, and the two view flags
// KEY_WOW64_64KEY, 0x0100, and KEY_WOW64_32KEY, 0x0200. Windows refuses any more with
// ERROR_ACCESS_DENIED; Wine grants it.
void SystemCallRecorder::JudgeRights(HKEY root, LPCWSTR subKey, REGSAM rights) {
    if (root == HKEY_LOCAL_MACHINE) {
        ++activeRecorder->machineKeyOpens;
        EXPECT_EQ(0u, rights & ~static_cast<REGSAM>(0x20019 | 0x0100 | 0x0200))
            << "HKLM\\" << testing::PrintToString(OrEmpty(subKey))
            << " asked for rights a standard user lacks";
    }
}

LSTATUS WINAPI SystemCallRecorder::RecordOpen(HKEY root, LPCWSTR subKey, DWORD options, REGSAM rights,
                                              PHKEY key) {
    JudgeRights(root, subKey, rights);
    return RegOpenKeyExW(root, subKey, options, rights, key);
}

LSTATUS WINAPI SystemCallRecorder::RecordCreate(HKEY root, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass,
                                                DWORD options, REGSAM rights, LPSECURITY_ATTRIBUTES security,
                                                PHKEY key, LPDWORD disposition) {
    JudgeRights(root, subKey, rights | 0x0004); // a creation is a KEY_CREATE_SUB_KEY on the parent
    return RegCreateKeyExW(root, subKey, reserved, keyClass, options, rights, security, key, disposition);
}

BOOL WINAPI SystemCallRecorder::RecordParameters(UINT action, UINT size, PVOID data, UINT flags) {
    if (action != SPI_GETHIGHCONTRAST) {
        return SystemParametersInfoW(action, size, data, flags);
    }
    auto* contrast = static_cast<HIGHCONTRASTW*>(data);
    if (size != sizeof(HIGHCONTRASTW) || contrast->cbSize != sizeof(HIGHCONTRASTW)) {
        ADD_FAILURE() << "SPI_GETHIGHCONTRAST asked with a wrong size";
        return FALSE;
    }
    contrast->dwFlags = activeRecorder->highContrast ? HCF_HIGHCONTRASTON | HCF_AVAILABLE : HCF_AVAILABLE;
    contrast->lpszDefaultScheme = nullptr;
    return TRUE;
}

HRESULT WINAPI SystemCallRecorder::RecordAnnotation(HWND control, const AccessibleAnnotation* annotation) {
    activeRecorder->accessibleNames.erase(control);
    activeRecorder->accessibleRoles.erase(control);
    if (annotation != nullptr && annotation->name != nullptr) {
        activeRecorder->accessibleNames[control] = annotation->name;
    }
    if (annotation != nullptr && (annotation->role != 0 || annotation->defaultAction != nullptr)) {
        activeRecorder->accessibleRoles[control] = {annotation->role, OrEmpty(annotation->defaultAction)};
    }
    return S_OK;
}

DWORD WINAPI SystemCallRecorder::RecordShortPath(LPCWSTR path, LPWSTR shortPath, DWORD chars) {
    const auto given = activeRecorder->shortPaths.find(path != nullptr ? path : L"");
    if (given == activeRecorder->shortPaths.end()) {
        return GetShortPathNameW(path, shortPath, chars);
    }
    const DWORD needed = static_cast<DWORD>(given->second.size() + 1);
    if (chars < needed) {
        return needed;
    }
    wcscpy_s(shortPath, chars, given->second.c_str());
    return needed - 1;
}

SystemCallRecorder::~SystemCallRecorder() {
    systemCalls = kRealSystemCalls;
    activeRecorder = nullptr;
}

HINSTANCE WINAPI SystemCallRecorder::RecordShell(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR params,
                                                 LPCWSTR directory, INT show) {
    activeRecorder->shellCalls.push_back(MakeShellCall(owner, verb, file, params, directory, show));
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(33)); // success, as the shell reports it
}

BOOL WINAPI SystemCallRecorder::RecordElevation(SHELLEXECUTEINFOW* info) {
    ShellCall call = MakeShellCall(info->hwnd, info->lpVerb, info->lpFile, info->lpParameters,
                                   info->lpDirectory, info->nShow);
    call.mask = info->fMask;
    activeRecorder->elevations.push_back(call);
    if (!activeRecorder->runElevations) {
        SetLastError(ERROR_CANCELLED);
        return FALSE;
    }
    return ShellExecuteExW(info);
}

BOOL WINAPI SystemCallRecorder::RecordFileDialog(OPENFILENAMEW* ofn) {
    FileDialogCall call;
    call.owner = ofn->hwndOwner;
    if (ofn->lpstrFilter != nullptr) {
        const wchar_t* end = ofn->lpstrFilter;
        while (end[0] != L'\0' || end[1] != L'\0') {
            ++end;
        }
        call.filter.assign(ofn->lpstrFilter, end + 1);
    }
    call.filterIndex = ofn->nFilterIndex;
    call.maxFile = ofn->nMaxFile;
    call.flags = ofn->Flags;
    call.initialFile = OrEmpty(ofn->lpstrFile);
    call.initialDir = OrEmpty(ofn->lpstrInitialDir);
    call.title = OrEmpty(ofn->lpstrTitle);
    call.defaultExtension = OrEmpty(ofn->lpstrDefExt);
    activeRecorder->fileDialogs.push_back(call);
    const std::wstring& chosen = activeRecorder->chosenFile;
    if (chosen.empty() || chosen.size() >= ofn->nMaxFile) {
        return FALSE;
    }
    wcscpy(ofn->lpstrFile, chosen.c_str());
    return TRUE;
}

LSTATUS WINAPI SystemCallRecorder::RecordDeletion(HKEY root, LPCWSTR subKey) {
    if (activeRecorder->deleteResult != 0) {
        return activeRecorder->deleteResult;
    }
    return SHDeleteKeyW(root, subKey);
}

BOOL WINAPI SystemCallRecorder::RecordSaveDialog(OPENFILENAMEW* ofn) {
    const BOOL chosen = RecordFileDialog(ofn);
    activeRecorder->fileDialogs.back().save = true;
    return chosen;
}

BOOL WINAPI SystemCallRecorder::RecordWrite(HANDLE file, LPCVOID data, DWORD size, LPDWORD written,
                                            LPOVERLAPPED overlapped) {
    if (activeRecorder->writeError == 0) {
        return WriteFile(file, data, size, written, overlapped);
    }
    WriteFile(file, data, size / 2, written, overlapped); // the disk fills up half-way
    SetLastError(activeRecorder->writeError);
    return FALSE;
}

BOOL WINAPI SystemCallRecorder::RecordMove(LPCWSTR from, LPCWSTR to, DWORD flags) {
    activeRecorder->moves.push_back({OrEmpty(from), OrEmpty(to), flags});
    if (activeRecorder->moveError != 0) {
        SetLastError(activeRecorder->moveError);
        return FALSE;
    }
    return MoveFileExW(from, to, flags);
}

std::vector<BYTE> RecordBytes(Options& options) {
    CRegFileWriter writer(L"record");
    SaveOptionsTo(writer, options);
    return writer.Bytes();
}

std::vector<BYTE> Utf16File(const std::wstring& text) {
    std::vector<BYTE> bytes(2 + text.size() * sizeof(wchar_t));
    bytes[0] = 0xFF;
    bytes[1] = 0xFE;
    if (!text.empty()) {
        std::memcpy(bytes.data() + 2, text.data(), text.size() * sizeof(wchar_t));
    }
    return bytes;
}

RegFileContents Parse(const std::wstring& text) {
    const std::vector<BYTE> bytes = Utf16File(text);
    return ParseRegFile(bytes.data(), bytes.size());
}

bool WriteBytes(const std::wstring& path, const std::vector<BYTE>& bytes) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return out.good();
}

std::vector<BYTE> ReadBytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

ProgramRun RunProgram(const std::wstring& exe, const std::wstring& arguments, DWORD timeoutMs) {
    static int runs = 0;
    // A log of its own per run: Wine may hold the last one's handle a moment after the exit.
    const std::wstring log = ProgramFolder() + L"run-" + std::to_wstring(++runs) + L".log";
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE output = CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = output;
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    PROCESS_INFORMATION info = {};
    ProgramRun run;
    const ULONGLONG start = GetTickCount64();
    if (CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                       nullptr, &startup, &info)) {
        if (WaitForSingleObject(info.hProcess, timeoutMs) != WAIT_OBJECT_0) {
            TerminateProcess(info.hProcess, 99); // held, as by a debugger
            WaitForSingleObject(info.hProcess, 5000);
        }
        run.milliseconds = static_cast<DWORD>(GetTickCount64() - start);
        GetExitCodeProcess(info.hProcess, &run.exitCode);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    CloseHandle(output);
    const std::vector<BYTE> bytes = ReadBytes(log);
    run.output.assign(bytes.begin(), bytes.end());
    DeleteFileW(log.c_str());
    return run;
}

std::wstring SystemFolder() {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    return std::wstring(system) + L"\\";
}

namespace {
// An absolute pointer event: the position travels with the event itself, so a pointer motion
// that X reports late cannot move a click elsewhere.
INPUT PointerAt(int x, int y, DWORD flags) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return input;
}
} // namespace

void MoveMouseTo(int x, int y) {
    INPUT move = PointerAt(x, y, 0);
    SendInput(1, &move, sizeof(move));
    PumpUntil([&] {
        POINT at;
        return GetCursorPos(&at) && at.x == x && at.y == y;
    });
    PumpFor(50);
}

void ClickAt(HWND control) {
    RECT rect;
    GetWindowRect(control, &rect);
    ClickAtPoint({(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
}

void ClickAtPoint(POINT at, int clicks) {
    MoveMouseTo(at.x, at.y);
    for (int i = 0; i < clicks; ++i) {
        INPUT click[2] = {PointerAt(at.x, at.y, MOUSEEVENTF_LEFTDOWN),
                          PointerAt(at.x, at.y, MOUSEEVENTF_LEFTUP)};
        SendInput(2, click, sizeof(INPUT));
    }
    PumpFor(100);
}

void PressKey(WORD key, bool down) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof(input));
}

void TypeText(const std::wstring& text) {
    for (wchar_t c : text) {
        if (c == L'\n') {
            PressKey(VK_RETURN, true);
            PressKey(VK_RETURN, false);
            continue;
        }
        INPUT input[2] = {};
        input[0].type = input[1].type = INPUT_KEYBOARD;
        input[0].ki.wScan = input[1].ki.wScan = c;
        input[0].ki.dwFlags = KEYEVENTF_UNICODE;
        input[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        SendInput(2, input, sizeof(INPUT));
    }
    PumpFor(100);
}
