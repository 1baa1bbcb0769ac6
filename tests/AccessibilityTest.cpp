// What users of a high-contrast scheme and of a screen reader get. Wine refuses the high-contrast
// flag and stubs the annotation service, so the flag is reported and the names are recorded
// through the system-call seam; the scheme's colours themselves are real (SetSysColors), and
// the pages are judged by their pixels as they are on screen.
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <gtest/gtest.h>
#include <uxtheme.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "OptionsWindowFixture.h"
#include "TestSupport.h"
#include "pages/PageBinding.h"

namespace {

// Windows' "High Contrast Black", set while alive. Windows also turns visual styles off while a
// high-contrast scheme is on, so that the controls draw in the scheme's colours; Wine keeps its
// theme, so the test turns it off for the program's windows as Windows would.
class HighContrastColours {
public:
    explicit HighContrastColours(HWND window) : m_window(window) {
        for (int element : m_elements) {
            m_saved.push_back(GetSysColor(element));
        }
        Apply(L" ", m_colours);
    }
    ~HighContrastColours() { Apply(nullptr, m_saved.data()); }

private:
    void Apply(const wchar_t* theme, const COLORREF* colours) {
        auto setTheme = [](HWND control, LPARAM name) {
            SetWindowTheme(control, reinterpret_cast<LPCWSTR>(name), reinterpret_cast<LPCWSTR>(name));
            return TRUE;
        };
        setTheme(m_window, reinterpret_cast<LPARAM>(theme));
        EnumChildWindows(m_window, setTheme, reinterpret_cast<LPARAM>(theme));
        SetSysColors(static_cast<int>(std::size(m_elements)), m_elements, colours);
    }

    HWND m_window;
    const int m_elements[12] = {COLOR_WINDOW,       COLOR_WINDOWTEXT, COLOR_BTNFACE,    COLOR_BTNTEXT,
                                COLOR_GRAYTEXT,     COLOR_HOTLIGHT,   COLOR_HIGHLIGHT,  COLOR_HIGHLIGHTTEXT,
                                COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW,  COLOR_3DDKSHADOW, COLOR_3DLIGHT};
    const COLORREF m_colours[12] = {RGB(0, 0, 0),       RGB(255, 255, 255), RGB(0, 0, 0),
                                    RGB(255, 255, 255), RGB(63, 242, 63),   RGB(255, 255, 0),
                                    RGB(26, 235, 255),  RGB(0, 0, 0),       RGB(255, 255, 255),
                                    RGB(128, 128, 128), RGB(255, 255, 255), RGB(192, 192, 192)};
    std::vector<COLORREF> m_saved;
};

double Luminance(COLORREF colour) {
    auto channel = [](int value) {
        const double c = value / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(GetRValue(colour)) + 0.7152 * channel(GetGValue(colour)) +
           0.0722 * channel(GetBValue(colour));
}

double ContrastRatio(COLORREF a, COLORREF b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

std::wstring ClassOf(HWND control) {
    wchar_t name[64] = {};
    GetClassNameW(control, name, static_cast<int>(std::size(name)));
    return name;
}

// The part of a control where its text is drawn, in screen coordinates: without the frame of a
// button, an edit or a drop-down, and without a check box's square.
RECT TextArea(HWND control) {
    RECT area;
    GetWindowRect(control, &area);
    const std::wstring cls = ClassOf(control);
    const LONG_PTR type = GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
    if (cls == L"Button" && (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX)) {
        area.left += 16;
    } else if (cls == L"Button" && type == BS_GROUPBOX) {
        area.bottom = area.top + 12; // the caption on the frame's top edge
    } else if (cls != L"Static") {
        InflateRect(&area, -3, -3);
        if (cls == L"ComboBox") {
            area.right -= 18;
        }
    }
    return area;
}

// A GDI capture of the screen.
class ScreenCapture {
public:
    ScreenCapture() : m_width(GetSystemMetrics(SM_CXSCREEN)), m_height(GetSystemMetrics(SM_CYSCREEN)) {
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = m_width;
        info.bmiHeader.biHeight = -m_height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, m_width, m_height, screen, 0, 0, SRCCOPY);
        GdiFlush();
        const auto* pixels = static_cast<const DWORD*>(bits);
        m_pixels.assign(pixels, pixels + static_cast<size_t>(m_width) * m_height);
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
    }
    COLORREF At(int x, int y) const {
        if (x < 0 || y < 0 || x >= m_width || y >= m_height) {
            return CLR_INVALID;
        }
        const DWORD p = m_pixels[static_cast<size_t>(y) * m_width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }

private:
    int m_width, m_height;
    std::vector<DWORD> m_pixels;
};

// The colours of an area, each with how often it shows; the most common is the background.
std::map<COLORREF, int> Colours(const ScreenCapture& screen, const RECT& area, COLORREF* background) {
    std::map<COLORREF, int> counts;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            ++counts[screen.At(x, y)];
        }
    }
    *background = std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
                      return a.second < b.second;
                  })->first;
    return counts;
}

// The text's contrast in an area against its background: the text's strokes are the quarter of
// the other pixels that stand out most (the rest are smoothed edges). 0 when nothing stands out.
double TextContrast(const ScreenCapture& screen, const RECT& area, COLORREF* ink = nullptr) {
    COLORREF background = 0;
    const std::map<COLORREF, int> counts = Colours(screen, area, &background);
    std::vector<std::pair<double, COLORREF>> strokes; // contrast, colour: one per pixel
    for (const auto& [colour, count] : counts) {
        if (colour != background) {
            strokes.insert(strokes.end(), static_cast<size_t>(count),
                           {ContrastRatio(colour, background), colour});
        }
    }
    if (strokes.size() < 3) {
        return 0;
    }
    std::sort(strokes.rbegin(), strokes.rend());
    const auto& quarter = strokes[strokes.size() / 4];
    if (ink != nullptr) {
        *ink = quarter.second;
    }
    return quarter.first;
}

class AccessibilityTest : public OptionsWindowFixture {
protected:
    void ShowPage(int page) {
        tabSheetMgr->SelectPage(tabSheetMgr->FindPage(page));
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpFor(30);
    }
    // Every check box ticked or unticked, and with them the controls that follow them.
    void SetMasters(bool on) {
        for (int pass = 0; pass < 2; ++pass) { // a box enabled by another comes in the second pass
            for (int page = kSetupPage; page < kPageCount; ++page) {
                for (HWND c = GetWindow(FindPageWindow(page), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                    if ((GetWindowLongPtrW(c, GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX &&
                        ClassOf(c) == L"Button" && IsWindowEnabled(c) &&
                        (SendMessageW(c, BM_GETCHECK, 0, 0) == BST_CHECKED) != on) {
                        SendMessageW(c, BM_CLICK, 0, 0);
                    }
                }
            }
        }
        PumpFor(20);
    }
    SystemCallRecorder recorder;
};

TEST_F(AccessibilityTest, EveryTextIsReadableInAHighContrastSchemeAndTheNormalColoursStayWithout) {
    Open();
    // Switched on while the window is open, as a user does it: the flag, then the colours.
    recorder.highContrast = true;
    HighContrastColours scheme(window);
    PumpFor(50);
    for (bool dependentsOn : {true, false}) {
        SetMasters(dependentsOn);
        for (int page = kSetupPage; page < kPageCount; ++page) {
            ShowPage(page);
            const ScreenCapture screen;
            int judged = 0;
            for (HWND c = GetWindow(FindPageWindow(page), GW_CHILD); c != nullptr;
                 c = GetWindow(c, GW_HWNDNEXT)) {
                const LONG_PTR style = GetWindowLongPtrW(c, GWL_STYLE);
                const std::wstring cls = ClassOf(c);
                if (WindowText(c).empty() || (cls == L"Static" && (style & SS_TYPEMASK) == SS_ICON) ||
                    cls == L"SysListView32") {
                    continue;
                }
                COLORREF ink = 0;
                const double ratio = TextContrast(screen, TextArea(c), &ink);
                EXPECT_GE(ratio, 4.5)
                    << "page " << page << ", control " << GetDlgCtrlID(c) << " ("
                    << testing::PrintToString(WindowText(c)) << "), "
                    << (IsWindowEnabled(c) ? "enabled" : "disabled") << ", ink " << std::hex << ink;
                ++judged;
            }
            EXPECT_GT(judged, 2) << "page " << page;
        }
    }
    // Switched off while the window is open: the program's own colours come back.
    recorder.highContrast = false;
    SendMessageW(window, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    ShowPage(kGeneralPage);
    EXPECT_GT(CountPixels(FindPageWindow(kGeneralPage), RGB(246, 246, 246)).Total(), 10000);
    EXPECT_GT(CountPixels(generalHintLabel->GetHwnd(), RGB(24, 24, 160)).Total(), 20);
    // And on again, by a change of the system colours alone.
    recorder.highContrast = true;
    SendMessageW(window, WM_SYSCOLORCHANGE, 0, 0);
    ShowPage(kGeneralPage);
    EXPECT_EQ(0, CountPixels(generalHintLabel->GetHwnd(), RGB(24, 24, 160)).Total());
}

// No control of a page or of the bottom row lies over another, so a click at its centre reaches
// it, and every text, the templates' own and those the program sets, fits its control in the
// stand-in font, with every box ticked. Where the ink lies and in which colour, the approved
// pictures judge.
TEST_F(AccessibilityTest, EveryControlIsReachableAndItsTextFits) {
    Open();
    SetMasters(true);
    std::map<HWND, const LOGFONTW*> ownFonts;
    for (CFontLabelWnd* label : std::initializer_list<CFontLabelWnd*>{generalHintLabel, titleLabel,
                                                                      versionLabel, mailLabel, webLabel}) {
        ownFonts[label->GetHwnd()] = &label->m_logFont;
    }
    for (int page = kSetupPage; page < kPageCount; ++page) {
        ShowPage(page);
        std::vector<HWND> controls;
        for (HWND parent : {FindPageWindow(page), window}) {
            for (HWND c = GetWindow(parent, GW_CHILD); c != nullptr && (parent != window || page == 0);
                 c = GetWindow(c, GW_HWNDNEXT)) {
                controls.push_back(c); // the bottom row once, with the first page
            }
        }
        auto frame = [](HWND c) { // a group box only frames others, and the tab control holds the pages
            return GetDlgCtrlID(c) == IDC_TAB ||
                   (ClassOf(c) == L"Button" &&
                    (GetWindowLongPtrW(c, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX);
        };
        for (HWND c : controls) {
            RECT rect;
            GetWindowRect(c, &rect);
            const POINT centre = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
            const auto top = std::find_if(controls.begin(), controls.end(), [&](HWND other) {
                RECT area;
                GetWindowRect(other, &area);
                return GetParent(other) == GetParent(c) && IsWindowVisible(other) && !frame(other) &&
                       PtInRect(&area, centre);
            });
            EXPECT_TRUE(frame(c) || !IsWindowVisible(c) || c == *top)
                << "page " << page << ": control " << GetDlgCtrlID(c) << " lies under " << GetDlgCtrlID(*top);
            const std::wstring cls = ClassOf(c);
            const LONG_PTR style = GetWindowLongPtrW(c, GWL_STYLE);
            if (WindowText(c).empty() || cls == L"Edit" || cls == L"SysListView32" ||
                (cls == L"Static" && (style & SS_TYPEMASK) == SS_ICON)) {
                continue;
            }
            const auto own = ownFonts.find(c);
            ExpectTextFits(c, own != ownFonts.end() ? own->second : nullptr);
        }
    }
}

// The name a screen reader announces, by the platform's documented rule: the annotation if
// there is one; a button's, check box's or link's own text; otherwise the static text found
// walking back through the z-order, a tab stop ending the search.
std::wstring AccessibleName(HWND control, const std::map<HWND, std::wstring>& annotations) {
    const auto annotated = annotations.find(control);
    if (annotated != annotations.end()) {
        return annotated->second;
    }
    const std::wstring cls = ClassOf(control);
    if (cls == L"Button" || cls == L"Static") {
        return WindowText(control);
    }
    for (HWND before = GetWindow(control, GW_HWNDPREV); before != nullptr;
         before = GetWindow(before, GW_HWNDPREV)) {
        const LONG_PTR style = GetWindowLongPtrW(before, GWL_STYLE);
        if (ClassOf(before) == L"Static" && (style & SS_TYPEMASK) != SS_ICON && (style & WS_TABSTOP) == 0) {
            return WindowText(before);
        }
        if ((style & WS_TABSTOP) != 0) {
            break;
        }
    }
    return L"";
}

TEST_F(AccessibilityTest, EveryControlHasANameOfItsOwnOnItsPage) {
    Open();
    ASSERT_TRUE(PumpUntil([&] { return !recorder.accessibleNames.empty(); })) << "nothing was annotated";
    for (int page = kSetupPage; page < kPageCount; ++page) {
        std::map<std::wstring, int> names; // name -> control id
        auto add = [&](HWND control) {
            const std::wstring name = AccessibleName(control, recorder.accessibleNames);
            const int id = GetDlgCtrlID(control);
            EXPECT_FALSE(name.empty()) << "page " << page << ": control " << id << " has no name";
            EXPECT_EQ(std::wstring::npos, name.find_first_of(L"▲▼"))
                << "control " << id << " is read as a glyph";
            const auto [at, added] = names.emplace(name, id);
            EXPECT_TRUE(added) << "page " << page << ": " << id << " and " << at->second << " are both "
                               << testing::PrintToString(name);
        };
        for (HWND c = GetWindow(FindPageWindow(page), GW_CHILD); c != nullptr;
             c = GetWindow(c, GW_HWNDNEXT)) {
            if ((GetWindowLongPtrW(c, GWL_STYLE) & WS_TABSTOP) != 0) {
                add(c);
            }
        }
        for (int id : {IDC_HELP_BUTTON, IDC_BACKUP, IDC_UPDATE, IDC_CLOSE}) {
            add(GetDlgItem(window, id));
        }
    }
    // The words a screen reader must say for the controls that carry no text of their own, and
    // for the twins that would otherwise sound alike: what their labels say to a sighted user.
    const struct {
        int page, id;
        const wchar_t* name;
    } kSpoken[] = {
        {kGeneralPage, IDC_GEN_HEIGHT, L"ツールバーの高さの微調整："},
        {kGeneralPage, IDC_GEN_DRAG_TYPE, L"対象のマウスボタン："},
        {kListView1Page, IDC_LV1_DRIVE_LETTER, L"選択するドライブ："},
        {kListView1Page, IDC_LV1_FILE_PROG, L"ファイルが選択された場合のプログラム"},
        {kListView1Page, IDC_LV1_FILE_BROWSE, L"ファイルが選択された場合のプログラムを選択..."},
        {kListView1Page, IDC_LV1_FILE_ARG, L"ファイルが選択された場合の引数"},
        {kListView1Page, IDC_LV1_FLDR_PROG, L"フォルダが選択された場合のプログラム"},
        {kListView1Page, IDC_LV1_FLDR_BROWSE, L"フォルダが選択された場合のプログラムを選択..."},
        {kListView1Page, IDC_LV1_FLDR_ARG, L"フォルダが選択された場合の引数"},
        {kListView2Page, IDC_LV2_VIEW_MODE_INDEX, L"表示形式"},
        {kListView2Page, IDC_LV2_VIEW_MODE_EF, L"表示形式の例外フォルダ"},
        {kListView2Page, IDC_LV2_COLUMN_LIST, L"カラム構成"},
        {kListView2Page, IDC_LV2_COLUMN_EF, L"カラムヘッダの例外フォルダ"},
        {kListView2Page, IDC_LV2_UP, L"カラムを上へ移動"},
        {kListView2Page, IDC_LV2_DOWN, L"カラムを下へ移動"},
    };
    for (const auto& spoken : kSpoken) {
        EXPECT_EQ(spoken.name, AccessibleName(Control(spoken.page, spoken.id), recorder.accessibleNames))
            << "page " << spoken.page << ", control " << spoken.id;
    }
    // The links are announced as links, with the action they offer: Microsoft's word for a link's
    // ("Jump"), as a Japanese Windows says it. No other control claims a role of its own.
    const std::map<HWND, std::pair<LONG, std::wstring>> links = {
        {Control(kVersionPage, IDC_VER_MAIL), {ROLE_SYSTEM_LINK, L"ジャンプ"}},
        {Control(kVersionPage, IDC_VER_WEB), {ROLE_SYSTEM_LINK, L"ジャンプ"}}};
    EXPECT_EQ(links, recorder.accessibleRoles);
    Close();
    EXPECT_TRUE(recorder.accessibleNames.empty()) << "names left on destroyed controls";
    EXPECT_TRUE(recorder.accessibleRoles.empty()) << "roles left on destroyed controls";
}

} // namespace
