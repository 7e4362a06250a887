// Framed panel, group box and status bar: client areas, painted pixels,
// the children's enabled states, the caption check box and the size grip.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "controls/RzPanel.h"
#include "controls/RzStatus.h"
#include "testkit/RzFormTest.h"

namespace {

template <typename T>
using TOwn = std::unique_ptr<T, TObjectFree>;

int MeasuredHeight(const TFont* Font, const char* Sample)
{
    HDC DC = GetDC(nullptr);
    TCanvas C;
    C.SetHandle(DC);
    C.Font()->Assign(Font);
    const int H = C.TextHeight(Sample);
    C.SetHandle(nullptr);
    ReleaseDC(nullptr, DC);
    return H;
}

// The box around every pixel of Color in the rectangle; empty when none.
TRect InkBox(TTestSurface& Img, TColor Color, const RECT& Area)
{
    TRect Box(10000, 10000, -1, -1);
    for (int Y = Area.top; Y < Area.bottom; ++Y)
        for (int X = Area.left; X < Area.right; ++X)
            if (Img.Px(X, Y) == Rgb(Color)) {
                Box.left = std::min<LONG>(Box.left, X);
                Box.top = std::min<LONG>(Box.top, Y);
                Box.right = std::max<LONG>(Box.right, X + 1);
                Box.bottom = std::max<LONG>(Box.bottom, Y + 1);
            }
    return Box.right < 0 ? TRect() : Box;
}

// A 200 x 19 status bar, placed by hand, on a form with the given border.
TRzStatusBar* BarOn(TForm& F, TBorderStyle Border)
{
    F.SetBorderStyle(Border);
    auto Bar = new TRzStatusBar(&F);
    Bar->SetParent(&F);
    Bar->SetAlign(alNone);
    Bar->SetBounds(0, 0, 200, 19);
    return Bar;
}

TOwn<TRzPanel> PlainPanel(int W, int H)
{
    TOwn<TRzPanel> P(new TRzPanel(nullptr));
    P->SetBorderOuter(fsNone);
    P->SetColor(clWhite);
    P->SetBounds(0, 0, W, H);
    return P;
}

// Three children, the second disabled, on a container.
struct TKids {
    std::vector<TControl*> C;
    explicit TKids(TWinControl* Parent)
    {
        for (int I = 0; I < 3; ++I) {
            auto K = new TRzPanel(Parent);
            K->SetParent(Parent);
            C.push_back(K);
        }
        C[1]->SetEnabled(false);
    }
    std::string States() const
    {
        std::string S;
        for (TControl* K : C)
            S += K->Enabled() ? '1' : '0';
        return S;
    }
};

} // namespace

TEST(RzPanelLayout, ClientAreaExcludesFramesOnTheirSides)
{
    struct TCase {
        TFrameStyleEx Outer, Inner;
        int BevelWidth, BorderWidth;
        TSides Sides;
        TRect Client;
    };
    const TSides LeftTop = SideBit(sdLeft) | SideBit(sdTop);
    const TSides RightBottom = SideBit(sdRight) | SideBit(sdBottom);
    const TCase Cases[] = {
        {fsNone, fsNone, 1, 0, sdAllSides, TRect(0, 0, 100, 60)},
        {fsRaised, fsNone, 1, 0, sdAllSides, TRect(2, 2, 98, 58)},
        {fsStatus, fsNone, 3, 0, LeftTop, TRect(3, 3, 100, 60)},
        {fsFlat, fsLowered, 1, 4, sdAllSides, TRect(7, 7, 93, 53)},
        {fsPopup, fsNone, 2, 1, RightBottom, TRect(1, 1, 97, 57)},
        {fsFlatRounded, fsFlatBold, 1, 0, sdAllSides, TRect(4, 4, 96, 56)},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(testing::Message() << "outer " << int(C.Outer) << " inner " << int(C.Inner));
        TRzPanel P(nullptr);
        P.SetBounds(0, 0, 100, 60);
        P.SetBorderOuter(C.Outer);
        P.SetBorderInner(C.Inner);
        P.SetBevelWidth(C.BevelWidth);
        P.SetBorderWidth(C.BorderWidth);
        P.SetBorderSides(C.Sides);
        EXPECT_EQ(P.ClientRect(), C.Client);
    }
    // Children aligned to the client take the area inside the frames.
    TRzPanel P(nullptr);
    P.SetBounds(0, 0, 100, 60);
    P.SetBorderOuter(fsLowered);
    auto Kid = new TRzPanel(&P);
    Kid->SetParent(&P);
    Kid->SetAlign(alClient);
    EXPECT_EQ(Kid->BoundsRect(), TRect(2, 2, 98, 58));
}

TEST(RzPanelPaint, GridDotsAndLines)
{
    TLookScope Classic(false);
    auto P = PlainPanel(40, 30);
    P->SetShowGrid(true);
    P->SetGridColor(clRed);
    P->SetGridXSize(8);
    P->SetGridYSize(10);
    TTestSurface Img(40, 30);
    PaintControl(P.get(), Img);
    std::vector<std::pair<int, int>> Dots;
    for (int Y = 0; Y < 30; ++Y)
        for (int X = 0; X < 40; ++X)
            if (Img.Px(X, Y) == Rgb(clRed))
                Dots.push_back({X, Y});
    std::vector<std::pair<int, int>> Want;
    for (int Y : {9, 19, 29})
        for (int X : {7, 15, 23, 31, 39})
            Want.push_back({X, Y});
    std::sort(Dots.begin(), Dots.end(), [](auto A, auto B) { return A.second != B.second ? A.second < B.second : A.first < B.first; });
    EXPECT_EQ(Dots, Want);

    // Dotted lines: every second pixel from one after the line's start.
    P->SetGridStyle(gsDottedLines);
    Img.Fill(clBlack);
    PaintControl(P.get(), Img);
    EXPECT_EQ(Img.Px(7, 0), Rgb(clWhite));
    EXPECT_EQ(Img.Px(7, 1), Rgb(clRed));
    EXPECT_EQ(Img.Px(7, 2), Rgb(clWhite));
    EXPECT_EQ(Img.Px(1, 9), Rgb(clRed));
    P->SetGridStyle(gsSolidLines);
    PaintControl(P.get(), Img);
    EXPECT_EQ(Img.CountNot(clRed, 7, 0, 8, 30), 0);
    EXPECT_EQ(Img.CountNot(clRed, 0, 19, 40, 20), 0);

    // A spacing of 0 draws nothing in that direction.
    P->SetGridStyle(gsDots);
    P->SetGridXSize(0);
    PaintControl(P.get(), Img);
    EXPECT_EQ(Img.CountNot(clWhite, 0, 0, 40, 30), 0);
}

TEST(RzPanelPaint, CaptionPlacementAndColour)
{
    TLookScope Classic(false);
    auto Paint = [](TAlignmentVertical V, int H, bool Enabled, TTestSurface& Img) {
        auto P = PlainPanel(100, H);
        P->Font()->SetHeight(-16);
        P->Font()->SetQuality(fqNonAntialiased);
        P->Font()->SetColor(clBlack);
        P->SetCaption("Hg");
        P->SetAlignmentVertical(V);
        P->SetEnabled(Enabled);
        PaintControl(P.get(), Img);
        return MeasuredHeight(P->Font(), "Hg");
    };
    TTestSurface Top(100, 60), Middle(100, 60), Bottom(100, 60);
    const int H = Paint(avTop, 60, true, Top);
    Paint(avCenter, 60, true, Middle);
    Paint(avBottom, 60, true, Bottom);
    const TRect T = InkBox(Top, clBlack, TRect(0, 0, 100, 60));
    const TRect M = InkBox(Middle, clBlack, TRect(0, 0, 100, 60));
    const TRect B = InkBox(Bottom, clBlack, TRect(0, 0, 100, 60));
    ASSERT_FALSE(T.IsEmpty());
    EXPECT_LT(T.bottom, H + 1);
    EXPECT_GE(B.top, 60 - H - 1);
    EXPECT_LE(B.bottom, 59); // one pixel above the bottom edge
    EXPECT_EQ(M.top - T.top, (60 - H) / 2);
    // Centred horizontally by default.
    EXPECT_NEAR((T.left + T.right) / 2.0, 50.0, 2.0);

    // Taller than the interior: the bottom-aligned caption starts at the top.
    TTestSurface Short1(100, 10), Short2(100, 10);
    Paint(avTop, 10, true, Short1);
    Paint(avBottom, 10, true, Short2);
    EXPECT_EQ(InkBox(Short1, clBlack, TRect(0, 0, 100, 10)), InkBox(Short2, clBlack, TRect(0, 0, 100, 10)));

    // Disabled panels draw their caption in the grey text colour.
    TTestSurface Off(100, 60);
    Paint(avTop, 60, false, Off);
    EXPECT_TRUE(InkBox(Off, clBlack, TRect(0, 0, 100, 60)).IsEmpty());
    EXPECT_FALSE(InkBox(Off, clGrayText, TRect(0, 0, 100, 60)).IsEmpty());
}

TEST(RzPanelPaint, TransparentWithoutClientAreaLeavesTheBackground)
{
    TLookScope Classic(false);
    auto P = PlainPanel(30, 20);
    P->SetTransparent(true);
    P->SetPaintClientArea(false);
    EXPECT_EQ(P->ControlStyle() & csOpaque, 0u);
    TTestSurface Img(30, 20);
    PaintControl(P.get(), Img);
    EXPECT_EQ(Img.CountNot(TTestSurface::Sentinel, 0, 0, 30, 20), 0);
    P->SetTransparent(false);
    EXPECT_NE(P->ControlStyle() & csOpaque, 0u);
}

TEST(RzPanelEnabling, ChildrenGetTheirOwnStatesBack)
{
    // Each step is an action on the container; the expected states follow.
    struct TStep {
        char Action; // d/e: disable/enable the container, u/c: uncheck/check
        const char* Want;
    };
    struct TCase {
        const char* Name;
        bool CheckBox;
        std::vector<TStep> Steps;
    };
    const TCase Cases[] = {
        {"panel disable and enable", false, {{'d', "000"}, {'e', "101"}}},
        {"panel disabled twice", false, {{'d', "000"}, {'d', "000"}, {'e', "101"}}},
        {"unchecked twice", true, {{'u', "000"}, {'u', "000"}, {'c', "101"}}},
        {"disabled while unchecked", true, {{'u', "000"}, {'d', "000"}, {'e', "000"}, {'c', "101"}}},
        {"unchecked while disabled", true, {{'d', "000"}, {'u', "000"}, {'c', "000"}, {'e', "101"}}},
        {"checked again while disabled", true, {{'u', "000"}, {'d', "000"}, {'c', "000"}, {'e', "101"}}},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        TRzGroupBox G(nullptr);
        TKids K(&G);
        if (C.CheckBox)
            G.SetShowCheckBox(true);
        for (const TStep& S : C.Steps) {
            switch (S.Action) {
            case 'd': G.SetEnabled(false); break;
            case 'e': G.SetEnabled(true); break;
            case 'u': G.SetChecked(false); break;
            case 'c': G.SetChecked(true); break;
            }
            EXPECT_EQ(K.States(), S.Want) << "after " << S.Action;
        }
    }
}

TEST(RzPanelEnabling, ChildThatLeavesTakesItsRecordAlong)
{
    TRzPanel P(nullptr);
    TKids K(&P);
    TControl* Second = K.C[1];
    P.SetEnabled(false);
    EXPECT_TRUE(P.HoldsEnabledState(Second));
    // The child leaves and comes back as a new, enabled child: a record left
    // under its address would disable it again.
    Second->SetParent(nullptr);
    EXPECT_FALSE(P.HoldsEnabledState(Second));
    Second->SetEnabled(true);
    Second->SetParent(&P);
    P.SetEnabled(true);
    EXPECT_EQ(K.States(), "111");
}

TEST(RzPanelEnabling, CheckBoxSettersAndTheirEvent)
{
    TRzGroupBox G(nullptr);
    TKids K(&G);
    int Clicks = 0;
    G.OnCheckBoxClick = [&](TObject*) { ++Clicks; };
    G.SetChecked(false); // no check box yet: the children stay as they are
    EXPECT_EQ(K.States(), "101");
    EXPECT_EQ(Clicks, 1);
    G.SetChecked(false);
    EXPECT_EQ(Clicks, 1); // unchanged: nothing fires
    G.SetShowCheckBox(true);
    EXPECT_TRUE(G.TabStop());
    EXPECT_EQ(K.States(), "000");
    G.SetEnableControlsOnCheck(false);
    G.SetChecked(true);
    EXPECT_EQ(K.States(), "000"); // the box no longer drives the children
    G.SetChecked(false);
    G.SetEnableControlsOnCheck(true);
    G.SetChecked(true);
    EXPECT_EQ(K.States(), "101");
}

TEST(RzGroupBoxLayout, ClientOffsetsPerStyle)
{
    TRzGroupBox G(nullptr);
    G.SetBounds(0, 0, 120, 80);
    G.SetCaption("Group");
    const int H = MeasuredHeight(G.Font(), "Yy");
    struct TCase {
        TRzGroupBoxStyle Style;
        TRect Client;
    };
    const TCase Cases[] = {
        {gsStandard, TRect(2, H + 2, 118, 78)}, {gsFlat, TRect(1, H + 1, 119, 79)},
        {gsCustom, TRect(2, H + 2, 118, 78)},   {gsTopLine, TRect(0, H, 120, 80)},
        {gsBanner, TRect(0, H + 8, 120, 80)},   {gsUnderline, TRect(0, H + 4, 120, 80)},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(int(C.Style));
        G.SetGroupStyle(C.Style);
        EXPECT_EQ(G.ClientRect(), C.Client);
    }
    G.SetGroupStyle(gsCustom);
    G.SetCaption("");
    EXPECT_EQ(G.ClientRect(), TRect(2, 2, 118, 78));
    G.SetGroupStyle(gsBanner);
    G.SetBannerHeight(30);
    EXPECT_EQ(G.ClientRect().top, 30);
}

TEST(RzGroupBoxLayout, BannerFollowsTheTextHeight)
{
    TLookScope Classic(false);
    // An 8-pixel text gives a 14-pixel banner and a client area 16 pixels
    // down; the faces here measure 7, 9 or 10, so each is checked.
    for (int Size : {7, 9, 10}) {
        SCOPED_TRACE(Size);
        TRzGroupBox G(nullptr);
        G.SetBounds(0, 0, 120, 80);
        G.SetCaption("Banner");
        G.SetGroupStyle(gsBanner);
        G.Font()->SetHeight(Size);
        const int H = MeasuredHeight(G.Font(), "Yy");
        ASSERT_EQ(H, MeasuredHeight(G.CaptionFont(), "Pp"));
        EXPECT_EQ(G.ClientRect().top, H + 8);
        TTestSurface Img(120, 80);
        PaintControl(&G, Img);
        EXPECT_EQ(G.CaptionRect(), TRect(0, 0, 120, H + 6));
    }
}

TEST(RzGroupBoxPaint, ClassicStyles)
{
    TLookScope Classic(false);
    auto Make = [](TRzGroupBoxStyle Style, const std::string& Caption) {
        TOwn<TRzGroupBox> G(new TRzGroupBox(nullptr));
        G->SetBounds(0, 0, 120, 80);
        G->SetColor(clWhite);
        G->SetFlatColor(clBlue);
        G->SetFlatColorAdjustment(0);
        G->Font()->SetHeight(-13);
        G->SetCaption(Caption);
        G->SetGroupStyle(Style);
        return G;
    };
    TTestSurface Img(120, 80);
    auto G = Make(gsFlat, "Cap");
    PaintControl(G.get(), Img);
    const int H = MeasuredHeight(G->CaptionFont(), "Pp");
    const int FT = H / 2 - 1;
    EXPECT_EQ(Img.Px(100, FT), Rgb(clBlue));      // top line
    EXPECT_EQ(Img.Px(0, 40), Rgb(clBlue));        // left line
    EXPECT_EQ(Img.Px(60, 79), Rgb(clBlue));       // bottom line
    EXPECT_EQ(Img.Px(0, FT), Rgb(clWhite));       // cut corner
    EXPECT_EQ(Img.Px(1, FT + 1), Rgb(clBlue));    // and its inner pixel
    EXPECT_EQ(Img.Px(119, 79), Rgb(clWhite));
    EXPECT_EQ(Img.Px(118, 78), Rgb(clBlue));
    EXPECT_EQ(Img.Px(10, FT), Rgb(clWhite));      // the caption's gap

    G = Make(gsTopLine, "Cap");
    G->SetBorderOuter(fsFlat);
    PaintControl(G.get(), Img);
    EXPECT_EQ(Img.Px(110, FT), Rgb(clBlue));
    EXPECT_EQ(Img.Px(118, FT), Rgb(clWhite));
    EXPECT_EQ(Img.Px(110, FT + 1), Rgb(clWhite));
    EXPECT_EQ(Img.Px(0, 40), Rgb(clWhite));
    EXPECT_EQ(Img.CountNot(clWhite, 0, H, 120, 80), 0);

    G = Make(gsUnderline, "Cap");
    PaintControl(G.get(), Img);
    EXPECT_EQ(Img.CountNot(clBlue, 0, H + 2, 120, H + 3), 0);
    EXPECT_EQ(Img.CountNot(clWhite, 0, H + 3, 120, 80), 0);

    G = Make(gsBanner, "Cap");
    G->SetFlatColor(clLime);
    G->SetGradientColorStyle(gcsCustom);
    G->SetGradientColorStart(clRed);
    G->SetGradientColorStop(clBlue);
    PaintControl(G.get(), Img);
    EXPECT_EQ(Img.Px(60, 0), Rgb(clLime));
    EXPECT_EQ(Img.Px(0, 0), Rgb(clWhite));
    const TColor Top = Img.Px(110, 1), Low = Img.Px(110, H + 4);
    EXPECT_GT(Top & 0xFF, (Top >> 16) & 0xFF);  // red at the top
    EXPECT_GT((Low >> 16) & 0xFF, Low & 0xFF);  // blue at the bottom

    // Standard: a groove; an empty caption leaves no gap in it.
    G = Make(gsStandard, "Cap");
    PaintControl(G.get(), Img);
    EXPECT_EQ(Img.Px(60, FT), Rgb(clBtnShadow));
    EXPECT_EQ(Img.Px(10, FT), Rgb(clWhite));
    G = Make(gsStandard, "");
    PaintControl(G.get(), Img);
    EXPECT_EQ(Img.Px(10, FT), Rgb(clBtnShadow));
}

TEST(RzGroupBoxInput, CheckBoxPressLeaveReleaseAndSpace)
{
    TLookScope Classic(false);
    TOwn<TForm> F(NewTestForm(220, 160));
    auto G = new TRzGroupBox(F.get());
    G->SetParent(F.get());
    G->SetBounds(10, 10, 180, 120);
    G->SetCaption("Options");
    G->SetShowCheckBox(true);
    TKids K(G);
    F->Show();
    HWND W = G->Handle();
    UpdateWindow(W);
    const TRect Cap = G->CaptionRect();
    ASSERT_FALSE(Cap.IsEmpty());
    const int X = Cap.left + 5, Y = Cap.top + Cap.Height() / 2;

    SendMessageA(W, WM_MOUSEMOVE, 0, MousePos(X, Y));
    EXPECT_TRUE(G->CheckBoxHot());
    SendMessageA(W, WM_LBUTTONDOWN, MK_LBUTTON, MousePos(X, Y));
    EXPECT_TRUE(G->CheckBoxPressed());
    SendMessageA(W, WM_LBUTTONUP, 0, MousePos(X, Y));
    EXPECT_FALSE(G->Checked());
    EXPECT_EQ(K.States(), "000");

    // Pressed, dragged off the control and released: nothing toggles.
    SendMessageA(W, WM_MOUSEMOVE, 0, MousePos(X, Y));
    SendMessageA(W, WM_LBUTTONDOWN, MK_LBUTTON, MousePos(X, Y));
    SendMessageA(W, WM_MOUSEMOVE, MK_LBUTTON, MousePos(400, 400));
    EXPECT_FALSE(G->CheckBoxPressed());
    SendMessageA(W, WM_MOUSELEAVE, 0, 0);
    SendMessageA(W, WM_LBUTTONUP, 0, MousePos(400, 400));
    EXPECT_FALSE(G->Checked());

    // Space: pressed on the key going down, toggled when it comes up.
    SendMessageA(W, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_TRUE(G->CheckBoxPressed());
    EXPECT_FALSE(G->Checked());
    SendMessageA(W, WM_KEYUP, VK_SPACE, 0xC0000001);
    EXPECT_TRUE(G->Checked());
    EXPECT_EQ(K.States(), "101");
    // A key-up without its key-down in the control does nothing.
    SendMessageA(W, WM_KEYUP, VK_SPACE, 0xC0000001);
    EXPECT_TRUE(G->Checked());
}

TEST(RzGroupBoxBehaviour, OwnCaptionFontStaysPut)
{
    TRzGroupBox G(nullptr);
    G.Font()->SetHeight(-20);
    EXPECT_EQ(G.CaptionFont()->Height(), -20);
    G.CaptionFont()->SetStyle(fsBold);
    G.Font()->SetHeight(-9);
    EXPECT_EQ(G.CaptionFont()->Height(), -20);
    EXPECT_EQ(G.CaptionFont()->Style(), TFontStyles(fsBold));
    // Scaled with the control by the same ratio.
    G.ChangeScale(3, 2);
    EXPECT_EQ(G.CaptionFont()->Height(), -30);
}

// ---------------------------------------------------------------------------
// Status bar
// ---------------------------------------------------------------------------

namespace {

// Records the system commands the grip sends instead of running the
// system's modal sizing loop.
class TGripForm : public TForm {
public:
    using TForm::TForm;
    std::vector<WPARAM> Commands;
    void WndProc(TMessage& Message) override
    {
        if (Message.Msg == WM_SYSCOMMAND) {
            Commands.push_back(Message.WParam);
            return;
        }
        TForm::WndProc(Message);
    }
};

} // namespace

TEST(RzStatusBarPaint, GripSquaresOnSizeableFormsOnly)
{
    TLookScope Classic(false);
    for (TBorderStyle Border : {bsSizeable, bsSingle}) {
        SCOPED_TRACE(int(Border));
        TForm F(nullptr);
        TRzStatusBar* Bar = BarOn(F, Border);
        TTestSurface Img(200, 19);
        PaintControl(Bar, Img);
        int Light = 0, Dark = 0;
        for (int Y = 0; Y < 19; ++Y)
            for (int X = 180; X < 200; ++X) {
                Light += Img.Px(X, Y) == Rgb(clBtnHighlight);
                Dark += Img.Px(X, Y) == Rgb(clBtnShadow);
            }
        if (Border == bsSizeable) {
            // Six light squares, each covered by its dark twin but for 3 pixels.
            EXPECT_EQ(Light, 18);
            EXPECT_EQ(Dark, 24);
            EXPECT_EQ(Img.Px(197, 8), Rgb(clBtnHighlight));
            EXPECT_EQ(Img.Px(195, 6), Rgb(clBtnShadow));
            EXPECT_EQ(Img.Px(189, 16), Rgb(clBtnHighlight));
        } else {
            EXPECT_EQ(Light + Dark, 0);
        }
    }
    // In the gradient look the squares take the bar's second gradient
    // colour and its frame colour.
    TForm F(nullptr);
    TRzStatusBar* Bar = BarOn(F, bsSizeable);
    Bar->SetVisualStyle(vsGradient);
    TColor First = clNone, Second = clNone, Frame = clNone;
    GetGradientStatusBarColors(Bar->GradientColorStyle(), First, Second, Frame);
    ASSERT_NE(Rgb(First), Rgb(Second));
    TTestSurface Img(200, 19);
    PaintControl(Bar, Img);
    EXPECT_EQ(Img.Px(197, 8), Rgb(Second));
    EXPECT_EQ(Img.Px(195, 6), Rgb(Frame));
}

TEST(RzStatusBarPaint, GripStaysOverAPaneFillingTheBar)
{
    // The wizard's bar: one status pane over the whole client area. The
    // themed pane copies the status background over itself; the grip goes
    // over the pane, not under it.
    for (bool Themed : {false, true}) {
        SCOPED_TRACE(Themed ? "themed" : "classic");
        TLookScope Look(Themed);
        if (Themed && !ThemeServices()->ThemesEnabled())
            continue;
        TForm F(nullptr);
        TRzStatusBar* Bar = BarOn(F, bsSizeable);
        auto Pane = new TRzStatusPane(&F);
        Pane->SetParent(Bar);
        Pane->SetAlign(alClient);
        TTestSurface With(200, 19), Without(200, 19);
        PaintControl(Bar, With);
        Bar->SetShowSizeGrip(false);
        PaintControl(Bar, Without);
        int Changed = 0;
        for (int Y = 0; Y < 19; ++Y)
            for (int X = 180; X < 200; ++X)
                Changed += With.Px(X, Y) != Without.Px(X, Y);
        // Six 2 x 2 squares at the least, whoever draws them.
        EXPECT_GE(Changed, 18);
        if (!Themed || !ThemeServices()->PartDefined(teStatus, 3, 0)) {
            // The classic squares, also where the theme has no gripper.
            EXPECT_EQ(With.Px(197, 8), Rgb(clBtnHighlight));
            EXPECT_EQ(With.Px(195, 6), Rgb(clBtnShadow));
            EXPECT_EQ(With.Px(189, 16), Rgb(clBtnHighlight));
        }
    }
}

TEST(RzStatusBarInput, GripStartsSizingOnlyWhereTheFormCanSize)
{
    struct TCase {
        TBorderStyle Border;
        bool Maximize;
        bool Sizes;
    };
    const TCase Cases[] = {{bsSizeable, false, true}, {bsSingle, false, false}, {bsSizeable, true, false}};
    for (const TCase& C : Cases) {
        SCOPED_TRACE(testing::Message() << int(C.Border) << " maximised " << C.Maximize);
        TOwn<TGripForm> F(new TGripForm(nullptr));
        F->SetBorderStyle(C.Border);
        F->SetBounds(0, 0, 300, 200);
        auto Bar = new TRzStatusBar(F.get());
        Bar->SetParent(F.get());
        // Not shown: a captioned window would wait for a window manager.
        F->SetWindowState(C.Maximize ? wsMaximized : wsNormal);
        HWND W = Bar->Handle();
        SendMessageA(W, WM_LBUTTONDOWN, MK_LBUTTON, MousePos(Bar->Width() - 4, 10));
        SendMessageA(W, WM_LBUTTONUP, 0, MousePos(Bar->Width() - 4, 10));
        if (C.Sizes) {
            ASSERT_EQ(F->Commands.size(), 1u);
            EXPECT_EQ(F->Commands[0], WPARAM(SC_SIZE + 8));
        } else {
            EXPECT_TRUE(F->Commands.empty());
        }
        // Away from the grip the bar is an ordinary control.
        F->Commands.clear();
        SendMessageA(W, WM_LBUTTONDOWN, MK_LBUTTON, MousePos(20, 10));
        SendMessageA(W, WM_LBUTTONUP, 0, MousePos(20, 10));
        EXPECT_TRUE(F->Commands.empty());
    }
}

TEST(RzStatusBarBehaviour, AutoScalePanesAndSimpleMode)
{
    TRzStatusBar Bar(nullptr);
    Bar.SetAlign(alNone);
    Bar.SetWidth(200);
    auto A = new TRzPanel(&Bar);
    A->SetParent(&Bar);
    A->SetAlign(alLeft);
    A->SetWidth(50);
    auto B = new TRzPanel(&Bar);
    B->SetParent(&Bar);
    B->SetAlign(alLeft);
    B->SetWidth(30);
    B->SetLeft(60);
    Bar.SetWidth(300);
    EXPECT_EQ(A->Width(), 50); // off by default
    Bar.SetWidth(200);
    Bar.SetAutoScalePanes(true);
    Bar.SetWidth(300);
    EXPECT_EQ(A->Width(), 75);
    EXPECT_EQ(B->Width(), 45);
    // Under 50 pixels nothing is scaled, and the next width counts from the
    // last one seen at 50 or more.
    Bar.SetWidth(40);
    Bar.SetWidth(45);
    EXPECT_EQ(A->Width(), 75);

    // Simple mode hides every child; leaving it shows every child, the one
    // hidden before included.
    B->SetVisible(false);
    Bar.SetSimpleStatus(true);
    EXPECT_FALSE(A->Visible());
    Bar.SetSimpleStatus(false);
    EXPECT_TRUE(A->Visible());
    EXPECT_TRUE(B->Visible());
}

TEST(RzStatusBarBehaviour, FrameChangesEndTheAutomaticStyle)
{
    TRzStatusBar Bar(nullptr);
    EXPECT_EQ(Bar.Height(), 19);
    EXPECT_EQ(Bar.Align(), alBottom);
    EXPECT_TRUE(Bar.AutoStyle());
    Bar.SetBorderOuter(fsLowered);
    EXPECT_FALSE(Bar.AutoStyle());
    Bar.SetHeight(25);
    Bar.ApplyDefaultStyle();
    EXPECT_EQ(Bar.BorderOuter(), fsNone);
    EXPECT_EQ(Bar.Height(), 19);
}

TEST(RzStatusBarPaint, SimpleCaptionInItsFrame)
{
    TLookScope Classic(false);
    TRzStatusBar Bar(nullptr);
    Bar.SetAlign(alNone);
    Bar.SetBounds(0, 0, 150, 19);
    Bar.SetShowSizeGrip(false);
    Bar.SetColor(clWhite);
    Bar.SetFlatColor(clBlue);
    Bar.SetFlatColorAdjustment(0);
    Bar.Font()->SetColor(clBlack);
    Bar.SetSimpleCaption("Ready");
    Bar.SetSimpleStatus(true);
    TTestSurface Img(150, 19);
    PaintControl(&Bar, Img);
    // Client (0, 2, 150, 20), bottom less one, inflated by one: (1, 3, 149, 18).
    EXPECT_EQ(Img.Px(60, 3), Rgb(clBlue));
    EXPECT_EQ(Img.Px(60, 17), Rgb(clBlue));
    EXPECT_EQ(Img.Px(1, 10), Rgb(clBlue));
    EXPECT_EQ(Img.Px(1, 3), Rgb(clWhite)); // cut corner
    const TRect Ink = InkBox(Img, clBlack, TRect(0, 0, 150, 19));
    ASSERT_FALSE(Ink.IsEmpty());
    EXPECT_GE(Ink.left, 3);
    EXPECT_LE(Ink.left, 6);
}
