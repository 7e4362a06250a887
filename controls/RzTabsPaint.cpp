// The tab control's painting: background, tabs back to front, captions and
// images, the card rows with their frame and shadow, all off screen.
#include <algorithm>

#include "classlib/ResStrings.h"
#include "controls/RzGrafx.h"
#include "controls/RzTabs.h"

namespace {

TRect Inflated(TRect R, int DX, int DY)
{
    R.left -= DX;
    R.right += DX;
    R.top -= DY;
    R.bottom += DY;
    return R;
}

TRect Offset(TRect R, int DX, int DY)
{
    R.left += DX;
    R.right += DX;
    R.top += DY;
    R.bottom += DY;
    return R;
}

// Where in the shown text the character that a caption's first single "&"
// marks stands, or -1.
int AcceleratorPos(const std::string& Line)
{
    int Shown = 0;
    for (size_t I = 0; I < Line.size(); ++I) {
        if (Line[I] == '&' && I + 1 < Line.size()) {
            if (Line[I + 1] != '&')
                return Shown;
            ++I;
        }
        ++Shown;
    }
    return -1;
}

// Where a box of Size goes in Area by a horizontal and a vertical
// alignment; centring splits the free space in halves.
TPoint AlignedIn(const TRect& Area, SIZE Size, TRzHorizontalAlignment H, TRzVerticalAlignment V)
{
    const int X = H == haLeft ? Area.left : H == haRight ? Area.right - Size.cx : Area.left + (Area.Width() - Size.cx) / 2;
    const int Y = V == vaTop ? Area.top : V == vaBottom ? Area.bottom - Size.cy : Area.top + (Area.Height() - Size.cy) / 2;
    return TPoint(X, Y);
}

bool UIStateHides(HWND Wnd, WORD Flag)
{
    if (!Wnd)
        return true;
    return (SendMessageA(Wnd, WM_QUERYUISTATE, 0, 0) & Flag) != 0;
}

} // namespace

void TRzCustomTabControl::Paint()
{
    FPainting = true;
    TScopeExit Done([this] {
        FPainting = false;
        FHotTrackOnly = false;
    });
    LayoutIfDirty();
    if (FBitmap->Width() != Width() || FBitmap->Height() != Height())
        FBitmap->SetSize(Width(), Height());
    TCanvas* C = FBitmap->Canvas();
    const TRect Whole(0, 0, Width(), Height());
    if (!DoPaintBackground(C, Whole)) {
        if (FTransparent)
            DrawParentImage(this, C);
        else
            FillSolidRect(C->Handle(), Whole, FBackgroundColor);
    }

    // Back rows first; within a row from the last tab to the first, so
    // each tab covers the overlap of the one after it.
    for (int Row = FRowCount - 1; Row >= 0; --Row) {
        for (int I = FTabs->Count() - 1; I >= 0; --I) {
            if (I == FTabIndex || I < FFirstShownTab || !TabWhollyShown(I) || (*FTabs)[I]->Row != Row)
                continue;
            PaintTab(C, I);
        }
        if (Row > 0)
            PaintCardRow(C, Row);
    }
    if (FTabIndex >= 0 && FTabIndex >= FFirstShownTab && TabWhollyShown(FTabIndex))
        PaintTab(C, FTabIndex);
    PaintCardRow(C, 0);

    GdiFlush();
    BitBlt(Canvas()->Handle(), 0, 0, Width(), Height(), C->Handle(), 0, 0, SRCCOPY);
}

bool TRzCustomTabControl::DoPaintBackground(TCanvas* ACanvas, const TRect& ARect)
{
    bool Handled = false;
    if (OnPaintBackground)
        OnPaintBackground(this, ACanvas, ARect, Handled);
    return Handled;
}

bool TRzCustomTabControl::DoPaintCardBackground(TCanvas* ACanvas, int ARow, const TRect& ARect)
{
    bool Handled = false;
    if (OnPaintCardBackground)
        OnPaintCardBackground(this, ACanvas, ARow, ARect, Handled);
    return Handled;
}

bool TRzCustomTabControl::DoPaintTabBackground(TCanvas* ACanvas, int ATabIndex, const TRect& ARect)
{
    bool Handled = false;
    if (OnPaintTabBackground)
        OnPaintTabBackground(this, ACanvas, ATabIndex, ARect, Handled);
    return Handled;
}

bool TRzCustomTabControl::DoGetTextColor(int ATabIndex, TRzTextStyle AStyle, TColor& AColor)
{
    bool Handled = false;
    if (OnGetTextColor)
        OnGetTextColor(this, ATabIndex, AStyle, AColor, Handled);
    return Handled;
}

void TRzCustomTabControl::PaintTab(TCanvas* C, int Index)
{
    HDC DC = C->Handle();
    const TRect Dev = MapTabRect(FTabOrientation, FTabSequence, ComputeTabArea(), ScrollOffset(), TabPaintRect(Index));
    RECT Clip{};
    GetClipBox(DC, &Clip);
    RECT Hit{};
    const RECT Outer = Inflated(Dev, 1, 1);
    if (!IntersectRect(&Hit, &Outer, &Clip))
        return;
    {
        TSavedDC Saved(DC);
        if (!Saved.Saved())
            throw ERzTabControlError(LoadResString(SRzSaveDCFailed));
        if (HRGN Rgn = TabRegion(Index))
            SelectClipRgn(DC, Rgn);
        PaintTabBackground(C, Index, Dev);
        PaintHighlightBar(C, Index, Dev);
        PaintCaption(C, Index, Dev);
    }
    FCommands.clear();
    AddOutlineCommands(Index);
    RunCommands(C);
}

void TRzCustomTabControl::PaintTabBackground(TCanvas* C, int Index, const TRect& R)
{
    if (DoPaintTabBackground(C, Index, R))
        return;
    const TRzTabData& T = *(*FTabs)[Index];
    TColor Fill = Color(), Light = FTabColors->Unselected(), Dark = FTabColors->Shadow();
    if (FUseColoredTabs) {
        Fill = T.Color;
        Light = LighterColor(T.Color, 20);
        Dark = ColorsTooClose(Light, clWhite) ? clBtnFace : DarkerColor(T.Color, 40);
    }
    if (Index == FHotTab && FHotTrack && FHotTrackStyle == htsTab) {
        if (FHotTrackColorSource == htcsHotTrackColorProp) {
            Dark = FHotTrackColorType == htctActual ? FHotTrackColor : ComplementaryColor(FHotTrackColor, 140);
            Light = LighterColor(Dark, 60);
        } else {
            Dark = DarkerColor(Dark, 30);
        }
    }
    HDC DC = C->Handle();
    if (Index == FTabIndex) {
        FillSolidRect(DC, R, Fill);
        FLastTabBackground = Fill;
        return;
    }
    if (FUseGradients && HasMoreThan256Colors()) {
        // Light on the strip's outer edge, dark where the tab meets the card.
        switch (FTabOrientation) {
        case toTop: GradientFillCanvas(C, Light, Dark, R, gfTopToBottom); break;
        case toBottom: GradientFillCanvas(C, Dark, Light, R, gfTopToBottom); break;
        case toLeft: GradientFillCanvas(C, Light, Dark, R, gfLeftToRight); break;
        case toRight: GradientFillCanvas(C, Dark, Light, R, gfLeftToRight); break;
        }
    } else {
        FillSolidRect(DC, R, Light);
    }
    FLastTabBackground = Light;
}

void TRzCustomTabControl::PaintHighlightBar(TCanvas* C, int Index, const TRect& R)
{
    if (!FHotTrack || FHotTrackStyle != htsTabBar)
        return;
    const bool Hot = Index == FHotTab;
    if (!Hot && Index != FTabIndex)
        return;
    TColor Bar = FTabColors->HighlightBar();
    if (Hot) {
        if (FHotTrackColorSource == htcsTabColor)
            Bar = DarkerColor(FUseColoredTabs ? (*FTabs)[Index]->Color : Color(), 40);
        else
            Bar = FHotTrackColorType == htctComplement ? ComplementaryColor(FHotTrackColor, 140) : FHotTrackColor;
    }
    TRect B = Inflated(R, 1, 1);
    switch (FTabOrientation) {
    case toTop: B.bottom = B.top + 6; break;
    case toLeft: B.right = B.left + 6; break;
    case toBottom: B.top = B.bottom - 4; break;
    case toRight: B.left = B.right - 4; break;
    }
    FillSolidRect(C->Handle(), B, Bar);
}

TRect TRzCustomTabControl::TabTextRect(const TRect& Dev) const
{
    const int W = Dev.Width(), H = Dev.Height(), Cut = FCutCornerSize;
    auto O = [&](int X) { return TabStyleOverlap(FTabStyle, X, FTabOverlap); };
    const bool Top = FTabOrientation == toTop, Bottom = FTabOrientation == toBottom;
    const bool LeftTabs = FTabOrientation == toLeft, RightTabs = FTabOrientation == toRight;
    TRect R = Dev;
    if (!Vertical()) {
        switch (FTabStyle) {
        case tsSingleSlant:
            R = Inflated(R, -1, -1);
            R.right -= 2 * O(H) + 2;
            R = Offset(R, 3, 0);
            break;
        case tsDoubleSlant:
            R = Inflated(Inflated(R, 1, -1), 2 - O(H), 0);
            R = Offset(R, 1, 0);
            break;
        case tsCutCorner:
            R = VerticalText() ? Inflated(R, -4, -1) : Inflated(R, -(Cut + 3), -1);
            break;
        case tsRoundCorners:
        case tsSquareCorners:
            R = Inflated(R, -2, -2);
            break;
        case tsBackSlant:
            R = Inflated(R, -1, -1);
            R.left += 2 * O(H) + 2;
            R = Offset(R, -3, 0);
            break;
        }
        if (FTabStyle != tsRoundCorners && FTabStyle != tsSquareCorners) {
            const int D = FTabStyle == tsCutCorner ? (VerticalText() ? Cut + 3 : 3) : 2;
            if (Top)
                R.top += D;
            if (Bottom) {
                R.bottom -= D;
                R = Offset(R, 0, FTabStyle == tsBackSlant ? -1 : 1);
            }
        }
    } else {
        switch (FTabStyle) {
        case tsSingleSlant:
        case tsBackSlant: {
            const bool Single = FTabStyle == tsSingleSlant;
            R = Inflated(R, -1, -1);
            if (RightTabs == Single) {
                R.bottom -= 2 * O(W) + 2;
                R = Offset(R, 0, 2);
            } else {
                R.top += 2 * O(W) + 2;
                R = Offset(R, 0, -2);
            }
            R = Offset(R, 0, Single ? 1 : -1);
            if (RightTabs) {
                R.right -= 2;
                R = Offset(R, 1, 0);
            } else {
                R.left += 2;
            }
            break;
        }
        case tsDoubleSlant:
            R = Inflated(Inflated(R, -1, 1), 0, -O(W));
            R.bottom += 2;
            R = Offset(R, 0, 1);
            if (LeftTabs)
                R.left += 2;
            else {
                R.right -= 2;
                R = Offset(R, 1, 0);
            }
            break;
        case tsCutCorner:
            if (!VerticalText()) {
                R = Inflated(R, -1, -4);
                if (LeftTabs)
                    R.left += Cut + 5;
                else
                    R.right -= Cut + 5;
            } else {
                R = Inflated(R, -1, -(Cut + 3));
                if (LeftTabs)
                    R.left += 5;
                else
                    R.right -= 5;
            }
            if (RightTabs)
                R = Offset(R, 1, 0);
            break;
        case tsRoundCorners:
        case tsSquareCorners:
            R = Inflated(R, -2, -2);
            break;
        }
    }
    return R;
}

TRect TRzCustomTabControl::ActiveCloseRoom(const TRect& Text) const
{
    const bool Rev = FTabSequence == tsReverse;
    TRect Room = Text;
    if (!Vertical() && !VerticalText()) {
        if (Rev)
            Room.right = Room.left + ActiveCloseRoomLength;
        else
            Room.left = Room.right - ActiveCloseRoomLength;
    } else if (Vertical() && VerticalText()) {
        if ((FTabOrientation == toLeft) == Rev)
            Room.top = Room.bottom - ActiveCloseRoomLength;
        else
            Room.bottom = Room.top + ActiveCloseRoomLength;
    } else {
        return TRect(0, 0, 0, 0);
    }
    return Room;
}

void TRzCustomTabControl::LeaveActiveCloseRoom(TRect& R) const
{
    const TRect Room = ActiveCloseRoom(R);
    if (Room.Width() <= 0)
        return;
    if (!Vertical()) {
        if (FTabSequence == tsReverse) R.left = Room.right; else R.right = Room.left;
    } else if ((FTabOrientation == toLeft) == (FTabSequence == tsReverse)) {
        R.bottom = Room.top;
    } else {
        R.top = Room.bottom;
    }
}

int TRzCustomTabControl::KeepToUncoveredPart(const TRzTabData& T, const TRect& Dev, TRect& R) const
{
    // A tab of a back row is partly covered by the rows in front of it:
    // its contents keep to the part left uncovered.
    const bool RightTabs = FTabOrientation == toRight;
    int CardEdge = Vertical() ? (RightTabs ? R.left : R.right) : (FTabOrientation == toBottom ? R.top : R.bottom);
    if (FMultiLine && T.Row > 0) {
        switch (FTabOrientation) {
        case toTop: CardEdge = std::min<int>(R.bottom, Dev.bottom - FRowOverlap); R.bottom = CardEdge; break;
        case toBottom: CardEdge = std::max<int>(R.top, Dev.top + FRowOverlap); R.top = CardEdge; break;
        case toLeft: CardEdge = std::min<int>(R.right, Dev.right - FRowOverlap); R.right = CardEdge; break;
        case toRight: CardEdge = std::max<int>(R.left, Dev.left + FRowOverlap); R.left = CardEdge; break;
        }
    }
    return CardEdge;
}

void TRzCustomTabControl::PaintTabImage(TCanvas* C, const TRzTabData& T, TRect& R)
{
    // The image takes its side of the text rectangle, and sits in that side
    // by the image alignments.
    if (!FImages || (T.ImageIndex == -1 && (T.Enabled || T.DisabledIndex == -1)))
        return;
    const int IW = FImages->Width(), IH = FImages->Height();
    const TPoint At = AlignedIn(R, SIZE{IW, IH}, FImageAlignment, FImageAlignmentVertical);
    TRect Box = Bounds(At.x, At.y, IW, IH);
    switch (FImagePosition) {
    case ipLeft: Box = Bounds(R.left, At.y, IW, IH); R.left += IW + FImageMargin; break;
    case ipRight: Box = Bounds(R.right - IW, At.y, IW, IH); R.right -= IW + FImageMargin; break;
    case ipTop: Box = Bounds(At.x, R.top, IW, IH); R.top += IH + FImageMargin; break;
    case ipBottom: Box = Bounds(At.x, R.bottom - IH, IW, IH); R.bottom -= IH + FImageMargin; break;
    case ipBack: break;
    case ipStretch: Box = R; break;
    }
    const bool UseDisabled = T.DisabledIndex != -1 && !T.Enabled;
    const int Img = UseDisabled ? T.DisabledIndex : T.ImageIndex;
    const bool Normal = T.DisabledIndex != -1 || T.Enabled;
    if (Img != -1 && FImagePosition == ipStretch) {
        // Drawn at its size over a key colour, then stretched over the
        // tab's background with the key left out.
        TBitmap Image(IW, IH);
        const TColor Key = static_cast<TColor>(0x010203);
        FillSolidRect(Image.Canvas()->Handle(), TRect(0, 0, IW, IH), Key);
        FImages->Draw(Image.Canvas(), 0, 0, Img, Normal);
        Image.SetTransparent(true);
        Image.SetTransparentColor(Key);
        C->StretchDraw(Box, &Image);
    } else if (Img != -1) {
        FImages->Draw(C, Box.left, Box.top, Img, Normal);
    }
}

TColor TRzCustomTabControl::CaptionTextColor(int Index, const TRzTabData& T)
{
    TRzTextStyle Style = tsUnselected;
    TColor TextColor = FTextColors->Unselected();
    if (!T.Enabled) {
        Style = tsDisabled;
        TextColor = FTextColors->Disabled();
    } else if (Index == FHotTab && FHotTrack) {
        Style = tsHotTrack;
        TextColor = FTextColors->Selected();
        if (FHotTrackStyle == htsText)
            TextColor = FHotTrackColorType == htctActual ? FHotTrackColor : ComplementaryColor(FHotTrackColor, 140);
    } else if (Index == FTabIndex) {
        Style = tsSelected;
        TextColor = FTextColors->Selected();
    }
    TColor Handled = TextColor;
    if (DoGetTextColor(Index, Style, Handled))
        TextColor = Handled;
    return TextColor;
}

void TRzCustomTabControl::DrawCaptionLines(HDC DC, const std::vector<std::string>& Lines, TPoint At, SIZE Block,
                                           bool HideAccel) const
{
    // Hidden accelerators are drawn from the stripped text: Wine's
    // DrawText underlines even under DT_HIDEPREFIX.
    UINT Flags = DT_SINGLELINE | DT_NOCLIP | (HideAccel ? DT_NOPREFIX : 0);
    Flags |= FTextAlignment == haLeft ? DT_LEFT : FTextAlignment == haRight ? DT_RIGHT : DT_CENTER;
    int Y = At.y;
    for (const auto& Line : Lines) {
        SIZE S{0, 0};
        const std::string Shown = RemoveAccelerators(Line);
        GetTextExtentPoint32A(DC, Shown.c_str(), static_cast<int>(Shown.size()), &S);
        RECT LR{At.x, Y, At.x + Block.cx, Y + S.cy};
        const std::string& Drawn = HideAccel ? Shown : Line;
        DrawTextA(DC, Drawn.c_str(), static_cast<int>(Drawn.size()), &LR, Flags);
        Y += S.cy;
    }
}

void TRzCustomTabControl::DrawTurnedCaptionLines(HDC DC, const std::vector<std::string>& Lines, TPoint At,
                                                 SIZE Block, const TRect& R, bool HideAccel, TColor TextColor) const
{
    // Turned text: upwards (its top towards the left) except on right tabs,
    // where it runs downwards. Each line is placed along the tab by the
    // vertical alignment.
    const bool Down = FTabOrientation == toRight;
    TEXTMETRICA TM{};
    GetTextMetricsA(DC, &TM);
    int Across = Down ? At.x + Block.cx : At.x;
    for (const auto& Line : Lines) {
        const std::string Shown = RemoveAccelerators(Line);
        SIZE S{0, 0};
        GetTextExtentPoint32A(DC, Shown.c_str(), static_cast<int>(Shown.size()), &S);
        int Along = AlignedIn(R, SIZE{0, S.cx}, haLeft, FTextAlignmentVertical).y;
        if (!Down)
            Along += S.cx;
        TextOutA(DC, Across, Along, Shown.c_str(), static_cast<int>(Shown.size()));
        // The accelerator's underline, one pixel under the turned baseline.
        const int Acc = HideAccel ? -1 : AcceleratorPos(Line);
        if (Acc >= 0 && Acc < static_cast<int>(Shown.size())) {
            SIZE Pre{0, 0}, Ch{0, 0};
            GetTextExtentPoint32A(DC, Shown.c_str(), Acc, &Pre);
            GetTextExtentPoint32A(DC, Shown.c_str() + Acc, 1, &Ch);
            const int X = Down ? Across - TM.tmAscent - 2 : Across + TM.tmAscent + 1;
            const TRect U = Down ? TRect(X, Along + Pre.cx, X + 1, Along + Pre.cx + Ch.cx)
                                 : TRect(X, Along - Pre.cx - Ch.cx, X + 1, Along - Pre.cx);
            FillSolidRect(DC, U, TextColor);
        }
        Across += Down ? -TM.tmHeight : TM.tmHeight;
    }
}

void TRzCustomTabControl::PaintCaption(TCanvas* C, int Index, const TRect& Dev)
{
    const TRzTabData& T = *(*FTabs)[Index];
    TRect R = TabTextRect(Dev);
    const bool ShowFocus = !UIStateHides(WindowHandle(), UISF_HIDEFOCUS) && FShowFocusRect;
    if (ShowFocus)
        R = Inflated(R, -1, -1);
    const TRect FocusRect = R;
    const bool Selected = Index == FTabIndex;
    if (Selected && FShowCloseButtonOnActiveTab)
        LeaveActiveCloseRoom(R);
    const int CardEdge = KeepToUncoveredPart(T, Dev, R);
    PaintTabImage(C, T, R);
    const TColor TextColor = CaptionTextColor(Index, T);

    HDC DC = C->Handle();
    const auto Lines = TabCaptionLines(T.Caption);
    {
        TSavedDC Saved(DC);
        if (!Saved.Saved())
            throw ERzTabControlError(LoadResString(SRzSaveDCFailed));
        TGdiObject<HFONT> TabFont(CreateTabFont(Selected && FBoldCurrentTab));
        SelectObject(DC, TabFont.Get());
        SetBkMode(DC, TRANSPARENT);
        SetTextColor(DC, ColorToRef(TextColor));
        const SIZE Block = MeasureCaption(DC, T.Caption);
        const bool HideAccel = UIStateHides(WindowHandle(), UISF_HIDEACCEL);
        // The caption's block sits in the text rectangle by the text
        // alignments, its card side never under a row in front.
        TPoint At = AlignedIn(R, Block, FTextAlignment, FTextAlignmentVertical);
        if (FMultiLine && T.Row > 0) {
            switch (FTabOrientation) {
            case toTop: At.y = std::min<int>(At.y, CardEdge - Block.cy); break;
            case toBottom: At.y = std::max<int>(At.y, CardEdge); break;
            case toLeft: At.x = std::min<int>(At.x, CardEdge - Block.cx); break;
            case toRight: At.x = std::max<int>(At.x, CardEdge); break;
            }
        }
        if (!VerticalText())
            DrawCaptionLines(DC, Lines, At, Block, HideAccel);
        else
            DrawTurnedCaptionLines(DC, Lines, At, Block, R, HideAccel, TextColor);
    }
    if (Selected && ShowFocus && Focused())
        DrawFocusRect(DC, &FocusRect);
}

void TRzCustomTabControl::AddOutlineCommands(int Index)
{
    const auto Points = MappedPolygon(Index);
    if (static_cast<int>(Points.size()) != TabShapePointCount(FTabStyle, FSoftCorners))
        throw ERzTabControlError(LoadResString(SRzTabShapePointCount));
    FCommands.push_back(static_cast<int>(TTabDrawCode::FramePen));
    FCommands.insert(FCommands.end(), {static_cast<int>(TTabDrawCode::MoveTo), Points[0].x, Points[0].y});
    for (size_t I = 1; I < Points.size(); ++I)
        FCommands.insert(FCommands.end(), {static_cast<int>(TTabDrawCode::LineTo), Points[I].x, Points[I].y});
}

void TRzCustomTabControl::RunCommands(TCanvas* C)
{
    const TColor Frame = FrameColor();
    HDC DC = C->Handle();
    bool Runs = false;
    for (size_t I = 0; I < FCommands.size() && !Runs;) {
        const auto Code = static_cast<TTabDrawCode>(FCommands[I]);
        Runs = Code == TTabDrawCode::DarkRun || Code == TTabDrawCode::LightRun;
        I += (Code == TTabDrawCode::FramePen || Code == TTabDrawCode::Nothing) ? 1 : 3;
    }
    // The runs blend over the picture as it was before any of them.
    std::unique_ptr<TBitmap> Back;
    if (Runs) {
        Back = std::make_unique<TBitmap>(Width(), Height());
        GdiFlush();
        BitBlt(Back->Canvas()->Handle(), 0, 0, Width(), Height(), DC, 0, 0, SRCCOPY);
    }
    TGdiObject<HPEN> Pen(CreatePen(PS_SOLID, 1, ColorToRef(Frame)));
    TSelectedObject UsePen(DC, Pen.Get());
    POINT PenPos{0, 0};
    for (size_t I = 0; I < FCommands.size();) {
        const auto Code = static_cast<TTabDrawCode>(FCommands[I]);
        if (Code == TTabDrawCode::FramePen || Code == TTabDrawCode::Nothing) {
            ++I;
            continue;
        }
        const POINT P{FCommands[I + 1], FCommands[I + 2]};
        I += 3;
        switch (Code) {
        case TTabDrawCode::MoveTo:
            MoveToEx(DC, P.x, P.y, nullptr);
            break;
        case TTabDrawCode::LineTo:
            LineTo(DC, P.x, P.y);
            break;
        case TTabDrawCode::DarkRun:
        case TTabDrawCode::LightRun:
            GetCurrentPositionEx(DC, &PenPos);
            GdiFlush();
            DrawShadowRun(DC, Back->Canvas()->Handle(), TPoint(PenPos.x, PenPos.y), TPoint(P.x, P.y),
                          Code == TTabDrawCode::DarkRun ? 30 : 15);
            MoveToEx(DC, P.x, P.y, nullptr);
            break;
        default:
            break;
        }
    }
}

void TRzCustomTabControl::PaintCardRow(TCanvas* C, int Row)
{
    if (!FShowCard)
        return;
    const int D = TabAreaDepth();
    const int Step = Row * (FRowDepth - FRowOverlap);
    const int W = Width() - 1, H = Height() - 1;
    TRect Box(0, 0, W, H);
    switch (FTabOrientation) {
    case toTop: Box.top = D - Step; break;
    case toLeft: Box.left = D - Step; break;
    case toBottom: Box.bottom = H - D + Step; break;
    case toRight: Box.right = W - D + Step; break;
    }
    if (FMultiLine && FRowCount > 1) {
        // Each row's card is indented at the strip's start by its row and
        // at the far end by the rows in front of it.
        const int Near = Row * FRowIndent, Far = (FRowCount - 1 - Row) * FRowIndent;
        const bool StartLow = (FTabOrientation == toLeft) == (FTabSequence == tsStandard) &&
                              (FTabOrientation == toLeft || FTabOrientation == toRight);
        if (!Vertical()) {
            if (FTabSequence == tsStandard) { Box.left += Near; Box.right -= Far; }
            else { Box.right -= Near; Box.left += Far; }
        } else if (StartLow || (FTabOrientation == toRight && FTabSequence == tsReverse)) {
            Box.bottom -= Near;
            Box.top += Far;
        } else {
            Box.top += Near;
            Box.bottom -= Far;
        }
    }
    const bool Shadow = FShowShadow && FTabOrientation == toTop && FTabSequence == tsStandard;
    TRect Frame = Box;
    if (Shadow && FShowFullFrame) {
        Frame.right -= 2;
        Frame.bottom -= 2;
    }
    TRect Fill(Frame.left, Frame.top, Frame.right + 1, Frame.bottom + 1);
    if (!DoPaintCardBackground(C, Row, Fill)) {
        TColor Back = Color();
        if (FUseColoredTabs && FTabIndex >= 0 && FTabIndex < FTabs->Count())
            Back = (*FTabs)[FTabIndex]->Color;
        FillSolidRect(C->Handle(), Fill, Back);
    }
    if (!FShowCardFrame)
        return;
    FCommands.clear();
    auto Add = [&](TTabDrawCode Code, int X, int Y) {
        FCommands.insert(FCommands.end(), {static_cast<int>(Code), X, Y});
    };
    FCommands.push_back(static_cast<int>(TTabDrawCode::FramePen));
    if (FShowFullFrame) {
        Add(TTabDrawCode::MoveTo, Frame.left, Frame.top);
        Add(TTabDrawCode::LineTo, Frame.right, Frame.top);
        Add(TTabDrawCode::LineTo, Frame.right, Frame.bottom);
        Add(TTabDrawCode::LineTo, Frame.left, Frame.bottom);
        Add(TTabDrawCode::LineTo, Frame.left, Frame.top);
    } else {
        switch (FTabOrientation) {
        case toTop: Add(TTabDrawCode::MoveTo, Frame.left, Frame.top); Add(TTabDrawCode::LineTo, Frame.right + 1, Frame.top); break;
        case toLeft: Add(TTabDrawCode::MoveTo, Frame.left, Frame.top); Add(TTabDrawCode::LineTo, Frame.left, Frame.bottom + 1); break;
        case toBottom: Add(TTabDrawCode::MoveTo, Frame.left, Frame.bottom); Add(TTabDrawCode::LineTo, Frame.right + 1, Frame.bottom); break;
        case toRight: Add(TTabDrawCode::MoveTo, Frame.right, Frame.top); Add(TTabDrawCode::LineTo, Frame.right, Frame.bottom + 1); break;
        }
    }
    if (Shadow && FShowFullFrame && !FHotTrackOnly) {
        Add(TTabDrawCode::MoveTo, Frame.left + 2, H - 1);
        Add(TTabDrawCode::DarkRun, W - 1, H - 1);
        Add(TTabDrawCode::MoveTo, W - 1, Frame.top + 2);
        Add(TTabDrawCode::DarkRun, W - 1, H - 2);
        Add(TTabDrawCode::MoveTo, Frame.left + 3, H);
        Add(TTabDrawCode::LightRun, W, H);
        Add(TTabDrawCode::MoveTo, W, Frame.top + 3);
        Add(TTabDrawCode::LightRun, W, H - 1);
    }
    RunCommands(C);

    // The selected tab joins the card: its bottom edge stays open.
    if (Row != 0 || FTabIndex < 0 || FTabIndex >= FTabs->Count() || FTabIndex < FFirstShownTab ||
        !TabWhollyShown(FTabIndex))
        return;
    const auto Points = MappedPolygon(FTabIndex);
    if (Points.size() < 2)
        return;
    const TRect TabR = TabPaintRect(FTabIndex);
    const TPoint A = MapTabPoint(FTabOrientation, FTabSequence, ComputeTabArea(), ScrollOffset(), TabR.left + 1,
                                 TabR.bottom);
    const TPoint B = Points.back();
    TColor Back = Color();
    if (FUseColoredTabs)
        Back = (*FTabs)[FTabIndex]->Color;
    TGdiObject<HPEN> Pen(CreatePen(PS_SOLID, 1, ColorToRef(Back)));
    HDC DC = C->Handle();
    TSelectedObject UsePen(DC, Pen.Get());
    MoveToEx(DC, A.x, A.y, nullptr);
    LineTo(DC, B.x, B.y);
}
