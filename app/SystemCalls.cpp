#include "app/SystemCalls.h"

#include <shlwapi.h>

namespace {
// The SDKs disagree on the declared result type (DWORD or LSTATUS); both carry a system code.
LSTATUS WINAPI DeleteKeyTree(HKEY root, LPCWSTR subKey) {
    return static_cast<LSTATUS>(SHDeleteKeyW(root, subKey));
}
} // namespace

const SystemCalls kRealSystemCalls = {ShellExecuteW,    ShellExecuteExW, GetOpenFileNameW, DeleteKeyTree,
                                      GetSaveFileNameW, WriteFile,       MoveFileExW};
SystemCalls systemCalls = kRealSystemCalls;
