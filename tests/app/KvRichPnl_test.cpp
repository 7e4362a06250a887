#include <gtest/gtest.h>

#include <windows.h>
#include <richedit.h>

#include <string>

#include "app/KvRichPnl.h"
#include "classlib/Forms.h"

namespace {

class RichPanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Form = new TForm(nullptr);
        Form->SetBounds(50, 50, 400, 300);
        Panel = new TKvRichPanel(Form);
        Panel->SetParent(Form);
        Panel->SetBounds(10, 10, 300, 120);
        std::string Text;
        for (int I = 1; I <= 100; ++I)
            Text += "Line " + std::to_string(I) + "\r\n";
        Panel->SetText(Text);
        Other = new TKvRichPanel(Form);
        Other->SetParent(Form);
        Other->SetBounds(10, 140, 300, 60);
        Form->Show();
        Application->ProcessMessages();
    }
    void TearDown() override { delete Form; }

    int FirstVisible() { return static_cast<int>(SendMessageA(Panel->Handle(), EM_GETFIRSTVISIBLELINE, 0, 0)); }
    CHARRANGE Selection()
    {
        CHARRANGE R{};
        SendMessageA(Panel->Handle(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&R));
        return R;
    }
    void Key(WORD VKey)
    {
        SendMessageA(Panel->Handle(), WM_KEYDOWN, VKey, 1);
        SendMessageA(Panel->Handle(), WM_KEYUP, VKey, 0xC0000001);
    }

    TForm* Form = nullptr;
    TKvRichPanel* Panel = nullptr;
    TKvRichPanel* Other = nullptr;
};

} // namespace

TEST_F(RichPanelTest, IsReadOnlyAndIgnoresTyping)
{
    EXPECT_TRUE(Panel->ReadOnly());
    EXPECT_FALSE(Panel->ShowCaret());
    const std::string Before = Panel->AllText();
    Panel->SetFocus();
    for (WORD K : {WORD('X'), WORD(VK_DELETE), WORD(VK_BACK), WORD(VK_RETURN)})
        Key(K);
    SendMessageA(Panel->Handle(), WM_CHAR, 'x', 1);
    EXPECT_EQ(Panel->AllText(), Before);
    EXPECT_EQ(Before.substr(0, 14), "Line 1\r\nLine 2");
}

TEST_F(RichPanelTest, KeysOnlyScroll)
{
    Panel->SetFocus();
    EXPECT_EQ(FirstVisible(), 0);
    Key(VK_NEXT);
    const int Page = FirstVisible();
    EXPECT_GT(Page, 2);
    Key(VK_NEXT);
    const int TwoPages = FirstVisible();
    EXPECT_GE(TwoPages, 2 * Page - 1);
    Key(VK_PRIOR);
    const int Back = FirstVisible();
    EXPECT_LT(Back, TwoPages);
    // Page moves may leave a line partly shown: one line's move is one or two.
    Key(VK_DOWN);
    const int Down = FirstVisible();
    EXPECT_GT(Down, Back);
    EXPECT_LE(Down, Back + 2);
    Key(VK_UP);
    EXPECT_LT(FirstVisible(), Down);
    Key(VK_END);
    EXPECT_GT(FirstVisible(), 80);
    Key(VK_HOME);
    EXPECT_EQ(FirstVisible(), 0);
    // Scrolling never moved the caret or selected anything.
    const CHARRANGE Sel = Selection();
    EXPECT_EQ(Sel.cpMin, Sel.cpMax);
    EXPECT_EQ(Sel.cpMin, 0);
}

TEST_F(RichPanelTest, AClickFocusesButPlacesNoCaret)
{
    Other->SetFocus();
    ASSERT_FALSE(Panel->Focused());
    const LPARAM At = MAKELPARAM(40, 30);
    SendMessageA(Panel->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At);
    SendMessageA(Panel->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(120, 60));
    SendMessageA(Panel->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(120, 60));
    EXPECT_TRUE(Panel->Focused());
    CHARRANGE Sel = Selection();
    EXPECT_EQ(Sel.cpMin, 0);
    EXPECT_EQ(Sel.cpMax, 0);

    // Shown: a plain read-only rich edit, which places the caret. (Whether
    // the system caret shows cannot be read back under Wine: its thread
    // information reports a caret as blinking even while it is hidden.)
    Panel->SetShowCaret(true);
    SendMessageA(Panel->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At);
    SendMessageA(Panel->Handle(), WM_LBUTTONUP, 0, At);
    Sel = Selection();
    EXPECT_GT(Sel.cpMin, 0);
    Key(VK_DOWN);
    EXPECT_GT(Selection().cpMin, Sel.cpMin);
}

TEST_F(RichPanelTest, SelectedOrAllTextAndAppending)
{
    Other->SetText("");
    Other->AppendText("one\r\n");
    Other->AppendText("two\r\n");
    EXPECT_EQ(Other->AllText(), "one\r\ntwo\r\n");
    EXPECT_EQ(Other->GetSelectedOrAllText(), "one\r\ntwo\r\n");
    // The class library's count: a final empty line does not count.
    EXPECT_EQ(Other->LineCount(), 2);
    // The control counts a line break as one character.
    CHARRANGE Sel{4, 7};
    SendMessageA(Other->Handle(), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&Sel));
    EXPECT_EQ(Other->GetSelectedOrAllText(), "two");
    // A window made again keeps the text; emptying leaves none, with a
    // window or before one is made.
    Other->SetWordWrap(false);
    EXPECT_EQ(Other->AllText(), "one\r\ntwo\r\n");
    auto* Unmade = new TKvRichPanel(Form);
    Unmade->SetText("one");
    for (TKvRichPanel* P : {Other, Unmade}) {
        P->Empty();
        EXPECT_EQ(P->AllText(), "");
    }
}

TEST_F(RichPanelTest, ALongLogKeepsEveryLine)
{
    Other->SetText("");
    const std::string Line = "Processing: C:\\Mail\\Local Folders\\Inbox.sbd\\Some Folder" + std::string(180, 'x');
    // Past the rich edit's default limit of 64K characters; every line is
    // wrapped in this narrow panel and still counts once.
    for (int I = 0; I < 300; ++I)
        Other->AppendText(Line + "\r\n");
    EXPECT_EQ(Other->LineCount(), 300);
    EXPECT_EQ(Other->AllText().size(), 300 * (Line.size() + 2));
    Other->AppendText("no break");
    EXPECT_EQ(Other->LineCount(), 301);
}
