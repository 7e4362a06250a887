#include "foundation/KvWindows.h"

#include <cstring>

TWin32Version GWin32;

int GPrimaryMouseButton = 1;
int GSecondaryMouseButton = 2;


namespace {

using TRtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOEXW*);

// The first non-blank character of the service-pack text: " B" and "B"
// both mark the second edition of Windows 95.
char CsdLetter()
{
    for (char c : GWin32.CSDVersion)
        if (c != ' ')
            return c;
    return 0;
}

bool IsWorkstation()
{
    return GWin32.ProductType == VER_NT_WORKSTATION;
}

struct TNativeInfoCache {
    SYSTEM_INFO Info{};
    bool Filled = false;
};
TNativeInfoCache GNativeInfo;

struct TVersionReader {
    TVersionReader()
    {
        ReadWin32Version();
        if (GetSystemMetrics(SM_SWAPBUTTON)) {
            GPrimaryMouseButton = 2;
            GSecondaryMouseButton = 1;
        }
    }
} VersionReader;

}  // namespace

void ReadWin32Version()
{
    // GetVersionEx answers what the manifest promises, not what runs; the
    // kernel's own call tells the truth.
    OSVERSIONINFOEXW w{};
    w.dwOSVersionInfoSize = sizeof(w);
    bool ok = false;
    if (HMODULE nt = GetModuleHandleA("ntdll.dll")) {
        auto fn = reinterpret_cast<TRtlGetVersion>(
            reinterpret_cast<void*>(GetProcAddress(nt, "RtlGetVersion")));
        ok = fn && fn(&w) == 0;
    }
    if (ok) {
        GWin32.Platform = w.dwPlatformId;
        GWin32.Major = w.dwMajorVersion;
        GWin32.Minor = w.dwMinorVersion;
        GWin32.Build = w.dwBuildNumber;
        GWin32.ProductType = w.wProductType;
        char csd[256] = {};
        WideCharToMultiByte(CP_ACP, 0, w.szCSDVersion, -1, csd, sizeof(csd) - 1, nullptr, nullptr);
        GWin32.CSDVersion = csd;
    } else {
        OSVERSIONINFOEXA a{};
        a.dwOSVersionInfoSize = sizeof(a);
        if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&a))) {
            a.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
            GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&a));
            a.wProductType = 0;
        }
        GWin32.Platform = a.dwPlatformId;
        GWin32.Major = a.dwMajorVersion;
        GWin32.Minor = a.dwMinorVersion;
        GWin32.Build = a.dwBuildNumber & 0xFFFF;
        GWin32.ProductType = a.wProductType;
        GWin32.CSDVersion = a.szCSDVersion;
    }
    GWin32.ServerR2 = GetSystemMetrics(SM_SERVERR2) != 0;
    GWin32.WindowsMajor = static_cast<int>(GWin32.Major);
}

TWindowsVersion GetWindowsVersion()
{
    const DWORD major = GWin32.Major, minor = GWin32.Minor;
    switch (GWin32.Platform) {
    case VER_PLATFORM_WIN32s:
        return wvWin32s;
    case VER_PLATFORM_WIN32_WINDOWS:
        if (minor == 0)
            return CsdLetter() == 'B' ? wv95B : wv95;
        if (minor == 10)
            return CsdLetter() == 'A' ? wv98A : wv98;
        if (minor == 90)
            return wvME;
        return wvUnknown;
    case VER_PLATFORM_WIN32_NT:
        break;
    default:
        return wvUnknown;
    }
    if (major <= 2)
        return wvUnknown;
    if (major == 3)
        return wvNT3;
    if (major == 4)
        return wvNT4;
    if (major == 5) {
        if (minor == 0)
            return wv2000;
        if (minor == 1)
            return wvXP;
        if (minor == 2) {
            if (GWin32.ServerR2)
                return wvServer52R2;
            const WORD arch = GetNativeSystemInfo().wProcessorArchitecture;
            if (IsWorkstation() && arch != PROCESSOR_ARCHITECTURE_INTEL)
                return wvXP64;
            return wvServer52;
        }
        return wvLater;
    }
    if (major == 6) {
        switch (minor) {
        case 0: return IsWorkstation() ? wvVista : wvServer60;
        case 1: return IsWorkstation() ? wv7 : wvServer61;
        case 2: return IsWorkstation() ? wv8 : wvServer62;
        case 3: return IsWorkstation() ? wv81 : wvServer63;
        default: return wvLater;
        }
    }
    if (major == 10 && minor == 0)
        return IsWorkstation() ? wv10 : wvServer10;
    return wvLater;
}

bool IsWin95()
{
    return GWin32.Platform == VER_PLATFORM_WIN32_WINDOWS && GWin32.Minor == 0;
}

bool IsWin9x()
{
    return GWin32.Platform == VER_PLATFORM_WIN32_WINDOWS;
}

bool IsWinVistaOrLater()
{
    return GWin32.Platform == VER_PLATFORM_WIN32_NT && GWin32.Major > 5;
}

bool IsNT5OrLater()
{
    return GWin32.Platform == VER_PLATFORM_WIN32_NT && GWin32.Major >= 5;
}

bool IsWinXPOrLater()
{
    return GWin32.Platform == VER_PLATFORM_WIN32_NT &&
           (GWin32.Major > 5 || (GWin32.Major == 5 && GWin32.Minor >= 1));
}

bool IsWinMeOrNT5()
{
    return GetWindowsVersion() == wvME || IsNT5OrLater();
}

bool IsWin98OrNT5()
{
    return (IsWin9x() && GetWindowsVersion() >= wv98) || IsNT5OrLater();
}

const SYSTEM_INFO& GetNativeSystemInfo()
{
    if (!GNativeInfo.Filled) {
        using TGetNative = void(WINAPI*)(SYSTEM_INFO*);
        auto fn = reinterpret_cast<TGetNative>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetNativeSystemInfo")));
        if (fn)
            fn(&GNativeInfo.Info);
        else
            GetSystemInfo(&GNativeInfo.Info);
        GNativeInfo.Filled = true;
    }
    return GNativeInfo.Info;
}

bool IsHighContrastOn()
{
    HIGHCONTRASTA hc{};
    hc.cbSize = sizeof(hc);
    return SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof(hc), &hc, 0) &&
           (hc.dwFlags & HCF_HIGHCONTRASTON);
}

bool IsScreenReaderOn()
{
    BOOL on = FALSE;
    return SystemParametersInfoA(SPI_GETSCREENREADER, 0, &on, 0) && on;
}

namespace {

bool ForegroundDirect(HWND Window, bool AttachInput)
{
    if (!AttachInput)
        return SetForegroundWindow(Window) != FALSE;
    const DWORD own = GetCurrentThreadId();
    const HWND fore = GetForegroundWindow();
    const DWORD other = fore ? GetWindowThreadProcessId(fore, nullptr) : 0;
    const bool attach = other != 0 && other != own && AttachThreadInput(own, other, TRUE);
    const bool ok = SetForegroundWindow(Window) != FALSE;
    if (attach)
        AttachThreadInput(own, other, FALSE);
    return ok;
}

}  // namespace

bool BringWindowToForeground(HWND Window, bool AttachInput)
{
    if (!Window)
        return false;
    const TWindowsVersion v = GetWindowsVersion();
    // Newer systems refuse a foreground change unless the lock time-out is 0
    // for the moment of the call.
    if (IsNT5OrLater() || v == wv98 || v == wv98A || v == wvME) {
        DWORD timeout = 0;
        const bool got = SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &timeout, 0);
        if (got)
            SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, 0);
        const bool ok = ForegroundDirect(Window, AttachInput);
        if (got)
            SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0,
                                  reinterpret_cast<void*>(static_cast<ULONG_PTR>(timeout)), 0);
        return ok;
    }
    return ForegroundDirect(Window, AttachInput);
}

void BringApplicationToFront()
{
    auto ownBringToFront = [] {
        if (GHooks.ApplicationBringToFront)
            GHooks.ApplicationBringToFront();
    };
    const HWND mainForm = GHooks.MainFormWindow ? GHooks.MainFormWindow() : nullptr;
    if (GetWindowsVersion() <= wvNT4 || IsWin95() || !mainForm) {
        ownBringToFront();
        return;
    }
    const HWND app = GHooks.ApplicationWindow ? GHooks.ApplicationWindow() : nullptr;
    const HWND owner = app ? app : mainForm;
    const HWND popup = GetLastActivePopup(owner);
    if (popup && popup != owner && IsWindowVisible(popup) && IsWindowEnabled(popup) &&
        BringWindowToForeground(popup, true))
        return;
    if (BringWindowToForeground(owner, false))
        return;
    ownBringToFront();
}
