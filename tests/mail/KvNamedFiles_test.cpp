#include <gtest/gtest.h>

#include <string>

#include "mail/KvNamedFiles.h"

// The forms of names never opened from message data, and the place test
// that keeps ".." from leaving a folder, also past MAX_PATH.
TEST(KvNamedFiles, UnsafeFormsAndPlaces)
{
    // Shares, devices, streams and the like in received mail are tested
    // with the stores; these are the forms those do not show.
    for (const char* path : {"\\\\.\\PhysicalDrive0", "//server/share/a.pdf", "C:\\mail\\nul.txt", "C:\\*.ini", "C:a.pdf"})
        EXPECT_TRUE(IsUnsafePathForm(path)) << path;
    EXPECT_FALSE(IsUnsafePathForm("Attach\\a b.pdf"));

    const std::string deep = "C:\\store\\" + std::string(300, 'd') + "\\Attach";
    const struct {
        std::string Path, Folder;
        bool Inside;
    } places[] = {
        {"C:\\store\\Attach\\a.pdf", "C:\\store\\Attach\\", true},
        {"c:\\STORE\\attach\\sub\\a.pdf", "C:\\store\\Attach", true},
        {"C:\\store\\Attach\\..\\Eudora.ini", "C:\\store\\Attach", false},
        {"C:\\store\\Attachments\\a.pdf", "C:\\store\\Attach", false},
        {"C:\\store\\Attach", "C:\\store\\Attach", false},
        {deep + "\\a.pdf", deep, true},
        {deep + "\\..\\..\\a.pdf", deep, false},
        {"C:\\a.pdf", " ", false},
    };
    for (const auto& p : places)
        EXPECT_EQ(IsPathInsideFolder(p.Path, p.Folder), p.Inside) << p.Path;
}
