#pragma once
// Owners that give back a Windows resource on every way out of a scope:
// kernel, find, registry, GDI and device-context handles, a selected GDI
// object, a BeginUpdate/EndUpdate pair and a scope-exit action.
#include <windows.h>

#include <utility>

// One owned handle of the kind Traits describes (its null value and how it is
// closed). Moves hand ownership on; copies are deleted.
template <typename Traits>
class TUniqueHandle {
public:
    using THandle = typename Traits::THandle;

    TUniqueHandle() noexcept = default;
    explicit TUniqueHandle(THandle H) noexcept : FHandle(H) {}
    ~TUniqueHandle() { Reset(); }
    TUniqueHandle(TUniqueHandle&& Other) noexcept : FHandle(Other.Release()) {}
    TUniqueHandle& operator=(TUniqueHandle&& Other) noexcept
    {
        if (this != &Other)
            Reset(Other.Release());
        return *this;
    }
    TUniqueHandle(const TUniqueHandle&) = delete;
    TUniqueHandle& operator=(const TUniqueHandle&) = delete;

    THandle Get() const noexcept { return FHandle; }
    bool Valid() const noexcept { return Traits::Valid(FHandle); }
    explicit operator bool() const noexcept { return Valid(); }
    // Gives the handle up without closing it.
    THandle Release() noexcept { return std::exchange(FHandle, Traits::Null()); }
    void Reset(THandle H = Traits::Null()) noexcept
    {
        THandle Old = std::exchange(FHandle, H);
        if (Traits::Valid(Old))
            Traits::Close(Old);
    }
    // For the functions that return a handle through a pointer; whatever was
    // held is closed first.
    THandle* Put() noexcept
    {
        Reset();
        return &FHandle;
    }

private:
    THandle FHandle = Traits::Null();
};

struct TKernelHandleTraits {
    using THandle = HANDLE;
    static HANDLE Null() noexcept { return nullptr; }
    // CreateFile fails with INVALID_HANDLE_VALUE, most other functions with null.
    static bool Valid(HANDLE H) noexcept { return H && H != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE H) noexcept { CloseHandle(H); }
};

struct TFindHandleTraits {
    using THandle = HANDLE;
    static HANDLE Null() noexcept { return INVALID_HANDLE_VALUE; }
    static bool Valid(HANDLE H) noexcept { return H && H != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE H) noexcept { FindClose(H); }
};

struct TRegKeyTraits {
    using THandle = HKEY;
    static HKEY Null() noexcept { return nullptr; }
    static bool Valid(HKEY H) noexcept { return H != nullptr; }
    static void Close(HKEY H) noexcept { RegCloseKey(H); }
};

// A device context made by CreateDC or CreateCompatibleDC.
struct TOwnedDCTraits {
    using THandle = HDC;
    static HDC Null() noexcept { return nullptr; }
    static bool Valid(HDC H) noexcept { return H != nullptr; }
    static void Close(HDC H) noexcept { DeleteDC(H); }
};

template <typename T>
struct TGdiObjectTraits {
    using THandle = T;
    static T Null() noexcept { return nullptr; }
    static bool Valid(T H) noexcept { return H != nullptr; }
    static void Close(T H) noexcept { DeleteObject(H); }
};

struct TMenuTraits {
    using THandle = HMENU;
    static HMENU Null() noexcept { return nullptr; }
    static bool Valid(HMENU H) noexcept { return H != nullptr; }
    static void Close(HMENU H) noexcept { DestroyMenu(H); }
};

using TKernelHandle = TUniqueHandle<TKernelHandleTraits>;
using TFindHandle = TUniqueHandle<TFindHandleTraits>;
using TRegKey = TUniqueHandle<TRegKeyTraits>;
using TOwnedDC = TUniqueHandle<TOwnedDCTraits>;
// A menu no window owns (a popup being built or shown).
using TOwnedMenu = TUniqueHandle<TMenuTraits>;
template <typename T = HGDIOBJ>
using TGdiObject = TUniqueHandle<TGdiObjectTraits<T>>;

// A window's device context, borrowed with GetDC/GetDCEx (or handed over)
// and released to that window.
class TWindowDC {
public:
    TWindowDC() noexcept = default;
    explicit TWindowDC(HWND Wnd) noexcept;
    TWindowDC(HWND Wnd, HDC DC) noexcept : FWnd(Wnd), FDC(DC) {}
    ~TWindowDC() { Reset(); }
    TWindowDC(TWindowDC&& Other) noexcept;
    TWindowDC& operator=(TWindowDC&& Other) noexcept;
    TWindowDC(const TWindowDC&) = delete;
    TWindowDC& operator=(const TWindowDC&) = delete;

    HDC Get() const noexcept { return FDC; }
    HWND Window() const noexcept { return FWnd; }
    explicit operator bool() const noexcept { return FDC != nullptr; }
    void Reset() noexcept;

private:
    HWND FWnd = nullptr;
    HDC FDC = nullptr;
};

// Selects an object into a device context and selects the previous one back
// at the end of the scope, so the object can be deleted afterwards.
class TSelectedObject {
public:
    TSelectedObject(HDC DC, HGDIOBJ Object) noexcept;
    ~TSelectedObject();
    TSelectedObject(const TSelectedObject&) = delete;
    TSelectedObject& operator=(const TSelectedObject&) = delete;

    HGDIOBJ Previous() const noexcept { return FOld; }

private:
    HDC FDC;
    HGDIOBJ FOld;
};

// SaveDC now, RestoreDC at the end of the scope, so whatever was selected
// into the DC meanwhile is deselected on every way out. Saved() is false
// when the save failed; nothing is restored then.
class TSavedDC {
public:
    explicit TSavedDC(HDC DC) noexcept : FDC(DC), FState(SaveDC(DC)) {}
    ~TSavedDC()
    {
        if (FState)
            RestoreDC(FDC, FState);
    }
    TSavedDC(const TSavedDC&) = delete;
    TSavedDC& operator=(const TSavedDC&) = delete;
    bool Saved() const noexcept { return FState != 0; }

private:
    HDC FDC;
    int FState;
};

// BeginUpdate now, EndUpdate at the end of the scope.
template <typename T>
class TUpdateScope {
public:
    explicit TUpdateScope(T& Target) : FTarget(Target) { FTarget.BeginUpdate(); }
    explicit TUpdateScope(T* Target) : TUpdateScope(*Target) {}
    // EndUpdate runs the change notifications, which may throw; on the normal
    // way out that exception reaches the caller.
    ~TUpdateScope() noexcept(false) { FTarget.EndUpdate(); }
    TUpdateScope(const TUpdateScope&) = delete;
    TUpdateScope& operator=(const TUpdateScope&) = delete;

private:
    T& FTarget;
};

// Keeps a variable's value (and gives it Value for the while) and puts it
// back when the scope ends, however the scope is left.
template <typename T>
class TRestoreScope {
public:
    explicit TRestoreScope(T& Target) : FTarget(Target), FSaved(Target) {}
    TRestoreScope(T& Target, T Value) : TRestoreScope(Target) { FTarget = std::move(Value); }
    ~TRestoreScope() { FTarget = std::move(FSaved); }
    TRestoreScope(const TRestoreScope&) = delete;
    TRestoreScope& operator=(const TRestoreScope&) = delete;

private:
    T& FTarget;
    T FSaved;
};

// Runs an action once when the scope ends, unless dismissed first.
template <typename F>
class TScopeExit {
public:
    explicit TScopeExit(F Action) : FAction(std::move(Action)) {}
    ~TScopeExit()
    {
        if (FActive)
            FAction();
    }
    TScopeExit(TScopeExit&& Other) : FAction(std::move(Other.FAction)), FActive(std::exchange(Other.FActive, false))
    {
    }
    TScopeExit(const TScopeExit&) = delete;
    TScopeExit& operator=(const TScopeExit&) = delete;
    TScopeExit& operator=(TScopeExit&&) = delete;

    void Dismiss() noexcept { FActive = false; }

private:
    F FAction;
    bool FActive = true;
};
