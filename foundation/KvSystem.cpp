#include "foundation/KvSystem.h"

#include <shellapi.h>

#include <cstdlib>

#include "foundation/KvFiles.h"
#include "foundation/KvWindows.h"

bool SoundsOn = true;
bool QuestionSoundOn = true;


namespace {

void PlaySound(UINT Sound)
{
    if (SoundsOn && GHooks.Beep)
        GHooks.Beep(Sound);
}

HWND MainWindow()
{
    return GHooks.MainFormWindow ? GHooks.MainFormWindow() : nullptr;
}

// Runs the window layers' pump when they gave one; otherwise drains this
// thread's queue. False once a quit message says the program is ending.
bool PumpMessages()
{
    if (GHooks.MessagePump) {
        GHooks.MessagePump();
        MSG msg;
        return !PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE);
    }
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Left for the program's own loop to see.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

}  // namespace

void BeepInformation()
{
    PlaySound(MB_ICONINFORMATION);
}

void BeepWarning()
{
    PlaySound(MB_ICONWARNING);
}

void BeepQuestion()
{
    PlaySound(QuestionSoundOn ? MB_ICONQUESTION : 0);
}

std::string ExpandEnvironmentVars(const std::string& Text)
{
    if (Text.empty())
        return Text;
    DWORD size = ExpandEnvironmentStringsA(Text.c_str(), nullptr, 0);
    if (size == 0)
        return Text;
    std::string out(size + 1, '\0');
    size = ExpandEnvironmentStringsA(Text.c_str(), out.data(), size + 1);
    if (size == 0)
        return Text;
    out.resize(out.find('\0'));
    return out.empty() ? Text : out;
}

std::string GetEnvironmentVar(const std::string& Name)
{
    const DWORD size = GetEnvironmentVariableA(Name.c_str(), nullptr, 0);
    if (size == 0)
        return Name;
    std::string out(size, '\0');
    const DWORD n = GetEnvironmentVariableA(Name.c_str(), out.data(), size);
    if (n == 0 || n >= size)
        return Name;
    out.resize(n);
    return out;
}

int GetLocaleAnsiCodePage(LCID Locale, int Default)
{
    char buf[16] = {};
    int result = Default;
    if (GetLocaleInfoA(Locale, LOCALE_IDEFAULTANSICODEPAGE, buf, sizeof(buf)) > 0) {
        char* end = nullptr;
        const long v = std::strtol(buf, &end, 10);
        if (end != buf && *end == '\0')
            result = static_cast<int>(v);
    }
    return result == -1 ? static_cast<int>(GetACP()) : result;
}

bool IsCtrlKeyDown()
{
    return (GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0;
}

bool ShellOpen(const std::string& FileName, bool NewWindow, const std::string& Folder, int ShowCmd)
{
    const char* folder = Folder.empty() ? nullptr : Folder.c_str();
    auto run = [&](const char* Verb) {
        return reinterpret_cast<INT_PTR>(
            GHooks.ShellLaunch(MainWindow(), Verb, FileName.c_str(), nullptr, folder, ShowCmd));
    };
    INT_PTR r = run(NewWindow ? "opennew" : "open");
    // A type registered for "open" but not for "opennew" reports an
    // incomplete association; the plain verb still works for it.
    if (NewWindow && r == SE_ERR_NOASSOC)
        r = run("open");
    return r > 32;
}

bool ShellExecuteFile(const std::string& FileName, const std::string& Parameters, int ShowCmd,
                      bool Wait)
{
    if (FileName.empty())
        return true;
    const int namePos = FileNamePos(FileName);
    const std::string folder = namePos > 1 ? FileName.substr(0, namePos - 1) : std::string();
    const std::string file = namePos > 0 ? FileName.substr(namePos - 1) : FileName;
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof(info);
    info.fMask = Wait ? SEE_MASK_NOCLOSEPROCESS : 0;
    info.hwnd = MainWindow();
    info.lpFile = file.c_str();
    info.lpParameters = Parameters.empty() ? nullptr : Parameters.c_str();
    info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
    info.nShow = ShowCmd;
    if (!ShellExecuteExA(&info))
        return false;
    if (!Wait)
        return true;
    const TKernelHandle process(info.hProcess);
    if (!process)
        return false;
    DWORD code = STILL_ACTIVE;
    while (GetExitCodeProcess(process.Get(), &code) && code == STILL_ACTIVE) {
        if (!PumpMessages())
            break;
        Sleep(10);
    }
    return code == 0;
}
