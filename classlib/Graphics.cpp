#include "classlib/Graphics.h"

#include "classlib/Streams.h"

#include <algorithm>
#include <cstdlib>
#include <vector>
#include <cstring>

TColor ColorToRGB(TColor Color)
{
    if (Color < 0)
        return static_cast<TColor>(GetSysColor(Color & 0xFF));
    return Color;
}

// ---------------------------------------------------------------------------
// TGraphicsObject
// ---------------------------------------------------------------------------

TGraphicsObject::~TGraphicsObject()
{
    ReleaseObjectHandle();
}

void TGraphicsObject::Changed()
{
    // The old handle dies only after the owner heard of the change: a
    // canvas deselects it first (a selected object cannot be deleted) and a
    // window gets the new font before the old one goes.
    HGDIOBJ Old = FHandle;
    FHandle = nullptr;
    if (OnChange)
        OnChange(this);
    if (Old)
        DeleteObject(Old);
}

HGDIOBJ TGraphicsObject::GetObjectHandle() const
{
    if (!FHandle)
        FHandle = CreateObjectHandle();
    return FHandle;
}

void TGraphicsObject::ReleaseObjectHandle() const
{
    if (FHandle) {
        DeleteObject(FHandle);
        FHandle = nullptr;
    }
}

void TGraphicsObject::AdoptObjectHandle(HGDIOBJ H)
{
    HGDIOBJ Old = FHandle;
    FHandle = H;
    if (OnChange)
        OnChange(this);
    if (Old && Old != H)
        DeleteObject(Old);
}

// ---------------------------------------------------------------------------
// TFont
// ---------------------------------------------------------------------------

TFont::TFont()
{
    // The GUI font of the system, so text metrics match the platform's
    // dialogs; Tahoma 8 pt when there is none.
    NONCLIENTMETRICSA Metrics{};
    Metrics.cbSize = sizeof(Metrics);
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(Metrics), &Metrics, 0) &&
        Metrics.lfMessageFont.lfFaceName[0]) {
        FName = Metrics.lfMessageFont.lfFaceName;
        FHeight = Metrics.lfMessageFont.lfHeight;
        if (FHeight > 0)
            FHeight = -FHeight;
        FCharset = Metrics.lfMessageFont.lfCharSet;
    }
    if (const TWindowDC ScreenDC(nullptr); ScreenDC)
        FPixelsPerInch = GetDeviceCaps(ScreenDC.Get(), LOGPIXELSY);
}

void TFont::Assign(const TPersistent* Source)
{
    if (auto F = dynamic_cast<const TFont*>(Source)) {
        if (F == this)
            return;
        FName = F->FName;
        FHeight = F->FHeight;
        FColor = F->FColor;
        FStyle = F->FStyle;
        FCharset = F->FCharset;
        FPitch = F->FPitch;
        FQuality = F->FQuality;
        FOrientation = F->FOrientation;
        FPixelsPerInch = F->FPixelsPerInch;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

void TFont::SetHandle(HFONT Value)
{
    LOGFONTA LF{};
    if (!Value || GetObjectA(Value, sizeof(LF), &LF) == 0)
        return;
    FName = LF.lfFaceName;
    FHeight = LF.lfHeight;
    FStyle = (LF.lfWeight >= FW_BOLD ? fsBold : 0u) | (LF.lfItalic ? fsItalic : 0u) |
             (LF.lfUnderline ? fsUnderline : 0u) | (LF.lfStrikeOut ? fsStrikeOut : 0u);
    FCharset = LF.lfCharSet;
    FOrientation = LF.lfEscapement;
    AdoptObjectHandle(Value);
}

void TFont::SetName(const std::string& Value)
{
    if (Value.empty() || Value == FName)
        return;
    FName = Value;
    Changed();
}

int TFont::Size() const
{
    return -MulDiv(FHeight, 72, FPixelsPerInch);
}

void TFont::SetSize(int Value)
{
    SetHeight(-MulDiv(Value, FPixelsPerInch, 72));
}

void TFont::SetHeight(int Value)
{
    if (!StoreChanged(FHeight, Value))
        return;
    Changed();
}

void TFont::SetColor(TColor Value)
{
    if (!StoreChanged(FColor, Value))
        return;
    Changed();
}

void TFont::SetStyle(TFontStyles Value)
{
    if (!StoreChanged(FStyle, Value))
        return;
    Changed();
}

void TFont::SetCharset(TFontCharset Value)
{
    if (!StoreChanged(FCharset, Value))
        return;
    Changed();
}

void TFont::SetPitch(TFontPitch Value)
{
    if (!StoreChanged(FPitch, Value))
        return;
    Changed();
}

void TFont::SetQuality(TFontQuality Value)
{
    if (!StoreChanged(FQuality, Value))
        return;
    Changed();
}

void TFont::SetOrientation(int Value)
{
    if (!StoreChanged(FOrientation, Value))
        return;
    Changed();
}

LOGFONTA TFont::LogFont() const
{
    LOGFONTA LF{};
    LF.lfHeight = FHeight;
    LF.lfEscapement = FOrientation;
    LF.lfOrientation = FOrientation;
    LF.lfWeight = (FStyle & fsBold) ? FW_BOLD : FW_NORMAL;
    LF.lfItalic = (FStyle & fsItalic) ? 1 : 0;
    LF.lfUnderline = (FStyle & fsUnderline) ? 1 : 0;
    LF.lfStrikeOut = (FStyle & fsStrikeOut) ? 1 : 0;
    LF.lfCharSet = FCharset;
    LF.lfOutPrecision = OUT_DEFAULT_PRECIS;
    LF.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    static const BYTE Qualities[] = {DEFAULT_QUALITY, DRAFT_QUALITY, PROOF_QUALITY,
                                     NONANTIALIASED_QUALITY, ANTIALIASED_QUALITY, CLEARTYPE_QUALITY};
    LF.lfQuality = Qualities[FQuality];
    LF.lfPitchAndFamily = FPitch == fpFixed ? FIXED_PITCH : FPitch == fpVariable ? VARIABLE_PITCH : DEFAULT_PITCH;
    lstrcpynA(LF.lfFaceName, FName.c_str(), LF_FACESIZE);
    return LF;
}

HGDIOBJ TFont::CreateObjectHandle() const
{
    LOGFONTA LF = LogFont();
    return CreateFontIndirectA(&LF);
}

// ---------------------------------------------------------------------------
// TPen
// ---------------------------------------------------------------------------

void TPen::Assign(const TPersistent* Source)
{
    if (auto P = dynamic_cast<const TPen*>(Source)) {
        if (P == this)
            return;
        FColor = P->FColor;
        FWidth = P->FWidth;
        FStyle = P->FStyle;
        FMode = P->FMode;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

void TPen::SetColor(TColor Value)
{
    if (!StoreChanged(FColor, Value))
        return;
    Changed();
}

void TPen::SetWidth(int Value)
{
    if (Value < 0 || Value == FWidth)
        return;
    FWidth = Value;
    Changed();
}

void TPen::SetStyle(TPenStyle Value)
{
    if (!StoreChanged(FStyle, Value))
        return;
    Changed();
}

void TPen::SetMode(TPenMode Value)
{
    if (!StoreChanged(FMode, Value))
        return;
    Changed();
}

HGDIOBJ TPen::CreateObjectHandle() const
{
    static const int Styles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
    return CreatePen(Styles[FStyle], FWidth, ColorToRef(FColor));
}

// ---------------------------------------------------------------------------
// TBrush
// ---------------------------------------------------------------------------

TBrush::~TBrush() = default;

void TBrush::Assign(const TPersistent* Source)
{
    if (auto B = dynamic_cast<const TBrush*>(Source)) {
        if (B == this)
            return;
        FColor = B->FColor;
        FStyle = B->FStyle;
        FBitmap.reset();
        if (B->FBitmap) {
            FBitmap = std::make_unique<TBitmap>();
            FBitmap->Assign(B->FBitmap.get());
        }
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

void TBrush::SetColor(TColor Value)
{
    if (Value == FColor && FStyle != bsClear)
        return;
    FColor = Value;
    // A colour asks for paint: a clear brush becomes solid, as callers expect
    // after Brush.Style := bsClear earlier.
    if (FStyle == bsClear)
        FStyle = bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle Value)
{
    if (!StoreChanged(FStyle, Value))
        return;
    Changed();
}

void TBrush::SetBitmap(TBitmap* Value)
{
    FBitmap.reset();
    if (Value) {
        FBitmap = std::make_unique<TBitmap>();
        FBitmap->Assign(Value);
    }
    Changed();
}

HGDIOBJ TBrush::CreateObjectHandle() const
{
    if (FBitmap && !FBitmap->Empty())
        return CreatePatternBrush(FBitmap->Handle());
    LOGBRUSH LB{};
    LB.lbColor = ColorToRef(FColor);
    switch (FStyle) {
    case bsSolid: LB.lbStyle = BS_SOLID; break;
    case bsClear: LB.lbStyle = BS_NULL; break;
    default:
        LB.lbStyle = BS_HATCHED;
        LB.lbHatch = static_cast<ULONG_PTR>(FStyle - bsHorizontal);
        break;
    }
    return CreateBrushIndirect(&LB);
}

// ---------------------------------------------------------------------------
// TCanvas
// ---------------------------------------------------------------------------

TCanvas::TCanvas()
    : FFont(std::make_unique<TFont>()), FPen(std::make_unique<TPen>()), FBrush(std::make_unique<TBrush>())
{
    auto Hook = [this](TObject* Sender) { ObjectChanged(Sender); };
    FFont->OnChange = Hook;
    FPen->OnChange = Hook;
    FBrush->OnChange = Hook;
}

TCanvas::~TCanvas()
{
    SetHandle(nullptr);
}

void TCanvas::ObjectChanged(TObject*)
{
    DeselectObjects();
}

HDC TCanvas::Handle()
{
    if (!FHandle)
        CreateHandle();
    if (FHandle)
        RequireObjects();
    return FHandle;
}

void TCanvas::SetHandle(HDC Value)
{
    if (Value == FHandle)
        return;
    DeselectObjects();
    FHandle = Value;
    if (FHandle) {
        POINT P{};
        GetCurrentPositionEx(FHandle, &P);
        FPenPos = P;
    }
}

void TCanvas::RequireObjects()
{
    if (!FHandle)
        return;
    HGDIOBJ Old = SelectObject(FHandle, FFont->Handle());
    if (!FOldFont)
        FOldFont = Old;
    Old = SelectObject(FHandle, FPen->Handle());
    if (!FOldPen)
        FOldPen = Old;
    Old = SelectObject(FHandle, FBrush->Handle());
    if (!FOldBrush)
        FOldBrush = Old;
    SetTextColor(FHandle, ColorToRef(FFont->Color()));
    static const int Rops[] = {R2_BLACK, R2_WHITE, R2_NOP, R2_NOT, R2_COPYPEN, R2_NOTCOPYPEN,
                               R2_MERGEPENNOT, R2_MASKPENNOT, R2_MERGENOTPEN, R2_MASKNOTPEN,
                               R2_MERGEPEN, R2_NOTMERGEPEN, R2_MASKPEN, R2_NOTMASKPEN, R2_XORPEN,
                               R2_NOTXORPEN};
    SetROP2(FHandle, Rops[FPen->Mode()]);
    if (FBrush->Style() == bsSolid) {
        SetBkColor(FHandle, ColorToRef(FBrush->Color()));
        SetBkMode(FHandle, OPAQUE);
    } else {
        SetBkColor(FHandle, ~ColorToRef(FBrush->Color()) & 0xFFFFFF);
        SetBkMode(FHandle, TRANSPARENT);
    }
}

void TCanvas::DeselectObjects()
{
    if (!FHandle)
        return;
    if (FOldFont) {
        SelectObject(FHandle, FOldFont);
        FOldFont = nullptr;
    }
    if (FOldPen) {
        SelectObject(FHandle, FOldPen);
        FOldPen = nullptr;
    }
    if (FOldBrush) {
        SelectObject(FHandle, FOldBrush);
        FOldBrush = nullptr;
    }
}

void TCanvas::Changing()
{
    if (OnChanging)
        OnChanging(this);
}

void TCanvas::Changed()
{
    if (OnChange)
        OnChange(this);
}

void TCanvas::MoveTo(int X, int Y)
{
    MoveToEx(Handle(), X, Y, nullptr);
    FPenPos = TPoint(X, Y);
}

void TCanvas::LineTo(int X, int Y)
{
    Changing();
    ::LineTo(Handle(), X, Y);
    FPenPos = TPoint(X, Y);
    Changed();
}

void TCanvas::Polyline(const POINT* Points, int Count)
{
    if (Count <= 0)
        return;
    Changing();
    ::Polyline(Handle(), Points, Count);
    Changed();
}

void TCanvas::Polygon(const POINT* Points, int Count)
{
    if (Count <= 0)
        return;
    Changing();
    ::Polygon(Handle(), Points, Count);
    Changed();
}

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2)
{
    Changing();
    ::Rectangle(Handle(), X1, Y1, X2, Y2);
    Changed();
}

void TCanvas::RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3)
{
    Changing();
    ::RoundRect(Handle(), X1, Y1, X2, Y2, X3, Y3);
    Changed();
}

void TCanvas::Ellipse(int X1, int Y1, int X2, int Y2)
{
    Changing();
    ::Ellipse(Handle(), X1, Y1, X2, Y2);
    Changed();
}

void TCanvas::FillRect(const RECT& R)
{
    Changing();
    ::FillRect(Handle(), &R, FBrush->Handle());
    Changed();
}

void TCanvas::FrameRect(const RECT& R)
{
    Changing();
    ::FrameRect(Handle(), &R, FBrush->Handle());
    Changed();
}

void TCanvas::DrawFocusRect(const RECT& R)
{
    Changing();
    ::DrawFocusRect(Handle(), &R);
    Changed();
}

TColor TCanvas::Pixel(int X, int Y)
{
    return static_cast<TColor>(GetPixel(Handle(), X, Y));
}

void TCanvas::SetPixel(int X, int Y, TColor Color)
{
    Changing();
    SetPixelV(Handle(), X, Y, ColorToRef(Color));
    Changed();
}

void TCanvas::TextOut(int X, int Y, const std::string& Text)
{
    Changing();
    HDC DC = Handle();
    ExtTextOutA(DC, X, Y, 0, nullptr, Text.data(), static_cast<UINT>(Text.size()), nullptr);
    // With TA_UPDATECP the device context moved the position for us.
    if ((GetTextAlign(DC) & TA_UPDATECP) == 0)
        MoveTo(X + TextWidth(Text), Y);
    Changed();
}

void TCanvas::TextRect(const RECT& R, int X, int Y, const std::string& Text)
{
    Changing();
    UINT Options = ETO_CLIPPED;
    if (FBrush->Style() != bsClear)
        Options |= ETO_OPAQUE;
    ExtTextOutA(Handle(), X, Y, Options, &R, Text.data(), static_cast<UINT>(Text.size()), nullptr);
    Changed();
}

int TCanvas::DrawText(const std::string& Text, RECT& R, UINT Format)
{
    if ((Format & DT_CALCRECT) == 0)
        Changing();
    int H = ::DrawTextA(Handle(), Text.data(), static_cast<int>(Text.size()), &R, Format);
    if ((Format & DT_CALCRECT) == 0)
        Changed();
    return H;
}

SIZE TCanvas::TextExtent(const std::string& Text)
{
    SIZE S{0, 0};
    GetTextExtentPoint32A(Handle(), Text.data(), static_cast<int>(Text.size()), &S);
    return S;
}

void TCanvas::Draw(int X, int Y, TBitmap* Bitmap)
{
    if (!Bitmap || Bitmap->Empty())
        return;
    StretchDraw(Bounds(X, Y, Bitmap->Width(), Bitmap->Height()), Bitmap);
}

void TCanvas::StretchDraw(const RECT& R, TBitmap* Bitmap)
{
    if (!Bitmap || Bitmap->Empty())
        return;
    Changing();
    HDC Dst = Handle();
    HDC Src = Bitmap->Canvas()->Handle();
    int W = R.right - R.left, H = R.bottom - R.top;
    if (Bitmap->Transparent()) {
        COLORREF Key = ColorToRef(Bitmap->TransparentColor());
        GdiTransparentBlt(Dst, R.left, R.top, W, H, Src, 0, 0, Bitmap->Width(), Bitmap->Height(), Key);
    } else if (W == Bitmap->Width() && H == Bitmap->Height()) {
        BitBlt(Dst, R.left, R.top, W, H, Src, 0, 0, FCopyMode);
    } else {
        SetStretchBltMode(Dst, COLORONCOLOR);
        StretchBlt(Dst, R.left, R.top, W, H, Src, 0, 0, Bitmap->Width(), Bitmap->Height(), FCopyMode);
    }
    Changed();
}

void TCanvas::CopyRect(const RECT& Dest, TCanvas* Canvas, const RECT& Source)
{
    Changing();
    HDC Dst = Handle();
    SetStretchBltMode(Dst, COLORONCOLOR);
    StretchBlt(Dst, Dest.left, Dest.top, Dest.right - Dest.left, Dest.bottom - Dest.top, Canvas->Handle(),
               Source.left, Source.top, Source.right - Source.left, Source.bottom - Source.top, FCopyMode);
    Changed();
}

TRect TCanvas::ClipRect()
{
    RECT R{};
    GetClipBox(Handle(), &R);
    return R;
}

// ---------------------------------------------------------------------------
// TBitmap
// ---------------------------------------------------------------------------

namespace {

// A canvas whose device context is its bitmap's memory DC.
class TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(HDC DC) { SetHandle(DC); }
};

} // namespace

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int AWidth, int AHeight)
{
    SetSize(AWidth, AHeight);
}

TBitmap::~TBitmap()
{
    FreeImage();
}

void TBitmap::FreeImage()
{
    if (FCanvas) {
        FCanvas->SetHandle(nullptr);
        FCanvas.reset();
    }
    // The bitmap leaves the DC before either is deleted.
    if (FDC)
        SelectObject(FDC.Get(), FOldBitmap);
    FDC.Reset();
    FHandle.Reset();
    FBits = nullptr;
    FWidth = FHeight = 0;
}

void TBitmap::Allocate(int AWidth, int AHeight)
{
    void* Bits = nullptr;
    FHandle.Reset(CreateTopDownDIB(AWidth, AHeight, &Bits));
    FBits = static_cast<std::uint32_t*>(Bits);
    FWidth = AWidth;
    FHeight = AHeight;
    std::fill(FBits, FBits + static_cast<size_t>(AWidth) * static_cast<size_t>(AHeight), 0x00FFFFFFu);
    FDC.Reset(CreateCompatibleDC(nullptr));
    FOldBitmap = SelectObject(FDC.Get(), FHandle.Get());
}

void TBitmap::SetSize(int AWidth, int AHeight)
{
    AWidth = std::max(AWidth, 0);
    AHeight = std::max(AHeight, 0);
    if (AWidth == FWidth && AHeight == FHeight)
        return;
    std::vector<std::uint32_t> Old;
    int OldW = FWidth, OldH = FHeight;
    if (FBits)
        Old.assign(FBits, FBits + static_cast<size_t>(OldW) * static_cast<size_t>(OldH));
    // The canvas outlives the new image: keep its font, pen and brush.
    std::unique_ptr<TCanvas> KeepCanvas = std::move(FCanvas);
    if (KeepCanvas)
        KeepCanvas->SetHandle(nullptr);
    FreeImage();
    if (AWidth > 0 && AHeight > 0) {
        Allocate(AWidth, AHeight);
        for (int Y = 0; Y < std::min(OldH, AHeight); ++Y)
            std::memcpy(FBits + static_cast<size_t>(Y) * AWidth, Old.data() + static_cast<size_t>(Y) * OldW,
                        sizeof(std::uint32_t) * static_cast<size_t>(std::min(OldW, AWidth)));
    }
    FCanvas = std::move(KeepCanvas);
    if (FCanvas)
        FCanvas->SetHandle(FDC.Get());
    if (OnChange)
        OnChange(this);
}

TCanvas* TBitmap::Canvas()
{
    // An empty bitmap still gives a canvas to measure text on.
    if (!FDC) {
        FDC.Reset(CreateCompatibleDC(nullptr));
        FOldBitmap = GetCurrentObject(FDC.Get(), OBJ_BITMAP);
    }
    if (!FCanvas)
        FCanvas = std::make_unique<TBitmapCanvas>(FDC.Get());
    else if (!FCanvas->HandleAllocated())
        FCanvas->SetHandle(FDC.Get());
    return FCanvas.get();
}

std::uint32_t* TBitmap::ScanLine(int Y) const
{
    if (!FBits || Y < 0 || Y >= FHeight)
        throw EOutOfRange("Scan line index out of range");
    GdiFlush();
    return FBits + static_cast<size_t>(Y) * static_cast<size_t>(FWidth);
}

TColor TBitmap::TransparentColor() const
{
    if (FTransparentColor != clDefault)
        return FTransparentColor;
    if (!FBits)
        return clDefault;
    GdiFlush();
    std::uint32_t P = FBits[static_cast<size_t>(FHeight - 1) * static_cast<size_t>(FWidth)];
    return static_cast<TColor>(((P & 0xFF) << 16) | (P & 0xFF00) | ((P >> 16) & 0xFF));
}

void TBitmap::Assign(const TPersistent* Source)
{
    if (auto B = dynamic_cast<const TBitmap*>(Source)) {
        if (B == this)
            return;
        SetSize(0, 0);
        if (!B->Empty()) {
            SetSize(B->FWidth, B->FHeight);
            GdiFlush();
            std::memcpy(FBits, B->FBits, sizeof(std::uint32_t) * static_cast<size_t>(FWidth) * static_cast<size_t>(FHeight));
        }
        FTransparent = B->FTransparent;
        FTransparentColor = B->FTransparentColor;
        if (OnChange)
            OnChange(this);
        return;
    }
    TPersistent::Assign(Source);
}

void TBitmap::SetHandle(HBITMAP Value)
{
    if (!Value) {
        SetSize(0, 0);
        return;
    }
    BITMAP BM{};
    if (GetObjectA(Value, sizeof(BM), &BM) == 0)
        return;
    SetSize(0, 0);
    SetSize(BM.bmWidth, std::abs(BM.bmHeight));
    // The bitmap handed in is the bitmap's own from here on: copied, then deleted.
    const TGdiObject<HBITMAP> Given(Value);
    const TOwnedDC Src(CreateCompatibleDC(nullptr));
    const TSelectedObject Selected(Src.Get(), Value);
    BitBlt(FDC.Get(), 0, 0, FWidth, FHeight, Src.Get(), 0, 0, SRCCOPY);
}

void TBitmap::LoadFromResourceName(HINSTANCE Instance, const std::string& ResName)
{
    HBITMAP H = static_cast<HBITMAP>(LoadImageA(Instance, ResName.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!H)
        throw EResNotFound(Format("Resource %s not found", ResName));
    SetHandle(H);
}

void TBitmap::SaveToStream(TStream* Stream) const
{
    BITMAPFILEHEADER FH{};
    BITMAPINFOHEADER IH{};
    IH.biSize = sizeof(IH);
    IH.biWidth = FWidth;
    IH.biHeight = -FHeight;
    IH.biPlanes = 1;
    IH.biBitCount = 32;
    IH.biCompression = BI_RGB;
    DWORD DataSize = static_cast<DWORD>(FWidth) * static_cast<DWORD>(FHeight) * 4;
    FH.bfType = BitmapFileType;
    FH.bfOffBits = sizeof(FH) + sizeof(IH);
    FH.bfSize = FH.bfOffBits + DataSize;
    Stream->WriteBuffer(&FH, sizeof(FH));
    Stream->WriteBuffer(&IH, sizeof(IH));
    GdiFlush();
    if (DataSize)
        Stream->WriteBuffer(FBits, static_cast<std::int32_t>(DataSize));
}

void TBitmap::LoadFromStream(TStream* Stream)
{
    BITMAPFILEHEADER FH{};
    BITMAPINFOHEADER IH{};
    Stream->ReadBuffer(&FH, sizeof(FH));
    Stream->ReadBuffer(&IH, sizeof(IH));
    // Only the layout SaveToStream writes; sizes are checked against the
    // bytes present before anything is allocated.
    const std::int64_t Rest = Stream->Size() - Stream->Position();
    const std::int64_t W = IH.biWidth, H = IH.biHeight < 0 ? -std::int64_t(IH.biHeight) : IH.biHeight;
    if (FH.bfType != BitmapFileType || IH.biSize != sizeof(IH) || IH.biPlanes != 1 || IH.biBitCount != 32 ||
        IH.biCompression != BI_RGB || FH.bfOffBits != sizeof(FH) + sizeof(IH) || W < 0 || W * H > Rest / 4)
        throw EInvalidGraphic("Bitmap image is not valid");
    std::vector<std::uint32_t> Pixels(static_cast<size_t>(W * H));
    if (!Pixels.empty())
        Stream->ReadBuffer(Pixels.data(), static_cast<std::int32_t>(W * H * 4));
    SetSize(0, 0);
    SetSize(static_cast<int>(W), static_cast<int>(H));
    for (int Y = 0; Y < FHeight; ++Y) {
        // A positive height is stored bottom-up.
        const int Row = IH.biHeight < 0 ? Y : FHeight - 1 - Y;
        std::memcpy(FBits + static_cast<size_t>(Y) * FWidth, Pixels.data() + static_cast<size_t>(Row) * FWidth,
                    sizeof(std::uint32_t) * static_cast<size_t>(FWidth));
    }
    if (OnChange)
        OnChange(this);
}

void TBitmap::SaveToFile(const std::string& FileName) const
{
    TFileStream F(FileName, fmCreate);
    SaveToStream(&F);
}

// ---------------------------------------------------------------------------
// Fills and blits
// ---------------------------------------------------------------------------

void GradientFillCanvas(TCanvas* Canvas, TColor StartColor, TColor EndColor, const RECT& R,
                        TGradientFillDirection Direction)
{
    if (R.right <= R.left || R.bottom <= R.top)
        return;
    COLORREF C1 = ColorToRef(StartColor), C2 = ColorToRef(EndColor);
    TRIVERTEX V[2];
    V[0].x = R.left;
    V[0].y = R.top;
    V[0].Red = static_cast<COLOR16>(GetRValue(C1) << 8);
    V[0].Green = static_cast<COLOR16>(GetGValue(C1) << 8);
    V[0].Blue = static_cast<COLOR16>(GetBValue(C1) << 8);
    V[0].Alpha = 0;
    V[1].x = R.right;
    V[1].y = R.bottom;
    V[1].Red = static_cast<COLOR16>(GetRValue(C2) << 8);
    V[1].Green = static_cast<COLOR16>(GetGValue(C2) << 8);
    V[1].Blue = static_cast<COLOR16>(GetBValue(C2) << 8);
    V[1].Alpha = 0;
    GRADIENT_RECT GR{0, 1};
    GdiGradientFill(Canvas->Handle(), V, 2, &GR, 1,
                    Direction == gfTopToBottom ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H);
}

void TransparentStretchBlt(HDC DstDC, int DstX, int DstY, int DstW, int DstH, HDC SrcDC, int SrcX,
                           int SrcY, int SrcW, int SrcH, HDC MaskDC, int MaskX, int MaskY)
{
    // Classic mask composition through a memory copy of the destination:
    // dest AND mask, source AND NOT mask, then OR them.
    const TOwnedDC Mem(CreateCompatibleDC(nullptr));
    const TGdiObject<HBITMAP> MemBmp(CreateCompatibleBitmap(SrcDC, SrcW, SrcH));
    const TSelectedObject Selected(Mem.Get(), MemBmp.Get());
    const HDC MemDC = Mem.Get();
    COLORREF OldText = SetTextColor(DstDC, RGB(0, 0, 0));
    COLORREF OldBk = SetBkColor(DstDC, RGB(255, 255, 255));
    COLORREF OldMemText = SetTextColor(MemDC, RGB(0, 0, 0));
    COLORREF OldMemBk = SetBkColor(MemDC, RGB(255, 255, 255));
    SetStretchBltMode(DstDC, COLORONCOLOR);
    BitBlt(MemDC, 0, 0, SrcW, SrcH, MaskDC, MaskX, MaskY, NOTSRCCOPY);
    BitBlt(MemDC, 0, 0, SrcW, SrcH, SrcDC, SrcX, SrcY, SRCAND);
    StretchBlt(DstDC, DstX, DstY, DstW, DstH, MaskDC, MaskX, MaskY, SrcW, SrcH, SRCAND);
    StretchBlt(DstDC, DstX, DstY, DstW, DstH, MemDC, 0, 0, SrcW, SrcH, SRCPAINT);
    SetTextColor(MemDC, OldMemText);
    SetBkColor(MemDC, OldMemBk);
    SetTextColor(DstDC, OldText);
    SetBkColor(DstDC, OldBk);
}

HBITMAP CreateTopDownDIB(int Width, int Height, void** Bits)
{
    BITMAPINFO BI{};
    BI.bmiHeader.biSize = sizeof(BI.bmiHeader);
    BI.bmiHeader.biWidth = Width;
    BI.bmiHeader.biHeight = -Height; // top-down rows
    BI.bmiHeader.biPlanes = 1;
    BI.bmiHeader.biBitCount = 32;
    BI.bmiHeader.biCompression = BI_RGB;
    HBITMAP H = CreateDIBSection(nullptr, &BI, DIB_RGB_COLORS, Bits, nullptr, 0);
    if (!H)
        throw EOutOfResources("Out of system resources");
    return H;
}

HFONT CreateRotatedFontHandle(const TFont* Font, int Escapement)
{
    LOGFONTA LF = Font->LogFont();
    LF.lfEscapement = Escapement;
    LF.lfOrientation = Escapement;
    // Only outline fonts turn; ask for one.
    LF.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    return CreateFontIndirectA(&LF);
}
