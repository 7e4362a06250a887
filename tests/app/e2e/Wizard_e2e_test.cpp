// The real program, started the way a user starts it, walked through its
// four wizard pages by another process: the source files picked in the
// open form, the target folder typed, the conversion started and the window
// closed. What it wrote is compared byte for byte, and every page is
// captured in the classic and the themed look into the build folder.

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ProgramDriver.h"
#include "classlib/Cleanup.h"
#include "testkit/TestFolder.h"
#include "tests/app/TestMessages.h"

namespace {

constexpr DWORD StartMs = 30000;  // a cold Wine prefix is slow to start a program
constexpr DWORD StepMs = 15000;
constexpr DWORD RunMs = 60000;

// Where the build put the program: ctest names it; by hand it is found
// beside the test folder.
std::string ProgramPath()
{
    if (const char* p = std::getenv("TESSALY_PROGRAM"); p && *p)
        return WinePath(p);
    return TestProgramFolder() + "..\\app\\Tessaly.exe";
}

std::string LookName(bool Themed)
{
    return Themed ? "themed" : "classic";
}

const char* const FormClass = "Tessaly.TfrmTessaly";
const char* const ButtonClass = "Tessaly.TRzButton";
const char* const RichPanelClass = "Tessaly.TKvRichPanel";
const char* const SourceListClass = "Tessaly.TRzRankListBox";
const char* const TargetEditClass = "Tessaly.TRzButtonEdit";
const char* const FormatListClass = "Tessaly.TRzTabbedListBox";
const char* const OpenFormClass = "Tessaly.TRzShellOpenSaveForm";
const char* const OpenEditClass = "Tessaly.TRzEdit";
const char* const OpenButtonClass = "Tessaly.TRzBitBtn";
const char* const FolderFormClass = "Tessaly.TRzSelectFolderForm";
const char* const BrowseButtonsClass = "Tessaly.TRzButtonPair";

bool Holds(const std::string& S, const std::string& Part)
{
    return S.find(Part) != std::string::npos;
}

// The visible rich panels' texts one after another: the page header and,
// on the start page, the log.
std::string PanelsText(HWND Form)
{
    return ChildTexts(Form, RichPanelClass);
}

int ListCount(HWND List)
{
    DWORD_PTR N = 0;
    SendMessageTimeoutA(List, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &N);
    return static_cast<int>(N);
}

int ListSelection(HWND List)
{
    DWORD_PTR N = 0;
    SendMessageTimeoutA(List, LB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &N);
    return static_cast<int>(N);
}

std::string IniValue(const std::string& Ini, const char* Section, const char* Key)
{
    char Buf[1024] = {};
    GetPrivateProfileStringA(Section, Key, "?", Buf, sizeof Buf, Ini.c_str());
    return Buf;
}

// One start of the program on a scratch folder: its own settings file
// (not a first start, no update check, the source folder remembered for
// the Mozilla formats), the Mozilla tree to convert and an empty target.
struct TWizardWalk {
    bool Themed;
    TTestFolder Dir{"e2e"};
    std::string Ini = Dir.File("Tessaly.ini");
    std::string LocalFolders = Dir.File("src\\Local Folders\\");
    std::string Out = Dir.File("out\\");
    std::unique_ptr<TProgramRun> Run;
    HWND Form = nullptr;

    explicit TWizardWalk(bool AThemed) : Themed(AThemed)
    {
        PutMozillaTree(LocalFolders);
        // The target folder exists already, so the folder form can open on
        // it.
        CreateDirectoryA(Out.c_str(), nullptr);
        TTestFolder::Put(Ini, "[Application]\r\nVersion=1600\r\nCheckForUpdates=0\r\n"
                              "[SourceOptions]\r\nMailFormat=Thunderbird\r\nIncludeSubfolders=1\r\n"
                              "SkipTrashJunk=1\r\n"
                              "[SourceFolders]\r\nThunderbird=" + Dir.File("src\\Local Folders") + "\r\n"
                              "[TargetOptions]\r\nMailFormat=EML\r\nRestoreFolderTree=0\r\nMatchDates=0\r\n"
                              "Md5FileNames=0\r\n");
    }

    void Start()
    {
        Run = std::make_unique<TProgramRun>(
            ProgramPath(), "/INI=\"" + Ini + "\" /TEMP=\"" + Dir.File("tmp") + "\" /errorlog=\"" +
                               Dir.File("ErrorLog.txt") + "\"",
            Dir.Path());
    }

    HWND Button(const std::string& Prefix) const { return ButtonOf(Form, ButtonClass, Prefix); }

    // Clicks the button and waits for the form of OfClass it opens;
    // null when either is not there.
    HWND OpenFormOf(const std::string& Prefix, const char* OfClass)
    {
        HWND B = Button(Prefix);
        if (!B)
            return nullptr;
        PostClick(B);
        return Run->WaitTopWindow(OfClass, "", StepMs);
    }

    // Clicks the button and waits for a page whose header holds Title.
    bool ClickToPage(const std::string& Prefix, const std::string& Title)
    {
        HWND B = Button(Prefix);
        if (!B)
            return false;
        PostClick(B);
        return Run->WaitFor([&] { return Holds(PanelsText(Form), Title); }, StepMs);
    }

    // A picture of the window (the wizard when none is named), once its
    // painting has settled.
    void Shot(const std::string& Name, HWND Wnd = nullptr)
    {
        const std::string File = TestProgramFolder() + "e2e_" + Name + "_" + LookName(Themed) + ".bmp";
        EXPECT_TRUE(Run->SaveSettledShot(Wnd ? Wnd : Form, File)) << File;
    }
};

// The short class name of a Tab stop, a button's with its plain caption:
// "TRzButton Cancel".
std::string StopName(HWND Wnd)
{
    std::string Name = WindowClass(Wnd);
    Name = Name.substr(Name.find('.') + 1);
    if (Name == "TRzButton" || Name == "TRzCheckBox")
        Name += " " + PlainCaption(WindowText(Wnd));
    return Name;
}

// The page's whole Tab cycle walked by keyboard from the focused control:
// Tab from every stop reaches the next one of Stops and comes round to the
// first; Shift+Tab from every stop goes back the same way.
void WalkTabCycle(TWizardWalk& W, const std::vector<std::string>& Stops)
{
    TProgramRun& Run = *W.Run;
    // The focus reaches the page by the program's own messages after a page
    // change or a closed form.
    HWND Start = nullptr;
    std::size_t First = Stops.size();
    Run.WaitFor(
        [&] {
            Start = FocusIn(W.Form);
            First = std::find(Stops.begin(), Stops.end(), StopName(Start)) - Stops.begin();
            return First < Stops.size();
        },
        StepMs);
    ASSERT_LT(First, Stops.size()) << StopName(Start);
    for (bool Back : {false, true}) {
        SCOPED_TRACE(Back ? "Shift+Tab" : "Tab");
        const std::size_t N = Stops.size();
        for (std::size_t I = 1; I <= N; ++I) {
            const std::string& Want = Stops[(First + (Back ? N - I : I)) % N];
            HWND Was = FocusIn(W.Form);
            TypeKey(W.Form, VK_TAB, Back);
            Run.WaitFor([&] { return FocusIn(W.Form) != Was && FocusIn(W.Form) != nullptr; }, StepMs);
            ASSERT_EQ(StopName(FocusIn(W.Form)), Want) << "from " << StopName(Was);
        }
        ASSERT_EQ(FocusIn(W.Form), Start);
    }
}

}  // namespace

// A program started with its own settings file shows a first window,
// which the harness finds, captures and closes again by a posted click, in
// either look: the wizard, closed with Cancel, or in a build without the
// wizard the box that says so, closed with OK.
TEST(ProgramDriver, StartsCapturesAndClosesTheFirstWindow)
{
    for (bool Themed : {false, true}) {
        SCOPED_TRACE(LookName(Themed));
        TThemeLookScope Look(Themed);
        TTestFolder Dir("e2e");
        TTestFolder::Put(Dir.File("Tessaly.ini"), "[Application]\r\nVersion=1600\r\nCheckForUpdates=0\r\n");
        TProgramRun Run(ProgramPath(), "/INI=\"" + Dir.File("Tessaly.ini") + "\" /TEMP=\"" + Dir.File("tmp") + "\"",
                        Dir.Path());
        ASSERT_TRUE(Run.Started()) << Run.Error();
        HWND Shown = nullptr, Close = nullptr;
        ASSERT_TRUE(Run.WaitFor(
            [&] {
                if (HWND F = Run.WaitTopWindow(FormClass, "", 0)) {
                    Shown = F;
                    Close = ButtonOf(F, ButtonClass, "Cancel");
                } else if (HWND B = Run.WaitTopWindow("#32770", "Tessaly", 0)) {
                    Shown = B;
                    Close = ChildWindow(B, "Button", "OK");
                }
                return Close != nullptr;
            },
            StartMs));
        const std::string Shot = TestProgramFolder() + "e2e_first_window_" + LookName(Themed) + ".bmp";
        EXPECT_TRUE(Run.SaveSettledShot(Shown, Shot)) << Shot;
        PostClick(Close);
        DWORD Code = 0;
        ASSERT_TRUE(Run.WaitExit(StepMs, Code));
        EXPECT_EQ(Code, 0u);
    }
}

// Steps 3 and 4 of the walk below: the target page by keyboard alone, then
// the target field's folder form.
void WalkTargetPageByKeyboard(TWizardWalk& W)
{
    TProgramRun& Run = *W.Run;
    // 3: Next; 4: the target page by keyboard alone: Down, Up and Home
    // in the format list past its group rows, Tab into the target field,
    // the target folder typed over what it held, Enter for Next.
    ASSERT_TRUE(W.ClickToPage("Next", "Set Target Options")) << PanelsText(W.Form);
    HWND Formats = ChildWindow(W.Form, FormatListClass);
    HWND Target = ChildWindow(W.Form, TargetEditClass);
    ASSERT_NE(Formats, nullptr);
    ASSERT_NE(Target, nullptr);
    ASSERT_TRUE(Run.WaitFor([&] { return FocusIn(W.Form) == Formats; }, StepMs));
    const struct {
        WORD Key;
        int Times;
        int Row;
    } Keys[] = {{VK_DOWN, 2, 4}, {VK_UP, 1, 2}, {VK_HOME, 1, 1}};
    for (const auto& K : Keys) {
        for (int I = 0; I < K.Times; ++I)
            PostKey(W.Form, K.Key);
        EXPECT_TRUE(Run.WaitFor([&] { return ListSelection(Formats) == K.Row; }, StepMs))
            << K.Key << ": " << ListSelection(Formats);
    }
    W.Shot("page2");
    WalkTabCycle(W, {"TRzTabbedListBox", "TRzButtonEdit", "TRzGroupCheck", "TRzGroupCheck", "TRzGroupCheck", "TRzButton About", "TRzButton < Back",
                     "TRzButton Next >", "TRzButton Cancel", "TRzButton Help"});
    if (::testing::Test::HasFatalFailure())
        return;
    // Typed, not posted: a posted key overtakes the typed Shift release of
    // the walk above, and the program would take it as Shift+Tab.
    TypeKey(W.Form, VK_TAB);
    ASSERT_TRUE(Run.WaitFor([&] { return FocusIn(W.Form) == Target; }, StepMs));
    PostKey(W.Form, VK_END);
    for (std::size_t I = WindowText(Target).size(); I > 0; --I)
        PostKey(W.Form, VK_BACK);
    // The program's own message loop makes the Backspace characters out
    // of the keys: they are gone through before anything is typed.
    ASSERT_TRUE(Run.WaitFor([&] { return WindowText(Target).empty(); }, StepMs)) << WindowText(Target);
    PostChars(W.Form, W.Out);
    EXPECT_TRUE(Run.WaitFor([&] { return WindowText(Target) == W.Out; }, StepMs)) << WindowText(Target);
    PostKey(W.Form, VK_RETURN);
    ASSERT_TRUE(Run.WaitFor([&] { return Holds(PanelsText(W.Form), "Ready to process mail"); }, StepMs))
        << PanelsText(W.Form);
    ASSERT_TRUE(W.ClickToPage("< Back", "Set Target Options")) << PanelsText(W.Form);
    // The field's browse button opens the folder form on the typed
    // folder; OK gives the folder back with its backslash.
    HWND Browse = ChildWindow(Target, BrowseButtonsClass);
    ASSERT_NE(Browse, nullptr);
    PostClick(Browse);
    HWND Folders = Run.WaitTopWindow(FolderFormClass, "", StepMs);
    ASSERT_NE(Folders, nullptr);
    W.Shot("folder_form", Folders);
    HWND Ok = ButtonOf(Folders, ButtonClass, "OK");
    ASSERT_NE(Ok, nullptr);
    PostClick(Ok);
    ASSERT_TRUE(Run.WaitGone(Folders, StepMs));
    EXPECT_TRUE(Run.WaitFor([&] { return WindowText(Target) == W.Out; }, StepMs)) << WindowText(Target);
}

// The files the walk wrote and the choices it saved.
void CheckWrittenAndSaved(TWizardWalk& W)
{
    const std::map<std::string, std::string> Expected{{"First note.eml", EmlOf(First)}};
    std::map<std::string, std::string> Written;
    TTestFolder::ForEachFileBelow(W.Dir.File("out"), [&](const std::string& Path, const std::string& Relative,
                                                         const WIN32_FIND_DATAA&) {
        Written[Relative] = TTestFolder::Read(Path);
    });
    EXPECT_EQ(Written, Expected);

    // The choices were saved: the formats, the options, the target
    // typed and the folder the files came from.
    EXPECT_EQ(IniValue(W.Ini, "Application", "CheckForUpdates"), "0");
    EXPECT_EQ(IniValue(W.Ini, "SourceOptions", "MailFormat"), "Thunderbird");
    EXPECT_EQ(IniValue(W.Ini, "SourceOptions", "SkipTrashJunk"), "1");
    EXPECT_EQ(IniValue(W.Ini, "TargetOptions", "MailFormat"), "EML");
    EXPECT_EQ(IniValue(W.Ini, "TargetOptions", "Folder"), W.Out);
    EXPECT_EQ(IniValue(W.Ini, "TargetOptions", "Md5FileNames"), "0");
    EXPECT_EQ(IniValue(W.Ini, "SourceFolders", "Thunderbird"), W.Dir.File("src\\Local Folders"));
}

// The walk a user takes: from the welcome page to the source page, two
// mailboxes typed into the open form, the target folder typed on the
// target page, the start page's summary, Start, the run's summary line and
// the window closed; then the files written and the settings saved.
TEST(WizardEndToEnd, ConvertsTheMozillaTreeInBothLooks)
{
    for (bool Themed : {false, true}) {
        SCOPED_TRACE(LookName(Themed));
        TThemeLookScope Look(Themed);
        TWizardWalk W(Themed);
        W.Start();
        ASSERT_TRUE(W.Run->Started()) << W.Run->Error();
        TProgramRun& Run = *W.Run;
        Run.WaitFor([&] { return !Run.TopWindows(FormClass).empty() || !Run.TopWindows("#32770").empty(); },
                    StartMs);
        if (Run.TopWindows(FormClass).empty()) {
            if (HWND Box = Run.WaitTopWindow("#32770", "Tessaly", 0))
                if (HWND Ok = ChildWindow(Box, "Button", "OK"))
                    PostClick(Ok);
            FAIL() << "the program shows no wizard window";
        }
        W.Form = Run.TopWindows(FormClass).front();
        EXPECT_TRUE(Holds(WindowText(W.Form), "Tessaly")) << WindowText(W.Form);

        // Settings that are not new open the source page; Back shows the
        // welcome page.
        ASSERT_TRUE(Run.WaitFor(
            [&] {
                const std::string T = PanelsText(W.Form);
                return Holds(T, "Choose Source Files") || Holds(T, "Welcome !");
            },
            StepMs))
            << PanelsText(W.Form);
        if (!Holds(PanelsText(W.Form), "Welcome !")) {
            ASSERT_TRUE(W.ClickToPage("< Back", "Welcome !")) << PanelsText(W.Form);
        }
        W.Shot("page0");
        WalkTabCycle(W, {"TRzButton Next >", "TRzButton Cancel", "TRzButton Help", "TRzRichEditURL",
                         "TRzCheckBox Check for updates on the Internet", "TRzButton About"});
        if (HasFatalFailure())
            return;

        // 1: Next.
        ASSERT_TRUE(W.ClickToPage("Next", "Choose Source Files")) << PanelsText(W.Form);

        // 2: Add Files, the two mailboxes typed into the open form (it
        // opens in the folder remembered for the format), Open.
        HWND Open = W.OpenFormOf("Add Files", OpenFormClass);
        ASSERT_NE(Open, nullptr);
        W.Shot("open_form", Open);
        HWND Name = ChildWindow(Open, OpenEditClass);
        ASSERT_NE(Name, nullptr);
        ASSERT_TRUE(SendText(Name, "\"Inbox.msf\" \"Trash.msf\""));
        HWND OpenButton = ButtonOf(Open, OpenButtonClass, "Open");
        ASSERT_NE(OpenButton, nullptr);
        PostClick(OpenButton);
        ASSERT_TRUE(Run.WaitGone(Open, StepMs));
        HWND Sources = ChildWindow(W.Form, SourceListClass);
        ASSERT_NE(Sources, nullptr);
        EXPECT_TRUE(Run.WaitFor([&] { return ListCount(Sources) == 2; }, StepMs)) << ListCount(Sources);
        W.Shot("page1");
        WalkTabCycle(W, {"TRzTabbedListBox", "TRzRankListBox", "TRzButton Add Files...", "TRzButton Add Folder...",
                         "TRzButton Remove Item", "TRzGroupCheck", "TRzGroupCheck", "TRzButton About", "TRzButton < Back",
                         "TRzButton Next >", "TRzButton Cancel", "TRzButton Help"});
        if (HasFatalFailure())
            return;

        // 3 and 4: the target page by keyboard alone.
        WalkTargetPageByKeyboard(W);
        if (HasFatalFailure())
            return;

        // 5: Next shows what will be done.
        ASSERT_TRUE(W.ClickToPage("Next", "Ready to process mail")) << PanelsText(W.Form);
        EXPECT_TRUE(Holds(PanelsText(W.Form), W.Out)) << PanelsText(W.Form);
        WalkTabCycle(W, {"TRzButton Start", "TRzButton Cancel", "TRzButton Help", "TKvRichPanel", "TRzButton About",
                         "TRzButton < Back"});
        if (HasFatalFailure())
            return;

        // 6: Start, and the summary line when the run ends.
        HWND Start = W.Button("Start");
        ASSERT_NE(Start, nullptr);
        PostClick(Start);
        EXPECT_TRUE(Run.WaitFor([&] { return Holds(PanelsText(W.Form), "Processing finished."); }, RunMs))
            << PanelsText(W.Form);
        EXPECT_TRUE(Run.WaitFor([&] { return PlainCaption(WindowText(Start)) == "Start"; }, StepMs));
        const std::string Log = PanelsText(W.Form);
        EXPECT_TRUE(Holds(Log, "1 mailboxes processed, 1 messages converted, 0 duplicates skipped, 0 errors."))
            << Log;
        EXPECT_TRUE(Holds(Log, "Processing: " + W.LocalFolders + "Trash.msf\r\nMailbox skipped")) << Log;
        W.Shot("page3");

        // 7: the window closed through Cancel.
        HWND Cancel = W.Button("Cancel");
        ASSERT_NE(Cancel, nullptr);
        PostClick(Cancel);
        DWORD Code = STILL_ACTIVE;
        ASSERT_TRUE(Run.WaitExit(StepMs, Code));
        EXPECT_EQ(Code, 0u);

        CheckWrittenAndSaved(W);
    }
}

// A folder named outside the code page, reached in the folder form by
// keyboard, added through Add Folder and converted with its tree restored:
// every file written carries the long names of its source, with the bytes
// of its message.
TEST(WizardEndToEnd, AddsAFolderNamedOutsideTheCodePageAndRestoresItsTree)
{
    TThemeLookScope Look(false);
    TWizardWalk W(false);
    const auto Wide = [](const std::string& Text) {
        std::wstring Made(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, Text.c_str(), -1, nullptr, 0)),
                          L'\0');
        MultiByteToWideChar(CP_ACP, 0, Text.c_str(), -1, Made.data(), static_cast<int>(Made.size()));
        Made.pop_back();
        return Made;
    };
    const std::wstring Mail = Wide(W.Dir.File("src")) + L"\\\u041f\u043e\u0447\u0442\u0430";
    ASSERT_TRUE(CreateDirectoryW(Mail.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((Mail + L"\\\u53d7\u4fe1\u7bb1").c_str(), nullptr));
    ASSERT_TRUE(TTestFolder::Put(Mail + L"\\\u0412\u0445\u043e\u0434\u044f\u0449\u0438\u0435", MboxOf({First, Second}, "\n")));
    ASSERT_TRUE(TTestFolder::Put(Mail + L"\\\u53d7\u4fe1\u7bb1\\\u53d7\u4fe1.mbox", MboxOf({Third}, "\n")));
    TTestFolder::Put(W.Ini, "[Application]\r\nVersion=1600\r\nCheckForUpdates=0\r\n"
                            "[SourceOptions]\r\nMailFormat=Mbox\r\nIncludeSubfolders=1\r\nSkipTrashJunk=0\r\n"
                            "[SourceFolders]\r\nMbox=" + W.Dir.File("src") + "\r\n"
                            "[TargetOptions]\r\nMailFormat=EML\r\nRestoreFolderTree=1\r\nMatchDates=0\r\n"
                            "Md5FileNames=0\r\nFolder=" + W.Out + "\r\n");
    W.Start();
    ASSERT_TRUE(W.Run->Started()) << W.Run->Error();
    TProgramRun& Run = *W.Run;
    Run.WaitFor([&] { return !Run.TopWindows(FormClass).empty(); }, StartMs);
    ASSERT_FALSE(Run.TopWindows(FormClass).empty()) << "the program shows no wizard window";
    W.Form = Run.TopWindows(FormClass).front();
    ASSERT_TRUE(Run.WaitFor(
        [&] {
            const std::string T = PanelsText(W.Form);
            return Holds(T, "Choose Source Files") || Holds(T, "Welcome !");
        },
        StepMs));
    if (!Holds(PanelsText(W.Form), "Choose Source Files")) {
        ASSERT_TRUE(W.ClickToPage("Next", "Choose Source Files")) << PanelsText(W.Form);
    }

    // Add Folder opens on the remembered folder; Right opens it and Right
    // goes to its first folder, the one named outside the code page, which
    // the tree shows as question marks, sorted before Local Folders.
    HWND Folders = W.OpenFormOf("Add Folder", FolderFormClass);
    ASSERT_NE(Folders, nullptr);
    HWND Tree = ChildWindow(Folders, "Tessaly.TRzShellTree");
    ASSERT_NE(Tree, nullptr);
    // Each key waits for the state it needs: the first opens the folder
    // chosen, the second goes down once the folders below it are listed,
    // and OK waits until it has.
    const auto Item = [&](WPARAM Which, LPARAM From) {
        DWORD_PTR Got = 0;
        SendMessageTimeoutA(Tree, TVM_GETNEXTITEM, Which, From, SMTO_ABORTIFHUNG, StepMs, &Got);
        return Got;
    };
    ASSERT_TRUE(Run.WaitFor([&] { return Item(TVGN_CARET, 0) != 0; }, StepMs));
    Run.SaveSettledShot(Folders, TestProgramFolder() + "e2e_wide_folder_form_classic.bmp");
    const DWORD_PTR Remembered = Item(TVGN_CARET, 0);
    PostKey(Tree, VK_RIGHT);
    ASSERT_TRUE(Run.WaitFor([&] { return Item(TVGN_CHILD, static_cast<LPARAM>(Remembered)) != 0; }, StepMs));
    PostKey(Tree, VK_RIGHT);
    ASSERT_TRUE(Run.WaitFor([&] { return Item(TVGN_CARET, 0) == Item(TVGN_CHILD, static_cast<LPARAM>(Remembered)); },
                            StepMs));
    W.Shot("wide_folder_form", Folders);
    HWND Ok = ButtonOf(Folders, ButtonClass, "OK");
    ASSERT_NE(Ok, nullptr);
    PostClick(Ok);
    ASSERT_TRUE(Run.WaitGone(Folders, StepMs));
    HWND Sources = ChildWindow(W.Form, SourceListClass);
    ASSERT_NE(Sources, nullptr);
    ASSERT_TRUE(Run.WaitFor([&] { return ListCount(Sources) == 1; }, StepMs)) << ListCount(Sources);
    W.Shot("wide_page1");
    // From here another program holds the folder above the one picked and
    // shares it with nobody, so that it cannot be listed: the run still
    // finds the picked folder's long names, and restores them.
    TKernelHandle Hold;
    ASSERT_TRUE(Run.WaitFor(
        [&] {
            Hold.Reset(CreateFileW(Wide(W.Dir.File("src")).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr));
            return Hold.Valid();
        },
        StepMs))
        << "the folder form still holds the folder: " << GetLastError();

    ASSERT_TRUE(W.ClickToPage("Next", "Set Target Options")) << PanelsText(W.Form);
    ASSERT_TRUE(W.ClickToPage("Next", "Ready to process mail")) << PanelsText(W.Form);
    HWND Start = W.Button("Start");
    ASSERT_NE(Start, nullptr);
    PostClick(Start);
    EXPECT_TRUE(Run.WaitFor([&] { return Holds(PanelsText(W.Form), "Processing finished."); }, RunMs))
        << PanelsText(W.Form);
    const std::string Log = PanelsText(W.Form);
    EXPECT_TRUE(Holds(Log, "2 mailboxes processed, 3 messages converted, 0 duplicates skipped, 0 errors.")) << Log;
    W.Shot("wide_page3");
    HWND Cancel = W.Button("Cancel");
    ASSERT_NE(Cancel, nullptr);
    PostClick(Cancel);
    DWORD Code = STILL_ACTIVE;
    ASSERT_TRUE(Run.WaitExit(StepMs, Code));

    const std::wstring In = L"\u041f\u043e\u0447\u0442\u0430\\\u0412\u0445\u043e\u0434\u044f\u0449\u0438\u0435\\";
    const std::wstring Sub = L"\u041f\u043e\u0447\u0442\u0430\\\u53d7\u4fe1\u7bb1\\\u53d7\u4fe1.mbox\\";
    const std::map<std::wstring, std::string> Expected{{In + L"First note.eml", EmlOf(First)},
                                                       {In + L"Second note.eml", EmlOf(Second)},
                                                       {Sub + L"Third note.eml", EmlOf(Third)}};
    EXPECT_EQ(TTestFolder::WideTree(Wide(W.Dir.File("out"))), Expected);
}
