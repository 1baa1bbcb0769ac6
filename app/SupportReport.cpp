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

std::wstring ReadText(HKEY root, const wchar_t* subKey, const wchar_t* name) {
    wchar_t text[260] = {};
    // One unit short of the buffer: a value that fills it still ends in a NUL.
    if (!ReadRegValue(root, subKey, name, text, sizeof(text) - sizeof(wchar_t))) {
        return std::wstring();
    }
    return text;
}

std::wstring OrNone(const std::wstring& text) {
    return text.empty() ? std::wstring(kNone) : text;
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

void AddSettings(std::wstring& report) {
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
            lines.push_back(value.name + L": " + ShowValue(value));
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
        swprintf(line, std::size(line), L"  %u: %ls（幅 %d%ls）\r\n", static_cast<unsigned>(i + 1), name,
                 entry.Width,
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

bool IsWordCharacter(const std::wstring& text, size_t at) {
    return at < text.size() && IsCharAlphaNumericW(text[at]) != FALSE;
}

// Replaces what as a case-insensitive word of its own: never a part of a longer name.
void ReplaceWord(std::wstring& text, const std::wstring& what, const wchar_t* with) {
    if (what.empty()) {
        return;
    }
    const size_t withLength = wcslen(with);
    for (size_t at = 0; at + what.size() <= text.size();) {
        if (CompareStringOrdinal(text.c_str() + at, static_cast<int>(what.size()), what.c_str(),
                                 static_cast<int>(what.size()), TRUE) == CSTR_EQUAL &&
            (at == 0 || !IsWordCharacter(text, at - 1)) && !IsWordCharacter(text, at + what.size())) {
            text.replace(at, what.size(), with);
            at += withLength;
        } else {
            ++at;
        }
    }
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

std::wstring MaskPersonalData(std::wstring text, const std::wstring& profile, const std::wstring& userName,
                              const std::wstring& computerName) {
    ReplaceWord(text, profile, L"%USERPROFILE%");
    ReplaceWord(text, userName, L"%USERNAME%");
    ReplaceWord(text, computerName, L"%COMPUTERNAME%");
    return text;
}

std::wstring BuildSupportReport(const wchar_t* programPath) {
    std::wstring report;
    std::wstring version;
    AddLine(report, L"プログラムのバージョン",
            ModuleVersion(GetModuleHandleW(nullptr), version) ? version : L"不明");
    wchar_t folder[kPathChars] = {};
    CombineBesideModule(programPath, L"", folder, std::size(folder));
    AddLine(report, L"プログラムのフォルダ", OrNone(folder));

    const uint32_t build = ReadWindowsBuildNumber();
    DWORD ubr = 0;
    if (!ReadRegValue(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"UBR", &ubr, sizeof(ubr))) {
        ubr = 0;
    }
    AddLine(report, L"Windows の製品名",
            OrNone(ReadText(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"ProductName")));
    AddLine(report, L"Windows のバージョン",
            OrNone(ReadText(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"DisplayVersion")));
    AddLine(report, L"Windows のビルド", std::to_wstring(build) + L"." + std::to_wstring(ubr));
    AddLine(report, L"Windows のエディション",
            OrNone(ReadText(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"EditionID")));
    AddLine(report, L"サーバー エディション", IsServerEdition() ? L"はい" : L"いいえ");
    AddLine(report, L"セットアップの判定", JudgeWindowsBuild(build, ubr));

    wchar_t dllPath[kPathChars] = {};
    CombineBesideModule(programPath, L"Travine11.dll", dllPath, std::size(dllPath));
    AddLine(report, L"DLL のパス", OrNone(dllPath));
    const bool exists = dllPath[0] != L'\0' && PathFileExistsW(dllPath) != FALSE;
    AddLine(report, L"DLL のファイル", exists ? L"あり" : L"なし");
    AddLine(report, L"DLL のバージョン", exists && FileVersion(dllPath, version) ? version : L"不明");
    const std::wstring registeredPath = ReadText(HKEY_LOCAL_MACHINE, kExtensionClsidKey, L"");
    AddLine(report, L"DLL の登録",
            !IsExtensionRegistered() ? std::wstring(L"未登録")
            : registeredPath.empty() ? std::wstring(L"登録済み")
                                     : L"登録済み（" + registeredPath + L"）");

    AddLine(report, L"設定キー", SettingsKeyState());
    AddSettings(report);

    wchar_t profile[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, profile))) {
        profile[0] = L'\0';
    }
    wchar_t userName[257] = {};
    DWORD userChars = static_cast<DWORD>(std::size(userName));
    if (!GetUserNameW(userName, &userChars)) {
        userName[0] = L'\0';
    }
    wchar_t computerName[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD computerChars = static_cast<DWORD>(std::size(computerName));
    if (!GetComputerNameW(computerName, &computerChars)) {
        computerName[0] = L'\0';
    }
    return MaskPersonalData(report, profile, userName, computerName);
}

void CopySupportReport(HWND owner) {
    wchar_t programPath[kPathChars] = {};
    if (!GetProgramPath(programPath, std::size(programPath))) {
        programPath[0] = L'\0';
    }
    switch (PutOnClipboard(owner, BuildSupportReport(programPath))) {
    case ClipboardResult::kCopied:
        ShowAppMessage(owner,
                       L"バグ報告用の情報をクリップボードにコピーしました。報告に貼り付けてください。\n\n"
                       L"ユーザーのフォルダは %USERPROFILE% に置き換えてあります。",
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
