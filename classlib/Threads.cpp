#include "classlib/Threads.h"

#include "classlib/ResStrings.h"

#include <deque>
#include <mutex>
#include <vector>

namespace {

// Static initialisation runs on the thread that starts the program.
const DWORD GMainThreadID = GetCurrentThreadId();

struct TSyncItem {
    std::function<void()> Method;
    HANDLE Done = nullptr;            // null for Queue: nobody waits
    std::exception_ptr* Error = nullptr;
};

struct TSyncState {
    std::mutex Lock;
    std::deque<TSyncItem> Items;
    HANDLE Event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::function<void()> Wake;
};

TSyncState& Sync()
{
    static TSyncState S;
    return S;
}

void Post(TSyncItem Item)
{
    TSyncState& S = Sync();
    std::function<void()> Wake;
    {
        std::lock_guard<std::mutex> Guard(S.Lock);
        S.Items.push_back(std::move(Item));
        SetEvent(S.Event);
        Wake = S.Wake;
    }
    if (Wake)
        Wake();
}

} // namespace

DWORD MainThreadID()
{
    return GMainThreadID;
}

HANDLE SyncEvent()
{
    return Sync().Event;
}

std::function<void()> SetWakeMainThread(std::function<void()> Wake)
{
    TSyncState& S = Sync();
    std::lock_guard<std::mutex> Guard(S.Lock);
    std::swap(S.Wake, Wake);
    return Wake;
}

bool CheckSynchronize(DWORD Timeout)
{
    if (GetCurrentThreadId() != GMainThreadID)
        throw EThread(LoadResString(SCheckSynchronizeError));
    TSyncState& S = Sync();
    if (Timeout > 0)
        WaitForSingleObject(S.Event, Timeout);
    std::deque<TSyncItem> Items;
    {
        std::lock_guard<std::mutex> Guard(S.Lock);
        Items.swap(S.Items);
        ResetEvent(S.Event);
    }
    // Every waiting thread is released even when a call fails; the first
    // failure of a queued call is raised here afterwards.
    std::exception_ptr QueuedError;
    for (TSyncItem& It : Items) {
        try {
            It.Method();
        } catch (...) {
            if (It.Error)
                *It.Error = std::current_exception();
            else if (!QueuedError)
                QueuedError = std::current_exception();
        }
        if (It.Done)
            SetEvent(It.Done);
    }
    if (QueuedError)
        std::rethrow_exception(QueuedError);
    return !Items.empty();
}

// ---------------------------------------------------------------------------
// TThread
// ---------------------------------------------------------------------------

TThread::TThread() = default;

TThread::~TThread()
{
    // Reached through delete without Free(): still do not leave a running
    // thread behind a freed object.
    StopAndWait();
}

void TThread::BeforeDestruction()
{
    StopAndWait();
}

void TThread::StopAndWait()
{
    if (!FHandle || FFinished || GetCurrentThreadId() == FThreadID)
        return;
    Terminate();
    // Whoever frees a running thread owns it now; the thread must not free
    // itself as well.
    FFreeOnTerminate = false;
    WaitFor();
}

void TThread::Start()
{
    if (FHandle)
        return;
    FHandle.Reset(CreateThread(nullptr, 0, &TThread::ThreadProc, this, 0, &FThreadID));
    if (!FHandle)
        throw EThread(Format(LoadResString(SThreadCreateError), SysErrorMessage(GetLastError())));
}

void TThread::Terminate()
{
    FTerminated = true;
}

int TThread::WaitFor()
{
    if (FFreeOnTerminate)
        throw EThread(LoadResString(SThreadSelfWait));
    if (!FHandle || GetCurrentThreadId() == FThreadID)
        return FReturnValue;
    if (GetCurrentThreadId() == GMainThreadID) {
        // The thread may be waiting in Synchronize for us, or sending a
        // message to one of our windows: serve both while waiting.
        HANDLE H[2] = {FHandle.Get(), SyncEvent()};
        for (;;) {
            DWORD R = MsgWaitForMultipleObjects(2, H, FALSE, INFINITE, QS_SENDMESSAGE);
            if (R == WAIT_OBJECT_0)
                break;
            if (R == WAIT_OBJECT_0 + 1) {
                CheckSynchronize();
            } else if (R == WAIT_OBJECT_0 + 2) {
                MSG Msg;
                PeekMessageA(&Msg, nullptr, 0, 0, PM_NOREMOVE);
            } else {
                WaitForSingleObject(FHandle.Get(), INFINITE);
                break;
            }
        }
    } else {
        WaitForSingleObject(FHandle.Get(), INFINITE);
    }
    return FReturnValue;
}

void TThread::DoTerminate()
{
    if (OnTerminate)
        Synchronize([this] { OnTerminate(this); });
}

DWORD WINAPI TThread::ThreadProc(LPVOID Param)
{
    TThread* T = static_cast<TThread*>(Param);
    try {
        if (!T->FTerminated)
            T->Execute();
    } catch (const Exception& E) {
        T->FFatalException = std::current_exception();
        T->FFatalMessage = E.Message();
    } catch (const std::exception& E) {
        T->FFatalException = std::current_exception();
        T->FFatalMessage = E.what();
    } catch (...) {
        T->FFatalException = std::current_exception();
        T->FFatalMessage = "Unknown exception";
    }
    try {
        T->DoTerminate();
    } catch (...) {
        if (!T->FFatalException)
            T->FFatalException = std::current_exception();
    }
    const bool FreeIt = T->FFreeOnTerminate;
    const DWORD Result = static_cast<DWORD>(T->FReturnValue);
    T->FFinished = true;
    if (FreeIt)
        T->Free();
    return Result;
}

void TThread::Synchronize(const std::function<void()>& Method)
{
    if (GetCurrentThreadId() == GMainThreadID) {
        Method();
        return;
    }
    std::exception_ptr Error;
    TSyncItem Item;
    Item.Method = Method;
    const TKernelHandle Done(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    Item.Done = Done.Get();
    Item.Error = &Error;
    Post(std::move(Item));
    WaitForSingleObject(Done.Get(), INFINITE);
    if (Error)
        std::rethrow_exception(Error);
}

void TThread::Queue(std::function<void()> Method)
{
    if (GetCurrentThreadId() == GMainThreadID) {
        Method();
        return;
    }
    TSyncItem Item;
    Item.Method = std::move(Method);
    Post(std::move(Item));
}

void TThread::NameThreadForDebugging(const std::string& Name, DWORD ThreadID)
{
    // SetThreadDescription exists from Windows 10 on; older systems go without.
    using TSetDescription = HRESULT(WINAPI*)(HANDLE, PCWSTR);
    auto Set = reinterpret_cast<TSetDescription>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetThreadDescription")));
    if (!Set)
        return;
    std::wstring W(Name.begin(), Name.end());
    if (ThreadID == DWORD(-1) || ThreadID == GetCurrentThreadId()) {
        Set(GetCurrentThread(), W.c_str());
        return;
    }
    if (const TKernelHandle H(OpenThread(THREAD_SET_LIMITED_INFORMATION, FALSE, ThreadID)); H)
        Set(H.Get(), W.c_str());
}
