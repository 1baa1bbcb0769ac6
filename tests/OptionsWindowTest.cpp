#include "OptionsWindowFixture.h"

#include <functional>
#include <iterator>
#include <vector>

#include "win32/MessageBoxes.h"

namespace {

class OptionsWindowTest : public OptionsWindowFixture {
protected:
    int VisiblePage() const {
        for (int id = kSetupPage; id < kPageCount; ++id) {
            if (IsWindowVisible(FindPageWindow(id))) {
                return id;
            }
        }
        return -1;
    }
    HWND Tab() const { return GetDlgItem(window, IDC_TAB); }
};

TEST_F(OptionsWindowTest, StartsUnchangedOnSetupUntilTheExtensionIsRegisteredThenOnGeneral) {
    const wchar_t* const captions[] = {L"\u3000セットアップ\u3000",  L"\u3000\u3000 全般 \u3000\u3000",
                                       L"\u3000ツリービュー\u3000",  L"\u3000リストビュー1\u3000",
                                       L"\u3000リストビュー2\u3000", L"\u3000バージョン情報\u3000"};
    for (int page : {kSetupPage, kGeneralPage}) {
        if (page == kGeneralPage) {
            Close();
            FakeExtensionRegistration();
        }
        Open();
        EXPECT_FALSE(UpdateEnabled());
        EXPECT_EQ(page, VisiblePage());
        EXPECT_EQ(page, SendMessageW(Tab(), TCM_GETCURSEL, 0, 0));
        EXPECT_EQ(window, FindWindowW(L"TravineOptionDlgClass", nullptr));
        EXPECT_EQ(L"オプション - Travine  for Windows 10/11", WindowText(window));
        EXPECT_TRUE(IsWindowVisible(window));
        // The focus on the page's first control; a push button there is the one Enter presses.
        const int first = page == kSetupPage ? IDC_SETUP_REGISTER : IDC_GEN_HIDE_CMDBAR;
        EXPECT_EQ(Control(page, first), GetFocus());
        EXPECT_EQ(page == kSetupPage ? BS_DEFPUSHBUTTON : BS_AUTOCHECKBOX,
                  GetWindowLongPtrW(GetFocus(), GWL_STYLE) & BS_TYPEMASK);
        ASSERT_EQ(6, SendMessageW(Tab(), TCM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(captions[i], TabText(Tab(), i)) << i;
            EXPECT_EQ(i, tabSheetMgr->FindPage(i));
        }
    }
}

// Close asks only while something is unsaved: at once without changes (close box and button),
// a question after a change, whose No keeps everything, still after a failed save, and none after
// Update. (Yes, saving nothing, is the keyboard test's last step.)
TEST_F(OptionsWindowTest, CloseAsksOnlyWhileSomethingIsUnsaved) {
    for (bool box : {true, false}) {
        Open();
        DialogResponder responder = DialogResponder::Answering(IDNO);
        box ? static_cast<void>(SendMessageW(window, WM_CLOSE, 0, 0)) : PressButton(window, L"閉じる");
        EXPECT_FALSE(IsWindow(window));
        EXPECT_TRUE(responder.seen.empty());
        Close();
    }
    Open();
    Click(kTreeViewPage, IDC_TREE_HAS_LINES);
    {
        DialogResponder responder = DialogResponder::Answering(IDNO);
        SendMessageW(window, WM_CLOSE, 0, 0);
        ASSERT_EQ(1u, responder.seen.size());
        EXPECT_EQ(L"変更を保存せずに終了しますか?", responder.seen[0].text);
        EXPECT_EQ(kAppCaption, responder.seen[0].caption);
    }
    EXPECT_TRUE(IsWindow(window) && UpdateEnabled() && Checked(kTreeViewPage, IDC_TREE_HAS_LINES));
    {
        FailingRegistryWrites failing;
        const std::vector<SeenDialog> failed = PressUpdate();
        ASSERT_EQ(1u, failed.size());
        EXPECT_EQ(L"オプション設定の保存に失敗しました", failed[0].text);
        EXPECT_TRUE(UpdateEnabled());
    }

    const std::vector<SeenDialog> seen = PressUpdate();
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(L"オプション設定を保存しました。\n\n設定を反映させるためには、全てのエクスプローラを終了させて"
              L"ください。",
              seen[0].text);
    EXPECT_FALSE(UpdateEnabled());
    EXPECT_EQ(1u, ReadOptionRaw(L"HasLines").AsDword());
    DialogResponder responder = DialogResponder::Answering(IDNO);
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(responder.seen.empty());
    EXPECT_FALSE(IsWindow(window));
}

// Each kind of edit counts as a change as its control reports it: a tick, a choice in a
// drop-down list made with an arrow key, typing.
TEST_F(OptionsWindowTest, EveryKindOfEditEnablesUpdate) {
    Open();
    Click(kGeneralPage, IDC_GEN_HIDE_CMDBAR);
    Click(kGeneralPage, IDC_GEN_PREVENT_DRAG);
    ASSERT_EQ(1u, PressUpdate().size());
    const std::function<void()> edits[] = {
        [] { Click(kTreeViewPage, IDC_TREE_HAS_LINES); },
        [] { SendMessageW(Control(kGeneralPage, IDC_GEN_DRAG_TYPE), WM_KEYDOWN, VK_UP, 0); },
        [] { Type(kGeneralPage, IDC_GEN_HEIGHT, L"3"); },
    };
    for (size_t i = 0; i < std::size(edits); ++i) {
        EXPECT_FALSE(UpdateEnabled());
        edits[i]();
        EXPECT_TRUE(UpdateEnabled()) << "edit " << i;
        ASSERT_EQ(1u, PressUpdate().size());
    }
    EXPECT_EQ(1u, ReadOptionRaw(L"PreventDragType").AsDword());
}

// Sign-out or a restart is held, with the reason the blocked-shutdown screen shows, exactly while
// edits are unsaved, and answered at once with no box; a cancelled sign-out changes nothing.
TEST_F(OptionsWindowTest, TheEndOfTheSessionIsHeldOnlyWhileEditsAreUnsaved) {
    SystemCallRecorder calls;
    Open();
    DialogResponder responder = DialogResponder::Answering(IDYES);
    const auto query = [this] { return SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF); };
    EXPECT_EQ(TRUE, query());
    SetWindowTextW(Control(kGeneralPage, IDC_GEN_HEIGHT), L"37");
    EXPECT_EQ(FALSE, query());
    SendMessageW(window, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
    EXPECT_EQ(L"未保存の変更があります", calls.blockReasons[window]);
    EXPECT_TRUE(responder.seen.empty());
    EXPECT_TRUE(IsWindow(window) && UpdateEnabled());
    EXPECT_EQ(L"37", WindowText(Control(kGeneralPage, IDC_GEN_HEIGHT)));
    PressUpdate();
    EXPECT_EQ(TRUE, query());
    EXPECT_EQ(0u, calls.blockReasons.count(window));
}

TEST_F(OptionsWindowTest, HelpOpensThePageBesideTheProgram) {
    SystemCallRecorder calls;
    Open();
    PressButton(window, L"ヘルプ...");
    ASSERT_EQ(1u, calls.shellCalls.size());
    const SystemCallRecorder::ShellCall& help = calls.shellCalls[0];
    EXPECT_EQ(nullptr, help.owner);
    EXPECT_EQ(L"open", help.verb);
    EXPECT_EQ(0, lstrcmpiW((ProgramFolder() + L"Help\\option.htm").c_str(), help.file.c_str()));
    EXPECT_TRUE(help.paramsNull);
    EXPECT_TRUE(help.directoryNull);
    EXPECT_EQ(SW_SHOWNORMAL, help.show);
    EXPECT_FALSE(UpdateEnabled());
}

TEST(HelpPath, IsBuiltBesideTheProgramOrNotAtAll) {
    wchar_t out[324];
    EXPECT_TRUE(BuildHelpPath(L"C:\\Program Files\\Travine\\Travine11.exe", out, 324));
    EXPECT_STREQ(L"C:\\Program Files\\Travine\\Help\\option.htm", out);

    std::wstring deep = L"C:\\" + std::wstring(305, L'd') + L"\\Travine11.exe";
    EXPECT_TRUE(deep.size() < 324);
    EXPECT_FALSE(BuildHelpPath(deep.c_str(), out, 324));
    EXPECT_STREQ(L"", out);

    wchar_t tiny[8];
    EXPECT_FALSE(BuildHelpPath(L"C:\\a\\b.exe", tiny, 8));
}

} // namespace
