// The dock manager of RzPanel.h: docked clients with a caption grabber and
// a close button.
#include "controls/RzPanel.h"

#include "controls/RzGrafx.h"

// TRzPanelDockManager
// ===========================================================================

TRzPanelDockManager::TRzPanelDockManager(TRzCustomPanel* Panel) : TDockTree(Panel), FPanel(Panel) {}

bool TRzPanelDockManager::GrabberOnLeft() const
{
    return FPanel->Align() == alTop || FPanel->Align() == alBottom;
}

TRect TRzPanelDockManager::SiteRect() const
{
    TRect R = FPanel->ClientRect();
    FPanel->AdjustClientRectForBorders(R, true);
    return R;
}

void TRzPanelDockManager::AdjustDockRect(TControl*, TRect& ARect)
{
    if (GrabberOnLeft())
        ARect.left += GrabberSize;
    else
        ARect.top += GrabberSize;
}

TRect TRzPanelDockManager::CloseButtonRect(const TRect& Grabber) const
{
    if (GrabberOnLeft())
        return TRect(Grabber.left, Grabber.bottom - GrabberSize, Grabber.right, Grabber.bottom);
    return TRect(Grabber.right - GrabberSize, Grabber.top, Grabber.right, Grabber.bottom);
}

void TRzPanelDockManager::PaintDockFrame(TCanvas* Canvas, TControl* Control, const TRect& ARect)
{
    if (!FPanel->ShowDockClientCaptions()) {
        TDockTree::PaintDockFrame(Canvas, Control, ARect);
        return;
    }
    auto W = dynamic_cast<TWinControl*>(Control);
    const HWND Focus = GetFocus();
    const bool Active = W && W->HandleAllocated() && Focus &&
                        (Focus == W->WindowHandle() || IsChild(W->WindowHandle(), Focus));
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(Active ? clActiveCaption : clInactiveCaption);
    Canvas->FillRect(ARect);
    Canvas->Brush()->SetStyle(bsClear);
    const bool Left = GrabberOnLeft();
    const TRect Close = CloseButtonRect(ARect);
    TFont CaptionFont;
    CaptionFont.SetName("Verdana");
    CaptionFont.SetSize(8);
    CaptionFont.SetColor(Active ? clCaptionText : clInactiveCaptionText);
    const std::string Text = Control->Caption();
    HDC DC = Canvas->Handle();
    if (Left) {
        // Turned a quarter, read from the bottom up, on its baseline.
        HFONT Turned = CreateRotatedFont(&CaptionFont, 90);
        HGDIOBJ Old = SelectObject(DC, Turned);
        const UINT OldAlign = SetTextAlign(DC, TA_BASELINE | TA_LEFT);
        SetBkMode(DC, TRANSPARENT);
        SetTextColor(DC, ColorToRef(CaptionFont.Color()));
        TEXTMETRICA TM{};
        GetTextMetricsA(DC, &TM);
        const RECT Clip{ARect.left, ARect.top, ARect.right, Close.top};
        ExtTextOutA(DC, ARect.left + (ARect.Width() + TM.tmAscent) / 2 - 1, Close.top - 2, ETO_CLIPPED, &Clip,
                    Text.data(), static_cast<UINT>(Text.size()), nullptr);
        SetTextAlign(DC, OldAlign);
        SelectObject(DC, Old);
        DeleteObject(Turned);
    } else {
        Canvas->Font()->Assign(&CaptionFont);
        TRect T(ARect.left + 2, ARect.top, Close.left, ARect.bottom);
        DrawCanvasText(Canvas, Text, T, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_END_ELLIPSIS | DT_NOPREFIX);
    }
    // The close glyph, from the symbol face.
    TFont Glyph;
    Glyph.SetName("Marlett");
    Glyph.SetSize(8);
    Glyph.SetCharset(SYMBOL_CHARSET);
    Glyph.SetColor(CaptionFont.Color());
    Canvas->Font()->Assign(&Glyph);
    TRect G = Close;
    DrawCanvasText(Canvas, "r", G, DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
    Canvas->Brush()->SetStyle(bsSolid);
}
