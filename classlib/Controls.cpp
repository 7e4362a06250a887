#include "classlib/Controls.h"

#include <algorithm>
#include <map>

#include "classlib/Forms.h"

// ---------------------------------------------------------------------------
// Shared state of the GUI thread
// ---------------------------------------------------------------------------

namespace {

const char* const ControlProp = "TessalyControl";

// The control whose CreateWindowExA is running: messages that come before
// WM_NCCREATE (WM_GETMINMAXINFO) bind the window to it.
thread_local TWinControl* CreationControl = nullptr;
// Graphic or windowed control that owns the mouse capture.
TControl* CaptureControl = nullptr;
// The control the mouse pointer was last seen over.
TControl* MouseOverControl = nullptr;
// Controls whose Free() came while one of their messages was being handled.
std::vector<TControl*> PendingFrees;
int GlobalDispatchDepth = 0;
// Control canvases holding a device context outside painting.
std::vector<TControlCanvas*> OpenCanvases;
std::map<TCursor, HCURSOR> RegisteredCursors;
UINT NextControlId = 100;

bool IsWinControl(const TControl* C)
{
    return dynamic_cast<const TWinControl*>(C) != nullptr;
}

// Keeps a control's dispatch count right on every way out, exceptions
// included, without touching a control that was freed meanwhile.
class TDispatchGuard {
public:
    explicit TDispatchGuard(TControl* C, int& Depth, std::shared_ptr<bool> Alive)
        : FDepth(Depth), FAlive(std::move(Alive))
    {
        (void)C;
        ++FDepth;
        ++GlobalDispatchDepth;
    }
    ~TDispatchGuard()
    {
        --GlobalDispatchDepth;
        if (*FAlive)
            --FDepth;
        if (GlobalDispatchDepth == 0 && !PendingFrees.empty())
            FlushPendingControlFrees();
    }
    bool Alive() const { return *FAlive; }

private:
    int& FDepth;
    std::shared_ptr<bool> FAlive;
};

} // namespace

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
    auto It = RegisteredCursors.find(Cursor);
    if (It != RegisteredCursors.end())
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
        RegisteredCursors[Cursor] = Handle;
    else
        RegisteredCursors.erase(Cursor);
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

HWND AllocateHWnd(std::function<void(TMessage&)> Handler)
{
    static const char* const ClassName = "TessalyUtilWindow";
    static bool Registered = false;
    if (!Registered) {
        WNDCLASSA WC{};
        WC.lpfnWndProc = UtilWindowProc;
        WC.hInstance = GetModuleHandleA(nullptr);
        WC.lpszClassName = ClassName;
        RegisterClassA(&WC);
        Registered = true;
    }
    HWND Wnd = CreateWindowExA(0, ClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
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

LRESULT CALLBACK ControlWindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    auto C = static_cast<TWinControl*>(GetPropA(Wnd, ControlProp));
    if (!C) {
        if (Msg == WM_NCCREATE)
            C = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTA*>(LParam)->lpCreateParams);
        if (!C)
            C = CreationControl;
        if (!C)
            return DefWindowProcA(Wnd, Msg, WParam, LParam);
        SetPropA(Wnd, ControlProp, C);
        C->FHandle = Wnd;
    }
    TMessage M{Msg, WParam, LParam, 0};
    {
        TDispatchGuard Guard(C, C->FDispatchDepth, C->FAlive);
        try {
            C->WndProc(M);
        } catch (...) {
            // An exception must not unwind through the system's frames.
            if (Application)
                Application->HandleException(Guard.Alive() ? C : nullptr);
        }
        if (Msg == WM_NCDESTROY) {
            RemovePropA(Wnd, ControlProp);
            if (Guard.Alive() && C->FHandle == Wnd)
                C->FHandle = nullptr;
        }
    }
    return M.Result;
}

// ---------------------------------------------------------------------------
// TControl
// ---------------------------------------------------------------------------

TControl::TControl(TComponent* AOwner) : TComponent(AOwner), FFont(new TFont), FAlive(std::make_shared<bool>(true))
{
    FFont->OnChange = [this](TObject* Sender) { FontChanged(Sender); };
}

TControl::~TControl()
{
    *FAlive = false;
    PendingFrees.erase(std::remove(PendingFrees.begin(), PendingFrees.end(), this), PendingFrees.end());
    if (CaptureControl == this)
        CaptureControl = nullptr;
    if (MouseOverControl == this)
        MouseOverControl = nullptr;
    if (FParent)
        FParent->RemoveControl(this);
    delete FFont;
}

void TControl::BeforeDestruction()
{
    Destroying();
    if (CaptureControl == this)
        SetMouseCapture(false);
    if (MouseOverControl == this)
        MouseOverControl = nullptr;
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
    if (IsDispatching()) {
        // Freed from inside one of its own handlers (a button that closes
        // its panel): the handlers still on the stack would run on a dead
        // object. The free happens once they have unwound.
        if (!FFreePending) {
            FFreePending = true;
            PendingFrees.push_back(this);
            if (Application)
                PostMessageA(Application->Handle(), CM_DEFERREDFREE, 0, 0);
        }
        return;
    }
    TObject::Free();
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam)
{
    TMessage M{Msg, WParam, LParam, 0};
    TDispatchGuard Guard(this, FDispatchDepth, FAlive);
    WndProc(M);
    return M.Result;
}

void TControl::WndProc(TMessage& Message)
{
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
        if (CaptureControl == this)
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
}

void TControl::DblClick()
{
    if (OnDblClick)
        OnDblClick(this);
}

void TControl::SetParent(TWinControl* AParent)
{
    if (AParent == FParent)
        return;
    if (AParent == this)
        throw EInvalidOperation("A control cannot have itself as its parent");
    if (FParent)
        FParent->RemoveControl(this);
    if (AParent)
        AParent->InsertControl(this);
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
    if (Value == FAlign)
        return;
    FAlign = Value;
    RequestAlign();
}

void TControl::SetAutoSize(bool Value)
{
    if (Value == FAutoSize)
        return;
    FAutoSize = Value;
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
    if (Value == FEnabled)
        return;
    FEnabled = Value;
    Perform(CM_ENABLEDCHANGED);
}

void TControl::SetColor(TColor Value)
{
    if (Value == FColor)
        return;
    FColor = Value;
    FParentColor = false;
    Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool Value)
{
    if (Value == FParentColor)
        return;
    FParentColor = Value;
    if (Value && FParent)
        Perform(CM_PARENTCOLORCHANGED);
}

void TControl::SetParentFont(bool Value)
{
    if (Value == FParentFont)
        return;
    FParentFont = Value;
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
}

void TControl::SetTextValue(const std::string& Value)
{
    FText = Value;
}

void TControl::SetShowHint(bool Value)
{
    if (Value == FShowHint)
        return;
    FShowHint = Value;
    FParentShowHint = false;
    Perform(CM_SHOWHINTCHANGED);
}

void TControl::SetParentShowHint(bool Value)
{
    if (Value == FParentShowHint)
        return;
    FParentShowHint = Value;
    if (Value && FParent)
        Perform(CM_PARENTSHOWHINTCHANGED);
}

void TControl::SetCursor(TCursor Value)
{
    if (Value == FCursor)
        return;
    FCursor = Value;
    Perform(CM_CURSORCHANGED);
}

void TControl::SetBiDiMode(TBiDiMode Value)
{
    if (Value == FBiDiMode)
        return;
    FBiDiMode = Value;
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
    return CaptureControl == this;
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
        CaptureControl = this;
        if (W && static_cast<const TWinControl*>(W)->HandleAllocated())
            SetCapture(static_cast<const TWinControl*>(W)->WindowHandle());
    } else {
        CaptureControl = nullptr;
        ReleaseCapture();
    }
}

TControl* TControl::CaptureControlOf() const
{
    return CaptureControl;
}

TControl* TControl::MouseControl()
{
    return MouseOverControl;
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
        OrdProp("ShowHint", &TControl::ShowHint, &TControl::SetShowHint),
        OrdProp("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint),
        OrdProp("Cursor", &TControl::Cursor, &TControl::SetCursor),
        StrProp("Caption", &TControl::Caption, &TControl::SetCaption),
        StrProp("Hint", &TControl::Hint, &TControl::SetHint),
    });
    return Table;
}

// ---------------------------------------------------------------------------
// TWinControl
// ---------------------------------------------------------------------------

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner), FBrush(new TBrush)
{
    FBrush->SetColor(FColor);
    FBrush->OnChange = [this](TObject* Sender) { BrushChanged(Sender); };
}

TWinControl::~TWinControl()
{
    // Reached without Free(): tear down what BeforeDestruction would have.
    while (!FControls.empty())
        FControls.back()->Free();
    if (FHandle) {
        HWND H = FHandle;
        RemovePropA(H, ControlProp);
        if (FDefWndProc && FDefWndProc != DefWindowProcA)
            SetWindowLongPtrA(H, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FDefWndProc));
        else
            SetWindowLongPtrA(H, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcA));
        FHandle = nullptr;
        DestroyWindow(H);
    }
    delete FBrush;
}

void TWinControl::BeforeDestruction()
{
    Destroying();
    // Child controls go with their parent whoever owns them; each leaves its
    // owner's list on the way.
    while (!FControls.empty()) {
        TControl* C = FControls.back();
        C->TObject::Free();
    }
    DestroyHandle();
    TControl::BeforeDestruction();
}

TWinControl* TWinControl::FindControl(HWND Wnd)
{
    if (!Wnd)
        return nullptr;
    DWORD Pid = 0;
    GetWindowThreadProcessId(Wnd, &Pid);
    if (Pid != GetCurrentProcessId())
        return nullptr;
    return static_cast<TWinControl*>(GetPropA(Wnd, ControlProp));
}

HWND TWinControl::Handle()
{
    if (!FHandle)
        CreateHandle();
    return FHandle;
}

void TWinControl::SetParentWindow(HWND Value)
{
    if (Value == FParentWindow)
        return;
    FParentWindow = Value;
    if (FHandle && !FParent)
        RecreateWnd();
}

void TWinControl::CreateHandle()
{
    if (FHandle)
        return;
    CreateWnd();
    CreateHandleDone();
    for (TControl* C : std::vector<TControl*>(FControls))
        if (auto W = dynamic_cast<TWinControl*>(C))
            if (W->Visible())
                W->CreateHandle();
    if (FControlState & csAlignmentNeeded)
        Realign();
}

void TWinControl::CreateParams(TCreateParams& Params)
{
    Params.Caption = FText;
    Params.Style = WS_CHILD | WS_CLIPSIBLINGS;
    if (FControlStyle & csAcceptsControls)
        Params.Style |= WS_CLIPCHILDREN;
    if (FVisible)
        Params.Style |= WS_VISIBLE;
    if (!FEnabled)
        Params.Style |= WS_DISABLED;
    if (FTabStop)
        Params.Style |= WS_TABSTOP;
    Params.X = FLeft;
    Params.Y = FTop;
    Params.Width = FWidth;
    Params.Height = FHeight;
    if (FParent)
        Params.WndParent = FParent->Handle();
    else
        Params.WndParent = FParentWindow;
    Params.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    Params.WindowClass.lpfnWndProc = DefWindowProcA;
    Params.WindowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    Params.WindowClass.hbrBackground = nullptr;
    Params.WinClassName = ClassName();
}

void TWinControl::CreateSubClass(TCreateParams& Params, const char* ControlClassName)
{
    WNDCLASSA WC{};
    if (!GetClassInfoA(nullptr, ControlClassName, &WC) &&
        !GetClassInfoA(GetModuleHandleA(nullptr), ControlClassName, &WC))
        throw EOutOfResources(Format("Window class %s is not available", std::string(ControlClassName)));
    WC.style &= ~static_cast<UINT>(CS_GLOBALCLASS | CS_OWNDC | CS_CLASSDC | CS_PARENTDC);
    Params.WindowClass = WC;
}

void TWinControl::CreateWnd()
{
    TCreateParams Params;
    CreateParams(Params);
    if ((Params.Style & WS_CHILD) && !Params.WndParent)
        throw EInvalidOperation(Format("Control '%s' has no parent window", Name()));
    FDefWndProc = Params.WindowClass.lpfnWndProc ? Params.WindowClass.lpfnWndProc : DefWindowProcA;
    // Class names are per class of ours; a class registered earlier keeps
    // its first description.
    std::string ClassNameA = "Tessaly." + Params.WinClassName;
    HINSTANCE Inst = GetModuleHandleA(nullptr);
    WNDCLASSA Existing{};
    if (!GetClassInfoA(Inst, ClassNameA.c_str(), &Existing)) {
        WNDCLASSA WC = Params.WindowClass;
        WC.lpfnWndProc = ControlWindowProc;
        WC.hInstance = Inst;
        WC.lpszClassName = ClassNameA.c_str();
        if (!RegisterClassA(&WC))
            throw EOutOfResources("Error registering window class " + ClassNameA);
    }
    Params.WinClassName = ClassNameA;
    CreateWindowHandle(Params);
    if (!FHandle)
        throw EOutOfResources(Format("Error creating window: %s", SysErrorMessage(GetLastError())));
    if ((FControlState & csCustomPaint) == 0)
        SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont->Handle()), 0);
}

void TWinControl::CreateWindowHandle(const TCreateParams& Params)
{
    TWinControl* Saved = CreationControl;
    CreationControl = this;
    HMENU Id = (Params.Style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(NextControlId++)) : nullptr;
    HWND Wnd = CreateWindowExA(Params.ExStyle, Params.WinClassName.c_str(), Params.Caption.c_str(), Params.Style,
                               Params.X, Params.Y, Params.Width, Params.Height, Params.WndParent, Id,
                               GetModuleHandleA(nullptr), this);
    CreationControl = Saved;
    FHandle = Wnd;
}

void TWinControl::DestroyWnd()
{
    // The text lives in the window while there is one.
    FText = GetText();
    DestroyWindowHandle();
}

void TWinControl::DestroyWindowHandle()
{
    FControlState |= csDestroyingHandle;
    if (FHandle)
        DestroyWindow(FHandle);
    FHandle = nullptr;
    FControlState &= ~csDestroyingHandle;
}

void TWinControl::DestroyHandle()
{
    if (!FHandle)
        return;
    for (TControl* C : FControls)
        if (auto W = dynamic_cast<TWinControl*>(C))
            W->DestroyHandle();
    DestroyWnd();
}

void TWinControl::RecreateWnd()
{
    if (!FHandle)
        return;
    DestroyHandle();
    if (FParent ? FParent->HandleAllocated() : true)
        CreateHandle();
}

void TWinControl::DefaultHandler(TMessage& Message)
{
    if (FHandle) {
        WNDPROC P = FDefWndProc ? FDefWndProc : DefWindowProcA;
        Message.Result = CallWindowProcA(P, FHandle, Message.Msg, Message.WParam, Message.LParam);
        return;
    }
    TControl::DefaultHandler(Message);
}

std::string TWinControl::GetText() const
{
    if (!FHandle)
        return FText;
    int Len = GetWindowTextLengthA(FHandle);
    std::string S(static_cast<size_t>(Len) + 1, '\0');
    int Got = GetWindowTextA(FHandle, S.data(), Len + 1);
    S.resize(static_cast<size_t>(std::max(Got, 0)));
    return S;
}

void TWinControl::SetTextValue(const std::string& Value)
{
    FText = Value;
    if (FHandle)
        SetWindowTextA(FHandle, Value.c_str());
}

TRect TWinControl::GetClientRect() const
{
    if (FHandle) {
        RECT R{};
        ::GetClientRect(FHandle, &R);
        return R;
    }
    return TControl::GetClientRect();
}

void TWinControl::SetClientSize(int AWidth, int AHeight)
{
    if (FHandle) {
        RECT W{}, C{};
        GetWindowRect(FHandle, &W);
        ::GetClientRect(FHandle, &C);
        SetBounds(FLeft, FTop, AWidth + (W.right - W.left) - C.right, AHeight + (W.bottom - W.top) - C.bottom);
        return;
    }
    TControl::SetClientSize(AWidth, AHeight);
}

TPoint TWinControl::ClientOrigin() const
{
    if (FHandle) {
        POINT P{0, 0};
        ::ClientToScreen(FHandle, &P);
        return P;
    }
    return TControl::ClientOrigin();
}

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    AWidth = std::max(AWidth, 0);
    AHeight = std::max(AHeight, 0);
    if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight)
        return;
    if (FHandle && !IsIconic(FHandle)) {
        // WM_WINDOWPOSCHANGED brings the new bounds back and realigns.
        SetWindowPos(FHandle, nullptr, ALeft, ATop, AWidth, AHeight, SWP_NOZORDER | SWP_NOACTIVATE);
        if (FLeft != ALeft || FTop != ATop || FWidth != AWidth || FHeight != AHeight)
            UpdateBoundsFromWindow(ALeft, ATop, AWidth, AHeight);
        return;
    }
    UpdateBoundsFromWindow(ALeft, ATop, AWidth, AHeight);
}

bool TWinControl::Showing() const
{
    return FHandle && IsWindowVisible(FHandle);
}

void TWinControl::SetEnabled(bool Value)
{
    TControl::SetEnabled(Value);
}

void TWinControl::Invalidate()
{
    if (FHandle)
        InvalidateRect(FHandle, nullptr, (FControlStyle & csOpaque) == 0);
}

void TWinControl::Update()
{
    if (FHandle)
        UpdateWindow(FHandle);
}

void TWinControl::Repaint()
{
    Invalidate();
    Update();
}

void TWinControl::InsertControl(TControl* AControl)
{
    AControl->FParent = this;
    FControls.push_back(AControl);
    if (auto W = dynamic_cast<TWinControl*>(AControl)) {
        if (W->FTabOrder < 0)
            W->FTabOrder = static_cast<int>(std::count_if(FControls.begin(), FControls.end(),
                                                          [](TControl* C) { return IsWinControl(C); })) - 1;
    }
    AControl->Perform(CM_PARENTCOLORCHANGED);
    AControl->Perform(CM_PARENTFONTCHANGED);
    AControl->Perform(CM_PARENTSHOWHINTCHANGED);
    AControl->Perform(CM_PARENTBIDIMODECHANGED);
    if (auto W = dynamic_cast<TWinControl*>(AControl)) {
        if (FHandle && W->Visible())
            W->CreateHandle();
    } else {
        AControl->Invalidate();
    }
    Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(AControl), 1);
    if (AControl->Align() != alNone)
        Realign();
}

void TWinControl::RemoveControl(TControl* AControl)
{
    auto It = std::find(FControls.begin(), FControls.end(), AControl);
    if (It == FControls.end())
        return;
    AControl->Invalidate();
    if (auto W = dynamic_cast<TWinControl*>(AControl)) {
        if (!HasState(csDestroying))
            if (TCustomForm* F = GetParentForm(this))
                F->Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(W), 0);
        W->DestroyHandle();
        // Close the gap in the tab order.
        for (TControl* C : FControls)
            if (auto O = dynamic_cast<TWinControl*>(C))
                if (O != W && O->FTabOrder > W->FTabOrder)
                    --O->FTabOrder;
        W->FTabOrder = -1;
    }
    FControls.erase(std::find(FControls.begin(), FControls.end(), AControl));
    AControl->FParent = nullptr;
    if (CaptureControl == AControl)
        CaptureControl = nullptr;
    if (MouseOverControl == AControl)
        MouseOverControl = nullptr;
    if (!HasState(csDestroying)) {
        Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(AControl), 0);
        if (AControl->Align() != alNone)
            Realign();
    }
}

bool TWinControl::ContainsControl(const TControl* Control) const
{
    for (const TControl* C = Control; C; C = C->Parent())
        if (C == this)
            return true;
    return false;
}

TControl* TWinControl::ControlAtPos(const TPoint& P, bool AllowDisabled, bool AllowWinControls) const
{
    for (auto It = FControls.rbegin(); It != FControls.rend(); ++It) {
        TControl* C = *It;
        if (!AllowWinControls && IsWinControl(C))
            continue;
        if (!C->Visible() || (!AllowDisabled && !C->Enabled()))
            continue;
        if (!C->BoundsRect().Contains(P))
            continue;
        if (C->Perform(CM_HITTEST, 0, MAKELPARAM(P.x - C->Left(), P.y - C->Top())) == 0)
            continue;
        return C;
    }
    return nullptr;
}

void TWinControl::Broadcast(TMessage& Message)
{
    for (TControl* C : std::vector<TControl*>(FControls)) {
        if (std::find(FControls.begin(), FControls.end(), C) == FControls.end())
            continue;
        C->WndProc(Message);
        if (Message.Result != 0)
            return;
    }
}

void TWinControl::NotifyControls(UINT Msg)
{
    TMessage M{Msg, 0, 0, 0};
    Broadcast(M);
}

void TWinControl::Realign()
{
    if (FAlignLevel > 0 || HasState(csLoading | csDestroying) || FRealigning) {
        if (!FRealigning)
            FControlState |= csAlignmentNeeded;
        return;
    }
    FControlState &= ~csAlignmentNeeded;
    FRealigning = true;
    try {
        TRect R = ClientRect();
        AdjustClientRect(R);
        AlignControls(nullptr, R);
    } catch (...) {
        FRealigning = false;
        throw;
    }
    FRealigning = false;
}

void TWinControl::EnableAlign()
{
    if (FAlignLevel > 0)
        --FAlignLevel;
    if (FAlignLevel == 0 && (FControlState & csAlignmentNeeded))
        Realign();
}

void TWinControl::AdjustClientRect(TRect&)
{
}

void TWinControl::RequestAlign()
{
    TControl::RequestAlign();
}

void TWinControl::AlignControls(TControl*, TRect& Rect)
{
    static const TAlign Order[] = {alTop, alBottom, alLeft, alRight, alClient};
    for (TAlign A : Order) {
        std::vector<TControl*> List;
        for (TControl* C : FControls)
            if (C->Align() == A && C->Visible())
                List.push_back(C);
        // Controls of one alignment keep their order on screen: the one
        // nearest the edge it sticks to goes first.
        std::stable_sort(List.begin(), List.end(), [A](TControl* X, TControl* Y) {
            switch (A) {
            case alTop: return X->Top() < Y->Top();
            case alBottom: return X->Top() + X->Height() > Y->Top() + Y->Height();
            case alLeft: return X->Left() < Y->Left();
            case alRight: return X->Left() + X->Width() > Y->Left() + Y->Width();
            default: return false;
            }
        });
        for (TControl* C : List) {
            int W = std::max<int>(Rect.Width(), 0), H = std::max<int>(Rect.Height(), 0);
            switch (A) {
            case alTop:
                C->SetBounds(Rect.left, Rect.top, W, C->Height());
                Rect.top += C->Height();
                break;
            case alBottom:
                C->SetBounds(Rect.left, Rect.bottom - C->Height(), W, C->Height());
                Rect.bottom -= C->Height();
                break;
            case alLeft:
                C->SetBounds(Rect.left, Rect.top, C->Width(), H);
                Rect.left += C->Width();
                break;
            case alRight:
                C->SetBounds(Rect.right - C->Width(), Rect.top, C->Width(), H);
                Rect.right -= C->Width();
                break;
            case alClient:
                C->SetBounds(Rect.left, Rect.top, W, H);
                break;
            default:
                break;
            }
        }
    }
}

void TWinControl::Loaded()
{
    TControl::Loaded();
    Realign();
}

void TWinControl::SetParentBackground(bool Value)
{
    if (Value == ParentBackground())
        return;
    if (Value)
        FControlStyle |= csParentBackground;
    else
        FControlStyle &= ~csParentBackground;
    Invalidate();
}

void TWinControl::BrushChanged(TObject*)
{
    Invalidate();
}

void TWinControl::SetTabStop(bool Value)
{
    if (Value == FTabStop)
        return;
    FTabStop = Value;
    if (FHandle) {
        LONG_PTR S = GetWindowLongPtrA(FHandle, GWL_STYLE);
        SetWindowLongPtrA(FHandle, GWL_STYLE, Value ? (S | WS_TABSTOP) : (S & ~static_cast<LONG_PTR>(WS_TABSTOP)));
    }
    Perform(CM_TABSTOPCHANGED);
}

int TWinControl::TabOrder() const
{
    return FTabOrder;
}

void TWinControl::SetTabOrder(int Value)
{
    if (!FParent) {
        FTabOrder = Value;
        return;
    }
    std::vector<TWinControl*> Siblings;
    for (TControl* C : FParent->FControls)
        if (auto W = dynamic_cast<TWinControl*>(C))
            Siblings.push_back(W);
    std::stable_sort(Siblings.begin(), Siblings.end(),
                     [](TWinControl* A, TWinControl* B) { return A->FTabOrder < B->FTabOrder; });
    Siblings.erase(std::remove(Siblings.begin(), Siblings.end(), this), Siblings.end());
    int N = static_cast<int>(Siblings.size());
    Value = (Value < 0 || Value > N) ? N : Value;
    Siblings.insert(Siblings.begin() + Value, this);
    for (int I = 0; I < static_cast<int>(Siblings.size()); ++I)
        Siblings[static_cast<size_t>(I)]->FTabOrder = I;
}

bool TWinControl::CanFocus() const
{
    for (const TControl* C = this; C; C = C->Parent())
        if (!C->Visible() || !C->Enabled())
            return false;
    return GetParentForm(this) != nullptr || FParentWindow != nullptr || !FParent;
}

bool TWinControl::Focused() const
{
    return FHandle && GetFocus() == FHandle;
}

void TWinControl::SetFocus()
{
    if (TCustomForm* F = GetParentForm(this); F && F != this)
        F->FocusControl(this);
    else if (FVisible)
        ::SetFocus(Handle());
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List) const
{
    std::vector<TWinControl*> Kids;
    for (TControl* C : FControls)
        if (auto W = dynamic_cast<TWinControl*>(C))
            Kids.push_back(W);
    std::stable_sort(Kids.begin(), Kids.end(),
                     [](TWinControl* A, TWinControl* B) { return A->FTabOrder < B->FTabOrder; });
    for (TWinControl* W : Kids) {
        List.push_back(W);
        W->GetTabOrderList(List);
    }
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                                          bool CheckParent) const
{
    std::vector<TWinControl*> List;
    GetTabOrderList(List);
    if (List.empty())
        return nullptr;
    int N = static_cast<int>(List.size());
    int Start = -1;
    for (int I = 0; I < N; ++I)
        if (List[static_cast<size_t>(I)] == CurControl)
            Start = I;
    if (Start < 0)
        Start = GoForward ? N - 1 : 0;
    int I = Start;
    for (int Step = 0; Step < N; ++Step) {
        I = GoForward ? (I + 1) % N : (I + N - 1) % N;
        TWinControl* C = List[static_cast<size_t>(I)];
        if (C == CurControl)
            break;
        if ((!CheckTabStop || C->TabStop()) && (!CheckParent || C->Parent() == this) && C->CanFocus())
            return C;
    }
    return nullptr;
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop)
{
    if (TWinControl* C = FindNextControl(CurControl, GoForward, CheckTabStop, !CheckTabStop))
        C->SetFocus();
}

void TWinControl::SetZOrder(bool TopMost)
{
    if (FHandle)
        SetWindowPos(FHandle, TopMost ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::UpdateShowing()
{
    if (FVisible && !FHandle) {
        if (FParent ? FParent->HandleAllocated() : (FParentWindow != nullptr))
            CreateHandle();
        return;
    }
    if (FHandle) {
        ShowWindow(FHandle, FVisible ? SW_SHOWNOACTIVATE : SW_HIDE);
        Perform(CM_SHOWINGCHANGED);
    }
}

void TWinControl::UpdateControlState()
{
    UpdateShowing();
}

void TWinControl::PaintTo(HDC DC, int X, int Y)
{
    int Saved = SaveDC(DC);
    POINT Org{};
    GetViewportOrgEx(DC, &Org);
    SetViewportOrgEx(DC, Org.x + X, Org.y + Y, nullptr);
    IntersectClipRect(DC, 0, 0, FWidth, FHeight);
    TMessage Erase{WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), 0, 0};
    EraseBackground(Erase);
    TMessage Paint{WM_PAINT, reinterpret_cast<WPARAM>(DC), 0, 0};
    PaintHandler(Paint);
    RestoreDC(DC, Saved);
    for (TControl* C : FControls)
        if (auto W = dynamic_cast<TWinControl*>(C))
            if (W->Visible())
                W->PaintTo(DC, X + W->Left(), Y + W->Top());
}

// ---------------------------------------------------------------------------
// TWinControl: painting
// ---------------------------------------------------------------------------

void TWinControl::PaintWindow(HDC DC)
{
    TMessage M{WM_PAINT, reinterpret_cast<WPARAM>(DC), 0, 0};
    DefaultHandler(M);
}

void TWinControl::PaintHandler(TMessage& Message)
{
    HDC DC = reinterpret_cast<HDC>(Message.WParam);
    PAINTSTRUCT PS{};
    bool OwnDC = DC == nullptr;
    if (OwnDC)
        DC = BeginPaint(FHandle, &PS);
    int Saved = SaveDC(DC);
    // Opaque graphic children paint their own area: keep our painter out.
    for (TControl* C : FControls)
        if (!IsWinControl(C) && C->Visible() && (C->ControlStyle() & csOpaque)) {
            TRect R = C->BoundsRect();
            ExcludeClipRect(DC, R.left, R.top, R.right, R.bottom);
        }
    auto Alive = FAlive;
    try {
        PaintWindow(DC);
    } catch (...) {
        RestoreDC(DC, Saved);
        if (OwnDC)
            EndPaint(FHandle, &PS);
        throw;
    }
    if (!*Alive)
        return;
    RestoreDC(DC, Saved);
    PaintControls(DC, nullptr);
    if (OwnDC)
        EndPaint(FHandle, &PS);
}

void TWinControl::PaintControls(HDC DC, TControl* First)
{
    auto It = FControls.begin();
    if (First) {
        It = std::find(FControls.begin(), FControls.end(), First);
        if (It == FControls.end())
            It = FControls.begin();
    }
    std::vector<TControl*> List(It, FControls.end());
    for (TControl* C : List) {
        // A control painting itself may ask its parent for the background
        // (transparent controls): it is not painted again inside that.
        if (IsWinControl(C) || !C->Visible() || C->FInPaint)
            continue;
        TRect R = C->BoundsRect();
        if (!RectVisible(DC, &R))
            continue;
        int Saved = SaveDC(DC);
        POINT Org{};
        GetViewportOrgEx(DC, &Org);
        SetViewportOrgEx(DC, Org.x + R.left, Org.y + R.top, nullptr);
        IntersectClipRect(DC, 0, 0, R.Width(), R.Height());
        C->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
        RestoreDC(DC, Saved);
    }
}

void TWinControl::EraseBackground(TMessage& Message)
{
    HDC DC = reinterpret_cast<HDC>(Message.WParam);
    RECT R = ClientRect();
    ::FillRect(DC, &R, FBrush->Handle());
    Message.Result = 1;
}

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
            if (TCustomForm* F = GetParentForm(this))
                if (F->Perform(CM_DIALOGKEY, Key, Message.LParam) != 0)
                    return;
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
            if (TCustomForm* F = GetParentForm(this))
                Message.Result = F->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam);
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
        if (Over != MouseOverControl) {
            TControl* Old = MouseOverControl;
            MouseOverControl = Over;
            if (Old)
                Old->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(Old));
            if (MouseOverControl == Over)
                Over->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(Over));
        }
        if (!*Alive)
            return;
        TrackMouseLeave();
    }
    TControl* Target = nullptr;
    if (CaptureControl && CaptureControl->Parent() == this && !IsWinControl(CaptureControl))
        Target = CaptureControl;
    else if (!CaptureControl || CaptureControl == this || !ContainsControl(CaptureControl))
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

void TWinControl::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN:
    case WM_LBUTTONUP: case WM_RBUTTONUP: case WM_MBUTTONUP:
    case WM_LBUTTONDBLCLK: case WM_RBUTTONDBLCLK: case WM_MBUTTONDBLCLK:
        if (FHandle && Message.Msg != 0) {
            RouteMouseToChild(Message);
            return;
        }
        break;
    case WM_MOUSELEAVE:
        FTrackingLeave = false;
        if (MouseOverControl && (MouseOverControl == this || MouseOverControl->Parent() == this)) {
            TControl* Old = MouseOverControl;
            MouseOverControl = nullptr;
            Old->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(Old));
        }
        return;
    case WM_CAPTURECHANGED:
        if (CaptureControl && reinterpret_cast<HWND>(Message.LParam) != FHandle) {
            TControl* C = CaptureControl;
            if (C == this || C->Parent() == this)
                CaptureControl = nullptr;
        }
        DefaultHandler(Message);
        return;
    case WM_PAINT:
        if ((FControlState & csCustomPaint) == 0 && FControls.empty()) {
            DefaultHandler(Message);
            return;
        }
        PaintHandler(Message);
        return;
    case WM_PRINTCLIENT:
        if ((FControlState & csCustomPaint) == 0 && FControls.empty()) {
            DefaultHandler(Message);
            return;
        }
        {
            TMessage M{WM_PAINT, Message.WParam, 0, 0};
            PaintHandler(M);
        }
        return;
    case WM_ERASEBKGND:
        EraseBackground(Message);
        return;
    case WM_SETCURSOR:
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
        return;
    case WM_WINDOWPOSCHANGED: {
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
        return;
    }
    case WM_SETFOCUS: case WM_KILLFOCUS:
        HandleFocusMessage(Message);
        return;
    case WM_KEYDOWN: case WM_SYSKEYDOWN: case WM_KEYUP: case WM_SYSKEYUP: case WM_CHAR:
    case CN_KEYDOWN: case CN_KEYUP: case CN_CHAR: case CN_SYSKEYDOWN: case CN_SYSCHAR:
        HandleKeyMessage(Message);
        return;
    case WM_COMMAND: case WM_NOTIFY: case WM_HSCROLL: case WM_VSCROLL:
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC:
    case WM_CHARTOITEM: case WM_VKEYTOITEM:
    case WM_DRAWITEM: case WM_MEASUREITEM: case WM_COMPAREITEM: case WM_DELETEITEM:
        if (Message.Msg == WM_COMMAND && Message.LParam == 0) {
            DefaultHandler(Message);
            return;
        }
        ReflectNotification(Message);
        return;
    case CN_CTLCOLORMSGBOX: case CN_CTLCOLOREDIT: case CN_CTLCOLORLISTBOX: case CN_CTLCOLORBTN:
    case CN_CTLCOLORDLG: case CN_CTLCOLORSCROLLBAR: case CN_CTLCOLORSTATIC: {
        HDC DC = reinterpret_cast<HDC>(Message.WParam);
        SetTextColor(DC, ColorToRef(FFont->Color()));
        SetBkColor(DC, ColorToRef(FBrush->Color()));
        Message.Result = reinterpret_cast<LRESULT>(FBrush->Handle());
        return;
    }
    case WM_GETDLGCODE:
        DefaultHandler(Message);
        return;
    case CM_CHILDKEY:
        if (FParent)
            Message.Result = FParent->Perform(CM_CHILDKEY, Message.WParam, Message.LParam);
        return;
    case CM_DIALOGKEY: case CM_DIALOGCHAR: case CM_FOCUSCHANGED:
        Broadcast(Message);
        return;
    case CM_ENTER:
        DoEnter();
        return;
    case CM_EXIT:
        DoExit();
        return;
    case CM_SYSCOLORCHANGE:
        NotifyControls(CM_SYSCOLORCHANGE);
        Invalidate();
        return;
    case CM_COLORCHANGED:
        FBrush->OnChange = nullptr;
        FBrush->SetColor(FColor);
        FBrush->OnChange = [this](TObject* Sender) { BrushChanged(Sender); };
        NotifyControls(CM_PARENTCOLORCHANGED);
        Invalidate();
        return;
    case CM_FONTCHANGED:
        if (FHandle && (FControlState & csCustomPaint) == 0)
            SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont->Handle()), 0);
        NotifyControls(CM_PARENTFONTCHANGED);
        Invalidate();
        return;
    case CM_SHOWHINTCHANGED:
        NotifyControls(CM_PARENTSHOWHINTCHANGED);
        return;
    case CM_ENABLEDCHANGED:
        if (FHandle)
            EnableWindow(FHandle, FEnabled);
        Invalidate();
        return;
    case CM_VISIBLECHANGED:
        UpdateShowing();
        return;
    case WM_NCDESTROY:
        DefaultHandler(Message);
        if (MouseOverControl && ContainsControl(MouseOverControl))
            MouseOverControl = nullptr;
        for (TControlCanvas* C : std::vector<TControlCanvas*>(OpenCanvases))
            if (auto W = dynamic_cast<TWinControl*>(C->Control()); W == this)
                C->FreeHandle();
        FTrackingLeave = false;
        return;
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

// ---------------------------------------------------------------------------
// TCustomControl, TGraphicControl, TControlCanvas
// ---------------------------------------------------------------------------

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner), FCanvas(new TControlCanvas(this))
{
    FControlState |= csCustomPaint;
}

TCustomControl::~TCustomControl()
{
    delete FCanvas;
}

TCanvas* TCustomControl::Canvas() const
{
    return FCanvas;
}

void TCustomControl::WndProc(TMessage& Message)
{
    if (Message.Msg == WM_NCDESTROY)
        static_cast<TControlCanvas*>(FCanvas)->FreeHandle();
    TWinControl::WndProc(Message);
}

namespace {

// Runs a control's painter on a canvas lent the paint DC for the duration;
// InPaint is raised meanwhile. The control may be freed by its painter.
void PaintOnCanvas(TCanvas* Canvas, HDC DC, const std::shared_ptr<bool>& Alive, bool& InPaint,
                   const std::function<void()>& Paint)
{
    auto C = static_cast<TControlCanvas*>(Canvas);
    C->FreeHandle();
    C->SetHandle(DC);
    InPaint = true;
    try {
        Paint();
    } catch (...) {
        if (*Alive) {
            C->SetHandle(nullptr);
            InPaint = false;
        }
        throw;
    }
    if (*Alive) {
        C->SetHandle(nullptr);
        InPaint = false;
    }
}

} // namespace

void TCustomControl::PaintWindow(HDC DC)
{
    PaintOnCanvas(FCanvas, DC, FAlive, FInPaint, [this] { Paint(); });
}

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner), FCanvas(new TControlCanvas(this))
{
}

TGraphicControl::~TGraphicControl()
{
    delete FCanvas;
}

TCanvas* TGraphicControl::Canvas() const
{
    return FCanvas;
}

void TGraphicControl::WndProc(TMessage& Message)
{
    if (Message.Msg == WM_PAINT && Message.WParam != 0) {
        PaintOnCanvas(FCanvas, reinterpret_cast<HDC>(Message.WParam), FAlive, FInPaint, [this] { Paint(); });
        return;
    }
    TControl::WndProc(Message);
}

TControlCanvas::~TControlCanvas()
{
    FreeHandle();
}

void TControlCanvas::CreateHandle()
{
    if (!FControl)
        return;
    TWinControl* W = dynamic_cast<TWinControl*>(FControl);
    bool Graphic = W == nullptr;
    if (Graphic)
        W = FControl->Parent();
    if (!W)
        return;
    HWND Wnd = W->Handle();
    HDC DC = GetDCEx(Wnd, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS | (FWindowDC && !Graphic ? DCX_WINDOW : 0));
    if (!DC)
        return;
    if (Graphic) {
        SetViewportOrgEx(DC, FControl->Left(), FControl->Top(), nullptr);
        IntersectClipRect(DC, 0, 0, FControl->Width(), FControl->Height());
    }
    FDeviceContext = DC;
    FWindowHandle = Wnd;
    OpenCanvases.push_back(this);
    SetHandle(DC);
}

void TControlCanvas::FreeHandle()
{
    if (!FDeviceContext)
        return;
    SetHandle(nullptr);
    ReleaseDC(FWindowHandle, FDeviceContext);
    FDeviceContext = nullptr;
    FWindowHandle = nullptr;
    OpenCanvases.erase(std::remove(OpenCanvases.begin(), OpenCanvases.end(), this), OpenCanvases.end());
}

void FreeControlCanvasHandles()
{
    for (TControlCanvas* C : std::vector<TControlCanvas*>(OpenCanvases))
        C->FreeHandle();
}

void FlushPendingControlFrees()
{
    for (TControl* C : std::vector<TControl*>(PendingFrees)) {
        if (std::find(PendingFrees.begin(), PendingFrees.end(), C) == PendingFrees.end())
            continue;
        if (C->IsDispatching())
            continue;
        PendingFrees.erase(std::remove(PendingFrees.begin(), PendingFrees.end(), C), PendingFrees.end());
        C->TObject::Free();
    }
}

TCustomForm* GetParentForm(const TControl* Control)
{
    const TControl* C = Control;
    while (C && C->Parent())
        C = C->Parent();
    return const_cast<TCustomForm*>(dynamic_cast<const TCustomForm*>(C));
}
