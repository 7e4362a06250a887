#pragma once
// Framed containers: the panel with frames, fills, grid and caption, the
// group box in six styles with its caption check box, and the status bar
// with its size grip.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "classlib/ExtCtrls.h"
#include "controls/RzCommon.h"
#include "controls/RzFrameLink.h"

enum TRzGridStyle : unsigned char { gsDots, gsDottedLines, gsSolidLines };

class TRzCustomPanel;

// Draws a caption bar for every control docked in a panel: the panel's
// grabber is 14 pixels, on the left for top- and bottom-aligned panels and
// on top otherwise.
class TRzPanelDockManager : public TDockTree {
public:
    static constexpr int GrabberSize = 14;
    explicit TRzPanelDockManager(TRzCustomPanel* Panel);
    // The close glyph's square at the far end of a grabber.
    TRect CloseButtonRect(const TRect& Grabber) const;
    bool GrabberOnLeft() const;

protected:
    TRect SiteRect() const override;
    void AdjustDockRect(TControl* Control, TRect& ARect) override;
    void PaintDockFrame(TCanvas* Canvas, TControl* Control, const TRect& ARect) override;

private:
    TRzCustomPanel* FPanel;
};

// A box in Color whose corners are cut by one pixel: the flat frame of the
// group box, the status bar's simple caption and the status pane.
void DrawCutCornerBox(TCanvas* Canvas, const RECT& R, TColor Color);

class TRzCustomPanel : public TRzFrameControllerLink<TCustomPanel> {
public:
    explicit TRzCustomPanel(TComponent* AOwner);
    void WndProc(TMessage& Message) override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

    TAlignmentVertical AlignmentVertical() const { return FAlignmentVertical; }
    virtual void SetAlignmentVertical(TAlignmentVertical Value);
    TFrameStyleEx BorderOuter() const { return FBorderOuter; }
    virtual void SetBorderOuter(TFrameStyleEx Value);
    TFrameStyleEx BorderInner() const { return FBorderInner; }
    virtual void SetBorderInner(TFrameStyleEx Value);
    TSides BorderSides() const { return FBorderSides; }
    virtual void SetBorderSides(TSides Value);
    TColor BorderColor() const { return FBorderColor; }
    virtual void SetBorderColor(TColor Value);
    TColor BorderHighlight() const { return FBorderHighlight; }
    virtual void SetBorderHighlight(TColor Value);
    TColor BorderShadow() const { return FBorderShadow; }
    virtual void SetBorderShadow(TColor Value);
    TColor FlatColor() const { return FFlatColor; }
    virtual void SetFlatColor(TColor Value);
    int FlatColorAdjustment() const { return FFlatColorAdjustment; }
    virtual void SetFlatColorAdjustment(int Value);
    TRzGradientColorStyle GradientColorStyle() const { return FGradientColorStyle; }
    virtual void SetGradientColorStyle(TRzGradientColorStyle Value);
    TColor GradientColorStart() const { return FGradientColorStart; }
    virtual void SetGradientColorStart(TColor Value);
    TColor GradientColorStop() const { return FGradientColorStop; }
    virtual void SetGradientColorStop(TColor Value);
    TGradientDirection GradientDirection() const { return FGradientDirection; }
    virtual void SetGradientDirection(TGradientDirection Value);
    TColor GridColor() const { return FGridColor; }
    virtual void SetGridColor(TColor Value);
    TRzGridStyle GridStyle() const { return FGridStyle; }
    virtual void SetGridStyle(TRzGridStyle Value);
    int GridXSize() const { return FGridXSize; }
    virtual void SetGridXSize(int Value);
    int GridYSize() const { return FGridYSize; }
    virtual void SetGridYSize(int Value);
    bool ShowGrid() const { return FShowGrid; }
    virtual void SetShowGrid(bool Value);
    bool PaintClientArea() const { return FPaintClientArea; }
    virtual void SetPaintClientArea(bool Value);
    bool Transparent() const { return FTransparent; }
    virtual void SetTransparent(bool Value);
    int TextMargin() const { return FTextMargin; }
    virtual void SetTextMargin(int Value);
    int TextMarginVertical() const { return FTextMarginVertical; }
    virtual void SetTextMarginVertical(int Value);
    bool WordWrap() const { return FWordWrap; }
    virtual void SetWordWrap(bool Value);
    TRzVisualStyle VisualStyle() const { return FVisualStyle; }
    virtual void SetVisualStyle(TRzVisualStyle Value);
    bool ShowDockClientCaptions() const { return FShowDockClientCaptions; }
    void SetShowDockClientCaptions(bool Value);
    // Repaints the whole panel on every move or size, not only the strips
    // that came into view.
    bool FullRepaint() const { return FFullRepaint; }
    void SetFullRepaint(bool Value) { FFullRepaint = Value; }

    // Older stored panels: "UseGradients" True meant the gradient look;
    // "FrameSides" and "ThemeAware" are read and dropped.
    void ReadOldUseGradients(bool Value);
    void DefineProperties(TFiler* Filer) override;

    TNotifyEvent OnPaint;

    TPoint GetCursorClientPos() const;
    // R moved in by the frames on the sides in BorderSides (by BorderWidth
    // on all four first when IncludeBorderWidth).
    virtual void AdjustClientRectForBorders(TRect& Rect, bool IncludeBorderWidth) const;
    virtual TRect GetControlRect() const { return TRect(0, 0, Width(), Height()); }
    virtual TPoint GetBorderOffset() const { return TPoint(1, 1); }
    virtual void EnableChildControls(bool Enable);
    virtual void GetGradientColors(TColor& StartColor, TColor& StopColor) const;
    virtual void GetFlatColors(TColor& FlatColor, int& Adjustment) const;
    // True while the child's enabled state is held by the panel.
    bool HoldsEnabledState(const TControl* Child) const;

    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();

protected:
    TRect GetClientRect() const override;
    void AdjustClientRect(TRect& Rect) override;
    TDockManager* CreateDockManager() override;
    void Paint() override;
    virtual void DrawCaption(const TRect& Rect);
    virtual void DrawGrid(const TRect& Rect);
    // No reason of the panel's own keeps the children disabled; the group
    // box adds its check box.
    virtual bool ChildrenMayBeEnabled() const { return Enabled(); }
    void ApplyFraming(const TRzFrameController& FC, TRzFrameControllerNotifications N) override;
    // Re-aligns the children after a frame change and repaints.
    void FramesChanged();
    // The flat frame colour after its adjustment.
    TColor AdjustedFlatColor() const;

private:
    void ChildLeaving(TControl* Child);

    TAlignmentVertical FAlignmentVertical = avCenter;
    TFrameStyleEx FBorderOuter = fsRaised;
    TFrameStyleEx FBorderInner = fsNone;
    TSides FBorderSides = sdAllSides;
    TColor FBorderColor = clBtnFace;
    TColor FBorderHighlight = clBtnHighlight;
    TColor FBorderShadow = clBtnShadow;
    TColor FFlatColor = clBtnShadow;
    int FFlatColorAdjustment = 30;
    TRzGradientColorStyle FGradientColorStyle = gcsSystem;
    TColor FGradientColorStart = clWhite;
    TColor FGradientColorStop = clBtnFace;
    TGradientDirection FGradientDirection = gdHorizontalEnd;
    TColor FGridColor = clBtnShadow;
    TRzGridStyle FGridStyle = gsDots;
    int FGridXSize = 8;
    int FGridYSize = 8;
    bool FShowGrid = false;
    bool FPaintClientArea = true;
    bool FTransparent = false;
    int FTextMargin = 0;
    int FTextMarginVertical = 0;
    bool FWordWrap = true;
    TRzVisualStyle FVisualStyle = vsWinXP;
    bool FShowDockClientCaptions = true;
    bool FFullRepaint = true;
    // The children's enabled states from the first disable on, until every
    // reason to keep them disabled is gone.
    std::vector<std::pair<TControl*, bool>> FEnabledStates;
    bool FStatesHeld = false;
};

class TRzPanel : public TRzCustomPanel {
public:
    using TRzCustomPanel::TRzCustomPanel;
};

// ---------------------------------------------------------------------------
// Group box
// ---------------------------------------------------------------------------

enum TRzGroupBoxStyle : unsigned char { gsStandard, gsCustom, gsTopLine, gsFlat, gsBanner, gsUnderline };

class TRzCustomGroupBox : public TRzCustomPanel {
public:
    static constexpr int CheckBoxSize = 13;

    explicit TRzCustomGroupBox(TComponent* AOwner);
    ~TRzCustomGroupBox() override;
    void WndProc(TMessage& Message) override;

    TRzGroupBoxStyle GroupStyle() const { return FGroupStyle; }
    virtual void SetGroupStyle(TRzGroupBoxStyle Value);
    int BannerHeight() const { return FBannerHeight; }
    virtual void SetBannerHeight(int Value);
    TFont* CaptionFont() const { return FCaptionFont.get(); }
    virtual void SetCaptionFont(const TFont* Value);
    bool ShowCheckBox() const { return FShowCheckBox; }
    virtual void SetShowCheckBox(bool Value);
    bool Checked() const { return FChecked; }
    virtual void SetChecked(bool Value);
    bool EnableControlsOnCheck() const { return FEnableControlsOnCheck; }
    virtual void SetEnableControlsOnCheck(bool Value);
    virtual void ToggleChecked() { SetChecked(!FChecked); }

    // The caption rectangle of the last paint; the check box's hot area.
    TRect CaptionRect() const { return FCaptionRect; }
    bool CheckBoxHot() const { return FHot; }
    bool CheckBoxPressed() const { return FPressed; }

    void CustomFramingChanged() override;
    void ChangeScale(int M, int D) override;

    TNotifyEvent OnCheckBoxClick;

    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();

protected:
    TRect GetClientRect() const override;
    void Paint() override;
    void CreateWnd() override;
    bool ChildrenMayBeEnabled() const override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyUp(WORD& Key, TShiftState Shift) override;
    // The caption rectangle for the caption font's text height H.
    TRect CalcCaptionRect(int H);
    void DrawCheckBox(const TRect& Box);

private:
    int TextHeightOf(const TFont* Font, const char* Sample) const;
    void PaintThemed(int H);
    void PaintClassic(int H);
    void DrawCaptionText(TRect TextRect, bool Themed);
    void CaptionFontChanged(TObject*);

    TRzGroupBoxStyle FGroupStyle = gsFlat;
    int FBannerHeight = 0;
    std::unique_ptr<TFont> FCaptionFont;
    bool FOwnCaptionFont = false;
    bool FShowCheckBox = false;
    bool FChecked = true;
    bool FEnableControlsOnCheck = true;
    TRect FCaptionRect;
    bool FHot = false;
    bool FPressed = false;
    bool FTracking = false;
    bool FSpaceDown = false;
};

class TRzGroupBox : public TRzCustomGroupBox {
public:
    using TRzCustomGroupBox::TRzCustomGroupBox;
};

// ---------------------------------------------------------------------------
// Status bar
// ---------------------------------------------------------------------------

class TRzStatusBar : public TRzCustomPanel {
public:
    static constexpr int GripWidth = 13;

    explicit TRzStatusBar(TComponent* AOwner);
    void WndProc(TMessage& Message) override;

    bool AutoStyle() const { return FAutoStyle; }
    void SetAutoStyle(bool Value) { FAutoStyle = Value; }
    bool AutoScalePanes() const { return FAutoScalePanes; }
    void SetAutoScalePanes(bool Value) { FAutoScalePanes = Value; }
    bool ShowSizeGrip() const { return FShowSizeGrip; }
    virtual void SetShowSizeGrip(bool Value);
    bool SimpleStatus() const { return FSimpleStatus; }
    virtual void SetSimpleStatus(bool Value);
    std::string SimpleCaption() const { return FSimpleCaption; }
    virtual void SetSimpleCaption(const std::string& Value);
    TFrameStyle SimpleFrameStyle() const { return FSimpleFrameStyle; }
    virtual void SetSimpleFrameStyle(TFrameStyle Value);

    void SetBorderInner(TFrameStyleEx Value) override;
    void SetBorderOuter(TFrameStyleEx Value) override;
    void SetBorderSides(TSides Value) override;

    // The grip is drawn and answers: shown, and the form is sizeable and not
    // maximised.
    bool SizeGripUsable();
    TRect SizeGripRect() const { return TRect(Width() - GripWidth, 0, Width(), Height()); }
    void GetGradientColors(TColor& StartColor, TColor& StopColor) const override;
    virtual void ApplyDefaultStyle();
    // Copies the themed background of the bar's area at (SourceX, SourceY)
    // to Dest on DC: the bar and the panes on it show the same picture, and
    // a theme draws it many times slower than a copy (a run repaints the bar
    // and its panes several times).
    void CopyThemedBackground(HDC DC, const TRect& Dest, int SourceX, int SourceY);

    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();

protected:
    TRect GetClientRect() const override;
    void Paint() override;
    void Resize() override;
    void Loaded() override;
    void PaintOverControls(HDC DC) override;
    virtual void DrawSimpleFrame(const TRect& Rect);
    void DrawSizeGrip(TCanvas* C, const TRect& Rect);

private:
    bool UseThemes() const;
    bool FAutoStyle = true;
    bool FAutoScalePanes = false;
    bool FShowSizeGrip = true;
    bool FSimpleStatus = false;
    std::string FSimpleCaption;
    TFrameStyle FSimpleFrameStyle = fsFlat;
    bool FGripUsable = false;
    int FLastWidth = 0;
    bool FWidthKnown = false;
    bool FApplyingStyle = false;
    // The themed background, drawn for the theme handle it was drawn with.
    std::unique_ptr<TBitmap> FThemedBack;
    void* FThemedBackTheme = nullptr;
};

// True for a point (in Control's coordinates) in the rightmost 12 pixels of
// a control on a status bar whose grip is shown and usable, when the control
// reaches the right edge of the bar's client area: there the control lets
// the mouse through to the grip.
bool IsOverSizeGrip(TControl* Control, const POINT& P);
