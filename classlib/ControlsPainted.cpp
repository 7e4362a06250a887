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

void FlushPendingControlFrees()
{
    // Reached from the messages of a teardown under way, the flush waits
    // for it: this loop, further out, or the message posted with each
    // put-off free runs it then. A free may take others of the list with it
    // (a panel's children), so the list is read afresh after each one.
    if (GTeardowns > 0)
        return;
    for (;;) {
        auto Done = std::find_if(GPendingFrees.begin(), GPendingFrees.end(),
                                 [](const TControl* C) { return !C->IsDispatching(); });
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
