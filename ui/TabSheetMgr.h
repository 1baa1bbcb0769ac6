// Turns a tab control into pages: one modeless child dialog per tab, laid exactly over the
// tab control's display area. Pages carry their identifier in a window property, so any code
// can find a page by identifier.
//
// How to use:
//  1. mgr->Init(parent, tab, PageProc, capacity);
//  2. mgr->AddPage(id, IDD_PAGE, L"caption"); ... mgr->SelectPage(mgr->FindPage(id));
//  3. mgr->Destroy(); delete mgr;
#pragma once

#include <windows.h>

class CTabSheetMgr {
public:
    CTabSheetMgr() = default;
    virtual ~CTabSheetMgr();
    CTabSheetMgr(const CTabSheetMgr&) = delete;
    CTabSheetMgr& operator=(const CTabSheetMgr&) = delete;

    void Init(HWND hParent, HWND hTab, DLGPROC pfnPageProc, int nMaxPages);
    int AddPage(int id, int templateId, const wchar_t* caption);
    int FindPage(int id) const;
    HWND PageAt(int position) const; // null outside the table
    HWND FindPageWindow(int id) const { return PageAt(FindPage(id)); }
    void SelectPage(int position);
    void Destroy();

    int GetPageCount() const { return m_nPageCount; }
    HWND GetTab() const { return m_hTab; }

    static LRESULT CALLBACK TabParentProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK TabSheetProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    int m_nMaxPages = 0;
    int m_nPageCount = 0;
    HWND* m_pPages = nullptr;
    HINSTANCE m_hInstance = nullptr;
    HWND m_hParent = nullptr;
    HWND m_hTab = nullptr;
    DLGPROC m_pfnPageProc = nullptr;
};
