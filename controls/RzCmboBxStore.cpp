// Form storage of the unit: its property tables and the values stored
// besides them.
#include "classlib/Filer.h"
#include "controls/RzCmboBx.h"

const TPropertyTable* TRzCustomComboBox::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TRzCustomComboBox::ClassProperties()
{
    using C = TRzCustomComboBox;
    static const TPropertyTable Table(&TRzFrameProps<TCustomComboBox>::ClassProperties(), {
        // The style first: an owner-drawn list takes its item height; the
        // items before the index that selects one.
        OrdProp("Style", &C::Style, &C::SetStyle),
        OrdProp("Sorted", &C::Sorted, &C::SetSorted),
        ObjProp("Items", &C::Items),
        AskedProp("ItemIndex", &C::ItemIndex, &C::SetItemIndex),
        OrdProp("DropDownCount", &C::DropDownCount, &C::SetDropDownCount),
        OrdProp("MaxLength", &C::MaxLength, &C::SetMaxLength),
        OrdProp("CharCase", &C::CharCase, &C::SetCharCase),
        // The list's own height otherwise: it counts only owner-drawn.
        StoredWhen<C>(AskedProp("ItemHeight", &C::ItemHeight, &C::SetItemHeight),
                      [](const C* Box) { return Box->OwnerDrawn(); }),
        OrdProp("AutoDropDown", &C::AutoDropDown, &C::SetAutoDropDown),
        OrdProp("AutoCloseUp", &C::AutoCloseUp, &C::SetAutoCloseUp),
        OrdProp("AllowEdit", &C::AllowEdit, &C::SetAllowEdit),
        OrdProp("AutoComplete", &C::AutoComplete, &C::SetAutoComplete),
        OrdProp("BeepOnInvalidKey", &C::BeepOnInvalidKey, &C::SetBeepOnInvalidKey),
        OrdProp("DropDownWidth", &C::DropDownWidth, &C::SetDropDownWidth),
        OrdProp("KeepSearchCase", &C::KeepSearchCase, &C::SetKeepSearchCase),
        Ruled(OrdProp("FlatButtonColor", &C::FlatButtonColor, &C::SetFlatButtonColor), fcpFlatButtonColor),
        Ruled(OrdProp("FlatButtons", &C::FlatButtons, &C::SetFlatButtons), fcpFlatButtons),
        OrdProp("ReadOnly", &C::ReadOnly, &C::SetReadOnly),
        Ruled(OrdProp("ReadOnlyColor", &C::ReadOnlyColor, &C::SetReadOnlyColor), fcpReadOnlyColor),
        Ruled(OrdProp("ReadOnlyColorOnFocus", &C::ReadOnlyColorOnFocus, &C::SetReadOnlyColorOnFocus),
              fcpReadOnlyColorOnFocus),
        StrProp("TextHint", &C::TextHint, &C::SetTextHint),
        // After the index, which would replace it; a list-only style shows
        // an item's text, which is not the user's own. The same text under
        // its other name is not stored.
        StoredWhen<C>(StrProp("Caption", &TControl::Caption, &TControl::SetCaption), [](const C*) { return false; }),
        StoredWhen<C>(StrProp("Text", &TControl::Text, &TControl::SetText),
                      [](const C* Box) { return Box->Style() == csDropDown || Box->Style() == csSimple; }),
    });
    return Table;
}

const TPropertyTable* TRzComboBox::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TRzComboBox::ClassProperties()
{
    static const TPropertyTable Table(&TRzCustomComboBox::ClassProperties(), {
        ObjProp("Values", &TRzComboBox::Values),
    });
    return Table;
}

const TPropertyTable* TRzCustomImageComboBox::Properties() const
{
    return &ClassProperties();
}

// The items are objects made at run time: not stored.
const TPropertyTable& TRzCustomImageComboBox::ClassProperties()
{
    using C = TRzCustomImageComboBox;
    static const TPropertyTable Table(&TRzCustomComboBox::ClassProperties(), {
        RefProp("Images", &C::Images, &C::SetImages),
        OrdProp("ItemIndent", &C::ItemIndent, &C::SetItemIndent),
        OrdProp("AutoSizeItemHeight", &C::AutoSizeItemHeight, &C::SetAutoSizeItemHeight),
    });
    return Table;
}
