#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/CrashExit.h"

int main(int argc, char** argv) {
    InstallCrashExit(); // before any test: a crash fails the suite at once
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
