// The real program, started the way a user starts it, walked through its
// four wizard pages by another process: the source files picked in the
// open form, the target folder typed, the conversion started and the window
// closed. What it wrote is compared byte for byte, and every page is
// captured in the classic and the themed look into the build folder.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <map>
#include <string>

#include "ProgramDriver.h"
#include "tests/TestFolder.h"

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

}  // namespace

// A program started with its own settings file shows a first window,
// which the harness finds, captures and closes again by a posted click, in
// either look. Until the wizard exists the program shows a box saying the
// wizard is not built; the wizard's walk skips itself then.
TEST(ProgramDriver, StartsCapturesAndClosesTheFirstWindow)
{
    for (bool Themed : {false, true}) {
        SCOPED_TRACE(LookName(Themed));
        TThemeLookScope Look(Themed);
        TTestFolder Dir("e2e");
        TTestFolder::Put(Dir.File("Tessaly.ini"), "[Application]\r\nCheckForUpdates=0\r\n");
        TProgramRun Run(ProgramPath(), "/INI=\"" + Dir.File("Tessaly.ini") + "\" /TEMP=\"" + Dir.File("tmp") + "\"",
                        Dir.Path());
        ASSERT_TRUE(Run.Started()) << Run.Error();
        HWND Box = Run.WaitTopWindow("#32770", "Tessaly", StartMs);
        if (!Box)
            GTEST_SKIP() << "the program shows no message box at start";
        Run.WaitIdle();
        const std::string Shot = TestProgramFolder() + "e2e_start_box_" + LookName(Themed) + ".bmp";
        EXPECT_TRUE(SaveWindowShot(Box, Shot)) << Shot;
        HWND Ok = ChildWindow(Box, "Button", "OK");
        ASSERT_NE(Ok, nullptr);
        PostClick(Ok);
        DWORD Code = 0;
        ASSERT_TRUE(Run.WaitExit(StepMs, Code));
        EXPECT_EQ(Code, 0u);
    }
}
