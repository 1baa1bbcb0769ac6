#include <gtest/gtest.h>

#include "TestSupport.h"
#include "ui/SubclassWnd.h"

namespace {

constexpr UINT kProbe = WM_APP + 1;
constexpr LRESULT kControlAnswer = 1234;
int controlSawProbe = 0;

LRESULT CALLBACK ProbeControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kProbe) {
        ++controlSawProbe;
        return kControlAnswer;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

class ProbeWnd : public CSubclassWnd {
public:
    uint64_t answer = kPassOn;
    LRESULT result = 0;
    int probes = 0;
    int attaches = 0;
    int detaches = 0;
    int destroys = 0;

    uint64_t OnMessage(HWND, UINT message, WPARAM, LPARAM) override {
        if (message == WM_DESTROY) {
            ++destroys;
        }
        if (message != kProbe) {
            return kPassOn;
        }
        ++probes;
        m_lResult = result;
        return answer;
    }
    void OnAttach() override { ++attaches; }
    void OnDetach() override { ++detaches; }
    bool IsSubclassed(HWND hwnd) const { return CarriesOurSubclass(hwnd); }
};

class SubclassWndTest : public testing::Test {
protected:
    void SetUp() override {
        control = CreateTestWindow(L"TravineProbeControl", ProbeControlProc, WS_POPUP, 10, 10);
        ASSERT_NE(nullptr, control);
        controlSawProbe = 0;
    }
    void TearDown() override {
        if (IsWindow(control)) {
            DestroyWindow(control);
        }
    }
    HWND control = nullptr;
};

// Attaching twice installs one subclass, and null is refused; a second wrapper on the same window
// is a subclass of its own, which outlives the first one's detaching.
TEST_F(SubclassWndTest, EachWrapperInstallsOneSubclassOfItsOwn) {
    ProbeWnd first, second;
    EXPECT_FALSE(first.Attach(nullptr));
    EXPECT_EQ(0, first.attaches);
    EXPECT_TRUE(first.Attach(control));
    EXPECT_TRUE(first.Attach(control));
    EXPECT_EQ(2, first.attaches);
    EXPECT_EQ(control, first.GetHwnd());
    ASSERT_TRUE(second.Attach(control));
    SendMessageW(control, kProbe, 0, 0);
    EXPECT_EQ(1, first.probes);
    EXPECT_EQ(1, second.probes);
    first.Detach();
    EXPECT_EQ(nullptr, first.GetHwnd());
    EXPECT_FALSE(first.IsSubclassed(control));
    EXPECT_TRUE(second.IsSubclassed(control));
    EXPECT_EQ(kControlAnswer, SendMessageW(control, kProbe, 0, 0));
    EXPECT_EQ(1, first.probes);
    EXPECT_EQ(2, second.probes);
    second.Detach();
    EXPECT_FALSE(second.IsSubclassed(control));
}

TEST_F(SubclassWndTest, DestroyedControlLeavesTheWrapperDetached) {
    auto* wrapper = new ProbeWnd();
    ASSERT_TRUE(wrapper->Attach(control));
    DestroyWindow(control);
    EXPECT_EQ(1, wrapper->destroys);
    EXPECT_EQ(1, wrapper->detaches); // told on WM_DESTROY
    EXPECT_EQ(nullptr, wrapper->GetHwnd());
    wrapper->Detach();
    EXPECT_EQ(1, wrapper->detaches);
    delete wrapper;
}

TEST_F(SubclassWndTest, ResultFlagsDecideWhoAnswers) {
    ProbeWnd wrapper;
    ASSERT_TRUE(wrapper.Attach(control));

    wrapper.answer = CSubclassWnd::kPassOn;
    EXPECT_EQ(kControlAnswer, SendMessageW(control, kProbe, 0, 0));
    EXPECT_EQ(1, controlSawProbe);

    wrapper.answer = CSubclassWnd::kSwallow;
    wrapper.result = 0;
    EXPECT_EQ(0, SendMessageW(control, kProbe, 0, 0));
    EXPECT_EQ(1, controlSawProbe);

    wrapper.answer = CSubclassWnd::kHandled;
    wrapper.result = 77;
    EXPECT_EQ(0, SendMessageW(control, kProbe, 0, 0)); // handled without the stored result
    EXPECT_EQ(1, controlSawProbe);

    wrapper.answer = CSubclassWnd::kUseResult;
    EXPECT_EQ(77, SendMessageW(control, kProbe, 0, 0)); // stored result, control still sees it
    EXPECT_EQ(2, controlSawProbe);
    wrapper.Detach();
}

} // namespace
