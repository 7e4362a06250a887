// Form storage of the unit: its property tables and the values stored
// besides them.
#include "classlib/Filer.h"
#include "controls/RzLabel.h"

const TPropertyTable* TRzLabel::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TRzLabel::ClassProperties()
{
    using L = TRzLabel;
    static const TPropertyTable Table(&TCustomLabel::ClassProperties(), {
        OrdProp("Angle", &L::Angle, &L::SetAngle),
        OrdProp("Blinking", &L::Blinking, &L::SetBlinking),
        OrdProp("BlinkColor", &L::BlinkColor, &L::SetBlinkColor),
        OrdProp("BevelWidth", &L::BevelWidth, &L::SetBevelWidth),
        OrdProp("BorderColor", &L::BorderColor, &L::SetBorderColor),
        OrdProp("BorderInner", &L::BorderInner, &L::SetBorderInner),
        OrdProp("BorderOuter", &L::BorderOuter, &L::SetBorderOuter),
        BitSetProp(OrdProp("BorderSides", &L::BorderSides, &L::SetBorderSides), sdAllSides),
        OrdProp("BorderHighlight", &L::BorderHighlight, &L::SetBorderHighlight),
        OrdProp("BorderShadow", &L::BorderShadow, &L::SetBorderShadow),
        OrdProp("BorderWidth", &L::BorderWidth, &L::SetBorderWidth),
        OrdProp("CondenseCaption", &L::CondenseCaption, &L::SetCondenseCaption),
        OrdProp("FlatColor", &L::FlatColor, &L::SetFlatColor),
        OrdProp("FlatColorAdjustment", &L::FlatColorAdjustment, &L::SetFlatColorAdjustment),
        RefProp("FrameController", &L::FrameController, &L::SetFrameController),
        BitSetProp(OrdProp("FrameControllerNotifications", &L::FrameControllerNotifications,
                           &L::SetFrameControllerNotifications),
                fcnAll),
        OrdProp("CenterPoint", &L::CenterPoint, &L::SetCenterPoint),
        OrdProp("FlyByColor", &L::FlyByColor, &L::SetFlyByColor),
        OrdProp("FlyByEnabled", &L::FlyByEnabled, &L::SetFlyByEnabled),
        OrdProp("LightTextStyle", &L::LightTextStyle, &L::SetLightTextStyle),
        OrdProp("Rotation", &L::Rotation, &L::SetRotation),
        OrdProp("TextMargin", &L::TextMargin, &L::SetTextMargin),
        OrdProp("TextStyle", &L::TextStyle, &L::SetTextStyle),
        OrdProp("HighlightColor", &L::HighlightColor, &L::SetHighlightColor),
        OrdProp("ShadowColor", &L::ShadowColor, &L::SetShadowColor),
        OrdProp("ShadowDepth", &L::ShadowDepth, &L::SetShadowDepth),
    });
    return Table;
}

const TPropertyTable* TRzURLLabel::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TRzURLLabel::ClassProperties()
{
    using U = TRzURLLabel;
    static const TPropertyTable Table(&TRzLabel::ClassProperties(), {
        StrProp("URL", &U::URL, &U::SetURL),
        OrdProp("Visited", &U::Visited, &U::SetVisited),
        OrdProp("UnvisitedColor", &U::UnvisitedColor, &U::SetUnvisitedColor),
        OrdProp("VisitedColor", &U::VisitedColor, &U::SetVisitedColor),
    });
    return Table;
}
