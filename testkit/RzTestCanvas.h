#pragma once
// A 32-bit DIB to draw on in the drawing tests, with pixel reads as TColor.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <set>
#include <utility>

#include "classlib/Graphics.h"

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
