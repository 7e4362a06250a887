#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "classlib/Graphics.h"
#include "testkit/PixelProbe.h"
#include "testkit/TestFolder.h"

namespace {


TColor SysRGB(int Index)
{
    return static_cast<TColor>(GetSysColor(Index));
}

} // namespace

TEST(GraphicsColor, ColorToRGBResolvesSystemColoursOnly)
{
    struct Case {
        TColor In;
        TColor Expected;
    };
    const Case Cases[] = {
        {clBtnFace, SysRGB(COLOR_BTNFACE)},
        {clWindow, SysRGB(COLOR_WINDOW)},
        {clBtnShadow, SysRGB(COLOR_BTNSHADOW)},
        {clBtnHighlight, SysRGB(COLOR_BTNHIGHLIGHT)},
        {cl3DDkShadow, SysRGB(COLOR_3DDKSHADOW)},
        {clHighlight, SysRGB(COLOR_HIGHLIGHT)},
        {clInfoBk, SysRGB(COLOR_INFOBK)},
        {clGrayText, SysRGB(COLOR_GRAYTEXT)},
        {clRed, 0x0000FF},
        {clPurple, 0x800080},
        {0x123456, 0x123456},
        {clNone, clNone},
    };
    for (const Case& C : Cases)
        EXPECT_EQ(ColorToRGB(C.In), C.Expected) << std::hex << C.In;
}

TEST(GraphicsObjects, SettersNotifyOnlyOnRealChanges)
{
    TFont F;
    int Changes = 0;
    F.OnChange = [&](TObject*) { ++Changes; };
    struct Step {
        std::function<void()> Do;
        int Expected;
    };
    const std::string Name = F.Name();
    const Step Steps[] = {
        {[&] { F.SetColor(clRed); }, 1},
        {[&] { F.SetColor(clRed); }, 1},
        {[&] { F.SetStyle(fsBold | fsItalic); }, 2},
        {[&] { F.SetStyle(fsBold | fsItalic); }, 2},
        {[&] { F.SetName(Name); }, 2},
        {[&] { F.SetName("Courier New"); }, 3},
        {[&] { F.SetHeight(-20); }, 4},
        {[&] { F.SetHeight(-20); }, 4},
        {[&] { F.SetOrientation(900); }, 5},
    };
    for (size_t I = 0; I < std::size(Steps); ++I) {
        Steps[I].Do();
        EXPECT_EQ(Changes, Steps[I].Expected) << "step " << I;
    }

    TPen P;
    TBrush B;
    int PenChanges = 0, BrushChanges = 0;
    P.OnChange = [&](TObject*) { ++PenChanges; };
    B.OnChange = [&](TObject*) { ++BrushChanges; };
    P.SetColor(clBlack);
    P.SetWidth(1);
    P.SetStyle(psSolid);
    EXPECT_EQ(PenChanges, 0);
    P.SetWidth(3);
    EXPECT_EQ(PenChanges, 1);
    B.SetColor(clWhite);
    B.SetStyle(bsSolid);
    EXPECT_EQ(BrushChanges, 0);
    B.SetStyle(bsClear);
    // A colour on a clear brush makes it solid again: one change.
    B.SetColor(clWhite);
    EXPECT_EQ(B.Style(), bsSolid);
    EXPECT_EQ(BrushChanges, 2);
}

TEST(GraphicsCanvas, ShapesLinesAndPixelsOnA32BitDib)
{
    TBitmap B(40, 30);
    TCanvas* C = B.Canvas();
    EXPECT_EQ(GetDeviceCaps(C->Handle(), BITSPIXEL), 32);

    C->Brush()->SetColor(clBtnFace);
    C->FillRect(TRect(0, 0, 40, 30));
    EXPECT_EQ(CountPixels(B, TRect(0, 0, 40, 30), ColorToRGB(clBtnFace)), 40 * 30);

    // Rectangle: outline in the pen colour, inside in the brush colour.
    C->Pen()->SetColor(clRed);
    C->Brush()->SetColor(clBlue);
    C->Rectangle(5, 5, 15, 12);
    EXPECT_EQ(PixelAt(B, 5, 5), clRed);
    EXPECT_EQ(PixelAt(B, 14, 11), clRed);
    EXPECT_EQ(PixelAt(B, 10, 8), clBlue);
    EXPECT_EQ(PixelAt(B, 15, 12), ColorToRGB(clBtnFace));
    EXPECT_EQ(CountPixels(B, TRect(5, 5, 15, 12), clBlue), 8 * 5);

    // A line excludes its end point.
    C->Pen()->SetColor(clLime);
    C->MoveTo(20, 2);
    C->LineTo(30, 2);
    EXPECT_EQ(CountPixels(B, TRect(0, 2, 40, 3), clLime), 10);
    EXPECT_EQ(C->PenPos(), TPoint(30, 2));

    C->SetPixel(1, 28, clYellow);
    EXPECT_EQ(C->Pixel(1, 28), clYellow);
    EXPECT_EQ(PixelAt(B, 1, 28), clYellow);

    // FrameRect: a one-pixel ring in the brush colour.
    C->Brush()->SetColor(clFuchsia);
    C->FrameRect(TRect(20, 10, 30, 20));
    EXPECT_EQ(CountPixels(B, TRect(20, 10, 30, 20), clFuchsia), 2 * 10 + 2 * 8);

    // Polygon: a filled triangle with the pen outline.
    C->Pen()->SetColor(clBlack);
    C->Brush()->SetColor(clAqua);
    const POINT Tri[] = {{2, 15}, {12, 15}, {2, 25}};
    C->Polygon(Tri, 3);
    EXPECT_EQ(PixelAt(B, 4, 17), clAqua);
    EXPECT_EQ(PixelAt(B, 2, 15), clBlack);
    EXPECT_EQ(PixelAt(B, 11, 24), ColorToRGB(clBtnFace));
}

TEST(GraphicsCanvas, TextDrawsInsideItsExtentAndTextRectClips)
{
    TBitmap B(200, 40);
    TCanvas* C = B.Canvas();
    C->Brush()->SetColor(clWhite);
    C->FillRect(TRect(0, 0, 200, 40));
    C->Font()->SetColor(clBlack);
    C->Font()->SetHeight(-16);
    C->Brush()->SetStyle(bsClear);

    SIZE S = C->TextExtent("WWW");
    EXPECT_GT(S.cx, 0);
    EXPECT_GT(S.cy, 0);
    C->TextOut(10, 5, "WWW");
    TRect Inside(10, 5, 10 + S.cx, 5 + S.cy);
    EXPECT_GT(CountPixels(B, Inside, clBlack), 0);
    EXPECT_EQ(CountPixels(B, TRect(0, 0, 200, 40), clBlack), CountPixels(B, Inside, clBlack));
    EXPECT_EQ(C->PenPos().x, 10 + S.cx);

    // A bigger font measures wider: the canvas took the new font.
    C->Font()->SetHeight(-32);
    EXPECT_GT(C->TextWidth("WWW"), S.cx);

    // TextRect leaves nothing outside its rectangle, even for long text.
    TBitmap B2(100, 30);
    TCanvas* C2 = B2.Canvas();
    C2->Brush()->SetColor(clWhite);
    C2->FillRect(TRect(0, 0, 100, 30));
    C2->Font()->SetColor(clBlack);
    C2->Brush()->SetColor(clYellow);
    TRect Clip(10, 5, 40, 25);
    C2->TextRect(Clip, 10, 5, "MMMMMMMMMMMMMM");
    EXPECT_EQ(CountPixels(B2, TRect(0, 0, 100, 30), clBlack) + CountPixels(B2, TRect(0, 0, 100, 30), clYellow),
              CountPixels(B2, Clip, clBlack) + CountPixels(B2, Clip, clYellow));
    EXPECT_GT(CountPixels(B2, Clip, clBlack), 0);
    // The opaque brush filled the rest of the clip rectangle.
    EXPECT_EQ(CountPixels(B2, Clip, clWhite), 0);
}

TEST(GraphicsCanvas, ChangedFontHandleIsReleased)
{
    TBitmap B(10, 10);
    TCanvas* C = B.Canvas();
    C->TextWidth("x");
    HFONT Old = C->Font()->Handle();
    EXPECT_EQ(GetObjectType(Old), static_cast<DWORD>(OBJ_FONT));
    C->Font()->SetHeight(-30);
    C->TextWidth("x");
    // The old font was deselected first, so it could really be deleted.
    EXPECT_EQ(GetObjectType(Old), 0u);
    EXPECT_EQ(GetCurrentObject(C->Handle(), OBJ_FONT), C->Font()->Handle());
}

TEST(GraphicsCanvas, DrawCopiesBitmapsAndLeavesOutTheTransparentColour)
{
    TBitmap Src(4, 4);
    Src.Canvas()->Brush()->SetColor(clRed);
    Src.Canvas()->FillRect(TRect(0, 0, 4, 4));
    Src.Canvas()->Brush()->SetColor(clLime);
    Src.Canvas()->FillRect(TRect(0, 0, 2, 2));

    TBitmap Dst(10, 10);
    Dst.Canvas()->Brush()->SetColor(clBlue);
    Dst.Canvas()->FillRect(TRect(0, 0, 10, 10));
    Dst.Canvas()->Draw(3, 3, &Src);
    EXPECT_EQ(PixelAt(Dst, 3, 3), clLime);
    EXPECT_EQ(PixelAt(Dst, 6, 6), clRed);
    EXPECT_EQ(PixelAt(Dst, 7, 7), clBlue);

    // The bottom-left pixel (red) is the transparent colour by default.
    Dst.Canvas()->FillRect(TRect(0, 0, 10, 10));
    Src.SetTransparent(true);
    EXPECT_EQ(Src.TransparentColor(), clRed);
    Dst.Canvas()->Draw(3, 3, &Src);
    EXPECT_EQ(PixelAt(Dst, 3, 3), clLime);
    EXPECT_EQ(PixelAt(Dst, 6, 6), clBlue);
    EXPECT_EQ(CountPixels(Dst, TRect(0, 0, 10, 10), clRed), 0);

    // Stretched to twice the size.
    Src.SetTransparent(false);
    Dst.Canvas()->StretchDraw(TRect(0, 0, 8, 8), &Src);
    EXPECT_EQ(CountPixels(Dst, TRect(0, 0, 8, 8), clLime), 16);
    EXPECT_EQ(CountPixels(Dst, TRect(0, 0, 8, 8), clRed), 48);
}

TEST(GraphicsCanvas, ClipRectFollowsTheDeviceContext)
{
    TBitmap B(50, 40);
    TCanvas* C = B.Canvas();
    EXPECT_EQ(C->ClipRect(), TRect(0, 0, 50, 40));
    IntersectClipRect(C->Handle(), 5, 6, 20, 30);
    EXPECT_EQ(C->ClipRect(), TRect(5, 6, 20, 30));
    C->Brush()->SetColor(clRed);
    C->FillRect(TRect(0, 0, 50, 40));
    EXPECT_EQ(CountPixels(B, TRect(0, 0, 50, 40), clRed), 15 * 24);
}

TEST(GraphicsBitmap, ResizeKeepsPixelsAndAssignCopies)
{
    TBitmap B(6, 6);
    B.Canvas()->Brush()->SetColor(clNavy);
    B.Canvas()->FillRect(TRect(0, 0, 6, 6));
    B.SetSize(10, 4);
    EXPECT_EQ(B.Width(), 10);
    EXPECT_EQ(B.Height(), 4);
    EXPECT_EQ(CountPixels(B, TRect(0, 0, 6, 4), clNavy), 24);
    EXPECT_EQ(CountPixels(B, TRect(6, 0, 10, 4), clWhite), 16);
    // The canvas still draws on the new image.
    B.Canvas()->SetPixel(9, 3, clRed);
    EXPECT_EQ(PixelAt(B, 9, 3), clRed);

    TBitmap Copy;
    Copy.Assign(&B);
    EXPECT_EQ(Copy.Width(), 10);
    EXPECT_EQ(PixelAt(Copy, 9, 3), clRed);
    EXPECT_EQ(PixelAt(Copy, 0, 0), clNavy);
    EXPECT_THROW(B.ScanLine(4), Exception);

    B.SetSize(0, 0);
    EXPECT_TRUE(B.Empty());
    // An empty bitmap still measures text.
    EXPECT_GT(B.Canvas()->TextHeight("Ay"), 0);
}

TEST(GraphicsBitmap, SaveToFileWritesATopDown32BitBmp)
{
    TTestFolder Dir("graphics");
    const std::string Path = Dir.File("saved.bmp");
    TBitmap B(3, 2);
    B.Canvas()->SetPixel(0, 0, clRed);
    B.SaveToFile(Path);
    FILE* F = std::fopen(Path.c_str(), "rb");
    ASSERT_NE(F, nullptr);
    std::vector<unsigned char> Bytes(200);
    Bytes.resize(std::fread(Bytes.data(), 1, Bytes.size(), F));
    std::fclose(F);
    ASSERT_EQ(Bytes.size(), 14u + 40u + 3u * 2u * 4u);
    EXPECT_EQ(Bytes[0], 'B');
    EXPECT_EQ(Bytes[1], 'M');
    EXPECT_EQ(Bytes[28], 32); // bits per pixel
    // First pixel, stored B, G, R.
    EXPECT_EQ(Bytes[54], 0x00);
    EXPECT_EQ(Bytes[55], 0x00);
    EXPECT_EQ(Bytes[56], 0xFF);
}

TEST(GraphicsFill, GradientFillRunsFromStartToEnd)
{
    struct Case {
        TGradientFillDirection Dir;
        bool Vertical;
    };
    for (Case K : {Case{gfTopToBottom, true}, Case{gfLeftToRight, false}}) {
        TBitmap B(64, 64);
        GradientFillCanvas(B.Canvas(), clBlack, clWhite, TRect(0, 0, 64, 64), K.Dir);
        int Prev = -1;
        for (int I = 0; I < 64; ++I) {
            TColor P = K.Vertical ? PixelAt(B, 10, I) : PixelAt(B, I, 10);
            int Level = P & 0xFF;
            EXPECT_GE(Level, Prev) << I;
            Prev = Level;
            // Bands run across: the whole row (column) has one colour.
            TColor Other = K.Vertical ? PixelAt(B, 50, I) : PixelAt(B, I, 50);
            EXPECT_EQ(P, Other);
        }
        TColor First = K.Vertical ? PixelAt(B, 0, 0) : PixelAt(B, 0, 0);
        TColor Last = K.Vertical ? PixelAt(B, 0, 63) : PixelAt(B, 63, 0);
        EXPECT_LE(First & 0xFF, 8);
        EXPECT_GE(Last & 0xFF, 247);
    }
}

TEST(GraphicsFill, TransparentStretchBltSkipsMaskedPixels)
{
    TBitmap Src(4, 4);
    Src.Canvas()->Brush()->SetColor(clRed);
    Src.Canvas()->FillRect(TRect(0, 0, 4, 4));
    // Mask: 1 (white) = leave out; the left half is left out.
    HDC MaskDC = CreateCompatibleDC(nullptr);
    HBITMAP Mask = CreateBitmap(4, 4, 1, 1, nullptr);
    HGDIOBJ Old = SelectObject(MaskDC, Mask);
    PatBlt(MaskDC, 0, 0, 4, 4, BLACKNESS);
    PatBlt(MaskDC, 0, 0, 2, 4, WHITENESS);

    TBitmap Dst(8, 8);
    Dst.Canvas()->Brush()->SetColor(clBlue);
    Dst.Canvas()->FillRect(TRect(0, 0, 8, 8));
    TransparentStretchBlt(Dst.Canvas()->Handle(), 0, 0, 8, 8, Src.Canvas()->Handle(), 0, 0, 4, 4, MaskDC, 0, 0);
    EXPECT_EQ(CountPixels(Dst, TRect(0, 0, 4, 8), clBlue), 32);
    EXPECT_EQ(CountPixels(Dst, TRect(4, 0, 8, 8), clRed), 32);

    SelectObject(MaskDC, Old);
    DeleteObject(Mask);
    DeleteDC(MaskDC);
}

TEST(GraphicsFont, RotatedFontCarriesTheEscapement)
{
    TFont F;
    F.SetName("Arial");
    F.SetStyle(fsBold | fsUnderline);
    HFONT H = CreateRotatedFontHandle(&F, 450);
    ASSERT_NE(H, nullptr);
    LOGFONTA LF{};
    GetObjectA(H, sizeof(LF), &LF);
    EXPECT_EQ(LF.lfEscapement, 450);
    EXPECT_EQ(LF.lfWeight, FW_BOLD);
    EXPECT_EQ(LF.lfUnderline, 1);
    DeleteObject(H);

    // A handle made elsewhere is adopted with its description.
    TFont G;
    LF.lfHeight = -19;
    LF.lfEscapement = 0;
    G.SetHandle(CreateFontIndirectA(&LF));
    EXPECT_EQ(G.Height(), -19);
    EXPECT_EQ(G.Style(), static_cast<TFontStyles>(fsBold | fsUnderline));
    EXPECT_EQ(G.Name(), std::string(LF.lfFaceName));
}
