#include "shell/RzShellCtrls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <malloc.h>

#include "classlib/Controls.h"
#include "testkit/TestFolder.h"

namespace {

// A message-only window that records the change messages it gets.
struct TReceiver {
    std::vector<WPARAM> Slots;
    HWND Wnd;
    TReceiver()
    {
        Wnd = AllocateHWnd([this](TMessage& M) {
            if (M.Msg == RZSH_CHANGENOTIFY)
                Slots.push_back(M.WParam);
            else
                M.Result = DefWindowProcA(Wnd, M.Msg, M.WParam, M.LParam);
        });
    }
    ~TReceiver() { DeallocateHWnd(Wnd); }
    // Handles messages until Count have come or Limit ms pass.
    void PumpUntil(size_t Count, DWORD Limit = 5000)
    {
        const DWORD Start = GetTickCount();
        MSG Msg;
        while (Slots.size() < Count && GetTickCount() - Start < Limit) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, Limit - (GetTickCount() - Start), QS_POSTMESSAGE);
            while (PeekMessageA(&Msg, Wnd, 0, 0, PM_REMOVE))
                DispatchMessageA(&Msg);
        }
    }
};

// Records every handle the test's own thread opens, so the test can ask
// Windows about them. A reopen can be held in the seam until Gate is set,
// as a folder on a server gone quiet holds it; Freed is set when freed.
class TRecordingThread : public TChangeHandlerThread {
public:
    using TChangeHandlerThread::TChangeHandlerThread;
    ~TRecordingThread() override
    {
        if (Freed)
            SetEvent(Freed);
    }
    std::vector<HANDLE> Opened, Reopened;
    HANDLE Gate = nullptr, Held = nullptr, Freed = nullptr;
    std::string HeldPath;

protected:
    HANDLE OpenWatch(const std::string& Path, bool WatchSubtree, DWORD NotifyFilter) override
    {
        const bool Reopen = GetCurrentThreadId() != FCreator;
        if (Reopen && Gate) {
            HeldPath = Path;
            SetEvent(Held);
            WaitForSingleObject(Gate, 60000);
        }
        HANDLE H = TChangeHandlerThread::OpenWatch(Path, WatchSubtree, NotifyFilter);
        (Reopen ? Reopened : Opened).push_back(H);
        return H;
    }

private:
    const DWORD FCreator = GetCurrentThreadId();
};

// Every block freed through operator delete is overwritten first while
// Poisoning is set, so a thread still using one reads garbage at once.
std::atomic<bool> Poisoning{false};

bool HandleOpen(HANDLE H)
{
    DWORD Flags = 0;
    return GetHandleInformation(H, &Flags) != 0;
}

} // namespace

void operator delete(void* P) noexcept
{
    if (P && Poisoning)
        std::memset(P, 0xDD, _msize(P));
    std::free(P);
}

void operator delete(void* P, std::size_t) noexcept
{
    ::operator delete(P);
}

TEST(ChangeThread, OneChangeOneMessageAndTheWatchStaysArmed)
{
    TTestFolder Dir("chg");
    TReceiver R;
    TOwned<TChangeHandlerThread> T(new TChangeHandlerThread(R.Wnd, RZSH_CHANGENOTIFY));
    int Slot = -1;
    ASSERT_TRUE(T->AddWatch(Dir.Path(), FILE_NOTIFY_CHANGE_DIR_NAME, Slot, false));
    EXPECT_EQ(Slot, 0);
    CreateDirectoryA(Dir.File("one").c_str(), nullptr);
    R.PumpUntil(1);
    ASSERT_EQ(R.Slots.size(), 1u);
    EXPECT_EQ(R.Slots[0], 0u);
    CreateDirectoryA(Dir.File("two").c_str(), nullptr);
    R.PumpUntil(2);
    ASSERT_EQ(R.Slots.size(), 2u);
    EXPECT_EQ(R.Slots[1], 0u);

    int Slot2 = -1;
    ASSERT_TRUE(T->AddWatch(Dir.File("two"), FILE_NOTIFY_CHANGE_DIR_NAME, Slot2, false));
    EXPECT_EQ(Slot2, 1);
    CreateDirectoryA(Dir.File("two\\inner").c_str(), nullptr);
    R.PumpUntil(3);
    ASSERT_GE(R.Slots.size(), 3u);
    EXPECT_EQ(R.Slots[2], 1u);

    int None = 7;
    EXPECT_FALSE(T->AddWatch("", FILE_NOTIFY_CHANGE_DIR_NAME, None, false));
    EXPECT_FALSE(T->AddWatch(Dir.File("missing"), FILE_NOTIFY_CHANGE_DIR_NAME, None, false));
    EXPECT_EQ(None, -1);
}

TEST(ChangeThread, AFolderRemovedOrRenamedUnderItsWatchIsLetGoAndTold)
{
    TTestFolder Dir("chggone");
    for (const char* Name : {"gone", "moved"})
        CreateDirectoryA(Dir.File(Name).c_str(), nullptr);
    TReceiver R;
    TOwned<TChangeHandlerThread> T(new TChangeHandlerThread(R.Wnd, RZSH_CHANGENOTIFY));
    int Top = -1, Gone = -1, Moved = -1;
    ASSERT_TRUE(T->AddWatch(Dir.Path(), FILE_NOTIFY_CHANGE_DIR_NAME, Top, true));
    ASSERT_TRUE(T->AddWatch(Dir.File("gone"), FILE_NOTIFY_CHANGE_FILE_NAME, Gone, false));
    ASSERT_TRUE(T->AddWatch(Dir.File("moved"), FILE_NOTIFY_CHANGE_FILE_NAME, Moved, false));
    // Quiet folders stay quiet however often their watches are reopened.
    R.PumpUntil(1, 2 * TChangeHandlerThread::ReopenInterval + 200);
    EXPECT_TRUE(R.Slots.empty());
    ASSERT_TRUE(RemoveDirectoryA(Dir.File("gone").c_str()));
    ASSERT_TRUE(MoveFileA(Dir.File("moved").c_str(), Dir.File("moved on").c_str()));
    const auto Told = [&](int Slot) { return std::count(R.Slots.begin(), R.Slots.end(), WPARAM(Slot)) > 0; };
    for (const DWORD Began = GetTickCount(); !(Told(Gone) && Told(Moved)) && GetTickCount() - Began < 5000;)
        R.PumpUntil(R.Slots.size() + 1);
    EXPECT_TRUE(Told(Gone) && Told(Moved)) << "removed " << Told(Gone) << ", renamed " << Told(Moved);
    EXPECT_EQ(GetFileAttributesA(Dir.File("gone").c_str()), INVALID_FILE_ATTRIBUTES) << "let go, the folder went";
    EXPECT_EQ(T->UsedSlots(), 1) << "both ended, the subtree's stays";
}

TEST(ChangeThread, SlotTableLimitsReuseAndClosing)
{
    TTestFolder Dir("chgfull");
    TOwned<TRecordingThread> T(new TRecordingThread(nullptr, RZSH_CHANGENOTIFY));
    int Slot = -1;
    for (int I = 0; I < TChangeHandlerThread::SlotCount; ++I) {
        ASSERT_TRUE(T->AddWatch(Dir.Path(), FILE_NOTIFY_CHANGE_FILE_NAME, Slot, false)) << I;
        EXPECT_EQ(Slot, I);
    }
    // The 64th finds no slot: refused, and its handle is closed at once
    // instead of waiting in the pending field for the next add to lose it.
    EXPECT_FALSE(T->AddWatch(Dir.Path(), FILE_NOTIFY_CHANGE_FILE_NAME, Slot, false));
    EXPECT_EQ(Slot, -1);
    ASSERT_EQ(T->Opened.size(), 64u);
    EXPECT_FALSE(HandleOpen(T->Opened.back()));
    EXPECT_TRUE(HandleOpen(T->Opened.front()));

    ASSERT_TRUE(T->RemoveAllWatches());
    for (size_t I = 0; I < 63; ++I)
        EXPECT_FALSE(HandleOpen(T->Opened[I])) << I;
    ASSERT_TRUE(T->AddWatch(Dir.Path(), FILE_NOTIFY_CHANGE_FILE_NAME, Slot, false));
    EXPECT_EQ(Slot, 0);
    ASSERT_TRUE(T->AddWatch(Dir.Path(), FILE_NOTIFY_CHANGE_FILE_NAME, Slot, false));
    EXPECT_EQ(Slot, 1);

    // Destroying closes every handle still in a slot.
    const std::vector<HANDLE> Last(T->Opened.end() - 2, T->Opened.end());
    T.reset();
    for (HANDLE H : Last)
        EXPECT_FALSE(HandleOpen(H));
}

TEST(ChangeThread, TimedOutAddTakesItsHandleBack)
{
    TTestFolder Dir("chgslow");
    TOwned<TRecordingThread> T(new TRecordingThread(nullptr, RZSH_CHANGENOTIFY));
    // The watcher is held before it takes the command, past the GUI
    // thread's patience.
    const HANDLE Gate = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    T->OnBeforeCommand = [Gate] { WaitForSingleObject(Gate, 10000); };
    T->SetCommandTimeout(20);
    int Slot = 5;
    EXPECT_FALSE(T->AddWatch(Dir.Path(), FILE_NOTIFY_CHANGE_FILE_NAME, Slot, false));
    EXPECT_EQ(Slot, -1);
    ASSERT_EQ(T->Opened.size(), 1u);
    EXPECT_FALSE(HandleOpen(T->Opened[0])) << "the GUI thread closed the handle the watcher never took";

    // The held-back watcher then finds the field empty and places nothing;
    // the next command's answer is its own, not the late one.
    SetEvent(Gate);
    T->SetCommandTimeout(TChangeHandlerThread::DefaultCommandTimeout);
    ASSERT_TRUE(T->AddWatch(Dir.Path(), FILE_NOTIFY_CHANGE_FILE_NAME, Slot, false));
    EXPECT_EQ(Slot, 0);
    EXPECT_EQ(T->UsedSlots(), 1);
    T->OnBeforeCommand = nullptr;
    T.reset();
    CloseHandle(Gate);
}

TEST(ChangeThread, AReopenHeldOnAQuietServerHoldsUpNoCommandAndNoClose)
{
    TTestFolder Dir("chgheld");
    Poisoning = true;
    const HANDLE Gate = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const HANDLE Held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const HANDLE Freed = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    auto* Raw = new TRecordingThread(nullptr, RZSH_CHANGENOTIFY);
    Raw->Gate = Gate, Raw->Held = Held, Raw->Freed = Freed;
    TChangeWatcher T(Raw);
    int Slot = -1;
    CreateDirectoryA(Dir.File("top").c_str(), nullptr);
    ASSERT_TRUE(T->AddWatch(Dir.File("top"), FILE_NOTIFY_CHANGE_DIR_NAME, Slot, true));
    ASSERT_TRUE(T->AddWatch(Dir.Path(), FILE_NOTIFY_CHANGE_FILE_NAME, Slot, false));
    ASSERT_EQ(WaitForSingleObject(Held, 5000), WAIT_OBJECT_0) << "the reopen went through the seam";
    EXPECT_EQ(Raw->HeldPath, Dir.Path()) << "a subtree watch is not reopened";
    // While it is held, the window's commands are answered.
    EXPECT_TRUE(T->RemoveAllWatches());
    EXPECT_TRUE(T->AddWatch(Dir.Path(), FILE_NOTIFY_CHANGE_FILE_NAME, Slot, false));
    EXPECT_EQ(Slot, 0) << "the held watch's slot was let go";
    // A watch added meanwhile stays with the watcher, whose close lets go
    // of it at once; the held reopen frees the watcher, using nothing freed.
    const HANDLE Added = Raw->Opened.back();
    Sleep(TChangeHandlerThread::ReopenInterval + 500);
    T.reset();
    EXPECT_FALSE(HandleOpen(Added));
    EXPECT_EQ(WaitForSingleObject(Freed, 0), WAIT_TIMEOUT);
    SetEvent(Gate);
    EXPECT_EQ(WaitForSingleObject(Freed, 10000), WAIT_OBJECT_0);
    Poisoning = false;
    for (HANDLE H : {Gate, Held, Freed})
        CloseHandle(H);
}
