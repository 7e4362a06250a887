#pragma once
// The wizard on a scratch ini with its boxes and beeps recorded, as the
// tests of its pages, lists, runs, menus and keys share it.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <htmlhelp.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/KvConvertDriver.h"
#include "app/KvHelp.h"
#include "app/KvHelpBase.h"
#include "app/KvRichPnl.h"
#include "app/KvWizardOptions.h"
#include "app/Main.h"
#include "classlib/Clipbrd.h"
#include "classlib/Dialogs.h"
#include "classlib/Menus.h"
#include "classlib/Themes.h"
#include "controls/RzBtnEdt.h"
#include "controls/RzButton.h"
#include "controls/RzLabel.h"
#include "controls/RzLstBox.h"
#include "controls/RzPrgres.h"
#include "controls/RzRadGrp.h"
#include "controls/RzRichUrl.h"
#include "controls/RzStatus.h"
#include "controls/RzTabs.h"
#include "foundation/KvAnsi.h"
#include "foundation/KvAppBase.h"
#include "foundation/KvBase.h"
#include "foundation/KvFileFinder.h"
#include "foundation/KvLogs.h"
#include "foundation/KvSystem.h"
#include "testkit/ErrorLogAt.h"
#include "testkit/PixelProbe.h"
#include "testkit/TestFolder.h"
#include "tests/app/AccessibilityKept.h"
#include "tests/app/ScratchSettings.h"

// The form with a count of its pumps, so a test can act from inside a run
// at a chosen moment, and a record of its log that outlives it.
class TTestWizard : public TfrmTessaly {
public:
    using TfrmTessaly::TfrmTessaly;
    ~TTestWizard() override
    {
        if (Destroyed)
            *Destroyed = true;
    }
    void ProcessMessages() override
    {
        ++Pumps;
        if (OnPump)
            OnPump(Pumps);
        TfrmTessaly::ProcessMessages();
    }
    void AddLogLine(const std::string& Text) override
    {
        Log.push_back(Text);
        TfrmTessaly::AddLogLine(Text);
    }
    // What freeing the form does first, without freeing it.
    void BeginFreeing() { Destroying(); }
    std::function<void(int Pump)> OnPump;
    int Pumps = 0;
    std::vector<std::string> Log;
    bool* Destroyed = nullptr;
};

inline std::string MessageOf(int I)
{
    return "From sender" + std::to_string(I) + "@example.com Mon Jan  5 10:00:00 2009\r\n" +
           "From: Sender <sender" + std::to_string(I) + "@example.com>\r\n" + "Subject: Note " +
           std::to_string(I) + "\r\nDate: Mon, 05 Jan 2009 10:00:00 +0000\r\n\r\nBody " + std::to_string(I) +
           ".\r\n\r\n";
}

// A shell drop list of Names, as the shell hands it over.
inline HDROP MakeDrop(const std::vector<std::string>& Names)
{
    std::size_t Size = sizeof(DROPFILES) + 1;
    for (const std::string& N : Names)
        Size += N.size() + 1;
    HGLOBAL H = GlobalAlloc(GHND, Size);
    auto* D = static_cast<DROPFILES*>(GlobalLock(H));
    D->pFiles = sizeof(DROPFILES);
    char* P = reinterpret_cast<char*>(D) + sizeof(DROPFILES);
    for (const std::string& N : Names) {
        memcpy(P, N.c_str(), N.size() + 1);
        P += N.size() + 1;
    }
    GlobalUnlock(H);
    return static_cast<HDROP>(H);
}

// Alt with a capital letter as the keyboard posts it, the character left to
// the message loop to make; the caller pumps.
inline void PostAlt(char Letter)
{
    PostMessageA(GetFocus(), WM_SYSKEYDOWN, static_cast<WPARAM>(Letter), 0x20000001);
    PostMessageA(GetFocus(), WM_SYSKEYUP, static_cast<WPARAM>(Letter), static_cast<LPARAM>(0xE0000001));
}

class WizardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->ShowErrorBoxes = false;
        Answer = mrYes;
        NewForm();
    }
    // A shown form in place of the test's, also for rows that close it.
    void NewForm()
    {
        if (Form)
            Form->Free();
        Form = new TTestWizard(nullptr);
        // Twenty milliseconds pass per message: a run pumps at every third
        // one, so the Stop, Cancel and close scenarios below act within the
        // pump's time interval, not at a pump per message.
        Form->Driver().Clock = [this] { return Now += 20; };
        Form->Handle();
        Pump();
        // A first start's first show asks about the update check; the
        // wizard's own boxes and beeps are counted from here.
        Boxes.clear();
        Beeps.clear();
    }
    void TearDown() override
    {
        if (Form)
            Form->Free();
        Pump();
    }
    static void Pump() { Application->ProcessMessages(); }
    std::string Header() { return Form->pnlInfo->AllText(); }
    // A left click on the control's window, posted as the mouse would.
    static void PostClick(TWinControl* Control)
    {
        const LPARAM At = MAKELPARAM(5, 5);
        PostMessageA(Control->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At);
        PostMessageA(Control->Handle(), WM_LBUTTONUP, 0, At);
    }
    void AddSource(const std::string& Name, TMailFormat Format) { Form->AddSourceNames({Name}, Format); }
    // A generated mailbox of Count messages in the list, a target folder,
    // and the start page shown.
    void ReadyToRun(int Count)
    {
        std::string Mbox;
        for (int I = 0; I < Count; ++I)
            Mbox += MessageOf(I);
        AddSource(Dir.Write("Big", Mbox), mftMbox);
        Form->edtTargetFolder->SetText(Dir.File("out") + "\\");
        Form->ShowPage(pgStart);
    }
    // The ways a user closes the wizard, posted as the system posts them;
    // the caller pumps.
    enum TCloseWay { cwCancel, cwEsc, cwAltC, cwAltF4, cwTitleBar };
    static constexpr const char* CloseWayNames[] = {"Cancel", "Esc", "Alt+C", "Alt+F4", "title bar"};
    void PostClose(TCloseWay Way)
    {
        switch (Way) {
        case cwCancel:
            return PostClick(Form->btnCancel);
        case cwEsc:
            PostMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 1);
            return;
        case cwAltC:
            return PostAlt('C');
        case cwAltF4:
            PostMessageA(GetFocus(), WM_SYSKEYDOWN, VK_F4, 0x20000001);
            return;
        case cwTitleBar:
            PostMessageA(Form->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
            return;
        }
    }
    // The log saved through its menu, the save form answering Chosen; what
    // the form offered and its title come back.
    std::pair<std::string, std::string> SaveLogAs(const std::string& Chosen)
    {
        std::pair<std::string, std::string> Asked;
        const TGetFileNameProc Old = SetSaveFileNameProc([&](OPENFILENAMEA& O) {
            Asked = {O.lpstrFile, O.lpstrTitle ? O.lpstrTitle : ""};
            return lstrcpynA(O.lpstrFile, Chosen.c_str(), static_cast<int>(O.nMaxFile)) != nullptr;
        });
        Form->smuSaveAsClick(nullptr);
        SetSaveFileNameProc(Old);
        return Asked;
    }
    std::vector<std::string> Sources()
    {
        std::vector<std::string> S;
        for (int I = 0; I < Form->lstSourceFiles->Items()->Count(); ++I)
            S.push_back(Form->lstSourceFiles->Items()->Strings(I));
        return S;
    }

    TTestFolder Dir{"wizard"};
    // Put back after TearDown freed the form.
    TScratchSettings Settings{Dir.File("Tessaly.ini"), true};
    TAccessibilityKept Accessibility;
    TTestWizard* Form = nullptr;
    std::uint64_t Now = 0;
    std::vector<TMessageDlgRequest>& Boxes = Settings.Requests;
    std::vector<UINT>& Beeps = Settings.Beeps;
    TModalResult& Answer = Settings.Answer;
};

// A key pressed and released on the focused window, as the keyboard posts
// it, with Ctrl or Shift held when asked.
inline void PressKey(WORD Key, bool Ctrl = false, bool Shift = false)
{
    BYTE Keys[256];
    GetKeyboardState(Keys);
    Keys[VK_CONTROL] = Ctrl ? 0x80 : 0;
    Keys[VK_SHIFT] = Shift ? 0x80 : 0;
    SetKeyboardState(Keys);
    const HWND To = GetFocus();
    PostMessageA(To, WM_KEYDOWN, Key, 1);
    PostMessageA(To, WM_KEYUP, Key, 0xC0000001);
    Application->ProcessMessages();
    Keys[VK_CONTROL] = Keys[VK_SHIFT] = 0;
    SetKeyboardState(Keys);
}

// Alt with a letter, as the keyboard posts it to the focused window.
inline void PressAlt(char Letter)
{
    const HWND To = GetFocus();
    constexpr LPARAM AltDown = 0x20000001;
    PostMessageA(To, WM_SYSKEYDOWN, static_cast<WPARAM>(toupper(Letter)), AltDown);
    PostMessageA(To, WM_SYSCHAR, static_cast<WPARAM>(Letter), AltDown);
    PostMessageA(To, WM_SYSKEYUP, static_cast<WPARAM>(toupper(Letter)), static_cast<LPARAM>(0xE0000001));
    Application->ProcessMessages();
}
