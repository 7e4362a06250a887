#pragma once
// Glyphs, gradient fills and bitmap routines of the component library.
#include <windows.h>

#include "classlib/Graphics.h"
#include "controls/RzCommon.h"

void DrawGradient(TCanvas* Canvas, const RECT& Rect, TGradientDirection Direction, TColor StartColor,
                  TColor StopColor, int Granularity = 1);

// The painters behind DrawGradient; each paints the View part of a
// Width x Height gradient (the whole of it without one) with the view's
// top-left corner at (0, 0) of DC.
void PaintGradient(HDC DC, int Width, int Height, TGradientDirection Direction, TColor StartColor,
                   TColor StopColor, int Granularity, const RECT* View = nullptr);
void PaintLinearGradient(HDC DC, int Width, int Height, bool Horizontal, bool Centered, TColor StartColor,
                         TColor StopColor, int Granularity, const RECT* View = nullptr);
void PaintBoxGradient(HDC DC, int Width, int Height, TGradientDirection Direction, TColor StartColor,
                      TColor StopColor, int Granularity, const RECT* View = nullptr);
void PaintDiagonalGradient(HDC DC, int Width, int Height, bool Down, TColor StartColor, TColor StopColor,
                           const RECT* View = nullptr);

// Fills (0, 0, Width, Height) by repeating the SrcWidth x SrcHeight area
// already painted at the top-left, doubling it each time.
void TileBlt(HDC DC, int Width, int Height, int SrcWidth, int SrcHeight);
// Mirrors the top-left quarter of Width x Height into the other three.
void MirrorBlt(HDC DC, int Width, int Height);

void StretchTransparentBitmap(TCanvas* Canvas, TBitmap* Bitmap, const RECT& DestRect, TColor TransparentColor,
                              const RECT& SourceRect);
void FlipBitmapVertical(TBitmap* Bitmap);

// Glyph styles: 0 classic, 1 themed, 2 the newer flat triangles (always
// used on Windows 6.0 and later). Directions: 0 up, 1 down, 2 left, 3 right.
enum TRzArrowDirection : unsigned char { adUp, adDown, adLeft, adRight };
void DrawDropDownArrow(TCanvas* Canvas, const RECT& Rect, int Style, bool Enabled);
void DrawArrow(TCanvas* Canvas, const RECT& Rect, int Style, bool Enabled, int Direction);
void DrawCloseGlyph(TCanvas* Canvas, const RECT& Rect, TColor Color);
void DrawCloseButtonGlyph(TCanvas* Canvas, const RECT& Rect, int Style, bool Enabled);

enum TRzCheckState : unsigned char { csUnchecked, csChecked, csGrayed };
enum TRzCheckCondition : unsigned char { ccNormalLook, ccPressedLook, ccHotLook, ccDisabledLook };
enum TRzHotTrackStyle : unsigned char { htsInterior, htsFrame };
// The hot look: htsFrame draws a double frame in HotFrameColor; htsInterior
// fills the ring inside the frame from HotFillColor (top) to HotFrameColor.
struct TRzCheckBoxArgs {
    TRzCheckState State = csUnchecked;
    TRzCheckCondition Condition = ccNormalLook;
    bool Focused = false;
    TRzHotTrackStyle HotTrackStyle = htsInterior;
    TColor FrameColor = clBtnShadow;
    TColor MarkColor = clWindowText;
    TColor FillColor = clWindow;
    TColor FocusColor = clWindow;
    TColor DisabledColor = clBtnFace;
    bool ReadOnly = false;
    bool ReadOnlyColorOnFocus = false;
    TColor ReadOnlyColor = clInfoBk;
    TColor HotFrameColor = clHighlight;
    TColor HotFillColor = clWindow;
};
void DrawCustomCheckBox(TCanvas* Canvas, const RECT& Rect, const TRzCheckBoxArgs& Args);

void DrawGroupBarBackground(TCanvas* Canvas, const RECT& Rect, int Style, bool Reverse,
                            TRzGradientColorStyle ColorStyle, TColor StartColor, TColor StopColor);
void DrawGradientFillInset(TCanvas* Canvas, const RECT& Rect, TGradientDirection Direction, TColor StartColor,
                           TColor StopColor);
