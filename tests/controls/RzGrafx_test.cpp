// Gradients in every direction and the bitmap routines, on memory DIBs.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>

#include "controls/RzGrafx.h"
#include "testkit/RzTestCanvas.h"

namespace {

int Dist(TColor A, TColor B)
{
    const COLORREF X = ColorToRef(A), Y = ColorToRef(B);
    return std::max({std::abs(GetRValue(X) - GetRValue(Y)), std::abs(GetGValue(X) - GetGValue(Y)),
                     std::abs(GetBValue(X) - GetBValue(Y))});
}

// One channel (red) of a pixel.
int Red(TColor C)
{
    return GetRValue(ColorToRef(C));
}

const TColor Start = RGB(0, 40, 200);
const TColor Stop = RGB(240, 200, 0);

} // namespace

TEST(RzGrafx, EndGradientsRunFromEdgeToEdge)
{
    const struct { TGradientDirection Dir; bool Rows; } Cases[] = {{gdHorizontalEnd, true}, {gdVerticalEnd, false}};
    for (const auto& C : Cases) {
        TTestSurface Img(40, 30);
        DrawGradient(Img.Canvas(), TRect(0, 0, 40, 30), C.Dir, Start, Stop);
        const int N = C.Rows ? 30 : 40;
        auto At = [&](int P, int Q) { return C.Rows ? Img.Px(Q, P) : Img.Px(P, Q); };
        EXPECT_LE(Dist(At(0, 5), Start), 10) << int(C.Dir);
        EXPECT_LE(Dist(At(N - 1, 5), Stop), 10) << int(C.Dir);
        for (int P = 1; P < N; ++P) {
            EXPECT_GE(Red(At(P, 3)), Red(At(P - 1, 3))) << int(C.Dir) << " band " << P;
            // Each band is one colour across.
            EXPECT_EQ(At(P, 0), At(P, C.Rows ? 39 : 29));
        }
    }
}

TEST(RzGrafx, CentreGradientsAreSymmetric)
{
    const struct { TGradientDirection Dir; bool Rows; } Cases[] = {{gdHorizontalCenter, true},
                                                                   {gdVerticalCenter, false}};
    for (const auto& C : Cases) {
        TTestSurface Img(33, 33);
        DrawGradient(Img.Canvas(), TRect(0, 0, 33, 33), C.Dir, Start, Stop);
        auto At = [&](int P, int Q) { return C.Rows ? Img.Px(Q, P) : Img.Px(P, Q); };
        EXPECT_EQ(At(0, 7), Start);
        EXPECT_EQ(At(32, 7), Start);
        EXPECT_EQ(At(16, 7), Stop);
        for (int P = 0; P < 33; ++P) {
            EXPECT_EQ(At(P, 0), At(32 - P, 0)) << int(C.Dir) << " band " << P;
            // The 8-pixel strip is tiled all the way across.
            for (int Q : {1, 8, 9, 17, 31, 32})
                EXPECT_EQ(At(P, Q), At(P, 0)) << int(C.Dir) << " " << P << "," << Q;
        }
        for (int P = 1; P <= 16; ++P)
            EXPECT_GE(Red(At(P, 0)), Red(At(P - 1, 0)));
    }
}

TEST(RzGrafx, BoxGradientsMirrorIntoFourQuarters)
{
    for (TGradientDirection Dir : {gdHorizontalBox, gdVerticalBox, gdSquareBox, gdBigSquareBox}) {
        SCOPED_TRACE(int(Dir));
        TTestSurface Img(41, 31);
        DrawGradient(Img.Canvas(), TRect(0, 0, 41, 31), Dir, Start, Stop);
        EXPECT_EQ(Img.Px(0, 0), Start);
        EXPECT_EQ(Img.Px(40, 30), Start);
        EXPECT_EQ(Img.Px(20, 15), Stop);
        for (int Y = 0; Y < 31; Y += 3)
            for (int X = 0; X < 41; X += 4) {
                EXPECT_EQ(Img.Px(X, Y), Img.Px(40 - X, Y)) << X << "," << Y;
                EXPECT_EQ(Img.Px(X, Y), Img.Px(X, 30 - Y)) << X << "," << Y;
            }
    }
    // Shortened travel leaves a solid block in the middle.
    TTestSurface Big(41, 31), Sq(41, 31);
    DrawGradient(Big.Canvas(), TRect(0, 0, 41, 31), gdBigSquareBox, Start, Stop);
    DrawGradient(Sq.Canvas(), TRect(0, 0, 41, 31), gdSquareBox, Start, Stop);
    EXPECT_EQ(Big.Px(12, 9), Stop);
    EXPECT_NE(Sq.Px(12, 9), Stop);
}

TEST(RzGrafx, DiagonalGradientsRunCornerToCorner)
{
    TTestSurface Down(30, 20), Up(30, 20);
    DrawGradient(Down.Canvas(), TRect(0, 0, 30, 20), gdDiagonalDown, Start, Stop);
    DrawGradient(Up.Canvas(), TRect(0, 0, 30, 20), gdDiagonalUp, Start, Stop);
    EXPECT_EQ(Down.Px(0, 0), Start);
    EXPECT_EQ(Down.Px(29, 19), Stop);
    EXPECT_EQ(Up.Px(0, 19), Start);
    EXPECT_EQ(Up.Px(29, 0), Stop);
    // Pixels on one anti-diagonal share a band.
    EXPECT_EQ(Down.Px(10, 0), Down.Px(0, 10));
    EXPECT_EQ(Up.Px(10, 19), Up.Px(0, 9));
}

TEST(RzGrafx, EqualColoursAndTinyRectanglesFillSolid)
{
    for (int Dir = gdDiagonalUp; Dir <= gdBigSquareBox; ++Dir) {
        TTestSurface Img(20, 16);
        DrawGradient(Img.Canvas(), TRect(2, 2, 18, 14), static_cast<TGradientDirection>(Dir), clTeal, clTeal);
        EXPECT_EQ(Img.CountNot(clTeal, 2, 2, 18, 14), 0) << Dir;
        // Only the rectangle is painted.
        EXPECT_EQ(Img.Px(1, 1), TTestSurface::Sentinel) << Dir;
        EXPECT_EQ(Img.Px(18, 14), TTestSurface::Sentinel) << Dir;
    }
    TTestSurface Narrow(4, 20);
    DrawGradient(Narrow.Canvas(), TRect(0, 0, 4, 20), gdSquareBox, clRed, clBlue);
    EXPECT_EQ(Narrow.CountNot(clRed, 0, 0, 4, 20), 0);
    // Nothing at all for an empty rectangle.
    TTestSurface Empty(8, 8);
    for (int Dir = gdDiagonalUp; Dir <= gdBigSquareBox; ++Dir)
        DrawGradient(Empty.Canvas(), TRect(3, 3, 3, 8), static_cast<TGradientDirection>(Dir), clRed, clBlue);
    EXPECT_EQ(Empty.CountNot(TTestSurface::Sentinel, 0, 0, 8, 8), 0);
}

TEST(RzGrafx, GranularityWidensBands)
{
    TTestSurface Img(10, 40);
    DrawGradient(Img.Canvas(), TRect(0, 0, 10, 40), gdHorizontalCenter, Start, Stop, 4);
    // Bands of 4 rows from the top edge.
    EXPECT_EQ(Img.Px(0, 0), Img.Px(0, 3));
    EXPECT_NE(Img.Px(0, 3), Img.Px(0, 4));
}

TEST(RzGrafx, TileAndMirrorBlits)
{
    TTestSurface Img(20, 10);
    SetPixelV(Img.DC(), 0, 0, RGB(255, 0, 0));
    SetPixelV(Img.DC(), 2, 1, RGB(0, 255, 0));
    TileBlt(Img.DC(), 20, 10, 3, 2);
    EXPECT_EQ(Img.Px(3, 0), clRed);
    EXPECT_EQ(Img.Px(18, 8), clRed);
    EXPECT_EQ(Img.Px(17, 9), clLime);

    TTestSurface M(10, 8);
    SetPixelV(M.DC(), 0, 0, RGB(255, 0, 0));
    SetPixelV(M.DC(), 3, 1, RGB(0, 0, 255));
    MirrorBlt(M.DC(), 10, 8);
    EXPECT_EQ(M.Px(9, 0), clRed);
    EXPECT_EQ(M.Px(0, 7), clRed);
    EXPECT_EQ(M.Px(9, 7), clRed);
    EXPECT_EQ(M.Px(6, 1), clBlue);
    EXPECT_EQ(M.Px(3, 6), clBlue);
}

TEST(RzGrafx, FlipAndTransparentStretch)
{
    TBitmap One(3, 1);
    One.ScanLine(0)[1] = 0x00123456;
    FlipBitmapVertical(&One);
    EXPECT_EQ(One.ScanLine(0)[1], 0x00123456u);

    TBitmap Three(2, 3);
    for (int Y = 0; Y < 3; ++Y)
        Three.ScanLine(Y)[0] = 0x00000010u * (Y + 1);
    FlipBitmapVertical(&Three);
    EXPECT_EQ(Three.ScanLine(0)[0], 0x30u);
    EXPECT_EQ(Three.ScanLine(1)[0], 0x20u);
    EXPECT_EQ(Three.ScanLine(2)[0], 0x10u);

    // A 2x2 source with one magenta pixel, stretched to 4x4: the magenta
    // quarter shows the background.
    TBitmap Src(2, 2);
    Src.ScanLine(0)[0] = 0x00FF00FF; // magenta
    Src.ScanLine(0)[1] = 0x000000FF; // blue
    Src.ScanLine(1)[0] = 0x0000FF00; // green
    Src.ScanLine(1)[1] = 0x00FF0000; // red
    TTestSurface Dst(6, 6, clWhite);
    StretchTransparentBitmap(Dst.Canvas(), &Src, TRect(1, 1, 5, 5), clFuchsia, TRect(0, 0, 2, 2));
    EXPECT_EQ(Dst.Px(1, 1), clWhite);
    EXPECT_EQ(Dst.Px(2, 2), clWhite);
    EXPECT_EQ(Dst.Px(3, 1), clBlue);
    EXPECT_EQ(Dst.Px(1, 3), clLime);
    EXPECT_EQ(Dst.Px(4, 4), clRed);
    EXPECT_EQ(Dst.Px(0, 0), clWhite);
    EXPECT_EQ(Dst.Px(5, 5), clWhite);
}

// Seen through a clip region, a gradient shows there exactly what the whole
// painting shows; one of two thousand million rows paints only what shows.
TEST(RzGrafx, OnlyThePartThatShowsIsPainted)
{
    const TGradientDirection Directions[] = {gdHorizontalEnd, gdVerticalEnd,   gdHorizontalCenter, gdVerticalCenter,
                                             gdHorizontalBox, gdVerticalBox,   gdSquareBox,        gdBigSquareBox,
                                             gdDiagonalUp,    gdDiagonalDown};
    for (const TGradientDirection Dir : Directions) {
        for (const int Granularity : {1, 3}) {
            SCOPED_TRACE(testing::Message() << int(Dir) << " granularity " << Granularity);
            TTestSurface Whole(97, 61), Part(97, 61);
            DrawGradient(Whole.Canvas(), TRect(-5, -3, 92, 58), Dir, Start, Stop, Granularity);
            IntersectClipRect(Part.DC(), 13, 29, 71, 47);
            DrawGradient(Part.Canvas(), TRect(-5, -3, 92, 58), Dir, Start, Stop, Granularity);
            SelectClipRgn(Part.DC(), nullptr);
            for (int Y = 0; Y < 61; ++Y)
                for (int X = 0; X < 97; ++X) {
                    const bool Shown = X >= 13 && X < 71 && Y >= 29 && Y < 47;
                    if (!Shown)
                        ASSERT_EQ(Part.Px(X, Y), TTestSurface::Sentinel) << X << "," << Y;
                    else if (Dir == gdHorizontalEnd || Dir == gdVerticalEnd)
                        ASSERT_LE(Dist(Part.Px(X, Y), Whole.Px(X, Y)), 1) << X << "," << Y;
                    else
                        ASSERT_EQ(Part.Px(X, Y), Whole.Px(X, Y)) << X << "," << Y;
                }
        }
        // A single pixel: the start colour, or the stop one where the start
        // sits at another corner.
        TTestSurface One(1, 1);
        DrawGradient(One.Canvas(), TRect(0, 0, 1, 1), Dir, Start, Stop);
        EXPECT_NE(One.Px(0, 0), TTestSurface::Sentinel) << int(Dir);
        TTestSurface Img(40, 30);
        DrawGradient(Img.Canvas(), TRect(0, 0, 40, INT_MAX), Dir, Start, Stop);
        if (Dir != gdDiagonalUp) {
            EXPECT_LE(Dist(Img.Px(0, 0), Start), 1) << int(Dir);
        }
        EXPECT_EQ(Img.CountNot(TTestSurface::Sentinel, 0, 0, 40, 30), 40 * 30) << int(Dir);
    }
}

// The painter behind the end gradients runs exactly from the start colour
// on the first band to the stop colour on the last.
TEST(RzGrafx, LinearPainterEndsOnTheStopColour)
{
    for (const bool Horizontal : {true, false}) {
        TTestSurface Img(40, 30);
        PaintLinearGradient(Img.DC(), 40, 30, Horizontal, false, Start, Stop, 1);
        EXPECT_EQ(Img.Px(0, 0), Start) << Horizontal;
        EXPECT_EQ(Img.Px(39, 29), Stop) << Horizontal;
        EXPECT_EQ(Horizontal ? Img.Px(0, 29) : Img.Px(39, 0), Stop) << Horizontal;
    }
}
