// TWinControl: keys, focus, mouse routing and the message switch.
#include "classlib/Controls.h"

#include "classlib/ControlState.h"
#include "classlib/Forms.h"

using namespace ControlState;

// ---------------------------------------------------------------------------
// TWinControl: keys and focus
// ---------------------------------------------------------------------------

bool TWinControl::DoKeyDown(TMessage& Message)
{
    TCustomForm* F = GetParentForm(this);
    if (F && F != this && F->KeyPreview() && F->DoKeyDown(Message))
        return true;
    WORD Key = static_cast<WORD>(Message.WParam);
    KeyDown(Key, KeyDataToShiftState(Message.LParam));
    Message.WParam = Key;
    return Key == 0;
}

bool TWinControl::DoKeyUp(TMessage& Message)
{
    TCustomForm* F = GetParentForm(this);
    if (F && F != this && F->KeyPreview() && F->DoKeyUp(Message))
        return true;
    WORD Key = static_cast<WORD>(Message.WParam);
    KeyUp(Key, KeyDataToShiftState(Message.LParam));
    Message.WParam = Key;
    return Key == 0;
}

bool TWinControl::DoKeyPress(TMessage& Message)
{
    TCustomForm* F = GetParentForm(this);
    if (F && F != this && F->KeyPreview() && F->DoKeyPress(Message))
        return true;
    char Key = static_cast<char>(Message.WParam);
    KeyPress(Key);
    Message.WParam = static_cast<unsigned char>(Key);
    return Key == 0;
}

void TWinControl::KeyDown(WORD& Key, TShiftState Shift)
{
    if (OnKeyDown)
        OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(WORD& Key, TShiftState Shift)
{
    if (OnKeyUp)
        OnKeyUp(this, Key, Shift);
}

void TWinControl::KeyPress(char& Key)
{
    if (OnKeyPress)
        OnKeyPress(this, Key);
}

void TWinControl::DoEnter()
{
    if (OnEnter)
        OnEnter(this);
}

void TWinControl::DoExit()
{
    if (OnExit)
        OnExit(this);
}

bool TWinControl::DoKeyMessage(TMessage& Message)
{
    auto Alive = FAlive;
    bool Handled = false;
    switch (Message.Msg) {
    case WM_KEYDOWN: case WM_SYSKEYDOWN:
        Handled = DoKeyDown(Message);
        break;
    case WM_KEYUP: case WM_SYSKEYUP:
        Handled = DoKeyUp(Message);
        break;
    case WM_CHAR:
        Handled = DoKeyPress(Message);
        break;
    default:
        break;
    }
    return Handled || !*Alive;
}

namespace {

// A dialog key or an Alt accelerator is keyboard use: whatever it focuses,
// on this page or the next, shows its focus cue at once.
void ShowFocusCues(TCustomForm* Form)
{
    Form->Perform(WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
}

} // namespace

void TWinControl::HandleKeyMessage(TMessage& Message)
{
    auto Alive = FAlive;
    switch (Message.Msg) {
    case WM_KEYDOWN: case WM_SYSKEYDOWN: case WM_KEYUP: case WM_SYSKEYUP: case WM_CHAR:
        if (DoKeyMessage(Message))
            return;
        break;
    case CN_KEYDOWN: {
        // A key the control does not claim through WM_GETDLGCODE becomes a
        // dialog key of its form (Tab moves the focus, Enter and Esc reach
        // the default and cancel buttons, and the focused control itself).
        Message.Result = 1;
        WORD Key = static_cast<WORD>(Message.WParam);
        if (Perform(CM_CHILDKEY, Key, reinterpret_cast<LPARAM>(this)) != 0 || !*Alive)
            return;
        LRESULT Mask = 0;
        switch (Key) {
        case VK_TAB: Mask = DLGC_WANTTAB; break;
        case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: Mask = DLGC_WANTARROWS; break;
        case VK_RETURN: case VK_EXECUTE: case VK_ESCAPE: case VK_CANCEL: Mask = DLGC_WANTALLKEYS; break;
        default: break;
        }
        if (Mask != 0 && Perform(CM_WANTSPECIALKEY, Key, Message.LParam) == 0 && *Alive &&
            (Perform(WM_GETDLGCODE) & Mask) == 0 && *Alive) {
            if (TCustomForm* F = GetParentForm(this)) {
                ShowFocusCues(F);
                if (F->Perform(CM_DIALOGKEY, Key, Message.LParam) != 0)
                    return;
            }
        }
        if (*Alive)
            Message.Result = 0;
        return;
    }
    case CN_CHAR:
        Message.Result = 1;
        if ((Perform(WM_GETDLGCODE) & DLGC_WANTCHARS) == 0 && *Alive)
            if (TCustomForm* F = GetParentForm(this))
                if (F->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam) != 0)
                    return;
        if (*Alive)
            Message.Result = 0;
        return;
    case CN_SYSCHAR:
        Message.Result = 0;
        if (Message.WParam != VK_SPACE)
            if (TCustomForm* F = GetParentForm(this)) {
                ShowFocusCues(F);
                Message.Result = F->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam);
            }
        return;
    case CN_KEYUP: case CN_SYSKEYDOWN:
        Message.Result = 0;
        return;
    default:
        break;
    }
    DefaultHandler(Message);
}

void TWinControl::HandleFocusMessage(TMessage& Message)
{
    auto Alive = FAlive;
    // CM_ENTER and CM_EXIT come after the window's own handling, so an
    // entering edit can select its text once the caret is there.
    if (Message.Msg == WM_SETFOCUS) {
        if (TCustomForm* F = GetParentForm(this); F && F != this)
            F->SetFocusedControl(this);
        if (!*Alive)
            return;
        DefaultHandler(Message);
        if (*Alive)
            Perform(CM_ENTER);
    } else {
        DefaultHandler(Message);
        if (*Alive)
            Perform(CM_EXIT);
    }
}

// ---------------------------------------------------------------------------
// TWinControl: mouse
// ---------------------------------------------------------------------------

void TWinControl::TrackMouseLeave()
{
    if (FTrackingLeave || !FHandle)
        return;
    TRACKMOUSEEVENT T{};
    T.cbSize = sizeof(T);
    T.dwFlags = TME_LEAVE;
    T.hwndTrack = FHandle;
    FTrackingLeave = TrackMouseEvent(&T) != FALSE;
}

void TWinControl::RouteMouseToChild(TMessage& Message)
{
    TPoint P(Message.XPos(), Message.YPos());
    auto Alive = FAlive;
    if (Message.Msg == WM_MOUSEMOVE) {
        // Mouse enter and leave for every control, graphic ones included:
        // the control under the pointer is worked out on every move.
        TControl* Over = ControlAtPos(P, false);
        if (!Over)
            Over = this;
        if (Over != GMouseOverControl) {
            TControl* Old = GMouseOverControl;
            GMouseOverControl = Over;
            if (Old)
                Old->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(Old));
            if (GMouseOverControl == Over)
                Over->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(Over));
        }
        if (!*Alive)
            return;
        TrackMouseLeave();
        // The hint follows the control under the pointer.
        if (Application && GMouseOverControl)
            Application->HintMouseMessage(GMouseOverControl, ClientToScreen(P));
        if (!*Alive)
            return;
    }
    TControl* Target = nullptr;
    if (GCaptureControl && GCaptureControl->Parent() == this && !IsWinControl(GCaptureControl))
        Target = GCaptureControl;
    else if (!GCaptureControl || GCaptureControl == this || !ContainsControl(GCaptureControl))
        Target = ControlAtPos(P, false);
    if (Target) {
        Target->Perform(Message.Msg, Message.WParam,
                        MAKELPARAM(static_cast<WORD>(P.x - Target->Left()), static_cast<WORD>(P.y - Target->Top())));
        return;
    }
    // The window's own procedure first (an edit places its caret and
    // selects), then the mouse events.
    DefaultHandler(Message);
    if (*Alive)
        TControl::WndProc(Message);
}

// ---------------------------------------------------------------------------
// TWinControl: the message switch
// ---------------------------------------------------------------------------

void TWinControl::ReflectNotification(TMessage& Message)
{
    HWND Child = nullptr;
    switch (Message.Msg) {
    case WM_COMMAND: case WM_HSCROLL: case WM_VSCROLL:
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC:
    case WM_CHARTOITEM: case WM_VKEYTOITEM:
        Child = reinterpret_cast<HWND>(Message.LParam);
        break;
    case WM_NOTIFY:
        Child = reinterpret_cast<NMHDR*>(Message.LParam)->hwndFrom;
        break;
    case WM_DRAWITEM: {
        auto D = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
        if (D->CtlType != ODT_MENU)
            Child = D->hwndItem;
        break;
    }
    case WM_MEASUREITEM: {
        auto M = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
        if (M->CtlType != ODT_MENU && FHandle)
            Child = GetDlgItem(FHandle, static_cast<int>(M->CtlID));
        break;
    }
    case WM_COMPAREITEM:
        Child = reinterpret_cast<COMPAREITEMSTRUCT*>(Message.LParam)->hwndItem;
        break;
    case WM_DELETEITEM:
        Child = reinterpret_cast<DELETEITEMSTRUCT*>(Message.LParam)->hwndItem;
        break;
    default:
        break;
    }
    TWinControl* C = Child ? FindControl(Child) : nullptr;
    if (C && C != this) {
        Message.Result = C->Perform(CN_BASE + Message.Msg, Message.WParam, Message.LParam);
        return;
    }
    DefaultHandler(Message);
}

bool TWinControl::WMMouseWheel(TMessage& Message)
{
    const TPoint At(static_cast<short>(LOWORD(Message.LParam)), static_cast<short>(HIWORD(Message.LParam)));
    if (!DoMouseWheel(KeyboardStateToShiftState(), static_cast<short>(HIWORD(Message.WParam)), At))
        return false;
    Message.Result = 1;
    return true;
}

void TWinControl::WMMouseLeave(TMessage&)
{
    FTrackingLeave = false;
    if (GMouseOverControl && (GMouseOverControl == this || GMouseOverControl->Parent() == this)) {
        TControl* Old = GMouseOverControl;
        GMouseOverControl = nullptr;
        Old->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(Old));
    }
}

void TWinControl::WMCaptureChanged(TMessage& Message)
{
    if (GCaptureControl && reinterpret_cast<HWND>(Message.LParam) != FHandle) {
        TControl* C = GCaptureControl;
        if (C == this || C->Parent() == this) {
            GCaptureControl = nullptr;
            // A graphic control that held the capture hears that it is
            // gone, so a drag or press it runs can end.
            if (C != this)
                C->Perform(WM_CAPTURECHANGED, Message.WParam, Message.LParam);
        }
    }
    DefaultHandler(Message);
}

// WM_PAINT and WM_PRINTCLIENT: the window's own painting unless the control
// paints itself or holds graphic controls.
void TWinControl::WMPaint(TMessage& Message)
{
    if ((FControlState & csCustomPaint) == 0 && FControls.empty()) {
        DefaultHandler(Message);
        return;
    }
    if (Message.Msg == WM_PAINT) {
        PaintHandler(Message);
        return;
    }
    TMessage M{WM_PAINT, Message.WParam, 0, 0};
    PaintHandler(M);
}

void TWinControl::WMSetCursor(TMessage& Message)
{
    if (LOWORD(Message.LParam) == HTCLIENT && reinterpret_cast<HWND>(Message.WParam) == FHandle) {
        TCursor Cur = Screen ? Screen->Cursor() : crDefault;
        if (Cur == crDefault) {
            POINT P{};
            GetCursorPos(&P);
            TControl* C = ControlAtPos(ScreenToClient(P), false);
            Cur = C ? C->Cursor() : FCursor;
        }
        if (Cur != crDefault) {
            ::SetCursor(CursorHandle(Cur));
            Message.Result = 1;
            return;
        }
    }
    DefaultHandler(Message);
}

void TWinControl::WMWindowPosChanged(TMessage& Message)
{
    DefaultHandler(Message);
    auto WP = reinterpret_cast<WINDOWPOS*>(Message.LParam);
    if (FHandle && (WP->flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE) && !IsIconic(FHandle)) {
        RECT R{};
        GetWindowRect(FHandle, &R);
        HWND P = GetParent(FHandle);
        if (P && (GetWindowLongPtrA(FHandle, GWL_STYLE) & WS_CHILD))
            MapWindowPoints(HWND_DESKTOP, P, reinterpret_cast<POINT*>(&R), 2);
        UpdateBoundsFromWindow(R.left, R.top, R.right - R.left, R.bottom - R.top);
    }
}

// A child's notification goes back to the child; a menu or accelerator
// command (no child) is the window's own.
void TWinControl::WMNotification(TMessage& Message)
{
    if (Message.Msg == WM_COMMAND && Message.LParam == 0)
        DefaultHandler(Message);
    else
        ReflectNotification(Message);
}

void TWinControl::CNCtlColor(TMessage& Message)
{
    HDC DC = reinterpret_cast<HDC>(Message.WParam);
    SetTextColor(DC, ColorToRef(FFont->Color()));
    SetBkColor(DC, ColorToRef(FBrush->Color()));
    Message.Result = reinterpret_cast<LRESULT>(FBrush->Handle());
}

void TWinControl::CMColorChanged()
{
    FBrush->OnChange = nullptr;
    FBrush->SetColor(FColor);
    FBrush->OnChange = [this](TObject* Sender) { BrushChanged(Sender); };
    NotifyControls(CM_PARENTCOLORCHANGED);
    Invalidate();
}

void TWinControl::CMFontChanged()
{
    if (FHandle && (FControlState & csCustomPaint) == 0)
        SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont->Handle()), 0);
    NotifyControls(CM_PARENTFONTCHANGED);
    Invalidate();
}

void TWinControl::WMNCDestroy(TMessage& Message)
{
    DefaultHandler(Message);
    if (GMouseOverControl && ContainsControl(GMouseOverControl))
        GMouseOverControl = nullptr;
    for (TControlCanvas* C : std::vector<TControlCanvas*>(GOpenCanvases))
        if (auto W = dynamic_cast<TWinControl*>(C->Control()); W == this)
            C->FreeHandle();
    FTrackingLeave = false;
}

void TWinControl::WndProc(TMessage& Message)
{
    if (DragMessage(Message))
        return;
    switch (Message.Msg) {
    case WM_MOUSEWHEEL:
        if (WMMouseWheel(Message))
            return;
        break;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN:
    case WM_LBUTTONUP: case WM_RBUTTONUP: case WM_MBUTTONUP:
    case WM_LBUTTONDBLCLK: case WM_RBUTTONDBLCLK: case WM_MBUTTONDBLCLK:
        if (FHandle) {
            RouteMouseToChild(Message);
            return;
        }
        break;
    case WM_MOUSELEAVE: WMMouseLeave(Message); return;
    case WM_CAPTURECHANGED: WMCaptureChanged(Message); return;
    case WM_CHANGEUISTATE: ChangeUIState(Message); return;
    case WM_UPDATEUISTATE: UpdateUIState(Message); return;
    case WM_QUERYUISTATE: Message.Result = FUIState; return;
    case WM_PAINT: case WM_PRINTCLIENT: WMPaint(Message); return;
    case WM_ERASEBKGND: EraseBackground(Message); return;
    case WM_SETCURSOR: WMSetCursor(Message); return;
    case WM_WINDOWPOSCHANGED: WMWindowPosChanged(Message); return;
    case WM_SETFOCUS: case WM_KILLFOCUS: HandleFocusMessage(Message); return;
    case WM_KEYDOWN: case WM_SYSKEYDOWN: case WM_KEYUP: case WM_SYSKEYUP: case WM_CHAR:
    case CN_KEYDOWN: case CN_KEYUP: case CN_CHAR: case CN_SYSKEYDOWN: case CN_SYSCHAR:
        HandleKeyMessage(Message);
        return;
    case WM_COMMAND: case WM_NOTIFY: case WM_HSCROLL: case WM_VSCROLL:
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC:
    case WM_CHARTOITEM: case WM_VKEYTOITEM:
    case WM_DRAWITEM: case WM_MEASUREITEM: case WM_COMPAREITEM: case WM_DELETEITEM:
        WMNotification(Message);
        return;
    case CN_CTLCOLORMSGBOX: case CN_CTLCOLOREDIT: case CN_CTLCOLORLISTBOX: case CN_CTLCOLORBTN:
    case CN_CTLCOLORDLG: case CN_CTLCOLORSCROLLBAR: case CN_CTLCOLORSTATIC:
        CNCtlColor(Message);
        return;
    case WM_GETDLGCODE: DefaultHandler(Message); return;
    case CM_CHILDKEY:
        if (FParent)
            Message.Result = FParent->Perform(CM_CHILDKEY, Message.WParam, Message.LParam);
        return;
    case CM_DIALOGKEY: case CM_DIALOGCHAR: case CM_FOCUSCHANGED: Broadcast(Message); return;
    case CM_ENTER: DoEnter(); return;
    case CM_EXIT: DoExit(); return;
    case CM_SYSCOLORCHANGE:
        NotifyControls(CM_SYSCOLORCHANGE);
        Invalidate();
        return;
    case CM_COLORCHANGED: CMColorChanged(); return;
    case CM_FONTCHANGED: CMFontChanged(); return;
    case CM_SHOWHINTCHANGED: NotifyControls(CM_PARENTSHOWHINTCHANGED); return;
    case CM_ENABLEDCHANGED:
        if (FHandle)
            EnableWindow(FHandle, FEnabled);
        Invalidate();
        return;
    case CM_VISIBLECHANGED: UpdateShowing(); return;
    case WM_NCDESTROY: WMNCDestroy(Message); return;
    default:
        break;
    }
    TControl::WndProc(Message);
}

const TPropertyTable* TWinControl::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TWinControl::ClassProperties()
{
    static const TPropertyTable Table(&TControl::ClassProperties(), {
        OrdProp("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop),
        OrdProp("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder),
        OrdProp("ParentBackground", &TWinControl::ParentBackground, &TWinControl::SetParentBackground),
        OrdProp("DoubleBuffered", &TWinControl::DoubleBuffered, &TWinControl::SetDoubleBuffered),
    });
    return Table;
}
