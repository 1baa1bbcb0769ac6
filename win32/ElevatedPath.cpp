#include "win32/ElevatedPath.h"

#include <windows.h>
#include <winnetwk.h>

#include <cstdint>
#include <cwchar>
#include <iterator>

#include "win32/ModulePath.h"
#include "win32/SystemCalls.h"

namespace {

// Room for any answer of the system this code reads; a longer one is not worked with.
constexpr size_t kWorkChars = 1024;
// A chain of SUBST drives longer than there are drive letters goes round in a loop.
constexpr int kMaxSubstitutions = 26;

enum class Substitute { kNone, kFolder, kUnknown };

bool IsDrivePath(const wchar_t* path) {
    const wchar_t letter = static_cast<wchar_t>(path[0] | 0x20);
    return letter >= L'a' && letter <= L'z' && path[1] == L':' && (path[2] == L'\0' || path[2] == L'\\');
}

// The folder a SUBST drive stands for, without a closing backslash. The system names it
// "\??\C:\folder" ("\??\UNC\server\share\folder" for a share); a volume's name is a device
// (\Device\HarddiskVolume1) and a mapped drive's that of its network redirector.
Substitute SubstitutedFolder(wchar_t letter, wchar_t* folder, size_t folderChars) {
    const wchar_t drive[] = {letter, L':', L'\0'};
    wchar_t device[kWorkChars];
    const DWORD stored = systemCalls.queryDosDevice(drive, device, static_cast<DWORD>(std::size(device)));
    if (stored == 0) {
        return GetLastError() == ERROR_INSUFFICIENT_BUFFER ? Substitute::kUnknown : Substitute::kNone;
    }
    if (stored > std::size(device) || wmemchr(device, L'\0', stored) == nullptr) {
        return Substitute::kUnknown;
    }
    if (wcsncmp(device, L"\\??\\", 4) != 0) {
        return Substitute::kNone;
    }
    const wchar_t* target = device + 4;
    bool joined = false;
    if (_wcsnicmp(target, L"UNC\\", 4) == 0) {
        joined = JoinBounded(L"\\\\", 2, target + 4, folder, folderChars);
    } else if (IsDrivePath(target)) {
        joined = JoinBounded(target, wcslen(target), L"", folder, folderChars);
    }
    if (!joined) {
        return Substitute::kUnknown;
    }
    const size_t length = wcslen(folder);
    if (length > 0 && folder[length - 1] == L'\\') {
        folder[length - 1] = L'\0';
    }
    return Substitute::kFolder;
}

// The share's name of a path on a mapped network drive, as the network provider gives it.
bool UniversalName(const wchar_t* path, wchar_t* out, size_t outChars) {
    union {
        UNIVERSAL_NAME_INFOW info;
        wchar_t chars[kWorkChars];
    } buffer = {};
    DWORD bytes = sizeof(buffer);
    if (systemCalls.getUniversalName(path, UNIVERSAL_NAME_INFO_LEVEL, &buffer, &bytes) != NO_ERROR) {
        return false;
    }
    // The name must lie in the buffer, after the record, and end there; nothing else is read.
    const auto start = reinterpret_cast<uintptr_t>(buffer.chars);
    const auto name = reinterpret_cast<uintptr_t>(buffer.info.lpUniversalName);
    if (name < start + sizeof(buffer.info) || name >= start + sizeof(buffer) || (name - start) % 2 != 0) {
        return false;
    }
    const wchar_t* text = buffer.chars + (name - start) / 2;
    const size_t room = std::size(buffer.chars) - static_cast<size_t>(text - buffer.chars);
    const wchar_t* end = wmemchr(text, L'\0', room);
    if (end == nullptr || text[0] != L'\\' || text[1] != L'\\') {
        return false;
    }
    return JoinBounded(text, static_cast<size_t>(end - text), L"", out, outChars);
}

} // namespace

bool PathForElevation(const wchar_t* path, wchar_t* out, size_t outChars) {
    if (outChars == 0) {
        return false;
    }
    out[0] = L'\0';
    wchar_t current[kWorkChars];
    if (!JoinBounded(path, wcslen(path), L"", current, std::size(current))) {
        return false;
    }
    for (int substitutions = 0; substitutions <= kMaxSubstitutions; ++substitutions) {
        if (!IsDrivePath(current)) {
            return JoinBounded(current, wcslen(current), L"", out, outChars);
        }
        wchar_t folder[kWorkChars];
        switch (SubstitutedFolder(current[0], folder, std::size(folder))) {
        case Substitute::kUnknown:
            return false;
        case Substitute::kFolder: {
            wchar_t next[kWorkChars];
            if (!JoinBounded(folder, wcslen(folder), current + 2, next, std::size(next))) {
                return false;
            }
            JoinBounded(next, wcslen(next), L"", current, std::size(current));
            continue;
        }
        case Substitute::kNone:
            break;
        }
        const wchar_t root[] = {current[0], L':', L'\\', L'\0'};
        if (systemCalls.getDriveType(root) != DRIVE_REMOTE) {
            return JoinBounded(current, wcslen(current), L"", out, outChars);
        }
        return UniversalName(current, out, outChars);
    }
    return false;
}
