#include "controls/RzPrgres.h"

#include <algorithm>
#include <cmath>

#include "classlib/SysUtils.h"
#include "classlib/Themes.h"
#include "controls/RzGrafx.h"

namespace {

// Theme parts of the PROGRESS and STATUS classes.
constexpr int PP_BAR_ = 1, PP_BARVERT_ = 2, PP_CHUNK_ = 3, PP_CHUNKVERT_ = 4;
constexpr int SP_PANE_ = 1;

int RoundHalfEven(double Value)
{
    return static_cast<int>(std::nearbyint(Value));
}

} // namespace

TRzCustomProgressBar::TRzCustomProgressBar(TComponent* AOwner) : TRzFrameControllerLink<TGraphicControl>(AOwner)
{
    FControlStyle |= csOpaque;
    Font()->SetColor(FBarColor);
    SetBounds(0, 0, 200, 24);
}

void TRzCustomProgressBar::WndProc(TMessage& Message)
{
    if (Message.Msg == CM_HITTEST && IsOverSizeGrip(this, POINT{Message.XPos(), Message.YPos()})) {
        Message.Result = HTNOWHERE;
        return;
    }
    TGraphicControl::WndProc(Message);
}

void TRzCustomProgressBar::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    TGraphicControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    SetOrientation(Height() > Width() ? orVertical : orHorizontal);
}

void TRzCustomProgressBar::Changed()
{
    Invalidate();
}

std::string TRzCustomProgressBar::ProgressText() const
{
    if (!FShowPercent)
        return "";
    if (FShowParts)
        return Format("%u / %u", FPartsComplete, FTotalParts);
    return Format("%u%%", static_cast<unsigned>(FPercent));
}

bool TRzCustomProgressBar::UsingThemes() const
{
    if (!FThemeAware || !ThemeServices()->ThemesEnabled())
        return false;
    auto Bar = dynamic_cast<const TRzStatusBar*>(Parent());
    return !Bar || Bar->VisualStyle() == vsWinXP;
}

void TRzCustomProgressBar::Paint()
{
    // Buffered only where it shows: a bar of millions of pixels costs no
    // more than the part of it in the clip region. The buffer's origin is
    // the bar's, so everything below draws in the bar's coordinates.
    TRect Shown = ClientRect();
    RECT Clip;
    switch (GetClipBox(Canvas()->Handle(), &Clip)) {
    case NULLREGION: return;
    case ERROR: break;
    default:
        Shown = TRect(std::max(Shown.left, Clip.left), std::max(Shown.top, Clip.top), std::min(Shown.right, Clip.right),
                      std::min(Shown.bottom, Clip.bottom));
        break;
    }
    if (Shown.IsEmpty())
        return;
    TBitmap Buffer(Shown.Width(), Shown.Height());
    TCanvas* C = Buffer.Canvas();
    SetViewportOrgEx(C->Handle(), -Shown.left, -Shown.top, nullptr);
    C->Font()->Assign(Font());
    TRect R(0, 0, Width(), Height());
    const bool Led = FBarStyle == bsLED;
    const TThemedElement Progress = teProgress;
    const int BarPart = FOrientation == orHorizontal ? PP_BAR_ : PP_BARVERT_;
    auto InsetForBar = [&](TRect& Rect) {
        const int By = FInteriorOffset + (Led ? 1 : 3);
        Rect = InflatedRect(Rect, -By, -By);
    };
    if (UsingThemes()) {
        if (auto Bar = dynamic_cast<TRzStatusBar*>(Parent())) {
            // The bar's own background under this control, then a pane.
            Bar->CopyThemedBackground(C->Handle(), TRect(0, 0, Width(), Height()), Left(), Top());
            ThemeServices()->DrawElement(C->Handle(), teStatus, SP_PANE_, 0, R);
            if (FInteriorOffset == 0)
                R = InflatedRect(R, -3, -2);
            else
                R = InflatedRect(R, -(2 + FInteriorOffset), -(1 + FInteriorOffset));
        }
        ThemeServices()->DrawElement(C->Handle(), Progress, BarPart, 0, R);
        InsetForBar(R);
    } else {
        C->Brush()->SetColor(FBorderColor);
        C->FillRect(R);
        const TColor ParentColor_ = Parent() ? Parent()->Color() : Color();
        R = DrawInnerOuterBorders(C, R,
                                  {.BorderOuter = FBorderOuter,
                                   .BorderInner = FBorderInner,
                                   .BorderWidth = FBorderWidth,
                                   .BevelWidth = FBevelWidth,
                                   .BorderColor = FBorderColor,
                                   .FlatColor = FFlatColor,
                                   .FlatColorAdjustment = FFlatColorAdjustment,
                                   .Color = FBackColor,
                                   .ParentColor = ParentColor_,
                                   .FullInnerFlatFrame = true});
        if (FInteriorOffset > 0) {
            C->Pen()->SetColor(FBackColor);
            C->Pen()->SetWidth(FInteriorOffset);
            C->Pen()->SetStyle(psInsideFrame);
            C->Brush()->SetStyle(bsClear);
            C->Rectangle(R);
            C->Brush()->SetStyle(bsSolid);
            C->Pen()->SetWidth(1);
            C->Pen()->SetStyle(psSolid);
            R = InflatedRect(R, -FInteriorOffset, -FInteriorOffset);
        }
    }
    if (Led)
        DrawLED(C, R);
    else
        DrawBarAndText(C, R);
    SetViewportOrgEx(C->Handle(), 0, 0, nullptr);
    Canvas()->Draw(Shown.left, Shown.top, &Buffer);
}

void TRzCustomProgressBar::DrawBarAndText(TCanvas* C, const TRect& I)
{
    const std::string Text = ProgressText();
    TRect Done = I, Open = I;
    if (FPercent >= 100) {
        Open = TRect(I.right, I.top, I.right, I.bottom);
    } else if (FOrientation == orHorizontal) {
        Done.right = I.left + RoundHalfEven(I.Width() * FPercent / 100.0);
        Open.left = Done.right;
    } else {
        Done.top = I.bottom - RoundHalfEven(I.Height() * FPercent / 100.0);
        Open.bottom = Done.top;
    }
    HDC DC = C->Handle();
    const UINT OldAlign = SetTextAlign(DC, TA_CENTER);
    // Half the right edge, as the bar always placed it.
    const int X = I.right / 2;
    const int Y = I.top + (I.Height() - C->TextHeight("X")) / 2;
    if (FBarStyle == bsTraditional) {
        C->Brush()->SetStyle(bsSolid);
        C->Brush()->SetColor(FBarColor);
        C->Font()->SetColor(FBackColor);
        if (!Done.IsEmpty())
            C->TextRect(Done, X, Y, Text);
        C->Brush()->SetColor(FBackColor);
        C->Font()->SetColor(FBarColor);
        if (!Open.IsEmpty())
            C->TextRect(Open, X, Y, Text);
    } else {
        if (!Done.IsEmpty())
            DrawGradient(C, Done, FGradientDirection, FBarColor, FBarColorStop);
        if (!Open.IsEmpty())
            DrawGradient(C, Open, FGradientDirection, FBackColor, FBackColorStop);
        C->Brush()->SetStyle(bsClear);
        C->Font()->SetColor(FBackColor);
        if (!Done.IsEmpty())
            C->TextRect(Done, X, Y, Text);
        C->Font()->SetColor(FBarColor);
        if (!Open.IsEmpty())
            C->TextRect(Open, X, Y, Text);
        C->Brush()->SetStyle(bsSolid);
    }
    SetTextAlign(DC, OldAlign);
}

void TRzCustomProgressBar::DrawLED(TCanvas* C, const TRect& I)
{
    const bool Horizontal = FOrientation == orHorizontal;
    const int Percent = std::min(FPercent, 100);
    if (UsingThemes()) {
        // The done part never reaches past the interior, whatever Percent.
        const TRect D = InflatedRect(I, -1, -1);
        if (D.IsEmpty())
            return;
        if (Horizontal) {
            const TRect Done(D.left, D.top, D.left + RoundHalfEven(D.Width() * Percent / 100.0), D.bottom);
            if (!Done.IsEmpty())
                ThemeServices()->DrawElement(C->Handle(), teProgress, PP_CHUNK_, 0, Done);
        } else {
            const int H = std::max(RoundHalfEven(D.Height() * Percent / 100.0), 1);
            // Chunks are laid from the top: drawn upside down and flipped,
            // they grow from the bottom.
            TBitmap Chunks(D.Width(), H);
            BitBlt(Chunks.Canvas()->Handle(), 0, 0, D.Width(), H, C->Handle(), D.left, D.bottom - H, SRCCOPY);
            FlipBitmapVertical(&Chunks);
            ThemeServices()->DrawElement(Chunks.Canvas()->Handle(), teProgress, PP_CHUNKVERT_, 0,
                                         TRect(0, 0, D.Width(), H));
            FlipBitmapVertical(&Chunks);
            C->Draw(D.left, D.bottom - H, &Chunks);
        }
        return;
    }
    const int L = Horizontal ? I.Width() : I.Height();
    int N = FNumSegments;
    int S = N > 0 ? L / N : 0;
    if (L <= 80 && N >= 11) {
        N = 10;
        S = L / 10;
    }
    C->Pen()->SetStyle(psClear);
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(FBackColor);
    if (S < 1) {
        // Too short for one segment per step: the interior stays empty.
        C->FillRect(I);
        C->Pen()->SetStyle(psSolid);
        return;
    }
    const int Extra = (L - N * S) / S;
    const int Count = Extra >= 1 ? N + Extra : N;
    const int Margin = (L - Count * S) / 2;
    if (Horizontal) {
        C->FillRect(TRect(I.left, I.top, I.left + Margin, I.bottom));
        C->FillRect(TRect(I.left + Margin + Count * S, I.top, I.right, I.bottom));
    } else {
        C->FillRect(TRect(I.left, I.top, I.right, I.top + Margin));
        C->FillRect(TRect(I.left, I.top + Margin + Count * S, I.right, I.bottom));
    }
    const int Lit = std::min(Percent * Count / 100, Count);
    C->Pen()->SetStyle(psSolid);
    C->Pen()->SetColor(FBackColor);
    for (int Seg = 1; Seg <= Count; ++Seg) {
        C->Brush()->SetColor(Seg <= Lit ? FBarColor : FBackColor);
        if (Horizontal) {
            const int X = I.left + (Seg - 1) * S + Margin;
            C->Rectangle(X, I.top, X + S, I.bottom);
        } else {
            const int Y = I.top + (Count - Seg) * S + Margin;
            C->Rectangle(I.left, Y, I.right, Y + S);
        }
    }
}

// ---------------------------------------------------------------------------
// Properties
// ---------------------------------------------------------------------------

bool TRzCustomProgressBar::StorePercent(int Value)
{
    Value = std::clamp(Value, 0, 0xFFFF);
    if (!StoreChanged(FPercent, Value))
        return false;
    if (OnChange)
        OnChange(this, FPercent);
    return true;
}

void TRzCustomProgressBar::SetPercent(int Value)
{
    if (StorePercent(Value))
        Repaint();
}

void TRzCustomProgressBar::SetPercentLater(int Value)
{
    if (StorePercent(Value))
        Invalidate();
}

void TRzCustomProgressBar::SetPartsComplete(unsigned Value)
{
    Value = std::min({Value, FTotalParts, MaxParts});
    if (!StoreChanged(FPartsComplete, Value))
        return;
    // In floating point: the parts times 100 pass 32 bits.
    if (!HasState(csLoading) && FTotalParts != 0)
        SetPercent(RoundHalfEven(static_cast<double>(FPartsComplete) / FTotalParts * 100.0));
    Invalidate();
}

void TRzCustomProgressBar::SetTotalParts(unsigned Value)
{
    if (!StoreChanged(FTotalParts, std::min(Value, MaxParts)))
        return;
    if (!HasState(csLoading)) {
        FPartsComplete = 0;
        SetPercent(0);
    }
    Invalidate();
}

void TRzCustomProgressBar::SetShowPercent(bool Value)
{
    if (StoreChanged(FShowPercent, Value))
        Changed();
}

void TRzCustomProgressBar::SetShowParts(bool Value)
{
    if (StoreChanged(FShowParts, Value))
        Changed();
}

void TRzCustomProgressBar::SetBarStyle(TBarStyle Value)
{
    if (!StoreChanged(FBarStyle, Value))
        return;
    FShowPercent = Value != bsLED;
    FInteriorOffset = Value == bsLED ? 1 : 0;
    Repaint();
}

void TRzCustomProgressBar::SetBackColor(TColor Value)
{
    if (StoreChanged(FBackColor, Value))
        Changed();
}

void TRzCustomProgressBar::SetBackColorStop(TColor Value)
{
    if (StoreChanged(FBackColorStop, Value))
        Changed();
}

void TRzCustomProgressBar::SetBarColor(TColor Value)
{
    if (!StoreChanged(FBarColor, Value))
        return;
    Font()->SetColor(Value);
    Changed();
}

void TRzCustomProgressBar::SetBarColorStop(TColor Value)
{
    if (StoreChanged(FBarColorStop, Value))
        Changed();
}

void TRzCustomProgressBar::SetGradientDirection(TGradientDirection Value)
{
    if (StoreChanged(FGradientDirection, Value))
        Changed();
}

void TRzCustomProgressBar::SetNumSegments(int Value)
{
    if (StoreChanged(FNumSegments, std::clamp(Value, 1, 100)))
        Changed();
}

void TRzCustomProgressBar::SetOrientation(TOrientation Value)
{
    if (StoreChanged(FOrientation, Value))
        Changed();
}

void TRzCustomProgressBar::SetInteriorOffset(int Value)
{
    if (StoreChanged(FInteriorOffset, std::clamp(Value, 0, 255)))
        Changed();
}

void TRzCustomProgressBar::SetBorderOuter(TFrameStyleEx Value)
{
    if (StoreChanged(FBorderOuter, Value))
        Changed();
}

void TRzCustomProgressBar::SetBorderInner(TFrameStyleEx Value)
{
    if (StoreChanged(FBorderInner, Value))
        Changed();
}

void TRzCustomProgressBar::SetBorderWidth(int Value)
{
    if (StoreChanged(FBorderWidth, std::max(Value, 0)))
        Changed();
}

void TRzCustomProgressBar::SetBorderColor(TColor Value)
{
    if (StoreChanged(FBorderColor, Value))
        Changed();
}

void TRzCustomProgressBar::SetBevelWidth(int Value)
{
    if (StoreChanged(FBevelWidth, std::max(Value, 1)))
        Changed();
}

void TRzCustomProgressBar::SetFlatColor(TColor Value)
{
    if (StoreChanged(FFlatColor, Value))
        Invalidate();
}

void TRzCustomProgressBar::SetFlatColorAdjustment(int Value)
{
    if (StoreChanged(FFlatColorAdjustment, Value))
        Invalidate();
}

void TRzCustomProgressBar::SetThemeAware(bool Value)
{
    if (StoreChanged(FThemeAware, Value))
        Invalidate();
}

void TRzCustomProgressBar::ApplyFraming(const TRzFrameController& FC, TRzFrameControllerNotifications N)
{
    if (HasNotification(N, fcpFrameStyle))
        SetBorderOuter(FC.FrameStyle());
    if (HasNotification(N, fcpFrameColor)) {
        SetFlatColor(FC.FrameColor());
        SetFlatColorAdjustment(0);
    }
    if (HasNotification(N, fcpColor))
        SetBackColor(FC.Color());
    if (HasNotification(N, fcpParentColor))
        SetParentColor(FC.ParentColor());
}
