// The shell list: one shell folder's contents, filtered and sorted, opened,
// renamed and refreshed through the shell, following a linked tree or combo.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "classlib/Menus.h"
#include "classlib/PathForms.h"
#include "shell/RzShellCtrls.h"

namespace {

constexpr SFGAOF ItemAttributeMask = 0x724B0000;
constexpr DWORD EnumFoldersAndFiles = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS;
constexpr HRESULT NoMoreItems = static_cast<HRESULT>(0x80070103);
constexpr DWORD RenameFlags = 0x20;
constexpr int DetailsPixelsPerChar = 9;
constexpr int GrowBy = 500;
// Room beside a name in the list view's column: the gap after the icon
// and the label's own margins.
constexpr int ListColumnPadding = 16;

// The Explorer column record: eleven 16-bit widths.
constexpr int ColumnRecordBytes = 22;
struct TColumnRecord {
    std::uint16_t Widths[ColumnRecordBytes / 2] = {200, 60, 100, 120, 50};
    int Read = 10;
};

// Shared by every shell list of the process: the last widths saved (count,
// then one width per column, 32-bit little-endian) and the record they
// were saved under.
struct TColumnState {
    std::vector<std::int32_t> Saved;
    bool HaveSaved = false;
    TColumnRecord Record;
    int Read = 0;
};
TColumnState& Columns()
{
    static TColumnState S;
    return S;
}

std::string Upper(std::string S)
{
    if (!S.empty())
        CharUpperBuffA(S.data(), static_cast<DWORD>(S.size()));
    return S;
}

std::string Trim(const std::string& S)
{
    const size_t B = S.find_first_not_of(" \t");
    if (B == std::string::npos)
        return {};
    return S.substr(B, S.find_last_not_of(" \t") - B + 1);
}

// The name part of a parsing name: after the last "\" or ":".
std::string NamePart(const std::string& S)
{
    const size_t P = S.find_last_of("\\:");
    return P == std::string::npos ? S : S.substr(P + 1);
}

bool IsDirectory(const std::string& Path)
{
    const DWORD A = GetFileAttributesA(Path.c_str());
    return A != INVALID_FILE_ATTRIBUTES && (A & FILE_ATTRIBUTE_DIRECTORY);
}

// A full path of any length.
bool IsDirectory(const std::wstring& Path)
{
    const DWORD A = GetFileAttributesW(PrefixedPath(Path).c_str());
    return A != INVALID_FILE_ATTRIBUTES && (A & FILE_ATTRIBUTE_DIRECTORY);
}

TAlignment AlignmentOf(int Format)
{
    switch (Format & LVCFMT_JUSTIFYMASK) {
    case LVCFMT_RIGHT: return taRightJustify;
    case LVCFMT_CENTER: return taCenter;
    default: return taLeftJustify;
    }
}

} // namespace

TRzCustomShellList::TRzCustomShellList(TComponent* AOwner)
    : TRzCustomListView(AOwner), FFolder(std::make_unique<TRzShellLocator>()),
      FChangeTimer(std::make_unique<TTimer>(nullptr)), FSmall(std::make_unique<TCustomImageList>(nullptr)),
      FLarge(std::make_unique<TCustomImageList>(nullptr))
{
    FFolder->OnChange = [this](TObject* S) { FolderChanged(S); };
    FChangeTimer->SetEnabled(false);
    FChangeTimer->OnTimer = [this](TObject* S) { TimerTick(S); };
    FSmall->SetShareImages(true);
    FSmall->SetHandle(ShellGetSystemImageList(TRzImageListSize::Small));
    FLarge->SetShareImages(true);
    FLarge->SetHandle(ShellGetSystemImageList(TRzImageListSize::Large));
    SetSmallImages(FSmall.get());
    SetLargeImages(FLarge.get());
    DeviceChangeHandler()->Register({&DeviceChangeThunk, this});
}

TRzCustomShellList::~TRzCustomShellList()
{
    DeviceChangeHandler()->Unregister({&DeviceChangeThunk, this});
    if (FShellTree && FShellTree->ShellList() == this)
        FShellTree->SetShellList(nullptr);
    RevokeDropTarget();
    FChangeTimer->SetEnabled(false);
    FChangeThread.reset();
    ++FFolderHookDepth;
    if (HandleAllocated())
        DestroyWnd();
    ClearItems();
    SetSmallImages(nullptr);
    SetLargeImages(nullptr);
}

void TRzCustomShellList::DeviceChangeThunk(void* Data, TMessage& Message)
{
    static_cast<TRzCustomShellList*>(Data)->DeviceChange(Message.WParam, Message.LParam);
}

TRzShellListData* TRzCustomShellList::Data(TListItem* Item) const
{
    return Item && FOwnData.count(Item->Data()) ? static_cast<TRzShellListData*>(Item->Data()) : nullptr;
}

TRzShellListData* TRzCustomShellList::ItemData(int Index)
{
    return Index >= 0 && Index < ItemCount() ? Data(Item(Index)) : nullptr;
}

TRzShellListData* TRzCustomShellList::SelectedData() { return Data(Selected()); }

std::vector<LPCITEMIDLIST> TRzCustomShellList::SelectedIdLists()
{
    std::vector<LPCITEMIDLIST> Items;
    for (int I = 0; I < ItemCount(); ++I)
        if (TRzShellListData* D = Data(Item(I)); D && Item(I)->Selected())
            Items.push_back(D->RelIdList());
    return Items;
}

HWND TRzCustomShellList::OwnerWindow() { return GetParentFormWindow(this); }

bool TRzCustomShellList::EditingCaption() const
{
    return HandleAllocated() && SendMessageA(WindowHandle(), LVM_GETEDITCONTROL, 0, 0) != 0;
}

bool TRzCustomShellList::EndInteraction()
{
    FInteraction = false;
    return std::exchange(FRefreshPending, false);
}

bool TRzCustomShellList::NetworkFolder() const { return FFolder->PathName().rfind("\\\\", 0) == 0; }

void TRzCustomShellList::DeselectAll()
{
    if (!HandleAllocated())
        return;
    LVITEMA I{};
    I.stateMask = LVIS_SELECTED;
    SendMessageA(WindowHandle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&I));
}

// ---------------------------------------------------------------------------
// Properties and links
// ---------------------------------------------------------------------------

void TRzCustomShellList::SetLinkedTree(TRzCustomShellTree* Tree)
{
    FShellTree = Tree;
    if (Tree)
        Tree->FreeNotification(this);
}

void TRzCustomShellList::SetShellCombo(TRzShellComboLink* Value)
{
    FShellCombo = Value;
    if (Value)
        Value->LinkComponent()->FreeNotification(this);
}

void TRzCustomShellList::Notification(TComponent* AComponent, TOperation Operation)
{
    TRzCustomListView::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    if (AComponent == FShellTree)
        FShellTree = nullptr;
    if (FShellCombo && AComponent == FShellCombo->LinkComponent())
        FShellCombo = nullptr;
}

void TRzCustomShellList::SetOptions(TRzShellListOptions Value)
{
    const TRzShellListOptions Old = std::exchange(FOptions, Value);
    if (HasState(csLoading) || !HandleAllocated())
        return;
    const TRzShellListOptions Changed = Old ^ Value;
    if (Changed & sloOleDrop) {
        if (Value & sloOleDrop)
            RegisterDropTarget();
        else
            RevokeDropTarget();
    }
    if ((Changed & sloDynamicRefresh) && !HasState(csDesigning)) {
        if (Value & sloDynamicRefresh)
            StartWatching();
        else if (FChangeThread)
            FChangeThread->RemoveAllWatches();
    }
    if (Changed & (sloHideFoldersWhenLinkedToTree | sloShowHidden))
        RefreshList();
}

void TRzCustomShellList::SetFileFilter(const std::string& Value)
{
    if (Value == FFileFilter) {
        if (Value.empty())
            FMasks.reset();
        return;
    }
    FFileFilter = Value;
    if (!FMasks)
        FMasks = std::make_unique<std::vector<std::string>>();
    FMasks->clear();
    size_t Start = 0;
    while (Start <= Value.size()) {
        const size_t Semi = Value.find(';', Start);
        const std::string Mask = Trim(Value.substr(Start, Semi == std::string::npos ? std::string::npos : Semi - Start));
        if (!Mask.empty())
            FMasks->push_back(Mask);
        if (Semi == std::string::npos)
            break;
        Start = Semi + 1;
    }
    if (!HasState(csLoading) && (FOptions & sloAutoFill))
        FillList();
}

void TRzCustomShellList::ShowFolderOfNode(TTreeNode* Node)
{
    if (HasState(csLoading) || !FShellTree)
        return;
    if (TRzShellTreeData* D = FShellTree->ShellData(Node))
        FFolder->SetIdList(D->AbsIdList());
}

void TRzCustomShellList::FolderChanged(TObject*)
{
    if (FFolderHookDepth > 0)
        return;
    {
        TRzCountScope Depth(FFolderHookDepth);
        if (FShellTree)
            FShellTree->SetSelectedFolder(FFolder.get());
        else if (FShellCombo)
            FShellCombo->SelectedFolder()->Assign(FFolder.get());
        FillList();
    }
    if (OnFolderChanged)
        OnFolderChanged(this);
}

// ---------------------------------------------------------------------------
// Filling
// ---------------------------------------------------------------------------

HRESULT TRzCustomShellList::BindFolder(LPCITEMIDLIST AbsIdList, TComPtr<IShellFolder>& ShellFolder)
{
    return AbsIdList && AbsIdList->mkid.cb ? ShellBindToFolder(AbsIdList, ShellFolder)
                                           : ShellGetDesktopFolder(ShellFolder);
}

void TRzCustomShellList::FillList()
{
    if (!HandleAllocated())
        return;
    if (FInteraction || EditingCaption()) {
        FRefreshPending = true;
        return;
    }
    if (LeaveVanishedFolder())
        return;
    TRzHourglass Hourglass;
    TRzCountScope Refilling(FRefillDepth);
    {
        TUpdateScope<TRzCustomShellList> Update(this);
        DeselectAll();
        ClearItems();
    }
    {
        TUpdateScope<TRzCustomShellList> Update(this);
        TComPtr<IShellFolder> Shf;
        if (FAILED(BindFolder(FFolder->IdList(), Shf)))
            return;
        BuildFilterMatches();
        TScopeExit Free([this] { FreeFilterMatches(); });
        Populate(Shf.Get(), FFolder->IdList());
    }
    CustomSort();
    FitListColumn();
    if (ItemCount())
        Item(0)->SetFocused(true);
    if (ViewStyle() == vsIcon || ViewStyle() == vsSmallIcon) {
        SendMessageA(WindowHandle(), WM_VSCROLL, SB_TOP, 0);
        SendMessageA(WindowHandle(), WM_HSCROLL, SB_TOP, 0);
    }
    if ((FOptions & sloDynamicRefresh) && !HasState(csDesigning))
        StartWatching();
}

void TRzCustomShellList::Populate(IShellFolder* ShellFolder, LPCITEMIDLIST AbsIdList)
{
    TRzErrorModeScope ErrorMode;
    if (OnFillStart)
        OnFillStart(this);
    FFolderPidl = AbsIdList ? CopyIdList(AbsIdList) : TPidl();
    FFolderShf = TComPtr<IShellFolder>::AddRefOf(ShellFolder);
    FDetails.Reset();
    FDetails = GetShellDetails(ShellFolder);
    FDetailsFetched = true;
    SetUpColumns();
    TComPtr<IEnumIDList> Enum;
    const DWORD Flags = EnumFoldersAndFiles | ((FOptions & sloShowHidden) ? SHCONTF_INCLUDEHIDDEN : 0);
    if (ShellFolder->EnumObjects(OwnerWindow(), Flags, Enum.Put()) != S_OK || !Enum)
        return;
    std::vector<std::unique_ptr<TRzShellListData>> Found;
    Found.reserve(GrowBy);
    HRESULT R;
    LPITEMIDLIST Pidl = nullptr;
    ULONG Fetched = 0;
    while ((R = Enum->Next(1, &Pidl, &Fetched)) == S_OK && Fetched == 1) {
        TPidl Own(Pidl);
        if (Found.size() == Found.capacity())
            Found.reserve(Found.size() + GrowBy);
        Found.push_back(std::make_unique<TRzShellListData>(this, Own.Get()));
    }
    if (R == E_FAIL)
        return;
    if (R != S_FALSE && R != NoMoreItems && FAILED(R))
        RaiseSystemError(static_cast<DWORD>(R));
    for (auto& D : Found) {
        SFGAOF Attr = 0;
        if (AddTest(ShellFolder, D->RelIdList(), Attr))
            InsertShellItem(std::move(D), Attr);
    }
    if (OnFillComplete)
        OnFillComplete(this);
}

bool TRzCustomShellList::AddTest(IShellFolder* ShellFolder, LPCITEMIDLIST Item, SFGAOF& Attr)
{
    Attr = ItemAttributeMask;
    if (FAILED(ShellFolder->GetAttributesOf(1, &Item, &Attr)))
        return false;
    if (!(FOptions & sloNonFilesystemAncestors) && !(Attr & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR)))
        return false;
    if ((FOptions & sloHideFoldersWhenLinkedToTree) && FShellTree &&
        IsFolderItem(Attr, FOptions & sloFilesCanBeFolders))
        return false;
    return CanAdd(ShellFolder, FFolderPidl.Get(), Item, Attr);
}

bool TRzCustomShellList::CanAdd(IShellFolder* ParentFolder, LPCITEMIDLIST ParentAbsIdList,
                                LPCITEMIDLIST ItemRelIdList, SFGAOF Attribs)
{
    if (FMatches && !IsFolderItem(Attribs, FOptions & sloFilesCanBeFolders)) {
        // The name on disk where the item carries it: past MAX_PATH the
        // parsing name is cut to another name.
        WIN32_FIND_DATAW Found{};
        const std::string Name =
            SUCCEEDED(SHGetDataFromIDListW(ParentFolder, ItemRelIdList, SHGDFIL_FINDDATA, &Found, sizeof Found)) &&
                    Found.cFileName[0]
                ? WideToAnsi(Found.cFileName)
                : ShellGetDisplayNameFromFolder(ParentFolder, ItemRelIdList, TRzNameKind::ForParsing);
        if (!MatchesFilter(Name, Attribs))
            return false;
    }
    BOOL Allow = TRUE;
    if (OnAddItem)
        OnAddItem(this, ParentFolder, ParentAbsIdList, ItemRelIdList, static_cast<int>(Attribs), Allow);
    return Allow;
}

bool TRzCustomShellList::MatchesFilter(const std::string& Name, SFGAOF)
{
    return !FMatches || FMatches->count(Upper(NamePart(Name))) > 0;
}

void TRzCustomShellList::BuildFilterMatches()
{
    FreeFilterMatches();
    const std::string Path = FFolder->PathName();
    if (Path.empty() || !FMasks || FFileFilter.empty() || FFileFilter == "*" || FFileFilter == "*.*")
        return;
    FMatches = std::make_unique<std::set<std::string>>();
    TRzErrorModeScope ErrorMode;
    const std::string Base = EnsureTrailingChar(Path, '\\');
    for (const std::string& Mask : *FMasks) {
        WIN32_FIND_DATAA F{};
        TFindHandle Find(FindFirstFileA((Base + Mask).c_str(), &F));
        if (!Find) {
            if (GetLastError() != ERROR_FILE_NOT_FOUND)
                break;
            continue;
        }
        do
            if (!(F.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                FMatches->insert(Upper(F.cFileName));
        while (FindNextFileA(Find.Get(), &F));
    }
}

void TRzCustomShellList::FreeFilterMatches() { FMatches.reset(); }

void TRzCustomShellList::InsertShellItem(std::unique_ptr<TRzShellListData> D, SFGAOF Attr)
{
    FOwnData.insert(D.get());
    TListItem* It = AddItem(std::string(), D.release());
    It->SubItems().assign(static_cast<size_t>(FDetails ? std::max(0, ColumnCount() - 1) : 3), std::string());
    if (HandleAllocated()) {
        LVITEMA S{};
        S.stateMask = LVIS_OVERLAYMASK | LVIS_CUT;
        S.state = (Attr & SFGAO_SHARE) ? INDEXTOOVERLAYMASK(1) : (Attr & SFGAO_LINK) ? INDEXTOOVERLAYMASK(2) : 0;
        if (Attr & SFGAO_HIDDEN)
            S.state |= LVIS_CUT;
        SendMessageA(WindowHandle(), LVM_SETITEMSTATE, static_cast<WPARAM>(It->Index()), reinterpret_cast<LPARAM>(&S));
    }
}

void TRzCustomShellList::Delete(TListItem* Item)
{
    if (TRzShellListData* D = Data(Item)) {
        if (OnDeleteItem)
            OnDeleteItem(this, Item, D);
        FOwnData.erase(D);
        Item->SetData(nullptr);
        delete D;
    }
    if (FDropHighlight == Item)
        FDropHighlight = nullptr;
}

// ---------------------------------------------------------------------------
// Columns
// ---------------------------------------------------------------------------

void TRzCustomShellList::SetUpColumns()
{
    if (ColumnCount() && FSaveWidths)
        SaveWidths();
    ClearColumns();
    if (FDetails)
        DetailsColumns();
    else
        FileColumns();
    if (std::abs(FShellSortColumn) > ColumnCount())
        FShellSortColumn = 1;
    TRzCustomListView::SetSortColumn(FShellSortColumn ? std::abs(FShellSortColumn) - 1 : -1);
    SetSortDescending(FShellSortColumn < 0);
    // The header items are new: the sort arrow is drawn only by owner-drawn
    // ones, and an unchanged sort column does not ask for them again.
    UpdateHeaderState();
}

void TRzCustomShellList::FileColumns()
{
    TColumnRecord Rec;
    HKEY Key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer", 0, KEY_READ,
                      &Key) == ERROR_SUCCESS) {
        TRegKey Own(Key);
        BYTE Buf[ColumnRecordBytes] = {};
        DWORD Type = 0, Size = sizeof Buf;
        if (RegQueryValueExA(Key, "DirectoryCols", nullptr, &Type, Buf, &Size) == ERROR_SUCCESS &&
            Type == REG_BINARY && Size <= ColumnRecordBytes) {
            std::memcpy(Rec.Widths, Buf, Size);
            Rec.Read = static_cast<int>(Size);
        }
    }
    AddColumn("Name", Rec.Widths[0]);
    AddColumn("Size", Rec.Widths[1], taRightJustify);
    AddColumn("Type", Rec.Widths[2]);
    AddColumn("Modified", Rec.Widths[3]);
    TColumnState& G = Columns();
    const bool Same = G.Read != 0 && G.Read == Rec.Read &&
                      std::memcmp(G.Record.Widths, Rec.Widths, static_cast<size_t>(Rec.Read / 2) * 2) == 0;
    if (Same && G.HaveSaved)
        ReadSavedWidths();
    G.Record = Rec;
    G.Read = Rec.Read;
    FColumnKind = TRzShellColumnKind::File;
    FSaveWidths = true;
}

void TRzCustomShellList::DetailsColumns()
{
    TRzErrorModeScope ErrorMode;
    for (UINT C = 0;; ++C) {
        SHELLDETAILS D{};
        if (FAILED(FDetails->GetDetailsOf(nullptr, C, &D)))
            break;
        // A list view draws its first column left-aligned whatever it is
        // given (Wine's folders give every column right alignment); its
        // header follows the names below it.
        AddColumn(StrRetToText(D.str, nullptr), D.cxChar * DetailsPixelsPerChar,
                  C == 0 ? taLeftJustify : AlignmentOf(D.fmt));
    }
    const bool HasPath = !FFolder->PathName().empty();
    if (HasPath && Columns().HaveSaved)
        ReadSavedWidths();
    FColumnKind = TRzShellColumnKind::Details;
    FSaveWidths = HasPath;
}

void TRzCustomShellList::SaveWidths()
{
    TColumnState& G = Columns();
    G.Saved.assign(1, ColumnCount());
    for (int I = 0; I < ColumnCount(); ++I)
        G.Saved.push_back(ColumnWidth(I));
    G.HaveSaved = true;
}

void TRzCustomShellList::ReadSavedWidths()
{
    const TColumnState& G = Columns();
    if (G.Saved.empty())
        return;
    const int Count = std::min({G.Saved[0], ColumnCount(), static_cast<int>(G.Saved.size()) - 1});
    for (int I = 0; I < Count; ++I)
        SetColumnWidth(I, G.Saved[static_cast<size_t>(I) + 1]);
}

// ---------------------------------------------------------------------------
// Sorting
// ---------------------------------------------------------------------------

int TRzCustomShellList::CompareItems(TListItem* Item1, TListItem* Item2)
{
    if (FShellSortColumn == 0)
        return TRzCustomListView::CompareItems(Item1, Item2);
    TRzShellListData *A = Data(Item1), *B = Data(Item2);
    if (!A || !B || !FFolderShf)
        return 0;
    const HRESULT R = FFolderShf->CompareIDs(static_cast<LPARAM>(std::abs(FShellSortColumn) - 1), A->RelIdList(),
                                             B->RelIdList());
    if (FAILED(R))
        return 0;
    return FShellSortColumn < 0 ? -CompareIdsResult(R) : CompareIdsResult(R);
}

void TRzCustomShellList::SetSortColumn(int Value)
{
    FSortSetByHandler = true;
    TRzCustomListView::SetSortColumn(Value ? std::abs(Value) - 1 : -1);
    SetSortDescending(Value < 0);
    if (std::exchange(FShellSortColumn, Value) != Value)
        CustomSort();
}

void TRzCustomShellList::ColClick(TListColumn* Column)
{
    FSortSetByHandler = false;
    TRzCustomListView::ColClick(Column);
    if (std::exchange(FSortSetByHandler, false))
        return;
    int Index = 0;
    while (Index < ColumnCount() && this->Column(Index) != Column)
        ++Index;
    const int Wanted = Index + 1;
    SetSortColumn(FShellSortColumn == Wanted ? -Wanted : Wanted);
    FSortSetByHandler = false;
}

// ---------------------------------------------------------------------------
// Refreshing and watching
// ---------------------------------------------------------------------------

void TRzCustomShellList::RefreshList()
{
    if (FInteraction || EditingCaption()) {
        FRefreshPending = true;
        return;
    }
    // A shown folder removed from outside gives way to its nearest parent
    // left, rather than staying on over its vanished items.
    if (LeaveVanishedFolder())
        return;
    if (!ItemCount()) {
        FillList();
        return;
    }
    if (!FFolderShf)
        return;
    TRzHourglass Hourglass;
    TRzCountScope Refilling(FRefillDepth);
    if (OnFillStart)
        OnFillStart(this);
    TRzPidlList Old, Now;
    for (int I = 0; I < ItemCount(); ++I)
        if (TRzShellListData* D = Data(Item(I)))
            Old.AddObject(const_cast<LPITEMIDLIST>(D->RelIdList()), reinterpret_cast<std::intptr_t>(Item(I)));
    DiffFolderItems(FFolderShf.Get(), OwnerWindow(),
                    EnumFoldersAndFiles | ((FOptions & sloShowHidden) ? SHCONTF_INCLUDEHIDDEN : 0), Old, Now);
    {
        TUpdateScope<TRzCustomShellList> Update(this);
        for (int I = 0; I < Old.Count(); ++I) {
            const int Index = IndexOfItem(reinterpret_cast<TListItem*>(Old.Objects(I)));
            if (Index >= 0)
                DeleteItem(Index);
        }
        for (int I = 0; I < Now.Count(); ++I) {
            SFGAOF Attr = 0;
            if (AddTest(FFolderShf.Get(), Now.Pidls(I), Attr))
                InsertShellItem(std::make_unique<TRzShellListData>(this, Now.Pidls(I)), Attr);
        }
    }
    FitListColumn();
    if (OnFillComplete)
        OnFillComplete(this);
    if ((FOptions & sloDynamicRefresh) && !HasState(csDesigning))
        StartWatching();
}

void TRzCustomShellList::FitListColumn()
{
    // The list view's column is as wide as its names were when the style
    // was set, and stays so over every later fill.
    if (ViewStyle() != vsList || !HandleAllocated() || ItemCount() == 0)
        return;
    int Widest = 0;
    for (int I = 0; I < ItemCount(); ++I)
        if (TRzShellListData* D = Data(Item(I)))
            Widest = std::max(Widest, static_cast<int>(SendMessageA(WindowHandle(), LVM_GETSTRINGWIDTHA, 0,
                                                                    reinterpret_cast<LPARAM>(D->DisplayName().c_str()))));
    SendMessageA(WindowHandle(), LVM_SETCOLUMNWIDTH, 0,
                 MAKELPARAM(Widest + GetSystemMetrics(SM_CXSMICON) + ListColumnPadding, 0));
}

void TRzCustomShellList::StartWatching()
{
    FChangeTimer->SetEnabled(false);
    if (!HandleAllocated())
        return;
    if (!FChangeThread)
        FChangeThread.reset(new TChangeHandlerThread(WindowHandle(), RZSH_CHANGENOTIFY));
    else
        FChangeThread->RemoveAllWatches();
    const std::string Path = FFolder->PathName();
    if (Path.empty())
        return;
    int Slot = -1;
    FChangeThread->AddWatch(Path, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME, Slot, false);
}

void TRzCustomShellList::TimerTick(TObject*)
{
    FChangeTimer->SetEnabled(false);
    if (FFolderHookDepth > 0 && FShellTree && FShellTree->ChangeTimer()->Enabled())
        FShellTree->RunPendingStep();
    RefreshList();
}

void TRzCustomShellList::DeviceChange(WPARAM Event, LPARAM)
{
    if (Event != ShellDeviceArrival && Event != ShellDeviceRemoveComplete)
        return;
    ShellValidateDrives();
    if (ShellGetSpecialFolderIdFromPidl(FFolderPidl.Get()) == csidlDrives) {
        ShellSuspendDriveValidation();
        TScopeExit Resume([] { ShellResumeDriveValidation(); });
        FillList();
    }
}

// ---------------------------------------------------------------------------
// Opening and going up
// ---------------------------------------------------------------------------

void TRzCustomShellList::OpenSelected()
{
    if (FShellTree && FShellTree->ChangeTimer()->Enabled())
        FShellTree->RunPendingStep();
    std::vector<TListItem*> Sel;
    for (int I = 0; I < ItemCount(); ++I)
        if (Item(I)->Selected())
            Sel.push_back(Item(I));
    if (Sel.size() == 1) {
        OpenItem(Sel[0]);
    } else if (Sel.size() > 1) {
        bool Handled = false;
        if (OnDblClickOpen)
            OnDblClickOpen(this, Handled);
        if (!Handled)
            InvokeDefault(SelectedIdLists());
    }
}

void TRzCustomShellList::OpenItem(TListItem* It)
{
    TRzShellListData* D = Data(It);
    bool Handled = false;
    if (!D) {
        if (OnDblClickOpen)
            OnDblClickOpen(this, Handled);
        return;
    }
    TRzHourglass Hourglass;
    if (D->IsFolder()) {
        BrowseInto(D->AbsIdList());
        return;
    }
    if (D->IsShortcut()) {
        TRzShortcut Link;
        TPidl Target;
        if (SUCCEEDED(ShellResolveShortcut(D->Path(), Link, false)) && IsDirectory(Link.Path) &&
            SUCCEEDED(ShellPathToPidl(Link.Path, Target))) {
            BrowseInto(Target.Get());
            return;
        }
    }
    if (OnDblClickOpen)
        OnDblClickOpen(this, Handled);
    if (!Handled)
        InvokeDefault({D->RelIdList()});
}

void TRzCustomShellList::InvokeDefault(const std::vector<LPCITEMIDLIST>& Items)
{
    if (Items.empty() || !FFolderShf)
        return;
    TComPtr<IContextMenu> Context;
    HMENU Menu = nullptr;
    if (FAILED(GetItemsContextMenu(FFolderShf.Get(), OwnerWindow(), Items, Context, Menu, ShellMenuFirstId,
                                   CMF_EXPLORE)))
        return;
    TScopeExit Destroy([Menu] { DestroyMenu(Menu); });
    const UINT Id = GetMenuDefaultItem(Menu, FALSE, 0);
    if (Id != static_cast<UINT>(-1) && Id >= ShellMenuFirstId)
        ::InvokeVerb(OwnerWindow(), Context.Get(), VerbOffset(static_cast<int>(Id - ShellMenuFirstId)));
}

void TRzCustomShellList::BrowseInto(LPCITEMIDLIST AbsIdList)
{
    if (FOptions & sloDontChangeFolder)
        return;
    // The list may belong to an item about to be cleared.
    TPidl Target = CopyIdList(AbsIdList);
    {
        TRzCountScope Refilling(FRefillDepth);
        TUpdateScope<TRzCustomShellList> Update(this);
        DeselectAll();
        ClearItems();
    }
    if (FShellTree) {
        TRzShellLocator L;
        L.SetIdList(Target.Get());
        FShellTree->SetSelectedFolder(&L);
    } else if (FShellCombo) {
        FShellCombo->SelectedFolder()->SetIdList(Target.Get());
    } else {
        FFolder->SetIdList(Target.Get());
    }
}

bool TRzCustomShellList::LeaveVanishedFolder()
{
    // Wide and from the id list: a folder past MAX_PATH has no ANSI path
    // that the ANSI calls find, and would be left for its parent although
    // it is there.
    const std::wstring Path = ShellPidlToWidePath(FFolder->IdList());
    if (Path.empty() || (FOptions & sloDontChangeFolder))
        return false;
    // A folder removed while its watch is open stays on disk until the
    // watch lets go (under Wine, or pending deletion): the watch goes
    // first, and is set again on whatever folder is shown next.
    if (FChangeThread)
        FChangeThread->RemoveAllWatches();
    if (IsDirectory(Path))
        return false;
    // Up to the desktop itself, which a folder on it gives way to.
    TRzIdListArray Levels(FFolder->IdList());
    for (int Up = 1; Up <= Levels.Count(); ++Up) {
        TPidl Parent = CopyIdList(Levels.CopyFirst(Up));
        const std::wstring At = ShellPidlToWidePath(Parent.Get());
        // Above a drive's root or a share there is nothing left to show.
        if (At.empty())
            return false;
        if (IsDirectory(At)) {
            BrowseInto(Parent.Get());
            return true;
        }
    }
    return false;
}

void TRzCustomShellList::GoUp(int Levels)
{
    if (FOptions & sloDontChangeFolder)
        return;
    if (FShellTree) {
        FShellTree->GoUp(Levels);
    } else if (FShellCombo) {
        FShellCombo->GoUp(Levels);
    } else if (FFolder->IdList() && FFolder->IdList()->mkid.cb) {
        TRzIdListArray Items(FFolder->IdList());
        TPidl Up = CopyIdList(Items.CopyFirst(std::min(Levels, Items.Count())));
        FFolder->SetIdList(Up.Get());
    }
}

// ---------------------------------------------------------------------------
// Verbs, menus, renaming, new folders, keys
// ---------------------------------------------------------------------------

HRESULT TRzCustomShellList::InvokeVerbOnSelection(const std::string& Verb)
{
    std::vector<LPCITEMIDLIST> Items = SelectedIdLists();
    if (Items.empty() || !FFolderShf)
        return E_FAIL;
    TComPtr<IContextMenu> Menu;
    HRESULT R = FFolderShf->GetUIObjectOf(OwnerWindow(), static_cast<UINT>(Items.size()), Items.data(),
                                          IID_IContextMenu, nullptr, Menu.PutVoid());
    if (SUCCEEDED(R))
        R = ::InvokeVerb(OwnerWindow(), Menu.Get(), Verb.c_str());
    if (NetworkFolder())
        RefreshList();
    return R;
}

HRESULT TRzCustomShellList::InvokeVerbOnFolder(const std::string& Verb)
{
    TComPtr<IShellFolder> Parent;
    TPidl ParentPidl, Item;
    HRESULT R = E_FAIL;
    if (FFolderPidl && FFolderPidl.Get()->mkid.cb)
        R = SplitAbsolutePidl(FFolderPidl.Get(), Parent, ParentPidl, Item);
    TComPtr<IContextMenu> Menu;
    if (SUCCEEDED(R)) {
        LPCITEMIDLIST Items[1] = {Item.Get()};
        R = Parent->GetUIObjectOf(OwnerWindow(), 1, Items, IID_IContextMenu, nullptr, Menu.PutVoid());
    }
    if (SUCCEEDED(R))
        R = ::InvokeVerb(OwnerWindow(), Menu.Get(), Verb.c_str());
    // Some shells' item menus have no paste; the folder's background menu has.
    if (FAILED(R) && Verb == "paste" && FFolderShf)
        R = PasteIntoFolder(OwnerWindow(), FFolderShf.Get());
    if (NetworkFolder())
        RefreshList();
    return R;
}

void TRzCustomShellList::DoItemContextMenu(TListItem* Item, TPoint& Pos, TPopupMenu*& Menu)
{
    TRzCustomListView::DoItemContextMenu(Item, Pos, Menu);
    if (!(FOptions & sloContextMenus) || HasState(csDesigning) || FOwnDrag)
        return;
    ShowShellMenu(ClientToScreen(Pos));
    Menu = nullptr;
}

void TRzCustomShellList::ShowShellMenu(TPoint ScreenPoint)
{
    std::vector<LPCITEMIDLIST> Items = SelectedIdLists();
    if (Items.empty() || !FFolderShf)
        return;
    TRzShellListData* Focus = Data(ItemFocused());
    const UINT Flags = CMF_EXPLORE | (Focus && !Focus->Path().empty() && !ReadOnly() ? CMF_CANRENAME : 0);
    TComPtr<IContextMenu> Context;
    HMENU Menu = nullptr;
    if (FAILED(GetItemsContextMenu(FFolderShf.Get(), OwnerWindow(), Items, Context, Menu, ShellMenuFirstId, Flags)))
        return;
    FInteraction = true;
    TScopeExit Done([&] {
        FActiveMenu.Reset();
        Context.Reset();
        DestroyMenu(Menu);
        if (EndInteraction())
            RefreshList();
    });
    Context.As(IID_IContextMenu2, FActiveMenu);
    const UINT Command =
        TrackPopupMenuReturnCmd(Menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, ScreenPoint.x, ScreenPoint.y, WindowHandle());
    if (Command == ShellRenameCommand) {
        EditItemCaption(ItemFocused());
    } else if (Command >= ShellMenuFirstId) {
        ::InvokeVerb(OwnerWindow(), Context.Get(), VerbOffset(static_cast<int>(Command - ShellMenuFirstId)));
        if (NetworkFolder())
            RefreshList();
    }
}

bool TRzCustomShellList::CanEdit(TListItem* Item)
{
    TRzShellListData* D = Data(Item);
    if (!D)
        return TRzCustomListView::CanEdit(Item);
    if (!D->CanRename() || !TRzCustomListView::CanEdit(Item) || HasState(csDesigning))
        return false;
    if (const HWND Editor = reinterpret_cast<HWND>(SendMessageA(WindowHandle(), LVM_GETEDITCONTROL, 0, 0)))
        SetWindowTextA(Editor,
                       ShellGetDisplayNameFromFolder(FFolderShf.Get(), D->RelIdList(), TRzNameKind::ForEditing).c_str());
    return true;
}

void TRzCustomShellList::Edit(TListItem* Item, std::string& S)
{
    TRzShellListData* D = Data(Item);
    if (!D || !FFolderShf) {
        TRzCustomListView::Edit(Item, S);
        return;
    }
    const std::string OldText = Item->Caption().empty() ? D->DisplayName() : Item->Caption();
    S = Trim(S);
    TRzCustomListView::Edit(Item, S);
    // A name longer than the shell holds would be cut and the item renamed
    // to the cut name: it is refused and the item keeps its own.
    if (S.size() > MAX_PATH) {
        S = OldText;
        return;
    }
    TRzHourglass Hourglass;
    FIgnoreNextChange = true;
    const std::wstring Wide = AnsiToWide(S);
    LPITEMIDLIST NewPidl = nullptr;
    const HRESULT R = FFolderShf->SetNameOf(OwnerWindow(), D->RelIdList(), Wide.c_str(), RenameFlags, &NewPidl);
    TPidl New(NewPidl);
    if (FAILED(R)) {
        FIgnoreNextChange = false;
        S = OldText;
    } else if (New) {
        auto Fresh = std::make_unique<TRzShellListData>(this, New.Get());
        FOwnData.erase(D);
        FOwnData.insert(Fresh.get());
        Item->SetData(Fresh.release());
        delete D;
        S = ShellGetDisplayNameFromFolder(FFolderShf.Get(), New.Get(), TRzNameKind::InFolder);
    } else {
        S = ShellGetDisplayNameFromFolder(FFolderShf.Get(), D->RelIdList(), TRzNameKind::InFolder);
    }
    // The caption editor is still up while its end is reported; a refresh
    // asked for meanwhile runs from the timer once it has gone.
    if (std::exchange(FRefreshPending, false))
        RestartTimer(FChangeTimer.get(), ShellFocusedRefreshDelay);
}

bool TRzCustomShellList::CreateNewFolder(bool Edit)
{
    LeaveVanishedFolder();
    const std::string Path = FFolder->PathName();
    FIgnoreNextChange = true;
    std::string NewName;
    if (!::CreateNewFolder(Path, NewName))
        return false;
    const LPCITEMIDLIST P = FFolder->IdList();
    if (!P || P->mkid.cb == 0)
        WaitWithHourglass(2100);
    RefreshList();
    if (Edit) {
        FNewFolderName = NewName;
        PostMessageA(WindowHandle(), RZSH_EDITNEWFOLDER, 0, 0);
    }
    return true;
}

void TRzCustomShellList::KeyDown(WORD& Key, TShiftState Shift)
{
    TRzCustomListView::KeyDown(Key, Shift);
    if (Key == 0 || EditingCaption() || HasState(csDesigning) || !(FOptions & sloDefaultKeyHandling))
        return;
    const TShortCut Pressed = ShortCut(Key, Shift);
    const TShortCut Unshifted = ShortCut(Key, Shift & ~ssShift);
    const WORD Saved = std::exchange(Key, 0);
    using K = TRzShellShortCutKind;
    if (Pressed == ShellShortCut(K::SelectAll)) {
        TUpdateScope<TRzCustomShellList> Update(this);
        for (int I = 0; I < ItemCount(); ++I)
            Item(I)->SetSelected(true);
    } else if (Pressed == ShellShortCut(K::Refresh)) {
        FillList();
    } else if (Pressed == ShellShortCut(K::Copy)) {
        InvokeVerbOnSelection("copy");
    } else if (Pressed == ShellShortCut(K::Cut)) {
        InvokeVerbOnSelection("cut");
    } else if (Pressed == ShellShortCut(K::Paste)) {
        InvokeVerbOnFolder("paste");
        RefreshList();
    } else if (Pressed == ShellShortCut(K::Rename)) {
        EditItemCaption(ItemFocused());
    } else if (Pressed == ShellShortCut(K::Delete) || Unshifted == ShellShortCut(K::Delete)) {
        InvokeVerbOnSelection("delete");
        RefreshList();
    } else {
        Key = Saved;
    }
}

void TRzCustomShellList::KeyPress(char& Key)
{
    TRzCustomListView::KeyPress(Key);
    if (EditingCaption() || HasState(csDesigning) || !(FOptions & sloDefaultKeyHandling))
        return;
    if (Key == VK_BACK) {
        Key = 0;
        GoUp(1);
    } else if (Key == VK_RETURN) {
        Key = 0;
        OpenSelected();
    }
}

void TRzCustomShellList::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TRzCustomListView::MouseDown(Button, Shift, X, Y);
    if (Button == mbLeft && (Shift & ssDouble))
        OpenSelected();
}

// ---------------------------------------------------------------------------
// Window life and messages
// ---------------------------------------------------------------------------

void TRzCustomShellList::CreateWnd()
{
    FInCreateWnd = true;
    TScopeExit Restore([this] { FInCreateWnd = false; });
    TRzCustomListView::CreateWnd();
    if (!HasState(csDesigning) && (FOptions & sloOleDrop))
        RegisterDropTarget();
    if ((FOptions & sloAutoFill) && !ItemCount())
        PostMessageA(WindowHandle(), RZSH_DEFERREDFILL, 0, 0);
}

void TRzCustomShellList::Loaded()
{
    if (!FInCreateWnd && (FOptions & sloAutoFill) && !ItemCount() && HandleAllocated())
        PostMessageA(WindowHandle(), RZSH_DEFERREDFILL, 0, 0);
    FLoaded = true;
    TRzCustomListView::Loaded();
}

void TRzCustomShellList::DestroyWnd()
{
    FInDestroyWnd = true;
    TScopeExit Restore([this] { FInDestroyWnd = false; });
    {
        TRzCountScope Depth(FFolderHookDepth);
        TUpdateScope<TRzCustomShellList> Update(this);
        // A list that is being freed never shows its selection again, and
        // the list view tells of each item deselected: 5,000 picked files
        // took a quarter of a second to let go of when the form closed.
        if (!HasState(csDestroying))
            DeselectAll();
        ClearItems();
    }
    TRzCustomListView::DestroyWnd();
}

bool TRzCustomShellList::HandleNotify(NMHDR* Header, LRESULT& Result)
{
    switch (Header->code) {
    case LVN_GETDISPINFOA: {
        auto* D = reinterpret_cast<NMLVDISPINFOA*>(Header);
        TListItem* It = D->item.iItem >= 0 && D->item.iItem < ItemCount() ? Item(D->item.iItem) : nullptr;
        TRzShellListData* Sd = Data(It);
        if (!Sd)
            break;
        if ((D->item.mask & LVIF_TEXT) && D->item.pszText && D->item.cchTextMax > 0) {
            const int Sub = D->item.iSubItem;
            std::string T;
            if (Sub == 0)
                T = It->Caption().empty() ? Sd->DisplayName() : It->Caption();
            else if (Sub <= static_cast<int>(It->SubItems().size()) && !It->SubItems()[static_cast<size_t>(Sub - 1)].empty())
                T = It->SubItems()[static_cast<size_t>(Sub - 1)];
            else if (Sub <= static_cast<int>(It->SubItems().size()))
                T = Sd->ColumnText(Sub);
            lstrcpynA(D->item.pszText, T.c_str(), D->item.cchTextMax);
        }
        if ((D->item.mask & LVIF_IMAGE) && D->item.iSubItem == 0) {
            // Answered every time, never stored in the control: asked with
            // the name, a stored answer would keep the name a rename changes.
            const int Image = It->ImageIndex();
            D->item.iImage = Image < 1 ? Sd->SmallIconIndex() : Image;
        }
        return true;
    }
    case LVN_BEGINDRAG:
    case LVN_BEGINRDRAG:
        if (!(FOptions & sloOleDrag))
            break;
        StartOleDrag(Header->code == LVN_BEGINRDRAG);
        return true;
    default:
        break;
    }
    return TRzCustomListView::HandleNotify(Header, Result);
}

void TRzCustomShellList::WndProc(TMessage& Message)
{
    if (IsShellMenuMessage(Message.Msg)) {
        TRzCustomListView::WndProc(Message);
        ForwardShellMenuMessage(FActiveMenu.Get(), Message, [this](const std::string& Hint) {
            if (OnPopupHint)
                OnPopupHint(this, Hint);
        });
        return;
    }
    switch (Message.Msg) {
    case RZSH_CHANGENOTIFY:
        if (TakeChangeNotice(FIgnoreNextChange, FInteraction, FRefreshPending))
            RestartTimer(FChangeTimer.get(), Focused() ? ShellFocusedRefreshDelay : ShellUnfocusedRefreshDelay);
        return;
    case RZSH_EDITNEWFOLDER: {
        // The editor selects the new folder alone: the end of the refill
        // that showed it, not a choice of the user's.
        TRzCountScope Refilling(FRefillDepth);
        for (int I = 0; I < ItemCount(); ++I)
            if (TRzShellListData* D = Data(Item(I)); D && D->DisplayName() == FNewFolderName) {
                SetFocus();
                EditItemCaption(Item(I));
                break;
            }
        return;
    }
    case RZSH_DEFERREDFILL:
        if (!ItemCount())
            FillList();
        return;
    case RZSH_GETSHELLBROWSER: {
        Message.Result = 0;
        IUnknown* Explorer = nullptr;
        if (SUCCEEDED(SHGetInstanceExplorer(&Explorer)) && Explorer) {
            IShellBrowser* Browser = nullptr;
            if (SUCCEEDED(Explorer->QueryInterface(IID_IShellBrowser, reinterpret_cast<void**>(&Browser))))
                Message.Result = reinterpret_cast<LRESULT>(Browser);
            Explorer->Release();
        }
        return;
    }
    case CM_WANTSPECIALKEY: {
        TRzCustomListView::WndProc(Message);
        TRzShellListData* D = SelectedData();
        if (EditingCaption() || (Message.WParam == VK_RETURN && D && D->IsFolder()))
            Message.Result = 1;
        return;
    }
    case WM_DESTROY:
        if (ColumnCount() && FSaveWidths)
            SaveWidths();
        FChangeThread.reset();
        RevokeDropTarget();
        break;
    case WM_WINDOWPOSCHANGED:
        if (FInDestroyWnd)
            return;
        break;
    default:
        break;
    }
    TRzCustomListView::WndProc(Message);
}
