// The controls' resource script is linked into the program that shows them:
// the cursors load by name and common controls 6 come up through the manifest.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

TEST(RzResources, CursorsLoadByName)
{
    for (const char* Name : {"RZSPLIT_HORZ", "RZSPLIT_HORZHOTSPOT", "RZSPLIT_VERT", "RZSPLIT_VERTHOTSPOT",
                             "RZCOMMON_HANDCURSOR"}) {
        SCOPED_TRACE(Name);
        HCURSOR C = LoadCursorA(GetModuleHandleA(nullptr), Name);
        ASSERT_NE(C, nullptr);
        ICONINFO Info{};
        ASSERT_TRUE(GetIconInfo(C, &Info));
        EXPECT_FALSE(Info.fIcon);
        if (Info.hbmMask)
            DeleteObject(Info.hbmMask);
        if (Info.hbmColor)
            DeleteObject(Info.hbmColor);
    }
}

TEST(RzResources, ManifestAsksForCommonControls6)
{
    HRSRC R = FindResourceA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(R, nullptr);
    HGLOBAL G = LoadResource(GetModuleHandleA(nullptr), R);
    const std::string Text(static_cast<const char*>(LockResource(G)), SizeofResource(GetModuleHandleA(nullptr), R));
    EXPECT_NE(Text.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(Text.find("6.0.0.0"), std::string::npos);
}
