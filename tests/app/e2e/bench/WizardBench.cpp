// Times one conversion through the program's own window, driven from
// outside as the end-to-end test drives it: bench/run.sh runs it beside
// bench/convert on the same mailbox.
//
//   wizardbench <Tessaly.exe> <mailbox> <target> <target format> <scratch folder>
//
// The target format is a settings name (EML, Txt, Mbox_Win, Mbox_Unix,
// Mbox_Mac). It prints the run's summary line, then the seconds from the
// Start click until the button reads "Start" again. Exit code 0, 1 when the
// walk failed (the reason on stderr), 2 for a bad command line.

#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <string>

#include "tests/app/e2e/ProgramDriver.h"

namespace {

constexpr DWORD StepMs = 30000;
constexpr DWORD RunMs = 3600000;

const char* const FormClass = "Tessaly.TfrmTessaly";
const char* const ButtonClass = "Tessaly.TRzButton";
const char* const RichPanelClass = "Tessaly.TKvRichPanel";
const char* const SourceListClass = "Tessaly.TRzRankListBox";
const char* const TargetEditClass = "Tessaly.TRzButtonEdit";
const char* const OpenFormClass = "Tessaly.TRzShellOpenSaveForm";
const char* const OpenEditClass = "Tessaly.TRzEdit";
const char* const OpenButtonClass = "Tessaly.TRzBitBtn";

int Fail(const std::string& Why)
{
    std::fprintf(stderr, "wizardbench: %s\n", Why.c_str());
    return 1;
}

std::string PanelsText(HWND Form)
{
    return ChildTexts(Form, RichPanelClass);
}

bool Holds(const std::string& S, const std::string& Part)
{
    return S.find(Part) != std::string::npos;
}

// Waits until Button reads Caption. The driver's own wait looks every
// 15 ms, which would add up to 15 ms to the wizard's side alone; here the
// look comes every millisecond. Each look is a message the program answers
// at its next pump or, once the run is over, at once from its loop.
bool WaitCaption(const TProgramRun& Run, HWND Button, const std::string& Caption, DWORD TimeoutMs)
{
    const DWORD Start = GetTickCount();
    timeBeginPeriod(1);
    bool Seen = false;
    while (!(Seen = PlainCaption(WindowText(Button)) == Caption) && GetTickCount() - Start < TimeoutMs &&
           Run.Running())
        Sleep(1);
    timeEndPeriod(1);
    return Seen;
}

std::string FolderOf(const std::string& Path)
{
    const std::size_t Slash = Path.find_last_of('\\');
    return Slash == std::string::npos ? std::string() : Path.substr(0, Slash);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 6) {
        std::fprintf(stderr, "usage: wizardbench <Tessaly.exe> <mailbox> <target> <target format> <scratch>\n");
        return 2;
    }
    const std::string Exe = argv[1], Mailbox = argv[2], Target = argv[3], Format = argv[4], Scratch = argv[5];
    CreateDirectoryA(Scratch.c_str(), nullptr);
    const std::string Ini = Scratch + "\\Tessaly.ini";
    const std::string Settings = "[Application]\r\nVersion=1600\r\nCheckForUpdates=0\r\n"
                                 "[SourceOptions]\r\nMailFormat=Mbox\r\nIncludeSubfolders=0\r\nSkipTrashJunk=0\r\n"
                                 "[SourceFolders]\r\nMbox=" + FolderOf(Mailbox) + "\r\n"
                                 "[TargetOptions]\r\nMailFormat=" + Format +
                                 "\r\nRestoreFolderTree=0\r\nMatchDates=0\r\nMd5FileNames=0\r\n";
    {
        HANDLE F = CreateFileA(Ini.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (F == INVALID_HANDLE_VALUE)
            return Fail("cannot write " + Ini);
        DWORD Written = 0;
        WriteFile(F, Settings.data(), static_cast<DWORD>(Settings.size()), &Written, nullptr);
        CloseHandle(F);
    }
    TProgramRun Run(Exe, "/INI=\"" + Ini + "\" /TEMP=\"" + Scratch + "\\tmp\" /errorlog=\"" + Scratch +
                             "\\ErrorLog.txt\"",
                    Scratch);
    if (!Run.Started())
        return Fail(Run.Error());
    const HWND Form = Run.WaitTopWindow(FormClass, "", StepMs);
    if (!Form)
        return Fail("no wizard window");
    if (!Run.WaitFor([&] { return Holds(PanelsText(Form), "Choose Source Files"); }, StepMs))
        return Fail("not on the source page");

    // The mailbox through Add Files, which opens in its folder.
    HWND AddFiles = ButtonOf(Form, ButtonClass, "Add Files");
    if (!AddFiles)
        return Fail("no Add Files button");
    PostClick(AddFiles);
    const HWND Open = Run.WaitTopWindow(OpenFormClass, "", StepMs);
    HWND Name = Open ? ChildWindow(Open, OpenEditClass) : nullptr;
    HWND OpenButton = Open ? ButtonOf(Open, OpenButtonClass, "Open") : nullptr;
    if (!Name || !OpenButton)
        return Fail("no open form");
    const std::size_t Slash = Mailbox.find_last_of('\\');
    SendText(Name, "\"" + Mailbox.substr(Slash + 1) + "\"");
    PostClick(OpenButton);
    HWND Sources = nullptr;
    if (!Run.WaitFor(
            [&] {
                Sources = ChildWindow(Form, SourceListClass);
                DWORD_PTR N = 0;
                return Sources && SendMessageTimeoutA(Sources, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &N) &&
                       N == 1;
            },
            StepMs))
        return Fail("the mailbox did not reach the source list");

    PostClick(ButtonOf(Form, ButtonClass, "Next"));
    if (!Run.WaitFor([&] { return Holds(PanelsText(Form), "Set Target Options"); }, StepMs))
        return Fail("not on the target page");
    HWND Edit = ChildWindow(Form, TargetEditClass);
    if (!Edit || !SendText(Edit, Target))
        return Fail("no target field");
    PostClick(ButtonOf(Form, ButtonClass, "Next"));
    if (!Run.WaitFor([&] { return Holds(PanelsText(Form), "Ready to process mail"); }, StepMs))
        return Fail("not on the start page: " + PanelsText(Form));

    HWND Start = ButtonOf(Form, ButtonClass, "Start");
    if (!Start)
        return Fail("no Start button");
    LARGE_INTEGER Frequency, Begin, End;
    QueryPerformanceFrequency(&Frequency);
    QueryPerformanceCounter(&Begin);
    PostClick(Start);
    WaitCaption(Run, Start, "Stop", StepMs);
    const bool Ended = WaitCaption(Run, Start, "Start", RunMs);
    QueryPerformanceCounter(&End);
    if (!Ended)
        return Fail("the run did not end");
    const std::string Log = PanelsText(Form);
    const std::size_t Summary = Log.find(" mailboxes processed");
    const std::size_t LineStart = Summary == std::string::npos ? 0 : Log.rfind('\n', Summary) + 1;
    std::printf("%s\n", Summary == std::string::npos ? "no summary"
                                                    : Log.substr(LineStart, Log.find('\r', Summary) - LineStart).c_str());
    std::printf("%.3f s\n", static_cast<double>(End.QuadPart - Begin.QuadPart) / Frequency.QuadPart);
    std::fflush(stdout);
    PostClick(ButtonOf(Form, ButtonClass, "Cancel"));
    DWORD Code = 0;
    Run.WaitExit(StepMs, Code);
    return Holds(Log, "Processing finished.") ? 0 : Fail("the run did not finish");
}
