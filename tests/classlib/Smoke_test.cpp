#include <gtest/gtest.h>
#include <windows.h>

TEST(Platform, RunsAs32BitWindowsProgram)
{
    EXPECT_EQ(sizeof(void*), 4u);
    char buf[MAX_PATH];
    EXPECT_GT(GetTempPathA(MAX_PATH, buf), 0u);
}
