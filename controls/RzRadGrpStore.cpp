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
    // The two margins share one setter, told which by its index.
    static const auto StartPos = [](const char* Name, int Index, int (G::*Get)() const) {
        TPropInfo P;
        P.Name = Name;
        P.Bounds = OrdBoundsOf<int>();
        P.GetOrd = [Get](const TObject* O) { return static_cast<TPropOrd>((static_cast<const G*>(O)->*Get)()); };
        P.SetOrd = [Index](TObject* O, TPropOrd V) { static_cast<G*>(O)->SetStartPos(Index, static_cast<int>(V)); };
        return P;
    };
    static const TPropertyTable Table(&TRzCustomGroupBox::ClassProperties(), {
        ObjProp("Items", &G::Items),
        OrdProp("Columns", &G::Columns, &G::SetColumns),
        // While not custom it follows the group's Font. Before ItemHeight:
        // a font read sets the height from the font.
        StoredWhen<G>(ObjProp("ItemFont", &G::ItemFont), [](const G* B) { return B->ItemFontCustom(); }),
        StoredWhen<G>(OrdProp("ItemHeight", &G::ItemHeight, &G::SetItemHeight),
                      [](const G* B) { return B->ItemHeightSet(); }),
        StartPos("StartXPos", 1, &G::StartXPos),
        StartPos("StartYPos", 2, &G::StartYPos),
        OrdProp("VerticalSpacing", &G::VerticalSpacing, &G::SetVerticalSpacing),
        OrdProp("SpaceEvenly", &G::SpaceEvenly, &G::SetSpaceEvenly),
        OrdProp("AllowGrayed", &G::AllowGrayed, &G::SetAllowGrayed),
        OrdProp("ReadOnly", &G::ReadOnly, &G::SetReadOnly),
        OrdProp("ReadOnlyColor", &G::ReadOnlyColor, &G::SetReadOnlyColor),
        OrdProp("ReadOnlyColorOnFocus", &G::ReadOnlyColorOnFocus, &G::SetReadOnlyColorOnFocus),
        OrdProp("ItemFrameColor", &G::ItemFrameColor, &G::SetItemFrameColor),
        OrdProp("ItemHighlightColor", &G::ItemHighlightColor, &G::SetItemHighlightColor),
        OrdProp("ItemHotTrack", &G::ItemHotTrack, &G::SetItemHotTrack),
        OrdProp("ItemHotTrackColor", &G::ItemHotTrackColor, &G::SetItemHotTrackColor),
        OrdProp("ItemHotTrackColorType", &G::ItemHotTrackColorType, &G::SetItemHotTrackColorType),
        OrdProp("LightTextStyle", &G::LightTextStyle, &G::SetLightTextStyle),
        OrdProp("TextStyle", &G::TextStyle, &G::SetTextStyle),
        OrdProp("TextHighlightColor", &G::TextHighlightColor, &G::SetTextHighlightColor),
        OrdProp("TextShadowColor", &G::TextShadowColor, &G::SetTextShadowColor),
        OrdProp("TextShadowDepth", &G::TextShadowDepth, &G::SetTextShadowDepth),
        StoredWhen<G>(ObjProp("CustomGlyphs", &G::CustomGlyphs),
                      [](const G* B) { return !B->CustomGlyphs()->Empty(); }),
        RefProp("CustomGlyphImages", &G::CustomGlyphImages, &G::SetCustomGlyphImages),
        OrdProp("UseCustomGlyphs", &G::UseCustomGlyphs, &G::SetUseCustomGlyphs),
        OrdProp("TransparentColor", &G::TransparentColor, &G::SetTransparentColor),
        OrdProp("WinMaskColor", &G::WinMaskColor, &G::SetWinMaskColor),
        OrdProp("TabOnEnter", &G::TabOnEnter, &G::SetTabOnEnter),
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
