// A test program that crashes on purpose, started by the process tests: whatever the crash, it
// must end with the crash exit code, never with 0 and never held by a debugger.
#include <gtest/gtest.h>

namespace {

TEST(CrashProbe, NullWrite) {
    volatile int* volatile nowhere = nullptr;
    *nowhere = 1;
}

TEST(CrashProbe, Trap) {
    __builtin_trap(); // what a failed sanitizer check executes
}

} // namespace
