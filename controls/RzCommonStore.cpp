// Form storage of the frame controller, and the readers that drop the
// values of retired property names.
#include "controls/RzCommon.h"

void TRzOldPropReader::ReadOldSetProp(TReader* Reader)
{
    if (Reader->ReadValue() != vaSet)
        throw EFilerError("Invalid property value");
    while (!Reader->ReadStr().empty()) {
    }
}

void TRzFrameController::DefineProperties(TFiler* Filer)
{
    TComponent::DefineProperties(Filer);
    Filer->DefineProperty("FrameFlat", [this](TReader* R) { ReadOldFrameFlat(R->ReadBoolean()); }, nullptr, false);
    Filer->DefineProperty(
        "FrameFocusStyle", [this](TReader* R) { ReadOldFrameFocusStyle(R->ReadIdent()); }, nullptr, false);
    DefineOldProperty(Filer, "FrameFlatStyle", TRzOldPropReader::ReadOldIdentProp);
}

const TPropertyTable* TRzFrameController::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TRzFrameController::ClassProperties()
{
    using C = TRzFrameController;
    static const TPropertyTable Table(nullptr, {
        // ParentColor before Color: setting Color turns ParentColor off.
        OrdProp("ParentColor", &C::ParentColor, &C::SetParentColor),
        StoredWhen<C>(OrdProp("Color", &C::Color, &C::SetColor), [](const C* F) { return !F->ParentColor(); }),
        OrdProp("DisabledColor", &C::DisabledColor, &C::SetDisabledColor),
        OrdProp("FlatButtonColor", &C::FlatButtonColor, &C::SetFlatButtonColor),
        OrdProp("FlatButtons", &C::FlatButtons, &C::SetFlatButtons),
        OrdProp("FocusColor", &C::FocusColor, &C::SetFocusColor),
        OrdProp("FrameColor", &C::FrameColor, &C::SetFrameColor),
        OrdProp("FrameHotColor", &C::FrameHotColor, &C::SetFrameHotColor),
        OrdProp("FrameHotTrack", &C::FrameHotTrack, &C::SetFrameHotTrack),
        OrdProp("FrameHotStyle", &C::FrameHotStyle, &C::SetFrameHotStyle),
        OrdProp("FrameSides", &C::FrameSides, &C::SetFrameSides),
        OrdProp("FrameStyle", &C::FrameStyle, &C::SetFrameStyle),
        OrdProp("FrameVisible", &C::FrameVisible, &C::SetFrameVisible),
        OrdProp("FramingPreference", &C::FramingPreference, &C::SetFramingPreference),
        OrdProp("ReadOnlyColor", &C::ReadOnlyColor, &C::SetReadOnlyColor),
        OrdProp("ReadOnlyColorOnFocus", &C::ReadOnlyColorOnFocus, &C::SetReadOnlyColorOnFocus),
    });
    return Table;
}
