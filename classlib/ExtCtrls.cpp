#include "classlib/ExtCtrls.h"

#include "classlib/Forms.h"

// ---------------------------------------------------------------------------
// TTimer
// ---------------------------------------------------------------------------

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner)
{
    FWindow = AllocateHWnd([this](TMessage& M) { TimerWndProc(M); });
    UpdateTimer();
}

TTimer::~TTimer()
{
    FEnabled = false;
    UpdateTimer();
    DeallocateHWnd(FWindow);
}

void TTimer::TimerWndProc(TMessage& Message)
{
    if (Message.Msg == WM_TIMER) {
        Timer();
        return;
    }
    Message.Result = DefWindowProcA(FWindow, Message.Msg, Message.WParam, Message.LParam);
}

void TTimer::UpdateTimer()
{
    KillTimer(FWindow, 1);
    if (FEnabled && FInterval != 0)
        if (!SetTimer(FWindow, 1, FInterval, nullptr))
            throw EOutOfResources("Not enough timers available");
}

void TTimer::SetEnabled(bool Value)
{
    if (!StoreChanged(FEnabled, Value))
        return;
    UpdateTimer();
}

void TTimer::SetInterval(unsigned Value)
{
    if (!StoreChanged(FInterval, Value))
        return;
    UpdateTimer();
}

void TTimer::Timer()
{
    if (OnTimer)
        OnTimer(this);
}

// ---------------------------------------------------------------------------
// TCustomPanel
// ---------------------------------------------------------------------------

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner)
{
    FControlStyle = csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption | csOpaque |
                    csDoubleClicks | csReplicatable | csParentBackground;
    FWidth = 185;
    FHeight = 41;
    FColor = clBtnFace;
    FParentColor = false;
    Brush()->SetColor(FColor);
}

void TCustomPanel::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case CM_TEXTCHANGED:
    case CM_BORDERCHANGED:
        Invalidate();
        return;
    default:
        break;
    }
    TCustomControl::WndProc(Message);
}

void TCustomPanel::AdjustClientRect(TRect& Rect)
{
    TCustomControl::AdjustClientRect(Rect);
    int B = FBorderWidth + (FBevelOuter != bvNone ? FBevelWidth : 0) + (FBevelInner != bvNone ? FBevelWidth : 0);
    Rect = InflatedRect(Rect, -B, -B);
}

namespace {

void BevelRing(TCanvas* C, TRect& R, TBevelCut Cut, int Width)
{
    if (Cut == bvNone)
        return;
    TColor TL = Cut == bvLowered ? clBtnShadow : clBtnHighlight;
    TColor BR = Cut == bvLowered ? clBtnHighlight : clBtnShadow;
    if (Cut == bvSpace)
        TL = BR = clBtnFace;
    // Once the rectangle is empty a further ring draws nothing.
    for (int I = 0; I < Width && !R.IsEmpty(); ++I) {
        C->Pen()->SetColor(TL);
        C->MoveTo(R.left, R.bottom - 1);
        C->LineTo(R.left, R.top);
        C->LineTo(R.right - 1, R.top);
        C->Pen()->SetColor(BR);
        C->LineTo(R.right - 1, R.bottom - 1);
        C->LineTo(R.left - 1, R.bottom - 1);
        R = InflatedRect(R, -1, -1);
    }
}

} // namespace

void TCustomPanel::Paint()
{
    TCanvas* C = Canvas();
    TRect R = ClientRect();
    BevelRing(C, R, FBevelOuter, FBevelWidth);
    R = InflatedRect(R, -FBorderWidth, -FBorderWidth);
    BevelRing(C, R, FBevelInner, FBevelWidth);
    C->Brush()->SetColor(Color());
    C->FillRect(R);
    if (FShowCaption && !Caption().empty()) {
        C->Font()->Assign(Font());
        C->Brush()->SetStyle(bsClear);
        UINT Flags = DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS |
                     (FAlignment == taLeftJustify ? DT_LEFT : FAlignment == taRightJustify ? DT_RIGHT : DT_CENTER);
        if (!Enabled())
            C->Font()->SetColor(clGrayText);
        C->DrawText(Caption(), R, DrawTextBiDiModeFlags(Flags));
    }
}

void TCustomPanel::SetAlignment(TAlignment Value)
{
    if (!StoreChanged(FAlignment, Value))
        return;
    Invalidate();
}

void TCustomPanel::SetBevelInner(TBevelCut Value)
{
    if (!StoreChanged(FBevelInner, Value))
        return;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelOuter(TBevelCut Value)
{
    if (!StoreChanged(FBevelOuter, Value))
        return;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelWidth(int Value)
{
    if (Value == FBevelWidth || Value < 1)
        return;
    FBevelWidth = Value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBorderWidth(int Value)
{
    if (Value == FBorderWidth || Value < 0)
        return;
    FBorderWidth = Value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetShowCaption(bool Value)
{
    if (!StoreChanged(FShowCaption, Value))
        return;
    Invalidate();
}

const TPropertyTable* TCustomPanel::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TCustomPanel::ClassProperties()
{
    static const TPropertyTable Table(&TWinControl::ClassProperties(), {
        OrdProp("Alignment", &TCustomPanel::Alignment, &TCustomPanel::SetAlignment),
        OrdProp("BevelInner", &TCustomPanel::BevelInner, &TCustomPanel::SetBevelInner),
        OrdProp("BevelOuter", &TCustomPanel::BevelOuter, &TCustomPanel::SetBevelOuter),
        OrdProp("BevelWidth", &TCustomPanel::BevelWidth, &TCustomPanel::SetBevelWidth),
        OrdProp("BorderWidth", &TCustomPanel::BorderWidth, &TCustomPanel::SetBorderWidth),
        OrdProp("ShowCaption", &TCustomPanel::ShowCaption, &TCustomPanel::SetShowCaption),
        ObjProp("Padding", &TWinControl::PaddingSides),
    });
    return Table;
}

// ---------------------------------------------------------------------------
// THeader
// ---------------------------------------------------------------------------

THeader::THeader(TComponent* AOwner) : TCustomControl(AOwner), FSections(std::make_unique<TStringList>())
{
    FWidth = 250;
    FHeight = 25;
}

THeader::~THeader() = default;

int THeader::SectionWidth(int Index) const
{
    if (Index < 0 || Index >= FSections->Count())
        throw EListError("Section index out of range");
    return Index < static_cast<int>(FWidths.size()) ? FWidths[static_cast<size_t>(Index)] : DefaultSectionWidth;
}

void THeader::SetSectionWidth(int Index, int Value)
{
    if (Index < 0 || Index >= FSections->Count())
        throw EListError("Section index out of range");
    if (Index >= static_cast<int>(FWidths.size()))
        FWidths.resize(static_cast<size_t>(Index) + 1, DefaultSectionWidth);
    FWidths[static_cast<size_t>(Index)] = Value;
    Invalidate();
}
