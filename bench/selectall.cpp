// selectall [count]: the open form on a folder of count files (5,000 when
// not given); times the list's fill, then Ctrl+A on the list until the File
// name box holds every name, and prints both and their ratio. The fill is
// the peer: selecting every item should cost about as much as listing it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/BenchClock.h"
#include "shell/RzShellOpenForm.h"
#include "testkit/ModalScript.h"
#include "testkit/TestFolder.h"

namespace {

void Pump()
{
    MSG M;
    while (PeekMessageA(&M, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&M);
        DispatchMessageA(&M);
    }
}

} // namespace

int main(int argc, char** argv)
{
    const int Count = argc > 1 ? std::atoi(argv[1]) : 5000;
    if (Count < 2) {
        std::fprintf(stderr, "usage: selectall [count of files, at least 2]\n");
        return 2;
    }
    TTestFolder Dir("selectall");
    for (int I = 1; I <= Count; ++I)
        Dir.Write("message " + std::to_string(I) + ".eml", "x");
    Application->ShowErrorBoxes = false;
    std::unique_ptr<TRzShellOpenSaveForm, TObjectFree> Form(new TRzShellOpenSaveForm(nullptr));
    Form->SetOptions((DefaultOpenSaveOptions | osoAllowMultiselect) & ~(osoOleDrag | osoOleDrop));
    Form->SetFilter("All Files (*.*)|*.*");
    Form->SetFilterIndex(1);
    Form->SetInitialDir(Dir.Path());
    Form->Show();
    Pump();

    LARGE_INTEGER T = Started();
    Form->ShellList->FillList();
    Pump();
    const double Fill = Seconds(T);
    if (Form->ShellList->ItemCount() != Count) {
        std::fprintf(stderr, "selectall: the list shows %d items of %d\n", Form->ShellList->ItemCount(), Count);
        return 1;
    }

    T = Started();
    {
        TKeyHeld Ctrl(VK_CONTROL);
        PostMessageA(Form->ShellList->Handle(), WM_KEYDOWN, 'A', 0);
        Pump();
    }
    const double Select = Seconds(T);
    const std::string Names = Form->edtFileName->Text();
    int Quoted = 0;
    for (char C : Names)
        Quoted += C == '"';
    if (Quoted != 2 * Count) {
        std::fprintf(stderr, "selectall: the File name box names %d files of %d\n", Quoted / 2, Count);
        return 1;
    }
    std::printf("%d files: fill %.3f s, select all %.3f s, ratio %.2f\n", Count, Fill, Select, Select / Fill);
    return 0;
}
