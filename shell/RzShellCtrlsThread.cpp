// The change-notification thread: a watcher that waits on up to 63 folder
// watches and the command event, and tells one window of each change by a
// posted message. It never touches a control.
#include "shell/RzShellCtrls.h"

TChangeHandlerThread::TChangeHandlerThread(HWND Window, UINT Message)
    : FWindow(Window), FMessage(Message), FSlots(SlotCount, INVALID_HANDLE_VALUE)
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
    for (HANDLE& H : FSlots)
        if (H != INVALID_HANDLE_VALUE)
            Open.push_back(std::exchange(H, INVALID_HANDLE_VALUE));
    const HANDLE Pending = FPending.exchange(INVALID_HANDLE_VALUE);
    if (Pending != INVALID_HANDLE_VALUE)
        Open.push_back(Pending);
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
    const HANDLE Stale = FPending.exchange(H);
    if (Stale != INVALID_HANDLE_VALUE)
        FindCloseChangeNotification(Stale);
    if (!SendCommand(TCommand::Add)) {
        // Whoever takes the handle out of the pending field owns it: when
        // the watcher has not, it is ours to close, and the watcher will
        // find the field empty.
        const HANDLE Back = FPending.exchange(INVALID_HANDLE_VALUE);
        if (Back != INVALID_HANDLE_VALUE)
            FindCloseChangeNotification(Back);
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
    for (HANDLE H : FSlots)
        N += H != INVALID_HANDLE_VALUE;
    return N;
}

void TChangeHandlerThread::CloseSlot(int Slot)
{
    HANDLE& H = FSlots[static_cast<size_t>(Slot)];
    if (H != INVALID_HANDLE_VALUE)
        FindCloseChangeNotification(H);
    H = INVALID_HANDLE_VALUE;
}

void TChangeHandlerThread::Execute()
{
    std::vector<HANDLE> Waits;
    std::vector<int> SlotAt;
    unsigned HandledSerial = 0;
    for (;;) {
        Waits.assign(1, FCommandEvent.Get());
        SlotAt.assign(1, -1);
        for (int I = 0; I < SlotCount; ++I)
            if (FSlots[static_cast<size_t>(I)] != INVALID_HANDLE_VALUE) {
                Waits.push_back(FSlots[static_cast<size_t>(I)]);
                SlotAt.push_back(I);
            }
        const DWORD Count = static_cast<DWORD>(Waits.size());
        const DWORD R = WaitForMultipleObjects(Count, Waits.data(), FALSE, INFINITE);
        if (Terminated())
            break;
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
                const HANDLE H = FPending.exchange(INVALID_HANDLE_VALUE);
                if (H != INVALID_HANDLE_VALUE) {
                    for (int I = 0; I < SlotCount && Result < 0; ++I)
                        if (FSlots[static_cast<size_t>(I)] == INVALID_HANDLE_VALUE) {
                            FSlots[static_cast<size_t>(I)] = H;
                            Result = I;
                        }
                    // A handle with no slot is closed here rather than left
                    // pending for the next add to overwrite.
                    if (Result < 0)
                        FindCloseChangeNotification(H);
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
            const bool Armed = FindNextChangeNotification(FSlots[static_cast<size_t>(Slot)]);
            if (FWindow)
                PostMessageA(FWindow, FMessage, static_cast<WPARAM>(Slot), 0);
            if (!Armed)
                CloseSlot(Slot);
        } else if (R > WAIT_ABANDONED_0 && R < WAIT_ABANDONED_0 + Count) {
            CloseSlot(SlotAt[R - WAIT_ABANDONED_0]);
        }
    }
}
