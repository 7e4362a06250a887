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
#include "testkit/PixelProbe.h"
#include "testkit/TestFolder.h"
#include "tests/app/ScratchSettings.h"

namespace {

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

std::string MessageOf(int I)
{
    return "From sender" + std::to_string(I) + "@example.com Mon Jan  5 10:00:00 2009\r\n" +
           "From: Sender <sender" + std::to_string(I) + "@example.com>\r\n" + "Subject: Note " +
           std::to_string(I) + "\r\nDate: Mon, 05 Jan 2009 10:00:00 +0000\r\n\r\nBody " + std::to_string(I) +
           ".\r\n\r\n";
}

// A shell drop list of Names, as the shell hands it over.
HDROP MakeDrop(const std::vector<std::string>& Names)
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

class WizardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->ShowErrorBoxes = false;
        Answer = mrYes;
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
        GAppScreenReader = GAppHighContrast = false;
        GFollowSystemAccessibility = true;
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
    TTestWizard* Form = nullptr;
    std::uint64_t Now = 0;
    std::vector<TMessageDlgRequest>& Boxes = Settings.Requests;
    std::vector<UINT>& Beeps = Settings.Beeps;
    TModalResult& Answer = Settings.Answer;
};

} // namespace

TEST_F(WizardTest, StartsOnTheWelcomePageWithItsLists)
{
    EXPECT_TRUE(Form->Visible());
    EXPECT_EQ(Form->PageIndex(), pgIntroduction);
    EXPECT_FALSE(Form->btnBack->Enabled());
    EXPECT_EQ(Form->btnNext->Tag(), NextButtonTag);
    EXPECT_EQ(Header().substr(0, 9), "Welcome !");
    EXPECT_NE(Header().find("We hope you enjoy using " + ApplicationName + "."), std::string::npos);
    EXPECT_NE(Header().find("Press the F1 function key"), std::string::npos);
    // A bold title over an indented plain text.
    TKvRichPanel* Info = Form->pnlInfo;
    Info->SetSelStart(0);
    Info->SetSelLength(9);
    EXPECT_EQ(Info->SelAttributes()->Style(), fsBold);
    EXPECT_EQ(Info->Paragraph()->FirstIndent(), 4);
    EXPECT_EQ(Info->Paragraph()->RightIndent(), 4);
    Info->SetSelStart(12);
    Info->SetSelLength(20);
    EXPECT_EQ(Info->SelAttributes()->Style(), 0u);
    EXPECT_EQ(Info->Paragraph()->FirstIndent(), 12);

    EXPECT_EQ(Form->lbxSourceFormat->ItemIndex(), 1);
    EXPECT_EQ(Form->lbxTargetFormat->ItemIndex(), 1);
    EXPECT_EQ(Form->GetSelectedSourceFormat(), mftThunderbird);
    EXPECT_EQ(Form->GetSelectedTargetFormat(), mftEml);
    // The default target: the documents folder's "Mail", as a pattern for EML.
    const std::string Target = Form->edtTargetFolder->Text();
    EXPECT_EQ(Target.substr(Target.size() - 10), "Mail\\*.eml");

    // Every row of both lists as shown, and the format it picks.
    const std::vector<std::pair<const char*, TMailFormat>> Rows[2] = {
        {{"//Mozilla mail programs", mftUnknown}, {"Thunderbird", mftThunderbird}, {"SeaMonkey Mail", mftSeaMonkey},
         {"Mozilla Mail", mftMozilla}, {"Netscape Messenger", mftNetscape}, {"Eudora OSE", mftEudoraOse},
         {"//Qualcomm Eudora", mftUnknown}, {"Eudora index files (*.toc)", mftEudoraToc},
         {"Eudora mailboxes (*.mbx)", mftEudoraMbx}, {"Mac Eudora mailboxes", mftMacEudora},
         {"//Generic mail formats", mftUnknown}, {"Standard mbox", mftMbox}, {"Pine mbox", mftPine},
         {"//Other mail programs", mftUnknown}, {"Other formats", mftOther}},
        {{"//Individual message files", mftUnknown}, {"EML files (*.eml)", mftEml}, {"MIME files (*.txt)", mftTxt},
         {"//Generic mailbox files", mftUnknown}, {"mbox for Windows", mftMboxWin}, {"mbox for Unix", mftMboxUnix},
         {"mbox for Mac", mftMboxMac}, {"//Other mail programs", mftUnknown}, {"Other formats", mftOther}}};
    for (bool InTarget : {false, true}) {
        TRzTabbedListBox* List = InTarget ? Form->lbxTargetFormat : Form->lbxSourceFormat;
        ASSERT_EQ(List->Items()->Count(), static_cast<int>(Rows[InTarget].size()));
        for (int Row = 0; Row < List->Items()->Count(); ++Row) {
            SCOPED_TRACE(Rows[InTarget][Row].first);
            EXPECT_EQ(List->Items()->Strings(Row), Rows[InTarget][Row].first);
            List->SetItemIndex(Row);
            EXPECT_EQ(int(InTarget ? Form->GetSelectedTargetFormat() : Form->GetSelectedSourceFormat()),
                      int(Rows[InTarget][Row].second));
        }
    }
}

TEST_F(WizardTest, PageFlowHeadersAndTheStartButton)
{
    struct Step {
        void (TfrmTessaly::*Click)(TObject*);
        int Page;
        const char* Title;
        bool BackEnabled;
        int Tag;
    };
    AddSource(Dir.Write("Inbox", MessageOf(1)), mftMbox);
    const Step Steps[] = {
        {&TfrmTessaly::btnNextClick, pgSource, "Choose Source Files", true, NextButtonTag},
        {&TfrmTessaly::btnNextClick, pgTarget, "Set Target Options", true, NextButtonTag},
        {&TfrmTessaly::btnNextClick, pgStart, "Start Conversion", true, StartButtonTag},
        {&TfrmTessaly::btnBackClick, pgTarget, "Set Target Options", true, NextButtonTag},
        {&TfrmTessaly::btnNextClick, pgStart, "Start Conversion", true, StartButtonTag},
        {&TfrmTessaly::btnBackClick, pgTarget, "Set Target Options", true, NextButtonTag},
        {&TfrmTessaly::btnBackClick, pgSource, "Choose Source Files", true, NextButtonTag},
        {&TfrmTessaly::btnBackClick, pgIntroduction, "Welcome !", false, NextButtonTag},
    };
    const std::string NextCaption = Form->btnNext->Caption();
    for (const Step& S : Steps) {
        SCOPED_TRACE(S.Title);
        (Form->*S.Click)(nullptr);
        Pump();
        EXPECT_EQ(Form->PageIndex(), S.Page);
        EXPECT_EQ(Header().substr(0, strlen(S.Title)), S.Title);
        EXPECT_EQ(Form->btnBack->Enabled(), S.BackEnabled);
        EXPECT_EQ(Form->btnNext->Tag(), S.Tag);
        EXPECT_EQ(Form->btnNext->Caption(), S.Tag == StartButtonTag ? std::string("&Start") : NextCaption);
        EXPECT_EQ(Form->pnlWizard->ActivePage()->HelpContext(), 20 + S.Page);
    }
    EXPECT_TRUE(Boxes.empty());
    EXPECT_TRUE(Beeps.empty());
}

TEST_F(WizardTest, NoPageChangeWhileARunGoesOn)
{
    Form->ShowPage(pgTarget);
    Form->SetNextButton("Stop", StopButtonTag);
    EXPECT_FALSE(Form->ShowPage(pgSource));
    EXPECT_EQ(Form->PageIndex(), pgTarget);
    EXPECT_EQ(Beeps, std::vector<UINT>{MB_ICONASTERISK});
    // Drops are ignored while running; the drop is still finished.
    Form->Perform(WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({"C:\\x\\Inbox"})), 0);
    EXPECT_TRUE(Sources().empty());
    EXPECT_EQ(Form->PageIndex(), pgTarget);
    Form->SetNextButton("Start", StartButtonTag);
}

TEST_F(WizardTest, ThePageCheckSendsTheUserToTheFieldToFix)
{
    Form->ShowPage(pgTarget);
    // Nothing to convert: no list entry, and Mac Eudora has no default store.
    Form->SelectSourceFormat(mftMacEudora);
    Form->btnNextClick(nullptr);
    EXPECT_EQ(Form->PageIndex(), pgTarget);
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].DlgType, mtWarning);
    EXPECT_EQ(Boxes[0].Msg, "Please select at least one source mail file or folder before continuing");
    // Message 1626 moves on once the check's handler is done.
    Pump();
    EXPECT_EQ(Form->PageIndex(), pgSource);
    EXPECT_TRUE(Form->btnAddFiles->Focused());

    AddSource(Dir.Write("Inbox", MessageOf(1)), mftMacEudora);
    Form->ShowPage(pgTarget);
    Form->edtTargetFolder->SetText("");
    Form->btnNextClick(nullptr);
    ASSERT_EQ(Boxes.size(), 2u);
    EXPECT_EQ(Boxes[1].Msg, "Please select a target folder or file before continuing");
    Pump();
    EXPECT_EQ(Form->PageIndex(), pgTarget);
    EXPECT_TRUE(Form->edtTargetFolder->Focused());

    Form->edtTargetFolder->SetText(Dir.Path() + "\\");
    Form->btnNextClick(nullptr);
    EXPECT_EQ(Form->PageIndex(), pgStart);
    EXPECT_EQ(Boxes.size(), 2u);
}

TEST_F(WizardTest, GroupRowsAreSkippedAndOtherFormatsShowsInformation)
{
    struct Case {
        bool Target;
        int Clicked;
        int Selected;
        bool InfoShown;
    };
    const Case Cases[] = {
        {false, 0, 1, false},  {false, 6, 7, false}, {false, 10, 11, false}, {false, 13, 14, true},
        {false, 14, 14, true}, {false, 12, 12, false}, {true, 0, 1, false},  {true, 3, 4, false},
        {true, 7, 8, true},    {true, 8, 8, true},     {true, 2, 2, false},
    };
    Form->ShowPage(pgSource);
    for (const Case& K : Cases) {
        SCOPED_TRACE(std::string(K.Target ? "target " : "source ") + std::to_string(K.Clicked));
        TRzCustomListBox* List = K.Target ? static_cast<TRzCustomListBox*>(Form->lbxTargetFormat)
                                          : static_cast<TRzCustomListBox*>(Form->lbxSourceFormat);
        List->SetItemIndex(K.Clicked);
        List->Click();
        EXPECT_EQ(List->ItemIndex(), K.Selected);
        TRzPageControl* Pages = K.Target ? Form->pgcTargetSettings : Form->pgcSourceSettings;
        TRzTabSheet* Info = K.Target ? Form->tbsTargetInfo : Form->tbsSourceInfo;
        EXPECT_EQ(Pages->ActivePage() == Info, K.InfoShown);
    }
    const std::string Info = Form->edtSourceInfo->Text();
    EXPECT_NE(Info.find(ApplicationName + " converts only mbox-type mail files"), std::string::npos);
    EXPECT_EQ(Form->edtTargetInfo->Text(), Info);
}

TEST_F(WizardTest, TargetFormatsNormaliseTheTargetAndPickTheirOptions)
{
    struct Case {
        int Row;
        const char* Before;
        const char* After;
        bool DatesEnabled;
    };
    const Case Cases[] = {
        {1, "C:\\Out\\", "C:\\Out\\*.eml", true},
        {2, "C:\\Out\\*.eml", "C:\\Out\\*.txt", true},
        {4, "C:\\Out\\*.txt", "C:\\Out\\*.mbox", false},
        {5, "C:\\Out\\all.mbox", "C:\\Out\\all.mbox", false},
        {8, "C:\\Out\\*.mbox", "C:\\Out\\", false},
    };
    Form->ShowPage(pgTarget);
    for (const Case& K : Cases) {
        SCOPED_TRACE(K.Row);
        Form->edtTargetFolder->SetText(K.Before);
        Form->lbxTargetFormat->SetItemIndex(K.Row);
        Form->lbxTargetFormat->Click();
        EXPECT_EQ(Form->edtTargetFolder->Text(), K.After);
        EXPECT_EQ(Form->edtTargetFolder->Hint(), K.After);
        EXPECT_EQ(Form->grpTargetOptions->GetItemEnabled(1), K.DatesEnabled);
        EXPECT_EQ(Form->grpTargetOptions->GetItemEnabled(2), K.DatesEnabled);
        EXPECT_TRUE(Form->grpTargetOptions->GetItemEnabled(0));
    }
}

TEST_F(WizardTest, TheTargetFieldFiltersKeysAndFillsOnDoubleClick)
{
    Form->ShowPage(pgTarget);
    Form->edtTargetFolder->SetText("");
    Form->edtTargetFolder->SetFocus();
    for (char C : std::string("C:/Out?\"*|x"))
        SendMessageA(Form->edtTargetFolder->Handle(), WM_CHAR, static_cast<unsigned char>(C), 0);
    EXPECT_EQ(Form->edtTargetFolder->Text(), "C:\\Out*x");
    EXPECT_EQ(Beeps.size(), 3u);

    Form->edtTargetFolder->SetText("");
    Form->edtTargetFolderDblClick(nullptr);
    const std::string Text = Form->edtTargetFolder->Text();
    EXPECT_EQ(Text.substr(Text.size() - 10), "Mail\\*.eml");
}

// The themed edit frame is painted over the whole field, the browse
// button's window inside it too, whenever it is redrawn: when the field's
// frame is refreshed, and when the focus leaves it and comes back (as after
// the folder form the button opens). The button must be painted again.
TEST_F(WizardTest, TheTargetFieldsBrowseButtonOutlivesARepaintedThemedFrame)
{
    if (!ThemeServices()->ThemesEnabled())
        GTEST_SKIP() << "no themed look here";
    Form->ShowPage(pgTarget);
    TRzButtonEdit* Edit = Form->edtTargetFolder;
    TRzButtonPair* Pair = Edit->Buttons();
    struct Case {
        const char* Name;
        std::function<void()> Repaint;
    };
    const Case Cases[] = {
        {"frame redrawn",
         [&] { RedrawWindow(Edit->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW); }},
        {"focus away and back",
         [&] {
             Form->lbxTargetFormat->SetFocus();
             Pump();
             Edit->SetFocus();
         }},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        Edit->SetFocus();
        Pump();
        C.Repaint();
        Pump();
        // The window lies inside the field's client area.
        ASSERT_TRUE(Pair->HandleAllocated());
        EXPECT_TRUE(IsWindowVisible(Pair->Handle()));
        const TPoint At = Edit->ScreenToClient(Pair->ClientToScreen(TPoint(0, 0)));
        EXPECT_GE(At.x, 0);
        EXPECT_GE(At.y, 0);
        EXPECT_LE(At.x + Pair->Width(), Edit->ClientWidth());
        EXPECT_LE(At.y + Pair->Height(), Edit->ClientHeight() + 1);
        // What the screen shows there, without a forced repaint: the
        // button's face and glyph, not the field's background.
        const int W = Pair->Width(), H = Pair->Height();
        TBitmap Shot(W, H);
        HDC DC = GetDC(Pair->Handle());
        BitBlt(Shot.Canvas()->Handle(), 0, 0, W, H, DC, 0, 0, SRCCOPY);
        ReleaseDC(Pair->Handle(), DC);
        GdiFlush();
        const COLORREF Back = ColorToRef(Edit->Color());
        int Painted = 0;
        for (int Y = 0; Y < H; ++Y)
            for (int X = 0; X < W; ++X)
                Painted += (GetPixel(Shot.Canvas()->Handle(), X, Y) & 0xFFFFFFu) != Back;
        EXPECT_GT(Painted, W * H / 4) << "of " << W * H;
    }
}

TEST_F(WizardTest, DroppedNamesAreReadWholeAndNotRepeated)
{
    const std::string Long = "C:\\" + std::string(150, 'a') + "\\" + std::string(146, 'b');
    ASSERT_EQ(Long.size(), 300u);
    Form->SelectSourceFormat(mftMbox);
    Form->Perform(WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({"C:\\x\\Zeta", Long, "C:\\x\\alpha"})), 0);
    EXPECT_EQ(Form->PageIndex(), pgSource);
    const std::vector<std::string> Expected{"C:\\" + std::string(150, 'a') + "\\" + std::string(146, 'b'),
                                            "C:\\x\\alpha", "C:\\x\\Zeta"};
    EXPECT_EQ(Sources(), Expected);
    EXPECT_EQ(Form->lstSourceFiles->ItemIndex(), 2);
    EXPECT_TRUE(Form->btnRemove->Enabled());
    for (int I = 0; I < 3; ++I)
        EXPECT_EQ(MailFormatOfObject(Form->lstSourceFiles->Items()->Objects(I)), mftMbox);

    // The same name again (in another case) only takes the new format.
    Form->SelectSourceFormat(mftPine);
    Form->lstSourceFiles->SetItemIndex(0);
    Form->Perform(WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({"C:\\X\\ALPHA"})), 0);
    EXPECT_EQ(Sources(), Expected);
    EXPECT_EQ(MailFormatOfObject(Form->lstSourceFiles->Items()->Objects(1)), mftPine);
    EXPECT_EQ(MailFormatOfObject(Form->lstSourceFiles->Items()->Objects(0)), mftMbox);
    EXPECT_EQ(Form->lstSourceFiles->ItemIndex(), 0);
}

TEST_F(WizardTest, DeleteAndMessageRemoveSourceEntries)
{
    for (const char* N : {"C:\\a", "C:\\b", "C:\\c", "C:\\d"})
        AddSource(N, mftMbox);
    Form->ShowPage(pgSource);
    Form->lstSourceFiles->SetItemIndex(1);
    // Delete posts the removal, which runs after the key's handler.
    SendMessageA(Form->lstSourceFiles->Handle(), WM_KEYUP, VK_DELETE, 0);
    EXPECT_EQ(Sources().size(), 4u);
    Pump();
    EXPECT_EQ(Sources(), (std::vector<std::string>{"C:\\a", "C:\\c", "C:\\d"}));
    EXPECT_EQ(Form->lstSourceFiles->ItemIndex(), 1);

    // Nothing selected: the message carries -1 and removes nothing.
    Form->lstSourceFiles->SetItemIndex(-1);
    SendMessageA(Form->lstSourceFiles->Handle(), WM_KEYUP, VK_DELETE, 0);
    Pump();
    PostMessageA(Form->Handle(), KM_REMOVESOURCE, ControlParam(Form->lstSourceFiles), -1);
    PostMessageA(Form->Handle(), KM_REMOVESOURCE, ControlParam(Form->lstSourceFiles), 7);
    // Another control's message is not about the list.
    PostMessageA(Form->Handle(), KM_REMOVESOURCE, ControlParam(Form->lbxSourceFormat), 0);
    Pump();
    EXPECT_EQ(Sources().size(), 3u);

    // The last line removed selects the new last line; an empty list
    // disables Remove.
    Form->lstSourceFiles->SetItemIndex(2);
    Form->btnRemoveClick(nullptr);
    EXPECT_EQ(Form->lstSourceFiles->ItemIndex(), 1);
    Form->btnRemoveClick(nullptr);
    Form->btnRemoveClick(nullptr);
    EXPECT_TRUE(Sources().empty());
    EXPECT_FALSE(Form->btnRemove->Enabled());
}

TEST_F(WizardTest, PasteCopyAndClearTheSourceList)
{
    Form->SelectSourceFormat(mftEudoraToc);
    Clipboard().SetAsText("mailbox:///C|/Mail/Inbox");
    Form->pmnSourceFilesPopup(nullptr);
    EXPECT_TRUE(Form->smnPaste->Enabled());
    EXPECT_FALSE(Form->smnCopy->Enabled());
    Form->smnPasteClick(nullptr);
    ASSERT_EQ(Sources(), std::vector<std::string>{"C:\\Mail\\Inbox"});
    EXPECT_EQ(MailFormatOfObject(Form->lstSourceFiles->Items()->Objects(0)), mftThunderbird);

    const std::string Box = Dir.Write("In.toc", "x");
    Clipboard().SetAsText(Box + "\r\nnot a file\r\n");
    Form->smnPasteClick(nullptr);
    EXPECT_EQ(Sources(), (std::vector<std::string>{"C:\\Mail\\Inbox", Box}));
    EXPECT_EQ(MailFormatOfObject(Form->lstSourceFiles->Items()->Objects(1)), mftEudoraToc);

    Form->lstSourceFiles->SetItemIndex(0);
    Form->smnCopyClick(nullptr);
    EXPECT_EQ(Clipboard().AsText(), "C:\\Mail\\Inbox");
    Form->smnCopyAllClick(nullptr);
    EXPECT_EQ(Clipboard().AsText(), "C:\\Mail\\Inbox\r\n" + Box + "\r\n");
    Form->pmnSourceFilesPopup(nullptr);
    EXPECT_TRUE(Form->smnCopy->Enabled());
    EXPECT_TRUE(Form->smnClearList->Enabled());
    Form->smnClearListClick(nullptr);
    EXPECT_TRUE(Sources().empty());
    EXPECT_FALSE(Form->btnRemove->Enabled());
}

TEST_F(WizardTest, TheLogIsSavedOrTheFailureShown)
{
    AddSource(Dir.Write("Inbox", MessageOf(1)), mftMbox);
    Form->edtTargetFolder->SetText(Dir.File("out") + "\\");
    Form->ShowPage(pgStart);
    const std::string Summary = Form->StartSummary();
    EXPECT_EQ(Summary.substr(0, 55), "Ready to process mail (click Start button to begin)...\r");
    EXPECT_NE(Summary.find("  Source: Standard mbox\r\n    from: " + Dir.File("Inbox") + "\r\n"), std::string::npos);
    EXPECT_NE(Summary.find("  Target: EML files (*.eml)\r\n    to: " + Dir.File("out") + "\\\r\n\r\n"),
              std::string::npos);

    std::string Offered, Chosen = Dir.File("log.txt");
    TGetFileNameProc Old = SetSaveFileNameProc([&](OPENFILENAMEA& O) {
        Offered = O.lpstrFile;
        lstrcpynA(O.lpstrFile, Chosen.c_str(), static_cast<int>(O.nMaxFile));
        return TRUE;
    });
    Form->smuSaveAsClick(nullptr);
    EXPECT_EQ(Offered, "Processed.txt");
    EXPECT_EQ(TTestFolder::Read(Chosen), Form->edtProcessing->AllText());
    EXPECT_EQ(TTestFolder::Read(Chosen), Summary);
    EXPECT_TRUE(Boxes.empty());

    // A folder that does not exist: the user is told, nothing is claimed.
    Chosen = Dir.File("missing\\log.txt");
    Form->smuSaveAsClick(nullptr);
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].DlgType, mtError);
    EXPECT_NE(Boxes[0].Msg.find(Chosen), std::string::npos);
    EXPECT_EQ(GetFileAttributesA(Chosen.c_str()), INVALID_FILE_ATTRIBUTES);
    SetSaveFileNameProc(Old);
}

TEST_F(WizardTest, SettingChangesFollowTheScreenReader)
{
    BOOL Reader = FALSE;
    SystemParametersInfoA(SPI_GETSCREENREADER, 0, &Reader, 0);
    GAppScreenReader = !Reader;
    Form->ApplyAccessibility();
    EXPECT_EQ(Form->Caption().find("Accessibility Mode") != std::string::npos, AccessibilityModeOn());

    GFollowSystemAccessibility = false;
    EXPECT_EQ(Form->Perform(WM_SETTINGCHANGE, SPI_SETSCREENREADER, 0), 0);
    EXPECT_EQ(GAppScreenReader, !Reader);

    GFollowSystemAccessibility = true;
    EXPECT_EQ(Form->Perform(WM_SETTINGCHANGE, SPI_SETSCREENREADER, 0), 0);
    EXPECT_EQ(GAppScreenReader, Reader != FALSE);
    EXPECT_EQ(Form->Caption().find("Accessibility Mode") != std::string::npos, AccessibilityModeOn());
    EXPECT_EQ(Form->pnlWizard->TabStop(), AccessibilityModeOn());

    // A work-area change reads the screen reader again too; high contrast
    // is read on its own change only.
    GAppScreenReader = !Reader;
    Form->Perform(WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
    EXPECT_EQ(GAppScreenReader, Reader != FALSE);
    HIGHCONTRASTA Contrast{};
    Contrast.cbSize = sizeof(Contrast);
    SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof(Contrast), &Contrast, 0);
    const bool SystemContrast = (Contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
    GAppHighContrast = !SystemContrast;
    Form->Perform(WM_SETTINGCHANGE, SPI_SETSCREENREADER, 0);
    EXPECT_EQ(GAppHighContrast, !SystemContrast);
    Form->Perform(WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    EXPECT_EQ(GAppHighContrast, SystemContrast);
    EXPECT_EQ(Form->Caption().find("Accessibility Mode") != std::string::npos, AccessibilityModeOn());
}

TEST_F(WizardTest, StopDuringARunOnAGeneratedMailbox)
{
    ReadyToRun(300);
    ASSERT_EQ(Form->btnNext->Tag(), StartButtonTag);
    int TagDuringRun = 0;
    // The run's pumps leave the paints (here the Stop caption's) until one
    // comes a paint interval after the start; the click on Stop, input,
    // is served at once.
    // The clock stands far from 0: the interval counts from the run's start.
    DWORD PaintNow = 100000;
    Form->PaintClock = [&] { return PaintNow; };
    bool StopUnpainted = false, StopPainted = false;
    std::string LogUnpainted, LogPainted;
    Form->OnPump = [&](int N) {
        const bool Pending = GetUpdateRect(Form->btnNext->Handle(), nullptr, FALSE) != FALSE;
        if (N == 3) {
            LogUnpainted = Form->edtProcessing->AllText();
            StopUnpainted = Pending;
            PaintNow += TConvertDriver::BarIntervalMs - 1;
        } else if (N == 4) {
            StopUnpainted = StopUnpainted && Pending;
            PaintNow += 1;
        } else if (N == 5) {
            LogPainted = Form->edtProcessing->AllText();
            StopPainted = !Pending;
        }
        if (N == 40) {
            TagDuringRun = static_cast<int>(Form->btnNext->Tag());
            EXPECT_FALSE(Form->btnBack->Enabled());
            EXPECT_TRUE(Form->pnlProgressBar->Visible());
            PostClick(Form->btnNext);
        }
    };
    PostClick(Form->btnNext);
    Pump();
    EXPECT_TRUE(StopUnpainted);
    EXPECT_TRUE(StopPainted);
    // So do the log's lines: they go in with the paint.
    EXPECT_EQ(LogUnpainted.find("Processing: "), std::string::npos) << LogUnpainted;
    EXPECT_NE(LogPainted.find("Processing: "), std::string::npos) << LogPainted;
    EXPECT_EQ(TagDuringRun, StopButtonTag);
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Msg, "Abort mail conversion?");
    ASSERT_GE(Form->Log.size(), 3u);
    EXPECT_EQ(Form->Log.back(), "Processing aborted.");
    EXPECT_NE(std::find(Form->Log.begin(), Form->Log.end(), "Aborted"), Form->Log.end());
    int Written = 0;
    TTestFolder::ForEachFileBelow(Dir.File("out"), [&](const std::string&, const std::string&,
                                                       const WIN32_FIND_DATAA&) { ++Written; });
    EXPECT_GT(Written, 0);
    EXPECT_LT(Written, 300);
    EXPECT_EQ(Form->btnNext->Tag(), StartButtonTag);
    EXPECT_EQ(Form->btnNext->Caption(), "&Start");
    EXPECT_TRUE(Form->btnBack->Enabled());
    EXPECT_FALSE(Form->pnlProgressBar->Visible());
    EXPECT_TRUE(Form->edtProcessing->ShowCaret());
    EXPECT_FALSE(Form->Driver().Running());
}

// A run that wrote error-log rows ends its log with the log's path, so the
// user learns where the rows of "1 errors" are. A folder named outside the
// code page is named as it is on disk, in the pane and in a UTF-8 error log.
TEST_F(WizardTest, TheLogEndsWithTheErrorLogsPath)
{
    const struct {
        std::string Folder, Bom;  // the folder's name in UTF-8
    } Cases[] = {
        {"mail", ""},
        {"\xD0\x9F\xD0\xBE\xD1\x87\xD1\x82\xD0\xB0", "\xEF\xBB\xBF"},
        {"\xE5\x8F\x97\xE4\xBF\xA1\xE7\xAE\xB1", "\xEF\xBB\xBF"},
    };
    Form->edtTargetFolder->SetText(Dir.File("out") + "\\");
    for (const auto& C : Cases) {
        ErrorLogFileName = Dir.File("errors.txt");
        const std::wstring Mail = AnsiToWideStr(Dir.File("")) + AnsiToWideStr(C.Folder, CP_UTF8);
        ASSERT_TRUE(CreateDirectoryW(Mail.c_str(), nullptr));
        TTestFolder::Put(OpenableAnsiPath(Mail) + "\\notes", "not a mailbox");
        Form->lstSourceFiles->Items()->Clear();
        AddSource(OpenableAnsiPath(Mail + L"\\notes"), mftMbox);
        Form->edtProcessing->SetText("");
        Form->ShowPage(pgStart);
        PostClick(Form->btnNext);
        Pump();
        FreeErrorLog();
        ErrorLogFileName.clear();
        const std::string Notes = CodePageToUtf8(Dir.File(""), 0) + C.Folder + "\\notes";
        EXPECT_EQ(TTestFolder::Read(Dir.File("errors.txt")),
                  C.Bom + "Error\tFilename\tMail Folder\tMail Date\tMail Subject\r\nFile is not a valid mailbox\t" +
                      (C.Bom.empty() ? Dir.File(C.Folder + "\\notes") : Notes) + "\t\t\t\r\n");
        const std::wstring Text = Form->edtProcessing->AllWideText();
        EXPECT_NE(Text.find(L"Processing: " + AnsiToWideStr(Notes, CP_UTF8) + L"\r\n"), std::wstring::npos);
        const std::wstring Ending = L"0 mailboxes processed, 0 messages converted, 0 duplicates skipped, 1 errors.\r\n"
                                    L"Processing finished.\r\nError log: " + AnsiToWideStr(Dir.File("errors.txt"));
        const std::wstring Shown = Text.substr(0, Text.find_last_not_of(L"\r\n") + 1);
        ASSERT_GE(Shown.size(), Ending.size()) << C.Folder;
        EXPECT_EQ(Shown.substr(Shown.size() - Ending.size()), Ending);
        // Saved or copied, the log keeps the names whole.
        const std::string Saved = Dir.File("log.txt");
        const TGetFileNameProc Old = SetSaveFileNameProc([&](OPENFILENAMEA& O) {
            return lstrcpynA(O.lpstrFile, Saved.c_str(), static_cast<int>(O.nMaxFile)) != nullptr;
        });
        Form->smuSaveAsClick(nullptr);
        SetSaveFileNameProc(Old);
        EXPECT_EQ(TTestFolder::Read(Saved), C.Bom.empty() ? Form->edtProcessing->AllText() : C.Bom + WideToUtf8(Text));
        Form->smuCopyAllClick(nullptr);
        ASSERT_TRUE(OpenClipboard(nullptr));
        const HANDLE Copied = GetClipboardData(CF_UNICODETEXT);
        EXPECT_EQ(Copied ? std::wstring(static_cast<const wchar_t*>(GlobalLock(Copied))) : L"", Text);
        GlobalUnlock(Copied);
        CloseClipboard();
    }
}

TEST_F(WizardTest, CancelDuringARunAsksThenCloses)
{
    ReadyToRun(300);
    Answer = mrNo;
    Form->OnPump = [&](int N) {
        if (N == 30)
            PostClick(Form->btnCancel);
        if (N == 60) {
            Answer = mrYes;
            PostClick(Form->btnCancel);
        }
    };
    PostClick(Form->btnNext);
    Pump();
    ASSERT_EQ(Boxes.size(), 2u);
    EXPECT_EQ(Boxes[1].Msg, "Abort mail conversion and close the window?");
    EXPECT_EQ(Form->Log.back(), "Processing aborted.");
    EXPECT_FALSE(Form->Visible());
    EXPECT_FALSE(Form->Driver().Running());
}

TEST_F(WizardTest, ClosingDuringARunFreesTheFormOnlyAfterTheRun)
{
    ReadyToRun(200);
    bool Destroyed = false;
    bool DestroyedDuringRun = false;
    Form->Destroyed = &Destroyed;
    std::vector<std::string>* Log = &Form->Log;
    std::vector<std::string> Kept;
    TTestWizard* F = Form;
    F->OnPump = [&](int N) {
        if (N == 30) {
            F->Close();
            F->Free();
        }
        DestroyedDuringRun = DestroyedDuringRun || Destroyed;
        if (!Destroyed)
            Kept = *Log;
    };
    PostClick(F->btnNext);
    Pump();
    Form = nullptr;
    EXPECT_FALSE(DestroyedDuringRun);
    EXPECT_TRUE(Destroyed);
    ASSERT_FALSE(Kept.empty());
    EXPECT_EQ(Kept.back(), "Processing aborted.");
}

TEST_F(WizardTest, HelpOnAControlAsksItsPagesContext)
{
    struct TCall {
        WORD Command;
        ULONG_PTR Data;
    };
    std::vector<TCall> Calls;
    THelpEvent OldHelp = Application->OnHelp;
    Application->OnHelp = [&](WORD Command, ULONG_PTR Data, bool& CallHelp) {
        Calls.push_back({Command, Data});
        CallHelp = false;
        return true;
    };
    Form->ShowPage(pgSource);
    HELPINFO Info{};
    Info.cbSize = sizeof(Info);
    Info.iContextType = HELPINFO_WINDOW;
    Info.hItemHandle = Form->lstSourceFiles->Handle();
    Info.MousePos = {120, 140};
    Form->Perform(WM_HELP, 0, reinterpret_cast<LPARAM>(&Info));
    // The list has no context of its own: its page's pops up at the mouse.
    ASSERT_EQ(Calls.size(), 2u);
    EXPECT_EQ(Calls[0].Command, HELP_SETPOPUP_POS);
    EXPECT_EQ(Calls[0].Data, static_cast<ULONG_PTR>(MAKELONG(120, 140)));
    EXPECT_EQ(Calls[1].Command, HELP_CONTEXTPOPUP);
    EXPECT_EQ(Calls[1].Data, 21u);

    // Without a help button the whole topic opens instead.
    Calls.clear();
    Form->btnHelp->SetVisible(false);
    Form->Perform(WM_HELP, 0, reinterpret_cast<LPARAM>(&Info));
    ASSERT_EQ(Calls.size(), 1u);
    EXPECT_EQ(Calls[0].Command, HELP_CONTEXT);
    EXPECT_EQ(Calls[0].Data, 21u);

    // A keyword goes to the keyword help.
    Calls.clear();
    Form->lstSourceFiles->SetHelpKeyword("source list");
    Form->Perform(WM_HELP, 0, reinterpret_cast<LPARAM>(&Info));
    ASSERT_EQ(Calls.size(), 1u);
    EXPECT_EQ(Calls[0].Command, HELP_KEY);
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
    // The controls pass the message on to the form through their parents.
    const TPoint Inside = Form->edtProcessing->ClientToScreen(TPoint(30, 20));
    SendMessageA(Form->edtProcessing->Handle(), WM_CONTEXTMENU,
                 reinterpret_cast<WPARAM>(Form->edtProcessing->Handle()), MAKELPARAM(Inside.x, Inside.y));
    Form->ShowPage(pgSource);
    Form->lstSourceFiles->SetFocus();
    for (int Focused : {1, 0}) {
        Form->lstSourceFiles->SetItemIndex(Focused);
        SendMessageA(Form->lstSourceFiles->Handle(), WM_CONTEXTMENU,
                     reinterpret_cast<WPARAM>(Form->lstSourceFiles->Handle()), -1);
    }
    // Nothing focused shows: beside the list.
    Form->lstSourceFiles->Items()->Clear();
    SendMessageA(Form->lstSourceFiles->Handle(), WM_CONTEXTMENU,
                 reinterpret_cast<WPARAM>(Form->lstSourceFiles->Handle()), -1);
    // A right click elsewhere on the page opens neither.
    const TPoint Outside = Form->lbxSourceFormat->ClientToScreen(TPoint(10, 10));
    SendMessageA(Form->lbxSourceFormat->Handle(), WM_CONTEXTMENU,
                 reinterpret_cast<WPARAM>(Form->lbxSourceFormat->Handle()), MAKELPARAM(Outside.x, Outside.y));
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

TEST_F(WizardTest, AccessibilityModeFocusesThePagesFirstControlAndTheInformation)
{
    GAppScreenReader = true;
    Form->ApplyAccessibility();
    EXPECT_TRUE(Form->pnlWizard->TabStop());
    EXPECT_EQ(Form->Caption(), ApplicationName + " - Accessibility Mode");

    // The page's first control rather than the format list.
    Form->lbxSourceFormat->SetTabOrder(1);
    Form->ShowPage(pgSource);
    EXPECT_FALSE(Form->lbxSourceFormat->Focused());
    EXPECT_TRUE(IsChild(Form->tbsSourceFiles->Handle(), GetFocus()));

    // "Other formats": the information pane becomes a tab stop and takes the focus.
    Form->SelectSourceFormat(mftOther);
    EXPECT_TRUE(Form->edtSourceInfo->TabStop());
    EXPECT_TRUE(Form->edtSourceInfo->Focused());
    Form->SelectSourceFormat(mftMbox);
    EXPECT_FALSE(Form->edtSourceInfo->TabStop());

    GAppScreenReader = false;
    Form->ApplyAccessibility();
    EXPECT_FALSE(Form->pnlWizard->TabStop());
    EXPECT_EQ(Form->Caption(), ApplicationName);
}

TEST_F(WizardTest, TheSourceListIsReorderedByDragging)
{
    for (const char* N : {"C:\\a", "C:\\b", "C:\\c"})
        AddSource(N, mftMbox);
    Form->ShowPage(pgSource);
    TRzRankListBox* List = Form->lstSourceFiles;
    const TRect First = List->ItemRect(0), Last = List->ItemRect(2);
    const HWND Wnd = List->Handle();
    SendMessageA(Wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(First.left + 5, First.top + 2));
    SendMessageA(Wnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(Last.left + 5, Last.top + 2));
    SendMessageA(Wnd, WM_LBUTTONUP, 0, MAKELPARAM(Last.left + 5, Last.top + 2));
    EXPECT_EQ(Sources(), (std::vector<std::string>{"C:\\b", "C:\\c", "C:\\a"}));
    EXPECT_EQ(List->ItemIndex(), 2);
    EXPECT_TRUE(Form->btnRemove->Enabled());
}

// A long source item's hint goes with a page change, the focus leaving the
// list, a key in it and a scroll.
TEST_F(WizardTest, TheSourceItemHintLeavesWithTheList)
{
    AddSource("C:\\" + std::string(300, 'n'), mftMbox);
    const std::function<void()> Actions[] = {
        [&] { Form->ShowPage(pgTarget); },
        [&] { Form->btnAddFiles->SetFocus(); },
        [&] { PostMessageA(Form->lstSourceFiles->Handle(), WM_KEYDOWN, VK_END, 1); },
        [&] { PostMessageA(Form->lstSourceFiles->Handle(), WM_HSCROLL, SB_LINERIGHT, 0); },
    };
    for (const auto& Act : Actions) {
        Form->ShowPage(pgSource);
        Form->lstSourceFiles->SetFocus();
        const TRect R = Form->lstSourceFiles->ItemRect(0);
        PostMessageA(Form->lstSourceFiles->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(R.left + 5, R.top + 2));
        Pump();
        ASSERT_TRUE(Form->lstSourceFiles->ItemHintWindow() && Form->lstSourceFiles->ItemHintWindow()->Active());
        Act();
        Pump();
        EXPECT_FALSE(Form->lstSourceFiles->ItemHintWindow()->Active());
    }
}

TEST_F(WizardTest, TabWalksThePageBeforeTheButtons)
{
    Form->ShowPage(pgTarget);
    std::vector<TWinControl*> Order;
    Form->GetTabOrderList(Order);
    auto At = [&](TWinControl* C) { return std::find(Order.begin(), Order.end(), C) - Order.begin(); };
    EXPECT_LT(At(Form->lbxTargetFormat), At(Form->edtTargetFolder));
    EXPECT_LT(At(Form->edtTargetFolder), At(Form->btnBack));
    EXPECT_LT(At(Form->btnBack), At(Form->btnNext));
    EXPECT_LT(At(Form->btnNext), At(Form->btnCancel));
    EXPECT_LT(At(Form->btnCancel), At(Form->btnHelp));
}

TEST_F(WizardTest, ASecondRunIsSetApartInTheLog)
{
    AddSource(Dir.Write("Inbox", MessageOf(1) + MessageOf(2)), mftMbox);
    // A target long enough to wrap in the log still makes one line of it.
    Form->edtTargetFolder->SetText(Dir.File("out\\" + std::string(120, 'n')) + "\\");
    ASSERT_TRUE(Form->ShowPage(pgStart));
    Form->btnNextClick(nullptr);
    ASSERT_FALSE(Form->Log.empty());
    EXPECT_EQ(Form->Log.front(), "Processing: " + Dir.File("Inbox"));
    EXPECT_EQ(Form->Log.back(), "Processing finished.");
    Form->Log.clear();
    Form->btnNextClick(nullptr);
    ASSERT_FALSE(Form->Log.empty());
    EXPECT_EQ(Form->Log.front(), "\r\n***\r\n");
    EXPECT_EQ(Form->Log.back(), "Processing finished.");
}

TEST_F(WizardTest, ATargetThatWritesNothingIsRefusedBeforeTheRun)
{
    AddSource(Dir.Write("Inbox", MessageOf(1)), mftMbox);
    const std::string Out = Dir.File("out"), Device = "Target folder cannot be used: " + Out;
    const struct {
        TMailFormat Format;
        std::string Target, Msg;
        bool FormatFocused;
    } Cases[] = {
        {mftOther, Out + "\\", "Please select a target format that writes files before continuing", true},
        {mftMboxWin, Out + "\\nul.mbox", Device + "\\nul.mbox: nul.mbox is a device name", false},
        {mftMboxUnix, Out + "\\NUL.", Device + "\\NUL.: NUL. is a device name", false},
        {mftMboxWin, Out + "\\com1.txt", Device + "\\com1.txt: com1.txt is a device name", false},
        {mftEml, Out + "\\CONOUT$\\*.eml", Device + "\\CONOUT$: CONOUT$ is a device name", false},
    };
    for (const auto& C : Cases) {
        Boxes.clear();
        Form->ShowPage(pgTarget);
        Form->SelectTargetFormat(C.Format);
        Form->edtTargetFolder->SetText(C.Target);
        Form->btnNextClick(nullptr);
        EXPECT_EQ(Form->PageIndex(), pgTarget);
        ASSERT_EQ(Boxes.size(), 1u) << C.Target;
        EXPECT_EQ(Boxes[0].Msg, C.Msg);
        Pump();
        EXPECT_TRUE(C.FormatFocused ? Form->lbxTargetFormat->Focused() : Form->edtTargetFolder->Focused()) << C.Target;
    }
}

// A typed target with "." and ".." levels or a doubled separator names the
// folder it means, also for a tree restored under a folder named outside
// the code page: the same files as the plain name, and nothing beside them.
TEST_F(WizardTest, TypedTargetsWithDotsWriteWhereTheyPoint)
{
    const std::wstring Mail = AnsiToWideStr(Dir.File("r1")) + L"\\\u041f\u043e\u0447\u0442\u0430";
    ASSERT_TRUE(CreateDirectoryW(AnsiToWideStr(Dir.File("r1")).c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(Mail.c_str(), nullptr));
    ASSERT_TRUE(TTestFolder::Put(Mail + L"\\In.mbox", MessageOf(1) + MessageOf(2)));
    AddSource(Dir.File("r1\\*.mbox"), mftMbox);
    Form->grpSourceOptions->SetItemChecked(0, true);
    const struct {
        TMailFormat Format;
        std::string Typed, Folder, Plain;
    } Cases[] = {
        {mftEml, "plain\\", "plain", "plain"},
        {mftEml, "x\\..\\nd1\\", "nd1", "plain"},
        {mftEml, "nd2\\.\\", "nd2", "plain"},
        {mftEml, "nd3\\\\", "nd3", "plain"},
        {mftMboxWin, "mplain\\", "mplain", "mplain"},
        {mftMboxWin, "m\\..\\mb1\\\\", "mb1", "mplain"},
    };
    const std::wstring Out = AnsiToWideStr(Dir.File("out\\"));
    for (const auto& C : Cases) {
        Form->ShowPage(pgTarget);
        Form->SelectTargetFormat(C.Format);
        Form->grpTargetOptions->SetItemChecked(0, true);
        Form->edtTargetFolder->SetText(Dir.File("out\\" + C.Typed));
        ASSERT_TRUE(Form->ShowPage(pgStart)) << C.Typed;
        Form->Log.clear();
        Form->btnNextClick(nullptr);
        EXPECT_NE(std::find(Form->Log.begin(), Form->Log.end(),
                            "1 mailboxes processed, 2 messages converted, 0 duplicates skipped, 0 errors."),
                  Form->Log.end()) << C.Typed;
        const auto Files = TTestFolder::WideTree(Out + AnsiToWideStr(C.Folder));
        EXPECT_EQ(Files.size(), C.Format == mftEml ? 2u : 1u) << C.Typed;
        EXPECT_EQ(Files.begin()->first.substr(0, 9), L"r1\\\u041f\u043e\u0447\u0442\u0430\\") << C.Typed;
        EXPECT_EQ(Files, TTestFolder::WideTree(Out + AnsiToWideStr(C.Plain))) << C.Typed;
    }
    std::set<std::wstring> Folders;
    for (const auto& [Name, Bytes] : TTestFolder::WideTree(AnsiToWideStr(Dir.File("out"))))
        Folders.insert(Name.substr(0, Name.find(L'\\')));
    EXPECT_EQ(Folders, (std::set<std::wstring>{L"plain", L"nd1", L"nd2", L"nd3", L"mplain", L"mb1"}));
}

TEST_F(WizardTest, PastedLinesNotAddedAreNamedAndASavedSelectionSaysSo)
{
    const std::string Box = Dir.Write("Inbox", MessageOf(1));
    Clipboard().SetAsText("hello\r\n" + Box + "\r\n \r\nC:\\nowhere\\x");
    Form->smnPasteClick(nullptr);
    EXPECT_EQ(Sources(), std::vector<std::string>{Box});
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].DlgType, mtWarning);
    const std::string Msg = Boxes[0].Msg;
    EXPECT_EQ(Msg.substr(Msg.find("not added:")), "not added:\r\nhello\r\nC:\\nowhere\\x");

    Form->edtTargetFolder->SetText(Dir.File("out") + "\\");
    Form->ShowPage(pgStart);
    std::vector<std::string> Titles;
    const std::string Chosen = Dir.File("log.txt");
    TGetFileNameProc Old = SetSaveFileNameProc([&](OPENFILENAMEA& O) {
        Titles.push_back(O.lpstrTitle ? O.lpstrTitle : "");
        lstrcpynA(O.lpstrFile, Chosen.c_str(), static_cast<int>(O.nMaxFile));
        return TRUE;
    });
    Form->smuSaveAsClick(nullptr);
    Form->edtProcessing->SetSelStart(0);
    Form->edtProcessing->SetSelLength(5);
    Form->smuSaveAsClick(nullptr);
    SetSaveFileNameProc(Old);
    EXPECT_EQ(Titles, (std::vector<std::string>{"", "Save the Selected Log Text As"}));
    EXPECT_EQ(TTestFolder::Read(Chosen), "Ready");
}

namespace {

// A key pressed and released on the focused window, as the keyboard posts
// it, with Ctrl or Shift held when asked.
void PressKey(WORD Key, bool Ctrl = false, bool Shift = false)
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
void PressAlt(char Letter)
{
    const HWND To = GetFocus();
    constexpr LPARAM AltDown = 0x20000001;
    PostMessageA(To, WM_SYSKEYDOWN, static_cast<WPARAM>(toupper(Letter)), AltDown);
    PostMessageA(To, WM_SYSCHAR, static_cast<WPARAM>(Letter), AltDown);
    PostMessageA(To, WM_SYSKEYUP, static_cast<WPARAM>(toupper(Letter)), static_cast<LPARAM>(0xE0000001));
    Application->ProcessMessages();
}

} // namespace

TEST_F(WizardTest, UpAndHomeGoPastTheGroupRowsOfBothFormatLists)
{
    struct Case {
        bool Target;
        int From;
        WORD Key;
        int Selected;
    };
    const Case Cases[] = {
        {false, 7, VK_UP, 5},  {false, 11, VK_UP, 9}, {false, 2, VK_UP, 1},  {false, 1, VK_UP, 1},
        {false, 12, VK_HOME, 1}, {false, 5, VK_DOWN, 7}, {true, 4, VK_UP, 2},  {true, 8, VK_UP, 6},
        {true, 1, VK_UP, 1},   {true, 6, VK_HOME, 1},
    };
    for (const Case& K : Cases) {
        SCOPED_TRACE(std::string(K.Target ? "target " : "source ") + std::to_string(K.From));
        TRzCustomListBox* List = K.Target ? static_cast<TRzCustomListBox*>(Form->lbxTargetFormat)
                                          : static_cast<TRzCustomListBox*>(Form->lbxSourceFormat);
        Form->ShowPage(K.Target ? pgTarget : pgSource);
        List->SetItemIndex(K.From);
        List->SetFocus();
        PressKey(K.Key);
        EXPECT_EQ(List->ItemIndex(), K.Selected);
        // A key in the list shows where the focus is from then on: the
        // selected row's top edge is dotted.
        EXPECT_EQ(SendMessageA(List->Handle(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS, 0);
        RECT R{};
        SendMessageA(List->Handle(), LB_GETITEMRECT, K.Selected, reinterpret_cast<LPARAM>(&R));
        UpdateWindow(List->Handle());
        HDC DC = GetDC(List->Handle());
        EXPECT_NE(GetPixel(DC, R.left + 2, R.top), GetPixel(DC, R.left + 3, R.top));
        ReleaseDC(List->Handle(), DC);
    }
}

TEST_F(WizardTest, AFormatListEnteredByKeyShowsItsFocusCueAtOnce)
{
    // From a page by an Alt letter (0: Enter on Next) to a page.
    const std::tuple<int, char, int> Cases[] = {{pgIntroduction, 0, pgSource}, {pgSource, 0, pgTarget},
                                                {pgIntroduction, 'n', pgSource}, {pgSource, 'n', pgTarget},
                                                {pgTarget, 'b', pgSource}};
    for (const auto& [From, Alt, To] : Cases) {
        SCOPED_TRACE(std::to_string(From) + Alt);
        Form->ShowPage(From);
        Form->btnNext->SetFocus();
        // The mouse was the last in use: focus cues are hidden.
        Form->Perform(WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
        PostMessageA(GetFocus(), Alt ? WM_SYSKEYDOWN : WM_KEYDOWN, Alt ? toupper(Alt) : VK_RETURN, Alt ? 0x20000001 : 1);
        Application->ProcessMessages();
        ASSERT_EQ(Form->PageIndex(), To);
        TWinControl* Entered = To == pgSource ? static_cast<TWinControl*>(Form->lbxSourceFormat) : Form->lbxTargetFormat;
        const HWND List = Entered->Handle();
        EXPECT_EQ(GetFocus(), List);
        EXPECT_EQ(SendMessageA(List, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS, 0);
    }
}

TEST_F(WizardTest, EveryPageHasItsOwnAcceleratorsAndTabSkipsThePageHolders)
{
    // The accelerators of what shows on a page and in the button row.
    std::function<void(TWinControl*, std::string&)> Collect = [&](TWinControl* Parent, std::string& Keys) {
        for (int I = 0; I < Parent->ControlCount(); ++I) {
            TControl* C = Parent->Controls(I);
            if (!C->Visible())
                continue;
            const std::string Caption = C->Caption();
            const std::size_t Amp = Caption.find('&');
            if (Amp != std::string::npos && Amp + 1 < Caption.size())
                Keys += static_cast<char>(tolower(static_cast<unsigned char>(Caption[Amp + 1])));
            if (auto* W = dynamic_cast<TWinControl*>(C))
                Collect(W, Keys);
        }
    };
    AddSource(Dir.Write("Inbox", MessageOf(1)), mftMbox);
    for (int Page : {pgIntroduction, pgSource, pgTarget, pgStart}) {
        SCOPED_TRACE(Page);
        Form->ShowPage(Page);
        std::string Keys;
        Collect(Form->pnlWizard->ActivePage(), Keys);
        Collect(Form->pnlButtons, Keys);
        std::string Sorted = Keys;
        std::sort(Sorted.begin(), Sorted.end());
        EXPECT_EQ(std::adjacent_find(Sorted.begin(), Sorted.end()), Sorted.end()) << Keys;
    }
    // The format labels' letters lead to their lists, and Tab from a format
    // list goes straight on into the page beside it.
    Form->ShowPage(pgSource);
    Form->btnNext->SetFocus();
    PressAlt('m');
    EXPECT_TRUE(Form->lbxSourceFormat->Focused());
    PressKey(VK_TAB);
    EXPECT_TRUE(Form->lstSourceFiles->Focused());
    Form->ShowPage(pgTarget);
    Form->btnNext->SetFocus();
    PressAlt('t');
    EXPECT_TRUE(Form->lbxTargetFormat->Focused());
    PressKey(VK_TAB);
    EXPECT_TRUE(Form->edtTargetFolder->Focused());
}

// The read-only panes keep no key of the form's: Tab and Shift+Tab leave
// them, Enter presses Next and Esc is Cancel.
TEST_F(WizardTest, ClosingFromEveryPageInBothModesSavesAndAnnouncesNoPageChange)
{
    const std::string Target = Dir.File("out") + "\\";
    CreateDirectoryA(Dir.File("out").c_str(), nullptr);
    for (const bool Accessible : {false, true})
        for (int Page = pgIntroduction; Page <= pgStart; ++Page) {
            SCOPED_TRACE((Accessible ? "accessibility mode, page " : "page ") + std::to_string(Page));
            if (!Form) {
                Form = new TTestWizard(nullptr);
                Form->Handle();
                Pump();
            }
            GAppScreenReader = Accessible;
            Form->ApplyAccessibility();
            // A run could start; then "Other formats" on both sides, whose
            // information panes show.
            AddSource(Dir.Write("In.mbox", MessageOf(1)), mftMbox);
            Form->SelectTargetFormat(mftEml);
            Form->grpSourceOptions->SetItemChecked(0, false);
            Form->edtTargetFolder->SetText(Target);
            Form->ShowPage(Page);
            ASSERT_EQ(Form->PageIndex(), Page);
            Form->SelectSourceFormat(mftOther);
            Form->SelectTargetFormat(mftOther);
            ASSERT_EQ(Form->pgcSourceSettings->ActivePage(), Form->tbsSourceInfo);
            // Any change announced while the form is freed is counted and
            // kept from the form's handlers.
            int Announced = 0;
            TTestWizard* F = Form;
            for (TRzPageControl* Pages : {Form->pgcSourceSettings, Form->pgcTargetSettings, Form->pnlWizard}) {
                Pages->OnPageChange = [&Announced, F, Was = Pages->OnPageChange](TObject* Sender) {
                    if (F->HasState(csDestroying))
                        ++Announced;
                    else if (Was)
                        Was(Sender);
                };
                Pages->OnChanging = [&Announced, F, Was = Pages->OnChanging](TObject* Sender, int To, bool& Allow) {
                    if (F->HasState(csDestroying))
                        ++Announced;
                    else if (Was)
                        Was(Sender, To, Allow);
                };
            }
            // Alt+C, then the window freed as the program frees it.
            PressAlt('c');
            EXPECT_FALSE(Form->Visible());
            Form->Free();
            Form = nullptr;
            EXPECT_EQ(Announced, 0);
            TWizardOptions Saved;
            LoadWizardOptions(*AppSettings, Saved);
            EXPECT_FALSE(Saved.IncludeSubfolders);
            EXPECT_EQ(Saved.TargetFolder, Target);
            AppSettings->WriteBool("SourceOptions", "IncludeSubfolders", true);
        }
}

TEST_F(WizardTest, AFormBeingFreedLeavesItsInformationPanesAlone)
{
    GAppScreenReader = true;
    Form->ApplyAccessibility();
    Form->ShowPage(pgSource);
    Form->SelectSourceFormat(mftOther);
    Form->SelectTargetFormat(mftOther);
    ASSERT_TRUE(Form->edtSourceInfo->TabStop());
    ASSERT_TRUE(Form->edtTargetInfo->TabStop());
    Form->BeginFreeing();
    Form->pgcSourceSettings->SetActivePage(Form->tbsSourceList);
    Form->pgcTargetSettings->SetActivePage(Form->tbsTargetList);
    EXPECT_TRUE(Form->edtSourceInfo->TabStop());
    EXPECT_TRUE(Form->edtTargetInfo->TabStop());
}

TEST_F(WizardTest, ReadOnlyPanesHandTabEnterAndEscToTheForm)
{
    AddSource(Dir.Write("Inbox", MessageOf(1)), mftMbox);
    Form->edtTargetFolder->SetText(Dir.File("out") + "\\");
    struct TCase {
        int Page;
        TWinControl* Pane;
        WORD Key;
        bool Shift;
        TWinControl* Focus;
        int PageAfter;
    };
    const TCase Cases[] = {
        {pgIntroduction, Form->edtIntroduction, VK_TAB, false, Form->cbxCheckForUpdates, pgIntroduction},
        {pgIntroduction, Form->edtIntroduction, VK_TAB, true, Form->btnHelp, pgIntroduction},
        {pgIntroduction, Form->edtIntroduction, VK_RETURN, false, Form->lbxSourceFormat, pgSource},
        {pgSource, Form->edtSourceInfo, VK_TAB, true, Form->lbxSourceFormat, pgSource},
        {pgTarget, Form->edtTargetInfo, VK_TAB, false, Form->btnAbout, pgTarget},
        {pgStart, Form->edtProcessing, VK_TAB, false, Form->btnAbout, pgStart},
        {pgStart, Form->edtProcessing, VK_TAB, true, Form->btnHelp, pgStart},
    };
    for (const TCase& K : Cases) {
        SCOPED_TRACE(K.Pane->Name() + " " + std::to_string(K.Key) + (K.Shift ? " shift" : ""));
        Form->SelectSourceFormat(K.Pane == Form->edtSourceInfo ? mftOther : mftMbox);
        Form->SelectTargetFormat(K.Pane == Form->edtTargetInfo ? mftOther : mftEml);
        Form->ShowPage(K.Page);
        K.Pane->SetFocus();
        PressKey(K.Key, false, K.Shift);
        EXPECT_EQ(Form->PageIndex(), K.PageAfter);
        EXPECT_TRUE(K.Focus->Focused());
    }
    // The information panes are no Tab stops outside accessibility mode,
    // and the log shows the focus by its colour.
    EXPECT_FALSE(Form->edtSourceInfo->TabStop());
    Form->ShowPage(pgStart);
    Form->edtProcessing->SetFocus();
    EXPECT_NE(ColorToRGB(Form->edtProcessing->Color()), ColorToRGB(clInfoBk));
    // Start has its own letter (the message loop makes the character).
    PostMessageA(GetFocus(), WM_SYSKEYDOWN, 'S', 0x20000001);
    PostMessageA(GetFocus(), WM_SYSKEYUP, 'S', static_cast<LPARAM>(0xE0000001));
    Pump();
    ASSERT_FALSE(Form->Log.empty());
    EXPECT_EQ(Form->Log.back(), "Processing finished.");
    PressKey(VK_ESCAPE);
    EXPECT_FALSE(Form->Visible());
}

TEST_F(WizardTest, CtrlCCtrlVAndDeleteInTheSourceList)
{
    const std::string Box = Dir.Write("Inbox", MessageOf(1));
    Form->ShowPage(pgSource);
    Form->lstSourceFiles->SetFocus();
    Clipboard().SetAsText(Box);
    PressKey('V', true);
    ASSERT_EQ(Sources(), std::vector<std::string>{Box});
    Clipboard().SetAsText("");
    PressKey('C', true);
    EXPECT_EQ(Clipboard().AsText(), Box);
    PressKey(VK_DELETE);
    Pump();
    EXPECT_TRUE(Sources().empty());
}

// Pasted names the code page cannot hold go in by their short forms, a
// folder with the format's own pattern; the run converts them.
TEST_F(WizardTest, CtrlVTakesNamesOutsideTheCodePage)
{
    const std::wstring Mail = AnsiToWideStr(Dir.Path()) + L"\\\u53d7\u4fe1\u7bb1";
    ASSERT_TRUE(CreateDirectoryW(Mail.c_str(), nullptr));
    ASSERT_TRUE(TTestFolder::Put(Mail + L"\\\u041f\u043e\u0447\u0442\u0430", MessageOf(1)));
    Form->ShowPage(pgSource);
    Form->SelectSourceFormat(mftMbox);
    Form->lstSourceFiles->SetFocus();
    Clipboard().SetAsWideText(Mail + L"\\\r\n" + Mail + L"\\\u041f\u043e\u0447\u0442\u0430");
    PressKey('V', true);
    EXPECT_TRUE(Boxes.empty()) << Boxes.front().Msg;
    const std::string ShortMail = OpenableAnsiPath(Mail);
    ASSERT_EQ(Sources(), (std::vector<std::string>{ShortMail + "\\*.*",
                                                    OpenableAnsiPath(Mail + L"\\\u041f\u043e\u0447\u0442\u0430")}));
    Form->lstSourceFiles->Items()->Delete(1);
    Form->SelectTargetFormat(mftEml);
    Form->edtTargetFolder->SetText(Dir.File("out") + "\\");
    Form->ShowPage(pgStart);
    Form->btnNextClick(nullptr);
    EXPECT_NE(Form->edtProcessing->Text().find("1 mailboxes processed, 1 messages converted"), std::string::npos)
        << Form->edtProcessing->Text();
}

TEST_F(WizardTest, EscIsCancelAndAsksDuringARun)
{
    ReadyToRun(300);
    Answer = mrNo;
    Form->OnPump = [&](int N) {
        if (N == 30 || N == 60) {
            Answer = N == 30 ? mrNo : mrYes;
            PostMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 1);
        }
    };
    PostClick(Form->btnNext);
    Pump();
    ASSERT_EQ(Boxes.size(), 2u);
    EXPECT_EQ(Boxes[1].Msg, "Abort mail conversion and close the window?");
    EXPECT_EQ(Form->Log.back(), "Processing aborted.");
    EXPECT_FALSE(Form->Visible());
}

TEST_F(WizardTest, PagesSitUnderTheHeaderAndTheLinkShowsWhole)
{
    // No band of an empty tab row between the header and the page.
    TRzTabSheet* Page = Form->pnlWizard->ActivePage();
    const TPoint PageTop = Page->ClientToScreen(TPoint(0, 0));
    const TPoint InfoBottom = Form->pnlInfo->ClientToScreen(TPoint(0, Form->pnlInfo->Height()));
    EXPECT_LE(PageTop.y - InfoBottom.y, 4);
    // The link is wider than its text's advance, which its last glyph
    // reaches past.
    TRzURLLabel* Link = Form->urlVisitWebsite;
    HDC DC = GetDC(nullptr);
    const HGDIOBJ Old = SelectObject(DC, Link->Font()->Handle());
    SIZE Text{};
    GetTextExtentPoint32A(DC, Link->Caption().c_str(), static_cast<int>(Link->Caption().size()), &Text);
    SelectObject(DC, Old);
    ReleaseDC(nullptr, DC);
    EXPECT_GT(Link->Width(), Text.cx);
    // Dragged smaller, the window stops at its designed size.
    MINMAXINFO Limits{};
    SendMessageA(Form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&Limits));
    EXPECT_EQ(Limits.ptMinTrackSize.x, 640);
    EXPECT_EQ(Limits.ptMinTrackSize.y, 480);
}

// After a run of 5,000 mailboxes, Back then Next shows the start page with
// the new summary alone. The rich edit's own deletion of such a log took
// minutes: the log's window is replaced, and the new one looks and works
// as the first did.
TEST_F(WizardTest, BackAndNextAfterALongRunShowTheNewSummaryInAFreshLog)
{
    constexpr int Mailboxes = 5000;
    ReadyToRun(1);
    const HWND First = Form->edtProcessing->Handle();
    const int Width = Form->edtProcessing->Width(), Height = Form->edtProcessing->Height();
    auto Picture = [&] {
        Pump();
        UpdateWindow(Form->Handle());
        TBitmap B(Width, Height);
        GrabWindow(Form->edtProcessing->Handle(), B);
        return std::vector<std::uint32_t>(B.ScanLine(0), B.ScanLine(0) + Width * Height);
    };
    const auto Summary = Picture();
    const std::string SummaryText = Form->edtProcessing->AllText();
    // The run's lines as the driver hands them over, a block a mailbox.
    auto LongRun = [&] {
        Form->OnPump = [&](int) {
            if (Form->Log.size() != 1)
                return;
            for (int I = 0; I < Mailboxes; ++I) {
                Form->AddLogLine("Processing: Z:\\mail\\box" + std::to_string(I) + ".mbox");
                Form->AddLogLine("Done");
            }
        };
        PostClick(Form->btnNext);
        Pump();
    };
    LongRun();
    ASSERT_GT(Form->LogLineCount(), 2 * Mailboxes);
    // As the keyboard sends them: a handled Alt letter makes no character.
    for (const auto& [Key, Page] : {std::pair{'B', pgTarget}, std::pair{'N', pgStart}}) {
        PostMessageA(GetFocus(), WM_SYSKEYDOWN, Key, 0x20000001);
        PostMessageA(GetFocus(), WM_SYSKEYUP, Key, static_cast<LPARAM>(0xE0000001));
        Pump();
        ASSERT_EQ(Form->PageIndex(), Page);
    }
    EXPECT_FALSE(IsWindow(First));
    EXPECT_EQ(Form->edtProcessing->AllText(), SummaryText);
    EXPECT_EQ(Picture(), Summary);
    // The new window takes a whole long log, and the next run no mark of an
    // earlier one.
    Form->Log.clear();
    LongRun();
    EXPECT_GT(Form->LogLineCount(), 2 * Mailboxes);
    EXPECT_EQ(Form->Log.front(), "Processing: " + Dir.File("Big"));
}
