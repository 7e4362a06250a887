#include "ProgramDriver.h"

#include <cstring>
#include <exception>
#include <memory>
#include <vector>

#include "classlib/Graphics.h"

namespace {

// Answers from another process's window procedure come through the other
// thread's message loop; a program that stops answering fails the test
// instead of holding it.
constexpr UINT AnswerTimeoutMs = 5000;
// How long one poll waits on the process before the condition is asked
// again.
constexpr DWORD PollMs = 15;

bool Matches(HWND Wnd, const std::string& ClassName, const std::string& Caption)
{
    if (WindowClass(Wnd) != ClassName)
        return false;
    return Caption.empty() || PlainCaption(WindowText(Wnd)) == PlainCaption(Caption);
}

// The windows an enumeration collects: visible ones of the class and
// caption, and of the process when one is named.
struct TWindowSearch {
    DWORD ProcessId;
    const std::string* Class;
    const std::string* Caption;
    std::vector<HWND> Found;
};

BOOL CALLBACK CollectWindow(HWND Wnd, LPARAM Param)
{
    auto& S = *reinterpret_cast<TWindowSearch*>(Param);
    DWORD Owner = 0;
    GetWindowThreadProcessId(Wnd, &Owner);
    if ((S.ProcessId == 0 || Owner == S.ProcessId) && IsWindowVisible(Wnd) && Matches(Wnd, *S.Class, *S.Caption))
        S.Found.push_back(Wnd);
    return TRUE;
}

const char* const ThemeKey = "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";
const char* const ThemeValue = "ThemeActive";
const char* const ThemeMark = "TessalyTestThemeActive";

std::string ReadThemeString(HKEY Key, const char* Name, bool& Found)
{
    char Buf[16] = {};
    DWORD Size = sizeof Buf - 1, Type = 0;
    Found = RegQueryValueExA(Key, Name, nullptr, &Type, reinterpret_cast<BYTE*>(Buf), &Size) == ERROR_SUCCESS &&
            Type == REG_SZ;
    return Found ? std::string(Buf) : std::string();
}

void WriteThemeString(HKEY Key, const char* Name, const std::string& Value)
{
    RegSetValueExA(Key, Name, 0, REG_SZ, reinterpret_cast<const BYTE*>(Value.c_str()),
                   static_cast<DWORD>(Value.size() + 1));
}

}  // namespace

TProgramRun::TProgramRun(const std::string& Exe, const std::string& Args, const std::string& WorkDir)
{
    std::string CommandLine = "\"" + Exe + "\"";
    if (!Args.empty())
        CommandLine += " " + Args;
    STARTUPINFOA Si{};
    Si.cb = sizeof Si;
    PROCESS_INFORMATION Pi{};
    if (!CreateProcessA(Exe.c_str(), CommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        WorkDir.empty() ? nullptr : WorkDir.c_str(), &Si, &Pi)) {
        FError = "CreateProcess failed with " + std::to_string(GetLastError()) + " for " + Exe;
        return;
    }
    FProcess.Reset(Pi.hProcess);
    FThread.Reset(Pi.hThread);
    FProcessId = Pi.dwProcessId;
}

TProgramRun::~TProgramRun()
{
    if (Running()) {
        TerminateProcess(FProcess.Get(), 255);
        WaitForSingleObject(FProcess.Get(), AnswerTimeoutMs);
    }
}

bool TProgramRun::WaitFor(const std::function<bool()>& Condition, DWORD TimeoutMs) const
{
    const DWORD Start = GetTickCount();
    for (;;) {
        if (Condition())
            return true;
        if (GetTickCount() - Start >= TimeoutMs)
            return Condition();
        if (FProcess)
            WaitForSingleObject(FProcess.Get(), PollMs);
        else
            return Condition();
    }
}

bool TProgramRun::Running() const
{
    return FProcess && WaitForSingleObject(FProcess.Get(), 0) == WAIT_TIMEOUT;
}

bool TProgramRun::WaitExit(DWORD TimeoutMs, DWORD& ExitCode) const
{
    ExitCode = STILL_ACTIVE;
    if (!FProcess || WaitForSingleObject(FProcess.Get(), TimeoutMs) != WAIT_OBJECT_0)
        return false;
    return GetExitCodeProcess(FProcess.Get(), &ExitCode) != 0;
}

std::vector<HWND> TProgramRun::TopWindows(const std::string& ClassName, const std::string& Caption) const
{
    TWindowSearch S{FProcessId, &ClassName, &Caption, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&S));
    return S.Found;
}

HWND TProgramRun::WaitTopWindow(const std::string& ClassName, const std::string& Caption, DWORD TimeoutMs) const
{
    HWND Found = nullptr;
    WaitFor(
        [&] {
            const std::vector<HWND> W = TopWindows(ClassName, Caption);
            Found = W.empty() ? nullptr : W.front();
            return Found != nullptr;
        },
        TimeoutMs);
    return Found;
}

bool TProgramRun::WaitGone(HWND Wnd, DWORD TimeoutMs) const
{
    return WaitFor([&] { return !IsWindow(Wnd) || !IsWindowVisible(Wnd); }, TimeoutMs);
}

std::string WindowClass(HWND Wnd)
{
    char Buf[256] = {};
    GetClassNameA(Wnd, Buf, sizeof Buf);
    return Buf;
}

std::string WindowText(HWND Wnd)
{
    DWORD_PTR Length = 0;
    if (!SendMessageTimeoutA(Wnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, AnswerTimeoutMs, &Length))
        return std::string();
    std::string Text(Length + 1, '\0');
    DWORD_PTR Got = 0;
    if (!SendMessageTimeoutA(Wnd, WM_GETTEXT, Text.size(), reinterpret_cast<LPARAM>(Text.data()),
                             SMTO_ABORTIFHUNG, AnswerTimeoutMs, &Got))
        return std::string();
    Text.resize(Got < Text.size() ? Got : Text.size() - 1);
    return Text;
}

std::string PlainCaption(const std::string& Caption)
{
    std::string S;
    for (std::size_t I = 0; I < Caption.size(); ++I) {
        if (Caption[I] == '&' && I + 1 < Caption.size())
            ++I;  // "&&" stands for one '&'
        S += Caption[I];
    }
    return S;
}

std::vector<HWND> ChildWindows(HWND Parent, const std::string& ClassName, const std::string& Caption)
{
    TWindowSearch S{0, &ClassName, &Caption, {}};
    EnumChildWindows(Parent, CollectWindow, reinterpret_cast<LPARAM>(&S));
    return S.Found;
}

HWND ChildWindow(HWND Parent, const std::string& ClassName, const std::string& Caption)
{
    const std::vector<HWND> W = ChildWindows(Parent, ClassName, Caption);
    return W.empty() ? nullptr : W.front();
}

HWND ButtonOf(HWND Parent, const char* ClassName, const std::string& Prefix)
{
    for (HWND B : ChildWindows(Parent, ClassName))
        if (PlainCaption(WindowText(B)).compare(0, Prefix.size(), Prefix) == 0)
            return B;
    return nullptr;
}

std::string ChildTexts(HWND Parent, const char* ClassName)
{
    std::string S;
    for (HWND P : ChildWindows(Parent, ClassName))
        S += WindowText(P) + "\n";
    return S;
}

void PostClickAt(HWND Wnd, int X, int Y)
{
    const LPARAM At = MAKELPARAM(X, Y);
    PostMessageA(Wnd, WM_MOUSEMOVE, 0, At);
    PostMessageA(Wnd, WM_LBUTTONDOWN, MK_LBUTTON, At);
    PostMessageA(Wnd, WM_LBUTTONUP, 0, At);
}

void PostClick(HWND Wnd)
{
    RECT R{};
    GetClientRect(Wnd, &R);
    PostClickAt(Wnd, (R.right - R.left) / 2, (R.bottom - R.top) / 2);
}

HWND FocusIn(HWND Wnd)
{
    GUITHREADINFO Info{};
    Info.cbSize = sizeof Info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(Wnd, nullptr), &Info) ? Info.hwndFocus : nullptr;
}

void PostKey(HWND Wnd, WORD Key)
{
    HWND To = FocusIn(Wnd);
    if (!To)
        return;
    const LPARAM Scan = static_cast<LPARAM>(MapVirtualKeyA(Key, MAPVK_VK_TO_VSC)) << 16;
    PostMessageA(To, WM_KEYDOWN, Key, Scan | 1);
    PostMessageA(To, WM_KEYUP, Key, Scan | static_cast<LPARAM>(0xC0000001));
}

void TypeKey(HWND Wnd, WORD Key, bool Shift, bool Ctrl)
{
    SetForegroundWindow(GetAncestor(Wnd, GA_ROOT));
    std::vector<INPUT> Keys;
    auto Add = [&](WORD K, DWORD Flags) {
        INPUT I{};
        I.type = INPUT_KEYBOARD;
        I.ki.wVk = K;
        I.ki.dwFlags = Flags;
        Keys.push_back(I);
    };
    if (Shift)
        Add(VK_SHIFT, 0);
    if (Ctrl)
        Add(VK_CONTROL, 0);
    Add(Key, 0);
    Add(Key, KEYEVENTF_KEYUP);
    if (Ctrl)
        Add(VK_CONTROL, KEYEVENTF_KEYUP);
    if (Shift)
        Add(VK_SHIFT, KEYEVENTF_KEYUP);
    SendInput(static_cast<UINT>(Keys.size()), Keys.data(), sizeof(INPUT));
}

void PostChars(HWND Wnd, const std::string& Text)
{
    HWND To = FocusIn(Wnd);
    for (const char C : Text)
        PostMessageA(To, WM_CHAR, static_cast<unsigned char>(C), 1);
}

bool SendText(HWND Wnd, const std::string& Text)
{
    DWORD_PTR Result = 0;
    return SendMessageTimeoutA(Wnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Text.c_str()), SMTO_ABORTIFHUNG,
                               AnswerTimeoutMs, &Result) != 0;
}

namespace {

// What the screen shows of Wnd's window rectangle, opaque; null when
// nothing could be copied.
std::unique_ptr<TBitmap> GrabWindow(HWND Wnd)
{
    RECT R{};
    if (!GetWindowRect(Wnd, &R) || R.right <= R.left || R.bottom <= R.top)
        return nullptr;
    auto Shot = std::make_unique<TBitmap>(R.right - R.left, R.bottom - R.top);
    // The screen, not the window: another process's window paints only in
    // its own process, and the screen holds what it painted.
    const TWindowDC Screen(nullptr);
    if (!Screen ||
        !BitBlt(Shot->Canvas()->Handle(), 0, 0, Shot->Width(), Shot->Height(), Screen.Get(), R.left, R.top, SRCCOPY))
        return nullptr;
    // The screen leaves the fourth byte empty; picture viewers read it as
    // transparency.
    GdiFlush();
    for (int Y = 0; Y < Shot->Height(); ++Y) {
        std::uint32_t* Row = Shot->ScanLine(Y);
        for (int X = 0; X < Shot->Width(); ++X)
            Row[X] |= 0xFF000000u;
    }
    return Shot;
}

bool SamePixels(const TBitmap& A, const TBitmap& B)
{
    if (A.Width() != B.Width() || A.Height() != B.Height())
        return false;
    for (int Y = 0; Y < A.Height(); ++Y)
        if (std::memcmp(A.ScanLine(Y), B.ScanLine(Y), static_cast<std::size_t>(A.Width()) * 4) != 0)
            return false;
    return true;
}

bool SaveBitmap(const TBitmap& Shot, const std::string& FileName)
{
    try {
        Shot.SaveToFile(FileName);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

BOOL CALLBACK FindPending(HWND Wnd, LPARAM Param)
{
    if (IsWindowVisible(Wnd) && GetUpdateRect(Wnd, nullptr, FALSE)) {
        *reinterpret_cast<bool*>(Param) = true;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

bool PaintPending(HWND Wnd)
{
    bool Pending = GetUpdateRect(Wnd, nullptr, FALSE) != FALSE;
    if (!Pending)
        EnumChildWindows(Wnd, FindPending, reinterpret_cast<LPARAM>(&Pending));
    return Pending;
}

bool TProgramRun::SaveSettledShot(HWND Wnd, const std::string& FileName, DWORD TimeoutMs) const
{
    // Wine copies a window's painting to the screen a little after the
    // painting, so a picture counts once it has held for this long.
    constexpr DWORD SettledMs = 150;
    std::unique_ptr<TBitmap> Last;
    DWORD Since = 0;
    const bool Settled = WaitFor(
        [&] {
            if (PaintPending(Wnd)) {
                Last.reset();
                return false;
            }
            std::unique_ptr<TBitmap> Now = GrabWindow(Wnd);
            if (!Now)
                return false;
            if (!Last || !SamePixels(*Last, *Now)) {
                Last = std::move(Now);
                Since = GetTickCount();
                return false;
            }
            return GetTickCount() - Since >= SettledMs;
        },
        TimeoutMs);
    return Settled && Last && SaveBitmap(*Last, FileName);
}

TThemeLookScope::TThemeLookScope(bool Themed)
{
    TRegKey Key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, ThemeKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, Key.Put(),
                        nullptr) != ERROR_SUCCESS)
        return;
    bool Marked = false, Found = false;
    const std::string Mark = ReadThemeString(Key.Get(), ThemeMark, Marked);
    const std::string Now = ReadThemeString(Key.Get(), ThemeValue, Found);
    FWas = Marked ? Mark : Found ? Now : std::string("1");
    WriteThemeString(Key.Get(), ThemeMark, FWas);
    WriteThemeString(Key.Get(), ThemeValue, Themed ? "1" : "0");
}

TThemeLookScope::~TThemeLookScope()
{
    TRegKey Key;
    if (FWas.empty() || RegOpenKeyExA(HKEY_CURRENT_USER, ThemeKey, 0, KEY_WRITE, Key.Put()) != ERROR_SUCCESS)
        return;
    WriteThemeString(Key.Get(), ThemeValue, FWas);
    RegDeleteValueA(Key.Get(), ThemeMark);
}

std::string TestProgramFolder()
{
    char Path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, Path, MAX_PATH);
    std::string S = Path;
    return S.substr(0, S.find_last_of("\\/") + 1);
}
