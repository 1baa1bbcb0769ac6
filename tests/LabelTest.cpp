#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "ui/ConvexLabelWnd.h"
#include "ui/FontLabelWnd.h"
#include "ui/UrlLabelWnd.h"
#include "win32/Handles.h"

namespace {

constexpr COLORREF kCanvas = RGB(0, 255, 0);

// A rendering of a label into a memory bitmap that starts as the canvas colour.
class Canvas {
public:
    Canvas(int width, int height) : m_width(width), m_height(height) {
        HDC screen = GetDC(nullptr);
        m_dc = CreateCompatibleDC(screen);
        m_bitmap = CreateCompatibleBitmap(screen, width, height);
        ReleaseDC(nullptr, screen);
        m_previous = SelectObject(m_dc, m_bitmap);
        RECT all = {0, 0, width, height};
        UniqueHbrush brush(CreateSolidBrush(kCanvas));
        FillRect(m_dc, &all, brush.get());
    }
    ~Canvas() {
        SelectObject(m_dc, m_previous);
        DeleteObject(m_bitmap);
        DeleteDC(m_dc);
    }
    HDC dc() const { return m_dc; }
    int Count(COLORREF color, int left = 0, int right = -1) const {
        return CountPixels(m_dc, {left, 0, right < 0 ? m_width : right, m_height}, color).Total();
    }

private:
    int m_width;
    int m_height;
    HDC m_dc;
    HBITMAP m_bitmap;
    HGDIOBJ m_previous;
};

class LabelTest : public testing::Test {
protected:
    void SetUp() override {
        host = CreateWindowW(L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 400, 100, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    }
    void TearDown() override { DestroyWindow(host); }

    HWND MakeStatic(const wchar_t* text, DWORD style = 0) {
        return CreateWindowW(L"STATIC", text, WS_CHILD | WS_VISIBLE | style, 0, 0, kWidth, kHeight, host,
                             nullptr, GetModuleHandleW(nullptr), nullptr);
    }

    static constexpr int kWidth = 300;
    static constexpr int kHeight = 60;
    HWND host = nullptr;
};

TEST_F(LabelTest, LongLinkTextsAreCutToTheTargetBuffer) {
    CUrlLabelWnd label;
    HWND control = MakeStatic(L"");
    ASSERT_TRUE(label.Attach(control));
    wchar_t target[CUrlLabelWnd::kTargetChars];

    const std::wstring mail = L"aaaa@" + std::wstring(300, L'b');
    SetWindowTextW(control, mail.c_str());
    label.BuildTarget(target);
    EXPECT_EQ(L"mailto:" + mail.substr(0, 252), target);

    // The at sign must be within what the label reads of its text.
    const std::wstring late = std::wstring(300, L'c') + L"@example.com";
    SetWindowTextW(control, late.c_str());
    label.BuildTarget(target);
    EXPECT_EQ(late.substr(0, 259), target);

    const std::wstring web = L"https://" + std::wstring(400, L'w');
    SetWindowTextW(control, web.c_str());
    label.BuildTarget(target);
    EXPECT_EQ(web.substr(0, 259), target);

    // Painting such a text reads only what its buffer holds.
    Canvas canvas(kWidth, kHeight);
    label.DrawLabel(canvas.dc(), label.m_crText);
    label.Detach();
}

TEST_F(LabelTest, LabelGrowsToFitItsLargeFontWithoutMoving) {
    CConvexLabelWnd label;
    HWND control = CreateWindowW(L"STATIC", L"Travine", WS_CHILD | WS_VISIBLE, 30, 20, 40, 10, host, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(label.Attach(control));
    label.SetPointSize(22);
    label.GrowToFitText(4);
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, host, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(30, rect.left);
    EXPECT_EQ(20, rect.top);
    EXPECT_GT(rect.bottom - rect.top, -label.m_logFont.lfHeight);
    EXPECT_GT(rect.right - rect.left, 40);
    label.Detach();
}

} // namespace
