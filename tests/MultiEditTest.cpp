#include <gtest/gtest.h>

#include "TestSupport.h"
#include "ui/MultiEdit.h"

namespace {

// Installed below the wrapper: counts the key presses that the wrapper lets through to the edit.
LRESULT CALLBACK CountKeysPassedOn(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                   DWORD_PTR counter) {
    if (message == WM_KEYDOWN) {
        ++*reinterpret_cast<int*>(counter);
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

class MultiEditTest : public testing::Test {
protected:
    void SetUp() override {
        edit = CreateWindowW(L"EDIT", L"first line\r\nsecond line\r\nthird",
                             WS_POPUP | WS_VISIBLE | ES_MULTILINE | ES_AUTOHSCROLL | ES_AUTOVSCROLL |
                                 ES_WANTRETURN,
                             0, 0, 300, 120, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(nullptr, edit);
        SetWindowSubclass(edit, CountKeysPassedOn, 1, reinterpret_cast<DWORD_PTR>(&keysPassedOn));
        wrapper.Attach(edit);
        SetForegroundWindow(edit);
        SetFocus(edit);
        PumpFor(20);
    }
    void TearDown() override {
        SetModifiers(false, false);
        wrapper.Detach();
        RemoveWindowSubclass(edit, CountKeysPassedOn, 1);
        DestroyWindow(edit);
    }

    static void SetModifiers(bool shift, bool control) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        keys[VK_CONTROL] = control ? 0x80 : 0;
        SetKeyboardState(keys);
    }

    void Press(WPARAM key) { SendMessageW(edit, WM_KEYDOWN, key, 1); }

    std::pair<DWORD, DWORD> Selection() const {
        DWORD start = 0;
        DWORD end = 0;
        SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        return {start, end};
    }

    static constexpr DWORD kSecondStart = 12; // "first line\r\n"
    static constexpr DWORD kSecondEnd = 23;   // + "second line"

    HWND edit = nullptr;
    int keysPassedOn = 0;
    CMultiEdit wrapper;
};

// The wrapper moves the caret itself and keeps Home and End from the edit; Ctrl+End it leaves
// to the edit.
TEST_F(MultiEditTest, HomeAndEndStayOnTheCaretLine) {
    SendMessageW(edit, EM_SETSEL, kSecondStart + 3, kSecondStart + 3);
    Press(VK_END);
    EXPECT_EQ(std::make_pair(kSecondEnd, kSecondEnd), Selection());
    Press(VK_HOME);
    EXPECT_EQ(std::make_pair(kSecondStart, kSecondStart), Selection());

    SendMessageW(edit, EM_SETSEL, kSecondStart + 3, kSecondStart + 3);
    SetModifiers(true, false);
    Press(VK_END);
    EXPECT_EQ(std::make_pair(kSecondStart + 3, kSecondEnd), Selection());

    // Anchor at +8, caret at +4: a selection made leftwards keeps its end.
    SendMessageW(edit, EM_SETSEL, kSecondStart + 8, kSecondStart + 4);
    Press(VK_HOME);
    EXPECT_EQ(std::make_pair(kSecondStart, kSecondStart + 8), Selection());
    EXPECT_EQ(0, keysPassedOn);

    SendMessageW(edit, EM_SETSEL, 2, 2);
    SetModifiers(false, true);
    Press(VK_END);
    const DWORD length = static_cast<DWORD>(GetWindowTextLengthW(edit));
    EXPECT_EQ(std::make_pair(length, length), Selection());
    EXPECT_EQ(1, keysPassedOn);
}

} // namespace
