// openfiles [count]: what a user waits for at the open form's Open. Makes a
// folder of count mailbox files (5,000 when not given) and shows the wizard
// on it; then Add Files, Ctrl+A in the open form's list and a click on Open,
// timed from the click until the source list holds every row and the
// wizard has answered its pending messages. Then the target file's form on
// the same folder, a new name typed key by key and Enter pressed, timed
// from the Enter key until the target box holds the name: the form's
// check, its closing and its freeing are all waited for after the key.
// bench/openfiles.sh runs an earlier build of this program beside this one.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/Main.h"
#include "bench/BenchClock.h"
#include "classlib/Forms.h"
#include "controls/RzBtnEdt.h"
#include "controls/RzButton.h"
#include "controls/RzLstBox.h"
#include "foundation/KvAppBase.h"
#include "shell/RzShellOpenForm.h"
#include "testkit/ModalScript.h"
#include "testkit/TestFolder.h"

namespace {

void Pump()
{
    Application->ProcessMessages();
}

// One key pressed and let go as the keyboard sends it, Shift held around
// it when asked.
void PressKey(BYTE Key, bool Shift)
{
    if (Shift)
        keybd_event(VK_SHIFT, 0, 0, 0);
    keybd_event(Key, 0, 0, 0);
    keybd_event(Key, 0, KEYEVENTF_KEYUP, 0);
    if (Shift)
        keybd_event(VK_SHIFT, 0, KEYEVENTF_KEYUP, 0);
}

int Fail(const std::string& Why)
{
    std::fprintf(stderr, "openfiles: %s\n", Why.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    const int Count = argc > 1 ? std::atoi(argv[1]) : 5000;
    if (Count < 2) {
        std::fprintf(stderr, "usage: openfiles [count of files, at least 2]\n");
        return 2;
    }
    TTestFolder Dir("openfiles");
    for (int I = 1; I <= Count; ++I) {
        char Number[16];
        std::snprintf(Number, sizeof Number, "%05d", I);
        Dir.Write("Archived mailbox " + std::string(Number) + ".mbox", "From a\r\n");
    }
    const std::string Target = Dir.File("Everything converted.mbox");
    // The settings apart, so that the folder holds the mailboxes alone.
    TTestFolder Settings("openfiles settings");
    TTestFolder::Put(Settings.File("Tessaly.ini"), "[Application]\r\nVersion=1600\r\nCheckForUpdates=0\r\n"
                                              "[SourceOptions]\r\nMailFormat=Mbox\r\n"
                                              "[SourceFolders]\r\nMbox=" + Dir.Path() + "\r\n"
                                              "[TargetOptions]\r\nMailFormat=Mbox_Win\r\nRestoreFolderTree=0\r\n");
    AppSettings = new TKvAppSettings(Settings.File("Tessaly.ini"));
    SettingsAreNew = false;
    Application->ShowErrorBoxes = false;
    std::unique_ptr<TfrmTessaly, TObjectFree> Form(new TfrmTessaly(nullptr));
    Form->Show();
    Form->ShowPage(pgSource);
    Pump();

    // Add Files: every item selected, then Open clicked.
    LARGE_INTEGER Clicked{};
    std::string Missing;
    {
        modal_test::TModalScript Script(
            "TRzShellOpenSaveForm",
            {[&](TCustomForm* F) {
                 auto* Open = static_cast<TRzShellOpenSaveForm*>(F);
                 if (Open->ShellList->ItemCount() != Count)
                     Missing = "the open form lists " + std::to_string(Open->ShellList->ItemCount()) + " files";
                 TKeyHeld Ctrl(VK_CONTROL);
                 PostMessageA(Open->ShellList->Handle(), WM_KEYDOWN, 'A', 0);
                 Pump();
             },
             [&](TCustomForm* F) {
                 auto* Open = static_cast<TRzShellOpenSaveForm*>(F);
                 Clicked = Started();
                 modal_test::PostClick(Open->btnOpen, Open->btnOpen->Width() / 2, Open->btnOpen->Height() / 2);
             }});
        Form->btnAddFiles->Click();
        Pump();
        if (!Script.Failure.empty())
            return Fail(Script.Failure);
    }
    const double Opened = Seconds(Clicked);
    if (!Missing.empty())
        return Fail(Missing);
    if (Form->lstSourceFiles->Items()->Count() != Count)
        return Fail("the source list holds " + std::to_string(Form->lstSourceFiles->Items()->Count()) + " rows of " +
                    std::to_string(Count));

    // The target file's form: one new name typed, then Open clicked.
    Form->ShowPage(pgTarget);
    Form->edtTargetFolder->SetText(Dir.File("Old target.mbox"));
    Pump();
    {
        modal_test::TModalScript Script(
            "TRzShellOpenSaveForm", {[&](TCustomForm* F) {
                auto* Save = static_cast<TRzShellOpenSaveForm*>(F);
                SetForegroundWindow(Save->Handle());
                Save->edtFileName->SetFocus();
                SendMessageA(Save->edtFileName->Handle(), EM_SETSEL, 0, -1);
                for (const char Ch : std::string("Everything converted.mbox")) {
                    const SHORT Key = VkKeyScanA(Ch);
                    PressKey(LOBYTE(Key), (HIBYTE(Key) & 1) != 0);
                }
                Pump();
                Clicked = Started();
                PressKey(VK_RETURN, false);
            }});
        Form->edtTargetFolder->OnButtonClick(Form->edtTargetFolder);
        Pump();
        if (!Script.Failure.empty())
            return Fail(Script.Failure);
    }
    const double Saved = Seconds(Clicked);
    if (Form->edtTargetFolder->Text() != Target)
        return Fail("the target box reads " + Form->edtTargetFolder->Text());
    std::printf("%d files opened: %.3f s\n", Count, Opened);
    std::printf("one name checked among %d files: %.3f s\n", Count, Saved);
    return 0;
}
