// Form storage of the unit: its property tables and the values stored
// besides them.
#include "classlib/Filer.h"
#include "controls/RzLstBox.h"

const TPropertyTable* TRzCustomListBox::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TRzCustomListBox::ClassProperties()
{
    using L = TRzCustomListBox;
    static const TPropertyTable Table(&TRzFrameProps<TCustomListBox>::ClassProperties(), {
        // The style, selection modes and order before the items, the items
        // before the index that selects one.
        OrdProp("Style", &L::Style, &L::SetStyle),
        OrdProp("MultiSelect", &L::MultiSelect, &L::SetMultiSelect),
        OrdProp("ExtendedSelect", &L::ExtendedSelect, &L::SetExtendedSelect),
        OrdProp("Sorted", &L::Sorted, &L::SetSorted),
        ObjProp("Items", &L::Items),
        AskedProp("ItemIndex", &L::ItemIndex, &L::SetItemIndex),
        OrdProp("Columns", &L::Columns, &L::SetColumns),
        OrdProp("IntegralHeight", &L::IntegralHeight, &L::SetIntegralHeight),
        OrdProp("ItemHeight", &L::ItemHeight, &L::SetItemHeight),
        OrdProp("TabWidth", &L::TabWidth, &L::SetTabWidth),
        // A border or none: the form's border styles mean nothing here.
        StoredWhen<L>(SubrangeProp(OrdProp("BorderStyle", &L::BorderStyle, &L::SetBorderStyle), bsNone, bsSingle),
                      [](const L* B) { return B->BorderStyle() != bsSingle; }),
        OrdProp("IncrementalSearch", &L::IncrementalSearch, &L::SetIncrementalSearch),
        OrdProp("BeepOnInvalidKey", &L::BeepOnInvalidKey, &L::SetBeepOnInvalidKey),
        OrdProp("HorzScrollBar", &L::HorzScrollBar, &L::SetHorzScrollBar),
        OrdProp("OwnerDrawIndent", &L::OwnerDrawIndent, &L::SetOwnerDrawIndent),
        OrdProp("ShowGroups", &L::ShowGroups, &L::SetShowGroups),
        OrdProp("GroupColor", &L::GroupColor, &L::SetGroupColor),
        OrdProp("GroupColorFromTheme", &L::GroupColorFromTheme, &L::SetGroupColorFromTheme),
        OrdProp("UseGradients", &L::UseGradients, &L::SetUseGradients),
        StoredWhen<L>(StrProp("GroupPrefix", &L::GroupPrefix, &L::SetGroupPrefix),
                      [](const L* B) { return B->GroupPrefix() != "//"; }),
        OrdProp("ShowItemHints", &L::ShowItemHints, &L::SetShowItemHints),
        StoredWhen<L>(ObjProp("GroupFont", &L::GroupFont), [](const L* B) { return B->FCustomGroupFont; }),
    });
    return Table;
}

const TPropertyTable* TRzRankListBox::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TRzRankListBox::ClassProperties()
{
    using L = TRzRankListBox;
    static const TPropertyTable Table(&TRzCustomListBox::ClassProperties(), {
        OrdProp("ModifierKey", &L::ModifierKey, &L::SetModifierKey),
        OrdProp("MoveOnDrag", &L::MoveOnDrag, &L::SetMoveOnDrag),
    });
    return Table;
}

const TPropertyTable* TRzCustomTabbedListBox::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TRzCustomTabbedListBox::ClassProperties()
{
    using L = TRzCustomTabbedListBox;
    static const TPropertyTable Table(&TRzCustomListBox::ClassProperties(), {
        OrdProp("TabStopsMode", &L::TabStopsMode, &L::SetTabStopsMode),
        StoredWhen<L>(ObjProp("TabStops", &L::TabStops), [](const L* B) { return B->TabStops()->Count() > 0; }),
    });
    return Table;
}
