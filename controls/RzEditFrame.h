#pragma once
// The frame and colour settings of the framed edits (the single-line edit
// and the rich edit): their storage and setters, the colour state rule, the
// hot frame, the non-client frame painter, the storing rules under a frame
// controller and the readers of older stored forms. TBase is the class
// library's edit the control builds on.
#include <windows.h>

#include <string>

#include "classlib/Cleanup.h"
#include "classlib/Graphics.h"
#include "classlib/Themes.h"
#include "controls/RzCommon.h"

template <class TBase>
class TRzFramedEdit : public TBase {
public:
    explicit TRzFramedEdit(TComponent* AOwner) : TBase(AOwner) { FNormalColor = this->Color(); }
    ~TRzFramedEdit() override { ChangeFrameController(this, FFrameController, nullptr); }

    // Colours follow the state: disabled, focused, read-only or normal.
    virtual void UpdateColors()
    {
        if (this->HasState(csLoading))
            return;
        FUpdatingColor = true;
        this->SetColor(StateColor({FNormalColor, FDisabledColor, FFocusColor, FReadOnlyColor, FReadOnlyColorOnFocus},
                                  this->Enabled(), FocusedForColors(), this->ReadOnly()));
        FUpdatingColor = false;
    }
    // The mouse part of the hot state; the focus part is the control's own.
    virtual void UpdateFrame(bool ViaMouse, bool Hot)
    {
        if (ViaMouse)
            FHotByMouse = Hot;
        if (FFrameHotTrack)
            RepaintFrame();
        UpdateColors();
    }
    virtual void RepaintFrame()
    {
        if (this->HandleAllocated())
            InvalidateNonClientFrame(this->WindowHandle(), this->ClientRect());
    }
    virtual bool UseThemes() const
    {
        return FFramingPreference == fpXPThemes && ThemeServices()->ThemesEnabled();
    }

    TColor DisabledColor() const { return FDisabledColor; }
    virtual void SetDisabledColor(TColor Value)
    {
        if (StoreChanged(FDisabledColor, Value) && !this->Enabled())
            UpdateColors();
    }
    TColor FocusColor() const { return FFocusColor; }
    virtual void SetFocusColor(TColor Value)
    {
        if (StoreChanged(FFocusColor, Value) && FocusedForColors())
            UpdateColors();
    }
    TColor ReadOnlyColor() const { return FReadOnlyColor; }
    virtual void SetReadOnlyColor(TColor Value)
    {
        if (StoreChanged(FReadOnlyColor, Value) && this->ReadOnly())
            UpdateColors();
    }
    bool ReadOnlyColorOnFocus() const { return FReadOnlyColorOnFocus; }
    void SetReadOnlyColorOnFocus(bool Value)
    {
        if (StoreChanged(FReadOnlyColorOnFocus, Value))
            UpdateColors();
    }
    TColor FrameColor() const { return FFrameColor; }
    virtual void SetFrameColor(TColor Value) { StoreAndRepaint(FFrameColor, Value); }
    TRzFrameController* FrameController() const { return FFrameController; }
    virtual void SetFrameController(TRzFrameController* Value)
    {
        ChangeFrameController(this, FFrameController, Value);
    }
    TRzFrameControllerNotifications FrameControllerNotifications() const { return FFrameControllerNotifications; }
    void SetFrameControllerNotifications(TRzFrameControllerNotifications Value)
    {
        FFrameControllerNotifications = Value;
    }
    TColor FrameHotColor() const { return FFrameHotColor; }
    virtual void SetFrameHotColor(TColor Value) { StoreAndRepaint(FFrameHotColor, Value); }
    bool FrameHotTrack() const { return FFrameHotTrack; }
    // Turning it on shows the frame and, outside loading, draws all sides.
    virtual void SetFrameHotTrack(bool Value)
    {
        if (!StoreChanged(FFrameHotTrack, Value))
            return;
        if (Value) {
            SetFrameVisible(true);
            if (!this->HasState(csLoading))
                FFrameSides = sdAllSides;
        }
        RepaintFrame();
    }
    TFrameStyle FrameHotStyle() const { return FFrameHotStyle; }
    virtual void SetFrameHotStyle(TFrameStyle Value) { StoreAndRepaint(FFrameHotStyle, Value); }
    TSides FrameSides() const { return FFrameSides; }
    virtual void SetFrameSides(TSides Value) { StoreAndRepaint(FFrameSides, Value); }
    TFrameStyle FrameStyle() const { return FFrameStyle; }
    virtual void SetFrameStyle(TFrameStyle Value) { StoreAndRepaint(FFrameStyle, Value); }
    bool FrameVisible() const { return FFrameVisible; }
    // The non-client area is computed at creation: a new window.
    virtual void SetFrameVisible(bool Value)
    {
        if (StoreChanged(FFrameVisible, Value) && this->HandleAllocated())
            this->RecreateWnd();
    }
    TFramingPreference FramingPreference() const { return FFramingPreference; }
    virtual void SetFramingPreference(TFramingPreference Value) { StoreAndRepaint(FFramingPreference, Value); }
    bool TabOnEnter() const { return FTabOnEnter; }
    void SetTabOnEnter(bool Value) { FTabOnEnter = Value; }

    bool FrameHot() const { return FFrameHotTrack && (FHotByMouse || FocusedForColors()); }
    bool HotByMouse() const { return FHotByMouse; }
    // The non-client frame as WM_NCPAINT draws it, on a DC of the window's
    // size.
    void PaintFrame(HDC DC)
    {
        TCanvas C;
        C.SetHandle(DC);
        const bool Hot = FrameHot();
        DrawNonClientFrame(&C, this->Width(), this->Height(), false, FFrameSides, Hot ? FFrameHotColor : FFrameColor,
                           this->Color(), Hot ? FFrameHotStyle : FFrameStyle);
        C.SetHandle(nullptr);
    }
    // A property the frame controller governs is not stored with the form;
    // Color only while enabled, FocusColor only when it differs from Color.
    bool StoresProperty(TRzFrameControllerPropertyConnection Property) const
    {
        if (FFrameController && HasNotification(FFrameControllerNotifications, Property))
            return false;
        if (Property == fcpColor)
            return this->Enabled();
        if (Property == fcpFocusColor)
            return ColorToRGB(FFocusColor) != ColorToRGB(this->Color());
        return true;
    }

    // Older stored forms: "FrameFlat" and "FrameFocusStyle" (a style's
    // identifier); "FrameFlatStyle" is read and dropped by the form reader.
    void ReadFrameFlat(bool Value)
    {
        SetFrameHotTrack(Value);
        if (Value) {
            SetFrameStyle(fsStatus);
            SetFrameHotStyle(fsLowered);
        }
    }
    void ReadFrameFocusStyle(const std::string& StyleName)
    {
        TFrameStyle S;
        if (FrameStyleFromName(StyleName, S))
            SetFrameHotStyle(S);
    }

    const TPropertyTable* Properties() const override { return &ClassProperties(); }
    static const TPropertyTable& ClassProperties()
    {
        using E = TRzFramedEdit;
        static const TPropertyTable Table(&TBase::ClassProperties(), {
            OrdProp("DisabledColor", &E::DisabledColor, &E::SetDisabledColor),
            OrdProp("FocusColor", &E::FocusColor, &E::SetFocusColor),
            OrdProp("FrameColor", &E::FrameColor, &E::SetFrameColor),
            OrdProp("FrameControllerNotifications", &E::FrameControllerNotifications,
                    &E::SetFrameControllerNotifications),
            OrdProp("FrameHotColor", &E::FrameHotColor, &E::SetFrameHotColor),
            OrdProp("FrameHotTrack", &E::FrameHotTrack, &E::SetFrameHotTrack),
            OrdProp("FrameHotStyle", &E::FrameHotStyle, &E::SetFrameHotStyle),
            OrdProp("FrameSides", &E::FrameSides, &E::SetFrameSides),
            OrdProp("FrameStyle", &E::FrameStyle, &E::SetFrameStyle),
            OrdProp("FrameVisible", &E::FrameVisible, &E::SetFrameVisible),
            OrdProp("FramingPreference", &E::FramingPreference, &E::SetFramingPreference),
            OrdProp("ReadOnlyColor", &E::ReadOnlyColor, &E::SetReadOnlyColor),
            OrdProp("ReadOnlyColorOnFocus", &E::ReadOnlyColorOnFocus, &E::SetReadOnlyColorOnFocus),
            OrdProp("TabOnEnter", &E::TabOnEnter, &E::SetTabOnEnter),
        });
        return Table;
    }

protected:
    // Whether the focus colour applies and the frame is hot by focus.
    virtual bool FocusedForColors() const = 0;

    // WM_NCPAINT: the system's frame, then ours over it when it is shown
    // and no theme draws it.
    void PaintNonClient(TMessage& Message)
    {
        TBase::WndProc(Message);
        if (FFrameVisible && !UseThemes() && this->HandleAllocated()) {
            TWindowDC DC(this->WindowHandle(), GetWindowDC(this->WindowHandle()));
            PaintFrame(DC.Get());
        }
        Message.Result = 0;
    }
    // CM_COLORCHANGED and CM_PARENTCOLORCHANGED: a colour set from outside
    // (not by UpdateColors) becomes the normal colour, and the focus colour
    // with it while they were the same.
    void ColorChanged(TMessage& Message)
    {
        TBase::WndProc(Message);
        if (!FUpdatingColor && (Message.Msg == CM_COLORCHANGED || this->ParentColor())) {
            if (FFocusColor == FNormalColor)
                FFocusColor = this->Color();
            FNormalColor = this->Color();
        }
        if (FFrameVisible && !UseThemes())
            RepaintFrame();
    }
    void Loaded() override
    {
        TBase::Loaded();
        FNormalColor = this->Color();
        UpdateColors();
        UpdateFrame(false, false);
    }
    void Notification(TComponent* AComponent, TOperation Operation) override
    {
        TBase::Notification(AComponent, Operation);
        if (Operation == opRemove && AComponent == FFrameController)
            FFrameController = nullptr;
    }

    // Enter (#13) with TabOnEnter: swallowed, and a Tab key posted to the
    // control moves the focus on. True when the key was taken.
    bool EnterAsTab(char& Key)
    {
        if (!FTabOnEnter || Key != VK_RETURN)
            return false;
        Key = 0;
        PostMessageA(this->Handle(), WM_KEYDOWN, VK_TAB, 0);
        return true;
    }

    bool FUpdatingColor = false;

private:
    template <class T>
    void StoreAndRepaint(T& Field, T Value)
    {
        if (StoreChanged(Field, Value))
            RepaintFrame();
    }

    TColor FNormalColor = clWindow;
    bool FHotByMouse = false;
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
};
