#include "app/SupportReport.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <winver.h>

#include <cstring>
#include <cwchar>
#include <iterator>
#include <vector>

#include "app/OptionsWindow.h"
#include "app/Startup.h"
#include "pages/PageBinding.h"
#include "pages/SetupPage.h"
#include "resource.h"
#include "settings/OptionsStore.h"
#include "settings/RegReader.h"
#include "settings/WindowsVersion.h"
#include "win32/ElevatedPath.h"
#include "win32/Handles.h"
#include "win32/MessageBoxes.h"
#include "win32/ModulePath.h"
#include "win32/SystemCalls.h"

namespace {

constexpr size_t kPathChars = 1024;
const wchar_t kNone[] = L"（なし）";

// The fixed part of a version block, read strictly within the block's bytes: the block may come
// from any file that lies beside the program.
bool ReadFixedVersion(const BYTE* block, size_t size, std::wstring& version) {
    constexpr wchar_t kKey[] = L"VS_VERSION_INFO";
    constexpr size_t kHeaderBytes = 3 * sizeof(WORD); // length, value length, type
    constexpr size_t kFixedAt = (kHeaderBytes + sizeof(kKey) + 3) & ~size_t{3};
    if (block == nullptr || size < kFixedAt + sizeof(VS_FIXEDFILEINFO)) {
        return false;
    }
    WORD valueBytes = 0;
    std::memcpy(&valueBytes, block + sizeof(WORD), sizeof(valueBytes));
    VS_FIXEDFILEINFO fixed = {};
    std::memcpy(&fixed, block + kFixedAt, sizeof(fixed));
    if (valueBytes < sizeof(fixed) || std::memcmp(block + kHeaderBytes, kKey, sizeof(kKey)) != 0 ||
        fixed.dwSignature != VS_FFI_SIGNATURE) {
        return false;
    }
    wchar_t text[48];
    swprintf(text, std::size(text), L"%u.%u.%u.%u", HIWORD(fixed.dwFileVersionMS),
             LOWORD(fixed.dwFileVersionMS), HIWORD(fixed.dwFileVersionLS), LOWORD(fixed.dwFileVersionLS));
    version = text;
    return true;
}

bool ModuleVersion(HMODULE module, std::wstring& version) {
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(VS_VERSION_INFO), MAKEINTRESOURCEW(16));
    HGLOBAL loaded = resource != nullptr ? LoadResource(module, resource) : nullptr;
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    return data != nullptr &&
           ReadFixedVersion(static_cast<const BYTE*>(data), SizeofResource(module, resource), version);
}

// Mapped as data only, by its full path: no code of the extension ever runs in this program.
bool FileVersion(const wchar_t* path, std::wstring& version) {
    HMODULE file = LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (file == nullptr) {
        return false;
    }
    const bool found = ModuleVersion(file, version);
    FreeLibrary(file);
    return found;
}

// A registry value as found, whatever its type: a maintainer learns more from "REG_DWORD" or
// "too long" than from an empty line.
struct StoredValue {
    LSTATUS status = ERROR_FILE_NOT_FOUND;
    DWORD type = REG_NONE;
    DWORD bytes = 0;
    std::wstring text; // REG_SZ and REG_EXPAND_SZ, up to the first NUL

    bool IsText() const { return status == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ); }
};

StoredValue ReadStored(HKEY root, const wchar_t* subKey, const wchar_t* name) {
    StoredValue value;
    UniqueHkey key;
    value.status = systemCalls.regOpenKeyEx(root, subKey, 0, KEY_QUERY_VALUE, key.put());
    if (value.status != ERROR_SUCCESS) {
        return value;
    }
    wchar_t text[kPathChars] = {};
    value.bytes = sizeof(text) - sizeof(wchar_t); // a value that fills it still ends in a NUL
    value.status =
        RegQueryValueExW(key.get(), name, nullptr, &value.type, reinterpret_cast<BYTE*>(text), &value.bytes);
    if (value.IsText()) {
        value.text.assign(text, wcsnlen(text, value.bytes / sizeof(wchar_t)));
    }
    return value;
}

std::wstring TypeName(DWORD type) {
    switch (type) {
    case REG_NONE:
        return L"REG_NONE";
    case REG_SZ:
        return L"REG_SZ";
    case REG_EXPAND_SZ:
        return L"REG_EXPAND_SZ";
    case REG_BINARY:
        return L"REG_BINARY";
    case REG_DWORD:
        return L"REG_DWORD";
    case REG_MULTI_SZ:
        return L"REG_MULTI_SZ";
    case REG_QWORD:
        return L"REG_QWORD";
    default:
        return L"種類 " + std::to_wstring(type);
    }
}

// What was found in place of plain text, in words; empty for a plain, non-empty REG_SZ.
std::wstring DescribeUnusual(const StoredValue& value) {
    if (value.status == ERROR_FILE_NOT_FOUND) {
        return L"値なし";
    }
    if (value.status == ERROR_MORE_DATA) {
        return L"長すぎる値、" + std::to_wstring(value.bytes) + L" バイト";
    }
    if (value.status != ERROR_SUCCESS) {
        return L"読み取れません、エラー " + std::to_wstring(value.status);
    }
    if (!value.IsText()) {
        return TypeName(value.type) + L"、" + std::to_wstring(value.bytes) + L" バイト";
    }
    if (value.text.empty()) {
        return L"空の文字列";
    }
    return value.type == REG_EXPAND_SZ ? TypeName(value.type) : std::wstring();
}

// The value's text, and in brackets whatever was unusual about it.
std::wstring ShowStored(const StoredValue& value) {
    const std::wstring unusual = DescribeUnusual(value);
    if (unusual.empty()) {
        return value.text;
    }
    return value.IsText() && !value.text.empty() ? value.text + L"（" + unusual + L"）"
                                                 : L"（" + unusual + L"）";
}

// Only a path that names its drive or share is looked at: a bare name would be searched for.
bool IsFullPath(const std::wstring& path) {
    return (PathGetDriveNumberW(path.c_str()) >= 0 && path.size() > 2 && path[2] == L'\\') ||
           PathIsUNCW(path.c_str()) != FALSE;
}

void AddLine(std::wstring& report, const wchar_t* name, const std::wstring& value) {
    report += name;
    report += L": ";
    report += value;
    report += L"\r\n";
}

// The values a save would write, in its order, so that two records compare value by value and
// the names are the ones a maintainer finds in the registry.
struct WrittenValue {
    std::wstring name;
    DWORD type;
    std::vector<BYTE> bytes;
};

class CValueCollector : public CValueSink {
public:
    bool Write(const wchar_t* name, DWORD type, const void* data, DWORD size) override {
        const BYTE* bytes = static_cast<const BYTE*>(data);
        m_values.push_back({name, type, std::vector<BYTE>(bytes, bytes + size)});
        return true;
    }
    const WrittenValue* Find(const std::wstring& name) const {
        for (const WrittenValue& value : m_values) {
            if (value.name == name) {
                return &value;
            }
        }
        return nullptr;
    }
    const std::vector<WrittenValue>& Values() const { return m_values; }

private:
    std::vector<WrittenValue> m_values;
};

std::wstring ShowValue(const WrittenValue& value) {
    if (value.type == REG_DWORD && value.bytes.size() == sizeof(int32_t)) {
        int32_t number = 0;
        std::memcpy(&number, value.bytes.data(), sizeof(number));
        return std::to_wstring(number);
    }
    if (value.type == REG_SZ) {
        std::wstring text(value.bytes.size() / sizeof(wchar_t), L'\0');
        std::memcpy(&text[0], value.bytes.data(), text.size() * sizeof(wchar_t));
        return text.substr(0, text.find(L'\0'));
    }
    return std::to_wstring(value.bytes.size()) + L" バイト";
}

// The column layout is reported column by column instead, as the list shows it.
bool IsColumnLayoutValue(const std::wstring& name) {
    return name == L"ColumnNum" || name.rfind(L"Column_", 0) == 0;
}

void AddSettings(std::wstring& report, const PersonalNames& names) {
    HWND update = optionsWindow != nullptr ? GetDlgItem(optionsWindow, IDC_UPDATE) : nullptr;
    AddLine(report, L"未保存の変更",
            update != nullptr && IsWindowEnabled(update) ? L"あり（以下は保存前の画面の内容です）" : L"なし");

    Options shown;
    ReadPagesAsShown(shown);
    Options firstStart;
    LoadDefaultOptions(firstStart);
    CValueCollector now;
    CValueCollector defaults;
    SaveOptionsTo(now, shown);
    SaveOptionsTo(defaults, firstStart);
    std::vector<std::wstring> lines;
    for (const WrittenValue& value : now.Values()) {
        const WrittenValue* before = defaults.Find(value.name);
        if (!IsColumnLayoutValue(value.name) &&
            (before == nullptr || before->type != value.type || before->bytes != value.bytes)) {
            lines.push_back(value.name + L": " + MaskPersonalData(ShowValue(value), names));
        }
    }
    for (const WrittenValue& value : defaults.Values()) {
        if (!IsColumnLayoutValue(value.name) && now.Find(value.name) == nullptr) {
            lines.push_back(value.name + L": " + kNone); // a list that became shorter
        }
    }
    AddLine(report, L"既定と異なる設定", std::to_wstring(lines.size()) + L" 個");
    for (const std::wstring& line : lines) {
        report += L"  " + line + L"\r\n";
    }

    std::vector<const ColumnEntry*> columns;
    for (const ColumnEntry& entry : shown.ColumnEntries) {
        if (entry.Visible != 0) {
            columns.push_back(&entry);
        }
    }
    AddLine(report, L"表示するカラム", std::to_wstring(columns.size()) + L" 個");
    for (size_t i = 0; i < columns.size(); ++i) {
        const ColumnEntry& entry = *columns[i];
        wchar_t name[kColumnNameChars + 1] = {};
        std::memcpy(name, entry.Name, sizeof(entry.Name)); // a stored name may lack its NUL
        wchar_t line[160];
        swprintf(line, std::size(line), L"  %u: %ls（幅 %d%ls）\r\n", static_cast<unsigned>(i + 1),
                 MaskPersonalData(name, names).c_str(), entry.Width,
                 entry.Sort == kSortAscending    ? L"、昇順"
                 : entry.Sort == kSortDescending ? L"、降順"
                                                 : L"");
        report += line;
    }
}

std::wstring SettingsKeyState() {
    UniqueHkey key;
    const LSTATUS status = systemCalls.regOpenKeyEx(HKEY_CURRENT_USER, kOptionsKey, 0, KEY_READ, key.put());
    if (status == ERROR_SUCCESS) {
        return L"あり";
    }
    if (status == ERROR_FILE_NOT_FOUND) {
        return L"なし（まだ保存されていません）";
    }
    return L"読み取れません（エラー " + std::to_wstring(status) + L"）";
}

// Kana and kanji (with the iteration mark, half-width kana and either half of a surrogate pair,
// which in a Japanese name is a rare kanji): scripts written without spaces between words.
bool IsUnspacedScript(wchar_t c) {
    return (c >= 0x3040 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF66 && c <= 0xFF9F) || (c >= 0xD800 && c <= 0xDFFF) ||
           c == 0x3005;
}

bool IsWordCharacter(wchar_t c) {
    return IsCharAlphaNumericW(c) != FALSE || IsUnspacedScript(c);
}

// Two neighbours belong to one word only in a spaced script: "Taro2" is another name than
// "Taro", but in "田中のツール" the name ends where the kana begin.
bool RunTogether(wchar_t left, wchar_t right) {
    return IsCharAlphaNumericW(left) && IsCharAlphaNumericW(right) && !IsUnspacedScript(left) &&
           !IsUnspacedScript(right);
}

enum class Bound {
    kPath,      // the profile folder: nothing may continue its last name
    kComponent, // the profile folder's own name: only right after a separator
    kWord,      // a user or computer name
};

struct MaskRule {
    std::wstring what; // with forward slashes turned into backslashes
    const wchar_t* with;
    Bound bound;
};

std::wstring WithBackslashes(std::wstring text) {
    for (wchar_t& c : text) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return text;
}

// The folder and its last name; nothing for a drive's root, which would mask every path on it.
void AddProfileRules(std::vector<MaskRule>& rules, const std::wstring& profile) {
    std::wstring folder = WithBackslashes(profile);
    while (!folder.empty() && folder.back() == L'\\') {
        folder.pop_back();
    }
    const size_t separator = folder.rfind(L'\\');
    if (separator == std::wstring::npos || separator + 1 == folder.size() || folder.back() == L':') {
        return;
    }
    rules.push_back({folder, L"%USERPROFILE%", Bound::kPath});
    rules.push_back({folder.substr(separator + 1), L"%USERNAME%", Bound::kComponent});
}

bool Matches(const MaskRule& rule, const std::wstring& text, size_t at) {
    const size_t end = at + rule.what.size();
    if (rule.what.empty() || end > text.size() ||
        CompareStringOrdinal(text.c_str() + at, static_cast<int>(rule.what.size()), rule.what.c_str(),
                             static_cast<int>(rule.what.size()), TRUE) != CSTR_EQUAL) {
        return false;
    }
    const bool apartBefore = rule.bound == Bound::kComponent
                                 ? at > 0 && text[at - 1] == L'\\'
                                 : at == 0 || !RunTogether(text[at - 1], text[at]);
    const bool apartAfter =
        end == text.size() ||
        (rule.bound == Bound::kPath ? !IsWordCharacter(text[end]) : !RunTogether(text[end - 1], text[end]));
    return apartBefore && apartAfter;
}

// Explorer loads the file the registration names, which need not be the one beside the program:
// "the settings do nothing" often comes from an old copy registered elsewhere.
void AddRegistration(std::wstring& report, const wchar_t* besideProgram, const PersonalNames& names) {
    if (!IsExtensionRegistered()) {
        AddLine(report, L"DLL の登録", L"未登録");
        return;
    }
    const StoredValue stored = ReadStored(HKEY_LOCAL_MACHINE, kExtensionClsidKey, L"");
    auto mask = [&names](const std::wstring& text) { return MaskPersonalData(text, names); };
    std::wstring registered = stored.IsText() ? stored.text : std::wstring();
    const std::wstring unusual = DescribeUnusual(stored);
    std::wstring line = L"登録済み（" + (registered.empty() ? unusual : mask(registered));
    if (stored.type == REG_EXPAND_SZ && stored.IsText()) {
        wchar_t expanded[kPathChars] = {};
        const DWORD chars =
            ExpandEnvironmentStringsW(registered.c_str(), expanded, static_cast<DWORD>(std::size(expanded)));
        registered = chars > 0 && chars <= std::size(expanded) ? expanded : L"";
        line += L"、" + unusual + L": " + (registered.empty() ? L"展開できません" : mask(registered));
    }
    AddLine(report, L"DLL の登録", line + L"）");
    // A registration made from a mapped or SUBST drive names the file as the elevated tool saw it.
    wchar_t elevated[kPathChars] = {};
    const auto same = [&registered](const wchar_t* path) {
        return CompareStringOrdinal(registered.c_str(), -1, path, -1, TRUE) == CSTR_EQUAL;
    };
    if (registered.empty() || same(besideProgram) ||
        (PathForElevation(besideProgram, elevated, std::size(elevated)) && same(elevated))) {
        return;
    }
    std::wstring version;
    const bool full = IsFullPath(registered);
    const bool there = full && PathFileExistsW(registered.c_str()) != FALSE;
    AddLine(report, L"登録された DLL のファイル",
            !full   ? L"不明（完全なパスではありません）"
            : there ? L"あり"
                    : L"なし");
    AddLine(report, L"登録された DLL のバージョン",
            there && FileVersion(registered.c_str(), version) ? version : L"不明");
}

enum class ClipboardResult { kCopied, kBusy, kFailed };

ClipboardResult PutOnClipboard(HWND owner, const std::wstring& text) {
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    void* target = memory != nullptr ? GlobalLock(memory) : nullptr;
    if (target == nullptr) {
        if (memory != nullptr) {
            GlobalFree(memory);
        }
        return ClipboardResult::kFailed;
    }
    std::memcpy(target, text.c_str(), bytes);
    GlobalUnlock(memory);
    // Clipboard viewers and managers hold it for a moment after every change.
    bool open = false;
    for (int attempt = 0; attempt < 10 && !open; ++attempt) {
        open = OpenClipboard(owner) != FALSE;
        if (!open) {
            Sleep(20);
        }
    }
    if (!open) {
        GlobalFree(memory);
        return ClipboardResult::kBusy;
    }
    const bool placed = EmptyClipboard() != FALSE && SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    CloseClipboard();
    if (!placed) {
        GlobalFree(memory);
        return ClipboardResult::kFailed;
    }
    return ClipboardResult::kCopied; // the clipboard owns the memory now
}

} // namespace

PersonalNames ReadPersonalNames() {
    PersonalNames names;
    wchar_t path[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, path))) {
        names.profile = path;
        // TEMP, and so a program opened straight from a ZIP, is given in this form.
        wchar_t shortPath[MAX_PATH] = {};
        const DWORD length =
            systemCalls.getShortPathName(path, shortPath, static_cast<DWORD>(std::size(shortPath)));
        if (length > 0 && length < std::size(shortPath)) {
            names.shortProfile = shortPath;
        }
    }
    wchar_t userName[257] = {};
    DWORD userChars = static_cast<DWORD>(std::size(userName));
    if (GetUserNameW(userName, &userChars)) {
        names.userName = userName;
    }
    wchar_t computerName[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD computerChars = static_cast<DWORD>(std::size(computerName));
    if (GetComputerNameW(computerName, &computerChars)) {
        names.computerName = computerName;
    }
    return names;
}

std::wstring MaskPersonalData(const std::wstring& text, const PersonalNames& names) {
    std::vector<MaskRule> rules;
    AddProfileRules(rules, names.profile);
    AddProfileRules(rules, names.shortProfile);
    rules.push_back({names.userName, L"%USERNAME%", Bound::kWord});
    rules.push_back({names.computerName, L"%COMPUTERNAME%", Bound::kWord});
    // Matched against one copy with backslashes only, copied from the text as it was: what one
    // rule put in is never taken for a name by the next.
    const std::wstring matched = WithBackslashes(text);
    std::wstring masked;
    for (size_t at = 0; at < text.size();) {
        // The longest: a computer called TARO-PC is not the user taro with "-PC" after him.
        const MaskRule* found = nullptr;
        for (const MaskRule& rule : rules) {
            if (Matches(rule, matched, at) && (found == nullptr || rule.what.size() > found->what.size())) {
                found = &rule;
            }
        }
        if (found != nullptr) {
            masked += found->with;
            at += found->what.size();
        } else {
            masked += text[at++];
        }
    }
    return masked;
}

std::wstring BuildSupportReport(const wchar_t* programPath, const PersonalNames& names) {
    auto mask = [&names](const std::wstring& text) { return MaskPersonalData(text, names); };
    std::wstring report;
    std::wstring version;
    AddLine(report, L"プログラムのバージョン",
            ModuleVersion(GetModuleHandleW(nullptr), version) ? version : L"不明");
    wchar_t folder[kPathChars] = {};
    CombineBesideModule(programPath, L"", folder, std::size(folder));
    AddLine(report, L"プログラムのフォルダ", folder[0] != L'\0' ? mask(folder) : kNone);

    const uint32_t build = ReadWindowsBuildNumber();
    DWORD ubr = 0;
    if (!ReadRegValue(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"UBR", &ubr, sizeof(ubr))) {
        ubr = 0;
    }
    const StoredValue productName = ReadStored(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"ProductName");
    AddLine(report, L"Windows の製品名",
            WindowsProductName(build, productName.type == REG_SZ ? productName.text : std::wstring()));
    AddLine(report, L"Windows のバージョン",
            ShowStored(ReadStored(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"DisplayVersion")));
    AddLine(report, L"Windows のビルド", std::to_wstring(build) + L"." + std::to_wstring(ubr));
    AddLine(report, L"Windows のエディション",
            ShowStored(ReadStored(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"EditionID")));
    AddLine(report, L"ProductName の値", ShowStored(productName));
    AddLine(report, L"サーバー エディション", IsServerEdition() ? L"はい" : L"いいえ");
    AddLine(report, L"セットアップの判定", JudgeWindowsBuild(build, ubr));

    wchar_t dllPath[kPathChars] = {};
    CombineBesideModule(programPath, L"Travine11.dll", dllPath, std::size(dllPath));
    AddLine(report, L"DLL のパス", dllPath[0] != L'\0' ? mask(dllPath) : kNone);
    const bool exists = dllPath[0] != L'\0' && PathFileExistsW(dllPath) != FALSE;
    AddLine(report, L"DLL のファイル", exists ? L"あり" : L"なし");
    AddLine(report, L"DLL のバージョン", exists && FileVersion(dllPath, version) ? version : L"不明");
    AddRegistration(report, dllPath, names);

    AddLine(report, L"設定キー", SettingsKeyState());
    AddSettings(report, names);
    return report;
}

void CopySupportReport(HWND owner) {
    wchar_t programPath[kPathChars] = {};
    if (!GetProgramPath(programPath, std::size(programPath))) {
        programPath[0] = L'\0';
    }
    switch (PutOnClipboard(owner, BuildSupportReport(programPath, ReadPersonalNames()))) {
    case ClipboardResult::kCopied:
        ShowAppMessage(owner,
                       L"バグ報告用の情報をクリップボードにコピーしました。報告に貼り付けてください。\n\n"
                       L"ユーザーのフォルダ、ユーザー名、コンピューター名は %USERPROFILE% などに置き換えて"
                       L"ありますが、設定したフォルダやコマンドはそのまま含まれます。公開の場所に貼る前に"
                       L"内容を確かめてください。",
                       MB_ICONINFORMATION);
        break;
    case ClipboardResult::kBusy:
        ShowAppMessage(owner,
                       L"情報をコピーできませんでした。他のプログラムがクリップボードを使用しています。\n\n"
                       L"しばらくしてから、もう一度お試しください。",
                       MB_ICONERROR);
        break;
    case ClipboardResult::kFailed:
        ShowAppMessage(owner, L"情報をコピーできませんでした。", MB_ICONERROR);
        break;
    }
}
