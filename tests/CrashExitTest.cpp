// A crashing test program fails, every time and at once.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "TestSupport.h"
#include "app/CrashExit.h"

namespace {

struct ProbeRun {
    DWORD exitCode = 12345;
    DWORD milliseconds = 0;
    std::string errors;
};

ProbeRun RunProbe(const wchar_t* test, int number) {
    ProbeRun run;
    const std::wstring exe = ProgramFolder() + L"crash_probe.exe";
    // A log of its own per run: Wine may hold the last one's handle a moment after the exit.
    const std::wstring log = ProgramFolder() + L"crash_probe_" + std::to_wstring(number) + L".log";
    std::wstring commandLine = L"\"" + exe + L"\" --gtest_filter=CrashProbe." + test;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE errors = CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, errors);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdError = errors;
    startup.hStdOutput = errors;
    PROCESS_INFORMATION info = {};
    const DWORD start = GetTickCount();
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &info)) {
        ADD_FAILURE() << "CreateProcessW failed: " << GetLastError();
        CloseHandle(errors);
        return run;
    }
    if (WaitForSingleObject(info.hProcess, 20000) != WAIT_OBJECT_0) {
        TerminateProcess(info.hProcess, 99); // held, as by a debugger
    }
    run.milliseconds = GetTickCount() - start;
    GetExitCodeProcess(info.hProcess, &run.exitCode);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    CloseHandle(errors);
    std::ifstream in(log.c_str(), std::ios::binary);
    run.errors.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    in.close();
    DeleteFileW(log.c_str());
    return run;
}

TEST(CrashExit, ACrashingTestProgramFailsTenTimesOutOfTen) {
    for (int i = 0; i < 10; ++i) {
        const bool trap = i % 2 != 0;
        const ProbeRun run = RunProbe(trap ? L"Trap" : L"NullWrite", i);
        EXPECT_EQ(kCrashExitCode, run.exitCode) << "run " << i << ": " << run.errors;
        EXPECT_LT(run.milliseconds, 10000u) << "run " << i;
        // The illegal instruction of a trap; a null write is an access violation, or a trap where
        // the undefined-behaviour checks catch it first. Either way with the address to look up.
        const bool named =
            run.errors.find("unhandled exception 0xc000001d at ") != std::string::npos ||
            (!trap && run.errors.find("unhandled exception 0xc0000005 at ") != std::string::npos);
        EXPECT_TRUE(named) << "run " << i << ": " << run.errors;
    }
}

} // namespace
