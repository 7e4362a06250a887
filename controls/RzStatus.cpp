#include "controls/RzStatus.h"

#include <algorithm>

#include "classlib/Hints.h"
#include "classlib/Themes.h"
#include "controls/RzPanel.h"

namespace {

constexpr int SP_PANE_ = 1;

} // namespace

TRzCustomStatusPane::TRzCustomStatusPane(TComponent* AOwner) : TRzFrameControllerLink<TGraphicControl>(AOwner)
{
    FControlStyle &= ~csOpaque;
    SetColor(clWindow);
    SetParentColor(true);
    FFillColor = Color();
    FFontColor = FCurrentColor = Font()->Color();
    SetBounds(0, 0, 100, 20);
    NeedBlinkingList()->Add(this);
}

TRzCustomStatusPane::~TRzCustomStatusPane()
{
    if (GBlinkingControls) {
        GBlinkingControls->Remove(this);
        ReleaseBlinkingList();
    }
}

void TRzCustomStatusPane::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case CM_BLINKINGQUERY:
        Message.Result = FBlinking ? 1 : 0;
        return;
    case CM_BLINK:
        if (FBlinking)
            SetBlinkState(Message.WParam != 0);
        return;
    case CM_FONTCHANGED:
        if (!HasState(csLoading)) {
            FFontColor = Font()->Color();
            if (!FBlinking)
                FCurrentColor = FFontColor;
            AdjustSize();
        }
        break;
    case CM_TEXTCHANGED:
        Invalidate();
        AdjustSize();
        return;
    case CM_COLORCHANGED:
    case CM_PARENTCOLORCHANGED:
        TGraphicControl::WndProc(Message);
        if (FParentFillColor)
            FFillColor = Color();
        Invalidate();
        return;
    case CM_HITTEST:
        if (IsOverSizeGrip(POINT{Message.XPos(), Message.YPos()})) {
            Message.Result = HTNOWHERE;
            return;
        }
        break;
    case CM_MOUSEENTER:
        if (HasState(csDesigning))
            return;
        break;
    default:
        break;
    }
    TGraphicControl::WndProc(Message);
}

bool TRzCustomStatusPane::IsOverSizeGrip(const POINT& P)
{
    return ::IsOverSizeGrip(this, P);
}

bool TRzCustomStatusPane::ExecuteAction(TBasicAction* Action)
{
    if (FAutoHint) {
        if (auto Hint = dynamic_cast<THintAction*>(Action)) {
            SetCaption(Hint->Hint());
            return true;
        }
    }
    return TGraphicControl::ExecuteAction(Action);
}

void TRzCustomStatusPane::SetBlinkState(bool On)
{
    FBlinkOn = On;
    FCurrentColor = On ? FBlinkColor : FFontColor;
    Invalidate();
}

bool TRzCustomStatusPane::OnThemedStatusBar() const
{
    auto Bar = dynamic_cast<const TRzStatusBar*>(Parent());
    return Bar && Bar->VisualStyle() == vsWinXP && ThemeServices()->ThemesEnabled();
}

// ---------------------------------------------------------------------------
// Size and painting
// ---------------------------------------------------------------------------

int TRzCustomStatusPane::GetAutoWidth()
{
    const std::string Text = Caption();
    if (Text.empty())
        return FDefaultWidth;
    const TWindowDC DC(nullptr);
    TCanvas C;
    C.SetHandle(DC.Get());
    TRect R(0, 0, 0, 0);
    {
        TScopeExit Lent([&C] { C.SetHandle(nullptr); });
        C.Font()->Assign(Font());
        DrawCanvasText(&C, Text, R, DT_CALCRECT | DT_EXPANDTABS | DT_NOPREFIX);
    }
    return 2 * FBorderWidth + R.Width() + FCaptionOffset + 6;
}

void TRzCustomStatusPane::AdjustSize()
{
    if (HasState(csLoading) || !AutoSize())
        return;
    SetWidth(GetAutoWidth());
}

TRect TRzCustomStatusPane::AdjustRectForFrame(const TRect& Rect) const
{
    int By = FBorderWidth;
    switch (FFrameStyle) {
    case fsNone: break;
    case fsFlat:
    case fsStatus:
    case fsPopup: By += 1; break;
    default: By += 2; break;
    }
    return InflatedRect(Rect, -By, -By);
}

void TRzCustomStatusPane::Paint()
{
    DrawFrame();
    DrawCaption(Caption());
}

void TRzCustomStatusPane::DrawFrame()
{
    TCanvas* C = Canvas();
    TRect R = ClientRect();
    if (OnThemedStatusBar()) {
        ThemeServices()->DrawElement(C->Handle(), teStatus, SP_PANE_, 0, R);
        return;
    }
    if (!FTransparent) {
        C->Brush()->SetStyle(bsSolid);
        C->Brush()->SetColor(Color());
        C->FillRect(R);
    }
    R = InflatedRect(R, -FBorderWidth, -FBorderWidth);
    auto Bar = dynamic_cast<TRzStatusBar*>(Parent());
    if (Bar && Bar->VisualStyle() == vsGradient) {
        // No frame on a gradient bar: a separator before every pane but the
        // first.
        const int FirstLeft = Bar->BorderWidth() + Bar->Padding().left;
        if (Left() <= FirstLeft)
            return;
        TColor First = clBtnFace, Second = clWindow, Line = clBtnShadow;
        GetGradientStatusBarColors(Bar->GradientColorStyle(), First, Second, Line);
        C->Pen()->SetColor(Line);
        C->MoveTo(R.left, R.top + 1);
        C->LineTo(R.left, R.bottom - 1);
        return;
    }
    if (FFrameStyle == fsFlat)
        DrawCutCornerBox(C, R, AdjustColor(FFlatColor, FFlatColorAdjustment));
    else
        DrawBorder(C, R, FFrameStyle);
}

void TRzCustomStatusPane::DrawCaption(const std::string& Text)
{
    TCanvas* C = Canvas();
    C->Font()->Assign(Font());
    C->Font()->SetColor(FCurrentColor);
    const TRect R = AdjustRectForFrame(ClientRect());
    TAlignment A = FAlignment;
    if (UseRightToLeftAlignment())
        A = A == taLeftJustify ? taRightJustify : A == taRightJustify ? taLeftJustify : taCenter;
    int X = 0;
    UINT Align = TA_LEFT;
    switch (A) {
    case taLeftJustify: X = R.left + FCaptionOffset + 1; break;
    case taRightJustify:
        X = R.right - FCaptionOffset - 1;
        Align = TA_RIGHT;
        break;
    case taCenter:
        X = (R.left + R.right) / 2;
        Align = TA_CENTER;
        break;
    }
    const int Y = R.top + (R.Height() - C->TextHeight("Pp")) / 2;
    if (OnThemedStatusBar()) {
        static_cast<TRzStatusBar*>(Parent())->CopyThemedBackground(C->Handle(), R, Left() + R.left, Top() + R.top);
        C->Brush()->SetStyle(bsClear);
    } else if (!FTransparent) {
        C->Brush()->SetStyle(bsSolid);
        C->Brush()->SetColor(FFillColor);
    } else {
        C->Brush()->SetStyle(bsClear);
    }
    if (!Enabled())
        C->Font()->SetColor(clGrayText);
    HDC DC = C->Handle();
    const UINT Old = SetTextAlign(DC, Align);
    C->TextRect(R, X, Y, Text);
    SetTextAlign(DC, Old);
    C->Brush()->SetStyle(bsSolid);
}

void TRzCustomStatusPane::Loaded()
{
    TGraphicControl::Loaded();
    // A stored pane with a colour of its own is never transparent.
    if (!ParentColor())
        SetTransparent(false);
    FFontColor = FCurrentColor = Font()->Color();
    AdjustSize();
}

// ---------------------------------------------------------------------------
// Properties
// ---------------------------------------------------------------------------

void TRzCustomStatusPane::SetAlignment(TAlignment Value)
{
    if (StoreChanged(FAlignment, Value))
        Invalidate();
}

void TRzCustomStatusPane::SetCaptionOffset(int Value)
{
    if (!StoreChanged(FCaptionOffset, Value))
        return;
    Invalidate();
    AdjustSize();
}

void TRzCustomStatusPane::SetAutoSize(bool Value)
{
    TGraphicControl::SetAutoSize(Value);
    AdjustSize();
}

void TRzCustomStatusPane::SetDefaultWidth(int Value)
{
    if (StoreChanged(FDefaultWidth, Value))
        AdjustSize();
}

void TRzCustomStatusPane::SetBlinking(bool Value)
{
    if (!StoreChanged(FBlinking, Value))
        return;
    if (!Value) {
        FBlinkOn = false;
        FCurrentColor = FFontColor;
    }
    Repaint();
}

void TRzCustomStatusPane::SetBlinkColor(TColor Value)
{
    if (StoreChanged(FBlinkColor, Value))
        Invalidate();
}

WORD TRzCustomStatusPane::BlinkIntervalOff() const
{
    return GBlinkingControls ? GBlinkingControls->IntervalOff() : 500;
}

void TRzCustomStatusPane::SetBlinkIntervalOff(WORD Value)
{
    NeedBlinkingList()->SetIntervalOff(Value);
}

WORD TRzCustomStatusPane::BlinkIntervalOn() const
{
    return GBlinkingControls ? GBlinkingControls->IntervalOn() : 500;
}

void TRzCustomStatusPane::SetBlinkIntervalOn(WORD Value)
{
    NeedBlinkingList()->SetIntervalOn(Value);
}

void TRzCustomStatusPane::SetFrameStyle(TFrameStyle Value)
{
    if (StoreChanged(FFrameStyle, Value))
        Invalidate();
}

void TRzCustomStatusPane::SetBorderWidth(int Value)
{
    if (StoreChanged(FBorderWidth, std::max(Value, 0)))
        Invalidate();
}

void TRzCustomStatusPane::SetFlatColor(TColor Value)
{
    if (StoreChanged(FFlatColor, Value))
        Invalidate();
}

void TRzCustomStatusPane::SetFlatColorAdjustment(int Value)
{
    if (StoreChanged(FFlatColorAdjustment, Value))
        Invalidate();
}

void TRzCustomStatusPane::SetFillColor(TColor Value)
{
    FParentFillColor = false;
    if (StoreChanged(FFillColor, Value))
        Invalidate();
}

void TRzCustomStatusPane::SetParentFillColor(bool Value)
{
    if (!StoreChanged(FParentFillColor, Value))
        return;
    if (Parent() && !HasState(csReading))
        Perform(CM_PARENTCOLORCHANGED);
}

void TRzCustomStatusPane::SetTransparent(bool Value)
{
    if (!StoreChanged(FTransparent, Value))
        return;
    if (Value)
        FControlStyle &= ~csOpaque;
    else
        FControlStyle |= csOpaque;
    Invalidate();
}

void TRzCustomStatusPane::ApplyFraming(const TRzFrameController& FC, TRzFrameControllerNotifications N)
{
    if (HasNotification(N, fcpFrameStyle))
        SetFrameStyle(FC.FrameStyle());
    if (HasNotification(N, fcpFrameColor)) {
        SetFlatColor(FC.FrameColor());
        SetFlatColorAdjustment(0);
    }
    if (HasNotification(N, fcpColor))
        SetFillColor(FC.Color());
    if (HasNotification(N, fcpParentColor))
        SetParentColor(FC.ParentColor());
}
