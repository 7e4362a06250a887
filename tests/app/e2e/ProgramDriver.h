#pragma once
// Drives a real program in its own process the way a user would, but only
// through what another process can do to its windows: find them by class
// and caption, post mouse clicks, set their text with WM_SETTEXT, read it
// back, wait for a state by polling it within a time limit, and copy what
// the screen shows of a window into a BMP file.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "classlib/Cleanup.h"

// One run of a program. The process is ended at destruction when it is
// still running, so a failed test leaves nothing behind.
class TProgramRun {
public:
    // Starts Exe with the command-line tail Args in the folder WorkDir.
    // Started() is false (and Error() says why) when it could not start.
    TProgramRun(const std::string& Exe, const std::string& Args, const std::string& WorkDir);
    ~TProgramRun();
    TProgramRun(const TProgramRun&) = delete;
    TProgramRun& operator=(const TProgramRun&) = delete;

    bool Started() const { return FProcess.Valid(); }
    const std::string& Error() const { return FError; }
    DWORD ProcessId() const { return FProcessId; }

    // Polls Condition until it holds or TimeoutMs have passed; between polls
    // it waits on the process, so an exit ends the wait at once. The answer
    // is the last value of Condition.
    bool WaitFor(const std::function<bool()>& Condition, DWORD TimeoutMs) const;
    bool Running() const;
    // True when the process ended within TimeoutMs; ExitCode is its code.
    bool WaitExit(DWORD TimeoutMs, DWORD& ExitCode) const;

    // The program's visible top-level windows of the class (with its
    // "Tessaly." prefix given by the caller) whose caption is Caption; an
    // empty Caption takes any.
    std::vector<HWND> TopWindows(const std::string& ClassName, const std::string& Caption = std::string()) const;
    // The first of these to appear within TimeoutMs; null when none did.
    HWND WaitTopWindow(const std::string& ClassName, const std::string& Caption, DWORD TimeoutMs) const;
    // Waits until Wnd is gone or hidden.
    bool WaitGone(HWND Wnd, DWORD TimeoutMs) const;
    // Waits until Wnd and its descendants have nothing left to paint and
    // what the screen shows of it has stayed the same for a while, then
    // saves it as a 32-bit BMP file. False when it never settled in time or
    // could not be saved.
    bool SaveSettledShot(HWND Wnd, const std::string& FileName, DWORD TimeoutMs = 10000) const;

private:
    TKernelHandle FProcess;
    TKernelHandle FThread;
    DWORD FProcessId = 0;
    std::string FError;
};

// The class name of a window.
std::string WindowClass(HWND Wnd);
// The window's text, asked of its own window procedure (WM_GETTEXT), so an
// edit answers its contents; the accelerator marks ('&') are kept.
std::string WindowText(HWND Wnd);
// Text without the accelerator marks: "&Next >" reads "Next >".
std::string PlainCaption(const std::string& Caption);
// The visible descendants of Parent of the class whose plain caption is
// Caption (any caption when empty), in the order of the window tree.
std::vector<HWND> ChildWindows(HWND Parent, const std::string& ClassName,
                               const std::string& Caption = std::string());
// The first of these, or null.
HWND ChildWindow(HWND Parent, const std::string& ClassName, const std::string& Caption = std::string());

// A visible descendant of Parent of the class whose plain caption begins
// with Prefix ("Next" finds "Next >"), or null.
HWND ButtonOf(HWND Parent, const char* ClassName, const std::string& Prefix);
// The texts of the visible descendants of the class, one after another,
// each followed by a line feed.
std::string ChildTexts(HWND Parent, const char* ClassName);

// Posts a left-button press and release at the middle of Wnd's client
// area (or at X, Y in client coordinates).
void PostClick(HWND Wnd);
void PostClickAt(HWND Wnd, int X, int Y);
// The window that has the keyboard focus in Wnd's thread, or null.
HWND FocusIn(HWND Wnd);
// A key pressed and released on the focused window of Wnd's thread, as the
// keyboard posts it (the program's message loop makes its character, which
// comes after whatever was posted before it is translated); and characters
// typed there.
void PostKey(HWND Wnd, WORD Key);
// A key typed on the keyboard, Shift (or Ctrl) held when asked, into Wnd's
// window, brought to the front first: unlike a posted key, the program
// reads Shift and Ctrl as held.
void TypeKey(HWND Wnd, WORD Key, bool Shift = false, bool Ctrl = false);
void PostChars(HWND Wnd, const std::string& Text);
// WM_SETTEXT sent to the window; false when it did not answer in time.
bool SendText(HWND Wnd, const std::string& Text);

// Whether Wnd or a visible descendant still has a region to paint.
bool PaintPending(HWND Wnd);

// The look the next started program takes. Wine's visual styles follow
// the "ThemeActive" value of the current user's theme settings, read when
// a process loads uxtheme; this switches it for the programs started inside
// the scope and puts the old value back after it. A value that an ended
// run left switched off is found again through a mark beside it.
class TThemeLookScope {
public:
    explicit TThemeLookScope(bool Themed);
    ~TThemeLookScope();
    TThemeLookScope(const TThemeLookScope&) = delete;
    TThemeLookScope& operator=(const TThemeLookScope&) = delete;

private:
    std::string FWas;
};

// The folder of this test program, with a trailing backslash: the build
// folder's test folder, where the pictures go.
std::string TestProgramFolder();
