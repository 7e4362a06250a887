// Form storage of the push buttons: a preset kind stores only what differs
// from its preset. A glyph is stored only once set: a button edit's preset
// kinds bring their own.
#include "controls/RzBtnEdt.h"
#include "controls/RzButton.h"

namespace {

// The kind as the button reports it (a changed preset reads as custom).
TBitBtnKind StoredKind(const TRzBitBtn* B)
{
    return const_cast<TRzBitBtn*>(B)->GetKind();
}

bool IsCustom(const TRzBitBtn* B)
{
    return StoredKind(B) == bkCustom;
}

bool CaptionIsOwn(const TRzBitBtn* B)
{
    return B->Caption() != KindCaption(StoredKind(B));
}

} // namespace

const TPropertyTable* TRzCustomButton::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TRzCustomButton::ClassProperties()
{
    using B = TRzCustomButton;
    static const TPropertyTable Table(&TCustomControl::ClassProperties(), {
        OrdProp("AlignmentVertical", &B::AlignmentVertical, &B::SetAlignmentVertical),
        OrdProp("HotTrack", &B::HotTrack, &B::SetHotTrack),
        OrdProp("HighlightColor", &B::HighlightColor, &B::SetHighlightColor),
        OrdProp("HotTrackColor", &B::HotTrackColor, &B::SetHotTrackColor),
        OrdProp("HotTrackColorType", &B::HotTrackColorType, &B::SetHotTrackColorType),
        OrdProp("LightTextStyle", &B::LightTextStyle, &B::SetLightTextStyle),
        OrdProp("TextStyle", &B::TextStyle, &B::SetTextStyle),
        OrdProp("TextHighlightColor", &B::TextHighlightColor, &B::SetTextHighlightColor),
        OrdProp("TextShadowColor", &B::TextShadowColor, &B::SetTextShadowColor),
        OrdProp("TextShadowDepth", &B::TextShadowDepth, &B::SetTextShadowDepth),
        OrdProp("ThemeAware", &B::ThemeAware, &B::SetThemeAware),
        OrdProp("Transparent", &B::Transparent, &B::SetTransparent),
    });
    return Table;
}

const TPropertyTable* TRzButton::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TRzButton::ClassProperties()
{
    using B = TRzButton;
    static const TPropertyTable Table(&TRzCustomButton::ClassProperties(), {
        OrdProp("Alignment", &B::Alignment, &B::SetAlignment),
        // GroupIndex before Down: a latched button needs its group.
        OrdProp("GroupIndex", &B::GroupIndex, &B::SetGroupIndex),
        OrdProp("AllowAllUp", &B::AllowAllUp, &B::SetAllowAllUp),
        OrdProp("Down", &B::Down, &B::SetDown),
        OrdProp("Cancel", &B::Cancel, &B::SetCancel),
        OrdProp("Default", &B::Default, &B::SetDefault),
        OrdProp("DropDownOnEnter", &B::DropDownOnEnter, &B::SetDropDownOnEnter),
        OrdProp("FrameColor", &B::FrameColor, &B::SetFrameColor),
        OrdProp("ModalResult", &B::ModalResult, &B::SetModalResult),
        OrdProp("ShowDownPattern", &B::ShowDownPattern, &B::SetShowDownPattern),
        OrdProp("ShowFocusRect", &B::ShowFocusRect, &B::SetShowFocusRect),
    });
    return Table;
}

const TPropertyTable* TRzBitBtn::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TRzBitBtn::ClassProperties()
{
    using B = TRzBitBtn;
    TPropInfo Kind;
    Kind.Name = "Kind";
    Kind.GetOrd = [](const TObject* O) { return static_cast<TPropOrd>(StoredKind(static_cast<const B*>(O))); };
    Kind.SetOrd = [](TObject* O, TPropOrd V) { static_cast<B*>(O)->SetKind(static_cast<TBitBtnKind>(V)); };
    Kind.Bounds = OrdBoundsOf<TBitBtnKind>();
    static const TPropertyTable Table(&TRzButton::ClassProperties(), {
        StoredWhen<B>(StrProp("Caption", &TControl::Caption, &TControl::SetCaption), CaptionIsOwn),
        StoredWhen<B>(OrdProp("Cancel", &B::Cancel, &B::SetCancel), IsCustom),
        StoredWhen<B>(OrdProp("Default", &B::Default, &B::SetDefault), IsCustom),
        StoredWhen<B>(OrdProp("ModalResult", &B::ModalResult, &B::SetModalResult), IsCustom),
        // The glyph before NumGlyphs: a glyph read counts its images anew.
        StoredWhen<B>(ObjProp("Glyph", &B::Glyph), IsCustom),
        StoredWhen<B>(OrdProp("NumGlyphs", &B::NumGlyphs, &B::SetNumGlyphs), IsCustom),
        RefProp("Images", &B::Images, &B::SetImages),
        OrdProp("ImageIndex", &B::ImageIndex, &B::SetImageIndex),
        OrdProp("DisabledIndex", &B::DisabledIndex, &B::SetDisabledIndex),
        OrdProp("Layout", &B::Layout, &B::SetLayout),
        OrdProp("Margin", &B::Margin, &B::SetMargin),
        OrdProp("Spacing", &B::Spacing, &B::SetSpacing),
        Kind,
    });
    return Table;
}

const TPropertyTable* TRzToolButton::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TRzToolButton::ClassProperties()
{
    using B = TRzToolButton;
    // Down and ImageIndex come from a linked action when there is one.
    static const auto ToolCheckedOwn = [](const B* Tool) {
        return !Tool->ActionLink() || !Tool->ActionLink()->IsCheckedLinked();
    };
    static const auto ToolImageOwn = [](const B* Tool) {
        return !Tool->ActionLink() || !Tool->ActionLink()->IsImageIndexLinked();
    };
    static const TPropertyTable Table(&TGraphicControl::ClassProperties(), {
        OrdProp("AllowAllUp", &B::AllowAllUp, &B::SetAllowAllUp),
        OrdProp("GroupIndex", &B::GroupIndex, &B::SetGroupIndex),
        StoredWhen<B>(OrdProp("Down", &B::Down, &B::SetDown), +ToolCheckedOwn),
        RefProp("Images", &B::Images, &B::SetImages),
        StoredWhen<B>(OrdProp("ImageIndex", &B::ImageIndex, &B::SetImageIndex), +ToolImageOwn),
        OrdProp("DisabledIndex", &B::DisabledIndex, &B::SetDisabledIndex),
        OrdProp("DownIndex", &B::DownIndex, &B::SetDownIndex),
        OrdProp("HotIndex", &B::HotIndex, &B::SetHotIndex),
        OrdProp("Alignment", &B::Alignment, &B::SetAlignment),
        RefProp("DropDownMenu", &B::DropDownMenu, &B::SetDropDownMenu),
        OrdProp("Flat", &B::Flat, &B::SetFlat),
        OrdProp("GradientColorStyle", &B::GradientColorStyle, &B::SetGradientColorStyle),
        OrdProp("Layout", &B::Layout, &B::SetLayout),
        OrdProp("SelectionColorStart", &B::SelectionColorStart, &B::SetSelectionColorStart),
        OrdProp("SelectionColorStop", &B::SelectionColorStop, &B::SetSelectionColorStop),
        OrdProp("SelectionFrameColor", &B::SelectionFrameColor, &B::SetSelectionFrameColor),
        OrdProp("ShowCaption", &B::ShowCaption, &B::SetShowCaption),
        OrdProp("ToolStyle", &B::ToolStyle, &B::SetToolStyle),
        OrdProp("Transparent", &B::Transparent, &B::SetTransparent),
        OrdProp("UseToolbarButtonLayout", &B::UseToolbarButtonLayout, &B::SetUseToolbarButtonLayout),
        OrdProp("UseToolbarButtonSize", &B::UseToolbarButtonSize, &B::SetUseToolbarButtonSize),
        OrdProp("UseToolbarShowCaption", &B::UseToolbarShowCaption, &B::SetUseToolbarShowCaption),
        OrdProp("UseToolbarVisualStyle", &B::UseToolbarVisualStyle, &B::SetUseToolbarVisualStyle),
        OrdProp("VisualStyle", &B::VisualStyle, &B::SetVisualStyle),
    });
    return Table;
}

const TPropertyTable* TRzControlButton::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TRzControlButton::ClassProperties()
{
    using B = TRzControlButton;
    static const auto HasGlyph = [](const B* Button) { return !Button->Glyph()->Empty(); };
    // The glyph before NumGlyphs: a glyph read counts its images anew.
    static const TPropertyTable Table(&TGraphicControl::ClassProperties(), {
        StoredWhen<B>(ObjProp("Glyph", &B::Glyph), +HasGlyph),
        StoredWhen<B>(OrdProp("NumGlyphs", &B::NumGlyphs, &B::SetNumGlyphs), +HasGlyph),
        OrdProp("Delay", &B::Delay, &B::SetDelay),
        OrdProp("Flat", &B::Flat, &B::SetFlat),
        OrdProp("InitialDelay", &B::InitialDelay, &B::SetInitialDelay),
        OrdProp("RepeatClicks", &B::RepeatClicks, &B::SetRepeatClicks),
        OrdProp("Style", &B::Style, &B::SetStyle),
    });
    return Table;
}

const TPropertyTable* TRzCustomButtonEdit::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TRzCustomButtonEdit::ClassProperties()
{
    using E = TRzCustomButtonEdit;
    static const auto MainSet = [](const E* Edit) {
        return Edit->ButtonKind() == TButtonKind::bkCustom && !Edit->ButtonGlyph()->Empty();
    };
    static const auto AltSet = [](const E* Edit) {
        return Edit->AltBtnKind() == TButtonKind::bkCustom && !Edit->AltBtnGlyph()->Empty();
    };
    // The kinds before the glyphs: a custom kind keeps the glyph read.
    static const TPropertyTable Table(&TRzCustomEdit::ClassProperties(), {
        OrdProp("ButtonKind", &E::ButtonKind, &E::SetButtonKind),
        OrdProp("AltBtnKind", &E::AltBtnKind, &E::SetAltBtnKind),
        StoredWhen<E>(ObjProp("ButtonGlyph", &E::ButtonGlyph), +MainSet),
        StoredWhen<E>(ObjProp("AltBtnGlyph", &E::AltBtnGlyph), +AltSet),
        // After the glyphs: a glyph read counts its images anew.
        OrdProp("ButtonNumGlyphs", &E::ButtonNumGlyphs, &E::SetButtonNumGlyphs),
        OrdProp("AltBtnNumGlyphs", &E::AltBtnNumGlyphs, &E::SetAltBtnNumGlyphs),
        OrdProp("ButtonShortCut", &E::ButtonShortCut, &E::SetButtonShortCut),
        OrdProp("AltBtnShortCut", &E::AltBtnShortCut, &E::SetAltBtnShortCut),
        OrdProp("ButtonVisible", &E::ButtonVisible, &E::SetButtonVisible),
        OrdProp("AltBtnVisible", &E::AltBtnVisible, &E::SetAltBtnVisible),
        OrdProp("ButtonWidth", &E::ButtonWidth, &E::SetButtonWidth),
        OrdProp("AltBtnWidth", &E::AltBtnWidth, &E::SetAltBtnWidth),
        StrProp("ButtonHint", &E::ButtonHint, &E::SetButtonHint),
        StrProp("AltBtnHint", &E::AltBtnHint, &E::SetAltBtnHint),
        OrdProp("AllowKeyEdit", &E::AllowKeyEdit, &E::SetAllowKeyEdit),
        OrdProp("BeepOnInvalidKey", &E::BeepOnInvalidKey, &E::SetBeepOnInvalidKey),
        OrdProp("HideButtonsOnReadOnly", &E::HideButtonsOnReadOnly, &E::SetHideButtonsOnReadOnly),
        Ruled(OrdProp("FlatButtonColor", &E::FlatButtonColor, &E::SetFlatButtonColor), fcpFlatButtonColor),
    });
    return Table;
}

void TRzCustomButtonEdit::DefineProperties(TFiler* Filer)
{
    TRzCustomEdit::DefineProperties(Filer);
    Filer->DefineProperty(
        "ButtonShortCutText", [this](TReader* R) { ReadButtonShortCutText(R->ReadString()); }, nullptr, false);
    Filer->DefineProperty(
        "AltBtnShortCutText", [this](TReader* R) { ReadAltBtnShortCutText(R->ReadString()); }, nullptr, false);
    DefineOldProperty(Filer, "FlatButtonParentColor", TRzOldPropReader::ReadOldBooleanProp);
}
