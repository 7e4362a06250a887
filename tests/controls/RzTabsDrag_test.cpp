// Dragging tabs along their strip under a real window: the drop marker on
// the parent's window, the auto-scroll timer (ticked by hand), the move of
// the dragged page on a drop, and every other way a drag can end.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "controls/RzTabs.h"
#include "tests/controls/RzFormKit.h"

namespace {

constexpr int PcLeft = 10, PcTop = 30;

struct TDragStrip {
    std::unique_ptr<TForm, TObjectFree> Form;
    TRzPageControl* PC = nullptr;
    TPanel* Elsewhere = nullptr;
    std::vector<TRzTabSheet*> Pages;
    std::vector<std::pair<int, int>> Moves;
    int ElsewhereDrops = 0;

    TDragStrip() : Form(NewTestForm(420, 220))
    {
        Form->SetColor(clWhite);
        PC = new TRzPageControl(Form.get());
        PC->SetParent(Form.get());
        PC->SetBounds(PcLeft, PcTop, 300, 150);
        for (int I = 0; I < 8; ++I) {
            auto P = new TRzTabSheet(Form.get());
            P->SetCaption("Mailbox " + std::to_string(I));
            P->SetPageControl(PC);
            Pages.push_back(P);
        }
        PC->SetAllowTabDragging(true);
        PC->OnTabOrderChange = [this](TObject*, int Old, int New) { Moves.emplace_back(Old, New); };
        Elsewhere = new TPanel(Form.get());
        Elsewhere->SetParent(Form.get());
        Elsewhere->SetBounds(330, PcTop, 80, 80);
        Elsewhere->OnDragOver = [](TObject*, TObject*, int, int, TDragState, bool& Accept) { Accept = true; };
        Elsewhere->OnDragDrop = [this](TObject*, TObject*, int, int) { ++ElsewhereDrops; };
        Form->Show();
        PC->SetActivePageIndex(0);
        Application->ProcessMessages();
        UpdateWindow(Form->Handle());
    }
    // Mouse messages to the page control at its client point, with the
    // pointer put there too (the drag and the timer read it).
    void Point(int X, int Y)
    {
        const TPoint S = PC->ClientToScreen(TPoint(X, Y));
        SetCursorPos(S.x, S.y);
    }
    void Down(int X, int Y)
    {
        Point(X, Y);
        Press(PC->Handle(), X, Y);
    }
    void To(int X, int Y)
    {
        Point(X, Y);
        Move(PC->Handle(), X, Y);
    }
    TPoint TabMid(int I)
    {
        const TRect R = PC->TabDeviceRect(I);
        return TPoint((R.left + R.right) / 2, (R.top + R.bottom) / 2);
    }
    // Presses tab From, starts the drag and brings it over tab Over.
    void DragTo(int From, int Over)
    {
        const TPoint A = TabMid(From), B = TabMid(Over);
        Down(A.x, A.y);
        To(A.x + 1, A.y);
        ASSERT_TRUE(PC->Dragging());
        To(B.x, B.y);
    }
    // A point of the strip over no tab: between the last shown tab and the
    // scroller.
    TPoint EmptyStripPoint()
    {
        return TPoint(PC->Scroller()->Left() - 2, PC->FixedDimension() / 2);
    }
    // A pixel of the form where the marker goes (client point of the page
    // control, read from the form's window).
    COLORREF FormPixel(const TPoint& P)
    {
        HDC DC = GetDC(Form->Handle());
        const COLORREF C = GetPixel(DC, P.x + PcLeft, P.y + PcTop);
        ReleaseDC(Form->Handle(), DC);
        return C;
    }
    TPoint MarkerMid() const
    {
        const TRect R = PC->DragIndicatorRect();
        return TPoint((R.left + R.right) / 2, (R.top + R.bottom) / 2);
    }
};

} // namespace

TEST(RzTabDrag, DropOnATabMovesThePageThereAndErasesTheMarker)
{
    TDragStrip S;
    S.DragTo(1, 3);
    ASSERT_EQ(S.PC->ActivePage(), S.Pages[1]) << "the press selected the dragged tab";
    ASSERT_TRUE(S.PC->DragIndicatorShown());
    EXPECT_EQ(S.PC->DragTargetTab(), 3);
    // Over tab 3, after the selected tab: the marker stands on its far
    // edge, above the strip (on the form, outside the control).
    const TRect M = S.PC->DragIndicatorRect(), T3 = S.PC->TabDeviceRect(3);
    EXPECT_EQ(M.Width(), 15);
    EXPECT_EQ(M.Height(), 8);
    EXPECT_LT(M.bottom, 0);
    EXPECT_GT(M.left, (T3.left + T3.right) / 2);
    const TPoint Mid = S.MarkerMid();
    const COLORREF Shown = S.FormPixel(Mid);
    EXPECT_NE(Shown, RGB(255, 255, 255)) << "inverted over the white form";

    const TPoint B = S.TabMid(3);
    Release(S.PC->Handle(), B.x, B.y);
    EXPECT_FALSE(S.PC->Dragging());
    EXPECT_FALSE(S.PC->DragIndicatorShown());
    EXPECT_EQ(S.FormPixel(Mid), RGB(255, 255, 255)) << "the marker is gone";
    ASSERT_EQ(S.Moves.size(), 1u);
    EXPECT_EQ(S.Moves[0], std::make_pair(1, 3));
    EXPECT_EQ(S.PC->Pages(3), S.Pages[1]);
    EXPECT_EQ(S.PC->ActivePage(), S.Pages[1]);
    EXPECT_EQ(S.PC->TabIndex(), 3);
}

TEST(RzTabDrag, OverNoTabTheTimerScrollsPastEitherEnd)
{
    TDragStrip S;
    S.DragTo(0, 2);
    const TPoint E = S.EmptyStripPoint();
    ASSERT_EQ(S.PC->TabAtPos(E.x, E.y), -1);
    S.To(E.x, E.y);
    TTimer* T = S.PC->AutoScrollTimer();
    ASSERT_NE(T, nullptr);
    EXPECT_TRUE(T->Enabled());
    EXPECT_EQ(T->Interval(), 400u);
    EXPECT_FALSE(S.PC->DragIndicatorShown()) << "over no tab nothing is marked";
    S.PC->AutoScrollTimerTick(); // the pointer is still over the strip
    EXPECT_EQ(S.PC->FirstShownTab(), 0);
    S.Point(S.PC->Width() + 5, E.y); // past the far end
    S.PC->AutoScrollTimerTick();
    EXPECT_EQ(T->Interval(), 300u);
    EXPECT_EQ(S.PC->FirstShownTab(), 1);
    S.PC->AutoScrollTimerTick();
    EXPECT_EQ(S.PC->FirstShownTab(), 2);
    S.Point(-5, E.y); // before the start
    S.PC->AutoScrollTimerTick();
    EXPECT_EQ(S.PC->FirstShownTab(), 1);
    SendMessageA(S.PC->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(S.PC->Dragging());
}

TEST(RzTabDrag, EveryEndOfADragStopsTheTimerAndErasesTheMarker)
{
    enum TEnd { Esc, DropElsewhere, LostCapture, RightButton };
    for (TEnd How : {Esc, DropElsewhere, LostCapture, RightButton}) {
        SCOPED_TRACE(int(How));
        TDragStrip S;
        auto Other = NewTestForm(10, 10);
        Other->HandleNeeded();
        S.DragTo(1, 3);
        const TPoint E = S.EmptyStripPoint();
        S.To(E.x, E.y); // starts the auto-scroll
        const TPoint Over = S.TabMid(3);
        S.To(Over.x, Over.y); // and marks tab 3 again
        ASSERT_TRUE(S.PC->AutoScrollTimer()->Enabled());
        ASSERT_TRUE(S.PC->DragIndicatorShown());
        const TPoint Mid = S.MarkerMid();
        ASSERT_NE(S.FormPixel(Mid), RGB(255, 255, 255));
        switch (How) {
        case Esc: SendMessageA(S.PC->Handle(), WM_KEYDOWN, VK_ESCAPE, 0); break;
        case DropElsewhere:
            S.To(S.Elsewhere->Left() - PcLeft + 10, 10);
            Release(S.PC->Handle(), S.Elsewhere->Left() - PcLeft + 10, 10);
            EXPECT_EQ(S.ElsewhereDrops, 1);
            break;
        case LostCapture: SetCapture(Other->Handle()); break;
        case RightButton: SendMessageA(S.PC->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(Over.x, Over.y)); break;
        }
        ReleaseCapture();
        EXPECT_FALSE(S.PC->Dragging());
        EXPECT_FALSE(S.PC->AutoScrollTimer()->Enabled()) << "the strip must not keep scrolling";
        EXPECT_FALSE(S.PC->DragIndicatorShown());
        EXPECT_EQ(S.FormPixel(Mid), RGB(255, 255, 255)) << "the marker is erased";
        // A pointer left past the strip's end scrolls nothing afterwards.
        S.Point(S.PC->Width() + 5, E.y);
        S.PC->AutoScrollTimerTick();
        EXPECT_EQ(S.PC->FirstShownTab(), 0);
        EXPECT_TRUE(S.Moves.empty());
        EXPECT_EQ(S.PC->Pages(1), S.Pages[1]);
    }
}

TEST(RzTabDrag, OnTabDraggingMayRefuseAndDisabledTabsDoNotDrag)
{
    TDragStrip S;
    S.PC->OnTabDragging = [](TObject*, int Tab, bool& Allow) { Allow = Tab != 2; };
    const TPoint A = S.TabMid(2);
    S.Down(A.x, A.y);
    S.To(A.x + 1, A.y);
    EXPECT_FALSE(S.PC->Dragging());
    Release(S.PC->Handle(), A.x + 1, A.y);
    S.Pages[3]->SetTabEnabled(false);
    Application->ProcessMessages();
    const TPoint B = S.TabMid(3);
    S.Down(B.x, B.y);
    S.To(B.x + 1, B.y);
    EXPECT_FALSE(S.PC->Dragging());
    Release(S.PC->Handle(), B.x + 1, B.y);
}

TEST(RzTabDrag, ADropOnATabAfterAHiddenTabMovesToThatTabsPage)
{
    TDragStrip S;
    S.Pages[2]->SetTabVisible(false);
    Application->ProcessMessages();
    // Tab 3 now stands for page 4.
    S.PC->MoveActiveTab(3);
    EXPECT_EQ(S.PC->Pages(4), S.Pages[0]);
    ASSERT_EQ(S.Moves.size(), 1u);
    EXPECT_EQ(S.Moves[0], std::make_pair(0, 4));
    EXPECT_EQ(S.PC->TabIndex(), 3) << "the tab dropped on";
}
