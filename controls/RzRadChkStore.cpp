// Form storage of the check box: its state comes from a linked action when
// there is one.
#include "classlib/ActnList.h"
#include "controls/RzRadChk.h"

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
    static const TPropertyTable Table(&TCustomControl::ClassProperties(), {
        RefProp("FrameController", &B::FrameController, &B::SetFrameController),
        OrdProp("AllowGrayed", &B::AllowGrayed, &B::SetAllowGrayed),
        StoredWhen<B>(OrdProp("Checked", &B::Checked, &B::SetChecked), +CheckedOwn),
        StoredWhen<B>(OrdProp("State", &B::State, &B::SetState), +CheckedOwn),
        StoredWhen<B>(ObjProp("CustomGlyphs", &B::CustomGlyphs),
                      [](const B* Box) { return !Box->CustomGlyphs()->Empty(); }),
    });
    return Table;
}
