#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/KvAppStart.h"
#include "app/TessalyStart.h"
#include "classlib/Dialogs.h"
#include "classlib/Forms.h"
#include "foundation/KvAppBase.h"
#include "foundation/KvBase.h"
#include "foundation/KvFiles.h"
#include "foundation/KvParam.h"
#include "foundation/KvSpFolder.h"
#include "foundation/KvSystem.h"
#include "testkit/TestFolder.h"
#include "tests/app/AccessibilityKept.h"

namespace {

// The shell's folder numbers the readers' folders come from.
constexpr int CsidlAppData = 0x1A, CsidlLocalAppData = 0x1C, CsidlCommonAppData = 0x23;

// A program folder with support files and the machine's and user's data
// folders, all in a scratch folder.
class ScreenReaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FOldExeFolder = ExeFolder;
        FOldSub = SettingsSubFolder;
        ExeFolder = FFolder.Path() + "\\Program\\";
        SettingsSubFolder = "Corvane\\Tessaly";
        GHooks.SpecialFolder = [this](int Csidl) {
            switch (Csidl) {
            case CsidlAppData: return FFolder.Path() + "\\User";
            case CsidlLocalAppData: return FFolder.Path() + "\\Local";
            case CsidlCommonAppData: return FFolder.Path() + "\\Machine";
            default: return std::string();
            }
        };
    }
    void TearDown() override
    {
        ExeFolder = FOldExeFolder;
        SettingsSubFolder = FOldSub;
    }
    std::string Made(const std::string& Relative)
    {
        const std::string P = FFolder.Path() + "\\" + Relative;
        ForceFolders(P);
        return P;
    }
    void Support(const std::string& Extension, const std::string& Bytes)
    {
        Made("Program\\Accessibility");
        FFolder.Write("Program\\Accessibility\\Tessaly." + Extension, Bytes);
    }
    bool Has(const std::string& Relative) { return IsExistingFile(FFolder.Path() + "\\" + Relative); }

    TTestFolder FFolder{"readers"};
    std::string FOldExeFolder, FOldSub;
    THooksScope FHooks;
};

TEST_F(ScreenReaderTest, SupportFilesGoToTheFirstReaderFolderThatTakesThem)
{
    Support("jcf", "jaws settings");
    Support("dtl", "dolphin settings");
    Support("we", "window-eyes settings");
    // JAWS: every version's folder on the machine; the user's folder only
    // when the machine's took nothing.
    Made("Machine\\Freedom Scientific\\JAWS\\17.0\\Settings\\enu");
    Made("Machine\\Freedom Scientific\\JAWS\\18.0\\Settings\\enu");
    Made("Machine\\Freedom Scientific\\JAWS\\Readme");
    Made("User\\Freedom Scientific\\JAWS\\18.0\\Settings\\enu");
    EXPECT_TRUE(InstallScreenReaderFiles("jcf", TScreenReader::Jaws));
    EXPECT_TRUE(Has("Machine\\Freedom Scientific\\JAWS\\17.0\\Settings\\enu\\Tessaly.jcf"));
    EXPECT_TRUE(Has("Machine\\Freedom Scientific\\JAWS\\18.0\\Settings\\enu\\Tessaly.jcf"));
    EXPECT_FALSE(Has("User\\Freedom Scientific\\JAWS\\18.0\\Settings\\enu\\Tessaly.jcf"));

    // Dolphin: the local folder first, the machine's "Hal*" folders only
    // when that took nothing.
    Made("Local\\dolphin\\Hal13\\Settings");
    Made("Machine\\Dolphin\\Hal13\\defaults");
    EXPECT_TRUE(InstallScreenReaderFiles("dtl", TScreenReader::Dolphin));
    EXPECT_TRUE(Has("Local\\dolphin\\Hal13\\Settings\\Tessaly.dtl"));
    EXPECT_FALSE(Has("Machine\\Dolphin\\Hal13\\defaults\\Tessaly.dtl"));

    // Window-Eyes: one fixed folder; an earlier copy is kept as a backup.
    const std::string WeFolder = Made("User\\GW Micro\\Window-Eyes\\users\\default");
    FFolder.Write("User\\GW Micro\\Window-Eyes\\users\\default\\Tessaly.we", "older");
    EXPECT_TRUE(InstallScreenReaderFiles("we", TScreenReader::WindowEyes));
    EXPECT_EQ(LoadFileToString(WeFolder + "\\Tessaly.we"), "window-eyes settings");

    // A support file the program does not carry copies nothing.
    EXPECT_FALSE(InstallScreenReaderFiles("lua", TScreenReader::Dolphin));
    EXPECT_FALSE(Has("Local\\dolphin\\Hal13\\Settings\\Tessaly.lua"));
}

TEST_F(ScreenReaderTest, UserFolderWhenTheMachineHasNoReaderAndNothingWithoutAReader)
{
    Support("jcf", "jaws settings");
    EXPECT_FALSE(InstallScreenReaderFiles("jcf", TScreenReader::Jaws)); // no reader at all
    Made("User\\Freedom Scientific\\JAWS\\18.0\\Settings\\enu");
    EXPECT_TRUE(InstallScreenReaderFiles("jcf", TScreenReader::Jaws));
    EXPECT_TRUE(Has("User\\Freedom Scientific\\JAWS\\18.0\\Settings\\enu\\Tessaly.jcf"));
}

TEST_F(ScreenReaderTest, ProgramSwitches)
{
    Support("jcf", "jaws settings");
    Made("Machine\\Freedom Scientific\\JAWS\\18.0\\Settings\\enu");
    const std::string Jcf = "Machine\\Freedom Scientific\\JAWS\\18.0\\Settings\\enu\\Tessaly.jcf";
    const std::string DefaultInfo = std::string(UpdateBaseAddress) + "Tessaly_en.ini";
    struct TCase {
        const char* Line;
        bool SystemHighContrast, SystemReader;
        // Expected.
        bool HighContrast, Reader, Follow, Reset, Installed;
        std::string Info;
    } Cases[] = {
        {"", false, false, false, false, true, false, false, DefaultInfo},
        {"", true, false, true, false, true, false, false, DefaultInfo},
        {"/acc", false, false, false, true, true, false, false, DefaultInfo},
        // "install" turns the mode on with no reader running and copies
        // only the support files the program carries.
        {"/acc=install", false, false, false, true, true, false, true, DefaultInfo},
        {"/acc=off", true, true, false, false, false, false, false, DefaultInfo},
        {"-acc:No", true, false, false, false, false, false, false, DefaultInfo},
        {"/acc=yes", true, false, true, true, true, false, false, DefaultInfo},
        {"/RESETWND /newsfile=Beta.ini", false, false, false, false, true, true, false,
         std::string(UpdateBaseAddress) + "Beta.ini"},
    };
    const std::string OldInfo = GUpdateInfoAddress;
    const TWizardSwitches OldSwitches = GWizardSwitches;
    const TAccessibilityKept Accessibility;
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Line);
        DeleteFileA((FFolder.Path() + "\\" + Jcf).c_str());
        GFollowSystemAccessibility = true;
        ApplyWizardSwitches(TCmdList(C.Line), C.SystemHighContrast, C.SystemReader);
        EXPECT_EQ(GAppHighContrast, C.HighContrast);
        EXPECT_EQ(GAppScreenReader, C.Reader);
        EXPECT_EQ(GFollowSystemAccessibility, C.Follow);
        EXPECT_EQ(GWizardSwitches.ResetWindow, C.Reset);
        EXPECT_EQ(Has(Jcf), C.Installed);
        EXPECT_EQ(GUpdateInfoAddress, C.Info);
    }
    GUpdateInfoAddress = OldInfo;
    GWizardSwitches = OldSwitches;
}

// The introduction file this build ships sits beside the program's
// sources, two folders above the test data.
std::string ShippedIntro()
{
    return ReadTestData("../../app/Intro_Tessaly.dat");
}

TEST(Introduction, OnlyTheShippedFileIsShown)
{
    const std::string Shipped = ShippedIntro();
    ASSERT_FALSE(Shipped.empty());
    const std::string OldName = ApplicationName;
    ApplicationName = "Corvane Tessaly";
    const std::string Reinstall = "One or more application files are missing. Please reinstall Corvane Tessaly.";
    struct TCase {
        const char* Name;
        std::string Bytes; // empty: no file
        bool Opens;
    } Cases[] = {
        {"shipped file", Shipped, true},
        {"missing file", "", false},
        {"one byte altered", Shipped.substr(0, Shipped.size() - 1) + "!", false},
        {"cut short", Shipped.substr(0, 40), false},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        TTestFolder Folder("intro");
        if (!C.Bytes.empty())
            Folder.Write("Intro_Tessaly.dat", C.Bytes);
        std::string Text = "untouched";
        EXPECT_EQ(OpenIntroFile(Folder.Path(), Text), C.Opens);
        EXPECT_EQ(IntroductionText(Folder.Path()), C.Opens ? Shipped : Reinstall);
    }
    ApplicationName = OldName;
}

TEST(AppExceptionBox, ShowsTheMessageInAnErrorBoxWithItsSound)
{
    std::vector<TMessageDlgRequest> Boxes;
    TMessageDlgHook Old = SetMessageDlgHook([&](const TMessageDlgRequest& R) {
        Boxes.push_back(R);
        return mrOk;
    });
    std::vector<UINT> Sounds;
    THooksScope Hooks;
    TSoundFlagsScope Flags;
    SoundsOn = true;
    GHooks.Beep = [&](UINT S) { Sounds.push_back(S); };
    const auto OldHandler = Application->OnException;
    Application->OnException = AppException;
    // An exception that reaches the application from a handler.
    try {
        throw Exception("Cannot open file \"C:\\Mail\\Inbox\"");
    } catch (...) {
        Application->HandleException(nullptr);
    }
    Application->OnException = OldHandler;
    SetMessageDlgHook(std::move(Old));
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].DlgType, mtError);
    EXPECT_NE(Boxes[0].Msg.find("Cannot open file \"C:\\Mail\\Inbox\""), std::string::npos);
    EXPECT_EQ(Boxes[0].Buttons, mbOKOnly);
    EXPECT_EQ(Sounds, std::vector<UINT>{MB_ICONWARNING});
}

} // namespace
