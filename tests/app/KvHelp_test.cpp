#include <gtest/gtest.h>

#include <windows.h>

#include <htmlhelp.h>
#include <mmsystem.h>

#include <string>
#include <vector>

#include "app/KvHelp.h"
#include "app/KvHelpBase.h"
#include "classlib/Registry.h"
#include "foundation/KvBase.h"
#include "foundation/KvSystem.h"
#include "testkit/TestFolder.h"
#include "tests/app/AccessibilityKept.h"

namespace {

// Every dialog and beep of a test goes to these instead of the screen.
class DialogsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->ShowErrorBoxes = false;
        FOldHook = SetMessageDlgHook([this](const TMessageDlgRequest& R) {
            Shown.push_back(R);
            CursorDuring = Screen->Cursor();
            return Answer;
        });
        GHooks.Beep = [this](UINT Sound) { Beeps.push_back(Sound); };
        GHooks.ApplicationActive = [] { return true; };
    }
    void TearDown() override
    {
        SetMessageDlgHook(FOldHook);
        Screen->SetCursor(crDefault);
    }
    std::vector<TMessageDlgRequest> Shown;
    std::vector<UINT> Beeps;
    TModalResult Answer = mrOk;
    TCursor CursorDuring = crDefault;

private:
    TMessageDlgHook FOldHook;
    THooksScope FHooks;
    TSoundFlagsScope FSoundFlags;
    TAccessibilityKept FAccessibility;
};

struct THelpCall {
    bool Html;
    std::string File;
    UINT Command;
    DWORD_PTR Data;
    HH_POPUP Popup;
};

class HelpTest : public DialogsTest {
protected:
    void SetUp() override
    {
        DialogsTest::SetUp();
        SetHtmlHelpProc([this](HWND, const char* File, UINT Command, DWORD_PTR Data) {
            THelpCall C{true, File ? File : "", Command, Data, {}};
            if (Command == HH_DISPLAY_TEXT_POPUP)
                C.Popup = *reinterpret_cast<const HH_POPUP*>(Data);
            Calls.push_back(C);
            return Command == HH_DISPLAY_TEXT_POPUP && PopupShows ? GetDesktopWindow() : nullptr;
        });
        SetWinHelpProc([this](HWND, const char* File, UINT Command, ULONG_PTR Data) {
            Calls.push_back({false, File ? File : "", Command, Data, {}});
            return TRUE;
        });
        FOldHelp = Application->OnHelp;
        Application->OnHelp = nullptr;
    }
    void TearDown() override
    {
        THelpManager::Release();
        Application->OnHelp = FOldHelp;
        Application->SetHelpFile("");
        SetHtmlHelpProc(nullptr);
        SetWinHelpProc(nullptr);
        DialogsTest::TearDown();
    }
    std::vector<THelpCall> Calls;
    // Whether the viewer shows text popups (Wine's does not).
    bool PopupShows = true;
    TTestFolder Folder{"help"};

private:
    THelpEvent FOldHelp;
};

class TFocusBox : public TCustomControl {
public:
    TFocusBox(TComponent* AOwner, TWinControl* AParent, int Top) : TCustomControl(AOwner)
    {
        SetParent(AParent);
        SetBounds(0, Top, 20, 20);
        SetTabStop(true);
    }
};

} // namespace

TEST_F(DialogsTest, MessageFamilyShowsTypeButtonsAndBeep)
{
    struct Case {
        const char* What;
        std::function<void()> Call;
        TMsgDlgType Type;
        TMsgDlgButtons Buttons;
        std::vector<UINT> Beeps;
    };
    const Case Cases[] = {
        {"confirm", [] { KvConfirm("Sure?"); }, mtConfirmation, mbYesNo, {MB_ICONQUESTION}},
        {"error", [] { KvError("Sure?"); }, mtError, mbOKOnly, {MB_ICONEXCLAMATION}},
        {"information", [] { KvInformation("Sure?"); }, mtInformation, mbOKOnly, {MB_ICONASTERISK}},
        {"warning", [] { KvWarning("Sure?"); }, mtWarning, mbOKOnly, {MB_ICONASTERISK}},
        {"no beep asked", [] { KvError("Sure?", false); }, mtError, mbOKOnly, {}},
        {"sounds off", [] { SoundsOn = false; KvWarning("Sure?"); SoundsOn = true; }, mtWarning, mbOKOnly, {}},
    };
    for (const Case& K : Cases) {
        SCOPED_TRACE(K.What);
        Shown.clear();
        Beeps.clear();
        K.Call();
        ASSERT_EQ(Shown.size(), 1u);
        EXPECT_EQ(Shown[0].Msg, "Sure?");
        EXPECT_EQ(Shown[0].DlgType, K.Type);
        EXPECT_EQ(Shown[0].Buttons, K.Buttons);
        EXPECT_TRUE(Shown[0].MainFormCenter);
        EXPECT_EQ(Beeps, K.Beeps);
    }
}

TEST_F(DialogsTest, ConfirmAnswersYesOnly)
{
    for (TModalResult R : {mrYes, mrNo, mrCancel}) {
        Answer = R;
        EXPECT_EQ(KvConfirm("Go?", false), R == mrYes);
    }
}

TEST_F(DialogsTest, PositionHelpAndScreenReaderBlank)
{
    KvMessageDlgPosHelp("Text", mtInformation, mbOKOnly, "C:\\x.chm", 30, 20, 5);
    ASSERT_EQ(Shown.size(), 1u);
    EXPECT_EQ(Shown[0].X, 20);
    EXPECT_EQ(Shown[0].Y, 30);
    EXPECT_FALSE(Shown[0].MainFormCenter);
    EXPECT_EQ(Shown[0].HelpFile, "C:\\x.chm");
    EXPECT_EQ(Shown[0].HelpCtx, 5);

    GAppScreenReader = true;
    KvInformation("Read me", false);
    GAppScreenReader = false;
    GAppHighContrast = true;
    KvInformation("Read me", false);
    ASSERT_EQ(Shown.size(), 3u);
    EXPECT_EQ(Shown[1].Msg, " Read me");
    EXPECT_EQ(Shown[2].Msg, " Read me");
}

TEST_F(DialogsTest, CursorIsTheArrowDuringTheBoxAndComesBack)
{
    Screen->SetCursor(crHourGlass);
    KvInformation("Wait cursor", false);
    EXPECT_EQ(CursorDuring, crDefault);
    EXPECT_EQ(Screen->Cursor(), crDefault);  // the wait cursor is dropped for good

    Screen->SetCursor(crHandPoint);
    KvInformation("Other cursor", false);
    EXPECT_EQ(CursorDuring, crDefault);
    EXPECT_EQ(Screen->Cursor(), crHandPoint);
}

TEST_F(DialogsTest, FocusRoutines)
{
    TForm F(nullptr);
    F.SetBounds(50, 50, 200, 200);
    auto* A = new TFocusBox(&F, &F, 0);
    auto* B = new TFocusBox(&F, &F, 30);
    auto* C = new TFocusBox(&F, &F, 60);
    auto* D = new TFocusBox(&F, &F, 90);
    B->SetTabStop(false);
    C->SetEnabled(false);
    F.Show();
    Application->ProcessMessages();

    struct Case {
        const char* What;
        TWinControl* Current;
        bool TabStopOnly;
        TWinControl* Expected;
    };
    const Case Cases[] = {
        {"from the start", nullptr, true, A},
        {"skips the non-tab-stop", A, true, D},
        {"tab stop not needed", A, false, B},
        {"skips the disabled and wraps", D, true, A},
    };
    for (const Case& K : Cases) {
        SCOPED_TRACE(K.What);
        EXPECT_EQ(FindNextFocusable(&F, K.Current, K.TabStopOnly, true), K.Expected);
    }

    EXPECT_FALSE(SafeFocus(nullptr, A));
    EXPECT_TRUE(SafeFocus(C, D));  // C is disabled: the fallback gets it
    EXPECT_EQ(GetFocus(), D->Handle());
    EXPECT_TRUE(FocusFirstControl(&F));
    EXPECT_EQ(GetFocus(), A->Handle());
}

TEST_F(HelpTest, CommandsMapToHtmlHelp)
{
    const std::string Chm = Folder.Write("Tessaly.chm", "ITSF");
    EXPECT_EQ(HelpFileName(Folder.File("Tessaly")), Chm);
    ASSERT_TRUE(InstallApplicationHelp(Folder.File("Tessaly")));
    EXPECT_EQ(Application->HelpFile(), Chm);
    struct Case {
        UINT Command;
        ULONG_PTR Data;
        UINT HhCommand;
        DWORD_PTR HhData;
    };
    const Case Cases[] = {
        {HELP_CONTEXT, 42, HH_HELP_CONTEXT, 42}, {HELP_QUIT, 0, HH_CLOSE_ALL, 0},
        {HELP_INDEX, 0, HH_DISPLAY_TOC, 0},     {HELP_FINDER, 0, HH_DISPLAY_TOC, 0},
        {15, 0, HH_DISPLAY_TOC, 0},       {15, 3, HH_DISPLAY_INDEX, 0},
        {HELP_KEY, 77, HH_DISPLAY_INDEX, 77},   {HELP_PARTIALKEY, 78, HH_DISPLAY_INDEX, 78},
    };
    for (const Case& K : Cases) {
        SCOPED_TRACE(K.Command);
        Calls.clear();
        Application->HelpCommand(static_cast<WORD>(K.Command), K.Data);
        ASSERT_EQ(Calls.size(), 1u);
        EXPECT_TRUE(Calls[0].Html);
        EXPECT_EQ(Calls[0].Command, K.HhCommand);
        EXPECT_EQ(Calls[0].Data, K.HhData);
        EXPECT_EQ(Calls[0].File, K.Command == HELP_QUIT ? "" : Chm);
    }
    EXPECT_TRUE(Shown.empty());
}

TEST_F(HelpTest, PopupsGoToTheContextFileAtTheGivenPoint)
{
    const std::string Chm = Folder.Write("Tessaly.chm", "ITSF");
    ASSERT_TRUE(InstallApplicationHelp(Folder.File("Tessaly")));
    SetCursorPos(321, 123);
    Application->HelpCommand(HELP_SETPOPUP_POS, MAKELONG(100, 200));
    EXPECT_TRUE(Calls.empty());
    Application->HelpCommand(HELP_CONTEXTPOPUP, 7);
    Application->HelpCommand(HELP_CONTEXTPOPUP, 8);
    ASSERT_EQ(Calls.size(), 2u);
    EXPECT_EQ(Calls[0].File, Chm + "::/CSHelp.txt");
    EXPECT_EQ(Calls[0].Command, static_cast<UINT>(HH_DISPLAY_TEXT_POPUP));
    EXPECT_EQ(Calls[0].Popup.cbStruct, 52);
    EXPECT_EQ(Calls[0].Popup.idString, 7u);
    EXPECT_EQ(Calls[0].Popup.pt.x, 100);
    EXPECT_EQ(Calls[0].Popup.pt.y, 200);
    EXPECT_STREQ(Calls[0].Popup.pszFont, "MS Sans Serif, 8");
    POINT Mouse;
    GetCursorPos(&Mouse);
    EXPECT_EQ(Calls[1].Popup.idString, 8u);
    EXPECT_EQ(Calls[1].Popup.pt.x, Mouse.x);
    EXPECT_EQ(Calls[1].Popup.pt.y, Mouse.y);

    // A popup the viewer cannot show opens the context's topic instead.
    PopupShows = false;
    Calls.clear();
    Application->HelpCommand(HELP_CONTEXTPOPUP, 21);
    ASSERT_EQ(Calls.size(), 2u);
    EXPECT_EQ(Calls[1].File, Chm);
    EXPECT_EQ(Calls[1].Command, static_cast<UINT>(HH_HELP_CONTEXT));
    EXPECT_EQ(Calls[1].Data, 21u);
}

TEST_F(HelpTest, WinHelpFileAndChainedHandler)
{
    const std::string Hlp = Folder.Write("Tessaly.hlp", "?_");
    EXPECT_EQ(HelpFileName(Folder.File("Tessaly")), Hlp);
    ASSERT_TRUE(InstallApplicationHelp(Folder.File("Tessaly")));
    Application->HelpCommand(HELP_CONTEXT, 9);
    ASSERT_EQ(Calls.size(), 1u);
    EXPECT_FALSE(Calls[0].Html);
    EXPECT_EQ(Calls[0].File, Hlp);
    EXPECT_EQ(Calls[0].Command, static_cast<UINT>(HELP_CONTEXT));
    EXPECT_EQ(Calls[0].Data, 9u);

    // A chained handler that takes the request keeps it from the file.
    THelpManager::Instance()->ChainedHandler = [](WORD, ULONG_PTR, bool& CallHelp) {
        CallHelp = false;
        return true;
    };
    Calls.clear();
    EXPECT_TRUE(Application->HelpCommand(HELP_CONTEXT, 9));
    EXPECT_TRUE(Calls.empty());
}

TEST_F(HelpTest, MissingHelpFileSaysSo)
{
    EXPECT_FALSE(InstallApplicationHelp(Folder.File("Tessaly")));
    EXPECT_FALSE(THelpManager::Exists());
    Application->HelpCommand(HELP_CONTEXT, 1);
    ASSERT_EQ(Shown.size(), 1u);
    EXPECT_EQ(Shown[0].Msg, "Help file is missing");
    EXPECT_TRUE(Calls.empty());

    // With the manager serving a file that went away, the event decides.
    Shown.clear();
    const std::string Chm = Folder.Write("Gone.chm", "ITSF");
    Application->OnHelp = nullptr;
    ASSERT_TRUE(InstallApplicationHelp(Folder.File("Gone")));
    DeleteFileA(Chm.c_str());
    Application->HelpCommand(HELP_CONTEXT, 1);
    ASSERT_EQ(Shown.size(), 1u);
    EXPECT_EQ(Shown[0].Msg, "Help file is missing");
}

TEST(StartSounds, TheQuestionSoundFollowsTheUsersScheme)
{
    TSoundFlagsScope Flags;
    TRegistry Reg(HKEY_CURRENT_USER, KEY_ALL_ACCESS);
    ASSERT_TRUE(Reg.OpenKey(QuestionSoundKey, true));
    const bool Had = Reg.ValueExists("");
    const std::string Was = Had ? Reg.ReadString("") : std::string();
    const struct {
        const char* Value;  // nullptr: no value at all
        bool QuestionSound;
    } Cases[] = {{"C:\\Windows\\Media\\Question.wav", true}, {"", false}, {nullptr, false}};
    for (const auto& C : Cases) {
        if (C.Value)
            Reg.WriteString("", C.Value);
        else
            Reg.DeleteValue("");
        QuestionSoundOn = !C.QuestionSound;
        StartSounds();
        EXPECT_EQ(QuestionSoundOn, C.QuestionSound) << (C.Value ? C.Value : "no value");
    }
    EXPECT_EQ(GWaveOutputPresent, waveOutGetNumDevs() > 0);
    if (Had)
        Reg.WriteString("", Was);
}
