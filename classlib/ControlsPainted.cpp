// Controls that paint on a canvas of their own, the canvas itself and the
// deferred frees.
#include "classlib/Controls.h"

#include <algorithm>

#include "classlib/ControlState.h"
#include "classlib/Forms.h"

using namespace ControlState;

// ---------------------------------------------------------------------------
// TCustomControl, TGraphicControl, TControlCanvas
// ---------------------------------------------------------------------------

TCustomControl::TCustomControl(TComponent* AOwner)
    : TWinControl(AOwner), FCanvas(std::make_unique<TControlCanvas>(this))
{
    FControlState |= csCustomPaint;
}

TCustomControl::~TCustomControl() = default;

TCanvas* TCustomControl::Canvas() const
{
    return FCanvas.get();
}

void TCustomControl::WndProc(TMessage& Message)
{
    if (Message.Msg == WM_NCDESTROY)
        static_cast<TControlCanvas*>(FCanvas.get())->FreeHandle();
    TWinControl::WndProc(Message);
}

namespace {

// Runs a control's painter on a canvas lent the paint DC for the duration;
// InPaint is raised meanwhile. The control may be freed by its painter.
void PaintOnCanvas(TCanvas* Canvas, HDC DC, const std::shared_ptr<bool>& Alive, bool& InPaint,
                   const std::function<void()>& Paint)
{
    auto C = static_cast<TControlCanvas*>(Canvas);
    C->FreeHandle();
    C->SetHandle(DC);
    InPaint = true;
    TScopeExit Lent([&] {
        if (*Alive) {
            C->SetHandle(nullptr);
            InPaint = false;
        }
    });
    Paint();
}

} // namespace

void TCustomControl::PaintWindow(HDC DC)
{
    PaintOnCanvas(FCanvas.get(), DC, FAlive, FInPaint, [this] { Paint(); });
}

TGraphicControl::TGraphicControl(TComponent* AOwner)
    : TControl(AOwner), FCanvas(std::make_unique<TControlCanvas>(this))
{
}

TGraphicControl::~TGraphicControl() = default;

TCanvas* TGraphicControl::Canvas() const
{
    return FCanvas.get();
}

void TGraphicControl::WndProc(TMessage& Message)
{
    if (Message.Msg == WM_PAINT && Message.WParam != 0) {
        PaintOnCanvas(FCanvas.get(), reinterpret_cast<HDC>(Message.WParam), FAlive, FInPaint, [this] { Paint(); });
        return;
    }
    TControl::WndProc(Message);
}

TControlCanvas::~TControlCanvas()
{
    FreeHandle();
}

void TControlCanvas::CreateHandle()
{
    if (!FControl)
        return;
    TWinControl* W = dynamic_cast<TWinControl*>(FControl);
    bool Graphic = W == nullptr;
    if (Graphic)
        W = FControl->Parent();
    if (!W)
        return;
    HWND Wnd = W->Handle();
    HDC DC = GetDCEx(Wnd, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS | (FWindowDC && !Graphic ? DCX_WINDOW : 0));
    if (!DC)
        return;
    if (Graphic) {
        SetViewportOrgEx(DC, FControl->Left(), FControl->Top(), nullptr);
        IntersectClipRect(DC, 0, 0, FControl->Width(), FControl->Height());
    }
    FDeviceContext = TWindowDC(Wnd, DC);
    GOpenCanvases.push_back(this);
    SetHandle(DC);
}

void TControlCanvas::FreeHandle()
{
    if (!FDeviceContext)
        return;
    SetHandle(nullptr);
    FDeviceContext.Reset();
    GOpenCanvases.erase(std::remove(GOpenCanvases.begin(), GOpenCanvases.end(), this), GOpenCanvases.end());
}

void FreeControlCanvasHandles()
{
    for (TControlCanvas* C : std::vector<TControlCanvas*>(GOpenCanvases))
        C->FreeHandle();
}

namespace {

// Whether Outer is Inner or one of the controls Inner sits in.
bool Holds(const TControl* Outer, const TControl* Inner)
{
    for (const TControl* C = Inner; C; C = C->Parent())
        if (C == Outer)
            return true;
    return false;
}

// A teardown under way holds a control when it is the control's own, one
// of a control it sits in, which is freeing it with its other children,
// or one of a control inside it, which its free would free a second time.
// A teardown elsewhere does not: a form shown modally from another form's
// OnDestroy and freed by its own button must go, or its modal loop never
// ends.
bool HeldByTeardown(const TControl* Control)
{
    return std::any_of(GTeardowns.begin(), GTeardowns.end(),
                       [Control](const TControl* T) { return Holds(T, Control) || Holds(Control, T); });
}

} // namespace

void FlushPendingControlFrees()
{
    // A control held by a teardown under way waits for it: this loop,
    // further out, or the message posted with each put-off free runs it
    // then. A free may take others of the list with it (a panel's
    // children), so the list is read afresh after each one.
    for (;;) {
        auto Done = std::find_if(GPendingFrees.begin(), GPendingFrees.end(), [](const TControl* C) {
            return !C->IsDispatching() && !HeldByTeardown(C);
        });
        if (Done == GPendingFrees.end())
            return;
        (*Done)->FreeNow();
    }
}

TCustomForm* GetParentForm(const TControl* Control)
{
    const TControl* C = Control;
    while (C && C->Parent())
        C = C->Parent();
    return const_cast<TCustomForm*>(dynamic_cast<const TCustomForm*>(C));
}
