#pragma once
// The Windows version, the native system information, the accessibility
// flags of the system and bringing the program's windows to the front.

#include <windows.h>

#include <functional>
#include <string>
#include "foundation/KvHooks.h"

// The platform's version as read once at start-up (ReadWin32Version). Tests
// swap the whole set to ask the version questions of another system.
struct TWin32Version {
    DWORD Platform = VER_PLATFORM_WIN32_NT;  // 0 Win32s, 1 the 9x family, 2 NT
    DWORD Major = 0;
    DWORD Minor = 0;
    DWORD Build = 0;
    std::string CSDVersion;  // the service-pack text
    BYTE ProductType = 0;    // 1 workstation; 0 when the system did not say
    bool ServerR2 = false;   // the Server R2 system metric
    int WindowsMajor = 0;    // Major as the callers keep it
};
extern TWin32Version GWin32;

// Refills GWin32 from the system.
void ReadWin32Version();

enum TWindowsVersion : int {
    wvUnknown = 0, wvNT3 = 1, wvWin32s = 2, wv95 = 3, wv95B = 4, wvNT4 = 5,
    wv98 = 6, wv98A = 7, wvME = 8, wv2000 = 9, wvXP = 10, wvXP64 = 11,
    wvServer52 = 12, wvServer52R2 = 13, wvVista = 14, wvServer60 = 15,
    wvServer61 = 16, wv7 = 17, wvServer62 = 18, wvServer63 = 19, wv8 = 20,
    wv81 = 21, wv10 = 22, wvServer10 = 23, wvLater = 24
};

TWindowsVersion GetWindowsVersion();
bool IsWin95();
bool IsWin9x();
bool IsWinVistaOrLater();
bool IsNT5OrLater();
bool IsWinXPOrLater();
bool IsWinMeOrNT5();      // Windows ME, or NT 5 and later
bool IsWin98OrNT5();      // Windows 98 and later of the 9x family, or NT 5 and later

// The kernel's native system information when the call exists, else the
// plain one; read once.
const SYSTEM_INFO& GetNativeSystemInfo();

bool IsHighContrastOn();
bool IsScreenReaderOn();

// 1 and 2, or 2 and 1 when the system swaps the mouse buttons.
extern int GPrimaryMouseButton;
extern int GSecondaryMouseButton;


bool BringWindowToForeground(HWND Window, bool AttachInput = false);
void BringApplicationToFront();
