// Form storage of the unit: its property tables and the values stored
// besides them.
#include "classlib/Filer.h"
#include "controls/RzPanel.h"

void TRzCustomPanel::DefineProperties(TFiler* Filer)
{
    TCustomPanel::DefineProperties(Filer);
    DefineOldProperty(Filer, "FrameSides", TRzOldPropReader::ReadOldSetProp);
    DefineOldProperty(Filer, "ThemeAware", TRzOldPropReader::ReadOldBooleanProp);
    Filer->DefineProperty("UseGradients", [this](TReader* R) { ReadOldUseGradients(R->ReadBoolean()); }, nullptr, false);
}

const TPropertyTable* TRzCustomPanel::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TRzCustomPanel::ClassProperties()
{
    using P = TRzCustomPanel;
    static const TPropertyTable Table(&TCustomPanel::ClassProperties(), {
        OrdProp("AlignmentVertical", &P::AlignmentVertical, &P::SetAlignmentVertical),
        OrdProp("BorderOuter", &P::BorderOuter, &P::SetBorderOuter),
        OrdProp("BorderInner", &P::BorderInner, &P::SetBorderInner),
        BitSetProp(OrdProp("BorderSides", &P::BorderSides, &P::SetBorderSides), sdAllSides),
        OrdProp("BorderColor", &P::BorderColor, &P::SetBorderColor),
        OrdProp("BorderHighlight", &P::BorderHighlight, &P::SetBorderHighlight),
        OrdProp("BorderShadow", &P::BorderShadow, &P::SetBorderShadow),
        OrdProp("FlatColor", &P::FlatColor, &P::SetFlatColor),
        OrdProp("FlatColorAdjustment", &P::FlatColorAdjustment, &P::SetFlatColorAdjustment),
        OrdProp("GradientColorStyle", &P::GradientColorStyle, &P::SetGradientColorStyle),
        OrdProp("GradientColorStart", &P::GradientColorStart, &P::SetGradientColorStart),
        OrdProp("GradientColorStop", &P::GradientColorStop, &P::SetGradientColorStop),
        OrdProp("GradientDirection", &P::GradientDirection, &P::SetGradientDirection),
        OrdProp("GridColor", &P::GridColor, &P::SetGridColor),
        OrdProp("GridStyle", &P::GridStyle, &P::SetGridStyle),
        OrdProp("GridXSize", &P::GridXSize, &P::SetGridXSize),
        OrdProp("GridYSize", &P::GridYSize, &P::SetGridYSize),
        OrdProp("ShowGrid", &P::ShowGrid, &P::SetShowGrid),
        OrdProp("PaintClientArea", &P::PaintClientArea, &P::SetPaintClientArea),
        OrdProp("Transparent", &P::Transparent, &P::SetTransparent),
        OrdProp("TextMargin", &P::TextMargin, &P::SetTextMargin),
        OrdProp("TextMarginVertical", &P::TextMarginVertical, &P::SetTextMarginVertical),
        OrdProp("WordWrap", &P::WordWrap, &P::SetWordWrap),
        OrdProp("VisualStyle", &P::VisualStyle, &P::SetVisualStyle),
        OrdProp("ShowDockClientCaptions", &P::ShowDockClientCaptions, &P::SetShowDockClientCaptions),
        OrdProp("FullRepaint", &P::FullRepaint, &P::SetFullRepaint),
        RefProp("FrameController", &P::FrameController, &P::SetFrameController),
        BitSetProp(OrdProp("FrameControllerNotifications", &P::FrameControllerNotifications,
                           &P::SetFrameControllerNotifications),
                fcnAll),
    });
    return Table;
}

const TPropertyTable* TRzCustomGroupBox::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TRzCustomGroupBox::ClassProperties()
{
    using G = TRzCustomGroupBox;
    static const TPropertyTable Table(&TRzCustomPanel::ClassProperties(), {
        OrdProp("GroupStyle", &G::GroupStyle, &G::SetGroupStyle),
        OrdProp("BannerHeight", &G::BannerHeight, &G::SetBannerHeight),
        OrdProp("ShowCheckBox", &G::ShowCheckBox, &G::SetShowCheckBox),
        OrdProp("Checked", &G::Checked, &G::SetChecked),
        OrdProp("EnableControlsOnCheck", &G::EnableControlsOnCheck, &G::SetEnableControlsOnCheck),
        StoredWhen<G>(ObjProp("CaptionFont", &G::CaptionFont), [](const G* B) { return B->FOwnCaptionFont; }),
    });
    return Table;
}

const TPropertyTable* TRzStatusBar::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TRzStatusBar::ClassProperties()
{
    using S = TRzStatusBar;
    static const TPropertyTable Table(&TRzCustomPanel::ClassProperties(), {
        OrdProp("AutoStyle", &S::AutoStyle, &S::SetAutoStyle),
        OrdProp("AutoScalePanes", &S::AutoScalePanes, &S::SetAutoScalePanes),
        OrdProp("ShowSizeGrip", &S::ShowSizeGrip, &S::SetShowSizeGrip),
        OrdProp("SimpleStatus", &S::SimpleStatus, &S::SetSimpleStatus),
        StrProp("SimpleCaption", &S::SimpleCaption, &S::SetSimpleCaption),
        OrdProp("SimpleFrameStyle", &S::SimpleFrameStyle, &S::SetSimpleFrameStyle),
    });
    return Table;
}
