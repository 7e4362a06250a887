#pragma once
// Helpers of the container tests: the classic look for a test's length, a
// form without a window manager's frame, and a control painted into a DIB.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "classlib/Forms.h"
#include "classlib/Themes.h"
#include "testkit/RzTestCanvas.h"

// Turns visual styles off (or on) for one scope; the next test sees the
// switch as it was.
class TLookScope {
public:
    explicit TLookScope(bool Themed) : FWas(TThemeServices::ThemingDisabled())
    {
        TThemeServices::SetThemingDisabled(!Themed);
    }
    ~TLookScope() { TThemeServices::SetThemingDisabled(FWas); }
    TLookScope(const TLookScope&) = delete;
    TLookScope& operator=(const TLookScope&) = delete;

private:
    bool FWas;
};

// A borderless form: nothing waits for a window manager under Xvfb.
inline TForm* NewTestForm(int W, int H, TBorderStyle Border = bsNone)
{
    Application->ShowErrorBoxes = false;
    auto F = new TForm(nullptr);
    F->SetBorderStyle(Border);
    F->SetBounds(0, 0, W, H);
    return F;
}

// Paints a control (windowed or not) at the DIB's origin.
inline void PaintControl(TControl* C, TTestSurface& Img)
{
    C->Perform(WM_PAINT, reinterpret_cast<WPARAM>(Img.DC()), 0);
    GdiFlush();
}

inline LPARAM MousePos(int X, int Y)
{
    return MAKELPARAM(X, Y);
}

// Repaints every window of the form and copies its client area (W x H),
// opaque.
inline std::unique_ptr<TBitmap> CaptureForm(TForm* Form, int W, int H)
{
    HWND Wnd = Form->Handle();
    RedrawWindow(Wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    auto B = std::make_unique<TBitmap>(W, H);
    HDC DC = GetDC(Wnd);
    BitBlt(B->Canvas()->Handle(), 0, 0, W, H, DC, 0, 0, SRCCOPY);
    ReleaseDC(Wnd, DC);
    MakeOpaque(*B);
    return B;
}

// A capture's pixel as an RGB TColor.
inline TColor CapturePixel(TBitmap& B, int X, int Y)
{
    const std::uint32_t V = B.ScanLine(Y)[X];
    return static_cast<TColor>(((V >> 16) & 0xFF) | (V & 0xFF00) | ((V & 0xFF) << 16));
}

// The test program's folder, inside the build folder: captures go there.
inline std::string TestProgramFolder()
{
    char Path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, Path, MAX_PATH);
    std::string S = Path;
    return S.substr(0, S.find_last_of("\\/") + 1);
}

// A rectangle in a control's client coordinates, in its form's.
inline TRect ClientRectOnForm(TControl* C, const TRect& R)
{
    const TPoint P = C->ClientToScreen(TPoint(R.left, R.top));
    const TPoint O = GetParentForm(C)->ClientToScreen(TPoint(0, 0));
    return Bounds(P.x - O.x, P.y - O.y, R.Width(), R.Height());
}

// A control's bounds in its form's client coordinates.
inline TRect ControlOnForm(TControl* C)
{
    const TPoint P = C->Parent()->ClientToScreen(TPoint(C->Left(), C->Top()));
    const TPoint O = GetParentForm(C)->ClientToScreen(TPoint(0, 0));
    return Bounds(P.x - O.x, P.y - O.y, C->Width(), C->Height());
}

// The form's client area (W x H) in the classic and then the themed look,
// saved beside the test program as Name + "_classic.bmp" and "_themed.bmp".
struct TLookCaptures {
    std::unique_ptr<TBitmap> Classic;
    std::unique_ptr<TBitmap> Themed;
};
inline TLookCaptures CaptureBothLooks(TForm* Form, int W, int H, const std::string& Name)
{
    TLookCaptures C;
    {
        TLookScope Look(false);
        C.Classic = CaptureForm(Form, W, H);
        C.Classic->SaveToFile(TestProgramFolder() + Name + "_classic.bmp");
    }
    {
        TLookScope Look(true);
        C.Themed = CaptureForm(Form, W, H);
        C.Themed->SaveToFile(TestProgramFolder() + Name + "_themed.bmp");
    }
    return C;
}
