// The tab control's construction and layout: tab sizes, rows, placement,
// scroll need, the tab area and the card.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/ResStrings.h"
#include "classlib/StdCtrls.h"
#include "controls/RzTabs.h"

namespace {

// Posted after a paint that found the selection or the card rectangle stale:
// the repair runs outside WM_PAINT, where events may fire and children move.
UINT RepairMessage()
{
    static const UINT Msg = RegisterWindowMessageA("Tessaly.TabControl.Repair");
    return Msg;
}

} // namespace

// A tab font selected into a DC for one use; the DC's state comes back and
// the font is deleted on every way out.
class TTabFontScope {
public:
    TTabFontScope(HDC DC, HFONT Font) : FFont(Font), FSaved(DC)
    {
        if (!FSaved.Saved())
            throw ERzTabControlError(LoadResString(SRzSaveDCFailed));
        SelectObject(DC, Font);
    }

private:
    TGdiObject<HFONT> FFont;
    TSavedDC FSaved;
};

TRzCustomTabControl::TRzCustomTabControl(TComponent* AOwner)
    : TCustomControl(AOwner), FTabs(std::make_unique<TRzTabDataList>()), FBitmap(std::make_unique<TBitmap>(1, 1)),
      FTabColors(std::make_unique<TRzTabColors>(this)), FTextColors(std::make_unique<TRzTextColors>(this)),
      FImageChangeLink(std::make_unique<TChangeLink>())
{
    FControlStyle |= csAcceptsControls | csCaptureMouse | csClickEvents | csDoubleClicks;
    SetBounds(Left(), Top(), 300, 100);
    SetTabStop(true);
    SetColor(clBtnFace);
    SetParentColor(true);
    FImageChangeLink->OnChange = [this](TObject*) { Repaint(); };
}

TRzCustomTabControl::~TRzCustomTabControl()
{
    KillHoverTimer();
    if (FImages)
        FImages->UnRegisterChanges(FImageChangeLink.get());
}

void TRzCustomTabControl::CreateParams(TCreateParams& Params)
{
    TCustomControl::CreateParams(Params);
    Params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TRzCustomTabControl::CreateWnd()
{
    TCustomControl::CreateWnd();
    if (IsWindowsVersionOrLater(wvWin2000))
        SendMessageA(WindowHandle(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
}

void TRzCustomTabControl::Notification(TComponent* AComponent, TOperation Operation)
{
    TCustomControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FImages) {
        FImages = nullptr;
        UpdateTabs();
    }
}

void TRzCustomTabControl::Resize()
{
    UpdateTabs();
    TCustomControl::Resize();
}

void TRzCustomTabControl::UpdateTabs()
{
    SetLayoutDirty(true);
}

void TRzCustomTabControl::Repaint()
{
    FHotTrackOnly = false;
    Invalidate();
}

void TRzCustomTabControl::SetLayoutDirty(bool Value)
{
    FLayoutDirty = Value;
    if (!Value)
        return;
    Repaint();
    if (HasState(csLoading | csDestroying))
        return;
    // The geometry waits for the paint; what may fire events or move
    // children runs from a posted message, never inside WM_PAINT. Without a
    // window nothing paints, so it runs now.
    if (HandleAllocated()) {
        if (!FRepairPosted) {
            FRepairPosted = true;
            PostMessageA(WindowHandle(), RepairMessage(), 0, 0);
        }
    } else {
        LayoutIfDirty();
        RepairTabIndex();
        PlaceButtons();
    }
}

bool TRzCustomTabControl::StoringOnly() const
{
    return HasState(csLoading | csReading);
}

void TRzCustomTabControl::LayoutIfDirty()
{
    if (!FLayoutDirty)
        return;
    FLayoutDirty = false;
    RunLayout();
}

void TRzCustomTabControl::RepairTabIndex()
{
    if (FTabIndex < 0)
        return; // nothing selected stays so
    const int N = FTabs->Count();
    auto Selectable = [&](int I) { return (*FTabs)[I]->Visible && (*FTabs)[I]->Enabled; };
    if (FTabIndex < N && Selectable(FTabIndex))
        return;
    int Found = -1;
    for (int I = std::min(FTabIndex, N); I < N && Found < 0; ++I)
        if (Selectable(I))
            Found = I;
    for (int I = N - 1; I >= 0 && Found < 0; --I)
        if (Selectable(I))
            Found = I;
    SetTabIndex(Found);
}

void TRzCustomTabControl::AdjustClientRect(TRect& Rect)
{
    LayoutIfDirty();
    Rect = ComputeCardRect();
}

void TRzCustomTabControl::AlignControls(TControl* AControl, TRect& Rect)
{
    FLastClientRect = ComputeCardRect();
    TCustomControl::AlignControls(AControl, Rect);
    if (OnAlignControls)
        OnAlignControls(this);
}

// ---------------------------------------------------------------------------
// Measuring
// ---------------------------------------------------------------------------

HFONT TRzCustomTabControl::CreateTabFont(bool Bold) const
{
    LOGFONTA LF = Font()->LogFont();
    LF.lfWeight = Bold ? FW_BOLD : FW_NORMAL;
    int Escapement = 0;
    if (VerticalText())
        Escapement = FTabOrientation == toRight ? 2700 : 900;
    LF.lfEscapement = LF.lfOrientation = Escapement;
    return CreateFontIndirectA(&LF);
}

SIZE TRzCustomTabControl::MeasureCaption(HDC DC, const std::string& Caption) const
{
    int Widest = 0, Sum = 0;
    for (const auto& Line : TabCaptionLines(Caption)) {
        const std::string Shown = RemoveAccelerators(Line);
        SIZE S{0, 0};
        GetTextExtentPoint32A(DC, Shown.c_str(), static_cast<int>(Shown.size()), &S);
        if (Shown.empty()) {
            TEXTMETRICA TM{};
            GetTextMetricsA(DC, &TM);
            S.cy = TM.tmHeight;
        }
        Widest = std::max(Widest, static_cast<int>(S.cx));
        Sum += S.cy;
    }
    // Vertical text turns the block: its lines stand side by side.
    return VerticalText() ? SIZE{Sum, Widest} : SIZE{Widest, Sum};
}

SIZE TRzCustomTabControl::TabContentSize(HDC DC, const TRzTabData& Tab, bool Bold) const
{
    SIZE Image{0, 0};
    if (FImages && Tab.ImageIndex != -1)
        Image = {FImages->Width(), FImages->Height()};
    SIZE Text{0, 0}, Min{0, 0};
    {
        TTabFontScope Scope(DC, CreateTabFont(Bold));
        Text = MeasureCaption(DC, Tab.Caption);
        const bool Wide = FTabStyle == tsRoundCorners || FTabStyle == tsSquareCorners;
        const std::string Probe = Wide ? "AAA" : "A";
        SIZE P{0, 0};
        GetTextExtentPoint32A(DC, Probe.c_str(), static_cast<int>(Probe.size()), &P);
        const int FontH = std::abs(Font()->Height());
        Min = VerticalText() ? SIZE{FontH, P.cx} : SIZE{P.cx, FontH};
    }
    SIZE S = Text;
    const int Margin = Image.cx > 0 ? FImageMargin : 0;
    switch (FImagePosition) {
    case ipLeft:
    case ipRight:
        S = {Margin + Image.cx + Text.cx, std::max(Image.cy, Text.cy)};
        break;
    case ipTop:
    case ipBottom:
        S = {std::max(Image.cx, Text.cx), Margin + Image.cy + Text.cy};
        break;
    case ipBack:
        S = {std::max(Image.cx, Text.cx), std::max(Image.cy, Text.cy)};
        break;
    case ipStretch:
        break;
    }
    if (FTabWidth == 0)
        S.cx = std::max(S.cx, Min.cx);
    if (FTabHeight == 0)
        S.cy = std::max(S.cy, Min.cy);
    if (FShowCloseButtonOnActiveTab) {
        if (!Vertical() && !VerticalText())
            S.cx += 20;
        else if (Vertical() && VerticalText())
            S.cy += 20;
    }
    return S;
}

SIZE TRzCustomTabControl::OuterTabSize(SIZE Content) const
{
    const int W = Content.cx, H = Content.cy, C = FCutCornerSize;
    auto O = [&](int X) { return TabStyleOverlap(FTabStyle, X, FTabOverlap); };
    const bool V = Vertical();
    switch (FTabStyle) {
    case tsSingleSlant:
    case tsBackSlant:
        return V ? SIZE{W + 6, 2 * O(W + 6) + H + 6 + FTabHeight / 2}
                 : SIZE{2 * O(H + 6) + W + 6 + FTabHeight / 2, H + 6};
    case tsDoubleSlant:
        return V ? SIZE{W + 6, 2 * (W + 2) + H + 6 + FTabHeight} : SIZE{2 * (H + 2) + W + 6 + FTabHeight, H + 6};
    case tsCutCorner:
        if (!VerticalText())
            return V ? SIZE{W + 7 + C, H + 10} : SIZE{W + 8 + 2 * C, H + 7};
        return V ? SIZE{W + 7, H + 8 + 2 * C} : SIZE{W + 10, H + 7 + C};
    case tsRoundCorners:
    case tsSquareCorners:
        return {W + 6, H + 6};
    }
    return {W, H};
}

// ---------------------------------------------------------------------------
// Layout
// ---------------------------------------------------------------------------

int TRzCustomTabControl::TabAreaDepth() const
{
    if (!FShowCard)
        return Vertical() ? Width() - 1 : Height() - 1;
    const int Extra = (FTabStyle == tsRoundCorners || FTabStyle == tsSquareCorners) ? 3 : 0;
    return Extra + (FRowDepth - FRowOverlap) * (FRowCount - 1) + FRowDepth;
}

TRect TRzCustomTabControl::ComputeTabArea() const
{
    const int W = Width() - 1, H = Height() - 1, D = TabAreaDepth();
    switch (FTabOrientation) {
    case toTop:
        return TRect(0, 0, (FShowShadow && FTabSequence == tsStandard) ? W - 2 : W, D);
    case toLeft:
        return TRect(0, 0, D, H);
    case toBottom:
        return TRect(0, H - D, W, H);
    case toRight:
        return TRect(W - D, 0, W, H);
    }
    return TRect(0, 0, W, H);
}

TRect TRzCustomTabControl::ComputeCardRect() const
{
    if (!FShowCard)
        return TRect(-2, -2, -1, -1);
    const int D = TabAreaDepth();
    TRect R(0, 0, Width() - 1, Height() - 1);
    switch (FTabOrientation) {
    case toTop: R.top = D; break;
    case toLeft: R.left = D; break;
    case toBottom: R.bottom -= D; break;
    case toRight: R.right -= D; break;
    }
    if (FMultiLine && FRowCount > 1) {
        const int Indent = FRowIndent * (FRowCount - 1);
        if (Vertical())
            R.bottom -= Indent;
        else
            R.right -= Indent;
    }
    if (!FShowCardFrame) {
        ++R.right;
        ++R.bottom;
        if (!FShowFullFrame) {
            switch (FTabOrientation) {
            case toTop: --R.top; break;
            case toLeft: --R.left; break;
            case toBottom: ++R.bottom; break;
            case toRight: ++R.right; break;
            }
        }
    } else if (FShowFullFrame) {
        ++R.left;
        ++R.top;
        if (FShowShadow && FTabOrientation == toTop && FTabSequence == tsStandard) {
            R.right -= 2;
            R.bottom -= 2;
        }
    } else {
        ++R.right;
        ++R.bottom;
        if (FTabOrientation == toTop)
            --R.top;
    }
    return R;
}

namespace {

int ButtonLength(HDC DC, bool VerticalText)
{
    SIZE S{0, 0};
    GetTextExtentPoint32A(DC, "A", 1, &S);
    return S.cy + 4 + (VerticalText ? 2 : 0);
}

} // namespace

int TRzCustomTabControl::AvailableLength(int Rows) const
{
    const TRect A = ComputeTabArea();
    int L = (Vertical() ? A.Height() : A.Width()) - 2 * FMargin;
    if (FMultiLine)
        L -= (Rows - 1) * FRowIndent;
    return L;
}

int TRzCustomTabControl::PlaceTabs(int Available, bool MultiRow)
{
    const int O = TabStyleOverlap(FTabStyle, FRowDepth, FTabOverlap);
    const int Step = FRowDepth - FRowOverlap;
    const int Bottom0 = TabAreaDepth();
    const bool Std = FTabSequence == tsStandard;
    const int Start = Std ? FMargin : -FMargin;
    int X = Start, Row = 0, InRow = 0;
    for (int I = 0; I < FTabs->Count(); ++I) {
        TRzTabData& T = *(*FTabs)[I];
        if (!T.Visible)
            continue;
        const int Len = T.Rect.right; // the outer length, stashed by RunLayout
        bool NewRowAfter = false;
        if (MultiRow) {
            const bool Fits = Std ? X + Len < Available : X - Len > -Available;
            if (!Fits) {
                if (InRow == 0) {
                    NewRowAfter = true;
                } else {
                    ++Row;
                    X = Start;
                    InRow = 0;
                }
            }
        }
        T.Row = Row;
        T.Rect.top = Bottom0 - FRowDepth - Row * Step;
        T.Rect.bottom = T.Rect.top + FRowDepth;
        if (Std) {
            T.Rect.left = X;
            T.Rect.right = X + Len;
            X = X + Len - O + 1;
        } else {
            T.Rect.right = X;
            T.Rect.left = X - Len;
            X = X - Len + O - 1;
        }
        ++InRow;
        if (NewRowAfter) {
            ++Row;
            X = Start;
            InRow = 0;
        }
    }
    if (!Std) {
        const int Shift = MultiRow ? Width() : std::abs(X);
        for (int I = 0; I < FTabs->Count(); ++I) {
            TRzTabData& T = *(*FTabs)[I];
            if (T.Visible) {
                T.Rect.left += Shift;
                T.Rect.right += Shift;
            }
        }
    }
    return InRow == 0 ? Row : Row + 1;
}

void TRzCustomTabControl::AlignRows(int Available)
{
    const bool Std = FTabSequence == tsStandard;
    const int Extra = (FTabStyle == tsRoundCorners || FTabStyle == tsSquareCorners) ? 4 : 0;
    for (int Row = 0; Row < FRowCount; ++Row) {
        std::vector<TRzTabData*> Tabs;
        for (int I = 0; I < FTabs->Count(); ++I)
            if ((*FTabs)[I]->Visible && (*FTabs)[I]->Row == Row)
                Tabs.push_back((*FTabs)[I]);
        if (Tabs.empty())
            continue;
        const int Extent = Std ? Tabs.back()->Rect.right - Tabs.front()->Rect.left
                               : Tabs.front()->Rect.right - Tabs.back()->Rect.left;
        const int Free = Available - (Extent + Extra);
        if (Free <= 0)
            continue;
        const int Each = Free / static_cast<int>(Tabs.size());
        int Remainder = Free % static_cast<int>(Tabs.size());
        int Moved = 0;
        for (TRzTabData* T : Tabs) {
            const int Grow = Each + (Remainder-- > 0 ? 1 : 0);
            if (Std) {
                T->Rect.left += Moved;
                T->Rect.right += Moved + Grow;
            } else {
                T->Rect.right -= Moved;
                T->Rect.left -= Moved + Grow;
            }
            Moved += Grow;
        }
    }
}

void TRzCustomTabControl::RotateRows()
{
    if (!FMultiLine || FRowCount < 2 || FTabIndex < 0 || FTabIndex >= FTabs->Count())
        return;
    const int Selected = (*FTabs)[FTabIndex]->Row;
    if (Selected == 0)
        return;
    const int Step = FRowDepth - FRowOverlap;
    const int Bottom0 = TabAreaDepth();
    for (int I = 0; I < FTabs->Count(); ++I) {
        TRzTabData& T = *(*FTabs)[I];
        if (!T.Visible)
            continue;
        T.Row = (T.Row + FRowCount - Selected) % FRowCount;
        T.Rect.top = Bottom0 - FRowDepth - T.Row * Step;
        T.Rect.bottom = T.Rect.top + FRowDepth;
    }
}

void TRzCustomTabControl::RunLayout()
{
    FRegionCache.Clear();
    HDC DC = FBitmap->Canvas()->Handle();
    // Outer sizes first: the longest depth over all tabs is the row depth.
    int Depth = 0;
    {
        TRzTabData Probe;
        SIZE S = OuterTabSize(TabContentSize(DC, Probe, FBoldCurrentTab));
        Depth = Vertical() ? S.cx : S.cy;
    }
    std::vector<SIZE> Contents(static_cast<size_t>(FTabs->Count()), SIZE{0, 0});
    for (int I = 0; I < FTabs->Count(); ++I) {
        TRzTabData& T = *(*FTabs)[I];
        if (!T.Visible)
            continue;
        Contents[static_cast<size_t>(I)] = TabContentSize(DC, T, FBoldCurrentTab);
        SIZE S = OuterTabSize(Contents[static_cast<size_t>(I)]);
        if (FTabWidth > 0)
            S.cx = FTabWidth;
        if (FTabHeight > 0)
            S.cy = FTabHeight;
        Depth = std::max(Depth, Vertical() ? static_cast<int>(S.cx) : static_cast<int>(S.cy));
        T.Rect = TRect(0, 0, Vertical() ? S.cy : S.cx, 0); // length kept in Right until placed
    }
    if (FTabWidth > 0 && Vertical())
        Depth = FTabWidth;
    if (FTabHeight > 0 && !Vertical())
        Depth = FTabHeight;
    FRowDepth = Depth;
    // Beside the card the slants of every tab run across the whole row, so
    // a tab narrower than the row must be long enough for both of them (its
    // outline would otherwise cross itself).
    const bool Slanted = FTabStyle == tsSingleSlant || FTabStyle == tsBackSlant || FTabStyle == tsDoubleSlant;
    if (Vertical() && Slanted && FTabHeight == 0) {
        for (int I = 0; I < FTabs->Count(); ++I) {
            TRzTabData& T = *(*FTabs)[I];
            if (!T.Visible)
                continue;
            SIZE C = Contents[static_cast<size_t>(I)];
            C.cx = std::max<int>(C.cx, FRowDepth - 6);
            T.Rect.right = std::max<int>(T.Rect.right, OuterTabSize(C).cy);
        }
    }

    {
        TTabFontScope Scope(DC, CreateTabFont(FBoldCurrentTab));
        const int Text = ButtonLength(DC, VerticalText());
        // A fixed size across the strip makes the buttons fill the row.
        const int Fixed = !Vertical() && !VerticalText() ? FTabHeight : Vertical() && VerticalText() ? FTabWidth : 0;
        FButtonLength = Fixed > 0 ? std::max(Text, FRowDepth - 2) : Text;
        FButtonDepth = Fixed > 0 && Fixed >= Text ? FRowDepth - 2 : std::min(Text, FRowDepth - 2);
    }
    const int Cap = [&] {
        int Available = AvailableLength(1);
        if (!FMultiLine)
            Available -= ButtonRoom() + ScrollerRoom();
        return Available - ((FTabStyle == tsRoundCorners || FTabStyle == tsSquareCorners) ? 4 : 0);
    }();
    for (int I = 0; I < FTabs->Count(); ++I)
        if ((*FTabs)[I]->Visible)
            (*FTabs)[I]->Rect.right = std::max(1, std::min<int>((*FTabs)[I]->Rect.right, Cap));

    std::vector<int> Lengths;
    for (int I = 0; I < FTabs->Count(); ++I)
        Lengths.push_back((*FTabs)[I]->Rect.right);
    auto Restore = [&] {
        for (int I = 0; I < FTabs->Count(); ++I)
            (*FTabs)[I]->Rect = TRect(0, 0, Lengths[static_cast<size_t>(I)], 0);
    };

    if (FMultiLine) {
        int VisibleCount = 0;
        for (int I = 0; I < FTabs->Count(); ++I)
            VisibleCount += (*FTabs)[I]->Visible ? 1 : 0;
        FRowCount = 1;
        for (int R = 1; R <= std::max(1, VisibleCount); ++R) {
            FRowCount = R;
            Restore();
            if (PlaceTabs(AvailableLength(R), true) <= R)
                break;
        }
        const bool FixedAcross = Vertical() ? FTabHeight != 0 : FTabWidth != 0;
        if (FAlignTabs && !FixedAcross)
            AlignRows(AvailableLength(FRowCount));
        RotateRows();
    } else {
        FRowCount = 1;
        PlaceTabs(AvailableLength(1), false);
    }
    DecideScrollNeed();
}

int TRzCustomTabControl::ScrollOffset() const
{
    if (FFirstShownTab < 0 || FFirstShownTab >= FTabs->Count())
        return 0;
    const int Extra = ((FTabStyle == tsRoundCorners || FTabStyle == tsSquareCorners) ? 2 : 0) + FMargin;
    const TRect& R = (*FTabs)[FFirstShownTab]->Rect;
    return FTabSequence == tsStandard ? R.left - Extra : R.right + Extra;
}

bool TRzCustomTabControl::TabWhollyShown(int Index) const
{
    if (Index < 0 || Index >= FTabs->Count() || !(*FTabs)[Index]->Visible)
        return false;
    if (!FScrollNeeded)
        return true;
    if (Index < FFirstShownTab)
        return false;
    const int Avail = AvailableLength(1) - (ScrollerRoom() + ButtonRoom());
    const int S = ScrollOffset();
    const TRect& R = (*FTabs)[Index]->Rect;
    if (FTabSequence == tsStandard)
        return R.left >= S && R.right <= S + Avail;
    return R.right <= S && R.left >= S - Avail;
}

void TRzCustomTabControl::DecideScrollNeed()
{
    int FirstVisible = -1, LastVisible = -1;
    for (int I = 0; I < FTabs->Count(); ++I)
        if ((*FTabs)[I]->Visible) {
            if (FirstVisible < 0)
                FirstVisible = I;
            LastVisible = I;
        }
    FScrollNeeded = false;
    if (!FMultiLine && FirstVisible >= 0) {
        const TRect A = ComputeTabArea();
        const int Strip = (Vertical() ? A.Height() : A.Width()) - 2 * FMargin - ButtonRoom();
        const int End = FTabSequence == tsStandard ? (*FTabs)[LastVisible]->Rect.right
                                                   : (*FTabs)[FirstVisible]->Rect.right;
        FScrollNeeded = Strip < End;
    }
    if (!FScrollNeeded) {
        FFirstShownTab = FirstVisible;
        return;
    }
    // The first shown tab moves forward past tabs that are not shown, and
    // back from where it was when none is left.
    const int Old = std::clamp(FFirstShownTab, 0, FTabs->Count() - 1);
    int Found = -1;
    for (int I = Old; I < FTabs->Count() && Found < 0; ++I) {
        FFirstShownTab = I;
        if (TabWhollyShown(I))
            Found = I;
    }
    for (int I = Old - 1; I >= 0 && Found < 0; --I) {
        FFirstShownTab = I;
        if (TabWhollyShown(I))
            Found = I;
    }
    FFirstShownTab = Found >= 0 ? Found : FirstVisible;
}

int TRzCustomTabControl::RowCount()
{
    LayoutIfDirty();
    return FRowCount;
}

int TRzCustomTabControl::FixedDimension()
{
    LayoutIfDirty();
    return FRowDepth;
}

bool TRzCustomTabControl::ScrollNeeded()
{
    LayoutIfDirty();
    return FScrollNeeded;
}

TRect TRzCustomTabControl::TabArea()
{
    LayoutIfDirty();
    return ComputeTabArea();
}

TRect TRzCustomTabControl::CardRect()
{
    LayoutIfDirty();
    return ComputeCardRect();
}

bool TRzCustomTabControl::TabShown(int Index)
{
    LayoutIfDirty();
    return TabWhollyShown(Index);
}

TRect TRzCustomTabControl::TabPaintRect(int Index) const
{
    const TRzTabData& T = *(*FTabs)[Index];
    TRect R = T.Rect;
    if (FMultiLine && T.Row > 0) {
        const int Shift = T.Row * FRowIndent * (FTabSequence == tsStandard ? 1 : -1);
        R.left += Shift;
        R.right += Shift;
    }
    if ((FTabStyle == tsRoundCorners || FTabStyle == tsSquareCorners) && Index == FTabIndex) {
        R.left -= 2;
        R.right += 2;
        R.top -= 2;
    }
    return R;
}

TRect TRzCustomTabControl::TabDeviceRect(int Index)
{
    LayoutIfDirty();
    return MapTabRect(FTabOrientation, FTabSequence, ComputeTabArea(), ScrollOffset(), TabPaintRect(Index));
}

std::vector<TPoint> TRzCustomTabControl::MappedPolygon(int Index) const
{
    auto Points = TabShapePoints(FTabStyle, FSoftCorners, TabPaintRect(Index), FCutCornerSize);
    const TRect A = ComputeTabArea();
    const int S = ScrollOffset();
    for (auto& P : Points)
        P = MapTabPoint(FTabOrientation, FTabSequence, A, S, P.x, P.y);
    return Points;
}

HRGN TRzCustomTabControl::TabRegion(int Index)
{
    const TRect Key = TabDeviceRect(Index);
    if (HRGN Found = FRegionCache.FindRegion(Key))
        return Found;
    const auto Points = MappedPolygon(Index);
    if (Points.size() < 3)
        return nullptr;
    HRGN Rgn = CreatePolygonRgn(Points.data(), static_cast<int>(Points.size()), ALTERNATE);
    if (!Rgn)
        throw ERzTabControlError(LoadResString(SRzCreateRegionFailed));
    FRegionCache.Add(Key, Rgn);
    return Rgn;
}

void TRzCustomTabControl::WndProc(TMessage& Message)
{
    auto Alive = FAlive;
    if (Message.Msg == RepairMessage()) {
        FRepairPosted = false;
        LayoutIfDirty();
        if (HandleAllocated() && !(FLastClientRect == ComputeCardRect()))
            Realign();
        RepairTabIndex();
        if (*Alive)
            PlaceButtons();
        return;
    }
    switch (Message.Msg) {
    case CM_FONTCHANGED:
        TCustomControl::WndProc(Message);
        if (*Alive)
            UpdateTabs();
        return;
    case WM_ERASEBKGND:
        Message.Result = 1;
        return;
    case WM_GETDLGCODE:
        Message.Result = DLGC_WANTARROWS;
        return;
    case WM_TIMER:
        if (Message.WParam == FHoverTimer && FHoverTimer) {
            HoverTimerTick();
            return;
        }
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        Repaint();
        break;
    case CM_PARENTCOLORCHANGED:
        if (FParentBackgroundColor && Parent()) {
            FBackgroundColor = Parent()->Color();
            Repaint();
        }
        break;
    case CM_COLORCHANGED:
        Repaint();
        break;
    case CM_DIALOGCHAR: {
                if (CanFocus()) {
            for (int I = 0; I < FTabs->Count(); ++I) {
                const TRzTabData& T = *(*FTabs)[I];
                if (!T.Enabled || !T.Visible || !IsAccel(Message.WParam, T.Caption))
                    continue;
                Message.Result = 1;
                SetFocus();
                if (*Alive && Focused())
                    ChooseTab(I);
                return;
            }
        }
        break;
    }
    default:
        break;
    }
    TCustomControl::WndProc(Message);
}
