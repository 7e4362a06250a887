// Worker threads hand work to the GUI thread while that thread sits in a
// modal loop the system runs (a message box, a menu): the application's
// window is woken by a posted message, which every such loop dispatches.
#include "classlib/Forms.h"
#include "classlib/Menus.h"
#include "classlib/Threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

namespace {

class TSyncWorker : public TThread {
public:
    explicit TSyncWorker(std::function<void()> Method) : FMethod(std::move(Method)) {}
    std::atomic<bool> Returned{false};

protected:
    void Execute() override
    {
        Synchronize(FMethod);
        Returned = true;
    }

private:
    std::function<void()> FMethod;
};

// One modal case: the class of the window the system shows, how it is
// closed from the synchronised call, and how the test opens it.
struct TModalCase {
    const char* Name;
    const char* WindowClass;
    void (*Close)(HWND Modal);
    void (*Open)();
};

struct TModalRun {
    const TModalCase* Case = nullptr;
    std::unique_ptr<TSyncWorker> Worker;
    bool SawModal = false;       // the call found the modal window showing
    DWORD CallThread = 0;
    int Ticks = 0;
};
TModalRun* Current = nullptr;

HWND FindModal(const char* WindowClass)
{
    const HWND W = FindWindowA(WindowClass, nullptr);
    return W && IsWindowVisible(W) ? W : nullptr;
}

// Fires inside the modal loop: once the modal window shows, the worker
// starts; its call closes the window. Should the call never come, a late
// tick closes the window so the test fails instead of hanging.
void CALLBACK Kick(HWND, UINT, UINT_PTR, DWORD)
{
    const HWND Modal = FindModal(Current->Case->WindowClass);
    ++Current->Ticks;
    if (Modal && !Current->Worker) {
        Current->Worker = std::make_unique<TSyncWorker>([] {
            Current->CallThread = GetCurrentThreadId();
            if (const HWND M = FindModal(Current->Case->WindowClass)) {
                Current->SawModal = true;
                Current->Case->Close(M);
            }
        });
        Current->Worker->Start();
    } else if (Modal && Current->Ticks > 500) {
        Current->Case->Close(Modal);
    }
}

void OpenBox()
{
    MessageBoxA(nullptr, "Waiting for the worker", "Synchronize", MB_OK);
}

void OpenMenu()
{
    TPopupMenu M(nullptr);
    auto* I = new TMenuItem(nullptr);
    I->SetCaption("Item");
    M.Items()->Add(I);
    M.Popup(100, 100);
}

const TModalCase ModalCases[] = {
    {"message box", "#32770", [](HWND Box) { PostMessageA(Box, WM_COMMAND, IDOK, 0); }, OpenBox},
    {"popup menu", "#32768", [](HWND) { EndMenu(); }, OpenMenu},
};

TEST(SynchronizeInModalLoops, CallsRunWhileTheGuiThreadIsInsideTheLoop)
{
    Application->Handle(); // the window that wakes the GUI thread
    for (const TModalCase& Case : ModalCases) {
        SCOPED_TRACE(Case.Name);
        TModalRun R;
        R.Case = &Case;
        Current = &R;
        const UINT_PTR Timer = SetTimer(nullptr, 0, 10, Kick);
        Case.Open();
        KillTimer(nullptr, Timer);
        ASSERT_TRUE(R.Worker);
        R.Worker->WaitFor();
        EXPECT_TRUE(R.SawModal);
        EXPECT_EQ(R.CallThread, MainThreadID());
        EXPECT_TRUE(R.Worker->Returned);
        Current = nullptr;
    }
}

} // namespace
