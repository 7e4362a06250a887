#pragma once
// The library's single-line edit: a frame painted in the non-client area
// with hot tracking, colours that follow the state, a cue text, Enter as
// Tab, and the settings a frame controller pushes.
#include <windows.h>

#include <memory>
#include <string>

#include "classlib/StdCtrls.h"
#include "controls/RzCommon.h"

class TRzCustomEdit : public TCustomMaskEdit {
public:
    explicit TRzCustomEdit(TComponent* AOwner);
    ~TRzCustomEdit() override;
    void WndProc(TMessage& Message) override;

    virtual void UpdateTextHint(const std::string& Hint);
    virtual void UpdateColors();
    virtual void UpdateFrame(bool ViaMouse, bool Hot);
    virtual void RepaintFrame();
    virtual TRect GetEditRect();
    virtual std::string GetEditText() { return Text(); }
    virtual bool UseThemes() const;
    virtual void InvalidKeyBeep();

    TAlignment Alignment() const { return FAlignment; }
    virtual void SetAlignment(TAlignment Value);
    void SetReadOnly(bool Value) override;
    TColor DisabledColor() const { return FDisabledColor; }
    virtual void SetDisabledColor(TColor Value);
    TColor FocusColor() const { return FFocusColor; }
    virtual void SetFocusColor(TColor Value);
    TColor ReadOnlyColor() const { return FReadOnlyColor; }
    virtual void SetReadOnlyColor(TColor Value);
    bool ReadOnlyColorOnFocus() const { return FReadOnlyColorOnFocus; }
    void SetReadOnlyColorOnFocus(bool Value);
    TColor FrameColor() const { return FFrameColor; }
    virtual void SetFrameColor(TColor Value);
    TRzFrameController* FrameController() const { return FFrameController; }
    virtual void SetFrameController(TRzFrameController* Value);
    TRzFrameControllerNotifications FrameControllerNotifications() const { return FFrameControllerNotifications; }
    void SetFrameControllerNotifications(TRzFrameControllerNotifications Value)
    {
        FFrameControllerNotifications = Value;
    }
    TColor FrameHotColor() const { return FFrameHotColor; }
    virtual void SetFrameHotColor(TColor Value);
    bool FrameHotTrack() const { return FFrameHotTrack; }
    virtual void SetFrameHotTrack(bool Value);
    TFrameStyle FrameHotStyle() const { return FFrameHotStyle; }
    virtual void SetFrameHotStyle(TFrameStyle Value);
    TSides FrameSides() const { return FFrameSides; }
    virtual void SetFrameSides(TSides Value);
    TFrameStyle FrameStyle() const { return FFrameStyle; }
    virtual void SetFrameStyle(TFrameStyle Value);
    bool FrameVisible() const { return FFrameVisible; }
    virtual void SetFrameVisible(bool Value);
    TFramingPreference FramingPreference() const { return FFramingPreference; }
    virtual void SetFramingPreference(TFramingPreference Value);
    bool TabOnEnter() const { return FTabOnEnter; }
    void SetTabOnEnter(bool Value) { FTabOnEnter = Value; }
    std::string TextHint() const { return FTextHint; }
    void SetTextHint(const std::string& Value);
    bool TextHintVisibleOnFocus() const { return FTextHintVisibleOnFocus; }
    void SetTextHintVisibleOnFocus(bool Value);
    bool BeepOnInvalidKey() const { return FBeepOnInvalidKey; }
    void SetBeepOnInvalidKey(bool Value) { FBeepOnInvalidKey = Value; }
    bool FlatButtons() const { return FFlatButtons; }
    virtual void SetFlatButtons(bool Value);

    bool FrameHot() const { return FFrameHotTrack && (FHotByMouse || FHotByFocus); }
    bool HotByMouse() const { return FHotByMouse; }
    bool HotByFocus() const { return FHotByFocus; }
    // The non-client frame as WM_NCPAINT draws it, on a DC of the window's
    // size.
    void PaintFrame(HDC DC);
    // A property the frame controller governs is not stored with the form.
    bool StoresProperty(TRzFrameControllerPropertyConnection Property) const;

    // Older stored forms.
    void ReadFrameFlat(bool Value);
    void ReadFrameFocusStyle(const std::string& StyleName);

    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void KeyPress(char& Key) override;
    virtual void ReadOnlyChanged();
    void SendNCPaint();
    bool FUpdatingColor = false;

private:
    TColor FNormalColor = clWindow;
    bool FHotByMouse = false;
    bool FHotByFocus = false;
    bool FNonClientHit = false;
    TAlignment FAlignment = taLeftJustify;
    TColor FDisabledColor = clBtnFace;
    TColor FFocusColor = clWindow;
    TColor FReadOnlyColor = clInfoBk;
    bool FReadOnlyColorOnFocus = false;
    TColor FFrameColor = clBtnShadow;
    TRzFrameController* FFrameController = nullptr;
    TRzFrameControllerNotifications FFrameControllerNotifications = fcnAll;
    TColor FFrameHotColor = clBtnShadow;
    bool FFrameHotTrack = false;
    TFrameStyle FFrameHotStyle = fsFlatBold;
    TSides FFrameSides = sdAllSides;
    TFrameStyle FFrameStyle = fsFlat;
    bool FFrameVisible = false;
    TFramingPreference FFramingPreference = fpXPThemes;
    bool FTabOnEnter = false;
    std::string FTextHint;
    bool FTextHintVisibleOnFocus = false;
    bool FBeepOnInvalidKey = true;
    bool FFlatButtons = false;
};

class TRzEdit : public TRzCustomEdit {
public:
    using TRzCustomEdit::TRzCustomEdit;
};
