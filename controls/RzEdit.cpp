#include "controls/RzEdit.h"

#include <commctrl.h>

#include "classlib/Cleanup.h"
#include "classlib/Forms.h"
#include "classlib/PathForms.h"
#include "classlib/Themes.h"

using TRzEditBase = TRzFramedEdit<TCustomMaskEdit>;

TRzCustomEdit::TRzCustomEdit(TComponent* AOwner) : TRzEditBase(AOwner)
{
    FControlStyle = (FControlStyle | csCaptureMouse) & ~csSetCaption;
}

void TRzCustomEdit::CreateParams(TCreateParams& Params)
{
    TRzEditBase::CreateParams(Params);
    Params.Style |= WS_CLIPCHILDREN;
    Params.Style &= ~static_cast<DWORD>(ES_MULTILINE | ES_RIGHT | ES_CENTER);
    if (FAlignment == taRightJustify)
        Params.Style |= ES_RIGHT;
    else if (FAlignment == taCenter)
        Params.Style |= ES_CENTER;
}

void TRzCustomEdit::CreateWnd()
{
    TRzEditBase::CreateWnd();
    UpdateTextHint(FTextHint);
}

void TRzCustomEdit::InvalidKeyBeep()
{
    if (FBeepOnInvalidKey)
        ControlBeep(MB_OK);
}

TRect TRzCustomEdit::GetEditRect()
{
    return ClientRect();
}

void TRzCustomEdit::UpdateFrame(bool ViaMouse, bool Hot)
{
    if (!ViaMouse)
        FHotByFocus = Hot;
    TRzEditBase::UpdateFrame(ViaMouse, Hot);
}

void TRzCustomEdit::SendNCPaint()
{
    if (HandleAllocated())
        SendMessageA(WindowHandle(), WM_NCPAINT, 1, 0);
}

// ---------------------------------------------------------------------------
// Messages
// ---------------------------------------------------------------------------

void TRzCustomEdit::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_NCPAINT:
        PaintNonClient(Message);
        return;
    case WM_NCHITTEST:
        TRzEditBase::WndProc(Message);
        FNonClientHit = Message.Result == HTNOWHERE;
        if (FNonClientHit)
            Message.Result = HTCLIENT;
        return;
    case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK:
        if (FNonClientHit) {
            if (CanFocus())
                SetFocus();
            return;
        }
        break;
    case WM_RBUTTONDOWN:
        if (FNonClientHit)
            return;
        break;
    case WM_SETCURSOR:
        if (FNonClientHit) {
            ::SetCursor(LoadCursor(nullptr, IDC_ARROW));
            Message.Result = TRUE;
            return;
        }
        break;
    case WM_SIZE:
        TRzEditBase::WndProc(Message);
        if (FrameVisible() && !UseThemes())
            RepaintFrame();
        return;
    case CM_ENTER:
        UpdateFrame(false, true);
        break;
    case CM_EXIT:
        TRzEditBase::WndProc(Message);
        UpdateFrame(false, false);
        return;
    case CM_MOUSEENTER:
        TRzEditBase::WndProc(Message);
        UpdateFrame(true, true);
        return;
    case CM_MOUSELEAVE:
        TRzEditBase::WndProc(Message);
        UpdateFrame(true, false);
        return;
    case CM_ENABLEDCHANGED:
        TRzEditBase::WndProc(Message);
        UpdateColors();
        SendNCPaint();
        return;
    case CM_COLORCHANGED: case CM_PARENTCOLORCHANGED:
        ColorChanged(Message);
        return;
    default:
        break;
    }
    TRzEditBase::WndProc(Message);
}

void TRzCustomEdit::KeyPress(char& Key)
{
    if (!EnterAsTab(Key))
        TRzEditBase::KeyPress(Key);
}

void TRzCustomEdit::UpdateTextHint(const std::string& Hint)
{
    if (!HandleAllocated() || !ThemeServices()->ThemesEnabled() || !IsWindowsVersionOrLater(wvWinXP))
        return;
    const std::wstring W = AnsiToWide(Hint);
    SendMessageW(WindowHandle(), EM_SETCUEBANNER, FTextHintVisibleOnFocus ? TRUE : FALSE,
                 reinterpret_cast<LPARAM>(W.c_str()));
}

// ---------------------------------------------------------------------------
// Setters
// ---------------------------------------------------------------------------

void TRzCustomEdit::SetAlignment(TAlignment Value)
{
    if (StoreChanged(FAlignment, Value) && HandleAllocated())
        RecreateWnd();
}

void TRzCustomEdit::SetReadOnly(bool Value)
{
    if (Value == ReadOnly())
        return;
    TRzEditBase::SetReadOnly(Value);
    ReadOnlyChanged();
}

void TRzCustomEdit::ReadOnlyChanged()
{
    UpdateColors();
    SendNCPaint();
}

void TRzCustomEdit::SetTextHint(const std::string& Value)
{
    if (StoreChanged(FTextHint, Value) && !HasState(csLoading))
        UpdateTextHint(FTextHint);
}

void TRzCustomEdit::SetTextHintVisibleOnFocus(bool Value)
{
    if (StoreChanged(FTextHintVisibleOnFocus, Value) && !HasState(csLoading))
        UpdateTextHint(FTextHint);
}

void TRzCustomEdit::SetFlatButtons(bool Value)
{
    if (StoreChanged(FFlatButtons, Value))
        SendNCPaint();
}
