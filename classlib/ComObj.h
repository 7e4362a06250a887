#pragma once
// COM ownership: a holder for one counted interface reference, an owned
// item-ID list, a base for objects that implement an interface by hand, and
// the OLE error that failed HRESULTs raise.
#include <windows.h>
#include <objbase.h>
#include <shtypes.h>

#include <string>
#include <utility>

#include "classlib/SysUtils.h"

class EOleSysError : public Exception {
public:
    EOleSysError(std::string Msg, HRESULT Code) : Exception(std::move(Msg)), ErrorCode(Code) {}
    HRESULT ErrorCode;
};

// Raises EOleSysError with the system text of a failed result.
void OleCheck(HRESULT Result);

// One counted reference; released when the holder goes. Move only: a second
// reference is taken on purpose with Copy().
template <typename T>
class TComPtr {
public:
    TComPtr() = default;
    // Takes over a reference the caller already holds.
    explicit TComPtr(T* Ptr) : FPtr(Ptr) {}
    TComPtr(TComPtr&& Other) noexcept : FPtr(std::exchange(Other.FPtr, nullptr)) {}
    TComPtr& operator=(TComPtr&& Other) noexcept
    {
        if (this != &Other)
            Reset(std::exchange(Other.FPtr, nullptr));
        return *this;
    }
    TComPtr(const TComPtr&) = delete;
    TComPtr& operator=(const TComPtr&) = delete;
    ~TComPtr() { Reset(); }

    // A holder of a new reference to the same object.
    TComPtr Copy() const
    {
        if (FPtr)
            FPtr->AddRef();
        return TComPtr(FPtr);
    }
    // Adds a reference to Ptr and holds it.
    static TComPtr AddRefOf(T* Ptr)
    {
        if (Ptr)
            Ptr->AddRef();
        return TComPtr(Ptr);
    }

    T* Get() const { return FPtr; }
    T* operator->() const { return FPtr; }
    explicit operator bool() const { return FPtr != nullptr; }
    // Releases what is held and gives the slot to an out parameter.
    T** Put()
    {
        Reset();
        return &FPtr;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    void Reset(T* Ptr = nullptr)
    {
        T* Old = std::exchange(FPtr, Ptr);
        if (Old)
            Old->Release();
    }
    // Hands the reference to the caller.
    T* Detach() { return std::exchange(FPtr, nullptr); }

    template <typename U>
    HRESULT As(REFIID Iid, TComPtr<U>& Out) const
    {
        if (!FPtr)
            return E_POINTER;
        return FPtr->QueryInterface(Iid, Out.PutVoid());
    }

private:
    T* FPtr = nullptr;
};

// An absolute or relative item-ID list this holder owns. The lists come from
// the shell allocator, which is the task allocator on every Windows that
// runs this program, so CoTaskMemFree frees them. Move only.
class TPidl {
public:
    TPidl() = default;
    explicit TPidl(LPITEMIDLIST Owned) : FPidl(Owned) {}
    TPidl(TPidl&& Other) noexcept : FPidl(std::exchange(Other.FPidl, nullptr)) {}
    TPidl& operator=(TPidl&& Other) noexcept
    {
        if (this != &Other)
            Reset(std::exchange(Other.FPidl, nullptr));
        return *this;
    }
    TPidl(const TPidl&) = delete;
    TPidl& operator=(const TPidl&) = delete;
    ~TPidl() { Reset(); }

    LPITEMIDLIST Get() const { return FPidl; }
    explicit operator bool() const { return FPidl != nullptr; }
    LPITEMIDLIST* Put()
    {
        Reset();
        return &FPidl;
    }
    void Reset(LPITEMIDLIST Pidl = nullptr)
    {
        LPITEMIDLIST Old = std::exchange(FPidl, Pidl);
        if (Old)
            CoTaskMemFree(Old);
    }
    LPITEMIDLIST Detach() { return std::exchange(FPidl, nullptr); }

private:
    LPITEMIDLIST FPidl = nullptr;
};

// Base of an object that implements one interface by hand: answers
// IUnknown and that interface, counts references across threads and
// deletes itself at zero. The count starts at zero; the creator's first
// AddRef (usually through TComPtr::AddRefOf) makes it one.
template <typename Intf>
class TComObject : public Intf {
public:
    explicit TComObject(const IID& Iid) : FIid(Iid) {}
    virtual ~TComObject() = default;
    TComObject(const TComObject&) = delete;
    TComObject& operator=(const TComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID Riid, void** Obj) override
    {
        if (!Obj)
            return E_POINTER;
        if (IsEqualIID(Riid, IID_IUnknown) || IsEqualIID(Riid, FIid)) {
            *Obj = static_cast<Intf*>(this);
            this->AddRef();
            return S_OK;
        }
        *Obj = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&FRefCount)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG Count = InterlockedDecrement(&FRefCount);
        if (Count == 0)
            delete this;
        return static_cast<ULONG>(Count);
    }
    LONG RefCount() const { return FRefCount; }

private:
    LONG FRefCount = 0;
    IID FIid;
};
