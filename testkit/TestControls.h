#pragma once
// Controls and forms a window test owns, freed through Free() when the
// test is done with them.
#include <memory>

#include "classlib/Forms.h"

template <typename T>
using TOwnedCtl = std::unique_ptr<T, TObjectFree>;

// A control of class T without owner, placed on Parent when one is given.
template <typename T>
TOwnedCtl<T> Make(TWinControl* Parent = nullptr)
{
    TOwnedCtl<T> C(new T(nullptr));
    if (Parent)
        C->SetParent(Parent);
    return C;
}

// A borderless 300 x 200 form on the screen. An error a handler raises is
// left to the test rather than shown in a box that would wait for a click.
inline TOwnedCtl<TForm> ShownForm()
{
    Application->ShowErrorBoxes = false;
    TOwnedCtl<TForm> F(new TForm(nullptr));
    F->SetBorderStyle(bsNone);
    F->SetBounds(0, 0, 300, 200);
    F->Show();
    return F;
}
