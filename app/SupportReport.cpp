#include "app/SupportReport.h"

#include <shlwapi.h>

#include <cstring>
#include <cwchar>
#include <iterator>
#include <vector>

#include "app/OptionsWindow.h"
#include "app/Startup.h"
#include "app/StoredValue.h"
#include "pages/PageBinding.h"
#include "pages/SetupPage.h"
#include "resource.h"
#include "settings/OptionsStore.h"
#include "settings/RegReader.h"
#include "settings/WindowsVersion.h"
#include "win32/Clipboard.h"
#include "win32/Handles.h"
#include "win32/MessageBoxes.h"
#include "win32/ModulePath.h"
#include "win32/SystemCalls.h"
#include "win32/VersionBlock.h"

namespace {

constexpr size_t kPathChars = 1024;
const wchar_t kNone[] = L"（なし）";

void AddLine(std::wstring& report, const wchar_t* name, const std::wstring& value) {
    report += name;
    report += L": ";
    report += value;
    report += L"\r\n";
}

// Only a path that names its drive or share is looked at: a bare name would be searched for.
bool IsFullPath(const std::wstring& path) {
    return (PathGetDriveNumberW(path.c_str()) >= 0 && path.size() > 2 && path[2] == L'\\') ||
           PathIsUNCW(path.c_str()) != FALSE;
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
    if (registered.empty() ||
        CompareStringOrdinal(registered.c_str(), -1, besideProgram, -1, TRUE) == CSTR_EQUAL) {
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

} // namespace

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
