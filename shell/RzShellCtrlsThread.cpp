// The change-notification thread: a watcher that waits on up to 63 folder
// watches and the command event, and tells one window of each change by a
// posted message. It never touches a control, and it makes no call that
// can wait on a disk or a server: the window waits for its answers. The
// once-a-second reopen, which opens folders by name, runs on a thread of
// its own.
#include "shell/RzShellCtrls.h"

namespace {

FILETIME WrittenTime(const std::string& Path)
{
    WIN32_FILE_ATTRIBUTE_DATA Data{};
    if (!GetFileAttributesExA(Path.c_str(), GetFileExInfoStandard, &Data))
        return {};
    return Data.ftLastWriteTime;
}

} // namespace

TChangeHandlerThread::TChangeHandlerThread(HWND Window, UINT Message)
    : FWindow(Window), FMessage(Message), FSlots(SlotCount)
{
    FCommandEvent.Reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    FAckEvent.Reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    FReopenWake.Reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    FReopened.Reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    if (!FCommandEvent || !FAckEvent || !FReopenWake || !FReopened)
        RaiseLastOSError();
    FReopenThread.Reset(CreateThread(nullptr, 0, &TChangeHandlerThread::ReopenProc, this, 0, &FReopenThreadId));
    if (!FReopenThread)
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

void TChangeHandlerThread::TRelease::operator()(TChangeHandlerThread* Watcher) const
{
    Watcher->StopWatcher();
    {
        std::lock_guard<std::mutex> Guard(Watcher->FReopenLock);
        Watcher->FAbandoned = true;
        // From here on the reopening thread has the watcher.
        if (Watcher->FReopenBusy) {
            Watcher->FReopenerFrees = true;
            return;
        }
    }
    delete Watcher;
}

void TChangeHandlerThread::BeforeDestruction()
{
    StopWatcher();
    // The reopening thread frees the watcher only once it is done with it.
    if (GetCurrentThreadId() == FReopenThreadId)
        return;
    {
        std::lock_guard<std::mutex> Guard(FReopenLock);
        FAbandoned = true;
    }
    SetEvent(FReopenWake.Get());
    WaitForSingleObject(FReopenThread.Get(), INFINITE);
    for (TReopen& R : std::exchange(FReopenDone, {}))
        if (R.Handle)
            FindCloseChangeNotification(R.Handle);
}

TChangeHandlerThread::~TChangeHandlerThread()
{
    BeforeDestruction();
}

HANDLE TChangeHandlerThread::OpenWatch(const std::string& Path, bool WatchSubtree, DWORD NotifyFilter)
{
    return FindFirstChangeNotificationA(Path.c_str(), WatchSubtree, NotifyFilter);
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
    const HANDLE H = OpenWatch(Path, WatchSubtree, NotifyFilter);
    if (H == INVALID_HANDLE_VALUE || !H)
        return false;
    auto Watch = std::make_unique<TWatch>(TWatch{H, Path, NotifyFilter, WatchSubtree});
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
// watcher hands the handles to the reopening thread and waits on without
// them; a command meanwhile is answered at once.
void TChangeHandlerThread::HandOverReopens()
{
    std::vector<TReopen> Batch;
    for (int I = 0; I < SlotCount; ++I) {
        TWatch* W = FSlots[static_cast<size_t>(I)].get();
        if (W && !W->Subtree && W->Handle)
            Batch.push_back({I, W->Serial, W->Path, W->Filter, std::exchange(W->Handle, nullptr)});
    }
    if (Batch.empty())
        return;
    {
        std::lock_guard<std::mutex> Guard(FReopenLock);
        FReopenAsked = std::move(Batch);
        FReopenBusy = true;
    }
    FReopensOut = true;
    SetEvent(FReopenWake.Get());
}

// Back on the watcher: a handle goes to its slot unless the slot was let go
// or given to another watch meanwhile.
void TChangeHandlerThread::TakeReopened()
{
    std::vector<TReopen> Done;
    {
        std::lock_guard<std::mutex> Guard(FReopenLock);
        Done.swap(FReopenDone);
    }
    FReopensOut = false;
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
void TChangeHandlerThread::ReopenOne(TReopen& Reopen)
{
    const HANDLE Old = std::exchange(Reopen.Handle, nullptr);
    if (FAbandoned) {
        FindCloseChangeNotification(Old);
        return;
    }
    const bool Signalled = WaitForSingleObject(Old, 0) == WAIT_OBJECT_0;
    const FILETIME Before = WrittenTime(Reopen.Path);
    FindCloseChangeNotification(Old);
    const HANDLE H = OpenWatch(Reopen.Path, false, Reopen.Filter);
    if (H == INVALID_HANDLE_VALUE || !H)
        return;
    Reopen.Handle = H;
    const FILETIME After = WrittenTime(Reopen.Path);
    Reopen.Changed = Signalled || CompareFileTime(&Before, &After) != 0;
}

DWORD WINAPI TChangeHandlerThread::ReopenProc(LPVOID Param)
{
    static_cast<TChangeHandlerThread*>(Param)->RunReopens();
    return 0;
}

// The reopening thread owns a batch from taking it until it puts it back,
// and a watcher released meanwhile from then on: nothing else touches it.
void TChangeHandlerThread::RunReopens()
{
    for (;;) {
        WaitForSingleObject(FReopenWake.Get(), INFINITE);
        std::vector<TReopen> Batch;
        {
            std::lock_guard<std::mutex> Guard(FReopenLock);
            if (!FReopenBusy) {
                if (FAbandoned)
                    return;
                continue;
            }
            Batch.swap(FReopenAsked);
        }
        for (TReopen& R : Batch)
            ReopenOne(R);
        bool Ours;
        {
            std::lock_guard<std::mutex> Guard(FReopenLock);
            FReopenBusy = false;
            Ours = FReopenerFrees;
            if (!FAbandoned) {
                FReopenDone = std::move(Batch);
                SetEvent(FReopened.Get());
                continue;
            }
        }
        for (TReopen& R : Batch)
            if (R.Handle)
                FindCloseChangeNotification(R.Handle);
        if (Ours)
            delete this;
        return;
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
        // Waited on only while a batch is out, so that some slots are
        // out too and the count stays within the limit.
        if (FReopensOut) {
            Waits.push_back(FReopened.Get());
            SlotAt.push_back(-1);
        }
        bool Reopens = false;
        for (int I = 0; I < SlotCount; ++I)
            if (const TWatch* W = FSlots[static_cast<size_t>(I)].get();
                W && W->Handle && Waits.size() < MAXIMUM_WAIT_OBJECTS) {
                Waits.push_back(W->Handle);
                SlotAt.push_back(I);
                Reopens = Reopens || !W->Subtree;
            }
        const DWORD Count = static_cast<DWORD>(Waits.size());
        const DWORD R = WaitForMultipleObjects(Count, Waits.data(), FALSE, Reopens && !FReopensOut ? ReopenInterval : INFINITE);
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
