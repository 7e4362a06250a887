#include "shell/RzShellCtrls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <mutex>

#include "classlib/Controls.h"
#include "classlib/PathForms.h"
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

// Records every handle opened (or a witness of it), from the test's own
// thread (Opened) and from the reopening threads (Reopened), so the test
// can ask Windows about them.
// A reopen of a path holding HoldName (any, when empty) can be held until
// Gate is set, as a folder on a server gone quiet holds it. The watcher's
// shared record keeps the log through its opener, so the log's count of
// owners tells when the record is gone.
struct TOpenLog {
    std::mutex Lock;
    std::vector<HANDLE> Opened, Reopened;
    HANDLE Gate = nullptr, Held = nullptr;
    std::wstring HoldName, HeldPath;
    std::atomic<bool> HeldReturned{false};
    bool Witnesses = false;
    const DWORD Creator = GetCurrentThreadId();
};

std::shared_ptr<TOpenLog> Record(TChangeHandlerThread& Watcher)
{
    auto Log = std::make_shared<TOpenLog>();
    Watcher.SetOpener([Log](const std::wstring& Path, bool WatchSubtree, DWORD NotifyFilter) {
        const bool Reopen = GetCurrentThreadId() != Log->Creator;
        const bool Hold = Reopen && Log->Gate && Path.find(Log->HoldName) != std::wstring::npos;
        if (Hold) {
            {
                std::lock_guard<std::mutex> Guard(Log->Lock);
                Log->HeldPath = Path;
            }
            SetEvent(Log->Held);
            WaitForSingleObject(Log->Gate, 10000);
        }
        const HANDLE H = FindFirstChangeNotificationW(Path.c_str(), WatchSubtree, NotifyFilter);
        // Asked for, the log keeps a witness of each handle instead, which
        // the watcher never sees (and which keeps a removed folder's
        // watch alive).
        HANDLE Kept = H;
        if (Log->Witnesses && H != INVALID_HANDLE_VALUE)
            DuplicateHandle(GetCurrentProcess(), H, GetCurrentProcess(), &Kept, 0, FALSE, DUPLICATE_SAME_ACCESS);
        std::lock_guard<std::mutex> Guard(Log->Lock);
        (Reopen ? Log->Reopened : Log->Opened).push_back(Kept);
        if (Hold)
            Log->HeldReturned = true;
        return H;
    });
    return Log;
}

// Every block freed through operator delete is overwritten first while
// Poisoning is set, so a thread still using one reads garbage at once.
std::atomic<bool> Poisoning{false};

bool HandleOpen(HANDLE H)
{
    DWORD Flags = 0;
    return GetHandleInformation(H, &Flags) != 0;
}

// Whether anyone but the test still holds the object a witness stands for.
// A handle's own value cannot tell once other threads open handles beside
// the test: the value of one closed is given to the next object opened.
bool HeldBeyondItsWitness(HANDLE Witness)
{
    using TQueryObject = LONG(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    static const auto Query = reinterpret_cast<TQueryObject>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryObject")));
    constexpr int BasicInformation = 0;
    ULONG Basic[16] = {};  // attributes, access, handle count, ...
    return Query(Witness, BasicInformation, Basic, sizeof Basic, nullptr) >= 0 && Basic[2] > 1;
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
    TOwned<TChangeHandlerThread> T(new TChangeHandlerThread(nullptr, RZSH_CHANGENOTIFY));
    const std::shared_ptr<TOpenLog> Log = Record(*T);
    const std::vector<HANDLE>& Opened = Log->Opened;
    int Slot = -1;
    for (int I = 0; I < TChangeHandlerThread::SlotCount; ++I) {
        ASSERT_TRUE(T->AddWatch(Dir.Path(), FILE_NOTIFY_CHANGE_FILE_NAME, Slot, false)) << I;
        EXPECT_EQ(Slot, I);
    }
    // The 64th finds no slot: refused, and its handle is closed at once
    // instead of waiting in the pending field for the next add to lose it.
    EXPECT_FALSE(T->AddWatch(Dir.Path(), FILE_NOTIFY_CHANGE_FILE_NAME, Slot, false));
    EXPECT_EQ(Slot, -1);
    ASSERT_EQ(Opened.size(), 64u);
    EXPECT_FALSE(HandleOpen(Opened.back()));
    EXPECT_TRUE(HandleOpen(Opened.front()));

    ASSERT_TRUE(T->RemoveAllWatches());
    for (size_t I = 0; I < 63; ++I)
        EXPECT_FALSE(HandleOpen(Opened[I])) << I;
    ASSERT_TRUE(T->AddWatch(Dir.Path(), FILE_NOTIFY_CHANGE_FILE_NAME, Slot, false));
    EXPECT_EQ(Slot, 0);
    ASSERT_TRUE(T->AddWatch(Dir.Path(), FILE_NOTIFY_CHANGE_FILE_NAME, Slot, false));
    EXPECT_EQ(Slot, 1);

    // Destroying closes every handle still in a slot.
    const std::vector<HANDLE> Last(Opened.end() - 2, Opened.end());
    T.reset();
    for (HANDLE H : Last)
        EXPECT_FALSE(HandleOpen(H));
}

TEST(ChangeThread, TimedOutAddTakesItsHandleBack)
{
    TTestFolder Dir("chgslow");
    TOwned<TChangeHandlerThread> T(new TChangeHandlerThread(nullptr, RZSH_CHANGENOTIFY));
    const std::shared_ptr<TOpenLog> Log = Record(*T);
    const std::vector<HANDLE>& Opened = Log->Opened;
    // The watcher is held before it takes the command, past the GUI
    // thread's patience.
    const HANDLE Gate = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    T->OnBeforeCommand = [Gate] { WaitForSingleObject(Gate, 10000); };
    T->SetCommandTimeout(20);
    int Slot = 5;
    EXPECT_FALSE(T->AddWatch(Dir.Path(), FILE_NOTIFY_CHANGE_FILE_NAME, Slot, false));
    EXPECT_EQ(Slot, -1);
    ASSERT_EQ(Opened.size(), 1u);
    EXPECT_FALSE(HandleOpen(Opened[0])) << "the GUI thread closed the handle the watcher never took";

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
    for (const char* Name : {"top", "held"})
        CreateDirectoryA(Dir.File(Name).c_str(), nullptr);
    Poisoning = true;
    const HANDLE Gate = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const HANDLE Held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    TOwned<TChangeHandlerThread> T(new TChangeHandlerThread(nullptr, RZSH_CHANGENOTIFY));
    std::shared_ptr<TOpenLog> Log = Record(*T);
    Log->Gate = Gate, Log->Held = Held, Log->HoldName = L"\\held", Log->Witnesses = true;
    int Slot = -1;
    ASSERT_TRUE(T->AddWatch(Dir.File("top"), FILE_NOTIFY_CHANGE_DIR_NAME, Slot, true));
    ASSERT_TRUE(T->AddWatch(Dir.File("held"), FILE_NOTIFY_CHANGE_FILE_NAME, Slot, false));
    ASSERT_EQ(WaitForSingleObject(Held, 5000), WAIT_OBJECT_0) << "the reopen went through the seam";
    EXPECT_EQ(Log->HeldPath, PrefixedPath(AnsiToWide(Dir.File("held")))) << "watched by the wide form";
    // While it is held, the window's commands are answered, and a watch
    // added meanwhile is reopened all the same.
    EXPECT_TRUE(T->RemoveAllWatches());
    EXPECT_TRUE(T->AddWatch(Dir.Path(), FILE_NOTIFY_CHANGE_FILE_NAME, Slot, false));
    EXPECT_EQ(Slot, 0) << "the held watch's slot was let go";
    for (const DWORD Began = GetTickCount(); GetTickCount() - Began < 5000; Sleep(20)) {
        std::lock_guard<std::mutex> Guard(Log->Lock);
        if (!Log->Reopened.empty())
            break;
    }
    // Freed by the house's owner while the reopen is held: the free waits
    // for no reopen, and the held one, once back, uses nothing freed and is
    // the last to let go of the record.
    T.reset();
    EXPECT_FALSE(Log->HeldReturned) << "the free waited for the held reopen";
    EXPECT_GT(Log.use_count(), 1) << "the held reopen still holds the record";
    SetEvent(Gate);
    for (const DWORD Began = GetTickCount(); Log.use_count() > 1 && GetTickCount() - Began < 10000;)
        Sleep(20);
    EXPECT_EQ(Log.use_count(), 1) << "the record was freed by whoever left last";
    EXPECT_TRUE(Log->HeldReturned);
    ASSERT_FALSE(Log->Reopened.empty());
    for (const std::vector<HANDLE>* Handles : {&Log->Opened, &Log->Reopened})
        for (HANDLE H : *Handles) {
            EXPECT_FALSE(HeldBeyondItsWitness(H)) << H;
            CloseHandle(H);
        }
    Poisoning = false;
    for (HANDLE H : {Gate, Held})
        CloseHandle(H);
}

// The list moves from a folder whose reopen is held on its server to
// another: the folder shown is reopened meanwhile, so its removal is told.
TEST(ChangeThread, AReopenHeldOnOneFolderHoldsBackNoOtherWatch)
{
    TTestFolder Dir("chgother");
    for (const char* Name : {"held", "shown"})
        CreateDirectoryA(Dir.File(Name).c_str(), nullptr);
    const HANDLE Gate = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const HANDLE Held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    TReceiver R;
    TOwned<TChangeHandlerThread> T(new TChangeHandlerThread(R.Wnd, RZSH_CHANGENOTIFY));
    const std::shared_ptr<TOpenLog> Log = Record(*T);
    Log->Gate = Gate, Log->Held = Held, Log->HoldName = L"\\held";
    int Slot = -1;
    ASSERT_TRUE(T->AddWatch(Dir.File("held"), FILE_NOTIFY_CHANGE_FILE_NAME, Slot, false));
    ASSERT_EQ(WaitForSingleObject(Held, 5000), WAIT_OBJECT_0);
    ASSERT_TRUE(T->RemoveAllWatches());
    ASSERT_TRUE(T->AddWatch(Dir.File("shown"), FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME, Slot, false));
    ASSERT_TRUE(RemoveDirectoryA(Dir.File("shown").c_str()));
    R.PumpUntil(1);
    ASSERT_EQ(R.Slots.size(), 1u) << "the removal waited for the held reopen";
    EXPECT_EQ(R.Slots[0], WPARAM(Slot));
    EXPECT_EQ(GetFileAttributesA(Dir.File("shown").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(T->UsedSlots(), 0);
    EXPECT_FALSE(Log->HeldReturned);
    SetEvent(Gate);
    T.reset();
    for (HANDLE H : {Gate, Held})
        CloseHandle(H);
}

// The shell controls can enter a folder past MAX_PATH; its watch is opened
// in the "\\?\" form and tells of a change in it.
TEST(ChangeThread, AFolderPastMaxPathIsWatched)
{
    TTestFolder Dir("chgdeep");
    std::wstring Deep = AnsiToWide(Dir.Path());
    while (Deep.size() <= MAX_PATH + 4) {
        Deep += L"\\" + std::wstring(40, L'd');
        ASSERT_TRUE(CreateDirectoryW(PrefixedPath(Deep).c_str(), nullptr)) << Deep.size();
    }
    TReceiver R;
    TOwned<TChangeHandlerThread> T(new TChangeHandlerThread(R.Wnd, RZSH_CHANGENOTIFY));
    int Slot = -1;
    ASSERT_TRUE(T->AddWatch(WideToAnsi(Deep.c_str()), FILE_NOTIFY_CHANGE_DIR_NAME, Slot, false));
    ASSERT_TRUE(CreateDirectoryW(PrefixedPath(Deep + L"\\new").c_str(), nullptr));
    R.PumpUntil(1);
    ASSERT_EQ(R.Slots.size(), 1u);
    EXPECT_EQ(R.Slots[0], WPARAM(Slot));
}
