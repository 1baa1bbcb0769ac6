// A test program that crashes on purpose, started by the process tests: whatever the crash, it
// must end with the crash exit code, never with 0 and never held by a debugger.
#include <gtest/gtest.h>

#ifdef _MSC_VER
#include <intrin.h>
#endif

namespace {

TEST(CrashProbe, NullWrite) {
    volatile int* volatile nowhere = nullptr;
    *nowhere = 1;
}

TEST(CrashProbe, Trap) {
    // What a failed check of -fsanitize-undefined-trap-on-error executes: ud2.
#ifdef _MSC_VER
    __ud2();
#else
    __builtin_trap();
#endif
}

} // namespace
