#include "app/KvFormsHack.h"

#include "foundation/KvFont.h"
#include "foundation/KvSystem.h"

int ReadScreenPixelsPerInch()
{
    const TWindowDC DC(nullptr);
    const int Ppi = DC ? GetDeviceCaps(DC.Get(), LOGPIXELSY) : 96;
    return Ppi > 0 ? Ppi : 96;
}

int GScreenPixelsPerInch = ReadScreenPixelsPerInch();
bool GLargeFonts = GScreenPixelsPerInch > 96;

TKvFormHack::TKvFormHack(TComponent* AOwner) : TForm(AOwner) {}

TKvFormHack::~TKvFormHack()
{
    LockUpdates(false, true);
    if (IsMainForm() && GHooks.MessagePump)
        GHooks.MessagePump = nullptr;
}

void TKvFormHack::CreateWnd()
{
    TForm::CreateWnd();
    if (!FStartupPosted) {
        FStartupPosted = true;
        PostMessageA(WindowHandle(), KM_STARTUP, 0, 0);
    }
}

void TKvFormHack::Loaded()
{
    TForm::Loaded();
    if (IsMainForm())
        GHooks.MessagePump = [this] { ProcessMessagesIfAllowed(); };
    if (!DialogFontName.empty() && Font()->Name() == TFont().Name())
        Font()->SetName(DialogFontName);
    FormLoaded();
}

void TKvFormHack::SetStayOnTop(bool Value)
{
    if (HandleAllocated())
        SetWindowPos(WindowHandle(), Value ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    SetFormStyle(Value ? fsStayOnTop : fsNormal);
}

void TKvFormHack::ProcessMessagesIfAllowed(bool Paint)
{
    if (!FPumpAllowed || !Visible() || !Application)
        return;
    if (Paint)
        Application->ProcessMessages();
    else
        Application->ProcessMessagesExceptPaint();
}

void TKvFormHack::LockUpdates(bool Lock, bool Force)
{
    if (!FStartupPosted)
        return;
    if (Lock) {
        if (FUpdateLockCount++ == 0 && HandleAllocated())
            FLocked = LockWindowUpdate(WindowHandle()) != FALSE;
        return;
    }
    if (FUpdateLockCount == 0)
        return;
    FUpdateLockCount = Force ? 0 : FUpdateLockCount - 1;
    if (FUpdateLockCount == 0 && FLocked) {
        LockWindowUpdate(nullptr);
        FLocked = false;
    }
}

void TKvFormHack::ShowWindowNoAnimation(HWND Handle, int Command)
{
    ANIMATIONINFO Info{sizeof(ANIMATIONINFO), 0};
    bool WasOn = SystemParametersInfoA(SPI_GETANIMATION, sizeof(Info), &Info, 0) && Info.iMinAnimate != 0;
    if (WasOn) {
        Info.iMinAnimate = 0;
        SystemParametersInfoA(SPI_SETANIMATION, sizeof(Info), &Info, 0);
    }
    ShowWindow(Handle, Command);
    if (WasOn) {
        Info.iMinAnimate = 1;
        SystemParametersInfoA(SPI_SETANIMATION, sizeof(Info), &Info, 0);
    }
}

void TKvFormHack::RestoreNoAnimation()
{
    if (!IsMainForm() || !HandleAllocated() || !IsIconic(WindowHandle()))
        return;
    HWND W = WindowHandle();
    TWinControl* Focused = ActiveControl();
    SetActiveWindow(W);
    if (IsWindowVisible(W))
        SendMessageA(W, WM_SYSCOMMAND, SC_RESTORE, 0);
    else
        ShowWindowNoAnimation(W, SW_RESTORE);
    SetWindowPos(W, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
    if (FWasMaximized)
        ShowWindow(W, SW_MAXIMIZE);
    if (GetStayOnTop())
        SetWindowPos(W, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    if (Focused && Focused->CanFocus())
        Focused->SetFocus();
}

void TKvFormHack::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case KM_STARTUP:
        if (!FStartupDone) {
            FStartupDone = true;
            FPumpAllowed = true;
            Startup();
        }
        return;
    case KM_AFTERSHOW:
        AfterShow();
        return;
    case KM_CLOSEFORM:
        Close();
        return;
    case KM_TERMINATE:
        if (Application)
            Application->Terminate();
        return;
    case WM_SIZE:
        if (IsMainForm()) {
            if (Message.WParam == SIZE_MAXIMIZED)
                FWasMaximized = true;
            else if (Message.WParam == SIZE_RESTORED)
                FWasMaximized = false;
        }
        break;
    case WM_DISPLAYCHANGE:
        if (IsMainForm()) {
            GScreenPixelsPerInch = ReadScreenPixelsPerInch();
            GLargeFonts = GScreenPixelsPerInch > 96;
        }
        break;
    case WM_INPUTLANGCHANGE:
        InputLanguageChanged();
        break;
    case CM_VISIBLECHANGED: {
        auto Alive = FAlive;
        TForm::WndProc(Message);
        if (*Alive && Visible() && !FAfterShowPosted && HandleAllocated()) {
            FAfterShowPosted = true;
            PostMessageA(WindowHandle(), KM_AFTERSHOW, 0, 0);
        }
        return;
    }
    default:
        break;
    }
    TForm::WndProc(Message);
}
