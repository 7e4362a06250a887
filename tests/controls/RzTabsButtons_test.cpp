// The tab control's buttons under real windows: the scroller's halves and
// repeat, the close buttons, the tab menu, where the buttons sit, and a
// capture lost in the middle of a press.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/Menus.h"
#include "controls/RzTabs.h"
#include "tests/controls/RzFormKit.h"
#include "testkit/RzTestCanvas.h"

namespace {

// A page control of more pages than its strip shows.
struct TStrip {
    std::unique_ptr<TForm, TObjectFree> Form;
    TRzPageControl* PC = nullptr;
    std::vector<TRzTabSheet*> Pages;
    int Closes = 0;
    bool AllowClose = true;

    explicit TStrip(const std::vector<std::string>& Captions, int W = 300) : Form(NewTestForm(W + 20, 200))
    {
        PC = new TRzPageControl(Form.get());
        PC->SetParent(Form.get());
        PC->SetBounds(0, 0, W, 150);
        for (const auto& Caption : Captions) {
            auto P = new TRzTabSheet(Form.get());
            P->SetCaption(Caption);
            P->SetPageControl(PC);
            Pages.push_back(P);
        }
        PC->OnClose = [this](TObject*, bool& Allow) {
            ++Closes;
            Allow = AllowClose;
        };
        Form->Show();
        PC->SetActivePageIndex(0);
        Settle();
    }
    static std::vector<std::string> Many(int N)
    {
        std::vector<std::string> V;
        for (int I = 0; I < N; ++I)
            V.push_back("Mailbox " + std::to_string(I));
        return V;
    }
    void Settle() { Application->ProcessMessages(); }
    HWND ScrollerWnd() const { return PC->Scroller()->Handle(); }
    // A point in the middle of a scroller half.
    TPoint HalfMid(TRzTabScroller::THalf Half) const
    {
        const TRect R = PC->Scroller()->HalfRect(Half);
        return TPoint((R.left + R.right) / 2, (R.top + R.bottom) / 2);
    }
};

// The menu's own loop runs the timer: Down and Enter choose the first item.
int MenuTicks = 0;
void CALLBACK ChooseFirstItem(HWND, UINT, UINT_PTR, DWORD)
{
    HWND MenuWnd = FindWindowA("#32768", nullptr);
    if (++MenuTicks == 1 && MenuWnd) {
        PostMessageA(MenuWnd, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(MenuWnd, WM_KEYDOWN, VK_RETURN, 0);
    } else if (MenuTicks > 5) {
        EndMenu();
    }
}

void PaintInto(TControl* C, TTestSurface& Img)
{
    C->Perform(WM_PAINT, reinterpret_cast<WPARAM>(Img.DC()), 0);
    GdiFlush();
}

} // namespace

TEST(RzTabScroller, HeldHalfRepeatsAndTheReleaseInsideScrollsOnceMore)
{
    TStrip S(TStrip::Many(8));
    ASSERT_TRUE(S.PC->ScrollNeeded());
    ASSERT_NE(S.PC->Scroller(), nullptr);
    ASSERT_TRUE(S.PC->Scroller()->Visible());
    EXPECT_EQ(S.PC->Scroller()->Orientation(), orHorizontal);
    const TPoint Fwd = S.HalfMid(TRzTabScroller::hUpRight), Back = S.HalfMid(TRzTabScroller::hDownLeft);
    EXPECT_EQ(S.PC->FirstShownTab(), 0);

    Press(S.ScrollerWnd(), Fwd.x, Fwd.y);
    TTimer* T = S.PC->Scroller()->RepeatTimer();
    ASSERT_NE(T, nullptr);
    EXPECT_TRUE(T->Enabled());
    EXPECT_EQ(T->Interval(), 400u) << "the first repeat waits longer";
    EXPECT_EQ(S.PC->FirstShownTab(), 0) << "the press alone scrolls nothing";
    S.PC->Scroller()->RepeatTimerTick();
    EXPECT_EQ(T->Interval(), 100u);
    EXPECT_EQ(S.PC->FirstShownTab(), 1);
    S.PC->Scroller()->RepeatTimerTick();
    EXPECT_EQ(S.PC->FirstShownTab(), 2);
    // Off the pressed half the repeat stops without a release; back on it
    // resumes.
    Move(S.ScrollerWnd(), Back.x, Back.y);
    EXPECT_FALSE(S.PC->Scroller()->PressedInside());
    S.PC->Scroller()->RepeatTimerTick();
    EXPECT_EQ(S.PC->FirstShownTab(), 2);
    Move(S.ScrollerWnd(), Fwd.x, Fwd.y);
    S.PC->Scroller()->RepeatTimerTick();
    EXPECT_EQ(S.PC->FirstShownTab(), 3);
    Release(S.ScrollerWnd(), Fwd.x, Fwd.y);
    EXPECT_EQ(S.PC->FirstShownTab(), 4) << "once more on the release inside";
    EXPECT_FALSE(T->Enabled());
    EXPECT_EQ(GetCapture(), nullptr);

    // The other half goes back; a release outside adds nothing.
    Press(S.ScrollerWnd(), Back.x, Back.y);
    Release(S.ScrollerWnd(), Back.x, Back.y);
    EXPECT_EQ(S.PC->FirstShownTab(), 3);
    Press(S.ScrollerWnd(), Back.x, Back.y);
    Release(S.ScrollerWnd(), Back.x + 200, Back.y);
    EXPECT_EQ(S.PC->FirstShownTab(), 3);
}

TEST(RzTabScroller, HalvesFollowTheStripDirection)
{
    // Which half scrolls forward, for each side and sequence.
    struct TCase {
        TRzTabOrientation Orientation;
        TRzTabSequence Sequence;
        TRzTabScroller::THalf Forward;
    };
    const TCase Cases[] = {
        {toTop, tsStandard, TRzTabScroller::hUpRight},    {toBottom, tsStandard, TRzTabScroller::hUpRight},
        {toLeft, tsStandard, TRzTabScroller::hUpRight},   {toRight, tsStandard, TRzTabScroller::hDownLeft},
        {toTop, tsReverse, TRzTabScroller::hDownLeft},    {toRight, tsReverse, TRzTabScroller::hUpRight},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(std::to_string(C.Orientation) + "/" + std::to_string(C.Sequence));
        TStrip S(TStrip::Many(12), 300);
        S.PC->SetTabOrientation(C.Orientation);
        S.PC->SetTabSequence(C.Sequence);
        S.Settle();
        ASSERT_TRUE(S.PC->ScrollNeeded());
        EXPECT_EQ(S.PC->Scroller()->Orientation(),
                  C.Orientation == toLeft || C.Orientation == toRight ? orVertical : orHorizontal);
        const TPoint P = S.HalfMid(C.Forward);
        Press(S.ScrollerWnd(), P.x, P.y);
        Release(S.ScrollerWnd(), P.x, P.y);
        EXPECT_EQ(S.PC->FirstShownTab(), 1);
    }
}

TEST(RzTabScroller, TheHalfThatCannotScrollIsDrawnDisabled)
{
    TClassicLook Classic;
    TStrip S(TStrip::Many(8));
    S.PC->SetUseGradients(false);
    TRzTabScroller* Sc = S.PC->Scroller();
    TTestSurface Img(Sc->Width(), Sc->Height());
    PaintInto(Sc, Img);
    const TPoint Back = S.HalfMid(TRzTabScroller::hDownLeft), Fwd = S.HalfMid(TRzTabScroller::hUpRight);
    const TColor Disabled = ColorToRGB(LighterColor(clBtnShadow, 30));
    EXPECT_EQ(Img.Px(Back.x - 4, 2), Disabled) << "the first tab is shown: nothing to go back to";
    EXPECT_EQ(Img.Px(Fwd.x + 4, 2), ColorToRGB(clBtnFace));
    S.PC->ScrollTabs(true);
    PaintInto(Sc, Img);
    EXPECT_EQ(Img.Px(Back.x - 4, 2), ColorToRGB(clBtnFace));
}

TEST(RzTabButtons, ACaptureLostMidPressClicksNothing)
{
    TStrip S(TStrip::Many(8));
    S.PC->SetShowCloseButton(true);
    S.PC->SetShowCloseButtonOnActiveTab(true);
    S.Settle();
    auto Other = NewTestForm(10, 10);
    Other->HandleNeeded();
    const int Pages = S.PC->PageCount();

    // The scroller: the press ends, the repeat stops, a late release and
    // tick scroll nothing.
    const TPoint Fwd = S.HalfMid(TRzTabScroller::hUpRight);
    Press(S.ScrollerWnd(), Fwd.x, Fwd.y);
    SetCapture(Other->Handle());
    EXPECT_FALSE(S.PC->Scroller()->Pressed());
    EXPECT_FALSE(S.PC->Scroller()->RepeatTimer()->Enabled());
    S.PC->Scroller()->RepeatTimerTick();
    Release(S.ScrollerWnd(), Fwd.x, Fwd.y);
    EXPECT_EQ(S.PC->FirstShownTab(), 0);
    ReleaseCapture();

    // The close button beside the tabs.
    HWND Close = S.PC->CloseButton()->Handle();
    Press(Close, 3, 3);
    ASSERT_TRUE(S.PC->CloseButton()->Pressed());
    SetCapture(Other->Handle());
    EXPECT_FALSE(S.PC->CloseButton()->Pressed());
    Release(Close, 3, 3);
    ReleaseCapture();

    // The cross on the selected tab: its capture is the tab control's.
    TRzActiveTabCloseButton* X = S.PC->ActiveTabCloseButton();
    ASSERT_NE(X, nullptr);
    const int XX = X->Left() + X->Width() / 2, XY = X->Top() + X->Height() / 2;
    Press(S.PC->Handle(), XX, XY);
    ASSERT_TRUE(X->Pressed());
    SetCapture(Other->Handle());
    EXPECT_FALSE(X->Pressed());
    Release(S.PC->Handle(), XX, XY);
    ReleaseCapture();

    EXPECT_EQ(S.Closes, 0);
    EXPECT_EQ(S.PC->PageCount(), Pages);
}

TEST(RzTabButtons, CloseButtonClosesOnlyOnAReleaseInside)
{
    TStrip S({"One", "Two", "Three"});
    S.PC->SetShowCloseButton(true);
    S.Settle();
    ASSERT_NE(S.PC->CloseButton(), nullptr);
    HWND Close = S.PC->CloseButton()->Handle();
    S.PC->SetActivePageIndex(1);
    Press(Close, 3, 3);
    Release(Close, 40, 3);
    EXPECT_EQ(S.PC->PageCount(), 3) << "released outside";
    EXPECT_EQ(S.Closes, 0);
    S.AllowClose = false;
    Press(Close, 3, 3);
    Release(Close, 3, 3);
    EXPECT_EQ(S.Closes, 1);
    EXPECT_EQ(S.PC->PageCount(), 3) << "OnClose refused";
    S.AllowClose = true;
    Press(Close, 3, 3);
    Release(Close, 3, 3);
    S.Settle();
    ASSERT_EQ(S.PC->PageCount(), 2);
    EXPECT_EQ(S.PC->Pages(1)->Caption(), "Three");
    EXPECT_EQ(S.PC->TabIndex(), 0) << "the tab before the closed one";
}

TEST(RzTabButtons, ActiveTabCrossSitsOnTheSelectedTabAndCloses)
{
    TStrip S({"One", "Two", "Three"});
    S.PC->SetShowCloseButtonOnActiveTab(true);
    S.PC->SetActivePageIndex(2);
    S.Settle();
    TRzActiveTabCloseButton* X = S.PC->ActiveTabCloseButton();
    ASSERT_NE(X, nullptr);
    ASSERT_TRUE(X->Visible());
    const TRect Tab = S.PC->TabDeviceRect(2);
    EXPECT_GE(X->Left(), Tab.left);
    EXPECT_LE(X->Left() + X->Width(), Tab.right);
    EXPECT_GE(X->Top(), Tab.top);
    EXPECT_GT(X->Left(), (Tab.left + Tab.right) / 2) << "at the caption's end";
    const int XX = X->Left() + X->Width() / 2, XY = X->Top() + X->Height() / 2;
    EXPECT_EQ(S.PC->TabAtPos(XX, XY), 2);
    Press(S.PC->Handle(), XX, XY);
    Release(S.PC->Handle(), XX, XY);
    S.Settle();
    EXPECT_EQ(S.Closes, 1);
    EXPECT_EQ(S.PC->PageCount(), 2);
    EXPECT_EQ(S.PC->TabIndex(), 1);
    // Nothing selected: no cross.
    S.PC->SetActivePageIndex(-1);
    S.Settle();
    EXPECT_FALSE(X->Visible());
}

TEST(RzTabButtons, ButtonsSitAtTheStripEndWithTheScrollerInside)
{
    TStrip S(TStrip::Many(8));
    S.PC->SetShowCloseButton(true);
    S.PC->SetShowMenuButton(true);
    S.Settle();
    TControl* Close = S.PC->CloseButton();
    TControl* Menu = S.PC->MenuButton();
    TControl* Sc = S.PC->Scroller();
    const TRect A = S.PC->TabArea();
    // Top tabs with the card's shadow: two more pixels in from the end.
    EXPECT_EQ(Close->Left() + Close->Width(), A.right - 2);
    EXPECT_EQ(Menu->Left() + Menu->Width(), Close->Left() - 2);
    EXPECT_EQ(Sc->Left() + Sc->Width(), Menu->Left() - 2);
    EXPECT_EQ(Sc->Width(), 2 * Close->Width() - 1);
    EXPECT_EQ(Close->Top() + Close->Height(), S.PC->FixedDimension() - 2) << "2 pixels off the card";
    // No tab reaches under the buttons.
    for (int I = 0; I < S.PC->PageCount(); ++I) {
        if (S.PC->TabShown(I)) {
            EXPECT_LE(S.PC->TabDeviceRect(I).right, Sc->Left()) << I;
        }
    }
    // Wide enough for every tab: the scroller leaves the strip.
    S.PC->SetWidth(2000);
    S.Form->SetWidth(2020);
    S.Settle();
    EXPECT_FALSE(S.PC->ScrollNeeded());
    EXPECT_LT(Sc->Left() + Sc->Width(), 0);
}

TEST(RzTabMenuButton, ListsVisibleTabsSortedAndChoosesByTag)
{
    TStrip S({"b", "A", "c", "hidden"});
    S.PC->Pages(3)->SetTabVisible(false);
    S.PC->SetShowMenuButton(true);
    S.PC->SetActivePageIndex(2);
    S.Settle();
    TRzTabMenuButton* B = S.PC->MenuButton();
    ASSERT_NE(B, nullptr);
    B->BuildMenu();
    TMenuItem* Items = B->Menu()->Items();
    ASSERT_EQ(Items->Count(), 3);
    const char* Want[] = {"A", "b", "c"};
    const int Tags[] = {1, 0, 2};
    for (int I = 0; I < 3; ++I) {
        EXPECT_EQ(Items->Items(I)->Caption(), Want[I]);
        EXPECT_EQ(Items->Items(I)->Tag(), Tags[I]);
        EXPECT_EQ(Items->Items(I)->Checked(), I == 2) << "the selected tab";
    }
    S.PC->SetSortTabMenu(false);
    B->BuildMenu();
    EXPECT_EQ(Items->Items(0)->Caption(), "b");

    // A real press and release pops the menu; choosing its first item
    // selects that tab and reports the click.
    S.PC->SetSortTabMenu(true);
    int Clicks = 0;
    S.PC->OnTabClick = [&](TObject*) { ++Clicks; };
    MenuTicks = 0;
    const UINT_PTR Timer = SetTimer(nullptr, 0, 10, ChooseFirstItem);
    Press(B->Handle(), 3, 3);
    Release(B->Handle(), 3, 3);
    KillTimer(nullptr, Timer);
    EXPECT_GE(MenuTicks, 1) << "the menu ran its loop";
    EXPECT_EQ(S.PC->ActivePage(), S.PC->Pages(1)) << "A chosen";
    EXPECT_EQ(Clicks, 1);
}
