#include "controls/RzGrafx.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "classlib/Themes.h"

namespace {

struct TRgb {
    int R, G, B;
};

TRgb ToRgb(TColor Color)
{
    const COLORREF C = ColorToRef(Color);
    return {GetRValue(C), GetGValue(C), GetBValue(C)};
}

void FillArea(HDC DC, int L, int T, int R, int B, TColor Color)
{
    FillSolidRect(DC, RECT{L, T, R, B}, Color);
}

// Step Num of Den between A and B in 16.16 fixed point, so that step 0 is A
// and step Den is B exactly.
int Interpolate(int A, int B, std::int64_t Num, std::int64_t Den)
{
    if (Den <= 0)
        return A;
    const std::int64_t Fraction = (Num << 16) / Den;
    return static_cast<int>(((static_cast<std::int64_t>(A) << 16) + (B - A) * Fraction + 0x8000) >> 16);
}

COLORREF Mix(const TRgb& A, const TRgb& B, std::int64_t Num, std::int64_t Den)
{
    return RGB(Interpolate(A.R, B.R, Num, Den), Interpolate(A.G, B.G, Num, Den), Interpolate(A.B, B.B, Num, Den));
}


// Band width in pixels for a granularity: above 8 it is a count of colour
// steps across the byte range, 1..8 a width in pixels.
int BandWidth(int Granularity, int Range)
{
    if (Granularity > 8)
        return Range / Granularity + 1;
    return std::max(Granularity, 1);
}

// Writes one pixel of a 32-bit bitmap directly.
void SetPixelOf(TBitmap& Bmp, int X, int Y, COLORREF C)
{
    Bmp.ScanLine(Y)[X] = (GetRValue(C) << 16) | (GetGValue(C) << 8) | GetBValue(C);
}

// The part of a Width x Height area a painter paints: View within it, or
// the whole area.
TRect PaintedPart(const RECT* View, int Width, int Height)
{
    if (!View)
        return TRect(0, 0, Width, Height);
    return TRect(std::max<LONG>(View->left, 0), std::max<LONG>(View->top, 0), std::min<LONG>(View->right, Width),
                 std::min<LONG>(View->bottom, Height));
}

// The part of Rect that shows through the clip region of DC.
TRect ShownPart(HDC DC, const TRect& Rect)
{
    RECT Clip;
    switch (GetClipBox(DC, &Clip)) {
    case NULLREGION: return TRect();
    case ERROR: return Rect;
    default: break;
    }
    return TRect(std::max(Rect.left, Clip.left), std::max(Rect.top, Clip.top), std::min(Rect.right, Clip.right),
                 std::min(Rect.bottom, Clip.bottom));
}

// A two-colour GradientFill over the Shown part of Whole, the colours at its
// edges taken from the one over Whole.
void FillGradientPart(HDC DC, const TRect& Whole, const TRect& Shown, TColor StartColor, TColor StopColor,
                      bool TopToBottom)
{
    const TRgb A = ToRgb(StartColor), B = ToRgb(StopColor);
    const std::int64_t Span = TopToBottom ? std::int64_t(Whole.bottom) - Whole.top : std::int64_t(Whole.right) - Whole.left;
    const auto At = [&](LONG X, LONG Y) {
        const std::int64_t Pos = TopToBottom ? std::int64_t(Y) - Whole.top : std::int64_t(X) - Whole.left;
        const auto Channel = [&](int From, int To) {
            return static_cast<COLOR16>(((std::int64_t(From) << 8) * (Span - Pos) + (std::int64_t(To) << 8) * Pos) / Span);
        };
        return TRIVERTEX{X, Y, Channel(A.R, B.R), Channel(A.G, B.G), Channel(A.B, B.B), 0};
    };
    TRIVERTEX V[2] = {At(Shown.left, Shown.top), At(Shown.right, Shown.bottom)};
    GRADIENT_RECT GR{0, 1};
    GdiGradientFill(DC, V, 2, &GR, 1, TopToBottom ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H);
}

} // namespace

// ---------------------------------------------------------------------------

// Only the part that shows is painted: a stored size of millions of pixels
// costs no more than the window it is seen through.
void DrawGradient(TCanvas* Canvas, const RECT& Rect, TGradientDirection Direction, TColor StartColor,
                  TColor StopColor, int Granularity)
{
    const TRect R(Rect);
    if (R.IsEmpty() || std::int64_t(R.right) - R.left > INT_MAX || std::int64_t(R.bottom) - R.top > INT_MAX)
        return;
    const TRect Shown = ShownPart(Canvas->Handle(), R);
    if (Shown.IsEmpty())
        return;
    if (Direction == gdHorizontalEnd || Direction == gdVerticalEnd) {
        const TGradientFillDirection Fill = Direction == gdHorizontalEnd ? gfTopToBottom : gfLeftToRight;
        if (Shown == R)
            GradientFillCanvas(Canvas, StartColor, StopColor, R, Fill);
        else
            FillGradientPart(Canvas->Handle(), R, Shown, StartColor, StopColor, Fill == gfTopToBottom);
        return;
    }
    // Painted off screen and blitted once so a large fill does not flicker.
    TBitmap Buffer(Shown.Width(), Shown.Height());
    HDC BufferDC = Buffer.Canvas()->Handle();
    const RECT View{Shown.left - R.left, Shown.top - R.top, Shown.right - R.left, Shown.bottom - R.top};
    PaintGradient(BufferDC, R.Width(), R.Height(), Direction, StartColor, StopColor, Granularity, &View);
    GdiFlush();
    BitBlt(Canvas->Handle(), Shown.left, Shown.top, Shown.Width(), Shown.Height(), BufferDC, 0, 0, SRCCOPY);
}

void PaintGradient(HDC DC, int Width, int Height, TGradientDirection Direction, TColor StartColor,
                   TColor StopColor, int Granularity, const RECT* View)
{
    if (Width <= 0 || Height <= 0)
        return;
    switch (Direction) {
    case gdDiagonalUp:
    case gdDiagonalDown:
        PaintDiagonalGradient(DC, Width, Height, Direction == gdDiagonalDown, StartColor, StopColor, View);
        break;
    case gdHorizontalEnd:
    case gdHorizontalCenter:
        PaintLinearGradient(DC, Width, Height, true, Direction == gdHorizontalCenter, StartColor, StopColor,
                            Granularity, View);
        break;
    case gdVerticalEnd:
    case gdVerticalCenter:
        PaintLinearGradient(DC, Width, Height, false, Direction == gdVerticalCenter, StartColor, StopColor,
                            Granularity, View);
        break;
    default:
        PaintBoxGradient(DC, Width, Height, Direction, StartColor, StopColor, Granularity, View);
        break;
    }
}

// Horizontal means horizontal bands (the colour changes from row to row).
// A centred gradient runs from StartColor at both edges to StopColor on the
// middle line. Only the bands that cross the view are filled.
void PaintLinearGradient(HDC DC, int Width, int Height, bool Horizontal, bool Centered, TColor StartColor,
                         TColor StopColor, int Granularity, const RECT* View)
{
    if (Width <= 0 || Height <= 0)
        return;
    const TRect V = PaintedPart(View, Width, Height);
    if (V.IsEmpty())
        return;
    const TRgb A = ToRgb(StartColor);
    const TRgb B = ToRgb(StopColor);
    const int Length = Horizontal ? Height : Width;
    const std::int64_t From = Horizontal ? V.top : V.left, To = Horizontal ? V.bottom : V.right;
    const std::int64_t Band = BandWidth(Granularity, 255);
    const int Middle = Length / 2;
    // Rows (or columns) [Lo, Hi) of the gradient, within the view.
    auto Fill = [&](std::int64_t Lo, std::int64_t Hi, COLORREF C) {
        Lo = std::max(Lo, From) - From;
        Hi = std::min(Hi, To) - From;
        if (Lo >= Hi)
            return;
        const LONG L = static_cast<LONG>(Lo), H = static_cast<LONG>(Hi);
        const RECT R = Horizontal ? RECT{0, L, V.Width(), H} : RECT{L, 0, H, V.Height()};
        FillSolidRect(DC, R, static_cast<TColor>(C));
    };
    const auto FirstBand = [&](std::int64_t At) { return std::max<std::int64_t>(At, 0) / Band * Band; };
    if (!Centered) {
        for (std::int64_t P = FirstBand(From); P < std::min<std::int64_t>(Length, To); P += Band)
            Fill(P, std::min<std::int64_t>(P + Band, Length), Mix(A, B, P, Length - 1));
        return;
    }
    // Both halves count their bands from their own edge, so the pattern is
    // the same seen from the top and from the bottom.
    for (std::int64_t P = FirstBand(From); P <= Middle && P < To; P += Band)
        Fill(P, std::min<std::int64_t>(P + Band, Middle + 1), Middle > 0 ? Mix(A, B, P, Middle) : RGB(B.R, B.G, B.B));
    const std::int64_t Rest = Length - 1 - Middle;
    for (std::int64_t Q = FirstBand(Length - To); Q < Rest && Length - Q > From; Q += Band)
        Fill(std::max<std::int64_t>(Length - Q - Band, Middle + 1), Length - Q, Mix(A, B, Q, Rest));
}

// Concentric L-shaped rings in the top-left quarter, StartColor at the outer
// corner and StopColor at the centre, mirrored into the other quarters.
void PaintBoxGradient(HDC DC, int Width, int Height, TGradientDirection Direction, TColor StartColor,
                      TColor StopColor, int Granularity, const RECT* View)
{
    if (Width <= 0 || Height <= 0)
        return;
    const TRect V = PaintedPart(View, Width, Height);
    if (V.IsEmpty())
        return;
    if (Width < 5 || Height < 5 || ColorToRGB(StartColor) == ColorToRGB(StopColor)) {
        FillSolidRect(DC, RECT{0, 0, V.Width(), V.Height()}, StartColor);
        return;
    }
    const TRgb A = ToRgb(StartColor);
    const TRgb B = ToRgb(StopColor);
    const int QuarterW = Width - Width / 2;
    const int QuarterH = Height - Height / 2;
    int TravelX = QuarterW;
    int TravelY = QuarterH;
    if (Direction == gdHorizontalBox || Direction == gdBigSquareBox)
        TravelX = std::max(1, QuarterW - Width / 4);
    if (Direction == gdVerticalBox || Direction == gdBigSquareBox)
        TravelY = std::max(1, QuarterH - Height / 4);
    const int Band = BandWidth(Granularity, 256);

    // A point's place in the quarter, mirrored; the view's points fall in a
    // range of it, which is computed once per pixel and read back.
    const auto Fold = [](int X, int Whole) { return std::min(X, Whole - 1 - X); };
    const auto Range = [&](LONG Lo, LONG Hi, int Whole, int Quarter) {
        const int Last = static_cast<int>(Hi) - 1;
        const bool Peak = Lo <= Whole - Quarter && Last >= Quarter - 1;
        return std::pair{std::min(Fold(Lo, Whole), Fold(Last, Whole)),
                         Peak ? Quarter - 1 : std::max(Fold(Lo, Whole), Fold(Last, Whole))};
    };
    const auto [X0, X1] = Range(V.left, V.right, Width, QuarterW);
    const auto [Y0, Y1] = Range(V.top, V.bottom, Height, QuarterH);
    const int CacheW = X1 - X0 + 1;
    std::vector<COLORREF> Quarter(static_cast<size_t>(CacheW) * (Y1 - Y0 + 1));
    for (int Y = Y0; Y <= Y1; ++Y) {
        const int BY = (Y / Band) * Band;
        for (int X = X0; X <= X1; ++X) {
            const int BX = (X / Band) * Band;
            // The smaller of BX / (TravelX - 1) and BY / (TravelY - 1) picks
            // the ring; compared without division.
            const std::int64_t DenX = std::max(TravelX - 1, 1), DenY = std::max(TravelY - 1, 1);
            const std::int64_t NumX = TravelX <= 1 ? DenX : std::min<std::int64_t>(BX, DenX);
            const std::int64_t NumY = TravelY <= 1 ? DenY : std::min<std::int64_t>(BY, DenY);
            Quarter[static_cast<size_t>(Y - Y0) * CacheW + (X - X0)] =
                NumX * DenY <= NumY * DenX ? Mix(A, B, NumX, DenX) : Mix(A, B, NumY, DenY);
        }
    }
    TBitmap Buffer(V.Width(), V.Height());
    GdiFlush();
    for (LONG Y = V.top; Y < V.bottom; ++Y) {
        const size_t Row = static_cast<size_t>(Fold(Y, Height) - Y0) * CacheW;
        for (LONG X = V.left; X < V.right; ++X)
            SetPixelOf(Buffer, X - V.left, Y - V.top, Quarter[Row + (Fold(X, Width) - X0)]);
    }
    BitBlt(DC, 0, 0, V.Width(), V.Height(), Buffer.Canvas()->Handle(), 0, 0, SRCCOPY);
}

// Bands across the diagonal: pixels on one line parallel to the other
// diagonal share a colour.
void PaintDiagonalGradient(HDC DC, int Width, int Height, bool Down, TColor StartColor, TColor StopColor,
                           const RECT* View)
{
    if (Width <= 0 || Height <= 0)
        return;
    const TRect V = PaintedPart(View, Width, Height);
    if (V.IsEmpty())
        return;
    if (ColorToRGB(StartColor) == ColorToRGB(StopColor)) {
        FillSolidRect(DC, RECT{0, 0, V.Width(), V.Height()}, StartColor);
        return;
    }
    const TRgb A = ToRgb(StartColor);
    const TRgb B = ToRgb(StopColor);
    const std::int64_t Steps = static_cast<std::int64_t>(std::sqrt(double(Width) * Width + double(Height) * Height)) + 1;
    const std::int64_t Span = std::max<std::int64_t>(std::int64_t(Width) + Height - 2, 1);
    TBitmap Buffer(V.Width(), V.Height());
    GdiFlush();
    for (LONG Y = V.top; Y < V.bottom; ++Y) {
        const std::int64_t FromStart = Down ? Y : Height - 1 - Y;
        for (LONG X = V.left; X < V.right; ++X) {
            const std::int64_t Step = ((X + FromStart) * (Steps - 1) + Span / 2) / Span;
            SetPixelOf(Buffer, X - V.left, Y - V.top, Mix(A, B, Step, Steps - 1));
        }
    }
    BitBlt(DC, 0, 0, V.Width(), V.Height(), Buffer.Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TileBlt(HDC DC, int Width, int Height, int SrcWidth, int SrcHeight)
{
    if (SrcWidth <= 0 || SrcHeight <= 0)
        return;
    for (int Done = SrcWidth; Done < Width; Done *= 2)
        BitBlt(DC, Done, 0, std::min(Done, Width - Done), SrcHeight, DC, 0, 0, SRCCOPY);
    for (int Done = SrcHeight; Done < Height; Done *= 2)
        BitBlt(DC, 0, Done, Width, std::min(Done, Height - Done), DC, 0, 0, SRCCOPY);
}

void MirrorBlt(HDC DC, int Width, int Height)
{
    const int BottomH = Height / 2;
    const int LeftW = Width - Width / 2;
    const int RightW = Width / 2;
    // Row Height-1-k takes row k, column Width-1-k takes column k.
    if (BottomH > 0)
        StretchBlt(DC, 0, Height - 1, LeftW, -BottomH, DC, 0, 0, LeftW, BottomH, SRCCOPY);
    if (RightW > 0)
        StretchBlt(DC, Width - 1, 0, -RightW, Height, DC, 0, 0, RightW, Height, SRCCOPY);
}

void StretchTransparentBitmap(TCanvas* Canvas, TBitmap* Bitmap, const RECT& DestRect, TColor TransparentColor,
                              const RECT& SourceRect)
{
    const TRect D(DestRect), S(SourceRect);
    if (D.IsEmpty() || S.IsEmpty() || !Bitmap || Bitmap->Empty())
        return;
    const int W = D.Width(), H = D.Height();
    TOwnedDC Color, Mask;
    TGdiObject<HBITMAP> ColorBmp, MaskBmp;
    {
        const TWindowDC Screen(nullptr);
        Color.Reset(CreateCompatibleDC(Screen.Get()));
        Mask.Reset(CreateCompatibleDC(Screen.Get()));
        ColorBmp.Reset(CreateCompatibleBitmap(Screen.Get(), W, H));
        MaskBmp.Reset(CreateBitmap(W, H, 1, 1, nullptr));
    }
    const TSelectedObject ColorSelected(Color.Get(), ColorBmp.Get());
    const TSelectedObject MaskSelected(Mask.Get(), MaskBmp.Get());
    const HDC ColorDC = Color.Get(), MaskDC = Mask.Get();

    SetStretchBltMode(ColorDC, COLORONCOLOR);
    StretchBlt(ColorDC, 0, 0, W, H, Bitmap->Canvas()->Handle(), S.left, S.top, S.Width(), S.Height(), SRCCOPY);
    // The mask is 1 wherever the colour bitmap shows the background colour.
    SetBkColor(ColorDC, ColorToRef(TransparentColor));
    BitBlt(MaskDC, 0, 0, W, H, ColorDC, 0, 0, SRCCOPY);
    TransparentStretchBlt(Canvas->Handle(), D.left, D.top, W, H, ColorDC, 0, 0, W, H, MaskDC, 0, 0);
}

void FlipBitmapVertical(TBitmap* Bitmap)
{
    if (!Bitmap || Bitmap->Height() < 2)
        return;
    const int W = Bitmap->Width(), H = Bitmap->Height();
    std::vector<std::uint32_t> Row(W);
    for (int Y = 0; Y < H / 2; ++Y) {
        std::uint32_t* Top = Bitmap->ScanLine(Y);
        std::uint32_t* Bottom = Bitmap->ScanLine(H - 1 - Y);
        std::memcpy(Row.data(), Top, W * sizeof(std::uint32_t));
        std::memcpy(Top, Bottom, W * sizeof(std::uint32_t));
        std::memcpy(Bottom, Row.data(), W * sizeof(std::uint32_t));
    }
    if (Bitmap->OnChange)
        Bitmap->OnChange(Bitmap);
}

// ===========================================================================
// Glyphs
// ===========================================================================

namespace {

POINT GlyphCenter(const RECT& Rect)
{
    POINT C{(Rect.left + Rect.right) / 2, (Rect.top + Rect.bottom) / 2};
    if ((Rect.bottom - Rect.top) % 2 == 0)
        --C.y;
    return C;
}

// The classic look cannot be had on newer systems: their own arrows are
// the flat ones.
int EffectiveGlyphStyle(int Style)
{
    return IsWindowsVersionOrLater(wvWinVista) ? 2 : Style;
}

// One pixel of the theme's combo-box drop-down button, or black when the
// theme cannot draw it.
TColor ThemedGlyphColor(int X, int Y)
{
    TBitmap Bmp(17, 21);
    const RECT R{0, 0, 17, 21};
    if (!ThemeServices()->DrawElement(Bmp.Canvas()->Handle(), teComboBox, 1 /* drop-down button */,
                                      1 /* normal */, R))
        return clBlack;
    const TColor C = Bmp.Canvas()->Pixel(X, Y);
    return ColorsTooClose(C, clWindow) ? cl3DDkShadow : C;
}

TColor GlyphFillColor(TCanvas* Canvas, int Style, bool Enabled, int ThemeX, int ThemeY)
{
    if (!Enabled)
        return clBtnShadow;
    if (Style == 1)
        return ThemedGlyphColor(ThemeX, ThemeY);
    return ColorsTooClose(Canvas->Brush()->Color(), clBlack) ? cl3DDkShadow : clBlack;
}

// Fills the polygon with a clear pen, leaving the canvas's brush colour
// and pen style as they were.
void FillPolygon(TCanvas* Canvas, const std::vector<POINT>& Points, TColor Color)
{
    const TColor OldColor = Canvas->Brush()->Color();
    const TBrushStyle OldBrushStyle = Canvas->Brush()->Style();
    const TPenStyle OldPen = Canvas->Pen()->Style();
    Canvas->Brush()->SetColor(Color);
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Pen()->SetStyle(psClear);
    Canvas->Polygon(Points.data(), static_cast<int>(Points.size()));
    Canvas->Pen()->SetStyle(OldPen);
    Canvas->Brush()->SetColor(OldColor);
    Canvas->Brush()->SetStyle(OldBrushStyle);
}

std::vector<POINT> Offsets(POINT C, std::initializer_list<POINT> D)
{
    std::vector<POINT> P;
    for (const POINT& O : D)
        P.push_back(POINT{C.x + O.x, C.y + O.y});
    return P;
}

} // namespace

void DrawDropDownArrow(TCanvas* Canvas, const RECT& Rect, int Style, bool Enabled)
{
    Style = EffectiveGlyphStyle(Style);
    const TColor Color = GlyphFillColor(Canvas, Style, Enabled, 8, 10);
    POINT C = GlyphCenter(Rect);
    std::vector<POINT> P;
    if (Style == 1) {
        P = Offsets(C, {{0, 4}, {-4, -1}, {-3, -3}, {0, 1}, {3, -3}, {5, -1}});
    } else {
        if (Style == 2) {
            ++C.x;
            ++C.y;
        }
        P = Offsets(C, {{0, 2}, {-3, -2}, {4, -2}});
    }
    FillPolygon(Canvas, P, Color);
}

void DrawArrow(TCanvas* Canvas, const RECT& Rect, int Style, bool Enabled, int Direction)
{
    Style = EffectiveGlyphStyle(Style);
    const TColor Color = GlyphFillColor(Canvas, Style, Enabled, 6, 4);
    POINT C = GlyphCenter(Rect);
    std::vector<POINT> P;
    if (Style == 1) {
        switch (Direction) {
        case adUp: C.y += 4; P = Offsets(C, {{0, -5}, {4, 0}, {1, 0}, {0, -2}, {-1, 0}, {-4, 0}}); break;
        case adDown: C.y += 2; P = Offsets(C, {{0, 5}, {4, 0}, {1, 0}, {0, 2}, {-1, 0}, {-4, 0}}); break;
        case adLeft: C.x -= 1; P = Offsets(C, {{-5, 0}, {0, 4}, {0, 1}, {-2, 0}, {0, -1}, {0, -4}}); break;
        default: C.x -= 3; P = Offsets(C, {{5, 0}, {0, 4}, {0, 1}, {2, 0}, {0, -1}, {0, -4}}); break;
        }
    } else {
        if (Direction == adUp || Direction == adDown)
            C.y += 1;
        else
            C.x -= 2;
        const bool Flat = Style == 2;
        switch (Direction) {
        case adUp:
            P = Flat ? Offsets(C, {{0, -3}, {3, 1}, {-3, 1}}) : Offsets(C, {{0, -5}, {4, 0}, {-4, 0}});
            break;
        case adDown:
            P = Flat ? Offsets(C, {{0, 0}, {-2, -3}, {3, -3}}) : Offsets(C, {{0, 1}, {-3, -3}, {4, -3}});
            break;
        case adLeft:
            P = Flat ? Offsets(C, {{1, 0}, {4, -3}, {4, 3}}) : Offsets(C, {{0, 0}, {4, -4}, {4, 4}});
            break;
        default:
            P = Flat ? Offsets(C, {{3, 0}, {0, 3}, {0, -3}}) : Offsets(C, {{4, 0}, {0, 4}, {0, -4}});
            break;
        }
    }
    FillPolygon(Canvas, P, Color);
}

void DrawCloseGlyph(TCanvas* Canvas, const RECT& Rect, TColor Color)
{
    const POINT C = GlyphCenter(Rect);
    std::vector<POINT> P;
    if (Rect.right - Rect.left >= 9 && Rect.bottom - Rect.top >= 11)
        P = Offsets(C, {{0, -1}, {2, -3}, {5, -3}, {2, 0}, {5, 4}, {2, 3}, {0, 1}, {-2, 4}, {-4, 3}, {-1, 0},
                        {-4, -3}, {-1, -3}});
    else
        P = Offsets(C, {{0, -1}, {1, -2}, {3, -2}, {1, 0}, {3, 3}, {1, 2}, {0, 1}, {-3, 3}, {-3, 2}, {-1, 0},
                        {-3, -2}, {-1, -2}, {-1, -1}});
    FillPolygon(Canvas, P, Color);
}

void DrawCloseButtonGlyph(TCanvas* Canvas, const RECT& Rect, int Style, bool Enabled)
{
    TColor Color = clBlack;
    if (!Enabled)
        Color = clBtnShadow;
    else if (Style == 1)
        Color = ThemedGlyphColor(8, 10);
    DrawCloseGlyph(Canvas, Rect, Color);
}

void DrawCustomCheckBox(TCanvas* Canvas, const RECT& Rect, const TRzCheckBoxArgs& Args)
{
    HDC DC = Canvas->Handle();
    const bool Hot = Args.Condition == ccHotLook;
    TRect R = DrawBox(Canvas, Rect, Hot && Args.HotTrackStyle == htsFrame ? Args.HotFrameColor : Args.FrameColor);

    TColor Fill = Args.FillColor;
    TColor Mark = Args.MarkColor;
    if (Args.Condition == ccDisabledLook) {
        Fill = Args.DisabledColor;
        Mark = clBtnShadow;
    } else if (Args.Focused) {
        Fill = Args.ReadOnly && Args.ReadOnlyColorOnFocus ? Args.ReadOnlyColor : Args.FocusColor;
    } else if (Args.ReadOnly) {
        Fill = Args.ReadOnlyColor;
    }
    if (Args.Condition == ccPressedLook)
        Fill = DarkerColor(Fill, 20);
    FillArea(DC, R.left, R.top, R.right, R.bottom, Fill);

    if (Args.State == csChecked) {
        static const int Starts[7] = {5, 6, 7, 6, 5, 4, 3};
        const int X0 = Rect.left - 1, Y0 = Rect.top - 1;
        for (int I = 0; I < 7; ++I)
            FillArea(DC, X0 + 3 + I, Y0 + Starts[I], X0 + 4 + I, Y0 + Starts[I] + 3, Mark);
    } else if (Args.State == csGrayed) {
        const TRect G = ShrunkRect(R, 2);
        FillArea(DC, G.left, G.top, G.right, G.bottom, Mark);
    }

    if (Hot) {
        if (Args.HotTrackStyle == htsInterior)
            DrawGradientFillInset(Canvas, R, gdHorizontalEnd, Args.HotFillColor, Args.HotFrameColor);
        else
            DrawBox(Canvas, R, Args.HotFrameColor);
    }
}

void DrawGradientFillInset(TCanvas* Canvas, const RECT& Rect, TGradientDirection Direction, TColor StartColor,
                           TColor StopColor)
{
    if (!MoreThan256Colors)
        return;
    HDC DC = Canvas->Handle();
    // The caller's clip region comes back afterwards, whatever it was.
    HRGN Saved = CreateRectRgn(0, 0, 0, 0);
    const bool HadClip = GetClipRgn(DC, Saved) == 1;
    const TRect Inner = ShrunkRect(Rect, 2);
    ExcludeClipRect(DC, Inner.left, Inner.top, Inner.right, Inner.bottom);
    DrawGradient(Canvas, Rect, Direction, StartColor, StopColor);
    SelectClipRgn(DC, HadClip ? Saved : nullptr);
    DeleteObject(Saved);
}

void DrawGroupBarBackground(TCanvas* Canvas, const RECT& Rect, int Style, bool Reverse,
                            TRzGradientColorStyle ColorStyle, TColor StartColor, TColor StopColor)
{
    if (Style == 1 && ThemeServices()->ThemesEnabled() &&
        ThemeServices()->DrawElement(Canvas->Handle(), teExplorerBar, 1 /* header background */, 0, Rect))
        return;
    if (Style == 0 || !MoreThan256Colors)
        return;
    TColor Start = StartColor, Stop = StopColor;
    if (ColorStyle != gcsCustom)
        GetGradientBarColors(ColorStyle, Start, Stop);
    if (Reverse)
        std::swap(Start, Stop);
    DrawGradient(Canvas, Rect, gdHorizontalEnd, Start, Stop);
}
