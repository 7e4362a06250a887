#include "shell/RzTreeVw.h"

#include "classlib/Cleanup.h"

TRzCustomTreeView::TRzCustomTreeView(TComponent* AOwner)
    : TRzFramedView<TCustomTreeView>(AOwner), FSelectionPen(std::make_unique<TPen>())
{
    SetTabStop(true);
    SetParentColor(false);
    FSelectionPen->SetColor(clBtnShadow);
    FSelectionPen->SetStyle(psSolid);
    FSelectionPen->OnChange = [this](TObject*) { Invalidate(); };
}

TRzCustomTreeView::~TRzCustomTreeView() = default;

const TPropertyTable& TRzCustomTreeView::ClassProperties()
{
    using P = TRzCustomTreeView;
    static const TPropertyTable Table(&TRzFramedView<TCustomTreeView>::ClassProperties(), {
        OrdProp("ItemHeight", &P::ItemHeight, &P::SetItemHeight),
        OrdProp("AutoExpand", &P::GetAutoExpand, &P::SetAutoExpand),
    });
    return Table;
}

void TRzCustomTreeView::SetItemHeight(int Value)
{
    if (Value < 0)
        Value = 0;
    FItemHeight = Value;
    ApplyItemHeight();
}

void TRzCustomTreeView::ApplyItemHeight()
{
    if (HandleAllocated())
        SendMessageA(WindowHandle(), TVM_SETITEMHEIGHT, FItemHeight > 0 ? FItemHeight : -1, 0);
}

void TRzCustomTreeView::SetSelectionPen(const TPen* Value)
{
    FSelectionPen->Assign(Value);
}

void TRzCustomTreeView::CreateParams(TCreateParams& Params)
{
    TRzFramedView<TCustomTreeView>::CreateParams(Params);
    // Old comctl32 on NT shows broken tool tips: none at all then.
    if (ShellOsVersion().dwPlatformId == VER_PLATFORM_WIN32_NT && !VersionAtLeast(CommonControlsVersion(), 4, 72))
        Params.Style |= TVS_NOTOOLTIPS;
}

void TRzCustomTreeView::CreateWnd()
{
    TRzFramedView<TCustomTreeView>::CreateWnd();
    ApplyItemHeight();
    SendBackColor();
}

void TRzCustomTreeView::Loaded()
{
    TRzFramedView<TCustomTreeView>::Loaded();
    ApplyItemHeight();
}

void TRzCustomTreeView::SendBackColor()
{
    if (HandleAllocated())
        SendMessageA(WindowHandle(), TVM_SETBKCOLOR, 0, ColorToRGB(Color()));
}

void TRzCustomTreeView::PaintUnfocusedSelection(HDC DC)
{
    TTreeNode* Sel = Selected();
    if (HideSelection() || Focused() || !Sel)
        return;
    const HWND Editor = reinterpret_cast<HWND>(SendMessageA(WindowHandle(), TVM_GETEDITCONTROL, 0, 0));
    if (Editor && GetFocus() == Editor)
        return;
    const TRect R = Sel->DisplayRect(true);
    if (R.Width() <= 0)
        return;
    // On the DC the tree painted into (WM_PAINT may bring one), else on the
    // window.
    TWindowDC Own;
    if (!DC) {
        Own = TWindowDC(WindowHandle());
        DC = Own.Get();
    }
    TCanvas C;
    C.SetHandle(DC);
    C.Pen()->Assign(FSelectionPen.get());
    C.Brush()->SetStyle(bsClear);
    C.Rectangle(R);
    C.Pen()->SetWidth(1);
    C.Pen()->SetStyle(psSolid);
    C.SetHandle(nullptr);
}

TTreeNode* TRzCustomTreeView::ContextNode() const
{
    return RightClickSelect() ? RightClickNode() : Selected();
}

bool TRzCustomTreeView::NodeMenu(TTreeNode* Node, TPoint Pos)
{
    TPopupMenu* Menu = PopupMenu();
    NodeContextMenu(Node, Pos, Menu);
    if (!Menu)
        return false;
    const TPoint S = ClientToScreen(Pos);
    Menu->SetPopupComponent(this);
    Menu->Popup(S.x, S.y);
    if (Menu != PopupMenu())
        FSuppressNextPopup = true;
    return true;
}

void TRzCustomTreeView::NodeContextMenu(TTreeNode* Node, TPoint& Pos, TPopupMenu*& Menu)
{
    if (OnNodeContextMenu)
        OnNodeContextMenu(this, Node, Pos, Menu);
}

void TRzCustomTreeView::ShowNodeMenu()
{
    TTreeNode* Node = ContextNode();
    TPoint P(0, 0);
    if (Node) {
        const TRect R = Node->DisplayRect(true);
        P = TPoint((R.left + R.right) / 2, (R.top + R.bottom) / 2);
    }
    NodeMenu(Node, P);
}

bool TRzCustomTreeView::HandleNotify(NMHDR* Header, LRESULT& Result)
{
    switch (Header->code) {
    case NM_RCLICK: {
        TRzFramedView<TCustomTreeView>::HandleNotify(Header, Result);
        POINT P{};
        GetCursorPos(&P);
        const TPoint C = ScreenToClient(TPoint(P.x, P.y));
        TTreeNode* Node = GetNodeAt(C.x, C.y);
        if (!Node)
            Node = Selected();
        if (!Node)
            return false;
        FMenuNode = Node;
        NodeMenu(Node, C);
        FMenuNode = nullptr;
        FSuppressNextPopup = true;
        Result = 1;
        return true;
    }
    case TVN_GETDISPINFOA: {
        // The node's own answers first, then the common handling without
        // the image events, so they run once.
        auto* D = reinterpret_cast<NMTVDISPINFOA*>(Header);
        if (auto* N = reinterpret_cast<TTreeNode*>(D->item.lParam)) {
            if (D->item.mask & TVIF_IMAGE)
                GetImageIndex(N);
            if (D->item.mask & TVIF_SELECTEDIMAGE)
                GetSelectedIndex(N);
        }
        FImageEventsDetached = true;
        const bool Done = TRzFramedView<TCustomTreeView>::HandleNotify(Header, Result);
        FImageEventsDetached = false;
        return Done;
    }
    default:
        return TRzFramedView<TCustomTreeView>::HandleNotify(Header, Result);
    }
}

void TRzCustomTreeView::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_PAINT: {
        const HDC DC = reinterpret_cast<HDC>(Message.WParam);
        TRzFramedView<TCustomTreeView>::WndProc(Message);
        PaintUnfocusedSelection(DC);
        return;
    }
    case WM_MOUSEWHEEL: {
        const bool Down = static_cast<short>(HIWORD(Message.WParam)) < 0;
        WheelScroll(WindowHandle(), SB_VERT, Down ? SB_LINEDOWN : SB_LINEUP, Down ? SB_PAGEDOWN : SB_PAGEUP);
        Message.Result = 0;
        return;
    }
    case WM_KEYDOWN: case WM_SYSKEYDOWN: case WM_KEYUP: case WM_SYSKEYUP:
        // Shift+F10 and the menu key ask for the focused node's menu: the
        // default handling under Wine passes neither on from a tree. Both
        // key messages are taken, so the menu is asked for once.
        if (Message.WParam == VK_APPS || (Message.WParam == VK_F10 && GetKeyState(VK_SHIFT) < 0)) {
            if (Message.Msg == WM_KEYDOWN || Message.Msg == WM_SYSKEYDOWN)
                SendMessageA(WindowHandle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(WindowHandle()), -1);
            Message.Result = 0;
            return;
        }
        break;
    case WM_CONTEXTMENU: {
        if (FSuppressNextPopup) {
            FSuppressNextPopup = false;
            return;
        }
        // From the keyboard (Shift+F10, the menu key): the node's own menu
        // beside the node, as a right click on it shows.
        if (ContextNode() && Message.LParam == -1) {
            ShowNodeMenu();
            return;
        }
        if (ContextNode())
            break;
        if (Message.LParam != -1) {
            NodeMenu(nullptr, ScreenToClient(TPoint(Message.XPos(), Message.YPos())));
        } else if (PopupMenu()) {
            const TPoint S = ClientToScreen(TPoint(0, 0));
            PopupMenu()->SetPopupComponent(this);
            PopupMenu()->Popup(S.x, S.y);
        }
        return;
    }
    default:
        break;
    }
    TRzFramedView<TCustomTreeView>::WndProc(Message);
}
