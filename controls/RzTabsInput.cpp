// The tab control's selection and input: SetTabIndex with its permission
// and events, hit tests, clicks, hot tracking and tab hints, the keyboard
// walk, scrolling and closing.
#include <algorithm>

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "controls/RzTabs.h"

namespace {

constexpr UINT_PTR HoverTimerId = 1;
constexpr UINT HoverInterval = 60;
constexpr unsigned AutoScrollDelay = 400;
constexpr unsigned AutoScrollInterval = 300;
// The drop marker: a bar along the strip, across it, and its gap from the
// tab's outer edge.
constexpr int MarkerLength = 15;
constexpr int MarkerDepth = 8;
constexpr int MarkerGap = 2;

} // namespace

bool TRzCustomTabControl::CanChange(int NewIndex)
{
    bool Allow = true;
    if (OnChanging)
        OnChanging(this, NewIndex, Allow);
    return Allow;
}

void TRzCustomTabControl::DoChange()
{
    if (OnChange)
        OnChange(this);
}

void TRzCustomTabControl::DoPageChange()
{
    if (OnPageChange)
        OnPageChange(this);
}

void TRzCustomTabControl::DoTabClick()
{
    if (OnTabClick)
        OnTabClick(this);
}

bool TRzCustomTabControl::CanSelectTab(int Index)
{
    if (FTabs->Count() == 0 || Index < 0 || Index >= FTabs->Count())
        return false;
    const TRzTabData& T = *(*FTabs)[Index];
    if (!T.Visible || !T.Enabled)
        return false;
    return Index == FTabIndex || CanChange(Index);
}

void TRzCustomTabControl::SetTabIndex(int Value)
{
    if (StoringOnly()) {
        FTabIndex = Value;
        return;
    }
    if (Value < 0 || Value >= FTabs->Count()) {
        FTabIndex = -1;
        Repaint();
        PlaceButtons();
        return;
    }
    auto Alive = FAlive;
    if (Value != FTabIndex && !FInternalChange && !CanSelectTab(Value))
        return;
    if (!*Alive)
        return;
    const int OldIndex = FTabIndex, OldFirst = FFirstShownTab;
    FTabIndex = Value;
    LayoutIfDirty();
    RotateRows();
    if (FScrollNeeded) {
        if (Value < FFirstShownTab) {
            FFirstShownTab = Value;
        } else {
            while (!TabWhollyShown(Value) && FFirstShownTab < Value) {
                int Next = FFirstShownTab + 1;
                while (Next < Value && !(*FTabs)[Next]->Visible)
                    ++Next;
                FFirstShownTab = Next;
            }
        }
    }
    if (FTabIndex != OldIndex || FFirstShownTab != OldFirst) {
        FRegionCache.Clear();
        Repaint();
    }
    if (FTabIndex != OldIndex) {
        DoChange();
        if (*Alive)
            DoPageChange();
    }
    if (*Alive)
        PlaceButtons();
}

void TRzCustomTabControl::ChooseTab(int Index)
{
    auto Alive = FAlive;
    SetTabIndex(Index);
    if (*Alive && FTabIndex == Index)
        DoTabClick();
}

int TRzCustomTabControl::TabAtPos(int X, int Y)
{
    LayoutIfDirty();
    const int N = FTabs->Count();
    if (N == 0 || FFirstShownTab < 0)
        return -1;
    auto Hit = [&](int I) {
        if (!TabWhollyShown(I))
            return false;
        const TRect R = TabDeviceRect(I);
        if (X < R.left || X > R.right || Y < R.top || Y > R.bottom)
            return false;
        HRGN Rgn = TabRegion(I);
        return Rgn && PtInRegion(Rgn, X, Y);
    };
    // The selected tab is drawn over its neighbours, so it is hit first.
    if (FTabIndex >= 0 && FTabIndex < N && Hit(FTabIndex))
        return FTabIndex;
    for (int Step = 0; Step < N; ++Step) {
        const int I = (FFirstShownTab + Step) % N;
        if (I != FTabIndex && Hit(I))
            return I;
    }
    return -1;
}

void TRzCustomTabControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    auto Alive = FAlive;
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (!*Alive || !Enabled())
        return;
    const int Tab = TabAtPos(X, Y);
    FMouseDownTab = Tab;
    if (Tab < 0 || !(*FTabs)[Tab]->Enabled)
        return;
    if (TabStop() && Tab == FTabIndex) {
        SetFocus();
        if (!*Alive || !Focused())
            return;
    }
    ChooseTab(Tab);
}

void TRzCustomTabControl::KillHoverTimer()
{
    if (FHoverTimer && HandleAllocated())
        KillTimer(WindowHandle(), FHoverTimer);
    FHoverTimer = 0;
}

void TRzCustomTabControl::ClearHotState()
{
    KillHoverTimer();
    const bool WasHot = FHotTab >= 0;
    FHotTab = -1;
    if (HandleAllocated()) {
        FHotTrackOnly = true;
        const TRect A = ComputeTabArea();
        InvalidateRect(WindowHandle(), &A, FALSE);
    }
    if (WasHot || FTabHints)
        SetHint(FSavedHint);
}

void TRzCustomTabControl::MouseMove(TShiftState Shift, int X, int Y)
{
    if (FHotTrack || FTabHints) {
        const int Tab = TabAtPos(X, Y);
        if (Tab < 0) {
            // A hint shown for a tab does not stay over the empty strip.
            if (FTabHints && Application && (FHotTab >= 0 || ComputeTabArea().Contains(POINT{X, Y})))
                Application->CancelHint();
            if (FHotTab >= 0)
                ClearHotState();
        } else if (Tab != FHotTab) {
            // The control's own hint comes back when the pointer leaves the
            // tabs.
            if (FHotTab < 0)
                FSavedHint = Hint();
            FHotTab = Tab;
            if (FHotTrack && HandleAllocated()) {
                FHotTrackOnly = true;
                const TRect A = ComputeTabArea();
                InvalidateRect(WindowHandle(), &A, FALSE);
            }
            if (FTabHints) {
                // The hint of the tab left goes; the next move starts the
                // new tab's.
                if (Application)
                    Application->CancelHint();
                SetHint((*FTabs)[Tab]->Hint);
            }
            if (!FHoverTimer && HandleAllocated())
                FHoverTimer = SetTimer(WindowHandle(), HoverTimerId, HoverInterval, nullptr);
        }
    }
    TCustomControl::MouseMove(Shift, X, Y);
    // A held left button on an enabled tab may start dragging it; the
    // class library waits for the drag threshold.
    if (FAllowTabDragging && (Shift & ssLeft) && !Dragging() && FMouseDownTab >= 0 &&
        FMouseDownTab < FTabs->Count() && (*FTabs)[FMouseDownTab]->Enabled) {
        bool Allow = true;
        if (OnTabDragging)
            OnTabDragging(this, FMouseDownTab, Allow);
        if (Allow)
            BeginDrag(false);
    }
}

void TRzCustomTabControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft)
        FMouseDownTab = -1;
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TRzCustomTabControl::HoverTimerTick()
{
    POINT P{};
    GetCursorPos(&P);
    if (HandleAllocated())
        ::ScreenToClient(WindowHandle(), &P);
    if (TabAtPos(P.x, P.y) < 0)
        ClearHotState();
}

void TRzCustomTabControl::KeyDown(WORD& Key, TShiftState Shift)
{
    auto Alive = FAlive;
    TCustomControl::KeyDown(Key, Shift);
    const int N = FTabs->Count();
    if (!*Alive || N == 0)
        return;
    const bool Rev = FTabSequence == tsReverse;
    const bool Flipped = FTabOrientation == toLeft ? !Rev : Rev;
    int Start = 0, Dir = 0;
    switch (Key) {
    case VK_HOME:
    case VK_END: {
        const bool First = (Key == VK_HOME) != Flipped;
        Start = First ? 0 : N - 1;
        Dir = First ? 1 : -1;
        break;
    }
    case VK_RIGHT:
    case VK_DOWN:
    case VK_LEFT:
    case VK_UP: {
        bool Next = Key == VK_RIGHT || Key == VK_DOWN;
        if (FTabOrientation == toLeft)
            Next = !Next;
        if (Rev)
            Next = !Next;
        Dir = Next ? 1 : -1;
        Start = FTabIndex < 0 ? (Next ? 0 : N - 1) : (FTabIndex + Dir + N) % N;
        break;
    }
    default:
        return;
    }
    // Hidden and disabled tabs are passed without asking anyone; the first
    // tab that can take the selection is asked once, and a refusal ends the
    // walk with nothing changed.
    int Target = -1;
    for (int Step = 0, I = Start; Step < N; ++Step, I = (I + Dir + N) % N) {
        if (I == FTabIndex)
            break;
        const TRzTabData& T = *(*FTabs)[I];
        if (T.Visible && T.Enabled) {
            Target = I;
            break;
        }
    }
    if (Target < 0 || !CanChange(Target) || !*Alive)
        return;
    FInternalChange = true;
    {
        TScopeExit Reset([this, Alive] {
            if (*Alive)
                FInternalChange = false;
        });
        SetTabIndex(Target);
    }
    if (*Alive && FTabIndex == Target)
        DoTabClick();
}

void TRzCustomTabControl::ScrollTabs(bool Forward)
{
    LayoutIfDirty();
    const int N = FTabs->Count();
    int FirstVisible = -1, LastVisible = -1;
    for (int I = 0; I < N; ++I)
        if ((*FTabs)[I]->Visible) {
            if (FirstVisible < 0)
                FirstVisible = I;
            LastVisible = I;
        }
    if (Forward) {
        if (FFirstShownTab >= 0 && FFirstShownTab < N - 1 && LastVisible >= 0 && !TabWhollyShown(LastVisible)) {
            const int Old = FFirstShownTab;
            int Next = Old + 1;
            while (Next < N && !(*FTabs)[Next]->Visible)
                ++Next;
            if (Next < N) {
                FFirstShownTab = Next;
                if (!TabWhollyShown(Next))
                    FFirstShownTab = Old;
                else
                    Repaint();
            }
        }
    } else if (FFirstShownTab > 0 && FirstVisible >= 0 && !TabWhollyShown(FirstVisible)) {
        const int Old = FFirstShownTab;
        int Prev = Old - 1;
        while (Prev >= 0 && !(*FTabs)[Prev]->Visible)
            --Prev;
        if (Prev >= 0) {
            FFirstShownTab = Prev;
            Repaint();
        }
    }
    FRegionCache.Clear();
    auto Alive = FAlive;
    PlaceButtons();
    if (*Alive && OnScrolledTabs)
        OnScrolledTabs(this);
}

bool TRzCustomTabControl::CanClose()
{
    bool Allow = false;
    if (OnClose)
        OnClose(this, Allow);
    return Allow;
}

void TRzCustomTabControl::RequestCloseTab()
{
    if (FTabIndex >= 0 && CanClose())
        CloseActiveTab();
}

// ---------------------------------------------------------------------------
// Dragging tabs
// ---------------------------------------------------------------------------

TRect TRzCustomTabControl::DragIndicatorFor(int Tab) const
{
    const TRect R = TabPaintRect(Tab);
    // The marker stands on the edge the dragged tab would land at: the one
    // towards the selected tab's side of the target.
    const bool LowSide = Tab < FTabIndex;
    int Shift = 0;
    switch (FTabStyle) {
    case tsSingleSlant:
    case tsDoubleSlant:
    case tsBackSlant: Shift = FRowDepth / 2; break;
    default: Shift = 1; break;
    }
    const int X = LowSide ? R.left + Shift : R.right - Shift;
    const int Gap = MarkerGap + (FTabOrientation == toRight ? 1 : 0);
    const TRect Layout(X - MarkerLength / 2, R.top - Gap - MarkerDepth, X - MarkerLength / 2 + MarkerLength,
                       R.top - Gap);
    return MapTabRect(FTabOrientation, FTabSequence, ComputeTabArea(), ScrollOffset(), Layout);
}

void TRzCustomTabControl::DrawDragIndicator(const TRect& R)
{
    InvertOnParent(R, FDragIndicatorColor);
}

void TRzCustomTabControl::EraseDragIndicator()
{
    if (FDragIndicatorShown) {
        FDragIndicatorShown = false;
        DrawDragIndicator(FDragIndicatorRect);
    }
}

void TRzCustomTabControl::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept)
{
    TCustomControl::DragOver(Source, X, Y, State, Accept);
    if (!OnDragOver)
        Accept = true;
    if (Source != this || !FAllowTabDragging)
        return;
    if (State == dsDragLeave) {
        EraseDragIndicator();
        FDragTarget = -1;
        return;
    }
    const int Tab = TabAtPos(X, Y);
    Accept = Tab >= 0 && Tab != FTabIndex;
    if (Tab < 0) {
        if (!FAutoScrollTimer) {
            FAutoScrollTimer = std::make_unique<TTimer>(nullptr);
            FAutoScrollTimer->SetEnabled(false);
            FAutoScrollTimer->OnTimer = [this](TObject*) { AutoScrollTimerTick(); };
        }
        if (!FAutoScrollTimer->Enabled()) {
            FAutoScrollTimer->SetInterval(AutoScrollDelay);
            FAutoScrollTimer->SetEnabled(true);
        }
    }
    if (Tab != FDragTarget) {
        EraseDragIndicator();
        FDragTarget = Tab;
        if (Accept) {
            FDragIndicatorRect = DragIndicatorFor(Tab);
            FDragIndicatorShown = true;
            DrawDragIndicator(FDragIndicatorRect);
        }
    }
}

void TRzCustomTabControl::AutoScrollTimerTick()
{
    if (!FAutoScrollTimer)
        return;
    if (!Dragging()) {
        FAutoScrollTimer->SetEnabled(false);
        return;
    }
    FAutoScrollTimer->SetInterval(AutoScrollInterval);
    POINT P{};
    GetCursorPos(&P);
    const TPoint C = ScreenToClient(TPoint(P.x, P.y));
    LayoutIfDirty();
    // The pointer's place along the strip, from the end the tabs start at
    // when the sequence is standard.
    const TRect A = ComputeTabArea();
    int Along = 0;
    switch (FTabOrientation) {
    case toTop:
    case toBottom: Along = C.x - A.left; break;
    case toLeft: Along = A.bottom - C.y; break;
    case toRight: Along = C.y - A.top; break;
    }
    const int Strip = Vertical() ? A.Height() : A.Width();
    // The part of the strip that shows tabs; the buttons sit past its end.
    const int Avail = Strip - 2 * FMargin - (FMultiLine ? 0 : ButtonRoom() + (FScrollNeeded ? ScrollerRoom() : 0));
    const bool Std = FTabSequence == tsStandard;
    const int Low = Std ? FMargin : Strip - FMargin - Avail, High = Low + Avail;
    // Past the end the tabs run towards: forward; before their start: back.
    if (Along > High)
        ScrollTabs(Std);
    else if (Along < Low)
        ScrollTabs(!Std);
}

void TRzCustomTabControl::DragDrop(TObject* Source, int X, int Y)
{
    if (Source == this && FAllowTabDragging) {
        if (FAutoScrollTimer)
            FAutoScrollTimer->SetEnabled(false);
        EraseDragIndicator();
        FDragTarget = -1;
        const int Tab = TabAtPos(X, Y);
        if (Tab >= 0) {
            auto Alive = FAlive;
            MoveActiveTab(Tab);
            if (!*Alive)
                return;
        }
    }
    TCustomControl::DragDrop(Source, X, Y);
}

void TRzCustomTabControl::DoEndDrag(TObject* Target, int X, int Y)
{
    // Whatever ended the drag (a drop here or elsewhere, Esc, a lost
    // capture), nothing of it may keep running.
    if (FAutoScrollTimer)
        FAutoScrollTimer->SetEnabled(false);
    EraseDragIndicator();
    FDragTarget = -1;
    FMouseDownTab = -1;
    TCustomControl::DoEndDrag(Target, X, Y);
}
