#pragma once
// The splitter: a panel divided into two panes by a bar that is dragged
// with an outline or live, held in pixels or percent within margins, and
// that can carry a hot spot collapsing one pane.
#include <memory>
#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "classlib/Cleanup.h"
#include "controls/RzPanel.h"

enum TFixedPane : unsigned char { fpUpperLeft, fpLowerRight };
enum TSelectedPane : unsigned char { spUpperLeft, spLowerRight };
enum TSplitterStyle : unsigned char { ssStandard, ssGroove, ssBump, ssGroupBar };
enum THotSpotDirection : unsigned char { hsdMin, hsdMax, hsdBoth };
enum TRzGroupBarGradientPath : unsigned char { gpTopToBottom, gpBottomToTop };

using TPositionChangingEvent = std::function<void(TObject* Sender, int NewPos, bool& AllowChange)>;

class TRzSplitter;

// One of the two panes; owned by its splitter.
class TRzSplitterPane : public TRzCustomPanel {
public:
    TRzSplitterPane(TComponent* AOwner, TRzSplitter* Splitter);
    void WndProc(TMessage& Message) override;
    TRzSplitter* Splitter() const { return FSplitter; }

private:
    TRzSplitter* FSplitter;
};

// The settings of one pane, read and written through to the pane.
class TRzPaneData : public TPersistent {
public:
    explicit TRzPaneData(TRzSplitterPane* Pane) : FPane(Pane) {}
    void Assign(const TPersistent* Source) override;

    TRzSplitterPane* Pane() const { return FPane; }
    TColor BorderColor() const { return FPane->BorderColor(); }
    void SetBorderColor(TColor Value) { FPane->SetBorderColor(Value); }
    TFrameStyleEx BorderInner() const { return FPane->BorderInner(); }
    void SetBorderInner(TFrameStyleEx Value) { FPane->SetBorderInner(Value); }
    TFrameStyleEx BorderOuter() const { return FPane->BorderOuter(); }
    void SetBorderOuter(TFrameStyleEx Value) { FPane->SetBorderOuter(Value); }
    int BorderWidth() const { return FPane->BorderWidth(); }
    void SetBorderWidth(int Value) { FPane->SetBorderWidth(Value); }
    TColor Color() const { return FPane->Color(); }
    void SetColor(TColor Value) { FPane->SetColor(Value); }
    TColor FlatColor() const { return FPane->FlatColor(); }
    void SetFlatColor(TColor Value) { FPane->SetFlatColor(Value); }
    int FlatColorAdjustment() const { return FPane->FlatColorAdjustment(); }
    void SetFlatColorAdjustment(int Value) { FPane->SetFlatColorAdjustment(Value); }
    bool ShowDockClientCaptions() const { return FPane->ShowDockClientCaptions(); }
    void SetShowDockClientCaptions(bool Value) { FPane->SetShowDockClientCaptions(Value); }
    bool Visible() const { return FPane->Visible(); }
    void SetVisible(bool Value) { FPane->SetVisible(Value); }
    bool DockSite() const { return FPane->DockSite(); }
    void SetDockSite(bool Value) { FPane->SetDockSite(Value); }
    const TRect& Padding() const { return FPane->Padding(); }
    void SetPadding(const TRect& Value) { FPane->SetPadding(Value); }
    TPadding* PaddingSides() const { return FPane->PaddingSides(); }

    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();

private:
    TRzSplitterPane* FPane;
};

class TRzSplitter : public TRzCustomPanel {
public:
    explicit TRzSplitter(TComponent* AOwner);
    ~TRzSplitter() override;
    void WndProc(TMessage& Message) override;
    // The two panes are windows too.
    int StoredWindowCount() const override { return TRzCustomPanel::StoredWindowCount() + 2; }

    TOrientation Orientation() const { return FOrientation; }
    virtual void SetOrientation(TOrientation Value);
    int Position() const { return FPosition; }
    virtual void SetPosition(int Value);
    int Percent() const { return FPercent; }
    virtual void SetPercent(int Value);
    bool UsePercent() const { return FUsePercent; }
    virtual void SetUsePercent(bool Value);
    int PercentMin() const { return FPercentMin; }
    virtual void SetPercentMin(int Value);
    int PercentMax() const { return FPercentMax; }
    virtual void SetPercentMax(int Value);
    int MarginMin() const { return FMarginMin; }
    virtual void SetMarginMin(int Value);
    int MarginMax() const { return FMarginMax; }
    virtual void SetMarginMax(int Value);
    TFixedPane FixedPane() const { return FFixedPane; }
    virtual void SetFixedPane(TFixedPane Value);
    TSelectedPane SelectedPane() const { return FSelectedPane; }
    virtual void SetSelectedPane(TSelectedPane Value) { FSelectedPane = Value; }
    TSplitterStyle SplitterStyle() const { return FSplitterStyle; }
    virtual void SetSplitterStyle(TSplitterStyle Value);
    int SplitterWidth() const { return FSplitterWidth; }
    virtual void SetSplitterWidth(int Value);
    bool RealTimeDrag() const { return FRealTimeDrag; }
    void SetRealTimeDrag(bool Value) { FRealTimeDrag = Value; }
    bool LockBar() const { return FLockBar; }
    void SetLockBar(bool Value) { FLockBar = Value; }
    bool HotSpotVisible() const { return FHotSpotVisible; }
    virtual void SetHotSpotVisible(bool Value);
    THotSpotDirection HotSpotDirection() const { return FHotSpotDirection; }
    virtual void SetHotSpotDirection(THotSpotDirection Value);
    int HotSpotSizePercent() const { return FHotSpotSizePercent; }
    virtual void SetHotSpotSizePercent(int Value);
    bool HotSpotIgnoreMargins() const { return FHotSpotIgnoreMargins; }
    void SetHotSpotIgnoreMargins(bool Value) { FHotSpotIgnoreMargins = Value; }
    TColor HotSpotColor() const { return FHotSpotColor; }
    void SetHotSpotColor(TColor Value);
    TColor HotSpotDotColor() const { return FHotSpotDotColor; }
    void SetHotSpotDotColor(TColor Value);
    TColor HotSpotFrameColor() const { return FHotSpotFrameColor; }
    void SetHotSpotFrameColor(TColor Value);
    TColor HotSpotHighlight() const { return FHotSpotHighlight; }
    virtual void SetHotSpotHighlight(TColor Value);
    int GradientColorAdjustment() const { return FGradientColorAdjustment; }
    virtual void SetGradientColorAdjustment(int Value);
    TRzGroupBarGradientPath GradientPath() const { return FGradientPath; }
    virtual void SetGradientPath(TRzGroupBarGradientPath Value);

    void SetBorderOuter(TFrameStyleEx Value) override;
    void SetBorderInner(TFrameStyleEx Value) override;
    void SetBorderSides(TSides Value) override;
    void SetSplitterBorderWidth(int Value);

    TRzPaneData* UpperLeft() const { return FUpperLeft.get(); }
    TRzPaneData* LowerRight() const { return FLowerRight.get(); }
    void SetUpperLeft(const TRzPaneData* Value) { FUpperLeft->Assign(Value); }
    void SetLowerRight(const TRzPaneData* Value) { FLowerRight->Assign(Value); }
    TRzSplitterPane* UpperLeftPane() const { return FUpperLeftPane; }
    TRzSplitterPane* LowerRightPane() const { return FLowerRightPane; }

    // Records the wanted size of the fixed pane from a bar position.
    virtual void SetFixedSize(int Position);
    virtual void ConstrainPosition(int& Position) const;
    virtual void UpdatePanes();
    virtual void ResetHotSpot();

    TRect BarRect() const { return FBarRect; }
    TRect HotSpotRect() const { return FHotSpotRect; }
    bool Dragging() const { return FDragging; }
    // A device context is held for the outline while a drag runs.
    bool DragDCHeld() const { return static_cast<bool>(FDragDC); }
    bool HotSpotClosed() const { return FHotSpotClosed; }
    bool HotSpotHovered() const { return FHotSpotHover; }

    // Stored values of older or saved splitters, applied with the loading
    // rules: the bar rectangle, the hot spot's state, the old margin names.
    void ReadBarSize(const TRect& Value);
    void ReadHotSpotState(bool Closed, bool ClosedToMin, bool ClosedToMax, int PositionBeforeClose);
    void ReadOldPositionMin(int Value) { SetMarginMin(Value); }
    void ReadOldPositionMax(int Value) { SetMarginMax(Value); }

    TNotifyEvent OnChange;
    TPositionChangingEvent OnChanging;
    TNotifyEvent OnHotSpotClick;
    // The panes' docking events, with the pane as sender.
    TGetSiteInfoEvent OnULGetSiteInfo;
    TDockOverEvent OnULDockOver;
    TDockDropEvent OnULDockDrop;
    TUnDockEvent OnULUnDock;
    TGetSiteInfoEvent OnLRGetSiteInfo;
    TDockOverEvent OnLRDockOver;
    TDockDropEvent OnLRDockDrop;
    TUnDockEvent OnLRUnDock;

    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();
    // Stored besides the published properties: the bar rectangle, the hot
    // spot's state, the names of each pane's controls; the old margins.
    void DefineProperties(TFiler* Filer) override;
    // The children of both panes are written as the splitter's; Loaded
    // puts them back by the stored name lists.
    void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;

protected:
    void Loaded() override;
    void Paint() override;
    void Resize() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    virtual int GetBorderThickness() const;
    virtual void DrawDragLine(int Position);
    virtual void UpdateHotSpotRect();
    virtual void UpdateHotSpotHover(const POINT& P);
    virtual void DrawHotSpot(bool Highlighted);
    virtual void DrawSplitterBar();
    virtual void UpdateFixedSize();
    // Ends a drag: Commit puts the bar where the outline is; without it
    // (Esc, a lost capture) nothing moves.
    void EndDrag(bool Commit);

private:
    int Length() const { return FOrientation == orHorizontal ? Width() : Height(); }
    // The length the percentage is taken of.
    int PercentBase() const;
    void HotSpotClick(const POINT& P);
    void ReleaseDragDC();
    bool BothPanesVisible() const;
    // After a setting that moves the limits, the position is brought back
    // within them and the panes are laid out.
    void KeepPositionInLimits();
    void RouteDockEvents(TRzSplitterPane* Pane, TGetSiteInfoEvent TRzSplitter::*SiteInfo,
                         TDockOverEvent TRzSplitter::*Over, TDockDropEvent TRzSplitter::*Drop,
                         TUnDockEvent TRzSplitter::*UnDock);

    TRzSplitterPane* FUpperLeftPane = nullptr;
    TRzSplitterPane* FLowerRightPane = nullptr;
    std::unique_ptr<TRzPaneData> FUpperLeft;
    std::unique_ptr<TRzPaneData> FLowerRight;
    TOrientation FOrientation = orHorizontal;
    int FPosition = 100;
    int FPercent = 50;
    bool FUsePercent = false;
    int FPercentMin = 0;
    int FPercentMax = 100;
    int FMarginMin = 0;
    int FMarginMax = 0;
    TFixedPane FFixedPane = fpUpperLeft;
    TSelectedPane FSelectedPane = spUpperLeft;
    TSplitterStyle FSplitterStyle = ssStandard;
    int FSplitterWidth = 4;
    bool FRealTimeDrag = false;
    bool FLockBar = false;
    bool FHotSpotVisible = false;
    THotSpotDirection FHotSpotDirection = hsdMin;
    int FHotSpotSizePercent = 40;
    bool FHotSpotIgnoreMargins = true;
    TColor FHotSpotColor = clBtnFace;
    TColor FHotSpotDotColor = clHighlight;
    TColor FHotSpotFrameColor = clBtnShadow;
    TColor FHotSpotHighlight = clWindow;
    int FGradientColorAdjustment = 30;
    TRzGroupBarGradientPath FGradientPath = gpTopToBottom;

    TRect FBarRect;
    TRect FHotSpotRect;
    bool FDragging = false;
    int FDragStart = 0;
    int FDragOrigin = 0;
    int FLastOutline = 0;
    bool FHotSpotPressed = false;
    bool FHotSpotHover = false;
    bool FHotSpotClosed = false;
    bool FClosedToMin = false;
    bool FClosedToMax = false;
    int FPositionBeforeClose = 0;
    int FFixedSize = 100;
    int FWantedSize = 100;
    bool FForcePosition = false;
    std::vector<std::string> FUpperLeftNames;
    std::vector<std::string> FLowerRightNames;
    TWindowDC FDragDC;
    HBRUSH FDragBrush = nullptr;
    HGDIOBJ FOldDragBrush = nullptr;
};
