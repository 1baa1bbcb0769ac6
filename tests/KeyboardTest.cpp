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

// The program's instance mutex lives as long as its process, so each run of the program is a
// suite of its own: CTest gives each suite a process.
class KeyboardTabOrder : public KeyboardTest {};
class KeyboardDialogs : public KeyboardTest {};
class KeyboardLinks : public KeyboardTest {};

TEST_F(KeyboardTabOrder, TabVisitsEveryTabStopInScreenOrderAndCtrlTabEveryPage) {
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

TEST_F(KeyboardDialogs, EnterAndEscapePressOnlyAFocusedButtonAndTheFocusComesBackAfterEveryDialog) {
    std::vector<std::wstring> faults;
    std::vector<std::wstring> dialogs;
    auto fault = [&](const std::wstring& what) { faults.push_back(what); };
    const int exitCode = RunWithKeyboard(
        [&](Keyboard& kb) {
            HWND update = GetDlgItem(kb.window, IDC_UPDATE);
            auto checked = [&](int page, int id) {
                return SendMessageW(kb.Control(page, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
            };
            auto enterAndEscapeDoNothing = [&](const wchar_t* where) {
                kb.Press(VK_RETURN);
                kb.Press(VK_ESCAPE);
                if (!IsWindowVisible(kb.window) || !IsWindowEnabled(update) || !dialogs.empty() ||
                    ReadOptionRaw(L"HideCommandBar").AsDword() != 0) {
                    fault(std::wstring(L"Enter or Escape did something on ") + where);
                }
            };
            kb.Press(VK_SPACE); // ticks the focused first check box
            if (!checked(kGeneralPage, IDC_GEN_HIDE_CMDBAR) || !IsWindowEnabled(update)) {
                fault(L"Space did not tick the first check box");
            }
            enterAndEscapeDoNothing(L"a check box");
            while (GetDlgCtrlID(kb.Focus()) != IDC_GEN_HEIGHT && kb.Move(VK_TAB) != nullptr &&
                   GetDlgCtrlID(kb.Focus()) != IDC_GEN_HIDE_CMDBAR) {
            }
            DWORD start = 1, end = 0;
            SendMessageW(kb.Focus(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                         reinterpret_cast<LPARAM>(&end));
            if (GetDlgCtrlID(kb.Focus()) != IDC_GEN_HEIGHT || start != 0 ||
                end != static_cast<DWORD>(GetWindowTextLengthW(kb.Focus())) || end == 0) {
                fault(L"Tab to the height edit did not select its text: " + Describe(kb.Focus()));
            }
            enterAndEscapeDoNothing(L"an edit");

            // Update from the keyboard: the focus moves on to Close, not to the window.
            while (kb.Focus() != update && kb.Move(VK_TAB) != GetDlgItem(kb.window, IDC_CLOSE)) {
            }
            if (kb.Focus() != update ||
                (GetWindowLongPtrW(update, GWL_STYLE) & BS_TYPEMASK) != BS_DEFPUSHBUTTON) {
                fault(L"Update reached by Tab has no default border: " + Describe(kb.Focus()));
            }
            kb.Press(VK_RETURN);
            WaitFor([&] { return dialogs.size() == 1 && !IsWindowEnabled(update); });
            kb.Settle();
            if (ReadOptionRaw(L"HideCommandBar").AsDword() != 1 ||
                kb.Focus() != GetDlgItem(kb.window, IDC_CLOSE)) {
                fault(L"after Update and its message: focus on " + Describe(kb.Focus()));
            }

            // The Column edit dialog, cancelled: back on its button.
            for (int page = kGeneralPage; page < kListView2Page; ++page) {
                kb.Move(VK_TAB, {VK_CONTROL});
            }
            kb.Move(VK_TAB); // 表示形式を固定する -> カラムヘッダを固定する
            kb.Press(VK_SPACE);
            HWND edit = kb.Move(VK_TAB);
            kb.Press(VK_RETURN);
            WaitFor([&] { return dialogs.size() == 2; });
            kb.Settle();
            if (edit != kb.Control(kListView2Page, IDC_LV2_EDIT) || kb.Focus() != edit) {
                fault(L"after the Column edit dialog: focus on " + Describe(kb.Focus()));
            }

            // The program picker's file dialog, cancelled: back on 選択..., the path unchanged.
            kb.Move(VK_PRIOR, {VK_CONTROL});
            kb.Move(VK_TAB);
            kb.Move(VK_TAB);
            kb.Press(VK_SPACE); // リストビュー内で [SHIFT] + [ENTER] ...
            kb.Move(VK_TAB);
            HWND browse = kb.Move(VK_TAB);
            const std::wstring path = WindowText(kb.Control(kListView1Page, IDC_LV1_FILE_PROG));
            kb.Press(VK_RETURN);
            WaitFor([&] { return dialogs.size() == 3; });
            kb.Settle();
            if (browse != kb.Control(kListView1Page, IDC_LV1_FILE_BROWSE) || kb.Focus() != browse ||
                WindowText(kb.Control(kListView1Page, IDC_LV1_FILE_PROG)) != path) {
                fault(L"after the file dialog: focus on " + Describe(kb.Focus()) + L", Tab reached " +
                      Describe(browse) + L", path " +
                      WindowText(kb.Control(kListView1Page, IDC_LV1_FILE_PROG)));
            }

            // Close from the keyboard asks, and Yes ends the program without saving.
            while (kb.Move(VK_TAB) != GetDlgItem(kb.window, IDC_CLOSE)) {
            }
            kb.Press(VK_RETURN);
            WaitFor([&] { return !IsWindow(kb.window); });
        },
        [&](const SeenDialog& dialog) {
            dialogs.push_back(dialog.caption + L": " + dialog.text);
            if (dialog.caption == L"カラムの編集") {
                PressButton(dialog.hwnd, IDC_COLEDIT_CANCEL);
            } else if (dialog.text.empty()) {
                PressButton(dialog.hwnd, IDCANCEL); // the file dialog
            } else {
                PressButton(dialog.hwnd, dialog.hasYesNo ? IDYES : IDOK);
            }
        });
    EXPECT_EQ(0, exitCode);
    for (const std::wstring& what : faults) {
        ADD_FAILURE() << testing::PrintToString(what);
    }
    ASSERT_EQ(4u, dialogs.size());
    EXPECT_NE(std::wstring::npos, dialogs[0].find(L"オプション設定を保存しました"));
    EXPECT_EQ(L"カラムの編集: ", dialogs[1]);
    EXPECT_EQ(L"実行ファイルを選択: ", dialogs[2]);
    EXPECT_NE(std::wstring::npos, dialogs[3].find(L"変更を保存せずに終了しますか?"));
    EXPECT_EQ(0u, ReadOptionRaw(L"Column").AsDword()) << "Close saved the column tick";
}

TEST_F(KeyboardLinks, LinksTakeTheFocusAndOpenFromTheKeyboardAsFromAClick) {
    SystemCallRecorder recorder;
    std::vector<int> focusRectPixels;
    const int exitCode = RunWithKeyboard([&](Keyboard& kb) {
        kb.Move(VK_PRIOR, {VK_CONTROL});
        kb.Move(VK_PRIOR, {VK_CONTROL}); // General, Setup, then round to Version
        HWND mail = kb.Control(kVersionPage, IDC_VER_MAIL);
        HWND web = kb.Control(kVersionPage, IDC_VER_WEB);
        // The focus rectangle: the dotted frame along the link's top edge.
        auto topEdge = [](HWND link) {
            HDC dc = GetDC(link);
            RECT client;
            GetClientRect(link, &client);
            const COLORREF background = GetPixel(dc, client.right / 2, client.bottom / 2 + 100);
            int dark = 0;
            for (int x = 0; x < client.right; ++x) {
                const COLORREF pixel = GetPixel(dc, x, 0);
                dark += GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel) < 3 * 128 ? 1 : 0;
            }
            (void)background;
            ReleaseDC(link, dc);
            return dark;
        };
        kb.Settle();
        focusRectPixels.push_back(kb.Focus() == mail ? topEdge(mail) : -1);
        kb.Press(VK_RETURN);
        kb.Move(VK_TAB);
        focusRectPixels.push_back(kb.Focus() == web ? topEdge(mail) : -1);
        kb.Press(VK_SPACE);
        ClickAt(mail);
        ClickAt(web);
        kb.Settle();
    });
    EXPECT_EQ(0, exitCode);
    ASSERT_EQ(2u, focusRectPixels.size());
    EXPECT_GT(focusRectPixels[0], 10) << "the focused mail link shows no focus rectangle";
    EXPECT_EQ(0, focusRectPixels[1]) << "the focus rectangle stayed when the focus left";
    ASSERT_EQ(4u, recorder.shellCalls.size());
    EXPECT_EQ(L"mailto:support@travine.example", recorder.shellCalls[0].file);
    EXPECT_EQ(L"https://travine.example/", recorder.shellCalls[1].file);
    for (size_t key = 0; key < 2; ++key) {
        const SystemCallRecorder::ShellCall& byKey = recorder.shellCalls[key];
        const SystemCallRecorder::ShellCall& byClick = recorder.shellCalls[key + 2];
        EXPECT_EQ(byClick.file, byKey.file);
        EXPECT_EQ(byClick.verb, byKey.verb);
        EXPECT_EQ(byClick.owner, byKey.owner);
        EXPECT_EQ(byClick.paramsNull, byKey.paramsNull);
        EXPECT_EQ(byClick.directoryNull, byKey.directoryNull);
        EXPECT_EQ(byClick.show, byKey.show);
    }
}

} // namespace
