// The page control and its tab sheets: the page list, switching pages with
// its event rules, hidden tabs, focus, closing and moving pages, page
// colours and Ctrl+Tab.
#include <algorithm>

#include "classlib/Filer.h"
#include "classlib/Forms.h"
#include "classlib/ResStrings.h"
#include "controls/RzTabs.h"

// ---------------------------------------------------------------------------
// TRzTabSheet
// ---------------------------------------------------------------------------

TRzTabSheet::TRzTabSheet(TComponent* AOwner) : TCustomControl(AOwner)
{
    FControlStyle |= csAcceptsControls | csOpaque | csNoDesignVisible;
    TControl::SetVisible(false);
    SetAlign(alClient);
}

TRzTabSheet::~TRzTabSheet()
{
    if (FPageControl)
        FPageControl->RemovePage(this);
}

void TRzTabSheet::CreateParams(TCreateParams& Params)
{
    TCustomControl::CreateParams(Params);
    Params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TRzTabSheet::WndProc(TMessage& Message)
{
    auto Alive = FAlive;
    switch (Message.Msg) {
    case WM_ERASEBKGND:
        Message.Result = 1;
        return;
    case CM_TEXTCHANGED:
        TCustomControl::WndProc(Message);
        if (*Alive)
            TabsChanged();
        return;
    case CM_CONTROLCHANGE:
        TCustomControl::WndProc(Message);
        // The form undocked from this page has left it.
        if (*Alive && Message.LParam == 0 && FPageControl && FPageControl->FUndockPage == this)
            FPageControl->UndockPageEmptied(this);
        return;
    case CM_SHOWINGCHANGED: {
        TCustomControl::WndProc(Message);
        if (!*Alive)
            return;
        const bool Now = Showing();
        if (Now != FWasShowing) {
            FWasShowing = Now;
            if (Now && OnShow)
                OnShow(this);
            else if (!Now && OnHide)
                OnHide(this);
        }
        return;
    }
    default:
        break;
    }
    TCustomControl::WndProc(Message);
}

void TRzTabSheet::Paint()
{
    const TRect R(0, 0, Width(), Height());
    bool Handled = false;
    if (OnPaintBackground)
        OnPaintBackground(this, Canvas(), R, Handled);
    if (!Handled)
        FillSolidRect(Canvas()->Handle(), R, Color());
}

void TRzTabSheet::TabsChanged()
{
    if (FPageControl)
        FPageControl->UpdateTabs();
}

void TRzTabSheet::SetPageControl(TRzPageControl* Value)
{
    if (Value == FPageControl)
        return;
    if (FPageControl)
        FPageControl->RemovePage(this);
    SetParent(Value);
    if (Value)
        Value->InsertPage(this);
}

void TRzTabSheet::SetTabColor(TColor Value)
{
    if (Value == Color())
        return;
    // A page of its own colour makes the page control colour each tab.
    if (FPageControl && !FPageControl->UseColoredTabs() && Value != FPageControl->Color())
        FPageControl->SetUseColoredTabs(true);
    SetColor(Value);
    Invalidate();
    TabsChanged();
}

void TRzTabSheet::SetDisabledIndex(int Value)
{
    if (StoreChanged(FDisabledIndex, Value))
        TabsChanged();
}

void TRzTabSheet::SetImageIndex(int Value)
{
    if (StoreChanged(FImageIndex, Value))
        TabsChanged();
}

void TRzTabSheet::SetTabEnabled(bool Value)
{
    if (StoreChanged(FTabEnabled, Value))
        TabsChanged();
}

void TRzTabSheet::SetTabVisible(bool Value)
{
    if (StoreChanged(FTabVisible, Value))
        TabsChanged();
}

int TRzTabSheet::PageIndex() const
{
    if (!FPageControl)
        return -1;
    const auto& Pages = FPageControl->FPages;
    const auto It = std::find(Pages.begin(), Pages.end(), this);
    return It == Pages.end() ? -1 : static_cast<int>(It - Pages.begin());
}

void TRzTabSheet::SetPageIndex(int Value)
{
    if (!FPageControl)
        return;
    const int Max = FPageControl->PageCount() - 1;
    if (Value < 0 || Value > Max)
        throw ERzTabControlError(Format(LoadResString(SRzInvalidPageIndex), Value, Max));
    FPageControl->MovePage(this, Value);
}

int TRzTabSheet::TabIndex() const
{
    if (!FTabVisible || !FPageControl)
        return -1;
    int Index = 0;
    for (const TRzTabSheet* P : FPageControl->FPages) {
        if (P == this)
            return Index;
        if (P->FTabVisible)
            ++Index;
    }
    return -1;
}

void TRzTabSheet::SetVisible(bool)
{
    throw ERzTabControlError(LoadResString(SRzCannotChangePageVisible));
}

// ---------------------------------------------------------------------------
// TRzPageControl
// ---------------------------------------------------------------------------

TRzPageControl::TRzPageControl(TComponent* AOwner) : TRzCustomTabControl(AOwner)
{
    FControlStyle = (FControlStyle | csOpaque) & ~csAcceptsControls;
    SetBounds(Left(), Top(), 300, 150);
    // A stored page control holds its pages: they are read by class name.
    static const bool SheetRegistered = [] {
        RegisterComponentClass<TRzTabSheet>();
        return true;
    }();
    (void)SheetRegistered;
}

TRzPageControl::~TRzPageControl()
{
    // Pages freed after the control must not call back into it.
    for (TRzTabSheet* P : FPages)
        P->FPageControl = nullptr;
    FPages.clear();
    FActivePage = nullptr;
}

void TRzPageControl::CreateParams(TCreateParams& Params)
{
    TRzCustomTabControl::CreateParams(Params);
    Params.Style |= WS_CLIPCHILDREN;
}

int TRzPageControl::GetActivePageIndex() const
{
    return FActivePage ? FActivePage->PageIndex() : -1;
}

void TRzPageControl::SetActivePageIndex(int Index)
{
    if (Index >= 0 && Index < PageCount())
        SetActivePage(GetPage(Index));
    else
        SetTabIndex(-1);
}

void TRzPageControl::SetActivePageDefault(TRzTabSheet* Value)
{
    if (FActivePageDefault == Value)
        return;
    if (FActivePageDefault)
        FActivePageDefault->RemoveFreeNotification(this);
    FActivePageDefault = Value;
    if (Value)
        Value->FreeNotification(this);
}

void TRzPageControl::Notification(TComponent* AComponent, TOperation Operation)
{
    TRzCustomTabControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FActivePageDefault)
        FActivePageDefault = nullptr;
}

void TRzPageControl::SetSaveResources(bool Value)
{
    if (!StoreChanged(FSaveResources, Value) || !Value || HasState(csDesigning))
        return;
    for (TRzTabSheet* P : FPages)
        if (P != FActivePage && P->HandleAllocated())
            P->DestroyHandle();
}

void TRzPageControl::InsertPage(TRzTabSheet* Page)
{
    FPages.push_back(Page);
    Page->FPageControl = this;
    UpdateTabs();
}

void TRzPageControl::RemovePage(TRzTabSheet* Page)
{
    // While the control goes (with its form) no page change is announced:
    // the handlers would reach controls already freed with their pages.
    if (Page == FActivePage && HasState(csDestroying))
        FActivePage = nullptr;
    else if (Page == FActivePage)
        SetActivePage(nullptr);
    FPages.erase(std::remove(FPages.begin(), FPages.end(), Page), FPages.end());
    Page->FPageControl = nullptr;
    if (!HasState(csDestroying))
        UpdateTabs();
}

void TRzPageControl::MovePage(TRzTabSheet* Page, int NewIndex)
{
    const int Old = Page->PageIndex();
    if (Old < 0 || Old == NewIndex)
        return;
    FPages.erase(FPages.begin() + Old);
    FPages.insert(FPages.begin() + NewIndex, Page);
    UpdateTabs();
    if (OnTabOrderChange)
        OnTabOrderChange(this, Old, NewIndex);
}

TRzTabSheet* TRzPageControl::PageForTab(int TabIdx) const
{
    if (TabIdx < 0)
        return nullptr;
    for (TRzTabSheet* P : FPages)
        if (P->TabIndex() == TabIdx)
            return P;
    return nullptr;
}

void TRzPageControl::UpdateTabs()
{
    Tabs()->Clear();
    for (TRzTabSheet* P : FPages) {
        if (!P->TabVisible())
            continue;
        auto T = new TRzTabData;
        T->Assign(P);
        Tabs()->Add(T);
    }
    // The strip follows the active page; this is no change of page, so no
    // event fires.
    if (FActivePage) {
        const int Tab = FActivePage->TabIndex();
        FTabIndex = Tab;
    }
    TRzCustomTabControl::UpdateTabs();
}

void TRzPageControl::RepairTabIndex()
{
    // The selection is the active page's tab, never one of the strip's own
    // choosing.
    const int Tab = FActivePage ? FActivePage->TabIndex() : -1;
    if (FTabIndex >= 0 && Tab != FTabIndex) {
        FTabIndex = Tab;
        Repaint();
    }
}

bool TRzPageControl::CanChange(int NewIndex)
{
    bool Allow = true;
    if (!FUpdating && OnChanging)
        OnChanging(this, NewIndex, Allow);
    if (Allow)
        ChangeActivePage(PageForTab(NewIndex));
    return Allow;
}

void TRzPageControl::DoChange()
{
    if (!FUpdating)
        TRzCustomTabControl::DoChange();
}

void TRzPageControl::DoPageChange()
{
    if (!FUpdating)
        TRzCustomTabControl::DoPageChange();
}

void TRzPageControl::SetActivePage(TRzTabSheet* Page)
{
    if (Page && Page->FPageControl != this)
        return;
    if (HasState(csLoading | csReading)) {
        FActivePage = Page;
        return;
    }
    const int Tab = Page ? Page->TabIndex() : -1;
    if (Tab < 0) {
        ChangeActivePage(Page);
        DoPageChange();
    }
    SetTabIndex(Tab);
}

void TRzPageControl::ChangeActivePage(TRzTabSheet* Page)
{
    if (Page == FActivePage)
        return;
    TCustomForm* Form = GetParentForm(this);
    TRzTabSheet* Old = FActivePage;
    if (Form && Old && Form->ActiveControl() && Old->ContainsControl(Form->ActiveControl()))
        Form->SetActiveControl(Old);
    if (Page) {
        Page->BringToFront();
        Page->TControl::SetVisible(true);
        if (Form && Old && Form->ActiveControl() == Old)
            Form->SetActiveControl(Page->CanFocus() ? static_cast<TWinControl*>(Page) : this);
    }
    if (Old) {
        Old->TControl::SetVisible(false);
        if (FSaveResources && !HasState(csDesigning) && Old->HandleAllocated())
            Old->DestroyHandle();
    }
    FActivePage = Page;
    if (Form && Page && Form->ActiveControl() == Page)
        Page->SelectNext(nullptr, true, true);
}

TRzTabSheet* TRzPageControl::FindNextPage(TRzTabSheet* Current, bool GoForward, bool CheckTabVisible) const
{
    const int N = PageCount();
    if (N == 0)
        return nullptr;
    int Start = Current ? Current->PageIndex() : -1;
    if (Start < 0)
        Start = GoForward ? N - 1 : 0;
    int I = Start;
    do {
        I = GoForward ? (I + 1) % N : (I + N - 1) % N;
        TRzTabSheet* P = FPages[static_cast<size_t>(I)];
        if (!CheckTabVisible || P->TabVisible())
            return P;
    } while (I != Start);
    return nullptr;
}

void TRzPageControl::SelectNextPage(bool GoForward)
{
    if (TRzTabSheet* P = FindNextPage(FActivePage, GoForward, true))
        SetActivePage(P);
}

void TRzPageControl::CloseActiveTab()
{
    if (!FActivePage)
        return;
    const int Was = TabIndex();
    FActivePage->Free();
    SetTabIndex(Was == 0 ? 0 : Was - 1);
}

void TRzPageControl::MoveActiveTab(int NewIndex)
{
    if (!FActivePage)
        return;
    // A tab index names the page holding that tab; with hidden tabs the
    // page's position differs.
    TRzTabSheet* Target = PageForTab(NewIndex);
    FActivePage->SetPageIndex(Target ? Target->PageIndex() : NewIndex);
}

void TRzPageControl::SetUseColoredTabs(bool Value)
{
    const bool Was = UseColoredTabs();
    TRzCustomTabControl::SetUseColoredTabs(Value);
    if (Was && !Value && Parent())
        Perform(CM_COLORCHANGED);
}

void TRzPageControl::HideAllTabs()
{
    for (TRzTabSheet* P : FPages)
        P->SetTabVisible(false);
}

void TRzPageControl::ShowAllTabs()
{
    for (TRzTabSheet* P : FPages)
        P->SetTabVisible(true);
}

bool TRzPageControl::DoPaintCardBackground(TCanvas* ACanvas, int ARow, const TRect& ARect)
{
    if (TRzCustomTabControl::DoPaintCardBackground(ACanvas, ARow, ARect))
        return true;
    if (ARow != 0 || TabIndex() < 0 || !FActivePage)
        return false;
    FillSolidRect(ACanvas->Handle(), ARect, FActivePage->Color());
    return true;
}

void TRzPageControl::ShowControl(TControl* AControl)
{
    if (auto P = dynamic_cast<TRzTabSheet*>(AControl); P && P->FPageControl == this)
        SetActivePage(P);
    TRzCustomTabControl::ShowControl(AControl);
}

void TRzPageControl::Loaded()
{
    TRzCustomTabControl::Loaded();
    FUpdating = true;
    TScopeExit Done([this] { FUpdating = false; });
    FTabIndex = -1;
    TRzTabSheet* Show = FActivePage;
    if (FActivePageDefault && FActivePageDefault != FActivePage) {
        if (FActivePage)
            FActivePage->TControl::SetVisible(false);
        Show = FActivePageDefault;
    }
    FActivePage = nullptr;
    UpdateTabs();
    SetActivePage(Show);
}

void TRzPageControl::WndProc(TMessage& Message)
{
    auto Alive = FAlive;
    switch (Message.Msg) {
    case CM_DIALOGKEY: {
        TRzCustomTabControl::WndProc(Message);
        if (!*Alive || Message.Result != 0 || Message.WParam != VK_TAB)
            return;
        const TShiftState Shift = KeyboardStateToShiftState();
        TCustomForm* Form = GetParentForm(this);
        TWinControl* Active = Form ? Form->ActiveControl() : nullptr;
        if (!(Shift & ssCtrl) || !Active || (Active != this && !ContainsControl(Active)))
            return;
        SelectNextPage(!(Shift & ssShift));
        Message.Result = 1;
        return;
    }
    case WM_SETFOCUS:
        TRzCustomTabControl::WndProc(Message);
        if (*Alive && FActivePage && !FActivePage->TabVisible()) {
            for (int I = 0; I < FActivePage->ControlCount(); ++I)
                if (auto W = dynamic_cast<TWinControl*>(FActivePage->Controls(I)); W && W->CanFocus()) {
                    W->SetFocus();
                    break;
                }
        }
        return;
    case CM_COLORCHANGED:
        if (!UseColoredTabs())
            for (TRzTabSheet* P : FPages)
                P->SetColor(Color());
        break;
    case CM_DOCKCLIENT:
        DockClient(reinterpret_cast<TControl*>(Message.WParam));
        return;
    case CM_DOCKNOTIFICATION:
        DockNotification(reinterpret_cast<TControl*>(Message.WParam), static_cast<UINT>(Message.LParam));
        return;
    case CM_UNDOCKCLIENT:
        UndockClient(reinterpret_cast<TControl*>(Message.LParam));
        return;
    default:
        break;
    }
    TRzCustomTabControl::WndProc(Message);
}
