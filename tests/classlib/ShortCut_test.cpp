#include "classlib/Menus.h"

#include "classlib/Controls.h"

#include <gtest/gtest.h>

TEST(ShortCutText, BothWays)
{
    struct {
        TShortCut Code;
        const char* Text;
    } Cases[] = {
        {TShortCut(scCtrl | scShift | VK_F5), "Shift+Ctrl+F5"},
        {TShortCut(scCtrl | 'A'), "Ctrl+A"},
        {VK_DELETE, "Del"},
        {TShortCut(scAlt | VK_BACK), "Alt+BkSp"},
        {VK_RETURN, "Enter"},
        {VK_ESCAPE, "Esc"},
        {VK_SPACE, "Space"},
        {VK_NEXT, "PgDn"},
        {VK_DOWN, "Down"},
        {VK_INSERT, "Ins"},
        {'7', "7"},
        {VK_F24, "F24"},
        {TShortCut(scShift | VK_TAB), "Shift+Tab"},
    };
    for (auto& C : Cases) {
        EXPECT_EQ(ShortCutToText(C.Code), C.Text) << C.Code;
        EXPECT_EQ(TextToShortCut(C.Text), C.Code) << C.Text;
    }
    // Number-pad keys read as their digits; unnamed keys as "#" and the
    // whole value with its modifier bits.
    EXPECT_EQ(ShortCutToText(VK_NUMPAD3), "3");
    EXPECT_EQ(ShortCutToText(TShortCut(scCtrl | VK_OEM_1)), "Ctrl+#16570");
    EXPECT_EQ(TextToShortCut("shift+ctrl+f5"), TShortCut(scCtrl | scShift | VK_F5));
    EXPECT_EQ(TextToShortCut("^C"), TShortCut(scCtrl | 'C'));
    EXPECT_EQ(TextToShortCut("Alt+Ctrl+x"), TShortCut(scCtrl | scAlt | 'X'));
    EXPECT_EQ(TextToShortCut("Ctrl+"), scNone);
    EXPECT_EQ(TextToShortCut("Ctrl+Banana"), scNone);
    EXPECT_EQ(ShortCut('K', ssCtrl | ssShift), TShortCut(scCtrl | scShift | 'K'));
    EXPECT_EQ(ShortCut(0x1234, 0), scNone);
}
