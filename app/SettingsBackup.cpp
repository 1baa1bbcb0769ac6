#include "app/SettingsBackup.h"

#include <commdlg.h>

#include <cwchar>
#include <iterator>
#include <set>
#include <string>

#include "pages/PageBinding.h"
#include "resource.h"
#include "settings/OptionsStore.h"
#include "settings/RegFileParser.h"
#include "settings/RegFileWriter.h"
#include "win32/Handles.h"
#include "win32/MessageBoxes.h"
#include "win32/SystemCalls.h"

namespace {

constexpr size_t kFilePathChars = 1024;
const wchar_t kRegFileFilter[] = L"登録ファイル (*.reg)\0*.reg\0全てのファイル (*.*)\0*.*\0";

void ShowFileError(HWND owner, const wchar_t* what, const wchar_t* path, const std::wstring& reason) {
    const std::wstring message = std::wstring(what) + L"\n\n" + path + L"\n\n" + reason;
    ShowAppMessage(owner, message.c_str(), MB_ICONERROR);
}

// The system's save or open dialog for .reg files; true, with the path, when one was chosen.
bool AskForFile(HWND owner, wchar_t (&path)[kFilePathChars], const wchar_t* title, DWORD flags,
                BOOL(WINAPI* dialog)(OPENFILENAMEW*)) {
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = kRegFileFilter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = path;
    ofn.nMaxFile = static_cast<DWORD>(kFilePathChars);
    ofn.lpstrTitle = title;
    ofn.lpstrDefExt = L"reg";
    // The current folder stays the program's own, whatever folder the user went to.
    ofn.Flags = flags | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!dialog(&ofn)) {
        return false;
    }
    path[kFilePathChars - 1] = L'\0';
    return true;
}

// The \\?\ form of a path, which is not held to MAX_PATH: the temporary file's name is longer
// than the target's, so a valid target near the limit would otherwise fail on Windows.
std::wstring ExtendedLengthPath(const wchar_t* path) {
    const DWORD needed = GetFullPathNameW(path, 0, nullptr, nullptr);
    std::wstring full(needed, L'\0');
    const DWORD length = needed > 0 ? GetFullPathNameW(path, needed, &full[0], nullptr) : 0;
    if (length == 0 || length >= needed) {
        return path;
    }
    full.resize(length);
    if (full.rfind(L"\\\\?\\", 0) == 0) {
        return full;
    }
    if (full.rfind(L"\\\\", 0) == 0) {
        return L"\\\\?\\UNC\\" + full.substr(2);
    }
    return L"\\\\?\\" + full;
}

std::wstring DescribeParseError(const RegFileContents& contents) {
    wchar_t text[160];
    switch (contents.error) {
    case RegFileError::kTooLarge:
        return L"ファイルが大きすぎます（1 MB まで）。";
    case RegFileError::kNotRegFile:
        return L"登録ファイル（Windows Registry Editor Version 5.00 形式、UTF-16LE）ではありません。";
    case RegFileError::kMalformedLine:
        swprintf(text, std::size(text), L"%d 行目を読み取れません。", contents.errorLine);
        return text;
    case RegFileError::kNoSettingsKey:
        return std::wstring(L"キー [") + kSettingsKeyPath + L"] がありません。";
    case RegFileError::kNone:
        break;
    }
    return std::wstring();
}

} // namespace

bool WriteFileReplacing(const wchar_t* path, const std::vector<BYTE>& bytes, DWORD* error) {
    *error = ERROR_SUCCESS;
    // The temporary file lies in the target's folder, so that the move replaces it in one step.
    std::wstring target = path;
    std::wstring temporary;
    UniqueHandleKernel file;
    for (unsigned attempt = 0; attempt < 100 && !file; ++attempt) {
        wchar_t suffix[40];
        swprintf(suffix, std::size(suffix), L".%lx-%u.tmp", static_cast<unsigned long>(GetCurrentProcessId()),
                 attempt);
        if (target.size() + wcslen(suffix) >= MAX_PATH) {
            target = ExtendedLengthPath(path);
        }
        temporary = target + suffix;
        file.reset(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file && GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) {
            break;
        }
    }
    if (!file) {
        *error = GetLastError();
        return false;
    }
    // A backup is far below the 4 GiB one write can take.
    DWORD written = 0;
    bool ok = systemCalls.writeFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                                    nullptr) != FALSE &&
              written == bytes.size() && FlushFileBuffers(file.get()) != FALSE;
    if (!ok) {
        *error = GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_WRITE_FAULT;
    }
    file.reset();
    if (ok && !systemCalls.moveFileEx(temporary.c_str(), target.c_str(),
                                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        *error = GetLastError();
        ok = false;
    }
    if (!ok) {
        DeleteFileW(temporary.c_str());
    }
    return ok;
}

FileReadResult ReadWholeFile(const wchar_t* path, size_t maxBytes, std::vector<BYTE>& bytes, DWORD* error) {
    bytes.clear();
    *error = ERROR_SUCCESS;
    UniqueHandleKernel file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size = {};
    if (!file || !GetFileSizeEx(file.get(), &size)) {
        *error = GetLastError();
        return FileReadResult::kFailed;
    }
    if (static_cast<unsigned long long>(size.QuadPart) > maxBytes) {
        return FileReadResult::kTooLarge;
    }
    // One byte more than allowed tells a file that grew since its size was taken.
    bytes.resize(static_cast<size_t>(size.QuadPart) + 1);
    DWORD done = 0;
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr)) {
        *error = GetLastError();
        bytes.clear();
        return FileReadResult::kFailed;
    }
    if (done > maxBytes) {
        bytes.clear();
        return FileReadResult::kTooLarge;
    }
    bytes.resize(done);
    return FileReadResult::kRead;
}

void SaveSettingsToFile(HWND owner) {
    Options options;
    if (!ReadOptionsFromPages(options)) {
        return; // the same refusal as Update's, with the line named
    }
    wchar_t path[kFilePathChars] = L"Travine11-settings.reg";
    if (!AskForFile(owner, path, L"設定をファイルに保存", OFN_OVERWRITEPROMPT, systemCalls.getSaveFileName)) {
        return;
    }

    CRegFileWriter writer(L"Travine for Windows 10/11 " TRAVINE_VERSION_TEXT L" の設定");
    SaveOptionsTo(writer, options);
    DWORD error = ERROR_SUCCESS;
    if (!WriteFileReplacing(path, writer.Bytes(), &error)) {
        ShowFileError(owner, L"設定をファイルに保存できませんでした。", path, SystemErrorText(error));
        return;
    }
    const std::wstring message = std::wstring(L"設定をファイルに保存しました。\n\n") + path;
    ShowAppMessage(owner, message.c_str(), MB_ICONINFORMATION);
}

void LoadSettingsFromFile(HWND owner) {
    wchar_t path[kFilePathChars] = L"";
    if (!AskForFile(owner, path, L"ファイルから設定を読み込む", OFN_FILEMUSTEXIST,
                    systemCalls.getOpenFileName)) {
        return;
    }

    const wchar_t* const kNotRead = L"設定を読み込めませんでした。設定は変更されていません。";
    std::vector<BYTE> bytes;
    DWORD error = ERROR_SUCCESS;
    RegFileContents contents;
    switch (ReadWholeFile(path, kMaxRegFileBytes, bytes, &error)) {
    case FileReadResult::kFailed:
        ShowFileError(owner, kNotRead, path, SystemErrorText(error));
        return;
    case FileReadResult::kTooLarge:
        contents.error = RegFileError::kTooLarge;
        break;
    case FileReadResult::kRead:
        contents = ParseRegFile(bytes.data(), bytes.size());
        break;
    }
    if (contents.error != RegFileError::kNone) {
        ShowFileError(owner, kNotRead, path, DescribeParseError(contents));
        return;
    }

    Options options;
    std::set<std::wstring> used;
    LoadOptionsFrom(contents.values, options, &used);
    ShowOptionsInPages(options);

    wchar_t line[128];
    std::wstring message = std::wstring(L"設定をファイルから読み込みました。\n\n") + path + L"\n\n";
    swprintf(line, std::size(line), L"読み込んだ値: %u 個\n", static_cast<unsigned>(used.size()));
    message += line;
    const size_t unused = contents.values.Count() - used.size();
    if (unused > 0) {
        swprintf(line, std::size(line), L"使われない値: %u 個（無視しました）\n",
                 static_cast<unsigned>(unused));
        message += line;
    }
    if (contents.otherKeys > 0) {
        swprintf(line, std::size(line), L"他のキー: %d 個（読み飛ばしました）\n", contents.otherKeys);
        message += line;
    }
    if (contents.deletionLines > 0) {
        swprintf(line, std::size(line), L"削除の指定: %d 行（無視しました）\n", contents.deletionLines);
        message += line;
    }
    message += L"\n「更新」を押すと保存されます。";
    ShowAppMessage(owner, message.c_str(), MB_ICONINFORMATION);
}

void ResetSettingsToDefaults(HWND owner) {
    if (ShowAppMessage(owner, L"全ての設定を既定に戻しますか?", MB_ICONQUESTION | MB_YESNO) != IDYES) {
        return;
    }
    Options options;
    LoadDefaultOptions(options);
    ShowOptionsInPages(options);
}

void ShowBackupMenu(HWND window) {
    HWND button = GetDlgItem(window, IDC_BACKUP);
    UniqueHmenu menu(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_BACKUP_MENU)));
    HMENU popup = menu ? GetSubMenu(menu.get(), 0) : nullptr;
    if (button == nullptr || popup == nullptr) {
        return;
    }
    RECT below;
    GetWindowRect(button, &below);
    // Opens under the button, or above it where the screen ends, but never over it.
    TPMPARAMS params = {sizeof(params), below};
    const UINT command = static_cast<UINT>(
        TrackPopupMenuEx(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_VERTICAL | TPM_RETURNCMD | TPM_LEFTBUTTON,
                         below.left, below.bottom, window, &params));
    menu.reset();
    switch (command) {
    case IDM_BACKUP_SAVE:
        SaveSettingsToFile(window);
        break;
    case IDM_BACKUP_LOAD:
        LoadSettingsFromFile(window);
        break;
    case IDM_BACKUP_RESET:
        ResetSettingsToDefaults(window);
        break;
    default:
        break; // dismissed
    }
}
