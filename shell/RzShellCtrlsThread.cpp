// The change-notification thread: a watcher that waits on up to 63 folder
// watches and the command event, and tells one window of each change by a
// posted message. It never touches a control.
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
    if (!FCommandEvent || !FAckEvent)
        RaiseLastOSError();
    SetFreeOnTerminate(false);
    Start();
}

void TChangeHandlerThread::BeforeDestruction()
{
    if (FDestroyed)
        return;
    FDestroyed = true;
    // The watcher leaves its loop at once on the quit command, since it is
    // then waiting on the command event; after that the slots are ours.
    FCommand = TCommand::Quit;
    ++FCommandSerial;
    SetEvent(FCommandEvent.Get());
    WaitForSingleObject(Handle(), QuitTimeout);
    std::vector<HANDLE> Open;
    for (std::unique_ptr<TWatch>& W : FSlots)
        if (W)
            Open.push_back(std::exchange(W, nullptr)->Handle);
    if (const std::unique_ptr<TWatch> Pending{FPending.exchange(nullptr)})
        Open.push_back(Pending->Handle);
    TThread::BeforeDestruction();
    FCommandEvent.Reset();
    FAckEvent.Reset();
    for (HANDLE H : Open)
        FindCloseChangeNotification(H);
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
    if (const std::unique_ptr<TWatch> W = std::move(FSlots[static_cast<size_t>(Slot)]))
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
// told as a change. Only what the watch asks for is told: a change while
// it was armed signalled it, and the write time is compared across the
// moment it was let go alone, since it also moves for changes the filter
// leaves out (a busy file beside watched folders).
void TChangeHandlerThread::ReopenWatches()
{
    for (int I = 0; I < SlotCount; ++I) {
        TWatch* W = FSlots[static_cast<size_t>(I)].get();
        if (!W || W->Subtree)
            continue;
        // A change since the wait ended is told too.
        const bool Signalled = WaitForSingleObject(W->Handle, 0) == WAIT_OBJECT_0;
        const FILETIME Before = WrittenTime(W->Path);
        FindCloseChangeNotification(W->Handle);
        W->Handle = FindFirstChangeNotificationA(W->Path.c_str(), FALSE, W->Filter);
        if (W->Handle == INVALID_HANDLE_VALUE || !W->Handle) {
            FSlots[static_cast<size_t>(I)].reset();
            Notify(I);
            continue;
        }
        const FILETIME After = WrittenTime(W->Path);
        if (Signalled || CompareFileTime(&Before, &After) != 0)
            Notify(I);
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
        bool Reopens = false;
        for (int I = 0; I < SlotCount; ++I)
            if (const TWatch* W = FSlots[static_cast<size_t>(I)].get()) {
                Waits.push_back(W->Handle);
                SlotAt.push_back(I);
                Reopens = Reopens || !W->Subtree;
            }
        const DWORD Count = static_cast<DWORD>(Waits.size());
        const DWORD R = WaitForMultipleObjects(Count, Waits.data(), FALSE, Reopens ? ReopenInterval : INFINITE);
        if (Terminated())
            break;
        if (R == WAIT_TIMEOUT) {
            ReopenWatches();
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
