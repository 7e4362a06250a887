// Status pane: automatic width, shared blinking, fill colour, hints shown
// as the caption, the frame and caption in DIB pixels.
#include <gtest/gtest.h>

#include <string>

#include "classlib/Hints.h"
#include "controls/RzPanel.h"
#include "controls/RzPrgres.h"
#include "controls/RzStatus.h"
#include "testkit/RzFormTest.h"

namespace {

template <typename T>
using TOwn = std::unique_ptr<T, TObjectFree>;

int TextWidthOf(const TFont* Font, const std::string& Text)
{
    HDC DC = GetDC(nullptr);
    TCanvas C;
    C.SetHandle(DC);
    C.Font()->Assign(Font);
    const int W = C.TextWidth(Text);
    C.SetHandle(nullptr);
    ReleaseDC(nullptr, DC);
    return W;
}

// Brings a stored pane's loading rules into reach.
class TLoadedPane : public TRzStatusPane {
public:
    using TRzStatusPane::TRzStatusPane;
    void FinishLoading() { Loaded(); }
};

} // namespace

TEST(RzStatusPane, AutoWidthFollowsTheCaption)
{
    TRzStatusPane P(nullptr);
    P.SetAutoSize(true);
    EXPECT_EQ(P.Width(), 40);
    P.SetCaption("Converting");
    EXPECT_EQ(P.Width(), 2 * 1 + TextWidthOf(P.Font(), "Converting") + 2 + 6);
    P.SetCaptionOffset(10);
    EXPECT_EQ(P.Width(), 2 * 1 + TextWidthOf(P.Font(), "Converting") + 10 + 6);
    P.SetCaption("");
    P.SetDefaultWidth(55);
    EXPECT_EQ(P.Width(), 55);
}

TEST(RzStatusPane, BlinkingPanesChangeTogether)
{
    TRzStatusPane A(nullptr), B(nullptr), Still(nullptr);
    for (TRzStatusPane* P : {&A, &B, &Still}) {
        P->Font()->SetColor(clBlack);
        P->SetBlinkColor(clRed);
    }
    A.SetBlinking(true);
    B.SetBlinking(true);
    A.Perform(CM_BLINK, 1, 0);
    B.Perform(CM_BLINK, 1, 0);
    Still.Perform(CM_BLINK, 1, 0);
    EXPECT_EQ(A.TextColor(), clRed);
    EXPECT_EQ(B.TextColor(), clRed);
    EXPECT_EQ(Still.TextColor(), clBlack);
    EXPECT_EQ(A.Perform(CM_BLINKINGQUERY), 1);
    EXPECT_EQ(Still.Perform(CM_BLINKINGQUERY), 0);
    // One tick of the shared list reaches both.
    const bool OnNext = !GBlinkingControls->BlinkState();
    GBlinkingControls->Tick();
    EXPECT_EQ(A.TextColor(), OnNext ? clRed : clBlack);
    EXPECT_EQ(B.TextColor(), A.TextColor());
    // The intervals belong to the list.
    A.SetBlinkIntervalOn(300);
    EXPECT_EQ(B.BlinkIntervalOn(), 300);
    A.SetBlinkIntervalOn(500);
    // Off in the on phase: back to the font colour at once.
    A.Perform(CM_BLINK, 1, 0);
    A.SetBlinking(false);
    EXPECT_EQ(A.TextColor(), clBlack);
}

TEST(RzStatusPane, FillColorFollowsColorUntilSetOnItsOwn)
{
    TRzStatusPane P(nullptr);
    P.SetColor(clYellow);
    EXPECT_EQ(P.FillColor(), clYellow);
    P.SetFillColor(clAqua);
    EXPECT_FALSE(P.ParentFillColor());
    P.SetColor(clLime);
    EXPECT_EQ(P.FillColor(), clAqua);
    // A stored pane with its own colour is not transparent after loading.
    TLoadedPane L(nullptr);
    EXPECT_TRUE(L.Transparent());
    L.SetParentColor(false);
    L.FinishLoading();
    EXPECT_FALSE(L.Transparent());
}

TEST(RzStatusPane, AutoHintShowsTheHintOfTheControlUnderTheMouse)
{
    TOwn<TForm> F(NewTestForm(300, 200));
    auto Bar = new TRzStatusBar(F.get());
    Bar->SetParent(F.get());
    auto Pane = new TRzStatusPane(F.get());
    Pane->SetParent(Bar);
    Pane->SetAutoHint(true);
    auto Other = new TRzStatusPane(F.get());
    Other->SetParent(Bar);
    auto Button = new TRzPanel(F.get());
    Button->SetParent(F.get());
    Button->SetBounds(10, 10, 80, 30);
    Button->SetHint("Start|Starts the conversion");
    F->HandleNeeded();
    Application->SetMainForm(F.get());
    SendMessageA(F->Handle(), WM_MOUSEMOVE, 0, MousePos(150, 100));
    SendMessageA(Button->Handle(), WM_MOUSEMOVE, 0, MousePos(5, 5));
    EXPECT_EQ(Pane->Caption(), "Starts the conversion");
    EXPECT_EQ(Other->Caption(), "");
    SendMessageA(F->Handle(), WM_MOUSEMOVE, 0, MousePos(150, 100));
    EXPECT_EQ(Pane->Caption(), "");
    Application->CancelHint();
    Application->SetMainForm(nullptr);
}

TEST(RzStatusPanePaint, FrameAndCaption)
{
    TLookScope Classic(false);
    auto Make = [](TAlignment A, const std::string& Caption) {
        TOwn<TRzStatusPane> P(new TRzStatusPane(nullptr));
        P->SetBounds(0, 0, 120, 20);
        P->SetTransparent(false);
        P->SetColor(clWhite);
        P->SetFlatColor(clBlue);
        P->SetFlatColorAdjustment(0);
        P->Font()->SetColor(clBlack);
        P->Font()->SetQuality(fqNonAntialiased);
        P->SetAlignment(A);
        P->SetCaption(Caption);
        return P;
    };
    TTestSurface Img(120, 20);
    auto P = Make(taLeftJustify, "");
    PaintControl(P.get(), Img);
    // Border width 1, then the cut-corner box: (1, 1, 119, 19).
    EXPECT_EQ(Img.Px(0, 0), Rgb(clWhite));
    EXPECT_EQ(Img.Px(60, 1), Rgb(clBlue));
    EXPECT_EQ(Img.Px(1, 10), Rgb(clBlue));
    EXPECT_EQ(Img.Px(1, 1), Rgb(clWhite));
    // Inside the frame only the fill: an empty caption draws nothing more.
    EXPECT_EQ(Img.CountNot(clWhite, 2, 2, 118, 18), 0);
    for (TAlignment A : {taLeftJustify, taRightJustify, taCenter}) {
        SCOPED_TRACE(int(A));
        P = Make(A, "Ready");
        Img.Fill(clWhite);
        PaintControl(P.get(), Img);
        int L = 200, R = -1;
        for (int Y = 2; Y < 18; ++Y)
            for (int X = 2; X < 118; ++X)
                if (Img.Px(X, Y) == Rgb(clBlack)) {
                    L = std::min(L, X);
                    R = std::max(R, X);
                }
        ASSERT_GE(R, 0);
        // Text inset: frame 2, offset 2, one more.
        if (A == taLeftJustify) {
            EXPECT_GE(L, 5);
            EXPECT_LE(L, 7);
        } else if (A == taRightJustify) {
            EXPECT_LE(R, 114);
            EXPECT_GE(R, 112);
        } else {
            EXPECT_NEAR((L + R) / 2.0, 60.0, 2.0);
        }
    }
}

// On a gradient bar the first pane, placed after the bar's border and its
// left padding, has no separator; the next one has.
TEST(RzStatusPanePaint, SeparatorOnAGradientBarBeforeAllButTheFirstPane)
{
    TLookScope Classic(false);
    TOwned<TForm> F(NewTestForm(300, 40));
    auto Bar = new TRzStatusBar(F.get());
    Bar->SetParent(F.get());
    Bar->SetVisualStyle(vsGradient);
    Bar->SetBorderWidth(2);
    Bar->SetPadding(TRect(5, 0, 0, 0));
    TColor First = clBtnFace, Second = clWindow, Line = clBtnShadow;
    GetGradientStatusBarColors(Bar->GradientColorStyle(), First, Second, Line);
    for (const int Left : {7, 8, 120}) {
        SCOPED_TRACE(Left);
        auto Pane = new TRzStatusPane(F.get());
        Pane->SetParent(Bar);
        Pane->SetBounds(Left, 0, 60, 20);
        TTestSurface Img(60, 20);
        PaintControl(Pane, Img);
        EXPECT_EQ(Img.Px(1, 10) == Rgb(Line), Left > 7);
        EXPECT_EQ(Img.CountNot(TTestSurface::Sentinel, 0, 0, 60, 20), Left > 7 ? 16 : 0);
    }
}

// On a themed bar the bar, a pane and a progress bar on it show the theme's
// picture of the bar, also after the bar grew past the size it was first
// painted at.
TEST(RzStatusPanePaint, ThemedBarAndPaneShowTheBarBackgroundAtEverySize)
{
    TLookScope Themed(true);
    TOwned<TForm> F(NewTestForm(500, 40));
    auto Bar = new TRzStatusBar(F.get());
    Bar->SetParent(F.get());
    Bar->SetAlign(alNone);
    Bar->SetVisualStyle(vsWinXP);
    auto Pane = new TRzStatusPane(F.get());
    Pane->SetParent(Bar);
    auto Progress = new TRzProgressBar(F.get());
    Progress->SetParent(Bar);
    for (const auto& [Width, Height] : {std::pair{200, 20}, {450, 20}, {450, 32}}) {
        SCOPED_TRACE(testing::Message() << Width << " x " << Height);
        Bar->SetBounds(0, 0, Width, Height);
        Pane->SetBounds(Width - 80, 0, 60, Height);
        Progress->SetBounds(Width - 150, 0, 60, Height);
        TTestSurface Theme(Width, Height);
        ASSERT_TRUE(ThemeServices()->DrawElement(Theme.DC(), teStatus, 0, 0, TRect(0, 0, Width, Height)));
        TTestSurface Img(60, Height), Bits(60, Height), Whole(Width, Height);
        PaintControl(Pane, Img);
        PaintControl(Progress, Bits);
        Bar->Perform(WM_PAINT, reinterpret_cast<WPARAM>(Whole.DC()), 0);
        GdiFlush();
        const int Y = Height - 5;
        EXPECT_EQ(Img.Px(30, Y), Theme.Px(Width - 50, Y));
        EXPECT_EQ(Whole.Px(Width - 20, Y), Theme.Px(Width - 20, Y));
        EXPECT_EQ(Bits.Px(0, 0), Theme.Px(Width - 150, 0));
    }
}
