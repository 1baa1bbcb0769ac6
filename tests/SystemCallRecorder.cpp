#include "SystemCallRecorder.h"

#include <gtest/gtest.h>
#include <shlwapi.h>
#include <winnetwk.h>

#include <algorithm>
#include <cwchar>

#include "win32/SystemCalls.h"

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
    const auto setReason = [](HWND window, LPCWSTR reason) -> BOOL {
        activeRecorder->blockReasons[window] = reason;
        return TRUE;
    };
    const auto withdrawReason = [](HWND window) -> BOOL {
        return activeRecorder->blockReasons.erase(window);
    };
    systemCalls = {RecordShell,     RecordElevation,    RecordFileDialog, RecordDeletion,   RecordSaveDialog,
                   RecordWrite,     RecordMove,         RecordParameters, RecordAnnotation, RecordOpen,
                   RecordCreate,    RecordShortPath,    setReason,        withdrawReason,   RecordDriveType,
                   RecordDosDevice, RecordUniversalName};
}

namespace {
const SystemCallRecorder::Drive* FindDrive(LPCWSTR path) {
    const auto drive = activeRecorder->drives.find(std::wstring(path).substr(0, 2));
    return drive != activeRecorder->drives.end() ? &drive->second : nullptr;
}
} // namespace

UINT WINAPI SystemCallRecorder::RecordDriveType(LPCWSTR root) {
    const Drive* drive = FindDrive(root);
    return drive != nullptr ? drive->type : GetDriveTypeW(root);
}

// Both answer as the system does when the room given is too small.
DWORD WINAPI SystemCallRecorder::RecordDosDevice(LPCWSTR name, LPWSTR target, DWORD chars) {
    const Drive* drive = FindDrive(name);
    if (drive == nullptr) {
        return QueryDosDeviceW(name, target, chars);
    }
    if (drive->device.size() + 2 > chars) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::copy(drive->device.c_str(), drive->device.c_str() + drive->device.size() + 1, target);
    target[drive->device.size() + 1] = L'\0'; // a list, closed by a second NUL
    return static_cast<DWORD>(drive->device.size() + 2);
}

DWORD WINAPI SystemCallRecorder::RecordUniversalName(LPCWSTR path, DWORD level, LPVOID buffer,
                                                     LPDWORD bytes) {
    const Drive* drive = FindDrive(path);
    if (drive == nullptr) {
        return kRealSystemCalls.getUniversalName(path, level, buffer, bytes);
    }
    const std::wstring name = drive->share + (path + 2);
    const DWORD needed =
        static_cast<DWORD>(sizeof(UNIVERSAL_NAME_INFOW) + (name.size() + 1) * sizeof(wchar_t));
    if (drive->share.empty() || level != UNIVERSAL_NAME_INFO_LEVEL) {
        return drive->share.empty() ? ERROR_NOT_CONNECTED : ERROR_INVALID_LEVEL;
    }
    if (*bytes < needed) {
        *bytes = needed;
        return ERROR_MORE_DATA;
    }
    auto* info = static_cast<UNIVERSAL_NAME_INFOW*>(buffer);
    info->lpUniversalName = reinterpret_cast<LPWSTR>(info + 1);
    std::copy(name.c_str(), name.c_str() + name.size() + 1, info->lpUniversalName);
    return NO_ERROR;
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
