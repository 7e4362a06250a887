// Drag and drop of the shell tree and list: the data object a drag carries,
// the tree's drag source side and its drop target steps, which hand every
// drop to the shell's own target of the item under the point.
#include <algorithm>

#include "shell/RzShellCtrls.h"

namespace {

constexpr int ScrollMarginX = 26;
constexpr int ScrollMarginY = 20;
constexpr DWORD ScrollInterval = 100;
constexpr DWORD AllEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;

TPoint ClientPointOf(TWinControl* Control, POINTL Point) { return Control->ScreenToClient(TPoint(Point.x, Point.y)); }

} // namespace

// ---------------------------------------------------------------------------
// TRzShellDataObject
// ---------------------------------------------------------------------------

TRzShellDataObject::TRzShellDataObject(LPCITEMIDLIST ParentPidl, const std::vector<LPCITEMIDLIST>& Items,
                                       const std::vector<std::string>& Names)
    : TComObject<IDataObject>(IID_IDataObject)
{
    if (Items.empty())
        return;
    std::vector<CLIPFORMAT> Formats;
    if (SUCCEEDED(MakeIdListArrayData(ParentPidl, Items, FIdList)))
        Formats.push_back(static_cast<CLIPFORMAT>(ShellIdListFormat()));
    if (SUCCEEDED(MakeHDropData(Names, FFileDrop)))
        Formats.push_back(CF_HDROP);
    FFormats.AddFormats(Formats);
}

TRzShellDataObject::~TRzShellDataObject()
{
    if (FFileDrop)
        GlobalFree(FFileDrop);
    if (FIdList)
        GlobalFree(FIdList);
}

HRESULT TRzShellDataObject::GetData(FORMATETC* Format, STGMEDIUM* Medium)
{
    if (!Format || !Medium)
        return E_INVALIDARG;
    const HRESULT R = QueryGetData(Format);
    if (FAILED(R))
        return R;
    Medium->tymed = TYMED_HGLOBAL;
    Medium->pUnkForRelease = nullptr;
    HGLOBAL Copy = nullptr;
    if (Format->cfFormat == ShellIdListFormat())
        Copy = DuplicateHGlobal(FIdList);
    else if (Format->cfFormat == CF_HDROP)
        Copy = DuplicateHGlobal(FFileDrop);
    else
        return DV_E_FORMATETC;
    if (!Copy)
        return E_OUTOFMEMORY;
    Medium->hGlobal = Copy;
    return S_OK;
}

HRESULT TRzShellDataObject::GetDataHere(FORMATETC*, STGMEDIUM*) { return E_NOTIMPL; }

HRESULT TRzShellDataObject::QueryGetData(FORMATETC* Format)
{
    return Format ? FFormats.QueryGetData(*Format) : E_INVALIDARG;
}

HRESULT TRzShellDataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* Out)
{
    if (Out)
        Out->ptd = nullptr;
    return E_NOTIMPL;
}

HRESULT TRzShellDataObject::SetData(FORMATETC*, STGMEDIUM*, BOOL) { return E_NOTIMPL; }

HRESULT TRzShellDataObject::EnumFormatEtc(DWORD Direction, IEnumFORMATETC** Enum)
{
    if (!Enum)
        return E_INVALIDARG;
    *Enum = nullptr;
    if (Direction != DATADIR_GET)
        return E_NOTIMPL;
    *Enum = FFormats.CreateEnumerator().Detach();
    return *Enum ? S_OK : E_OUTOFMEMORY;
}

HRESULT TRzShellDataObject::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) { return OLE_E_ADVISENOTSUPPORTED; }
HRESULT TRzShellDataObject::DUnadvise(DWORD) { return OLE_E_ADVISENOTSUPPORTED; }
HRESULT TRzShellDataObject::EnumDAdvise(IEnumSTATDATA**) { return OLE_E_ADVISENOTSUPPORTED; }

TComPtr<IDataObject> MakeTreeDataObject(TRzCustomShellTree* Tree, TTreeNode* Node)
{
    std::vector<LPCITEMIDLIST> Items;
    std::vector<std::string> Names;
    LPCITEMIDLIST ParentPidl = nullptr;
    TRzShellTreeData* D = Tree->ShellData(Node);
    if (D && Node->Parent() && Tree->ShellData(Node->Parent())) {
        ParentPidl = Tree->ShellData(Node->Parent())->AbsIdList();
        Items.push_back(D->RelIdList());
        Names.push_back(ShellGetDisplayNameFromFolder(D->ParentShellFolder(), D->RelIdList(), TRzNameKind::ForParsing));
    }
    return TComPtr<IDataObject>::AddRefOf(new TRzShellDataObject(ParentPidl, Items, Names));
}

// ---------------------------------------------------------------------------
// The tree as drag source
// ---------------------------------------------------------------------------

TComPtr<IDropSource> TRzCustomShellTree::CreateDropSource(bool RightButton)
{
    return TComPtr<IDropSource>::AddRefOf(new TDropSource_shlvtv(RightButton ? MK_RBUTTON : MK_LBUTTON));
}

DWORD TRzCustomShellTree::GetDropEffects(TTreeNode* Node)
{
    TRzShellTreeData* D = ShellData(Node);
    if (!D || !D->Parent() || !D->ParentShellFolder())
        return AllEffects;
    LPCITEMIDLIST Items[1] = {D->RelIdList()};
    SFGAOF Attr = SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK;
    if (FAILED(D->ParentShellFolder()->GetAttributesOf(1, Items, &Attr)))
        return AllEffects;
    return Attr & AllEffects;
}

void TRzCustomShellTree::StartOleDrag(TTreeNode* Node, bool RightButton)
{
    // The root stands for the tree itself and is never dragged.
    if (!ShellData(Node) || !Node->Parent())
        return;
    FDragNode = Node;
    SetDropHighlight(Node);
    FInteraction = true;
    TComPtr<IDataObject> Data = MakeTreeDataObject(this, Node);
    TComPtr<IDropSource> Source = CreateDropSource(RightButton);
    DWORD Effect = DROPEFFECT_NONE;
    const HRESULT R = DoDragDrop(Data.Get(), Source.Get(), GetDropEffects(Node), &Effect);
    const bool Pending = EndInteraction();
    Source.Reset();
    Data.Reset();
    FDragNode = nullptr;
    SetDropHighlight(nullptr);
    if (R == DRAGDROP_S_DROP || Pending)
        RefreshTree();
}

// ---------------------------------------------------------------------------
// The tree as drop target
// ---------------------------------------------------------------------------

void TRzCustomShellTree::RegisterDropTarget()
{
    if (!FDropTarget)
        RegisterControlDropTarget(this, FDropTarget, new TDropTarget_shtv(this));
}

void TRzCustomShellTree::RevokeDropTarget() { RevokeControlDropTarget(this, FDropTarget); }

void TRzCustomShellTree::SetDropHighlight(TTreeNode* Node)
{
    FDropHighlight = Node;
    if (HandleAllocated())
        SendMessageA(WindowHandle(), TVM_SELECTITEM, TVGN_DROPHILITE,
                     reinterpret_cast<LPARAM>(Node ? Node->ItemId() : nullptr));
}

bool TRzCustomShellTree::FindDropTarget(TPoint ClientPoint, TTreeNode*& Node, TComPtr<IDropTarget>& Target)
{
    Target.Reset();
    Node = GetNodeAt(ClientPoint.x, ClientPoint.y);
    TRzShellTreeData* D = ShellData(Node);
    if (!D)
        return false;
    TComPtr<IShellFolder> Parent;
    TPidl Hold;
    if (LPCITEMIDLIST Item = ShellNodeItem(D, Parent, Hold); Item && Parent) {
        if (FAILED(Parent->GetUIObjectOf(OwnerWindow(), 1, &Item, IID_IDropTarget, nullptr, Target.PutVoid())))
            Target.Reset();
    } else if (FAILED(GetDesktopDropTarget(Target))) {
        Target.Reset();
    }
    return true;
}

HRESULT TRzCustomShellTree::OleDragEnter(IDataObject* DataObject, DWORD KeyState, POINTL Point, DWORD& Effect)
{
    FDrag.LastScrollTime = FDrag.LastHoverTime = GetTickCount();
    FDrag.DataObject = TComPtr<IDataObject>::AddRefOf(DataObject);
    FDrag.EnterKeyState = KeyState;
    const TPoint C = ClientPointOf(this, Point);
    FDrag.HoverPoint = C;
    TTreeNode* Node = nullptr;
    TComPtr<IDropTarget> Target;
    FindDropTarget(C, Node, Target);
    if (Target) {
        DWORD E = Effect;
        Target->DragEnter(DataObject, KeyState, Point, &E);
        Target->DragLeave();
        Effect = E;
        SetDropHighlight(Node);
    } else {
        Effect = DROPEFFECT_NONE;
        SetDropHighlight(nullptr);
    }
    return S_OK;
}

HRESULT TRzCustomShellTree::OleDragOver(DWORD KeyState, POINTL Point, DWORD& Effect)
{
    const TPoint C = ClientPointOf(this, Point);
    TTreeNode* Before = FDropHighlight;
    TTreeNode* Node = nullptr;
    TComPtr<IDropTarget> Target;
    if (FindDropTarget(C, Node, Target)) {
        SetDropHighlight(Node);
        Effect = AskShellDropTarget(Target.Get(), FDrag.DataObject.Get(), KeyState, Point, Effect);
    } else {
        Effect = DROPEFFECT_NONE;
        SetDropHighlight(FDragNode);
    }
    OleDragAutoScroll(C);
    Effect |= DROPEFFECT_SCROLL;
    if (FDropHighlight != Before)
        Update();
    return S_OK;
}

HRESULT TRzCustomShellTree::OleDragLeave()
{
    FDrag.DataObject.Reset();
    SetDropHighlight(nullptr);
    return S_OK;
}

HRESULT TRzCustomShellTree::OleDrop(IDataObject* DataObject, DWORD KeyState, POINTL Point, DWORD& Effect)
{
    TTreeNode* Node = nullptr;
    TComPtr<IDropTarget> Target;
    const bool OnNode = FindDropTarget(ClientPointOf(this, Point), Node, Target);
    TScopeExit Done([this] {
        SetDropHighlight(nullptr);
        FDrag.DataObject.Reset();
    });
    // Nothing takes the drop: the source must hear that nothing happened,
    // or it may delete what it offered for a move.
    if (!OnNode || !Target) {
        Effect = DROPEFFECT_NONE;
        return S_OK;
    }
    // The button is up by now; the shell shows its right-drop menu by it.
    const DWORD Keys = KeyState | (FDrag.EnterKeyState & (MK_LBUTTON | MK_RBUTTON));
    Effect = DropOnShellTarget(Target.Get(), DataObject, Keys, Point, Effect);
    return S_OK;
}

void TRzCustomShellTree::OleDragAutoScroll(TPoint P)
{
    const DWORD Now = GetTickCount();
    const HWND W = WindowHandle();
    if (Now - FDrag.LastScrollTime > ScrollInterval) {
        const TRect R = GetClientRect();
        auto Scroll = [&](int Bar, int Code) {
            const int Before = GetScrollPos(W, Bar);
            SendMessageA(W, Bar == SB_HORZ ? WM_HSCROLL : WM_VSCROLL, static_cast<WPARAM>(Code), 0);
            if (GetScrollPos(W, Bar) != Before)
                FDrag.LastHoverTime = Now;
        };
        if (P.x < R.left + ScrollMarginX)
            Scroll(SB_HORZ, SB_LINELEFT);
        else if (P.x >= R.right - ScrollMarginX)
            Scroll(SB_HORZ, SB_LINERIGHT);
        if (P.y < R.top + ScrollMarginY)
            Scroll(SB_VERT, SB_LINEUP);
        else if (P.y >= R.bottom - ScrollMarginY)
            Scroll(SB_VERT, SB_LINEDOWN);
        FDrag.LastScrollTime = Now;
    }
    const TPoint H = FDrag.HoverPoint;
    const RECT Hover{H.x - ShellHoverWidth() / 2, H.y - ShellHoverHeight() / 2, H.x + ShellHoverWidth(),
                     H.y + ShellHoverHeight()};
    const POINT Pt{P.x, P.y};
    if (PtInRect(&Hover, Pt)) {
        if (Now - FDrag.LastHoverTime > ShellHoverTime()) {
            TTreeNode* N = GetNodeAt(H.x, H.y);
            if (N && N->HasChildren() && N->Count() == 0) {
                ++FDragExpand;
                TScopeExit Lower([this] { --FDragExpand; });
                N->Expand(false);
            }
            FDrag.HoverPoint = P;
            FDrag.LastHoverTime = Now;
        }
    } else {
        FDrag.HoverPoint = P;
        FDrag.LastHoverTime = Now;
    }
}

// ---------------------------------------------------------------------------
// The list as drag source
// ---------------------------------------------------------------------------

TComPtr<IDataObject> MakeListDataObject(TRzCustomShellList* List)
{
    std::vector<LPCITEMIDLIST> Items = List->SelectedIdLists();
    std::vector<std::string> Names;
    for (LPCITEMIDLIST Item : Items)
        Names.push_back(ShellGetDisplayNameFromFolder(List->ListFolder(), Item, TRzNameKind::ForParsing));
    return TComPtr<IDataObject>::AddRefOf(new TRzShellDataObject(List->ListFolderIdList(), Items, Names));
}

TComPtr<IDropSource> TRzCustomShellList::CreateDropSource(bool RightButton)
{
    return TComPtr<IDropSource>::AddRefOf(new TDropSource_shlvtv(RightButton ? MK_RBUTTON : MK_LBUTTON));
}

DWORD TRzCustomShellList::GetDropEffects()
{
    std::vector<LPCITEMIDLIST> Items = SelectedIdLists();
    if (Items.empty())
        return DROPEFFECT_NONE;
    if (!ListFolder())
        return AllEffects;
    SFGAOF Attr = SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK;
    if (FAILED(ListFolder()->GetAttributesOf(static_cast<UINT>(Items.size()), Items.data(), &Attr)))
        return AllEffects;
    return Attr & AllEffects;
}

void TRzCustomShellList::StartOleDrag(bool RightButton)
{
    FInteraction = true;
    FDragStarted = true;
    FOwnDrag = true;
    FOwnDragButton = RightButton ? MK_RBUTTON : MK_LBUTTON;
    TComPtr<IDataObject> Data = MakeListDataObject(this);
    TComPtr<IDropSource> Source = CreateDropSource(RightButton);
    DWORD Effect = DROPEFFECT_NONE;
    const HRESULT R = DoDragDrop(Data.Get(), Source.Get(), GetDropEffects(), &Effect);
    FOwnDrag = false;
    const bool Pending = EndInteraction();
    Source.Reset();
    Data.Reset();
    if (R == DRAGDROP_S_DROP || Pending)
        RefreshList();
}

// ---------------------------------------------------------------------------
// The list as drop target
// ---------------------------------------------------------------------------

void TRzCustomShellList::RegisterDropTarget()
{
    if (!FDropTarget)
        RegisterControlDropTarget(this, FDropTarget, new TDropTarget_shlv(this));
}

void TRzCustomShellList::RevokeDropTarget() { RevokeControlDropTarget(this, FDropTarget); }

void TRzCustomShellList::SetDropHighlight(TListItem* Item)
{
    if (FDropHighlight == Item)
        return;
    auto Set = [this](TListItem* It, bool On) {
        if (!It || !HandleAllocated())
            return;
        LVITEMA S{};
        S.stateMask = LVIS_DROPHILITED;
        S.state = On ? LVIS_DROPHILITED : 0;
        SendMessageA(WindowHandle(), LVM_SETITEMSTATE, static_cast<WPARAM>(It->Index()), reinterpret_cast<LPARAM>(&S));
    };
    Set(FDropHighlight, false);
    FDropHighlight = Item;
    Set(Item, true);
}

void TRzCustomShellList::FindDropTarget(TPoint ClientPoint, TListItem*& Item, TComPtr<IDropTarget>& Target)
{
    Target.Reset();
    Item = GetItemAt(ClientPoint.x, ClientPoint.y);
    if (TRzShellListData* D = Data(Item); D && ListFolder()) {
        LPCITEMIDLIST Items[1] = {D->RelIdList()};
        if (SUCCEEDED(ListFolder()->GetUIObjectOf(OwnerWindow(), 1, Items, IID_IDropTarget, nullptr,
                                                  Target.PutVoid())))
            return;
        Target.Reset();
    } else {
        Item = nullptr;
    }
    // The folder's own target, from its parent.
    TComPtr<IShellFolder> Parent;
    TPidl ParentPidl, Own;
    if (!ListFolderIdList() || ListFolderIdList()->mkid.cb == 0) {
        if (FAILED(GetDesktopDropTarget(Target)))
            Target.Reset();
    } else if (SUCCEEDED(SplitAbsolutePidl(ListFolderIdList(), Parent, ParentPidl, Own))) {
        LPCITEMIDLIST Items[1] = {Own.Get()};
        if (FAILED(Parent->GetUIObjectOf(OwnerWindow(), 1, Items, IID_IDropTarget, nullptr, Target.PutVoid())))
            Target.Reset();
    }
}

HRESULT TRzCustomShellList::OleDragEnter(IDataObject* DataObject, DWORD KeyState, POINTL Point, DWORD& Effect)
{
    FDrag.LastScrollTime = FDrag.LastHoverTime = GetTickCount();
    FDrag.DataObject = TComPtr<IDataObject>::AddRefOf(DataObject);
    FDrag.EnterKeyState = KeyState;
    FDrag.HoverPoint = ClientPointOf(this, Point);
    return OleDragOver(KeyState, Point, Effect);
}

HRESULT TRzCustomShellList::OleDragOver(DWORD KeyState, POINTL Point, DWORD& Effect)
{
    TListItem* Item = nullptr;
    TComPtr<IDropTarget> Target;
    FindDropTarget(ClientPointOf(this, Point), Item, Target);
    // Over its own background in its own drag: only a right drop, which
    // offers the shell's menu for the same folder.
    if (FOwnDrag && !Item) {
        SetDropHighlight(nullptr);
        if ((KeyState | FDrag.EnterKeyState | FOwnDragButton) & MK_RBUTTON) {
            Effect = DROPEFFECT_COPY;
            return S_OK;
        }
        Effect = DROPEFFECT_NONE;
        return E_FAIL;
    }
    if (!Target) {
        Effect = DROPEFFECT_NONE;
        SetDropHighlight(nullptr);
        return S_OK;
    }
    Effect = AskShellDropTarget(Target.Get(), FDrag.DataObject.Get(), KeyState, Point, Effect);
    SetDropHighlight(Effect ? Item : nullptr);
    return S_OK;
}

HRESULT TRzCustomShellList::OleDragLeave()
{
    FDrag.DataObject.Reset();
    SetDropHighlight(nullptr);
    return S_OK;
}

HRESULT TRzCustomShellList::OleDrop(IDataObject* DataObject, DWORD KeyState, POINTL Point, DWORD& Effect)
{
    TListItem* Item = nullptr;
    TComPtr<IDropTarget> Target;
    FindDropTarget(ClientPointOf(this, Point), Item, Target);
    TScopeExit Done([this] {
        SetDropHighlight(nullptr);
        FDrag.DataObject.Reset();
    });
    // The button is up by now; the shell shows its right-drop menu by it.
    const DWORD Keys = KeyState | ((FDrag.EnterKeyState | (FOwnDrag ? FOwnDragButton : 0)) & (MK_LBUTTON | MK_RBUTTON));
    DWORD E = Effect;
    if (FOwnDrag && !Item) {
        if (!(Keys & MK_RBUTTON)) {
            Effect = DROPEFFECT_NONE;
            return E_FAIL;
        }
        E &= ~DWORD(DROPEFFECT_MOVE);
    }
    // Nothing takes the drop: the source must hear that nothing happened.
    if (!Target) {
        Effect = DROPEFFECT_NONE;
        return S_OK;
    }
    Effect = DropOnShellTarget(Target.Get(), DataObject, Keys, Point, E);
    RefreshList();
    return S_OK;
}
