// The shell combo: the desktop, its children, the drives and the chain of
// folders down to the selected one, indented by level, following and
// driving a linked tree or list.
#include <algorithm>

#include "shell/RzShellCtrls.h"

namespace {

constexpr SFGAOF ChildAttributeMask = 0xF00B0000;
constexpr SFGAOF ChainAttributeMask = 0xB00B0000;
const ITEMIDLIST EmptyIdList{};

// Set while a sort runs: a sort started from inside another is refused.
bool GSortRunning = false;

bool SameItem(IShellFolder* ShellFolder, LPCITEMIDLIST A, LPCITEMIDLIST B)
{
    const HRESULT R = ShellFolder->CompareIDs(0, A, B);
    return SUCCEEDED(R) && CompareIdsResult(R) == 0;
}

} // namespace

void SortPidls(IShellFolder* ShellFolder, std::vector<TPidl>& List)
{
    if (GSortRunning)
        throw Exception("Recursive call to SortPidls");
    GSortRunning = true;
    TScopeExit Done([] { GSortRunning = false; });
    std::stable_sort(List.begin(), List.end(), [ShellFolder](const TPidl& A, const TPidl& B) {
        const HRESULT R = ShellFolder->CompareIDs(0, A.Get(), B.Get());
        return SUCCEEDED(R) && CompareIdsResult(R) < 0;
    });
}

TRzCustomShellCombo::TRzCustomShellCombo(TComponent* AOwner)
    : TRzCustomImageComboBox(AOwner), FShellImages(std::make_unique<TCustomImageList>(nullptr, 16, 16)),
      FSelectedFolder(std::make_unique<TRzShellLocator>())
{
    FShellImages->SetShareImages(true);
    FShellImages->SetHandle(ShellGetSystemImageList(TRzImageListSize::Small));
    SetImages(FShellImages.get());
    FSelectedFolder->OnChange = [this](TObject*) { SelectedFolderChanged(); };
}

TRzCustomShellCombo::~TRzCustomShellCombo()
{
    SetShellTree(nullptr);
    SetShellList(nullptr);
    if (HandleAllocated())
        DestroyWnd();
    SetImages(nullptr);
}

TRzShellComboData* TRzCustomShellCombo::ItemData(int Index) const
{
    TRzImageComboBoxItem* It = GetImageItem(Index);
    return It ? static_cast<TRzShellComboData*>(It->Data()) : nullptr;
}

// ---------------------------------------------------------------------------
// Links
// ---------------------------------------------------------------------------

void TRzCustomShellCombo::SetShellTree(TRzCustomShellTree* Value)
{
    if (Value == FShellTree || (Value && FShellList))
        return;
    if (FShellTree)
        FShellTree->SetShellCombo(nullptr);
    FShellTree = Value;
    if (Value) {
        Value->FreeNotification(this);
        Value->SetShellCombo(this);
    }
}

void TRzCustomShellCombo::SetShellList(TRzCustomShellList* Value)
{
    if (Value == FShellList || (Value && FShellTree))
        return;
    if (FShellList)
        FShellList->SetShellCombo(nullptr);
    FShellList = Value;
    if (Value) {
        Value->FreeNotification(this);
        Value->SetShellCombo(this);
    }
}

void TRzCustomShellCombo::Notification(TComponent* AComponent, TOperation Operation)
{
    TRzCustomImageComboBox::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    if (AComponent == FShellTree)
        FShellTree = nullptr;
    if (AComponent == FShellList)
        FShellList = nullptr;
}

void TRzCustomShellCombo::UpdateLinked()
{
    TRzCountScope Update(FUpdateCount);
    if (FShellTree)
        FShellTree->SetSelectedFolder(FSelectedFolder.get());
    else if (FShellList)
        FShellList->SetFolder(FSelectedFolder.get());
}

void TRzCustomShellCombo::SelectedFolderChanged()
{
    if (FUpdateCount > 0)
        return;
    UpdateLinked();
    Refill();
}

void TRzCustomShellCombo::TreeNodeSelected(TTreeNode* Node)
{
    if (!FShellTree)
        return;
    if (TRzShellTreeData* D = FShellTree->ShellData(Node))
        FSelectedFolder->SetIdList(D->AbsIdList());
}

void TRzCustomShellCombo::GoUp(int Levels)
{
    const int Index = ItemIndex();
    TRzImageComboBoxItem* Sel = GetImageItem(Index);
    if (!Sel)
        return;
    const int Wanted = Sel->IndentLevel() - Levels;
    int Found = 0;
    for (int I = Index - 1; I >= 0; --I)
        if (TRzImageComboBoxItem* It = GetImageItem(I); It && It->IndentLevel() <= Wanted) {
            Found = I;
            break;
        }
    if (Found != Index)
        if (TRzShellComboData* D = ItemData(Found))
            FSelectedFolder->SetIdList(D->AbsIdList());
}

void TRzCustomShellCombo::Select()
{
    TRzCustomImageComboBox::Select();
    if (TRzShellComboData* D = ItemData(ItemIndex()))
        FSelectedFolder->SetIdList(D->AbsIdList());
}

// ---------------------------------------------------------------------------
// Filling
// ---------------------------------------------------------------------------

bool TRzCustomShellCombo::CanAddItem(IShellFolder*, LPCITEMIDLIST, SFGAOF) { return true; }

void TRzCustomShellCombo::Refill()
{
    if (!HandleAllocated())
        return;
    BeginUpdate();
    TScopeExit End([this] { EndUpdate(); });
    SetItemIndex(-1);
    ClearItems();
    TRzIdListArray Target(FSelectedFolder->IdList());
    TComPtr<IShellFolder> Desktop;
    if (FAILED(ShellGetDesktopFolder(Desktop)))
        return;
    FillFolderHierarchy(Desktop.Get(), &EmptyIdList, Target, -1);
}

TRzImageComboBoxItem* TRzCustomShellCombo::AddShellItem(IShellFolder* ShellFolder, LPCITEMIDLIST Item,
                                                         LPCITEMIDLIST ParentAbs, SFGAOF Attr, int Level, bool Named)
{
    auto Data = std::make_unique<TRzShellComboData>(ShellFolder, Item, ParentAbs);
    std::string Caption;
    int Image = -1;
    if (Named) {
        Caption = ShellGetDisplayNameFromFolder(ShellFolder, Item, TRzNameKind::InFolder);
        Image = ShellGetIconIndexFromPidl(Data->AbsIdList(), SHGFI_SMALLICON | SHGFI_OPENICON);
    }
    TRzImageComboBoxItem* It = AddItem(Caption, Image, Level);
    if (Attr & SFGAO_SHARE)
        It->SetOverlayIndex(0);
    else if (Attr & SFGAO_LINK)
        It->SetOverlayIndex(1);
    It->SetData(Data.release());
    return It;
}

void TRzCustomShellCombo::FillFolderHierarchy(IShellFolder* ShellFolder, LPCITEMIDLIST FolderAbs,
                                              TRzIdListArray& Target, int Level)
{
    const HWND Owner = GetParentFormWindow(this);
    TPidl Drives;
    if (const HRESULT R = ShellGetSpecialFolderPidl(Owner, csidlDrives, Drives); FAILED(R))
        RaiseSystemError(static_cast<DWORD>(R));
    if (Level == -1) {
        TRzImageComboBoxItem* It = AddItem(ShellGetDisplayNameFromPidl(&EmptyIdList),
                                           ShellGetIconIndexFromPidl(&EmptyIdList, SHGFI_SMALLICON), 0);
        It->SetData(new TRzShellComboData(nullptr, &EmptyIdList, nullptr));
        if (Target.Count() == 0)
            SetItemIndex(0);
        Level = 1;
    }
    TComPtr<IEnumIDList> Enum;
    HRESULT R = ShellFolder->EnumObjects(Owner, SHCONTF_FOLDERS, Enum.Put());
    if (FAILED(R))
        RaiseSystemError(static_cast<DWORD>(R));
    std::vector<TPidl> Children;
    if (Enum) {
        LPITEMIDLIST Pidl = nullptr;
        ULONG Fetched = 0;
        while ((R = Enum->Next(1, &Pidl, &Fetched)) == S_OK && Fetched == 1)
            Children.emplace_back(Pidl);
        if (FAILED(R))
            RaiseSystemError(static_cast<DWORD>(R));
    }
    SortPidls(ShellFolder, Children);
    bool KeepTarget = true;
    TRzIdListArray None(nullptr);
    for (const TPidl& Child : Children) {
        TRzIdListArray& Want = KeepTarget ? Target : None;
        LPCITEMIDLIST Item = Child.Get();
        SFGAOF Attr = ChildAttributeMask;
        if (FAILED(ShellFolder->GetAttributesOf(1, &Item, &Attr)))
            continue;
        if (!(FOptions & scoNonFilesystemAncestors) && !(Attr & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR)))
            continue;
        if (!CanAddItem(ShellFolder, Item, Attr))
            continue;
        const bool OnPath = Want.Count() >= Level && SameItem(ShellFolder, Item, TPidl(CopyIdList(Want.Item(Level - 1))).Get());
        const bool IsTarget = OnPath && Want.Count() == Level;
        AddShellItem(ShellFolder, Item, FolderAbs, Attr, Level, IsTarget);
        const bool IsMyComputer = Level == 1 && SameItem(ShellFolder, Item, Drives.Get());
        if (OnPath) {
            if (IsTarget)
                SetItemIndex(Items()->Count() - 1);
            if (!IsMyComputer) {
                if (!IsTarget) {
                    TComPtr<IShellFolder> Sub;
                    TPidl Abs = ConcatIdLists(FolderAbs, Item);
                    if (SUCCEEDED(ShellFolder->BindToObject(Item, nullptr, IID_IShellFolder, Sub.PutVoid())))
                        AddPathChain(Sub.Get(), Abs.Get(), Want, Level + 1);
                }
                KeepTarget = false;
            }
        }
        if (IsMyComputer) {
            TComPtr<IShellFolder> Sub;
            TPidl Abs = ConcatIdLists(FolderAbs, Item);
            if (SUCCEEDED(ShellFolder->BindToObject(Item, nullptr, IID_IShellFolder, Sub.PutVoid())))
                FillFolderHierarchy(Sub.Get(), Abs.Get(), KeepTarget ? Target : None, Level + 1);
            if (OnPath)
                KeepTarget = false;
        }
    }
}

void TRzCustomShellCombo::AddPathChain(IShellFolder* ShellFolder, LPCITEMIDLIST ParentPidl, TRzIdListArray& Target,
                                       int From)
{
    TComPtr<IShellFolder> Current = TComPtr<IShellFolder>::AddRefOf(ShellFolder);
    TPidl Parent = CopyIdList(ParentPidl);
    const int Last = Target.Count();
    for (int L = From; L <= Last && Current; ++L) {
        TPidl Item = CopyIdList(Target.Item(L - 1));
        LPCITEMIDLIST ItemPtr = Item.Get();
        SFGAOF Attr = ChainAttributeMask;
        if (FAILED(Current->GetAttributesOf(1, &ItemPtr, &Attr)))
            Attr = 0;
        AddShellItem(Current.Get(), ItemPtr, Parent.Get(), Attr, L, L == Last);
        TPidl Abs = ConcatIdLists(Parent.Get(), ItemPtr);
        TComPtr<IShellFolder> Next;
        if (L < Last && FAILED(Current->BindToObject(ItemPtr, nullptr, IID_IShellFolder, Next.PutVoid())))
            Next.Reset();
        Current = std::move(Next);
        Parent = std::move(Abs);
    }
    SetItemIndex(Items()->Count() - 1);
}

void TRzCustomShellCombo::DoGetItemData(TRzImageComboBoxItem* Item)
{
    if (auto* D = static_cast<TRzShellComboData*>(Item->Data())) {
        if (Item->Caption().empty())
            Item->SetCaption(D->ParentFolder() ? ShellGetDisplayNameFromFolder(D->ParentFolder(), D->RelIdList(),
                                                                               TRzNameKind::InFolder)
                                               : ShellGetDisplayNameFromPidl(D->AbsIdList()));
        if (Item->ImageIndex() == -1)
            Item->SetImageIndex(ShellGetIconIndexFromPidl(D->AbsIdList(), SHGFI_SMALLICON));
    }
    TRzCustomImageComboBox::DoGetItemData(Item);
}

void TRzCustomShellCombo::DoDeleteItem(void* Item)
{
    auto* It = dynamic_cast<TRzImageComboBoxItem*>(static_cast<TObject*>(Item));
    if (It && OwnDeletion()) {
        delete static_cast<TRzShellComboData*>(It->Data());
        It->SetData(nullptr);
    }
    TRzCustomImageComboBox::DoDeleteItem(Item);
}

// ---------------------------------------------------------------------------
// Window life and messages
// ---------------------------------------------------------------------------

void TRzCustomShellCombo::DropDown()
{
    if (FAutoDropDownCount && HandleAllocated()) {
        RECT R{};
        GetWindowRect(WindowHandle(), &R);
        const int Row = std::max(1, ItemHeight());
        const int Fit = (GetSystemMetrics(SM_CYSCREEN) - R.bottom - 1) / Row;
        // Near the bottom of the screen no row fits below; the list still
        // shows one.
        SetDropDownCount(std::max(1, Fit));
    }
    TRzCustomImageComboBox::DropDown();
}

void TRzCustomShellCombo::CreateWnd()
{
    TRzCustomImageComboBox::CreateWnd();
    if ((FOptions & scoAutofill) && !HasState(csLoading))
        Refill();
}

void TRzCustomShellCombo::DestroyWnd()
{
    ClearItems();
    TRzCustomImageComboBox::DestroyWnd();
}

void TRzCustomShellCombo::Loaded()
{
    TRzCustomImageComboBox::Loaded();
    if (FOptions & scoAutofill) {
        Refill();
        UpdateLinked();
    }
}

void TRzCustomShellCombo::WndProc(TMessage& Message)
{
    if (Message.Msg == WM_PAINT && !HasState(csDestroying)) {
        const HIMAGELIST List = ShellGetSystemImageList(TRzImageListSize::Small);
        const COLORREF Old = ImageList_SetBkColor(List, ColorToRGB(Color()));
        TRzCustomImageComboBox::WndProc(Message);
        ImageList_SetBkColor(List, Old);
        return;
    }
    TRzCustomImageComboBox::WndProc(Message);
}
