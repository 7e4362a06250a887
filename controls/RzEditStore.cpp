// Form storage of the unit: its property tables and the values stored
// besides them.
#include "classlib/Filer.h"
#include "controls/RzEdit.h"

using TRzEditBase = TRzFramedEdit<TCustomMaskEdit>;

const TPropertyTable* TRzCustomEdit::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TRzCustomEdit::ClassProperties()
{
    using E = TRzCustomEdit;
    static const TPropertyTable Table(&TRzEditBase::ClassProperties(), {
        // An edit's caption is its text, stored under that name.
        StoredWhen<E>(StrProp("Caption", &TControl::Caption, &TControl::SetCaption), [](const E*) { return false; }),
        StrProp("Text", &TControl::Text, &TControl::SetText),
        OrdProp("Alignment", &E::Alignment, &E::SetAlignment),
        OrdProp("AutoSelect", &E::AutoSelect, &E::SetAutoSelect),
        OrdProp("CharCase", &E::CharCase, &E::SetCharCase),
        OrdProp("HideSelection", &E::HideSelection, &E::SetHideSelection),
        OrdProp("MaxLength", &E::MaxLength, &E::SetMaxLength),
        OrdProp("PasswordChar", &E::PasswordChar, &E::SetPasswordChar),
        OrdProp<E, bool, bool>("ReadOnly", &E::ReadOnly, &E::SetReadOnly),
        Ruled(OrdProp("FlatButtons", &E::FlatButtons, &E::SetFlatButtons), fcpFlatButtons),
        StrProp("TextHint", &E::TextHint, &E::SetTextHint),
        OrdProp("TextHintVisibleOnFocus", &E::TextHintVisibleOnFocus, &E::SetTextHintVisibleOnFocus),
    });
    return Table;
}
