#pragma once
// The frame and colour settings every framed control of the library has
// (edits, combo box, list box, the shell's list and tree views): their
// storage and setters, the frame controller link, the storing rules under a
// controller and the readers of older stored forms. What a changed setting
// repaints is the control's own (FrameSettingChanged, UpdateColors).
#include <windows.h>

#include <string>
#include <type_traits>

#include "classlib/Controls.h"
#include "controls/RzCommon.h"

// A setting whose getter asks the window (the selected item, the item
// height of a list or combo box).
template <class C, class V, class S>
TPropInfo AskedProp(const char* Name, V (C::*Get)(), void (C::*Set)(S))
{
    TPropInfo P;
    P.Name = Name;
    P.Bounds = OrdBoundsOf<std::remove_cvref_t<S>>();
    P.SetOrd = [Set](TObject* O, TPropOrd Value) {
        (static_cast<C*>(O)->*Set)(static_cast<std::remove_cvref_t<S>>(Value));
    };
    P.GetOrd = [Get](const TObject* O) {
        return static_cast<TPropOrd>((const_cast<C*>(static_cast<const C*>(O))->*Get)());
    };
    return P;
}

template <class TBase>
class TRzFrameProps : public TBase {
public:
    explicit TRzFrameProps(TComponent* AOwner) : TBase(AOwner) {}
    ~TRzFrameProps() override { ChangeFrameController(this, FFrameController, nullptr); }

    // Sets the colour the control's state calls for.
    virtual void UpdateColors() = 0;
    // Shows a change of the hot state: by the mouse (ViaMouse) or by the
    // focus.
    virtual void UpdateFrame(bool ViaMouse, bool Hot) = 0;

    TColor DisabledColor() const { return FDisabledColor; }
    virtual void SetDisabledColor(TColor Value)
    {
        if (StoreChanged(FDisabledColor, Value))
            UpdateColors();
    }
    TColor FocusColor() const { return FFocusColor; }
    virtual void SetFocusColor(TColor Value)
    {
        if (StoreChanged(FFocusColor, Value))
            UpdateColors();
    }
    TColor FrameColor() const { return FFrameColor; }
    virtual void SetFrameColor(TColor Value) { Store(FFrameColor, Value, fcpFrameColor); }
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
    virtual void SetFrameHotColor(TColor Value) { Store(FFrameHotColor, Value, fcpFrameHotColor); }
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
        FrameSettingChanged(fcpFrameHotTrack);
    }
    TFrameStyle FrameHotStyle() const { return FFrameHotStyle; }
    virtual void SetFrameHotStyle(TFrameStyle Value) { Store(FFrameHotStyle, Value, fcpFrameHotStyle); }
    TSides FrameSides() const { return FFrameSides; }
    virtual void SetFrameSides(TSides Value) { Store(FFrameSides, Value, fcpFrameSides); }
    TFrameStyle FrameStyle() const { return FFrameStyle; }
    virtual void SetFrameStyle(TFrameStyle Value) { Store(FFrameStyle, Value, fcpFrameStyle); }
    bool FrameVisible() const { return FFrameVisible; }
    virtual void SetFrameVisible(bool Value) { Store(FFrameVisible, Value, fcpFrameVisible); }
    TFramingPreference FramingPreference() const { return FFramingPreference; }
    virtual void SetFramingPreference(TFramingPreference Value)
    {
        Store(FFramingPreference, Value, fcpFramingPreference);
    }
    bool TabOnEnter() const { return FTabOnEnter; }
    void SetTabOnEnter(bool Value) { FTabOnEnter = Value; }

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

    // A frame or colour property stored under that rule.
    static TPropInfo Ruled(TPropInfo Info, TRzFrameControllerPropertyConnection Property)
    {
        Info.Stored = [Property](const TObject* O) {
            return static_cast<const TRzFrameProps*>(O)->StoresProperty(Property);
        };
        return Info;
    }

    // Older stored forms: "FrameFlat" and "FrameFocusStyle" (a style's
    // identifier); "FrameFlatStyle" is read and dropped.
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

    void DefineProperties(TFiler* Filer) override
    {
        TBase::DefineProperties(Filer);
        Filer->DefineProperty("FrameFlat", [this](TReader* R) { ReadFrameFlat(R->ReadBoolean()); }, nullptr, false);
        Filer->DefineProperty(
            "FrameFocusStyle", [this](TReader* R) { ReadFrameFocusStyle(R->ReadIdent()); }, nullptr, false);
        DefineOldProperty(Filer, "FrameFlatStyle", TRzOldPropReader::ReadOldIdentProp);
    }

    const TPropertyTable* Properties() const override { return &ClassProperties(); }
    static const TPropertyTable& ClassProperties()
    {
        using P = TRzFrameProps;
        static const TPropertyTable Table(&TBase::ClassProperties(), {
            Ruled(OrdProp("Color", &TControl::Color, &TControl::SetColor), fcpColor),
            Ruled(OrdProp("DisabledColor", &P::DisabledColor, &P::SetDisabledColor), fcpDisabledColor),
            Ruled(OrdProp("FocusColor", &P::FocusColor, &P::SetFocusColor), fcpFocusColor),
            Ruled(OrdProp("FrameColor", &P::FrameColor, &P::SetFrameColor), fcpFrameColor),
            RefProp("FrameController", &P::FrameController, &P::SetFrameController),
            BitSetProp(OrdProp("FrameControllerNotifications", &P::FrameControllerNotifications,
                               &P::SetFrameControllerNotifications),
                    fcnAll),
            Ruled(OrdProp("FrameHotColor", &P::FrameHotColor, &P::SetFrameHotColor), fcpFrameHotColor),
            Ruled(OrdProp("FrameHotTrack", &P::FrameHotTrack, &P::SetFrameHotTrack), fcpFrameHotTrack),
            Ruled(OrdProp("FrameHotStyle", &P::FrameHotStyle, &P::SetFrameHotStyle), fcpFrameHotStyle),
            Ruled(BitSetProp(OrdProp("FrameSides", &P::FrameSides, &P::SetFrameSides), sdAllSides), fcpFrameSides),
            Ruled(OrdProp("FrameStyle", &P::FrameStyle, &P::SetFrameStyle), fcpFrameStyle),
            Ruled(OrdProp("FrameVisible", &P::FrameVisible, &P::SetFrameVisible), fcpFrameVisible),
            Ruled(OrdProp("FramingPreference", &P::FramingPreference, &P::SetFramingPreference),
                  fcpFramingPreference),
            OrdProp("TabOnEnter", &P::TabOnEnter, &P::SetTabOnEnter),
        });
        return Table;
    }

protected:
    // A frame setting (What) took a new value: show it.
    virtual void FrameSettingChanged(TRzFrameControllerPropertyConnection What) = 0;

    // CM_ENTER/CM_EXIT and CM_MOUSEENTER/CM_MOUSELEAVE for the controls whose
    // focus is the one they were told of, between enter and exit (HasFocus):
    // the base takes the message, then the frame shows the change. False
    // for any other message, which is left untouched.
    bool TrackFrameHot(TMessage& Message, bool& HasFocus)
    {
        switch (Message.Msg) {
        case CM_ENTER: case CM_EXIT:
            HasFocus = Message.Msg == CM_ENTER;
            TBase::WndProc(Message);
            UpdateFrame(false, HasFocus);
            return true;
        case CM_MOUSEENTER: case CM_MOUSELEAVE:
            TBase::WndProc(Message);
            UpdateFrame(true, Message.Msg == CM_MOUSEENTER);
            return true;
        default:
            return false;
        }
    }

    void Notification(TComponent* AComponent, TOperation Operation) override
    {
        TBase::Notification(AComponent, Operation);
        if (Operation == opRemove && AComponent == FFrameController)
            FFrameController = nullptr;
    }

    TColor FDisabledColor = clBtnFace;
    TColor FFocusColor = clWindow;
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

private:
    template <class T>
    void Store(T& Field, T Value, TRzFrameControllerPropertyConnection What)
    {
        if (StoreChanged(Field, Value))
            FrameSettingChanged(What);
    }
};
