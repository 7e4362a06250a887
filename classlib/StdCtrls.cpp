#include "classlib/StdCtrls.h"

#include <algorithm>
#include <cctype>

#include "classlib/Clipbrd.h"
#include "classlib/Forms.h"
#include "classlib/PathForms.h"

namespace {

// One UTF-16 unit in the code page when it reads back as itself, else
// "?": the code page's look-alike (best fit) would name another folder.
std::string ExactAnsiOrQuestionMark(wchar_t C)
{
    const std::string Ansi = ExactAnsi(std::wstring(1, C));
    return Ansi.empty() ? "?" : Ansi;
}

std::string ExactAnsiOrQuestionMarks(const std::wstring& Wide)
{
    std::string Text;
    for (wchar_t C : Wide)
        Text += ExactAnsiOrQuestionMark(C);
    return Text;
}

const char* const AnsiProcProp = "Tessaly.AnsiProc";

// Sits in front of an edit's own procedure as a wide one, so that a typed
// character arrives as it was typed, before the system turns it into the
// code page's nearest letter for the ANSI procedure behind.
LRESULT CALLBACK WideCharsProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    const auto Ansi = reinterpret_cast<WNDPROC>(GetPropA(Wnd, AnsiProcProp));
    if (!Ansi)
        return DefWindowProcW(Wnd, Msg, WParam, LParam);
    // An input method's character is a typed one; Shift+Insert is the
    // paste the field filters, which the edit would do on its own.
    if (Msg == WM_IME_CHAR)
        Msg = WM_CHAR;
    if (Msg == WM_KEYDOWN && WParam == VK_INSERT && GetKeyState(VK_SHIFT) < 0 && GetKeyState(VK_CONTROL) >= 0)
        return CallWindowProcW(Ansi, Wnd, WM_PASTE, 0, 0);
    if (Msg == WM_CHAR && ExactAnsiOrQuestionMark(static_cast<wchar_t>(WParam)) == "?")
        WParam = '?';
    if (Msg == WM_NCDESTROY) {
        RemovePropA(Wnd, AnsiProcProp);
        SetWindowLongPtrW(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Ansi));
    }
    return CallWindowProcW(Ansi, Wnd, Msg, WParam, LParam);
}

void HearWideChars(HWND Wnd)
{
    const auto Ansi = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(Wnd, GWLP_WNDPROC));
    SetPropA(Wnd, AnsiProcProp, reinterpret_cast<HANDLE>(Ansi));
    SetWindowLongPtrW(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WideCharsProc));
}
TBeepHook& BeepHook()
{
    static TBeepHook Hook;
    return Hook;
}
} // namespace

unsigned GKeyboardSearchDelay = 1500;

void SetBeepHook(TBeepHook Hook)
{
    BeepHook() = std::move(Hook);
}

void ControlBeep(UINT Kind)
{
    if (BeepHook())
        BeepHook()(Kind);
    else
        MessageBeep(Kind);
}

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
    if (FCharCase == ecUpperCase)
        Params.Style |= ES_UPPERCASE;
    else if (FCharCase == ecLowerCase)
        Params.Style |= ES_LOWERCASE;
    if (!FHideSelection)
        Params.Style |= ES_NOHIDESEL;
    AddBorderStyle(Params, FBorderStyle);
}

void TCustomEdit::CreateWnd()
{
    TWinControl::CreateWnd();
    SendMessageA(WindowHandle(), EM_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
    SendMessageA(WindowHandle(), EM_SETMODIFY, FModified ? TRUE : FALSE, 0);
    if (FPasswordChar != 0)
        SendMessageA(WindowHandle(), EM_SETPASSWORDCHAR, static_cast<unsigned char>(FPasswordChar), 0);
    if (FMarginLeft >= 0)
        SendMessageA(WindowHandle(), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN,
                     MAKELPARAM(FMarginLeft, FMarginRight));
    if (FExactAnsiInput)
        HearWideChars(WindowHandle());
}

void TCustomEdit::SetExactAnsiInput(bool Value)
{
    if (!StoreChanged(FExactAnsiInput, Value))
        return;
    RecreateWnd();
}

void TCustomEdit::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case CN_COMMAND:
        if (HIWORD(Message.WParam) == EN_CHANGE) {
            Change();
            return;
        }
        break;
    case WM_NCDESTROY:
        FModified = SendMessageA(WindowHandle(), EM_GETMODIFY, 0, 0) != 0;
        break;
    case CM_ENTER:
        DoAutoSelect();
        break;
    case WM_PASTE:
        // The clipboard's CF_TEXT, or the edit's own reading of it, holds
        // the look-alikes already; its wide text still has the letters.
        if (FExactAnsiInput && HandleAllocated() && !FReadOnly) {
            // A one-line field takes the first line: a path copied with its
            // line end is still that path.
            std::wstring Wide = Clipboard().AsWideText();
            if ((GetWindowLongA(WindowHandle(), GWL_STYLE) & ES_MULTILINE) == 0)
                Wide.erase(std::min(Wide.find_first_of(L"\r\n"), Wide.size()));
            const std::string Text = ExactAnsiOrQuestionMarks(Wide);
            if (!Text.empty())
                SendMessageA(WindowHandle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(Text.c_str()));
            return;
        }
        break;
    default:
        break;
    }
    TWinControl::WndProc(Message);
}

std::wstring TCustomEdit::WideText()
{
    if (!HandleAllocated())
        return AnsiToWide(Text());
    std::wstring Wide(static_cast<size_t>(GetWindowTextLengthW(WindowHandle())) + 1, L'\0');
    Wide.resize(static_cast<size_t>(GetWindowTextW(WindowHandle(), Wide.data(), static_cast<int>(Wide.size()))));
    return Wide;
}

void TCustomEdit::DoAutoSelect()
{
    // A multi-line edit (the rich edit) keeps its caret where it was.
    if (FAutoSelect && HandleAllocated() && (GetKeyState(VK_LBUTTON) & 0x8000) == 0 &&
        (GetWindowLongA(WindowHandle(), GWL_STYLE) & ES_MULTILINE) == 0)
        SelectAll();
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

void TCustomEdit::SetCharCase(TEditCharCase Value)
{
    if (StoreChanged(FCharCase, Value) && HandleAllocated())
        RecreateWnd();
}

void TCustomEdit::SetPasswordChar(char Value)
{
    if (!StoreChanged(FPasswordChar, Value) || !HandleAllocated())
        return;
    SendMessageA(WindowHandle(), EM_SETPASSWORDCHAR, static_cast<unsigned char>(Value), 0);
    InvalidateRect(WindowHandle(), nullptr, TRUE);
}

void TCustomEdit::SetHideSelection(bool Value)
{
    if (StoreChanged(FHideSelection, Value) && HandleAllocated())
        RecreateWnd();
}

void TCustomEdit::SetMargins(int Left, int Right)
{
    FMarginLeft = std::max(Left, 0);
    FMarginRight = std::max(Right, 0);
    if (HandleAllocated())
        SendMessageA(WindowHandle(), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN,
                     MAKELPARAM(FMarginLeft, FMarginRight));
}

void TCustomEdit::GetMargins(int& Left, int& Right)
{
    const LRESULT M = SendMessageA(Handle(), EM_GETMARGINS, 0, 0);
    Left = LOWORD(M);
    Right = HIWORD(M);
}

std::string TCustomEdit::SelText()
{
    const std::string T = Text();
    const size_t Start = std::min(static_cast<size_t>(SelStart()), T.size());
    return T.substr(Start, static_cast<size_t>(std::max(SelLength(), 0)));
}

void AddBorderStyle(TCreateParams& Params, TBorderStyle Value)
{
    if (Value == bsSingle)
        Params.ExStyle |= WS_EX_CLIENTEDGE;
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
// TCustomMaskEdit
// ---------------------------------------------------------------------------

void TCustomMaskEdit::WndProc(TMessage& Message)
{
    if (Message.Msg == CM_EXIT)
        ValidateEdit();
    TCustomEdit::WndProc(Message);
}

void TCustomMaskEdit::ValidateError()
{
    std::string Message;
    if (OnValidateError)
        OnValidateError(this, Message);
    ControlBeep();
    throw EDBEditError(Message.empty() ? "Invalid input value. Use escape key to abandon changes" : Message);
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
