#pragma once
// Reading back what was drawn into a 32-bit top-down DIB.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

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

// The Side x Side pixels (RGB, row by row) Draw paints over a magenta
// ground: an icon drawn from an image list or from its file, to compare.
inline std::vector<std::uint32_t> IconPixels(int Side, const std::function<void(HDC)>& Draw)
{
    BITMAPINFO Info{};
    Info.bmiHeader = {sizeof(BITMAPINFOHEADER), Side, -Side, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* Bits = nullptr;
    const HDC DC = CreateCompatibleDC(nullptr);
    const HBITMAP B = CreateDIBSection(DC, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
    const HGDIOBJ Old = SelectObject(DC, B);
    const HBRUSH Ground = CreateSolidBrush(RGB(255, 0, 255));
    const RECT R{0, 0, Side, Side};
    FillRect(DC, &R, Ground);
    Draw(DC);
    GdiFlush();
    const auto* First = static_cast<const std::uint32_t*>(Bits);
    std::vector<std::uint32_t> Px(First, First + static_cast<size_t>(Side) * Side);
    for (auto& P : Px)
        P &= 0xFFFFFF;
    DeleteObject(Ground);
    SelectObject(DC, Old);
    DeleteObject(B);
    DeleteDC(DC);
    return Px;
}

// How many pixels two pictures of one size share.
inline int MatchingPixels(const std::vector<std::uint32_t>& A, const std::vector<std::uint32_t>& B)
{
    int N = 0;
    for (size_t I = 0; I < A.size() && I < B.size(); ++I)
        N += A[I] == B[I];
    return N;
}
