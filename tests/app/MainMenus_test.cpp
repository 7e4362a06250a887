// Help on the form's controls, its links and its right-click menus.
#include "tests/app/WizardFixture.h"

TEST_F(WizardTest, HelpOnAControlAsksItsPagesContext)
{
    using TCalls = std::vector<std::pair<WORD, ULONG_PTR>>;
    TCalls Calls;
    THelpEvent OldHelp = Application->OnHelp;
    Application->OnHelp = [&](WORD Command, ULONG_PTR Data, bool& CallHelp) {
        Calls.emplace_back(Command, Command == HELP_KEY ? 0 : Data);
        CallHelp = false;
        return true;
    };
    Form->ShowPage(pgSource);
    HELPINFO Info{};
    Info.cbSize = sizeof(Info);
    Info.iContextType = HELPINFO_WINDOW;
    Info.hItemHandle = Form->lstSourceFiles->Handle();
    Info.MousePos = {120, 140};
    // The list has no context of its own: its page's pops up at the mouse;
    // without a help button the whole topic opens instead, and a keyword
    // goes to the keyword help.
    const struct {
        bool HelpButton;
        const char* Keyword;
        TCalls Calls;
    } Cases[] = {
        {true, "", {{HELP_SETPOPUP_POS, MAKELONG(120, 140)}, {HELP_CONTEXTPOPUP, 21}}},
        {false, "", {{HELP_CONTEXT, 21}}},
        {false, "source list", {{HELP_KEY, 0}}},
    };
    for (const auto& C : Cases) {
        Calls.clear();
        Form->btnHelp->SetVisible(C.HelpButton);
        Form->lstSourceFiles->SetHelpKeyword(C.Keyword);
        Form->Perform(WM_HELP, 0, reinterpret_cast<LPARAM>(&Info));
        EXPECT_EQ(Calls, C.Calls) << C.HelpButton << C.Keyword;
    }
    Application->OnHelp = OldHelp;

    // F1 where the help viewer has no text popups (Wine's): the page's
    // topic opens in the help window.
    std::vector<std::pair<UINT, DWORD_PTR>> Viewer;
    SetHtmlHelpProc([&](HWND, const char*, UINT Command, DWORD_PTR Data) {
        Viewer.emplace_back(Command, Command == HH_DISPLAY_TEXT_POPUP ? 0 : Data);
        return static_cast<HWND>(nullptr);
    });
    Dir.Write("Tessaly.chm", "ITSF");
    Application->OnHelp = nullptr;
    ASSERT_TRUE(InstallApplicationHelp(Dir.File("Tessaly")));
    Form->btnHelp->SetVisible(true);
    Form->lbxSourceFormat->SetFocus();
    // The system makes the help request of a key from the keyboard, not of
    // a posted one.
    SetForegroundWindow(Form->Handle());
    INPUT Keys[2] = {};
    for (INPUT& K : Keys) {
        K.type = INPUT_KEYBOARD;
        K.ki.wVk = VK_F1;
    }
    Keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, Keys, sizeof(INPUT));
    Pump();
    const auto Asked = Viewer;
    THelpManager::Release();
    SetHtmlHelpProc(nullptr);
    Application->SetHelpFile("");
    Application->OnHelp = OldHelp;
    EXPECT_EQ(Asked, (std::vector<std::pair<UINT, DWORD_PTR>>{{HH_DISPLAY_TEXT_POPUP, 0}, {HH_HELP_CONTEXT, 21}}));
}

TEST_F(WizardTest, ClickedLinksOpenWithTheShell)
{
    std::vector<std::string> Opened;
    THooksScope Hooks;
    GHooks.ShellLaunch = [&](HWND, const char*, const char* File, const char*, const char*, int) {
        Opened.push_back(File);
        return reinterpret_cast<HINSTANCE>(42);
    };
    Form->RichEditURLClick(Form->edtSourceInfo, "www.corvane.example");
    Form->RichEditURLClick(Form->edtSourceInfo, "https://www.corvane.example/x");
    EXPECT_EQ(Opened, (std::vector<std::string>{"http://www.corvane.example/", "https://www.corvane.example/x"}));
}

namespace {

// Records where it would pop up instead of tracking a menu.
class TRecordingPopup : public TPopupMenu {
public:
    using TPopupMenu::TPopupMenu;
    void Popup(int X, int Y) override
    {
        At.push_back({X, Y});
        DoPopup(this);
    }
    std::vector<POINT> At;
};

} // namespace

TEST_F(WizardTest, RightClicksOpenTheLogAndSourceListMenus)
{
    TRecordingPopup Log(nullptr), List(nullptr);
    TPopupMenu* OldLog = Form->pmnLog;
    TPopupMenu* OldList = Form->pmnSourceFiles;
    Form->pmnLog = &Log;
    Form->pmnSourceFiles = &List;
    for (const char* Name : {"C:\\Mail\\Inbox", "C:\\Mail\\Sent", "C:\\Mail\\Trash"})
        AddSource(Name, mftMbox);
    ASSERT_TRUE(Form->ShowPage(pgStart));
    // The controls pass the message on to the form through their parents;
    // -1 is the keyboard's menu key.
    auto ContextMenu = [](TWinControl* C, LPARAM At) {
        SendMessageA(C->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(C->Handle()), At);
    };
    const TPoint Inside = Form->edtProcessing->ClientToScreen(TPoint(30, 20));
    ContextMenu(Form->edtProcessing, MAKELPARAM(Inside.x, Inside.y));
    Form->ShowPage(pgSource);
    Form->lstSourceFiles->SetFocus();
    for (int Focused : {1, 0}) {
        Form->lstSourceFiles->SetItemIndex(Focused);
        ContextMenu(Form->lstSourceFiles, -1);
    }
    // Nothing focused shows: beside the list.
    Form->lstSourceFiles->Items()->Clear();
    ContextMenu(Form->lstSourceFiles, -1);
    // A right click elsewhere on the page opens neither.
    const TPoint Outside = Form->lbxSourceFormat->ClientToScreen(TPoint(10, 10));
    ContextMenu(Form->lbxSourceFormat, MAKELPARAM(Outside.x, Outside.y));
    Form->pmnLog = OldLog;
    Form->pmnSourceFiles = OldList;
    ASSERT_EQ(Log.At.size(), 1u);
    EXPECT_EQ(Log.At[0].x, Inside.x);
    EXPECT_EQ(Log.At[0].y, Inside.y);
    EXPECT_EQ(Log.PopupComponent(), Form->edtProcessing);
    // From the keyboard: on the focused row, the second one, then the first.
    ASSERT_EQ(List.At.size(), 3u);
    const int Row = static_cast<int>(SendMessageA(Form->lstSourceFiles->Handle(), LB_GETITEMHEIGHT, 0, 0));
    const TPoint OnRow = Form->lstSourceFiles->ClientToScreen(TPoint(8, Row + Row / 2));
    EXPECT_EQ(List.At[0].x, OnRow.x);
    EXPECT_EQ(List.At[0].y, OnRow.y);
    EXPECT_EQ(List.At[1].y, Form->lstSourceFiles->ClientToScreen(TPoint(8, Row / 2)).y);
    const TPoint Corner = Form->lstSourceFiles->ClientToScreen(TPoint(8, 8));
    EXPECT_EQ(List.At[2].x, Corner.x);
    EXPECT_EQ(List.At[2].y, Corner.y);
}

TEST_F(WizardTest, TheFocusedLogShowsAColourOfItsOwn)
{
    AddSource("C:\\Mail\\Inbox", mftMbox);
    ASSERT_TRUE(Form->ShowPage(pgStart));
    Form->btnBack->SetFocus();
    // Read-only from the start, and again after the focus has left.
    const TColor Unfocused = ColorToRGB(Form->edtProcessing->Color());
    EXPECT_EQ(Unfocused, ColorToRGB(clInfoBk));
    Form->edtProcessing->SetFocus();
    ASSERT_TRUE(Form->edtProcessing->Focused());
    const TColor Focused = ColorToRGB(Form->edtProcessing->Color());
    EXPECT_NE(Focused, Unfocused);
    // A tint of the read-only colour, the log's text readable on it: each
    // channel nearer the read-only colour's than the selection's.
    const TColor Mark = ColorToRGB(clHighlight);
    for (int Shift : {0, 8, 16}) {
        const int F = (Focused >> Shift) & 0xFF, U = (Unfocused >> Shift) & 0xFF, M = (Mark >> Shift) & 0xFF;
        EXPECT_LE(std::abs(F - U), std::abs(F - M)) << Shift;
    }
    Form->btnBack->SetFocus();
    EXPECT_EQ(ColorToRGB(Form->edtProcessing->Color()), Unfocused);
    Form->edtProcessing->SetFocus();
    EXPECT_EQ(ColorToRGB(Form->edtProcessing->Color()), Focused);
}

TEST_F(WizardTest, TheLogMenuFollowsTheLog)
{
    AddSource("C:\\Mail\\Inbox", mftMbox);
    ASSERT_TRUE(Form->ShowPage(pgStart));
    Form->edtProcessing->SetText("");
    Form->pmnLogPopup(nullptr);
    EXPECT_FALSE(Form->smuCopy->Enabled());
    EXPECT_FALSE(Form->smuCopyAll->Enabled());
    Form->AddLogLine("Processing: C:\\Mail\\Inbox");
    Form->AddLogLine("Done");
    Form->pmnLogPopup(nullptr);
    EXPECT_FALSE(Form->smuCopy->Enabled());
    EXPECT_TRUE(Form->smuCopyAll->Enabled());
    Form->smuCopyAllClick(nullptr);
    EXPECT_EQ(Clipboard().AsText(), "Processing: C:\\Mail\\Inbox\r\nDone\r\n");
    Form->edtProcessing->SetSelStart(0);
    Form->edtProcessing->SetSelLength(10);
    Form->pmnLogPopup(nullptr);
    EXPECT_TRUE(Form->smuCopy->Enabled());
    Form->smuCopyClick(nullptr);
    EXPECT_EQ(Clipboard().AsText(), "Processing");
}
