// A crashing test program fails, every time and at once.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "app/CrashExit.h"

namespace {

TEST(CrashExit, ACrashingTestProgramFailsTenTimesOutOfTen) {
    for (int i = 0; i < 10; ++i) {
        const bool trap = i % 2 != 0;
        const ProgramRun run = RunProgram(
            ProgramFolder() + L"crash_probe.exe",
            trap ? L"--gtest_filter=CrashProbe.Trap" : L"--gtest_filter=CrashProbe.NullWrite", 20000);
        EXPECT_EQ(kCrashExitCode, run.exitCode) << "run " << i << ": " << run.output;
        EXPECT_LT(run.milliseconds, 10000u) << "run " << i;
        // The illegal instruction of a trap; a null write is an access violation, or a trap where
        // the undefined-behaviour checks catch it first. Either way with the address to look up.
        const bool named =
            run.output.find("unhandled exception 0xc000001d at ") != std::string::npos ||
            (!trap && run.output.find("unhandled exception 0xc0000005 at ") != std::string::npos);
        EXPECT_TRUE(named) << "run " << i << ": " << run.output;
    }
}

} // namespace
