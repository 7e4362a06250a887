// The frame drawing routines of RzCommon.h and the painting of a parent
// under a transparent control.
#include "controls/RzCommon.h"

#include <windows.h>
#include <vssym32.h>

#include <algorithm>
#include <cstdint>

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/Themes.h"

// ===========================================================================
// Frame drawing
// ===========================================================================

void FillSolidRect(HDC DC, const RECT& R, TColor Color)
{
    if (Color == clNone || R.right <= R.left || R.bottom <= R.top)
        return;
    HBRUSH Brush = CreateSolidBrush(ColorToRef(Color));
    ::FillRect(DC, &R, Brush);
    DeleteObject(Brush);
}

namespace {

void FillArea(HDC DC, int L, int T, int R, int B, TColor Color)
{
    FillSolidRect(DC, RECT{L, T, R, B}, Color);
}

void SetPixelColor(HDC DC, int X, int Y, TColor Color)
{
    SetPixelV(DC, X, Y, ColorToRef(Color));
}

TRect Ring(TCanvas* Canvas, const RECT& Rect, TColor Color, TSides Sides)
{
    return DrawSides(Canvas, Rect, Color, Color, Sides);
}

TRect InsetSides(const RECT& Rect, int By, TSides Sides)
{
    TRect R(Rect);
    if (HasSide(Sides, sdLeft))
        R.left += By;
    if (HasSide(Sides, sdTop))
        R.top += By;
    if (HasSide(Sides, sdRight))
        R.right -= By;
    if (HasSide(Sides, sdBottom))
        R.bottom -= By;
    return R;
}

// An etched double line: the light line one pixel in from the dark one,
// with the corner pixels at open ends set so the lines end cleanly.
TRect DrawEtched(TCanvas* Canvas, const RECT& Rect, TColor ULColor, TColor LRColor, TSides Sides)
{
    HDC DC = Canvas->Handle();
    const bool L = HasSide(Sides, sdLeft), T = HasSide(Sides, sdTop), Rt = HasSide(Sides, sdRight),
               B = HasSide(Sides, sdBottom);
    const int Right = Rect.right - 1, Bottom = Rect.bottom - 1;
    if (Rt)
        SetPixelColor(DC, Right, Rect.top, LRColor);
    else if (T)
        SetPixelColor(DC, Right, Rect.top, ULColor);
    if (B)
        SetPixelColor(DC, Rect.left, Bottom, LRColor);
    else if (L)
        SetPixelColor(DC, Rect.left, Bottom, ULColor);
    if (T && !L)
        SetPixelColor(DC, Rect.left, Rect.top + 1, LRColor);
    if (L && !T)
        SetPixelColor(DC, Rect.left + 1, Rect.top, LRColor);
    if (B && !Rt)
        SetPixelColor(DC, Right, Bottom - 1, ULColor);
    if (Rt && !B)
        SetPixelColor(DC, Right - 1, Bottom, ULColor);
    DrawSides(Canvas, TRect(Rect.left + 1, Rect.top + 1, Rect.right, Rect.bottom), LRColor, LRColor, Sides);
    DrawSides(Canvas, TRect(Rect.left, Rect.top, Rect.right - 1, Rect.bottom - 1), ULColor, ULColor, Sides);
    return InsetSides(Rect, 2, Sides);
}

// The lines of one frame style: up to two rings (outer first), or an
// etched pair, or a rounded line.
struct TFrameLines {
    enum TKind { None, Rings, Etched, Rounded } Kind = None;
    int Count = 0;
    TColor UL[2] = {clNone, clNone};
    TColor LR[2] = {clNone, clNone};
};

TFrameLines Lines(TFrameLines::TKind Kind, TColor UL0, TColor LR0, TColor UL1 = clNone, TColor LR1 = clNone,
                  int Count = 1)
{
    TFrameLines F;
    F.Kind = Kind;
    F.Count = Count;
    F.UL[0] = UL0;
    F.LR[0] = LR0;
    F.UL[1] = UL1;
    F.LR[1] = LR1;
    return F;
}

TFrameLines SystemFrameLines(TFrameStyleEx Style)
{
    using K = TFrameLines;
    switch (Style) {
    case fsFlat: return Lines(K::Rings, cl3DDkShadow, cl3DDkShadow);
    case fsStatus: return Lines(K::Rings, clBtnShadow, clBtnHighlight);
    case fsPopup: return Lines(K::Rings, clBtnHighlight, clBtnShadow);
    case fsFlatBold: return Lines(K::Rings, clBtnShadow, clBtnShadow, clBtnShadow, clBtnShadow, 2);
    case fsLowered: return Lines(K::Rings, clBtnShadow, clBtnHighlight, cl3DDkShadow, cl3DLight, 2);
    case fsRaised: return Lines(K::Rings, cl3DLight, cl3DDkShadow, clBtnHighlight, clBtnShadow, 2);
    case fsButtonUp: return Lines(K::Rings, clBtnHighlight, cl3DDkShadow, cl3DLight, clBtnShadow, 2);
    case fsButtonDown: return Lines(K::Rings, clBtnText, clBtnText, clBtnShadow, clBtnShadow, 2);
    case fsGroove: return Lines(K::Etched, clBtnShadow, clBtnHighlight);
    case fsBump: return Lines(K::Etched, clBtnHighlight, clBtnShadow);
    case fsFlatRounded: return Lines(K::Rounded, cl3DDkShadow, cl3DDkShadow);
    default: return TFrameLines();
    }
}

TFrameLines ColorFrameLines(TFrameStyleEx Style, TColor C)
{
    using K = TFrameLines;
    const TColor D50 = DarkerColor(C, 50), D100 = DarkerColor(C, 100);
    switch (Style) {
    case fsFlat: return Lines(K::Rings, D50, D50);
    case fsStatus: return Lines(K::Rings, D50, LighterColor(C, 100));
    case fsPopup: return Lines(K::Rings, LighterColor(C, 100), D50);
    case fsFlatBold: return Lines(K::Rings, D50, D50, D50, D50, 2);
    case fsLowered: return Lines(K::Rings, D50, LighterColor(C, 100), D100, LighterColor(C, 50), 2);
    case fsRaised: return Lines(K::Rings, LighterColor(C, 50), D100, LighterColor(C, 100), D50, 2);
    case fsButtonDown: return Lines(K::Rings, D100, D100, D50, D50, 2);
    case fsButtonUp: return Lines(K::Rings, LighterColor(C, 100), D100, LighterColor(C, 40), D50, 2);
    case fsGroove: return Lines(K::Etched, D50, LighterColor(C, 100));
    case fsBump: return Lines(K::Etched, LighterColor(C, 100), D50);
    case fsFlatRounded: return Lines(K::Rounded, D50, D50);
    default: return TFrameLines();
    }
}

TRect DrawFrameLines(TCanvas* Canvas, const RECT& Rect, const TFrameLines& F, TSides Sides)
{
    switch (F.Kind) {
    case TFrameLines::Rings: {
        TRect R(Rect);
        for (int I = 0; I < F.Count; ++I)
            R = DrawSides(Canvas, R, F.UL[I], F.LR[I], Sides);
        return R;
    }
    case TFrameLines::Etched: return DrawEtched(Canvas, Rect, F.UL[0], F.LR[0], Sides);
    case TFrameLines::Rounded: return DrawRoundedFlatBorder(Canvas, Rect, F.UL[0], Sides);
    default: return TRect(Rect);
    }
}

} // namespace

TRect DrawSides(TCanvas* Canvas, const RECT& Rect, TColor ULColor, TColor LRColor, TSides Sides)
{
    HDC DC = Canvas->Handle();
    const RECT& R = Rect;
    // Top/left first, so the two corners shared with the bottom/right lines
    // take the bottom/right colour, as system borders do.
    if (ULColor != clNone) {
        if (HasSide(Sides, sdLeft))
            FillArea(DC, R.left, R.top, R.left + 1, R.bottom, ULColor);
        if (HasSide(Sides, sdTop))
            FillArea(DC, R.left, R.top, R.right, R.top + 1, ULColor);
    }
    if (LRColor != clNone) {
        if (HasSide(Sides, sdRight))
            FillArea(DC, R.right - 1, R.top, R.right, R.bottom, LRColor);
        if (HasSide(Sides, sdBottom))
            FillArea(DC, R.left, R.bottom - 1, R.right, R.bottom, LRColor);
    }
    return InsetSides(Rect, 1, Sides);
}

TRect DrawBevel(TCanvas* Canvas, const RECT& Rect, TColor ULColor, TColor LRColor, int Width, TSides Sides)
{
    TRect R(Rect);
    // Rings stop once nothing is left to draw, so a width far beyond the
    // rectangle (a stored or computed one) costs no more than filling it.
    for (int I = 0; I < Width && !R.IsEmpty() && (Sides & sdAllSides); ++I)
        R = DrawSides(Canvas, R, ULColor, LRColor, Sides);
    return R;
}

TRect DrawBox(TCanvas* Canvas, const RECT& Rect, TColor Color)
{
    return Ring(Canvas, Rect, Color, sdAllSides);
}

TRect DrawCornerBrackets(TCanvas* Canvas, const RECT& Rect, TColor Color, int Length)
{
    HDC DC = Canvas->Handle();
    const int L = Rect.left, T = Rect.top, R = Rect.right, B = Rect.bottom;
    FillArea(DC, L, T, L + Length, T + 1, Color);
    FillArea(DC, L, T, L + 1, T + Length, Color);
    FillArea(DC, R - Length, T, R, T + 1, Color);
    FillArea(DC, R - 1, T, R, T + Length, Color);
    FillArea(DC, L, B - 1, L + Length, B, Color);
    FillArea(DC, L, B - Length, L + 1, B, Color);
    FillArea(DC, R - Length, B - 1, R, B, Color);
    FillArea(DC, R - 1, B - Length, R, B, Color);
    return ShrunkRect(Rect, 1);
}

TRect DrawDottedBox(TCanvas* Canvas, const RECT& Rect)
{
    HDC DC = Canvas->Handle();
    // Dots only where they can show: a box millions of pixels long costs no
    // more than the part of it in the clip region.
    RECT Clip{Rect.left, Rect.top, Rect.right, Rect.bottom};
    if (GetClipBox(DC, &Clip) == NULLREGION)
        return ShrunkRect(Rect, 1);
    // The first dot at or after Lo of a row of dots from Start + 1, every
    // second pixel.
    const auto FirstDot = [](std::int64_t Start, std::int64_t Lo) {
        return Start + 1 + std::max<std::int64_t>(Lo - Start, 0) / 2 * 2;
    };
    const std::int64_t XEnd = std::min(Rect.right, Clip.right), YEnd = std::min(Rect.bottom, Clip.bottom);
    for (std::int64_t X = FirstDot(Rect.left, Clip.left - 1); X < XEnd; X += 2) {
        SetPixelColor(DC, static_cast<int>(X), Rect.top, clBlack);
        SetPixelColor(DC, static_cast<int>(X), Rect.bottom - 1, clBlack);
    }
    for (std::int64_t Y = FirstDot(Rect.top, Clip.top - 1); Y < YEnd; Y += 2) {
        SetPixelColor(DC, Rect.left, static_cast<int>(Y), clBlack);
        SetPixelColor(DC, Rect.right - 1, static_cast<int>(Y), clBlack);
    }
    return ShrunkRect(Rect, 1);
}

TRect DrawBorderSides(TCanvas* Canvas, const RECT& Rect, TFrameStyleEx Style, TSides Sides)
{
    return DrawFrameLines(Canvas, Rect, SystemFrameLines(Style), Sides);
}

TRect DrawBorder(TCanvas* Canvas, const RECT& Rect, TFrameStyleEx Style)
{
    return DrawBorderSides(Canvas, Rect, Style, sdAllSides);
}

TRect DrawColorBorderSides(TCanvas* Canvas, const RECT& Rect, TColor Color, TSides Sides, TFrameStyleEx Style)
{
    return DrawFrameLines(Canvas, Rect, ColorFrameLines(Style, Color), Sides);
}

TRect DrawColorBorder(TCanvas* Canvas, const RECT& Rect, TColor Color, TFrameStyleEx Style)
{
    return DrawColorBorderSides(Canvas, Rect, Color, sdAllSides, Style);
}

TRect DrawCtl3DBorderSides(TCanvas* Canvas, const RECT& Rect, bool Sunken, TSides Sides)
{
    return DrawBorderSides(Canvas, Rect, Sunken ? fsLowered : fsRaised, Sides);
}

TRect DrawButtonBorderSides(TCanvas* Canvas, const RECT& Rect, bool Pressed, TSides Sides)
{
    return DrawBorderSides(Canvas, Rect, Pressed ? fsButtonDown : fsButtonUp, Sides);
}

TRect DrawButtonBorder(TCanvas* Canvas, const RECT& Rect, bool Pressed)
{
    return DrawButtonBorderSides(Canvas, Rect, Pressed, sdAllSides);
}

TRect DrawColorButtonBorderSides(TCanvas* Canvas, const RECT& Rect, TColor Color, TSides Sides, bool Pressed)
{
    return DrawColorBorderSides(Canvas, Rect, Color, Sides, Pressed ? fsButtonDown : fsButtonUp);
}

TRect DrawColorButtonBorder(TCanvas* Canvas, const RECT& Rect, TColor Color, bool Pressed)
{
    return DrawColorButtonBorderSides(Canvas, Rect, Color, sdAllSides, Pressed);
}

TRect DrawRoundedFlatBorder(TCanvas* Canvas, const RECT& Rect, TColor Color, TSides Sides)
{
    HDC DC = Canvas->Handle();
    const bool L = HasSide(Sides, sdLeft), T = HasSide(Sides, sdTop), Rt = HasSide(Sides, sdRight),
               B = HasSide(Sides, sdBottom);
    const int X0 = Rect.left, Y0 = Rect.top, X1 = Rect.right, Y1 = Rect.bottom;
    if (L)
        FillArea(DC, X0, Y0 + (T ? 2 : 0), X0 + 1, Y1 - (B ? 2 : 0), Color);
    if (Rt)
        FillArea(DC, X1 - 1, Y0 + (T ? 2 : 0), X1, Y1 - (B ? 2 : 0), Color);
    if (T)
        FillArea(DC, X0 + (L ? 2 : 0), Y0, X1 - (Rt ? 2 : 0), Y0 + 1, Color);
    if (B)
        FillArea(DC, X0 + (L ? 2 : 0), Y1 - 1, X1 - (Rt ? 2 : 0), Y1, Color);
    if (L && T)
        SetPixelColor(DC, X0 + 1, Y0 + 1, Color);
    if (Rt && T)
        SetPixelColor(DC, X1 - 2, Y0 + 1, Color);
    if (L && B)
        SetPixelColor(DC, X0 + 1, Y1 - 2, Color);
    if (Rt && B)
        SetPixelColor(DC, X1 - 2, Y1 - 2, Color);
    return InsetSides(Rect, 2, Sides);
}

int FrameStyleWidth(TFrameStyleEx Style, int BevelWidth)
{
    switch (Style) {
    case fsNone: return 0;
    case fsFlat: return 1;
    case fsStatus:
    case fsPopup: return BevelWidth;
    default: return 2;
    }
}

TRect DrawInnerOuterBorders(TCanvas* Canvas, const RECT& Rect, const TRzBorderArgs& Args)
{
    const TFrameStyleEx BorderOuter = Args.BorderOuter, BorderInner = Args.BorderInner;
    const int BorderWidth = Args.BorderWidth, BevelWidth = Args.BevelWidth;
    const TSides BorderSides = Args.BorderSides;
    const TColor BorderColor = Args.BorderColor, BorderHighlight = Args.BorderHighlight,
                 BorderShadow = Args.BorderShadow, Color = Args.Color, ParentColor = Args.ParentColor;
    const bool Transparent = Args.Transparent;
    const TColor F = AdjustColor(Args.FlatColor, Args.FlatColorAdjustment);
    const bool HasBand = BorderWidth > 0 || BorderInner != fsNone;
    TRect R(Rect);

    // The frames other than the flat ones share this painter.
    auto Frame = [&](TFrameStyleEx Style) {
        switch (Style) {
        case fsPopup: R = DrawBevel(Canvas, R, BorderHighlight, BorderShadow, BevelWidth, BorderSides); break;
        case fsStatus: R = DrawBevel(Canvas, R, BorderShadow, BorderHighlight, BevelWidth, BorderSides); break;
        default: R = DrawBorderSides(Canvas, R, Style, BorderSides); break;
        }
    };

    switch (BorderOuter) {
    case fsFlat: R = Ring(Canvas, R, F, BorderSides); break;
    case fsFlatBold: R = DrawBevel(Canvas, R, F, F, 2, BorderSides); break;
    case fsFlatRounded:
        // The rings fill what the rounded line leaves out: the outer corners
        // take the parent's colour.
        if (!Transparent) {
            const TRect Inner = Ring(Canvas, R, ParentColor, BorderSides);
            Ring(Canvas, Inner, HasBand ? BorderColor : Color, BorderSides);
        } else if (HasBand) {
            Ring(Canvas, ShrunkRect(R, 1), BorderColor, BorderSides);
        }
        R = DrawRoundedFlatBorder(Canvas, R, F, BorderSides);
        break;
    default: Frame(BorderOuter); break;
    }

    if (BorderWidth > 0)
        R = DrawBevel(Canvas, R, BorderColor, BorderColor, BorderWidth, BorderSides);

    switch (BorderInner) {
    case fsFlat:
        if (Args.FullInnerFlatFrame)
            R = DrawBox(Canvas, R, F);
        else
            R = Ring(Canvas, R, F, BorderSides);
        break;
    case fsFlatBold: R = DrawBevel(Canvas, R, F, F, 2, BorderSides); break;
    case fsFlatRounded: {
        const TRect Inner = Ring(Canvas, R, BorderColor, BorderSides);
        if (!Transparent)
            Ring(Canvas, Inner, Color, BorderSides);
        R = DrawRoundedFlatBorder(Canvas, R, F, BorderSides);
        break;
    }
    default: Frame(BorderInner); break;
    }
    return R;
}

void DrawNonClientFrame(TCanvas* Canvas, int Width, int Height, bool NoColorRing, TSides Sides, TColor FrameColor,
                        TColor Color, TFrameStyle FrameStyle)
{
    const TRect R(0, 0, Width, Height);
    // The colour rings fill the border where no frame line is drawn.
    if (!NoColorRing)
        DrawBevel(Canvas, R, Color, Color, 2, sdAllSides);
    switch (FrameStyle) {
    case fsFlat: Ring(Canvas, R, FrameColor, Sides); break;
    case fsFlatBold: DrawBevel(Canvas, R, FrameColor, FrameColor, 2, Sides); break;
    default:
        if (Color != clWindow)
            DrawColorBorderSides(Canvas, R, Color, Sides, FrameStyle);
        else
            DrawBorderSides(Canvas, R, FrameStyle, Sides);
        break;
    }
}

void InvalidateNonClientFrame(HWND Window, const RECT& Rect)
{
    TWindowDC DC(Window, GetWindowDC(Window));
    if (!DC)
        return;
    RECT Clip;
    const int Kind = GetClipBox(DC.Get(), &Clip);
    DC.Reset();
    if (Kind != NULLREGION && Kind != ERROR)
        RedrawWindow(Window, &Rect, nullptr, RDW_FRAME | RDW_INVALIDATE);
}

// ===========================================================================
// Transparency
// ===========================================================================

void DrawParentImage(TControl* Control, TCanvas* Canvas, bool InvalidateParent)
{
    DrawParentImageDC(Control, Canvas->Handle(), InvalidateParent);
}

void DrawParentImageDC(TControl* Control, HDC DC, bool InvalidateParent)
{
    TWinControl* Parent = Control ? Control->Parent() : nullptr;
    if (!Parent)
        return;
    const int Saved = SaveDC(DC);
    OffsetViewportOrgEx(DC, -Control->Left(), -Control->Top(), nullptr);
    IntersectClipRect(DC, 0, 0, Parent->ClientWidth(), Parent->ClientHeight());
    Parent->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), 0);
    Parent->Perform(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(DC), PRF_CLIENT);
    RestoreDC(DC, Saved);
    // Custom controls and forms repaint their children themselves.
    if (InvalidateParent && !dynamic_cast<TCustomControl*>(Parent) && !dynamic_cast<TCustomForm*>(Parent))
        Parent->Invalidate();
}

void InvalidateTransparentControls(TWinControl* Container)
{
    if (!Container)
        return;
    for (int I = 0; I < Container->ControlCount(); ++I) {
        TControl* C = Container->Controls(I);
        TPropOrd Transparent = 0;
        if (GetOrdProp(C, "Transparent", Transparent) && Transparent)
            C->Invalidate();
    }
}
