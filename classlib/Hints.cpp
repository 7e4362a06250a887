#include "classlib/Hints.h"

#include "classlib/Forms.h"

namespace {

// Room between the window's edge and its text.
constexpr int HintMargin = 2;

} // namespace

std::string GetShortHint(const std::string& Hint)
{
    const size_t Bar = Hint.find('|');
    return Bar == std::string::npos ? Hint : Hint.substr(0, Bar);
}

std::string GetLongHint(const std::string& Hint)
{
    const size_t Bar = Hint.find('|');
    return Bar == std::string::npos ? Hint : Hint.substr(Bar + 1);
}

bool THintAction::Execute()
{
    if (OnExecute)
        return TCustomAction::Execute();
    return Application && Application->ExecuteAction(this);
}

THintWindow::THintWindow(TComponent* AOwner) : TCustomControl(AOwner)
{
    FVisible = false;
    SetColor(clInfoBk);
    Font()->SetColor(clInfoText);
}

void THintWindow::CreateParams(TCreateParams& Params)
{
    TCustomControl::CreateParams(Params);
    Params.Style = WS_POPUP | WS_BORDER;
    Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    Params.WndParent = nullptr;
    Params.WindowClass.style |= CS_SAVEBITS;
}

void THintWindow::WndProc(TMessage& Message)
{
    if (Message.Msg == WM_NCHITTEST) {
        // The mouse goes through to what lies under the hint.
        Message.Result = HTTRANSPARENT;
        return;
    }
    TCustomControl::WndProc(Message);
}

TRect THintWindow::CalcHintRect(int MaxWidth, const std::string& Hint)
{
    const TWindowDC DC(nullptr);
    TCanvas C;
    C.SetHandle(DC.Get());
    TRect R(0, 0, MaxWidth, 0);
    {
        TScopeExit Lent([&C] { C.SetHandle(nullptr); });
        C.Font()->Assign(Font());
        C.DrawText(Hint, R, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    }
    // Text, margins and the one-pixel border on each side.
    return TRect(0, 0, R.right + 2 * (HintMargin + 1), R.bottom + 2 * (HintMargin + 1));
}

void THintWindow::ActivateHint(const TRect& Rect, const std::string& Hint)
{
    SetCaption(Hint);
    HWND W = Handle();
    SetWindowPos(W, HWND_TOPMOST, Rect.left, Rect.top, Rect.Width(), Rect.Height(),
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
    FVisible = true;
    FActive = true;
    InvalidateRect(W, nullptr, TRUE);
}

void THintWindow::ReleaseHandle()
{
    FActive = false;
    FVisible = false;
    DestroyHandle();
}

void THintWindow::Paint()
{
    TCanvas* C = Canvas();
    TRect R = ClientRect();
    C->Brush()->SetColor(Color());
    C->FillRect(R);
    C->Font()->Assign(Font());
    C->Brush()->SetStyle(bsClear);
    R = InflatedRect(R, -HintMargin, -HintMargin);
    C->DrawText(Caption(), R, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    C->Brush()->SetStyle(bsSolid);
}
