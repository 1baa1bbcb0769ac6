#include "ui/SubclassWnd.h"

namespace {

using GetWindowSubclassFn = BOOL(WINAPI*)(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR*);

GetWindowSubclassFn LookUpGetWindowSubclass() {
    HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
    if (comctl == nullptr) {
        return nullptr;
    }
    // Function pointers from GetProcAddress need a cast through a generic function type.
    return reinterpret_cast<GetWindowSubclassFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(comctl, MAKEINTRESOURCEA(411))));
}

} // namespace

bool CSubclassWnd::QuerySubclass(HWND hWnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR* refData) {
    static const GetWindowSubclassFn getWindowSubclass = LookUpGetWindowSubclass();
    DWORD_PTR data = 0;
    if (getWindowSubclass == nullptr || !getWindowSubclass(hWnd, proc, id, &data)) {
        return false;
    }
    if (refData != nullptr) {
        *refData = data;
    }
    return true;
}

bool CSubclassWnd::CarriesOurSubclass(HWND hWnd) const {
    DWORD_PTR refData = 0;
    return QuerySubclass(hWnd, SubclassProc, reinterpret_cast<UINT_PTR>(this), &refData) &&
           refData == reinterpret_cast<DWORD_PTR>(this);
}

BOOL CSubclassWnd::Attach(HWND hWnd) {
    if (hWnd == nullptr) {
        return FALSE;
    }
    if (CarriesOurSubclass(hWnd)) {
        OnAttach();
        return TRUE;
    }
    if (SetWindowSubclass(hWnd, SubclassProc, reinterpret_cast<UINT_PTR>(this),
                          reinterpret_cast<DWORD_PTR>(this))) {
        m_hWnd = hWnd;
        OnAttach();
        return TRUE;
    }
    Detach();
    return FALSE;
}

void CSubclassWnd::Detach() {
    if (m_hWnd == nullptr) {
        return;
    }
    OnDetach();
    if (m_hWnd != nullptr && CarriesOurSubclass(m_hWnd)) {
        RemoveWindowSubclass(m_hWnd, SubclassProc, reinterpret_cast<UINT_PTR>(this));
        m_hWnd = nullptr;
    }
}

LRESULT CALLBACK CSubclassWnd::SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR refData) {
    auto* self = reinterpret_cast<CSubclassWnd*>(refData);
    if (self == nullptr || self->m_bActive == 0) {
        return DefSubclassProc(hWnd, message, wParam, lParam);
    }
    const uint64_t flags = self->OnMessage(hWnd, message, wParam, lParam);

    if (message == WM_DESTROY) {
        self->OnDetach();
    } else if (message == WM_NCDESTROY) {
        // The control is going away whatever the handler said: unbind so the wrapper is left
        // detached and a later Detach does nothing.
        // Some comctl32 builds drop the subclass themselves while passing WM_NCDESTROY on, so
        // whether it was ours is decided before.
        const bool wasOurs = hWnd != nullptr && self->CarriesOurSubclass(hWnd);
        const LRESULT result = DefSubclassProc(hWnd, message, wParam, lParam);
        if (wasOurs) {
            if (self->CarriesOurSubclass(hWnd)) {
                RemoveWindowSubclass(hWnd, SubclassProc, reinterpret_cast<UINT_PTR>(self));
            }
            if (self->m_hWnd == hWnd) {
                self->m_hWnd = nullptr;
            }
        }
        return result;
    }

    if ((flags & (kHandled | kUseResult)) == 0) {
        return DefSubclassProc(hWnd, message, wParam, lParam);
    }
    const LRESULT result = (flags & kUseResult) != 0 ? self->m_lResult : 0;
    if ((flags & kHandled) == 0) {
        DefSubclassProc(hWnd, message, wParam, lParam);
    }
    return result;
}
