#include "controls/RzPanel.h"

#include <algorithm>
#include <cmath>

#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "classlib/Themes.h"
#include "controls/RzGrafx.h"

namespace {

// Theme parts and states the panel and group box draw (the BUTTON class).
constexpr int BP_CHECKBOX_ = 3, BP_GROUPBOX_ = 4;
constexpr int GBS_NORMAL_ = 1, GBS_DISABLED_ = 2;
// The theme's group-box text colour, by GetXPThemeColor's numbering.
constexpr int XPGroupBoxTextColor = 6;

UINT AlignmentFlag(TAlignment A)
{
    switch (A) {
    case taLeftJustify: return DT_LEFT;
    case taRightJustify: return DT_RIGHT;
    default: return DT_CENTER;
    }
}

TAlignment Flipped(TAlignment A)
{
    switch (A) {
    case taLeftJustify: return taRightJustify;
    case taRightJustify: return taLeftJustify;
    default: return taCenter;
    }
}

// The height of Sample in Font, measured on a screen DC.
int ScreenTextHeight(const TFont* Font, const char* Sample)
{
    const TWindowDC DC(nullptr);
    TCanvas C;
    C.SetHandle(DC.Get());
    TScopeExit Lent([&C] { C.SetHandle(nullptr); });
    C.Font()->Assign(Font);
    return C.TextHeight(Sample);
}

void HLine(TCanvas* C, int X0, int X1, int Y, TColor Color)
{
    C->Pen()->SetColor(Color);
    C->Pen()->SetStyle(psSolid);
    C->MoveTo(X0, Y);
    C->LineTo(X1, Y);
}

void VLine(TCanvas* C, int X, int Y0, int Y1, TColor Color)
{
    C->Pen()->SetColor(Color);
    C->Pen()->SetStyle(psSolid);
    C->MoveTo(X, Y0);
    C->LineTo(X, Y1);
}

} // namespace

void DrawCutCornerBox(TCanvas* Canvas, const RECT& R, TColor Color)
{
    HLine(Canvas, R.left + 2, R.right - 2, R.top, Color);
    HLine(Canvas, R.left + 2, R.right - 2, R.bottom - 1, Color);
    VLine(Canvas, R.left, R.top + 2, R.bottom - 2, Color);
    VLine(Canvas, R.right - 1, R.top + 2, R.bottom - 2, Color);
    Canvas->SetPixel(R.left + 1, R.top + 1, Color);
    Canvas->SetPixel(R.right - 2, R.top + 1, Color);
    Canvas->SetPixel(R.right - 2, R.bottom - 2, Color);
    Canvas->SetPixel(R.left + 1, R.bottom - 2, Color);
}

// ===========================================================================
// TRzCustomPanel
// ===========================================================================

TRzCustomPanel::TRzCustomPanel(TComponent* AOwner) : TRzFrameControllerLink<TCustomPanel>(AOwner)
{
    FControlStyle = (FControlStyle & ~(csSetCaption | csParentBackground)) | csOpaque;
    SetBevelOuter(bvNone);
}

void TRzCustomPanel::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_ERASEBKGND:
        if (FTransparent && FPaintClientArea) {
            DrawParentImageDC(this, reinterpret_cast<HDC>(Message.WParam), true);
            Message.Result = 1;
            return;
        }
        break;
    case WM_WINDOWPOSCHANGED: {
        auto WP = reinterpret_cast<const WINDOWPOS*>(Message.LParam);
        if (HandleAllocated() && !(WP->flags & SWP_NOSIZE)) {
            if (FFullRepaint || !Caption().empty()) {
                Invalidate();
            } else {
                // Only what the frame on the right and bottom edges moved over.
                const TRect C = ClientRect();
                const TPoint B = GetBorderOffset();
                if (WP->cx != Width()) {
                    const RECT R{std::min<int>(C.right, WP->cx) - B.x - 1, 0, WP->cx, WP->cy};
                    InvalidateRect(WindowHandle(), &R, FALSE);
                }
                if (WP->cy != Height()) {
                    const RECT R{0, std::min<int>(C.bottom, WP->cy) - B.y - 1, WP->cx, WP->cy};
                    InvalidateRect(WindowHandle(), &R, FALSE);
                }
            }
        }
        break;
    }
    case WM_THEMECHANGED:
        TCustomPanel::WndProc(Message);
        XPColorScheme = GetXPColorScheme();
        return;
    case CM_ENABLEDCHANGED:
        TCustomPanel::WndProc(Message);
        Repaint();
        EnableChildControls(Enabled());
        return;
    case CM_CONTROLCHANGE:
        if (Message.LParam == 0)
            ChildLeaving(reinterpret_cast<TControl*>(Message.WParam));
        break;
    case CM_MOUSEENTER:
        if (HasState(csDesigning))
            return;
        break;
    case WM_COMMAND:
    case WM_MOUSEACTIVATE:
        // A docked control may have taken or lost the focus: its caption
        // bar changes colour.
        if (DockSite() && UseDockManager())
            Invalidate();
        break;
    default:
        break;
    }
    TCustomPanel::WndProc(Message);
}

void TRzCustomPanel::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    // An edge-aligned panel that changes size keeps the edge it sticks to.
    if (Align() == alRight && AWidth != Width() && ALeft == Left())
        ALeft = Left() + Width() - AWidth;
    if (Align() == alBottom && AHeight != Height() && ATop == Top())
        ATop = Top() + Height() - AHeight;
    TCustomPanel::SetBounds(ALeft, ATop, AWidth, AHeight);
}

TPoint TRzCustomPanel::GetCursorClientPos() const
{
    POINT P{};
    GetCursorPos(&P);
    return ScreenToClient(P);
}

void TRzCustomPanel::AdjustClientRectForBorders(TRect& Rect, bool IncludeBorderWidth) const
{
    if (IncludeBorderWidth)
        Rect = InflatedRect(Rect, -BorderWidth(), -BorderWidth());
    const int By = FrameStyleWidth(FBorderOuter, BevelWidth()) + FrameStyleWidth(FBorderInner, BevelWidth());
    if (HasSide(FBorderSides, sdLeft))
        Rect.left += By;
    if (HasSide(FBorderSides, sdTop))
        Rect.top += By;
    if (HasSide(FBorderSides, sdRight))
        Rect.right -= By;
    if (HasSide(FBorderSides, sdBottom))
        Rect.bottom -= By;
}

TRect TRzCustomPanel::GetClientRect() const
{
    TRect R = TCustomPanel::GetClientRect();
    // A dock site keeps its whole client area: its dock manager measures
    // from there.
    if (!DockSite())
        AdjustClientRectForBorders(R, true);
    return R;
}

void TRzCustomPanel::AdjustClientRect(TRect& Rect)
{
    // The plain panel's bevels are not used; the frames are outside the
    // client rectangle, or, for a dock site, come off the alignment rectangle.
    TCustomControl::AdjustClientRect(Rect);
    if (DockSite())
        AdjustClientRectForBorders(Rect, true);
}

TDockManager* TRzCustomPanel::CreateDockManager()
{
    return new TRzPanelDockManager(this);
}

void TRzCustomPanel::FramesChanged()
{
    Realign();
    Invalidate();
}

TColor TRzCustomPanel::AdjustedFlatColor() const
{
    TColor C = clBtnShadow;
    int A = 0;
    GetFlatColors(C, A);
    return AdjustColor(C, A);
}

void TRzCustomPanel::GetGradientColors(TColor& StartColor, TColor& StopColor) const
{
    if (FGradientColorStyle == gcsCustom) {
        StartColor = FGradientColorStart;
        StopColor = FGradientColorStop;
    } else {
        GetGradientPanelColors(FGradientColorStyle, StartColor, StopColor);
    }
}

void TRzCustomPanel::GetFlatColors(TColor& FlatColor, int& Adjustment) const
{
    if (FVisualStyle == vsGradient && FGradientColorStyle != gcsCustom) {
        FlatColor = GetGradientPanelFrameColor(FGradientColorStyle);
        Adjustment = 0;
    } else {
        FlatColor = FFlatColor;
        Adjustment = FFlatColorAdjustment;
    }
}

void TRzCustomPanel::Paint()
{
    TCanvas* C = Canvas();
    const TRect R = GetControlRect();
    TColor Flat = clBtnShadow;
    int Adjustment = 0;
    GetFlatColors(Flat, Adjustment);
    const TColor ParentColor_ = Parent() ? Parent()->Color() : Color();
    const TRect Inner = DrawInnerOuterBorders(C, R,
                                              {.BorderOuter = FBorderOuter,
                                               .BorderInner = FBorderInner,
                                               .BorderWidth = BorderWidth(),
                                               .BorderSides = FBorderSides,
                                               .BevelWidth = BevelWidth(),
                                               .BorderColor = FBorderColor,
                                               .BorderHighlight = FBorderHighlight,
                                               .BorderShadow = FBorderShadow,
                                               .FlatColor = Flat,
                                               .FlatColorAdjustment = Adjustment,
                                               .Color = Color(),
                                               .ParentColor = ParentColor_,
                                               .Transparent = FTransparent});
    if (!FTransparent && FPaintClientArea) {
        const bool Rounded = (FBorderOuter == fsFlatRounded && FBorderInner == fsNone && BorderWidth() == 0) ||
                             FBorderInner == fsFlatRounded;
        TRect Fill = Inner;
        if (Rounded) {
            // The rounded line leaves the corners inside it unpainted.
            if (HasSide(FBorderSides, sdLeft))
                --Fill.left;
            if (HasSide(FBorderSides, sdTop))
                --Fill.top;
            if (HasSide(FBorderSides, sdRight))
                ++Fill.right;
            if (HasSide(FBorderSides, sdBottom))
                ++Fill.bottom;
        }
        if (FVisualStyle == vsGradient) {
            TColor Start = clWhite, Stop = clBtnFace;
            GetGradientColors(Start, Stop);
            DrawGradient(C, Fill, FGradientDirection, Start, Stop);
        } else {
            C->Brush()->SetStyle(bsSolid);
            C->Brush()->SetColor(Color());
            C->FillRect(Fill);
        }
        if (Rounded) {
            const TColor F = AdjustColor(Flat, Adjustment);
            const bool L = HasSide(FBorderSides, sdLeft), T = HasSide(FBorderSides, sdTop);
            const bool Rt = HasSide(FBorderSides, sdRight), B = HasSide(FBorderSides, sdBottom);
            if (L && T)
                C->SetPixel(Fill.left, Fill.top, F);
            if (Rt && T)
                C->SetPixel(Fill.right - 1, Fill.top, F);
            if (L && B)
                C->SetPixel(Fill.left, Fill.bottom - 1, F);
            if (Rt && B)
                C->SetPixel(Fill.right - 1, Fill.bottom - 1, F);
        }
    }
    if (FShowGrid)
        DrawGrid(Inner);
    C->Brush()->SetStyle(bsClear);
    DrawCaption(Inner);
    C->Brush()->SetStyle(bsSolid);
    if (OnPaint)
        OnPaint(this);
}

void TRzCustomPanel::DrawGrid(const TRect& R)
{
    TCanvas* C = Canvas();
    const int Cols = FGridXSize > 0 ? R.Width() / FGridXSize : 0;
    const int Rows = FGridYSize > 0 ? R.Height() / FGridYSize : 0;
    if (FGridStyle == gsDots) {
        for (int I = 1; I <= Cols; ++I)
            for (int J = 1; J <= Rows; ++J)
                C->SetPixel(R.left - 1 + FGridXSize * I, R.top - 1 + FGridYSize * J, FGridColor);
        return;
    }
    const bool Solid = FGridStyle == gsSolidLines;
    for (int I = 1; I <= Cols; ++I) {
        const int X = R.left - 1 + FGridXSize * I;
        if (Solid) {
            VLine(C, X, R.top, R.bottom, FGridColor);
        } else {
            for (int Y = R.top + 1; Y < R.bottom; Y += 2)
                C->SetPixel(X, Y, FGridColor);
        }
    }
    for (int J = 1; J <= Rows; ++J) {
        const int Y = R.top - 1 + FGridYSize * J;
        if (Solid) {
            HLine(C, R.left, R.right, Y, FGridColor);
        } else {
            for (int X = R.left + 1; X < R.right; X += 2)
                C->SetPixel(X, Y, FGridColor);
        }
    }
}

void TRzCustomPanel::DrawCaption(const TRect& Rect)
{
    const std::string Text = Caption();
    if (Text.empty())
        return;
    TCanvas* C = Canvas();
    C->Font()->Assign(Font());
    TRect R = InflatedRect(Rect, -FTextMargin, -FTextMarginVertical);
    const UINT Flags = DT_EXPANDTABS | DT_VCENTER | (FWordWrap ? DT_WORDBREAK : 0) | AlignmentFlag(Alignment());
    TRect Calc = R;
    DrawCanvasText(C, Text, Calc, Flags | DT_CALCRECT);
    const int H = Calc.Height();
    switch (FAlignmentVertical) {
    case avTop:
        R.bottom = std::min<LONG>(R.top + H, R.bottom);
        break;
    case avCenter:
        R.top = (R.top + R.bottom - H) / 2;
        R.bottom = std::min<LONG>(R.top + H, R.bottom);
        break;
    case avBottom:
        R.top = std::max<LONG>(R.bottom - H - 1, R.top);
        break;
    }
    if (!Enabled())
        C->Font()->SetColor(clGrayText);
    DrawCanvasText(C, Text, R, Flags);
}

// ---------------------------------------------------------------------------
// Children's enabled states
// ---------------------------------------------------------------------------

void TRzCustomPanel::EnableChildControls(bool Enable)
{
    if (!Enable) {
        // Only the first reason records: a second disable would find every
        // child disabled already and lose what they were.
        if (!FStatesHeld) {
            FEnabledStates.clear();
            for (int I = 0; I < ControlCount(); ++I)
                FEnabledStates.emplace_back(Controls(I), Controls(I)->Enabled());
            FStatesHeld = true;
        }
        for (int I = 0; I < ControlCount(); ++I)
            Controls(I)->SetEnabled(false);
        return;
    }
    if (!FStatesHeld || !ChildrenMayBeEnabled())
        return;
    const auto States = std::move(FEnabledStates);
    FEnabledStates.clear();
    FStatesHeld = false;
    for (int I = 0; I < ControlCount(); ++I) {
        TControl* Child = Controls(I);
        bool Was = true;
        for (const auto& S : States)
            if (S.first == Child)
                Was = S.second;
        Child->SetEnabled(Was);
    }
}

bool TRzCustomPanel::HoldsEnabledState(const TControl* Child) const
{
    return std::any_of(FEnabledStates.begin(), FEnabledStates.end(),
                       [Child](const auto& S) { return S.first == Child; });
}

void TRzCustomPanel::ChildLeaving(TControl* Child)
{
    // A later child may be built at the same address.
    FEnabledStates.erase(std::remove_if(FEnabledStates.begin(), FEnabledStates.end(),
                                        [Child](const auto& S) { return S.first == Child; }),
                         FEnabledStates.end());
}

// ---------------------------------------------------------------------------
// Frame controller and stored names
// ---------------------------------------------------------------------------

void TRzCustomPanel::ApplyFraming(const TRzFrameController& FC, TRzFrameControllerNotifications N)
{
    if (HasNotification(N, fcpFrameStyle))
        SetBorderOuter(FC.FrameStyle());
    if (HasNotification(N, fcpFrameSides))
        SetBorderSides(FC.FrameSides());
    if (HasNotification(N, fcpFrameColor)) {
        SetFlatColor(FC.FrameColor());
        SetFlatColorAdjustment(0);
    }
    if (HasNotification(N, fcpColor))
        SetColor(FC.Color());
    if (HasNotification(N, fcpParentColor))
        SetParentColor(FC.ParentColor());
    // The bevel follows the colour the panel ends up with.
    if (HasNotification(N, fcpColor)) {
        SetBorderHighlight(LighterColor(Color(), 100));
        SetBorderShadow(DarkerColor(Color(), 50));
    }
}

void TRzCustomPanel::ReadOldUseGradients(bool Value)
{
    if (Value)
        SetVisualStyle(vsGradient);
}

// ---------------------------------------------------------------------------
// Setters
// ---------------------------------------------------------------------------

void TRzCustomPanel::SetAlignmentVertical(TAlignmentVertical Value)
{
    if (StoreChanged(FAlignmentVertical, Value))
        Invalidate();
}

void TRzCustomPanel::SetBorderOuter(TFrameStyleEx Value)
{
    if (StoreChanged(FBorderOuter, Value))
        FramesChanged();
}

void TRzCustomPanel::SetBorderInner(TFrameStyleEx Value)
{
    if (StoreChanged(FBorderInner, Value))
        FramesChanged();
}

void TRzCustomPanel::SetBorderSides(TSides Value)
{
    if (StoreChanged(FBorderSides, static_cast<TSides>(Value & sdAllSides)))
        FramesChanged();
}

void TRzCustomPanel::SetBorderColor(TColor Value)
{
    if (StoreChanged(FBorderColor, Value))
        Invalidate();
}

void TRzCustomPanel::SetBorderHighlight(TColor Value)
{
    if (StoreChanged(FBorderHighlight, Value))
        Invalidate();
}

void TRzCustomPanel::SetBorderShadow(TColor Value)
{
    if (StoreChanged(FBorderShadow, Value))
        Invalidate();
}

void TRzCustomPanel::SetFlatColor(TColor Value)
{
    if (StoreChanged(FFlatColor, Value))
        Invalidate();
}

void TRzCustomPanel::SetFlatColorAdjustment(int Value)
{
    if (StoreChanged(FFlatColorAdjustment, Value))
        Invalidate();
}

void TRzCustomPanel::SetGradientColorStyle(TRzGradientColorStyle Value)
{
    if (StoreChanged(FGradientColorStyle, Value))
        Invalidate();
}

void TRzCustomPanel::SetGradientColorStart(TColor Value)
{
    if (!StoreChanged(FGradientColorStart, Value))
        return;
    Invalidate();
    InvalidateTransparentControls(this);
}

void TRzCustomPanel::SetGradientColorStop(TColor Value)
{
    if (!StoreChanged(FGradientColorStop, Value))
        return;
    Invalidate();
    InvalidateTransparentControls(this);
}

void TRzCustomPanel::SetGradientDirection(TGradientDirection Value)
{
    if (!StoreChanged(FGradientDirection, Value))
        return;
    Invalidate();
    InvalidateTransparentControls(this);
}

void TRzCustomPanel::SetGridColor(TColor Value)
{
    if (StoreChanged(FGridColor, Value))
        Invalidate();
}

void TRzCustomPanel::SetGridStyle(TRzGridStyle Value)
{
    if (StoreChanged(FGridStyle, Value))
        Invalidate();
}

void TRzCustomPanel::SetGridXSize(int Value)
{
    if (StoreChanged(FGridXSize, std::max(Value, 0)))
        Invalidate();
}

void TRzCustomPanel::SetGridYSize(int Value)
{
    if (StoreChanged(FGridYSize, std::max(Value, 0)))
        Invalidate();
}

void TRzCustomPanel::SetShowGrid(bool Value)
{
    if (StoreChanged(FShowGrid, Value))
        Invalidate();
}

void TRzCustomPanel::SetPaintClientArea(bool Value)
{
    if (StoreChanged(FPaintClientArea, Value))
        Invalidate();
}

void TRzCustomPanel::SetTransparent(bool Value)
{
    if (!StoreChanged(FTransparent, Value))
        return;
    if (Value)
        FControlStyle &= ~csOpaque;
    else
        FControlStyle |= csOpaque;
    Invalidate();
    for (int I = 0; I < ControlCount(); ++I)
        Controls(I)->Invalidate();
}

void TRzCustomPanel::SetTextMargin(int Value)
{
    if (StoreChanged(FTextMargin, Value))
        Invalidate();
}

void TRzCustomPanel::SetTextMarginVertical(int Value)
{
    if (StoreChanged(FTextMarginVertical, Value))
        Invalidate();
}

void TRzCustomPanel::SetWordWrap(bool Value)
{
    if (StoreChanged(FWordWrap, Value))
        Invalidate();
}

void TRzCustomPanel::SetVisualStyle(TRzVisualStyle Value)
{
    if (StoreChanged(FVisualStyle, Value))
        Invalidate();
}

void TRzCustomPanel::SetShowDockClientCaptions(bool Value)
{
    if (!StoreChanged(FShowDockClientCaptions, Value))
        return;
    Realign();
    Invalidate();
}

// ===========================================================================
// TRzCustomGroupBox
// ===========================================================================

TRzCustomGroupBox::TRzCustomGroupBox(TComponent* AOwner) : TRzCustomPanel(AOwner), FCaptionFont(std::make_unique<TFont>())
{
    FControlStyle |= csDoubleClicks | csSetCaption;
    FCaptionFont->Assign(Font());
    FCaptionFont->OnChange = [this](TObject* Sender) { CaptionFontChanged(Sender); };
    SetAlignment(taLeftJustify);
    SetAlignmentVertical(avTop);
    SetBorderOuter(fsNone);
    SetBorderInner(fsNone);
    SetHeight(105);
}

TRzCustomGroupBox::~TRzCustomGroupBox()
{
    FCaptionFont->OnChange = nullptr;
}

void TRzCustomGroupBox::CaptionFontChanged(TObject*)
{
    FOwnCaptionFont = true;
    Invalidate();
}

void TRzCustomGroupBox::SetCaptionFont(const TFont* Value)
{
    FCaptionFont->Assign(Value);
}

void TRzCustomGroupBox::CreateWnd()
{
    TRzCustomPanel::CreateWnd();
    // Focus and accelerator cues start hidden until the keyboard is used.
    if (IsWindowsVersionOrLater(wvWin2000))
        SendMessageA(WindowHandle(), WM_UPDATEUISTATE, MAKEWPARAM(UIS_INITIALIZE, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
}

void TRzCustomGroupBox::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case CM_FONTCHANGED:
        if (!FOwnCaptionFont) {
            FCaptionFont->OnChange = nullptr;
            FCaptionFont->Assign(Font());
            FCaptionFont->OnChange = [this](TObject* Sender) { CaptionFontChanged(Sender); };
        }
        break;
    case CM_MOUSELEAVE:
        if (FShowCheckBox && FHot) {
            FHot = false;
            Invalidate();
        }
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        TRzCustomPanel::WndProc(Message);
        Invalidate();
        return;
    case CM_DIALOGCHAR:
        if (IsAccel(Message.WParam, Caption()) && CanFocus()) {
            std::vector<TWinControl*> Order;
            GetTabOrderList(Order);
            for (TWinControl* W : Order)
                if (W->CanFocus()) {
                    W->SetFocus();
                    break;
                }
            Message.Result = 1;
            return;
        }
        break;
    default:
        break;
    }
    TRzCustomPanel::WndProc(Message);
}

int TRzCustomGroupBox::TextHeightOf(const TFont* Font_, const char* Sample) const
{
    return ScreenTextHeight(Font_, Sample);
}

TRect TRzCustomGroupBox::GetClientRect() const
{
    TRect R = TRzCustomPanel::GetClientRect();
    const int H = TextHeightOf(Font(), "Yy");
    switch (FGroupStyle) {
    case gsStandard:
    case gsFlat: {
        const int K = H / 2 - 1;
        R.top += K >= BorderWidth() ? H - BorderWidth() : K;
        const int In = FGroupStyle == gsStandard ? 2 : 1;
        R = InflatedRect(R, -In, -In);
        break;
    }
    case gsCustom:
        if (!Caption().empty())
            R.top += H;
        R = InflatedRect(R, -2, -2);
        break;
    case gsTopLine: R.top += H; break;
    case gsBanner: R.top += FBannerHeight != 0 ? FBannerHeight : H + 8; break;
    case gsUnderline: R.top += H + 4; break;
    }
    return R;
}

TRect TRzCustomGroupBox::CalcCaptionRect(int H)
{
    TCanvas* C = Canvas();
    int W = C->TextWidth(RemoveAccelerators(Caption()));
    if (FShowCheckBox)
        W += CheckBoxSize + 4;
    const bool RightToLeft = UseRightToLeftReading();
    switch (FGroupStyle) {
    case gsStandard:
    case gsFlat:
        return RightToLeft ? TRect(Width() - W - 8, 0, Width() - 8, H) : TRect(8, 0, 8 + W, H);
    case gsTopLine:
        return RightToLeft ? TRect(Width() - W - 4, 0, Width(), H) : TRect(0, 0, W + 4, H);
    case gsBanner: return TRect(0, 0, Width(), FBannerHeight != 0 ? FBannerHeight : H + 6);
    case gsUnderline: return TRect(0, 0, Width(), H + 2);
    default: return TRect();
    }
}

void TRzCustomGroupBox::Paint()
{
    TCanvas* C = Canvas();
    C->Font()->Assign(FCaptionFont.get());
    const int H = C->TextHeight("Pp");
    FCaptionRect = !Caption().empty() && FGroupStyle != gsCustom ? CalcCaptionRect(H) : TRect();
    const bool Themed = VisualStyle() == vsWinXP && ThemeServices()->ThemesEnabled() &&
                        (FGroupStyle == gsStandard || FGroupStyle == gsFlat);
    if (Themed)
        PaintThemed(H);
    else if (FGroupStyle != gsCustom)
        PaintClassic(H);
    else
        TRzCustomPanel::Paint();
    C->Font()->Assign(Font());
    if (FGroupStyle != gsCustom && OnPaint)
        OnPaint(this);
}

void TRzCustomGroupBox::PaintThemed(int H)
{
    TCanvas* C = Canvas();
    HDC DC = C->Handle();
    if (!Transparent())
        DrawParentImage(this, C, true);
    const int Saved = SaveDC(DC);
    if (!FCaptionRect.IsEmpty())
        ExcludeClipRect(DC, FCaptionRect.left, FCaptionRect.top, FCaptionRect.right, FCaptionRect.bottom);
    ThemeServices()->DrawElement(DC, teButton, BP_GROUPBOX_, Enabled() ? GBS_NORMAL_ : GBS_DISABLED_,
                                 TRect(0, H / 2 - 1, Width(), Height()));
    RestoreDC(DC, Saved);
    if (!FCaptionRect.IsEmpty())
        DrawCaptionText(FCaptionRect, true);
    if (FShowCheckBox && Focused() && (SendMessageA(WindowHandle(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) == 0)
        DrawDottedBox(C, FCaptionRect);
}

void TRzCustomGroupBox::PaintClassic(int H)
{
    TCanvas* C = Canvas();
    HDC DC = C->Handle();
    const int Saved = SaveDC(DC);
    if (Transparent()) {
        if (FGroupStyle != gsBanner && !FCaptionRect.IsEmpty())
            ExcludeClipRect(DC, FCaptionRect.left, FCaptionRect.top, FCaptionRect.right, FCaptionRect.bottom);
    } else {
        C->Brush()->SetStyle(bsSolid);
        C->Brush()->SetColor(Color());
        C->FillRect(TRect(0, 0, Width(), Height()));
    }
    const TRect F(0, H / 2 - 1, Width(), Height());
    const TColor Flat = AdjustedFlatColor();
    switch (FGroupStyle) {
    case gsStandard:
        switch (BorderOuter()) {
        case fsNone: DrawBorderSides(C, F, fsGroove, sdAllSides); break;
        case fsFlat: DrawBox(C, F, Flat); break;
        case fsFlatBold: DrawBox(C, DrawBox(C, F, Flat), Flat); break;
        default: DrawBorderSides(C, F, BorderOuter(), sdAllSides); break;
        }
        break;
    case gsTopLine:
        switch (BorderOuter()) {
        case fsFlat:
        case fsFlatBold:
            HLine(C, F.left + 2, F.right - 2, F.top, Flat);
            if (BorderOuter() == fsFlatBold)
                HLine(C, F.left + 2, F.right - 2, F.top + 1, Flat);
            break;
        case fsNone: DrawBorderSides(C, F, fsGroove, SideBit(sdTop)); break;
        default: DrawBorderSides(C, F, BorderOuter(), SideBit(sdTop)); break;
        }
        break;
    case gsFlat: DrawCutCornerBox(C, F, Flat); break;
    case gsBanner: {
        TColor First = clBtnFace, Second = clWindow, Frame = Flat;
        if (GradientColorStyle() == gcsCustom) {
            First = GradientColorStop();
            Second = GradientColorStart();
        } else {
            GetGradientStatusBarColors(GradientColorStyle(), First, Second, Frame);
        }
        DrawCutCornerBox(C, FCaptionRect, Frame);
        // The second colour at the top, the first at the bottom.
        DrawGradient(C, InflatedRect(FCaptionRect, -1, -1), gdHorizontalEnd, Second, First);
        break;
    }
    // Just below the caption, which is filled afterwards.
    case gsUnderline: HLine(C, FCaptionRect.left, FCaptionRect.right, FCaptionRect.bottom, Flat); break;
    default: break;
    }
    RestoreDC(DC, Saved);
    if (!FCaptionRect.IsEmpty()) {
        if (!Transparent() && FGroupStyle != gsBanner) {
            C->Brush()->SetStyle(bsSolid);
            C->Brush()->SetColor(Color());
            C->FillRect(FCaptionRect);
        }
        DrawCaptionText(FGroupStyle == gsBanner ? InflatedRect(FCaptionRect, -4, -1) : FCaptionRect, false);
    }
}

void TRzCustomGroupBox::DrawCaptionText(TRect TextRect, bool Themed)
{
    TCanvas* C = Canvas();
    const bool RightToLeft = UseRightToLeftReading();
    if (FShowCheckBox) {
        const int Top = TextRect.top + (TextRect.Height() - CheckBoxSize) / 2;
        const int Left = RightToLeft ? TextRect.right - CheckBoxSize : TextRect.left;
        DrawCheckBox(TRect(Left, Top, Left + CheckBoxSize, Top + CheckBoxSize));
        if (RightToLeft)
            TextRect.right -= CheckBoxSize + 4;
        else
            TextRect.left += CheckBoxSize + 4;
    }
    const TAlignment A = RightToLeft ? Flipped(Alignment()) : Alignment();
    const UINT Flags = DT_SINGLELINE | DT_VCENTER | AlignmentFlag(A) | (RightToLeft ? DT_RTLREADING : 0);
    if (Themed) {
        ThemeServices()->DrawText(C->Handle(), teButton, BP_GROUPBOX_, Enabled() ? GBS_NORMAL_ : GBS_DISABLED_,
                                  Caption(), Flags, TextRect);
        return;
    }
    C->Brush()->SetStyle(bsClear);
    C->Font()->Assign(FCaptionFont.get());
    if (!Enabled())
        C->Font()->SetColor(clGrayText);
    else if (VisualStyle() == vsWinXP && ThemeServices()->ThemesEnabled())
        C->Font()->SetColor(GetXPThemeColor(XPGroupBoxTextColor));
    DrawCanvasText(C, Caption(), TextRect, Flags);
    C->Brush()->SetStyle(bsSolid);
}

void TRzCustomGroupBox::DrawCheckBox(const TRect& Box)
{
    HDC DC = Canvas()->Handle();
    if (VisualStyle() == vsWinXP && ThemeServices()->ThemesEnabled()) {
        int State = !Enabled() ? 4 : FPressed ? 3 : FHot ? 2 : 1;
        if (FChecked)
            State += 4;
        ThemeServices()->DrawElement(DC, teButton, BP_CHECKBOX_, State, Box);
        return;
    }
    UINT Flags = DFCS_BUTTONCHECK;
    if (FChecked)
        Flags |= DFCS_CHECKED;
    if (FPressed)
        Flags |= DFCS_PUSHED;
    if (!Enabled())
        Flags |= DFCS_INACTIVE;
    RECT R = Box;
    DrawFrameControl(DC, &R, DFC_BUTTON, Flags);
}

bool TRzCustomGroupBox::ChildrenMayBeEnabled() const
{
    return TRzCustomPanel::ChildrenMayBeEnabled() && (!FShowCheckBox || !FEnableControlsOnCheck || FChecked);
}

void TRzCustomGroupBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TRzCustomPanel::MouseDown(Button, Shift, X, Y);
    if (!FShowCheckBox || Button != mbLeft || !FHot || !Enabled())
        return;
    SetFocus();
    if (Focused()) {
        FPressed = true;
        FTracking = true;
        Invalidate();
    }
}

void TRzCustomGroupBox::MouseMove(TShiftState Shift, int X, int Y)
{
    TRzCustomPanel::MouseMove(Shift, X, Y);
    if (!FShowCheckBox)
        return;
    const bool Hot = FCaptionRect.Contains(POINT{X, Y});
    if (StoreChanged(FHot, Hot))
        Invalidate();
    if (FTracking && StoreChanged(FPressed, GetControlRect().Contains(POINT{X, Y})))
        Invalidate();
}

void TRzCustomGroupBox::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (FShowCheckBox && Button == mbLeft && FTracking) {
        FTracking = false;
        FPressed = false;
        if (FHot)
            ToggleChecked();
        Invalidate();
    }
    TRzCustomPanel::MouseUp(Button, Shift, X, Y);
}

void TRzCustomGroupBox::KeyDown(WORD& Key, TShiftState Shift)
{
    TRzCustomPanel::KeyDown(Key, Shift);
    if (FShowCheckBox && Key == VK_SPACE) {
        FPressed = true;
        FSpaceDown = true;
        Invalidate();
    }
}

void TRzCustomGroupBox::KeyUp(WORD& Key, TShiftState Shift)
{
    TRzCustomPanel::KeyUp(Key, Shift);
    if (FShowCheckBox && Key == VK_SPACE && FSpaceDown) {
        FSpaceDown = false;
        FPressed = false;
        ToggleChecked();
        Invalidate();
    }
}

void TRzCustomGroupBox::ChangeScale(int M, int D)
{
    TRzCustomPanel::ChangeScale(M, D);
    // A caption font of its own does not follow the control's font.
    if (FOwnCaptionFont && D != 0)
        FCaptionFont->SetHeight(MulDiv(FCaptionFont->Height(), M, D));
}

void TRzCustomGroupBox::CustomFramingChanged()
{
    if (FGroupStyle == gsCustom)
        TRzCustomPanel::CustomFramingChanged();
}

void TRzCustomGroupBox::SetGroupStyle(TRzGroupBoxStyle Value)
{
    if (StoreChanged(FGroupStyle, Value))
        FramesChanged();
}

void TRzCustomGroupBox::SetBannerHeight(int Value)
{
    if (StoreChanged(FBannerHeight, std::max(Value, 0)))
        FramesChanged();
}

void TRzCustomGroupBox::SetChecked(bool Value)
{
    if (!StoreChanged(FChecked, Value))
        return;
    if (FShowCheckBox && FEnableControlsOnCheck)
        EnableChildControls(FChecked);
    Invalidate();
    if (OnCheckBoxClick)
        OnCheckBoxClick(this);
}

void TRzCustomGroupBox::SetEnableControlsOnCheck(bool Value)
{
    if (!StoreChanged(FEnableControlsOnCheck, Value))
        return;
    if (Value && FShowCheckBox)
        EnableChildControls(FChecked);
}

void TRzCustomGroupBox::SetShowCheckBox(bool Value)
{
    if (!StoreChanged(FShowCheckBox, Value))
        return;
    SetTabStop(Value);
    if (Value && FEnableControlsOnCheck && !FChecked)
        EnableChildControls(false);
    Invalidate();
}
