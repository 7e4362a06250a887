#pragma once
// The owner-drawn tab control and the page control built on it: tab data and
// colours, tab shapes and their regions, layout and painting, selection and
// input, and pages that follow the selected tab.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "classlib/Controls.h"
#include "classlib/ImgList.h"
#include "controls/RzButton.h"
#include "controls/RzCommon.h"

enum TRzTabStyle : unsigned char {
    tsSingleSlant, tsDoubleSlant, tsCutCorner, tsRoundCorners, tsBackSlant, tsSquareCorners
};
enum TRzTabOrientation : unsigned char { toTop, toLeft, toBottom, toRight };
enum TRzTabSequence : unsigned char { tsStandard, tsReverse };
enum TRzTabHotTrackStyle : unsigned char { htsTab, htsText, htsTabBar };
enum TRzTabHotTrackColorSource : unsigned char { htcsTabColor, htcsHotTrackColorProp };
enum TRzHorizontalAlignment : unsigned char { haLeft, haCenter, haRight };
enum TRzVerticalAlignment : unsigned char { vaTop, vaCenter, vaBottom };
enum TRzImagePosition : unsigned char { ipLeft, ipTop, ipRight, ipBottom, ipBack, ipStretch };
enum TRzTextStyle : unsigned char { tsHotTrack, tsSelected, tsUnselected, tsDisabled };

class TRzCustomTabControl;
class TRzPageControl;
class TRzTabSheet;

using TRzTabChangingEvent = std::function<void(TObject* Sender, int NewIndex, bool& AllowChange)>;
using TRzTabCloseEvent = std::function<void(TObject* Sender, bool& AllowClose)>;
using TRzGetTextColorEvent =
    std::function<void(TObject* Sender, int ATabIndex, TRzTextStyle AStyle, TColor& AColor, bool& Handled)>;
using TRzPaintBackgroundEvent =
    std::function<void(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, bool& Handled)>;
using TRzPaintCardBackgroundEvent =
    std::function<void(TObject* Sender, TCanvas* ACanvas, int ARow, const TRect& ARect, bool& Handled)>;
using TRzPaintTabBackgroundEvent =
    std::function<void(TObject* Sender, TCanvas* ACanvas, int ATabIndex, const TRect& ARect, bool& Handled)>;
using TRzTabDraggingEvent = std::function<void(TObject* Sender, int TabIndex, bool& AllowDrag)>;
using TRzTabOrderChangeEvent = std::function<void(TObject* Sender, int OldIndex, int NewIndex)>;

class ERzTabControlError : public Exception { public: using Exception::Exception; };

// Message texts of the tab controls' errors, by resource id.
enum : int {
    SRzInvalidPageIndex = 65088,
    SRzCannotChangePageVisible = 65089,
    SRzTabShapePointCount = 65116,
    SRzRegionCacheCapacity = 65117,
    SRzSaveDCFailed = 65118,
    SRzCreateRegionFailed = 65119,
};

// ---------------------------------------------------------------------------
// Colour sets and tab data
// ---------------------------------------------------------------------------

class TRzTabColors : public TPersistent {
public:
    explicit TRzTabColors(TRzCustomTabControl* AOwner) : FOwner(AOwner) {}
    void Assign(const TPersistent* Source) override;
    const TPropertyTable* Properties() const override;
    TColor HighlightBar() const { return FHighlightBar; }
    virtual void SetHighlightBar(TColor Value);
    TColor Shadow() const { return FShadow; }
    virtual void SetShadow(TColor Value);
    TColor Unselected() const { return FUnselected; }
    virtual void SetUnselected(TColor Value);

private:
    void Changed();
    TRzCustomTabControl* FOwner;
    TColor FHighlightBar = clHighlight;
    TColor FShadow = clBtnFace;
    TColor FUnselected = clWindow;
};

class TRzTextColors : public TPersistent {
public:
    explicit TRzTextColors(TRzCustomTabControl* AOwner) : FOwner(AOwner) {}
    void Assign(const TPersistent* Source) override;
    const TPropertyTable* Properties() const override;
    TColor Disabled() const { return FDisabled; }
    virtual void SetDisabled(TColor Value);
    TColor Selected() const { return FSelected; }
    virtual void SetSelected(TColor Value);
    TColor Unselected() const { return FUnselected; }
    virtual void SetUnselected(TColor Value);

private:
    void Changed();
    TRzCustomTabControl* FOwner;
    TColor FDisabled = clGrayText;
    TColor FSelected = clBtnText;
    TColor FUnselected = clBtnText;
};

// One tab: what the user sees of it, and where the layout put it (layout
// coordinates: x along the strip, y from the strip's outer edge).
class TRzTabData : public TPersistent {
public:
    void Assign(const TPersistent* Source) override;

    std::string Caption;
    TColor Color = clBtnFace;
    int DisabledIndex = -1;
    bool Enabled = true;
    std::string Hint;
    int ImageIndex = -1;
    TRect Rect{0, 0, 0, 0};
    bool Visible = true;
    int Row = 0;
};

class TRzTabDataList : public TPersistent {
public:
    void Assign(const TPersistent* Source) override;
    virtual int GetCount() const { return static_cast<int>(FItems.size()); }
    virtual TRzTabData* GetItem(int Index) const { return FItems.at(static_cast<size_t>(Index)).get(); }
    // Frees the item it replaces.
    virtual void SetItem(int Index, TRzTabData* Value);
    int Count() const { return GetCount(); }
    TRzTabData* operator[](int Index) const { return GetItem(Index); }
    void Add(TRzTabData* Item);
    void Clear() { FItems.clear(); }

private:
    std::vector<std::unique_ptr<TRzTabData>> FItems;
};

// A rectangle that can sit in an object list.
class TRectClass : public TObject {
public:
    TRectClass() = default;
    explicit TRectClass(const TRect& R) : Left(R.left), Top(R.top), Right(R.right), Bottom(R.bottom) {}
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
};

// ---------------------------------------------------------------------------
// Shapes, coordinates and the region cache
// ---------------------------------------------------------------------------

// A caption's lines, split at each CR/LF pair.
std::vector<std::string> TabCaptionLines(const std::string& Caption);
// How far neighbouring tabs of height H overlap along the strip.
int TabStyleOverlap(TRzTabStyle Style, int H, int TabOverlap);
// The outline of a tab in its painting rectangle, from the bottom-left
// corner round to the bottom-right one (the bottom edge joins the card).
std::vector<TPoint> TabShapePoints(TRzTabStyle Style, bool SoftCorners, const TRect& R, int CutCornerSize);
// How many outline points a style must have.
int TabShapePointCount(TRzTabStyle Style, bool SoftCorners);
// A layout point mapped onto the control: Area is the tab area, S the scroll
// offset.
TPoint MapTabPoint(TRzTabOrientation Orientation, TRzTabSequence Sequence, const TRect& Area, int S, int X, int Y);
TRect MapTabRect(TRzTabOrientation Orientation, TRzTabSequence Sequence, const TRect& Area, int S, const TRect& R);

class TRzTabRegionCacheItem : public TObject {
public:
    ~TRzTabRegionCacheItem() override { SetRegion(nullptr); }
    virtual void SetRegion(HRGN Value);
    HRGN Region() const { return FRegion; }
    TRect Key{-1, -1, -1, -1};

private:
    HRGN FRegion = nullptr;
};

// Regions of tab outlines by device rectangle, most recently used first.
// The cache owns every handle it holds.
class TRzTabRegionCache : public TObject {
public:
    // Takes Region over: keeps it under Rect, or deletes it when Rect
    // already has a region.
    void Add(const TRect& Rect, HRGN Region);
    HRGN FindRegion(const TRect& Rect) const;
    void Clear() { FItems.clear(); }
    int Capacity() const { return FCapacity; }
    void SetCapacity(int Value);
    int Count() const { return static_cast<int>(FItems.size()); }

private:
    std::vector<std::unique_ptr<TRzTabRegionCacheItem>> FItems;
    int FCapacity = 1;
};

// Codes of the drawing-command list.
enum class TTabDrawCode : int { FramePen = 0, Nothing = 1, FrameColor = 2, MoveTo = 3, LineTo = 4, DarkRun = 5, LightRun = 6 };

// A horizontal or vertical run from From to To (both ends included) whose
// pixels are black blended over the pixels of Background at Weight/255.
void DrawShadowRun(HDC Dest, HDC Background, TPoint From, TPoint To, BYTE Weight);

// ---------------------------------------------------------------------------
// The tab control's buttons: scroller, close buttons and the tab menu
// ---------------------------------------------------------------------------

class TTimer;
class TPopupMenu;

// The face every tab button shares: gradient or plain in the tab control's
// ButtonColor, darker while pressed, lighter while hot, framed.
void DrawTabButtonFace(TCanvas* Canvas, const TRect& Rect, const TRzCustomTabControl* TabControl, bool Enabled,
                       TColor FrameColor, bool Hot, bool Pressed);

// A windowed tab button: a left press captures the mouse and runs until the
// release, which acts only inside; a capture lost to another window ends
// the press with no action.
class TRzTabButtonControl : public TCustomControl {
public:
    TRzTabButtonControl(TComponent* AOwner, TRzCustomTabControl* TabControl);
    void WndProc(TMessage& Message) override;
    TColor FrameColor() const { return FFrameColor; }
    void SetFrameColor(TColor Value);
    bool Pressed() const { return FPressed; }
    bool PressedInside() const { return FInside; }
    bool MouseOver() const { return FMouseOver; }

protected:
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    // Whether a point of the client area counts as inside the press.
    virtual bool InsidePress(int X, int Y) const;
    virtual void PressStarted(int, int) {}
    // Every end of a press, released or lost.
    virtual void PressEnded() {}
    virtual void HoverMove(int, int) {}
    // The release inside the button: its action.
    virtual void Act() = 0;

    TRzCustomTabControl* FTabControl;
    TColor FFrameColor = clBtnShadow;
    bool FPressed = false;
    bool FInside = false;
    bool FMouseOver = false;

private:
    void EndPress();
};

// Two arrows that scroll a single-row strip, repeating while held.
class TRzTabScroller : public TRzTabButtonControl {
public:
    enum THalf : int { hDownLeft = 0, hUpRight = 1, hNone = -1 };
    TRzTabScroller(TComponent* AOwner, TRzCustomTabControl* TabControl);
    ~TRzTabScroller() override;
    TOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TOrientation Value);
    int PressedHalf() const { return FPressedHalf; }
    int HotHalf() const { return FHotHalf; }
    // One tick of the repeat timer.
    void RepeatTimerTick();
    TTimer* RepeatTimer() const { return FTimer.get(); }
    // The half a client point lies in.
    THalf HalfAt(int X, int Y) const;
    TRect HalfRect(THalf Half) const;

    TNotifyEvent OnUpRightClick;
    TNotifyEvent OnDownLeftClick;

protected:
    void Paint() override;
    bool InsidePress(int X, int Y) const override;
    void PressStarted(int X, int Y) override;
    void PressEnded() override;
    void HoverMove(int X, int Y) override;
    void Act() override;

private:
    void FireHalf();
    TOrientation FOrientation = orHorizontal;
    THalf FPressedHalf = hNone;
    THalf FHotHalf = hNone;
    std::unique_ptr<TTimer> FTimer;
};

// The cross beside the tabs that closes the selected tab.
class TRzTabControlCloseButton : public TRzTabButtonControl {
public:
    using TRzTabButtonControl::TRzTabButtonControl;
    TNotifyEvent OnClose;

protected:
    void Paint() override;
    void Act() override;
};

// The arrow button that lists the visible tabs in a menu.
class TRzTabMenuButton : public TRzTabButtonControl {
public:
    TRzTabMenuButton(TComponent* AOwner, TRzCustomTabControl* TabControl);
    ~TRzTabMenuButton() override;
    TPopupMenu* Menu() const { return FMenu.get(); }
    // Fills the menu with the visible tabs (sorted by caption with
    // SortTabMenu); the items' Tag is the tab index.
    void BuildMenu();
    // Builds the menu and pops it up at the corner the orientation picks.
    void ShowMenu();

protected:
    void Paint() override;
    void Act() override;

private:
    std::unique_ptr<TPopupMenu> FMenu;
};

// The small cross on the selected tab.
class TRzActiveTabCloseButton : public TGraphicControl {
public:
    TRzActiveTabCloseButton(TComponent* AOwner, TRzCustomTabControl* TabControl);
    void WndProc(TMessage& Message) override;
    TColor FrameColor() const { return FFrameColor; }
    void SetFrameColor(TColor Value);
    bool Pressed() const { return FPressed; }
    bool MouseOver() const { return FMouseOver; }
    TNotifyEvent OnClose;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    void EndPress();
    TRzCustomTabControl* FTabControl;
    TColor FFrameColor = clBtnShadow;
    bool FPressed = false;
    bool FInside = false;
    bool FMouseOver = false;
};

// ---------------------------------------------------------------------------
// The tab control
// ---------------------------------------------------------------------------

class TRzCustomTabControl : public TCustomControl {
public:
    explicit TRzCustomTabControl(TComponent* AOwner);
    ~TRzCustomTabControl() override;
    void WndProc(TMessage& Message) override;
    // At most a scroller, a close and a menu button of its own.
    int StoredWindowCount() const override { return TCustomControl::StoredWindowCount() + 3; }

    TRzTabDataList* Tabs() const { return FTabs.get(); }
    // The tab list changed from outside: a new layout follows.
    void TabsChanged() { UpdateTabs(); }

    virtual bool CanChange(int NewIndex);
    virtual bool DoGetTextColor(int ATabIndex, TRzTextStyle AStyle, TColor& AColor);
    virtual void UpdateTabs();
    virtual void DoTabClick();
    void Repaint() override;
    virtual bool DoPaintBackground(TCanvas* ACanvas, const TRect& ARect);
    virtual bool DoPaintCardBackground(TCanvas* ACanvas, int ARow, const TRect& ARect);
    virtual bool DoPaintTabBackground(TCanvas* ACanvas, int ATabIndex, const TRect& ARect);
    virtual void CloseActiveTab() {}
    virtual void MoveActiveTab(int) {}
    virtual void SetLayoutDirty(bool Value);
    virtual void DoChange();
    virtual void DoPageChange();
    virtual void HideAllTabs() {}
    virtual void ShowAllTabs() {}

    bool AlignTabs() const { return FAlignTabs; }
    void SetAlignTabs(bool Value);
    TColor BackgroundColor() const { return FBackgroundColor; }
    void SetBackgroundColor(TColor Value);
    bool ParentBackgroundColor() const { return FParentBackgroundColor; }
    void SetParentBackgroundColor(bool Value);
    bool BoldCurrentTab() const { return FBoldCurrentTab; }
    void SetBoldCurrentTab(bool Value);
    TColor ButtonColor() const { return FButtonColor; }
    void SetButtonColor(TColor Value);
    bool ShowCard() const { return FShowCard; }
    void SetShowCard(bool Value);
    bool ShowCardFrame() const { return FShowCardFrame; }
    void SetShowCardFrame(bool Value);
    bool ShowFullFrame() const { return FShowFullFrame; }
    void SetShowFullFrame(bool Value);
    bool ShowShadow() const { return FShowShadow; }
    void SetShowShadow(bool Value);
    bool ShowCloseButtonOnActiveTab() const { return FShowCloseButtonOnActiveTab; }
    void SetShowCloseButtonOnActiveTab(bool Value);
    bool ShowCloseButton() const { return FShowCloseButton; }
    void SetShowCloseButton(bool Value);
    bool ShowMenuButton() const { return FShowMenuButton; }
    void SetShowMenuButton(bool Value);
    bool SortTabMenu() const { return FSortTabMenu; }
    void SetSortTabMenu(bool Value) { FSortTabMenu = Value; }
    bool AllowTabDragging() const { return FAllowTabDragging; }
    void SetAllowTabDragging(bool Value) { FAllowTabDragging = Value; }
    TColor DragIndicatorColor() const { return FDragIndicatorColor; }
    void SetDragIndicatorColor(TColor Value) { FDragIndicatorColor = Value; }
    bool UseColoredTabs() const { return FUseColoredTabs; }
    virtual void SetUseColoredTabs(bool Value);
    int CutCornerSize() const { return FCutCornerSize; }
    void SetCutCornerSize(int Value);
    TColor FlatColor() const { return FFlatColor; }
    void SetFlatColor(TColor Value);
    int FlatColorAdjustment() const { return FFlatColorAdjustment; }
    void SetFlatColorAdjustment(int Value);
    TRzImagePosition ImagePosition() const { return FImagePosition; }
    void SetImagePosition(TRzImagePosition Value);
    int ImageMargin() const { return FImageMargin; }
    void SetImageMargin(int Value);
    // Where the image sits within its side of the tab (ipStretch fills it).
    TRzHorizontalAlignment ImageAlignment() const { return FImageAlignment; }
    void SetImageAlignment(TRzHorizontalAlignment Value);
    TRzVerticalAlignment ImageAlignmentVertical() const { return FImageAlignmentVertical; }
    void SetImageAlignmentVertical(TRzVerticalAlignment Value);
    bool HotTrack() const { return FHotTrack; }
    void SetHotTrack(bool Value);
    TColor HotTrackColor() const { return FHotTrackColor; }
    void SetHotTrackColor(TColor Value);
    TRzTabHotTrackColorSource HotTrackColorSource() const { return FHotTrackColorSource; }
    void SetHotTrackColorSource(TRzTabHotTrackColorSource Value);
    TRzHotTrackColorType HotTrackColorType() const { return FHotTrackColorType; }
    void SetHotTrackColorType(TRzHotTrackColorType Value);
    TRzTabHotTrackStyle HotTrackStyle() const { return FHotTrackStyle; }
    void SetHotTrackStyle(TRzTabHotTrackStyle Value);
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);
    int Margin() const { return FMargin; }
    void SetMargin(int Value);
    bool MultiLine() const { return FMultiLine; }
    void SetMultiLine(bool Value);
    int RowIndent() const { return FRowIndent; }
    void SetRowIndent(int Value);
    int RowOverlap() const { return FRowOverlap; }
    void SetRowOverlap(int Value);
    bool ShowFocusRect() const { return FShowFocusRect; }
    void SetShowFocusRect(bool Value);
    bool SoftCorners() const { return FSoftCorners; }
    void SetSoftCorners(bool Value);
    int TabOverlap() const { return FTabOverlap; }
    void SetTabOverlap(int Value);
    TOrientation TextOrientation() const { return FTextOrientation; }
    void SetTextOrientation(TOrientation Value);
    TRzTabColors* TabColors() const { return FTabColors.get(); }
    void SetTabColors(const TRzTabColors* Value) { FTabColors->Assign(Value); }
    TRzTextColors* TextColors() const { return FTextColors.get(); }
    void SetTextColors(const TRzTextColors* Value) { FTextColors->Assign(Value); }
    int TabHeight() const { return FTabHeight; }
    void SetTabHeight(int Value);
    int TabWidth() const { return FTabWidth; }
    void SetTabWidth(int Value);
    bool TabHints() const { return FTabHints; }
    void SetTabHints(bool Value);
    int TabIndex() const { return FTabIndex; }
    virtual void SetTabIndex(int Value);
    TRzTabOrientation TabOrientation() const { return FTabOrientation; }
    void SetTabOrientation(TRzTabOrientation Value);
    TRzTabSequence TabSequence() const { return FTabSequence; }
    void SetTabSequence(TRzTabSequence Value);
    TRzTabStyle TabStyle() const { return FTabStyle; }
    void SetTabStyle(TRzTabStyle Value);
    TRzHorizontalAlignment TextAlignment() const { return FTextAlignment; }
    void SetTextAlignment(TRzHorizontalAlignment Value);
    TRzVerticalAlignment TextAlignmentVertical() const { return FTextAlignmentVertical; }
    void SetTextAlignmentVertical(TRzVerticalAlignment Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    bool UseGradients() const { return FUseGradients; }
    void SetUseGradients(bool Value);
    int RegionCacheCapacity() const { return FRegionCache.Capacity(); }
    void SetRegionCacheCapacity(int Value);

    // Selection and input.
    bool CanSelectTab(int Index);
    // A tab chosen by the user (click, accelerator, tab menu): selected, and
    // OnTabClick once it is.
    void ChooseTab(int Index);
    int TabAtPos(int X, int Y);
    void ScrollTabs(bool Forward);
    void RequestCloseTab();
    bool CanClose();

    // Layout read-outs (the layout runs first when it is stale).
    int RowCount();
    int FixedDimension();
    bool ScrollNeeded();
    // Form storage (RzTabsStore.cpp): the settings, and "FixedDimension",
    // the depth of a row of tabs, written always.
    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();
    void DefineProperties(TFiler* Filer) override;
    int FirstShownTab() const { return FFirstShownTab; }
    TRect TabArea();
    TRect CardRect();
    // The tab's rectangle on the control (painting rectangle, mapped).
    TRect TabDeviceRect(int Index);
    bool TabShown(int Index);
    int HotTab() const { return FHotTab; }
    // The buttons, each made on first need (null until then).
    TRzTabScroller* Scroller() const { return FScroller; }
    TRzTabControlCloseButton* CloseButton() const { return FCloseButton; }
    TRzTabMenuButton* MenuButton() const { return FMenuButton; }
    TRzActiveTabCloseButton* ActiveTabCloseButton() const { return FActiveTabCloseButton; }
    // Whether the strip can scroll forward / backward from where it is.
    bool CanScrollForward();
    bool CanScrollBackward();
    // Frame colour of the buttons (FlatColor adjusted).
    TColor ButtonFrameColor() const { return FrameColor(); }
    // True while WM_PAINT is being handled.
    bool Painting() const { return FPainting; }
    // One tick of the hover timer.
    void HoverTimerTick();

    // Tab dragging: the control is its own drag source and target.
    void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) override;
    void DragDrop(TObject* Source, int X, int Y) override;
    // Every end of a drag, dropped or cancelled: the auto-scroll stops and
    // the drop marker goes.
    void DoEndDrag(TObject* Target, int X, int Y) override;
    // Inverts the drop marker on the parent's window (again erases it).
    virtual void DrawDragIndicator(const TRect& R);
    // The auto-scroll timer (null until a drag first needs it) and its tick.
    TTimer* AutoScrollTimer() const { return FAutoScrollTimer.get(); }
    void AutoScrollTimerTick();
    bool DragIndicatorShown() const { return FDragIndicatorShown; }
    // The marker's rectangle in client coordinates (it may reach outside).
    TRect DragIndicatorRect() const { return FDragIndicatorRect; }
    int DragTargetTab() const { return FDragTarget; }

    TNotifyEvent OnChange;
    TRzTabChangingEvent OnChanging;
    TRzTabCloseEvent OnClose;
    TRzGetTextColorEvent OnGetTextColor;
    TNotifyEvent OnAlignControls;
    TNotifyEvent OnPageChange;
    TRzPaintBackgroundEvent OnPaintBackground;
    TRzPaintCardBackgroundEvent OnPaintCardBackground;
    TRzPaintTabBackgroundEvent OnPaintTabBackground;
    TNotifyEvent OnTabClick;
    TRzTabDraggingEvent OnTabDragging;
    TRzTabOrderChangeEvent OnTabOrderChange;
    TNotifyEvent OnScrolledTabs;

protected:
    // After loading: the hint kept, a new layout, the TabIndex read
    // selected, and vertical text on a face that cannot turn changed.
    void Loaded() override;
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void AdjustClientRect(TRect& Rect) override;
    void AlignControls(TControl* AControl, TRect& Rect) override;
    void Paint() override;
    void Resize() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // The layout, run when it is stale: geometry only, never events.
    void LayoutIfDirty();
    // Selection repair after a layout: the base control moves an index that
    // no longer names a selectable tab to the nearest one that does.
    virtual void RepairTabIndex();
    // True while the control is loading: SetTabIndex only stores.
    bool StoringOnly() const;
    TRect TabPaintRect(int Index) const;
    TColor FrameColor() const;
    // Creates the buttons the settings ask for and places them; never
    // called while painting.
    void PlaceButtons();

    int FTabIndex = -1;
    bool FInternalChange = false;

private:
    friend class TRzTabColors;
    friend class TRzTextColors;
    // Layout (RzTabsLayout.cpp).
    void RunLayout();
    HFONT CreateTabFont(bool Bold) const;
    SIZE MeasureCaption(HDC DC, const std::string& Caption) const;
    SIZE TabContentSize(HDC DC, const TRzTabData& Tab, bool Bold) const;
    SIZE OuterTabSize(SIZE Content) const;
    int AvailableLength(int Rows) const;
    int PlaceTabs(int Available, bool MultiRow);
    void AlignRows(int Available);
    void RotateRows();
    void DecideScrollNeed();
    int ScrollOffset() const;
    bool TabWhollyShown(int Index) const;
    bool Vertical() const { return FTabOrientation == toLeft || FTabOrientation == toRight; }
    bool VerticalText() const { return FTextOrientation == orVertical; }
    int TabAreaDepth() const;
    TRect ComputeTabArea() const;
    TRect ComputeCardRect() const;
    HRGN TabRegion(int Index);
    std::vector<TPoint> MappedPolygon(int Index) const;
    // Painting (RzTabsPaint.cpp).
    void PaintTab(TCanvas* C, int Index);
    void PaintTabBackground(TCanvas* C, int Index, const TRect& R);
    void PaintCaption(TCanvas* C, int Index, const TRect& R);
    // The steps of painting a caption: the text rectangle less the active
    // close button's room and less what rows in front cover (returning the
    // uncovered edge), the image taking its side, the text's colour, and
    // the lines straight or turned.
    void LeaveActiveCloseRoom(TRect& R) const;
    int KeepToUncoveredPart(const TRzTabData& T, const TRect& Dev, TRect& R) const;
    void PaintTabImage(TCanvas* C, const TRzTabData& T, TRect& R);
    TColor CaptionTextColor(int Index, const TRzTabData& T);
    void DrawCaptionLines(HDC DC, const std::vector<std::string>& Lines, TPoint At, SIZE Block, bool HideAccel) const;
    void DrawTurnedCaptionLines(HDC DC, const std::vector<std::string>& Lines, TPoint At, SIZE Block, const TRect& R,
                                bool HideAccel, TColor TextColor) const;
    // The caption's rectangle in a tab's device rectangle, per style.
    TRect TabTextRect(const TRect& Dev) const;
    // The room kept for the active-tab close button at the caption's end.
    static constexpr int ActiveCloseRoomLength = 20;
    TRect ActiveCloseRoom(const TRect& Text) const;
    void PaintHighlightBar(TCanvas* C, int Index, const TRect& R);
    void PaintCardRow(TCanvas* C, int Row);
    void AddOutlineCommands(int Index);
    void RunCommands(TCanvas* C);
    void ClearHotState();
    void KillHoverTimer();
    // Buttons (RzTabsButtons.cpp).
    int ButtonRoom() const;
    int ScrollerRoom() const;
    TRect ButtonRect(int FromEnd, int Length) const;
    void PushButtonColors();
    void ScrollerClick(bool UpRight);
    // Dragging (RzTabsInput.cpp).
    TRect DragIndicatorFor(int Tab) const;
    void EraseDragIndicator();

    std::unique_ptr<TRzTabDataList> FTabs;
    std::unique_ptr<TBitmap> FBitmap;
    std::vector<int> FCommands;
    TRzTabRegionCache FRegionCache;
    std::unique_ptr<TRzTabColors> FTabColors;
    std::unique_ptr<TRzTextColors> FTextColors;
    std::unique_ptr<TChangeLink> FImageChangeLink;
    TCustomImageList* FImages = nullptr;

    TRzTabScroller* FScroller = nullptr;
    TRzTabControlCloseButton* FCloseButton = nullptr;
    TRzTabMenuButton* FMenuButton = nullptr;
    TRzActiveTabCloseButton* FActiveTabCloseButton = nullptr;
    int FButtonLength = 0;
    int FButtonDepth = 0;
    bool FShowCloseButton = false;
    bool FShowMenuButton = false;
    bool FSortTabMenu = true;
    bool FAllowTabDragging = false;
    TColor FDragIndicatorColor = static_cast<TColor>(0x505050);
    std::unique_ptr<TTimer> FAutoScrollTimer;
    int FDragTarget = -1;
    bool FDragIndicatorShown = false;
    TRect FDragIndicatorRect{0, 0, 0, 0};

    int FFirstShownTab = -1;
    bool FScrollNeeded = false;
    int FRowCount = 1;
    int FRowDepth = 0;
    bool FLayoutDirty = true;
    bool FHotTrackOnly = false;
    bool FPainting = false;
    bool FRepairPosted = false;
    int FHotTab = -1;
    std::string FSavedHint;
    UINT_PTR FHoverTimer = 0;
    int FMouseDownTab = -1;
    TRect FLastClientRect{0, 0, 0, 0};
    TColor FLastTabBackground = clBtnFace;

    bool FAlignTabs = false;
    TColor FBackgroundColor = clBtnFace;
    bool FParentBackgroundColor = true;
    bool FBoldCurrentTab = false;
    TColor FButtonColor = clBtnFace;
    bool FShowCard = true;
    bool FShowCardFrame = true;
    bool FShowFullFrame = true;
    bool FShowShadow = true;
    bool FShowCloseButtonOnActiveTab = false;
    bool FUseColoredTabs = false;
    int FCutCornerSize = 6;
    TColor FFlatColor = clBtnShadow;
    int FFlatColorAdjustment = 0;
    TRzImagePosition FImagePosition = ipLeft;
    int FImageMargin = 2;
    TRzHorizontalAlignment FImageAlignment = haCenter;
    TRzVerticalAlignment FImageAlignmentVertical = vaCenter;
    bool FHotTrack = true;
    TColor FHotTrackColor = static_cast<TColor>(0x149BF0);
    TRzTabHotTrackColorSource FHotTrackColorSource = htcsTabColor;
    TRzHotTrackColorType FHotTrackColorType = htctActual;
    TRzTabHotTrackStyle FHotTrackStyle = htsTab;
    int FMargin = 0;
    bool FMultiLine = false;
    int FRowIndent = 5;
    int FRowOverlap = 5;
    bool FShowFocusRect = true;
    bool FSoftCorners = false;
    int FTabOverlap = -1;
    TOrientation FTextOrientation = orHorizontal;
    int FTabHeight = 0;
    int FTabWidth = 0;
    bool FTabHints = false;
    TRzTabOrientation FTabOrientation = toTop;
    TRzTabSequence FTabSequence = tsStandard;
    TRzTabStyle FTabStyle = tsSingleSlant;
    TRzHorizontalAlignment FTextAlignment = haCenter;
    TRzVerticalAlignment FTextAlignmentVertical = vaCenter;
    bool FTransparent = false;
    bool FUseGradients = true;
};

// The plain tab control: tabs only, no pages.
class TRzTabControl : public TRzCustomTabControl {
public:
    using TRzCustomTabControl::TRzCustomTabControl;
};

// ---------------------------------------------------------------------------
// Pages
// ---------------------------------------------------------------------------

class TRzTabSheet : public TCustomControl {
public:
    explicit TRzTabSheet(TComponent* AOwner);
    ~TRzTabSheet() override;
    void WndProc(TMessage& Message) override;

    TRzPageControl* PageControl() const { return FPageControl; }
    virtual void SetPageControl(TRzPageControl* Value);
    TColor GetColor() const { return Color(); }
    virtual void SetTabColor(TColor Value);
    int DisabledIndex() const { return FDisabledIndex; }
    virtual void SetDisabledIndex(int Value);
    int ImageIndex() const { return FImageIndex; }
    virtual void SetImageIndex(int Value);
    int PageIndex() const;
    virtual void SetPageIndex(int Value);
    bool TabEnabled() const { return FTabEnabled; }
    virtual void SetTabEnabled(bool Value);
    int TabIndex() const;
    bool TabVisible() const { return FTabVisible; }
    virtual void SetTabVisible(bool Value);
    // The page's own visibility belongs to its page control: setting it,
    // also through the class library's base, raises. The page control
    // shows and hides its pages through TControl::SetVisible.
    [[noreturn]] void SetVisible(bool Value) override;
    [[noreturn]] void SetPageVisible(bool Value) { TRzTabSheet::SetVisible(Value); }

    // Form storage (RzTabsStore.cpp): the page control places its pages, so
    // neither their bounds nor their visibility are stored; a page read
    // with a page control for parent joins it.
    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();
    void ReadState(TReader* Reader) override;

    TRzPaintBackgroundEvent OnPaintBackground;
    TNotifyEvent OnHide;
    TNotifyEvent OnShow;

protected:
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;

private:
    friend class TRzPageControl;
    void TabsChanged();
    TRzPageControl* FPageControl = nullptr;
    int FDisabledIndex = -1;
    int FImageIndex = -1;
    bool FTabEnabled = true;
    bool FTabVisible = true;
    bool FWasShowing = false;
};

class TRzPageControl : public TRzCustomTabControl {
public:
    explicit TRzPageControl(TComponent* AOwner);
    ~TRzPageControl() override;
    void WndProc(TMessage& Message) override;

    virtual TRzTabSheet* GetPage(int Index) const { return FPages.at(static_cast<size_t>(Index)); }
    TRzTabSheet* Pages(int Index) const { return GetPage(Index); }
    virtual int GetPageCount() const { return static_cast<int>(FPages.size()); }
    int PageCount() const { return GetPageCount(); }
    TRzTabSheet* ActivePage() const { return FActivePage; }
    virtual void SetActivePage(TRzTabSheet* Page);
    virtual int GetActivePageIndex() const;
    int ActivePageIndex() const { return GetActivePageIndex(); }
    virtual void SetActivePageIndex(int Index);
    TRzTabSheet* ActivePageDefault() const { return FActivePageDefault; }
    void SetActivePageDefault(TRzTabSheet* Value);
    bool SaveResources() const { return FSaveResources; }
    virtual void SetSaveResources(bool Value);
    bool DblClickUndocks() const { return FDblClickUndocks; }
    void SetDblClickUndocks(bool Value) { FDblClickUndocks = Value; }

    TRzTabSheet* FindNextPage(TRzTabSheet* Current, bool GoForward, bool CheckTabVisible) const;
    void SelectNextPage(bool GoForward);

    bool CanChange(int NewIndex) override;
    void UpdateTabs() override;
    bool DoPaintCardBackground(TCanvas* ACanvas, int ARow, const TRect& ARect) override;
    void CloseActiveTab() override;
    void MoveActiveTab(int NewIndex) override;
    void SetUseColoredTabs(bool Value) override;
    void DoChange() override;
    void DoPageChange() override;
    void HideAllTabs() override;
    void ShowAllTabs() override;
    // The page that holds a docked control, or null.
    TRzTabSheet* PageOfClient(const TControl* Client) const;

    // Form storage (RzTabsStore.cpp): the pages in list order, a page's
    // stored position as its PageIndex, the active page by name.
    void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
    void SetChildOrder(TComponent* Child, int Order) override;
    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();
    void DefineProperties(TFiler* Filer) override;
    void ReadState(TReader* Reader) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void DblClick() override;
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void ShowControl(TControl* AControl) override;
    void RepairTabIndex() override;

private:
    friend class TRzTabSheet;
    std::string FStoredActivePage; // read before the pages are
    void InsertPage(TRzTabSheet* Page);
    void RemovePage(TRzTabSheet* Page);
    void MovePage(TRzTabSheet* Page, int NewIndex);
    void ChangeActivePage(TRzTabSheet* Page);
    TRzTabSheet* PageForTab(int TabIdx) const;
    // Docking (RzTabsDock.cpp).
    void DockClient(TControl* Client);
    void DockNotification(TControl* Client, UINT Msg);
    void UndockClient(TControl* Client);
    void UndockPageEmptied(TRzTabSheet* Page);
    // The docked control on the tab under a client point, or null.
    TControl* DockedClientAt(int X, int Y);
    TRzTabSheet* FNewDockPage = nullptr;
    TRzTabSheet* FUndockPage = nullptr;

    std::vector<TRzTabSheet*> FPages;
    TRzTabSheet* FActivePage = nullptr;
    TRzTabSheet* FActivePageDefault = nullptr;
    bool FSaveResources = false;
    bool FDblClickUndocks = true;
    bool FUpdating = false;
};
