#include "controls/RzEdit.h"

#include <commctrl.h>

#include "classlib/Cleanup.h"
#include "classlib/Forms.h"
#include "classlib/Themes.h"

TRzCustomEdit::TRzCustomEdit(TComponent* AOwner) : TCustomMaskEdit(AOwner)
{
    FControlStyle = (FControlStyle | csCaptureMouse) & ~csSetCaption;
    FNormalColor = Color();
}

TRzCustomEdit::~TRzCustomEdit()
{
    ChangeFrameController(this, FFrameController, nullptr);
}

void TRzCustomEdit::CreateParams(TCreateParams& Params)
{
    TCustomMaskEdit::CreateParams(Params);
    Params.Style |= WS_CLIPCHILDREN;
    Params.Style &= ~static_cast<DWORD>(ES_MULTILINE | ES_RIGHT | ES_CENTER);
    if (FAlignment == taRightJustify)
        Params.Style |= ES_RIGHT;
    else if (FAlignment == taCenter)
        Params.Style |= ES_CENTER;
}

void TRzCustomEdit::CreateWnd()
{
    TCustomMaskEdit::CreateWnd();
    UpdateTextHint(FTextHint);
}

void TRzCustomEdit::Loaded()
{
    TCustomMaskEdit::Loaded();
    FNormalColor = Color();
    UpdateColors();
    UpdateFrame(false, false);
}

void TRzCustomEdit::Notification(TComponent* AComponent, TOperation Operation)
{
    TCustomMaskEdit::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FFrameController)
        FFrameController = nullptr;
}

bool TRzCustomEdit::UseThemes() const
{
    return FFramingPreference == fpXPThemes && ThemeServices()->ThemesEnabled();
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

// ---------------------------------------------------------------------------
// Colours and frame
// ---------------------------------------------------------------------------

void TRzCustomEdit::UpdateColors()
{
    if (HasState(csLoading))
        return;
    FUpdatingColor = true;
    SetColor(StateColor({FNormalColor, FDisabledColor, FFocusColor, FReadOnlyColor, FReadOnlyColorOnFocus},
                        Enabled(), FHotByFocus, ReadOnly()));
    FUpdatingColor = false;
}

void TRzCustomEdit::UpdateFrame(bool ViaMouse, bool Hot)
{
    if (ViaMouse)
        FHotByMouse = Hot;
    else
        FHotByFocus = Hot;
    if (FFrameHotTrack)
        RepaintFrame();
    UpdateColors();
}

void TRzCustomEdit::RepaintFrame()
{
    if (HandleAllocated())
        InvalidateNonClientFrame(WindowHandle(), ClientRect());
}

void TRzCustomEdit::SendNCPaint()
{
    if (HandleAllocated())
        SendMessageA(WindowHandle(), WM_NCPAINT, 1, 0);
}

void TRzCustomEdit::PaintFrame(HDC DC)
{
    TCanvas C;
    C.SetHandle(DC);
    const bool Hot = FrameHot();
    DrawNonClientFrame(&C, Width(), Height(), false, FFrameSides, Hot ? FFrameHotColor : FFrameColor, Color(),
                       Hot ? FFrameHotStyle : FFrameStyle);
    C.SetHandle(nullptr);
}

bool TRzCustomEdit::StoresProperty(TRzFrameControllerPropertyConnection Property) const
{
    if (FFrameController && HasNotification(FFrameControllerNotifications, Property))
        return false;
    if (Property == fcpColor)
        return Enabled();
    if (Property == fcpFocusColor)
        return ColorToRGB(FFocusColor) != ColorToRGB(Color());
    return true;
}

// ---------------------------------------------------------------------------
// Messages
// ---------------------------------------------------------------------------

void TRzCustomEdit::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_NCPAINT:
        TCustomMaskEdit::WndProc(Message);
        if (FFrameVisible && !UseThemes() && HandleAllocated()) {
            TWindowDC DC(WindowHandle(), GetWindowDC(WindowHandle()));
            PaintFrame(DC.Get());
        }
        Message.Result = 0;
        return;
    case WM_NCHITTEST:
        TCustomMaskEdit::WndProc(Message);
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
        TCustomMaskEdit::WndProc(Message);
        if (FFrameVisible && !UseThemes())
            RepaintFrame();
        return;
    case CM_ENTER:
        UpdateFrame(false, true);
        break;
    case CM_EXIT:
        TCustomMaskEdit::WndProc(Message);
        UpdateFrame(false, false);
        return;
    case CM_MOUSEENTER:
        TCustomMaskEdit::WndProc(Message);
        UpdateFrame(true, true);
        return;
    case CM_MOUSELEAVE:
        TCustomMaskEdit::WndProc(Message);
        UpdateFrame(true, false);
        return;
    case CM_ENABLEDCHANGED:
        TCustomMaskEdit::WndProc(Message);
        UpdateColors();
        SendNCPaint();
        return;
    case CM_COLORCHANGED: case CM_PARENTCOLORCHANGED:
        TCustomMaskEdit::WndProc(Message);
        if (!FUpdatingColor && (Message.Msg == CM_COLORCHANGED || ParentColor())) {
            if (FFocusColor == FNormalColor)
                FFocusColor = Color();
            FNormalColor = Color();
        }
        if (FFrameVisible && !UseThemes())
            RepaintFrame();
        return;
    default:
        break;
    }
    TCustomMaskEdit::WndProc(Message);
}

void TRzCustomEdit::KeyPress(char& Key)
{
    if (FTabOnEnter && Key == VK_RETURN) {
        Key = 0;
        PostMessageA(Handle(), WM_KEYDOWN, VK_TAB, 0);
        return;
    }
    TCustomMaskEdit::KeyPress(Key);
}

void TRzCustomEdit::UpdateTextHint(const std::string& Hint)
{
    if (!HandleAllocated() || !ThemeServices()->ThemesEnabled() || !IsWindowsVersionOrLater(wvWinXP))
        return;
    const std::wstring W = SystemToWide(Hint);
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
    TCustomMaskEdit::SetReadOnly(Value);
    ReadOnlyChanged();
}

void TRzCustomEdit::ReadOnlyChanged()
{
    UpdateColors();
    SendNCPaint();
}

void TRzCustomEdit::SetDisabledColor(TColor Value)
{
    if (StoreChanged(FDisabledColor, Value) && !Enabled())
        UpdateColors();
}

void TRzCustomEdit::SetFocusColor(TColor Value)
{
    if (StoreChanged(FFocusColor, Value) && FHotByFocus)
        UpdateColors();
}

void TRzCustomEdit::SetReadOnlyColor(TColor Value)
{
    if (StoreChanged(FReadOnlyColor, Value) && ReadOnly())
        UpdateColors();
}

void TRzCustomEdit::SetReadOnlyColorOnFocus(bool Value)
{
    if (StoreChanged(FReadOnlyColorOnFocus, Value))
        UpdateColors();
}

void TRzCustomEdit::SetFrameColor(TColor Value)
{
    if (StoreChanged(FFrameColor, Value))
        RepaintFrame();
}

void TRzCustomEdit::SetFrameController(TRzFrameController* Value)
{
    ChangeFrameController(this, FFrameController, Value);
}

void TRzCustomEdit::SetFrameHotColor(TColor Value)
{
    if (StoreChanged(FFrameHotColor, Value))
        RepaintFrame();
}

void TRzCustomEdit::SetFrameHotTrack(bool Value)
{
    if (!StoreChanged(FFrameHotTrack, Value))
        return;
    if (Value) {
        SetFrameVisible(true);
        if (!HasState(csLoading))
            FFrameSides = sdAllSides;
    }
    RepaintFrame();
}

void TRzCustomEdit::SetFrameHotStyle(TFrameStyle Value)
{
    if (StoreChanged(FFrameHotStyle, Value))
        RepaintFrame();
}

void TRzCustomEdit::SetFrameSides(TSides Value)
{
    if (StoreChanged(FFrameSides, Value))
        RepaintFrame();
}

void TRzCustomEdit::SetFrameStyle(TFrameStyle Value)
{
    if (StoreChanged(FFrameStyle, Value))
        RepaintFrame();
}

void TRzCustomEdit::SetFrameVisible(bool Value)
{
    if (StoreChanged(FFrameVisible, Value) && HandleAllocated())
        RecreateWnd();
}

void TRzCustomEdit::SetFramingPreference(TFramingPreference Value)
{
    if (StoreChanged(FFramingPreference, Value))
        RepaintFrame();
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

void TRzCustomEdit::ReadFrameFlat(bool Value)
{
    SetFrameHotTrack(Value);
    if (Value) {
        SetFrameStyle(fsStatus);
        SetFrameHotStyle(fsLowered);
    }
}

void TRzCustomEdit::ReadFrameFocusStyle(const std::string& StyleName)
{
    TFrameStyle S;
    if (FrameStyleFromName(StyleName, S))
        SetFrameHotStyle(S);
}

const TPropertyTable* TRzCustomEdit::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TRzCustomEdit::ClassProperties()
{
    using E = TRzCustomEdit;
    static const TPropertyTable Table(&TWinControl::ClassProperties(), {
        OrdProp("Alignment", &E::Alignment, &E::SetAlignment),
        OrdProp("DisabledColor", &E::DisabledColor, &E::SetDisabledColor),
        OrdProp("FlatButtons", &E::FlatButtons, &E::SetFlatButtons),
        OrdProp("FocusColor", &E::FocusColor, &E::SetFocusColor),
        OrdProp("FrameColor", &E::FrameColor, &E::SetFrameColor),
        OrdProp("FrameControllerNotifications", &E::FrameControllerNotifications,
                &E::SetFrameControllerNotifications),
        OrdProp("FrameHotColor", &E::FrameHotColor, &E::SetFrameHotColor),
        OrdProp("FrameHotTrack", &E::FrameHotTrack, &E::SetFrameHotTrack),
        OrdProp("FrameHotStyle", &E::FrameHotStyle, &E::SetFrameHotStyle),
        OrdProp("FrameSides", &E::FrameSides, &E::SetFrameSides),
        OrdProp("FrameStyle", &E::FrameStyle, &E::SetFrameStyle),
        OrdProp("FrameVisible", &E::FrameVisible, &E::SetFrameVisible),
        OrdProp("FramingPreference", &E::FramingPreference, &E::SetFramingPreference),
        OrdProp("ReadOnlyColor", &E::ReadOnlyColor, &E::SetReadOnlyColor),
        OrdProp("ReadOnlyColorOnFocus", &E::ReadOnlyColorOnFocus, &E::SetReadOnlyColorOnFocus),
        OrdProp("TabOnEnter", &E::TabOnEnter, &E::SetTabOnEnter),
        StrProp("TextHint", &E::TextHint, &E::SetTextHint),
    });
    return Table;
}
