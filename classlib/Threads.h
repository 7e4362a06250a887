#pragma once
// TThread: a worker thread with a virtual Execute, and the hand-over of work
// to the main (GUI) thread through Synchronize / Queue, which the main thread
// runs from CheckSynchronize.

#include "classlib/Classes.h"

#include <windows.h>

#include <atomic>
#include <exception>
#include <functional>
#include <string>

class EThread : public Exception { public: using Exception::Exception; };

// The thread that ran the program's static initialisation.
DWORD MainThreadID();

// Runs the calls queued for the main thread; answers whether any ran. Call it
// on the main thread (the message loop does so when woken). Timeout is the
// longest wait for a first call, in ms.
bool CheckSynchronize(DWORD Timeout = 0);
// Signalled while calls wait for the main thread: a message loop can add it to
// MsgWaitForMultipleObjects.
HANDLE SyncEvent();
// Called (on any thread) when a call has been queued, so the main thread's
// message loop can wake up (the application posts itself a message here).
// Answers the previous wake-up.
std::function<void()> SetWakeMainThread(std::function<void()> Wake);

class TThread : public TObject {
public:
    // Created suspended: C++ builds the derived class after this constructor,
    // so the thread may only run once the caller has finished building it and
    // calls Start().
    TThread();
    ~TThread() override;
    // Free() first asks the thread to stop and waits for it, while Execute's
    // class still exists; delete alone cannot.
    void BeforeDestruction() override;

    void Start(); // once; a second call does nothing
    void Resume() { Start(); }
    void Terminate();
    bool Terminated() const { return FTerminated; }
    // Waits until Execute has returned (running queued main-thread calls
    // meanwhile when called on the main thread); answers ReturnValue. Not for
    // FreeOnTerminate threads (EThread): they may be gone already.
    int WaitFor();

    bool FreeOnTerminate() const { return FFreeOnTerminate; }
    void SetFreeOnTerminate(bool Value) { FFreeOnTerminate = Value; }
    bool Finished() const { return FFinished; }
    bool Started() const { return FHandle.Valid(); }
    HANDLE Handle() const { return FHandle.Get(); }
    DWORD ThreadID() const { return FThreadID; }
    int ReturnValue() const { return FReturnValue; }
    // The exception that ended Execute, if any (its message in FatalMessage).
    std::exception_ptr FatalException() const { return FFatalException; }
    const std::string& FatalMessage() const { return FFatalMessage; }

    // Runs on the main thread (through Synchronize) after Execute returns.
    TNotifyEvent OnTerminate;

    // Runs Method on the main thread and waits for it; an exception it raises
    // comes back here. On the main thread Method simply runs.
    static void Synchronize(const std::function<void()>& Method);
    // Runs Method on the main thread later, without waiting.
    static void Queue(std::function<void()> Method);
    // Names the calling thread for debuggers.
    static void NameThreadForDebugging(const std::string& Name, DWORD ThreadID = DWORD(-1));

protected:
    virtual void Execute() = 0;
    virtual void DoTerminate();
    void SetReturnValue(int Value) { FReturnValue = Value; }

private:
    static DWORD WINAPI ThreadProc(LPVOID Param);
    void StopAndWait();

    TKernelHandle FHandle;
    DWORD FThreadID = 0;
    std::atomic<bool> FTerminated{false};
    std::atomic<bool> FFinished{false};
    std::atomic<bool> FFreeOnTerminate{false};
    int FReturnValue = 0;
    std::exception_ptr FFatalException;
    std::string FFatalMessage;
};
