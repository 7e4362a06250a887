// Form storage of the unit: its property tables and the values stored
// besides them.
#include "classlib/Filer.h"
#include "controls/RzPrgres.h"

const TPropertyTable* TRzCustomProgressBar::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TRzCustomProgressBar::ClassProperties()
{
    using B = TRzCustomProgressBar;
    static const TPropertyTable Table(&TGraphicControl::ClassProperties(), {
        OrdProp("Percent", &B::Percent, &B::SetPercent),
        // The total first: the parts read are clamped to it.
        OrdProp("TotalParts", &B::TotalParts, &B::SetTotalParts),
        OrdProp("PartsComplete", &B::PartsComplete, &B::SetPartsComplete),
        OrdProp("ShowPercent", &B::ShowPercent, &B::SetShowPercent),
        OrdProp("ShowParts", &B::ShowParts, &B::SetShowParts),
        OrdProp("BarStyle", &B::BarStyle, &B::SetBarStyle),
        OrdProp("BackColor", &B::BackColor, &B::SetBackColor),
        OrdProp("BackColorStop", &B::BackColorStop, &B::SetBackColorStop),
        OrdProp("BarColor", &B::BarColor, &B::SetBarColor),
        OrdProp("BarColorStop", &B::BarColorStop, &B::SetBarColorStop),
        OrdProp("GradientDirection", &B::GradientDirection, &B::SetGradientDirection),
        OrdProp("NumSegments", &B::NumSegments, &B::SetNumSegments),
        OrdProp("Orientation", &B::Orientation, &B::SetOrientation),
        OrdProp("InteriorOffset", &B::InteriorOffset, &B::SetInteriorOffset),
        OrdProp("BorderOuter", &B::BorderOuter, &B::SetBorderOuter),
        OrdProp("BorderInner", &B::BorderInner, &B::SetBorderInner),
        OrdProp("BorderWidth", &B::BorderWidth, &B::SetBorderWidth),
        OrdProp("BorderColor", &B::BorderColor, &B::SetBorderColor),
        OrdProp("BevelWidth", &B::BevelWidth, &B::SetBevelWidth),
        OrdProp("FlatColor", &B::FlatColor, &B::SetFlatColor),
        OrdProp("FlatColorAdjustment", &B::FlatColorAdjustment, &B::SetFlatColorAdjustment),
        OrdProp("ThemeAware", &B::ThemeAware, &B::SetThemeAware),
        RefProp("FrameController", &B::FrameController, &B::SetFrameController),
        BitSetProp(OrdProp("FrameControllerNotifications", &B::FrameControllerNotifications,
                           &B::SetFrameControllerNotifications),
                fcnAll),
    });
    return Table;
}
