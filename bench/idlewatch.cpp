// idlewatch <folder> [seconds]: the folder form left alone on a folder among
// many siblings, while something else keeps changing files beside them (the
// script does that). Shows the form with the folder selected, lets it settle,
// then for the given seconds (20 when not given) only answers its messages,
// and prints the process's CPU share over that time and the longest any one
// message kept the window from answering. bench/idlewatch.sh runs an earlier
// build of this program beside this one.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "bench/BenchClock.h"
#include "shell/RzShellCtrls.h"
#include "shell/RzShellDialogs.h"
#include "shell/RzShellFolderForm.h"
#include "testkit/ModalScript.h"

namespace {

// The process's CPU time (all its threads), in seconds.
double CpuSeconds()
{
    FILETIME Created, Ended, Kernel, User;
    GetProcessTimes(GetCurrentProcess(), &Created, &Ended, &Kernel, &User);
    const auto Value = [](const FILETIME& T) {
        return static_cast<double>((static_cast<unsigned long long>(T.dwHighDateTime) << 32) | T.dwLowDateTime) / 1e7;
    };
    return Value(Kernel) + Value(User);
}

// Answers the window's messages for Seconds; gives the longest dispatch.
double AnswerFor(double Seconds)
{
    double Longest = 0;
    for (const LARGE_INTEGER From = Started(); ::Seconds(From) < Seconds;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        const LARGE_INTEGER Took = Started();
        Application->ProcessMessages();
        Longest = std::max(Longest, ::Seconds(Took));
    }
    return Longest;
}

// What the idle run measured, and the one-shot timer that starts it once
// the form is up (a ticking script would cost CPU of its own).
struct TIdleRun {
    double Idle = 20, Cpu = 0, Stall = 0, Span = 0;
    std::string Shown;
    UINT_PTR Timer = 0;
};
TIdleRun Run;

void CALLBACK WhenShown(HWND, UINT, UINT_PTR, DWORD)
{
    const HWND W = FindWindowA("Tessaly.TRzSelectFolderForm", nullptr);
    auto* Form = dynamic_cast<TRzSelectFolderForm*>(TWinControl::FindControl(W));
    if (!Form || !IsWindowVisible(W) || !Run.Timer)
        return;
    KillTimer(nullptr, std::exchange(Run.Timer, 0));
    AnswerFor(3);
    Run.Shown = Form->ShellTree->SelectedPathName();
    const double CpuFrom = CpuSeconds();
    const LARGE_INTEGER From = Started();
    Run.Stall = AnswerFor(Run.Idle);
    Run.Cpu = CpuSeconds() - CpuFrom;
    Run.Span = Seconds(From);
    modal_test::PostClick(Form->btnCancel, Form->btnCancel->Width() / 2, Form->btnCancel->Height() / 2);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: idlewatch <folder> [seconds]\n");
        return 2;
    }
    const std::string Watched = argv[1];
    if (argc > 2)
        Run.Idle = std::atof(argv[2]);
    Application->ShowErrorBoxes = false;
    TRzSelectFolderDialog Dlg(nullptr);
    Dlg.SetSelectedPathName(Watched);
    Run.Timer = SetTimer(nullptr, 0, 100, &WhenShown);
    Dlg.Execute();
    if (Run.Span == 0) {
        std::fprintf(stderr, "idlewatch: the form did not run\n");
        return 1;
    }
    if (Run.Shown != Watched) {
        std::fprintf(stderr, "idlewatch: the form shows %s\n", Run.Shown.c_str());
        return 1;
    }
    std::printf("idle CPU: %.2f %%\n", 100 * Run.Cpu / Run.Span);
    std::printf("longest answer: %.3f s\n", Run.Stall);
    return 0;
}
