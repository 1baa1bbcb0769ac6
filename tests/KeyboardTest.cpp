// The keyboard alone, through the program's own start-up and message loop: RunTravine runs on
// the test's thread as in the program, while a second thread presses real keys (SendInput) and
// watches where the focus goes, as a user at the keyboard does.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "app/OptionsWindow.h"
#include "app/Startup.h"
#include "pages/PageIds.h"
#include "resource.h"

namespace {

bool WaitFor(const std::function<bool()>& pred, DWORD timeoutMs = 3000) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!pred()) {
        if (GetTickCount64() >= deadline) {
            return false;
        }
        Sleep(5);
    }
    return true;
}

// The keyboard user's side, on its own thread.
class Keyboard {
public:
    explicit Keyboard(DWORD uiThread) : m_uiThread(uiThread) {}

    HWND window = nullptr;

    HWND Focus() const {
        GUITHREADINFO info = {};
        info.cbSize = sizeof(info);
        return GetGUIThreadInfo(m_uiThread, &info) ? info.hwndFocus : nullptr;
    }
    // Presses key with the modifiers held; waits until the program has taken it.
    void Press(WORD key, std::initializer_list<WORD> modifiers = {}) {
        Send(key, modifiers);
        Settle();
    }
    void Send(WORD key, std::initializer_list<WORD> modifiers) {
        std::vector<INPUT> inputs;
        auto add = [&](WORD vk, bool down) {
            INPUT input = {};
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = vk;
            input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
            inputs.push_back(input);
        };
        for (WORD modifier : modifiers) {
            add(modifier, true);
        }
        add(key, true);
        add(key, false);
        for (WORD modifier : modifiers) {
            add(modifier, false);
        }
        SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    }
    // A key that moves the focus: waits until it has moved.
    HWND Move(WORD key, std::initializer_list<WORD> modifiers = {}) {
        HWND before = Focus();
        Send(key, modifiers);
        WaitFor([&] { return Focus() != before; }, 2000);
        return Focus();
    }
    // A sent message is answered before queued input, so give the keys time first; then wait
    // until the program is back in its loop.
    void Settle() const {
        DWORD_PTR ignored = 0;
        Sleep(150);
        SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 3000, &ignored);
    }
    HWND Page(int id) const {
        for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
            if (GetPropW(child, L"TSM_UniqID") == reinterpret_cast<HANDLE>(static_cast<INT_PTR>(id)) &&
                (GetWindowLongPtrW(child, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) != 0) {
                return child;
            }
        }
        return nullptr;
    }
    HWND Control(int page, int id) const { return GetDlgItem(Page(page), id); }
    int ShownPage() const {
        for (int id = kSetupPage; id < kPageCount; ++id) {
            if (IsWindowVisible(Page(id))) {
                return id;
            }
        }
        return -1;
    }

private:
    DWORD m_uiThread;
};

// Where the focus should go round: the shown page's tab stops from top to bottom (left to right
// within a row), then the bottom row from left to right. Worked out from the screen, not from
// the order the program put the windows in.
std::vector<HWND> ScreenOrder(HWND window, HWND page) {
    auto collect = [](HWND parent, bool pages) {
        std::vector<HWND> found;
        for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
            const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
            const bool isPage = (GetWindowLongPtrW(child, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) != 0;
            if (isPage == pages &&
                (style & (WS_TABSTOP | WS_VISIBLE | WS_DISABLED)) == (WS_TABSTOP | WS_VISIBLE)) {
                found.push_back(child);
            }
        }
        std::sort(found.begin(), found.end(), [](HWND a, HWND b) {
            RECT ra, rb;
            GetWindowRect(a, &ra);
            GetWindowRect(b, &rb);
            return ra.top != rb.top ? ra.top < rb.top : ra.left < rb.left;
        });
        return found;
    };
    std::vector<HWND> order = collect(page, false);
    const std::vector<HWND> bottom = collect(window, false);
    order.insert(order.end(), bottom.begin(), bottom.end());
    return order;
}

std::wstring Describe(HWND control) {
    return control == nullptr ? L"(nothing)"
                              : std::to_wstring(GetDlgCtrlID(control)) + L" " + WindowText(control);
}

// Runs the program's RunTravine on this thread and the script on another. Message boxes are
// answered as the script asks (OK and Yes by default); whatever the script did, the window is
// closed at the end. Returns RunTravine's exit code.
int RunWithKeyboard(const std::function<void(Keyboard&)>& script,
                    const DialogResponder::Handler& answer = nullptr) {
    Keyboard keyboard(GetCurrentThreadId());
    std::thread user([&] {
        if (WaitFor([&] {
                keyboard.window = FindWindowW(kOptionsWindowClass, nullptr);
                return keyboard.window != nullptr && IsWindowVisible(keyboard.window) &&
                       keyboard.Focus() != nullptr;
            })) {
            keyboard.Settle(); // start-up has ended
            script(keyboard);
        }
        for (int i = 0; i < 50 && IsWindow(keyboard.window); ++i) {
            PostMessageW(keyboard.window, WM_CLOSE, 0, 0);
            Sleep(100);
        }
    });
    DialogResponder responder([&](const SeenDialog& dialog) {
        if (answer) {
            answer(dialog);
        } else {
            PressButton(dialog.hwnd, dialog.hasYesNo ? IDYES : IDOK);
        }
    });
    const int exitCode = RunTravine(GetModuleHandleW(nullptr));
    user.join();
    return exitCode;
}

class KeyboardTest : public testing::Test {
protected:
    void SetUp() override {
        ResetProgramCase(version);
        FakeExtensionRegistration(); // opens on the General page
    }
    void TearDown() override {
        DeleteOptionsKey();
        RemoveExtensionRegistration();
    }
    WindowsVersionCase version;
};

TEST_F(KeyboardTest, TabVisitsEveryTabStopInScreenOrderAndCtrlTabEveryPage) {
    std::vector<std::wstring> faults;
    const int exitCode = RunWithKeyboard([&](Keyboard& kb) {
        auto fault = [&](const std::wstring& what) { faults.push_back(what); };
        for (int visit = 0; visit < kPageCount; ++visit) {
            const int page = (kGeneralPage + visit) % kPageCount;
            if (kb.ShownPage() != page) {
                fault(L"Ctrl+Tab showed page " + std::to_wstring(kb.ShownPage()) + L" for " +
                      std::to_wstring(page));
                return;
            }
            const std::vector<HWND> expected = ScreenOrder(kb.window, kb.Page(page));
            if (kb.Focus() != expected.front()) {
                fault(L"page " + std::to_wstring(page) + L" starts on " + Describe(kb.Focus()) + L", not " +
                      Describe(expected.front()));
            }
            for (bool backwards : {false, true}) {
                std::vector<HWND> visited;
                for (size_t i = 0; i < expected.size(); ++i) {
                    visited.push_back(backwards ? kb.Move(VK_TAB, {VK_SHIFT}) : kb.Move(VK_TAB));
                }
                std::vector<HWND> wanted(expected.begin() + 1, expected.end());
                wanted.push_back(expected.front()); // and round again
                if (backwards) {
                    wanted.assign(expected.rbegin(), expected.rend());
                }
                if (visited != wanted) {
                    std::wstring seen;
                    for (HWND control : visited) {
                        seen += L"[" + Describe(control) + L"] ";
                    }
                    seen += L" wanted ";
                    for (HWND control : wanted) {
                        seen += L"[" + Describe(control) + L"] ";
                    }
                    fault(L"page " + std::to_wstring(page) + (backwards ? L" Shift+Tab: " : L" Tab: ") +
                          seen);
                }
            }
            kb.Move(VK_TAB, {VK_CONTROL});
        }
        // The other page keys, wrapping both ways; each puts the focus on the new page.
        const struct {
            WORD key;
            std::initializer_list<WORD> modifiers;
            int page;
        } steps[] = {{VK_PRIOR, {VK_CONTROL}, kSetupPage},
                     {VK_PRIOR, {VK_CONTROL}, kVersionPage},
                     {VK_NEXT, {VK_CONTROL}, kSetupPage},
                     {VK_TAB, {VK_CONTROL, VK_SHIFT}, kVersionPage},
                     {VK_NEXT, {VK_CONTROL}, kSetupPage}};
        for (const auto& step : steps) {
            kb.Move(step.key, step.modifiers);
            HWND tab = GetDlgItem(kb.window, IDC_TAB);
            if (kb.ShownPage() != step.page || TabCtrl_GetCurSel(tab) != step.page ||
                GetParent(kb.Focus()) != kb.Page(step.page)) {
                fault(L"page key " + std::to_wstring(step.key) + L": page " +
                      std::to_wstring(kb.ShownPage()) + L", tab " + std::to_wstring(TabCtrl_GetCurSel(tab)) +
                      L", focus " + Describe(kb.Focus()));
            }
        }
    });
    EXPECT_EQ(0, exitCode);
    for (const std::wstring& fault : faults) {
        ADD_FAILURE() << testing::PrintToString(fault);
    }
}

} // namespace
