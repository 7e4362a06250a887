#pragma once
// Owner-drawn push buttons (plain, latching, with a glyph) and the two
// windowless buttons: the toolbar button with its drop-down menu and the
// small arrow button that edits embed.
#include <memory>
#include <functional>
#include <string>

#include "classlib/ExtCtrls.h"
#include "classlib/ImgList.h"
#include "classlib/Menus.h"
#include "controls/RzCommon.h"
#include "controls/RzLabel.h"

enum TRzHotTrackColorType : unsigned char { htctComplement, htctActual };
enum TButtonLayout : unsigned char { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TBitBtnKind : unsigned char {
    bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll
};
constexpr int BitBtnKindCount = bkAll + 1;

// Broadcast to a parent's controls when a grouped button goes down (or its
// group settings change): WParam the group index, LParam the sender.
constexpr UINT CM_RzButtonPressed = 9249;

// The ring colours of a hot button: top (light) and bottom.
void HotTrackRingColors(TRzHotTrackColorType Type, TColor HotTrackColor, TColor& Top, TColor& Bottom);
// An 8 x 8 pattern of Base with Dots where x and y have the same parity:
// the face of a latched button.
void FillCheckerPattern(TBitmap* Bitmap, TColor Base, TColor Dots);
// The rectangle Text takes in Font within Bounds (DT_CALCRECT), measured
// without a window.
TRect MeasureText(const TFont* Font, const std::string& Text, const TRect& Bounds, UINT Flags);

// ---------------------------------------------------------------------------
// TRzCustomButton: press state, caption styles, focus and accelerator cues
// ---------------------------------------------------------------------------

class TRzCustomButton : public TCustomControl {
public:
    explicit TRzCustomButton(TComponent* AOwner);
    void WndProc(TMessage& Message) override;

    TAlignmentVertical AlignmentVertical() const { return FAlignmentVertical; }
    virtual void SetAlignmentVertical(TAlignmentVertical Value);
    bool HotTrack() const { return FHotTrack; }
    virtual void SetHotTrack(bool Value);
    TColor HighlightColor() const { return FHighlightColor; }
    virtual void SetHighlightColor(TColor Value);
    TColor HotTrackColor() const { return FHotTrackColor; }
    virtual void SetHotTrackColor(TColor Value);
    TRzHotTrackColorType HotTrackColorType() const { return FHotTrackColorType; }
    virtual void SetHotTrackColorType(TRzHotTrackColorType Value);
    bool LightTextStyle() const { return FLightTextStyle; }
    virtual void SetLightTextStyle(bool Value);
    TTextStyle TextStyle() const { return FTextStyle; }
    virtual void SetTextStyle(TTextStyle Value);
    TColor TextHighlightColor() const { return FTextHighlightColor; }
    virtual void SetTextHighlightColor(TColor Value);
    TColor TextShadowColor() const { return FTextShadowColor; }
    virtual void SetTextShadowColor(TColor Value);
    int TextShadowDepth() const { return FTextShadowDepth; }
    virtual void SetTextShadowDepth(int Value);
    bool ThemeAware() const { return FThemeAware; }
    virtual void SetThemeAware(bool Value);
    bool Transparent() const { return FTransparent; }
    virtual void SetTransparent(bool Value);
    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();

    bool Pressed() const { return FPressed; }
    bool Captured() const { return FCaptured; }
    bool MouseOver() const { return FMouseOver; }

    virtual bool UseThemes() const;
    // The caption in Rect, placed by AlignmentVertical and drawn in the
    // text style (see the definition).
    virtual void DrawCaption(TCanvas* Canvas, const TRect& Rect, UINT Flags);

protected:
    virtual void PaintParentBackground(HDC) {}
    virtual void UpdateDisplay() {}
    // The focus frame is drawn with the next paint: a focus moved by the
    // program in the middle of its work costs no paint of its own.
    virtual void UpdateFocusDisplay() { Invalidate(); }
    virtual TRect GetHotTrackRect() const { return ClientRect(); }
    // The completed press: a click.
    virtual void ChangeState() = 0;

    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyUp(WORD& Key, TShiftState Shift) override;
    void CreateWnd() override;

    // The window's UI state: focus rectangles and accelerator underlines
    // are shown unless it says they are hidden.
    bool ShowsFocusCues() const;
    bool ShowsAccelerators() const;
    bool PointInside(int X, int Y) const { return X >= 0 && X < ClientWidth() && Y >= 0 && Y < ClientHeight(); }
    void SetPressedState(bool Value) { FPressed = Value; }
    bool SpaceDown() const { return FSpaceDown; }
    void ClearPress();
    // Drops a mouse press being tracked as well.
    void EndPress()
    {
        ClearPress();
        FCaptured = false;
    }

private:
    bool FPressed = false;
    bool FCaptured = false;
    bool FMouseOver = false;
    bool FSpaceDown = false;
    TAlignmentVertical FAlignmentVertical = avCenter;
    bool FHotTrack = false;
    TColor FHighlightColor = clHighlight;
    TColor FHotTrackColor = 0x00149BF0;
    TRzHotTrackColorType FHotTrackColorType = htctActual;
    bool FLightTextStyle = false;
    TTextStyle FTextStyle = tsNormal;
    TColor FTextHighlightColor = clBtnHighlight;
    TColor FTextShadowColor = clBtnShadow;
    int FTextShadowDepth = 2;
    bool FThemeAware = true;
    bool FTransparent = false;
};

// ---------------------------------------------------------------------------
// TRzButton: three looks, latching groups, Default, Cancel and ModalResult
// ---------------------------------------------------------------------------

class TRzButton : public TRzCustomButton {
public:
    explicit TRzButton(TComponent* AOwner);
    void BeforeDestruction() override;
    void WndProc(TMessage& Message) override;
    void Click() override;

    TAlignment Alignment() const { return FAlignment; }
    virtual void SetAlignment(TAlignment Value);
    bool AllowAllUp() const { return FAllowAllUp; }
    virtual void SetAllowAllUp(bool Value);
    bool Cancel() const { return FCancel; }
    void SetCancel(bool Value) { FCancel = Value; }
    bool Default() const { return FDefault; }
    virtual void SetDefault(bool Value);
    bool Down() const { return FLatched; }
    virtual void SetDown(bool Value);
    bool DropDownOnEnter() const { return FDropDownOnEnter; }
    void SetDropDownOnEnter(bool Value) { FDropDownOnEnter = Value; }
    TColor FrameColor() const { return FFrameColor; }
    virtual void SetFrameColor(TColor Value);
    int GroupIndex() const { return FGroupIndex; }
    virtual void SetGroupIndex(int Value);
    int ModalResult() const { return FModalResult; }
    void SetModalResult(int Value) { FModalResult = Value; }
    bool ShowDownPattern() const { return FShowDownPattern; }
    virtual void SetShowDownPattern(bool Value);
    bool ShowFocusRect() const { return FShowFocusRect; }
    virtual void SetShowFocusRect(bool Value);
    void SetHotTrack(bool Value) override;

    // The form's current default button (Enter clicks it).
    bool Active() const { return FActive; }
    bool Clicking() const { return FClicking; }
    // A stored form's "FrameFlat".
    void ReadOldFrameFlat(bool Value) { SetHotTrack(Value); }
    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();
    void DefineProperties(TFiler* Filer) override
    {
        TRzCustomButton::DefineProperties(Filer);
        Filer->DefineProperty("FrameFlat", [this](TReader* R) { ReadOldFrameFlat(R->ReadBoolean()); }, nullptr, false);
    }

    virtual TRect GetCaptionRect() const;
    // An 8 x 8 dither of Color and a lighter or darker grey on pixels whose
    // x and y have the same parity.
    virtual void FillDownPattern(TBitmap* Bitmap) const;
    TRect FocusRect() const;

protected:
    virtual void DrawCaptionAligned();
    void Paint() override;
    void ChangeState() override;
    void UpdateDisplay() override { Invalidate(); }
    void PaintParentBackground(HDC DC) override;
    void CreateWnd() override;
    bool PressedLooking() const;
    bool DefaultLooking() const;
    void NotifyGroup();

private:
    void PaintHotTrackLook(TCanvas* C, TRect& R);
    void PaintClassicLook(TCanvas* C, TRect& R);

    TAlignment FAlignment = taCenter;
    bool FAllowAllUp = false;
    bool FCancel = false;
    bool FDefault = false;
    bool FLatched = false;
    bool FDropDownOnEnter = true;
    TColor FFrameColor = cl3DDkShadow;
    int FGroupIndex = 0;
    int FModalResult = 0;
    bool FShowDownPattern = true;
    bool FShowFocusRect = true;
    bool FActive = false;
    bool FClicking = false;
};

// ---------------------------------------------------------------------------
// TRzBitBtn: a glyph or an image beside the caption, and the Kind presets
// ---------------------------------------------------------------------------

// NumGlyphs from a glyph's size: width div height when the width is a whole
// multiple of the height (1 outside 1..4); Current when it is not, or when
// the glyph is empty (a zero height must not divide).
int GlyphCountFromSize(int Width, int Height, int Current);

class TRzBitBtn : public TRzButton {
public:
    explicit TRzBitBtn(TComponent* AOwner);
    ~TRzBitBtn() override;

    TBitmap* Glyph() const { return FGlyph.get(); }
    virtual void SetGlyph(const TBitmap* Value);
    int NumGlyphs() const { return FNumGlyphs; }
    virtual void SetNumGlyphs(int Value);
    TCustomImageList* Images() const { return FImages; }
    virtual void SetImages(TCustomImageList* Value);
    TImageIndex ImageIndex() const { return FImageIndex; }
    virtual void SetImageIndex(TImageIndex Value);
    TImageIndex DisabledIndex() const { return FDisabledIndex; }
    virtual void SetDisabledIndex(TImageIndex Value);
    // Reading it falls back to bkCustom once the preset was changed.
    virtual TBitBtnKind GetKind();
    virtual void SetKind(TBitBtnKind Value);
    // Stored with a form (RzButtonStore.cpp): Kind; Caption unless it is
    // the Kind's own; Cancel, Default, ModalResult, Glyph, NumGlyphs only
    // for bkCustom.
    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();
    TButtonLayout Layout() const { return FLayout; }
    virtual void SetLayout(TButtonLayout Value);
    int Margin() const { return FMargin; }
    virtual void SetMargin(int Value);
    int Spacing() const { return FSpacing; }
    virtual void SetSpacing(int Value);
    // The scaling of a form: Margin and Spacing follow.
    void ChangeScale(int M, int D) override;

    SIZE GetGlyphSize() const;
    TRect GetCaptionRect() const override;
    TRect GetGlyphRect() const;

protected:
    void DrawCaptionAligned() override;
    virtual void DrawImage(const TRect& Rect);
    virtual void DrawGlyph(const TRect& Rect);
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // A custom action's image, unless loading finds an image already set.
    void ActionChange(TObject* Sender, bool CheckDefaults) override;

private:
    TButtonLayout EffectiveLayout() const;
    int CaptionHeight() const;
    void GlyphChanged(TObject*);

    std::unique_ptr<TBitmap> FGlyph;
    int FNumGlyphs = 1;
    TCustomImageList* FImages = nullptr;
    TChangeLink FImagesLink;
    TImageIndex FImageIndex = -1;
    TImageIndex FDisabledIndex = -1;
    TBitBtnKind FKind = bkCustom;
    TButtonLayout FLayout = blGlyphLeft;
    int FMargin = 2;
    int FSpacing = 4;
    bool FGlyphModified = false;
    bool FSettingKind = false;
};

// The preset glyph of a Kind, loaded from the module's resources on first
// use and kept; null for bkCustom.
TBitmap* KindGlyph(TBitBtnKind Kind);
// The preset caption of a Kind ("" for bkCustom).
std::string KindCaption(TBitBtnKind Kind);
int KindModalResult(TBitBtnKind Kind);

// ---------------------------------------------------------------------------
// TRzToolButton
// ---------------------------------------------------------------------------

enum TRzToolStyle : unsigned char { tsButton, tsDropDown };
enum TRzToolButtonState : unsigned char { tbsUp, tbsDisabled, tbsPressed, tbsLatched, tbsDropped };

constexpr int ToolDropDownWidth = 14;

class TRzToolButton : public TGraphicControl {
public:
    explicit TRzToolButton(TComponent* AOwner);
    ~TRzToolButton() override;
    void WndProc(TMessage& Message) override;
    void Click() override;

    bool AllowAllUp() const { return FAllowAllUp; }
    virtual void SetAllowAllUp(bool Value);
    TAlignment Alignment() const { return FAlignment; }
    virtual void SetAlignment(TAlignment Value);
    TImageIndex DisabledIndex() const { return FDisabledIndex; }
    virtual void SetDisabledIndex(TImageIndex Value);
    bool Down() const { return FDown; }
    virtual void SetDown(bool Value);
    TImageIndex DownIndex() const { return FDownIndex; }
    virtual void SetDownIndex(TImageIndex Value);
    TPopupMenu* DropDownMenu() const { return FDropDownMenu; }
    virtual void SetDropDownMenu(TPopupMenu* Value);
    bool Flat() const { return FFlat; }
    virtual void SetFlat(bool Value);
    TRzGradientColorStyle GradientColorStyle() const { return FGradientColorStyle; }
    virtual void SetGradientColorStyle(TRzGradientColorStyle Value);
    int GroupIndex() const { return FGroupIndex; }
    virtual void SetGroupIndex(int Value);
    TImageIndex HotIndex() const { return FHotIndex; }
    virtual void SetHotIndex(TImageIndex Value);
    TImageIndex ImageIndex() const { return FImageIndex; }
    virtual void SetImageIndex(TImageIndex Value);
    TCustomImageList* Images() const { return FImages; }
    virtual void SetImages(TCustomImageList* Value);
    TButtonLayout Layout() const { return FLayout; }
    virtual void SetLayout(TButtonLayout Value);
    TColor SelectionColorStart() const { return FSelectionColorStart; }
    virtual void SetSelectionColorStart(TColor Value);
    TColor SelectionColorStop() const { return FSelectionColorStop; }
    virtual void SetSelectionColorStop(TColor Value);
    TColor SelectionFrameColor() const { return FSelectionFrameColor; }
    virtual void SetSelectionFrameColor(TColor Value);
    bool ShowCaption() const { return FShowCaption; }
    virtual void SetShowCaption(bool Value);
    TRzToolStyle ToolStyle() const { return FToolStyle; }
    virtual void SetToolStyle(TRzToolStyle Value);
    bool Transparent() const { return FTransparent; }
    virtual void SetTransparent(bool Value);
    TRzVisualStyle VisualStyle() const { return FVisualStyle; }
    virtual void SetVisualStyle(TRzVisualStyle Value);
    bool UseToolbarButtonLayout() const { return FUseToolbarButtonLayout; }
    void SetUseToolbarButtonLayout(bool Value) { FUseToolbarButtonLayout = Value; }
    bool UseToolbarButtonSize() const { return FUseToolbarButtonSize; }
    void SetUseToolbarButtonSize(bool Value) { FUseToolbarButtonSize = Value; }
    bool UseToolbarShowCaption() const { return FUseToolbarShowCaption; }
    void SetUseToolbarShowCaption(bool Value) { FUseToolbarShowCaption = Value; }
    bool UseToolbarVisualStyle() const { return FUseToolbarVisualStyle; }
    void SetUseToolbarVisualStyle(bool Value) { FUseToolbarVisualStyle = Value; }

    void SetParent(TWinControl* AParent) override;

    TRzToolButtonState ButtonState() const { return FState; }
    bool MouseInControl() const { return FMouseInControl; }
    bool Dropping() const { return FDropping; }
    bool ClickAllowed() const { return FClickAllowed; }
    // The source of the drop-down guard's clock; tests put their own.
    std::function<DWORD()> TickSource = [] { return GetTickCount(); };

    // Stored forms: obsolete names mapped to the current properties.
    void ReadOldUseGradients(bool Value);
    // Down and ImageIndex are stored only when no action supplies them
    // (RzButtonStore.cpp).
    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();
    void DefineProperties(TFiler* Filer) override
    {
        TGraphicControl::DefineProperties(Filer);
        Filer->DefineProperty(
            "UseGradients", [this](TReader* R) { ReadOldUseGradients(R->ReadBoolean()); }, nullptr, false);
        DefineOldProperty(Filer, "GradientColorDefault", TRzOldPropReader::ReadOldColorProp);
        DefineOldProperty(Filer, "ThemeAware", TRzOldPropReader::ReadOldBooleanProp);
        // The selection colours had the gradient's names.
        const auto Mapped = [this, Filer](const char* Name, void (TRzToolButton::*Set)(TColor)) {
            Filer->DefineProperty(
                Name, [this, Set](TReader* R) { (this->*Set)(TRzOldPropReader::ReadColor(R)); }, nullptr, false);
        };
        Mapped("GradientColorStart", &TRzToolButton::SetSelectionColorStart);
        Mapped("GradientColorStop", &TRzToolButton::SetSelectionColorStop);
        Mapped("FrameColor", &TRzToolButton::SetSelectionFrameColor);
    }

    TNotifyEvent OnDropDown;

    // Image and caption places in the client area less the arrow part.
    void CalcLayout(TRect& ImageRect, TRect& TextRect);
    SIZE GetImageSize() const;
    // The menu's top-left in screen coordinates, before it pops.
    TPoint DropDownPoint();

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    TControlActionLink* CreateActionLink() override;
    // A custom action's image, unless loading finds an image already set.
    void ActionChange(TObject* Sender, bool CheckDefaults) override;
    virtual void UpdateFromToolbar() {}
    virtual void DrawBorder(TRect& Rect);
    virtual void DrawImage(const TRect& Rect);
    virtual void DrawDropDownArrow();
    virtual void DrawToolCaption(const TRect& Rect);
    virtual void DropDown();

private:
    bool HasClickHandler() const;
    bool InArrowPart(int X) const;
    TRect ArrowRect() const;
    bool Themed() const;
    bool HotLook() const;
    void ReevaluateHot();
    void ImagesChanged(TObject*);
    void FitImages();

    TRzToolButtonState FState = tbsUp;
    bool FCaptured = false;
    bool FMouseInControl = false;
    bool FClickAllowed = true;
    DWORD FLastDropTick = 0;
    bool FDropping = false;
    TChangeLink FImagesLink;

    bool FAllowAllUp = false;
    TAlignment FAlignment = taCenter;
    TImageIndex FDisabledIndex = -1;
    bool FDown = false;
    TImageIndex FDownIndex = -1;
    TPopupMenu* FDropDownMenu = nullptr;
    bool FFlat = true;
    TRzGradientColorStyle FGradientColorStyle = gcsSystem;
    int FGroupIndex = 0;
    TImageIndex FHotIndex = -1;
    TImageIndex FImageIndex = -1;
    TCustomImageList* FImages = nullptr;
    TButtonLayout FLayout = blGlyphLeft;
    TColor FSelectionColorStart = clBtnFace;
    TColor FSelectionColorStop = clBtnShadow;
    TColor FSelectionFrameColor = cl3DDkShadow;
    bool FShowCaption = false;
    TRzToolStyle FToolStyle = tsButton;
    bool FTransparent = true;
    TRzVisualStyle FVisualStyle = vsWinXP;
    bool FUseToolbarButtonLayout = true;
    bool FUseToolbarButtonSize = true;
    bool FUseToolbarShowCaption = true;
    bool FUseToolbarVisualStyle = true;
};

// The action's Checked is the button's Down, its image the button's image.
class TRzToolButtonActionLink : public TControlActionLink {
public:
    explicit TRzToolButtonActionLink(TRzToolButton* AClient) : TControlActionLink(AClient), FButton(AClient) {}
    bool IsCheckedLinked() const override;
    bool IsImageIndexLinked() const override;
    void SetChecked(bool Value) override;
    void SetImageIndex(int Value) override;

private:
    TRzToolButton* FButton;
};

// ---------------------------------------------------------------------------
// TRzControlButton
// ---------------------------------------------------------------------------

enum TRzControlButtonStyle : unsigned char { cbsNone, cbsLeft, cbsUp, cbsRight, cbsDown, cbsDropDown };

class TRzControlButton : public TGraphicControl {
public:
    explicit TRzControlButton(TComponent* AOwner);
    ~TRzControlButton() override;
    void WndProc(TMessage& Message) override;

    WORD Delay() const { return FDelay; }
    void SetDelay(WORD Value) { FDelay = Value; }
    WORD InitialDelay() const { return FInitialDelay; }
    void SetInitialDelay(WORD Value) { FInitialDelay = Value; }
    bool Flat() const { return FFlat; }
    virtual void SetFlat(bool Value);
    TBitmap* Glyph() const { return FGlyph.get(); }
    virtual void SetGlyph(const TBitmap* Value);
    int NumGlyphs() const { return FNumGlyphs; }
    virtual void SetNumGlyphs(int Value);
    bool RepeatClicks() const { return FRepeatClicks; }
    void SetRepeatClicks(bool Value) { FRepeatClicks = Value; }
    TRzControlButtonStyle Style() const { return FStyle; }
    virtual void SetStyle(TRzControlButtonStyle Value);
    // Glyph and NumGlyphs are stored once a glyph is set (RzButtonStore.cpp).
    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();

    bool IsDown() const { return FDown; }
    bool MouseInControl() const { return FMouseInControl; }
    // The repeat timer, made on the first press with RepeatClicks.
    TTimer* RepeatTimer() const { return FRepeatTimer.get(); }
    SIZE GetGlyphSize() const;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    virtual void DrawButtonFace(TRect& Rect);
    virtual void DrawArrowButton(TRect Rect);
    virtual void DrawDropDownButton(TRect Rect);
    virtual void DrawGlyph(const TRect& Rect);

private:
    void TimerExpired(TObject*);
    void GlyphChanged(TObject*);
    bool Themed() const;

    bool FDown = false;
    bool FDragging = false;
    bool FMouseInControl = false;
    std::unique_ptr<TTimer> FRepeatTimer;
    WORD FDelay = 100;
    WORD FInitialDelay = 400;
    bool FFlat = false;
    std::unique_ptr<TBitmap> FGlyph;
    int FNumGlyphs = 1;
    bool FRepeatClicks = false;
    TRzControlButtonStyle FStyle = cbsNone;
};
