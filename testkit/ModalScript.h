#pragma once
// Drives a modal form the way a user would, from inside its own modal loop:
// a timer of the test's thread finds the form's window by its class
// ("Tessaly." + class name) and runs one step per tick on it; the steps post
// clicks and keys to the form's controls. Also: answering the shell's
// confirmation boxes, and holding a key down.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "classlib/Controls.h"
#include "classlib/Forms.h"

namespace modal_test {

using TStep = std::function<void(TCustomForm* Form)>;

class TModalScript {
public:
    // Steps run one per timer tick once a visible window of the class is
    // up; a step that throws ends the script with the form cancelled.
    TModalScript(const std::string& ClassName, std::vector<TStep> Steps)
        : FWindowClass("Tessaly." + ClassName), FSteps(std::move(Steps))
    {
        Current() = this;
        FTimer = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, &Tick);
    }
    ~TModalScript()
    {
        KillTimer(nullptr, FTimer);
        Current() = nullptr;
    }
    TModalScript(const TModalScript&) = delete;
    TModalScript& operator=(const TModalScript&) = delete;

    // How many steps ran.
    size_t Done() const { return FNext; }
    std::string Failure;

private:
    static TModalScript*& Current()
    {
        static TModalScript* Script = nullptr;
        return Script;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        TModalScript* S = Current();
        if (!S || S->FRunning)
            return;
        HWND W = FindWindowA(S->FWindowClass.c_str(), nullptr);
        auto* Form = dynamic_cast<TCustomForm*>(TWinControl::FindControl(W));
        if (!W || !IsWindowVisible(W) || !Form) {
            // Never hang the suite on a form of another class.
            if (++S->FIdleTicks == 500)
                if (TCustomForm* Other = Screen->ActiveCustomForm()) {
                    S->Failure = "no window of class " + S->FWindowClass;
                    Other->SetModalResult(mrCancel);
                }
            return;
        }
        // A box of the form's own (a shell confirmation) disables it.
        if (!IsWindowEnabled(W))
            return;
        if (S->FNext >= S->FSteps.size()) {
            // The steps should have closed the form: never hang the suite.
            if (++S->FIdleTicks == 300) {
                S->Failure = "the form stayed open after the last step";
                Form->SetModalResult(mrCancel);
            }
            return;
        }
        // A step may run a modal loop of its own (a message box); the
        // ticks inside it wait.
        S->FRunning = true;
        try {
            S->FSteps[S->FNext++](Form);
        } catch (const std::exception& E) {
            S->Failure = E.what();
            S->FNext = S->FSteps.size();
            Form->SetModalResult(mrCancel);
        }
        S->FRunning = false;
    }

    std::string FWindowClass;
    std::vector<TStep> FSteps;
    size_t FNext = 0;
    bool FRunning = false;
    int FIdleTicks = 0;
    UINT_PTR FTimer = 0;
};

// A left click on a windowed control, queued as the mouse would send it.
inline void PostClick(TWinControl* Control, int X = 4, int Y = 4)
{
    PostMessageA(Control->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(X, Y));
    PostMessageA(Control->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(X, Y));
}

// A left click on a graphic control, sent to the window it is drawn on.
inline void PostClick(TControl* Control)
{
    const int X = Control->Left() + Control->Width() / 2, Y = Control->Top() + Control->Height() / 2;
    HWND W = Control->Parent()->Handle();
    PostMessageA(W, WM_MOUSEMOVE, 0, MAKELPARAM(X, Y));
    PostMessageA(W, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(X, Y));
    PostMessageA(W, WM_LBUTTONUP, 0, MAKELPARAM(X, Y));
}

// Answers "Yes" to every visible dialog box of the thread (the shell's
// confirmations) from inside the box's own modal loop.
class TAnswerYes {
public:
    TAnswerYes() : FTimer(SetTimer(nullptr, 0, USER_TIMER_MINIMUM, &Tick)) {}
    ~TAnswerYes() { KillTimer(nullptr, FTimer); }
    TAnswerYes(const TAnswerYes&) = delete;
    TAnswerYes& operator=(const TAnswerYes&) = delete;
    static int& Answered()
    {
        static int Count = 0;
        return Count;
    }

private:
    static BOOL CALLBACK Answer(HWND W, LPARAM)
    {
        char Class[16] = {};
        GetClassNameA(W, Class, sizeof Class);
        if (std::string(Class) == "#32770" && IsWindowVisible(W)) {
            ++Answered();
            PostMessageA(W, WM_COMMAND, IDYES, 0);
        }
        return TRUE;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) { EnumThreadWindows(GetCurrentThreadId(), &Answer, 0); }
    UINT_PTR FTimer;
};

} // namespace modal_test

// Holds a key (Shift, Ctrl) down in this thread's key state for the
// object's life.
class TKeyHeld {
public:
    explicit TKeyHeld(BYTE VKey) : FKey(VKey) { Set(0x80); }
    ~TKeyHeld() { Set(0); }
    TKeyHeld(const TKeyHeld&) = delete;
    TKeyHeld& operator=(const TKeyHeld&) = delete;

private:
    void Set(BYTE State)
    {
        BYTE Keys[256];
        GetKeyboardState(Keys);
        Keys[FKey] = State;
        SetKeyboardState(Keys);
    }
    BYTE FKey;
};
