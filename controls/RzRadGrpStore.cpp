// Form storage of the check group: its items and layout, and each item's
// state, applied once loading ends.
#include "controls/RzRadGrp.h"

const TPropertyTable* TRzCustomCheckGroup::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TRzCustomCheckGroup::ClassProperties()
{
    using G = TRzCustomCheckGroup;
    static const TPropertyTable Table(&TRzCustomGroupBox::ClassProperties(), {
        ObjProp("Items", &G::Items),
        OrdProp("Columns", &G::Columns, &G::SetColumns),
        OrdProp("ItemHeight", &G::ItemHeight, &G::SetItemHeight),
        OrdProp("VerticalSpacing", &G::VerticalSpacing, &G::SetVerticalSpacing),
        // While not custom it follows the group's Font.
        StoredWhen<G>(ObjProp("ItemFont", &G::ItemFont), [](const G* B) { return B->ItemFontCustom(); }),
        StoredWhen<G>(ObjProp("CustomGlyphs", &G::CustomGlyphs),
                      [](const G* B) { return !B->CustomGlyphs()->Empty(); }),
    });
    return Table;
}

void TRzCustomCheckGroup::DefineProperties(TFiler* Filer)
{
    TRzCustomGroupBox::DefineProperties(Filer);
    Filer->DefineProperty(
        "CheckStates",
        [this](TReader* R) { ReadCheckStates(R->ReadIntegers()); }, [this](TWriter* W) { W->WriteIntegers(CheckStates()); },
        ItemCount() > 0);
}
