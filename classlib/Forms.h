#pragma once
// Forms, the application object with its message loop, and the screen.
#include <windows.h>

#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "classlib/Controls.h"

class THintWindow;
class TTimer;

using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = IDOK, mrCancel = IDCANCEL, mrAbort = IDABORT,
                       mrRetry = IDRETRY, mrIgnore = IDIGNORE, mrYes = IDYES, mrNo = IDNO,
                       mrAll = mrNo + 1, mrNoToAll = mrAll + 1, mrYesToAll = mrNoToAll + 1,
                       mrClose = mrYesToAll + 1;

enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter,
                 poDesktopCenter, poMainFormCenter, poOwnerFormCenter };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TFormStyle { fsNormal, fsStayOnTop };
// pmAuto: the window is owned by the form active when it is made, so it
// stays above that form and goes with it to the task bar.
enum TPopupMode { pmNone, pmAuto };

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

class TCustomForm : public TWinControl {
public:
    explicit TCustomForm(TComponent* AOwner);
    ~TCustomForm() override;
    void BeforeDestruction() override;
    void WndProc(TMessage& Message) override;

    TWinControl* ActiveControl() const { return FActiveControl; }
    void SetActiveControl(TWinControl* Control);
    // Focuses Control (and makes it the active control).
    void FocusControl(TWinControl* Control);
    // Called when a child window receives the focus.
    void SetFocusedControl(TWinControl* Control);
    bool Active() const { return FActive; }

    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult Value) { FModalResult = Value; }
    // Shows the form modally; its owner windows are disabled until a
    // ModalResult is set or it is closed.
    virtual TModalResult ShowModal();
    bool Modal() const { return FModal; }
    void Close();
    virtual bool CloseQuery();
    // Frees the form once its messages have been handled.
    void Release();

    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition Value) { FPosition = Value; }
    TWindowState WindowState() const { return FWindowState; }
    void SetWindowState(TWindowState Value);
    // Stay-on-top keeps the window above every window that is not.
    TFormStyle FormStyle() const { return FFormStyle; }
    void SetFormStyle(TFormStyle Value);
    // Key messages reach the form's key events before the focused control's.
    bool KeyPreview() const { return FKeyPreview; }
    // The help file of this form's requests; empty: the application's.
    const std::string& HelpFile() const { return FHelpFile; }
    void SetHelpFile(const std::string& Value) { FHelpFile = Value; }
    void SetKeyPreview(bool Value) { FKeyPreview = Value; }
    TPopupMode PopupMode() const { return FPopupMode; }
    void SetPopupMode(TPopupMode Value);
    // The smallest window size the user can drag the form to (0: the
    // system's own limit).
    int MinTrackWidth() const { return FMinTrackWidth; }
    int MinTrackHeight() const { return FMinTrackHeight; }
    void SetMinTrackSize(int AWidth, int AHeight);
    // Whether a key, not a mouse button, was the last input to this form:
    // a control made from then on shows its focus and accelerator cues.
    bool KeyboardInput() const { return FKeyboardInput; }
    void SetKeyboardInput(bool Value) { FKeyboardInput = Value; }
    // The window's restored rectangle (GetWindowPlacement), also while it is
    // minimised or maximised; the bounds before the window exists.
    TRect NormalBounds() const;

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    TRect GetClientRect() const override;
    void SetClientSize(int AWidth, int AHeight) override;
    virtual void DoShow();
    virtual void DoHide();
    virtual void DoClose(TCloseAction& Action);
    virtual void Activate();
    virtual void Deactivate();
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

    // Offers Action to the active control, the form and then every visible
    // control; true when one took it.
    bool OfferAction(TBasicAction* Action);

private:
    void PlaceWindow();
    void WindowStyles(DWORD& Style, DWORD& ExStyle) const;
    bool DialogKey(WORD Key, LPARAM KeyData);
    TWinControl* FActiveControl = nullptr;
    TWinControl* FFocusedControl = nullptr;
    TModalResult FModalResult = mrNone;
    TBorderStyle FBorderStyle = bsSizeable;
    TPosition FPosition = poDesigned;
    TWindowState FWindowState = wsNormal;
    TFormStyle FFormStyle = fsNormal;
    TPopupMode FPopupMode = pmNone;
    int FMinTrackWidth = 0, FMinTrackHeight = 0;
    std::string FHelpFile;
    bool FKeyPreview = false;
    bool FKeyboardInput = false;
    bool FActive = false;
    bool FModal = false;
    bool FShownOnce = false;
};

class TForm : public TCustomForm {
public:
    using TCustomForm::TCustomForm;
};

// Command, Data and CallHelp: a handler that serves the request itself
// clears CallHelp; its answer is the request's.
using THelpEvent = std::function<bool(WORD Command, ULONG_PTR Data, bool& CallHelp)>;
using TExceptionEvent = std::function<void(TObject* Sender, const std::exception& E)>;
using TMessageEvent = std::function<void(MSG& Msg, bool& Handled)>;
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;

class TApplication : public TComponent {
public:
    explicit TApplication(TComponent* AOwner);
    ~TApplication() override;

    // The application's hidden window (deferred frees, posted releases).
    HWND Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    TCustomForm* MainForm() const { return FMainForm; }
    void SetMainForm(TCustomForm* Form) { FMainForm = Form; }
    std::string Title() const { return FTitle; }
    void SetTitle(const std::string& Value) { FTitle = Value; }
    std::string ExeName() const;

    // Application help: OnHelp sees every request first; while CallHelp
    // stays set the request goes to WinHelp with HelpFile.
    const std::string& HelpFile() const { return FHelpFile; }
    void SetHelpFile(const std::string& Value) { FHelpFile = Value; }
    bool HelpCommand(WORD Command, ULONG_PTR Data);
    bool HelpContext(int Context) { return HelpCommand(HELP_CONTEXT, static_cast<ULONG_PTR>(Context)); }
    THelpEvent OnHelp;

    // Shows the main form and pumps messages until Terminate or the main
    // form closes.
    void Run();
    // Handles every pending message and returns.
    void ProcessMessages();
    // Handles every pending message but the paints, which stay pending for
    // a later pump or the message loop: input, posted and sent messages and
    // timers are served at once.
    void ProcessMessagesExceptPaint();
    // Waits for one message (idle processing first) and handles it.
    void HandleMessage();
    void Terminate();
    bool Terminated() const { return FTerminated; }

    // Called from a catch block: the current exception goes to OnException,
    // or to ShowException. An exception never leaves a window procedure.
    void HandleException(TObject* Sender);
    virtual void ShowException(const std::exception& E);
    int MessageBox(const std::string& Text, const std::string& Caption, UINT Flags);

    // Turns Tab, Enter, Esc, arrows and Alt+key into the dialog-key and
    // dialog-char component messages of the focused control; true when
    // the message was consumed. The loop calls it for every message.
    bool IsKeyMsg(MSG& Msg);
    // Frees the controls waiting for their messages to unwind.
    void FlushDeferredFrees();

    // The long hint of the control under the mouse (what a status line
    // shows). Setting a new one fires OnHint, or without a handler offers a
    // hint action to the active form's controls.
    std::string Hint() const { return FHint; }
    void SetHint(const std::string& Value);
    // Hint windows for controls whose ShowHint is on.
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool Value);
    unsigned HintPause() const { return FHintPause; }
    void SetHintPause(unsigned Value) { FHintPause = Value; }
    unsigned HintHidePause() const { return FHintHidePause; }
    void SetHintHidePause(unsigned Value) { FHintHidePause = Value; }
    // Hides the hint window and forgets the control it was for.
    void CancelHint();
    // The mouse moved to ScreenPos over Control; the message routing calls
    // this on every move.
    void HintMouseMessage(TControl* Control, const TPoint& ScreenPos);
    // The hint timer's tick: shows the waiting hint, or hides the shown one
    // once its time is up. The timer calls it, tests may too.
    void HintTimerTick();
    THintWindow* HintWindow() const { return FHintWindow; }
    TControl* HintControl() const { return FHintControl; }
    // Offers an action to the active form's controls (else the main
    // form's); true when one took it.
    bool ExecuteAction(TBasicAction* Action);

    TNotifyEvent OnHint;
    TExceptionEvent OnException;
    TMessageEvent OnMessage;
    TIdleEvent OnIdle;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;

    // ShowException puts up a message box; with this off (tests) the text
    // goes to OutputDebugStringA instead.
    bool ShowErrorBoxes = true;

private:
    void StartHintTimer(unsigned Interval);
    void StopHintTimer();
    // Filter: PM_QS_ flags that narrow what is taken; 0 takes anything.
    bool ProcessMessage(MSG& Msg, UINT Filter = 0);
    void ProcessPending(UINT Filter);
    void Idle();
    void WndProc(TMessage& Message);
    HWND FHandle = nullptr;
    TCustomForm* FMainForm = nullptr;
    std::string FTitle;
    std::string FHelpFile;
    bool FTerminated = false;
    std::string FHint;
    bool FShowHint = true;
    unsigned FHintPause = 500;
    unsigned FHintHidePause = 2500;
    THintWindow* FHintWindow = nullptr;
    TTimer* FHintTimer = nullptr;
    TControl* FHintControl = nullptr;
    TPoint FHintPos;
    bool FHintShown = false;
};

class TScreen : public TComponent {
public:
    explicit TScreen(TComponent* AOwner);

    // Cursor handles by number; RegisterCursor-style assignment for
    // positive numbers.
    HCURSOR Cursors(int Index) const;
    void SetCursors(int Index, HCURSOR Handle);
    // A cursor over the whole application (crDefault: each control's own).
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value);

    TCustomForm* ActiveCustomForm() const;
    TCustomForm* ActiveForm() const { return ActiveCustomForm(); }
    TWinControl* ActiveControl() const;
    int FormCount() const { return static_cast<int>(FForms.size()); }
    TCustomForm* Forms(int Index) const { return FForms.at(static_cast<size_t>(Index)); }
    int PixelsPerInch() const;
    int Width() const { return GetSystemMetrics(SM_CXSCREEN); }
    int Height() const { return GetSystemMetrics(SM_CYSCREEN); }

private:
    friend class TCustomForm;
    std::vector<TCustomForm*> FForms;
    TCursor FCursor = crDefault;
};

// Sets the screen cursor for its life and puts back the one it found on
// every way out, exceptions included.
class TScreenCursorScope {
public:
    explicit TScreenCursorScope(TCursor Cursor);
    ~TScreenCursorScope();
    TScreenCursorScope(const TScreenCursorScope&) = delete;
    TScreenCursorScope& operator=(const TScreenCursorScope&) = delete;

private:
    TCursor FSaved;
};

extern TApplication* Application;
extern TScreen* Screen;
