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
    static void Type(int page, int id, const std::wstring& text) {
        SetWindowTextW(Control(page, id), text.c_str());
    }
    static void Command(int page, int id) {
        SendMessageW(FindPageWindow(page), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(Control(page, id)));
    }
    static int Selection(int page, int id) {
        return static_cast<int>(SendMessageW(Control(page, id), CB_GETCURSEL, 0, 0));
    }

    // Presses Update and answers whatever box follows with OK; returns the boxes seen.
    std::vector<SeenDialog> PressUpdate() {
        DialogResponder responder = DialogResponder::Answering(IDOK);
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_UPDATE, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_UPDATE)));
        return responder.seen;
    }

    WindowsVersionCase version;
    HWND window = nullptr;
};
