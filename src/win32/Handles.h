#pragma once
// Owning wrappers for Win32 handles: one owner, no copies.
#include <windows.h>

template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;
    UniqueHandle() = default;
    explicit UniqueHandle(Handle h) : h_(h) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& o) noexcept : h_(o.h_) { o.h_ = Handle(); }
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) {
            Reset();
            h_ = o.h_;
            o.h_ = Handle();
        }
        return *this;
    }
    Handle Get() const { return h_; }
    explicit operator bool() const { return h_ != Handle(); }
    void Reset() {
        if (h_ != Handle()) Traits::Close(h_);
        h_ = Handle();
    }

private:
    Handle h_ = Handle();
};

struct RegistryKeyTraits {
    using Handle = HKEY;
    static void Close(HKEY h) { RegCloseKey(h); }
};
struct LibraryTraits {
    using Handle = HMODULE;
    static void Close(HMODULE h) { FreeLibrary(h); }
};
struct GdiObjectTraits {
    using Handle = HGDIOBJ;
    static void Close(HGDIOBJ h) { DeleteObject(h); }
};

struct KernelObjectTraits {  // mutexes, events: NULL when there is none
    using Handle = HANDLE;
    static void Close(HANDLE h) { CloseHandle(h); }
};

using UniqueKernelObject = UniqueHandle<KernelObjectTraits>;
using UniqueRegistryKey = UniqueHandle<RegistryKeyTraits>;
using UniqueLibrary = UniqueHandle<LibraryTraits>;
using UniqueGdiObject = UniqueHandle<GdiObjectTraits>;

// Selects an object into a device context for one scope.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~SelectedObject() { SelectObject(dc_, previous_); }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};
