// The change-notification thread: a watcher that waits on up to 63 folder
// watches and the command event, and tells one window of each change by a
// posted message. It never touches a control, and it makes no call that
// can wait on a disk or a server: the window waits for its answers. The
// once-a-second reopen, which opens folders by name, runs on threads of
// its own.
#include "shell/RzShellCtrls.h"

#include "classlib/PathForms.h"

#include <algorithm>
#include <climits>
#include <deque>

namespace {

FILETIME WrittenTime(const std::wstring& Path)
{
    WIN32_FILE_ATTRIBUTE_DATA Data{};
    if (!GetFileAttributesExW(Path.c_str(), GetFileExInfoStandard, &Data))
        return {};
    return Data.ftLastWriteTime;
}

HANDLE OpenChangeWatch(const std::wstring& Path, bool WatchSubtree, DWORD NotifyFilter)
{
    return FindFirstChangeNotificationW(Path.c_str(), WatchSubtree, NotifyFilter);
}

// Closes the handles of reopens nobody will take back.
template <typename TReopens>
void CloseReopens(const TReopens& Reopens)
{
    for (const auto& R : Reopens)
        if (R.Handle)
            FindCloseChangeNotification(R.Handle);
}

} // namespace

// What the watcher and its reopening threads share; each holds it, and the
// last to let go frees it. A reopen waits in Asked for a thread, and comes
// back in Done; Wake counts the reopens asked (and is flooded once the
// watcher is gone, so that every idle thread leaves).
struct TChangeHandlerThread::TReopenShare {
    std::mutex Lock;
    std::deque<TReopen> Asked;
    std::vector<TReopen> Done;
    // Reopening threads waiting for a reopen.
    int Idle = 0;
    std::atomic<bool> Abandoned{false};
    TOpener Open = &OpenChangeWatch;
    TKernelHandle Wake{CreateSemaphoreA(nullptr, 0, LONG_MAX, nullptr)};
    TKernelHandle Reopened{CreateEventA(nullptr, FALSE, FALSE, nullptr)};

    ~TReopenShare()
    {
        CloseReopens(Asked);
        CloseReopens(Done);
    }
};

// The watcher thread starts last: nothing after it can fail and leave it
// running on a half-built object. Reopening threads start only when a
// reopen is due.
TChangeHandlerThread::TChangeHandlerThread(HWND Window, UINT Message)
    : FWindow(Window), FMessage(Message), FSlots(SlotCount), FShare(std::make_shared<TReopenShare>())
{
    FCommandEvent.Reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    FAckEvent.Reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    if (!FCommandEvent || !FAckEvent || !FShare->Wake || !FShare->Reopened)
        RaiseLastOSError();
    SetFreeOnTerminate(false);
    Start();
}

// The watcher leaves its loop at once on the quit command: it never blocks
// on anything but its waits. After that the slots are ours.
void TChangeHandlerThread::StopWatcher()
{
    if (FDestroyed)
        return;
    FDestroyed = true;
    FCommand = TCommand::Quit;
    ++FCommandSerial;
    SetEvent(FCommandEvent.Get());
    TThread::BeforeDestruction();
    for (int I = 0; I < SlotCount; ++I)
        CloseSlot(I);
    if (const std::unique_ptr<TWatch> Pending{FPending.exchange(nullptr)})
        FindCloseChangeNotification(Pending->Handle);
}

// Every road of freeing comes here, and none waits for a reopen in its
// calls: the record is left to the reopening threads, which let go of it
// when they are done.
void TChangeHandlerThread::BeforeDestruction()
{
    if (FDestroyed)
        return;
    StopWatcher();
    std::deque<TReopen> Asked;
    std::vector<TReopen> Done;
    {
        std::lock_guard<std::mutex> Guard(FShare->Lock);
        FShare->Abandoned = true;
        Asked.swap(FShare->Asked);
        Done.swap(FShare->Done);
    }
    ReleaseSemaphore(FShare->Wake.Get(), LONG_MAX / 2, nullptr);
    CloseReopens(Asked);
    CloseReopens(Done);
}

TChangeHandlerThread::~TChangeHandlerThread()
{
    BeforeDestruction();
}

void TChangeHandlerThread::SetOpener(TOpener Opener)
{
    std::lock_guard<std::mutex> Guard(FShare->Lock);
    FShare->Open = std::move(Opener);
}

bool TChangeHandlerThread::SendCommand(TCommand Command)
{
    // Command before serial: a watcher that sees the new serial sees the
    // command (and the pending handle) that go with it.
    FCommand = Command;
    const unsigned Serial = ++FCommandSerial;
    ResetEvent(FAckEvent.Get());
    SetEvent(FCommandEvent.Get());
    const DWORD Start = GetTickCount();
    for (;;) {
        const DWORD Spent = GetTickCount() - Start;
        const DWORD Left = Spent >= FCommandTimeout ? 0 : FCommandTimeout - Spent;
        if (WaitForSingleObject(FAckEvent.Get(), Left) != WAIT_OBJECT_0)
            return false;
        // A late answer to an earlier, timed-out command: keep waiting.
        if (FAckSerial == Serial)
            return true;
    }
}

bool TChangeHandlerThread::AddWatch(const std::string& Path, DWORD NotifyFilter, int& Slot, bool WatchSubtree)
{
    Slot = -1;
    if (Path.empty())
        return false;
    // The "\\?\" form opens a folder past MAX_PATH, which the shell
    // controls can now enter.
    const std::wstring Wide = PrefixedPath(FullPlainPath(AnsiToWide(Path)));
    TOpener Open;
    {
        std::lock_guard<std::mutex> Guard(FShare->Lock);
        Open = FShare->Open;
    }
    const HANDLE H = Open(Wide, WatchSubtree, NotifyFilter);
    if (H == INVALID_HANDLE_VALUE || !H)
        return false;
    auto Watch = std::make_unique<TWatch>(TWatch{H, Wide, NotifyFilter, WatchSubtree});
    if (const std::unique_ptr<TWatch> Stale{FPending.exchange(Watch.release())})
        FindCloseChangeNotification(Stale->Handle);
    if (!SendCommand(TCommand::Add)) {
        // Whoever takes the watch out of the pending field owns it: when
        // the watcher has not, it is ours to close, and the watcher will
        // find the field empty.
        if (const std::unique_ptr<TWatch> Back{FPending.exchange(nullptr)})
            FindCloseChangeNotification(Back->Handle);
        return false;
    }
    Slot = FResultSlot;
    return Slot != -1;
}

bool TChangeHandlerThread::RemoveAllWatches()
{
    return SendCommand(TCommand::CloseAll);
}

int TChangeHandlerThread::UsedSlots() const
{
    int N = 0;
    for (const std::unique_ptr<TWatch>& W : FSlots)
        N += W != nullptr;
    return N;
}

void TChangeHandlerThread::CloseSlot(int Slot)
{
    // A watch being reopened has no handle here: the reopened one comes
    // back to an empty slot and is closed then.
    if (const std::unique_ptr<TWatch> W = std::move(FSlots[static_cast<size_t>(Slot)]); W && W->Handle)
        FindCloseChangeNotification(W->Handle);
}

void TChangeHandlerThread::Notify(int Slot)
{
    if (FWindow)
        PostMessageA(FWindow, FMessage, static_cast<WPARAM>(Slot), 0);
}

// Wine keeps a watched folder on disk while a watch holds it, even once it
// was removed, and tells no watch of its removal or of its rename; Windows
// tells none of a rename either. Each folder watch (not the subtree ones,
// which hold only their top) lets go of its folder and opens it again by
// name: a removal waiting for it ends, and a folder no longer there is
// told as a change. Opening by name waits for the folder's server, so the
// watcher hands the handles to the reopening threads and waits on without
// them; a command meanwhile is answered at once.
void TChangeHandlerThread::HandOverReopens()
{
    std::vector<TReopen> Batch;
    for (int I = 0; I < SlotCount; ++I) {
        TWatch* W = FSlots[static_cast<size_t>(I)].get();
        if (W && !W->Subtree && W->Handle)
            Batch.push_back({I, W->Serial, W->Path, W->Filter, std::exchange(W->Handle, nullptr)});
    }
    FReopensOut += Batch.size();
    bool Start;
    {
        std::lock_guard<std::mutex> Guard(FShare->Lock);
        for (TReopen& R : Batch)
            FShare->Asked.push_back(std::move(R));
        // A reopen left waiting while no thread is idle waits behind one
        // held in its calls: another thread takes it.
        Start = !FShare->Asked.empty() && FShare->Idle == 0;
    }
    if (!Batch.empty())
        ReleaseSemaphore(FShare->Wake.Get(), static_cast<LONG>(Batch.size()), nullptr);
    if (Start)
        StartReopener();
}

// A thread that cannot start now is asked for again at the next reopen.
void TChangeHandlerThread::StartReopener()
{
    auto* Held = new std::shared_ptr<TReopenShare>(FShare);
    DWORD Id = 0;
    if (const TKernelHandle Thread(CreateThread(nullptr, 0, &TChangeHandlerThread::ReopenProc, Held, 0, &Id));
        !Thread)
        delete Held;
}

// Back on the watcher: a handle goes to its slot unless the slot was let go
// or given to another watch meanwhile.
void TChangeHandlerThread::TakeReopened()
{
    std::vector<TReopen> Done;
    {
        std::lock_guard<std::mutex> Guard(FShare->Lock);
        Done.swap(FShare->Done);
    }
    FReopensOut -= std::min(FReopensOut, Done.size());
    for (TReopen& R : Done) {
        TWatch* W = FSlots[static_cast<size_t>(R.Slot)].get();
        if (!W || W->Serial != R.Serial) {
            if (R.Handle)
                FindCloseChangeNotification(R.Handle);
        } else if (!R.Handle) {
            FSlots[static_cast<size_t>(R.Slot)].reset();
            Notify(R.Slot);
        } else {
            W->Handle = R.Handle;
            if (R.Changed)
                Notify(R.Slot);
        }
    }
}

// Only what the watch asks for is told: a change while it was armed
// signalled it, and the write time is compared across the moment it was
// let go alone, since it also moves for changes the filter leaves out (a
// busy file beside watched folders).
void TChangeHandlerThread::ReopenOne(TReopen& Reopen, const TOpener& Open, const std::atomic<bool>& Abandoned)
{
    const HANDLE Old = std::exchange(Reopen.Handle, nullptr);
    if (Abandoned) {
        FindCloseChangeNotification(Old);
        return;
    }
    const bool Signalled = WaitForSingleObject(Old, 0) == WAIT_OBJECT_0;
    const FILETIME Before = WrittenTime(Reopen.Path);
    FindCloseChangeNotification(Old);
    const HANDLE H = Open(Reopen.Path, false, Reopen.Filter);
    if (H == INVALID_HANDLE_VALUE || !H)
        return;
    Reopen.Handle = H;
    const FILETIME After = WrittenTime(Reopen.Path);
    Reopen.Changed = Signalled || CompareFileTime(&Before, &After) != 0;
}

// A reopening thread holds the shared record and nothing else: it takes
// one reopen at a time, owns it until it is back in Done, and leaves once
// the watcher is gone. A reopen that comes back after that is closed here.
DWORD WINAPI TChangeHandlerThread::ReopenProc(LPVOID Param)
{
    // Declared before the lock, so the lock is let go before the record.
    const std::unique_ptr<std::shared_ptr<TReopenShare>> Held(static_cast<std::shared_ptr<TReopenShare>*>(Param));
    TReopenShare& Share = **Held;
    std::unique_lock<std::mutex> Lock(Share.Lock);
    for (;;) {
        ++Share.Idle;
        Lock.unlock();
        WaitForSingleObject(Share.Wake.Get(), INFINITE);
        Lock.lock();
        --Share.Idle;
        if (Share.Abandoned)
            return 0;
        if (Share.Asked.empty())
            continue;
        TReopen Reopen = std::move(Share.Asked.front());
        Share.Asked.pop_front();
        const TOpener Open = Share.Open;
        Lock.unlock();
        ReopenOne(Reopen, Open, Share.Abandoned);
        Lock.lock();
        if (Share.Abandoned) {
            if (Reopen.Handle)
                FindCloseChangeNotification(Reopen.Handle);
            return 0;
        }
        Share.Done.push_back(std::move(Reopen));
        SetEvent(Share.Reopened.Get());
    }
}

void TChangeHandlerThread::Execute()
{
    std::vector<HANDLE> Waits;
    std::vector<int> SlotAt;
    unsigned HandledSerial = 0;
    for (;;) {
        Waits.assign(1, FCommandEvent.Get());
        SlotAt.assign(1, -1);
        // Waited on only while reopens are out, so that some slots are
        // out too and the count stays within the limit.
        if (FReopensOut) {
            Waits.push_back(FShare->Reopened.Get());
            SlotAt.push_back(-1);
        }
        bool Reopens = false;
        // A watch whose reopen is out still asks for the next round: a
        // reopen held in its calls must not hold back the others.
        for (int I = 0; I < SlotCount; ++I)
            if (const TWatch* W = FSlots[static_cast<size_t>(I)].get()) {
                Reopens = Reopens || !W->Subtree;
                if (W->Handle && Waits.size() < MAXIMUM_WAIT_OBJECTS) {
                    Waits.push_back(W->Handle);
                    SlotAt.push_back(I);
                }
            }
        const DWORD Count = static_cast<DWORD>(Waits.size());
        const DWORD R = WaitForMultipleObjects(Count, Waits.data(), FALSE, Reopens ? ReopenInterval : INFINITE);
        if (Terminated())
            break;
        if (R == WAIT_TIMEOUT) {
            HandOverReopens();
            continue;
        }
        if (R == WAIT_OBJECT_0) {
            if (OnBeforeCommand)
                OnBeforeCommand();
            const unsigned Serial = FCommandSerial;
            // A late wake-up can find the next command already posted; its
            // own wake-up must not run it a second time (an add would find
            // the pending field empty and overwrite the slot it answered).
            if (Serial == HandledSerial)
                continue;
            HandledSerial = Serial;
            switch (FCommand.load()) {
            case TCommand::Add: {
                int Result = -1;
                if (std::unique_ptr<TWatch> W{FPending.exchange(nullptr)}) {
                    for (int I = 0; I < SlotCount && Result < 0; ++I)
                        if (!FSlots[static_cast<size_t>(I)]) {
                            W->Serial = ++FWatchSerial;
                            FSlots[static_cast<size_t>(I)] = std::move(W);
                            Result = I;
                        }
                    // A handle with no slot is closed here rather than left
                    // pending for the next add to overwrite.
                    if (W)
                        FindCloseChangeNotification(W->Handle);
                }
                FResultSlot = Result;
                break;
            }
            case TCommand::CloseAll:
                for (int I = 0; I < SlotCount; ++I)
                    CloseSlot(I);
                break;
            case TCommand::Quit:
                return;
            }
            FAckSerial = Serial;
            SetEvent(FAckEvent.Get());
        } else if (R > WAIT_OBJECT_0 && R < WAIT_OBJECT_0 + Count) {
            // Re-armed before the window hears of it: Wine drops a change
            // that comes between the signal and the re-arm, and the window
            // may well make one as soon as it is told.
            const int Slot = SlotAt[R - WAIT_OBJECT_0];
            if (Slot < 0) {
                TakeReopened();
                continue;
            }
            TWatch& W = *FSlots[static_cast<size_t>(Slot)];
            const bool Armed = FindNextChangeNotification(W.Handle);
            Notify(Slot);
            if (!Armed)
                CloseSlot(Slot);
        } else if (R > WAIT_ABANDONED_0 && R < WAIT_ABANDONED_0 + Count) {
            CloseSlot(SlotAt[R - WAIT_ABANDONED_0]);
        }
    }
}
