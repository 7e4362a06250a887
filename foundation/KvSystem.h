#pragma once
// Environment strings, the locale's code page, the Ctrl key, sound cues and
// launching documents and programs through the shell.

#include <windows.h>

#include <functional>
#include <string>
#include "classlib/Cleanup.h"
#include "foundation/KvHooks.h"

extern bool SoundsOn;         // all sound cues
extern bool QuestionSoundOn;  // the question sound rather than the default beep

// Keeps both sound flags and puts them back when the scope ends.
struct TSoundFlagsScope {
    TRestoreScope<bool> FSounds{SoundsOn}, FQuestion{QuestionSoundOn};
};


void BeepInformation();
void BeepWarning();
void BeepQuestion();

std::string ExpandEnvironmentVars(const std::string& Text);
// The name itself when the variable is unset or empty.
std::string GetEnvironmentVar(const std::string& Name);
int GetLocaleAnsiCodePage(LCID Locale, int Default);
bool IsCtrlKeyDown();


bool ShellOpen(const std::string& FileName, bool NewWindow = false,
               const std::string& Folder = std::string(), int ShowCmd = SW_SHOWNORMAL);
bool ShellExecuteFile(const std::string& FileName, const std::string& Parameters = std::string(),
                      int ShowCmd = SW_SHOWNORMAL, bool Wait = false);
