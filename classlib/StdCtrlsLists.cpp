// The list and combo boxes of StdCtrls: their item lists, kept while the
// window does not exist, owner drawing and the combo box's edit child.
#include <algorithm>
#include <cctype>

#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"

#include <commctrl.h>

// ---------------------------------------------------------------------------
// Item lists of list and combo boxes
// ---------------------------------------------------------------------------

// The item messages of one window class.
struct TListMessages {
    UINT Add, Insert, Delete, Reset, Count, GetText, GetTextLen, GetData, SetData, GetSel, SetSel;
};

constexpr TListMessages ListBoxMessages{LB_ADDSTRING, LB_INSERTSTRING, LB_DELETESTRING, LB_RESETCONTENT,
                                        LB_GETCOUNT, LB_GETTEXT, LB_GETTEXTLEN, LB_GETITEMDATA,
                                        LB_SETITEMDATA, LB_GETCURSEL, LB_SETCURSEL};
constexpr TListMessages ComboBoxMessages{CB_ADDSTRING, CB_INSERTSTRING, CB_DELETESTRING, CB_RESETCONTENT,
                                         CB_GETCOUNT, CB_GETLBTEXT, CB_GETLBTEXTLEN, CB_GETITEMDATA,
                                         CB_SETITEMDATA, CB_GETCURSEL, CB_SETCURSEL};

// Strings kept in the window while it exists and in a plain list while it
// does not (before creation and across RecreateWnd).
class TWindowListStrings : public TStrings {
public:
    TWindowListStrings(TWinControl* AControl, const TListMessages& AMsgs) : FControl(AControl), FMsgs(AMsgs) {}

    bool Live() const { return FControl->HandleAllocated(); }
    LRESULT Send(UINT Msg, WPARAM W = 0, LPARAM L = 0) const
    {
        return SendMessageA(FControl->WindowHandle(), Msg, W, L);
    }

    std::string Get(int Index) const override
    {
        if (!Live())
            return FSave.Get(Index);
        LRESULT Len = Send(FMsgs.GetTextLen, static_cast<WPARAM>(Index));
        if (Len < 0)
            throw EStringListError(Format("List index out of bounds (%d)", Index));
        std::string S(static_cast<size_t>(Len) + 1, '\0');
        LRESULT Got = Send(FMsgs.GetText, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(S.data()));
        S.resize(static_cast<size_t>(std::max<LRESULT>(Got, 0)));
        return S;
    }
    TObject* GetObject(int Index) const override
    {
        if (!Live())
            return FSave.GetObject(Index);
        LRESULT D = Send(FMsgs.GetData, static_cast<WPARAM>(Index));
        return D == -1 ? nullptr : reinterpret_cast<TObject*>(D);
    }
    void PutObject(int Index, TObject* AObject) override
    {
        if (!Live()) {
            FSave.PutObject(Index, AObject);
            return;
        }
        Send(FMsgs.SetData, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(AObject));
    }
    int Add(const std::string& S) override
    {
        if (!Live())
            return FSave.Add(S);
        LRESULT R = Send(FMsgs.Add, 0, reinterpret_cast<LPARAM>(S.c_str()));
        if (R < 0)
            throw EOutOfResources("Insufficient space to add the item");
        return static_cast<int>(R);
    }
    void Insert(int Index, const std::string& S) override
    {
        if (!Live()) {
            FSave.Insert(Index, S);
            return;
        }
        if (Send(FMsgs.Insert, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(S.c_str())) < 0)
            throw EOutOfResources("Insufficient space to add the item");
    }
    void Delete(int Index) override
    {
        if (!Live()) {
            FSave.Delete(Index);
            return;
        }
        Send(FMsgs.Delete, static_cast<WPARAM>(Index));
    }
    void Clear() override
    {
        if (!Live()) {
            FSave.Clear();
            return;
        }
        Send(FMsgs.Reset);
    }
    int ItemIndex() const { return Live() ? static_cast<int>(Send(FMsgs.GetSel)) : FSaveIndex; }
    void SetItemIndex(int Value)
    {
        if (Live())
            Send(FMsgs.SetSel, static_cast<WPARAM>(Value));
        else
            FSaveIndex = Value;
    }
    // The window was created: move the kept items into it.
    void WindowCreated()
    {
        for (int I = 0; I < FSave.Count(); ++I) {
            int At = Add(FSave.Get(I));
            if (FSave.GetObject(I))
                PutObject(At, FSave.GetObject(I));
        }
        FSave.Clear();
        if (FSaveIndex >= 0)
            Send(FMsgs.SetSel, static_cast<WPARAM>(FSaveIndex));
        FSaveIndex = -1;
    }
    // The window is about to go: keep its items.
    void WindowDestroying()
    {
        FSave.Clear();
        int N = static_cast<int>(Send(FMsgs.Count));
        for (int I = 0; I < N; ++I)
            FSave.AddObject(Get(I), GetObject(I));
        FSaveIndex = static_cast<int>(Send(FMsgs.GetSel));
    }

protected:
    int GetCount() const override { return Live() ? static_cast<int>(Send(FMsgs.Count)) : FSave.Count(); }
    // Many rows added in one update are painted once, at its end.
    void SetUpdateState(bool Updating) override
    {
        if (!Live())
            return;
        Send(WM_SETREDRAW, Updating ? FALSE : TRUE);
        if (!Updating)
            InvalidateRect(FControl->WindowHandle(), nullptr, TRUE);
    }

private:
    TWinControl* FControl;
    TListMessages FMsgs;
    TStringList FSave;
    int FSaveIndex = -1;
};

namespace {
TWindowListStrings* WindowItems(TStrings* Items)
{
    return static_cast<TWindowListStrings*>(Items);
}
} // namespace

TOwnerDrawState OwnerDrawStateOf(UINT ItemState)
{
    struct TPair { UINT Ods; TOwnerDrawState Od; };
    static constexpr TPair Pairs[] = {
        {ODS_SELECTED, odSelected}, {ODS_GRAYED, odGrayed}, {ODS_DISABLED, odDisabled},
        {ODS_CHECKED, odChecked}, {ODS_FOCUS, odFocused}, {ODS_DEFAULT, odDefault},
        {ODS_COMBOBOXEDIT, odComboBoxEdit},
    };
    TOwnerDrawState State = 0;
    for (const TPair& P : Pairs)
        if (ItemState & P.Ods)
            State |= P.Od;
    return State;
}

// ---------------------------------------------------------------------------
// TCustomListBox
// ---------------------------------------------------------------------------

TCustomListBox::TCustomListBox(TComponent* AOwner)
    : TWinControl(AOwner), FItems(new TWindowListStrings(this, ListBoxMessages)),
      FCanvas(std::make_unique<TControlCanvas>(this))
{
    // Its window reports a double click itself (LBN_DBLCLK): the mouse
    // message must not report it a second time.
    FControlStyle = csSetCaption;
    FWidth = 121;
    FHeight = 97;
    FColor = clWindow;
    FParentColor = false;
    Brush()->SetColor(FColor);
    SetTabStop(true);
}

TCustomListBox::~TCustomListBox() = default;

void TCustomListBox::CreateParams(TCreateParams& Params)
{
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, "LISTBOX");
    Params.Style |= LBS_NOTIFY | WS_VSCROLL | LBS_USETABSTOPS;
    static constexpr DWORD StyleBits[] = {
        LBS_HASSTRINGS, LBS_OWNERDRAWFIXED | LBS_HASSTRINGS, LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS,
        LBS_NODATA | LBS_OWNERDRAWFIXED, LBS_NODATA | LBS_OWNERDRAWFIXED,
    };
    Params.Style |= StyleBits[FStyle];
    if (FMultiSelect)
        Params.Style |= FExtendedSelect ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
    if (FSorted && !IsVirtual())
        Params.Style |= LBS_SORT;
    if (FColumns > 0)
        Params.Style |= LBS_MULTICOLUMN | WS_HSCROLL;
    if (!FIntegralHeight)
        Params.Style |= LBS_NOINTEGRALHEIGHT;
    AddBorderStyle(Params, FBorderStyle);
}

void TCustomListBox::CreateWnd()
{
    TWinControl::CreateWnd();
    HWND W = WindowHandle();
    if (FTabWidth > 0)
        SendMessageA(W, LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&FTabWidth));
    if (FColumns > 0)
        SendMessageA(W, LB_SETCOLUMNWIDTH, static_cast<WPARAM>(std::max(Width() / FColumns, 1)), 0);
    if (OwnerDrawn() && FStyle != lbOwnerDrawVariable)
        SendMessageA(W, LB_SETITEMHEIGHT, 0, FItemHeight);
    if (IsVirtual())
        SendMessageA(W, LB_SETCOUNT, static_cast<WPARAM>(FCount), 0);
    else
        WindowItems(FItems.get())->WindowCreated();
}

void TCustomListBox::DestroyWnd()
{
    if (HandleAllocated() && !IsVirtual())
        WindowItems(FItems.get())->WindowDestroying();
    TWinControl::DestroyWnd();
}

void TCustomListBox::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case CN_COMMAND:
        if (HIWORD(Message.WParam) == LBN_SELCHANGE)
            Click();
        else if (HIWORD(Message.WParam) == LBN_DBLCLK)
            DblClick();
        return;
    case CN_DRAWITEM:
        CNDrawItem(Message);
        return;
    case CN_MEASUREITEM: {
        auto& M = *reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
        int Height = FItemHeight;
        if (FStyle == lbOwnerDrawVariable)
            MeasureItem(static_cast<int>(M.itemID), Height);
        M.itemHeight = static_cast<UINT>(std::max(Height, 1));
        Message.Result = 1;
        return;
    }
    default:
        break;
    }
    TWinControl::WndProc(Message);
}

void TCustomListBox::CNDrawItem(TMessage& Message)
{
    const auto& D = *reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
    const TOwnerDrawState State = OwnerDrawStateOf(D.itemState);
    FCanvas->SetHandle(D.hDC);
    FCanvas->SetFont(Font());
    FCanvas->SetBrush(Brush());
    if (State & odSelected) {
        FCanvas->Brush()->SetColor(clHighlight);
        FCanvas->Font()->SetColor(clHighlightText);
    }
    const TRect R(D.rcItem);
    if (static_cast<int>(D.itemID) >= 0)
        DrawItem(static_cast<int>(D.itemID), R, State);
    else
        FCanvas->FillRect(R);
    if (State & odFocused)
        FCanvas->DrawFocusRect(R);
    FCanvas->SetHandle(nullptr);
    Message.Result = 1;
}

void TCustomListBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State)
{
    if (OnDrawItem) {
        OnDrawItem(this, Index, Rect, State);
        return;
    }
    FCanvas->FillRect(Rect);
    FCanvas->TextOut(Rect.left + 2, Rect.top, ItemText(Index));
}

void TCustomListBox::MeasureItem(int Index, int& Height)
{
    if (OnMeasureItem)
        OnMeasureItem(this, Index, Height);
}

std::string TCustomListBox::ItemText(int Index)
{
    if (IsVirtual()) {
        std::string Data;
        if (OnData)
            OnData(this, Index, Data);
        return Data;
    }
    return Index >= 0 && Index < FItems->Count() ? FItems->Get(Index) : std::string();
}

int TCustomListBox::ItemIndex()
{
    if (FMultiSelect && HandleAllocated())
        return static_cast<int>(SendMessageA(WindowHandle(), LB_GETCARETINDEX, 0, 0));
    return WindowItems(FItems.get())->ItemIndex();
}

void TCustomListBox::SetItemIndex(int Value)
{
    if (FMultiSelect && HandleAllocated())
        SendMessageA(WindowHandle(), LB_SETCARETINDEX, static_cast<WPARAM>(Value), FALSE);
    else
        WindowItems(FItems.get())->SetItemIndex(Value);
}

void TCustomListBox::SetItemHeight(int Value)
{
    if (Value < 1 || !StoreChanged(FItemHeight, Value))
        return;
    if (HandleAllocated())
        SendMessageA(WindowHandle(), LB_SETITEMHEIGHT, 0, Value);
}

void TCustomListBox::SetStyle(TListBoxStyle Value)
{
    if (StoreChanged(FStyle, Value))
        RecreateWnd();
}

void TCustomListBox::SetMultiSelect(bool Value)
{
    if (StoreChanged(FMultiSelect, Value))
        RecreateWnd();
}

void TCustomListBox::SetExtendedSelect(bool Value)
{
    if (StoreChanged(FExtendedSelect, Value))
        RecreateWnd();
}

void TCustomListBox::SetSorted(bool Value)
{
    if (StoreChanged(FSorted, Value))
        RecreateWnd();
}

void TCustomListBox::SetColumns(int Value)
{
    if (StoreChanged(FColumns, std::max(Value, 0)))
        RecreateWnd();
}

void TCustomListBox::SetIntegralHeight(bool Value)
{
    if (StoreChanged(FIntegralHeight, Value))
        RecreateWnd();
}

void TCustomListBox::SetTabWidth(int Value)
{
    if (StoreChanged(FTabWidth, std::max(Value, 0)))
        RecreateWnd();
}

void TCustomListBox::SetBorderStyle(TBorderStyle Value)
{
    if (StoreChanged(FBorderStyle, Value))
        RecreateWnd();
}

int TCustomListBox::Count()
{
    if (IsVirtual())
        return HandleAllocated() ? static_cast<int>(SendMessageA(WindowHandle(), LB_GETCOUNT, 0, 0)) : FCount;
    return FItems->Count();
}

void TCustomListBox::SetCount(int Value)
{
    FCount = std::max(Value, 0);
    if (IsVirtual() && HandleAllocated())
        SendMessageA(WindowHandle(), LB_SETCOUNT, static_cast<WPARAM>(FCount), 0);
}

bool TCustomListBox::Selected(int Index)
{
    const LRESULT R = SendMessageA(Handle(), LB_GETSEL, static_cast<WPARAM>(Index), 0);
    if (R == LB_ERR)
        throw EListError(Format("List index out of bounds (%d)", Index));
    return R != 0;
}

void TCustomListBox::SetSelected(int Index, bool Value)
{
    if (FMultiSelect) {
        if (SendMessageA(Handle(), LB_SETSEL, Value ? TRUE : FALSE, Index) == LB_ERR)
            throw EListError(Format("List index out of bounds (%d)", Index));
    } else if (Value) {
        SetItemIndex(Index);
    } else if (ItemIndex() == Index) {
        SetItemIndex(-1);
    }
}

int TCustomListBox::SelCount()
{
    if (!FMultiSelect)
        return ItemIndex() >= 0 ? 1 : 0;
    return static_cast<int>(SendMessageA(Handle(), LB_GETSELCOUNT, 0, 0));
}

int TCustomListBox::TopIndex()
{
    return static_cast<int>(SendMessageA(Handle(), LB_GETTOPINDEX, 0, 0));
}

void TCustomListBox::SetTopIndex(int Value)
{
    SendMessageA(Handle(), LB_SETTOPINDEX, static_cast<WPARAM>(std::max(Value, 0)), 0);
}

int TCustomListBox::ItemAtPos(TPoint Pos, bool Existing)
{
    const int N = Count();
    const TRect Client = ClientRect();
    if (!PtInRect(&Client, Pos))
        return Existing ? -1 : N;
    const LRESULT R = SendMessageA(Handle(), LB_ITEMFROMPOINT, 0, MAKELPARAM(Pos.x, Pos.y));
    if (HIWORD(R) != 0) // below the last item
        return Existing ? -1 : N;
    return static_cast<int>(LOWORD(R));
}

TRect TCustomListBox::ItemRect(int Index)
{
    RECT R{};
    if (Index >= 0 && Index < std::max(Count(), 1))
        SendMessageA(Handle(), LB_GETITEMRECT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&R));
    return TRect(R);
}

// ---------------------------------------------------------------------------
// TCustomComboBox
// ---------------------------------------------------------------------------

namespace {
const char* const ComboEditProp = "TessalyComboEdit";
} // namespace

LRESULT CALLBACK ComboEditProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    auto Owner = static_cast<TCustomComboBox*>(GetPropA(Wnd, ComboEditProp));
    if (!Owner)
        return DefWindowProcA(Wnd, Msg, WParam, LParam);
    WNDPROC Def = Owner->FDefEditProc;
    if (Msg == WM_NCDESTROY) {
        // Give the edit its own procedure back before it goes.
        SetWindowLongPtrA(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Def));
        RemovePropA(Wnd, ComboEditProp);
        Owner->FEditHandle = nullptr;
        return CallWindowProcA(Def, Wnd, Msg, WParam, LParam);
    }
    TMessage M{Msg, WParam, LParam, 0};
    auto Alive = Owner->FAlive;
    try {
        Owner->EditWndProc(M);
    } catch (...) {
        if (Application)
            Application->HandleException(*Alive ? Owner : nullptr);
    }
    return M.Result;
}

TCustomComboBox::TCustomComboBox(TComponent* AOwner)
    : TWinControl(AOwner), FItems(new TWindowListStrings(this, ComboBoxMessages)),
      FCanvas(std::make_unique<TControlCanvas>(this))
{
    FControlStyle = csCaptureMouse | csSetCaption | csDoubleClicks | csFixedHeight;
    FWidth = 145;
    FHeight = 21;
    FColor = clWindow;
    FParentColor = false;
    Brush()->SetColor(FColor);
    SetTabStop(true);
}

TCustomComboBox::~TCustomComboBox() = default;

void TCustomComboBox::CreateParams(TCreateParams& Params)
{
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, "COMBOBOX");
    static constexpr DWORD StyleBits[] = {
        CBS_DROPDOWN, CBS_SIMPLE, CBS_DROPDOWNLIST, CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED,
        CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE,
    };
    Params.Style |= StyleBits[FStyle] | WS_VSCROLL | CBS_HASSTRINGS;
    if (FStyle == csDropDown || FStyle == csSimple)
        Params.Style |= CBS_AUTOHSCROLL;
    if (FSorted)
        Params.Style |= CBS_SORT;
    // The window of a drop-down combo box is as tall as its dropped list.
    if (FStyle != csSimple)
        Params.Height = FHeight + FDropDownCount * std::max(FItemHeight, 16);
}

void TCustomComboBox::CreateWnd()
{
    TWinControl::CreateWnd();
    COMBOBOXINFO Info{};
    Info.cbSize = sizeof(Info);
    if (GetComboBoxInfo(WindowHandle(), &Info)) {
        FListHandle = Info.hwndList;
        if (Info.hwndItem && Info.hwndItem != WindowHandle()) {
            FEditHandle = Info.hwndItem;
            SetPropA(FEditHandle, ComboEditProp, this);
            FDefEditProc = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(FEditHandle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ComboEditProc)));
        }
    }
    SendMessageA(WindowHandle(), CB_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
    if (OwnerDrawn()) {
        SendMessageA(WindowHandle(), CB_SETITEMHEIGHT, 0, FItemHeight);
        SendMessageA(WindowHandle(), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), FItemHeight);
    }
    ApplyCharCase();
    FRecreating = false;
    WindowItems(FItems.get())->WindowCreated();
    // The text set without a window (a form read) goes to the edit part.
    const std::string Kept = TControl::GetText();
    if (FEditHandle && !Kept.empty()) {
        FSettingEditText = true;
        SetWindowTextA(FEditHandle, Kept.c_str());
        FSettingEditText = false;
    }
}

void TCustomComboBox::DestroyWnd()
{
    if (HandleAllocated())
        WindowItems(FItems.get())->WindowDestroying();
    // The items go with the window but come back in the next one: they
    // were not deleted.
    FRecreating = true;
    TWinControl::DestroyWnd();
    FEditHandle = nullptr;
    FListHandle = nullptr;
}

void TCustomComboBox::ApplyCharCase()
{
    if (!FEditHandle)
        return;
    LONG_PTR Style = GetWindowLongPtrA(FEditHandle, GWL_STYLE) & ~static_cast<LONG_PTR>(ES_UPPERCASE | ES_LOWERCASE);
    if (FCharCase == ecUpperCase)
        Style |= ES_UPPERCASE;
    else if (FCharCase == ecLowerCase)
        Style |= ES_LOWERCASE;
    SetWindowLongPtrA(FEditHandle, GWL_STYLE, Style);
}

void TCustomComboBox::DefaultEditHandler(TMessage& Message)
{
    if (FEditHandle && FDefEditProc)
        Message.Result = CallWindowProcA(FDefEditProc, FEditHandle, Message.Msg, Message.WParam, Message.LParam);
}

void TCustomComboBox::EditWndProc(TMessage& Message)
{
    auto Alive = FAlive;
    switch (Message.Msg) {
    case WM_SETFOCUS:
        if (TCustomForm* F = GetParentForm(this))
            F->SetFocusedControl(this);
        break;
    case WM_KEYDOWN: case WM_SYSKEYDOWN: case WM_KEYUP: case WM_SYSKEYUP:
        if (DoKeyMessage(Message))
            return;
        break;
    case WM_CHAR: {
        if (DoKeyMessage(Message))
            return;
        // Edits ignore the case style set after creation on some systems:
        // the letter is turned here.
        if (FCharCase == ecUpperCase)
            Message.WParam = static_cast<WPARAM>(static_cast<unsigned char>(std::toupper(static_cast<int>(Message.WParam))));
        else if (FCharCase == ecLowerCase)
            Message.WParam = static_cast<WPARAM>(static_cast<unsigned char>(std::tolower(static_cast<int>(Message.WParam))));
        DefaultEditHandler(Message);
        if (*Alive && FAutoCloseUp && DroppedDown() && FItems->IndexOf(Text()) >= 0)
            SetDroppedDown(false);
        return;
    }
    case WM_MOUSEWHEEL:
        // The wheel over the edit part belongs to the combo box.
        Message.Result = Perform(WM_MOUSEWHEEL, Message.WParam, Message.LParam);
        return;
    default:
        break;
    }
    if (*Alive)
        DefaultEditHandler(Message);
}

void TCustomComboBox::KeyPress(char& Key)
{
    TWinControl::KeyPress(Key);
    if (Key == 0 || !FAutoDropDown)
        return;
    if (Key == VK_TAB) {
        if (DroppedDown())
            SetDroppedDown(false);
    } else if (Key != VK_BACK && Key != VK_ESCAPE && !DroppedDown()) {
        SetDroppedDown(true);
    }
}

void TCustomComboBox::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case CN_COMMAND:
        switch (HIWORD(Message.WParam)) {
        case CBN_EDITCHANGE:
            if (!FSettingEditText)
                Change();
            return;
        case CBN_SELCHANGE: {
            // The edit part shows the item before handlers read Text.
            const int Index = ItemIndex();
            if (FEditHandle && Index >= 0) {
                FSettingEditText = true;
                SetWindowTextA(FEditHandle, FItems->Get(Index).c_str());
                FSettingEditText = false;
            }
            Click();
            Select();
            return;
        }
        case CBN_DBLCLK: DblClick(); return;
        case CBN_DROPDOWN: DropDown(); return;
        case CBN_CLOSEUP: CloseUp(); return;
        case CBN_SELENDOK: SelEndOk(); return;
        case CBN_SELENDCANCEL: SelEndCancel(); return;
        default: return;
        }
    case CN_DRAWITEM:
        CNDrawItem(Message);
        return;
    case CN_MEASUREITEM:
        CNMeasureItem(Message);
        return;
    case CM_WANTSPECIALKEY:
        // With its list open, Enter and Esc close the list (taking or
        // dropping the choice) rather than press the form's default or
        // cancel button. Asked without the key's message, the window
        // itself never says so.
        if ((Message.WParam == VK_RETURN || Message.WParam == VK_ESCAPE) && DroppedDown()) {
            Message.Result = 1;
            return;
        }
        break;
    case CN_DELETEITEM:
        if (!FRecreating)
            DeleteItem(reinterpret_cast<void*>(reinterpret_cast<DELETEITEMSTRUCT*>(Message.LParam)->itemData));
        Message.Result = 1;
        return;
    default:
        break;
    }
    TWinControl::WndProc(Message);
}

void TCustomComboBox::CNDrawItem(TMessage& Message)
{
    const auto& D = *reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
    TOwnerDrawState State = OwnerDrawStateOf(D.itemState);
    FCanvas->SetHandle(D.hDC);
    FCanvas->SetFont(Font());
    FCanvas->SetBrush(Brush());
    if (State & odSelected) {
        FCanvas->Brush()->SetColor(clHighlight);
        FCanvas->Font()->SetColor(clHighlightText);
    }
    const TRect R(D.rcItem);
    if (static_cast<int>(D.itemID) >= 0)
        DrawItem(static_cast<int>(D.itemID), R, State);
    else if (!(State & odFocused))
        FCanvas->FillRect(R);
    if ((State & odFocused) && FShowItemFocusRect)
        FCanvas->DrawFocusRect(R);
    FCanvas->SetHandle(nullptr);
    Message.Result = 1;
}

void TCustomComboBox::CNMeasureItem(TMessage& Message)
{
    auto& M = *reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
    int Height = FItemHeight;
    if (FStyle == csOwnerDrawVariable && static_cast<int>(M.itemID) >= 0)
        MeasureItem(static_cast<int>(M.itemID), Height);
    M.itemHeight = static_cast<UINT>(std::max(Height, 1));
    Message.Result = 1;
}

void TCustomComboBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State)
{
    if (OnDrawItem) {
        OnDrawItem(this, Index, Rect, State);
        return;
    }
    FCanvas->FillRect(Rect);
    if (Index >= 0 && Index < FItems->Count())
        FCanvas->TextOut(Rect.left + 2, Rect.top, FItems->Get(Index));
}

void TCustomComboBox::MeasureItem(int Index, int& Height)
{
    if (OnMeasureItem)
        OnMeasureItem(this, Index, Height);
}

void TCustomComboBox::Change()
{
    if (OnChange)
        OnChange(this);
}

void TCustomComboBox::Select()
{
    if (OnSelect)
        OnSelect(this);
    else
        Change();
}

void TCustomComboBox::DropDown()
{
    if (OnDropDown)
        OnDropDown(this);
}

void TCustomComboBox::CloseUp()
{
    if (OnCloseUp)
        OnCloseUp(this);
}

int TCustomComboBox::ItemIndex()
{
    return WindowItems(FItems.get())->ItemIndex();
}

void TCustomComboBox::SetItemIndex(int Value)
{
    WindowItems(FItems.get())->SetItemIndex(Value);
}

bool TCustomComboBox::DroppedDown()
{
    return HandleAllocated() && SendMessageA(WindowHandle(), CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void TCustomComboBox::SetDroppedDown(bool Value)
{
    SendMessageA(Handle(), CB_SHOWDROPDOWN, Value ? TRUE : FALSE, 0);
}

void TCustomComboBox::SetDropDownCount(int Value)
{
    if (!StoreChanged(FDropDownCount, std::max(Value, 1)) || !HandleAllocated() || FStyle == csSimple)
        return;
    // The list's height is the window's below the edit part: the window is
    // resized, not made again, so a drop-down under way keeps its window.
    const int Asked = FHeight + FDropDownCount * std::max(FItemHeight, 16);
    SetWindowPos(WindowHandle(), nullptr, 0, 0, FWidth, Asked, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Version 6 combo boxes count their rows themselves, and put the window
    // back to the edit's height at once without repainting what the taller
    // window covered for a moment: that strip is repainted here.
    SendMessageA(WindowHandle(), CB_SETMINVISIBLE, static_cast<WPARAM>(FDropDownCount), 0);
    RECT Now{};
    GetWindowRect(WindowHandle(), &Now);
    if (const HWND Owner = GetParent(WindowHandle()); Owner && Now.bottom - Now.top < Asked) {
        RECT Strip{Now.left, Now.bottom, Now.right, Now.top + Asked};
        MapWindowPoints(nullptr, Owner, reinterpret_cast<POINT*>(&Strip), 2);
        RedrawWindow(Owner, &Strip, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
}

void TCustomComboBox::SetStyle(TComboBoxStyle Value)
{
    if (StoreChanged(FStyle, Value))
        RecreateWnd();
}

void TCustomComboBox::SetSorted(bool Value)
{
    if (StoreChanged(FSorted, Value))
        RecreateWnd();
}

void TCustomComboBox::SetMaxLength(int Value)
{
    if (StoreChanged(FMaxLength, std::max(Value, 0)) && HandleAllocated())
        SendMessageA(WindowHandle(), CB_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
}

void TCustomComboBox::SetCharCase(TEditCharCase Value)
{
    if (StoreChanged(FCharCase, Value))
        ApplyCharCase();
}

int TCustomComboBox::ItemHeight()
{
    if (HandleAllocated() && !OwnerDrawn())
        return static_cast<int>(SendMessageA(WindowHandle(), CB_GETITEMHEIGHT, 0, 0));
    return FItemHeight;
}

void TCustomComboBox::SetItemHeight(int Value)
{
    if (Value < 1 || !StoreChanged(FItemHeight, Value))
        return;
    if (HandleAllocated() && OwnerDrawn())
        RecreateWnd();
}

int TCustomComboBox::SelStart()
{
    DWORD Start = 0;
    SendMessageA(Handle(), CB_GETEDITSEL, reinterpret_cast<WPARAM>(&Start), 0);
    return static_cast<int>(Start);
}

int TCustomComboBox::SelLength()
{
    DWORD Start = 0, End = 0;
    SendMessageA(Handle(), CB_GETEDITSEL, reinterpret_cast<WPARAM>(&Start), reinterpret_cast<LPARAM>(&End));
    return static_cast<int>(End - Start);
}

void TCustomComboBox::SetSelStart(int Value)
{
    SendMessageA(Handle(), CB_SETEDITSEL, 0, MAKELPARAM(Value, Value));
}

void TCustomComboBox::SetSelLength(int Value)
{
    const int Start = SelStart();
    SendMessageA(Handle(), CB_SETEDITSEL, 0, MAKELPARAM(Start, Start + Value));
}

std::string TCustomComboBox::SelText()
{
    const std::string T = Text();
    const int Start = std::min(SelStart(), static_cast<int>(T.size()));
    return T.substr(static_cast<size_t>(Start), static_cast<size_t>(std::max(SelLength(), 0)));
}

void TCustomComboBox::SelectAll()
{
    SendMessageA(Handle(), CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
}
