#include "classlib/Threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

// Runs a given body as its Execute.
class TBodyThread : public TThread {
public:
    explicit TBodyThread(std::function<void(TBodyThread&)> Body, HANDLE Gone = nullptr)
        : FBody(std::move(Body)), FGone(Gone)
    {
    }
    ~TBodyThread() override
    {
        if (FGone)
            SetEvent(FGone);
    }
    using TThread::SetReturnValue;

protected:
    void Execute() override { FBody(*this); }

private:
    std::function<void(TBodyThread&)> FBody;
    HANDLE FGone;
};

TEST(ThreadsThread, RunsAndHandsWorkToTheMainThread)
{
    std::vector<DWORD> Ran;
    DWORD TerminateThread = 0;
    TOwned<TBodyThread> T(new TBodyThread([&](TBodyThread& Self) {
        TThread::Synchronize([&] { Ran.push_back(GetCurrentThreadId()); });
        try {
            TThread::Synchronize([] { throw EConvertError("from main"); });
        } catch (const EConvertError& E) {
            Self.SetReturnValue(E.Message() == "from main" ? 42 : -1);
        }
    }));
    T->OnTerminate = [&](TObject* Sender) {
        EXPECT_EQ(Sender, T.get());
        TerminateThread = GetCurrentThreadId();
    };
    EXPECT_FALSE(T->Started());
    T->Start();
    EXPECT_EQ(T->WaitFor(), 42); // serves the synchronised calls meanwhile
    EXPECT_TRUE(T->Finished());
    ASSERT_EQ(Ran.size(), 1u);
    EXPECT_EQ(Ran[0], MainThreadID());
    EXPECT_EQ(TerminateThread, MainThreadID());
    EXPECT_EQ(T->FatalMessage(), "");
}

TEST(ThreadsThread, FailuresStopAndSelfFreeing)
{
    TOwned<TBodyThread> Failing(new TBodyThread([](TBodyThread&) { throw EFileError("disk gone"); }));
    Failing->Start();
    Failing->WaitFor();
    EXPECT_EQ(Failing->FatalMessage(), "disk gone");
    EXPECT_TRUE(Failing->FatalException() != nullptr);

    // Free() on a running thread asks it to stop and waits.
    std::atomic<int> Loops{0};
    auto* Looping = new TBodyThread([&](TBodyThread& Self) {
        while (!Self.Terminated()) {
            ++Loops;
            Sleep(1);
        }
    });
    Looping->Start();
    while (Loops == 0)
        Sleep(1);
    Looping->Free();

    // A self-freeing thread is gone after it ends; queued calls wait for the
    // main thread.
    HANDLE Gone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    int Woken = 0;
    auto OldWake = SetWakeMainThread([&] { ++Woken; });
    std::atomic<bool> QueuedRan{false};
    auto* Self = new TBodyThread([&](TBodyThread&) { TThread::Queue([&] { QueuedRan = true; }); }, Gone);
    Self->SetFreeOnTerminate(true);
    EXPECT_THROW(Self->WaitFor(), EThread);
    Self->Start();
    EXPECT_EQ(WaitForSingleObject(Gone, 5000), WAIT_OBJECT_0);
    EXPECT_FALSE(QueuedRan);
    EXPECT_TRUE(CheckSynchronize(1000));
    EXPECT_TRUE(QueuedRan);
    EXPECT_EQ(Woken, 1);
    EXPECT_FALSE(CheckSynchronize());
    SetWakeMainThread(std::move(OldWake));
    CloseHandle(Gone);
}

} // namespace
