#include "classlib/Forms.h"

#include "classlib/ExtCtrls.h"
#include "classlib/Hints.h"
#include "classlib/Threads.h"

#include <algorithm>

TApplication* Application = new TApplication(nullptr);
TScreen* Screen = new TScreen(nullptr);

// ---------------------------------------------------------------------------
// TCustomForm
// ---------------------------------------------------------------------------

TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner)
{
    FVisible = false;
    FParentColor = false;
    FParentFont = false;
    FColor = clBtnFace;
    Brush()->SetColor(FColor);
    FControlStyle = csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
    FLeft = FTop = 100;
    FWidth = 320;
    FHeight = 240;
    if (Screen)
        Screen->FForms.push_back(this);
}

TCustomForm::~TCustomForm()
{
    if (Screen) {
        auto& L = Screen->FForms;
        L.erase(std::remove(L.begin(), L.end(), this), L.end());
    }
    if (Application && Application->MainForm() == this)
        Application->SetMainForm(nullptr);
}

void TCustomForm::BeforeDestruction()
{
    if (OnDestroy) {
        try {
            OnDestroy(this);
        } catch (...) {
            if (Application)
                Application->HandleException(this);
        }
    }
    FActiveControl = nullptr;
    FFocusedControl = nullptr;
    TWinControl::BeforeDestruction();
}

void TCustomForm::Loaded()
{
    TWinControl::Loaded();
    if (OnCreate)
        OnCreate(this);
}

void TCustomForm::Notification(TComponent* AComponent, TOperation Operation)
{
    TWinControl::Notification(AComponent, Operation);
    if (Operation == opRemove) {
        if (AComponent == FActiveControl)
            FActiveControl = nullptr;
        if (AComponent == FFocusedControl)
            FFocusedControl = nullptr;
    }
}

void TCustomForm::WindowStyles(DWORD& Style, DWORD& ExStyle) const
{
    Style = WS_CLIPCHILDREN;
    ExStyle = WS_EX_CONTROLPARENT;
    switch (FBorderStyle) {
    case bsNone: Style |= WS_POPUP; break;
    case bsSingle: Style |= WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_BORDER; break;
    case bsSizeable: Style |= WS_OVERLAPPEDWINDOW; break;
    case bsDialog:
        Style |= WS_POPUP | WS_CAPTION | WS_SYSMENU;
        ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
        break;
    case bsToolWindow:
        Style |= WS_CAPTION | WS_SYSMENU;
        ExStyle |= WS_EX_TOOLWINDOW;
        break;
    case bsSizeToolWin:
        Style |= WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
        ExStyle |= WS_EX_TOOLWINDOW;
        break;
    }
    if (FFormStyle == fsStayOnTop)
        ExStyle |= WS_EX_TOPMOST;
}

TRect TCustomForm::GetClientRect() const
{
    if (HandleAllocated())
        return TWinControl::GetClientRect();
    // Before the window exists the frame is worked out from the styles.
    DWORD Style = 0, ExStyle = 0;
    WindowStyles(Style, ExStyle);
    RECT Frame{0, 0, 0, 0};
    AdjustWindowRectEx(&Frame, Style, FALSE, ExStyle);
    return TRect(0, 0, std::max<LONG>(Width() - (Frame.right - Frame.left), 0),
                 std::max<LONG>(Height() - (Frame.bottom - Frame.top), 0));
}

void TCustomForm::SetClientSize(int AWidth, int AHeight)
{
    if (HandleAllocated()) {
        TWinControl::SetClientSize(AWidth, AHeight);
        return;
    }
    DWORD Style = 0, ExStyle = 0;
    WindowStyles(Style, ExStyle);
    RECT R{0, 0, AWidth, AHeight};
    AdjustWindowRectEx(&R, Style, FALSE, ExStyle);
    SetBounds(Left(), Top(), R.right - R.left, R.bottom - R.top);
}

void TCustomForm::CreateParams(TCreateParams& Params)
{
    TWinControl::CreateParams(Params);
    DWORD Style = 0, ExStyle = 0;
    WindowStyles(Style, ExStyle);
    Params.Style = (Params.Style & ~static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS)) | Style;
    Params.ExStyle |= ExStyle;
    Params.WndParent = ParentWindow();
    if (Parent()) {
        // A form placed inside a control (docked into a page) is a child
        // window there.
        Params.Style = (Params.Style & ~static_cast<DWORD>(WS_POPUP)) | WS_CHILD | WS_CLIPSIBLINGS;
        if (Visible())
            Params.Style |= WS_VISIBLE;
        Params.WndParent = Parent()->Handle();
    }
    // Modal and pop-up forms stay above the form that was active when they
    // opened.
    if ((FModal || FPopupMode == pmAuto) && !Params.WndParent)
        if (TCustomForm* A = Screen ? Screen->ActiveCustomForm() : nullptr; A && A != this && A->HandleAllocated())
            Params.WndParent = A->WindowHandle();
}

void TCustomForm::CreateWnd()
{
    TWinControl::CreateWnd();
    if (FWindowState == wsMaximized && FVisible)
        ShowWindow(WindowHandle(), SW_MAXIMIZE);
}

void TCustomForm::SetBorderStyle(TBorderStyle Value)
{
    if (!StoreChanged(FBorderStyle, Value))
        return;
    RecreateWnd();
}

void TCustomForm::SetWindowState(TWindowState Value)
{
    if (!StoreChanged(FWindowState, Value))
        return;
    if (HandleAllocated() && FVisible)
        ShowWindow(WindowHandle(), Value == wsMaximized ? SW_MAXIMIZE : Value == wsMinimized ? SW_MINIMIZE : SW_RESTORE);
}

void TCustomForm::SetPopupMode(TPopupMode Value)
{
    if (!StoreChanged(FPopupMode, Value))
        return;
    if (HandleAllocated())
        RecreateWnd();
}

void TCustomForm::SetMinTrackSize(int AWidth, int AHeight)
{
    FMinTrackWidth = std::max(AWidth, 0);
    FMinTrackHeight = std::max(AHeight, 0);
    // A window already smaller grows to the new limit.
    if (HandleAllocated() && (Width() < FMinTrackWidth || Height() < FMinTrackHeight))
        SetBounds(Left(), Top(), std::max(Width(), FMinTrackWidth), std::max(Height(), FMinTrackHeight));
}

TRect TCustomForm::NormalBounds() const
{
    WINDOWPLACEMENT P{};
    P.length = sizeof(P);
    if (HandleAllocated() && GetWindowPlacement(WindowHandle(), &P))
        return TRect(P.rcNormalPosition.left, P.rcNormalPosition.top, P.rcNormalPosition.right,
                     P.rcNormalPosition.bottom);
    return BoundsRect();
}

void TCustomForm::SetFormStyle(TFormStyle Value)
{
    if (!StoreChanged(FFormStyle, Value))
        return;
    if (HandleAllocated())
        SetWindowPos(WindowHandle(), Value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TCustomForm::PlaceWindow()
{
    int W = Width(), H = Height();
    TCustomForm* Center = nullptr;
    switch (FPosition) {
    case poMainFormCenter:
        Center = Application ? Application->MainForm() : nullptr;
        break;
    case poOwnerFormCenter:
        Center = dynamic_cast<TCustomForm*>(Owner());
        break;
    case poScreenCenter: case poDesktopCenter:
        break;
    default:
        return;
    }
    RECT Area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (Center && Center != this && Center->Visible())
        Area = Center->BoundsRect();
    SetBounds(Area.left + ((Area.right - Area.left) - W) / 2, Area.top + ((Area.bottom - Area.top) - H) / 2, W, H);
}

void TCustomForm::DoShow()
{
    if (OnShow)
        OnShow(this);
}

void TCustomForm::DoHide()
{
    if (OnHide)
        OnHide(this);
}

void TCustomForm::DoClose(TCloseAction& Action)
{
    if (OnClose)
        OnClose(this, Action);
}

void TCustomForm::Activate()
{
    if (OnActivate)
        OnActivate(this);
}

void TCustomForm::Deactivate()
{
    if (OnDeactivate)
        OnDeactivate(this);
}

bool TCustomForm::CloseQuery()
{
    bool CanClose = true;
    if (OnCloseQuery)
        OnCloseQuery(this, CanClose);
    return CanClose;
}

void TCustomForm::Close()
{
    if (FModal) {
        FModalResult = mrCancel;
        return;
    }
    if (!CloseQuery())
        return;
    TCloseAction Action = (Application && Application->MainForm() == this) ? caFree : caHide;
    auto Alive = FAlive;
    DoClose(Action);
    if (!*Alive)
        return;
    switch (Action) {
    case caNone:
        return;
    case caHide:
        Hide();
        return;
    case caMinimize:
        SetWindowState(wsMinimized);
        return;
    case caFree:
        if (Application && Application->MainForm() == this)
            Application->Terminate();
        Release();
        return;
    }
}

void TCustomForm::Release()
{
    if (HandleAllocated())
        PostMessageA(WindowHandle(), CM_RELEASE, 0, 0);
    else
        Free();
}

TModalResult TCustomForm::ShowModal()
{
    if (FVisible || FModal)
        throw EInvalidOperation("Cannot make a visible window modal");
    // Every other top-level window of ours waits for the modal form.
    std::vector<HWND> Disabled;
    if (Screen)
        for (TCustomForm* F : Screen->FForms)
            if (F != this && F->HandleAllocated() && IsWindowEnabled(F->WindowHandle()) &&
                IsWindowVisible(F->WindowHandle())) {
                Disabled.push_back(F->WindowHandle());
            }
    HWND ActiveBefore = GetActiveWindow();
    // The user works in the form with the normal pointer even when its
    // opener shows the hourglass; the opener's cursor comes back after.
    TScreenCursorScope NormalCursor(crDefault);
    FModal = true;
    FModalResult = mrNone;
    auto Alive = FAlive;
    TModalResult Result = mrCancel;
    auto EnableOthers = [&] {
        for (HWND W : Disabled)
            if (IsWindow(W))
                EnableWindow(W, TRUE);
    };
    {
        TScopeExit Restore([&] {
            EnableOthers();
            if (*Alive)
                FModal = false;
        });
        if (HandleAllocated())
            RecreateWnd();
        Show();
        for (HWND W : Disabled)
            EnableWindow(W, FALSE);
        while (*Alive) {
            Application->HandleMessage();
            if (!*Alive)
                break;
            if (Application->Terminated())
                FModalResult = mrCancel;
            if (FModalResult != mrNone) {
                TCloseAction Action = caHide;
                if (CloseQuery()) {
                    DoClose(Action);
                    if (!*Alive)
                        break;
                    if (Action != caNone)
                        break;
                }
                FModalResult = mrNone;
            }
        }
        if (*Alive) {
            Result = FModalResult;
            // The others are enabled before this form hides: Windows
            // activates only an enabled window in its place.
            EnableOthers();
            Hide();
        }
    }
    if (ActiveBefore && IsWindow(ActiveBefore))
        SetActiveWindow(ActiveBefore);
    return Result;
}

void TCustomForm::SetActiveControl(TWinControl* Control)
{
    if (Control == FActiveControl)
        return;
    if (Control && (!ContainsControl(Control) || Control == this))
        throw EInvalidOperation("Invalid active control");
    FActiveControl = Control;
    if (Control) {
        Control->FreeNotification(this);
        if (FActive && Control->CanFocus())
            ::SetFocus(Control->Handle());
    }
}

void TCustomForm::FocusControl(TWinControl* Control)
{
    if (!Control || !Control->CanFocus())
        return;
    FActiveControl = Control;
    Control->FreeNotification(this);
    if (HandleAllocated() && IsWindowVisible(WindowHandle()))
        ::SetFocus(Control->Handle());
}

void TCustomForm::SetFocusedControl(TWinControl* Control)
{
    if (Control == FFocusedControl && Control == FActiveControl)
        return;
    FFocusedControl = Control;
    if (Control && Control != this) {
        FActiveControl = Control;
        Control->FreeNotification(this);
    }
    // The controls that draw a focus frame follow the focus through this.
    Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(Control));
}

namespace {

// The first visible control of the tree, depth first, that takes Action.
bool OfferToChildren(TWinControl* Container, TBasicAction* Action)
{
    for (int I = 0; I < Container->ControlCount(); ++I) {
        TControl* C = Container->Controls(I);
        if (!C->Visible())
            continue;
        if (C->ExecuteAction(Action))
            return true;
        if (auto W = dynamic_cast<TWinControl*>(C); W && OfferToChildren(W, Action))
            return true;
    }
    return false;
}

} // namespace

bool TCustomForm::OfferAction(TBasicAction* Action)
{
    if (!Action)
        return false;
    if (FActiveControl && FActiveControl->ExecuteAction(Action))
        return true;
    return ExecuteAction(Action) || OfferToChildren(this, Action);
}

bool TCustomForm::DialogKey(WORD Key, LPARAM)
{
    if (GetKeyState(VK_MENU) < 0 || GetKeyState(VK_CONTROL) < 0)
        return false;
    switch (Key) {
    case VK_TAB: {
        // The keyboard is in use: focus cues show from now on.
        Perform(WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
        TWinControl* Cur = FActiveControl;
        if (!Cur) {
            HWND F = GetFocus();
            Cur = FindControl(F);
        }
        SelectNext(Cur, GetKeyState(VK_SHIFT) >= 0, true);
        return true;
    }
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN:
        Perform(WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
        if (FActiveControl && FActiveControl->Parent()) {
            FActiveControl->Parent()->SelectNext(FActiveControl, Key == VK_RIGHT || Key == VK_DOWN, false);
            return true;
        }
        return false;
    default:
        return false;
    }
}

void TCustomForm::WndProc(TMessage& Message)
{
    auto Alive = FAlive;
    switch (Message.Msg) {
    case CM_DIALOGKEY:
        if (DialogKey(static_cast<WORD>(Message.WParam), Message.LParam)) {
            Message.Result = 1;
            return;
        }
        break;
    case CM_ACTIONEXECUTE:
        Message.Result = OfferAction(reinterpret_cast<TBasicAction*>(Message.LParam)) ? 1 : 0;
        return;
    case CM_VISIBLECHANGED:
        if (FVisible) {
            bool First = !FShownOnce;
            HWND W = Handle();
            if (First) {
                FShownOnce = true;
                PlaceWindow();
            }
            DoShow();
            if (!*Alive)
                return;
            ShowWindow(W, FWindowState == wsMaximized ? SW_SHOWMAXIMIZED
                          : FWindowState == wsMinimized ? SW_SHOWMINIMIZED : SW_SHOWNORMAL);
            SetForegroundWindow(W);
            if (FActiveControl && FActiveControl->CanFocus())
                ::SetFocus(FActiveControl->Handle());
            else if (First)
                if (TWinControl* C = FindNextControl(nullptr, true, true, false))
                    C->SetFocus();
        } else {
            DoHide();
            if (!*Alive)
                return;
            if (HandleAllocated())
                ShowWindow(WindowHandle(), SW_HIDE);
        }
        return;
    case WM_CLOSE:
        Close();
        return;
    case WM_SYSCOLORCHANGE:
        DefaultHandler(Message);
        if (*Alive)
            Perform(CM_SYSCOLORCHANGE);
        return;
    case CM_RELEASE:
        Free();
        return;
    case WM_GETMINMAXINFO:
        DefaultHandler(Message);
        if (auto* Info = reinterpret_cast<MINMAXINFO*>(Message.LParam); Info && *Alive) {
            if (FMinTrackWidth > 0)
                Info->ptMinTrackSize.x = FMinTrackWidth;
            if (FMinTrackHeight > 0)
                Info->ptMinTrackSize.y = FMinTrackHeight;
        }
        return;
    case WM_ACTIVATE:
        DefaultHandler(Message);
        if (!*Alive)
            return;
        FActive = LOWORD(Message.WParam) != WA_INACTIVE;
        if (FActive) {
            if (FActiveControl && FActiveControl->HandleAllocated() && FActiveControl->CanFocus())
                ::SetFocus(FActiveControl->WindowHandle());
            Activate();
        } else {
            Deactivate();
        }
        return;
    case WM_SETFOCUS:
        if (FActiveControl && FActiveControl != this && FActiveControl->HandleAllocated() &&
            FActiveControl->CanFocus()) {
            ::SetFocus(FActiveControl->WindowHandle());
            return;
        }
        break;
    case WM_DESTROY:
        if (Application && Application->MainForm() == this && !HasState(csDestroying))
            Application->Terminate();
        break;
    default:
        break;
    }
    TWinControl::WndProc(Message);
}

// ---------------------------------------------------------------------------
// TApplication
// ---------------------------------------------------------------------------

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner)
{
}

TApplication::~TApplication()
{
    CancelHint();
    if (FHintTimer) {
        FHintTimer->OnTimer = nullptr;
        FHintTimer->Free();
    }
    if (FHintWindow)
        FHintWindow->Free();
    if (FHandle) {
        SetWakeMainThread(nullptr);
        DeallocateHWnd(FHandle);
    }
}

// ---------------------------------------------------------------------------
// TApplication: hints
// ---------------------------------------------------------------------------

void TApplication::SetHint(const std::string& Value)
{
    if (Value == FHint)
        return;
    FHint = Value;
    if (OnHint) {
        OnHint(this);
        return;
    }
    THintAction Action(nullptr);
    Action.SetHint(Value);
    Action.Execute();
}

void TApplication::SetShowHint(bool Value)
{
    if (Value == FShowHint)
        return;
    FShowHint = Value;
    if (!Value) {
        CancelHint();
        if (FHintWindow) {
            FHintWindow->Free();
            FHintWindow = nullptr;
        }
    }
}

void TApplication::StartHintTimer(unsigned Interval)
{
    if (!FHintTimer) {
        FHintTimer = new TTimer(nullptr);
        FHintTimer->OnTimer = [this](TObject*) { HintTimerTick(); };
    }
    FHintTimer->SetEnabled(false);
    FHintTimer->SetInterval(Interval);
    FHintTimer->SetEnabled(true);
}

void TApplication::StopHintTimer()
{
    if (FHintTimer)
        FHintTimer->SetEnabled(false);
}

void TApplication::CancelHint()
{
    StopHintTimer();
    FHintControl = nullptr;
    FHintShown = false;
    if (FHintWindow && FHintWindow->Active())
        FHintWindow->ReleaseHandle();
}

namespace {

// A control's hint, or its nearest parent's when it has none.
std::string HintOf(const TControl* Control)
{
    for (const TControl* C = Control; C; C = C->Parent())
        if (!C->Hint().empty())
            return C->Hint();
    return "";
}

} // namespace

void TApplication::HintMouseMessage(TControl* Control, const TPoint& ScreenPos)
{
    FHintPos = ScreenPos;
    if (Control == FHintControl)
        return;
    CancelHint();
    FHintControl = Control;
    const std::string Hint = HintOf(Control);
    SetHint(GetLongHint(Hint));
    if (FShowHint && Control && Control->ShowHint() && !GetShortHint(Hint).empty())
        StartHintTimer(FHintPause);
}

void TApplication::HintTimerTick()
{
    StopHintTimer();
    if (!FHintControl)
        return;
    if (FHintShown) {
        // Shown long enough.
        FHintShown = false;
        if (FHintWindow)
            FHintWindow->ReleaseHandle();
        return;
    }
    const std::string Text = GetShortHint(HintOf(FHintControl));
    if (Text.empty() || !FShowHint)
        return;
    if (!FHintWindow)
        FHintWindow = new THintWindow(nullptr);
    TRect R = FHintWindow->CalcHintRect(Screen ? Screen->Width() / 3 : 300, Text);
    // Below the pointer, clear of the arrow.
    const int Below = GetSystemMetrics(SM_CYCURSOR) * 2 / 3;
    OffsetRect(&R, FHintPos.x, FHintPos.y + Below);
    FHintWindow->ActivateHint(R, Text);
    FHintShown = true;
    StartHintTimer(FHintHidePause);
}

bool TApplication::ExecuteAction(TBasicAction* Action)
{
    TCustomForm* Form = Screen ? Screen->ActiveCustomForm() : nullptr;
    if (Form && Form->Perform(CM_ACTIONEXECUTE, 0, reinterpret_cast<LPARAM>(Action)) != 0)
        return true;
    if (FMainForm && FMainForm != Form &&
        FMainForm->Perform(CM_ACTIONEXECUTE, 0, reinterpret_cast<LPARAM>(Action)) != 0)
        return true;
    return false;
}

std::string TApplication::ExeName() const
{
    char Buf[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, Buf, MAX_PATH);
    return Buf;
}

void TApplication::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case CM_DEFERREDFREE:
        FlushDeferredFrees();
        return;
    case CM_SYNCHRONIZE:
        // Every modal loop (a message box, a menu, a dialog) dispatches
        // posted messages, so worker threads are served inside them too.
        try {
            CheckSynchronize();
        } catch (...) {
            HandleException(this);
        }
        return;
    default:
        Message.Result = DefWindowProcA(FHandle, Message.Msg, Message.WParam, Message.LParam);
        return;
    }
}

void TApplication::FlushDeferredFrees()
{
    FlushPendingControlFrees();
}

bool TApplication::IsKeyMsg(MSG& Msg)
{
    if (Msg.message < WM_KEYFIRST || Msg.message > WM_KEYLAST)
        return false;
    HWND Wnd = Msg.hwnd;
    if (GetKeyState(VK_MENU) < 0 && GetCapture())
        Wnd = GetCapture();
    TWinControl* C = TWinControl::FindControl(Wnd);
    // The edit window inside a combo box speaks for its combo box.
    if (!C && Wnd)
        C = TWinControl::FindControl(GetParent(Wnd));
    if (!C)
        return false;
    // Esc ends a running drag wherever the focus is.
    if (Msg.message == WM_KEYDOWN && Msg.wParam == VK_ESCAPE && TControl::DragSource()) {
        TControl::EndDragging(false);
        return true;
    }
    if (Msg.message == WM_KEYDOWN || Msg.message == WM_SYSKEYDOWN)
        if (TCustomForm* F = GetParentForm(C))
            F->SetKeyboardInput(true);
    // Alt shows the accelerator underlines from now on.
    if (Msg.message == WM_SYSKEYDOWN && Msg.wParam == VK_MENU)
        C->Perform(WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEACCEL), 0);
    return C->Perform(CN_BASE + Msg.message, Msg.wParam, Msg.lParam) != 0;
}

bool TApplication::ProcessMessage(MSG& Msg, UINT Filter)
{
    // A window that reads wide characters (an edit that must see a typed
    // letter as it is) gets its messages in that form; taken in the ANSI
    // form, a typed character would be the code page's look-alike already.
    MSG Next;
    if (!PeekMessageW(&Next, nullptr, 0, 0, PM_NOREMOVE | Filter))
        return false;
    const bool Wide = Next.hwnd && IsWindowUnicode(Next.hwnd) &&
                      PeekMessageW(&Msg, Next.hwnd, Next.message, Next.message, PM_REMOVE | Filter);
    if (!Wide && !PeekMessageA(&Msg, nullptr, 0, 0, PM_REMOVE | Filter))
        return false;
    if (Msg.message == WM_QUIT) {
        FTerminated = true;
        return true;
    }
    try {
        if (Msg.message == WM_LBUTTONDOWN || Msg.message == WM_RBUTTONDOWN || Msg.message == WM_MBUTTONDOWN)
            if (TWinControl* C = TWinControl::FindControl(Msg.hwnd))
                if (TCustomForm* F = GetParentForm(C))
                    F->SetKeyboardInput(false);
        bool Handled = false;
        if (OnMessage)
            OnMessage(Msg, Handled);
        if (!Handled && !IsKeyMsg(Msg)) {
            TranslateMessage(&Msg);
            if (Wide)
                DispatchMessageW(&Msg);
            else
                DispatchMessageA(&Msg);
        }
    } catch (...) {
        HandleException(this);
    }
    return true;
}

void TApplication::ProcessPending(UINT Filter)
{
    Handle();
    MSG Msg;
    while (ProcessMessage(Msg, Filter)) {
        if (FTerminated)
            break;
    }
    FlushDeferredFrees();
}

void TApplication::ProcessMessages()
{
    ProcessPending(0);
}

void TApplication::ProcessMessagesExceptPaint()
{
    ProcessPending(PM_QS_INPUT | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE);
}

void TApplication::Idle()
{
    FlushDeferredFrees();
    FreeControlCanvasHandles();
    bool Done = true;
    if (OnIdle) {
        try {
            OnIdle(this, Done);
        } catch (...) {
            HandleException(this);
        }
    }
    if (Done)
        WaitMessage();
}

bool TApplication::HelpCommand(WORD Command, ULONG_PTR Data)
{
    bool CallHelp = true;
    bool Result = false;
    if (OnHelp)
        Result = OnHelp(Command, Data, CallHelp);
    if (!CallHelp)
        return Result;
    if (FHelpFile.empty())
        return false;
    HWND Owner = FMainForm && FMainForm->HandleAllocated() ? FMainForm->WindowHandle() : Handle();
    return WinHelpA(Owner, FHelpFile.c_str(), Command, Data) != FALSE;
}

HWND TApplication::Handle()
{
    if (!FHandle) {
        FHandle = AllocateHWnd([this](TMessage& M) { WndProc(M); });
        const HWND Wnd = FHandle;
        SetWakeMainThread([Wnd] { PostMessageA(Wnd, CM_SYNCHRONIZE, 0, 0); });
        // Calls queued before the window existed are served at once.
        if (WaitForSingleObject(SyncEvent(), 0) == WAIT_OBJECT_0)
            PostMessageA(Wnd, CM_SYNCHRONIZE, 0, 0);
    }
    return FHandle;
}

void TApplication::HandleMessage()
{
    Handle();
    MSG Msg;
    if (!ProcessMessage(Msg))
        Idle();
}

void TApplication::Run()
{
    Handle();
    if (FMainForm)
        FMainForm->Show();
    while (!FTerminated) {
        HandleMessage();
        if (!FMainForm && !FTerminated)
            break;
    }
}

void TApplication::Terminate()
{
    if (!FTerminated)
        PostQuitMessage(0);
    FTerminated = true;
}

void TApplication::HandleException(TObject* Sender)
{
    try {
        throw;
    } catch (const EAbort&) {
        // Silent by design: the abort exception only unwinds.
    } catch (const std::exception& E) {
        if (OnException)
            OnException(Sender, E);
        else
            ShowException(E);
    } catch (...) {
        Exception E("Unknown exception");
        if (OnException)
            OnException(Sender, E);
        else
            ShowException(E);
    }
}

void TApplication::ShowException(const std::exception& E)
{
    std::string Msg = E.what();
    if (!Msg.empty() && Msg.back() != '.')
        Msg += '.';
    if (ShowErrorBoxes)
        ::MessageBoxA(nullptr, Msg.c_str(), FTitle.c_str(), MB_OK | MB_ICONSTOP);
    else
        OutputDebugStringA(Msg.c_str());
}

int TApplication::MessageBox(const std::string& Text, const std::string& Caption, UINT Flags)
{
    HWND Owner = nullptr;
    if (TCustomForm* F = Screen ? Screen->ActiveCustomForm() : nullptr)
        Owner = F->HandleAllocated() ? F->WindowHandle() : nullptr;
    return ::MessageBoxA(Owner, Text.c_str(), Caption.c_str(), Flags);
}

// ---------------------------------------------------------------------------
// TScreen
// ---------------------------------------------------------------------------

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner)
{
}

HCURSOR TScreen::Cursors(int Index) const
{
    return CursorHandle(static_cast<TCursor>(Index));
}

void TScreen::SetCursors(int Index, HCURSOR Handle)
{
    RegisterCursor(static_cast<TCursor>(Index), Handle);
}

void TScreen::SetCursor(TCursor Value)
{
    if (!StoreChanged(FCursor, Value))
        return;
    POINT P{};
    GetCursorPos(&P);
    HWND W = WindowFromPoint(P);
    if (TWinControl::FindControl(W))
        SendMessageA(W, WM_SETCURSOR, reinterpret_cast<WPARAM>(W), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    if (Value != crDefault)
        ::SetCursor(CursorHandle(Value));
}

TCustomForm* TScreen::ActiveCustomForm() const
{
    HWND A = GetActiveWindow();
    for (TCustomForm* F : FForms)
        if (F->HandleAllocated() && F->WindowHandle() == A)
            return F;
    return nullptr;
}

TWinControl* TScreen::ActiveControl() const
{
    return TWinControl::FindControl(GetFocus());
}

int TScreen::PixelsPerInch() const
{
    const TWindowDC DC(nullptr);
    return GetDeviceCaps(DC.Get(), LOGPIXELSY);
}

// ---------------------------------------------------------------------------
// TScreenCursorScope
// ---------------------------------------------------------------------------

TScreenCursorScope::TScreenCursorScope(TCursor Cursor) : FSaved(Screen ? Screen->Cursor() : crDefault)
{
    if (Screen)
        Screen->SetCursor(Cursor);
}

TScreenCursorScope::~TScreenCursorScope()
{
    if (Screen)
        Screen->SetCursor(FSaved);
}
