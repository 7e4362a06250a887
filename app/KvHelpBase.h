#pragma once
// Every question and message of the program goes through these: a help
// context, a position, a beep, a flashing taskbar button while the program
// is in the background, and a leading blank for screen readers. Also the
// focus routines of the wizard and HTML Help loaded by name on demand.
#include <windows.h>

#include <functional>
#include <string>

#include "classlib/Dialogs.h"
#include "foundation/KvHooks.h"

// X and Y place the box when not negative; both negative centre it on the
// main form.
TModalResult KvMessageDlgPosHelp(const std::string& Text, TMsgDlgType Type, TMsgDlgButtons Buttons,
                                 const std::string& HelpFile, int Y, int X, int HelpContext);
// The dialog with the program's care around it: the wait cursor reset, an
// update lock lifted while it shows, the taskbar button flashing while
// the program is in the background.
TModalResult KvMessageDlg(const std::string& Text, TMsgDlgType Type, TMsgDlgButtons Buttons, int HelpContext);
bool KvConfirm(const std::string& Text, bool Beep = true);
void KvError(const std::string& Text, bool Beep = true);
void KvInformation(const std::string& Text, bool Beep = true);
void KvWarning(const std::string& Text, bool Beep = true);

// The window whose updates are locked (LockWindowUpdate), kept by whoever
// locked it so that a dialog can lift the lock while it shows.
extern HWND GUpdateLockedWindow;

// Focuses Control when it can take the focus, else Fallback; true when
// one got it. Nothing while the application ends or is minimised.
bool SafeFocus(TWinControl* Control, TWinControl* Fallback = nullptr);
// Descends into the first focusable child in tab order as long as there
// are children, and focuses the deepest one found.
bool FocusFirstControl(TWinControl* Container);
// The next focusable control after Current in Container's tab order,
// wrapping round; nullptr when none.
TWinControl* FindNextFocusable(TWinControl* Container, TWinControl* Current, bool TabStopOnly,
                               bool DirectChildOnly);

// Base with ".chm" when that file exists, else with ".hlp".
std::string HelpFileName(const std::string& Base);
bool IsChmFile(const std::string& FileName);

using THtmlHelpProc = std::function<HWND(HWND Caller, const char* File, UINT Command, DWORD_PTR Data)>;
using TWinHelpProc = std::function<BOOL(HWND Window, const char* File, UINT Command, ULONG_PTR Data)>;
// "HtmlHelpA" of HHCTRL.OCX, loaded once on first need; tests put their own
// in its place with SetHtmlHelpProc.
bool HtmlHelpAvailable();
HWND CallHtmlHelp(HWND Caller, const char* File, UINT Command, DWORD_PTR Data);
void SetHtmlHelpProc(THtmlHelpProc Proc);
// "WinHelpA" of user32 unless a test put its own in.
BOOL CallWinHelp(HWND Window, const char* File, UINT Command, ULONG_PTR Data);
void SetWinHelpProc(TWinHelpProc Proc);

// The sound check at start: whether wave-output devices exist, and the
// question-sound flag set from the user's sound scheme, so BeepQuestion
// sounds the question only where the scheme gives it a file.
extern bool GWaveOutputPresent;
// The scheme's key of the system question sound, below the current user.
extern const char* const QuestionSoundKey;
void StartSounds();
