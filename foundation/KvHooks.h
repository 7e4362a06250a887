#pragma once
// The seams tests replace: sounds, the message pump, the shell launch, the
// windows and states the foundation asks the program for, the shell's
// folders and the kinds of drives. One set, so that a test swaps it whole.

#include <windows.h>

#include <functional>
#include <string>

#include "classlib/Cleanup.h"

struct TKvHooks {
    TKvHooks();

    // Plays one system sound; MessageBeep unless a test listens instead.
    std::function<void(UINT Sound)> Beep;
    // The main form's guarded message pump, stored by the window layers; the
    // waiting shell launch runs it while it polls.
    std::function<void()> MessagePump;
    // ShellExecuteA as the launchers call it; tests put a recorder here.
    // (Not named ShellExecute: the Windows headers make that a macro.)
    std::function<HINSTANCE(HWND, const char* Verb, const char* File, const char* Params, const char* Folder,
                            int ShowCmd)>
        ShellLaunch;
    // The application object lives in the window layers; they fill these so
    // that this library can reach its windows. Empty means no such window.
    std::function<HWND()> ApplicationWindow;  // the application window
    std::function<HWND()> MainFormWindow;     // the main form's window
    std::function<void()> ApplicationBringToFront;
    // True while the application is in the foreground.
    std::function<bool()> ApplicationActive;
    // Tests answer the shell's folders here (by CSIDL) instead of the shell.
    std::function<std::string(int Csidl)> SpecialFolder;
    // Seams for the drive tests of the start-up; empty means the system's
    // answer.
    std::function<bool(const std::string& Path)> RemovableDrive;
    std::function<bool(const std::string& Path)> ReadOnlyMedia;
};

extern TKvHooks GHooks;

// Keeps the whole set of hooks and puts it back when the scope ends, so a
// test sets only the hooks it needs and leaves none of them behind.
class THooksScope : private TRestoreScope<TKvHooks> {
public:
    THooksScope() : TRestoreScope(GHooks) {}
};
