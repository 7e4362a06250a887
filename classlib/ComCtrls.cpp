#include "classlib/ComCtrls.h"

#include <algorithm>
#include <cstring>

namespace {

void InitViews()
{
    static const bool Done = [] {
        INITCOMMONCONTROLSEX I{sizeof I, ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES};
        return InitCommonControlsEx(&I) != FALSE;
    }();
    (void)Done;
}

const char* const SubclassProp = "Tessaly.Subclass";

TTrackPopupHook& TrackHook()
{
    static TTrackPopupHook H;
    return H;
}

} // namespace

// ---------------------------------------------------------------------------
// TWindowSubclass
// ---------------------------------------------------------------------------

void TWindowSubclass::Attach(HWND Window, THandler Handler)
{
    Detach();
    if (!Window)
        return;
    FWindow = Window;
    FHandler = std::move(Handler);
    SetPropA(Window, SubclassProp, this);
    FOldProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWindowSubclass::Proc)));
}

void TWindowSubclass::Detach()
{
    if (!FWindow)
        return;
    if (IsWindow(FWindow)) {
        SetWindowLongPtrA(FWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FOldProc));
        RemovePropA(FWindow, SubclassProp);
    }
    FWindow = nullptr;
    FOldProc = nullptr;
}

LRESULT TWindowSubclass::Default(UINT Msg, WPARAM WParam, LPARAM LParam)
{
    return CallWindowProcA(FOldProc, FWindow, Msg, WParam, LParam);
}

LRESULT CALLBACK TWindowSubclass::Proc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    auto* Self = static_cast<TWindowSubclass*>(GetPropA(Wnd, SubclassProp));
    if (!Self)
        return DefWindowProcA(Wnd, Msg, WParam, LParam);
    if (Msg == WM_NCDESTROY) {
        const WNDPROC Old = Self->FOldProc;
        Self->Detach();
        return CallWindowProcA(Old, Wnd, Msg, WParam, LParam);
    }
    return Self->FHandler ? Self->FHandler(Msg, WParam, LParam) : Self->Default(Msg, WParam, LParam);
}

UINT TrackPopupMenuReturnCmd(HMENU Menu, UINT Flags, int X, int Y, HWND Owner)
{
    if (TrackHook())
        return TrackHook()(Menu, X, Y);
    return static_cast<UINT>(TrackPopupMenu(Menu, Flags | TPM_RETURNCMD, X, Y, 0, Owner, nullptr));
}

TTrackPopupHook SetTrackPopupHook(TTrackPopupHook Hook)
{
    TTrackPopupHook Old = std::move(TrackHook());
    TrackHook() = std::move(Hook);
    return Old;
}

// ---------------------------------------------------------------------------
// TListItem
// ---------------------------------------------------------------------------

void TListItem::SetCaption(const std::string& Value)
{
    FCaption = Value;
    Update();
}

void TListItem::SetImageIndex(TImageIndex Value)
{
    FImageIndex = Value;
    Update();
}

int TListItem::Index() const { return FOwner->IndexOfItem(this); }

bool TListItem::Selected() const
{
    return FOwner->HandleAllocated() &&
           (SendMessageA(FOwner->WindowHandle(), LVM_GETITEMSTATE, Index(), LVIS_SELECTED) & LVIS_SELECTED);
}

void TListItem::SetSelected(bool Value)
{
    LVITEMA I{};
    I.stateMask = LVIS_SELECTED;
    I.state = Value ? LVIS_SELECTED : 0;
    SendMessageA(FOwner->Handle(), LVM_SETITEMSTATE, Index(), reinterpret_cast<LPARAM>(&I));
}

bool TListItem::Focused() const
{
    return FOwner->HandleAllocated() &&
           (SendMessageA(FOwner->WindowHandle(), LVM_GETITEMSTATE, Index(), LVIS_FOCUSED) & LVIS_FOCUSED);
}

void TListItem::SetFocused(bool Value)
{
    LVITEMA I{};
    I.stateMask = LVIS_FOCUSED;
    I.state = Value ? LVIS_FOCUSED : 0;
    SendMessageA(FOwner->Handle(), LVM_SETITEMSTATE, Index(), reinterpret_cast<LPARAM>(&I));
}

TRect TListItem::DisplayRect(TDisplayCode Code) const
{
    static const int Codes[] = {LVIR_BOUNDS, LVIR_ICON, LVIR_LABEL, LVIR_SELECTBOUNDS};
    RECT R{};
    R.left = Codes[Code];
    if (!SendMessageA(FOwner->Handle(), LVM_GETITEMRECT, Index(), reinterpret_cast<LPARAM>(&R)))
        return TRect(0, 0, 0, 0);
    return TRect(R.left, R.top, R.right, R.bottom);
}

void TListItem::Update()
{
    if (FOwner->HandleAllocated()) {
        const int I = Index();
        SendMessageA(FOwner->WindowHandle(), LVM_REDRAWITEMS, I, I);
        SendMessageA(FOwner->WindowHandle(), LVM_UPDATE, I, 0);
    }
}

bool TListItem::EditCaption()
{
    return SendMessageA(FOwner->Handle(), LVM_EDITLABELA, Index(), 0) != 0;
}

// ---------------------------------------------------------------------------
// TCustomListView
// ---------------------------------------------------------------------------

TCustomListView::TCustomListView(TComponent* AOwner) : TWinControl(AOwner), FCanvas(std::make_unique<TCanvas>())
{
    InitViews();
    SetBounds(0, 0, 250, 150);
    SetTabStop(true);
    FColor = clWindow;
    FParentColor = false;
    FImageLink.OnChange = [this](TObject* S) { ImagesChanged(S); };
}

TCustomListView::~TCustomListView() = default;

void TCustomListView::CreateParams(TCreateParams& Params)
{
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, WC_LISTVIEWA);
    static const DWORD Views[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
    // The image lists belong to their components: the control never
    // destroys them, shared system lists included.
    Params.Style |= Views[FViewStyle] | LVS_SHAREIMAGELISTS | WS_CLIPCHILDREN;
    if (!FReadOnly)
        Params.Style |= LVS_EDITLABELS;
    if (!FHideSelection)
        Params.Style |= LVS_SHOWSELALWAYS;
    if (!FMultiSelect)
        Params.Style |= LVS_SINGLESEL;
    Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomListView::CreateWnd()
{
    TWinControl::CreateWnd();
    const HWND H = WindowHandle();
    SendMessageA(H, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, FRowSelect ? LVS_EX_FULLROWSELECT : 0);
    ApplyImageLists();
    for (int I = 0; I < ColumnCount(); ++I)
        InsertColumnWindow(I);
    for (int I = 0; I < ItemCount(); ++I)
        InsertItemWindow(I);
    if (HWND Header = HeaderHandle())
        HeaderCreated(Header);
}

void TCustomListView::DestroyWnd()
{
    for (int I = 0; I < ColumnCount(); ++I)
        FColumns[static_cast<size_t>(I)]->Width = ColumnWidth(I);
    TWinControl::DestroyWnd();
}

void TCustomListView::Notification(TComponent* AComponent, TOperation Operation)
{
    TWinControl::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    if (AComponent == FSmallImages)
        FSmallImages = nullptr;
    if (AComponent == FLargeImages)
        FLargeImages = nullptr;
    if (AComponent == FPopupMenu)
        FPopupMenu = nullptr;
}

HWND TCustomListView::HeaderHandle() const
{
    return HandleAllocated() ? reinterpret_cast<HWND>(SendMessageA(WindowHandle(), LVM_GETHEADER, 0, 0)) : nullptr;
}

void TCustomListView::InsertColumnWindow(int Index)
{
    static const int Formats[] = {LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_CENTER};
    TListColumn* C = Column(Index);
    LVCOLUMNA Col{};
    Col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    Col.fmt = Formats[C->Alignment];
    Col.cx = C->Width;
    Col.pszText = const_cast<char*>(C->Caption.c_str());
    Col.iSubItem = Index;
    if (C->ImageIndex >= 0) {
        Col.mask |= LVCF_IMAGE;
        Col.fmt |= LVCFMT_IMAGE;
        Col.iImage = C->ImageIndex;
    }
    SendMessageA(WindowHandle(), LVM_INSERTCOLUMNA, Index, reinterpret_cast<LPARAM>(&Col));
    if (Index > 0)
        for (int I = 0; I < ItemCount(); ++I) {
            LVITEMA It{};
            It.iSubItem = Index;
            It.pszText = LPSTR_TEXTCALLBACKA;
            SendMessageA(WindowHandle(), LVM_SETITEMTEXTA, I, reinterpret_cast<LPARAM>(&It));
        }
}

void TCustomListView::InsertItemWindow(int Index)
{
    LVITEMA It{};
    It.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    It.iItem = Index;
    It.pszText = LPSTR_TEXTCALLBACKA;
    It.iImage = I_IMAGECALLBACK;
    It.lParam = reinterpret_cast<LPARAM>(Item(Index));
    SendMessageA(WindowHandle(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&It));
    for (int C = 1; C < ColumnCount(); ++C) {
        LVITEMA Sub{};
        Sub.iSubItem = C;
        Sub.pszText = LPSTR_TEXTCALLBACKA;
        SendMessageA(WindowHandle(), LVM_SETITEMTEXTA, Index, reinterpret_cast<LPARAM>(&Sub));
    }
}

TListColumn* TCustomListView::AddColumn(const std::string& Caption, int Width, TAlignment Alignment)
{
    auto C = std::make_unique<TListColumn>();
    C->Caption = Caption;
    C->Width = Width;
    C->Alignment = Alignment;
    FColumns.push_back(std::move(C));
    if (HandleAllocated())
        InsertColumnWindow(ColumnCount() - 1);
    return FColumns.back().get();
}

int TCustomListView::ColumnWidth(int Index) const
{
    if (HandleAllocated())
        return static_cast<int>(SendMessageA(WindowHandle(), LVM_GETCOLUMNWIDTH, Index, 0));
    return Column(Index)->Width;
}

void TCustomListView::SetColumnWidth(int Index, int Width)
{
    Column(Index)->Width = Width;
    if (HandleAllocated())
        SendMessageA(WindowHandle(), LVM_SETCOLUMNWIDTH, Index, MAKELPARAM(Width, 0));
}

void TCustomListView::ClearColumns()
{
    if (HandleAllocated())
        for (int I = ColumnCount() - 1; I >= 0; --I)
            SendMessageA(WindowHandle(), LVM_DELETECOLUMN, I, 0);
    FColumns.clear();
}

TListItem* TCustomListView::AddItem(const std::string& Caption, void* Data)
{
    auto It = std::make_unique<TListItem>(this);
    It->FCaption = Caption;
    It->FData = Data;
    FItems.push_back(std::move(It));
    if (HandleAllocated())
        InsertItemWindow(ItemCount() - 1);
    return FItems.back().get();
}

int TCustomListView::IndexOfItem(const TListItem* It) const
{
    for (size_t I = 0; I < FItems.size(); ++I)
        if (FItems[I].get() == It)
            return static_cast<int>(I);
    return -1;
}

void TCustomListView::DeleteItem(int Index)
{
    Delete(Item(Index));
    if (HandleAllocated())
        SendMessageA(WindowHandle(), LVM_DELETEITEM, Index, 0);
    FItems.erase(FItems.begin() + Index);
}

void TCustomListView::ClearItems()
{
    for (auto& I : FItems)
        Delete(I.get());
    if (HandleAllocated())
        SendMessageA(WindowHandle(), LVM_DELETEALLITEMS, 0, 0);
    FItems.clear();
}

void TCustomListView::BeginUpdate()
{
    if (FUpdateCount++ == 0 && HandleAllocated())
        SendMessageA(WindowHandle(), WM_SETREDRAW, FALSE, 0);
}

void TCustomListView::EndUpdate()
{
    if (--FUpdateCount == 0 && HandleAllocated()) {
        SendMessageA(WindowHandle(), WM_SETREDRAW, TRUE, 0);
        InvalidateRect(WindowHandle(), nullptr, TRUE);
    }
}

TListItem* TCustomListView::Selected() const
{
    if (!HandleAllocated())
        return nullptr;
    const int I = static_cast<int>(SendMessageA(WindowHandle(), LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
    return I >= 0 && I < ItemCount() ? Item(I) : nullptr;
}

TListItem* TCustomListView::ItemFocused() const
{
    if (!HandleAllocated())
        return nullptr;
    const int I = static_cast<int>(SendMessageA(WindowHandle(), LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED));
    return I >= 0 && I < ItemCount() ? Item(I) : nullptr;
}

TListItem* TCustomListView::GetItemAt(int X, int Y) const
{
    if (!HandleAllocated())
        return nullptr;
    LVHITTESTINFO Hit{};
    Hit.pt = {X, Y};
    const int I = static_cast<int>(SendMessageA(WindowHandle(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&Hit)));
    return I >= 0 && I < ItemCount() && (Hit.flags & LVHT_ONITEM) ? Item(I) : nullptr;
}

void TCustomListView::SetViewStyle(TViewStyle Value)
{
    if (!StoreChanged(FViewStyle, Value))
        return;
    if (HandleAllocated()) {
        static const DWORD Views[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
        const LONG Style = GetWindowLongA(WindowHandle(), GWL_STYLE);
        SetWindowLongA(WindowHandle(), GWL_STYLE, static_cast<LONG>((Style & ~LVS_TYPEMASK) | Views[Value]));
        if (HWND Header = HeaderHandle(); Header && Value == vsReport)
            HeaderCreated(Header);
    }
}

void TCustomListView::SetReadOnly(bool Value) { StoreAndRecreate(FReadOnly, Value); }

bool TCustomListView::StoreAndRecreate(bool& Field, bool Value)
{
    if (!StoreChanged(Field, Value))
        return false;
    if (HandleAllocated())
        RecreateWnd();
    return true;
}

void TCustomListView::SetHideSelection(bool Value) { StoreAndRecreate(FHideSelection, Value); }
void TCustomListView::SetMultiSelect(bool Value) { StoreAndRecreate(FMultiSelect, Value); }

void TCustomListView::SetRowSelect(bool Value)
{
    FRowSelect = Value;
    if (HandleAllocated())
        SendMessageA(WindowHandle(), LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT,
                     Value ? LVS_EX_FULLROWSELECT : 0);
}

void TCustomListView::SetSmallImages(TCustomImageList* Value)
{
    if (FSmallImages == Value)
        return;
    if (FSmallImages && FSmallImages != FLargeImages)
        FSmallImages->UnRegisterChanges(&FImageLink);
    FSmallImages = Value;
    if (Value) {
        Value->FreeNotification(this);
        Value->RegisterChanges(&FImageLink);
    }
    ApplyImageLists();
}

void TCustomListView::SetLargeImages(TCustomImageList* Value)
{
    if (!StoreChanged(FLargeImages, Value))
        return;
    if (Value)
        Value->FreeNotification(this);
    ApplyImageLists();
}

void TCustomListView::SetPopupMenu(TPopupMenu* Value)
{
    FPopupMenu = Value;
    if (Value)
        Value->FreeNotification(this);
}

void TCustomListView::ImagesChanged(TObject*)
{
    ApplyImageLists();
}

void TCustomListView::ApplyImageLists()
{
    if (!HandleAllocated())
        return;
    SendMessageA(WindowHandle(), LVM_SETIMAGELIST, LVSIL_SMALL,
                 reinterpret_cast<LPARAM>(FSmallImages ? FSmallImages->Handle() : nullptr));
    SendMessageA(WindowHandle(), LVM_SETIMAGELIST, LVSIL_NORMAL,
                 reinterpret_cast<LPARAM>(FLargeImages ? FLargeImages->Handle() : nullptr));
}

namespace {
int CALLBACK CompareListItems(LPARAM A, LPARAM B, LPARAM Self)
{
    return reinterpret_cast<TCustomListView*>(Self)->CompareItemsFor(reinterpret_cast<TListItem*>(A),
                                                                     reinterpret_cast<TListItem*>(B));
}
} // namespace

int TCustomListView::CompareItemsFor(TListItem* A, TListItem* B)
{
    return CompareItems(A, B);
}

int TCustomListView::CompareItems(TListItem* Item1, TListItem* Item2)
{
    int R = 0;
    if (OnCompare)
        OnCompare(this, Item1, Item2, 0, R);
    else
        R = lstrcmpiA(Item1->Caption().c_str(), Item2->Caption().c_str());
    return R;
}

bool TCustomListView::CustomSort()
{
    if (!HandleAllocated())
        return false;
    const bool Ok = SendMessageA(WindowHandle(), LVM_SORTITEMS, reinterpret_cast<WPARAM>(this),
                                 reinterpret_cast<LPARAM>(&CompareListItems)) != 0;
    SyncOrderFromWindow();
    return Ok;
}

void TCustomListView::SyncOrderFromWindow()
{
    std::vector<std::unique_ptr<TListItem>> Sorted;
    for (int I = 0; I < ItemCount(); ++I) {
        LVITEMA It{};
        It.mask = LVIF_PARAM;
        It.iItem = I;
        SendMessageA(WindowHandle(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&It));
        auto Found = std::find_if(FItems.begin(), FItems.end(), [&](const std::unique_ptr<TListItem>& P) {
            return P && reinterpret_cast<LPARAM>(P.get()) == It.lParam;
        });
        if (Found == FItems.end())
            return; // the window disagrees: keep our order
        Sorted.push_back(std::move(*Found));
    }
    FItems = std::move(Sorted);
}

bool TCustomListView::CanEdit(TListItem* Item)
{
    bool Allow = !FReadOnly;
    if (OnEditing)
        OnEditing(this, Item, Allow);
    return Allow;
}

void TCustomListView::Edit(TListItem* Item, std::string& S)
{
    if (OnEdited)
        OnEdited(this, Item, S);
}

bool TCustomListView::IsCustomDrawn(TCustomDrawTarget Target, TCustomDrawStage Stage)
{
    return Target == dtItem && Stage == cdPrePaint && static_cast<bool>(OnCustomDrawItem);
}

bool TCustomListView::CustomDrawItem(TListItem* Item, TCustomDrawState State, TCustomDrawStage Stage)
{
    bool Default = true;
    if (Stage == cdPrePaint && OnCustomDrawItem)
        OnCustomDrawItem(this, Item, State, Default);
    return Default;
}

void TCustomListView::ColClick(TListColumn* Column)
{
    if (OnColumnClick)
        OnColumnClick(this, Column);
}

std::string TCustomListView::ItemHintText(TListItem* Item)
{
    return Item ? Item->Caption() : std::string();
}

void TCustomListView::DoContextPopup(TPoint MousePos, bool& Handled)
{
    // From the keyboard (Shift+F10, the menu key) the menu opens at the
    // focused item, where the user is, not in the list's corner.
    if (MousePos.x == -1 && MousePos.y == -1)
        if (TListItem* At = ItemFocused()) {
            const TRect Icon = At->DisplayRect(drIcon);
            MousePos = TPoint((Icon.left + Icon.right) / 2, (Icon.top + Icon.bottom) / 2);
        }
    ComCtrlsShared::ContextPopup(this, OnContextPopup, FPopupMenu, MousePos, Handled);
}

LRESULT TCustomListView::CustomDraw(NMLVCUSTOMDRAW* Draw)
{
    auto* It = reinterpret_cast<TListItem*>(Draw->nmcd.lItemlParam);
    return ComCtrlsShared::ItemCustomDraw(Draw->nmcd, Draw->clrText, Draw->clrTextBk, this, FCanvas.get(),
                                          IsCustomDrawn(dtItem, cdPrePaint), [&] {
                                              return !It || IndexOfItem(It) < 0 ||
                                                     CustomDrawItem(It, Draw->nmcd.uItemState, cdPrePaint);
                                          });
}

bool TCustomListView::HandleNotify(NMHDR* Header, LRESULT& Result)
{
    switch (Header->code) {
    case LVN_GETDISPINFOA: {
        auto* D = reinterpret_cast<NMLVDISPINFOA*>(Header);
        TListItem* It = reinterpret_cast<TListItem*>(D->item.lParam);
        if (!It || IndexOfItem(It) < 0)
            It = D->item.iItem >= 0 && D->item.iItem < ItemCount() ? Item(D->item.iItem) : nullptr;
        if (!It)
            return true;
        if ((D->item.mask & LVIF_TEXT) && D->item.pszText && D->item.cchTextMax > 0) {
            const int Sub = D->item.iSubItem;
            std::string T;
            if (Sub == 0)
                T = It->Caption();
            else if (Sub - 1 < static_cast<int>(It->SubItems().size()))
                T = It->SubItems()[static_cast<size_t>(Sub - 1)];
            lstrcpynA(D->item.pszText, T.c_str(), D->item.cchTextMax);
        }
        if (D->item.mask & LVIF_IMAGE)
            D->item.iImage = It->ImageIndex();
        return true;
    }
    case NM_CUSTOMDRAW:
        Result = CustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(Header));
        return true;
    case LVN_BEGINLABELEDITA: {
        auto* D = reinterpret_cast<NMLVDISPINFOA*>(Header);
        TListItem* It = D->item.iItem >= 0 && D->item.iItem < ItemCount() ? Item(D->item.iItem) : nullptr;
        Result = !(It && CanEdit(It));
        return true;
    }
    case LVN_ENDLABELEDITA: {
        auto* D = reinterpret_cast<NMLVDISPINFOA*>(Header);
        TListItem* It = D->item.iItem >= 0 && D->item.iItem < ItemCount() ? Item(D->item.iItem) : nullptr;
        if (It && D->item.pszText) {
            std::string S = D->item.pszText;
            Edit(It, S);
            It->FCaption = S;
            It->Update();
        }
        // The text stays a callback: the control asks the item again.
        Result = FALSE;
        return true;
    }
    case LVN_DELETEALLITEMS:
        // Nothing listens for the items one by one (ClearItems frees their
        // data before the control empties), and being told of each took
        // half a second when a form with 5,000 files closed.
        Result = TRUE;
        return true;
    case LVN_COLUMNCLICK: {
        auto* D = reinterpret_cast<NMLISTVIEW*>(Header);
        if (D->iSubItem >= 0 && D->iSubItem < ColumnCount())
            ColClick(Column(D->iSubItem));
        return true;
    }
    case LVN_ITEMCHANGED: {
        auto* D = reinterpret_cast<NMLISTVIEW*>(Header);
        if ((D->uChanged & LVIF_STATE) && ((D->uOldState ^ D->uNewState) & LVIS_SELECTED) && OnSelectItem &&
            D->iItem >= 0 && D->iItem < ItemCount())
            OnSelectItem(this, Item(D->iItem), (D->uNewState & LVIS_SELECTED) != 0);
        return true;
    }
    default:
        return false;
    }
}

void TCustomListView::WndProc(TMessage& Message)
{
    if (!ComCtrlsShared::ViewMessage(
            this, Message, [this](NMHDR* H, LRESULT& R) { return HandleNotify(H, R); },
            [this](TPoint P, bool& Handled) { DoContextPopup(P, Handled); }))
        TWinControl::WndProc(Message);
}

// ---------------------------------------------------------------------------
// Shared by the two views
// ---------------------------------------------------------------------------

void ComCtrlsShared::ContextPopup(TWinControl* Control, const TContextPopupEvent& Event, TPopupMenu* Menu,
                                  TPoint MousePos, bool& Handled)
{
    if (Event)
        Event(Control, MousePos, Handled);
    if (Handled || !Menu || !Menu->AutoPopup())
        return;
    TPoint P = MousePos;
    if (P.x == -1 && P.y == -1)
        P = TPoint(0, 0);
    const TPoint S = Control->ClientToScreen(P);
    Menu->SetPopupComponent(Control);
    Menu->Popup(S.x, S.y);
    Handled = true;
}

LRESULT ComCtrlsShared::ItemCustomDraw(NMCUSTOMDRAW& Cd, COLORREF& TextColor, COLORREF& TextBkColor,
                                       TWinControl* Control, TCanvas* Canvas, bool WantItems,
                                       const std::function<bool()>& Draw)
{
    switch (Cd.dwDrawStage) {
    case CDDS_PREPAINT:
        return WantItems ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT;
    case CDDS_ITEMPREPAINT: {
        if (!Cd.lItemlParam)
            return CDRF_DODEFAULT;
        Canvas->SetHandle(Cd.hdc);
        Canvas->Font()->Assign(Control->Font());
        Canvas->Brush()->SetColor(Control->Color());
        const bool Default = Draw();
        TextBkColor = ColorToRGB(Canvas->Brush()->Color());
        TextColor = ColorToRGB(Canvas->Font()->Color());
        Canvas->SetHandle(nullptr);
        return Default ? CDRF_NEWFONT : CDRF_SKIPDEFAULT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

bool ComCtrlsShared::ViewMessage(TWinControl* Control, TMessage& Message,
                                 const std::function<bool(NMHDR*, LRESULT&)>& Notify,
                                 const std::function<void(TPoint, bool&)>& Popup)
{
    switch (Message.Msg) {
    case CN_NOTIFY: {
        LRESULT R = 0;
        if (Notify(reinterpret_cast<NMHDR*>(Message.LParam), R)) {
            Message.Result = R;
            return true;
        }
        return false;
    }
    case WM_CONTEXTMENU: {
        bool Handled = false;
        TPoint P(Message.XPos(), Message.YPos());
        if (!(P.x == -1 && P.y == -1))
            P = Control->ScreenToClient(P);
        Popup(P, Handled);
        return Handled;
    }
    default:
        return false;
    }
}

// ---------------------------------------------------------------------------
// THeaderControl
// ---------------------------------------------------------------------------

void THeaderSection::SetWidth(int Value)
{
    if (FWidth == Value)
        return;
    FWidth = Value;
    if (FHeader && FHeader->OnSectionResize)
        FHeader->OnSectionResize(FHeader);
}

THeaderSection* THeaderSections::Items(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw EListError("Section index out of range");
    return FItems[static_cast<size_t>(Index)].get();
}

THeaderSection* THeaderSections::Add()
{
    FItems.push_back(std::unique_ptr<THeaderSection>(new THeaderSection(FHeader)));
    return FItems.back().get();
}

void THeaderSections::Delete(int Index)
{
    Items(Index);
    FItems.erase(FItems.begin() + Index);
}

THeaderControl::THeaderControl(TComponent* AOwner) : TWinControl(AOwner)
{
    FWidth = 250;
    FHeight = 17;
    FAlign = alTop;
}
