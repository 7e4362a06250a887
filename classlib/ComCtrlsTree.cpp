// TCustomTreeView and its nodes (declared in ComCtrls.h).
#include "classlib/ComCtrls.h"

#include <algorithm>
#include <cstring>

// ---------------------------------------------------------------------------
// TTreeNode
// ---------------------------------------------------------------------------

namespace {
// TVM_GETITEMRECT takes the item in the rectangle's first bytes.
RECT ItemRectRequest(HTREEITEM Item)
{
    RECT R{};
    std::memcpy(&R, &Item, sizeof Item);
    return R;
}

HWND TreeWindow(const TTreeNode* N)
{
    return N->Owner()->HandleAllocated() && N->ItemId() ? N->Owner()->WindowHandle() : nullptr;
}

void Redraw(const TTreeNode* N)
{
    if (HWND W = TreeWindow(N)) {
        RECT R = ItemRectRequest(N->ItemId());
        if (SendMessageA(W, TVM_GETITEMRECT, FALSE, reinterpret_cast<LPARAM>(&R)))
            InvalidateRect(W, &R, TRUE);
    }
}
} // namespace

void TTreeNode::SetText(const std::string& Value)
{
    FText = Value;
    Redraw(this);
}

void TTreeNode::SetImageIndex(TImageIndex Value)
{
    FImageIndex = Value;
    Redraw(this);
}

void TTreeNode::SetSelectedIndex(TImageIndex Value)
{
    FSelectedIndex = Value;
    Redraw(this);
}

namespace {
void ApplyState(const TTreeNode* N)
{
    if (HWND W = TreeWindow(N)) {
        TVITEMA I{};
        I.mask = TVIF_STATE | TVIF_HANDLE;
        I.hItem = N->ItemId();
        I.stateMask = TVIS_OVERLAYMASK | TVIS_CUT;
        I.state = (N->OverlayIndex() >= 0 ? INDEXTOOVERLAYMASK(N->OverlayIndex() + 1) : 0) | (N->Cut() ? TVIS_CUT : 0);
        SendMessageA(W, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&I));
    }
}
} // namespace

void TTreeNode::SetOverlayIndex(TImageIndex Value)
{
    FOverlayIndex = Value;
    ApplyState(this);
}

void TTreeNode::SetCut(bool Value)
{
    FCut = Value;
    ApplyState(this);
}

void TTreeNode::SetHasChildren(bool Value)
{
    FHasChildren = Value;
    if (HWND W = TreeWindow(this)) {
        TVITEMA I{};
        I.mask = TVIF_CHILDREN | TVIF_HANDLE;
        I.hItem = FItem;
        I.cChildren = HasChildren() ? 1 : 0;
        SendMessageA(W, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&I));
    }
}

int TTreeNode::Index() const
{
    const auto& Sib = FOwner->SiblingsOf(const_cast<TTreeNode*>(this));
    for (size_t I = 0; I < Sib.size(); ++I)
        if (Sib[I].get() == this)
            return static_cast<int>(I);
    return -1;
}

int TTreeNode::Level() const
{
    int L = 0;
    for (TTreeNode* P = FParent; P; P = P->FParent)
        ++L;
    return L;
}

bool TTreeNode::Expanded() const
{
    HWND W = TreeWindow(this);
    return W && (SendMessageA(W, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(FItem), TVIS_EXPANDED) & TVIS_EXPANDED);
}

void TTreeNode::Expand(bool Recurse)
{
    if (HWND W = TreeWindow(this))
        SendMessageA(W, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(FItem));
    if (Recurse)
        for (auto& C : FChildren)
            C->Expand(true);
}

void TTreeNode::Collapse()
{
    if (HWND W = TreeWindow(this))
        SendMessageA(W, TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(FItem));
}

bool TTreeNode::Selected() const
{
    return FOwner->Selected() == this;
}

void TTreeNode::SetSelected(bool Value)
{
    if (Value)
        FOwner->SetSelected(this);
    else if (Selected())
        FOwner->SetSelected(nullptr);
}

TRect TTreeNode::DisplayRect(bool TextOnly) const
{
    RECT R = ItemRectRequest(FItem);
    HWND W = TreeWindow(this);
    if (!W || !SendMessageA(W, TVM_GETITEMRECT, TextOnly, reinterpret_cast<LPARAM>(&R)))
        return TRect(0, 0, 0, 0);
    return TRect(R.left, R.top, R.right, R.bottom);
}

void TTreeNode::DeleteChildren()
{
    while (!FChildren.empty())
        FOwner->DeleteNode(FChildren.back().get());
}

void TTreeNode::Delete() { FOwner->DeleteNode(this); }

bool TTreeNode::EditText()
{
    HWND W = TreeWindow(this);
    return W && SendMessageA(W, TVM_EDITLABELA, 0, reinterpret_cast<LPARAM>(FItem)) != 0;
}

// ---------------------------------------------------------------------------
// TCustomTreeView
// ---------------------------------------------------------------------------

TCustomTreeView::TCustomTreeView(TComponent* AOwner) : TWinControl(AOwner), FCanvas(std::make_unique<TCanvas>())
{
    INITCOMMONCONTROLSEX I{sizeof I, ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&I);
    SetBounds(0, 0, 120, 120);
    SetTabStop(true);
    FColor = clWindow;
    FParentColor = false;
    FImageLink.OnChange = [this](TObject* S) { ImagesChanged(S); };
}

TCustomTreeView::~TCustomTreeView()
{
    // The window goes first, so its deletion notices find no half-freed
    // nodes.
    if (HandleAllocated())
        DestroyWnd();
}

void TCustomTreeView::CreateParams(TCreateParams& Params)
{
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, WC_TREEVIEWA);
    if (FShowLines)
        Params.Style |= TVS_HASLINES;
    if (FShowButtons)
        Params.Style |= TVS_HASBUTTONS;
    if (FShowRoot)
        Params.Style |= TVS_LINESATROOT;
    if (!FHideSelection)
        Params.Style |= TVS_SHOWSELALWAYS;
    if (!FReadOnly)
        Params.Style |= TVS_EDITLABELS;
    Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomTreeView::CreateWnd()
{
    TWinControl::CreateWnd();
    SendMessageA(WindowHandle(), TVM_SETIMAGELIST, TVSIL_NORMAL,
                 reinterpret_cast<LPARAM>(FImages ? FImages->Handle() : nullptr));
    for (auto& R : FRoots)
        InsertNodeWindow(R.get(), TVI_LAST);
}

void TCustomTreeView::DestroyWnd()
{
    TWinControl::DestroyWnd();
    for (auto& R : FRoots)
        ForgetItems(R.get());
}

void TCustomTreeView::ForgetItems(TTreeNode* Node)
{
    Node->FItem = nullptr;
    for (auto& C : Node->FChildren)
        ForgetItems(C.get());
}

void TCustomTreeView::InsertNodeWindow(TTreeNode* Node, HTREEITEM After)
{
    TVINSERTSTRUCTA Ins{};
    Ins.hParent = Node->FParent ? Node->FParent->FItem : TVI_ROOT;
    Ins.hInsertAfter = After;
    Ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_CHILDREN;
    Ins.item.pszText = LPSTR_TEXTCALLBACKA;
    Ins.item.iImage = I_IMAGECALLBACK;
    Ins.item.iSelectedImage = I_IMAGECALLBACK;
    Ins.item.cChildren = Node->HasChildren() ? 1 : 0;
    Ins.item.lParam = reinterpret_cast<LPARAM>(Node);
    Node->FItem = reinterpret_cast<HTREEITEM>(
        SendMessageA(WindowHandle(), TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&Ins)));
    if (Node->FOverlayIndex >= 0 || Node->FCut)
        ApplyState(Node);
    for (auto& C : Node->FChildren)
        InsertNodeWindow(C.get(), TVI_LAST);
}

void TCustomTreeView::Notification(TComponent* AComponent, TOperation Operation)
{
    TWinControl::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    if (AComponent == FImages)
        FImages = nullptr;
    if (AComponent == FPopupMenu)
        FPopupMenu = nullptr;
}

std::vector<std::unique_ptr<TTreeNode>>& TCustomTreeView::SiblingsOf(TTreeNode* Node)
{
    return Node && Node->FParent ? Node->FParent->FChildren : FRoots;
}

TTreeNode* TCustomTreeView::AddChild(TTreeNode* Parent, const std::string& Text, void* Data)
{
    auto N = std::make_unique<TTreeNode>(this, Parent);
    N->FText = Text;
    N->FData = Data;
    auto& List = Parent ? Parent->FChildren : FRoots;
    List.push_back(std::move(N));
    TTreeNode* Added = List.back().get();
    if (HandleAllocated() && (!Parent || Parent->FItem)) {
        InsertNodeWindow(Added, TVI_LAST);
        if (Parent && List.size() == 1)
            Parent->SetHasChildren(Parent->FHasChildren);
    }
    return Added;
}

void TCustomTreeView::DeleteNode(TTreeNode* Node)
{
    if (!Node)
        return;
    if (FRClickNode == Node)
        FRClickNode = nullptr;
    NotifyDelete(Node);
    if (HandleAllocated() && Node->FItem)
        SendMessageA(WindowHandle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(Node->FItem));
    auto& List = SiblingsOf(Node);
    auto It = std::find_if(List.begin(), List.end(), [Node](const auto& P) { return P.get() == Node; });
    if (It != List.end())
        List.erase(It);
}

void TCustomTreeView::NotifyDelete(TTreeNode* Node)
{
    for (auto& C : Node->FChildren)
        NotifyDelete(C.get());
    Delete(Node);
}

void TCustomTreeView::Delete(TTreeNode*) {}

void TCustomTreeView::BeginUpdate()
{
    if (FUpdateCount++ == 0 && HandleAllocated())
        SendMessageA(WindowHandle(), WM_SETREDRAW, FALSE, 0);
}

void TCustomTreeView::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0 && HandleAllocated()) {
        SendMessageA(WindowHandle(), WM_SETREDRAW, TRUE, 0);
        Invalidate();
    }
}

void TCustomTreeView::Clear()
{
    FRClickNode = nullptr;
    for (auto& R : FRoots)
        NotifyDelete(R.get());
    if (HandleAllocated())
        SendMessageA(WindowHandle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    FRoots.clear();
}

TTreeNode* TCustomTreeView::NodeFromItem(HTREEITEM Item) const
{
    if (!Item || !HandleAllocated())
        return nullptr;
    TVITEMA I{};
    I.mask = TVIF_PARAM | TVIF_HANDLE;
    I.hItem = Item;
    if (!SendMessageA(WindowHandle(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&I)))
        return nullptr;
    return reinterpret_cast<TTreeNode*>(I.lParam);
}

TTreeNode* TCustomTreeView::Selected() const
{
    if (!HandleAllocated())
        return nullptr;
    return NodeFromItem(reinterpret_cast<HTREEITEM>(SendMessageA(WindowHandle(), TVM_GETNEXTITEM, TVGN_CARET, 0)));
}

void TCustomTreeView::SetSelected(TTreeNode* Node)
{
    SendMessageA(Handle(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(Node ? Node->FItem : nullptr));
}

TTreeNode* TCustomTreeView::TopItem() const
{
    if (!HandleAllocated())
        return nullptr;
    return NodeFromItem(
        reinterpret_cast<HTREEITEM>(SendMessageA(WindowHandle(), TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0)));
}

TTreeNode* TCustomTreeView::GetNodeAt(int X, int Y) const
{
    if (!HandleAllocated())
        return nullptr;
    TVHITTESTINFO Hit{};
    Hit.pt = {X, Y};
    const auto Item =
        reinterpret_cast<HTREEITEM>(SendMessageA(WindowHandle(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&Hit)));
    return (Hit.flags & TVHT_ONITEM) ? NodeFromItem(Item) : nullptr;
}

namespace {
int CALLBACK CompareTreeNodes(LPARAM A, LPARAM B, LPARAM Self)
{
    return reinterpret_cast<TCustomTreeView*>(Self)->CompareNodesFor(reinterpret_cast<TTreeNode*>(A),
                                                                     reinterpret_cast<TTreeNode*>(B));
}
} // namespace

int TCustomTreeView::CompareNodesFor(TTreeNode* A, TTreeNode* B) { return CompareNodes(A, B); }

int TCustomTreeView::CompareNodes(TTreeNode* Node1, TTreeNode* Node2)
{
    int R = 0;
    if (OnCompare)
        OnCompare(this, Node1, Node2, 0, R);
    else
        R = lstrcmpiA(Node1->Text().c_str(), Node2->Text().c_str());
    return R;
}

bool TCustomTreeView::CustomSort(TTreeNode* Node)
{
    if (!HandleAllocated())
        return false;
    TVSORTCB S{};
    S.hParent = Node ? Node->FItem : TVI_ROOT;
    S.lpfnCompare = &CompareTreeNodes;
    S.lParam = reinterpret_cast<LPARAM>(this);
    const bool Ok = SendMessageA(WindowHandle(), TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&S)) != 0;
    SyncChildOrder(Node);
    return Ok;
}

void TCustomTreeView::SyncChildOrder(TTreeNode* Parent)
{
    auto& List = Parent ? Parent->FChildren : FRoots;
    std::vector<std::unique_ptr<TTreeNode>> Sorted;
    auto Item = reinterpret_cast<HTREEITEM>(SendMessageA(WindowHandle(), TVM_GETNEXTITEM,
                                                         Parent ? TVGN_CHILD : TVGN_ROOT,
                                                         reinterpret_cast<LPARAM>(Parent ? Parent->FItem : nullptr)));
    for (; Item; Item = reinterpret_cast<HTREEITEM>(
                     SendMessageA(WindowHandle(), TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(Item)))) {
        TTreeNode* N = NodeFromItem(Item);
        auto It = std::find_if(List.begin(), List.end(), [N](const auto& P) { return P && P.get() == N; });
        if (It == List.end())
            return;
        Sorted.push_back(std::move(*It));
    }
    if (Sorted.size() == List.size())
        List = std::move(Sorted);
}

void TCustomTreeView::SetHideSelection(bool Value)
{
    if (!StoreChanged(FHideSelection, Value))
        return;
    if (HandleAllocated()) {
        const LONG S = GetWindowLongA(WindowHandle(), GWL_STYLE);
        SetWindowLongA(WindowHandle(), GWL_STYLE, Value ? (S & ~TVS_SHOWSELALWAYS) : (S | TVS_SHOWSELALWAYS));
        Invalidate();
    }
}

namespace {
void SetStyleBit(TWinControl* C, DWORD Bit, bool On)
{
    if (!C->HandleAllocated())
        return;
    const DWORD S = static_cast<DWORD>(GetWindowLongA(C->WindowHandle(), GWL_STYLE));
    SetWindowLongA(C->WindowHandle(), GWL_STYLE, static_cast<LONG>(On ? (S | Bit) : (S & ~Bit)));
}
} // namespace

void TCustomTreeView::SetReadOnly(bool Value)
{
    FReadOnly = Value;
    SetStyleBit(this, TVS_EDITLABELS, !Value);
}

void TCustomTreeView::SetShowLines(bool Value)
{
    FShowLines = Value;
    SetStyleBit(this, TVS_HASLINES, Value);
}

void TCustomTreeView::SetShowButtons(bool Value)
{
    FShowButtons = Value;
    SetStyleBit(this, TVS_HASBUTTONS, Value);
}

void TCustomTreeView::SetShowRoot(bool Value)
{
    FShowRoot = Value;
    SetStyleBit(this, TVS_LINESATROOT, Value);
}

void TCustomTreeView::SetAutoExpandValue(bool Value)
{
    FAutoExpand = Value;
    SetStyleBit(this, TVS_SINGLEEXPAND, Value);
}

void TCustomTreeView::SetImages(TCustomImageList* Value)
{
    if (FImages == Value)
        return;
    if (FImages)
        FImages->UnRegisterChanges(&FImageLink);
    FImages = Value;
    if (Value) {
        Value->FreeNotification(this);
        Value->RegisterChanges(&FImageLink);
    }
    ImagesChanged(nullptr);
}

void TCustomTreeView::ImagesChanged(TObject*)
{
    if (HandleAllocated())
        SendMessageA(WindowHandle(), TVM_SETIMAGELIST, TVSIL_NORMAL,
                     reinterpret_cast<LPARAM>(FImages ? FImages->Handle() : nullptr));
}

void TCustomTreeView::SetPopupMenu(TPopupMenu* Value)
{
    FPopupMenu = Value;
    if (Value)
        Value->FreeNotification(this);
}

bool TCustomTreeView::CanExpand(TTreeNode* Node)
{
    bool Allow = true;
    if (OnExpanding)
        OnExpanding(this, Node, Allow);
    return Allow;
}

void TCustomTreeView::Expand(TTreeNode* Node)
{
    if (OnExpanded)
        OnExpanded(this, Node);
}

bool TCustomTreeView::CanCollapse(TTreeNode* Node)
{
    bool Allow = true;
    if (OnCollapsing)
        OnCollapsing(this, Node, Allow);
    return Allow;
}

void TCustomTreeView::Change(TTreeNode* Node)
{
    if (OnChange)
        OnChange(this, Node);
}

bool TCustomTreeView::CanEdit(TTreeNode* Node)
{
    bool Allow = !FReadOnly;
    if (OnEditing)
        OnEditing(this, Node, Allow);
    return Allow;
}

void TCustomTreeView::Edit(TTreeNode* Node, std::string& S)
{
    if (OnEdited)
        OnEdited(this, Node, S);
}

void TCustomTreeView::GetImageIndex(TTreeNode* Node)
{
    if (OnGetImageIndex && !FImageEventsDetached)
        OnGetImageIndex(this, Node);
}

void TCustomTreeView::GetSelectedIndex(TTreeNode* Node)
{
    if (OnGetSelectedIndex && !FImageEventsDetached)
        OnGetSelectedIndex(this, Node);
}

bool TCustomTreeView::IsCustomDrawn(TCustomDrawTarget Target, TCustomDrawStage Stage)
{
    return Target == dtItem && Stage == cdPrePaint && static_cast<bool>(OnCustomDrawItem);
}

bool TCustomTreeView::CustomDrawItem(TTreeNode* Node, TCustomDrawState State, TCustomDrawStage Stage)
{
    bool Default = true;
    if (Stage == cdPrePaint && OnCustomDrawItem)
        OnCustomDrawItem(this, Node, State, Default);
    return Default;
}

void TCustomTreeView::DoContextPopup(TPoint MousePos, bool& Handled)
{
    ComCtrlsShared::ContextPopup(this, OnContextPopup, FPopupMenu, MousePos, Handled);
}

LRESULT TCustomTreeView::CustomDraw(NMTVCUSTOMDRAW* Draw)
{
    auto* N = reinterpret_cast<TTreeNode*>(Draw->nmcd.lItemlParam);
    return ComCtrlsShared::ItemCustomDraw(Draw->nmcd, Draw->clrText, Draw->clrTextBk, this, FCanvas.get(),
                                          IsCustomDrawn(dtItem, cdPrePaint),
                                          [&] { return CustomDrawItem(N, Draw->nmcd.uItemState, cdPrePaint); });
}

bool TCustomTreeView::HandleNotify(NMHDR* Header, LRESULT& Result)
{
    switch (Header->code) {
    case TVN_GETDISPINFOA: {
        auto* D = reinterpret_cast<NMTVDISPINFOA*>(Header);
        auto* N = reinterpret_cast<TTreeNode*>(D->item.lParam);
        if (!N)
            return true;
        if ((D->item.mask & TVIF_TEXT) && D->item.pszText && D->item.cchTextMax > 0)
            lstrcpynA(D->item.pszText, N->Text().c_str(), D->item.cchTextMax);
        if (D->item.mask & TVIF_IMAGE) {
            GetImageIndex(N);
            D->item.iImage = N->ImageIndex();
        }
        if (D->item.mask & TVIF_SELECTEDIMAGE) {
            GetSelectedIndex(N);
            D->item.iSelectedImage = N->SelectedIndex();
        }
        if (D->item.mask & TVIF_CHILDREN)
            D->item.cChildren = N->HasChildren() ? 1 : 0;
        return true;
    }
    case TVN_ITEMEXPANDINGA: {
        auto* D = reinterpret_cast<NMTREEVIEWA*>(Header);
        auto* N = reinterpret_cast<TTreeNode*>(D->itemNew.lParam);
        if (N && (D->action & TVE_EXPAND))
            Result = !CanExpand(N);
        else if (N && (D->action & TVE_COLLAPSE))
            Result = !CanCollapse(N);
        return true;
    }
    case TVN_ITEMEXPANDEDA: {
        auto* D = reinterpret_cast<NMTREEVIEWA*>(Header);
        if (auto* N = reinterpret_cast<TTreeNode*>(D->itemNew.lParam); N && (D->action & TVE_EXPAND))
            Expand(N);
        return true;
    }
    case TVN_SELCHANGEDA: {
        auto* D = reinterpret_cast<NMTREEVIEWA*>(Header);
        Change(reinterpret_cast<TTreeNode*>(D->itemNew.lParam));
        return true;
    }
    case TVN_BEGINLABELEDITA: {
        auto* D = reinterpret_cast<NMTVDISPINFOA*>(Header);
        auto* N = reinterpret_cast<TTreeNode*>(D->item.lParam);
        Result = !(N && CanEdit(N));
        return true;
    }
    case TVN_ENDLABELEDITA: {
        auto* D = reinterpret_cast<NMTVDISPINFOA*>(Header);
        auto* N = reinterpret_cast<TTreeNode*>(D->item.lParam);
        if (N && D->item.pszText) {
            std::string S = D->item.pszText;
            Edit(N, S);
            N->SetText(S);
        }
        Result = FALSE; // the text stays a callback
        return true;
    }
    case NM_CUSTOMDRAW:
        Result = CustomDraw(reinterpret_cast<NMTVCUSTOMDRAW*>(Header));
        return true;
    case NM_RCLICK:
        if (FRightClickSelect) {
            const DWORD Pos = GetMessagePos();
            const TPoint P = ScreenToClient(TPoint(static_cast<short>(LOWORD(Pos)), static_cast<short>(HIWORD(Pos))));
            FRClickNode = GetNodeAt(P.x, P.y);
        }
        return false;
    default:
        return false;
    }
}

void TCustomTreeView::WndProc(TMessage& Message)
{
    if (ComCtrlsShared::ViewMessage(
            this, Message, [this](NMHDR* H, LRESULT& R) { return HandleNotify(H, R); },
            [this](TPoint P, bool& Handled) { DoContextPopup(P, Handled); }))
        return;
    auto Alive = FAlive;
    TWinControl::WndProc(Message);
    // The tree's own procedure follows a press until the button comes up
    // and takes the release itself (or a drag ran to its end inside it):
    // the capture taken for the press would never hear of the release and
    // keep every later click. The release is handed on as the window got it.
    if ((Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_LBUTTONDBLCLK) && *Alive && MouseCapture() &&
        GetKeyState(VK_LBUTTON) >= 0)
        Perform(WM_LBUTTONUP, 0, Message.LParam);
}
