#include <gtest/gtest.h>

#include <string>

#include "classlib/Cleanup.h"
#include "foundation/KvBase.h"

namespace {

TEST(KvBaseTest, CharSets)
{
    const TCharSet digits = TCharSet::Range('0', '9');
    const TCharSet high = TCharSet::Range(0x80, 0xFF);
    EXPECT_TRUE(digits.Contains('5'));
    EXPECT_FALSE(digits.Contains('a'));
    EXPECT_TRUE(high.Contains('\xFF'));
    EXPECT_TRUE(high.Contains('\x80'));
    EXPECT_FALSE(high.Contains('\x7F'));
    EXPECT_TRUE(TCharSet().Empty());
    EXPECT_FALSE(digits.Empty());
    EXPECT_EQ(TCharSet("abc"), TCharSet("cab"));
    TCharSet s = digits + TCharSet("-");
    EXPECT_TRUE(s.Contains('-'));
    s = s - TCharSet("0123");
    EXPECT_FALSE(s.Contains('2'));
    EXPECT_TRUE(s.Contains('4'));
    s.Remove('4').Add('\xA0');
    EXPECT_FALSE(s.Contains('4'));
    EXPECT_TRUE(s.Contains('\xA0'));
}

TEST(KvBaseTest, PathsAndHooks)
{
    const struct {
        const char* Path;
        const char* Added;
        const char* Excluded;
        bool Trailing;
    } cases[] = {
        {"", "", "", false},
        {"C:\\Mail", "C:\\Mail\\", "C:\\Mail", false},
        {"C:\\Mail\\", "C:\\Mail\\", "C:\\Mail", true},
        {"C:/Mail/", "C:/Mail/", "C:/Mail", true},
        {"\\", "\\", "", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.Added, AddTrailingBackslash(c.Path)) << c.Path;
        EXPECT_EQ(c.Excluded, ExcludeTrailingSlash(c.Path)) << c.Path;
        EXPECT_EQ(c.Trailing, HasTrailingSlash(c.Path)) << c.Path;
    }

    // The settings unit may have installed its hooks at start-up.
    const TPathHook fileHook = GFilePathHook, folderHook = GFolderPathHook;
    GFilePathHook = nullptr;
    GFolderPathHook = nullptr;
    EXPECT_EQ("D:\\x", AdjustPortablePath("D:\\x", true));
    GFilePathHook = [](const std::string& P) { return "file:" + P; };
    GFolderPathHook = [](const std::string& P) { return "folder:" + P; };
    EXPECT_EQ("file:D:\\x", AdjustPortablePath("D:\\x", true));
    EXPECT_EQ("folder:D:\\x", AdjustPortablePath("D:\\x", false));
    GFilePathHook = nullptr;
    GFolderPathHook = nullptr;
    EXPECT_EQ("D:\\x", AdjustPortablePath("D:\\x", false));
    GFilePathHook = fileHook;
    GFolderPathHook = folderHook;

    {
        const TRestoreScope<bool> contrast(GAppHighContrast, false), reader(GAppScreenReader, false);
        EXPECT_FALSE(AccessibilityModeOn());
        GAppHighContrast = true;
        EXPECT_TRUE(AccessibilityModeOn());
        GAppHighContrast = false;
        GAppScreenReader = true;
        EXPECT_TRUE(AccessibilityModeOn());
    }

    int* p = new int(5);
    FreeAndClear(p);
    EXPECT_EQ(nullptr, p);
    FreeAndClear(p);  // nothing for null
}

}  // namespace
