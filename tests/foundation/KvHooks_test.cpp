#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "foundation/KvFiles.h"
#include "foundation/KvHooks.h"
#include "testkit/TestFolder.h"

namespace {

// The system's own launcher runs the program named with its parameters,
// in the folder given.
TEST(KvHooks, TheLauncherRunsAProgramInItsFolder)
{
    TTestFolder dir("hooks");
    const INT_PTR started = reinterpret_cast<INT_PTR>(
        TKvHooks().ShellLaunch(nullptr, "open", "cmd.exe", "/c echo ran>made.txt", dir.Path().c_str(), SW_HIDE));
    EXPECT_GT(started, 32);
    const std::string made = dir.File("made.txt");
    for (int waited = 0; waited < 100 && GetFileSizeByName(made) < 3; ++waited)
        Sleep(50);
    EXPECT_EQ(TTestFolder::Read(made).substr(0, 3), "ran");
}

// Active while a window of this process is in front.
TEST(KvHooks, ActiveWhileOurWindowIsInFront)
{
    const HWND own = CreateWindowExA(0, "STATIC", "front", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                     nullptr);
    ASSERT_NE(own, nullptr);
    SetForegroundWindow(own);
    EXPECT_TRUE(TKvHooks().ApplicationActive());
    DestroyWindow(own);
}

}  // namespace
