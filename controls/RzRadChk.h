#pragma once
#include <memory>
// The glyph button (a state glyph beside a caption) and the check box made
// from it: themed, flat, classic or custom glyphs, read-only use, auto
// size, and a link of Checked to an action.
#include "classlib/ImgList.h"
#include "controls/RzButton.h"
#include "controls/RzGrafx.h"

enum TCheckBoxState : unsigned char { cbUnchecked, cbChecked, cbGrayed };

class TRzCustomGlyphButton : public TRzCustomButton, public IRzCustomFramingNotification {
public:
    explicit TRzCustomGlyphButton(TComponent* AOwner);
    ~TRzCustomGlyphButton() override;
    void BeforeDestruction() override;
    void WndProc(TMessage& Message) override;
    void Invalidate() override;

    // taRightJustify: the glyph at the left, the caption to its right.
    TAlignment Alignment() const { return FAlignment; }
    virtual void SetAlignment(TAlignment Value);
    void SetAutoSize(bool Value) override;
    bool WordWrap() const { return FWordWrap; }
    virtual void SetWordWrap(bool Value);
    TBitmap* CustomGlyphs() const { return FCustomGlyphs.get(); }
    virtual void SetCustomGlyphs(const TBitmap* Value);
    TCustomImageList* CustomGlyphImages() const { return FCustomGlyphImages; }
    virtual void SetCustomGlyphImages(TCustomImageList* Value);
    bool UseCustomGlyphs() const { return FUseCustomGlyphs; }
    virtual void SetUseCustomGlyphs(bool Value);
    TColor TransparentColor() const { return FTransparentColor; }
    virtual void SetTransparentColor(TColor Value);
    TColor WinMaskColor() const { return FWinMaskColor; }
    virtual void SetWinMaskColor(TColor Value);
    TColor FillColor() const { return FFillColor; }
    virtual void SetFillColor(TColor Value);
    TColor FocusColor() const { return FFocusColor; }
    virtual void SetFocusColor(TColor Value);
    TColor DisabledColor() const { return FDisabledColor; }
    virtual void SetDisabledColor(TColor Value);
    TColor FrameColor() const { return FFrameColor; }
    virtual void SetFrameColor(TColor Value);
    bool ReadOnly() const { return FReadOnly; }
    virtual void SetReadOnly(bool Value);
    TColor ReadOnlyColor() const { return FReadOnlyColor; }
    virtual void SetReadOnlyColor(TColor Value);
    bool ReadOnlyColorOnFocus() const { return FReadOnlyColorOnFocus; }
    void SetReadOnlyColorOnFocus(bool Value);
    TRzHotTrackStyle HotTrackStyle() const { return FHotTrackStyle; }
    void SetHotTrackStyle(TRzHotTrackStyle Value);
    bool TabOnEnter() const { return FTabOnEnter; }
    void SetTabOnEnter(bool Value) { FTabOnEnter = Value; }
    TRzFrameController* FrameController() const { return FFrameController; }
    virtual void SetFrameController(TRzFrameController* Value);
    TRzFrameControllerNotifications FrameControllerNotifications() const { return FFrameControllerNotifications; }
    void SetFrameControllerNotifications(TRzFrameControllerNotifications Value);

    void CustomFramingChanged() override { ApplyFrameControllerSettings(); }
    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();
    // A stored form's retired "Flat".
    void ReadOldFlat(bool Value) { SetHotTrack(Value); }
    void DefineProperties(TFiler* Filer) override
    {
        TRzCustomButton::DefineProperties(Filer);
        Filer->DefineProperty("Flat", [this](TReader* R) { ReadOldFlat(R->ReadBoolean()); }, nullptr, false);
    }
    // The scaling of a form: a themed glyph follows.
    void ChangeScale(int M, int D) override;

    SIZE GlyphSize() const { return FGlyphSize; }
    // Where the glyph is drawn; also the area hot tracking repaints.
    TRect GlyphRect() const;
    TRect CaptionRect() const;
    // How many frames a custom strip holds: 2 here, 9 for a check box.
    int GlyphFrameCount() const { return FFrameCount; }

protected:
    virtual void ApplyFrameControllerSettings();
    // Draws the current state's glyph into Bitmap, which holds what is
    // under the glyph.
    virtual void SelectGlyph(TBitmap* Bitmap) = 0;
    virtual void DrawGlyph(TBitmap* Target, const TRect& Where);
    // Copies frame Index (Width pixels wide) of a strip into Bitmap.
    void ExtractGlyph(int Index, TBitmap* Bitmap, int Height, int Width, TBitmap* Source) const;
    virtual bool GetChecked() const { return false; }
    virtual void SetCheckedValue(bool) {}
    TRect GetHotTrackRect() const override { return GlyphRect(); }
    void PaintParentBackground(HDC DC) override;
    void Paint() override;
    void UpdateDisplay() override { Invalidate(); }
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyUp(WORD& Key, TShiftState Shift) override;
    void CreateWnd() override;
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void SetFrameCount(int Value);
    bool MousePressInProgress() const { return FMousePress; }
    // Draws the selected glyph of a custom source (strip or images) over
    // the background, leaving out TransparentColor.
    void DrawCustomGlyph(TBitmap* Bitmap, int Index);
    void AdjustBounds();
    // True when the custom glyphs are images from the list.
    bool CustomFromImages() const;

private:
    void UpdateGlyphSize();
    void CustomGlyphsChanged(TObject*);
    bool GlyphAtLeft() const;
    UINT CaptionFlags() const;

    TAlignment FAlignment = taRightJustify;
    bool FWordWrap = false;
    std::unique_ptr<TBitmap> FCustomGlyphs;
    TCustomImageList* FCustomGlyphImages = nullptr;
    TChangeLink FImagesLink;
    bool FUseCustomGlyphs = false;
    TColor FTransparentColor = clOlive;
    TColor FWinMaskColor = clLime;
    TColor FFillColor = clWindow;
    TColor FFocusColor = clWindow;
    TColor FDisabledColor = clBtnFace;
    TColor FFrameColor = clBtnShadow;
    bool FReadOnly = false;
    TColor FReadOnlyColor = clInfoBk;
    bool FReadOnlyColorOnFocus = false;
    TRzHotTrackStyle FHotTrackStyle = htsInterior;
    bool FTabOnEnter = false;
    TRzFrameController* FFrameController = nullptr;
    TRzFrameControllerNotifications FFrameControllerNotifications = fcnAll;

    SIZE FGlyphSize{13, 13};
    SIZE FThemedSize{13, 13};
    TBitmap FGlyphCache;
    bool FGlyphDirty = true;
    bool FMousePress = false;
    int FFrameCount = 2;
};

class TRzCustomCheckBox : public TRzCustomGlyphButton {
public:
    explicit TRzCustomCheckBox(TComponent* AOwner);
    void WndProc(TMessage& Message) override;

    TCheckBoxState State() const { return FState; }
    virtual void SetState(TCheckBoxState Value);
    bool Checked() const { return GetChecked(); }
    void SetChecked(bool Value) { SetCheckedValue(Value); }
    bool AllowGrayed() const { return FAllowGrayed; }
    void SetAllowGrayed(bool Value) { FAllowGrayed = Value; }
    // Checked and State are stored only when no action supplies them,
    // CustomGlyphs once set.
    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();

    // The state's glyph index in a custom list: disabled, pressed, hot or
    // normal frames, falling back to the normal one where the list lacks
    // the index.
    int CustomImageIndex(int ImageCount) const;

protected:
    friend class TRzCheckedActionLink;
    void ChangeState() override;
    void SelectGlyph(TBitmap* Bitmap) override;
    bool GetChecked() const override { return FState == cbChecked; }
    void SetCheckedValue(bool Value) override;
    TControlActionLink* CreateActionLink() override;
    // The action's Checked, unless loading finds the box checked already.
    void ActionChange(TObject* Sender, bool CheckDefaults) override;
    // Sets the state as an action does: no click.
    void SetCheckedFromAction(bool Value);

private:
    TCheckBoxState FState = cbUnchecked;
    bool FAllowGrayed = false;
    bool FActionUpdating = false;
};

class TRzCheckBox : public TRzCustomCheckBox {
public:
    using TRzCustomCheckBox::TRzCustomCheckBox;
};

// Links a check box's Checked to the action's Checked.
class TRzCheckedActionLink : public TWinControlActionLink {
public:
    explicit TRzCheckedActionLink(TRzCustomCheckBox* AClient) : TWinControlActionLink(AClient), FBox(AClient) {}
    bool IsCheckedLinked() const override;
    void SetChecked(bool Value) override;

private:
    TRzCustomCheckBox* FBox;
};
