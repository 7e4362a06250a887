// Tab data, colour sets, tab shapes, the region cache and the tab control's
// settings.
#include "controls/RzTabs.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "classlib/ResStrings.h"

namespace {

const TResStringRegistrar TabTexts{
    {SRzInvalidPageIndex, "%d is an invalid PageIndex value. PageIndex must be between 0 and %d"},
    {SRzCannotChangePageVisible, "You cannot change the Visible property of a page"},
    {SRzTabShapePointCount, "Incorrect number of points in tab shape"},
    {SRzRegionCacheCapacity, "Capacity must be -1 (to cache all regions) or > 0"},
    {SRzSaveDCFailed, "Error saving device context"},
    {SRzCreateRegionFailed, "Error creating region"},
};

} // namespace

// ---------------------------------------------------------------------------
// Colour sets
// ---------------------------------------------------------------------------

void TRzTabColors::Changed()
{
    if (FOwner)
        FOwner->Repaint();
}

void TRzTabColors::Assign(const TPersistent* Source)
{
    if (auto S = dynamic_cast<const TRzTabColors*>(Source)) {
        SetHighlightBar(S->FHighlightBar);
        SetShadow(S->FShadow);
        SetUnselected(S->FUnselected);
        return;
    }
    TPersistent::Assign(Source);
}

void TRzTabColors::SetHighlightBar(TColor Value)
{
    if (StoreChanged(FHighlightBar, Value))
        Changed();
}

void TRzTabColors::SetShadow(TColor Value)
{
    if (StoreChanged(FShadow, Value))
        Changed();
}

void TRzTabColors::SetUnselected(TColor Value)
{
    if (StoreChanged(FUnselected, Value))
        Changed();
}

void TRzTextColors::Changed()
{
    if (FOwner)
        FOwner->Repaint();
}

void TRzTextColors::Assign(const TPersistent* Source)
{
    if (auto S = dynamic_cast<const TRzTextColors*>(Source)) {
        SetDisabled(S->FDisabled);
        SetSelected(S->FSelected);
        SetUnselected(S->FUnselected);
        return;
    }
    TPersistent::Assign(Source);
}

void TRzTextColors::SetDisabled(TColor Value)
{
    if (StoreChanged(FDisabled, Value))
        Changed();
}

void TRzTextColors::SetSelected(TColor Value)
{
    if (StoreChanged(FSelected, Value))
        Changed();
}

void TRzTextColors::SetUnselected(TColor Value)
{
    if (StoreChanged(FUnselected, Value))
        Changed();
}

// ---------------------------------------------------------------------------
// Tab data
// ---------------------------------------------------------------------------

void TRzTabData::Assign(const TPersistent* Source)
{
    if (auto S = dynamic_cast<const TRzTabData*>(Source)) {
        // The rectangle and row belong to the layout of the list the tab
        // sits in, so they are not copied.
        Caption = S->Caption;
        DisabledIndex = S->DisabledIndex;
        ImageIndex = S->ImageIndex;
        Color = S->Color;
        Enabled = S->Enabled;
        Visible = S->Visible;
        Hint = S->Hint;
        return;
    }
    if (auto Sheet = dynamic_cast<const TRzTabSheet*>(Source)) {
        Caption = Sheet->Caption();
        DisabledIndex = Sheet->DisabledIndex();
        ImageIndex = Sheet->ImageIndex();
        Color = Sheet->GetColor();
        Enabled = Sheet->TabEnabled();
        Visible = Sheet->TabVisible();
        Hint = Sheet->Hint();
        return;
    }
    TPersistent::Assign(Source);
}

void TRzTabDataList::Assign(const TPersistent* Source)
{
    if (auto S = dynamic_cast<const TRzTabDataList*>(Source)) {
        if (S == this)
            return;
        Clear();
        for (int I = 0; I < S->Count(); ++I) {
            auto Copy = std::make_unique<TRzTabData>();
            Copy->Assign(S->GetItem(I));
            FItems.push_back(std::move(Copy));
        }
        return;
    }
    TPersistent::Assign(Source);
}

void TRzTabDataList::SetItem(int Index, TRzTabData* Value)
{
    FItems.at(static_cast<size_t>(Index)).reset(Value);
}

void TRzTabDataList::Add(TRzTabData* Item)
{
    FItems.emplace_back(Item);
}

// ---------------------------------------------------------------------------
// Shapes and coordinates
// ---------------------------------------------------------------------------

std::vector<std::string> TabCaptionLines(const std::string& Caption)
{
    std::vector<std::string> Lines;
    size_t Start = 0;
    for (;;) {
        const size_t Pos = Caption.find("\r\n", Start);
        Lines.push_back(Caption.substr(Start, Pos == std::string::npos ? std::string::npos : Pos - Start));
        if (Pos == std::string::npos)
            return Lines;
        Start = Pos + 2;
    }
}

int TabStyleOverlap(TRzTabStyle Style, int H, int TabOverlap)
{
    switch (Style) {
    case tsSingleSlant:
    case tsBackSlant:
        return H / 2;
    case tsDoubleSlant:
        return H;
    case tsCutCorner:
    case tsRoundCorners:
        return TabOverlap;
    case tsSquareCorners:
        return TabOverlap + 1;
    }
    return 0;
}

int TabShapePointCount(TRzTabStyle Style, bool SoftCorners)
{
    switch (Style) {
    case tsSingleSlant:
    case tsBackSlant:
        return SoftCorners ? 6 : 5;
    case tsDoubleSlant:
        return SoftCorners ? 6 : 4;
    case tsCutCorner:
        return 5;
    case tsRoundCorners:
        return 6;
    case tsSquareCorners:
        return 4;
    }
    return 0;
}

std::vector<TPoint> TabShapePoints(TRzTabStyle Style, bool SoftCorners, const TRect& Rect, int CutCornerSize)
{
    const int L = Rect.left, T = Rect.top, R = Rect.right, B = Rect.bottom, H = B - T;
    const int C = CutCornerSize;
    switch (Style) {
    case tsSingleSlant:
        if (SoftCorners)
            return {{L, B}, {L, T + 2}, {L + 2, T}, {R - H - 4, T}, {R - H + 2, T + 2}, {R, B}};
        return {{L, B}, {L, T + 2}, {L + 2, T}, {R - H, T}, {R, B}};
    case tsDoubleSlant:
        if (SoftCorners)
            return {{L, B}, {L + H - 2, T + 2}, {L + H + 4, T}, {R - H - 4, T}, {R - H + 2, T + 2}, {R, B}};
        return {{L, B}, {L + H, T}, {R - H, T}, {R, B}};
    case tsCutCorner:
        return {{L, B}, {L, T}, {R - C, T}, {R, T + C}, {R, B}};
    case tsRoundCorners:
        return {{L, B}, {L, T + 2}, {L + 2, T}, {R - 2, T}, {R, T + 2}, {R, B}};
    case tsBackSlant:
        if (SoftCorners)
            return {{L, B}, {L + H - 2, T + 2}, {L + H + 4, T}, {R - 2, T}, {R, T + 2}, {R, B}};
        return {{L, B}, {L + H, T}, {R - 2, T}, {R, T + 2}, {R, B}};
    case tsSquareCorners:
        return {{L, B}, {L, T}, {R, T}, {R, B}};
    }
    return {};
}

TPoint MapTabPoint(TRzTabOrientation Orientation, TRzTabSequence Sequence, const TRect& A, int S, int X, int Y)
{
    const bool Std = Sequence == tsStandard;
    switch (Orientation) {
    case toTop:
        return Std ? TPoint(A.left + X - S, A.top + Y) : TPoint(A.right - (S - X), A.top + Y);
    case toLeft:
        return Std ? TPoint(A.left + Y, A.bottom - (X - S)) : TPoint(A.left + Y, A.top + (S - X));
    case toBottom:
        return Std ? TPoint(A.left + X - S, A.bottom - Y) : TPoint(A.right - (S - X), A.bottom - Y);
    case toRight:
        return Std ? TPoint(A.right - Y, A.top + X - S) : TPoint(A.right - Y, A.bottom - (S - X));
    }
    return TPoint(X, Y);
}

TRect MapTabRect(TRzTabOrientation Orientation, TRzTabSequence Sequence, const TRect& Area, int S, const TRect& R)
{
    const TPoint P1 = MapTabPoint(Orientation, Sequence, Area, S, R.left, R.top);
    const TPoint P2 = MapTabPoint(Orientation, Sequence, Area, S, R.right, R.bottom);
    return TRect(std::min(P1.x, P2.x), std::min(P1.y, P2.y), std::max(P1.x, P2.x), std::max(P1.y, P2.y));
}

// ---------------------------------------------------------------------------
// Region cache
// ---------------------------------------------------------------------------

void TRzTabRegionCacheItem::SetRegion(HRGN Value)
{
    if (Value == FRegion)
        return;
    if (FRegion)
        DeleteObject(FRegion);
    FRegion = Value;
}

namespace {

bool SameRect(const TRect& A, const TRect& B)
{
    return A.left == B.left && A.top == B.top && A.right == B.right && A.bottom == B.bottom;
}

} // namespace

void TRzTabRegionCache::Add(const TRect& Rect, HRGN Region)
{
    auto It = std::find_if(FItems.begin(), FItems.end(), [&](const auto& I) { return SameRect(I->Key, Rect); });
    if (It != FItems.end()) {
        // The region already held stays in use by its callers; the new
        // handle would otherwise be lost.
        if (Region && Region != (*It)->Region())
            DeleteObject(Region);
        std::rotate(FItems.begin(), It, It + 1);
    } else {
        auto Item = std::make_unique<TRzTabRegionCacheItem>();
        Item->Key = Rect;
        Item->SetRegion(Region);
        FItems.insert(FItems.begin(), std::move(Item));
    }
    if (FCapacity != -1 && Count() > FCapacity)
        FItems.pop_back();
}

HRGN TRzTabRegionCache::FindRegion(const TRect& Rect) const
{
    for (const auto& I : FItems)
        if (SameRect(I->Key, Rect))
            return I->Region();
    return nullptr;
}

void TRzTabRegionCache::SetCapacity(int Value)
{
    if (Value < -1 || Value == 0)
        throw ERzTabControlError(LoadResString(SRzRegionCacheCapacity));
    if (!StoreChanged(FCapacity, Value) || Value == -1)
        return;
    while (Count() > FCapacity)
        FItems.pop_back();
}

// Only the run's pixels inside Dest's clip box are blended: a run as long
// as a stored font makes a tab (millions of pixels) costs no more than the
// part that shows, and one that ends at the largest int ends.
void DrawShadowRun(HDC Dest, HDC Background, TPoint From, TPoint To, BYTE Weight)
{
    auto Blend = [&](int X, int Y) {
        const COLORREF Back = GetPixel(Background, X, Y);
        const TColor C = BlendColors(clBlack, static_cast<TColor>(Back), Weight);
        ::SetPixel(Dest, X, Y, ColorToRef(C));
    };
    RECT Clip;
    switch (GetClipBox(Dest, &Clip)) {
    case NULLREGION: return;
    case ERROR: Clip = RECT{INT_MIN, INT_MIN, INT_MAX, INT_MAX}; break;
    default: break;
    }
    const bool Down = From.x == To.x;
    const int At = Down ? From.x : From.y;
    if (At < (Down ? Clip.left : Clip.top) || At >= (Down ? Clip.right : Clip.bottom))
        return;
    const std::int64_t First = std::max<std::int64_t>(Down ? std::min(From.y, To.y) : std::min(From.x, To.x),
                                                      Down ? Clip.top : Clip.left);
    const std::int64_t Last = std::min<std::int64_t>(Down ? std::max(From.y, To.y) : std::max(From.x, To.x),
                                                     std::int64_t(Down ? Clip.bottom : Clip.right) - 1);
    for (std::int64_t I = First; I <= Last; ++I)
        Down ? Blend(At, static_cast<int>(I)) : Blend(static_cast<int>(I), At);
}

// ---------------------------------------------------------------------------
// Settings of the tab control
// ---------------------------------------------------------------------------

void TRzCustomTabControl::SetAlignTabs(bool Value)
{
    if (StoreChanged(FAlignTabs, Value) && FMultiLine)
        UpdateTabs();
}

void TRzCustomTabControl::SetBackgroundColor(TColor Value)
{
    FParentBackgroundColor = false;
    if (StoreChanged(FBackgroundColor, Value))
        Repaint();
}

void TRzCustomTabControl::SetParentBackgroundColor(bool Value)
{
    if (StoreChanged(FParentBackgroundColor, Value))
        Repaint();
}

void TRzCustomTabControl::SetBoldCurrentTab(bool Value)
{
    if (StoreChanged(FBoldCurrentTab, Value))
        UpdateTabs();
}

void TRzCustomTabControl::SetButtonColor(TColor Value)
{
    if (StoreChanged(FButtonColor, Value))
        Repaint();
}

void TRzCustomTabControl::SetShowCard(bool Value)
{
    if (StoreChanged(FShowCard, Value))
        UpdateTabs();
}

void TRzCustomTabControl::SetShowCardFrame(bool Value)
{
    if (StoreChanged(FShowCardFrame, Value))
        UpdateTabs();
}

void TRzCustomTabControl::SetShowFullFrame(bool Value)
{
    if (!StoreChanged(FShowFullFrame, Value))
        return;
    // The shadow sits on the full frame's right and bottom sides.
    if (!Value)
        FShowShadow = false;
    UpdateTabs();
}

void TRzCustomTabControl::SetShowShadow(bool Value)
{
    if (!StoreChanged(FShowShadow, Value))
        return;
    if (Value)
        FShowFullFrame = true;
    UpdateTabs();
}

void TRzCustomTabControl::SetShowCloseButtonOnActiveTab(bool Value)
{
    if (StoreChanged(FShowCloseButtonOnActiveTab, Value))
        UpdateTabs();
}

void TRzCustomTabControl::SetShowCloseButton(bool Value)
{
    if (StoreChanged(FShowCloseButton, Value))
        UpdateTabs();
}

void TRzCustomTabControl::SetShowMenuButton(bool Value)
{
    if (StoreChanged(FShowMenuButton, Value))
        UpdateTabs();
}

void TRzCustomTabControl::SetUseColoredTabs(bool Value)
{
    if (StoreChanged(FUseColoredTabs, Value))
        Repaint();
}

void TRzCustomTabControl::SetCutCornerSize(int Value)
{
    if (Value >= 0 && StoreChanged(FCutCornerSize, Value) && FTabStyle == tsCutCorner)
        UpdateTabs();
}

void TRzCustomTabControl::SetFlatColor(TColor Value)
{
    if (StoreChanged(FFlatColor, Value)) {
        PushButtonColors();
        Repaint();
    }
}

void TRzCustomTabControl::SetFlatColorAdjustment(int Value)
{
    if (StoreChanged(FFlatColorAdjustment, Value)) {
        PushButtonColors();
        Repaint();
    }
}

void TRzCustomTabControl::SetImagePosition(TRzImagePosition Value)
{
    if (StoreChanged(FImagePosition, Value))
        UpdateTabs();
}

void TRzCustomTabControl::SetImageMargin(int Value)
{
    if (Value >= 0 && StoreChanged(FImageMargin, Value))
        UpdateTabs();
}

void TRzCustomTabControl::SetImageAlignment(TRzHorizontalAlignment Value)
{
    if (StoreChanged(FImageAlignment, Value))
        UpdateTabs();
}

void TRzCustomTabControl::SetImageAlignmentVertical(TRzVerticalAlignment Value)
{
    if (StoreChanged(FImageAlignmentVertical, Value))
        UpdateTabs();
}

void TRzCustomTabControl::SetHotTrack(bool Value)
{
    if (StoreChanged(FHotTrack, Value) && !Value && !FTabHints)
        KillHoverTimer();
}

void TRzCustomTabControl::SetHotTrackColor(TColor Value)
{
    if (StoreChanged(FHotTrackColor, Value))
        Repaint();
}

void TRzCustomTabControl::SetHotTrackColorSource(TRzTabHotTrackColorSource Value)
{
    if (StoreChanged(FHotTrackColorSource, Value))
        Repaint();
}

void TRzCustomTabControl::SetHotTrackColorType(TRzHotTrackColorType Value)
{
    if (StoreChanged(FHotTrackColorType, Value))
        Repaint();
}

void TRzCustomTabControl::SetHotTrackStyle(TRzTabHotTrackStyle Value)
{
    if (StoreChanged(FHotTrackStyle, Value))
        Repaint();
}

void TRzCustomTabControl::SetImages(TCustomImageList* Value)
{
    if (FImages == Value)
        return;
    if (FImages) {
        FImages->UnRegisterChanges(FImageChangeLink.get());
        FImages->RemoveFreeNotification(this);
    }
    FImages = Value;
    if (FImages) {
        FImages->RegisterChanges(FImageChangeLink.get());
        FImages->FreeNotification(this);
    }
    UpdateTabs();
}

void TRzCustomTabControl::SetMargin(int Value)
{
    if (Value >= 0 && StoreChanged(FMargin, Value))
        UpdateTabs();
}

void TRzCustomTabControl::SetMultiLine(bool Value)
{
    if (StoreChanged(FMultiLine, Value))
        UpdateTabs();
}

void TRzCustomTabControl::SetRowIndent(int Value)
{
    if (Value >= 0 && StoreChanged(FRowIndent, Value))
        UpdateTabs();
}

void TRzCustomTabControl::SetRowOverlap(int Value)
{
    if (Value >= 0 && StoreChanged(FRowOverlap, Value))
        UpdateTabs();
}

void TRzCustomTabControl::SetShowFocusRect(bool Value)
{
    if (StoreChanged(FShowFocusRect, Value))
        Repaint();
}

void TRzCustomTabControl::SetSoftCorners(bool Value)
{
    if (StoreChanged(FSoftCorners, Value))
        UpdateTabs();
}

void TRzCustomTabControl::SetTabOverlap(int Value)
{
    if (StoreChanged(FTabOverlap, Value))
        UpdateTabs();
}

void TRzCustomTabControl::SetTextOrientation(TOrientation Value)
{
    if (!StoreChanged(FTextOrientation, Value))
        return;
    // Only TrueType faces turn; the other faces would draw vertical text
    // flat.
    if (Value == orVertical && !HasState(csLoading) && !IsTrueTypeFont(Font()))
        Font()->SetName("Verdana");
    UpdateTabs();
}

void TRzCustomTabControl::SetTabHeight(int Value)
{
    if (Value >= 0 && StoreChanged(FTabHeight, Value))
        UpdateTabs();
}

void TRzCustomTabControl::SetTabWidth(int Value)
{
    if (Value >= 0 && StoreChanged(FTabWidth, Value))
        UpdateTabs();
}

void TRzCustomTabControl::SetTabHints(bool Value)
{
    if (StoreChanged(FTabHints, Value) && !Value && !FHotTrack)
        KillHoverTimer();
}

void TRzCustomTabControl::SetTabOrientation(TRzTabOrientation Value)
{
    if (StoreChanged(FTabOrientation, Value) && !HasState(csLoading | csReading))
        UpdateTabs();
}

void TRzCustomTabControl::SetTabSequence(TRzTabSequence Value)
{
    if (StoreChanged(FTabSequence, Value))
        UpdateTabs();
}

void TRzCustomTabControl::SetTabStyle(TRzTabStyle Value)
{
    if (StoreChanged(FTabStyle, Value))
        UpdateTabs();
}

void TRzCustomTabControl::SetTextAlignment(TRzHorizontalAlignment Value)
{
    if (StoreChanged(FTextAlignment, Value))
        UpdateTabs();
}

void TRzCustomTabControl::SetTextAlignmentVertical(TRzVerticalAlignment Value)
{
    if (StoreChanged(FTextAlignmentVertical, Value))
        UpdateTabs();
}

void TRzCustomTabControl::SetTransparent(bool Value)
{
    if (StoreChanged(FTransparent, Value))
        Repaint();
}

void TRzCustomTabControl::SetUseGradients(bool Value)
{
    if (StoreChanged(FUseGradients, Value))
        Repaint();
}

void TRzCustomTabControl::SetRegionCacheCapacity(int Value)
{
    if (Value == -1 || Value >= 1)
        FRegionCache.SetCapacity(Value);
}

TColor TRzCustomTabControl::FrameColor() const
{
    return AdjustColor(FFlatColor, FFlatColorAdjustment);
}
