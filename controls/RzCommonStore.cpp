// Form storage of the frame controller, and the readers that drop the
// values of retired property names.
#include <utility>

#include "controls/RzCommon.h"

void TRzOldPropReader::ReadOldSetProp(TReader* Reader)
{
    if (Reader->ReadValue() != vaSet)
        throw EFilerError("Invalid property value");
    while (!Reader->ReadStr().empty()) {
    }
}

namespace {

// The names a stored form gives colours.
const std::pair<const char*, TColor> ColorNames[] = {
    {"clScrollBar", clScrollBar}, {"clBackground", clBackground}, {"clActiveCaption", clActiveCaption},
    {"clInactiveCaption", clInactiveCaption}, {"clMenu", clMenu}, {"clWindow", clWindow},
    {"clWindowFrame", clWindowFrame}, {"clMenuText", clMenuText}, {"clWindowText", clWindowText},
    {"clCaptionText", clCaptionText}, {"clActiveBorder", clActiveBorder}, {"clInactiveBorder", clInactiveBorder},
    {"clAppWorkSpace", clAppWorkSpace}, {"clHighlight", clHighlight}, {"clHighlightText", clHighlightText},
    {"clBtnFace", clBtnFace}, {"clBtnShadow", clBtnShadow}, {"clGrayText", clGrayText}, {"clBtnText", clBtnText},
    {"clInactiveCaptionText", clInactiveCaptionText}, {"clBtnHighlight", clBtnHighlight},
    {"cl3DDkShadow", cl3DDkShadow}, {"cl3DLight", cl3DLight}, {"clInfoText", clInfoText}, {"clInfoBk", clInfoBk},
    {"clHotLight", clHotLight}, {"clGradientActiveCaption", clGradientActiveCaption},
    {"clGradientInactiveCaption", clGradientInactiveCaption}, {"clMenuHighlight", clMenuHighlight},
    {"clMenuBar", clMenuBar}, {"clBlack", clBlack}, {"clMaroon", clMaroon}, {"clGreen", clGreen},
    {"clOlive", clOlive}, {"clNavy", clNavy}, {"clPurple", clPurple}, {"clTeal", clTeal}, {"clGray", clGray},
    {"clSilver", clSilver}, {"clRed", clRed}, {"clLime", clLime}, {"clYellow", clYellow}, {"clBlue", clBlue},
    {"clFuchsia", clFuchsia}, {"clAqua", clAqua}, {"clWhite", clWhite}, {"clLtGray", clLtGray},
    {"clDkGray", clDkGray}, {"clMoneyGreen", clMoneyGreen}, {"clSkyBlue", clSkyBlue}, {"clCream", clCream},
    {"clMedGray", clMedGray}, {"clNone", clNone}, {"clDefault", clDefault},
};

} // namespace

TColor TRzOldPropReader::ReadColor(TReader* Reader)
{
    if (Reader->NextValue() != vaIdent)
        return static_cast<TColor>(Reader->ReadInteger());
    const std::string Name = Reader->ReadIdent();
    for (const auto& [Known, Color] : ColorNames)
        if (lstrcmpiA(Known, Name.c_str()) == 0)
            return Color;
    throw EFilerError("Invalid property value");
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
        BitSetProp(OrdProp("FrameSides", &C::FrameSides, &C::SetFrameSides), sdAllSides),
        OrdProp("FrameStyle", &C::FrameStyle, &C::SetFrameStyle),
        OrdProp("FrameVisible", &C::FrameVisible, &C::SetFrameVisible),
        OrdProp("FramingPreference", &C::FramingPreference, &C::SetFramingPreference),
        OrdProp("ReadOnlyColor", &C::ReadOnlyColor, &C::SetReadOnlyColor),
        OrdProp("ReadOnlyColorOnFocus", &C::ReadOnlyColorOnFocus, &C::SetReadOnlyColorOnFocus),
    });
    return Table;
}
