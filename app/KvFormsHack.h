#pragma once
// The base of the program's forms: a start-up that runs once the window
// exists, a message pump that long work on the GUI thread may call safely,
// restoring without the system's animation, a stay-on-top switch and nested
// window-update locks.
#include <windows.h>

#include "classlib/Forms.h"

// Private window messages of the form bases.
enum : UINT {
    KM_STARTUP = 1525,    // posted once the window exists: the deferred start-up
    KM_AFTERSHOW = 1526,  // posted once when the form is first shown
    KM_CLOSEFORM = 1527,  // closes the form
    KM_TERMINATE = 1528,  // ends the application
};

// The screen's pixels per inch, read at start and again when the display
// changes; the placement of windows is kept per value.
extern int GScreenPixelsPerInch;
// More than 96 pixels per inch.
extern bool GLargeFonts;
int ReadScreenPixelsPerInch();

class TKvFormHack : public TForm {
public:
    explicit TKvFormHack(TComponent* AOwner);
    ~TKvFormHack() override;

    virtual void SetStayOnTop(bool Value);
    bool GetStayOnTop() const { return FormStyle() == fsStayOnTop; }

    // Handles pending messages, but only once the deferred start-up has
    // begun and while the form is visible: long work calls it after every
    // step, and before that point a re-entered handler would meet a form
    // that is not set up. Paint false leaves the paints pending.
    void ProcessMessagesIfAllowed(bool Paint = true);
    bool PumpAllowed() const { return FPumpAllowed; }
    bool StartupPosted() const { return FStartupPosted; }

    // Counting window-update lock: the first lock locks the window, the
    // last unlock (or a forced one) unlocks it.
    void LockUpdates(bool Lock, bool Force = false);
    int UpdateLockCount() const { return FUpdateLockCount; }

    // Shows Handle with Command while the system's minimise and restore
    // animation is switched off.
    static void ShowWindowNoAnimation(HWND Handle, int Command);
    // Restores the minimised application and this (main) form without the
    // animation, back to its former state.
    void RestoreNoAnimation();
    bool WasMaximized() const { return FWasMaximized; }

    // True for the application's main form.
    bool IsMainForm() const { return Application && Application->MainForm() == this; }

protected:
    void CreateWnd() override;
    void Loaded() override;
    void WndProc(TMessage& Message) override;
    // The deferred start-up; the main form's own set-up overrides it and
    // ends by calling the inherited one.
    virtual void Startup() {}
    // Runs once after the form was first shown.
    virtual void AfterShow() {}
    // Runs at the end of Loaded.
    virtual void FormLoaded() {}
    // The keyboard language changed.
    virtual void InputLanguageChanged() {}

private:
    bool FStartupPosted = false;
    bool FPumpAllowed = false;
    bool FStartupDone = false;
    bool FAfterShowPosted = false;
    bool FWasMaximized = false;
    bool FLocked = false;
    int FUpdateLockCount = 0;
};
