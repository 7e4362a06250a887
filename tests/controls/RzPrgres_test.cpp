// Progress bar: parts and percent, the three looks in DIB pixels, the LED
// geometry and its guards, and the pass-through over a status bar's grip.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "controls/RzPrgres.h"
#include "testkit/RzFormTest.h"

namespace {

template <typename T>
using TOwn = std::unique_ptr<T, TObjectFree>;

TOwn<TRzProgressBar> PlainBar(int W, int H, TBarStyle Style)
{
    TOwn<TRzProgressBar> B(new TRzProgressBar(nullptr));
    B->SetBounds(0, 0, W, H);
    B->SetBarStyle(Style);
    B->SetBorderOuter(fsNone);
    B->SetInteriorOffset(0);
    B->SetBackColor(clWhite);
    B->SetBarColor(clBlue);
    B->Font()->SetQuality(fqNonAntialiased);
    B->Font()->SetHeight(-12);
    return B;
}

} // namespace

TEST(RzProgressBar, PartsGivePercentAndText)
{
    struct TCase {
        unsigned Total, Done;
        int Percent;
        unsigned Stored;
    };
    const TCase Cases[] = {
        {8, 7, 88, 7},                       // 87.5 rounds to even
        {8, 5, 62, 5},                       // 62.5 too
        {200, 50, 25, 50},
        {10, 20, 100, 10},                   // clamped to the total
        {2147483647u, 2000000000u, 93, 2000000000u}, // parts times 100 pass 32 bits
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(testing::Message() << C.Done << " of " << C.Total);
        TRzProgressBar B(nullptr);
        B.SetTotalParts(C.Total);
        B.SetPartsComplete(C.Done);
        EXPECT_EQ(B.Percent(), C.Percent);
        EXPECT_EQ(B.PartsComplete(), C.Stored);
    }
    // Without a total the parts leave Percent alone; a new total resets both.
    TRzProgressBar B(nullptr);
    B.SetPercent(40);
    B.SetPartsComplete(5);
    EXPECT_EQ(B.Percent(), 40);
    int Fired = -1;
    B.OnChange = [&](TObject*, int P) { Fired = P; };
    B.SetTotalParts(200);
    EXPECT_EQ(Fired, 0);
    B.SetPartsComplete(50);
    EXPECT_EQ(Fired, 25);
    B.SetShowParts(true);
    EXPECT_EQ(B.ProgressText(), "50 / 200");
    B.SetShowParts(false);
    B.SetPercent(150);
    EXPECT_EQ(B.ProgressText(), "150%");
    // LED hides the text and moves the bar in by a pixel; back again.
    B.SetBarStyle(bsLED);
    EXPECT_FALSE(B.ShowPercent());
    EXPECT_EQ(B.InteriorOffset(), 1);
    B.SetBarStyle(bsGradient);
    EXPECT_TRUE(B.ShowPercent());
    EXPECT_EQ(B.InteriorOffset(), 0);
    // Taller than wide turns it vertical.
    B.SetBounds(0, 0, 20, 100);
    EXPECT_EQ(B.Orientation(), orVertical);
    B.SetBounds(0, 0, 100, 20);
    EXPECT_EQ(B.Orientation(), orHorizontal);
}

// SetPercent paints at once; SetPercentLater leaves the bar's paint to the
// window's next one, with the value and OnChange as SetPercent gives them.
TEST(RzProgressBar, PercentLaterPaintsWithTheWindow)
{
    TOwn<TForm> F(NewTestForm(120, 40));
    auto* B = new TRzProgressBar(F.get());
    B->SetParent(F.get());
    B->SetBounds(10, 5, 100, 20);
    F->Show();
    const HWND Wnd = F->Handle();
    UpdateWindow(Wnd);
    int Fired = -1;
    B->OnChange = [&](TObject*, int P) { Fired = P; };
    RECT R{};
    B->SetPercent(30);
    EXPECT_FALSE(GetUpdateRect(Wnd, &R, FALSE));
    B->SetPercentLater(170);
    EXPECT_EQ(B->Percent(), 170);
    EXPECT_EQ(Fired, 170);
    ASSERT_TRUE(GetUpdateRect(Wnd, &R, FALSE));
    EXPECT_EQ(TRect(R), TRect(10, 5, 110, 25));
    // The same value again is no change: no event, nothing to paint.
    UpdateWindow(Wnd);
    Fired = -1;
    B->SetPercentLater(170);
    EXPECT_EQ(Fired, -1);
    EXPECT_FALSE(GetUpdateRect(Wnd, &R, FALSE));
    B->SetPercentLater(0x10000);
    EXPECT_EQ(B->Percent(), 0xFFFF);
}

TEST(RzProgressBarPaint, TraditionalTextTurnsAtTheBarEdge)
{
    TLookScope Classic(false);
    auto B = PlainBar(100, 20, bsTraditional);
    for (int Percent : {0, 50, 100}) {
        SCOPED_TRACE(Percent);
        B->SetPercent(Percent);
        TTestSurface Img(100, 20);
        PaintControl(B.get(), Img);
        int Blue[2] = {0, 0}, White[2] = {0, 0}, Other = 0;
        for (int Y = 0; Y < 20; ++Y)
            for (int X = 0; X < 100; ++X) {
                const TColor P = Img.Px(X, Y);
                const int Side = X < 50 ? 0 : 1;
                if (P == Rgb(clBlue))
                    ++Blue[Side];
                else if (P == Rgb(clWhite))
                    ++White[Side];
                else
                    ++Other;
            }
        EXPECT_EQ(Other, 0);
        if (Percent == 50) {
            // Blue bar with white text on the left, white with blue on the right.
            EXPECT_GT(Blue[0], White[0]);
            EXPECT_GT(White[0], 0);
            EXPECT_GT(White[1], Blue[1]);
            EXPECT_GT(Blue[1], 0);
            EXPECT_EQ(Img.Px(49, 1), Rgb(clBlue));
            EXPECT_EQ(Img.Px(50, 1), Rgb(clWhite));
        } else if (Percent == 0) {
            EXPECT_GT(White[0] + White[1], Blue[0] + Blue[1]);
        } else {
            EXPECT_GT(Blue[0] + Blue[1], White[0] + White[1]);
        }
    }
}

TEST(RzProgressBarPaint, GradientLook)
{
    TLookScope Classic(false);
    auto B = PlainBar(100, 20, bsGradient);
    B->SetShowPercent(false);
    B->SetBarColorStop(clRed);
    B->SetBackColorStop(clBlack);
    B->SetGradientDirection(gdVerticalEnd);
    B->SetPercent(50);
    TTestSurface Img(100, 20);
    PaintControl(B.get(), Img);
    // Within a band's step of each end colour.
    auto Near = [](TColor X, TColor Y) {
        for (int Shift : {0, 8, 16})
            if (std::abs(((X >> Shift) & 0xFF) - ((Y >> Shift) & 0xFF)) > 12)
                return false;
        return true;
    };
    EXPECT_TRUE(Near(Img.Px(0, 10), clBlue));   // bar start
    EXPECT_TRUE(Near(Img.Px(49, 10), clRed));   // bar stop
    EXPECT_TRUE(Near(Img.Px(50, 10), clWhite)); // background start
    EXPECT_TRUE(Near(Img.Px(99, 10), clBlack)); // background stop
}

TEST(RzProgressBarPaint, LedSegmentsFromTheInteriorLength)
{
    TLookScope Classic(false);
    // 60 pixels with 20 segments: ten of 6 pixels, no margin.
    auto B = PlainBar(60, 12, bsLED);
    B->SetInteriorOffset(0);
    B->SetPercent(50);
    TTestSurface Img(60, 12);
    PaintControl(B.get(), Img);
    for (int Seg = 0; Seg < 10; ++Seg) {
        SCOPED_TRACE(Seg);
        const int X = Seg * 6;
        EXPECT_EQ(Img.Px(X, 6), Rgb(clWhite));    // the gap between segments
        EXPECT_EQ(Img.Px(X + 3, 6), Rgb(Seg < 5 ? clBlue : clWhite));
    }
    // 100 pixels, 20 segments of 5, all lit; vertical bars count from the bottom.
    auto V = PlainBar(12, 100, bsLED);
    V->SetInteriorOffset(0);
    V->SetPercent(10);
    TTestSurface Tall(12, 100);
    PaintControl(V.get(), Tall);
    EXPECT_EQ(Tall.Px(6, 97), Rgb(clBlue));
    EXPECT_EQ(Tall.Px(6, 92), Rgb(clBlue));
    EXPECT_EQ(Tall.Px(6, 87), Rgb(clWhite));
}

TEST(RzProgressBarPaint, LedTooShortForASegmentStaysEmpty)
{
    TLookScope Classic(false);
    // Interiors shorter than the segment count: no division by a zero size.
    for (int W : {0, 1, 8, 9}) {
        SCOPED_TRACE(W);
        TOwn<TRzProgressBar> B(new TRzProgressBar(nullptr));
        B->SetBounds(0, 0, W, 8);
        B->SetBarStyle(bsLED);
        B->SetNumSegments(20);
        B->SetBackColor(clWhite);
        B->SetBarColor(clBlue);
        B->SetPercent(60);
        TTestSurface Img(std::max(W, 1), 8);
        PaintControl(B.get(), Img);
        if (W >= 8) {
            EXPECT_EQ(Img.CountNot(clWhite, 3, 3, W - 3, 5), 0);
        }
    }
}

TEST(RzProgressBarPaint, ThemedLedStaysInsideTheFrame)
{
    TLookScope Themed(true);
    if (!ThemeServices()->ThemesEnabled())
        GTEST_SKIP() << "no visual styles";
    auto Paint = [](int Percent, TTestSurface& Img) {
        TRzProgressBar B(nullptr);
        B.SetBounds(0, 0, 120, 20);
        B.SetBarStyle(bsLED);
        B.SetPercent(Percent);
        PaintControl(&B, Img);
    };
    TTestSurface Full(120, 20), Over(120, 20), Empty(120, 20);
    Paint(100, Full);
    Paint(150, Over);
    Paint(0, Empty);
    int Differ = 0;
    for (int Y = 0; Y < 20; ++Y)
        for (int X = 0; X < 120; ++X)
            Differ += Full.Px(X, Y) != Over.Px(X, Y);
    EXPECT_EQ(Differ, 0);
    // The chunks were drawn at all.
    int Changed = 0;
    for (int X = 0; X < 120; ++X)
        Changed += Full.Px(X, 10) != Empty.Px(X, 10);
    EXPECT_GT(Changed, 50);
}

TEST(RzProgressBarInput, LetsTheMouseThroughToTheGrip)
{
    TForm F(nullptr);
    F.SetBorderStyle(bsSizeable);
    auto Bar = new TRzStatusBar(&F);
    Bar->SetParent(&F);
    Bar->SetAlign(alNone);
    Bar->SetBounds(0, 0, 200, 19);
    auto P = new TRzProgressBar(&F);
    P->SetParent(Bar);
    P->SetBounds(100, 0, 101, 19);
    EXPECT_EQ(P->Perform(CM_HITTEST, 0, MAKELPARAM(95, 5)), HTNOWHERE);
    EXPECT_EQ(P->Perform(CM_HITTEST, 0, MAKELPARAM(80, 5)), HTCLIENT);
    EXPECT_EQ(Bar->ControlAtPos(TPoint(196, 5), false), nullptr);
    EXPECT_EQ(Bar->ControlAtPos(TPoint(150, 5), false), P);
    // A fixed form has no grip to let the mouse through to.
    F.SetBorderStyle(bsSingle);
    EXPECT_EQ(P->Perform(CM_HITTEST, 0, MAKELPARAM(95, 5)), HTCLIENT);
}
