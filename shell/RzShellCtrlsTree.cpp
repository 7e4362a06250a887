// The shell tree: a lazily filled folder tree over the shell namespace that
// keeps a selected folder, drives its linked list and combo, and follows
// changes on disk.
#include <algorithm>

#include "classlib/Menus.h"
#include "classlib/PathForms.h"
#include "shell/RzShellCtrls.h"

namespace {

const ITEMIDLIST EmptyIdList{};

constexpr SFGAOF NodeAttributeMask = 0xF20B0000;
constexpr unsigned SyncDelay = 500;

bool VistaOrLater() { return ShellOsVersion().dwMajorVersion >= 6; }

bool IsInSubtree(TTreeNode* Node, TTreeNode* Top)
{
    for (TTreeNode* N = Node; N; N = N->Parent())
        if (N == Top)
            return true;
    return false;
}

} // namespace

// A node's item as its parent folder sees it; the root's comes from
// splitting its absolute list.
LPCITEMIDLIST ShellNodeItem(TRzShellTreeData* Data, TComPtr<IShellFolder>& ParentFolder, TPidl& Hold)
{
    if (Data->Parent()) {
        ParentFolder = TComPtr<IShellFolder>::AddRefOf(Data->ParentShellFolder());
        return Data->RelIdList();
    }
    TPidl ParentPidl;
    if (!Data->AbsIdList() || Data->AbsIdList()->mkid.cb == 0 ||
        FAILED(SplitAbsolutePidl(Data->AbsIdList(), ParentFolder, ParentPidl, Hold)))
        return nullptr;
    return Hold.Get();
}

TRzCustomShellTree::TRzCustomShellTree(TComponent* AOwner)
    : TRzCustomTreeView(AOwner), FBaseFolder(std::make_unique<TRzShellLocator>()),
      FSelectedFolder(std::make_unique<TRzShellLocator>()), FChangeTimer(std::make_unique<TTimer>(nullptr)),
      FImages(std::make_unique<TCustomImageList>(nullptr))
{
    SetShowRoot(false);
    SetBounds(Left(), Top(), 150, 150);
    FBaseFolder->OnChange = [this](TObject* S) { BaseFolderChanged(S); };
    FSelectedFolder->OnChange = [this](TObject* S) { SelectedFolderChanged(S); };
    FChangeTimer->SetEnabled(false);
    FChangeTimer->OnTimer = [this](TObject* S) { TimerTick(S); };
    FImages->SetShareImages(true);
    FImages->SetHandle(ShellGetSystemImageList(TRzImageListSize::Small));
    SetImages(FImages.get());
    DeviceChangeHandler()->Register({&DeviceChangeThunk, this});
}

TRzCustomShellTree::~TRzCustomShellTree()
{
    DeviceChangeHandler()->Unregister({&DeviceChangeThunk, this});
    if (FShellList)
        FShellList->SetLinkedTree(nullptr);
    RevokeDropTarget();
    FChangeTimer->SetEnabled(false);
    FChangeThread.reset();
    ++FBusy;
    if (HandleAllocated())
        DestroyWnd();
    Clear();
    SetImages(nullptr);
}

void TRzCustomShellTree::DeviceChangeThunk(void* Data, TMessage& Message)
{
    static_cast<TRzCustomShellTree*>(Data)->DeviceChange(Message.WParam, Message.LParam);
}

TRzShellTreeData* TRzCustomShellTree::ShellData(TTreeNode* Node) const
{
    return Node && FOwnData.count(Node->Data()) ? static_cast<TRzShellTreeData*>(Node->Data()) : nullptr;
}

HWND TRzCustomShellTree::OwnerWindow() { return FDragExpand > 0 ? nullptr : GetParentFormWindow(this); }

bool TRzCustomShellTree::Editing() const
{
    return HandleAllocated() && SendMessageA(WindowHandle(), TVM_GETEDITCONTROL, 0, 0) != 0;
}

DWORD TRzCustomShellTree::EnumFlags() const
{
    return SHCONTF_FOLDERS | ((FOptions & stoShowHidden) ? SHCONTF_INCLUDEHIDDEN : 0) |
           ((FOptions & stoIncludeNonFolders) ? SHCONTF_NONFOLDERS : 0);
}

// ---------------------------------------------------------------------------
// Properties and links
// ---------------------------------------------------------------------------

void TRzCustomShellTree::SetBaseFolder(const TRzShellLocator* Value)
{
    if (!HasState(csLoading))
        FBaseFolder->Assign(Value);
}

void TRzCustomShellTree::SetSelectedFolder(const TRzShellLocator* Value)
{
    if (!HasState(csLoading) && !Busy())
        FSelectedFolder->Assign(Value);
    else if (FShellList)
        FShellList->Folder()->Assign(FSelectedFolder.get());
}

std::string TRzCustomShellTree::SelectedPathName()
{
    TRzShellTreeData* D = ShellData(Selected());
    return D ? D->Path() : std::string();
}

void TRzCustomShellTree::SetShellList(TRzShellListLink* Value)
{
    if (FShellList == Value)
        return;
    if (FShellList)
        FShellList->SetLinkedTree(nullptr);
    FShellList = Value;
    if (Value) {
        Value->LinkComponent()->FreeNotification(this);
        FreeNotification(Value->LinkComponent());
        Value->SetLinkedTree(this);
        Value->Folder()->Assign(FSelectedFolder.get());
    }
}

void TRzCustomShellTree::SetShellCombo(TRzShellComboLink* Value)
{
    FShellCombo = Value;
    if (Value)
        Value->LinkComponent()->FreeNotification(this);
}

void TRzCustomShellTree::Notification(TComponent* AComponent, TOperation Operation)
{
    TRzCustomTreeView::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    if (FShellList && AComponent == FShellList->LinkComponent())
        FShellList = nullptr;
    if (FShellCombo && AComponent == FShellCombo->LinkComponent())
        FShellCombo = nullptr;
}

void TRzCustomShellTree::SetOptions(TRzShellTreeOptions Value)
{
    const TRzShellTreeOptions Old = FOptions;
    FOptions = Value;
    if (!HandleAllocated())
        return;
    if ((Old ^ Value) & stoOleDrop) {
        if (Value & stoOleDrop)
            RegisterDropTarget();
        else
            RevokeDropTarget();
    }
    SetWindowStyleBit(WindowHandle(), TVS_DISABLEDRAGDROP, !(Value & stoOleDrag));
    if ((Old ^ Value) & stoDynamicRefresh) {
        if (Value & stoDynamicRefresh)
            StartWatching();
        else if (FChangeThread)
            FChangeThread->RemoveAllWatches();
    }
}

void TRzCustomShellTree::BaseFolderChanged(TObject*)
{
    if (HasState(csLoading))
        return;
    {
        TRzCountScope B(FBusy);
        FSelectedFolder->Clear();
    }
    if (FOptions & stoAutoFill) {
        FSyncNow = true;
        FillTree();
    }
}

void TRzCustomShellTree::SelectedFolderChanged(TObject*)
{
    if (RootCount())
        SelectIdList(FSelectedFolder->IdList());
}

// ---------------------------------------------------------------------------
// Filling
// ---------------------------------------------------------------------------

void TRzCustomShellTree::FillTree()
{
    if (FInteraction || Editing()) {
        FRefreshPending = true;
        return;
    }
    TRzHourglass Hourglass;
    {
        TRzCountScope B(FBusy);
        if (HandleAllocated())
            SetSelected(nullptr);
        Clear();
    }
    TComPtr<IShellFolder> Base;
    const HRESULT R = FBaseFolder->IdList() ? ShellBindToFolder(FBaseFolder->IdList(), Base)
                                            : ShellGetDesktopFolder(Base);
    if (FAILED(R))
        RaiseSystemError(static_cast<DWORD>(R));
    FillChildren(Base.Get(), nullptr);
    if (!FSelectedFolder->IdList()) {
        if (TTreeNode* First = RootNode(); First && HandleAllocated())
            SetSelected(First);
    } else {
        SelectIdList(FSelectedFolder->IdList());
    }
    if (FChangeTimer->Enabled())
        RunPendingStep();
    Base.Reset();
    if (FOptions & stoDynamicRefresh)
        StartWatching();
}

void TRzCustomShellTree::FillChildren(IShellFolder* Shf, TTreeNode* ParentNode)
{
    if (OnFillStart)
        OnFillStart(this);
    TScopeExit Complete([this] {
        if (OnFillComplete)
            OnFillComplete(this);
    });
    TRzErrorModeScope ErrorMode;
    if (!Shf) {
        if (ParentNode)
            ParentNode->SetHasChildren(false);
        return;
    }
    TPidl Base;
    LPCITEMIDLIST ParentAbs = nullptr;
    TTreeNode* Parent = ParentNode;
    if (!ParentNode) {
        if (FBaseFolder->IdList())
            Base = CopyIdList(FBaseFolder->IdList());
        const LPCITEMIDLIST Abs = Base ? Base.Get() : &EmptyIdList;
        auto Data = std::make_unique<TRzShellTreeData>(nullptr, Abs);
        Data->SetShellFolder(Shf);
        FOwnData.insert(Data.get());
        Parent = AddChild(nullptr, ShellGetDisplayNameFromPidl(Abs), Data.release());
        Parent->SetImageIndex(ShellGetIconIndexFromPidl(Abs, SHGFI_SMALLICON));
        Parent->SetSelectedIndex(ShellGetIconIndexFromPidl(Abs, SHGFI_SMALLICON | SHGFI_OPENICON));
        ParentAbs = Base.Get();
    } else {
        ParentAbs = ShellData(ParentNode)->AbsIdList();
    }
    TComPtr<IEnumIDList> Enum;
    if (Shf->EnumObjects(OwnerWindow(), EnumFlags(), Enum.Put()) != S_OK || !Enum) {
        Parent->SetHasChildren(false);
        return;
    }
    HRESULT R;
    LPITEMIDLIST Item = nullptr;
    ULONG Fetched = 0;
    while ((R = Enum->Next(1, &Item, &Fetched)) == S_OK && Fetched == 1) {
        TPidl Own(Item);
        AddNewNode(Shf, ParentAbs, Own.Get(), Parent);
    }
    if (Parent->Count() == 0)
        Parent->SetHasChildren(false);
    if (R == E_FAIL)
        return;
    if (FAILED(R))
        RaiseSystemError(static_cast<DWORD>(R));
    SortChildren(Parent);
    if (!ParentNode)
        Parent->Expand(false);
}

HRESULT TRzCustomShellTree::AddNewNode(IShellFolder* ParentFolder, LPCITEMIDLIST ParentAbsIdList,
                                       LPCITEMIDLIST ItemRelIdList, TTreeNode* ParentNode)
{
    if (!ItemRelIdList)
        return S_OK;
    SFGAOF Attr = NodeAttributeMask | (VistaOrLater() ? SFGAO_STREAM : 0);
    LPCITEMIDLIST Items[1] = {ItemRelIdList};
    const HRESULT R = ParentFolder->GetAttributesOf(1, Items, &Attr);
    if (FAILED(R))
        return R;
    if (!(FOptions & stoVirtualFolders) && !(Attr & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR)))
        return S_OK;
    if (!CanAdd(ParentFolder, ParentAbsIdList, ItemRelIdList, Attr))
        return S_OK;
    auto Data = std::make_unique<TRzShellTreeData>(ShellData(ParentNode), ItemRelIdList);
    FOwnData.insert(Data.get());
    TTreeNode* Node = AddChild(ParentNode, ShellGetDisplayNameFromFolder(ParentFolder, ItemRelIdList,
                                                                         TRzNameKind::InFolder),
                               Data.release());
    const bool IsFolder = Attr & SFGAO_FOLDER, Sub = Attr & SFGAO_HASSUBFOLDER;
    Node->SetHasChildren((FOptions & stoIncludeNonFolders) ? (IsFolder || Sub) : (IsFolder && Sub));
    if (Attr & SFGAO_SHARE)
        Node->SetOverlayIndex(0);
    else if (Attr & SFGAO_LINK)
        Node->SetOverlayIndex(1);
    Node->SetCut(Attr & SFGAO_HIDDEN);
    FLastInserted = Node;
    if (OnInsertItem)
        OnInsertItem(this, Node);
    return S_OK;
}

bool TRzCustomShellTree::CanAdd(IShellFolder* ParentFolder, LPCITEMIDLIST ParentAbsIdList,
                                LPCITEMIDLIST ItemRelIdList, SFGAOF Attribs)
{
    BOOL Allow = TRUE;
    if (OnAddItem)
        OnAddItem(this, ParentFolder, ParentAbsIdList, ItemRelIdList, static_cast<int>(Attribs), Allow);
    return Allow;
}

void TRzCustomShellTree::GetImageIndex(TTreeNode* Node)
{
    if (TRzShellTreeData* D = ShellData(Node); D && Node->ImageIndex() < 0)
        Node->SetImageIndex(std::max(0, ShellGetIconIndexFromPidl(D->AbsIdList(), SHGFI_SMALLICON)));
    TRzCustomTreeView::GetImageIndex(Node);
}

void TRzCustomShellTree::GetSelectedIndex(TTreeNode* Node)
{
    if (TRzShellTreeData* D = ShellData(Node); D && Node->SelectedIndex() < 0)
        Node->SetSelectedIndex(
            std::max(0, ShellGetIconIndexFromPidl(D->AbsIdList(), SHGFI_SMALLICON | SHGFI_OPENICON)));
    TRzCustomTreeView::GetSelectedIndex(Node);
}

int TRzCustomShellTree::CompareNodes(TTreeNode* Node1, TTreeNode* Node2)
{
    TRzShellTreeData *A = ShellData(Node1), *B = ShellData(Node2);
    if (!A || !B || !A->Parent())
        return 0;
    IShellFolder* F = A->ParentShellFolder();
    if (!F)
        return 0;
    const HRESULT R = F->CompareIDs(0, A->RelIdList(), B->RelIdList());
    return FAILED(R) ? 0 : CompareIdsResult(R);
}

void TRzCustomShellTree::SortChildren(TTreeNode* Node) { CustomSort(Node); }

bool TRzCustomShellTree::CanExpand(TTreeNode* Node)
{
    if (FNoExpand)
        return false;
    const bool Allow = TRzCustomTreeView::CanExpand(Node);
    if (Allow) {
        if (TRzShellTreeData* D = ShellData(Node); D && Node->HasChildren() && Node->Count() == 0) {
            TRzHourglass Hourglass;
            FillChildren(D->ShellFolder(), Node);
        }
    }
    return Allow;
}

void TRzCustomShellTree::Delete(TTreeNode* Node)
{
    if (TRzShellTreeData* D = ShellData(Node)) {
        if (OnDeleteItem)
            OnDeleteItem(this, Node, D);
        FOwnData.erase(D);
        Node->SetData(nullptr);
        delete D;
    }
    if (FLastInserted == Node)
        FLastInserted = nullptr;
    if (FDragNode == Node)
        FDragNode = nullptr;
    if (FDropHighlight == Node)
        FDropHighlight = nullptr;
    TRzCustomTreeView::Delete(Node);
}

// ---------------------------------------------------------------------------
// Selection and the linked controls
// ---------------------------------------------------------------------------

void TRzCustomShellTree::SelectIdList(LPCITEMIDLIST AbsIdList)
{
    if (Busy())
        return;
    FSyncNow = true;
    TRzIdListArray BaseItems(FBaseFolder->IdList()), Target(AbsIdList);
    const int BaseCount = BaseItems.Count(), TargetCount = Target.Count();
    TTreeNode* Last = RootNode();
    {
        TUpdateScope<TRzCustomShellTree> Update(this);
        if (TargetCount > 0 && Last) {
            Last->Expand(false);
            for (int L = BaseCount; L < TargetCount; ++L) {
                TRzShellTreeData* D = ShellData(Last);
                IShellFolder* F = D ? D->ShellFolder() : nullptr;
                if (!F)
                    break;
                TPidl Item = CopyIdList(Target.Item(L));
                TTreeNode* Found = nullptr;
                for (int I = 0; I < Last->Count() && !Found; ++I) {
                    TRzShellTreeData* C = ShellData(Last->Item(I));
                    if (!C)
                        continue;
                    const HRESULT R = F->CompareIDs(0, C->RelIdList(), Item.Get());
                    if (SUCCEEDED(R) && CompareIdsResult(R) == 0)
                        Found = Last->Item(I);
                }
                if (!Found) {
                    FLastInserted = nullptr;
                    if (FAILED(AddNewNode(F, D->AbsIdList(), Item.Get(), Last)) || !FLastInserted) {
                        MessageBeep(static_cast<UINT>(-1));
                        break;
                    }
                    Found = FLastInserted;
                }
                Last = Found;
                const bool IsLast = L == TargetCount - 1;
                if (!IsLast || (FShellList && FShellList->HidesFoldersWhenLinked()))
                    Last->Expand(false);
            }
        }
    }
    if (Last && HandleAllocated()) {
        if (Selected() == Last)
            FSyncNow = false;
        SetSelected(Last);
        SendMessageA(WindowHandle(), TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(Last->ItemId()));
    }
}

void TRzCustomShellTree::Change(TTreeNode* Node)
{
    TRzShellTreeData* D = ShellData(Node);
    if (Busy() || HasState(csLoading)) {
        if (D) {
            TRzCountScope B(FBusy);
            FSelectedFolder->SetIdList(D->AbsIdList());
        }
        return;
    }
    TRzCustomTreeView::Change(Node);
    if (!D)
        return;
    if ((FOptions & stoDynamicRefresh) && ParentPathOf(Node) != FWatchedParent)
        StartWatching();
    if (!FSyncNow && FShellList) {
        RestartTimer(TRzShellPending::Sync, SyncDelay);
        return;
    }
    SyncLinked(Node);
    FSyncNow = false;
}

void TRzCustomShellTree::SyncLinked(TTreeNode* Node)
{
    TRzShellTreeData* D = ShellData(Node);
    if (!D)
        return;
    TRzCountScope B(FBusy);
    FSelectedFolder->SetIdList(D->AbsIdList());
    if (FShellList)
        FShellList->ShowFolderOfNode(Node);
    if (FShellCombo)
        FShellCombo->TreeNodeSelected(Node);
}

void TRzCustomShellTree::RestartTimer(TRzShellPending Action, unsigned Interval)
{
    FPending = Action;
    ::RestartTimer(FChangeTimer.get(), Interval);
}

void TRzCustomShellTree::TimerTick(TObject*) { RunPendingStep(); }

void TRzCustomShellTree::RunPendingStep()
{
    FChangeTimer->SetEnabled(false);
    const TRzShellPending Action = std::exchange(FPending, TRzShellPending::None);
    if (Action == TRzShellPending::Sync)
        SyncLinked(Selected());
    else if (Action == TRzShellPending::Refresh)
        RefreshTree();
}

void TRzCustomShellTree::GoUp(int Levels)
{
    TTreeNode* N = Selected();
    if (!N || !N->Parent())
        return;
    while (Levels >= 1 && N->Parent()) {
        N = N->Parent();
        --Levels;
    }
    FSyncNow = true;
    SetSelected(N);
}

// ---------------------------------------------------------------------------
// Refreshing
// ---------------------------------------------------------------------------

void TRzCustomShellTree::RefreshTree()
{
    if (FInteraction || Editing()) {
        FRefreshPending = true;
        return;
    }
    if (!RootCount()) {
        FillTree();
        return;
    }
    if (OnFillStart)
        OnFillStart(this);
    TTreeNode* Remembered = nullptr;
    {
        TRzCountScope B(FBusy);
        Remembered = Selected();
        if (HandleAllocated())
            SetSelected(nullptr);
        TUpdateScope<TRzCustomShellTree> Update(this);
        std::vector<TTreeNode*> Roots;
        for (int I = 0; I < RootCount(); ++I)
            Roots.push_back(Root(I));
        for (TTreeNode* R : Roots)
            RefreshNode(R, Remembered);
    }
    if (OnFillComplete)
        OnFillComplete(this);
    if (Remembered && HandleAllocated()) {
        FSyncNow = true;
        SetSelected(Remembered);
    }
}

void TRzCustomShellTree::RefreshNode(TTreeNode* Node, TTreeNode*& Remembered)
{
    TRzShellTreeData* D = ShellData(Node);
    if (!D || (Node->HasChildren() && Node->Count() == 0))
        return;
    IShellFolder* F = D->ShellFolder();
    if (!F)
        return;
    TRzPidlList Old, Now;
    for (int I = 0; I < Node->Count(); ++I)
        if (TRzShellTreeData* C = ShellData(Node->Item(I)))
            Old.AddObject(const_cast<LPITEMIDLIST>(C->RelIdList()), reinterpret_cast<std::intptr_t>(Node->Item(I)));
    DiffFolderItems(F, OwnerWindow(), EnumFlags(), Old, Now);
    for (int I = 0; I < Old.Count(); ++I) {
        auto* Gone = reinterpret_cast<TTreeNode*>(Old.Objects(I));
        if (Remembered && IsInSubtree(Remembered, Gone))
            Remembered = Gone->Parent();
        DeleteNode(Gone);
    }
    for (int I = 0; I < Now.Count(); ++I)
        AddNewNode(F, D->AbsIdList(), Now.Pidls(I), Node);
    if (Now.Count() > 0)
        SortChildren(Node);
    std::vector<TTreeNode*> Children;
    for (int I = 0; I < Node->Count(); ++I)
        Children.push_back(Node->Item(I));
    for (TTreeNode* C : Children)
        RefreshNode(C, Remembered);
}

void TRzCustomShellTree::StartWatching()
{
    if (!HandleAllocated() || HasState(csDesigning))
        return;
    if (!FChangeThread)
        FChangeThread.reset(new TChangeHandlerThread(WindowHandle(), RZSH_CHANGENOTIFY));
    FChangeThread->RemoveAllWatches();
    TRzErrorModeScope ErrorMode;
    const DWORD Drives = GetLogicalDrives();
    const DWORD Filter = FILE_NOTIFY_CHANGE_DIR_NAME |
                         ((FOptions & stoIncludeNonFolders) ? FILE_NOTIFY_CHANGE_FILE_NAME : 0);
    for (int I = 0; I < 26; ++I) {
        if (!(Drives & (1u << I)))
            continue;
        std::string Path = "?:\\";
        Path[0] = static_cast<char>('A' + I);
        const UINT Type = GetDriveTypeA(Path.c_str());
        if (Type == DRIVE_FIXED || Type == DRIVE_RAMDISK || (Type == DRIVE_REMOTE && NetDriveConnected(Path[0]))) {
            int Slot = -1;
            FChangeThread->AddWatch(Path, Filter, Slot, true);
        }
    }
    // Wine's watch of a drive tells only of changes in its top folder: the
    // selected folder's parent is watched as well, so that the folder
    // removed or renamed from outside gives way.
    FWatchedParent = ParentPathOf(Selected());
    int Slot = -1;
    if (!FWatchedParent.empty())
        FChangeThread->AddWatch(FWatchedParent, Filter, Slot, false);
}

std::string TRzCustomShellTree::ParentPathOf(TTreeNode* Node)
{
    TRzShellTreeData* Up = Node ? ShellData(Node->Parent()) : nullptr;
    return Up ? Up->Path() : std::string();
}

void TRzCustomShellTree::DeviceChange(WPARAM Event, LPARAM)
{
    if (Event != ShellDeviceArrival && Event != ShellDeviceRemoveComplete)
        return;
    ShellValidateDrives();
    ShellSuspendDriveValidation();
    TScopeExit Resume([] { ShellResumeDriveValidation(); });
    RefreshTree();
}

bool TRzCustomShellTree::EndInteraction()
{
    FInteraction = false;
    return std::exchange(FRefreshPending, false);
}

// ---------------------------------------------------------------------------
// Shell operations: menus, verbs, renaming, new folders, keys
// ---------------------------------------------------------------------------

int TRzCustomShellTree::InvokeVerb(TTreeNode* Node, const std::string& Verb)
{
    TRzShellTreeData* D = ShellData(Node);
    if (!D)
        return 1;
    TComPtr<IShellFolder> Parent;
    TPidl Hold;
    LPCITEMIDLIST Item = ShellNodeItem(D, Parent, Hold);
    if (!Item || !Parent)
        return E_FAIL;
    TComPtr<IContextMenu> Menu;
    HRESULT R = Parent->GetUIObjectOf(OwnerWindow(), 1, &Item, IID_IContextMenu, nullptr, Menu.PutVoid());
    if (SUCCEEDED(R))
        R = ::InvokeVerb(OwnerWindow(), Menu.Get(), Verb.c_str());
    Menu.Reset();
    RefreshTree();
    return R;
}

void TRzCustomShellTree::NodeContextMenu(TTreeNode* Node, TPoint& Pos, TPopupMenu*& Menu)
{
    TRzCustomTreeView::NodeContextMenu(Node, Pos, Menu);
    if (!(FOptions & stoContextMenus) || HasState(csDesigning) || !Node)
        return;
    ShowShellMenu(Node, ClientToScreen(Pos));
    Menu = nullptr;
}

void TRzCustomShellTree::ShowShellMenu(TTreeNode* Node, TPoint ScreenPoint)
{
    TRzShellTreeData* D = ShellData(Node);
    if (!D)
        return;
    TComPtr<IShellFolder> Parent;
    TPidl Hold;
    LPCITEMIDLIST Item = ShellNodeItem(D, Parent, Hold);
    if (!Item || !Parent)
        return;
    TComPtr<IContextMenu> Context;
    HMENU Menu = nullptr;
    if (FAILED(GetItemsContextMenu(Parent.Get(), OwnerWindow(), {Item}, Context, Menu, ShellMenuFirstId,
                                   ReadOnly() ? CMF_EXPLORE : CMF_EXPLORE | CMF_CANRENAME)))
        return;
    FInteraction = true;
    TScopeExit Done([&] {
        FActiveMenu.Reset();
        Context.Reset();
        DestroyMenu(Menu);
        if (EndInteraction())
            RefreshTree();
    });
    Context.As(IID_IContextMenu2, FActiveMenu);
    const UINT Command = TrackPopupMenuReturnCmd(Menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, ScreenPoint.x,
                                                 ScreenPoint.y, WindowHandle());
    if (Command == ShellRenameCommand) {
        Node->EditText();
    } else if (Command >= ShellMenuFirstId) {
        ::InvokeVerb(OwnerWindow(), Context.Get(), VerbOffset(static_cast<int>(Command - ShellMenuFirstId)));
        RefreshTree();
    }
}

bool TRzCustomShellTree::CanEdit(TTreeNode* Node)
{
    TRzShellTreeData* D = ShellData(Node);
    if (!D)
        return TRzCustomTreeView::CanEdit(Node);
    if (!D->CanRename() || !TRzCustomTreeView::CanEdit(Node) || HasState(csDesigning))
        return false;
    if (const HWND Editor = reinterpret_cast<HWND>(SendMessageA(WindowHandle(), TVM_GETEDITCONTROL, 0, 0))) {
        TComPtr<IShellFolder> Parent;
        TPidl Hold;
        if (LPCITEMIDLIST Item = ShellNodeItem(D, Parent, Hold); Item && Parent)
            SetWindowTextA(Editor, ShellGetDisplayNameFromFolder(Parent.Get(), Item, TRzNameKind::ForEditing).c_str());
    }
    return true;
}

void TRzCustomShellTree::Edit(TTreeNode* Node, std::string& S)
{
    TRzShellTreeData* D = ShellData(Node);
    if (!D) {
        TRzCustomTreeView::Edit(Node, S);
        return;
    }
    TRzCustomTreeView::Edit(Node, S);
    const std::string OldText = Node->Text();
    // The shell would take a cut name for the whole one: a name it cannot
    // hold is refused and the item keeps its own.
    if (S.size() > MAX_PATH) {
        S = OldText;
        return;
    }
    TComPtr<IShellFolder> Parent;
    TPidl Hold;
    LPCITEMIDLIST Item = ShellNodeItem(D, Parent, Hold);
    if (!Item || !Parent) {
        S = OldText;
        return;
    }
    TRzHourglass Hourglass;
    FIgnoreNextChange = true;
    {
        TRzCountScope B(FBusy);
        const std::wstring Wide = AnsiToWide(S);
        LPITEMIDLIST NewPidl = nullptr;
        const HRESULT R = Parent->SetNameOf(OwnerWindow(), Item, Wide.c_str(), SHGDN_NORMAL, &NewPidl);
        TPidl New(NewPidl);
        if (FAILED(R)) {
            FIgnoreNextChange = false;
            S = OldText;
        } else if (!New) {
            S = ShellGetDisplayNameFromFolder(Parent.Get(), Item, TRzNameKind::InFolder);
        } else {
            std::function<void(TTreeNode*)> Forget = [&](TTreeNode* N) {
                for (int I = 0; I < N->Count(); ++I) {
                    if (TRzShellTreeData* C = ShellData(N->Item(I)))
                        C->ForgetCache();
                    Forget(N->Item(I));
                }
            };
            if (D->Parent())
                D->SetRelativeIdList(New.Get());
            else
                D->SetRelativeIdList(ConcatIdLists(TRzIdListArray(D->AbsIdList()).CopyFirst(1), New.Get()).Get());
            Forget(Node);
            S = ShellGetDisplayNameFromFolder(Parent.Get(), New.Get(), TRzNameKind::InFolder);
            FSelectedFolder->SetIdList(D->AbsIdList());
            if (FShellList)
                FShellList->Folder()->SetIdList(D->AbsIdList());
            if (FShellCombo)
                FShellCombo->SelectedFolder()->SetIdList(D->AbsIdList());
        }
        SortChildren(Node->Parent());
    }
    // The label editor is still up while its end is reported; a refresh
    // asked for meanwhile runs from the timer once it has gone.
    if (std::exchange(FRefreshPending, false))
        RestartTimer(TRzShellPending::Refresh, ShellFocusedRefreshDelay);
}

bool TRzCustomShellTree::CreateNewFolder()
{
    const std::string Path = SelectedPathName();
    FIgnoreNextChange = true;
    std::string NewName;
    if (!::CreateNewFolder(Path, NewName))
        return false;
    const LPCITEMIDLIST Sel = FSelectedFolder->IdList();
    WaitWithHourglass(!Sel || Sel->mkid.cb == 0 ? 2100 : 1000);
    RefreshTree();
    if (TTreeNode* N = Selected()) {
        N->Expand(false);
        for (int I = 0; I < N->Count(); ++I)
            if (N->Item(I)->Text() == NewName) {
                N->Item(I)->EditText();
                break;
            }
    }
    return true;
}

void TRzCustomShellTree::KeyDown(WORD& Key, TShiftState Shift)
{
    TRzCustomTreeView::KeyDown(Key, Shift);
    if (Key == 0 || Editing() || HasState(csDesigning) || !(FOptions & stoDefaultKeyHandling))
        return;
    const TShortCut Pressed = ShortCut(Key, Shift);
    const TShortCut Unshifted = ShortCut(Key, Shift & ~ssShift);
    const WORD Saved = std::exchange(Key, 0);
    TTreeNode* N = Selected();
    using K = TRzShellShortCutKind;
    if (Pressed == ShellShortCut(K::Rename)) {
        if (N)
            N->EditText();
    } else if (Pressed == ShellShortCut(K::Refresh)) {
        RefreshTree();
    } else if (Pressed == ShellShortCut(K::Cut)) {
        InvokeVerb(N, "cut");
    } else if (Pressed == ShellShortCut(K::Copy)) {
        InvokeVerb(N, "copy");
    } else if (Pressed == ShellShortCut(K::Paste)) {
        InvokeVerb(N, "paste");
        RefreshTree();
    } else if (Pressed == ShellShortCut(K::Delete) || Unshifted == ShellShortCut(K::Delete)) {
        InvokeVerb(N, "delete");
        RefreshTree();
    } else {
        Key = Saved;
    }
}

// ---------------------------------------------------------------------------
// Window life and messages
// ---------------------------------------------------------------------------

void TRzCustomShellTree::CreateParams(TCreateParams& Params)
{
    TRzCustomTreeView::CreateParams(Params);
    if (!(FOptions & stoOleDrag))
        Params.Style |= TVS_DISABLEDRAGDROP;
}

void TRzCustomShellTree::CreateWnd()
{
    TRzCustomTreeView::CreateWnd();
    if (!HasState(csDesigning) && (FOptions & stoOleDrop))
        RegisterDropTarget();
    if (!HasState(csLoading)) {
        if ((FOptions & stoAutoFill) && !RootCount())
            PostMessageA(WindowHandle(), RZSH_DEFERREDFILL, 0, 0);
        if (FShellList)
            FShellList->Folder()->Assign(FSelectedFolder.get());
    }
}

void TRzCustomShellTree::Loaded()
{
    if ((FOptions & stoAutoFill) && !FShellCombo) {
        if (!RootCount())
            FillTree();
        if (FShellList)
            FShellList->Folder()->Assign(FSelectedFolder.get());
    }
    FLoaded = true;
    FNoExpand = true;
    TScopeExit Restore([this] { FNoExpand = false; });
    TRzCustomTreeView::Loaded();
}

void TRzCustomShellTree::DestroyWnd()
{
    FInDestroyWnd = true;
    TScopeExit Restore([this] { FInDestroyWnd = false; });
    if (!FReparenting) {
        TRzCountScope B(FBusy);
        TUpdateScope<TRzCustomShellTree> Update(this);
        SetSelected(nullptr);
        Clear();
    }
    TRzCustomTreeView::DestroyWnd();
}

void TRzCustomShellTree::SetParent(TWinControl* AParent)
{
    FReparenting = true;
    TScopeExit Restore([this] { FReparenting = false; });
    TRzCustomTreeView::SetParent(AParent);
}

bool TRzCustomShellTree::HandleNotify(NMHDR* Header, LRESULT& Result)
{
    switch (Header->code) {
    case TVN_BEGINDRAGA:
    case TVN_BEGINRDRAGA: {
        if (!(FOptions & stoOleDrag))
            break;
        auto* D = reinterpret_cast<NMTREEVIEWA*>(Header);
        TTreeNode* Node = (D->itemNew.mask & TVIF_PARAM) ? reinterpret_cast<TTreeNode*>(D->itemNew.lParam)
                                                         : NodeFromItem(D->itemNew.hItem);
        StartOleDrag(Node, Header->code == TVN_BEGINRDRAGA);
        Result = 0;
        return true;
    }
    case NM_CLICK:
        FSyncNow = true;
        break;
    default:
        break;
    }
    return TRzCustomTreeView::HandleNotify(Header, Result);
}

void TRzCustomShellTree::WndProc(TMessage& Message)
{
    if (IsShellMenuMessage(Message.Msg)) {
        TRzCustomTreeView::WndProc(Message);
        ForwardShellMenuMessage(FActiveMenu.Get(), Message, [this](const std::string& Hint) {
            if (OnPopupHint)
                OnPopupHint(this, Hint);
        });
        return;
    }
    switch (Message.Msg) {
    case RZSH_CHANGENOTIFY:
        if (TakeChangeNotice(FIgnoreNextChange, FInteraction, FRefreshPending))
            RestartTimer(TRzShellPending::Refresh, Focused() ? ShellFocusedRefreshDelay : ShellUnfocusedRefreshDelay);
        return;
    case RZSH_DEFERREDFILL:
        if (!RootCount())
            FillTree();
        return;
    case CM_WANTSPECIALKEY:
        TRzCustomTreeView::WndProc(Message);
        if (Editing())
            Message.Result = 1;
        return;
    case TVM_DELETEITEM:
        if (Message.LParam == reinterpret_cast<LPARAM>(TVI_ROOT)) {
            TRzCountScope B(FBusy);
            TRzCustomTreeView::WndProc(Message);
            return;
        }
        break;
    case WM_NCDESTROY: {
        TRzCountScope B(FBusy);
        RevokeDropTarget();
        FChangeThread.reset();
        TRzCustomTreeView::WndProc(Message);
        return;
    }
    case WM_WINDOWPOSCHANGED:
        if (FInDestroyWnd)
            return;
        break;
    case WM_PAINT: {
        if (HasState(csDestroying))
            break;
        const COLORREF Back = ColorToRGB(Color());
        const HIMAGELIST System = ShellGetSystemImageList(TRzImageListSize::Small);
        const auto State = reinterpret_cast<HIMAGELIST>(SendMessageA(WindowHandle(), TVM_GETIMAGELIST, TVSIL_STATE, 0));
        const COLORREF OldSystem = ImageList_SetBkColor(System, Back);
        const COLORREF OldState = State ? ImageList_SetBkColor(State, Back) : CLR_NONE;
        TRzCustomTreeView::WndProc(Message);
        ImageList_SetBkColor(System, OldSystem);
        if (State)
            ImageList_SetBkColor(State, OldState);
        return;
    }
    default:
        break;
    }
    TRzCustomTreeView::WndProc(Message);
}
