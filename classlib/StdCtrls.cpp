#include "classlib/StdCtrls.h"

#include <algorithm>
#include <cctype>

#include "classlib/Forms.h"

// True when Caption has the accelerator Key ("&S" in "&Save"; "&&" is a
// literal ampersand).
bool IsAccel(WPARAM Key, const std::string& Caption)
{
    for (size_t I = 0; I + 1 < Caption.size(); ++I) {
        if (Caption[I] != '&')
            continue;
        if (Caption[I + 1] == '&') {
            ++I;
            continue;
        }
        return std::toupper(static_cast<unsigned char>(Caption[I + 1])) ==
               std::toupper(static_cast<int>(Key & 0xFF));
    }
    return false;
}

// ---------------------------------------------------------------------------
// TCustomLabel
// ---------------------------------------------------------------------------

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner)
{
    FControlStyle |= csOpaque | csReplicatable;
    FWidth = 65;
    FHeight = 17;
    FAutoSize = true;
}

UINT TCustomLabel::TextFlags() const
{
    UINT Flags = DT_EXPANDTABS;
    switch (FAlignment) {
    case taLeftJustify: Flags |= DT_LEFT; break;
    case taRightJustify: Flags |= DT_RIGHT; break;
    case taCenter: Flags |= DT_CENTER; break;
    }
    if (FWordWrap)
        Flags |= DT_WORDBREAK;
    if (!FShowAccelChar)
        Flags |= DT_NOPREFIX;
    return DrawTextBiDiModeFlags(Flags);
}

void TCustomLabel::DoDrawText(TRect& Rect, UINT Flags)
{
    std::string Text = GetLabelText();
    // An empty caption still measures one line high.
    if ((Flags & DT_CALCRECT) && (Text.empty() || (FShowAccelChar && Text == "&")))
        Text += ' ';
    TCanvas* C = Canvas();
    C->Font()->Assign(Font());
    if (!Enabled() && (Flags & DT_CALCRECT) == 0) {
        TRect Shifted = Rect;
        OffsetRect(&Shifted, 1, 1);
        C->Font()->SetColor(clBtnHighlight);
        C->DrawText(Text, Shifted, Flags);
        C->Font()->SetColor(clBtnShadow);
        C->DrawText(Text, Rect, Flags);
        return;
    }
    C->DrawText(Text, Rect, Flags);
}

void TCustomLabel::Paint()
{
    TCanvas* C = Canvas();
    TRect R = ClientRect();
    if (!Transparent()) {
        C->Brush()->SetColor(Color());
        C->Brush()->SetStyle(bsSolid);
        C->FillRect(R);
    }
    C->Brush()->SetStyle(bsClear);
    UINT Flags = TextFlags();
    if (FLayout != tlTop) {
        TRect Calc = R;
        DoDrawText(Calc, Flags | DT_CALCRECT);
        int Free = R.Height() - Calc.Height();
        OffsetRect(&R, 0, FLayout == tlBottom ? Free : Free / 2);
    }
    DoDrawText(R, Flags);
}

void TCustomLabel::AdjustBounds()
{
    if (HasState(csLoading) || !FAutoSize)
        return;
    const TWindowDC DC(nullptr);
    TCanvas* C = Canvas();
    C->SetHandle(DC.Get());
    TRect R(0, 0, FWordWrap ? FWidth : 0, 0);
    {
        TScopeExit Lent([C] { C->SetHandle(nullptr); });
        DoDrawText(R, TextFlags() | DT_CALCRECT);
    }
    int X = FLeft;
    if (FAlignment == taRightJustify)
        X += FWidth - R.Width();
    SetBounds(X, FTop, R.Width(), R.Height());
}

void TCustomLabel::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
        Invalidate();
        AdjustBounds();
        return;
    case CM_DIALOGCHAR:
        if (FFocusControl && Enabled() && FShowAccelChar && IsAccel(Message.WParam, Caption()) &&
            FFocusControl->CanFocus()) {
            FFocusControl->SetFocus();
            Message.Result = 1;
        }
        return;
    default:
        break;
    }
    TGraphicControl::WndProc(Message);
}

void TCustomLabel::Loaded()
{
    TGraphicControl::Loaded();
    AdjustBounds();
}

void TCustomLabel::Notification(TComponent* AComponent, TOperation Operation)
{
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FFocusControl)
        FFocusControl = nullptr;
}

void TCustomLabel::SetAlignment(TAlignment Value)
{
    if (!StoreChanged(FAlignment, Value))
        return;
    Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout Value)
{
    if (!StoreChanged(FLayout, Value))
        return;
    Invalidate();
}

void TCustomLabel::SetWordWrap(bool Value)
{
    if (!StoreChanged(FWordWrap, Value))
        return;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool Value)
{
    if (!StoreChanged(FShowAccelChar, Value))
        return;
    Invalidate();
}

void TCustomLabel::SetTransparent(bool Value)
{
    if (Value == Transparent())
        return;
    if (Value)
        FControlStyle &= ~csOpaque;
    else
        FControlStyle |= csOpaque;
    Invalidate();
}

void TCustomLabel::SetAutoSize(bool Value)
{
    if (!StoreChanged(FAutoSize, Value))
        return;
    AdjustBounds();
}

void TCustomLabel::SetFocusControl(TWinControl* Value)
{
    if (!StoreChanged(FFocusControl, Value))
        return;
    if (Value)
        Value->FreeNotification(this);
}

const TPropertyTable* TCustomLabel::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TCustomLabel::ClassProperties()
{
    static const TPropertyTable Table(&TControl::ClassProperties(), {
        OrdProp("Alignment", &TCustomLabel::Alignment, &TCustomLabel::SetAlignment),
        OrdProp("Layout", &TCustomLabel::Layout, &TCustomLabel::SetLayout),
        OrdProp("WordWrap", &TCustomLabel::WordWrap, &TCustomLabel::SetWordWrap),
        OrdProp("ShowAccelChar", &TCustomLabel::ShowAccelChar, &TCustomLabel::SetShowAccelChar),
        OrdProp("Transparent", &TCustomLabel::Transparent, &TCustomLabel::SetTransparent),
    });
    return Table;
}

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

private:
    TWinControl* FControl;
    TListMessages FMsgs;
    TStringList FSave;
    int FSaveIndex = -1;
};

// ---------------------------------------------------------------------------
// TCustomEdit
// ---------------------------------------------------------------------------

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner)
{
    FControlStyle = csClickEvents | csSetCaption | csDoubleClicks | csFixedHeight;
    FWidth = 121;
    FHeight = 21;
    FColor = clWindow;
    FParentColor = false;
    Brush()->SetColor(FColor);
    SetTabStop(true);
}

void TCustomEdit::CreateParams(TCreateParams& Params)
{
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, "EDIT");
    Params.Style |= ES_AUTOHSCROLL | ES_AUTOVSCROLL;
    if (FReadOnly)
        Params.Style |= ES_READONLY;
    if (FBorderStyle == bsSingle)
        Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomEdit::CreateWnd()
{
    TWinControl::CreateWnd();
    SendMessageA(WindowHandle(), EM_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
    SendMessageA(WindowHandle(), EM_SETMODIFY, FModified ? TRUE : FALSE, 0);
}

void TCustomEdit::WndProc(TMessage& Message)
{
    if (Message.Msg == CN_COMMAND && HIWORD(Message.WParam) == EN_CHANGE) {
        Change();
        return;
    }
    if (Message.Msg == WM_NCDESTROY)
        FModified = SendMessageA(WindowHandle(), EM_GETMODIFY, 0, 0) != 0;
    TWinControl::WndProc(Message);
}

void TCustomEdit::Change()
{
    Perform(CM_TEXTCHANGED);
    if (OnChange)
        OnChange(this);
}

void TCustomEdit::SetReadOnly(bool Value)
{
    if (!StoreChanged(FReadOnly, Value))
        return;
    if (HandleAllocated())
        SendMessageA(WindowHandle(), EM_SETREADONLY, Value ? TRUE : FALSE, 0);
}

void TCustomEdit::SetMaxLength(int Value)
{
    if (!StoreChanged(FMaxLength, Value))
        return;
    if (HandleAllocated())
        SendMessageA(WindowHandle(), EM_LIMITTEXT, static_cast<WPARAM>(Value), 0);
}

void TCustomEdit::SetBorderStyle(TBorderStyle Value)
{
    if (!StoreChanged(FBorderStyle, Value))
        return;
    RecreateWnd();
}

int TCustomEdit::SelStart()
{
    DWORD Start = 0;
    SendMessageA(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&Start), 0);
    return static_cast<int>(Start);
}

int TCustomEdit::SelLength()
{
    DWORD Start = 0, End = 0;
    SendMessageA(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&Start), reinterpret_cast<LPARAM>(&End));
    return static_cast<int>(End - Start);
}

void TCustomEdit::SetSelStart(int Value)
{
    SendMessageA(Handle(), EM_SETSEL, static_cast<WPARAM>(Value), Value);
}

void TCustomEdit::SetSelLength(int Value)
{
    int Start = SelStart();
    SendMessageA(Handle(), EM_SETSEL, static_cast<WPARAM>(Start), Start + Value);
}

void TCustomEdit::SelectAll()
{
    SendMessageA(Handle(), EM_SETSEL, 0, -1);
}

bool TCustomEdit::Modified()
{
    if (HandleAllocated())
        return SendMessageA(WindowHandle(), EM_GETMODIFY, 0, 0) != 0;
    return FModified;
}

void TCustomEdit::SetModified(bool Value)
{
    FModified = Value;
    if (HandleAllocated())
        SendMessageA(WindowHandle(), EM_SETMODIFY, Value ? TRUE : FALSE, 0);
}

// ---------------------------------------------------------------------------
// TCustomListBox
// ---------------------------------------------------------------------------

TCustomListBox::TCustomListBox(TComponent* AOwner)
    : TWinControl(AOwner), FItems(new TWindowListStrings(this, ListBoxMessages))
{
    FControlStyle = csSetCaption | csDoubleClicks;
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
    Params.Style |= LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
    Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomListBox::CreateWnd()
{
    TWinControl::CreateWnd();
    static_cast<TWindowListStrings*>(FItems.get())->WindowCreated();
}

void TCustomListBox::DestroyWnd()
{
    if (HandleAllocated())
        static_cast<TWindowListStrings*>(FItems.get())->WindowDestroying();
    TWinControl::DestroyWnd();
}

void TCustomListBox::WndProc(TMessage& Message)
{
    if (Message.Msg == CN_COMMAND) {
        if (HIWORD(Message.WParam) == LBN_SELCHANGE)
            Click();
        return;
    }
    TWinControl::WndProc(Message);
}

int TCustomListBox::ItemIndex()
{
    return static_cast<TWindowListStrings*>(FItems.get())->ItemIndex();
}

void TCustomListBox::SetItemIndex(int Value)
{
    static_cast<TWindowListStrings*>(FItems.get())->SetItemIndex(Value);
}

void TCustomListBox::SetItemHeight(int Value)
{
    if (Value == FItemHeight || Value < 1)
        return;
    FItemHeight = Value;
    if (HandleAllocated())
        SendMessageA(WindowHandle(), LB_SETITEMHEIGHT, 0, Value);
}

// ---------------------------------------------------------------------------
// TCustomComboBox
// ---------------------------------------------------------------------------

namespace {
const char* const ComboEditProp = "TessalyComboEdit";
}

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
    : TWinControl(AOwner), FItems(new TWindowListStrings(this, ComboBoxMessages))
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
    Params.Style |= FComboStyle | CBS_AUTOHSCROLL | WS_VSCROLL;
    // The window height of a combo box includes its dropped-down list.
    Params.Height = FHeight + FDropDownCount * 16;
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
    static_cast<TWindowListStrings*>(FItems.get())->WindowCreated();
}

void TCustomComboBox::DestroyWnd()
{
    if (HandleAllocated())
        static_cast<TWindowListStrings*>(FItems.get())->WindowDestroying();
    TWinControl::DestroyWnd();
    FEditHandle = nullptr;
    FListHandle = nullptr;
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
    case WM_KEYDOWN: case WM_SYSKEYDOWN: case WM_KEYUP: case WM_SYSKEYUP: case WM_CHAR:
        if (DoKeyMessage(Message))
            return;
        break;
    default:
        break;
    }
    if (*Alive)
        DefaultEditHandler(Message);
}

void TCustomComboBox::WndProc(TMessage& Message)
{
    if (Message.Msg == CN_COMMAND) {
        switch (HIWORD(Message.WParam)) {
        case CBN_EDITCHANGE:
        case CBN_SELCHANGE:
            Change();
            return;
        case CBN_DROPDOWN:
            if (OnDropDown)
                OnDropDown(this);
            return;
        default:
            return;
        }
    }
    TWinControl::WndProc(Message);
}

void TCustomComboBox::Change()
{
    if (OnChange)
        OnChange(this);
}

int TCustomComboBox::ItemIndex()
{
    return static_cast<TWindowListStrings*>(FItems.get())->ItemIndex();
}

void TCustomComboBox::SetItemIndex(int Value)
{
    static_cast<TWindowListStrings*>(FItems.get())->SetItemIndex(Value);
}

bool TCustomComboBox::DroppedDown()
{
    return HandleAllocated() && SendMessageA(WindowHandle(), CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void TCustomComboBox::SetDroppedDown(bool Value)
{
    SendMessageA(Handle(), CB_SHOWDROPDOWN, Value ? TRUE : FALSE, 0);
}

void TCustomComboBox::SetComboStyle(DWORD Value)
{
    if (!StoreChanged(FComboStyle, Value))
        return;
    RecreateWnd();
}

// ---------------------------------------------------------------------------
// TButton
// ---------------------------------------------------------------------------

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner)
{
    FControlStyle = csSetCaption | csDoubleClicks;
    FWidth = 75;
    FHeight = 25;
    FColor = clBtnFace;
    FParentColor = false;
    Brush()->SetColor(FColor);
    SetTabStop(true);
}

void TButton::CreateParams(TCreateParams& Params)
{
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, "BUTTON");
    Params.Style |= FDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::SetDefault(bool Value)
{
    if (!StoreChanged(FDefault, Value))
        return;
    if (HandleAllocated())
        SendMessageA(WindowHandle(), BM_SETSTYLE, Value ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

bool TButton::Active() const
{
    if (Focused())
        return true;
    return FDefault && !dynamic_cast<TButton*>(FindControl(GetFocus()));
}

void TButton::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case CN_COMMAND:
        if (HIWORD(Message.WParam) == BN_CLICKED)
            Click();
        return;
    case CM_DIALOGKEY:
        if (((Message.WParam == VK_RETURN && Active()) || (Message.WParam == VK_ESCAPE && FCancel)) &&
            (KeyDataToShiftState(Message.LParam) & (ssShift | ssAlt | ssCtrl)) == 0 && Visible() && Enabled()) {
            Click();
            Message.Result = 1;
        }
        return;
    default:
        break;
    }
    TWinControl::WndProc(Message);
}

void TButton::Click()
{
    auto Alive = FAlive;
    if (TCustomForm* F = GetParentForm(this); F && FModalResult != mrNone)
        F->SetModalResult(FModalResult);
    if (*Alive)
        TWinControl::Click();
}

// ---------------------------------------------------------------------------
// TCustomRichEdit
// ---------------------------------------------------------------------------

TCustomRichEdit::TCustomRichEdit(TComponent* AOwner) : TCustomEdit(AOwner)
{
    FWidth = 185;
    FHeight = 89;
}

void TCustomRichEdit::CreateParams(TCreateParams& Params)
{
    static HMODULE Lib = LoadLibraryA("riched20.dll");
    if (!Lib)
        throw EOutOfResources("The rich edit library could not be loaded");
    TCustomEdit::CreateParams(Params);
    CreateSubClass(Params, "RichEdit20A");
    Params.Style |= ES_MULTILINE | WS_VSCROLL | ES_AUTOVSCROLL;
    Params.Style &= ~static_cast<DWORD>(ES_AUTOHSCROLL);
}
