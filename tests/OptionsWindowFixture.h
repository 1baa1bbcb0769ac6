// Opens the real options window in the test process, with a known registry case.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "app/OptionsWindow.h"
#include "pages/PageIds.h"
#include "resource.h"

class OptionsWindowFixture : public testing::Test {
protected:
    void SetUp() override { ResetProgramCase(version); }
    void TearDown() override {
        Close();
        DeleteOptionsKey();
        RemoveExtensionRegistration();
    }

    HWND Open() {
        window = CreateOptionsWindow(GetModuleHandleW(nullptr));
        EXPECT_NE(nullptr, window);
        PumpFor(10);
        return window;
    }
    void Close() {
        if (window != nullptr && IsWindow(window)) {
            DestroyWindow(window);
        }
        PumpFor(5);
        ReleaseOptionsWindowResources();
        window = nullptr;
    }

    static HWND Control(int page, int id) { return PageControl(page, id); }
    bool UpdateEnabled() const { return IsWindowEnabled(GetDlgItem(window, IDC_UPDATE)) != FALSE; }
    static bool Checked(int page, int id) {
        return SendMessageW(Control(page, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    static bool Enabled(int page, int id) { return IsWindowEnabled(Control(page, id)) != FALSE; }

    // What the user does.
    static void Click(int page, int id) { SendMessageW(Control(page, id), BM_CLICK, 0, 0); }
    static void Choose(int page, int id, int index) {
        HWND combo = Control(page, id);
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(FindPageWindow(page), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
    }
    // Replaces the text as typing does; a multi-line edit reports no change for WM_SETTEXT.
    static void Type(int page, int id, const std::wstring& text) {
        HWND edit = Control(page, id);
        EXPECT_TRUE(IsWindowEnabled(edit)) << "typing into disabled control " << id;
        SendMessageW(edit, EM_SETSEL, 0, -1);
        SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    }
    static int Selection(int page, int id) {
        return static_cast<int>(SendMessageW(Control(page, id), CB_GETCURSEL, 0, 0));
    }

    // Clicks the button named Update as a user does, which only works when the edits have
    // enabled it, and answers whatever box follows with OK; returns the boxes seen.
    std::vector<SeenDialog> PressUpdate() {
        DialogResponder responder = DialogResponder::Answering(IDOK);
        EXPECT_TRUE(UpdateEnabled()) << "nothing enabled Update";
        if (UpdateEnabled()) {
            PressButton(window, L"更新");
        }
        return responder.seen;
    }

    WindowsVersionCase version;
    HWND window = nullptr;
};
