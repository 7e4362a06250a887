// TControl and TWinControl: drag and drop, docking, and the class
// library's dock manager.
#include "classlib/Controls.h"

#include <algorithm>
#include <cstdlib>

#include "classlib/Cleanup.h"
#include "classlib/ControlState.h"
#include "classlib/Forms.h"

using namespace ControlState;

namespace {

// The one drag of the GUI thread.
struct TDragState_ {
    TControl* Source = nullptr;
    TPoint Start;
    int Threshold = 5;
    bool Active = false;
    TControl* Target = nullptr;
    TPoint Last;
    bool Accept = false;
};
TDragState_ GDrag;

constexpr int DefaultDragThreshold = 5;

// The enabled control under a screen point, graphic ones included.
TControl* ControlAtScreen(const TPoint& Screen)
{
    TWinControl* W = TWinControl::FindControl(WindowFromPoint(Screen));
    if (!W)
        return nullptr;
    if (TControl* C = W->ControlAtPos(W->ScreenToClient(Screen), false))
        return C;
    return W->Enabled() ? W : nullptr;
}

// The nearest dock site at or above Control.
TWinControl* DockSiteOf(TControl* Control)
{
    for (TControl* C = Control; C; C = C->Parent())
        if (auto W = dynamic_cast<TWinControl*>(C); W && W->DockSite())
            return W;
    return nullptr;
}

// A dock drag asks the site's DockOver, any other drag the target's DragOver.
void TargetOver(TControl* Target, TControl* Source, const TPoint& Screen, TDragState State, bool& Accept)
{
    const TPoint P = Target->ScreenToClient(Screen);
    if (Source->DragKind() == dkDock)
        static_cast<TWinControl*>(Target)->DockOver(Source, P.x, P.y, State, Accept);
    else
        Target->DragOver(Source, P.x, P.y, State, Accept);
}

void DragMoveTo(const TPoint& Screen)
{
    TControl* Source = GDrag.Source;
    if (!GDrag.Active) {
        if (std::abs(Screen.x - GDrag.Start.x) < GDrag.Threshold && std::abs(Screen.y - GDrag.Start.y) < GDrag.Threshold)
            return;
        GDrag.Active = true;
    }
    GDrag.Last = Screen;
    TControl* Target = ControlAtScreen(Screen);
    const bool Docking = Source->DragKind() == dkDock;
    if (Docking) {
        TWinControl* Site = DockSiteOf(Target);
        // A site that refuses the client, or whose influence rectangle
        // leaves the mouse out, is no target.
        if (Site && Site != Source) {
            TRect Influence = Site->BoundsRect();
            if (Site->Parent()) {
                const TPoint O = Site->Parent()->ClientToScreen(TPoint(0, 0));
                Influence = TRect(Influence.left + O.x, Influence.top + O.y, Influence.right + O.x,
                                  Influence.bottom + O.y);
            }
            bool CanDock = true;
            Site->GetSiteInfo(Source, Influence, Screen, CanDock);
            if (!CanDock || !PtInRect(&Influence, Screen))
                Site = nullptr;
        }
        Target = Site;
    }
    // A control may take a drop of its own (tabs dragged along their
    // strip); only a dock drag never docks into itself.
    if (Target == Source && Source->DragKind() == dkDock)
        Target = nullptr;
    bool Accept = false;
    if (Target != GDrag.Target) {
        if (GDrag.Target) {
            bool Ignored = false;
            TargetOver(GDrag.Target, Source, Screen, dsDragLeave, Ignored);
        }
        GDrag.Target = Target;
        if (Target)
            TargetOver(Target, Source, Screen, dsDragEnter, Accept);
    } else if (Target) {
        TargetOver(Target, Source, Screen, dsDragMove, Accept);
    }
    GDrag.Accept = Target && Accept;
    ::SetCursor(CursorHandle(GDrag.Accept ? crDrag : crNoDrop));
}

} // namespace

// ---------------------------------------------------------------------------
// Dragging
// ---------------------------------------------------------------------------

void TControl::BeginDrag(bool Immediate, int Threshold)
{
    if (GDrag.Source)
        EndDragging(false);
    POINT P{};
    GetCursorPos(&P);
    GDrag = TDragState_{};
    GDrag.Source = this;
    GDrag.Start = GDrag.Last = P;
    GDrag.Threshold = Threshold < 0 ? DefaultDragThreshold : Threshold;
    SetMouseCapture(true);
    if (Immediate) {
        GDrag.Active = true;
        DragMoveTo(P);
    }
}

TControl* TControl::DragSource()
{
    return GDrag.Source;
}

bool TControl::Dragging() const
{
    return GDrag.Source == this;
}

void TControl::EndDragging(bool Drop)
{
    TControl* Source = GDrag.Source;
    if (!Source)
        return;
    const bool Dropped = Drop && GDrag.Active && GDrag.Accept && GDrag.Target;
    TControl* Target = Dropped ? GDrag.Target : nullptr;
    const TPoint At = GDrag.Last;
    TControl* Over = GDrag.Target;
    GDrag = TDragState_{};
    // The capture goes back unless another window took it.
    if (Source->MouseCapture()) {
        const TControl* W = Source;
        while (W && !IsWinControl(W))
            W = W->Parent();
        auto Win = static_cast<const TWinControl*>(W);
        if (!Win || !Win->HandleAllocated() || GetCapture() == Win->WindowHandle())
            Source->SetMouseCapture(false);
        else
            GCaptureControl = nullptr;
    }
    if (Over && !Dropped) {
        bool Ignored = false;
        TargetOver(Over, Source, At, dsDragLeave, Ignored);
    }
    TPoint P = At;
    if (Target) {
        P = Target->ScreenToClient(At);
        if (Source->DragKind() == dkDock) {
            if (auto Site = dynamic_cast<TWinControl*>(Target))
                Source->ManualDock(Site);
        } else {
            Target->DragDrop(Source, P.x, P.y);
        }
    }
    // The end comes in every case, with the target when there was a drop.
    Source->DoEndDrag(Target, P.x, P.y);
}

void TControl::InvertOnParent(const TRect& Rect, TColor Color) const
{
    const TWinControl* P = FParent;
    HWND Wnd = P && P->HandleAllocated() ? P->WindowHandle() : nullptr;
    // Parent coordinates, or screen coordinates for the screen's DC.
    TRect R = Rect;
    if (Wnd) {
        R = TRect(Rect.left + FLeft, Rect.top + FTop, Rect.right + FLeft, Rect.bottom + FTop);
    } else if (FParent) {
        const TPoint O = ClientToScreen(TPoint(0, 0));
        R = TRect(Rect.left + O.x, Rect.top + O.y, Rect.right + O.x, Rect.bottom + O.y);
    }
    TWindowDC DC(Wnd, Wnd ? GetDCEx(Wnd, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS | DCX_LOCKWINDOWUPDATE)
                          : GetDC(nullptr));
    if (!DC)
        return;
    TGdiObject<HBRUSH> Brush(CreateSolidBrush(ColorToRef(Color)));
    TSelectedObject Selected(DC.Get(), Brush.Get());
    PatBlt(DC.Get(), R.left, R.top, R.Width(), R.Height(), PATINVERT);
}

bool TControl::DragMessage(TMessage& Message)
{
    if (GDrag.Source != this)
        return false;
    switch (Message.Msg) {
    case WM_MOUSEMOVE:
        DragMoveTo(ClientToScreen(TPoint(Message.XPos(), Message.YPos())));
        return true;
    case WM_LBUTTONUP:
        GDrag.Last = ClientToScreen(TPoint(Message.XPos(), Message.YPos()));
        if (GDrag.Active)
            DragMoveTo(GDrag.Last);
        EndDragging(true);
        return true;
    case WM_RBUTTONDOWN:
        EndDragging(false);
        return true;
    case WM_KEYDOWN:
        if (Message.WParam == VK_ESCAPE) {
            EndDragging(false);
            return true;
        }
        return false;
    case WM_CAPTURECHANGED:
        // Another window took the mouse: the drag is over, nothing dropped.
        if (auto W = dynamic_cast<TWinControl*>(this); !W || reinterpret_cast<HWND>(Message.LParam) != W->WindowHandle())
            EndDragging(false);
        return false;
    default:
        return false;
    }
}

void TControl::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept)
{
    Accept = static_cast<bool>(OnDragOver);
    if (OnDragOver)
        OnDragOver(this, Source, X, Y, State, Accept);
}

void TControl::DragDrop(TObject* Source, int X, int Y)
{
    if (OnDragDrop)
        OnDragDrop(this, Source, X, Y);
}

void TControl::DoEndDrag(TObject* Target, int X, int Y)
{
    if (OnEndDrag)
        OnEndDrag(this, Target, X, Y);
}

void TWinControl::GetSiteInfo(TControl* Client, TRect& InfluenceRect, const TPoint& MousePos, bool& CanDock)
{
    if (OnGetSiteInfo)
        OnGetSiteInfo(this, Client, InfluenceRect, MousePos, CanDock);
}

void TWinControl::DockOver(TControl* Source, int X, int Y, TDragState State, bool& Accept)
{
    Accept = true;
    if (OnDockOver)
        OnDockOver(this, Source, X, Y, State, Accept);
}

// ---------------------------------------------------------------------------
// Docking
// ---------------------------------------------------------------------------

void TControl::UndockFromHost()
{
    TWinControl* Host = FHostDockSite;
    if (!Host)
        return;
    FHostDockSite = nullptr;
    auto& L = Host->FDockClients;
    L.erase(std::remove(L.begin(), L.end(), this), L.end());
    if (Host->FDockManager)
        Host->FDockManager->RemoveControl(this);
    Host->Perform(CM_UNDOCKCLIENT, 0, reinterpret_cast<LPARAM>(this));
    if (Host->FDockManager && !Host->HasState(csDestroying))
        Host->FDockManager->ResetBounds(true);
    Host->Invalidate();
}

void TControl::ManualDock(TWinControl* NewDockSite, TControl* DropControl, TAlign ControlSide)
{
    if (!NewDockSite || NewDockSite == FHostDockSite)
        return;
    if (TWinControl* Old = FHostDockSite; Old && Old->OnUnDock) {
        bool Allow = true;
        Old->OnUnDock(Old, this, NewDockSite, Allow);
        if (!Allow)
            return;
    }
    UndockFromHost();
    SetParent(NewDockSite);
    FHostDockSite = NewDockSite;
    NewDockSite->FDockClients.push_back(this);
    NewDockSite->Perform(CM_DOCKCLIENT, reinterpret_cast<WPARAM>(this), 0);
    if (TDockManager* M = NewDockSite->DockManager()) {
        M->InsertControl(this, ControlSide, DropControl);
        M->ResetBounds(true);
    }
    NewDockSite->Invalidate();
    if (NewDockSite->OnDockDrop)
        NewDockSite->OnDockDrop(NewDockSite, this, 0, 0);
}

void TControl::ManualFloat(const TRect& ScreenPos)
{
    if (TWinControl* Old = FHostDockSite; Old && Old->OnUnDock) {
        bool Allow = true;
        Old->OnUnDock(Old, this, nullptr, Allow);
        if (!Allow)
            return;
    }
    UndockFromHost();
    // A small tool window of its own holds the floating control; the
    // application frees it at the end.
    auto Host = new TForm(Application);
    Host->SetBorderStyle(bsToolWindow);
    Host->SetBounds(ScreenPos.left, ScreenPos.top, ScreenPos.Width(), ScreenPos.Height());
    SetParent(Host);
    SetAlign(alClient);
    Perform(CM_FLOAT, 0, reinterpret_cast<LPARAM>(Host));
}

void TWinControl::SetDockSite(bool Value)
{
    if (Value == FDockSite)
        return;
    FDockSite = Value;
    if (!Value)
        FDockManager.reset();
    Realign();
}

void TWinControl::SetUseDockManager(bool Value)
{
    if (Value == FUseDockManager)
        return;
    FUseDockManager = Value;
    if (!Value)
        FDockManager.reset();
}

TDockManager* TWinControl::DockManager()
{
    if (!FDockManager && FDockSite && FUseDockManager) {
        FDockManager.reset(CreateDockManager());
        if (!FDockManager)
            FDockManager = std::make_unique<TDockTree>(this);
    }
    return FDockManager.get();
}

// ---------------------------------------------------------------------------
// TDockTree
// ---------------------------------------------------------------------------

void TDockTree::InsertControl(TControl* Control, TAlign, TControl* DropControl)
{
    if (std::find(FClients.begin(), FClients.end(), Control) != FClients.end())
        return;
    auto At = std::find(FClients.begin(), FClients.end(), DropControl);
    FClients.insert(At == FClients.end() ? FClients.end() : At + 1, Control);
}

void TDockTree::RemoveControl(TControl* Control)
{
    FClients.erase(std::remove(FClients.begin(), FClients.end(), Control), FClients.end());
}

TRect TDockTree::SiteRect() const
{
    return FDockSite->ClientRect();
}

TRect TDockTree::ZoneRect(TControl* Control) const
{
    std::vector<TControl*> Shown;
    for (TControl* C : FClients)
        if (C->Visible())
            Shown.push_back(C);
    const auto It = std::find(Shown.begin(), Shown.end(), Control);
    if (It == Shown.end())
        return TRect();
    const TRect R = SiteRect();
    const int N = static_cast<int>(Shown.size()), I = static_cast<int>(It - Shown.begin());
    const int H = R.Height() / N;
    return TRect(R.left, R.top + I * H, R.right, I == N - 1 ? R.bottom : R.top + (I + 1) * H);
}

void TDockTree::AdjustDockRect(TControl*, TRect& ARect)
{
    constexpr int GrabberSize = 12;
    ARect.top += GrabberSize;
}

void TDockTree::ResetBounds(bool)
{
    for (TControl* C : FClients) {
        TRect R = ZoneRect(C);
        if (R.IsEmpty())
            continue;
        AdjustDockRect(C, R);
        C->SetBoundsRect(R);
    }
}

void TDockTree::PaintDockFrame(TCanvas* Canvas, TControl*, const TRect& ARect)
{
    RECT R = ARect;
    DrawEdge(Canvas->Handle(), &R, BDR_RAISEDINNER, BF_RECT);
}

void TDockTree::PaintSite(HDC DC)
{
    TCanvas C;
    C.SetHandle(DC);
    for (TControl* Client : FClients) {
        const TRect Zone = ZoneRect(Client);
        if (Zone.IsEmpty())
            continue;
        TRect Dock = Zone;
        AdjustDockRect(Client, Dock);
        TRect Grabber = Zone;
        if (Dock.top > Zone.top)
            Grabber.bottom = Dock.top;
        else if (Dock.left > Zone.left)
            Grabber.right = Dock.left;
        else
            continue;
        PaintDockFrame(&C, Client, Grabber);
    }
    C.SetHandle(nullptr);
}
