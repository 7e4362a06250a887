#include "classlib/Cleanup.h"

TWindowDC::TWindowDC(HWND Wnd) noexcept : FWnd(Wnd), FDC(GetDC(Wnd)) {}

TWindowDC::TWindowDC(TWindowDC&& Other) noexcept
    : FWnd(std::exchange(Other.FWnd, nullptr)), FDC(std::exchange(Other.FDC, nullptr))
{
}

TWindowDC& TWindowDC::operator=(TWindowDC&& Other) noexcept
{
    if (this != &Other) {
        Reset();
        FWnd = std::exchange(Other.FWnd, nullptr);
        FDC = std::exchange(Other.FDC, nullptr);
    }
    return *this;
}

void TWindowDC::Reset() noexcept
{
    if (FDC)
        ReleaseDC(FWnd, FDC);
    FDC = nullptr;
    FWnd = nullptr;
}

// A null object or DC selects nothing, and nothing is put back.
TSelectedObject::TSelectedObject(HDC DC, HGDIOBJ Object) noexcept
    : FDC(DC), FOld(DC && Object ? SelectObject(DC, Object) : nullptr)
{
}

TSelectedObject::~TSelectedObject()
{
    if (FOld)
        SelectObject(FDC, FOld);
}
