#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "app/Main.h"
#include "app/KvRichPnl.h"
#include "app/MainBrowse.h"
#include "classlib/Clipbrd.h"
#include "controls/RzBtnEdt.h"
#include "controls/RzLstBox.h"
#include "controls/RzRadGrp.h"
#include "foundation/KvAnsi.h"
#include "foundation/KvBase.h"
#include "foundation/KvFileFinder.h"
#include "foundation/KvSpFolder.h"
#include "foundation/KvStrings.h"
#include "shell/RzShellDialogs.h"
#include "shell/RzShellFolderForm.h"
#include "shell/RzShellOpenForm.h"
#include "testkit/ImportHook.h"
#include "testkit/ShellWalk.h"
#include "testkit/TestFolder.h"
#include "tests/app/ScratchSettings.h"
#include "testkit/ModalScript.h"

using modal_test::TModalScript;
using modal_test::TStep;
using modal_test::PostClick;

TEST(MainBrowse, FileFiltersOfTheFormats)
{
    const struct {
        TMailFormat Format;
        const char* Row;
        const char* Filter;
        int Index;
        const char* DefaultExt;
    } cases[] = {
        {mftThunderbird, "Thunderbird", "Thunderbird (*.msf)|*.msf|All Files (*.*)|*.*", 1, "msf"},
        {mftEudoraOse, "Eudora OSE", "Eudora OSE (*.msf)|*.msf|All Files (*.*)|*.*", 1, "msf"},
        // A row that names its pattern already keeps its text.
        {mftEudoraToc, "Eudora index files (*.toc)", "Eudora index files (*.toc)|*.toc|All Files (*.*)|*.*", 1,
         "toc"},
        {mftEudoraMbx, "Eudora mailboxes (*.mbx)", "Eudora mailboxes (*.mbx)|*.mbx|All Files (*.*)|*.*", 1, "mbx"},
        // Formats without an extension of their own filter "mbox" and have
        // no default extension; plain mbox files open on all files.
        {mftMacEudora, "Mac Eudora mailboxes", "Mac Eudora mailboxes (*.mbox)|*.mbox|All Files (*.*)|*.*", 1, ""},
        {mftMbox, "Standard mbox", "Standard mbox (*.mbox)|*.mbox|All Files (*.*)|*.*", 2, ""},
        {mftPine, "Pine mbox", "All Files (*.*)|*.*", 1, ""},
        {mftUnknown, "//Generic mail formats", "All Files (*.*)|*.*", 1, ""},
        // The mbox targets of the target file dialog.
        {mftMboxWin, "mbox for Windows", "mbox for Windows (*.mbox)|*.mbox|All Files (*.*)|*.*", 2, "mbox"},
        {mftMboxUnix, "mbox for Unix", "mbox for Unix (*.mbox)|*.mbox|All Files (*.*)|*.*", 2, "mbox"},
        {mftMboxMac, "mbox for Mac", "mbox for Mac (*.mbox)|*.mbox|All Files (*.*)|*.*", 2, "mbox"},
        // The caller's bit 7 does not count.
        {static_cast<TMailFormat>(mftMbox | 0x80), "Standard mbox", "Standard mbox (*.mbox)|*.mbox|All Files (*.*)|*.*",
         2, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Row);
        const TFormatFileFilter F = FormatFileFilter(c.Format, c.Row);
        EXPECT_EQ(F.Filter, c.Filter);
        EXPECT_EQ(F.FilterIndex, c.Index);
        EXPECT_EQ(F.DefaultExt, c.DefaultExt);
    }
}

TEST(MainBrowse, SourceStartFolderAndFolderEntries)
{
    EXPECT_EQ(SourceStartFolder("C:\\Mail", mftMbox), "C:\\Mail");
    // No remembered folder and no mail program for the format.
    EXPECT_EQ(SourceStartFolder("", mftMbox), GetAppDataFolder());

    EXPECT_EQ(SourceFolderEntry("C:\\Mail", mftThunderbird), "C:\\Mail\\*.msf");
    EXPECT_EQ(SourceFolderEntry("C:\\Mail\\", mftEudoraToc), "C:\\Mail\\*.toc");
    EXPECT_EQ(SourceFolderEntry("C:\\Mail", mftMbox), "C:\\Mail\\*.*");
}

TEST(MainBrowse, TargetBrowseStartAndAnswer)
{
    TTestFolder Dir("browse");
    const std::string D = Dir.Path();
    TTestFolder::Put(Dir.File("Out\\old.mbox"), "x");

    // The start text.
    EXPECT_EQ(TargetBrowseStartText("C:\\Out\\", "C:\\Clip\\", "C:\\Docs"), "C:\\Out\\");
    EXPECT_EQ(TargetBrowseStartText("", "C:\\Clip\\box", "C:\\Docs"), "C:\\Clip\\box");
    EXPECT_EQ(TargetBrowseStartText("", "no backslash", "C:\\Docs"), "C:\\Docs\\");
    EXPECT_EQ(TargetBrowseStartText("", "C:\\what?\\", "C:\\Docs\\"), "C:\\Docs\\");
    EXPECT_EQ(TargetBrowseStartText("", "C:\\" + std::string(257, 'a'), "C:\\Docs"), "C:\\" + std::string(257, 'a'));
    EXPECT_EQ(TargetBrowseStartText("", "C:\\" + std::string(257, 'a') + "b", "C:\\Docs"), "C:\\Docs\\");

    // File or folder.
    EXPECT_TRUE(TargetBrowsePicksFile(mftMboxWin, false, false));
    EXPECT_TRUE(TargetBrowsePicksFile(mftMboxMac, false, false));
    EXPECT_FALSE(TargetBrowsePicksFile(mftMboxUnix, true, false));
    EXPECT_FALSE(TargetBrowsePicksFile(mftMboxUnix, false, true));
    EXPECT_FALSE(TargetBrowsePicksFile(mftEml, false, false));

    // Where the target file dialog opens.
    const struct {
        std::string Text, Folder, FileName;
    } starts[] = {
        {D + "\\Out\\all.mbox", D + "\\Out\\", "all.mbox"},  // a file that is to be made
        {D + "\\Out\\old.mbox", D + "\\Out\\", "old.mbox"},
        {D + "\\Out", D + "\\Out", "*."},                    // an existing folder without pattern
        {D + "\\Out\\*.mbox", D + "\\Out\\", "*.mbox"},
        {D + "\\Out\\*.", D + "\\Out\\", "*."},
        {D + "\\Out\\", D + "\\Out\\", ""},
    };
    for (const auto& s : starts) {
        SCOPED_TRACE(s.Text);
        const TTargetFileStart St = TargetFileStart(s.Text);
        EXPECT_EQ(St.Folder, s.Folder);
        EXPECT_EQ(St.FileName, s.FileName);
    }

    // The text after a folder was picked keeps the old pattern.
    const struct {
        const char *Folder, *Old, *Result;
    } answers[] = {
        {"C:\\New", "C:\\Out\\*.eml", "C:\\New\\*.eml"},
        {"C:\\New\\", "C:\\Out\\*.", "C:\\New\\*."},
        {"C:\\New", "C:\\Out\\", "C:\\New\\"},
        {"C:\\New", "C:\\Out\\*.*", "C:\\New\\"},
        {"C:\\New", "C:\\Out\\all.mbox", "C:\\New\\"},
        {"C:\\", "", "C:\\"},
    };
    for (const auto& a : answers) {
        SCOPED_TRACE(a.Old);
        EXPECT_EQ(TargetFolderResult(a.Folder, a.Old), a.Result);
    }
}

namespace {

// The wizard on a scratch settings file, shown, with mailboxes in a
// scratch folder; the dialogs are answered by scripts of steps.
class BrowseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->ShowErrorBoxes = false;
        GetCurrentDirectoryA(MAX_PATH, FWasCurrent);
        Dir.Write("a.mbox", "From a\r\n");
        Dir.Write("b.mbox", "From b\r\n");
        Dir.Write("In.mbx", "From c\r\n");
        TTestFolder::Put(Dir.File("out\\keep.txt"), "x");
        Form = new TfrmTessaly(nullptr);
        Form->Handle();
        Pump();
    }
    void TearDown() override
    {
        Form->Free();
        Pump();
        SetCurrentDirectoryA(FWasCurrent);
        HoldCtrl(false);
    }
    static void Pump() { Application->ProcessMessages(); }
    // The key state the browse button reads.
    static void HoldCtrl(bool Down)
    {
        BYTE Keys[256] = {};
        GetKeyboardState(Keys);
        Keys[VK_CONTROL] = Down ? 0x80 : 0;
        SetKeyboardState(Keys);
    }
    std::vector<std::string> Sources()
    {
        std::vector<std::string> S;
        for (int I = 0; I < Form->lstSourceFiles->Items()->Count(); ++I)
            S.push_back(Form->lstSourceFiles->Items()->Strings(I) + " @" +
                        std::to_string(MailFormatOfObject(Form->lstSourceFiles->Items()->Objects(I))));
        return S;
    }
    // Runs Action with a script on the form of FormClass; the script's
    // steps must all run.
    void WithScript(const char* FormClass, std::vector<TStep> Steps, const std::function<void()>& Action)
    {
        const size_t Want = Steps.size();
        TModalScript Script(FormClass, std::move(Steps));
        Action();
        EXPECT_EQ(Script.Done(), Want) << FormClass;
        EXPECT_EQ(Script.Failure, "");
    }
    // Steps that type Text into the open form's name and press Open.
    static std::vector<TStep> TypeAndOpen(const std::string& Text)
    {
        return {[Text](TCustomForm* F) { static_cast<TRzShellOpenSaveForm*>(F)->edtFileName->SetText(Text); },
                [](TCustomForm* F) { static_cast<TRzShellOpenSaveForm*>(F)->btnOpen->Click(); }};
    }
    static TStep Cancel()
    {
        return [](TCustomForm* F) { F->SetModalResult(mrCancel); };
    }
    static TStep Accept()
    {
        return [](TCustomForm* F) { F->SetModalResult(mrOk); };
    }

    TTestFolder Dir{"browse"};
    // Not a first start: no question about updates.
    TScratchSettings Settings{Dir.File("Tessaly.ini"), false};
    TfrmTessaly* Form = nullptr;

private:
    char FWasCurrent[MAX_PATH] = {};
};

std::string Tagged(const std::string& Name, TMailFormat Format)
{
    return Name + " @" + std::to_string(Format);
}

} // namespace

TEST_F(BrowseTest, AddFilesTakesEveryChosenFileAndRemembersTheirFolder)
{
    Form->ShowPage(pgSource);
    Form->SelectSourceFormat(mftMbox);
    Form->SourceFolders[mftMbox] = Dir.Path();
    std::string Filter, InitialDir, DefaultExt;
    int FilterIndex = 0;
    std::vector<TStep> Steps{[&](TCustomForm*) {
        Filter = Form->vclOpenSourceFiles->Filter();
        FilterIndex = Form->vclOpenSourceFiles->FilterIndex();
        InitialDir = Form->vclOpenSourceFiles->InitialDir();
        DefaultExt = Form->vclOpenSourceFiles->DefaultExt();
    }};
    for (TStep& S : TypeAndOpen("\"a.mbox\" \"b.mbox\""))
        Steps.push_back(S);
    WithScript("TRzShellOpenSaveForm", Steps, [&] { PostClick(Form->btnAddFiles); Pump(); });

    // Standard mbox opens on all files in the folder remembered for it.
    EXPECT_EQ(Filter, "Standard mbox (*.mbox)|*.mbox|All Files (*.*)|*.*");
    EXPECT_EQ(FilterIndex, 2);
    EXPECT_EQ(InitialDir, Dir.Path());
    EXPECT_EQ(DefaultExt, "");
    EXPECT_EQ(Sources(), (std::vector<std::string>{Tagged(Dir.File("a.mbox"), mftMbox),
                                                    Tagged(Dir.File("b.mbox"), mftMbox)}));
    EXPECT_EQ(Form->lstSourceFiles->ItemIndex(), 1);
    EXPECT_EQ(Form->SourceFolders[mftMbox], Dir.Path());
    EXPECT_TRUE(Settings.Boxes.empty()) << Settings.Boxes.front();
}

namespace {

// Counts the rows read out of a list box's window (LB_GETTEXT, and
// LB_GETITEMDATA for their objects) while it lives: the list's strings are
// the window, so every row compared is a message.
class TRowReads {
public:
    explicit TRowReads(HWND Wnd) : FWnd(Wnd)
    {
        Current() = this;
        FOld = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
    }
    ~TRowReads()
    {
        SetWindowLongPtrA(FWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FOld));
        Current() = nullptr;
    }
    TRowReads(const TRowReads&) = delete;
    TRowReads& operator=(const TRowReads&) = delete;
    int Count = 0;

private:
    static TRowReads*& Current()
    {
        static TRowReads* Reads = nullptr;
        return Reads;
    }
    static LRESULT CALLBACK Proc(HWND W, UINT Msg, WPARAM WP, LPARAM LP)
    {
        TRowReads* R = Current();
        if (Msg == LB_GETTEXT || Msg == LB_GETITEMDATA)
            ++R->Count;
        return CallWindowProcA(R->FOld, W, Msg, WP, LP);
    }
    HWND FWnd;
    WNDPROC FOld = nullptr;
};

// The window properties asked for, each a round trip under Wine.
long GPropReads = 0;
TImportHook* GPropHook = nullptr;
HANDLE WINAPI CountedGetProp(HWND Wnd, LPCSTR Name)
{
    ++GPropReads;
    return reinterpret_cast<decltype(&GetPropA)>(GPropHook->Original())(Wnd, Name);
}

// The open form's script: every file chosen with Ctrl+A, then Open.
void SelectAllAndOpen(TCustomForm* F)
{
    auto* Open = static_cast<TRzShellOpenSaveForm*>(F);
    {
        TKeyHeld Ctrl(VK_CONTROL);
        SendMessageA(Open->ShellList->Handle(), WM_KEYDOWN, 'A', 0);
    }
    Open->btnOpen->Click();
}

} // namespace

TEST_F(BrowseTest, AThousandFilesChosenWithCtrlAAreAddedReadingNoRowTwice)
{
    // A folder of 1,000 mailboxes with long names, all chosen with Ctrl+A.
    const int Files = 1000;
    const std::string Many = Dir.File("many");
    std::vector<std::string> Expected;
    std::string Pasted;
    for (int I = 0; I < Files; ++I) {
        char Number[8];
        std::snprintf(Number, sizeof Number, "%04d", I);
        const std::string Name = Many + "\\Archived mailbox of the old server, kept for the records " +
                                 std::string(40, 'x') + " " + Number + ".mbox";
        TTestFolder::Put(Name, "From a\r\n");
        Expected.push_back(Tagged(Name, mftMbox));
        Pasted = Name + "\r\n" + Pasted;
    }
    Form->ShowPage(pgSource);
    Form->SelectSourceFormat(mftMbox);
    Form->SourceFolders[mftMbox] = Many;
    TRowReads Reads(Form->lstSourceFiles->Handle());
    WithScript("TRzShellOpenSaveForm", {SelectAllAndOpen}, [&] { PostClick(Form->btnAddFiles); Pump(); });
    // Nothing was in the list: no row was read but the ones painted.
    const int Shown = Form->lstSourceFiles->ClientHeight() / Form->lstSourceFiles->ItemHeight() + 1;
    EXPECT_LE(Reads.Count, Shown);
    EXPECT_EQ(Sources(), Expected);
    EXPECT_EQ(Form->lstSourceFiles->ItemIndex(), Files - 1);

    // Next from the target page: the summary names the rows' format without
    // reading the rows out of the list, nor a window property per message.
    Form->edtTargetFolder->SetText(Dir.File("out") + "\\");
    auto Summary = [&] {
        Form->ShowPage(pgTarget);
        Reads.Count = GPropReads = 0;
        TImportHook Props("user32.dll", "GetPropA", reinterpret_cast<void*>(&CountedGetProp));
        GPropHook = &Props;
        PostClick(Form->btnNext);
        Pump();
        EXPECT_EQ(Reads.Count, 0);
        EXPECT_LT(GPropReads, Props.Hooked() ? 50 : 0);
        const std::string Text = Form->edtProcessing->AllText();
        return Text.substr(0, Text.find("  Target:"));
    };
    const std::string Ready = "Ready to process mail (click Start button to begin)...\r\n  Source: ";
    EXPECT_EQ(Summary(), Ready + "Standard mbox\r\n    from: [File List]\r\n");

    // One typed file added to the 1,000 rows: the list searches itself.
    Form->SelectSourceFormat(mftPine);
    const std::string Typed = Dir.File("a.mbox");
    Reads.Count = 0;
    WithScript("TRzShellOpenSaveForm", TypeAndOpen(Typed), [&] { Form->btnAddFilesClick(nullptr); });
    EXPECT_LE(Reads.Count, Shown);
    ASSERT_EQ(Form->lstSourceFiles->Items()->Count(), Files + 1);
    EXPECT_EQ(Form->lstSourceFiles->Items()->Strings(Files), Typed);
    EXPECT_EQ(Summary(), Ready + "Several formats\r\n    from: [File List]\r\n");

    // All of them pasted again: no row added, each one takes the format.
    Clipboard().SetAsText(Pasted);
    Reads.Count = 0;
    Form->smnPasteClick(nullptr);
    EXPECT_EQ(Reads.Count, Files + 1);
    EXPECT_EQ(Form->lstSourceFiles->Items()->Count(), Files + 1);
    EXPECT_EQ(MailFormatOfObject(Form->lstSourceFiles->Items()->Objects(Files - 1)), mftPine);
    EXPECT_EQ(MailFormatOfObject(Form->lstSourceFiles->Items()->Objects(0)), mftPine);
    EXPECT_EQ(Form->lstSourceFiles->ItemIndex(), Files);
    EXPECT_EQ(Summary(), Ready + "Pine mbox\r\n    from: [File List]\r\n");
}

// Files named outside the code page, beside the look-alike of one of them,
// all chosen with Ctrl+A: each reaches the list once, by a name that opens
// that very file.
TEST_F(BrowseTest, CtrlAHandsOnNamesOutsideTheCodePageAsTheirOwnFiles)
{
    const std::wstring Wide = AnsiToWideStr(Dir.File("wide"));
    ASSERT_TRUE(CreateDirectoryW(Wide.c_str(), nullptr));
    const std::string Head = "From a@b Mon Jan  5 10:00:00 2009\r\n\r\n";
    std::multiset<std::string> Want;
    for (const std::wstring Name :
         {L"\u6f22\u5b57.mbox", L"\u043f\u0438\u0441\u044c\u043c\u043e.mbox", L"\u03a9mega.mbox", L"Omega.mbox"}) {
        ASSERT_TRUE(TTestFolder::Put(Wide + L"\\" + Name, Head + WideToUtf8(Name)));
        Want.insert(WideToUtf8(Name));
    }
    Form->ShowPage(pgSource);
    Form->SelectSourceFormat(mftMbox);
    Form->SourceFolders[mftMbox] = Dir.File("wide");
    WithScript("TRzShellOpenSaveForm", {SelectAllAndOpen}, [&] { PostClick(Form->btnAddFiles); Pump(); });
    std::multiset<std::string> Got;
    for (int I = 0; I < Form->lstSourceFiles->Items()->Count(); ++I) {
        const std::string Entry = Form->lstSourceFiles->Items()->Strings(I);
        const std::string Bytes = TTestFolder::Read(Entry);
        Got.insert(Bytes.size() > Head.size() ? Bytes.substr(Head.size()) : "(" + Entry + ")");
    }
    EXPECT_EQ(Got, Want);
}

TEST_F(BrowseTest, CancelledDialogsChangeNothing)
{
    Form->ShowPage(pgSource);
    Form->SelectSourceFormat(mftMbox);
    Form->SourceFolders[mftMbox] = Dir.File("out");
    WithScript("TRzShellOpenSaveForm", {Cancel()}, [&] { Form->btnAddFilesClick(nullptr); });
    WithScript("TRzSelectFolderForm", {Cancel()}, [&] { Form->btnAddFolderClick(nullptr); });
    EXPECT_TRUE(Sources().empty());
    EXPECT_EQ(Form->SourceFolders[mftMbox], Dir.File("out"));

    Form->ShowPage(pgTarget);
    Form->edtTargetFolder->SetText(Dir.File("out") + "\\");
    WithScript("TRzSelectFolderForm", {Cancel()}, [&] { Form->edtTargetFolderButtonClick(nullptr); });
    EXPECT_EQ(Form->edtTargetFolder->Text(), Dir.File("out") + "\\");
}

TEST_F(BrowseTest, AddFolderAddsItsPatternOnce)
{
    Form->ShowPage(pgSource);
    Form->SelectSourceFormat(mftEudoraMbx);
    Form->SourceFolders[mftEudoraMbx] = Dir.Path();
    std::string Start;
    for (int Round = 0; Round < 2; ++Round)
        WithScript("TRzSelectFolderForm",
                   {[&](TCustomForm*) { Start = Form->vclOpenSourceFolder->SelectedPathName(); }, Accept()},
                   [&] { Form->btnAddFolderClick(nullptr); });
    EXPECT_EQ(Start, Dir.Path());
    // The same folder twice is one entry: twice would convert it twice.
    EXPECT_EQ(Sources(), std::vector<std::string>{Tagged(Dir.File("*.mbx"), mftEudoraMbx)});
    EXPECT_EQ(Form->SourceFolders[mftEudoraMbx], Dir.Path());
}

TEST_F(BrowseTest, FolderFormsHandOnFoldersNamedOutsideTheCodePageOrPastMaxPath)
{
    const std::wstring Root = AnsiToWideStr(Dir.Path());
    const std::wstring Deep(230 - Root.size() - 1, L'd');
    const std::vector<std::vector<std::wstring>> Walks = {
        {L"\u041f\u043e\u0447\u0442\u0430"},
        {L"\u53d7\u4fe1\u7bb1"},
        {Deep, L"inner_folder_name_past_the_limit_of_two_hundred_and_sixty"},
    };
    for (const auto& Walk : Walks) {
        std::wstring Wide = Root;
        for (const std::wstring& Name : Walk)
            CreateDirectoryW(TTestFolder::LongForm(Wide += L"\\" + Name).c_str(), nullptr);
        SCOPED_TRACE(Wide.size());
        const auto Pick = [&](TCustomForm* F) {
            TRzShellLocator Where;
            const TPidl Walked = ShellWalkToPidl(Dir.Path(), Walk);
            ASSERT_TRUE(Walked);
            Where.SetIdList(Walked.Get());
            static_cast<TRzSelectFolderForm*>(F)->ShellTree->SetSelectedFolder(&Where);
            Pump();
        };
        // Whatever the folder is named, the path handed on opens it: the
        // pattern's folder is the very folder picked, whole.
        const auto Opens = [&](const std::string& Path) { return LongPathOf("\\\\?\\" + Path) == L"\\\\?\\" + Wide ||
                                                                  LongPathOf(Path) == Wide; };
        Form->ShowPage(pgSource);
        Form->SelectSourceFormat(mftMbox);
        Form->lstSourceFiles->Items()->Clear();
        WithScript("TRzSelectFolderForm", {Pick, Accept()}, [&] { Form->btnAddFolderClick(nullptr); });
        ASSERT_EQ(Sources().size(), 1u);
        const std::string Entry = Form->lstSourceFiles->Items()->Strings(0);
        ASSERT_EQ(Entry.substr(Entry.size() - 4), "\\*.*");
        EXPECT_TRUE(Opens(Entry.substr(0, Entry.size() - 4))) << Entry;
        EXPECT_TRUE(Opens(Form->SourceFolders[mftMbox])) << Form->SourceFolders[mftMbox];

        Form->ShowPage(pgTarget);
        Form->SelectTargetFormat(mftEml);
        Form->edtTargetFolder->SetText(Dir.File("out") + "\\");
        WithScript("TRzSelectFolderForm", {Pick, Accept()}, [&] { Form->edtTargetFolderButtonClick(nullptr); });
        const std::string Target = Form->edtTargetFolder->Text();
        ASSERT_EQ(Target.back(), '\\');
        EXPECT_TRUE(Opens(Target.substr(0, Target.size() - 1))) << Target;
    }
}

TEST_F(BrowseTest, DoubleClickOnAFormatRowOpensItsDialogOnceTheClickIsDone)
{
    Form->ShowPage(pgSource);
    Form->SourceFolders[mftEudoraMbx] = Dir.Path();
    TRzTabbedListBox* List = Form->lbxSourceFormat;
    const int Row = MailFormatToRow(mftEudoraMbx, false);
    RECT R{};
    ASSERT_NE(SendMessageA(List->Handle(), LB_GETITEMRECT, Row, reinterpret_cast<LPARAM>(&R)), LB_ERR);
    const LPARAM At = MAKELPARAM(R.left + 5, (R.top + R.bottom) / 2);
    std::string Filter;
    TMailFormat Selected = mftUnknown;
    std::vector<TStep> Steps{[&](TCustomForm*) {
        Filter = Form->vclOpenSourceFiles->Filter();
        Selected = Form->GetSelectedSourceFormat();
    }};
    for (TStep& S : TypeAndOpen("In.mbx"))
        Steps.push_back(S);
    WithScript("TRzShellOpenSaveForm", Steps, [&] {
        PostMessageA(List->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At);
        PostMessageA(List->Handle(), WM_LBUTTONUP, 0, At);
        PostMessageA(List->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, At);
        PostMessageA(List->Handle(), WM_LBUTTONUP, 0, At);
        Pump();
    });
    EXPECT_EQ(Selected, mftEudoraMbx);
    EXPECT_EQ(Filter, "Eudora mailboxes (*.mbx)|*.mbx|All Files (*.*)|*.*");
    EXPECT_EQ(Sources(), std::vector<std::string>{Tagged(Dir.File("In.mbx"), mftEudoraMbx)});
    EXPECT_TRUE(Settings.Boxes.empty()) << Settings.Boxes.front();
}

TEST_F(BrowseTest, TargetBrowsePicksAFileOrWithCtrlAFolder)
{
    Form->ShowPage(pgTarget);
    Form->SelectTargetFormat(mftMboxWin);
    Form->grpTargetOptions->SetItemChecked(0, false);
    Form->edtTargetFolder->SetText(Dir.File("out") + "\\*.mbox");

    // One mbox file: the dialog opens in the folder with the pattern as its
    // name, and the file picked (given the default extension) becomes the
    // target.
    std::string Name, InitialDir, Filter;
    int FilterIndex = 0;
    WithScript("TRzShellOpenSaveForm",
               {[&](TCustomForm* F) {
                    Name = static_cast<TRzShellOpenSaveForm*>(F)->edtFileName->Text();
                    InitialDir = Form->vclSelectTargetFile->InitialDir();
                    Filter = Form->vclSelectTargetFile->Filter();
                    FilterIndex = Form->vclSelectTargetFile->FilterIndex();
                },
                TypeAndOpen("merged")[0], TypeAndOpen("merged")[1]},
               [&] { Form->edtTargetFolderButtonClick(nullptr); });
    EXPECT_EQ(Name, "*.mbox");
    EXPECT_EQ(InitialDir, Dir.File("out") + "\\");
    EXPECT_EQ(Filter, "mbox for Windows (*.mbox)|*.mbox|All Files (*.*)|*.*");
    EXPECT_EQ(FilterIndex, 2);
    EXPECT_EQ(Form->edtTargetFolder->Text(), Dir.File("out\\merged.mbox"));

    // Ctrl held: a folder, keeping the pattern of the old text.
    Form->edtTargetFolder->SetText(Dir.File("out") + "\\*.mbox");
    HoldCtrl(true);
    std::string Start;
    WithScript("TRzSelectFolderForm",
               {[&](TCustomForm*) { Start = Form->vclSelectTargetFolder->SelectedPathName(); }, Accept()},
               [&] { Form->edtTargetFolderButtonClick(nullptr); });
    HoldCtrl(false);
    EXPECT_EQ(Start, Dir.File("out"));
    EXPECT_EQ(Form->edtTargetFolder->Text(), Dir.File("out") + "\\*.mbox");

    // The double click on the target list runs the same browse; restoring
    // the folder tree picks a folder too.
    Form->grpTargetOptions->SetItemChecked(0, true);
    Form->edtTargetFolder->SetText(Dir.Path() + "\\");
    WithScript("TRzSelectFolderForm", {Accept()}, [&] {
        Form->lbxTargetFormatDblClick(nullptr);
        Pump();
    });
    EXPECT_EQ(Form->edtTargetFolder->Text(), Dir.Path() + "\\");
}

TEST_F(BrowseTest, AnEmptyTargetStartsFromAClipboardPath)
{
    Form->ShowPage(pgTarget);
    Form->SelectTargetFormat(mftEml);
    Form->edtTargetFolder->SetText("");
    // A "mailbox:/" address on the clipboard counts as its path.
    std::string Url = "mailbox:///" + Dir.File("out");
    for (char& C : Url)
        if (C == '\\')
            C = '/';
    Url[Url.find(':', 12)] = '|';
    const struct {
        std::string Clip, Start;
    } cases[] = {
        {Dir.File("out") + "\\", Dir.File("out")},
        {Url, Dir.File("out")},
        // Not a path: the documents folder.
        {"no path here", ExcludeTrailingSlash(GetDocumentsFolder())},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Clip);
        Clipboard().SetAsText(c.Clip);
        Form->edtTargetFolder->SetText("");
        std::string Start;
        WithScript("TRzSelectFolderForm", {[&](TCustomForm*) {
                       Start = Form->vclSelectTargetFolder->SelectedPathName();
                   }, Cancel()},
                   [&] { Form->edtTargetFolderButtonClick(nullptr); });
        EXPECT_TRUE(SameTextStr(ExcludeTrailingSlash(Start), c.Start)) << Start;
        EXPECT_EQ(Form->edtTargetFolder->Text(), "");
    }
}
