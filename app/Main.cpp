#include <windows.h>

#include "app/DllSearch.h"
#include "app/Startup.h"
#ifdef TRAVINE_TEST_BUILD
#include "app/CrashExit.h"
#endif

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, PWSTR, int) {
    RestrictDllSearchToSystemFolder();
#ifdef TRAVINE_TEST_BUILD
    // The process tests judge the exit code; a crash must not read as a clean close.
    InstallCrashExit();
#endif
    return RunTravine(hInstance);
}
