#pragma once
// Environment strings, the locale's code page, the Ctrl key, sound cues and
// launching documents and programs through the shell.

#include <windows.h>

#include <functional>
#include <string>

extern bool SoundsOn;         // all sound cues
extern bool QuestionSoundOn;  // the question sound rather than the default beep

// Plays one system sound; MessageBeep unless a test listens instead.
extern std::function<void(UINT Sound)> BeepHook;

void BeepInformation();
void BeepWarning();
void BeepQuestion();

std::string ExpandEnvironmentVars(const std::string& Text);
// The name itself when the variable is unset or empty.
std::string GetEnvironmentVar(const std::string& Name);
int GetLocaleAnsiCodePage(LCID Locale, int Default);
bool IsCtrlKeyDown();

// The main form's guarded message pump, stored by the window layers; the
// waiting shell launch runs it while it polls.
extern std::function<void()> MessagePumpHook;

// ShellExecuteA as the launchers call it; tests put a recorder here.
extern std::function<HINSTANCE(HWND, const char* Verb, const char* File, const char* Params,
                               const char* Folder, int ShowCmd)>
    ShellExecuteHook;

bool ShellOpen(const std::string& FileName, bool NewWindow = false,
               const std::string& Folder = std::string(), int ShowCmd = SW_SHOWNORMAL);
bool ShellExecuteFile(const std::string& FileName, const std::string& Parameters = std::string(),
                      int ShowCmd = SW_SHOWNORMAL, bool Wait = false);
