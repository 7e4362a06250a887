// Frame painters, glyphs and the parent-background copy, checked pixel by
// pixel on memory DIBs.
#include <gtest/gtest.h>

#include <climits>

#include "classlib/Controls.h"
#include "classlib/Themes.h"
#include "controls/RzCommon.h"
#include "controls/RzGrafx.h"
#include "testkit/RzTestCanvas.h"

namespace {

constexpr TColor S = TTestSurface::Sentinel;

// The colours each side's pixel rings take, outermost first, for a style
// drawn with system colours. Etched styles: left/top outer = UL, next = LR;
// right/bottom outer = LR, next = UL.
struct TStyleRow {
    TFrameStyleEx Style;
    int Width;                 // pixels per chosen side
    TColor LeftTop[2];         // outer, inner on the left and top sides
    TColor RightBottom[2];     // outer, inner on the right and bottom sides
};

const TStyleRow SystemRows[] = {
    {fsNone, 0, {S, S}, {S, S}},
    {fsFlat, 1, {cl3DDkShadow, S}, {cl3DDkShadow, S}},
    {fsGroove, 2, {clBtnShadow, clBtnHighlight}, {clBtnHighlight, clBtnShadow}},
    {fsBump, 2, {clBtnHighlight, clBtnShadow}, {clBtnShadow, clBtnHighlight}},
    {fsLowered, 2, {clBtnShadow, cl3DDkShadow}, {clBtnHighlight, cl3DLight}},
    {fsButtonDown, 2, {clBtnText, clBtnShadow}, {clBtnText, clBtnShadow}},
    {fsRaised, 2, {cl3DLight, clBtnHighlight}, {cl3DDkShadow, clBtnShadow}},
    {fsButtonUp, 2, {clBtnHighlight, cl3DLight}, {cl3DDkShadow, clBtnShadow}},
    {fsStatus, 1, {clBtnShadow, S}, {clBtnHighlight, S}},
    {fsPopup, 1, {clBtnHighlight, S}, {clBtnShadow, S}},
    {fsFlatBold, 2, {clBtnShadow, clBtnShadow}, {clBtnShadow, clBtnShadow}},
};

// Checks the middle pixel of every side (chosen or not) and the rectangle
// the painter returned.
void CheckSides(TTestSurface& Img, const TRect& Got, const TStyleRow& Row, TSides Sides, const char* What)
{
    const int W = Img.Width(), H = Img.Height(), MX = W / 2, MY = H / 2;
    SCOPED_TRACE(testing::Message() << What << " style " << int(Row.Style) << " sides " << int(Sides));
    const bool L = HasSide(Sides, sdLeft), T = HasSide(Sides, sdTop), R = HasSide(Sides, sdRight),
               B = HasSide(Sides, sdBottom);
    const int N = Row.Width;
    EXPECT_EQ(Got, TRect(L ? N : 0, T ? N : 0, W - (R ? N : 0), H - (B ? N : 0)));
    for (int I = 0; I < 2; ++I) {
        const TColor UL = I < N ? Row.LeftTop[I] : S;
        const TColor LR = I < N ? Row.RightBottom[I] : S;
        EXPECT_EQ(Img.Px(I, MY), Rgb(L ? UL : S)) << "left ring " << I;
        EXPECT_EQ(Img.Px(MX, I), Rgb(T ? UL : S)) << "top ring " << I;
        EXPECT_EQ(Img.Px(W - 1 - I, MY), Rgb(R ? LR : S)) << "right ring " << I;
        EXPECT_EQ(Img.Px(MX, H - 1 - I), Rgb(B ? LR : S)) << "bottom ring " << I;
    }
    // Nothing inside the frame is touched.
    EXPECT_EQ(Img.CountNot(S, 2, 2, W - 2, H - 2), 0);
}

} // namespace

TEST(RzCommonDraw, EveryStyleOnEverySideSetWithSystemColours)
{
    for (const TStyleRow& Row : SystemRows)
        for (TSides Sides = 0; Sides <= sdAllSides; ++Sides) {
            TTestSurface Img(12, 10);
            const TRect Got = DrawBorderSides(Img.Canvas(), TRect(0, 0, 12, 10), Row.Style, Sides);
            CheckSides(Img, Got, Row, Sides, "system");
        }
}

TEST(RzCommonDraw, EveryStyleOnEverySideSetFromOneBaseColour)
{
    const TColor C = 0x00B07040;
    auto D = [C](BYTE A) { return DarkerColor(C, A); };
    auto L = [C](BYTE A) { return LighterColor(C, A); };
    const TStyleRow Rows[] = {
        {fsNone, 0, {S, S}, {S, S}},
        {fsFlat, 1, {D(50), S}, {D(50), S}},
        {fsStatus, 1, {D(50), S}, {L(100), S}},
        {fsPopup, 1, {L(100), S}, {D(50), S}},
        {fsFlatBold, 2, {D(50), D(50)}, {D(50), D(50)}},
        {fsLowered, 2, {D(50), D(100)}, {L(100), L(50)}},
        {fsRaised, 2, {L(50), L(100)}, {D(100), D(50)}},
        {fsButtonDown, 2, {D(100), D(50)}, {D(100), D(50)}},
        {fsButtonUp, 2, {L(100), L(40)}, {D(100), D(50)}},
        {fsGroove, 2, {D(50), L(100)}, {L(100), D(50)}},
        {fsBump, 2, {L(100), D(50)}, {D(50), L(100)}},
    };
    for (const TStyleRow& Row : Rows)
        for (TSides Sides = 0; Sides <= sdAllSides; ++Sides) {
            TTestSurface Img(12, 10);
            const TRect Got = DrawColorBorderSides(Img.Canvas(), TRect(0, 0, 12, 10), C, Sides, Row.Style);
            CheckSides(Img, Got, Row, Sides, "colour");
        }
    // The button painters are the two button styles.
    TTestSurface A(12, 10), B(12, 10);
    DrawColorButtonBorder(A.Canvas(), TRect(0, 0, 12, 10), C, true);
    DrawColorBorder(B.Canvas(), TRect(0, 0, 12, 10), C, fsButtonDown);
    for (int X = 0; X < 12; ++X)
        EXPECT_EQ(A.Px(X, 0), B.Px(X, 0));
}

TEST(RzCommonDraw, SidesBevelsAndBoxes)
{
    {
        // Corners shared by both colours take the bottom/right colour.
        TTestSurface Img(8, 8);
        const TRect R = DrawSides(Img.Canvas(), TRect(0, 0, 8, 8), clRed, clBlue, sdAllSides);
        EXPECT_EQ(R, TRect(1, 1, 7, 7));
        EXPECT_EQ(Img.Px(0, 0), clRed);
        EXPECT_EQ(Img.Px(7, 0), clBlue);
        EXPECT_EQ(Img.Px(0, 7), clBlue);
        EXPECT_EQ(Img.Px(7, 7), clBlue);
    }
    {
        // clNone draws nothing but the rectangle still shrinks.
        TTestSurface Img(8, 8);
        const TRect R = DrawSides(Img.Canvas(), TRect(0, 0, 8, 8), clNone, clNone, SideBit(sdLeft) | SideBit(sdBottom));
        EXPECT_EQ(R, TRect(1, 0, 8, 7));
        EXPECT_EQ(Img.CountNot(S, 0, 0, 8, 8), 0);
    }
    {
        TTestSurface Img(10, 10);
        const TRect R = DrawBevel(Img.Canvas(), TRect(0, 0, 10, 10), clRed, clBlue, 3, sdAllSides);
        EXPECT_EQ(R, TRect(3, 3, 7, 7));
        for (int I = 0; I < 3; ++I) {
            EXPECT_EQ(Img.Px(I, 5), clRed);
            EXPECT_EQ(Img.Px(9 - I, 5), clBlue);
        }
        EXPECT_EQ(Img.Px(3, 5), S);
        // A width far past the rectangle fills it and stops; no side, no ring.
        EXPECT_EQ(DrawBevel(Img.Canvas(), TRect(1, 1, 9, 9), clRed, clBlue, INT_MAX, sdAllSides), TRect(5, 5, 5, 5));
        EXPECT_EQ(Img.Px(0, 5), clRed);
        EXPECT_EQ(DrawBevel(Img.Canvas(), TRect(1, 1, 9, 9), clRed, clBlue, INT_MAX, 0), TRect(1, 1, 9, 9));
    }
    {
        TTestSurface Img(10, 10);
        EXPECT_EQ(DrawBox(Img.Canvas(), TRect(0, 0, 10, 10), clLime), TRect(1, 1, 9, 9));
        EXPECT_EQ(Img.CountNot(clLime, 0, 0, 10, 1), 0);
        EXPECT_EQ(Img.CountNot(clLime, 9, 0, 10, 10), 0);
        EXPECT_EQ(Img.CountNot(S, 1, 1, 9, 9), 0);
    }
    {
        TTestSurface Img(12, 12);
        EXPECT_EQ(DrawCornerBrackets(Img.Canvas(), TRect(0, 0, 12, 12), clRed, 3), TRect(1, 1, 11, 11));
        // Arms of 3 pixels at each corner, nothing between them.
        for (int I = 0; I < 3; ++I) {
            EXPECT_EQ(Img.Px(I, 0), clRed);
            EXPECT_EQ(Img.Px(0, I), clRed);
            EXPECT_EQ(Img.Px(11 - I, 11), clRed);
            EXPECT_EQ(Img.Px(11, 11 - I), clRed);
        }
        EXPECT_EQ(Img.Px(3, 0), S);
        EXPECT_EQ(Img.Px(8, 11), S);
        EXPECT_EQ(Img.Px(0, 6), S);
    }
    {
        TTestSurface Img(8, 6, clWhite);
        EXPECT_EQ(DrawDottedBox(Img.Canvas(), TRect(0, 0, 8, 6)), TRect(1, 1, 7, 5));
        for (int X = 0; X < 8; ++X) {
            EXPECT_EQ(Img.Px(X, 0), X % 2 ? clBlack : clWhite) << X;
            if (X > 0) {
                EXPECT_EQ(Img.Px(X, 5), X % 2 ? clBlack : clWhite) << X;
            }
        }
        for (int Y = 1; Y < 6; ++Y)
            EXPECT_EQ(Img.Px(0, Y), Y % 2 ? clBlack : clWhite) << Y;
    }
    // Boxes two thousand million pixels long or high dot only what shows,
    // where the whole box has its dots, the clip starting even or odd.
    for (const int From : {4, 5})
        for (const bool Tall : {true, false}) {
            SCOPED_TRACE(testing::Message() << From << (Tall ? " tall" : " wide"));
            TTestSurface Img(20, 20, clWhite);
            IntersectClipRect(Img.DC(), From, From, 20, 20);
            DrawDottedBox(Img.Canvas(), Tall ? TRect(0, 0, 20, INT_MAX) : TRect(0, 0, INT_MAX, 20));
            for (int Y = 0; Y < 20; ++Y)
                for (int X = 0; X < 20; ++X) {
                    const bool OnEdge = Tall ? X == 19 : Y == 19;
                    const int Along = Tall ? Y : X;
                    const bool Dot = OnEdge && Along >= From && Along % 2 == 1;
                    EXPECT_EQ(Img.Px(X, Y), Dot ? clBlack : clWhite) << X << "," << Y;
                }
        }
}

TEST(RzCommonDraw, EtchedLinesEndCleanlyAtOpenSides)
{
    // Groove on left and top only: the open ends get the light colour at the
    // outer corner and the dark one just inside.
    TTestSurface Img(10, 10);
    DrawBorderSides(Img.Canvas(), TRect(0, 0, 10, 10), fsGroove, SideBit(sdLeft) | SideBit(sdTop));
    EXPECT_EQ(Img.Px(9, 0), Rgb(clBtnShadow));
    EXPECT_EQ(Img.Px(9, 1), Rgb(clBtnHighlight));
    EXPECT_EQ(Img.Px(0, 9), Rgb(clBtnShadow));
    EXPECT_EQ(Img.Px(1, 9), Rgb(clBtnHighlight));
    EXPECT_EQ(Img.Px(0, 0), Rgb(clBtnShadow));
    EXPECT_EQ(Img.Px(1, 1), Rgb(clBtnHighlight));
    // Top only: the line's start gets the light pixel under it.
    TTestSurface Top(10, 10);
    DrawBorderSides(Top.Canvas(), TRect(0, 0, 10, 10), fsGroove, SideBit(sdTop));
    EXPECT_EQ(Top.Px(0, 1), Rgb(clBtnHighlight));
    EXPECT_EQ(Top.Px(0, 2), S);
    // Right only: its bottom end gets the dark pixel beside it.
    TTestSurface Right(10, 10);
    DrawBorderSides(Right.Canvas(), TRect(0, 0, 10, 10), fsBump, SideBit(sdRight));
    EXPECT_EQ(Right.Px(8, 9), Rgb(clBtnHighlight));
    EXPECT_EQ(Right.Px(9, 0), Rgb(clBtnShadow));
}

TEST(RzCommonDraw, RoundedFlatBorderCutsTheCorners)
{
    TTestSurface Img(10, 8);
    EXPECT_EQ(DrawRoundedFlatBorder(Img.Canvas(), TRect(0, 0, 10, 8), clRed, sdAllSides), TRect(2, 2, 8, 6));
    const struct { int X, Y; bool Set; } Cases[] = {
        {0, 0, false}, {1, 0, false}, {0, 1, false}, {1, 1, true}, {2, 0, true}, {0, 2, true},
        {9, 0, false}, {8, 1, true}, {7, 0, true}, {9, 7, false}, {8, 6, true}, {0, 7, false}, {1, 6, true},
        {0, 5, true}, {9, 5, true}, {2, 1, false},
        // Each side's first and last pixel and the one past it.
        {0, 6, false}, {9, 1, false}, {9, 2, true}, {9, 6, false}, {8, 0, false}, {1, 7, false}, {2, 7, true},
        {7, 7, true}, {8, 7, false},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(Img.Px(C.X, C.Y), C.Set ? clRed : S) << C.X << "," << C.Y;
    // A side whose neighbour is open runs to the corner.
    TTestSurface Left(6, 6);
    DrawRoundedFlatBorder(Left.Canvas(), TRect(0, 0, 6, 6), clRed, SideBit(sdLeft));
    EXPECT_EQ(Left.CountNot(clRed, 0, 0, 1, 6), 0);
    EXPECT_EQ(Left.CountNot(S, 1, 0, 6, 6), 0);
}

TEST(RzCommonDraw, InnerOuterBordersLayers)
{
    const TColor Flat = clBtnShadow;
    const TColor F = AdjustColor(Flat, 30);
    {
        // Raised outer, a band of 2 and a flat inner ring.
        TTestSurface Img(20, 20);
        const TRect R = DrawInnerOuterBorders(Img.Canvas(), TRect(0, 0, 20, 20),
                                              {.BorderOuter = fsRaised,
                                               .BorderInner = fsFlat,
                                               .BorderWidth = 2,
                                               .BorderColor = clYellow,
                                               .BorderHighlight = clWhite,
                                               .BorderShadow = clBlack,
                                               .FlatColor = Flat,
                                               .FlatColorAdjustment = 30});
        EXPECT_EQ(R, TRect(5, 5, 15, 15));
        EXPECT_EQ(Img.Px(0, 10), Rgb(cl3DLight));
        EXPECT_EQ(Img.Px(1, 10), Rgb(clBtnHighlight));
        EXPECT_EQ(Img.Px(2, 10), clYellow);
        EXPECT_EQ(Img.Px(3, 10), clYellow);
        EXPECT_EQ(Img.Px(4, 10), Rgb(F));
        EXPECT_EQ(Img.Px(5, 10), S);
    }
    {
        // Status and popup use the border's own highlight and shadow, BevelWidth rings.
        TTestSurface Img(20, 20);
        const TRect R = DrawInnerOuterBorders(Img.Canvas(), TRect(0, 0, 20, 20),
                                              {.BorderOuter = fsStatus,
                                               .BorderInner = fsPopup,
                                               .BevelWidth = 2,
                                               .BorderColor = clYellow,
                                               .BorderHighlight = clRed,
                                               .BorderShadow = clBlue,
                                               .FlatColor = Flat});
        EXPECT_EQ(R, TRect(4, 4, 16, 16));
        EXPECT_EQ(Img.Px(0, 10), clBlue);
        EXPECT_EQ(Img.Px(1, 10), clBlue);
        EXPECT_EQ(Img.Px(19, 10), clRed);
        EXPECT_EQ(Img.Px(2, 10), clRed);
        EXPECT_EQ(Img.Px(17, 10), clBlue);
    }
    {
        // Rounded outer frame, opaque, no band: parent's colour in the
        // corners, the control's colour in the ring inside.
        const TRzBorderArgs Rounded{.BorderOuter = fsFlatRounded,
                                    .BorderColor = clYellow,
                                    .BorderHighlight = clWhite,
                                    .BorderShadow = clBlack,
                                    .FlatColor = Flat,
                                    .FlatColorAdjustment = 30,
                                    .Color = clLime,
                                    .ParentColor = clRed};
        TTestSurface Img(12, 12);
        const TRect R = DrawInnerOuterBorders(Img.Canvas(), TRect(0, 0, 12, 12), Rounded);
        EXPECT_EQ(R, TRect(2, 2, 10, 10));
        EXPECT_EQ(Img.Px(0, 0), clRed);
        EXPECT_EQ(Img.Px(11, 11), clRed);
        EXPECT_EQ(Img.Px(1, 1), Rgb(F));
        EXPECT_EQ(Img.Px(0, 6), Rgb(F));
        EXPECT_EQ(Img.Px(1, 6), clLime);
        EXPECT_EQ(Img.Px(6, 1), clLime);
        // Transparent: the corners are left alone.
        TTestSurface T(12, 12);
        TRzBorderArgs SeeThrough = Rounded;
        SeeThrough.Transparent = true;
        DrawInnerOuterBorders(T.Canvas(), TRect(0, 0, 12, 12), SeeThrough);
        EXPECT_EQ(T.Px(0, 0), S);
        EXPECT_EQ(T.Px(1, 6), S);
    }
    {
        // A full inner flat frame closes all four sides.
        TTestSurface Img(12, 12);
        const TRect R = DrawInnerOuterBorders(Img.Canvas(), TRect(0, 0, 12, 12),
                                              {.BorderInner = fsFlat,
                                               .BorderSides = SideBit(sdTop),
                                               .FlatColor = Flat,
                                               .FullInnerFlatFrame = true});
        EXPECT_EQ(R, TRect(1, 1, 11, 11));
        EXPECT_EQ(Img.Px(0, 6), Rgb(Flat));
        EXPECT_EQ(Img.Px(11, 6), Rgb(Flat));
    }
}

TEST(RzCommonDraw, NonClientFrame)
{
    {
        // No sides: only the two colour rings.
        TTestSurface Img(10, 10);
        DrawNonClientFrame(Img.Canvas(), 10, 10, false, 0, clRed, clLime, fsFlat);
        EXPECT_EQ(Img.CountNot(clLime, 0, 0, 10, 2), 0);
        EXPECT_EQ(Img.CountNot(clLime, 0, 0, 2, 10), 0);
        EXPECT_EQ(Img.CountNot(S, 2, 2, 8, 8), 0);
    }
    {
        TTestSurface Img(10, 10);
        DrawNonClientFrame(Img.Canvas(), 10, 10, false, sdAllSides, clRed, clLime, fsFlatBold);
        EXPECT_EQ(Img.Px(0, 5), clRed);
        EXPECT_EQ(Img.Px(1, 5), clRed);
        EXPECT_EQ(Img.Px(2, 5), S);
    }
    {
        // Other styles: system colours on clWindow, derived ones otherwise.
        TTestSurface Sys(10, 10), Col(10, 10);
        DrawNonClientFrame(Sys.Canvas(), 10, 10, true, sdAllSides, clRed, clWindow, fsLowered);
        DrawNonClientFrame(Col.Canvas(), 10, 10, true, sdAllSides, clRed, clLime, fsLowered);
        EXPECT_EQ(Sys.Px(0, 5), Rgb(clBtnShadow));
        EXPECT_EQ(Col.Px(0, 5), DarkerColor(clLime, 50));
        EXPECT_EQ(Col.Px(1, 5), DarkerColor(clLime, 100));
    }
}

namespace {

struct TBox {
    int L = 1000, T = 1000, R = -1, B = -1, Count = 0;
};

TBox PixelsOf(TTestSurface& Img, TColor Color)
{
    TBox Box;
    for (int Y = 0; Y < Img.Height(); ++Y)
        for (int X = 0; X < Img.Width(); ++X)
            if (Img.Px(X, Y) == Rgb(Color)) {
                Box.L = std::min(Box.L, X);
                Box.T = std::min(Box.T, Y);
                Box.R = std::max(Box.R, X);
                Box.B = std::max(Box.B, Y);
                ++Box.Count;
            }
    return Box;
}

int RowCount(TTestSurface& Img, int Y, TColor Color)
{
    return Img.Width() - Img.CountNot(Color, 0, Y, Img.Width(), Y + 1);
}
int ColCount(TTestSurface& Img, int X, TColor Color)
{
    return Img.Height() - Img.CountNot(Color, X, 0, X + 1, Img.Height());
}

} // namespace

TEST(RzCommonDraw, ArrowsPointTheirWay)
{
    for (int Style = 0; Style <= 2; ++Style)
        for (int Dir = adUp; Dir <= adRight; ++Dir) {
            SCOPED_TRACE(testing::Message() << "style " << Style << " direction " << Dir);
            TTestSurface Img(20, 20, clWhite);
            Img.Canvas()->Brush()->SetColor(clWhite);
            DrawArrow(Img.Canvas(), TRect(0, 0, 20, 20), Style, true, Dir);
            const TBox Box = PixelsOf(Img, clBlack);
            ASSERT_GT(Box.Count, 4);
            EXPECT_LT(Box.R - Box.L, 12);
            EXPECT_LT(Box.B - Box.T, 12);
            // The tip is narrower than the base.
            switch (Dir) {
            case adUp: EXPECT_LT(RowCount(Img, Box.T, clBlack), RowCount(Img, Box.B, clBlack)); break;
            case adDown: EXPECT_GT(RowCount(Img, Box.T, clBlack), RowCount(Img, Box.B, clBlack)); break;
            case adLeft: EXPECT_LT(ColCount(Img, Box.L, clBlack), ColCount(Img, Box.R, clBlack)); break;
            default: EXPECT_GT(ColCount(Img, Box.L, clBlack), ColCount(Img, Box.R, clBlack)); break;
            }
            // The canvas keeps its brush and pen.
            EXPECT_EQ(Img.Canvas()->Brush()->Color(), clWhite);
            EXPECT_EQ(Img.Canvas()->Pen()->Style(), psSolid);
        }
}

TEST(RzCommonDraw, DropDownArrowColours)
{
    const struct { TColor Brush; bool Enabled; TColor Expected; } Cases[] = {
        {clWhite, true, clBlack},
        {0x00101010, true, cl3DDkShadow}, // a near-black background gets the dark shadow
        {clWhite, false, clBtnShadow},
    };
    for (const auto& C : Cases) {
        TTestSurface Img(17, 21, C.Brush);
        Img.Canvas()->Brush()->SetColor(C.Brush);
        DrawDropDownArrow(Img.Canvas(), TRect(0, 0, 17, 21), 0, C.Enabled);
        const TBox Box = PixelsOf(Img, C.Expected);
        EXPECT_GT(Box.Count, 4) << std::hex << C.Brush;
        // Centred: the triangle's middle column is the rectangle's.
        EXPECT_NEAR((Box.L + Box.R) / 2.0, 8.5, 1.5);
        EXPECT_GT(RowCount(Img, Box.T, C.Expected), RowCount(Img, Box.B, C.Expected));
        EXPECT_EQ(Img.Canvas()->Brush()->Color(), C.Brush);
    }
}

TEST(RzCommonDraw, CloseGlyphIsACross)
{
    for (int Size : {16, 7}) {
        TTestSurface Img(Size, Size + 2, clWhite);
        DrawCloseGlyph(Img.Canvas(), TRect(0, 0, Size, Size + 2), clRed);
        const TBox Box = PixelsOf(Img, clRed);
        ASSERT_GT(Box.Count, 6) << Size;
        EXPECT_EQ(Img.Px((Box.L + Box.R) / 2, (Box.T + Box.B) / 2), clRed) << Size;
        if (Size < 9)
            continue;
        // The arms reach the corners; the middle of each edge stays open.
        EXPECT_EQ(Img.Px((Box.L + Box.R) / 2, Box.T), clWhite);
        EXPECT_EQ(Img.Px(Box.L, (Box.T + Box.B) / 2), clWhite);
    }
    TTestSurface Off(16, 16, clWhite);
    DrawCloseButtonGlyph(Off.Canvas(), TRect(0, 0, 16, 16), 0, false);
    EXPECT_GT(PixelsOf(Off, clBtnShadow).Count, 6);
}

TEST(RzCommonDraw, CheckBoxMarksAndFills)
{
    const TColor Frame = clNavy, Mark = clRed, Fill = clWhite, Focus = clYellow, Disabled = clSilver,
                 ReadOnlyC = clAqua, Hot = clLime, Hot2 = clTeal;
    const TRzCheckBoxArgs Colors{.HotTrackStyle = htsFrame,
                                 .FrameColor = Frame,
                                 .MarkColor = Mark,
                                 .FillColor = Fill,
                                 .FocusColor = Focus,
                                 .DisabledColor = Disabled,
                                 .ReadOnlyColor = ReadOnlyC,
                                 .HotFrameColor = Hot,
                                 .HotFillColor = Hot2};
    struct TCase {
        TRzCheckState State;
        TRzCheckCondition Look;
        bool Focused, ReadOnly;
        TColor ExpectFill, ExpectMark, ExpectFrame;
    };
    const TCase Cases[] = {
        {csChecked, ccNormalLook, false, false, Fill, Mark, Frame},
        {csChecked, ccNormalLook, true, false, Focus, Mark, Frame},
        {csChecked, ccNormalLook, false, true, ReadOnlyC, Mark, Frame},
        {csChecked, ccPressedLook, false, false, DarkerColor(Fill, 20), Mark, Frame},
        {csChecked, ccDisabledLook, false, false, Disabled, clBtnShadow, Frame},
        {csUnchecked, ccNormalLook, false, false, Fill, Fill, Frame},
        {csChecked, ccHotLook, false, false, Fill, Mark, Hot},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(testing::Message() << "state " << int(C.State) << " look " << int(C.Look));
        TTestSurface Img(13, 13);
        TRzCheckBoxArgs Args = Colors;
        Args.State = C.State;
        Args.Condition = C.Look;
        Args.Focused = C.Focused;
        Args.ReadOnly = C.ReadOnly;
        DrawCustomCheckBox(Img.Canvas(), TRect(0, 0, 13, 13), Args);
        EXPECT_EQ(Img.Px(0, 6), Rgb(C.ExpectFrame));
        EXPECT_EQ(Img.Px(12, 6), Rgb(C.ExpectFrame));
        EXPECT_EQ(Img.Px(10, 10), Rgb(C.ExpectFill));
        // The mark: 3-pixel runs in columns 2..8 from rows 4,5,6,5,4,3,2.
        const int Starts[7] = {4, 5, 6, 5, 4, 3, 2};
        for (int I = 0; I < 7; ++I) {
            EXPECT_EQ(Img.Px(2 + I, Starts[I]), Rgb(C.ExpectMark)) << I;
            EXPECT_EQ(Img.Px(2 + I, Starts[I] + 2), Rgb(C.ExpectMark)) << I;
            EXPECT_EQ(Img.Px(2 + I, Starts[I] + 3), Rgb(C.ExpectFill)) << I;
        }
        if (C.Look == ccHotLook) {
            EXPECT_EQ(Img.Px(1, 10), Rgb(Hot)); // the frame is doubled
        }
    }
    // Grayed: the interior inset by 2 in the mark colour.
    TTestSurface G(13, 13);
    TRzCheckBoxArgs Grayed = Colors;
    Grayed.State = csGrayed;
    DrawCustomCheckBox(G.Canvas(), TRect(0, 0, 13, 13), Grayed);
    EXPECT_EQ(G.CountNot(Mark, 3, 3, 10, 10), 0);
    EXPECT_EQ(G.Px(2, 6), Rgb(Fill));
}

TEST(RzCommonDraw, GradientInsetPaintsOnlyTheRing)
{
    MoreThan256Colors = true;
    TTestSurface Img(20, 20);
    DrawGradientFillInset(Img.Canvas(), TRect(0, 0, 20, 20), gdVerticalCenter, clRed, clBlue);
    EXPECT_EQ(Img.CountNot(S, 2, 2, 18, 18), 0);
    EXPECT_NE(Img.Px(0, 10), S);
    EXPECT_NE(Img.Px(10, 1), S);
    // The clip region is back: a later fill reaches the middle.
    Img.Fill(clLime);
    EXPECT_EQ(Img.Px(10, 10), clLime);
}

namespace {

// A parent that paints two halves of known colours when asked to erase.
class TPaintedParent : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    void WndProc(TMessage& M) override
    {
        if (M.Msg == WM_ERASEBKGND) {
            HDC DC = reinterpret_cast<HDC>(M.WParam);
            const RECT L{0, 0, 50, 40}, R{50, 0, 100, 40};
            HBRUSH Red = CreateSolidBrush(RGB(255, 0, 0)), Blue = CreateSolidBrush(RGB(0, 0, 255));
            FillRect(DC, &L, Red);
            FillRect(DC, &R, Blue);
            DeleteObject(Red);
            DeleteObject(Blue);
            ++Erased;
            M.Result = 1;
            return;
        }
        if (M.Msg == WM_PRINTCLIENT) {
            ++Printed;
            return;
        }
        TCustomControl::WndProc(M);
    }
    int Erased = 0, Printed = 0;
};

} // namespace

TEST(RzCommonDraw, ParentBackgroundCopy)
{
    TPaintedParent Parent(nullptr);
    Parent.SetBounds(0, 0, 100, 40);
    TGraphicControl* Child = new TGraphicControl(&Parent);
    Child->SetParent(&Parent);
    Child->SetBounds(45, 10, 10, 10);
    TTestSurface Img(10, 10);
    DrawParentImageDC(Child, Img.DC());
    EXPECT_EQ(Parent.Erased, 1);
    EXPECT_EQ(Parent.Printed, 1);
    EXPECT_EQ(Img.Px(0, 0), clRed);   // parent (45, 10)
    EXPECT_EQ(Img.Px(4, 9), clRed);   // parent (49, 19)
    EXPECT_EQ(Img.Px(5, 0), clBlue);  // parent (50, 10)
    // The DC's origin is restored.
    POINT Org;
    GetViewportOrgEx(Img.DC(), &Org);
    EXPECT_EQ(Org.x, 0);
    EXPECT_EQ(Org.y, 0);
    // No parent: nothing is drawn.
    TGraphicControl Orphan(nullptr);
    TTestSurface Untouched(4, 4);
    DrawParentImage(&Orphan, Untouched.Canvas());
    EXPECT_EQ(Untouched.CountNot(S, 0, 0, 4, 4), 0);
}

TEST(RzCommonDraw, GroupBarBackground)
{
    MoreThan256Colors = true;
    TThemeServices::SetThemingDisabled(true);
    const struct { int Style; bool Reverse; TRzGradientColorStyle Colors; TColor Top, Bottom; } Cases[] = {
        {2, false, gcsCustom, clRed, clBlue},
        {2, true, gcsCustom, clBlue, clRed},
        {1, false, gcsSystem, BlendColors(clBlack, clBtnFace, 40), BlendColors(clBlack, clBtnFace, 80)},
    };
    for (const auto& C : Cases) {
        TTestSurface Img(10, 40);
        DrawGroupBarBackground(Img.Canvas(), TRect(0, 0, 10, 40), C.Style, C.Reverse, C.Colors, clRed, clBlue);
        const COLORREF T = ColorToRef(Img.Px(5, 0)), B = ColorToRef(Img.Px(5, 39));
        const COLORREF WT = ColorToRef(C.Top), WB = ColorToRef(C.Bottom);
        EXPECT_NEAR(GetRValue(T), GetRValue(WT), 8);
        EXPECT_NEAR(GetBValue(T), GetBValue(WT), 8);
        EXPECT_NEAR(GetRValue(B), GetRValue(WB), 8);
        EXPECT_NEAR(GetBValue(B), GetBValue(WB), 8);
    }
    // No style, or too few colours: nothing is drawn.
    TTestSurface None(10, 10);
    DrawGroupBarBackground(None.Canvas(), TRect(0, 0, 10, 10), 0, false, gcsCustom, clRed, clBlue);
    MoreThan256Colors = false;
    DrawGroupBarBackground(None.Canvas(), TRect(0, 0, 10, 10), 2, false, gcsCustom, clRed, clBlue);
    EXPECT_EQ(None.CountNot(S, 0, 0, 10, 10), 0);
    MoreThan256Colors = true;
    TThemeServices::SetThemingDisabled(false);
}

namespace {

class TCountingControl : public TGraphicControl {
public:
    TCountingControl(TComponent* AOwner, bool ATransparent, bool HasProperty)
        : TGraphicControl(AOwner), FTransparent(ATransparent), FHasProperty(HasProperty) {}
    void Invalidate() override { ++Invalidated; }
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool V) { FTransparent = V; }
    const TPropertyTable* Properties() const override
    {
        static const TPropertyTable With(&TGraphicControl::ClassProperties(), {
            OrdProp("Transparent", &TCountingControl::Transparent, &TCountingControl::SetTransparent)});
        return FHasProperty ? &With : &TGraphicControl::ClassProperties();
    }
    int Invalidated = 0;

private:
    bool FTransparent, FHasProperty;
};

} // namespace

TEST(RzCommonDraw, InvalidateTransparentControls)
{
    TCustomControl Parent(nullptr);
    auto* A = new TCountingControl(&Parent, true, true);
    auto* B = new TCountingControl(&Parent, false, true);
    auto* C = new TCountingControl(&Parent, true, false); // not published: not asked
    for (TControl* X : {static_cast<TControl*>(A), static_cast<TControl*>(B), static_cast<TControl*>(C)})
        X->SetParent(&Parent);
    A->Invalidated = B->Invalidated = C->Invalidated = 0;
    InvalidateTransparentControls(&Parent);
    EXPECT_EQ(A->Invalidated, 1);
    EXPECT_EQ(B->Invalidated, 0);
    EXPECT_EQ(C->Invalidated, 0);
}
