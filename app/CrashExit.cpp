#include "app/CrashExit.h"

#include <windows.h>

#include <cstdio>

namespace {

LONG WINAPI EndCrashedProcess(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info != nullptr ? info->ExceptionRecord : nullptr;
    // The module base turns the address into a line: addr2line -e prog.exe <address>.
    std::fprintf(stderr, "unhandled exception 0x%08lx at %p (module base %p)\n",
                 record != nullptr ? static_cast<unsigned long>(record->ExceptionCode) : 0ul,
                 record != nullptr ? record->ExceptionAddress : nullptr,
                 static_cast<void*>(GetModuleHandleW(nullptr)));
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), kCrashExitCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

} // namespace

void InstallCrashExit() {
    SetUnhandledExceptionFilter(EndCrashedProcess);
}
