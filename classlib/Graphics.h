#pragma once
// Colours, fonts, pens, brushes, the canvas over a device context and
// bitmaps on DIB sections.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "classlib/Cleanup.h"
#include "classlib/Classes.h"

class EOutOfResources : public Exception { public: using Exception::Exception; };
constexpr WORD BitmapFileType = 0x4D42; // "BM"

class EInvalidGraphic : public Exception { public: using Exception::Exception; };
class EResNotFound : public Exception { public: using Exception::Exception; };

// ---------------------------------------------------------------------------
// Geometry
// ---------------------------------------------------------------------------

struct TPoint : POINT {
    TPoint() : POINT{0, 0} {}
    TPoint(LONG AX, LONG AY) : POINT{AX, AY} {}
    TPoint(const POINT& P) : POINT(P) {}
    bool operator==(const TPoint& O) const { return x == O.x && y == O.y; }
};

struct TRect : RECT {
    TRect() : RECT{0, 0, 0, 0} {}
    TRect(LONG L, LONG T, LONG R, LONG B) : RECT{L, T, R, B} {}
    TRect(const RECT& R) : RECT(R) {}
    LONG Width() const { return right - left; }
    LONG Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(const POINT& P) const { return P.x >= left && P.x < right && P.y >= top && P.y < bottom; }
    TPoint TopLeft() const { return TPoint(left, top); }
    TPoint BottomRight() const { return TPoint(right, bottom); }
    bool operator==(const TRect& O) const
    {
        return left == O.left && top == O.top && right == O.right && bottom == O.bottom;
    }
};

inline TRect Rect(LONG L, LONG T, LONG R, LONG B) { return TRect(L, T, R, B); }
inline TRect Bounds(LONG L, LONG T, LONG W, LONG H) { return TRect(L, T, L + W, T + H); }
inline TPoint Point(LONG X, LONG Y) { return TPoint(X, Y); }
// A copy of R moved in by DX and DY on each side (negative values grow it).
inline TRect InflatedRect(const RECT& R, LONG DX, LONG DY)
{
    return TRect(R.left - DX, R.top - DY, R.right + DX, R.bottom + DY);
}

// ---------------------------------------------------------------------------
// Colours
// ---------------------------------------------------------------------------

// $00BBGGRR for an RGB colour; a system colour has the top byte $FF and the
// COLOR_* index in the low byte.
using TColor = std::int32_t;

constexpr TColor SysColor(int Index) { return static_cast<TColor>(0xFF000000u | static_cast<unsigned>(Index)); }

constexpr TColor clScrollBar = SysColor(COLOR_SCROLLBAR);
constexpr TColor clBackground = SysColor(COLOR_BACKGROUND);
constexpr TColor clActiveCaption = SysColor(COLOR_ACTIVECAPTION);
constexpr TColor clInactiveCaption = SysColor(COLOR_INACTIVECAPTION);
constexpr TColor clMenu = SysColor(COLOR_MENU);
constexpr TColor clWindow = SysColor(COLOR_WINDOW);
constexpr TColor clWindowFrame = SysColor(COLOR_WINDOWFRAME);
constexpr TColor clMenuText = SysColor(COLOR_MENUTEXT);
constexpr TColor clWindowText = SysColor(COLOR_WINDOWTEXT);
constexpr TColor clCaptionText = SysColor(COLOR_CAPTIONTEXT);
constexpr TColor clActiveBorder = SysColor(COLOR_ACTIVEBORDER);
constexpr TColor clInactiveBorder = SysColor(COLOR_INACTIVEBORDER);
constexpr TColor clAppWorkSpace = SysColor(COLOR_APPWORKSPACE);
constexpr TColor clHighlight = SysColor(COLOR_HIGHLIGHT);
constexpr TColor clHighlightText = SysColor(COLOR_HIGHLIGHTTEXT);
constexpr TColor clBtnFace = SysColor(COLOR_BTNFACE);
constexpr TColor clBtnShadow = SysColor(COLOR_BTNSHADOW);
constexpr TColor clGrayText = SysColor(COLOR_GRAYTEXT);
constexpr TColor clBtnText = SysColor(COLOR_BTNTEXT);
constexpr TColor clInactiveCaptionText = SysColor(COLOR_INACTIVECAPTIONTEXT);
constexpr TColor clBtnHighlight = SysColor(COLOR_BTNHIGHLIGHT);
constexpr TColor cl3DDkShadow = SysColor(COLOR_3DDKSHADOW);
constexpr TColor cl3DLight = SysColor(COLOR_3DLIGHT);
constexpr TColor clInfoText = SysColor(COLOR_INFOTEXT);
constexpr TColor clInfoBk = SysColor(COLOR_INFOBK);
constexpr TColor clHotLight = SysColor(COLOR_HOTLIGHT);
constexpr TColor clGradientActiveCaption = SysColor(COLOR_GRADIENTACTIVECAPTION);
constexpr TColor clGradientInactiveCaption = SysColor(COLOR_GRADIENTINACTIVECAPTION);
constexpr TColor clMenuHighlight = SysColor(COLOR_MENUHILIGHT);
constexpr TColor clMenuBar = SysColor(COLOR_MENUBAR);

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// A system colour resolved to its current RGB value; other values unchanged.
TColor ColorToRGB(TColor Color);
// ColorToRGB as a COLORREF, for GDI calls.
inline COLORREF ColorToRef(TColor Color) { return static_cast<COLORREF>(ColorToRGB(Color)) & 0x00FFFFFFu; }

// ---------------------------------------------------------------------------
// Graphics objects
// ---------------------------------------------------------------------------

// Base of fonts, pens and brushes: a description that creates its GDI object
// on demand and tells its owner (OnChange) whenever the description changes.
class TGraphicsObject : public TPersistent {
public:
    ~TGraphicsObject() override;
    TNotifyEvent OnChange;

protected:
    virtual void Changed();
    // The handle, created when missing; deleted when the description changes.
    HGDIOBJ GetObjectHandle() const;
    virtual HGDIOBJ CreateObjectHandle() const = 0;
    void ReleaseObjectHandle() const;
    // Takes over a handle the caller made (Font.Handle := ...).
    void AdoptObjectHandle(HGDIOBJ H);

private:
    mutable HGDIOBJ FHandle = nullptr;
};

enum TFontStyle : unsigned { fsBold = 1u << 0, fsItalic = 1u << 1, fsUnderline = 1u << 2, fsStrikeOut = 1u << 3 };
using TFontStyles = unsigned;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
enum TFontQuality { fqDefault, fqDraft, fqProof, fqNonAntialiased, fqAntialiased, fqClearType };
using TFontCharset = BYTE;

class TFont : public TGraphicsObject {
public:
    TFont();
    void Assign(const TPersistent* Source) override;
    // Stored with a form: Charset, Color, Height, Name, Pitch, Style.
    const TPropertyTable* Properties() const override;

    HFONT Handle() const { return static_cast<HFONT>(GetObjectHandle()); }
    // Adopts the font's description from the handle and owns the handle.
    void SetHandle(HFONT Value);

    const std::string& Name() const { return FName; }
    void SetName(const std::string& Value);
    // Points; Height is pixels (negative: character height, as in LOGFONT).
    int Size() const;
    void SetSize(int Value);
    int Height() const { return FHeight; }
    void SetHeight(int Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles Value);
    TFontCharset Charset() const { return FCharset; }
    void SetCharset(TFontCharset Value);
    TFontPitch Pitch() const { return FPitch; }
    void SetPitch(TFontPitch Value);
    TFontQuality Quality() const { return FQuality; }
    void SetQuality(TFontQuality Value);
    // Escapement and orientation in tenths of a degree (rotated text).
    int Orientation() const { return FOrientation; }
    void SetOrientation(int Value);
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int Value) { FPixelsPerInch = Value; }

    // The LOGFONT this font creates.
    LOGFONTA LogFont() const;

protected:
    HGDIOBJ CreateObjectHandle() const override;

private:
    std::string FName = "Tahoma";
    int FHeight = -11;
    TColor FColor = clWindowText;
    TFontStyles FStyle = 0;
    TFontCharset FCharset = DEFAULT_CHARSET;
    TFontPitch FPitch = fpDefault;
    TFontQuality FQuality = fqDefault;
    int FOrientation = 0;
    int FPixelsPerInch = 96;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode { pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
                pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor };

class TPen : public TGraphicsObject {
public:
    void Assign(const TPersistent* Source) override;
    HPEN Handle() const { return static_cast<HPEN>(GetObjectHandle()); }
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    int Width() const { return FWidth; }
    void SetWidth(int Value);
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle Value);
    // The raster operation the canvas sets with the pen (R2_*).
    TPenMode Mode() const { return FMode; }
    void SetMode(TPenMode Value);

protected:
    HGDIOBJ CreateObjectHandle() const override;

private:
    TColor FColor = clBlack;
    int FWidth = 1;
    TPenStyle FStyle = psSolid;
    TPenMode FMode = pmCopy;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class TBitmap;

class TBrush : public TGraphicsObject {
public:
    ~TBrush() override;
    void Assign(const TPersistent* Source) override;
    HBRUSH Handle() const { return static_cast<HBRUSH>(GetObjectHandle()); }
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle Value);
    // A pattern brush from a copy of the bitmap; null returns to colour/style.
    TBitmap* Bitmap() const { return FBitmap.get(); }
    void SetBitmap(TBitmap* Value);

protected:
    HGDIOBJ CreateObjectHandle() const override;

private:
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
    std::unique_ptr<TBitmap> FBitmap;
};

// ---------------------------------------------------------------------------
// TCanvas
// ---------------------------------------------------------------------------

class TCanvas : public TPersistent {
public:
    TCanvas();
    ~TCanvas() override;

    // The device context drawn on; a canvas that has none asks CreateHandle.
    HDC Handle();
    void SetHandle(HDC Value);
    bool HandleAllocated() const { return FHandle != nullptr; }

    TFont* Font() const { return FFont.get(); }
    TPen* Pen() const { return FPen.get(); }
    TBrush* Brush() const { return FBrush.get(); }
    void SetFont(const TFont* Value) { FFont->Assign(Value); }
    void SetPen(const TPen* Value) { FPen->Assign(Value); }
    void SetBrush(const TBrush* Value) { FBrush->Assign(Value); }

    TPoint PenPos() const { return FPenPos; }
    void SetPenPos(const TPoint& Value) { MoveTo(Value.x, Value.y); }
    void MoveTo(int X, int Y);
    void LineTo(int X, int Y);
    void Polyline(const POINT* Points, int Count);
    void Polygon(const POINT* Points, int Count);
    void Rectangle(int X1, int Y1, int X2, int Y2);
    void Rectangle(const RECT& R) { Rectangle(R.left, R.top, R.right, R.bottom); }
    void RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3);
    void Ellipse(int X1, int Y1, int X2, int Y2);
    void Ellipse(const RECT& R) { Ellipse(R.left, R.top, R.right, R.bottom); }
    // With the brush, no outline.
    void FillRect(const RECT& R);
    // One-pixel outline in the brush colour.
    void FrameRect(const RECT& R);
    void DrawFocusRect(const RECT& R);

    TColor Pixel(int X, int Y);
    void SetPixel(int X, int Y, TColor Color);

    void TextOut(int X, int Y, const std::string& Text);
    // Text clipped to R and started at (X, Y).
    void TextRect(const RECT& R, int X, int Y, const std::string& Text);
    // DrawTextA with the canvas font; returns the height drawn, R adjusted
    // with DT_CALCRECT.
    int DrawText(const std::string& Text, RECT& R, UINT Format);
    SIZE TextExtent(const std::string& Text);
    int TextWidth(const std::string& Text) { return TextExtent(Text).cx; }
    int TextHeight(const std::string& Text) { return TextExtent(Text).cy; }

    void Draw(int X, int Y, TBitmap* Bitmap);
    void StretchDraw(const RECT& R, TBitmap* Bitmap);
    // Copies Source (of Canvas) onto Dest with the CopyMode raster operation.
    void CopyRect(const RECT& Dest, TCanvas* Canvas, const RECT& Source);
    DWORD CopyMode() const { return FCopyMode; }
    void SetCopyMode(DWORD Value) { FCopyMode = Value; }

    // The clip box of the device context.
    TRect ClipRect();

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    virtual void CreateHandle() {}
    virtual void Changing();
    virtual void Changed();
    // Selects the current font, pen and brush into the device context.
    void RequireObjects();
    // Puts the stock objects back so ours may be deleted.
    void DeselectObjects();

private:
    void ObjectChanged(TObject*);

    HDC FHandle = nullptr;
    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TPen> FPen;
    std::unique_ptr<TBrush> FBrush;
    TPoint FPenPos;
    DWORD FCopyMode = SRCCOPY;
    HGDIOBJ FOldFont = nullptr;
    HGDIOBJ FOldPen = nullptr;
    HGDIOBJ FOldBrush = nullptr;
};

// ---------------------------------------------------------------------------
// TBitmap: a 32-bit top-down DIB section with its own memory canvas.
// ---------------------------------------------------------------------------

class TBitmap : public TPersistent {
public:
    TBitmap();
    TBitmap(int AWidth, int AHeight);
    ~TBitmap() override;
    void Assign(const TPersistent* Source) override;
    // Stored with a form as "Data": a 32-bit top-down BMP file.
    void DefineProperties(TFiler* Filer) override;

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetWidth(int Value) { SetSize(Value, FHeight); }
    void SetHeight(int Value) { SetSize(FWidth, Value); }
    // Keeps the pixels that still fit; new pixels are white.
    void SetSize(int AWidth, int AHeight);
    bool Empty() const { return FWidth == 0 || FHeight == 0; }

    HBITMAP Handle() const { return FHandle.Get(); }
    // Adopts a bitmap handle: its pixels are copied into a new DIB section
    // and the handle is deleted.
    void SetHandle(HBITMAP Value);
    TCanvas* Canvas();
    // The pixels of row Y, BGRA, Width entries.
    std::uint32_t* ScanLine(int Y) const;

    // Transparent drawing leaves out TransparentColor (default: the
    // bottom-left pixel).
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value) { FTransparent = Value; }
    TColor TransparentColor() const;
    void SetTransparentColor(TColor Value) { FTransparentColor = Value; }

    void LoadFromResourceName(HINSTANCE Instance, const std::string& ResName);
    void SaveToFile(const std::string& FileName) const;
    // A 32-bit BMP file; loading accepts that layout only.
    void SaveToStream(TStream* Stream) const;
    void LoadFromStream(TStream* Stream);

    TNotifyEvent OnChange;

private:
    friend class TCanvas;
    void FreeImage();
    void Allocate(int AWidth, int AHeight);

    int FWidth = 0;
    int FHeight = 0;
    TGdiObject<HBITMAP> FHandle;
    std::uint32_t* FBits = nullptr;
    TOwnedDC FDC;
    HGDIOBJ FOldBitmap = nullptr;
    std::unique_ptr<TCanvas> FCanvas;
    bool FTransparent = false;
    TColor FTransparentColor = clDefault;
};

// ---------------------------------------------------------------------------
// Fills and blits the components build on
// ---------------------------------------------------------------------------

enum TGradientFillDirection { gfTopToBottom, gfLeftToRight };
// A two-colour linear fill of R: StartColor at the top (or left), EndColor
// at the bottom (or right).
void GradientFillCanvas(TCanvas* Canvas, TColor StartColor, TColor EndColor, const RECT& R,
                        TGradientFillDirection Direction);

// Copies the source rectangle stretched onto the destination, leaving out
// every pixel whose mask bit is 1 (mask: monochrome, same coordinates as the
// source).
void TransparentStretchBlt(HDC DstDC, int DstX, int DstY, int DstW, int DstH, HDC SrcDC, int SrcX,
                           int SrcY, int SrcW, int SrcH, HDC MaskDC, int MaskX, int MaskY);

// A font handle the caller owns: Font turned by Escapement tenths of a degree.
HFONT CreateRotatedFontHandle(const TFont* Font, int Escapement);
// A 32-bit top-down DIB section of Width x Height and its pixels; throws
// EOutOfResources when it cannot be made.
HBITMAP CreateTopDownDIB(int Width, int Height, void** Bits);
