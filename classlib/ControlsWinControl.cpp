// TWinControl: handle, bounds, children, alignment, tab order and painting.
#include "classlib/Controls.h"

#include <algorithm>

#include "classlib/ControlState.h"
#include "classlib/Forms.h"

using namespace ControlState;

namespace {

// The windowed ones of Controls by tab order, ties in control order.
std::vector<TWinControl*> InTabOrder(const std::vector<TControl*>& Controls)
{
    std::vector<TWinControl*> Out;
    for (TControl* C : Controls)
        if (auto W = dynamic_cast<TWinControl*>(C))
            Out.push_back(W);
    std::stable_sort(Out.begin(), Out.end(),
                     [](const TWinControl* A, const TWinControl* B) { return A->TabOrder() < B->TabOrder(); });
    return Out;
}

} // namespace

// ---------------------------------------------------------------------------
// TWinControl
// ---------------------------------------------------------------------------

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner), FBrush(std::make_unique<TBrush>())
{
    FBrush->SetColor(FColor);
    FBrush->OnChange = [this](TObject* Sender) { BrushChanged(Sender); };
}

TWinControl::~TWinControl()
{
    // From here a free of this control (a child's destructor freeing its
    // form) does nothing; ~TComponent would mark it too late for the
    // children freed below.
    BeginFree();
    for (TControl* C : FDockClients)
        C->FHostDockSite = nullptr;
    FDockManager.reset();
    // Reached without Free(): tear down what BeforeDestruction would have.
    // A child one of whose messages is being handled (this control deleted
    // from the child's own click) cannot go now, and calling its Free() in
    // a loop would never end: it leaves this control, window and all, and
    // goes once its handlers have unwound. Its owner's teardown, this
    // control's too, puts its free off in the same way. A child whose own
    // teardown, further up the stack, freed this control only leaves it.
    while (!FControls.empty()) {
        TControl* C = FControls.back();
        if (C->FreeBegun() || C->IsDispatching()) {
            C->Free();
            RemoveControl(C);
            continue;
        }
        C->FreeNow();
    }
    if (FHandle) {
        HWND H = FHandle;
        RemovePropA(H, ControlProp);
        ForgetControlWindow(H);
        if (FDefWndProc && FDefWndProc != DefWindowProcA)
            SetWindowLongPtrA(H, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FDefWndProc));
        else
            SetWindowLongPtrA(H, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcA));
        FHandle = nullptr;
        DestroyWindow(H);
    }
}

void TWinControl::BeforeDestruction()
{
    Destroying();
    // The windows go first: destroying a shown window sends it messages
    // (hidden, moved, focus lost) that its handlers answer with the child
    // controls they keep, which must still be there.
    DestroyHandle();
    // Child controls go with their parent whoever owns them; each leaves its
    // owner's list on the way. One whose own teardown, further up the
    // stack, freed this control only leaves it: that teardown finishes it.
    while (!FControls.empty()) {
        TControl* C = FControls.back();
        if (C->FreeBegun())
            RemoveControl(C);
        else
            C->FreeNow();
    }
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
    if (!StoreChanged(FParentWindow, Value))
        return;
    if (FHandle && !FParent)
        RecreateWnd();
}

void TWinControl::CreateHandle()
{
    if (FHandle)
        return;
    // The parent's window comes first. Making it makes the windows of its
    // visible children, this one among them; a second window made here would
    // be left behind with this object's name on it and outlive the object.
    if (FParent)
        FParent->Handle();
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
    TWinControl* Saved = GCreationControl;
    GCreationControl = this;
    HMENU Id = (Params.Style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(GNextControlId++)) : nullptr;
    HWND Wnd = CreateWindowExA(Params.ExStyle, Params.WinClassName.c_str(), Params.Caption.c_str(), Params.Style,
                               Params.X, Params.Y, Params.Width, Params.Height, Params.WndParent, Id,
                               GetModuleHandleA(nullptr), this);
    GCreationControl = Saved;
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
    // A child's handlers may move or free controls while its window goes.
    for (TControl* C : std::vector<TControl*>(FControls))
        if (std::find(FControls.begin(), FControls.end(), C) != FControls.end())
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
    if (auto W = dynamic_cast<TWinControl*>(AControl))
        W->FUIState = FUIState;
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
    if (GCaptureControl == AControl)
        GCaptureControl = nullptr;
    if (GMouseOverControl == AControl)
        GMouseOverControl = nullptr;
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
    TScopeExit Done([this] { FRealigning = false; });
    TRect R = ClientRect();
    AdjustClientRect(R);
    AlignControls(nullptr, R);
    // Docked controls follow the site's size through its dock manager.
    if (FDockManager)
        FDockManager->ResetBounds(false);
}

void TWinControl::EnableAlign()
{
    if (FAlignLevel > 0)
        --FAlignLevel;
    if (FAlignLevel == 0 && (FControlState & csAlignmentNeeded))
        Realign();
}

void TWinControl::AdjustClientRect(TRect& Rect)
{
    Rect.left += FPadding.left;
    Rect.top += FPadding.top;
    Rect.right -= FPadding.right;
    Rect.bottom -= FPadding.bottom;
}

void TWinControl::SetPadding(const TRect& Value)
{
    if (EqualRect(&FPadding, &Value))
        return;
    FPadding = Value;
    Realign();
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
    // The tab orders read are kept as stored (SetTabOrder); number them
    // 0.. in their order, ties in control order.
    std::vector<TWinControl*> Kids = InTabOrder(FControls);
    for (size_t I = 0; I < Kids.size(); ++I)
        Kids[I]->FTabOrder = static_cast<int>(I);
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
    if (!StoreChanged(FTabStop, Value))
        return;
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
    // While a form is read its children arrive in control order, not tab
    // order: the stored value is kept as it is and the parent's Loaded
    // numbers its children by those values once all of them are in.
    if (!FParent || HasState(csReading)) {
        FTabOrder = Value;
        return;
    }
    std::vector<TWinControl*> Siblings = InTabOrder(FParent->FControls);
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
    for (TWinControl* W : InTabOrder(FControls)) {
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
// TWinControl: scaling and UI state
// ---------------------------------------------------------------------------

void TWinControl::ChangeScale(int M, int D)
{
    if (M == D || D == 0)
        return;
    DisableAlign();
    for (TControl* C : std::vector<TControl*>(FControls))
        C->ChangeScale(M, D);
    TControl::ChangeScale(M, D);
    EnableAlign();
}

void TWinControl::ChangeUIState(TMessage& Message)
{
    // The top-level control decides and tells the whole tree.
    TWinControl* Top = this;
    while (Top->Parent())
        Top = Top->Parent();
    // Cues start hidden, but not for a control made after keyboard use.
    WPARAM Change = Message.WParam;
    if (auto* F = dynamic_cast<TCustomForm*>(Top); F && F->KeyboardInput() && LOWORD(Change) == UIS_INITIALIZE)
        Change = MAKEWPARAM(UIS_CLEAR, HIWORD(Change));
    Top->Perform(WM_UPDATEUISTATE, Change, 0);
    Message.Result = 0;
}

void TWinControl::UpdateUIState(TMessage& Message)
{
    const WORD Action = LOWORD(Message.WParam);
    const WORD Flags = HIWORD(Message.WParam) & (UISF_HIDEFOCUS | UISF_HIDEACCEL | UISF_ACTIVE);
    const WORD Old = FUIState;
    switch (Action) {
    case UIS_SET:
    case UIS_INITIALIZE: FUIState |= Flags; break;
    case UIS_CLEAR: FUIState &= static_cast<WORD>(~Flags); break;
    default: break;
    }
    if (FUIState != Old)
        Invalidate();
    for (TControl* C : std::vector<TControl*>(FControls))
        if (IsWinControl(C))
            C->Perform(WM_UPDATEUISTATE, Message.WParam, Message.LParam);
    Message.Result = 0;
}

// ---------------------------------------------------------------------------
// TWinControl: painting
// ---------------------------------------------------------------------------

void TWinControl::PaintWindow(HDC DC)
{
    TMessage M{WM_PAINT, reinterpret_cast<WPARAM>(DC), 0, 0};
    DefaultHandler(M);
}

namespace {

// A memory device context with a bitmap compatible with another DC, freed
// on every way out.
class TMemoryDC {
public:
    TMemoryDC(HDC Like, int W, int H)
        : FDC(CreateCompatibleDC(Like)), FBitmap(CreateCompatibleBitmap(Like, std::max(W, 1), std::max(H, 1))),
          FSelected(FDC.Get(), FBitmap.Get())
    {
    }
    HDC DC() const { return FSelected.Previous() ? FDC.Get() : nullptr; }

private:
    // In this order, so that the bitmap leaves the DC, then goes, and the
    // DC goes last.
    TOwnedDC FDC;
    TGdiObject<HBITMAP> FBitmap;
    TSelectedObject FSelected;
};

// BeginPaint and EndPaint as one object.
class TPaintScope {
public:
    explicit TPaintScope(HWND Wnd) : FWnd(Wnd) { FDC = BeginPaint(Wnd, &FPS); }
    ~TPaintScope() { EndPaint(FWnd, &FPS); }
    TPaintScope(const TPaintScope&) = delete;
    TPaintScope& operator=(const TPaintScope&) = delete;
    HDC DC() const { return FDC; }

private:
    HWND FWnd;
    PAINTSTRUCT FPS{};
    HDC FDC = nullptr;
};

} // namespace

void TWinControl::DoubleBufferedPaint()
{
    // The whole client area is drawn off screen, background first, and
    // shown with one copy: nothing flickers through half-drawn states.
    TPaintScope Paint(FHandle);
    RECT R{};
    ::GetClientRect(FHandle, &R);
    TMemoryDC Memory(Paint.DC(), R.right, R.bottom);
    if (!Memory.DC()) {
        TMessage Direct{WM_PAINT, reinterpret_cast<WPARAM>(Paint.DC()), 0, 0};
        PaintHandler(Direct);
        return;
    }
    auto Alive = FAlive;
    Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(Memory.DC()), reinterpret_cast<LPARAM>(Memory.DC()));
    if (!*Alive)
        return;
    TMessage M{WM_PAINT, reinterpret_cast<WPARAM>(Memory.DC()), 0, 0};
    PaintHandler(M);
    if (*Alive)
        BitBlt(Paint.DC(), 0, 0, R.right, R.bottom, Memory.DC(), 0, 0, SRCCOPY);
}

void TWinControl::PaintHandler(TMessage& Message)
{
    HDC DC = reinterpret_cast<HDC>(Message.WParam);
    if (!DC && FDoubleBuffered && FHandle) {
        DoubleBufferedPaint();
        return;
    }
    PAINTSTRUCT PS{};
    const bool OwnDC = DC == nullptr;
    // A copy: the painter may free the control, and BeginPaint is still
    // answered by EndPaint on every way out.
    const HWND Wnd = FHandle;
    if (OwnDC)
        DC = BeginPaint(Wnd, &PS);
    TScopeExit EndPainting([&] {
        if (OwnDC)
            EndPaint(Wnd, &PS);
    });
    const int Saved = SaveDC(DC);
    // Opaque graphic children paint their own area: keep our painter out.
    for (TControl* C : FControls)
        if (!IsWinControl(C) && C->Visible() && (C->ControlStyle() & csOpaque)) {
            TRect R = C->BoundsRect();
            ExcludeClipRect(DC, R.left, R.top, R.right, R.bottom);
        }
    auto Alive = FAlive;
    {
        TScopeExit Restore([&] { RestoreDC(DC, Saved); });
        PaintWindow(DC);
    }
    if (!*Alive)
        return;
    PaintControls(DC, nullptr);
    if (!*Alive)
        return;
    PaintOverControls(DC);
    // The grabbers of docked controls go over the site's own painting.
    if (FDockSite && FUseDockManager && FDockManager)
        FDockManager->PaintSite(DC);
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
