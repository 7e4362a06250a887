// Form storage of the unit: its property tables and the values stored
// besides them.
#include "classlib/Filer.h"
#include "controls/RzStatus.h"

const TPropertyTable* TRzCustomStatusPane::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TRzCustomStatusPane::ClassProperties()
{
    using S = TRzCustomStatusPane;
    static const TPropertyTable Table(&TGraphicControl::ClassProperties(), {
        OrdProp("Alignment", &S::Alignment, &S::SetAlignment),
        OrdProp("CaptionOffset", &S::CaptionOffset, &S::SetCaptionOffset),
        OrdProp("DefaultWidth", &S::DefaultWidth, &S::SetDefaultWidth),
        OrdProp("AutoHint", &S::AutoHint, &S::SetAutoHint),
        OrdProp("Blinking", &S::Blinking, &S::SetBlinking),
        OrdProp("BlinkColor", &S::BlinkColor, &S::SetBlinkColor),
        OrdProp("FrameStyle", &S::FrameStyle, &S::SetFrameStyle),
        OrdProp("BorderWidth", &S::BorderWidth, &S::SetBorderWidth),
        OrdProp("FlatColor", &S::FlatColor, &S::SetFlatColor),
        OrdProp("FlatColorAdjustment", &S::FlatColorAdjustment, &S::SetFlatColorAdjustment),
        StoredWhen<S>(OrdProp("FillColor", &S::FillColor, &S::SetFillColor),
                      [](const S* P) { return !P->ParentFillColor(); }),
        OrdProp("ParentFillColor", &S::ParentFillColor, &S::SetParentFillColor),
        OrdProp("Transparent", &S::Transparent, &S::SetTransparent),
        RefProp("FrameController", &S::FrameController, &S::SetFrameController),
        BitSetProp(OrdProp("FrameControllerNotifications", &S::FrameControllerNotifications,
                           &S::SetFrameControllerNotifications),
                fcnAll),
    });
    return Table;
}

// The blink intervals belong to the whole program, not to a form: older
// forms that name them are read without touching the program's rate.
void TRzCustomStatusPane::DefineProperties(TFiler* Filer)
{
    TRzFrameControllerLink<TGraphicControl>::DefineProperties(Filer);
    DefineOldProperty(Filer, "BlinkIntervalOff", TRzOldPropReader::ReadOldIntegerProp);
    DefineOldProperty(Filer, "BlinkIntervalOn", TRzOldPropReader::ReadOldIntegerProp);
}
