// Splitter: position limits, percent and resize rules, pane layout, the hot
// spot, and dragging with the mouse, Esc and a capture taken away.
#include <gtest/gtest.h>

#include <climits>

#include "controls/RzSplit.h"
#include "testkit/RzFormTest.h"

namespace {

template <typename T>
using TOwn = std::unique_ptr<T, TObjectFree>;

TOwn<TRzSplitter> Splitter(int W, int H)
{
    TOwn<TRzSplitter> S(new TRzSplitter(nullptr));
    S->SetBounds(0, 0, W, H);
    return S;
}

} // namespace

TEST(RzSplitter, PositionStaysWithinTheMargins)
{
    struct TCase {
        int MarginMin, MarginMax, Set, Want;
        bool HideOne;
        int BarAfter = 4; // bar width and orientation set after the position
        TOrientation OrientationAfter = orHorizontal;
    };
    const TCase Cases[] = {
        {20, 0, 5, 20, false},
        {0, 30, 190, 166, false}, // 200 - 30 - 4
        {0, 0, 500, 196, false},
        {0, 0, -7, 0, false},
        {20, 30, 190, 190, true}, // one pane: no limit
        {0, 0, 196, 190, false, 10},
        {0, 0, 150, 96, false, 4, orVertical}, // 100 - 4
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Set);
        auto S = Splitter(200, 100);
        S->SetMarginMin(C.MarginMin);
        S->SetMarginMax(C.MarginMax);
        if (C.HideOne)
            S->LowerRight()->SetVisible(false);
        S->SetPosition(C.Set);
        S->SetSplitterWidth(C.BarAfter);
        S->SetOrientation(C.OrientationAfter);
        EXPECT_EQ(S->Position(), C.Want);
    }
    // Margins together never exceed the splitter.
    auto S = Splitter(200, 100);
    S->SetMarginMin(150);
    S->SetMarginMax(120);
    EXPECT_EQ(S->MarginMax(), 50);
    // Smaller than its bar: the position is 0, never negative.
    auto Tiny = Splitter(3, 100);
    Tiny->SetPosition(2);
    EXPECT_EQ(Tiny->Position(), 0);
    // OnChanging may refuse.
    S->OnChanging = [](TObject*, int NewPos, bool& Allow) { Allow = NewPos < 100; };
    S->SetMarginMin(0);
    S->SetPosition(90);
    S->SetPosition(120);
    EXPECT_EQ(S->Position(), 90);
}

TEST(RzSplitter, PercentAndResizeRules)
{
    auto S = Splitter(204, 100);
    S->SetUsePercent(true);
    EXPECT_EQ(S->Position(), 101); // 50 % of 204 - 4 / 2
    S->SetPercent(25);
    EXPECT_EQ(S->Position(), 50); // 50.5 rounds to even
    S->SetWidth(404);
    EXPECT_EQ(S->Position(), 100);
    EXPECT_EQ(S->Percent(), 25);

    // Upper-left fixed: a squeezed pane gets its size back when the splitter grows.
    auto F = Splitter(200, 100);
    F->SetPosition(120);
    F->SetFixedSize(120);
    F->SetWidth(80);
    EXPECT_EQ(F->Position(), 76);
    F->SetWidth(300);
    EXPECT_EQ(F->Position(), 120);

    // Lower-right fixed: it keeps its width; percent is turned off.
    auto L = Splitter(200, 100);
    L->SetUsePercent(true);
    L->SetFixedPane(fpLowerRight);
    EXPECT_FALSE(L->UsePercent());
    L->SetWidth(300);
    EXPECT_EQ(L->Position(), 199);
    EXPECT_EQ(L->LowerRightPane()->Width(), 300 - 199 - 4);
}

TEST(RzSplitter, PanesAndBarLayout)
{
    auto S = Splitter(200, 100);
    S->SetPosition(60);
    EXPECT_EQ(S->UpperLeftPane()->BoundsRect(), TRect(0, 0, 60, 100));
    EXPECT_EQ(S->BarRect(), TRect(60, 0, 64, 100));
    EXPECT_EQ(S->LowerRightPane()->BoundsRect(), TRect(64, 0, 200, 100));
    S->SetOrientation(orVertical);
    EXPECT_EQ(S->UpperLeftPane()->BoundsRect(), TRect(0, 0, 200, 60));
    EXPECT_EQ(S->LowerRightPane()->BoundsRect(), TRect(0, 64, 200, 100));
    S->SetOrientation(orHorizontal);
    S->UpperLeft()->SetVisible(false);
    EXPECT_EQ(S->LowerRightPane()->BoundsRect(), TRect(0, 0, 200, 100));
    EXPECT_EQ(S->BarRect().Width(), 0);
    S->UpperLeft()->SetVisible(true);
    // Frames move everything in.
    S->SetBorderOuter(fsLowered);
    EXPECT_EQ(S->UpperLeftPane()->BoundsRect(), TRect(2, 2, 62, 98));
    // The hot spot needs a wider bar and sits in its middle.
    S->SetHotSpotVisible(true);
    EXPECT_EQ(S->SplitterWidth(), 7);
    EXPECT_EQ(S->HotSpotRect(), TRect(62, 50 - 19, 69, 50 + 19));
    S->SetSplitterStyle(ssGroove);
    EXPECT_EQ(S->SplitterWidth(), 7);
}

namespace {

struct TDragRig {
    TOwn<TForm> Form;
    TRzSplitter* S;
    TOwn<TForm> Other;
    HWND W;
    TDragRig() : Form(NewTestForm(300, 200)), Other(NewTestForm(50, 50))
    {
        S = new TRzSplitter(Form.get());
        S->SetParent(Form.get());
        S->SetBounds(10, 10, 200, 100);
        Form->Show();
        W = S->Handle();
        UpdateWindow(Form->Handle());
    }
    COLORREF ParentPixel(int X, int Y)
    {
        HDC DC = GetDC(Form->Handle());
        const COLORREF C = GetPixel(DC, X, Y);
        ReleaseDC(Form->Handle(), DC);
        return C;
    }
};

} // namespace

TEST(RzSplitterDrag, OutlineDragMovesTheBarOnRelease)
{
    TDragRig R;
    const COLORREF Before = R.ParentPixel(10 + 141, 50);
    SendMessageA(R.W, WM_LBUTTONDOWN, MK_LBUTTON, MousePos(102, 50));
    EXPECT_TRUE(R.S->Dragging());
    EXPECT_EQ(GetCapture(), R.W);
    SendMessageA(R.W, WM_MOUSEMOVE, MK_LBUTTON, MousePos(142, 50));
    EXPECT_EQ(R.S->Position(), 100); // only the outline moved
    EXPECT_TRUE(R.S->DragDCHeld());
    SendMessageA(R.W, WM_LBUTTONUP, 0, MousePos(142, 50));
    EXPECT_FALSE(R.S->Dragging());
    EXPECT_FALSE(R.S->DragDCHeld());
    EXPECT_EQ(R.S->Position(), 140);
    EXPECT_EQ(GetCapture(), nullptr);
    UpdateWindow(R.Form->Handle());
    EXPECT_EQ(R.ParentPixel(10 + 141, 50), Before);
}

TEST(RzSplitterDrag, EscAndALostCaptureEndTheDragWhereItBegan)
{
    for (bool LoseCapture : {false, true}) {
        SCOPED_TRACE(LoseCapture ? "capture lost" : "Esc");
        TDragRig R;
        R.Other->HandleNeeded();
        UpdateWindow(R.W);
        const COLORREF Before = R.ParentPixel(10 + 131, 50);
        SendMessageA(R.W, WM_LBUTTONDOWN, MK_LBUTTON, MousePos(102, 50));
        SendMessageA(R.W, WM_MOUSEMOVE, MK_LBUTTON, MousePos(132, 50));
        ASSERT_TRUE(R.S->DragDCHeld());
        if (LoseCapture)
            SetCapture(R.Other->Handle());
        else
            SendMessageA(R.W, WM_KEYDOWN, VK_ESCAPE, 0);
        EXPECT_FALSE(R.S->Dragging());
        EXPECT_FALSE(R.S->DragDCHeld());
        EXPECT_EQ(R.S->Position(), 100);
        EXPECT_EQ(R.ParentPixel(10 + 131, 50), Before); // no outline left behind
        // The window that took the capture keeps it.
        EXPECT_EQ(GetCapture(), LoseCapture ? R.Other->Handle() : nullptr);
        ReleaseCapture();
        // The button coming up later moves nothing.
        SendMessageA(R.W, WM_LBUTTONUP, 0, MousePos(132, 50));
        EXPECT_EQ(R.S->Position(), 100);
    }
}

TEST(RzSplitterDrag, LiveDragAndTheHotSpot)
{
    TDragRig R;
    R.S->SetRealTimeDrag(true);
    SendMessageA(R.W, WM_LBUTTONDOWN, MK_LBUTTON, MousePos(102, 20));
    SendMessageA(R.W, WM_MOUSEMOVE, MK_LBUTTON, MousePos(112, 20));
    EXPECT_EQ(R.S->Position(), 110); // the panes follow at once
    EXPECT_FALSE(R.S->DragDCHeld());
    SendMessageA(R.W, WM_LBUTTONUP, 0, MousePos(112, 20));
    EXPECT_EQ(R.S->Position(), 110);

    R.S->SetHotSpotVisible(true);
    int Clicks = 0;
    R.S->OnHotSpotClick = [&](TObject*) { ++Clicks; };
    const TRect H = R.S->HotSpotRect();
    const int X = (H.left + H.right) / 2, Y = (H.top + H.bottom) / 2;
    SendMessageA(R.W, WM_LBUTTONDOWN, MK_LBUTTON, MousePos(X, Y));
    SendMessageA(R.W, WM_LBUTTONUP, 0, MousePos(X, Y));
    EXPECT_EQ(Clicks, 1);
    EXPECT_TRUE(R.S->HotSpotClosed());
    EXPECT_EQ(R.S->Position(), 0);
    // Opened again: the old place.
    const TRect H2 = R.S->HotSpotRect();
    SendMessageA(R.W, WM_LBUTTONDOWN, MK_LBUTTON, MousePos(H2.left + 1, Y));
    SendMessageA(R.W, WM_LBUTTONUP, 0, MousePos(H2.left + 1, Y));
    EXPECT_FALSE(R.S->HotSpotClosed());
    EXPECT_EQ(R.S->Position(), 110);
    // Closed toward the maximum, then dragged: no longer closed.
    R.S->SetHotSpotDirection(hsdMax);
    const TRect H3 = R.S->HotSpotRect();
    SendMessageA(R.W, WM_LBUTTONDOWN, MK_LBUTTON, MousePos(H3.left + 1, Y));
    SendMessageA(R.W, WM_LBUTTONUP, 0, MousePos(H3.left + 1, Y));
    EXPECT_EQ(R.S->Position(), 200 - 7);
    const TRect B = R.S->BarRect();
    SendMessageA(R.W, WM_LBUTTONDOWN, MK_LBUTTON, MousePos(B.left + 1, 5));
    SendMessageA(R.W, WM_MOUSEMOVE, MK_LBUTTON, MousePos(B.left - 40, 5));
    SendMessageA(R.W, WM_LBUTTONUP, 0, MousePos(B.left - 40, 5));
    EXPECT_FALSE(R.S->HotSpotClosed());
    EXPECT_EQ(R.S->Position(), 200 - 7 - 41);
}

// A panel dragged as a dock client onto each pane: the pane's events reach
// the splitter with the pane as sender; a refusing pane takes nothing;
// floating the client out again is reported as an undock.
TEST(RzSplitterDock, DockIntoAndOutOfEachPane)
{
    struct TRow {
        bool LowerRight;
        bool Refuse;
    };
    for (const TRow& Row : {TRow{false, false}, TRow{true, false}, TRow{true, true}}) {
        SCOPED_TRACE(std::string(Row.LowerRight ? "lower right" : "upper left") + (Row.Refuse ? " refusing" : ""));
        TOwn<TForm> Form(NewTestForm(300, 200));
        auto S = new TRzSplitter(Form.get());
        S->SetParent(Form.get());
        S->SetBounds(0, 0, 300, 150);
        TRzPaneData* Data = Row.LowerRight ? S->LowerRight() : S->UpperLeft();
        TRzSplitterPane* Pane = Data->Pane();
        Data->SetDockSite(true);
        auto Client = new TRzPanel(Form.get());
        Client->SetParent(Form.get());
        Client->SetBounds(0, 160, 80, 30);
        Client->SetDragKind(dkDock);
        Form->Show();
        std::vector<std::string> Seen;
        auto Note = [&](const char* What, TObject* Sender) { Seen.push_back(What + std::string(Sender == Pane ? "" : "?")); };
        TGetSiteInfoEvent SiteInfo = [&](TObject* Sender, TControl*, TRect&, const TPoint&, bool& Can) {
            Note("info", Sender);
            Can = !Row.Refuse;
        };
        TDockOverEvent Over = [&](TObject* Sender, TControl*, int, int, TDragState, bool&) { Note("over", Sender); };
        TDockDropEvent Drop = [&](TObject* Sender, TControl*, int, int) { Note("drop", Sender); };
        TUnDockEvent UnDock = [&](TObject* Sender, TControl*, TWinControl*, bool&) { Note("undock", Sender); };
        (Row.LowerRight ? S->OnLRGetSiteInfo : S->OnULGetSiteInfo) = SiteInfo;
        (Row.LowerRight ? S->OnLRDockOver : S->OnULDockOver) = Over;
        (Row.LowerRight ? S->OnLRDockDrop : S->OnULDockDrop) = Drop;
        (Row.LowerRight ? S->OnLRUnDock : S->OnULUnDock) = UnDock;

        const TPoint Target = Pane->ClientToScreen(TPoint(40, 40));
        const TPoint At = Client->ScreenToClient(Target);
        Client->BeginDrag(false, 0);
        SendMessageA(Client->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MousePos(At.x, At.y));
        SendMessageA(Client->Handle(), WM_LBUTTONUP, 0, MousePos(At.x, At.y));
        if (Row.Refuse) {
            EXPECT_EQ(Client->HostDockSite(), nullptr);
            EXPECT_EQ(Seen, (std::vector<std::string>{"info", "info"}));
            continue;
        }
        EXPECT_EQ(Client->HostDockSite(), Pane);
        EXPECT_EQ(Seen, (std::vector<std::string>{"info", "over", "info", "over", "drop"}));
        // Padding keeps room around an aligned client.
        Client->SetAlign(alClient);
        Data->SetPadding(TRect(5, 6, 7, 8));
        EXPECT_EQ(Client->BoundsRect(), TRect(5, 6, Pane->ClientWidth() - 7, Pane->ClientHeight() - 8));
        Seen.clear();
        Client->ManualFloat(Bounds(400, 300, 80, 30));
        EXPECT_EQ(Client->HostDockSite(), nullptr);
        EXPECT_EQ(Seen, (std::vector<std::string>{"undock"}));
        Client->Parent()->Free();
    }
}
