#include "controls/RzSplit.h"

#include <algorithm>
#include <cmath>

#include "classlib/Filer.h"
#include "controls/RzGrafx.h"

namespace {

int RoundHalfEven(double Value)
{
    return static_cast<int>(std::nearbyint(Value));
}

// The splitter cursors from the program's resources, the system's sizing
// arrows where the program carries none.
HCURSOR SplitCursor(bool Horizontal, bool HotSpot)
{
    const char* Name = Horizontal ? (HotSpot ? "RZSPLIT_HORZHOTSPOT" : "RZSPLIT_HORZ")
                                  : (HotSpot ? "RZSPLIT_VERTHOTSPOT" : "RZSPLIT_VERT");
    if (HCURSOR C = LoadCursorA(GetModuleHandleA(nullptr), Name))
        return C;
    return LoadCursorA(nullptr, Horizontal ? IDC_SIZEWE : IDC_SIZENS);
}

// A black-and-white checker brush: drawn twice with PATINVERT, an outline
// leaves no trace.
HBRUSH CreateCheckerBrush()
{
    static const WORD Bits[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
    HBITMAP B = CreateBitmap(8, 8, 1, 1, Bits);
    HBRUSH Brush = CreatePatternBrush(B);
    DeleteObject(B);
    return Brush;
}

} // namespace

// ===========================================================================
// TRzSplitterPane and TRzPaneData
// ===========================================================================

TRzSplitterPane::TRzSplitterPane(TComponent* AOwner, TRzSplitter* Splitter) : TRzCustomPanel(AOwner), FSplitter(Splitter)
{
    SetBorderOuter(fsNone);
    SetTabStop(false);
}

void TRzSplitterPane::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_NCHITTEST:
        // The mouse goes through to the splitter, unless docking needs it.
        if (DockSite())
            break;
        Message.Result = HTTRANSPARENT;
        return;
    case CM_VISIBLECHANGED:
        TRzCustomPanel::WndProc(Message);
        if (FSplitter && !FSplitter->HasState(csDestroying))
            FSplitter->UpdatePanes();
        return;
    default:
        break;
    }
    TRzCustomPanel::WndProc(Message);
}

void TRzPaneData::Assign(const TPersistent* Source)
{
    auto S = dynamic_cast<const TRzPaneData*>(Source);
    if (!S) {
        TPersistent::Assign(Source);
        return;
    }
    SetBorderColor(S->BorderColor());
    SetBorderInner(S->BorderInner());
    SetBorderOuter(S->BorderOuter());
    SetBorderWidth(S->BorderWidth());
    SetColor(S->Color());
    SetFlatColor(S->FlatColor());
    SetFlatColorAdjustment(S->FlatColorAdjustment());
    SetShowDockClientCaptions(S->ShowDockClientCaptions());
    SetDockSite(S->DockSite());
    SetPadding(S->Padding());
    SetVisible(S->Visible());
}

// ===========================================================================
// TRzSplitter
// ===========================================================================

TRzSplitter::TRzSplitter(TComponent* AOwner) : TRzCustomPanel(AOwner)
{
    // The drag takes and gives back the capture itself: a capture given up
    // by anyone else ends the drag.
    FControlStyle &= ~csCaptureMouse;
    SetBorderOuter(fsNone);
    SetBounds(0, 0, 200, 100);
    static const bool PaneRegistered = [] {
        RegisterComponentClass(typeid(TRzSplitterPane), [](TComponent* Owner) -> TComponent* {
            return new TRzSplitterPane(Owner, dynamic_cast<TRzSplitter*>(Owner));
        });
        return true;
    }();
    (void)PaneRegistered;
    FUpperLeftPane = new TRzSplitterPane(this, this);
    FUpperLeftPane->SetParent(this);
    FLowerRightPane = new TRzSplitterPane(this, this);
    FLowerRightPane->SetParent(this);
    FUpperLeft = std::make_unique<TRzPaneData>(FUpperLeftPane);
    FLowerRight = std::make_unique<TRzPaneData>(FLowerRightPane);
    RouteDockEvents(FUpperLeftPane, &TRzSplitter::OnULGetSiteInfo, &TRzSplitter::OnULDockOver,
                    &TRzSplitter::OnULDockDrop, &TRzSplitter::OnULUnDock);
    RouteDockEvents(FLowerRightPane, &TRzSplitter::OnLRGetSiteInfo, &TRzSplitter::OnLRDockOver,
                    &TRzSplitter::OnLRDockDrop, &TRzSplitter::OnLRUnDock);
    UpdatePanes();
}

void TRzSplitter::RouteDockEvents(TRzSplitterPane* Pane, TGetSiteInfoEvent TRzSplitter::*SiteInfo,
                                  TDockOverEvent TRzSplitter::*Over, TDockDropEvent TRzSplitter::*Drop,
                                  TUnDockEvent TRzSplitter::*UnDock)
{
    // Read at the time of the event, so handlers set later are seen.
    Pane->OnGetSiteInfo = [this, SiteInfo](TObject* Sender, TControl* Client, TRect& R, const TPoint& P, bool& Can) {
        if (this->*SiteInfo)
            (this->*SiteInfo)(Sender, Client, R, P, Can);
    };
    Pane->OnDockOver = [this, Over](TObject* Sender, TControl* Source, int X, int Y, TDragState S, bool& Accept) {
        if (this->*Over)
            (this->*Over)(Sender, Source, X, Y, S, Accept);
    };
    Pane->OnDockDrop = [this, Drop](TObject* Sender, TControl* Source, int X, int Y) {
        if (this->*Drop)
            (this->*Drop)(Sender, Source, X, Y);
    };
    Pane->OnUnDock = [this, UnDock](TObject* Sender, TControl* Client, TWinControl* NewTarget, bool& Allow) {
        if (this->*UnDock)
            (this->*UnDock)(Sender, Client, NewTarget, Allow);
    };
}

TRzSplitter::~TRzSplitter()
{
    ReleaseDragDC();
}

bool TRzSplitter::BothPanesVisible() const
{
    return FUpperLeftPane->Visible() && FLowerRightPane->Visible();
}

int TRzSplitter::GetBorderThickness() const
{
    return FrameStyleWidth(BorderOuter(), BevelWidth()) + BorderWidth() + FrameStyleWidth(BorderInner(), BevelWidth());
}

int TRzSplitter::PercentBase() const
{
    return Length() - FSplitterWidth / 2;
}

void TRzSplitter::ConstrainPosition(int& Position) const
{
    if (!BothPanesVisible())
        return;
    const bool FreeOfMargins = FHotSpotClosed && FHotSpotIgnoreMargins;
    const int Lower = FreeOfMargins ? 0 : FMarginMin;
    const int Reserve = FreeOfMargins ? 0 : FMarginMax;
    Position = std::max(Position, Lower);
    Position = std::min(Position, Length() - Reserve - FSplitterWidth - 2 * GetBorderThickness());
    // A splitter smaller than its bar would give a negative position.
    Position = std::max(Position, 0);
}

// A wider bar, or the other side's length taken up with a new orientation,
// would otherwise leave the bar past the far edge, out of reach, and the
// lower-right pane with a negative size. Loading constrains once loaded.
void TRzSplitter::KeepPositionInLimits()
{
    int Allowed = FPosition;
    if (!HasState(csLoading))
        ConstrainPosition(Allowed);
    if (Allowed != FPosition)
        SetPosition(Allowed);
    else
        UpdatePanes();
}

void TRzSplitter::SetPosition(int Value)
{
    if (!FDragging && !FForcePosition && Value == FPosition)
        return;
    // While loading, the bar width and margins read after the position are
    // not known yet: the position is constrained once loaded.
    if (!HasState(csLoading))
        ConstrainPosition(Value);
    if (OnChanging) {
        bool Allow = true;
        OnChanging(this, Value, Allow);
        if (!Allow)
            return;
    }
    FPosition = Value;
    const int S = PercentBase();
    FPercent = S != 0 ? RoundHalfEven(static_cast<double>(FPosition) / S * 100.0) : 0;
    UpdatePanes();
    UpdateFixedSize();
    if (OnChange)
        OnChange(this);
}

void TRzSplitter::SetPercent(int Value)
{
    if (!StoreChanged(FPercent, Value))
        return;
    if (HasState(csLoading))
        return;
    FUsePercent = true;
    const int Keep = FPercent;
    SetPosition(RoundHalfEven(FPercent / 100.0 * PercentBase()));
    FPercent = Keep;
}

void TRzSplitter::SetUsePercent(bool Value)
{
    if (!StoreChanged(FUsePercent, Value))
        return;
    if (!Value)
        return;
    FFixedPane = fpUpperLeft;
    SetPercentMin(FPercentMin);
    SetPercentMax(FPercentMax);
    const int Keep = FPercent;
    FForcePosition = true;
    SetPosition(RoundHalfEven(FPercent / 100.0 * PercentBase()));
    FForcePosition = false;
    FPercent = Keep;
}

void TRzSplitter::SetPercentMin(int Value)
{
    FPercentMin = std::max(Value, 0);
    if (FUsePercent && !HasState(csLoading))
        SetMarginMin(RoundHalfEven(FPercentMin / 100.0 * PercentBase()));
}

void TRzSplitter::SetPercentMax(int Value)
{
    FPercentMax = std::min(Value, 100);
    if (FUsePercent && !HasState(csLoading))
        SetMarginMax(PercentBase() - RoundHalfEven(FPercentMax / 100.0 * PercentBase()));
}

void TRzSplitter::SetMarginMin(int Value)
{
    // Both margins together never exceed the splitter.
    FMarginMin = std::min(std::max(Value, 0), std::max(Length() - FMarginMax, 0));
}

void TRzSplitter::SetMarginMax(int Value)
{
    FMarginMax = std::min(std::max(Value, 0), std::max(Length() - FMarginMin, 0));
}

void TRzSplitter::SetFixedPane(TFixedPane Value)
{
    FFixedPane = Value;
    if (Value == fpLowerRight)
        FUsePercent = false;
    UpdateFixedSize();
    FWantedSize = FFixedSize;
}

void TRzSplitter::UpdateFixedSize()
{
    FFixedSize = FFixedPane == fpUpperLeft ? FPosition : Length() - FPosition;
}

void TRzSplitter::SetFixedSize(int Position)
{
    FWantedSize = FFixedPane == fpUpperLeft ? Position : Length() - Position;
}

void TRzSplitter::Resize()
{
    TRzCustomPanel::Resize();
    if (HasState(csDestroying | csLoading) || !FUpperLeftPane)
        return;
    FForcePosition = true;
    const int L = Length();
    if (FFixedPane == fpLowerRight && !FUsePercent) {
        SetPosition(L - FFixedSize);
        // A pane squeezed by a small splitter gets its size back.
        if (FHotSpotClosed)
            FPositionBeforeClose = L - FWantedSize;
        else if (FWantedSize > L - FPosition)
            SetPosition(L - FWantedSize);
    } else if (FUsePercent) {
        SetPercentMin(FPercentMin);
        SetPercentMax(FPercentMax);
        const int Keep = FPercent;
        if (FHotSpotClosed)
            SetPosition(FClosedToMin ? 0 : PercentBase());
        else
            SetPosition(RoundHalfEven(FPercent / 100.0 * PercentBase()));
        FPercent = Keep;
    } else {
        SetPosition(FHotSpotClosed ? (FClosedToMin ? 0 : INT_MAX) : FPosition);
        if (!FHotSpotClosed && FWantedSize > FPosition)
            SetPosition(FWantedSize);
    }
    FForcePosition = false;
    UpdatePanes();
}

void TRzSplitter::UpdatePanes()
{
    if (HasState(csLoading) || !FUpperLeftPane || !FLowerRightPane)
        return;
    const TRect C = ClientRect();
    const bool UL = FUpperLeftPane->Visible(), LR = FLowerRightPane->Visible();
    const bool Horizontal = FOrientation == orHorizontal;
    auto Place = [&](TControl* Pane, int From, int Size) {
        if (Horizontal)
            Pane->SetBounds(C.left + From, C.top, std::max(Size, 0), C.Height());
        else
            Pane->SetBounds(C.left, C.top + From, C.Width(), std::max(Size, 0));
    };
    const int Whole = Horizontal ? C.Width() : C.Height();
    if (UL && LR) {
        Place(FUpperLeftPane, 0, FPosition);
        Place(FLowerRightPane, FPosition + FSplitterWidth, Whole - FPosition - FSplitterWidth);
        FBarRect = Horizontal ? Bounds(C.left + FPosition, C.top, FSplitterWidth, C.Height())
                              : Bounds(C.left, C.top + FPosition, C.Width(), FSplitterWidth);
    } else {
        Place(FUpperLeftPane, 0, UL ? Whole : 0);
        Place(FLowerRightPane, 0, LR ? Whole : 0);
        FBarRect = Horizontal ? Bounds(C.left + (UL ? Whole : 0), C.top, 0, C.Height())
                              : Bounds(C.left, C.top + (UL ? Whole : 0), C.Width(), 0);
    }
    UpdateHotSpotRect();
    Invalidate();
}

void TRzSplitter::UpdateHotSpotRect()
{
    const bool Horizontal = FOrientation == orHorizontal;
    const int Along = Horizontal ? FBarRect.Height() : FBarRect.Width();
    const int Half = Along * FHotSpotSizePercent / 100 / 2;
    if (Horizontal) {
        const int Mid = (FBarRect.top + FBarRect.bottom) / 2;
        FHotSpotRect = TRect(FBarRect.left, Mid - Half, FBarRect.right, Mid + Half);
    } else {
        const int Mid = (FBarRect.left + FBarRect.right) / 2;
        FHotSpotRect = TRect(Mid - Half, FBarRect.top, Mid + Half, FBarRect.bottom);
    }
}

void TRzSplitter::ResetHotSpot()
{
    FHotSpotClosed = FClosedToMin = FClosedToMax = false;
    FHotSpotPressed = false;
}

// ---------------------------------------------------------------------------
// Dragging
// ---------------------------------------------------------------------------

void TRzSplitter::DrawDragLine(int Pos)
{
    if (!FDragDC)
        return;
    const int B = GetBorderThickness();
    // In the coordinates of the window the device context belongs to.
    TPoint Origin(Left(), Top());
    if (!FDragDC.Window())
        Origin = Parent() ? Parent()->ClientToScreen(Origin) : Origin;
    if (FOrientation == orHorizontal)
        PatBlt(FDragDC.Get(), Origin.x + B + Pos, Origin.y + B, FSplitterWidth, Height() - 2 * B, PATINVERT);
    else
        PatBlt(FDragDC.Get(), Origin.x + B, Origin.y + B + Pos, Width() - 2 * B, FSplitterWidth, PATINVERT);
}

void TRzSplitter::ReleaseDragDC()
{
    if (!FDragDC)
        return;
    if (FOldDragBrush)
        SelectObject(FDragDC.Get(), FOldDragBrush);
    FDragDC.Reset();
    if (FDragBrush)
        DeleteObject(FDragBrush);
    FDragBrush = nullptr;
    FOldDragBrush = nullptr;
}

void TRzSplitter::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TRzCustomPanel::MouseDown(Button, Shift, X, Y);
    const POINT P{X, Y};
    if (Button != mbLeft || !FBarRect.Contains(P))
        return;
    const bool OnHotSpot = FHotSpotVisible && FHotSpotRect.Contains(P);
    if (FLockBar && !OnHotSpot)
        return;
    if (!FRealTimeDrag && CanFocus())
        SetFocus();
    SetMouseCapture(true);
    FHotSpotPressed = OnHotSpot;
    FDragOrigin = FOrientation == orHorizontal ? X : Y;
    FDragStart = FLastOutline = FPosition;
    FDragging = true;
    if (!FRealTimeDrag && Parent()) {
        if (IsWindowsVersionOrLater(wvWinVista)) {
            HWND Wnd = Parent()->Handle();
            FDragDC = TWindowDC(Wnd, GetDCEx(Wnd, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS | DCX_LOCKWINDOWUPDATE));
        } else {
            FDragDC = TWindowDC(nullptr);
        }
        if (FDragDC) {
            FDragBrush = CreateCheckerBrush();
            FOldDragBrush = SelectObject(FDragDC.Get(), FDragBrush);
        }
        DrawDragLine(FLastOutline);
    }
}

void TRzSplitter::MouseMove(TShiftState Shift, int X, int Y)
{
    TRzCustomPanel::MouseMove(Shift, X, Y);
    const POINT P{X, Y};
    if (!FDragging) {
        UpdateHotSpotHover(P);
        return;
    }
    if (FHotSpotPressed && FLockBar)
        return;
    int NewPos = FDragStart + ((FOrientation == orHorizontal ? X : Y) - FDragOrigin);
    ConstrainPosition(NewPos);
    if (OnChanging) {
        bool Allow = true;
        OnChanging(this, NewPos, Allow);
        if (!Allow)
            return;
    }
    if (NewPos == FLastOutline)
        return;
    // Moved by hand: the pane is no longer collapsed.
    FHotSpotClosed = FClosedToMin = FClosedToMax = false;
    if (FRealTimeDrag) {
        SetPosition(NewPos);
        SetFixedSize(FPosition);
    } else {
        DrawDragLine(FLastOutline);
        DrawDragLine(NewPos);
    }
    FLastOutline = NewPos;
}

void TRzSplitter::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft && FDragging) {
        const bool Toggle = FHotSpotPressed && FHotSpotRect.Contains(POINT{X, Y}) && FLastOutline == FDragStart;
        EndDrag(true);
        if (Toggle)
            HotSpotClick(POINT{X, Y});
        UpdateHotSpotHover(POINT{X, Y});
        Invalidate();
    }
    TRzCustomPanel::MouseUp(Button, Shift, X, Y);
}

void TRzSplitter::EndDrag(bool Commit)
{
    if (!FDragging)
        return;
    FDragging = false;
    FHotSpotPressed = false;
    if (!FRealTimeDrag)
        DrawDragLine(FLastOutline);
    ReleaseDragDC();
    // Another window may hold the capture already; it keeps it.
    if (MouseCapture() && GetCapture() == WindowHandle())
        SetMouseCapture(false);
    if (Commit && !FRealTimeDrag && FLastOutline != FDragStart) {
        SetPosition(FLastOutline);
        SetFixedSize(FPosition);
    }
}

void TRzSplitter::KeyDown(WORD& Key, TShiftState Shift)
{
    if (Key == VK_ESCAPE && FDragging) {
        EndDrag(false);
        Key = 0;
        return;
    }
    TRzCustomPanel::KeyDown(Key, Shift);
}

void TRzSplitter::HotSpotClick(const POINT& P)
{
    if (!FHotSpotClosed) {
        FPositionBeforeClose = FPosition;
        bool ToMin = FHotSpotDirection == hsdMin;
        if (FHotSpotDirection == hsdBoth) {
            ToMin = FOrientation == orHorizontal ? P.y < (FHotSpotRect.top + FHotSpotRect.bottom) / 2
                                                 : P.x < (FHotSpotRect.left + FHotSpotRect.right) / 2;
        }
        FHotSpotClosed = true;
        FClosedToMin = ToMin;
        FClosedToMax = !ToMin;
        FForcePosition = true;
        SetPosition(ToMin ? 0 : INT_MAX);
        FForcePosition = false;
    } else {
        FHotSpotClosed = FClosedToMin = FClosedToMax = false;
        FForcePosition = true;
        SetPosition(FPositionBeforeClose);
        FForcePosition = false;
    }
    if (OnHotSpotClick)
        OnHotSpotClick(this);
}

void TRzSplitter::UpdateHotSpotHover(const POINT& P)
{
    const bool Hover = FHotSpotVisible && FHotSpotRect.Contains(P);
    if (StoreChanged(FHotSpotHover, Hover))
        InvalidateRect(HandleAllocated() ? WindowHandle() : nullptr, &FHotSpotRect, FALSE);
}

void TRzSplitter::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_CAPTURECHANGED:
        // The capture went elsewhere in the middle of a drag: it ends as
        // Esc ends it, the outline erased and its device context given back.
        if (FDragging && reinterpret_cast<HWND>(Message.LParam) != WindowHandle())
            EndDrag(false);
        break;
    case WM_SETCURSOR:
        if (LOWORD(Message.LParam) == HTCLIENT && !FLockBar) {
            const TPoint P = GetCursorClientPos();
            if (FBarRect.Contains(P)) {
                ::SetCursor(SplitCursor(FOrientation == orHorizontal, FHotSpotVisible && FHotSpotRect.Contains(P)));
                Message.Result = 1;
                return;
            }
        }
        break;
    case CM_MOUSELEAVE:
        if (FHotSpotHover) {
            FHotSpotHover = false;
            Invalidate();
        }
        break;
    case WM_SHOWWINDOW:
        TRzCustomPanel::WndProc(Message);
        if (!HasState(csDestroying))
            UpdatePanes();
        return;
    case WM_GETDLGCODE:
        // Esc must reach a running drag.
        TRzCustomPanel::WndProc(Message);
        if (FDragging)
            Message.Result |= DLGC_WANTALLKEYS;
        return;
    default:
        break;
    }
    TRzCustomPanel::WndProc(Message);
}

// ---------------------------------------------------------------------------
// Painting
// ---------------------------------------------------------------------------

void TRzSplitter::Paint()
{
    TRzCustomPanel::Paint();
    DrawSplitterBar();
    if (FHotSpotVisible && !FBarRect.IsEmpty())
        DrawHotSpot(FHotSpotHover);
}

void TRzSplitter::DrawSplitterBar()
{
    TCanvas* C = Canvas();
    if (FBarRect.IsEmpty())
        return;
    const bool Horizontal = FOrientation == orHorizontal;
    switch (FSplitterStyle) {
    case ssGroove:
    case ssBump: {
        C->Brush()->SetColor(Color());
        C->FillRect(FBarRect);
        const TFrameStyleEx Style = FSplitterStyle == ssGroove ? fsStatus : fsPopup;
        const int Mid = Horizontal ? (FBarRect.left + FBarRect.right) / 2 : (FBarRect.top + FBarRect.bottom) / 2;
        for (int Strip = -3; Strip < 3; Strip += 3) {
            const TRect R = Horizontal ? TRect(Mid + Strip, FBarRect.top, Mid + Strip + 3, FBarRect.bottom)
                                       : TRect(FBarRect.left, Mid + Strip, FBarRect.right, Mid + Strip + 3);
            DrawBorder(C, R, Style);
        }
        break;
    }
    case ssGroupBar:
        if (VisualStyle() != vsClassic) {
            TColor Start = clWhite, Stop = clBtnFace;
            GetGradientColors(Start, Stop);
            DrawGroupBarBackground(C, FBarRect, 0, FGradientPath == gpBottomToTop, GradientColorStyle(), Start,
                                   Stop);
            break;
        }
        [[fallthrough]];
    default:
        if (!FullRepaint()) {
            C->Brush()->SetColor(Color());
            C->FillRect(FBarRect);
        }
        break;
    }
}

void TRzSplitter::DrawHotSpot(bool Highlighted)
{
    TCanvas* C = Canvas();
    const TRect R = FHotSpotRect;
    if (R.IsEmpty())
        return;
    const bool Horizontal = FOrientation == orHorizontal;
    C->Brush()->SetColor(Highlighted ? FHotSpotHighlight : FHotSpotColor);
    C->FillRect(R);
    C->Brush()->SetColor(FHotSpotFrameColor);
    C->FrameRect(R);
    C->Pen()->SetColor(FHotSpotFrameColor);
    if (FHotSpotDirection == hsdBoth) {
        if (Horizontal) {
            C->MoveTo(R.left, (R.top + R.bottom) / 2);
            C->LineTo(R.right, (R.top + R.bottom) / 2);
        } else {
            C->MoveTo((R.left + R.right) / 2, R.top);
            C->LineTo((R.left + R.right) / 2, R.bottom);
        }
    }
    // Small arrows 8 pixels in from each end, pointing where the next click
    // moves the bar (back again while closed).
    const bool TowardMin = FHotSpotClosed ? FClosedToMax : FHotSpotDirection != hsdMax;
    C->Pen()->SetColor(FHotSpotDotColor);
    auto Arrow = [&](int Along) {
        for (int I = 0; I < 3; ++I) {
            const int Tip = TowardMin ? I : 2 - I;
            if (Horizontal) {
                const int X = (R.left + R.right) / 2 - 1 + Tip;
                C->MoveTo(X, Along - I);
                C->LineTo(X, Along + I + 1);
            } else {
                const int Y = (R.top + R.bottom) / 2 - 1 + Tip;
                C->MoveTo(Along - I, Y);
                C->LineTo(Along + I + 1, Y);
            }
        }
    };
    const int Start = Horizontal ? R.top : R.left, End = Horizontal ? R.bottom : R.right;
    Arrow(Start + 8);
    Arrow(End - 9);
    // Grip dots every 3 pixels between the arrows.
    for (int At = Start + 15; At < End - 15; At += 3) {
        if (Horizontal)
            C->SetPixel((R.left + R.right) / 2, At, FHotSpotDotColor);
        else
            C->SetPixel(At, (R.top + R.bottom) / 2, FHotSpotDotColor);
    }
}

// ---------------------------------------------------------------------------
// Setters and stored values
// ---------------------------------------------------------------------------

void TRzSplitter::SetOrientation(TOrientation Value)
{
    if (!StoreChanged(FOrientation, Value))
        return;
    KeepPositionInLimits();
}

void TRzSplitter::SetSplitterStyle(TSplitterStyle Value)
{
    if (!StoreChanged(FSplitterStyle, Value))
        return;
    if (Value != ssStandard && FSplitterWidth < 6)
        SetSplitterWidth(6);
    Invalidate();
}

void TRzSplitter::SetSplitterWidth(int Value)
{
    if (!StoreChanged(FSplitterWidth, std::max(Value, 0)))
        return;
    KeepPositionInLimits();
}

void TRzSplitter::SetHotSpotVisible(bool Value)
{
    if (!StoreChanged(FHotSpotVisible, Value))
        return;
    if (Value && FSplitterWidth < 7)
        SetSplitterWidth(7);
    Invalidate();
}

void TRzSplitter::SetHotSpotDirection(THotSpotDirection Value)
{
    if (StoreChanged(FHotSpotDirection, Value))
        Invalidate();
}

void TRzSplitter::SetHotSpotSizePercent(int Value)
{
    if (!StoreChanged(FHotSpotSizePercent, std::clamp(Value, 0, 100)))
        return;
    UpdateHotSpotRect();
    Invalidate();
}

void TRzSplitter::SetHotSpotColor(TColor Value)
{
    if (StoreChanged(FHotSpotColor, Value))
        Invalidate();
}

void TRzSplitter::SetHotSpotDotColor(TColor Value)
{
    if (StoreChanged(FHotSpotDotColor, Value))
        Invalidate();
}

void TRzSplitter::SetHotSpotFrameColor(TColor Value)
{
    if (StoreChanged(FHotSpotFrameColor, Value))
        Invalidate();
}

void TRzSplitter::SetHotSpotHighlight(TColor Value)
{
    if (StoreChanged(FHotSpotHighlight, Value))
        Invalidate();
}

void TRzSplitter::SetGradientColorAdjustment(int Value)
{
    if (StoreChanged(FGradientColorAdjustment, Value))
        Invalidate();
}

void TRzSplitter::SetGradientPath(TRzGroupBarGradientPath Value)
{
    if (StoreChanged(FGradientPath, Value))
        Invalidate();
}

void TRzSplitter::SetBorderOuter(TFrameStyleEx Value)
{
    TRzCustomPanel::SetBorderOuter(Value);
    UpdatePanes();
}

void TRzSplitter::SetBorderInner(TFrameStyleEx Value)
{
    TRzCustomPanel::SetBorderInner(Value);
    UpdatePanes();
}

void TRzSplitter::SetBorderSides(TSides Value)
{
    TRzCustomPanel::SetBorderSides(Value);
    UpdatePanes();
}

void TRzSplitter::SetSplitterBorderWidth(int Value)
{
    SetBorderWidth(Value);
    UpdatePanes();
}

void TRzSplitter::ReadBarSize(const TRect& Value)
{
    FBarRect = Value;
    FSplitterWidth = FOrientation == orHorizontal ? Value.Width() : Value.Height();
}

void TRzSplitter::ReadHotSpotState(bool Closed, bool ClosedToMin, bool ClosedToMax, int PositionBeforeClose)
{
    FHotSpotClosed = Closed;
    FClosedToMin = ClosedToMin;
    FClosedToMax = ClosedToMax;
    FPositionBeforeClose = PositionBeforeClose;
}

