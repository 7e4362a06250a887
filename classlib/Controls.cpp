#include "classlib/Controls.h"

#include <algorithm>
#include <unordered_map>

#include "classlib/ControlState.h"
#include "classlib/Forms.h"

using namespace ControlState;

TShiftState KeyboardStateToShiftState()
{
    TShiftState S = 0;
    if (GetKeyState(VK_SHIFT) < 0) S |= ssShift;
    if (GetKeyState(VK_MENU) < 0) S |= ssAlt;
    if (GetKeyState(VK_CONTROL) < 0) S |= ssCtrl;
    if (GetKeyState(VK_LBUTTON) < 0) S |= ssLeft;
    if (GetKeyState(VK_RBUTTON) < 0) S |= ssRight;
    if (GetKeyState(VK_MBUTTON) < 0) S |= ssMiddle;
    return S;
}

TShiftState KeyDataToShiftState(LPARAM KeyData)
{
    TShiftState S = 0;
    if (GetKeyState(VK_SHIFT) < 0) S |= ssShift;
    if (GetKeyState(VK_CONTROL) < 0) S |= ssCtrl;
    // Bit 29 of the key data is the context code: Alt was down.
    if (KeyData & 0x20000000) S |= ssAlt;
    return S;
}

TShiftState MouseKeysToShiftState(WPARAM Keys)
{
    TShiftState S = 0;
    if (Keys & MK_SHIFT) S |= ssShift;
    if (Keys & MK_CONTROL) S |= ssCtrl;
    if (Keys & MK_LBUTTON) S |= ssLeft;
    if (Keys & MK_RBUTTON) S |= ssRight;
    if (Keys & MK_MBUTTON) S |= ssMiddle;
    if (GetKeyState(VK_MENU) < 0) S |= ssAlt;
    return S;
}

// ---------------------------------------------------------------------------
// Properties by name
// ---------------------------------------------------------------------------

const TPropInfo* TPropertyTable::Find(const std::string& Name) const
{
    for (const TPropertyTable* T = this; T; T = T->FBase)
        for (const TPropInfo& P : T->FProps)
            if (lstrcmpiA(P.Name.c_str(), Name.c_str()) == 0)
                return &P;
    return nullptr;
}

bool IsPublishedProp(const TControl* Control, const std::string& Name)
{
    return Control && Control->Properties()->Find(Name) != nullptr;
}

bool GetOrdProp(const TControl* Control, const std::string& Name, TPropOrd& Value)
{
    const TPropInfo* P = Control ? Control->Properties()->Find(Name) : nullptr;
    if (!P || !P->GetOrd)
        return false;
    Value = P->GetOrd(Control);
    return true;
}

bool SetOrdProp(TControl* Control, const std::string& Name, TPropOrd Value)
{
    const TPropInfo* P = Control ? Control->Properties()->Find(Name) : nullptr;
    if (!P || !P->SetOrd)
        return false;
    P->SetOrd(Control, Value);
    return true;
}

bool GetStrProp(const TControl* Control, const std::string& Name, std::string& Value)
{
    const TPropInfo* P = Control ? Control->Properties()->Find(Name) : nullptr;
    if (!P || !P->GetStr)
        return false;
    Value = P->GetStr(Control);
    return true;
}

bool SetStrProp(TControl* Control, const std::string& Name, const std::string& Value)
{
    const TPropInfo* P = Control ? Control->Properties()->Find(Name) : nullptr;
    if (!P || !P->SetStr)
        return false;
    P->SetStr(Control, Value);
    return true;
}

// ---------------------------------------------------------------------------
// Cursors
// ---------------------------------------------------------------------------

HCURSOR CursorHandle(TCursor Cursor)
{
    auto It = GRegisteredCursors.find(Cursor);
    if (It != GRegisteredCursors.end())
        return It->second;
    LPCSTR Id = IDC_ARROW;
    switch (Cursor) {
    case crNone: return nullptr;
    case crCross: Id = IDC_CROSS; break;
    case crIBeam: Id = IDC_IBEAM; break;
    case crSizeNESW: Id = IDC_SIZENESW; break;
    case crSizeNS: case crVSplit: Id = IDC_SIZENS; break;
    case crSizeNWSE: Id = IDC_SIZENWSE; break;
    case crSizeWE: case crHSplit: Id = IDC_SIZEWE; break;
    case crUpArrow: Id = IDC_UPARROW; break;
    case crHourGlass: case crSQLWait: Id = IDC_WAIT; break;
    case crNo: case crNoDrop: Id = IDC_NO; break;
    case crAppStart: Id = IDC_APPSTARTING; break;
    case crHelp: Id = IDC_HELP; break;
    case crHandPoint: Id = IDC_HAND; break;
    case crSizeAll: Id = IDC_SIZEALL; break;
    default: break;
    }
    return LoadCursorA(nullptr, Id);
}

void RegisterCursor(TCursor Cursor, HCURSOR Handle)
{
    if (Handle)
        GRegisteredCursors[Cursor] = Handle;
    else
        GRegisteredCursors.erase(Cursor);
}

// ---------------------------------------------------------------------------
// Utility windows
// ---------------------------------------------------------------------------

namespace {

using TUtilHandler = std::function<void(TMessage&)>;

LRESULT CALLBACK UtilWindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    auto Handler = reinterpret_cast<TUtilHandler*>(GetWindowLongPtrA(Wnd, GWLP_USERDATA));
    if (!Handler)
        return DefWindowProcA(Wnd, Msg, WParam, LParam);
    TMessage M{Msg, WParam, LParam, 0};
    try {
        (*Handler)(M);
    } catch (...) {
        if (Application)
            Application->HandleException(nullptr);
    }
    return M.Result;
}

} // namespace

HWND CreateHelperWindow(const char* ClassName, WNDPROC Proc, DWORD ExStyle, DWORD Style, HWND Parent,
                        HCURSOR Cursor)
{
    const HINSTANCE Instance = GetModuleHandleA(nullptr);
    WNDCLASSA WC{};
    if (!GetClassInfoA(Instance, ClassName, &WC)) {
        WC = WNDCLASSA{};
        WC.lpfnWndProc = Proc;
        WC.hInstance = Instance;
        WC.hCursor = Cursor;
        WC.lpszClassName = ClassName;
        RegisterClassA(&WC);
    }
    return CreateWindowExA(ExStyle, ClassName, "", Style, 0, 0, 0, 0, Parent, nullptr, Instance, nullptr);
}

HWND AllocateHWnd(std::function<void(TMessage&)> Handler, const char* ClassName, DWORD ExStyle, DWORD Style,
                  HWND Parent)
{
    HWND Wnd = CreateHelperWindow(ClassName, UtilWindowProc, ExStyle, Style, Parent);
    if (!Wnd)
        throw EOutOfResources("Error creating window");
    // The handler answers every message; one that it leaves alone it must
    // pass to DefWindowProcA itself.
    SetWindowLongPtrA(Wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new TUtilHandler(std::move(Handler))));
    return Wnd;
}

void DeallocateHWnd(HWND Wnd)
{
    if (!Wnd)
        return;
    auto Handler = reinterpret_cast<TUtilHandler*>(GetWindowLongPtrA(Wnd, GWLP_USERDATA));
    SetWindowLongPtrA(Wnd, GWLP_USERDATA, 0);
    DestroyWindow(Wnd);
    delete Handler;
}

// ---------------------------------------------------------------------------
// The window procedure of every control window
// ---------------------------------------------------------------------------

namespace {

// The control of each window: a window property is a round trip to the
// window server under Wine, too dear at every message. A window's
// messages come on the thread that made it, whose map this is; the
// property stays for the look-ups from other threads (FindControl).
thread_local std::unordered_map<HWND, TWinControl*> GWindowControls;

} // namespace

void ControlState::ForgetControlWindow(HWND Wnd)
{
    GWindowControls.erase(Wnd);
}

LRESULT CALLBACK ControlWindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    const auto Known = GWindowControls.find(Wnd);
    const bool Bound = Known != GWindowControls.end();
    auto C = Bound ? Known->second : static_cast<TWinControl*>(GetPropA(Wnd, ControlProp));
    if (!C) {
        if (Msg == WM_NCCREATE)
            C = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTA*>(LParam)->lpCreateParams);
        if (!C)
            C = GCreationControl;
        if (!C)
            return DefWindowProcA(Wnd, Msg, WParam, LParam);
        SetPropA(Wnd, ControlProp, C);
        C->FHandle = Wnd;
    }
    if (!Bound)
        GWindowControls.emplace(Wnd, C);
    TMessage M{Msg, WParam, LParam, 0};
    {
        // A 32-bit x86 frame of its own (see TUnwindScope): the count
        // below is ended also when the system unwinds past this call.
        TUnwindScope Unwind(GDispatchFrames.size());
        TDispatchGuard Guard(C->FDispatchDepth, C->FAlive);
        try {
            C->WndProc(M);
        } catch (...) {
            // An exception must not unwind through the system's frames.
            if (Application)
                Application->HandleException(Guard.Alive() ? C : nullptr);
        }
        if (Msg == WM_NCDESTROY) {
            RemovePropA(Wnd, ControlProp);
            ForgetControlWindow(Wnd);
            if (Guard.Alive() && C->FHandle == Wnd)
                C->FHandle = nullptr;
        }
    }
    return M.Result;
}

// ---------------------------------------------------------------------------
// TControl
// ---------------------------------------------------------------------------

TControl::TControl(TComponent* AOwner)
    : TComponent(AOwner), FFont(std::make_unique<TFont>()), FAlive(std::make_shared<bool>(true))
{
    FFont->OnChange = [this](TObject* Sender) { FontChanged(Sender); };
}

TControl::~TControl()
{
    if (Application && Application->HintControl() == this)
        Application->CancelHint();
    *FAlive = false;
    GPendingFrees.erase(std::remove(GPendingFrees.begin(), GPendingFrees.end(), this), GPendingFrees.end());
    if (GCaptureControl == this)
        GCaptureControl = nullptr;
    if (GMouseOverControl == this)
        GMouseOverControl = nullptr;
    if (FParent)
        FParent->RemoveControl(this);
}

void TControl::BeforeDestruction()
{
    Destroying();
    if (Dragging())
        EndDragging(false);
    UndockFromHost();
    if (GCaptureControl == this)
        SetMouseCapture(false);
    if (GMouseOverControl == this)
        GMouseOverControl = nullptr;
    if (FParent)
        SetParent(nullptr);
    TComponent::BeforeDestruction();
}

bool TControl::IsDispatching() const
{
    if (FDispatchDepth > 0)
        return true;
    if (auto W = dynamic_cast<const TWinControl*>(this))
        for (TControl* C : W->FControls)
            if (C->IsDispatching())
                return true;
    return false;
}

void TControl::Free()
{
    if (FreeBegun())
        return;
    if (IsDispatching()) {
        // Freed from inside one of its own handlers (a button that closes
        // its panel): the handlers still on the stack would run on a dead
        // object. The free happens once they have unwound.
        if (!FFreePending) {
            FFreePending = true;
            GPendingFrees.push_back(this);
            if (Application)
                PostMessageA(Application->Handle(), CM_DEFERREDFREE, 0, 0);
        }
        return;
    }
    FreeNow();
}

// Holds off the put-off frees of this control, of the controls inside it
// and of those it sits in until the teardown is done, whichever road it
// came by: the messages it sends would flush them, and this control, which
// leaves their list only in its destructor, and its parent, whose own
// teardown frees it, may be waiting there. Flushed meanwhile, it would be
// freed a second time. Its owner's free meanwhile finds its free begun.
void TControl::FreeNow()
{
    if (!BeginFree())
        return;
    GTeardowns.push_back(this);
    TScopeExit Done([] { GTeardowns.pop_back(); });
    TObject::Free();
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam)
{
    TMessage M{Msg, WParam, LParam, 0};
    TDispatchGuard Guard(FDispatchDepth, FAlive);
    WndProc(M);
    return M.Result;
}

void TControl::WndProc(TMessage& Message)
{
    if (DragMessage(Message))
        return;
    switch (Message.Msg) {
    case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN:
    case WM_LBUTTONUP: case WM_RBUTTONUP: case WM_MBUTTONUP:
    case WM_LBUTTONDBLCLK: case WM_RBUTTONDBLCLK: case WM_MBUTTONDBLCLK:
    case WM_MOUSEMOVE:
        HandleMouseMessage(Message);
        return;
    case CM_PARENTCOLORCHANGED:
        if (FParentColor) {
            TColor NewColor = Message.WParam ? static_cast<TColor>(Message.LParam)
                                             : (FParent ? FParent->Color() : FColor);
            if (NewColor != FColor) {
                FColor = NewColor;
                Perform(CM_COLORCHANGED);
            }
        }
        return;
    case CM_PARENTFONTCHANGED:
        if (FParentFont && FParent) {
            FFont->Assign(FParent->Font());
            FParentFont = true;
        }
        return;
    case CM_PARENTSHOWHINTCHANGED:
        if (FParentShowHint && FParent)
            FShowHint = FParent->ShowHint();
        return;
    case CM_COLORCHANGED:
    case CM_FONTCHANGED:
    case CM_ENABLEDCHANGED:
        Invalidate();
        return;
    case CM_HITTEST:
        Message.Result = HTCLIENT;
        return;
    case CM_MOUSEENTER:
        if (OnMouseEnter)
            OnMouseEnter(this);
        return;
    case CM_MOUSELEAVE:
        if (OnMouseLeave)
            OnMouseLeave(this);
        return;
    case WM_CANCELMODE:
        if (GCaptureControl == this)
            SetMouseCapture(false);
        return;
    default:
        break;
    }
    DefaultHandler(Message);
}

void TControl::DefaultHandler(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_GETTEXTLENGTH:
        Message.Result = static_cast<LRESULT>(FText.size());
        break;
    default:
        break;
    }
}

void TControl::HandleMouseMessage(TMessage& Message)
{
    TShiftState Shift = MouseKeysToShiftState(Message.WParam);
    int X = Message.XPos(), Y = Message.YPos();
    auto Alive = FAlive;
    switch (Message.Msg) {
    case WM_MOUSEMOVE:
        MouseMove(Shift, X, Y);
        return;
    case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK: case WM_RBUTTONDBLCLK: case WM_MBUTTONDBLCLK: {
        TMouseButton B = (Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_LBUTTONDBLCLK) ? mbLeft
                         : (Message.Msg == WM_RBUTTONDOWN || Message.Msg == WM_RBUTTONDBLCLK) ? mbRight
                                                                                              : mbMiddle;
        bool Double = Message.Msg == WM_LBUTTONDBLCLK || Message.Msg == WM_RBUTTONDBLCLK ||
                      Message.Msg == WM_MBUTTONDBLCLK;
        if (Double)
            Shift |= ssDouble;
        if (B == mbLeft) {
            if (FControlStyle & csCaptureMouse)
                SetMouseCapture(true);
            if (FControlStyle & csClickEvents)
                FControlState |= csClicked;
            if (Double && (FControlStyle & csDoubleClicks)) {
                DblClick();
                if (!*Alive)
                    return;
            }
        }
        MouseDown(B, Shift, X, Y);
        return;
    }
    case WM_LBUTTONUP: case WM_RBUTTONUP: case WM_MBUTTONUP: {
        TMouseButton B = Message.Msg == WM_LBUTTONUP ? mbLeft : Message.Msg == WM_RBUTTONUP ? mbRight : mbMiddle;
        if (B == mbLeft) {
            if (FControlStyle & csCaptureMouse)
                SetMouseCapture(false);
            if (FControlState & csClicked) {
                FControlState &= ~csClicked;
                if (ClientRect().Contains(POINT{X, Y})) {
                    Click();
                    if (!*Alive)
                        return;
                }
            }
        }
        MouseUp(B, Shift, X, Y);
        return;
    }
    default:
        return;
    }
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (OnMouseDown)
        OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (OnMouseUp)
        OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y)
{
    if (OnMouseMove)
        OnMouseMove(this, Shift, X, Y);
}

void TControl::Click()
{
    if (OnClick)
        OnClick(this);
    else if (FActionLink)
        FActionLink->Execute(this);
}

TBasicAction* TControl::Action() const
{
    return FActionLink ? FActionLink->Action() : nullptr;
}

void TControl::SetAction(TBasicAction* Value)
{
    if (!Value) {
        FActionLink.reset();
        return;
    }
    if (!FActionLink)
        FActionLink.reset(CreateActionLink());
    FActionLink->SetAction(Value);
    FActionLink->OnChange = [this](TObject* Sender) { ActionChange(Sender, false); };
    ActionChange(Value, Value->HasState(csLoading));
    Value->FreeNotification(this);
}

TControlActionLink* TControl::CreateActionLink()
{
    return new TControlActionLink(this);
}

void TControl::ActionChange(TObject* Sender, bool CheckDefaults)
{
    auto* A = dynamic_cast<TCustomAction*>(Sender);
    if (!A)
        return;
    if (!CheckDefaults || Caption().empty() || Caption() == Name())
        SetCaption(A->Caption());
    if (!CheckDefaults || Enabled())
        SetEnabled(A->Enabled());
    if (!CheckDefaults || Hint().empty())
        SetHint(A->Hint());
    if (!CheckDefaults || Visible())
        SetVisible(A->Visible());
}

bool TControlActionLink::IsCaptionLinked() const
{
    return TActionLink::IsCaptionLinked() && FControl->Caption() == CustomAction()->Caption();
}

bool TControlActionLink::IsEnabledLinked() const
{
    return TActionLink::IsEnabledLinked() && FControl->Enabled() == CustomAction()->Enabled();
}

bool TControlActionLink::IsHintLinked() const
{
    return TActionLink::IsHintLinked() && FControl->Hint() == CustomAction()->Hint();
}

bool TControlActionLink::IsVisibleLinked() const
{
    return TActionLink::IsVisibleLinked() && FControl->Visible() == CustomAction()->Visible();
}

void TControlActionLink::SetCaption(const std::string& Value)
{
    if (IsCaptionLinked())
        FControl->SetCaption(Value);
}

void TControlActionLink::SetEnabled(bool Value)
{
    if (IsEnabledLinked())
        FControl->SetEnabled(Value);
}

void TControlActionLink::SetHint(const std::string& Value)
{
    if (IsHintLinked())
        FControl->SetHint(Value);
}

void TControlActionLink::SetVisible(bool Value)
{
    if (IsVisibleLinked())
        FControl->SetVisible(Value);
}

void TControl::DblClick()
{
    if (OnDblClick)
        OnDblClick(this);
}

void TControl::ChangeScale(int M, int D)
{
    if (M == D || D == 0)
        return;
    // The far edges are scaled, not the sizes, so neighbours keep meeting.
    const int L = MulDiv(FLeft, M, D), T = MulDiv(FTop, M, D);
    SetBounds(L, T, MulDiv(FLeft + FWidth, M, D) - L, MulDiv(FTop + FHeight, M, D) - T);
    if (!FParentFont) {
        FFont->SetHeight(MulDiv(FFont->Height(), M, D));
        FParentFont = false;
    }
}

bool TControl::ExecuteAction(TBasicAction*)
{
    return false;
}

void TControl::SetParent(TWinControl* AParent)
{
    if (AParent == FParent)
        return;
    if (!CanHaveParent(AParent))
        throw EInvalidOperation("A control cannot have itself or a control inside it as its parent");
    if (FParent)
        FParent->RemoveControl(this);
    if (AParent)
        AParent->InsertControl(this);
}

bool TControl::CanHaveParent(const TWinControl* AParent) const
{
    for (const TControl* C = AParent; C; C = C->Parent())
        if (C == this)
            return false;
    return true;
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    AWidth = std::max(AWidth, 0);
    AHeight = std::max(AHeight, 0);
    if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight)
        return;
    InvalidateControl(FVisible, false);
    bool Sized = AWidth != FWidth || AHeight != FHeight;
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    InvalidateControl(FVisible, (FControlStyle & csOpaque) != 0);
    RequestAlign();
    if (Sized)
        Resize();
}

void TControl::UpdateBoundsFromWindow(int ALeft, int ATop, int AWidth, int AHeight)
{
    bool Sized = AWidth != FWidth || AHeight != FHeight;
    bool Moved = ALeft != FLeft || ATop != FTop;
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    if (Sized || Moved)
        RequestAlign();
    if (Sized) {
        if (auto W = dynamic_cast<TWinControl*>(this))
            W->Realign();
        Resize();
    }
}

void TControl::Resize()
{
    if (OnResize)
        OnResize(this);
}

int WheelScrollLines()
{
    UINT Lines = 0;
    if (!SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &Lines, 0) || Lines == 0)
        return 3;
    return static_cast<int>(Lines);
}

bool TControl::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos)
{
    bool Handled = false;
    if (OnMouseWheel)
        OnMouseWheel(this, Shift, WheelDelta, MousePos, Handled);
    if (Handled || WheelDelta == 0)
        return Handled;
    return WheelDelta < 0 ? DoMouseWheelDown(Shift, MousePos) : DoMouseWheelUp(Shift, MousePos);
}

bool TControl::DoMouseWheelDown(TShiftState Shift, TPoint MousePos)
{
    bool Handled = false;
    if (OnMouseWheelDown)
        OnMouseWheelDown(this, Shift, MousePos, Handled);
    return Handled;
}

bool TControl::DoMouseWheelUp(TShiftState Shift, TPoint MousePos)
{
    bool Handled = false;
    if (OnMouseWheelUp)
        OnMouseWheelUp(this, Shift, MousePos, Handled);
    return Handled;
}

TRect TControl::GetClientRect() const
{
    return TRect(0, 0, FWidth, FHeight);
}

void TControl::SetClientSize(int AWidth, int AHeight)
{
    SetBounds(FLeft, FTop, AWidth, AHeight);
}

TPoint TControl::ClientOrigin() const
{
    if (!FParent)
        return TPoint(FLeft, FTop);
    TPoint P = FParent->ClientOrigin();
    return TPoint(P.x + FLeft, P.y + FTop);
}

TPoint TControl::ClientToScreen(const TPoint& P) const
{
    TPoint O = ClientOrigin();
    return TPoint(P.x + O.x, P.y + O.y);
}

TPoint TControl::ScreenToClient(const TPoint& P) const
{
    TPoint O = ClientOrigin();
    return TPoint(P.x - O.x, P.y - O.y);
}

void TControl::SetAlign(TAlign Value)
{
    if (!StoreChanged(FAlign, Value))
        return;
    RequestAlign();
}

void TControl::SetAutoSize(bool Value)
{
    if (!StoreChanged(FAutoSize, Value))
        return;
    if (Value)
        AdjustSize();
}

bool TControl::CanAutoSize(int&, int&)
{
    return false;
}

void TControl::AdjustSize()
{
    if (HasState(csLoading))
        return;
    int W = FWidth, H = FHeight;
    if (CanAutoSize(W, H))
        SetBounds(FLeft, FTop, W, H);
}

void TControl::RequestAlign()
{
    if (FParent && FAlign != alNone)
        FParent->Realign();
}

void TControl::Changed()
{
    Perform(CM_CHANGED, 0, reinterpret_cast<LPARAM>(this));
}

void TControl::SetVisible(bool Value)
{
    if (Value == FVisible)
        return;
    VisibleChanging();
    if (!Value)
        InvalidateControl(true, false);
    FVisible = Value;
    Perform(CM_VISIBLECHANGED, Value ? 1 : 0);
    SendDockNotification(CM_VISIBLECHANGED);
    if (Value)
        InvalidateControl(true, (FControlStyle & csOpaque) != 0);
    if (FParent && FAlign != alNone)
        FParent->Realign();
}

bool TControl::Showing() const
{
    if (!FVisible)
        return false;
    return FParent ? FParent->Showing() : false;
}

void TControl::SetEnabled(bool Value)
{
    if (!StoreChanged(FEnabled, Value))
        return;
    Perform(CM_ENABLEDCHANGED);
}

void TControl::SetColor(TColor Value)
{
    if (!StoreChanged(FColor, Value))
        return;
    FParentColor = false;
    Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool Value)
{
    if (!StoreChanged(FParentColor, Value))
        return;
    if (Value && FParent)
        Perform(CM_PARENTCOLORCHANGED);
}

void TControl::SetParentFont(bool Value)
{
    if (!StoreChanged(FParentFont, Value))
        return;
    if (Value && FParent)
        Perform(CM_PARENTFONTCHANGED);
}

void TControl::FontChanged(TObject*)
{
    FParentFont = false;
    Perform(CM_FONTCHANGED);
}

void TControl::SetText(const std::string& Value)
{
    if (Value == GetText())
        return;
    SetTextValue(Value);
    Perform(CM_TEXTCHANGED);
    SendDockNotification(CM_TEXTCHANGED);
}

void TControl::SendDockNotification(UINT Msg)
{
    if (FHostDockSite)
        FHostDockSite->Perform(CM_DOCKNOTIFICATION, reinterpret_cast<WPARAM>(this), static_cast<LPARAM>(Msg));
}

void TControl::SetTextValue(const std::string& Value)
{
    FText = Value;
}

void TControl::SetShowHint(bool Value)
{
    if (!StoreChanged(FShowHint, Value))
        return;
    FParentShowHint = false;
    Perform(CM_SHOWHINTCHANGED);
}

void TControl::SetParentShowHint(bool Value)
{
    if (!StoreChanged(FParentShowHint, Value))
        return;
    if (Value && FParent)
        Perform(CM_PARENTSHOWHINTCHANGED);
}

void TControl::SetCursor(TCursor Value)
{
    if (!StoreChanged(FCursor, Value))
        return;
    Perform(CM_CURSORCHANGED);
}

void TControl::SetBiDiMode(TBiDiMode Value)
{
    if (!StoreChanged(FBiDiMode, Value))
        return;
    Perform(CM_BIDIMODECHANGED);
}

bool TControl::UseRightToLeftAlignment() const
{
    return FBiDiMode == bdRightToLeft;
}

bool TControl::UseRightToLeftReading() const
{
    return FBiDiMode != bdLeftToRight;
}

UINT TControl::DrawTextBiDiModeFlags(UINT Flags) const
{
    if (UseRightToLeftAlignment()) {
        if ((Flags & (DT_CENTER | DT_RIGHT)) == 0)
            Flags |= DT_RIGHT;
        else if (Flags & DT_RIGHT)
            Flags &= ~DT_RIGHT;
    }
    if (UseRightToLeftReading())
        Flags |= DT_RTLREADING;
    return Flags;
}

void TControl::InvalidateControl(bool IsVisible, bool IsOpaque)
{
    if (!IsVisible || !FParent || !FParent->HandleAllocated() || IsWinControl(this))
        return;
    RECT R = BoundsRect();
    InvalidateRect(FParent->WindowHandle(), &R, !IsOpaque);
}

void TControl::Invalidate()
{
    InvalidateControl(FVisible, (FControlStyle & csOpaque) != 0);
}

void TControl::Update()
{
    if (FParent)
        FParent->Update();
}

void TControl::Repaint()
{
    // A hidden control shows nothing: an update now would only paint what
    // its parent's own paint will, and at once (the end of a run hides the
    // progress bar and then zeroes it).
    if (!FVisible)
        return;
    Invalidate();
    Update();
}

void TControl::BringToFront()
{
    if (!FParent)
        return;
    auto& L = FParent->FControls;
    L.erase(std::remove(L.begin(), L.end(), this), L.end());
    L.push_back(this);
    if (auto W = dynamic_cast<TWinControl*>(this))
        W->SetZOrder(true);
    Invalidate();
}

void TControl::SendToBack()
{
    if (!FParent)
        return;
    auto& L = FParent->FControls;
    L.erase(std::remove(L.begin(), L.end(), this), L.end());
    L.insert(L.begin(), this);
    if (auto W = dynamic_cast<TWinControl*>(this))
        W->SetZOrder(false);
    Invalidate();
}

bool TControl::MouseCapture() const
{
    return GCaptureControl == this;
}

void TControl::SetMouseCapture(bool Value)
{
    if (Value == MouseCapture())
        return;
    if (Value) {
        // The window that really captures: ours, or the parent's for a
        // graphic control.
        const TControl* W = this;
        while (W && !IsWinControl(W))
            W = W->FParent;
        GCaptureControl = this;
        if (W && static_cast<const TWinControl*>(W)->HandleAllocated())
            SetCapture(static_cast<const TWinControl*>(W)->WindowHandle());
    } else {
        GCaptureControl = nullptr;
        ReleaseCapture();
    }
}

TControl* TControl::CaptureControlOf() const
{
    return GCaptureControl;
}

TControl* TControl::MouseControl()
{
    return GMouseOverControl;
}

void TControl::Loaded()
{
    TComponent::Loaded();
    if (FAutoSize)
        AdjustSize();
    RequestAlign();
}

void TControl::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    // A freed action has already left the link.
    if (Operation == opRemove && FActionLink && !FActionLink->Action())
        FActionLink.reset();
}

const TPropertyTable* TControl::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TControl::ClassProperties()
{
    static const TPropertyTable Table(nullptr, {
        OrdProp("Left", &TControl::Left, &TControl::SetLeft),
        OrdProp("Top", &TControl::Top, &TControl::SetTop),
        OrdProp("Width", &TControl::Width, &TControl::SetWidth),
        OrdProp("Height", &TControl::Height, &TControl::SetHeight),
        OrdProp("Align", &TControl::Align, &TControl::SetAlign),
        OrdProp("AutoSize", &TControl::AutoSize, &TControl::SetAutoSize),
        OrdProp("Visible", &TControl::Visible, &TControl::SetVisible),
        OrdProp("Enabled", &TControl::Enabled, &TControl::SetEnabled),
        OrdProp("Color", &TControl::Color, &TControl::SetColor),
        OrdProp("ParentColor", &TControl::ParentColor, &TControl::SetParentColor),
        OrdProp("ParentFont", &TControl::ParentFont, &TControl::SetParentFont),
        // A font that follows the parent's is the parent's to store.
        StoredWhen<TControl>(ObjProp("Font", &TControl::Font), [](const TControl* C) { return !C->ParentFont(); }),
        OrdProp("ShowHint", &TControl::ShowHint, &TControl::SetShowHint),
        OrdProp("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint),
        OrdProp("Cursor", &TControl::Cursor, &TControl::SetCursor),
        StrProp("Caption", &TControl::Caption, &TControl::SetCaption),
        StrProp("Hint", &TControl::Hint, &TControl::SetHint),
    });
    return Table;
}
