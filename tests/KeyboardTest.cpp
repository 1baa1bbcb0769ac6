// The keyboard alone, through the program's own start-up and message loop: RunTravine runs on
// the test's thread as in the program, while a second thread presses real keys (SendInput) and
// watches where the focus goes, as a user at the keyboard does.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <functional>
#include <initializer_list>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "TestSupport.h"
#include "app/OptionsWindow.h"
#include "app/Startup.h"
#include "pages/PageIds.h"
#include "resource.h"

namespace {

bool WaitFor(const std::function<bool()>& pred, DWORD timeoutMs = 3000) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!pred() && GetTickCount64() < deadline) {
        Sleep(5);
    }
    return pred();
}

// The keyboard user's side, on its own thread.
struct Keyboard {
    DWORD uiThread = 0;
    HWND window = nullptr;

    HWND Focus() const {
        GUITHREADINFO info = {};
        info.cbSize = sizeof(info);
        return GetGUIThreadInfo(uiThread, &info) ? info.hwndFocus : nullptr;
    }
    void Send(WORD key, std::initializer_list<WORD> modifiers) const {
        std::for_each(modifiers.begin(), modifiers.end(), [](WORD m) { PressKey(m, true); });
        PressKey(key, true);
        PressKey(key, false);
        std::for_each(modifiers.begin(), modifiers.end(), [](WORD m) { PressKey(m, false); });
    }
    // A key that acts in place; a sent message is answered before queued input, so the keys get
    // time first, then the program is waited for in its loop.
    void Press(WORD key, std::initializer_list<WORD> modifiers = {}) const {
        Send(key, modifiers);
        Settle();
    }
    void Settle() const {
        DWORD_PTR ignored = 0;
        Sleep(150);
        SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 3000, &ignored);
    }
    // A key that moves the focus: waits until it has moved.
    HWND Move(WORD key, std::initializer_list<WORD> modifiers = {}) const {
        HWND before = Focus();
        Send(key, modifiers);
        WaitFor([&] { return Focus() != before; }, 2000);
        return Focus();
    }
    HWND MoveTo(HWND target) const {
        for (int i = 0; i < 30 && Focus() != target; ++i) {
            Move(VK_TAB);
        }
        return Focus();
    }
    static HWND Page(int id) { return FindPageWindow(id); }
    static HWND Control(int page, int id) { return PageControl(page, id); }
    static int ShownPage() {
        int id = kSetupPage;
        while (id < kPageCount && !IsWindowVisible(Page(id))) {
            ++id;
        }
        return id;
    }
};

// Every control that takes input, page by page as a user reads the page: from top to bottom,
// left to right within a row; then the bottom row. Written from the screen, not read from the
// controls' styles: Tab must visit each of them that is visible and enabled, in this order.
const std::vector<int> kInputs[kPageCount] = {
    {IDC_SETUP_REGISTER, IDC_SETUP_UNREGISTER, IDC_SETUP_REMOVE_OPTIONS, IDC_SETUP_OPEN_FOLDER},
    {IDC_GEN_HIDE_CMDBAR, IDC_GEN_ALT_KEY, IDC_GEN_WHEEL, IDC_GEN_HEIGHT, IDC_GEN_PREVENT_DRAG,
     IDC_GEN_DRAG_TYPE, IDC_GEN_CTRL_RET, IDC_GEN_CTRL_RET_ADMIN, IDC_GEN_TASKBAR_SIMPLE,
     IDC_GEN_TASKBAR_SUFFIX},
    {IDC_TREE_NO_LINES_AT_ROOT, IDC_TREE_NO_FADE, IDC_TREE_HAS_LINES},
    {IDC_LV1_SELECT_FIRST, IDC_LV1_PC_DRIVE, IDC_LV1_DRIVE_LETTER, IDC_LV1_SHIFT_RET, IDC_LV1_FILE_PROG,
     IDC_LV1_FILE_BROWSE, IDC_LV1_FILE_ARG, IDC_LV1_FLDR_PROG, IDC_LV1_FLDR_BROWSE, IDC_LV1_FLDR_ARG},
    {IDC_LV2_VIEW_MODE, IDC_LV2_VIEW_MODE_INDEX, IDC_LV2_VIEW_MODE_EF, IDC_LV2_COLUMN, IDC_LV2_EDIT,
     IDC_LV2_UP, IDC_LV2_DOWN, IDC_LV2_COLUMN_LIST, IDC_LV2_COLUMN_EF},
    {IDC_VER_MAIL, IDC_VER_WEB, IDC_VER_COPY_INFO},
};
const int kBottomRow[] = {IDC_HELP_BUTTON, IDC_BACKUP, IDC_UPDATE, IDC_CLOSE};
// The check boxes stacked with no label between them, which the arrow keys walk from one to the
// next and back.
const struct {
    int page;
    std::vector<int> boxes;
} kArrowGroups[] = {
    {kGeneralPage, {IDC_GEN_ALT_KEY, IDC_GEN_WHEEL}},
    {kGeneralPage,
     {IDC_GEN_CTRL_RET, IDC_GEN_CTRL_RET_ADMIN, IDC_GEN_TASKBAR_SIMPLE, IDC_GEN_TASKBAR_SUFFIX}},
    {kTreeViewPage, {IDC_TREE_NO_LINES_AT_ROOT, IDC_TREE_NO_FADE, IDC_TREE_HAS_LINES}},
    {kListView1Page, {IDC_LV1_SELECT_FIRST, IDC_LV1_PC_DRIVE}},
};

std::vector<HWND> ScreenOrder(HWND window, int page) {
    std::vector<HWND> order;
    auto add = [&](HWND c) {
        if (IsWindowVisible(c) && IsWindowEnabled(c)) {
            order.push_back(c);
        }
    };
    std::for_each(kInputs[page].begin(), kInputs[page].end(), [&](int id) { add(PageControl(page, id)); });
    std::for_each(std::begin(kBottomRow), std::end(kBottomRow), [&](int id) { add(GetDlgItem(window, id)); });
    return order;
}

std::vector<int> Ids(const std::vector<HWND>& controls) {
    std::vector<int> ids;
    std::transform(controls.begin(), controls.end(), std::back_inserter(ids), GetDlgCtrlID);
    return ids;
}

// One round from wherever the focus is on the shown page: Tab visits each enabled, visible tab
// stop of the page and of the bottom row once, in screen order, and Shift+Tab the same round back.
void ExpectOneRound(const Keyboard& kb, const std::string& where) {
    const std::vector<HWND> order = ScreenOrder(kb.window, kb.ShownPage());
    const auto at = std::find(order.begin(), order.end(), kb.Focus());
    ASSERT_NE(order.end(), at) << where << ": the focus is on no tab stop but on "
                               << GetDlgCtrlID(kb.Focus());
    std::vector<HWND> round(at + 1, order.end());
    round.insert(round.end(), order.begin(), at + 1);
    std::vector<HWND> forwards, backwards;
    for (size_t i = 0; i < order.size(); ++i) {
        forwards.push_back(kb.Move(VK_TAB));
    }
    for (size_t i = 0; i < order.size(); ++i) {
        backwards.push_back(kb.Move(VK_TAB, {VK_SHIFT}));
    }
    EXPECT_EQ(Ids(round), Ids(forwards)) << "Tab, " << where;
    std::vector<HWND> back(round.rbegin() + 1, round.rend());
    back.push_back(round.back());
    EXPECT_EQ(Ids(back), Ids(backwards)) << "Shift+Tab, " << where;
}

bool IsCheckBox(HWND control) {
    wchar_t className[16] = {};
    GetClassNameW(control, className, static_cast<int>(std::size(className)));
    return lstrcmpiW(className, L"Button") == 0 &&
           (GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX;
}

// The boxes that enable or disable others, as each page shows them: a box with controls set in
// below it.
const std::vector<int> kMasterBoxes[kPageCount] = {
    {},
    {IDC_GEN_HIDE_CMDBAR, IDC_GEN_PREVENT_DRAG, IDC_GEN_TASKBAR_SIMPLE},
    {},
    {IDC_LV1_PC_DRIVE, IDC_LV1_SHIFT_RET},
    {IDC_LV2_VIEW_MODE, IDC_LV2_COLUMN},
    {}};

bool IsChecked(HWND box) {
    return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// Runs the program's RunTravine on this thread and the script on another. Dialogs are answered
// by answer (message boxes with OK or Yes when there is none); whatever the script did, the
// window is closed at the end. Returns RunTravine's exit code.
int RunWithKeyboard(const std::function<void(const Keyboard&)>& script,
                    const DialogResponder::Handler& answer = nullptr) {
    Keyboard keyboard;
    keyboard.uiThread = GetCurrentThreadId();
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
        answer ? answer(dialog) : PressButton(dialog.hwnd, dialog.hasYesNo ? IDYES : IDOK);
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
class KeyboardParity : public KeyboardTest {};

// The dotted focus rectangle along a link's top edge: its dark pixels.
int FocusFramePixels(HWND link) {
    HDC dc = GetDC(link);
    RECT client;
    GetClientRect(link, &client);
    int dark = 0;
    for (int x = 0; x < client.right; ++x) {
        const COLORREF pixel = GetPixel(dc, x, 0);
        dark += GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel) < 3 * 128 ? 1 : 0;
    }
    ReleaseDC(link, dc);
    return dark;
}

// The link as it is on screen, pixel by pixel.
std::vector<COLORREF> Picture(HWND link) {
    RECT client;
    GetClientRect(link, &client);
    HDC dc = GetDC(link);
    std::vector<COLORREF> pixels;
    for (int at = 0; at < client.right * client.bottom; ++at) {
        pixels.push_back(GetPixel(dc, at % client.right, at / client.right));
    }
    ReleaseDC(link, dc);
    return pixels;
}

// The last page reached is the Setup page; one more step back is the Version page, where the
// links take the focus and open from the keyboard as from a click.
TEST_F(KeyboardTabOrder, TabVisitsEveryTabStopInScreenOrderAndCtrlTabEveryPageAndLink) {
    SystemCallRecorder recorder;
    // A load that ticks every box that enables others.
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(static_cast<DWORD>(std::size(temp)), temp);
    const std::wstring loaded =
        std::wstring(temp) + L"travine-keyboard-" + std::to_wstring(GetTickCount64()) + L".reg";
    ASSERT_TRUE(WriteBytes(loaded, Utf16File(L"Windows Registry Editor Version 5.00\r\n\r\n"
                                             L"[HKEY_CURRENT_USER\\Software\\Travine11]\r\n"
                                             L"\"HideCommandBar\"=dword:00000001\r\n"
                                             L"\"PreventDrag\"=dword:00000001\r\n"
                                             L"\"TaskbarSimpleName\"=dword:00000001\r\n"
                                             L"\"PCSelectDrive\"=dword:00000001\r\n"
                                             L"\"ShiftRetCmd\"=dword:00000001\r\n"
                                             L"\"ViewMode\"=dword:00000001\r\n"
                                             L"\"Column\"=dword:00000001\r\n")));
    EXPECT_EQ(
        0, RunWithKeyboard([&](const Keyboard& kb) {
            for (int visit = 0; visit < kPageCount; ++visit) {
                const int page = (kGeneralPage + visit) % kPageCount;
                ASSERT_EQ(page, kb.ShownPage()) << "Ctrl+Tab";
                HWND pageWindow = kb.Page(page);
                const std::vector<HWND> order = ScreenOrder(kb.window, page);
                EXPECT_EQ(GetDlgCtrlID(order.front()), GetDlgCtrlID(kb.Focus())) << "page " << page;
                // Every combination of the boxes that enable others, one box changing at a time.
                std::vector<HWND> masters;
                for (int id : kMasterBoxes[page]) {
                    masters.push_back(kb.Control(page, id));
                }
                for (unsigned step = 0; step < (1u << masters.size()); ++step) {
                    const unsigned ticks = step ^ (step >> 1);
                    for (size_t m = 0; m < masters.size(); ++m) {
                        if (IsChecked(masters[m]) != (((ticks >> m) & 1) != 0)) {
                            SendMessageW(masters[m], BM_CLICK, 0, 0);
                        }
                    }
                    ExpectOneRound(kb, "page " + std::to_string(page) + ", ticks " + std::to_string(ticks));
                }
                std::for_each(masters.begin(), masters.end(), [](HWND m) {
                    if (!IsChecked(m)) {
                        SendMessageW(m, BM_CLICK, 0, 0);
                    }
                });
                for (const auto& group : kArrowGroups) {
                    for (size_t i = 0; group.page == page && i + 1 < group.boxes.size(); ++i) {
                        kb.MoveTo(kb.Control(page, group.boxes[i]));
                        EXPECT_EQ(group.boxes[i + 1], GetDlgCtrlID(kb.Move(VK_DOWN)))
                            << "Down, page " << page;
                        EXPECT_EQ(group.boxes[i], GetDlgCtrlID(kb.Move(VK_UP))) << "Up, page " << page;
                    }
                }
                // Ctrl+Tab leaves from the page's last tab stop, the one most likely to keep
                // Tab for itself.
                const std::vector<HWND> now = ScreenOrder(kb.window, page);
                const auto last = std::find_if(now.rbegin(), now.rend(),
                                               [&](HWND c) { return GetParent(c) == pageWindow; });
                ASSERT_NE(now.rend(), last);
                kb.MoveTo(*last);
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
                EXPECT_EQ(step.page, kb.ShownPage()) << "key " << step.key;
                EXPECT_EQ(step.page, TabCtrl_GetCurSel(GetDlgItem(kb.window, IDC_TAB)));
                EXPECT_EQ(kb.Page(step.page), GetParent(kb.Focus()));
            }
            kb.Move(VK_PRIOR, {VK_CONTROL});
            HWND mail = kb.Control(kVersionPage, IDC_VER_MAIL);
            HWND web = kb.Control(kVersionPage, IDC_VER_WEB);
            kb.Settle();
            ASSERT_EQ(mail, kb.Focus());
            RECT webRect;
            GetWindowRect(web, &webRect);
            MoveMouseTo(webRect.left, webRect.bottom + 40);
            // Painting comes after every other message: waited for, not assumed.
            EXPECT_TRUE(WaitFor([&] { return FocusFramePixels(mail) > 10; }))
                << "the focused link shows no focus rectangle";
            const std::vector<COLORREF> webAlone = Picture(web);
            ASSERT_FALSE(webAlone.empty());
            kb.Press(VK_RETURN);
            EXPECT_EQ(web, kb.Move(VK_TAB));
            EXPECT_TRUE(WaitFor([&] { return FocusFramePixels(mail) == 0; })) << "the focus rectangle stayed";
            // The mouse passing over the focused link, and the focus leaving it, leave it as it was.
            EXPECT_TRUE(WaitFor([&] { return FocusFramePixels(web) > 10; }));
            const std::vector<COLORREF> webFocused = Picture(web);
            for (int x = webRect.left + 2; x < webRect.right; x += 7) {
                MoveMouseTo(x, (webRect.top + webRect.bottom) / 2);
                Sleep(10);
            }
            EXPECT_TRUE(WaitFor([&] { return CountPixels(web, RGB(223, 0, 223)).Total() > 0; }));
            MoveMouseTo(webRect.left, webRect.bottom + 40);
            EXPECT_TRUE(WaitFor([&] { return Picture(web) == webFocused; })) << "hovering left remnants";
            kb.Move(VK_TAB);
            EXPECT_TRUE(WaitFor([&] { return Picture(web) == webAlone; }))
                << "the focus rectangle left remnants";
            EXPECT_EQ(web, kb.Move(VK_TAB, {VK_SHIFT}));
            kb.Press(VK_SPACE);
            ClickAt(mail);
            ClickAt(kb.Focus());
            kb.Settle();

            // The states that the defaults and a load leave behind: one round on every page.
            const auto roundsOnEveryPage = [&](const char* after) {
                EXPECT_TRUE(WaitFor([&] { return IsChild(kb.window, kb.Focus()) != FALSE; }, 10000))
                    << "the focus did not come back " << after;
                for (int visit = 0; visit < kPageCount; ++visit) {
                    ExpectOneRound(kb, std::string(after) + ", page " + std::to_string(kb.ShownPage()));
                    kb.Move(VK_TAB, {VK_CONTROL});
                }
            };
            kb.Press('B', {VK_MENU});
            kb.Press('D');
            roundsOnEveryPage("after the defaults");
            recorder.chosenFile = loaded;
            kb.Press('B', {VK_MENU});
            kb.Press('L');
            roundsOnEveryPage("after a load");
            EXPECT_TRUE(IsChecked(kb.Control(kListView2Page, IDC_LV2_COLUMN))) << "the file was not loaded";
        }));
    DeleteFileW(loaded.c_str());
    EXPECT_EQ(1u, recorder.fileDialogs.size()) << "the load did not ask for its file";
    ASSERT_EQ(4u, recorder.shellCalls.size());
    EXPECT_EQ(L"mailto:support@travine.example", recorder.shellCalls[0].file);
    EXPECT_EQ(L"https://travine.example/", recorder.shellCalls[1].file);
    for (size_t key = 0; key < 2; ++key) {
        const SystemCallRecorder::ShellCall& byKey = recorder.shellCalls[key];
        const SystemCallRecorder::ShellCall& byClick = recorder.shellCalls[key + 2];
        EXPECT_EQ(std::make_tuple(byClick.file, byClick.verb, byClick.owner, byClick.paramsNull,
                                  byClick.directoryNull, byClick.show),
                  std::make_tuple(byKey.file, byKey.verb, byKey.owner, byKey.paramsNull, byKey.directoryNull,
                                  byKey.show));
    }
}

TEST_F(KeyboardDialogs, EnterAndEscapePressOnlyAFocusedButtonAndTheFocusComesBackAfterEveryDialog) {
    std::vector<std::wstring> dialogs;
    std::atomic<size_t> shown{0}; // what the user's thread may read of them
    auto answer = [&](const SeenDialog& dialog) {
        dialogs.push_back(dialog.caption + L": " + dialog.text);
        shown = dialogs.size();
        const int id = dialog.caption == L"カラムの編集" ? IDC_COLEDIT_CANCEL
                       : dialog.text.empty()             ? IDCANCEL // the file dialog
                       : dialog.hasYesNo                 ? IDYES
                                                         : IDOK;
        PressButton(dialog.hwnd, id);
    };
    const int exitCode = RunWithKeyboard(
        [&](const Keyboard& kb) {
            HWND update = GetDlgItem(kb.window, IDC_UPDATE);
            auto enterAndEscapeDoNothing = [&](const char* where) {
                kb.Press(VK_RETURN);
                kb.Press(VK_ESCAPE);
                EXPECT_TRUE(IsWindowVisible(kb.window) && IsWindowEnabled(update) && shown == 0) << where;
                EXPECT_EQ(0u, ReadOptionRaw(L"HideCommandBar").AsDword()) << where;
            };
            kb.Press(VK_SPACE); // ticks the focused first check box
            EXPECT_TRUE(IsWindowEnabled(update)) << "Space did not tick the first check box";
            enterAndEscapeDoNothing("on a check box");
            HWND height = kb.MoveTo(kb.Control(kGeneralPage, IDC_GEN_HEIGHT));
            DWORD start = 1, end = 0;
            SendMessageW(height, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
            EXPECT_EQ(0u, start) << "Tab did not select the edit's text";
            EXPECT_EQ(static_cast<DWORD>(GetWindowTextLengthW(height)), end);
            enterAndEscapeDoNothing("in an edit");

            // Update from the keyboard: the focus moves on to Close, not to the window.
            EXPECT_EQ(update, kb.MoveTo(update));
            EXPECT_EQ(BS_DEFPUSHBUTTON, GetWindowLongPtrW(update, GWL_STYLE) & BS_TYPEMASK)
                << "no default border";
            // Each dialog is closed from a timer: what comes after it is waited for.
            auto focusAfter = [&](size_t dialog, HWND expected) {
                return WaitFor([&] { return shown == dialog && kb.Focus() == expected; }, 10000);
            };
            kb.Press(VK_RETURN);
            EXPECT_TRUE(focusAfter(1, GetDlgItem(kb.window, IDC_CLOSE))) << "after Update and its message";
            EXPECT_EQ(1u, ReadOptionRaw(L"HideCommandBar").AsDword());
            EXPECT_EQ(BS_PUSHBUTTON, GetWindowLongPtrW(update, GWL_STYLE) & BS_TYPEMASK)
                << "border left behind";

            // The Column edit dialog, cancelled: back on its button.
            for (int page = kGeneralPage; page < kListView2Page; ++page) {
                kb.Move(VK_TAB, {VK_CONTROL});
            }
            kb.Move(VK_TAB); // 表示形式を固定する -> カラムヘッダを固定する
            kb.Press(VK_SPACE);
            const HWND edit = kb.Move(VK_TAB);
            EXPECT_EQ(kb.Control(kListView2Page, IDC_LV2_EDIT), edit);
            kb.Press(VK_RETURN);
            EXPECT_TRUE(focusAfter(2, edit)) << "after the Column edit dialog";

            // The program picker's file dialog, cancelled: back on 選択..., the path unchanged.
            kb.Move(VK_PRIOR, {VK_CONTROL});
            kb.MoveTo(kb.Control(kListView1Page, IDC_LV1_SHIFT_RET));
            kb.Press(VK_SPACE);
            const HWND browse = kb.MoveTo(kb.Control(kListView1Page, IDC_LV1_FILE_BROWSE));
            const std::wstring path = WindowText(kb.Control(kListView1Page, IDC_LV1_FILE_PROG));
            kb.Press(VK_RETURN);
            EXPECT_TRUE(focusAfter(3, browse)) << "after the file dialog";
            EXPECT_EQ(path, WindowText(kb.Control(kListView1Page, IDC_LV1_FILE_PROG)));

            // Alt+I presses 情報をコピー on the Version page, which keeps the focus after its box.
            kb.Move(VK_NEXT, {VK_CONTROL});
            kb.Move(VK_NEXT, {VK_CONTROL});
            kb.Press('I', {VK_MENU});
            EXPECT_TRUE(focusAfter(4, kb.Control(kVersionPage, IDC_VER_COPY_INFO)))
                << "after the report was copied";

            // Close from the keyboard asks, and Yes ends the program without saving.
            kb.MoveTo(GetDlgItem(kb.window, IDC_CLOSE));
            kb.Press(VK_RETURN);
            WaitFor([&] { return !IsWindow(kb.window); });
        },
        answer);
    EXPECT_EQ(0, exitCode);
    ASSERT_EQ(5u, dialogs.size());
    EXPECT_NE(std::wstring::npos, dialogs[0].find(L"オプション設定を保存しました"));
    EXPECT_EQ(L"カラムの編集: ", dialogs[1]);
    EXPECT_EQ(L"実行ファイルを選択: ", dialogs[2]);
    EXPECT_NE(std::wstring::npos, dialogs[3].find(L"クリップボードにコピーしました"));
    EXPECT_NE(std::wstring::npos, dialogs[4].find(L"変更を保存せずに終了しますか?"));
    EXPECT_EQ(0u, ReadOptionRaw(L"Column").AsDword()) << "Close saved the column tick";
}

// What the user must see of the column list: the selected column, whether it is in view, and
// which of ▲, ▼ and 編集 can be pressed.
std::wstring Selection(const Keyboard& kb) {
    HWND list = kb.Control(kListView2Page, IDC_LV2_COLUMN_LIST);
    const int selected = static_cast<int>(
        SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED | LVNI_FOCUSED));
    RECT bounds = {LVIR_BOUNDS, 0, 0, 0}, client = {}, header = {};
    SendMessageW(list, LVM_GETITEMRECT, selected, reinterpret_cast<LPARAM>(&bounds));
    GetClientRect(list, &client);
    GetClientRect(reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0)), &header);
    const bool inView = bounds.top >= header.bottom && bounds.bottom <= client.bottom;
    std::wstring seen =
        (selected >= 0 ? CellText(list, selected, 0) : L"none") + (inView ? L", in view" : L", out of view");
    for (int id : {IDC_LV2_UP, IDC_LV2_DOWN, IDC_LV2_EDIT}) {
        HWND button = kb.Control(kListView2Page, id);
        seen += L" " + WindowText(button) + (IsWindowEnabled(button) ? L" on" : L" off");
    }
    return seen;
}

// What a user sees of the List view 2 page after an action: the rows, the selection, the focus,
// every control's value and whether it is enabled, and Update.
std::wstring EndState(const Keyboard& kb, bool withFocus = true) {
    HWND page = kb.Page(kListView2Page);
    HWND list = kb.Control(kListView2Page, IDC_LV2_COLUMN_LIST);
    std::wstring state;
    const int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
        const UINT image = static_cast<UINT>(SendMessageW(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK));
        state += (image == INDEXTOSTATEIMAGEMASK(2) ? L"[x] " : L"[ ] ") + CellText(list, row, 0) + L" " +
                 CellText(list, row, 1) + L" " + CellText(list, row, 2) + L"\n";
    }
    state += L"selected: " + Selection(kb) + L"\n";
    if (withFocus) {
        state += L"focus: " + std::to_wstring(GetDlgCtrlID(kb.Focus())) + L"\n";
    }
    for (HWND c = GetWindow(page, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        state += std::to_wstring(GetDlgCtrlID(c)) + (IsWindowEnabled(c) ? L" on " : L" off ") +
                 (IsCheckBox(c) ? (IsChecked(c) ? L"ticked" : L"unticked")
                  : c == list   ? L""
                                : WindowText(c)) +
                 L"\n";
    }
    state += IsWindowEnabled(GetDlgItem(kb.window, IDC_UPDATE)) ? L"Update on" : L"Update off";
    return state;
}

// A point of a row where the list's hit test finds what is wanted, in screen coordinates.
POINT RowPoint(HWND list, int row, UINT wanted, UINT unwanted = 0) {
    SendMessageW(list, LVM_ENSUREVISIBLE, row, FALSE);
    POINT at = RowPointWhere(list, row, wanted, unwanted);
    ClientToScreen(list, &at);
    return at;
}

// Each thing a mouse user does on the List view 2 page, done once with the mouse and once from
// the keyboard, each time from the defaults with the column layout switched on: both must end
// in the same state.
TEST_F(KeyboardParity, EveryActionOnTheColumnPageEndsAlikeFromTheMouseAndFromTheKeyboard) {
    auto answer = [](const SeenDialog& dialog) {
        if (dialog.caption == L"カラムの編集") {
            SetDlgItemTextW(dialog.hwnd, IDC_COLEDIT_WIDTH, L"150");
        }
        PressButton(dialog.hwnd, dialog.caption == L"カラムの編集" ? IDC_COLEDIT_OK
                                 : dialog.hasYesNo                 ? IDYES
                                                                   : IDOK);
    };
    EXPECT_EQ(
        0,
        RunWithKeyboard(
            [](const Keyboard& kb) {
                for (int page = kGeneralPage; page < kListView2Page; ++page) {
                    kb.Move(VK_TAB, {VK_CONTROL});
                }
                HWND list = kb.Control(kListView2Page, IDC_LV2_COLUMN_LIST);
                auto control = [&](int id) { return kb.Control(kListView2Page, id); };
                std::wstring defaults;
                auto fromDefaults = [&] {
                    const int focusBefore = GetDlgCtrlID(kb.Focus());
                    kb.Press('B', {VK_MENU});
                    kb.Press('D');
                    WaitFor([&] { return IsChild(kb.window, kb.Focus()) != FALSE; }, 10000);
                    SendMessageW(control(IDC_LV2_COLUMN), BM_CLICK, 0, 0);
                    if (defaults.empty()) {
                        defaults = EndState(kb, false);
                    }
                    EXPECT_EQ(defaults, EndState(kb, false)) << "no defaults from " << focusBefore;
                };
                auto selectByKeys = [&](int row) {
                    kb.MoveTo(list);
                    kb.Press(VK_HOME);
                    for (int i = 0; i < row; ++i) {
                        kb.Press(VK_DOWN);
                    }
                };
                auto pressByKeys = [&](int id, WORD key) {
                    kb.MoveTo(control(id));
                    kb.Press(key);
                };
                auto waitForDialog = [&] {
                    kb.Settle();
                    WaitFor([&] { return IsChild(kb.window, kb.Focus()) != FALSE; }, 10000);
                    kb.Settle();
                };
                // A row selected, then one of the buttons beside the list pressed.
                auto clickOnRow = [&](int row, int id, bool opensDialog = false) {
                    return [&, row, id, opensDialog] {
                        ClickAtPoint(RowPoint(list, row, LVHT_ONITEMLABEL, LVHT_ONITEMSTATEICON));
                        ClickAt(control(id));
                        if (opensDialog) {
                            waitForDialog();
                        }
                    };
                };
                auto keysOnRow = [&](int row, int id, WORD key, bool opensDialog = false) {
                    return [&, row, id, key, opensDialog] {
                        selectByKeys(row);
                        pressByKeys(id, key);
                        if (opensDialog) {
                            waitForDialog();
                        }
                    };
                };
                const int lastRow = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) - 1;
                // Each end state also on its own: what must be selected and pressable.
                struct Action {
                    const char* name;
                    const wchar_t* seen;
                    std::function<void()> mouse, keys;
                    int keysOn; // the control the keys act on next
                };
                const Action actions[] = {
                    {"tick the last column", L"評価, in view ▲ on ▼ off 編集 on",
                     [&] { ClickAtPoint(RowPoint(list, lastRow, LVHT_ONITEMSTATEICON)); },
                     [&] {
                         kb.MoveTo(list);
                         kb.Press(VK_END);
                         kb.Press(VK_SPACE);
                     },
                     IDC_LV2_COLUMN_LIST},
                    {"untick the second column", L"更新日時, in view ▲ off ▼ off 編集 off",
                     [&] { ClickAtPoint(RowPoint(list, 1, LVHT_ONITEMSTATEICON)); },
                     [&] {
                         selectByKeys(1);
                         kb.Press(VK_SPACE);
                     },
                     IDC_LV2_COLUMN_LIST},
                    {"move the third column up", L"種類, in view ▲ on ▼ on 編集 on",
                     clickOnRow(2, IDC_LV2_UP), keysOnRow(2, IDC_LV2_UP, VK_SPACE), IDC_LV2_COLUMN_LIST},
                    {"move the second column down", L"更新日時, in view ▲ on ▼ on 編集 on",
                     clickOnRow(1, IDC_LV2_DOWN), keysOnRow(1, IDC_LV2_DOWN, VK_SPACE), IDC_LV2_COLUMN_LIST},
                    {"edit the second column with the button", L"更新日時, in view ▲ on ▼ on 編集 on",
                     clickOnRow(1, IDC_LV2_EDIT, true), keysOnRow(1, IDC_LV2_EDIT, VK_RETURN, true),
                     IDC_LV2_COLUMN_LIST},
                    {"edit the second column by a double-click", L"更新日時, in view ▲ on ▼ on 編集 on",
                     [&] {
                         ClickAtPoint(RowPoint(list, 1, LVHT_ONITEMLABEL, LVHT_ONITEMSTATEICON), 2);
                         waitForDialog();
                     },
                     keysOnRow(1, IDC_LV2_EDIT, VK_RETURN, true), IDC_LV2_COLUMN_LIST},
                    {"tick the view mode box", L"名前, in view ▲ off ▼ on 編集 on",
                     [&] { ClickAt(control(IDC_LV2_VIEW_MODE)); },
                     [&] { pressByKeys(IDC_LV2_VIEW_MODE, VK_SPACE); }, IDC_LV2_VIEW_MODE},
                    {"choose the next view mode", L"名前, in view ▲ off ▼ on 編集 on",
                     [&] {
                         ClickAt(control(IDC_LV2_VIEW_MODE));
                         HWND combo = control(IDC_LV2_VIEW_MODE_INDEX);
                         ClickAt(combo);
                         kb.Settle();
                         COMBOBOXINFO info = {};
                         info.cbSize = sizeof(info);
                         GetComboBoxInfo(combo, &info);
                         RECT item = {};
                         SendMessageW(info.hwndList, LB_GETITEMRECT,
                                      SendMessageW(combo, CB_GETCURSEL, 0, 0) + 1,
                                      reinterpret_cast<LPARAM>(&item));
                         MapWindowPoints(info.hwndList, nullptr, reinterpret_cast<POINT*>(&item), 2);
                         ClickAtPoint({(item.left + item.right) / 2, (item.top + item.bottom) / 2});
                     },
                     [&] {
                         pressByKeys(IDC_LV2_VIEW_MODE, VK_SPACE);
                         pressByKeys(IDC_LV2_VIEW_MODE_INDEX, VK_DOWN);
                     },
                     IDC_LV2_VIEW_MODE_INDEX},
                };
                for (const Action& action : actions) {
                    fromDefaults();
                    const std::wstring before = EndState(kb);
                    action.mouse();
                    kb.Settle();
                    const std::wstring byMouse = EndState(kb);
                    EXPECT_EQ(action.seen, Selection(kb)) << action.name << ", by the mouse";
                    EXPECT_EQ(action.keysOn, GetDlgCtrlID(kb.Focus())) << action.name << ", by the mouse";
                    fromDefaults();
                    action.keys();
                    kb.Settle();
                    EXPECT_EQ(action.seen, Selection(kb)) << action.name << ", from the keyboard";
                    EXPECT_EQ(action.keysOn, GetDlgCtrlID(kb.Focus()))
                        << action.name << ", from the keyboard";
                    EXPECT_NE(before, byMouse) << action.name << ": the mouse changed nothing";
                    EXPECT_EQ(byMouse, EndState(kb)) << action.name;
                }
            },
            answer));
}

} // namespace
