#include "controls/RzButton.h"

#include <uxtheme.h>
#include <vsstyle.h>

#include <algorithm>
#include <array>
#include <memory>

#include "classlib/Forms.h"
#include "classlib/ResStrings.h"
#include "classlib/StdCtrls.h"
#include "classlib/Themes.h"
#include "controls/RzGrafx.h"

namespace {

enum : int {
    SRzOKButton = 31810, SRzCancelButton, SRzHelpButton, SRzYesButton, SRzNoButton, SRzCloseButton,
    SRzAbortButton, SRzRetryButton, SRzIgnoreButton, SRzAllButton,
};

const TResStringRegistrar ButtonTexts{
    {SRzOKButton, "OK"},         {SRzCancelButton, "Cancel"}, {SRzHelpButton, "&Help"},
    {SRzYesButton, "&Yes"},      {SRzNoButton, "&No"},        {SRzCloseButton, "&Close"},
    {SRzAbortButton, "Abort"},   {SRzRetryButton, "&Retry"},  {SRzIgnoreButton, "&Ignore"},
    {SRzAllButton, "&All"},
};

// One row per Kind, in the order of TBitBtnKind.
struct TKindPreset {
    int CaptionId;
    int ModalResult;
    bool Default;
    bool Cancel;
    const char* Glyph;
};

constexpr std::array<TKindPreset, BitBtnKindCount> KindPresets{{
    {0, mrNone, false, false, nullptr},
    {SRzOKButton, mrOk, true, false, "RZCOMMON_OK"},
    {SRzCancelButton, mrCancel, false, true, "RZCOMMON_CANCEL"},
    {SRzHelpButton, mrNone, false, false, "RZCOMMON_HELP"},
    {SRzYesButton, mrYes, true, false, "RZCOMMON_YES"},
    {SRzNoButton, mrNo, false, true, "RZCOMMON_NO"},
    {SRzCloseButton, mrNone, false, false, "RZCOMMON_CLOSE"},
    {SRzAbortButton, mrAbort, false, false, "RZCOMMON_ABORT"},
    {SRzRetryButton, mrRetry, false, false, "RZCOMMON_RETRY"},
    {SRzIgnoreButton, mrIgnore, false, false, "RZCOMMON_IGNORE"},
    {SRzAllButton, mrAll, false, false, "RZCOMMON_ALL"},
}};

// A Kind past the table (a number cast by a caller) has bkCustom's row.
const TKindPreset& Preset(TBitBtnKind Kind)
{
    return KindPresets[static_cast<size_t>(Kind) < KindPresets.size() ? Kind : bkCustom];
}

// The preset glyphs, loaded once each and freed with the program.
std::array<std::unique_ptr<TBitmap>, BitBtnKindCount>& KindGlyphCache()
{
    static std::array<std::unique_ptr<TBitmap>, BitBtnKindCount> Cache;
    return Cache;
}

// 1-pixel lines and dots by fills, so their ends are exact.
void HLine(HDC DC, int X1, int X2, int Y, TColor Color)
{
    FillSolidRect(DC, TRect(X1, Y, X2, Y + 1), Color);
}

void VLine(HDC DC, int X, int Y1, int Y2, TColor Color)
{
    FillSolidRect(DC, TRect(X, Y1, X + 1, Y2), Color);
}

void Dot(HDC DC, int X, int Y, TColor Color)
{
    FillSolidRect(DC, TRect(X, Y, X + 1, Y + 1), Color);
}

constexpr UINT CaptionMeasureFlags = DT_CALCRECT | DT_EXPANDTABS | DT_WORDBREAK | DT_VCENTER | DT_CENTER;

UINT AlignmentFlags(TAlignment Alignment)
{
    switch (Alignment) {
    case taLeftJustify: return DT_LEFT;
    case taRightJustify: return DT_RIGHT;
    default: return DT_CENTER;
    }
}

} // namespace

void FillCheckerPattern(TBitmap* Bitmap, TColor Base, TColor Dots)
{
    Bitmap->SetSize(8, 8);
    HDC DC = Bitmap->Canvas()->Handle();
    FillSolidRect(DC, TRect(0, 0, 8, 8), Base);
    for (int Y = 0; Y < 8; ++Y)
        for (int X = Y % 2; X < 8; X += 2)
            Dot(DC, X, Y, Dots);
    GdiFlush();
}

TRect MeasureText(const TFont* Font, const std::string& Text, const TRect& Bounds, UINT Flags)
{
    // A memory DC of the screen's kind: no window is needed.
    TBitmap Scratch(1, 1);
    Scratch.Canvas()->SetFont(Font);
    TRect R = Bounds;
    Scratch.Canvas()->DrawText(Text, R, Flags | DT_CALCRECT);
    return R;
}

void HotTrackRingColors(TRzHotTrackColorType Type, TColor HotTrackColor, TColor& Top, TColor& Bottom)
{
    if (Type == htctActual) {
        Top = BlendColors(clWhite, HotTrackColor, 190);
        Bottom = HotTrackColor;
    } else {
        const TColor C = ComplementaryColor(HotTrackColor, 180);
        Top = C;
        Bottom = DarkerColor(C, 30);
    }
}

// ===========================================================================
// TRzCustomButton
// ===========================================================================

TRzCustomButton::TRzCustomButton(TComponent* AOwner) : TCustomControl(AOwner)
{
    FControlStyle = csCaptureMouse | csSetCaption | csOpaque | csDoubleClicks | csReplicatable | csReflector;
    SetBounds(0, 0, 115, 17);
    SetTabStop(true);
}

bool TRzCustomButton::UseThemes() const
{
    return FThemeAware && ThemeServices()->ThemesEnabled();
}

bool TRzCustomButton::ShowsFocusCues() const
{
    return !HandleAllocated() ||
           (SendMessageA(WindowHandle(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) == 0;
}

bool TRzCustomButton::ShowsAccelerators() const
{
    return !HandleAllocated() ||
           (SendMessageA(WindowHandle(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEACCEL) == 0;
}

void TRzCustomButton::ClearPress()
{
    FSpaceDown = false;
    FPressed = false;
}

void TRzCustomButton::WndProc(TMessage& Message)
{
    auto Alive = FAlive;
    switch (Message.Msg) {
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
        FMouseOver = Message.Msg == CM_MOUSEENTER;
        if ((FHotTrack || UseThemes()) && HandleAllocated()) {
            const TRect R = GetHotTrackRect();
            InvalidateRect(WindowHandle(), &R, FALSE);
        }
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        TCustomControl::WndProc(Message);
        if (*Alive)
            UpdateFocusDisplay();
        return;
    case WM_ERASEBKGND:
        if (FTransparent) {
            PaintParentBackground(reinterpret_cast<HDC>(Message.WParam));
            Message.Result = 1;
            return;
        }
        break;
    case CM_ENABLEDCHANGED:
        // A disabled button gives the focus back to its form first.
        if (!Enabled() && Parent() && Focused())
            if (TCustomForm* F = GetParentForm(this))
                ::SetFocus(F->Handle());
        break;
    case CM_TEXTCHANGED:
        Invalidate();
        break;
    default:
        break;
    }
    TCustomControl::WndProc(Message);
}

void TRzCustomButton::CreateWnd()
{
    TCustomControl::CreateWnd();
    if (IsWindowsVersionOrLater(wvWin2000))
        SendMessageA(WindowHandle(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
}

void TRzCustomButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    auto Alive = FAlive;
    if (Button == mbLeft && Enabled()) {
        ::SetFocus(Handle());
        if (!*Alive)
            return;
        if (Focused()) {
            FPressed = true;
            FCaptured = true;
            UpdateDisplay();
        }
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TRzCustomButton::MouseMove(TShiftState Shift, int X, int Y)
{
    if (FCaptured && StoreChanged(FPressed, PointInside(X, Y)))
        UpdateDisplay();
    TCustomControl::MouseMove(Shift, X, Y);
}

void TRzCustomButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    auto Alive = FAlive;
    if (Button == mbLeft && FCaptured) {
        FCaptured = false;
        FPressed = false;
        if (PointInside(X, Y))
            ChangeState();
        if (!*Alive)
            return;
        UpdateDisplay();
    }
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TRzCustomButton::KeyDown(WORD& Key, TShiftState Shift)
{
    if (Key == VK_SPACE && (Shift & ssAlt) == 0) {
        FSpaceDown = true;
        FPressed = true;
        UpdateDisplay();
    }
    TCustomControl::KeyDown(Key, Shift);
}

void TRzCustomButton::KeyUp(WORD& Key, TShiftState Shift)
{
    auto Alive = FAlive;
    if (Key == VK_SPACE) {
        FPressed = false;
        // A key-up whose key-down went elsewhere (the focus came with the
        // key held) clicks nothing.
        if (FSpaceDown) {
            FSpaceDown = false;
            ChangeState();
            if (!*Alive)
                return;
        }
        UpdateDisplay();
    }
    TCustomControl::KeyUp(Key, Shift);
}

void TRzCustomButton::DrawCaption(TCanvas* Canvas, const TRect& Rect, UINT Flags)
{
    Canvas->Brush()->SetStyle(bsClear);
    // A name change forces a new font object even when Font equals the
    // canvas font already selected.
    Canvas->Font()->SetName("System");
    Canvas->SetFont(Font());

    std::string Text = Caption();
    if (!ShowsAccelerators()) {
        Text = RemoveAccelerators(Text);
        Flags |= DT_NOPREFIX;
    }
    TRect R = Rect;
    TRect Calc = Rect;
    DrawCanvasText(Canvas, Text, Calc, CaptionMeasureFlags | (Flags & DT_NOPREFIX));
    const int TextHeight = Calc.Height();
    switch (FAlignmentVertical) {
    case avTop: R.bottom = R.top + TextHeight; break;
    case avCenter:
        R.top = (R.top + R.bottom - TextHeight) / 2;
        R.bottom = R.top + TextHeight;
        break;
    case avBottom: R.top = R.bottom - TextHeight - 1; break;
    }
    if (UseRightToLeftAlignment())
        Flags |= DT_RTLREADING;

    auto Layer = [&](int DX, int DY, TColor Color) {
        TRect L(R.left + DX, R.top + DY, R.right + DX, R.bottom + DY);
        Canvas->Font()->SetColor(Color);
        DrawCanvasText(Canvas, Text, L, Flags);
    };
    if (!Enabled()) {
        Layer(0, 0, ColorsTooClose(Color(), clGrayText) ? cl3DDkShadow : clGrayText);
        return;
    }
    const TColor TextColor = Font()->Color();
    switch (FTextStyle) {
    case tsRaised:
        if (!FLightTextStyle)
            Layer(1, 1, FTextShadowColor);
        Layer(-1, -1, FTextHighlightColor);
        break;
    case tsRecessed:
        Layer(1, 1, FTextHighlightColor);
        if (!FLightTextStyle)
            Layer(-1, -1, FTextShadowColor);
        break;
    case tsShadow:
        if (Flags & DT_RIGHT)
            Layer(0, FTextShadowDepth, FTextShadowColor);
        else
            Layer(FTextShadowDepth, FTextShadowDepth, FTextShadowColor);
        break;
    case tsNormal: break;
    }
    // Right-aligned text of an enabled button leaves room for the shadow,
    // whatever the style.
    Layer((Flags & DT_RIGHT) ? -FTextShadowDepth : 0, 0, TextColor);
    Canvas->Font()->SetColor(TextColor);
}

void TRzCustomButton::SetAlignmentVertical(TAlignmentVertical Value)
{
    if (StoreChanged(FAlignmentVertical, Value))
        Invalidate();
}

void TRzCustomButton::SetHotTrack(bool Value)
{
    if (StoreChanged(FHotTrack, Value))
        Invalidate();
}

void TRzCustomButton::SetHighlightColor(TColor Value)
{
    if (StoreChanged(FHighlightColor, Value))
        Invalidate();
}

void TRzCustomButton::SetHotTrackColor(TColor Value)
{
    if (StoreChanged(FHotTrackColor, Value))
        Invalidate();
}

void TRzCustomButton::SetHotTrackColorType(TRzHotTrackColorType Value)
{
    if (StoreChanged(FHotTrackColorType, Value))
        Invalidate();
}

void TRzCustomButton::SetLightTextStyle(bool Value)
{
    if (StoreChanged(FLightTextStyle, Value))
        Invalidate();
}

void TRzCustomButton::SetTextStyle(TTextStyle Value)
{
    if (StoreChanged(FTextStyle, Value))
        Invalidate();
}

void TRzCustomButton::SetTextHighlightColor(TColor Value)
{
    if (StoreChanged(FTextHighlightColor, Value))
        Invalidate();
}

void TRzCustomButton::SetTextShadowColor(TColor Value)
{
    if (StoreChanged(FTextShadowColor, Value))
        Invalidate();
}

void TRzCustomButton::SetTextShadowDepth(int Value)
{
    if (StoreChanged(FTextShadowDepth, Value))
        Invalidate();
}

void TRzCustomButton::SetThemeAware(bool Value)
{
    if (StoreChanged(FThemeAware, Value))
        Invalidate();
}

void TRzCustomButton::SetTransparent(bool Value)
{
    if (StoreChanged(FTransparent, Value))
        Invalidate();
}

// ===========================================================================
// TRzButton
// ===========================================================================

TRzButton::TRzButton(TComponent* AOwner) : TRzCustomButton(AOwner)
{
    SetBounds(0, 0, 75, 25);
    SetColor(clBtnFace);
    SetParentColor(false);
}

void TRzButton::BeforeDestruction()
{
    FActive = false;
    TRzCustomButton::BeforeDestruction();
}

void TRzButton::WndProc(TMessage& Message)
{
    auto Alive = FAlive;
    switch (Message.Msg) {
    case CM_DIALOGKEY:
        if (((Message.WParam == VK_RETURN && FActive) || (Message.WParam == VK_ESCAPE && FCancel)) &&
            (KeyDataToShiftState(Message.LParam) & (ssShift | ssAlt | ssCtrl)) == 0 && CanFocus()) {
            Click();
            Message.Result = 1;
            return;
        }
        break;
    case CM_DIALOGCHAR:
        if (IsAccel(Message.WParam, Caption()) && CanFocus()) {
            Click();
            Message.Result = 1;
            return;
        }
        break;
    case CM_FOCUSCHANGED:
        if (!HasState(csDestroying)) {
            auto* Sender = reinterpret_cast<TWinControl*>(Message.LParam);
            const bool IsButton = dynamic_cast<TRzButton*>(Sender) || dynamic_cast<TButton*>(Sender);
            if (StoreChanged(FActive, IsButton ? Sender == this : FDefault))
                Invalidate();
        }
        break;
    case CM_RzButtonPressed: {
        auto* Sender = reinterpret_cast<TRzButton*>(Message.LParam);
        if (Sender && Sender != this && static_cast<int>(Message.WParam) == FGroupIndex) {
            if (Sender->Down() && FLatched) {
                FLatched = false;
                Invalidate();
            }
            FAllowAllUp = Sender->AllowAllUp();
        }
        return;
    }
    case WM_KILLFOCUS:
        TRzCustomButton::WndProc(Message);
        if (*Alive && !HasState(csDestroying)) {
            ClearPress();
            UpdateDisplay();
        }
        return;
    default:
        break;
    }
    TRzCustomButton::WndProc(Message);
}

void TRzButton::CreateWnd()
{
    TRzCustomButton::CreateWnd();
    FActive = FDefault;
}

void TRzButton::Click()
{
    auto Alive = FAlive;
    if (TCustomForm* F = GetParentForm(this))
        F->SetModalResult(FModalResult);
    if (*Alive)
        TRzCustomButton::Click();
}

void TRzButton::ChangeState()
{
    auto Alive = FAlive;
    if (FGroupIndex != 0)
        SetDown(!FLatched);
    else
        UpdateDisplay();
    FClicking = true;
    Click();
    if (*Alive)
        FClicking = false;
}

void TRzButton::SetDown(bool Value)
{
    if (FGroupIndex == 0)
        Value = false;
    if (Value == FLatched)
        return;
    if (FLatched && !FAllowAllUp)
        return;
    FLatched = Value;
    Invalidate();
    if (Value)
        NotifyGroup();
}

void TRzButton::NotifyGroup()
{
    if (FGroupIndex == 0 || !Parent())
        return;
    TMessage M{CM_RzButtonPressed, static_cast<WPARAM>(FGroupIndex), reinterpret_cast<LPARAM>(this), 0};
    Parent()->Broadcast(M);
}

void TRzButton::SetAllowAllUp(bool Value)
{
    if (StoreChanged(FAllowAllUp, Value))
        NotifyGroup();
}

void TRzButton::SetGroupIndex(int Value)
{
    if (StoreChanged(FGroupIndex, Value))
        NotifyGroup();
}

void TRzButton::SetDefault(bool Value)
{
    FDefault = Value;
    if (HandleAllocated())
        if (TCustomForm* F = GetParentForm(this))
            F->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(F->ActiveControl()));
}

void TRzButton::SetAlignment(TAlignment Value)
{
    if (StoreChanged(FAlignment, Value))
        Invalidate();
}

void TRzButton::SetFrameColor(TColor Value)
{
    if (StoreChanged(FFrameColor, Value))
        Invalidate();
}

void TRzButton::SetShowDownPattern(bool Value)
{
    if (StoreChanged(FShowDownPattern, Value))
        Invalidate();
}

void TRzButton::SetShowFocusRect(bool Value)
{
    if (StoreChanged(FShowFocusRect, Value))
        Invalidate();
}

void TRzButton::SetHotTrack(bool Value)
{
    TRzCustomButton::SetHotTrack(Value);
    SetTransparent(Value);
}

bool TRzButton::PressedLooking() const
{
    return FLatched || Pressed();
}

bool TRzButton::DefaultLooking() const
{
    return FGroupIndex == 0 && (FActive || Focused()) && !Pressed();
}

TRect TRzButton::GetCaptionRect() const
{
    TRect R = ShrunkRect(ClientRect(), 5);
    if (!HotTrack() && !UseThemes() && (Pressed() || (FGroupIndex != 0 && FLatched)))
        R = TRect(R.left + 1, R.top + 1, R.right + 1, R.bottom + 1);
    return R;
}

TRect TRzButton::FocusRect() const
{
    TRect R = ShrunkRect(ClientRect(), HotTrack() || UseThemes() ? 3 : 4);
    if (FGroupIndex != 0 && (FLatched || Pressed()))
        R = TRect(R.left + 1, R.top + 1, R.right + 1, R.bottom + 1);
    return R;
}

void TRzButton::FillDownPattern(TBitmap* Bitmap) const
{
    FillCheckerPattern(Bitmap, Color(), ColorToRGB(Color()) == clSilver ? clGray : clSilver);
}

void TRzButton::DrawCaptionAligned()
{
    TAlignment A = FAlignment;
    if (UseRightToLeftAlignment() && A != taCenter)
        A = A == taLeftJustify ? taRightJustify : taLeftJustify;
    DrawCaption(Canvas(), GetCaptionRect(), AlignmentFlags(A) | DT_EXPANDTABS | DT_WORDBREAK);
}

void TRzButton::PaintHotTrackLook(TCanvas* C, TRect& R)
{
    HDC DC = C->Handle();
    const int W = R.Width(), H = R.Height();
    const TColor B = Parent() ? Parent()->Color() : clBtnFace;
    const TColor Dark = Enabled() ? DarkerColor(B, 20) : B;
    const TColor Light = Enabled() ? LighterColor(B, 20) : B;
    // Outer ring, its corners cut: the edges stop two pixels short and a
    // dot rounds each corner off.
    HLine(DC, 2, W - 2, 0, Dark);
    VLine(DC, 0, 2, H - 2, Dark);
    HLine(DC, 2, W - 2, H - 1, Light);
    VLine(DC, W - 1, 2, H - 2, Light);
    Dot(DC, 1, 1, Dark);
    Dot(DC, W - 2, 1, Dark);
    Dot(DC, 1, H - 2, Dark);
    Dot(DC, W - 2, H - 2, Light);

    TColor Frame = FFrameColor;
    if (!Enabled())
        Frame = Color() == clBtnFace ? LighterColor(clBtnShadow, 30) : DarkerColor(Color(), 80);
    HLine(DC, 2, W - 2, 1, Frame);
    HLine(DC, 2, W - 2, H - 2, Frame);
    VLine(DC, 1, 2, H - 2, Frame);
    VLine(DC, W - 2, 2, H - 2, Frame);

    R = TRect(2, 2, W - 2, H - 2);
    auto Body = [&] {
        HLine(DC, R.left, R.right, R.bottom - 2, DarkerColor(Color(), 20));
        HLine(DC, R.left, R.right, R.bottom - 1, DarkerColor(Color(), 30));
        const TRect Top(R.left, R.top, R.right, R.bottom - 2);
        if (MoreThan256Colors)
            DrawGradient(C, Top, gdHorizontalEnd, LighterColor(Color(), 30), DarkerColor(Color(), 10));
        else
            FillSolidRect(DC, Top, Color());
    };
    if (!Enabled()) {
        FillSolidRect(DC, R, Color());
    } else if (PressedLooking()) {
        FillSolidRect(DC, R, DarkerColor(Color(), 10));
    } else if (MouseOver()) {
        Body();
        TColor Top, Bottom;
        HotTrackRingColors(HotTrackColorType(), HotTrackColor(), Top, Bottom);
        DrawGradientFillInset(C, R, gdHorizontalEnd, Top, Bottom);
    } else if (DefaultLooking()) {
        Body();
        const TColor Hi =
            ColorsTooClose(HighlightColor(), clBtnFace) ? DarkerColor(HighlightColor(), 30) : HighlightColor();
        const TColor Lo = LighterColor(Color(), 30);
        DrawGradientFillInset(C, R, gdHorizontalEnd, BlendColors(Hi, Lo, 60), BlendColors(Hi, Lo, 160));
    } else {
        Body();
    }
}

void TRzButton::PaintClassicLook(TCanvas* C, TRect& R)
{
    if (FGroupIndex == 0 && (DefaultLooking() || FClicking))
        R = DrawSides(C, R, clWindowFrame, clWindowFrame, sdAllSides);
    if (Color() == clBtnFace) {
        if (FGroupIndex == 0)
            R = DrawButtonBorder(C, R, Pressed());
        else
            R = DrawBorder(C, R, PressedLooking() ? fsLowered : fsButtonUp);
    } else {
        if (FGroupIndex == 0)
            R = DrawColorButtonBorder(C, R, Color(), Pressed());
        else if (PressedLooking())
            R = DrawColorBorder(C, R, Color(), fsLowered);
        else
            R = DrawColorButtonBorder(C, R, Color(), false);
    }
    FillSolidRect(C->Handle(), R, Color());
}

void TRzButton::Paint()
{
    TCanvas* C = Canvas();
    TRect R = ClientRect();
    if (UseThemes()) {
        int State = PBS_NORMAL;
        if (!Enabled())
            State = PBS_DISABLED;
        else if (PressedLooking())
            State = PBS_PRESSED;
        else if (MouseOver())
            State = PBS_HOT;
        else if (DefaultLooking())
            State = PBS_DEFAULTED;
        if (HandleAllocated())
            ThemeServices()->DrawParentBackground(WindowHandle(), C->Handle(), &R);
        ThemeServices()->DrawElement(C->Handle(), teButton, BP_PUSHBUTTON, State, R);
        R = ThemeServices()->ContentRect(C->Handle(), teButton, BP_PUSHBUTTON, State, R);
    } else if (HotTrack()) {
        PaintHotTrackLook(C, R);
    } else {
        PaintClassicLook(C, R);
    }
    if (FGroupIndex != 0 && FLatched && FShowDownPattern) {
        TBitmap Pattern;
        FillDownPattern(&Pattern);
        C->Brush()->SetBitmap(&Pattern);
        C->FillRect(R);
        C->Brush()->SetBitmap(nullptr);
    }
    C->SetFont(Font());
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(Color());
    DrawCaptionAligned();
    if (ShowsFocusCues() && Focused() && FShowFocusRect)
        DrawDottedBox(C, FocusRect());
}

void TRzButton::PaintParentBackground(HDC DC)
{
    // Only the rounded corners show the parent: the face and the straight
    // edges are painted by Paint.
    const TRect Client = ClientRect();
    const int Inset = Enabled() ? 1 : 2;
    const int Saved = SaveDC(DC);
    const TRect Face = ShrunkRect(Client, Inset);
    ExcludeClipRect(DC, Face.left, Face.top, Face.right, Face.bottom);
    ExcludeClipRect(DC, 0, 2, Client.right, Client.bottom - 2);
    ExcludeClipRect(DC, 2, 0, Client.right - 2, Client.bottom);
    DrawParentImageDC(this, DC);
    RestoreDC(DC, Saved);
}

// ===========================================================================
// TRzBitBtn
// ===========================================================================

int GlyphCountFromSize(int Width, int Height, int Current)
{
    // An empty glyph (cleared, or a zero-height bitmap) keeps the count: the
    // rule divides by the height.
    if (Height <= 0 || Width < 0 || Width % Height != 0)
        return Current;
    const int N = Width / Height;
    return N >= 1 && N <= 4 ? N : 1;
}

TBitmap* KindGlyph(TBitBtnKind Kind)
{
    const TKindPreset& P = Preset(Kind);
    if (!P.Glyph)
        return nullptr;
    auto& Slot = KindGlyphCache()[Kind];
    if (!Slot) {
        auto B = std::make_unique<TBitmap>();
        B->LoadFromResourceName(GetModuleHandleA(nullptr), P.Glyph);
        Slot = std::move(B);
    }
    return Slot.get();
}

std::string KindCaption(TBitBtnKind Kind)
{
    const int Id = Preset(Kind).CaptionId;
    return Id ? LoadResString(Id) : std::string();
}

int KindModalResult(TBitBtnKind Kind)
{
    return Preset(Kind).ModalResult;
}

TRzBitBtn::TRzBitBtn(TComponent* AOwner) : TRzButton(AOwner), FGlyph(std::make_unique<TBitmap>())
{
    FGlyph->OnChange = [this](TObject* Sender) { GlyphChanged(Sender); };
    FImagesLink.OnChange = [this](TObject*) { Invalidate(); };
}

TRzBitBtn::~TRzBitBtn() = default;

void TRzBitBtn::GlyphChanged(TObject*)
{
    FNumGlyphs = GlyphCountFromSize(FGlyph->Width(), FGlyph->Height(), FNumGlyphs);
    Invalidate();
}

void TRzBitBtn::SetGlyph(const TBitmap* Value)
{
    if (Value) {
        FGlyph->Assign(Value);
    } else {
        FGlyph->SetSize(0, 0);
        GlyphChanged(FGlyph.get());
    }
    FGlyphModified = true;
}

void TRzBitBtn::ActionChange(TObject* Sender, bool CheckDefaults)
{
    TRzButton::ActionChange(Sender, CheckDefaults);
    if (auto* A = dynamic_cast<TCustomAction*>(Sender))
        if (!CheckDefaults || FImageIndex == -1)
            SetImageIndex(A->ImageIndex());
}

void TRzBitBtn::SetNumGlyphs(int Value)
{
    if (StoreChanged(FNumGlyphs, std::clamp(Value, 1, 4)))
        Invalidate();
}

void TRzBitBtn::SetImages(TCustomImageList* Value)
{
    if (ChangeImageList(this, FImages, Value, FImagesLink))
        Invalidate();
}

void TRzBitBtn::Notification(TComponent* AComponent, TOperation Operation)
{
    TRzButton::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FImages)
        FImages = nullptr;
}

void TRzBitBtn::SetImageIndex(TImageIndex Value)
{
    if (StoreChanged(FImageIndex, Value))
        Invalidate();
}

void TRzBitBtn::SetDisabledIndex(TImageIndex Value)
{
    if (StoreChanged(FDisabledIndex, Value))
        Invalidate();
}

void TRzBitBtn::SetLayout(TButtonLayout Value)
{
    if (StoreChanged(FLayout, Value))
        Invalidate();
}

void TRzBitBtn::SetMargin(int Value)
{
    // -1 centres; anything below is no margin at all and is refused.
    if (Value < -1)
        return;
    if (StoreChanged(FMargin, Value))
        Invalidate();
}

void TRzBitBtn::SetSpacing(int Value)
{
    if (StoreChanged(FSpacing, Value))
        Invalidate();
}

void TRzBitBtn::ChangeScale(int M, int D)
{
    TRzButton::ChangeScale(M, D);
    if (D == 0 || M == D)
        return;
    FMargin = FMargin >= 0 ? MulDiv(FMargin, M, D) : FMargin;
    FSpacing = MulDiv(FSpacing, M, D);
    Invalidate();
}

TBitBtnKind TRzBitBtn::GetKind()
{
    if (FKind != bkCustom) {
        const TKindPreset& P = Preset(FKind);
        if (Default() != P.Default || Cancel() != P.Cancel || ModalResult() != P.ModalResult || FGlyphModified)
            FKind = bkCustom;
    }
    return FKind;
}

void TRzBitBtn::SetKind(TBitBtnKind Value)
{
    if (static_cast<size_t>(Value) >= KindPresets.size())
        return;
    if (Value != FKind && Value != bkCustom) {
        const TKindPreset& P = KindPresets[Value];
        SetDefault(P.Default);
        SetCancel(P.Cancel);
        const std::string Text = KindCaption(Value);
        if (HasState(csLoading)) {
            if (Caption().empty())
                SetCaption(Text);
        } else if (!Text.empty()) {
            SetCaption(Text);
        }
        SetModalResult(P.ModalResult);
        if (TBitmap* G = KindGlyph(Value))
            FGlyph->Assign(G);
        FNumGlyphs = 2;
        FGlyphModified = false;
    }
    FKind = Value;
    Invalidate();
}

TButtonLayout TRzBitBtn::EffectiveLayout() const
{
    if (UseRightToLeftAlignment() && FLayout == blGlyphLeft)
        return blGlyphRight;
    return FLayout;
}

SIZE TRzBitBtn::GetGlyphSize() const
{
    if (FImages && FImageIndex != -1)
        return SIZE{FImages->Width(), FImages->Height()};
    if (FGlyph->Empty())
        return SIZE{0, 0};
    return SIZE{FGlyph->Width() / std::max(1, FNumGlyphs), FGlyph->Height()};
}

int TRzBitBtn::CaptionHeight() const
{
    std::string Text = Caption();
    UINT Flags = CaptionMeasureFlags;
    if (!ShowsAccelerators()) {
        Text = RemoveAccelerators(Text);
        Flags |= DT_NOPREFIX;
    }
    return MeasureText(Font(), Text, TRzButton::GetCaptionRect(), Flags).Height();
}

TRect TRzBitBtn::GetCaptionRect() const
{
    TRect R = TRzButton::GetCaptionRect();
    const SIZE G = GetGlyphSize();
    if (G.cx == 0 && G.cy == 0)
        return R;
    const int W = G.cx, H = G.cy, S = FSpacing, M = FMargin;
    const TButtonLayout L = EffectiveLayout();
    if (M >= 0 || L == blGlyphLeft || L == blGlyphRight) {
        switch (L) {
        case blGlyphLeft: R.left += M + W + S; break;
        case blGlyphRight: R.right -= M + W + S; break;
        case blGlyphTop: R.top += M + H + S; break;
        case blGlyphBottom: R.bottom -= M + H + S; break;
        }
        return R;
    }
    const int T = CaptionHeight();
    const int Y = (Height() - (H + T + S)) / 2;
    if (L == blGlyphTop)
        R.top = R.top + Y + H;
    else
        R.top = R.top + Y;
    R.bottom = R.top + T;
    return R;
}

TRect TRzBitBtn::GetGlyphRect() const
{
    const bool Themed = UseThemes();
    TRect R = TRzButton::GetCaptionRect();
    if (Pressed())
        R = Themed ? TRect(R.left - 1, R.top, R.right - 1, R.bottom)
                   : TRect(R.left - 1, R.top - 1, R.right - 1, R.bottom - 1);
    const SIZE G = GetGlyphSize();
    const int W = G.cx, H = G.cy, M = FMargin;
    const TButtonLayout L = EffectiveLayout();
    if (M >= 0) {
        switch (L) {
        case blGlyphLeft: R.left += M; break;
        case blGlyphRight: R.left = R.right - M - W; break;
        case blGlyphTop: R.top += M; break;
        case blGlyphBottom: R.top = R.bottom - M - H; break;
        }
    } else {
        const int T = CaptionHeight();
        const int Y = (Height() - (H + T + FSpacing)) / 2;
        switch (L) {
        case blGlyphLeft: break;
        case blGlyphRight: R.left = R.right - W; break;
        case blGlyphTop: R.top = Y; break;
        case blGlyphBottom: R.top = R.top + T + Y; break;
        }
    }
    if (L == blGlyphLeft || L == blGlyphRight)
        R.top += (R.Height() - H + 1) / 2;
    else
        R.left += (R.Width() - W + 1) / 2;
    R.right = R.left + W;
    R.bottom = R.top + H;
    if (Pressed())
        R = Themed ? TRect(R.left + 2, R.top, R.right + 2, R.bottom)
                   : TRect(R.left + 1, R.top + 1, R.right + 1, R.bottom + 1);
    return R;
}

void TRzBitBtn::DrawCaptionAligned()
{
    TRzButton::DrawCaptionAligned();
    if (FKind == bkCustom && FImages && FImageIndex != -1)
        DrawImage(GetGlyphRect());
    else if (!FGlyph->Empty())
        DrawGlyph(GetGlyphRect());
}

void TRzBitBtn::DrawImage(const TRect& Rect)
{
    if (FDisabledIndex == -1)
        FImages->Draw(Canvas(), Rect.left, Rect.top, FImageIndex, Enabled());
    else
        FImages->Draw(Canvas(), Rect.left, Rect.top, Enabled() ? FImageIndex : FDisabledIndex, true);
}

void TRzBitBtn::DrawGlyph(const TRect& Rect)
{
    int Cell = 0;
    if (FNumGlyphs == 4 && Down())
        Cell = 3;
    else if (FNumGlyphs >= 3 && Pressed())
        Cell = 2;
    else if (FNumGlyphs > 1 && !Enabled())
        Cell = 1;
    const SIZE G = GetGlyphSize();
    if (G.cx <= 0 || G.cy <= 0)
        return;
    // The glyph goes onto a copy of what is under it, and the copy onto
    // the button in one blit.
    TBitmap Under(G.cx, G.cy);
    HDC UnderDC = Under.Canvas()->Handle();
    FillSolidRect(UnderDC, TRect(0, 0, G.cx, G.cy), Color());
    HDC DC = Canvas()->Handle();
    BitBlt(UnderDC, 0, 0, G.cx, G.cy, DC, Rect.left, Rect.top, SRCCOPY);
    StretchTransparentBitmap(Under.Canvas(), FGlyph.get(), TRect(0, 0, G.cx, G.cy), FGlyph->TransparentColor(),
                             TRect(Cell * G.cx, 0, (Cell + 1) * G.cx, G.cy));
    GdiFlush();
    BitBlt(DC, Rect.left, Rect.top, G.cx, G.cy, UnderDC, 0, 0, SRCCOPY);
}
