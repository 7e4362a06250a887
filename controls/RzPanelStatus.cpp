// The status bar of RzPanel.h: a panel at the bottom holding status panes,
// with its size grip and its simple-status mode.
#include "controls/RzPanel.h"

#include <algorithm>
#include <cmath>

#include "classlib/Forms.h"
#include "classlib/Themes.h"
#include "controls/RzGrafx.h"

namespace {

// Theme parts and states the status bar draws (the STATUS class).
constexpr int SP_PANE_ = 1, SP_GRIPPER_ = 3;
constexpr int StatusBackground = 0;

} // namespace

// ===========================================================================
// TRzStatusBar
// ===========================================================================

TRzStatusBar::TRzStatusBar(TComponent* AOwner) : TRzCustomPanel(AOwner)
{
    SetAlign(alBottom);
    ApplyDefaultStyle();
}

void TRzStatusBar::ApplyDefaultStyle()
{
    FApplyingStyle = true;
    TRzCustomPanel::SetBorderInner(fsNone);
    TRzCustomPanel::SetBorderOuter(fsNone);
    TRzCustomPanel::SetBorderSides(sdAllSides);
    SetHeight(19);
    SetBorderWidth(0);
    FApplyingStyle = false;
}

void TRzStatusBar::Loaded()
{
    TRzCustomPanel::Loaded();
    if (FAutoStyle)
        ApplyDefaultStyle();
}

void TRzStatusBar::SetBorderInner(TFrameStyleEx Value)
{
    if (!FApplyingStyle)
        FAutoStyle = false;
    TRzCustomPanel::SetBorderInner(Value);
}

void TRzStatusBar::SetBorderOuter(TFrameStyleEx Value)
{
    if (!FApplyingStyle)
        FAutoStyle = false;
    TRzCustomPanel::SetBorderOuter(Value);
}

void TRzStatusBar::SetBorderSides(TSides Value)
{
    if (!FApplyingStyle)
        FAutoStyle = false;
    TRzCustomPanel::SetBorderSides(Value);
}

bool TRzStatusBar::UseThemes() const
{
    return VisualStyle() == vsWinXP && ThemeServices()->ThemesEnabled();
}

bool TRzStatusBar::SizeGripUsable()
{
    TCustomForm* Form = GetParentForm(this);
    FGripUsable = false;
    if (!Form)
        return false;
    const TBorderStyle B = Form->BorderStyle();
    const bool Maximized =
        Form->WindowState() == wsMaximized || (Form->HandleAllocated() && IsZoomed(Form->WindowHandle()));
    FGripUsable = (B == bsSizeable || B == bsSizeToolWin) && !Maximized;
    return FGripUsable;
}

void TRzStatusBar::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_SETCURSOR:
        if (FShowSizeGrip && LOWORD(Message.LParam) == HTCLIENT && SizeGripUsable()) {
            const TPoint P = GetCursorClientPos();
            if (SizeGripRect().Contains(P)) {
                ::SetCursor(LoadCursorA(nullptr, IDC_SIZENWSE));
                Message.Result = 1;
                return;
            }
        }
        break;
    case WM_LBUTTONDOWN:
        if (FShowSizeGrip && SizeGripUsable() && SizeGripRect().Contains(POINT{Message.XPos(), Message.YPos()})) {
            // The form's own sizing loop takes over from the bottom-right
            // corner.
            SetMouseCapture(false);
            ReleaseCapture();
            if (TCustomForm* Form = GetParentForm(this))
                SendMessageA(Form->Handle(), WM_SYSCOMMAND, SC_SIZE + WMSZ_BOTTOMRIGHT, 0);
            return;
        }
        break;
    case WM_PAINT:
        SizeGripUsable();
        break;
    case WM_THEMECHANGED:
        // A new theme may come back with the old handle.
        FThemedBack.reset();
        break;
    default:
        break;
    }
    TRzCustomPanel::WndProc(Message);
}

void TRzStatusBar::GetGradientColors(TColor& StartColor, TColor& StopColor) const
{
    if (GradientColorStyle() == gcsCustom) {
        StartColor = GradientColorStop();
        StopColor = GradientColorStart();
        return;
    }
    TColor Frame = clBtnShadow;
    GetGradientStatusBarColors(GradientColorStyle(), StartColor, StopColor, Frame);
}

TRect TRzStatusBar::GetClientRect() const
{
    TRect R = TRzCustomPanel::GetClientRect();
    if (!UseThemes()) {
        // The panes reach over the bar's edges by a pixel.
        R.bottom += 1;
        if (FSimpleStatus) {
            R.top = 2;
        } else {
            R.left -= 1;
            R.right += 1;
            R.top = 1;
        }
    } else if (FSimpleStatus) {
        R.left += 1;
        R.top += 1;
        R.right -= 1;
    }
    return R;
}

void TRzStatusBar::Paint()
{
    TCanvas* C = Canvas();
    TRect Client = ClientRect();
    Client.bottom -= 1;
    if (UseThemes()) {
        const TRect R = GetControlRect();
        CopyThemedBackground(C->Handle(), R, R.left, R.top);
        if (FSimpleStatus && !FSimpleCaption.empty()) {
            C->Font()->Assign(Font());
            ThemeServices()->DrawText(C->Handle(), teStatus, 0, 0, FSimpleCaption,
                                      DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER, ClientRect());
        }
    } else {
        TRzCustomPanel::Paint();
        if (FSimpleStatus) {
            const TRect R = InflatedRect(Client, -1, -1);
            DrawSimpleFrame(R);
            if (!FSimpleCaption.empty()) {
                C->Font()->Assign(Font());
                C->Brush()->SetStyle(bsClear);
                const int H = C->TextHeight("Pp");
                C->TextRect(R, R.left + 2, R.top + (R.Height() - H) / 2, FSimpleCaption);
                C->Brush()->SetStyle(bsSolid);
            }
        }
    }
}

void TRzStatusBar::CopyThemedBackground(HDC DC, const TRect& Dest, int SourceX, int SourceY)
{
    const int W = std::max(Width(), 1), H = std::max(Height(), 1);
    HTHEME_ Theme = ThemeServices()->Theme(teStatus);
    if (!FThemedBack || FThemedBack->Width() != W || FThemedBack->Height() != H || FThemedBackTheme != Theme) {
        FThemedBack = std::make_unique<TBitmap>(W, H);
        ThemeServices()->DrawElement(FThemedBack->Canvas()->Handle(), teStatus, StatusBackground, 0, TRect(0, 0, W, H));
        FThemedBackTheme = Theme;
    }
    BitBlt(DC, Dest.left, Dest.top, Dest.Width(), Dest.Height(), FThemedBack->Canvas()->Handle(), SourceX, SourceY,
           SRCCOPY);
}

void TRzStatusBar::PaintOverControls(HDC DC)
{
    // After the panes: a pane filling the bar would cover the grip (the
    // themed ones copy the status background over themselves).
    if (!FShowSizeGrip || !SizeGripUsable())
        return;
    TRect Client = ClientRect();
    Client.bottom -= 1;
    TCanvas Grip;
    Grip.SetHandle(DC);
    TScopeExit Release([&] { Grip.SetHandle(nullptr); });
    DrawSizeGrip(&Grip, Client);
}

void TRzStatusBar::DrawSimpleFrame(const TRect& Rect)
{
    TCanvas* C = Canvas();
    if (UseThemes()) {
        ThemeServices()->DrawElement(C->Handle(), teStatus, SP_PANE_, 0, Rect);
        return;
    }
    if (VisualStyle() == vsGradient)
        return;
    if (FSimpleFrameStyle == fsFlat)
        DrawCutCornerBox(C, Rect, AdjustedFlatColor());
    else
        DrawBorder(C, Rect, FSimpleFrameStyle);
}

void TRzStatusBar::DrawSizeGrip(TCanvas* C, const TRect& Rect)
{
    // A theme without a gripper of its own, or one that cannot draw it,
    // gets the classic squares: the grip stays visible.
    if (UseThemes() && ThemeServices()->PartDefined(teStatus, SP_GRIPPER_, 0) &&
        ThemeServices()->DrawElement(C->Handle(), teStatus, SP_GRIPPER_, 0,
                                     TRect(Rect.right - 20, Rect.top, Rect.right, Rect.bottom)))
        return;
    TColor Light = clBtnHighlight, Dark = clBtnShadow;
    if (VisualStyle() == vsGradient) {
        TColor First = clBtnFace;
        GetGradientStatusBarColors(GradientColorStyle(), First, Light, Dark);
    }
    static const POINT Squares[] = {{5, 12}, {5, 8}, {5, 4}, {9, 8}, {9, 4}, {13, 4}};
    const int R = Rect.right, B = Rect.bottom;
    C->Brush()->SetStyle(bsSolid);
    for (int Shade = 0; Shade < 2; ++Shade) {
        C->Brush()->SetColor(Shade == 0 ? Light : Dark);
        for (const POINT& S : Squares) {
            const int X = R - S.x - Shade, Y = B - S.y - Shade;
            C->FillRect(TRect(X, Y, X + 2, Y + 2));
        }
    }
}

void TRzStatusBar::Resize()
{
    TRzCustomPanel::Resize();
    if (Width() < 50)
        return;
    if (!FWidthKnown) {
        FWidthKnown = true;
        FLastWidth = Width();
        return;
    }
    const int Change = Width() - FLastWidth;
    if (FAutoScalePanes && ControlCount() > 0 && Change != 0) {
        DisableAlign();
        for (int I = 0; I < ControlCount(); ++I) {
            TControl* Pane = Controls(I);
            const double Growth = FLastWidth != 0 ? static_cast<double>(Change) * Pane->Width() / FLastWidth
                                                  : static_cast<double>(Change) / ControlCount();
            Pane->SetWidth(Pane->Width() + static_cast<int>(std::lround(Growth)));
        }
        EnableAlign();
    }
    FLastWidth = Width();
}

void TRzStatusBar::SetShowSizeGrip(bool Value)
{
    if (!StoreChanged(FShowSizeGrip, Value))
        return;
    SizeGripUsable();
    Invalidate();
}

void TRzStatusBar::SetSimpleStatus(bool Value)
{
    if (!StoreChanged(FSimpleStatus, Value))
        return;
    DisableAlign();
    for (int I = 0; I < ControlCount(); ++I)
        Controls(I)->SetVisible(!Value);
    EnableAlign();
    Realign();
    Invalidate();
}

void TRzStatusBar::SetSimpleCaption(const std::string& Value)
{
    if (StoreChanged(FSimpleCaption, Value))
        Invalidate();
}

void TRzStatusBar::SetSimpleFrameStyle(TFrameStyle Value)
{
    if (StoreChanged(FSimpleFrameStyle, Value))
        Invalidate();
}

bool IsOverSizeGrip(TControl* Control, const POINT& P)
{
    auto Bar = Control ? dynamic_cast<TRzStatusBar*>(Control->Parent()) : nullptr;
    if (!Bar || !Bar->ShowSizeGrip() || !Bar->SizeGripUsable())
        return false;
    constexpr int GripReach = 12;
    return Control->Left() + Control->Width() >= Bar->ClientRect().right && P.x >= Control->Width() - GripReach;
}

// ===========================================================================
