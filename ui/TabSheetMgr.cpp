#include "ui/TabSheetMgr.h"

#include <commctrl.h>

#include <iterator>

namespace {

const wchar_t kOrgWndProcProp[] = L"TSM_OrgWndProc";
const wchar_t kUniqIdProp[] = L"TSM_UniqID";
const wchar_t kOrgSheetProcProp[] = L"TSM_OrgWndProcTabSheet";

// "TSM_this_%X" with the low 32 bits of the tab control's handle.
void FormatThisProp(HWND tab, wchar_t (&name)[32]) {
    wsprintfW(name, L"TSM_this_%X", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(tab)));
}

LRESULT CallPrevious(HWND hWnd, const wchar_t* prop, UINT message, WPARAM wParam, LPARAM lParam) {
    auto previous = reinterpret_cast<WNDPROC>(GetPropW(hWnd, prop));
    if (previous == nullptr) {
        return DefWindowProcW(hWnd, message, wParam, lParam);
    }
    return CallWindowProcW(previous, hWnd, message, wParam, lParam);
}

} // namespace

CTabSheetMgr::~CTabSheetMgr() {
    delete[] m_pPages;
    m_pPages = nullptr;
}

void CTabSheetMgr::Init(HWND hParent, HWND hTab, DLGPROC pfnPageProc, int nMaxPages) {
    wchar_t thisProp[32];
    FormatThisProp(hTab, thisProp);
    if (GetPropW(hTab, thisProp) != nullptr) {
        return;
    }
    delete[] m_pPages;
    m_pPages = nullptr;
    if (nMaxPages > 0) {
        m_pPages = new HWND[static_cast<size_t>(nMaxPages)]();
    }
    m_hInstance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hParent, GWLP_HINSTANCE));
    m_hParent = hParent;
    m_hTab = hTab;
    m_pfnPageProc = pfnPageProc;
    m_nMaxPages = nMaxPages;
    m_nPageCount = 0;

    const LONG_PTR previous =
        SetWindowLongPtrW(hParent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TabParentProc));
    if (previous == 0) {
        Destroy();
        return;
    }
    SetPropW(hParent, kOrgWndProcProp, reinterpret_cast<HANDLE>(previous));
    if (!SetPropW(hTab, thisProp, reinterpret_cast<HANDLE>(this))) {
        Destroy();
    }
}

int CTabSheetMgr::AddPage(int id, int templateId, const wchar_t* caption) {
    if (m_nPageCount >= m_nMaxPages || m_nMaxPages < 1 || m_pPages == nullptr) {
        return 0;
    }
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(caption);
    SendMessageW(m_hTab, TCM_INSERTITEMW, m_nPageCount, reinterpret_cast<LPARAM>(&item));

    HWND page = CreateDialogParamW(m_hInstance, MAKEINTRESOURCEW(templateId), m_hParent, m_pfnPageProc,
                                   static_cast<LPARAM>(id));
    if (page == nullptr) {
        // Take the tab back so that tabs and pages keep the same positions.
        SendMessageW(m_hTab, TCM_DELETEITEM, m_nPageCount, 0);
        return 0;
    }
    m_pPages[m_nPageCount] = page;
    SetPropW(page, kUniqIdProp, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(id)));

    RECT area;
    GetClientRect(m_hTab, &area);
    SendMessageW(m_hTab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    MapWindowPoints(m_hTab, m_hParent, reinterpret_cast<POINT*>(&area), 2);
    MoveWindow(page, area.left, area.top, area.right - area.left, area.bottom - area.top, FALSE);
    SetWindowPos(m_hTab, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

    const LONG_PTR previous = SetWindowLongPtrW(page, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TabSheetProc));
    if (previous == 0) {
        return 0;
    }
    SetPropW(page, kOrgSheetProcProp, reinterpret_cast<HANDLE>(previous));
    return m_nPageCount++;
}

int CTabSheetMgr::FindPage(int id) const {
    for (int position = 0; position < m_nPageCount; ++position) {
        if (m_pPages[position] != nullptr &&
            reinterpret_cast<INT_PTR>(GetPropW(m_pPages[position], kUniqIdProp)) == id) {
            return position;
        }
    }
    return -1;
}

HWND CTabSheetMgr::PageAt(int position) const {
    if (position < 0 || position >= m_nPageCount || m_pPages == nullptr) {
        return nullptr;
    }
    return m_pPages[position];
}

void CTabSheetMgr::SelectPage(int position) {
    HWND page = PageAt(position);
    if (page == nullptr) {
        return;
    }
    ShowWindow(page, SW_SHOW);
    SetForegroundWindow(page);
    for (int i = 0; i < m_nPageCount; ++i) {
        if (m_pPages[i] == page) {
            SendMessageW(m_hTab, TCM_SETCURSEL, i, 0);
        } else if (m_pPages[i] != nullptr) {
            ShowWindow(m_pPages[i], SW_HIDE);
        }
    }
}

void CTabSheetMgr::Destroy() {
    if (m_hParent != nullptr) {
        auto previous = GetPropW(m_hParent, kOrgWndProcProp);
        if (previous != nullptr) {
            SetWindowLongPtrW(m_hParent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        }
        RemovePropW(m_hParent, kOrgWndProcProp);
    }
    if (m_pPages != nullptr) {
        for (int i = 0; i < m_nPageCount; ++i) {
            if (m_pPages[i] != nullptr) {
                DestroyWindow(m_pPages[i]);
                m_pPages[i] = nullptr;
            }
        }
    }
    delete[] m_pPages;
    m_pPages = nullptr;
    m_hInstance = nullptr;
    m_hTab = nullptr;
    m_pfnPageProc = nullptr;
    m_hParent = nullptr;
    m_nPageCount = 0;
}

LRESULT CALLBACK CTabSheetMgr::TabParentProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY && lParam != 0) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->code == static_cast<UINT>(TCN_SELCHANGE)) {
            wchar_t thisProp[32];
            FormatThisProp(header->hwndFrom, thisProp);
            auto* manager = reinterpret_cast<CTabSheetMgr*>(GetPropW(header->hwndFrom, thisProp));
            if (manager != nullptr) {
                manager->SelectPage(static_cast<int>(SendMessageW(header->hwndFrom, TCM_GETCURSEL, 0, 0)));
            }
        }
    }
    return CallPrevious(hWnd, kOrgWndProcProp, message, wParam, lParam);
}

LRESULT CALLBACK CTabSheetMgr::TabSheetProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CallPrevious(hWnd, kOrgSheetProcProp, message, wParam, lParam);
    if (message == WM_DESTROY) {
        // After the page's own procedure, which still finds the page by its identifier.
        auto previous = GetPropW(hWnd, kOrgSheetProcProp);
        if (previous != nullptr) {
            SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        }
        RemovePropW(hWnd, kOrgSheetProcProp);
        RemovePropW(hWnd, kUniqIdProp);
    }
    return result;
}
