// Keys whose direction or effect depends on the control's layout or mode:
// arrows on a tab strip standing on the left, Escape in a list box search.
#include <gtest/gtest.h>

#include <windows.h>

#include "controls/RzLstBox.h"
#include "tests/controls/RzFormKit.h"
#include "tests/controls/RzTabKit.h"

namespace {

// With the tabs on the left the strip reads from the bottom up, so Up and
// Left step to the next tab, Down and Right to the one before.
TEST(RzKeys, TabsOnTheLeftTakeUpAndLeftToTheNextTab)
{
    auto Form = NewTestForm(300, 200);
    auto Strip = NewTabStrip({"one", "two", "three"}, 100, 180);
    Strip->SetParent(Form.get());
    Strip->SetTabOrientation(toLeft);
    const struct {
        WORD Key;
        int Selected;  // from tab 1
    } Cases[] = {{VK_UP, 2}, {VK_LEFT, 2}, {VK_DOWN, 0}, {VK_RIGHT, 0}};
    for (const auto& C : Cases) {
        Strip->SetTabIndex(1);
        Key(Strip->Handle(), C.Key, true);
        EXPECT_EQ(Strip->TabIndex(), C.Selected) << C.Key;
    }
}

// Escape while searching by typing drops the selection, not only the text.
TEST(RzKeys, EscapeInAListBoxSearchClearsTheSelection)
{
    auto Form = NewTestForm(300, 300);
    auto* List = new TRzListBox(Form.get());
    List->SetParent(Form.get());
    List->SetBounds(10, 10, 120, 150);
    for (const char* T : {"alpha", "beta", "bravo"})
        List->Items()->Add(T);
    SendMessageA(List->Handle(), WM_CHAR, 'b', 1);
    ASSERT_EQ(List->ItemIndex(), 1);
    Key(List->Handle(), VK_ESCAPE, true);
    SendMessageA(List->Handle(), WM_CHAR, VK_ESCAPE, 1);
    EXPECT_EQ(List->ItemIndex(), -1);
    EXPECT_EQ(List->SearchText(), "");
}

}  // namespace
