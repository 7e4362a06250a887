#pragma once
// A 32-bit DIB to draw on in the drawing tests, with pixel reads as TColor,
// and a raster font of the test's own.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <utility>

#include "classlib/Graphics.h"
#include "testkit/TestFolder.h"

class TTestSurface {
public:
    static constexpr TColor Sentinel = 0x00030201; // a colour no painter uses

    TTestSurface(int W, int H, TColor Background = Sentinel) : FBmp(std::make_unique<TBitmap>(W, H))
    {
        Fill(Background);
    }
    TCanvas* Canvas() { return FBmp->Canvas(); }
    TBitmap* Bitmap() { return FBmp.get(); }
    HDC DC() { return FBmp->Canvas()->Handle(); }
    int Width() const { return FBmp->Width(); }
    int Height() const { return FBmp->Height(); }

    void Fill(TColor Color)
    {
        const RECT R{0, 0, FBmp->Width(), FBmp->Height()};
        HBRUSH B = CreateSolidBrush(ColorToRef(Color));
        FillRect(DC(), &R, B);
        DeleteObject(B);
        GdiFlush();
    }
    // The pixel as an RGB TColor ($00BBGGRR).
    TColor Px(int X, int Y)
    {
        GdiFlush();
        const std::uint32_t V = FBmp->ScanLine(Y)[X];
        return static_cast<TColor>(((V >> 16) & 0xFF) | (V & 0xFF00) | ((V & 0xFF) << 16));
    }
    // How many pixels of the rectangle differ from Color.
    int CountNot(TColor Color, int L, int T, int R, int B)
    {
        int N = 0;
        for (int Y = T; Y < B; ++Y)
            for (int X = L; X < R; ++X)
                N += Px(X, Y) != ColorToRGB(Color);
        return N;
    }
    using TPixels = std::set<std::pair<int, int>>;
    // The points painted in Color.
    TPixels PixelsOf(TColor Color)
    {
        TPixels M;
        for (int Y = 0; Y < Height(); ++Y)
            for (int X = 0; X < Width(); ++X)
                if (Px(X, Y) == ColorToRGB(Color))
                    M.insert({X, Y});
        return M;
    }

private:
    std::unique_ptr<TBitmap> FBmp;
};

inline TColor Rgb(TColor Color) { return ColorToRGB(Color); }

// Makes every pixel of a capture opaque (alpha 255). Theme parts write an
// alpha channel and GDI does not, so a saved capture would otherwise show
// holes, or nothing, in image viewers.
inline void MakeOpaque(TBitmap& B)
{
    GdiFlush();
    for (int Y = 0; Y < B.Height(); ++Y)
        for (int X = 0; X < B.Width(); ++X)
            B.ScanLine(Y)[X] |= 0xFF000000u;
}

// How many pixels of a capture are not opaque.
inline int SeeThroughPixels(TBitmap& B)
{
    GdiFlush();
    int N = 0;
    for (int Y = 0; Y < B.Height(); ++Y)
        for (int X = 0; X < B.Width(); ++X)
            N += (B.ScanLine(Y)[X] >> 24) != 0xFF;
    return N;
}

// The smallest rectangle holding every pixel of Color (an RGB value) inside
// Within; empty (right < left) when there is none.
inline TRect ColorBox(TBitmap& B, const TRect& Within, TColor Color)
{
    GdiFlush();
    TRect Box(Within.right, Within.bottom, Within.left, Within.top);
    for (int Y = Within.top; Y < Within.bottom; ++Y)
        for (int X = Within.left; X < Within.right; ++X) {
            const std::uint32_t V = B.ScanLine(Y)[X];
            if (static_cast<TColor>(((V >> 16) & 0xFF) | (V & 0xFF00) | ((V & 0xFF) << 16)) != Color)
                continue;
            Box = TRect(std::min<int>(Box.left, X), std::min<int>(Box.top, Y), std::max<int>(Box.right, X + 1),
                        std::max<int>(Box.bottom, Y + 1));
        }
    return Box;
}

// A raster font of the test's own: a Windows 3 font file (FNT version 2)
// of fixed 8 x 12 cells for the printable ASCII characters, every glyph
// a box, added for this process only while the object lives.
class TOwnRasterFont {
public:
    static constexpr const char* Face = "Tessaly Raster";

    TOwnRasterFont() : FDir("rasterfont"), FPath(FDir.Write("raster.fnt", Bytes()))
    {
        FAdded = AddFontResourceExA(FPath.c_str(), FR_PRIVATE, nullptr) > 0;
    }
    ~TOwnRasterFont()
    {
        if (FAdded)
            RemoveFontResourceExA(FPath.c_str(), FR_PRIVATE, nullptr);
    }
    bool Added() const { return FAdded; }

private:
    static std::string Bytes()
    {
        constexpr int First = 0x20, Last = 0x7E, Glyphs = Last - First + 2, Rows = 12;
        constexpr int HeaderSize = 118, TableEnd = HeaderSize + Glyphs * 4, BitsEnd = TableEnd + Glyphs * Rows;
        const std::string Name = std::string(Face) + '\0';
        std::string F(static_cast<size_t>(BitsEnd), '\0');
        auto Put = [&F](int At, unsigned Value, int Size) {
            for (int I = 0; I < Size; ++I)
                F[static_cast<size_t>(At + I)] = static_cast<char>((Value >> (8 * I)) & 0xFF);
        };
        const unsigned Size = static_cast<unsigned>(BitsEnd + Name.size());
        Put(0, 0x200, 2);       // version
        Put(2, Size, 4);        // file size
        Put(68, 9, 2);          // points
        Put(70, 96, 2);         // vertical and horizontal resolution
        Put(72, 96, 2);
        Put(74, 10, 2);         // ascent
        Put(83, FW_NORMAL, 2);  // weight
        Put(85, ANSI_CHARSET, 1);
        Put(86, 8, 2);          // pixel width and height
        Put(88, Rows, 2);
        Put(90, FF_MODERN, 1);  // fixed pitch
        Put(91, 8, 2);          // average and largest width
        Put(93, 8, 2);
        Put(95, First, 1);
        Put(96, Last, 1);
        Put(97, '?' - First, 1); // default character
        Put(99, Glyphs, 2);     // bytes of one bitmap row over all glyphs
        Put(105, static_cast<unsigned>(BitsEnd), 4); // face name
        Put(113, TableEnd, 4);  // bitmaps
        for (int G = 0; G < Glyphs; ++G) {
            Put(HeaderSize + G * 4, 8, 2);
            Put(HeaderSize + G * 4 + 2, static_cast<unsigned>(TableEnd + G * Rows), 2);
            for (int Y = 1; Y < Rows - 2; ++Y)
                Put(TableEnd + G * Rows + Y, Y == 1 || Y == Rows - 3 ? 0x7E : 0x42, 1);
        }
        return F + Name;
    }

    TTestFolder FDir;
    std::string FPath;
    bool FAdded = false;
};
