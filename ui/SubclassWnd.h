// Base of the control wrappers: binds a heap object to an existing control through the
// common-controls subclassing service and offers every message to OnMessage first.
//
// How to use:
//  1. Derive, override OnMessage and return kPassOn to leave a message to the control, or set
//     m_lResult and return kSwallow (or kHandled | kUseResult) to answer it yourself.
//  2. auto* w = new CDerived; w->Attach(GetDlgItem(page, id));
//  3. When the page goes: w->Detach(); delete w; slot = nullptr;
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>

class CSubclassWnd {
public:
    static constexpr uint64_t kHandled = 0x001;
    static constexpr uint64_t kUseResult = 0x100;
    static constexpr uint64_t kPassOn = 0x010;
    static constexpr uint64_t kSwallow = 0x101;

    CSubclassWnd() = default;
    virtual ~CSubclassWnd() = default;
    CSubclassWnd(const CSubclassWnd&) = delete;
    CSubclassWnd& operator=(const CSubclassWnd&) = delete;

    virtual uint64_t OnMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual void OnAttach() {}
    virtual void OnDetach() {}

    BOOL Attach(HWND hWnd);
    void Detach();

    HWND GetHwnd() const { return m_hWnd; }

    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR idSubclass, DWORD_PTR refData);

    // The comctl32 subclass query (exported by ordinal 411 only on some import libraries).
    static bool QuerySubclass(HWND hWnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR* refData);

protected:
    bool CarriesOurSubclass(HWND hWnd) const;

    LRESULT m_lResult = 0;
    HWND m_hWnd = nullptr;
    int m_bActive = 1;
};
