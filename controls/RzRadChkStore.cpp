// Form storage of the glyph buttons; a check box's state comes from a linked
// action when there is one.
#include "classlib/ActnList.h"
#include "controls/RzRadChk.h"

const TPropertyTable* TRzCustomGlyphButton::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TRzCustomGlyphButton::ClassProperties()
{
    using B = TRzCustomGlyphButton;
    static const TPropertyTable Table(&TRzCustomButton::ClassProperties(), {
        OrdProp("Alignment", &B::Alignment, &B::SetAlignment),
        OrdProp("WordWrap", &B::WordWrap, &B::SetWordWrap),
        // The glyphs before UseCustomGlyphs: a glyph read sets it anew.
        StoredWhen<B>(ObjProp("CustomGlyphs", &B::CustomGlyphs),
                      [](const B* Button) { return !Button->CustomGlyphs()->Empty(); }),
        RefProp("CustomGlyphImages", &B::CustomGlyphImages, &B::SetCustomGlyphImages),
        OrdProp("UseCustomGlyphs", &B::UseCustomGlyphs, &B::SetUseCustomGlyphs),
        OrdProp("TransparentColor", &B::TransparentColor, &B::SetTransparentColor),
        OrdProp("WinMaskColor", &B::WinMaskColor, &B::SetWinMaskColor),
        OrdProp("FillColor", &B::FillColor, &B::SetFillColor),
        OrdProp("FocusColor", &B::FocusColor, &B::SetFocusColor),
        OrdProp("DisabledColor", &B::DisabledColor, &B::SetDisabledColor),
        OrdProp("FrameColor", &B::FrameColor, &B::SetFrameColor),
        OrdProp("ReadOnly", &B::ReadOnly, &B::SetReadOnly),
        OrdProp("ReadOnlyColor", &B::ReadOnlyColor, &B::SetReadOnlyColor),
        OrdProp("ReadOnlyColorOnFocus", &B::ReadOnlyColorOnFocus, &B::SetReadOnlyColorOnFocus),
        OrdProp("HotTrackStyle", &B::HotTrackStyle, &B::SetHotTrackStyle),
        OrdProp("TabOnEnter", &B::TabOnEnter, &B::SetTabOnEnter),
        RefProp("FrameController", &B::FrameController, &B::SetFrameController),
        BitSetProp(OrdProp("FrameControllerNotifications", &B::FrameControllerNotifications,
                           &B::SetFrameControllerNotifications),
                fcnAll),
    });
    return Table;
}

const TPropertyTable* TRzCustomCheckBox::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TRzCustomCheckBox::ClassProperties()
{
    using B = TRzCustomCheckBox;
    static const auto CheckedOwn = [](const B* Box) {
        return !Box->ActionLink() || !Box->ActionLink()->IsCheckedLinked();
    };
    // AllowGrayed before State, so a grayed state is allowed when read.
    static const TPropertyTable Table(&TRzCustomGlyphButton::ClassProperties(), {
        OrdProp("AllowGrayed", &B::AllowGrayed, &B::SetAllowGrayed),
        StoredWhen<B>(OrdProp("Checked", &B::Checked, &B::SetChecked), +CheckedOwn),
        StoredWhen<B>(OrdProp("State", &B::State, &B::SetState), +CheckedOwn),
    });
    return Table;
}
