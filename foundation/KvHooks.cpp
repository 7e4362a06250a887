#include "foundation/KvHooks.h"

#include <shellapi.h>

TKvHooks GHooks;

TKvHooks::TKvHooks()
    : Beep([](UINT Sound) { MessageBeep(Sound); }),
      ShellLaunch([](HWND Owner, const char* Verb, const char* File, const char* Params, const char* Folder,
                      int ShowCmd) { return ShellExecuteA(Owner, Verb, File, Params, Folder, ShowCmd); }),
      ApplicationActive([] {
          HWND Front = GetForegroundWindow();
          DWORD Pid = 0;
          if (Front)
              GetWindowThreadProcessId(Front, &Pid);
          return Pid == GetCurrentProcessId();
      })
{
}
