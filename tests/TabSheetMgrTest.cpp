#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "TestSupport.h"
#include "resource.h"
#include "ui/TabSheetMgr.h"

namespace {

int parentSawSelChange = 0;
CTabSheetMgr* managerUnderTest = nullptr;
int foundWhileDestroying = -2;

LRESULT CALLBACK ParentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY &&
        reinterpret_cast<const NMHDR*>(lParam)->code == static_cast<UINT>(TCN_SELCHANGE)) {
        ++parentSawSelChange;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM, LPARAM) {
    if (message == WM_DESTROY && managerUnderTest != nullptr &&
        managerUnderTest->PageAt(managerUnderTest->FindPage(3)) == page) {
        foundWhileDestroying = managerUnderTest->FindPage(3);
    }
    return FALSE;
}

class TabSheetMgrTest : public testing::Test {
protected:
    void SetUp() override {
        parent = CreateTestWindow(L"TravineTabHost", ParentProc, WS_POPUP | WS_VISIBLE, 600, 450);
        tab = CreateWindowW(WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 5, 5, 580, 400,
                            parent, nullptr, GetModuleHandleW(nullptr), nullptr);
        manager = new CTabSheetMgr();
        managerUnderTest = manager;
        manager->Init(parent, tab, PageProc, 6);
        parentSawSelChange = 0;
    }
    void TearDown() override {
        if (manager != nullptr) {
            manager->Destroy();
            delete manager;
        }
        managerUnderTest = nullptr;
        if (IsWindow(parent)) {
            DestroyWindow(parent);
        }
    }

    void AddSix() {
        const int templates[] = {IDD_SETUP,     IDD_GENERAL,   IDD_TREEVIEW,
                                 IDD_LISTVIEW1, IDD_LISTVIEW2, IDD_VERSION};
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(i, manager->AddPage(i, templates[i], L"page"));
        }
    }

    int ChildCount() const {
        int children = 0;
        EnumChildWindows(
            parent, [](HWND, LPARAM count) { return ++*reinterpret_cast<int*>(count), TRUE; },
            reinterpret_cast<LPARAM>(&children));
        return children;
    }
    int TabCount() const { return static_cast<int>(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0)); }
    int VisiblePage() const {
        int visible = -1;
        for (int i = 0; i < manager->GetPageCount(); ++i) {
            if (IsWindowVisible(manager->PageAt(i))) {
                EXPECT_EQ(-1, visible) << "two pages visible";
                visible = i;
            }
        }
        return visible;
    }

    HWND parent = nullptr;
    HWND tab = nullptr;
    CTabSheetMgr* manager = nullptr;
};

// A template that cannot be made takes its tab back; a seventh page on a capacity of six adds
// nothing; a page never added is not found; a second manager on the same tab stays unbound.
TEST_F(TabSheetMgrTest, PagesThatCannotBeHeldAddNothing) {
    EXPECT_EQ(0, manager->AddPage(7, 9999, L"no such template"));
    EXPECT_EQ(0, TabCount());
    AddSix();
    EXPECT_EQ(L"page", TabText(tab, 5));
    const int children = ChildCount();
    EXPECT_EQ(0, manager->AddPage(6, IDD_TREEVIEW, L"seventh"));
    EXPECT_EQ(children, ChildCount());
    EXPECT_EQ(6, TabCount());
    EXPECT_EQ(6, manager->GetPageCount());
    EXPECT_EQ(-1, manager->FindPage(42));
    EXPECT_EQ(nullptr, manager->FindPageWindow(42));
    EXPECT_EQ(4, manager->FindPage(4));
    CTabSheetMgr second;
    second.Init(parent, tab, PageProc, 6);
    EXPECT_EQ(0, second.AddPage(0, IDD_TREEVIEW, L"x"));
    EXPECT_EQ(6, TabCount());
}

// One page shows at a time, chosen by the program or by a click on its tab, which the parent
// still hears of; a page that is not there changes nothing.
TEST_F(TabSheetMgrTest, SelectingOrClickingATabShowsItsPageAlone) {
    AddSix();
    EXPECT_EQ(-1, VisiblePage());
    manager->SelectPage(1);
    EXPECT_EQ(1, VisiblePage());
    EXPECT_EQ(1, SendMessageW(tab, TCM_GETCURSEL, 0, 0));
    manager->SelectPage(-1);
    manager->SelectPage(6);
    EXPECT_EQ(1, VisiblePage());
    RECT item;
    SendMessageW(tab, TCM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item));
    const LPARAM point = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    SendMessageW(tab, WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendMessageW(tab, WM_LBUTTONUP, 0, point);
    EXPECT_EQ(2, VisiblePage());
    EXPECT_EQ(2, SendMessageW(tab, TCM_GETCURSEL, 0, 0));
    EXPECT_EQ(1, parentSawSelChange);
}

TEST_F(TabSheetMgrTest, PagesCoverExactlyTheDisplayArea) {
    AddSix();
    RECT area;
    GetClientRect(tab, &area);
    SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    MapWindowPoints(tab, parent, reinterpret_cast<POINT*>(&area), 2);
    RECT tabRect;
    GetWindowRect(tab, &tabRect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&tabRect), 2);
    EXPECT_GT(area.top, tabRect.top); // below the row of tabs
    for (int i = 0; i < 6; ++i) {
        RECT page;
        GetWindowRect(manager->PageAt(i), &page);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&page), 2);
        EXPECT_TRUE(EqualRect(&area, &page)) << i;
    }
}

TEST_F(TabSheetMgrTest, PagesKeepTheirIdentifierUntilTheirOwnDestroyHandlingIsDone) {
    AddSix();
    foundWhileDestroying = -2;
    HWND page = manager->PageAt(3);
    DestroyWindow(parent);
    EXPECT_EQ(3, foundWhileDestroying);
    EXPECT_FALSE(IsWindow(page));
    manager->Destroy(); // after the parent is gone
    delete manager;
    manager = nullptr;
}

// What a page looks like once its WM_DESTROY has been handled, taken by a hook that runs after
// the window procedure.
struct PageAfterDestroy {
    HWND page = nullptr;
    LONG_PTR procedureBefore = 0;
    LONG_PTR procedureAfter = 0;
    bool idLeft = true;
    bool originalLeft = true;
};
std::vector<PageAfterDestroy>* destroyedPages = nullptr;
LRESULT CALLBACK AfterDestroy(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && message->message == WM_DESTROY && destroyedPages != nullptr) {
        for (PageAfterDestroy& page : *destroyedPages) {
            if (page.page == message->hwnd) {
                page.procedureAfter = GetWindowLongPtrW(page.page, GWLP_WNDPROC);
                page.idLeft = GetPropW(page.page, L"TSM_UniqID") != nullptr;
                page.originalLeft = GetPropW(page.page, L"TSM_OrgWndProcTabSheet") != nullptr;
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(TabSheetMgrTest, DestroyGivesEveryWindowItsOwnProcedureBack) {
    AddSix();
    const LONG_PTR parentProcedure = reinterpret_cast<LONG_PTR>(ParentProc);
    EXPECT_NE(parentProcedure, GetWindowLongPtrW(parent, GWLP_WNDPROC));
    std::vector<PageAfterDestroy> pages(6);
    for (int i = 0; i < 6; ++i) {
        pages[i].page = manager->PageAt(i);
        pages[i].procedureBefore = GetWindowLongPtrW(pages[i].page, GWLP_WNDPROC);
    }
    destroyedPages = &pages;
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROCRET, AfterDestroy, nullptr, GetCurrentThreadId());
    manager->Destroy();
    UnhookWindowsHookEx(hook);
    destroyedPages = nullptr;

    EXPECT_EQ(parentProcedure, GetWindowLongPtrW(parent, GWLP_WNDPROC));
    EXPECT_EQ(nullptr, GetPropW(parent, L"TSM_OrgWndProc"));
    for (const PageAfterDestroy& page : pages) {
        EXPECT_FALSE(IsWindow(page.page));
        EXPECT_NE(0, page.procedureAfter);
        EXPECT_NE(page.procedureBefore, page.procedureAfter);
        EXPECT_FALSE(page.idLeft);
        EXPECT_FALSE(page.originalLeft);
    }
    EXPECT_EQ(0, manager->GetPageCount());
}

} // namespace
