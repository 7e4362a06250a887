#pragma once
// Reading back what was drawn into a 32-bit top-down DIB.
#include <windows.h>

#include "classlib/Cleanup.h"
#include "classlib/Graphics.h"

// A DIB pixel (BGRA in memory) as a TColor ($00BBGGRR).
inline TColor PixelAt(TBitmap& B, int X, int Y)
{
    std::uint32_t P = B.ScanLine(Y)[X];
    return static_cast<TColor>(((P & 0xFF) << 16) | (P & 0xFF00) | ((P >> 16) & 0xFF));
}

inline int CountPixels(TBitmap& B, const RECT& R, TColor Color)
{
    int N = 0;
    for (int Y = R.top; Y < R.bottom; ++Y)
        for (int X = R.left; X < R.right; ++X)
            if (PixelAt(B, X, Y) == Color)
                ++N;
    return N;
}

// What the window shows on screen from its client area's top left, as a
// Width x Height bitmap.
inline void GrabWindow(HWND Wnd, TBitmap& Into)
{
    const TWindowDC DC(Wnd);
    BitBlt(Into.Canvas()->Handle(), 0, 0, Into.Width(), Into.Height(), DC.Get(), 0, 0, SRCCOPY);
}
