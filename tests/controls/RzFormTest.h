#pragma once
// Helpers of the container tests: the classic look for a test's length, a
// form without a window manager's frame, and a control painted into a DIB.
#include <windows.h>

#include "classlib/Forms.h"
#include "classlib/Themes.h"
#include "tests/controls/RzTestCanvas.h"

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
