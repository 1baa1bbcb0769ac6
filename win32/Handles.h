// Move-only owners for the Win32 handles the program creates, and a guard that selects a GDI
// object into a device context for one scope.
//
// How to use:
//  1. UniqueHkey key; RegOpenKeyExW(root, path, 0, KEY_READ, key.put());  // closed at scope end
//  2. UniqueHfont font(CreateFontIndirectW(&lf)); SelectObjectGuard sel(dc, font.get());
//     The guard restores the previous font before the owner deletes the new one, because the
//     guard is declared after the owner and so destroyed first.
#pragma once

#include <windows.h>

template <typename Traits> class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : m_handle(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    Handle get() const { return m_handle; }
    explicit operator bool() const { return Traits::IsValid(m_handle); }

    // For out-parameters of creating functions: releases what is held first.
    Handle* put() {
        reset();
        return &m_handle;
    }
    Handle release() {
        Handle handle = m_handle;
        m_handle = Traits::Invalid();
        return handle;
    }
    void reset(Handle handle = Traits::Invalid()) {
        if (Traits::IsValid(m_handle)) {
            Traits::Close(m_handle);
        }
        m_handle = handle;
    }

private:
    Handle m_handle = Traits::Invalid();
};

struct HkeyTraits {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { RegCloseKey(h); }
};

template <typename T> struct GdiTraits {
    using Handle = T;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { DeleteObject(h); }
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { CloseHandle(h); }
};

struct MenuTraits {
    using Handle = HMENU;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { DestroyMenu(h); }
};

struct MemoryDcTraits {
    using Handle = HDC;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { DeleteDC(h); }
};

using UniqueHkey = UniqueHandle<HkeyTraits>;
using UniqueHfont = UniqueHandle<GdiTraits<HFONT>>;
using UniqueHbrush = UniqueHandle<GdiTraits<HBRUSH>>;
using UniqueHbitmap = UniqueHandle<GdiTraits<HBITMAP>>;
using UniqueMemoryDc = UniqueHandle<MemoryDcTraits>;         // made by CreateCompatibleDC
using UniqueHandleKernel = UniqueHandle<KernelHandleTraits>; // files too
using UniqueHmenu = UniqueHandle<MenuTraits>;

class SelectObjectGuard {
public:
    SelectObjectGuard(HDC dc, HGDIOBJ object) : m_dc(dc) {
        if (m_dc != nullptr && object != nullptr) {
            m_previous = SelectObject(m_dc, object);
        }
    }
    ~SelectObjectGuard() {
        if (m_previous != nullptr) {
            SelectObject(m_dc, m_previous);
        }
    }
    SelectObjectGuard(const SelectObjectGuard&) = delete;
    SelectObjectGuard& operator=(const SelectObjectGuard&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_previous = nullptr;
};
