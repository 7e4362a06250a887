// The tab control's buttons: the scroller with its repeat, the close button
// beside the tabs, the small close button on the selected tab and the tab
// menu button, and where the tab control puts them.
#include <algorithm>
#include <cstdint>

#include "classlib/ExtCtrls.h"
#include "classlib/Menus.h"
#include "classlib/Themes.h"
#include "controls/RzGrafx.h"
#include "controls/RzTabs.h"

namespace {

constexpr unsigned RepeatDelay = 400;
constexpr unsigned RepeatInterval = 100;

int GlyphStyle()
{
    return ThemeServices()->ThemesEnabled() ? 1 : 0;
}

// The glyph of a pressed button sits one pixel down and right.
TRect PressedShift(const TRect& R, bool Pressed)
{
    return Pressed ? TRect(R.left + 1, R.top + 1, R.right + 1, R.bottom + 1) : R;
}

} // namespace

void DrawTabButtonFace(TCanvas* Canvas, const TRect& Rect, const TRzCustomTabControl* TabControl, bool Enabled,
                       TColor FrameColor, bool Hot, bool Pressed)
{
    Canvas->Pen()->SetColor(FrameColor);
    if (!Enabled) {
        Canvas->Brush()->SetStyle(bsSolid);
        Canvas->Brush()->SetColor(LighterColor(clBtnShadow, 30));
        Canvas->Rectangle(Rect);
        return;
    }
    const TColor Face = TabControl->ButtonColor();
    if (TabControl->UseGradients()) {
        TColor Start = LighterColor(Face, 20), Stop = DarkerColor(Face, 20);
        if (Pressed) {
            Start = DarkerColor(Start, 30);
            Stop = DarkerColor(Stop, 30);
        } else if (Hot) {
            Start = LighterColor(Start, 30);
            Stop = LighterColor(Stop, 30);
        }
        GradientFillCanvas(Canvas, Start, Stop, ShrunkRect(Rect, 1), gfTopToBottom);
        Canvas->Brush()->SetStyle(bsClear);
        Canvas->Rectangle(Rect);
        Canvas->Brush()->SetStyle(bsSolid);
        return;
    }
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(Pressed ? DarkerColor(Face, 30) : Hot ? LighterColor(Face, 30) : Face);
    Canvas->Rectangle(Rect);
}

// ---------------------------------------------------------------------------
// A windowed button's press
// ---------------------------------------------------------------------------

TRzTabButtonControl::TRzTabButtonControl(TComponent* AOwner, TRzCustomTabControl* TabControl)
    : TCustomControl(AOwner), FTabControl(TabControl)
{
    // The press captures the mouse itself, so that its own release of the
    // capture is told apart from a capture taken by another window.
    FControlStyle &= ~csCaptureMouse;
    FControlStyle |= csOpaque | csNoDesignVisible;
    SetTabStop(false);
}

void TRzTabButtonControl::SetFrameColor(TColor Value)
{
    if (StoreChanged(FFrameColor, Value))
        Invalidate();
}

bool TRzTabButtonControl::InsidePress(int X, int Y) const
{
    return ClientRect().Contains(POINT{X, Y});
}

void TRzTabButtonControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft && Enabled()) {
        PressStarted(X, Y);
        FPressed = true;
        FInside = true;
        SetMouseCapture(true);
        Invalidate();
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TRzTabButtonControl::MouseMove(TShiftState Shift, int X, int Y)
{
    if (FPressed) {
        if (StoreChanged(FInside, InsidePress(X, Y)))
            Invalidate();
    } else {
        HoverMove(X, Y);
    }
    TCustomControl::MouseMove(Shift, X, Y);
}

void TRzTabButtonControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    auto Alive = FAlive;
    if (Button == mbLeft && FPressed) {
        const bool Inside = InsidePress(X, Y);
        EndPress(); // before the capture goes, so its loss is not mistaken
        SetMouseCapture(false);
        if (Inside)
            Act();
        if (!*Alive)
            return;
    }
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TRzTabButtonControl::EndPress()
{
    const bool Was = FPressed;
    FPressed = false;
    FInside = false;
    PressEnded();
    if (Was)
        Invalidate();
}

void TRzTabButtonControl::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_ERASEBKGND:
        Message.Result = 1;
        return;
    case WM_CAPTURECHANGED:
        // Another window took the mouse in the middle of a press: the press
        // is over and nothing is clicked.
        if (FPressed && reinterpret_cast<HWND>(Message.LParam) != WindowHandle())
            EndPress();
        break;
    case WM_CANCELMODE:
        if (FPressed) {
            EndPress();
            if (MouseCapture())
                SetMouseCapture(false);
        }
        break;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
        if (Message.LParam == reinterpret_cast<LPARAM>(this) && !HasState(csDesigning) &&
            StoreChanged(FMouseOver, Message.Msg == CM_MOUSEENTER)) {
            if (!FMouseOver)
                HoverMove(-1, -1);
            Invalidate();
        }
        break;
    default:
        break;
    }
    TCustomControl::WndProc(Message);
}

// ---------------------------------------------------------------------------
// Scroller
// ---------------------------------------------------------------------------

TRzTabScroller::TRzTabScroller(TComponent* AOwner, TRzCustomTabControl* TabControl)
    : TRzTabButtonControl(AOwner, TabControl)
{
}

TRzTabScroller::~TRzTabScroller() = default;

void TRzTabScroller::SetOrientation(TOrientation Value)
{
    if (StoreChanged(FOrientation, Value))
        Invalidate();
}

TRzTabScroller::THalf TRzTabScroller::HalfAt(int X, int Y) const
{
    if (X < 0 || Y < 0 || X >= Width() || Y >= Height())
        return hNone;
    if (FOrientation == orHorizontal)
        return X >= Width() / 2 ? hUpRight : hDownLeft;
    return Y <= Height() / 2 ? hUpRight : hDownLeft;
}

TRect TRzTabScroller::HalfRect(THalf Half) const
{
    const int W = Width(), H = Height();
    if (FOrientation == orHorizontal)
        return Half == hDownLeft ? TRect(0, 0, W / 2 + 1, H) : TRect(W / 2, 0, W, H);
    return Half == hUpRight ? TRect(0, 0, W, H / 2 + 1) : TRect(0, H / 2, W, H);
}

bool TRzTabScroller::InsidePress(int X, int Y) const
{
    if (FPressedHalf == hNone || X < 0 || Y < 0 || X >= Width() || Y >= Height())
        return false;
    // Along the scroller only: the half the press began in.
    if (FOrientation == orHorizontal)
        return (X >= Width() / 2) == (FPressedHalf == hUpRight);
    return (Y <= Height() / 2) == (FPressedHalf == hUpRight);
}

void TRzTabScroller::PressStarted(int X, int Y)
{
    FPressedHalf = HalfAt(X, Y);
    if (!FTimer) {
        FTimer = std::make_unique<TTimer>(nullptr);
        FTimer->OnTimer = [this](TObject*) { RepeatTimerTick(); };
    }
    FTimer->SetEnabled(false);
    FTimer->SetInterval(RepeatDelay);
    FTimer->SetEnabled(true);
}

void TRzTabScroller::PressEnded()
{
    if (FTimer)
        FTimer->SetEnabled(false);
}

void TRzTabScroller::HoverMove(int X, int Y)
{
    if (StoreChanged(FHotHalf, FMouseOver ? HalfAt(X, Y) : hNone))
        Invalidate();
}

void TRzTabScroller::RepeatTimerTick()
{
    if (FTimer)
        FTimer->SetInterval(RepeatInterval);
    if (FPressed && FInside && HandleAllocated() && GetCapture() == WindowHandle())
        FireHalf();
}

void TRzTabScroller::Act()
{
    FireHalf();
}

void TRzTabScroller::FireHalf()
{
    if (FPressedHalf == hDownLeft && OnDownLeftClick)
        OnDownLeftClick(this);
    else if (FPressedHalf == hUpRight && OnUpRightClick)
        OnUpRightClick(this);
}

void TRzTabScroller::Paint()
{
    TCanvas* C = Canvas();
    const TColor Frame = LighterColor(FFrameColor, 30);
    // Which half scrolls forward depends on the strip's direction.
    const bool UpRightForward =
        (FTabControl->TabOrientation() == toRight) == (FTabControl->TabSequence() == tsReverse);
    const bool CanForward = FTabControl->CanScrollForward(), CanBack = FTabControl->CanScrollBackward();
    for (THalf Half : {hDownLeft, hUpRight}) {
        const TRect R = HalfRect(Half);
        const bool Enabled = (Half == hUpRight) == UpRightForward ? CanForward : CanBack;
        const bool Down = FPressed && FInside && FPressedHalf == Half;
        const bool Hot = FMouseOver && FHotHalf == Half && !Down;
        DrawTabButtonFace(C, R, FTabControl, Enabled, Frame, Hot, Down);
        int Direction = Half == hUpRight ? adRight : adLeft;
        if (FOrientation == orVertical)
            Direction = Half == hUpRight ? adUp : adDown;
        DrawArrow(C, PressedShift(R, Down), GlyphStyle(), Enabled, Direction);
    }
}

// ---------------------------------------------------------------------------
// Close button and menu button
// ---------------------------------------------------------------------------

void TRzTabControlCloseButton::Paint()
{
    const TRect R = ClientRect();
    const bool Down = FPressed && FInside;
    DrawTabButtonFace(Canvas(), R, FTabControl, true, LighterColor(FFrameColor, 30), FMouseOver, Down);
    DrawCloseButtonGlyph(Canvas(), PressedShift(R, Down), GlyphStyle(), true);
}

void TRzTabControlCloseButton::Act()
{
    if (OnClose)
        OnClose(this);
}

TRzTabMenuButton::TRzTabMenuButton(TComponent* AOwner, TRzCustomTabControl* TabControl)
    : TRzTabButtonControl(AOwner, TabControl), FMenu(std::make_unique<TPopupMenu>(nullptr))
{
}

TRzTabMenuButton::~TRzTabMenuButton() = default;

void TRzTabMenuButton::Paint()
{
    const TRect R = ClientRect();
    const bool Down = FPressed && FInside;
    DrawTabButtonFace(Canvas(), R, FTabControl, true, LighterColor(FFrameColor, 30), FMouseOver, Down);
    // The arrow points towards the card.
    int Direction = adDown;
    switch (FTabControl->TabOrientation()) {
    case toTop: Direction = adDown; break;
    case toLeft: Direction = adRight; break;
    case toBottom: Direction = adUp; break;
    case toRight: Direction = adLeft; break;
    }
    DrawArrow(Canvas(), PressedShift(R, Down), GlyphStyle(), true, Direction);
}

void TRzTabMenuButton::BuildMenu()
{
    FMenu->Items()->Clear();
    FMenu->SetImages(FTabControl->Images());
    TRzTabDataList* Tabs = FTabControl->Tabs();
    TStringList Order;
    Order.SetSorted(FTabControl->SortTabMenu());
    Order.SetDuplicates(dupAccept);
    for (int I = 0; I < Tabs->Count(); ++I)
        if ((*Tabs)[I]->Visible)
            Order.AddObject((*Tabs)[I]->Caption, reinterpret_cast<TObject*>(static_cast<std::intptr_t>(I)));
    TRzCustomTabControl* Owner = FTabControl;
    for (int K = 0; K < Order.Count(); ++K) {
        const int Index = static_cast<int>(reinterpret_cast<std::intptr_t>(Order.GetObject(K)));
        const TRzTabData& T = *(*Tabs)[Index];
        auto Item = new TMenuItem(FMenu.get());
        Item->SetCaption(T.Caption);
        Item->SetEnabled(T.Enabled);
        Item->SetChecked(Index == Owner->TabIndex());
        Item->SetImageIndex(!T.Enabled && T.DisabledIndex != -1 ? T.DisabledIndex : T.ImageIndex);
        Item->SetTag(Index);
        Item->OnClick = [Owner](TObject* Sender) {
            Owner->ChooseTab(static_cast<int>(static_cast<TMenuItem*>(Sender)->Tag()));
        };
        FMenu->Items()->Add(Item);
    }
}

void TRzTabMenuButton::ShowMenu()
{
    BuildMenu();
    const bool Rev = FTabControl->TabSequence() == tsReverse;
    TPoint Corner(0, Height());
    TPopupAlignment Align = paLeft;
    switch (FTabControl->TabOrientation()) {
    case toTop:
        Corner = Rev ? TPoint(0, Height()) : TPoint(Width(), Height());
        Align = Rev ? paLeft : paRight;
        break;
    case toLeft:
        Corner = TPoint(Width(), 0);
        Align = paLeft;
        break;
    case toBottom:
        Corner = Rev ? TPoint(0, 0) : TPoint(Width(), 0);
        Align = Rev ? paLeft : paRight;
        break;
    case toRight:
        Corner = TPoint(0, 0);
        Align = paRight;
        break;
    }
    FMenu->SetAlignment(Align);
    const TPoint At = ClientToScreen(Corner);
    FMenu->Popup(At.x, At.y);
}

void TRzTabMenuButton::Act()
{
    ShowMenu();
}

// ---------------------------------------------------------------------------
// Active-tab close button
// ---------------------------------------------------------------------------

TRzActiveTabCloseButton::TRzActiveTabCloseButton(TComponent* AOwner, TRzCustomTabControl* TabControl)
    : TGraphicControl(AOwner), FTabControl(TabControl)
{
    FControlStyle &= ~csCaptureMouse;
    FControlStyle |= csNoDesignVisible;
}

void TRzActiveTabCloseButton::SetFrameColor(TColor Value)
{
    if (StoreChanged(FFrameColor, Value))
        Invalidate();
}

void TRzActiveTabCloseButton::Paint()
{
    const TRect R = ClientRect();
    if (FMouseOver) {
        const bool Down = FPressed && FInside;
        DrawTabButtonFace(Canvas(), R, FTabControl, true, FFrameColor, true, Down);
        DrawCloseGlyph(Canvas(), PressedShift(R, Down), FTabControl->TabColors()->HighlightBar());
    } else {
        DrawCloseGlyph(Canvas(), R, FFrameColor);
    }
}

void TRzActiveTabCloseButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft && Enabled()) {
        FPressed = true;
        FInside = true;
        SetMouseCapture(true);
        Invalidate();
    }
    TGraphicControl::MouseDown(Button, Shift, X, Y);
}

void TRzActiveTabCloseButton::MouseMove(TShiftState Shift, int X, int Y)
{
    if (FPressed && StoreChanged(FInside, ClientRect().Contains(POINT{X, Y})))
        Invalidate();
    TGraphicControl::MouseMove(Shift, X, Y);
}

void TRzActiveTabCloseButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    auto Alive = FAlive;
    if (Button == mbLeft && FPressed) {
        const bool Inside = ClientRect().Contains(POINT{X, Y});
        EndPress();
        SetMouseCapture(false);
        if (Inside && OnClose) {
            OnClose(this);
            if (!*Alive)
                return;
        }
    }
    TGraphicControl::MouseUp(Button, Shift, X, Y);
}

void TRzActiveTabCloseButton::EndPress()
{
    const bool Was = FPressed;
    FPressed = false;
    FInside = false;
    if (Was)
        Invalidate();
}

void TRzActiveTabCloseButton::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_CAPTURECHANGED:
        // The tab control passes on the loss of a capture this button held.
        EndPress();
        return;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
        if (Message.LParam == reinterpret_cast<LPARAM>(this) && !HasState(csDesigning) &&
            StoreChanged(FMouseOver, Message.Msg == CM_MOUSEENTER))
            Invalidate();
        break;
    default:
        break;
    }
    TGraphicControl::WndProc(Message);
}

// ---------------------------------------------------------------------------
// The tab control's side: room, placement and handlers
// ---------------------------------------------------------------------------

int TRzCustomTabControl::ButtonRoom() const
{
    return (FShowCloseButton ? FButtonLength + 2 : 0) + (FShowMenuButton ? FButtonLength + 2 : 0);
}

int TRzCustomTabControl::ScrollerRoom() const
{
    return 2 * FButtonLength - 1 + 2;
}

TRect TRzCustomTabControl::ButtonRect(int FromEnd, int Length) const
{
    const TRect A = ComputeTabArea();
    const int Strip = Vertical() ? A.Height() : A.Width();
    // Top tabs with the card's shadow keep two more pixels off the end.
    const int In = FMargin + FromEnd + ((FTabOrientation == toTop && FShowShadow && FTabSequence == tsStandard) ? 2 : 0);
    const int Y1 = TabAreaDepth() - 2, Y0 = Y1 - FButtonDepth;
    const TRect R = FTabSequence == tsStandard ? TRect(Strip - In - Length, Y0, Strip - In, Y1)
                                               : TRect(In, Y0, In + Length, Y1);
    return MapTabRect(FTabOrientation, tsStandard, A, 0, R);
}

bool TRzCustomTabControl::CanScrollForward()
{
    LayoutIfDirty();
    if (!FScrollNeeded)
        return false;
    for (int I = FTabs->Count() - 1; I >= 0; --I)
        if ((*FTabs)[I]->Visible)
            return !TabWhollyShown(I);
    return false;
}

bool TRzCustomTabControl::CanScrollBackward()
{
    LayoutIfDirty();
    if (!FScrollNeeded)
        return false;
    for (int I = 0; I < FTabs->Count(); ++I)
        if ((*FTabs)[I]->Visible)
            return FFirstShownTab > I;
    return false;
}

void TRzCustomTabControl::ScrollerClick(bool UpRight)
{
    const bool UpRightForward = (FTabOrientation == toRight) == (FTabSequence == tsReverse);
    ScrollTabs(UpRight == UpRightForward);
}

void TRzCustomTabControl::PushButtonColors()
{
    const TColor Frame = FrameColor();
    if (FScroller)
        FScroller->SetFrameColor(Frame);
    if (FCloseButton)
        FCloseButton->SetFrameColor(Frame);
    if (FMenuButton)
        FMenuButton->SetFrameColor(Frame);
    if (FActiveTabCloseButton)
        FActiveTabCloseButton->SetFrameColor(Frame);
}

void TRzCustomTabControl::PlaceButtons()
{
    if (FPainting || HasState(csDestroying | csLoading))
        return;
    LayoutIfDirty();
    auto Place = [](TControl* C, const TRect& R) {
        C->SetBoundsRect(R);
        C->SetVisible(true);
        C->Invalidate();
    };
    int FromEnd = 0;
    if (FShowCloseButton) {
        if (!FCloseButton) {
            FCloseButton = new TRzTabControlCloseButton(this, this);
            FCloseButton->SetParent(this);
            FCloseButton->OnClose = [this](TObject*) { RequestCloseTab(); };
        }
        Place(FCloseButton, ButtonRect(FromEnd, FButtonLength));
        FromEnd += FButtonLength + 2;
    } else if (FCloseButton) {
        FCloseButton->SetVisible(false);
    }
    if (FShowMenuButton) {
        if (!FMenuButton) {
            FMenuButton = new TRzTabMenuButton(this, this);
            FMenuButton->SetParent(this);
        }
        Place(FMenuButton, ButtonRect(FromEnd, FButtonLength));
        FromEnd += FButtonLength + 2;
    } else if (FMenuButton) {
        FMenuButton->SetVisible(false);
    }
    const bool NeedScroller = FScrollNeeded && !FMultiLine;
    if (NeedScroller && !FScroller) {
        FScroller = new TRzTabScroller(this, this);
        FScroller->SetParent(this);
        FScroller->OnUpRightClick = [this](TObject*) { ScrollerClick(true); };
        FScroller->OnDownLeftClick = [this](TObject*) { ScrollerClick(false); };
    }
    if (FScroller) {
        FScroller->SetOrientation(Vertical() ? orVertical : orHorizontal);
        if (NeedScroller) {
            Place(FScroller, ButtonRect(FromEnd, 2 * FButtonLength - 1));
        } else {
            // Out of sight rather than hidden, as the strip may need it again.
            const TRect R = ButtonRect(FromEnd, 2 * FButtonLength - 1);
            FScroller->SetBounds(-R.Width() - 10, -R.Height() - 10, R.Width(), R.Height());
        }
    }
    const bool ShowActiveClose = FShowCloseButtonOnActiveTab && FTabIndex >= 0 && FTabIndex < FTabs->Count() &&
                                 TabWhollyShown(FTabIndex);
    if (ShowActiveClose) {
        if (!FActiveTabCloseButton) {
            FActiveTabCloseButton = new TRzActiveTabCloseButton(this, this);
            FActiveTabCloseButton->SetParent(this);
            FActiveTabCloseButton->OnClose = [this](TObject*) { RequestCloseTab(); };
        }
        const TRect Room = ActiveCloseRoom(TabTextRect(TabDeviceRect(FTabIndex)));
        // A square of the button size, centred in the room.
        const int S = std::min({static_cast<int>(Room.Width()), static_cast<int>(Room.Height()), 16});
        const int X = Room.left + (Room.Width() - S) / 2, Y = Room.top + (Room.Height() - S) / 2;
        Place(FActiveTabCloseButton, TRect(X, Y, X + S, Y + S));
    } else if (FActiveTabCloseButton) {
        FActiveTabCloseButton->SetVisible(false);
    }
    PushButtonColors();
}
