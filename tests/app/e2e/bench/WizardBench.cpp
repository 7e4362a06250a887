// Times one conversion through the program's own window, driven from
// outside as the end-to-end test drives it: bench/run.sh runs it beside
// bench/convert on the same mailbox.
//
//   wizardbench <Tessaly.exe> <mailbox> <target> <target format> <scratch folder> [--pages=LIMIT]
//
// The target format is a settings name (EML, Txt, Mbox_Win, Mbox_Unix,
// Mbox_Mac). A mailbox ending in a backslash is a folder, added through Add
// Folder; it must be the first folder in its parent. A mailbox ending in
// "\*" names every file of its folder, picked through Add Files with Ctrl+A
// in the open form's list. It prints the run's summary line, then the
// seconds from the Start click until the button reads "Start" again. With
// --pages the start page is reached by Alt+N, timed from the key until the
// page shows ("first next"), and after the run it presses Alt+B and Alt+N
// and prints the seconds from each key until the page shows (after Next:
// the log holds the new summary alone), waiting at most LIMIT seconds.
// --format=NAME reads the mailbox as that source format (default Mbox),
// --subfolders searches a folder's sub-folders and --restore restores the
// folder tree; with any of them it prints, before the run's seconds, the
// seconds from the Start click until the log first names a mailbox
// ("first word"). The status line, which counts the mailboxes found while
// the searches look, is painted by the window itself: no other program
// reads it.
// Exit code 0, 1 when the walk failed or passed the limit (the reason on
// stderr), 2 for a bad command line.

#include <windows.h>
#include <mmsystem.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
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
const char* const FolderFormClass = "Tessaly.TRzSelectFolderForm";
const char* const FolderTreeClass = "Tessaly.TRzShellTree";
const char* const FileListClass = "Tessaly.TRzShellList";

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

double Seconds(const LARGE_INTEGER& Begin)
{
    LARGE_INTEGER Frequency, End;
    QueryPerformanceFrequency(&Frequency);
    QueryPerformanceCounter(&End);
    return static_cast<double>(End.QuadPart - Begin.QuadPart) / Frequency.QuadPart;
}

// Alt with Letter on the focused window, as the keyboard sends it, timed
// until Shown holds (looked at every millisecond); a negative time when it
// did not within LimitMs.
double TimedAltKey(const TProgramRun& Run, HWND Form, char Letter, const std::function<bool()>& Shown,
                   DWORD LimitMs)
{
    const HWND To = FocusIn(Form);
    LARGE_INTEGER Begin;
    QueryPerformanceCounter(&Begin);
    PostMessageA(To, WM_SYSKEYDOWN, static_cast<WPARAM>(Letter), 0x20000001);
    PostMessageA(To, WM_SYSKEYUP, static_cast<WPARAM>(Letter), static_cast<LPARAM>(0xE0000001));
    const DWORD Start = GetTickCount();
    timeBeginPeriod(1);
    bool Seen = false;
    while (!(Seen = Shown()) && GetTickCount() - Start < LimitMs && Run.Running())
        Sleep(1);
    timeEndPeriod(1);
    return Seen ? Seconds(Begin) : -1;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string PagesSwitch = "--pages=", FormatSwitch = "--format=";
    bool Pages = false, Subfolders = false, Restore = false, Usage = argc < 6, Options = false;
    DWORD LimitMs = 0;
    std::string SourceFormat = "Mbox";
    for (int I = 6; I < argc; ++I) {
        const std::string Arg = argv[I];
        if (Arg.compare(0, PagesSwitch.size(), PagesSwitch) == 0) {
            Pages = true;
            LimitMs = static_cast<DWORD>(std::atof(Arg.c_str() + PagesSwitch.size()) * 1000);
        } else if (Arg.compare(0, FormatSwitch.size(), FormatSwitch) == 0) {
            SourceFormat = Arg.substr(FormatSwitch.size());
            Options = true;
        } else if (Arg == "--subfolders" || Arg == "--restore") {
            (Arg == "--restore" ? Restore : Subfolders) = true;
            Options = true;
        } else {
            Usage = true;
        }
    }
    if (Usage) {
        std::fprintf(stderr, "usage: wizardbench <Tessaly.exe> <mailbox> <target> <target format> <scratch> "
                             "[--pages=LIMIT] [--format=NAME] [--subfolders] [--restore]\n");
        return 2;
    }
    const std::string Exe = argv[1], Mailbox = argv[2], Target = argv[3], Format = argv[4], Scratch = argv[5];
    const bool Folder = !Mailbox.empty() && Mailbox.back() == '\\';
    const bool AllFiles = Mailbox.size() > 2 && Mailbox.compare(Mailbox.size() - 2, 2, "\\*") == 0;
    DWORD_PTR Rows = 1;
    if (AllFiles) {
        Rows = 0;
        WIN32_FIND_DATAA Found;
        const HANDLE Find = FindFirstFileA(Mailbox.c_str(), &Found);
        for (BOOL More = Find != INVALID_HANDLE_VALUE; More; More = FindNextFileA(Find, &Found))
            Rows += (Found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
        if (Find != INVALID_HANDLE_VALUE)
            FindClose(Find);
    }
    CreateDirectoryA(Scratch.c_str(), nullptr);
    const std::string Ini = Scratch + "\\Tessaly.ini";
    const std::string Settings = "[Application]\r\nVersion=1600\r\nCheckForUpdates=0\r\n"
                                 "[SourceOptions]\r\nMailFormat=" + SourceFormat + "\r\nIncludeSubfolders=" +
                                 (Subfolders ? "1" : "0") + "\r\nSkipTrashJunk=0\r\n"
                                 "[SourceFolders]\r\n" + SourceFormat + "=" +
                                 FolderOf(Folder ? FolderOf(Mailbox) : Mailbox) + "\r\n"
                                 "[TargetOptions]\r\nMailFormat=" + Format + "\r\nRestoreFolderTree=" +
                                 (Restore ? "1" : "0") + "\r\nMatchDates=0\r\nMd5FileNames=0\r\n";
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

    // The mailbox through Add Files, which opens in its folder; a folder
    // through Add Folder, which opens on its parent: Right opens that and
    // goes on to its first folder.
    HWND Add = ButtonOf(Form, ButtonClass, Folder ? "Add Folder" : "Add Files");
    if (!Add)
        return Fail("no Add button");
    PostClick(Add);
    const HWND Open = Run.WaitTopWindow(Folder ? FolderFormClass : OpenFormClass, "", StepMs);
    HWND Name = Open ? ChildWindow(Open, Folder ? FolderTreeClass : OpenEditClass) : nullptr;
    HWND OpenButton = Open ? ButtonOf(Open, Folder ? ButtonClass : OpenButtonClass, Folder ? "OK" : "Open") : nullptr;
    if (!Name || !OpenButton)
        return Fail("no open or folder form");
    if (Folder) {
        // Each key waits for the tree to show what the one before did: the
        // folder opened, then its first folder selected.
        auto Ask = [&](UINT Message, WPARAM What) {
            DWORD_PTR Answer = 0;
            SendMessageTimeoutA(Name, Message, What, 0, SMTO_ABORTIFHUNG, StepMs, &Answer);
            return Answer;
        };
        const DWORD_PTR Items = Ask(TVM_GETCOUNT, 0), Parent = Ask(TVM_GETNEXTITEM, TVGN_CARET);
        PostKey(Name, VK_RIGHT);
        Run.WaitFor([&] { return Ask(TVM_GETCOUNT, 0) > Items; }, StepMs);
        PostKey(Name, VK_RIGHT);
        if (!Run.WaitFor([&] { return Ask(TVM_GETNEXTITEM, TVGN_CARET) != Parent; }, StepMs))
            return Fail("the folder form did not reach the folder");
    } else if (AllFiles) {
        // A click in the list, then Ctrl+A as the keyboard types it.
        const HWND List = ChildWindow(Open, FileListClass);
        auto Selected = [&] {
            DWORD_PTR N = 0;
            return SendMessageTimeoutA(List, LVM_GETSELECTEDCOUNT, 0, 0, SMTO_ABORTIFHUNG, StepMs, &N) ? N : 0;
        };
        PostClick(List);
        if (!List || !Run.WaitFor([&] { return FocusIn(Open) == List; }, StepMs))
            return Fail("no file list in the open form");
        TypeKey(List, 'A', false, true);
        if (!Run.WaitFor([&] { return Selected() == Rows; }, StepMs))
            return Fail("Ctrl+A did not pick every file");
    } else {
        SendText(Name, "\"" + Mailbox.substr(Mailbox.find_last_of('\\') + 1) + "\"");
    }
    PostClick(OpenButton);
    HWND Sources = nullptr;
    if (!Run.WaitFor(
            [&] {
                Sources = ChildWindow(Form, SourceListClass);
                DWORD_PTR N = 0;
                return Sources && SendMessageTimeoutA(Sources, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &N) &&
                       N == Rows;
            },
            StepMs))
        return Fail("the mailboxes did not reach the source list");

    PostClick(ButtonOf(Form, ButtonClass, "Next"));
    if (!Run.WaitFor([&] { return Holds(PanelsText(Form), "Set Target Options"); }, StepMs))
        return Fail("not on the target page");
    HWND Edit = ChildWindow(Form, TargetEditClass);
    if (!Edit || !SendText(Edit, Target))
        return Fail("no target field");
    auto StartPageShown = [&] { return Holds(PanelsText(Form), "Ready to process mail"); };
    if (Pages) {
        // The key goes to the focused window, back in the wizard once the
        // open form has gone.
        Run.WaitFor([&] { return IsChild(Form, FocusIn(Form)) != FALSE; }, StepMs);
        std::printf("first next %.3f s\n", TimedAltKey(Run, Form, 'N', StartPageShown, LimitMs));
        std::fflush(stdout);
    } else {
        PostClick(ButtonOf(Form, ButtonClass, "Next"));
    }
    if (!Run.WaitFor(StartPageShown, StepMs))
        return Fail("not on the start page: " + PanelsText(Form));

    HWND Start = ButtonOf(Form, ButtonClass, "Start");
    if (!Start)
        return Fail("no Start button");
    LARGE_INTEGER Begin;
    QueryPerformanceCounter(&Begin);
    PostClick(Start);
    WaitCaption(Run, Start, "Stop", StepMs);
    double FirstWord = -1;
    if (Options) {
        // Looked at every millisecond, until the run has said something.
        const DWORD Since = GetTickCount();
        timeBeginPeriod(1);
        while (GetTickCount() - Since < RunMs && Run.Running() && PlainCaption(WindowText(Start)) == "Stop") {
            if (Holds(PanelsText(Form), "Processing: ")) {
                FirstWord = Seconds(Begin);
                break;
            }
            Sleep(1);
        }
        timeEndPeriod(1);
    }
    const bool Ended = WaitCaption(Run, Start, "Start", RunMs);
    const double RunSeconds = Seconds(Begin);
    if (!Ended)
        return Fail("the run did not end");
    const std::string Log = PanelsText(Form);
    const std::size_t Summary = Log.find(" mailboxes processed");
    const std::size_t LineStart = Summary == std::string::npos ? 0 : Log.rfind('\n', Summary) + 1;
    std::printf("%s\n", Summary == std::string::npos ? "no summary"
                                                    : Log.substr(LineStart, Log.find('\r', Summary) - LineStart).c_str());
    if (Options)
        std::printf("first word %.3f s\n", FirstWord);
    std::printf("%.3f s\n", RunSeconds);
    std::fflush(stdout);
    if (Pages) {
        const double Back =
            TimedAltKey(Run, Form, 'B', [&] { return Holds(PanelsText(Form), "Set Target Options"); }, LimitMs);
        std::printf("back %.3f s\n", Back);
        std::fflush(stdout);
        const double Next = Back < 0 ? -1 : TimedAltKey(Run, Form, 'N', [&] {
            const std::string Shown = PanelsText(Form);
            return Holds(Shown, "Ready to process mail") && !Holds(Shown, "Processing: ");
        }, LimitMs);
        std::printf("next %.3f s\n", Next);
        std::fflush(stdout);
        if (Next < 0)
            return Fail("the page did not show within the limit");
    }
    PostClick(ButtonOf(Form, ButtonClass, "Cancel"));
    DWORD Code = 0;
    Run.WaitExit(StepMs, Code);
    return Holds(Log, "Processing finished.") ? 0 : Fail("the run did not finish");
}
