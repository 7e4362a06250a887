#pragma once
// Forms and synthetic input for the window tests of the buttons and boxes.
#include <windows.h>

#include <memory>

#include "classlib/Forms.h"
#include "classlib/Themes.h"
#include "testkit/ModalScript.h"

// A borderless form (no window manager to wait for under Xvfb), freed with
// the object.
inline std::unique_ptr<TForm, TObjectFree> NewTestForm(int ClientW, int ClientH)
{
    Application->ShowErrorBoxes = false;
    std::unique_ptr<TForm, TObjectFree> F(new TForm(nullptr));
    F->SetBorderStyle(bsNone);
    F->SetBounds(0, 0, ClientW, ClientH);
    F->SetClientWidth(ClientW);
    F->SetClientHeight(ClientH);
    return F;
}

inline LPARAM At(int X, int Y)
{
    return MAKELPARAM(X, Y);
}

// Mouse messages to a windowed control, in its client coordinates.
inline void Press(HWND Wnd, int X, int Y)
{
    SendMessageA(Wnd, WM_LBUTTONDOWN, MK_LBUTTON, At(X, Y));
}
inline void Move(HWND Wnd, int X, int Y, bool Held = true)
{
    SendMessageA(Wnd, WM_MOUSEMOVE, Held ? MK_LBUTTON : 0, At(X, Y));
}
inline void Release(HWND Wnd, int X, int Y)
{
    SendMessageA(Wnd, WM_LBUTTONUP, 0, At(X, Y));
}
inline void Key(HWND Wnd, WORD VKey, bool Down)
{
    SendMessageA(Wnd, Down ? WM_KEYDOWN : WM_KEYUP, VKey, Down ? 1 : static_cast<LPARAM>(0xC0000001u));
}

// Classic painting for the life of the object, themed painting after.
class TClassicLook {
public:
    TClassicLook() { TThemeServices::SetThemingDisabled(true); }
    ~TClassicLook() { TThemeServices::SetThemingDisabled(false); }
    TClassicLook(const TClassicLook&) = delete;
    TClassicLook& operator=(const TClassicLook&) = delete;
};
