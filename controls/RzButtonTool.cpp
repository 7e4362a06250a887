// The windowless buttons of RzButton: the toolbar button and the arrow or
// glyph button that edits embed.
#include "controls/RzButton.h"

#include <uxtheme.h>
#include <vsstyle.h>

#include <algorithm>

#include "classlib/StdCtrls.h"
#include "classlib/Themes.h"
#include "controls/RzGrafx.h"

namespace {

// The press that closes an open menu arrives this soon after it closed.
constexpr DWORD MenuReopenGuardMs = 100;
// Item captions are measured; the check column and the margins add this.
constexpr int MenuWidthExtra = 56;

void FillWithPattern(TCanvas* Canvas, const RECT& R, TColor Base, TColor Dots)
{
    TBitmap Pattern;
    FillCheckerPattern(&Pattern, Base, Dots);
    Canvas->Brush()->SetBitmap(&Pattern);
    Canvas->FillRect(R);
    Canvas->Brush()->SetBitmap(nullptr);
}

TRect Offset(const TRect& R, int DX, int DY)
{
    return TRect(R.left + DX, R.top + DY, R.right + DX, R.bottom + DY);
}

// The cursor's position in a control's coordinates.
TPoint CursorIn(const TControl* Control)
{
    POINT P{};
    GetCursorPos(&P);
    return Control->ScreenToClient(P);
}

bool PointIn(const TControl* Control, const TPoint& P)
{
    return P.x >= 0 && P.y >= 0 && P.x < Control->Width() && P.y < Control->Height();
}

int ArrowState(TRzControlButtonStyle Style)
{
    switch (Style) {
    case cbsUp: return ABS_UPNORMAL;
    case cbsDown: return ABS_DOWNNORMAL;
    case cbsLeft: return ABS_LEFTNORMAL;
    default: return ABS_RIGHTNORMAL;
    }
}

int ArrowDirection(TRzControlButtonStyle Style)
{
    switch (Style) {
    case cbsUp: return adUp;
    case cbsDown: return adDown;
    case cbsLeft: return adLeft;
    default: return adRight;
    }
}

} // namespace

// ===========================================================================
// TRzToolButton
// ===========================================================================

TRzToolButton::TRzToolButton(TComponent* AOwner) : TGraphicControl(AOwner)
{
    FControlStyle = csCaptureMouse;
    SetBounds(0, 0, 25, 25);
    SetColor(clBtnFace);
    SetParentColor(false);
    FImagesLink.OnChange = [this](TObject* Sender) { ImagesChanged(Sender); };
}

TRzToolButton::~TRzToolButton()
{
    if (FImages)
        FImages->UnRegisterChanges(&FImagesLink);
}

bool TRzToolButton::HasClickHandler() const
{
    return static_cast<bool>(OnClick) || Action() != nullptr;
}

bool TRzToolButton::Themed() const
{
    return FVisualStyle == vsWinXP && ThemeServices()->ThemesEnabled();
}

bool TRzToolButton::HotLook() const
{
    return FFlat || FVisualStyle != vsClassic;
}

TRect TRzToolButton::ArrowRect() const
{
    if (UseRightToLeftAlignment())
        return TRect(0, 0, ToolDropDownWidth, Height());
    return TRect(Width() - ToolDropDownWidth, 0, Width(), Height());
}

bool TRzToolButton::InArrowPart(int X) const
{
    if (UseRightToLeftAlignment())
        return X <= ToolDropDownWidth;
    return X >= Width() - ToolDropDownWidth;
}

void TRzToolButton::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case CM_MOUSEENTER:
        FMouseInControl = true;
        if (HotLook())
            Invalidate();
        break;
    case CM_MOUSELEAVE:
        // The menu takes the mouse while it is open: the button stays hot.
        if (!FDropping) {
            FMouseInControl = false;
            if (HotLook())
                Invalidate();
        }
        break;
    case CM_BUTTONPRESSED: {
        auto* Sender = reinterpret_cast<TRzToolButton*>(Message.LParam);
        if (Sender && Sender != this && static_cast<int>(Message.WParam) == FGroupIndex) {
            if (Sender->Down() && FDown) {
                FDown = false;
                FState = tbsUp;
                Invalidate();
            }
            FAllowAllUp = Sender->AllowAllUp();
        }
        return;
    }
    case CM_DIALOGCHAR:
        if (IsAccel(Message.WParam, Caption()) && Enabled() && Visible() && Parent() && Parent()->Showing()) {
            if (FToolStyle == tsDropDown && FDropDownMenu && !HasClickHandler()) {
                FState = tbsDropped;
                Repaint();
                DropDown();
                FState = FDown ? tbsLatched : tbsUp;
                Invalidate();
            } else {
                Click();
            }
            Message.Result = 1;
            return;
        }
        break;
    default:
        break;
    }
    TGraphicControl::WndProc(Message);
}

void TRzToolButton::Click()
{
    if (FToolStyle == tsDropDown && !FClickAllowed)
        return;
    TGraphicControl::Click();
}

void TRzToolButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    auto Alive = FAlive;
    if (Button == mbLeft && Enabled()) {
        if (FToolStyle == tsDropDown && FDropDownMenu && (Shift & ~ssDouble) == ssLeft &&
            (InArrowPart(X) || !HasClickHandler())) {
            const DWORD Now = TickSource();
            if (FLastDropTick != 0 && Now - FLastDropTick < MenuReopenGuardMs) {
                // The press that closed the menu: it opens nothing.
                FClickAllowed = true;
                FLastDropTick = 0;
                SetMouseCapture(false);
                return;
            }
            FState = tbsDropped;
            Repaint();
            DropDown();
            if (!*Alive)
                return;
            FClickAllowed = false;
            FLastDropTick = TickSource();
            // The menu took the release: handle it now.
            MouseUp(Button, Shift, X, Y);
            return;
        }
        if (FToolStyle == tsDropDown && !FClickAllowed) {
            FClickAllowed = true;
        } else {
            if (!FDown) {
                FState = tbsPressed;
                Invalidate();
            }
            FCaptured = true;
        }
    }
    TGraphicControl::MouseDown(Button, Shift, X, Y);
}

void TRzToolButton::MouseMove(TShiftState Shift, int X, int Y)
{
    if (FCaptured) {
        TRzToolButtonState New = FDown ? tbsLatched : tbsUp;
        if (PointIn(this, TPoint(X, Y)))
            New = FDown ? tbsLatched : tbsPressed;
        if (New != FState) {
            FState = New;
            Invalidate();
        }
    }
    TGraphicControl::MouseMove(Shift, X, Y);
}

void TRzToolButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    auto Alive = FAlive;
    if (FState == tbsDropped) {
        if (!PointIn(this, CursorIn(this)))
            FClickAllowed = true;
        FState = FDown ? tbsLatched : tbsUp;
        Invalidate();
        TGraphicControl::MouseUp(Button, Shift, X, Y);
        return;
    }
    if (FCaptured) {
        FCaptured = false;
        const bool Inside = PointIn(this, TPoint(X, Y));
        bool DoClick = Inside;
        if (FGroupIndex == 0) {
            FState = tbsUp;
            FMouseInControl = false;
            if (Inside)
                Invalidate();
        } else if (Inside) {
            const bool Was = FDown;
            SetDown(!FDown);
            if (FDown == Was) {
                // A latched button that may not come up: no click.
                DoClick = false;
                FState = FDown ? tbsLatched : tbsUp;
                Invalidate();
            }
        } else {
            FState = FDown ? tbsLatched : tbsUp;
            Invalidate();
        }
        if (DoClick)
            Click();
        if (!*Alive)
            return;
        ReevaluateHot();
    }
    TGraphicControl::MouseUp(Button, Shift, X, Y);
}

void TRzToolButton::ReevaluateHot()
{
    if (!HotLook() || !Enabled() || !Parent())
        return;
    POINT Screen{};
    GetCursorPos(&Screen);
    const TPoint InParent = Parent()->ScreenToClient(Screen);
    if (Parent()->ControlAtPos(InParent, false) == this)
        Perform(CM_MOUSEENTER);
    else
        Perform(CM_MOUSELEAVE);
}

void TRzToolButton::SetDown(bool Value)
{
    if (FGroupIndex == 0)
        Value = false;
    if (Value == FDown)
        return;
    if (FDown && !FAllowAllUp)
        return;
    FDown = Value;
    if (Value) {
        if (FState == tbsUp)
            Invalidate();
        FState = tbsLatched;
        if (Parent()) {
            TMessage M{CM_BUTTONPRESSED, static_cast<WPARAM>(FGroupIndex), reinterpret_cast<LPARAM>(this), 0};
            Parent()->Broadcast(M);
        }
    } else {
        FState = tbsUp;
        Repaint();
    }
}

void TRzToolButton::SetGroupIndex(int Value)
{
    if (FToolStyle == tsDropDown)
        Value = 0;
    if (StoreChanged(FGroupIndex, Value) && FDown && Value == 0) {
        FDown = false;
        FState = tbsUp;
        Invalidate();
    }
}

void TRzToolButton::SetToolStyle(TRzToolStyle Value)
{
    if (Value == FToolStyle)
        return;
    FToolStyle = Value;
    SetGroupIndex(0);
    if (!HasState(csLoading))
        SetWidth(Width() + (Value == tsDropDown ? ToolDropDownWidth : -ToolDropDownWidth));
    Invalidate();
}

void TRzToolButton::SetAllowAllUp(bool Value)
{
    if (StoreChanged(FAllowAllUp, Value))
        Invalidate();
}

void TRzToolButton::SetAlignment(TAlignment Value)
{
    if (StoreChanged(FAlignment, Value))
        Invalidate();
}

void TRzToolButton::SetDisabledIndex(TImageIndex Value)
{
    if (StoreChanged(FDisabledIndex, Value))
        Invalidate();
}

void TRzToolButton::SetDownIndex(TImageIndex Value)
{
    if (StoreChanged(FDownIndex, Value))
        Invalidate();
}

void TRzToolButton::SetHotIndex(TImageIndex Value)
{
    if (StoreChanged(FHotIndex, Value))
        Invalidate();
}

void TRzToolButton::SetImageIndex(TImageIndex Value)
{
    if (StoreChanged(FImageIndex, Value))
        Invalidate();
}

void TRzToolButton::SetFlat(bool Value)
{
    if (StoreChanged(FFlat, Value))
        Invalidate();
}

void TRzToolButton::SetGradientColorStyle(TRzGradientColorStyle Value)
{
    if (StoreChanged(FGradientColorStyle, Value))
        Invalidate();
}

void TRzToolButton::SetLayout(TButtonLayout Value)
{
    FUseToolbarButtonLayout = false;
    if (StoreChanged(FLayout, Value))
        Invalidate();
}

void TRzToolButton::SetSelectionColorStart(TColor Value)
{
    if (StoreChanged(FSelectionColorStart, Value))
        Invalidate();
}

void TRzToolButton::SetSelectionColorStop(TColor Value)
{
    if (StoreChanged(FSelectionColorStop, Value))
        Invalidate();
}

void TRzToolButton::SetSelectionFrameColor(TColor Value)
{
    if (StoreChanged(FSelectionFrameColor, Value))
        Invalidate();
}

void TRzToolButton::SetShowCaption(bool Value)
{
    FUseToolbarShowCaption = false;
    if (StoreChanged(FShowCaption, Value))
        Invalidate();
}

void TRzToolButton::SetTransparent(bool Value)
{
    if (StoreChanged(FTransparent, Value))
        Invalidate();
}

void TRzToolButton::SetVisualStyle(TRzVisualStyle Value)
{
    FUseToolbarVisualStyle = false;
    if (StoreChanged(FVisualStyle, Value))
        Invalidate();
}

void TRzToolButton::ReadOldUseGradients(bool Value)
{
    if (Value)
        SetVisualStyle(vsGradient);
}

void TRzToolButton::SetDropDownMenu(TPopupMenu* Value)
{
    if (Value == FDropDownMenu)
        return;
    if (FDropDownMenu)
        FDropDownMenu->RemoveFreeNotification(this);
    FDropDownMenu = Value;
    if (FDropDownMenu)
        FDropDownMenu->FreeNotification(this);
    Invalidate();
}

void TRzToolButton::SetImages(TCustomImageList* Value)
{
    if (!ChangeImageList(this, FImages, Value, FImagesLink))
        return;
    FitImages();
    Invalidate();
}

void TRzToolButton::FitImages()
{
    if (FImages && (Width() < FImages->Width() || Height() < FImages->Height()))
        SetBounds(Left(), Top(), std::max(Width(), FImages->Width()), std::max(Height(), FImages->Height()));
}

void TRzToolButton::ImagesChanged(TObject*)
{
    FitImages();
    Invalidate();
}

void TRzToolButton::Notification(TComponent* AComponent, TOperation Operation)
{
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    if (AComponent == FImages)
        FImages = nullptr;
    if (AComponent == FDropDownMenu)
        FDropDownMenu = nullptr;
}

void TRzToolButton::SetParent(TWinControl* AParent)
{
    TGraphicControl::SetParent(AParent);
    UpdateFromToolbar();
}

TControlActionLink* TRzToolButton::CreateActionLink()
{
    return new TRzToolButtonActionLink(this);
}

void TRzToolButton::ActionChange(TObject* Sender, bool CheckDefaults)
{
    TGraphicControl::ActionChange(Sender, CheckDefaults);
    if (auto* A = dynamic_cast<TCustomAction*>(Sender))
        if (!CheckDefaults || FImageIndex == -1)
            SetImageIndex(A->ImageIndex());
}

bool TRzToolButtonActionLink::IsCheckedLinked() const
{
    return TControlActionLink::IsCheckedLinked() && FButton->Down() == CustomAction()->Checked();
}

bool TRzToolButtonActionLink::IsImageIndexLinked() const
{
    return TControlActionLink::IsImageIndexLinked() && FButton->ImageIndex() == CustomAction()->ImageIndex();
}

void TRzToolButtonActionLink::SetChecked(bool Value)
{
    if (IsCheckedLinked())
        FButton->SetDown(Value);
}

void TRzToolButtonActionLink::SetImageIndex(int Value)
{
    if (IsImageIndexLinked())
        FButton->SetImageIndex(Value);
}

SIZE TRzToolButton::GetImageSize() const
{
    if (FImages && FImageIndex >= 0)
        return SIZE{FImages->Width(), FImages->Height()};
    return SIZE{0, 0};
}

void TRzToolButton::CalcLayout(TRect& ImageRect, TRect& TextRect)
{
    TRect R = ClientRect();
    if (FToolStyle == tsDropDown) {
        if (UseRightToLeftAlignment())
            R.left += ToolDropDownWidth;
        else
            R.right -= ToolDropDownWidth;
    }
    R = ShrunkRect(R, 2);
    const SIZE I = GetImageSize();
    if (!FShowCaption || Caption().empty()) {
        ImageRect = CenterRect(R, I.cx, I.cy);
        TextRect = TRect();
        return;
    }
    const TRect T = MeasureText(Font(), Caption(), TRect(0, 0, R.Width(), R.Height()),
                                DT_EXPANDTABS | DT_WORDBREAK | DT_CENTER);
    const int TW = T.Width(), TH = T.Height();
    const int Gap = I.cx > 0 ? 4 : 0;
    if (FLayout == blGlyphLeft || FLayout == blGlyphRight) {
        const int X0 = R.left + (R.Width() - (I.cx + Gap + TW)) / 2;
        const int IY = R.top + (R.Height() - I.cy) / 2, TY = R.top + (R.Height() - TH) / 2;
        if (FLayout == blGlyphLeft) {
            ImageRect = Bounds(X0, IY, I.cx, I.cy);
            TextRect = Bounds(X0 + I.cx + Gap, TY, TW, TH);
        } else {
            TextRect = Bounds(X0, TY, TW, TH);
            ImageRect = Bounds(X0 + TW + Gap, IY, I.cx, I.cy);
        }
    } else {
        const int GapV = I.cy > 0 ? 4 : 0;
        const int Y0 = R.top + (R.Height() - (I.cy + GapV + TH)) / 2;
        const int IX = R.left + (R.Width() - I.cx) / 2, TX = R.left + (R.Width() - TW) / 2;
        if (FLayout == blGlyphTop) {
            ImageRect = Bounds(IX, Y0, I.cx, I.cy);
            TextRect = Bounds(TX, Y0 + I.cy + GapV, TW, TH);
        } else {
            TextRect = Bounds(TX, Y0, TW, TH);
            ImageRect = Bounds(IX, Y0 + TH + GapV, I.cx, I.cy);
        }
    }
}

void TRzToolButton::Paint()
{
    if (!Enabled()) {
        FState = tbsDisabled;
        FCaptured = false;
    } else if (FState == tbsDisabled) {
        FState = FDown && FGroupIndex != 0 ? tbsLatched : tbsUp;
    }
    TCanvas* C = Canvas();
    TRect R = ClientRect();
    // The fill goes first: the gradient look paints its face over it.
    if (!FTransparent)
        FillSolidRect(C->Handle(), R, Color());
    DrawBorder(R);
    if (FState == tbsLatched && FVisualStyle != vsGradient && !Themed() && (!FFlat || !FMouseInControl)) {
        if (FTransparent)
            FillWithPattern(C, R, clBtnFace, clBtnHighlight);
        else
            FillWithPattern(C, R, Color(), LighterColor(Color(), 20));
    }
    if (FToolStyle == tsDropDown)
        DrawDropDownArrow();
    TRect ImageRect, TextRect;
    CalcLayout(ImageRect, TextRect);
    DrawImage(ImageRect);
    DrawToolCaption(TextRect);
}

void TRzToolButton::DrawBorder(TRect& Rect)
{
    TCanvas* C = Canvas();
    const bool Down = FState == tbsPressed || FState == tbsLatched || FState == tbsDropped;
    const bool Hot = FMouseInControl && Enabled();
    if (Themed()) {
        const bool Split = FToolStyle == tsDropDown && HasClickHandler();
        TRect Part = Rect;
        if (Split) {
            if (UseRightToLeftAlignment())
                Part.left += ToolDropDownWidth;
            else
                Part.right -= ToolDropDownWidth;
        }
        if (!FFlat) {
            int State = PBS_NORMAL;
            if (!Enabled())
                State = PBS_DISABLED;
            else if (Down)
                State = PBS_PRESSED;
            else if (Hot)
                State = PBS_HOT;
            ThemeServices()->DrawElement(C->Handle(), teButton, BP_PUSHBUTTON, State, Part);
            return;
        }
        int State = TS_NORMAL;
        if (!Enabled())
            State = TS_DISABLED;
        else if (FState == tbsPressed)
            State = TS_PRESSED;
        else if (FState == tbsDropped)
            State = Split ? TS_HOT : TS_PRESSED;
        else if (FState == tbsLatched)
            State = Hot ? TS_HOTCHECKED : TS_CHECKED;
        else if (Hot)
            State = TS_HOT;
        ThemeServices()->DrawElement(C->Handle(), teToolBar, Split ? TP_SPLITBUTTON : TP_BUTTON, State, Part);
        return;
    }
    if (FVisualStyle == vsGradient) {
        if (!Down && !Hot)
            return;
        TColor Frame = FSelectionFrameColor, Start = FSelectionColorStart, Stop = FSelectionColorStop;
        if (FGradientColorStyle != gcsCustom)
            GetHotTrackButtonColors(FGradientColorStyle, Frame, Start, Stop);
        Rect = DrawBox(C, Rect, Frame);
        TColor From = Start, To = Stop;
        if (FState == tbsLatched && !Hot) {
            From = DarkerColor(Stop, 40);
            To = Start;
        } else if (Down) {
            From = Stop;
            To = Start;
        }
        DrawGradient(C, Rect, gdHorizontalEnd, From, To);
        return;
    }
    // Classic, or the themed look where styles are off.
    if (!FFlat || Down || Hot)
        Rect = ::DrawBorder(C, Rect, Down ? fsStatus : fsPopup);
}

void TRzToolButton::DrawDropDownArrow()
{
    TCanvas* C = Canvas();
    const TRect A = ArrowRect();
    if (Themed() && FFlat) {
        int State = TS_NORMAL;
        if (!Enabled())
            State = TS_DISABLED;
        else if (FState == tbsDropped || FState == tbsPressed)
            State = TS_PRESSED;
        else if (FMouseInControl)
            State = TS_HOT;
        ThemeServices()->DrawElement(C->Handle(), teToolBar, TP_SPLITBUTTONDROPDOWN, State, A);
        return;
    }
    ::DrawDropDownArrow(C, FState == tbsDropped ? Offset(A, 1, 1) : A, 0, Enabled());
    if (HasClickHandler()) {
        // A groove between the two parts.
        const int X = UseRightToLeftAlignment() ? A.right - 2 : A.left;
        FillSolidRect(C->Handle(), TRect(X, 3, X + 1, Height() - 3), clBtnShadow);
        FillSolidRect(C->Handle(), TRect(X + 1, 3, X + 2, Height() - 3), clBtnHighlight);
    }
}

void TRzToolButton::DrawImage(const TRect& Rect)
{
    if (!FImages || FImageIndex < 0)
        return;
    const bool Hot = FMouseInControl && Enabled();
    const bool DownLook =
        FState == tbsPressed || FState == tbsLatched || (FState == tbsDropped && !HasClickHandler());
    TImageIndex Index = FImageIndex;
    bool DrawEnabled = Enabled();
    if (DownLook && FDownIndex != -1) {
        Index = FDownIndex;
    } else if (FDisabledIndex == -1) {
        if (FHotIndex != -1 && Hot)
            Index = FHotIndex;
    } else {
        DrawEnabled = true;
        if (!Enabled())
            Index = FDisabledIndex;
        else if (Hot && FHotIndex != -1)
            Index = FHotIndex;
    }
    FImages->Draw(Canvas(), Rect.left, Rect.top, Index, DrawEnabled);
}

void TRzToolButton::DrawToolCaption(const TRect& Rect)
{
    if (!FShowCaption || Rect.IsEmpty())
        return;
    TCanvas* C = Canvas();
    C->Brush()->SetStyle(bsClear);
    C->SetFont(Font());
    if (!Enabled())
        C->Font()->SetColor(clBtnShadow);
    else if (FState == tbsPressed && FVisualStyle != vsGradient)
        C->Font()->SetColor(clHighlightText);
    TRect R = Rect;
    C->DrawText(Caption(), R, DrawTextBiDiModeFlags(DT_EXPANDTABS | DT_WORDBREAK | DT_VCENTER | DT_CENTER) & ~DT_RIGHT);
}

TPoint TRzToolButton::DropDownPoint()
{
    int X = 0;
    const bool RTL = UseRightToLeftAlignment();
    switch (FDropDownMenu ? FDropDownMenu->Alignment() : paLeft) {
    case paLeft: X = RTL ? Width() : 0; break;
    case paRight: X = RTL ? 0 : Width(); break;
    case paCenter: X = Width() / 2; break;
    }
    TPoint P = ClientToScreen(TPoint(X, Height()));
    if (!FDropDownMenu)
        return P;
    // The menu's width, estimated from its widest caption.
    int MenuWidth = 0;
    for (int I = 0; I < FDropDownMenu->Items()->Count(); ++I)
        MenuWidth = std::max(MenuWidth, static_cast<int>(MeasureText(MenuFont(), FDropDownMenu->Items()->Items(I)->Caption(),
                                                                     TRect(0, 0, 4096, 4096), DT_SINGLELINE)
                                                             .Width()));
    MenuWidth += MenuWidthExtra;
    const HMONITOR Monitor = FindMonitorAtPoint(P);
    const TRect Work = Monitor ? GetMonitorWorkAreaRect(Monitor) : TRect();
    if (FDropDownMenu->Alignment() == paLeft && P.x + MenuWidth > Work.right && Monitor)
        P.x = Work.right;
    else if (FDropDownMenu->Alignment() == paRight && P.x - MenuWidth < Work.left)
        P.x = Work.left;
    return P;
}

void TRzToolButton::DropDown()
{
    if (OnDropDown)
        OnDropDown(FDropDownMenu);
    if (!FDropDownMenu)
        return;
    auto Alive = FAlive;
    FDropping = true;
    const TPoint P = DropDownPoint();
    FDropDownMenu->SetPopupComponent(this);
    FDropDownMenu->Popup(P.x, P.y);
    if (*Alive)
        FDropping = false;
}

// ===========================================================================
// TRzControlButton
// ===========================================================================

TRzControlButton::TRzControlButton(TComponent* AOwner) : TGraphicControl(AOwner), FGlyph(std::make_unique<TBitmap>())
{
    FControlStyle = csCaptureMouse;
    SetBounds(0, 0, 17, 21);
    SetColor(clBtnFace);
    SetParentColor(false);
    FGlyph->OnChange = [this](TObject* Sender) { GlyphChanged(Sender); };
}

TRzControlButton::~TRzControlButton() = default;

bool TRzControlButton::Themed() const
{
    return ThemeServices()->ThemesEnabled();
}

void TRzControlButton::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
        FMouseInControl = Message.Msg == CM_MOUSEENTER;
        if (FFlat || Themed())
            Invalidate();
        break;
    default:
        break;
    }
    TGraphicControl::WndProc(Message);
}

void TRzControlButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft && Enabled()) {
        if (!FDown) {
            FDown = true;
            Invalidate();
        }
        FDragging = true;
        if (FRepeatClicks) {
            if (!FRepeatTimer) {
                FRepeatTimer = std::make_unique<TTimer>(nullptr);
                FRepeatTimer->OnTimer = [this](TObject* Sender) { TimerExpired(Sender); };
            }
            FRepeatTimer->SetEnabled(false);
            FRepeatTimer->SetInterval(FInitialDelay);
            FRepeatTimer->SetEnabled(true);
        }
    }
    TGraphicControl::MouseDown(Button, Shift, X, Y);
}

void TRzControlButton::TimerExpired(TObject*)
{
    FRepeatTimer->SetInterval(FDelay);
    if (FDown && MouseCapture())
        Click();
}

void TRzControlButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    auto Alive = FAlive;
    if (FRepeatTimer)
        FRepeatTimer->SetEnabled(false);
    if (FDragging) {
        FDragging = false;
        FDown = false;
        FMouseInControl = false;
        Repaint();
        if (X >= 0 && X < ClientWidth() && Y >= 0 && Y < ClientHeight())
            Click();
        if (!*Alive)
            return;
        if ((FFlat || Themed()) && Enabled() && PointIn(this, CursorIn(this)))
            Perform(CM_MOUSEENTER);
    }
    TGraphicControl::MouseUp(Button, Shift, X, Y);
}

void TRzControlButton::SetFlat(bool Value)
{
    if (StoreChanged(FFlat, Value))
        Repaint();
}

void TRzControlButton::SetGlyph(const TBitmap* Value)
{
    if (Value) {
        FGlyph->Assign(Value);
    } else {
        FGlyph->SetSize(0, 0);
        GlyphChanged(FGlyph.get());
    }
}

void TRzControlButton::GlyphChanged(TObject*)
{
    FNumGlyphs = GlyphCountFromSize(FGlyph->Width(), FGlyph->Height(), FNumGlyphs);
    Invalidate();
}

void TRzControlButton::SetNumGlyphs(int Value)
{
    if (StoreChanged(FNumGlyphs, std::clamp(Value, 1, 4)))
        Invalidate();
}

void TRzControlButton::SetStyle(TRzControlButtonStyle Value)
{
    if (StoreChanged(FStyle, Value))
        Invalidate();
}

SIZE TRzControlButton::GetGlyphSize() const
{
    if (FGlyph->Empty())
        return SIZE{0, 0};
    return SIZE{FGlyph->Width() / std::max(1, FNumGlyphs), FGlyph->Height()};
}

void TRzControlButton::Paint()
{
    TRect R = ClientRect();
    switch (FStyle) {
    case cbsNone: {
        DrawButtonFace(R);
        const SIZE G = GetGlyphSize();
        if (G.cx > 0 && G.cy > 0) {
            TRect GR = CenterRect(ShrunkRect(ClientRect(), 1), G.cx, G.cy);
            if (FDown)
                GR = Themed() ? Offset(GR, 1, 0) : Offset(GR, 1, 1);
            DrawGlyph(GR);
        }
        break;
    }
    case cbsDropDown: DrawDropDownButton(R); break;
    default: DrawArrowButton(R); break;
    }
}

void TRzControlButton::DrawButtonFace(TRect& Rect)
{
    TCanvas* C = Canvas();
    const bool Hot = FMouseInControl && Enabled();
    if (Themed()) {
        int State = PBS_NORMAL;
        if (!Enabled())
            State = PBS_DISABLED;
        else if (FDown)
            State = PBS_PRESSED;
        else if (Hot)
            State = PBS_HOT;
        ThemeServices()->DrawElement(C->Handle(), teButton, BP_PUSHBUTTON, State, Rect);
        return;
    }
    if (FFlat) {
        if (FDown || Hot)
            Rect = DrawBorder(C, Rect, FDown ? fsStatus : fsPopup);
    } else if (FDown) {
        Rect = DrawBox(C, Rect, clBtnShadow);
    } else {
        Rect = DrawBorder(C, Rect, fsRaised);
    }
    FillSolidRect(C->Handle(), Rect, Color());
}

void TRzControlButton::DrawArrowButton(TRect Rect)
{
    TCanvas* C = Canvas();
    if (Themed()) {
        int State = ArrowState(FStyle);
        if (!Enabled())
            State += 3;
        else if (FDown)
            State += 2;
        else if (FMouseInControl)
            State += 1;
        ThemeServices()->DrawElement(C->Handle(), teScrollBar, SBP_ARROWBTN, State, Rect);
        return;
    }
    const TRect Whole = Rect;
    DrawButtonFace(Rect);
    DrawArrow(C, FDown ? Offset(Whole, 1, 1) : Whole, 0, Enabled(), ArrowDirection(FStyle));
}

void TRzControlButton::DrawDropDownButton(TRect Rect)
{
    TCanvas* C = Canvas();
    if (Themed()) {
        int State = CBXS_NORMAL;
        if (!Enabled())
            State = CBXS_DISABLED;
        else if (FDown)
            State = CBXS_PRESSED;
        else if (FMouseInControl)
            State = CBXS_HOT;
        // The element has a border of its own that the edit's frame covers.
        const TRect Wide(Rect.left - 2 + 1, Rect.top - 2, Rect.right + 2, Rect.bottom + 2);
        ThemeServices()->DrawElement(C->Handle(), teComboBox, CP_DROPDOWNBUTTON, State, Wide);
        return;
    }
    const TRect Whole = Rect;
    DrawButtonFace(Rect);
    ::DrawDropDownArrow(C, FDown ? Offset(Whole, 1, 1) : Whole, 0, Enabled());
}

void TRzControlButton::DrawGlyph(const TRect& Rect)
{
    int Cell = 0;
    if (FNumGlyphs >= 3 && FDown)
        Cell = 2;
    else if (FNumGlyphs > 1 && !Enabled())
        Cell = 1;
    const SIZE G = GetGlyphSize();
    StretchTransparentBitmap(Canvas(), FGlyph.get(), Rect, FGlyph->TransparentColor(),
                             TRect(Cell * G.cx, 0, (Cell + 1) * G.cx, G.cy));
}
