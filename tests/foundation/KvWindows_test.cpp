#include "foundation/KvWindows.h"

#include <gtest/gtest.h>

namespace {

// The version questions answered for systems other than the one running.
class KvWindowsTest : public ::testing::Test {
protected:
    void TearDown() override { GWin32 = FSaved; }

private:
    const TWin32Version FSaved = GWin32;
};

TEST_F(KvWindowsTest, VersionTable)
{
    struct TCase {
        DWORD Platform, Major, Minor;
        const char* Csd;
        BYTE Product;
        bool R2;
        int Version;
        bool Vista, Win95, MeOrNT5, Win98OrNT5;
    };
    const TCase cases[] = {
        {0, 3, 10, "", 0, false, 2, false, false, false, false},
        {1, 4, 0, "", 0, false, 3, false, true, false, false},
        {1, 4, 0, " B", 0, false, 4, false, true, false, false},
        {1, 4, 10, "", 0, false, 6, false, false, false, true},
        {1, 4, 10, " A ", 0, false, 7, false, false, false, true},
        {1, 4, 90, "", 0, false, 8, false, false, true, true},
        {2, 2, 0, "", 1, false, 0, false, false, false, false},
        {2, 3, 51, "", 1, false, 1, false, false, false, false},
        {2, 4, 0, "Service Pack 6", 1, false, 5, false, false, false, false},
        {2, 5, 0, "", 1, false, 9, false, false, true, true},
        {2, 5, 1, "", 1, false, 10, false, false, true, true},
        {2, 5, 2, "", 3, false, 12, false, false, true, true},
        {2, 5, 2, "", 3, true, 13, false, false, true, true},
        {2, 6, 0, "", 1, false, 14, true, false, true, true},
        {2, 6, 0, "", 3, false, 15, true, false, true, true},
        {2, 6, 1, "", 3, false, 16, true, false, true, true},
        {2, 6, 1, "", 1, false, 17, true, false, true, true},
        {2, 6, 1, "", 0, false, 16, true, false, true, true},  // no product type: server
        {2, 6, 2, "", 3, false, 18, true, false, true, true},
        {2, 6, 3, "", 3, false, 19, true, false, true, true},
        {2, 6, 2, "", 1, false, 20, true, false, true, true},
        {2, 6, 3, "", 1, false, 21, true, false, true, true},
        {2, 6, 4, "", 1, false, 24, true, false, true, true},
        {2, 10, 0, "", 1, false, 22, true, false, true, true},
        {2, 10, 0, "", 3, false, 23, true, false, true, true},
        {2, 10, 1, "", 1, false, 24, true, false, true, true},
        {2, 11, 0, "", 1, false, 24, true, false, true, true},
    };
    for (const TCase& c : cases) {
        GWin32.Platform = c.Platform;
        GWin32.Major = c.Major;
        GWin32.Minor = c.Minor;
        GWin32.CSDVersion = c.Csd;
        GWin32.ProductType = c.Product;
        GWin32.ServerR2 = c.R2;
        SCOPED_TRACE(std::to_string(c.Platform) + " " + std::to_string(c.Major) + "." +
                     std::to_string(c.Minor) + " type " + std::to_string(c.Product));
        EXPECT_EQ(GetWindowsVersion(), c.Version);
        EXPECT_EQ(IsWinVistaOrLater(), c.Vista);
        EXPECT_EQ(IsWin95(), c.Win95);
        EXPECT_EQ(IsWinMeOrNT5(), c.MeOrNT5);
        EXPECT_EQ(IsWin98OrNT5(), c.Win98OrNT5);
    }
}

TEST_F(KvWindowsTest, RunningSystemIsRead)
{
    ReadWin32Version();
    EXPECT_EQ(GWin32.Platform, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
    EXPECT_GE(GWin32.WindowsMajor, 5);
    EXPECT_GE(GetWindowsVersion(), wv2000);
    const SYSTEM_INFO& info = GetNativeSystemInfo();
    EXPECT_GT(info.dwPageSize, 0u);
    EXPECT_EQ(&info, &GetNativeSystemInfo());
    // The mouse buttons as the user has them, swapped or not.
    const bool swapped = GetSystemMetrics(SM_SWAPBUTTON) != 0;
    EXPECT_EQ(GPrimaryMouseButton, swapped ? 2 : 1);
    EXPECT_EQ(GSecondaryMouseButton, swapped ? 1 : 2);
}

}  // namespace
