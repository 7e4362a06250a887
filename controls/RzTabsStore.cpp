// Form storage of the page control and its pages: the pages are written as
// its children in list order and read back into their places; the active
// page is stored by name and chosen once every page is in.
#include "classlib/Filer.h"
#include "controls/RzTabs.h"

namespace {

// Placed by its page control: never stored.
bool NotStored(const TRzTabSheet*)
{
    return false;
}

} // namespace

const TPropertyTable* TRzTabSheet::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TRzTabSheet::ClassProperties()
{
    using P = TRzTabSheet;
    static const TPropertyTable Table(&TCustomControl::ClassProperties(), {
        StoredWhen<P>(OrdProp("Left", &TControl::Left, &TControl::SetLeft), NotStored),
        StoredWhen<P>(OrdProp("Top", &TControl::Top, &TControl::SetTop), NotStored),
        StoredWhen<P>(OrdProp("Width", &TControl::Width, &TControl::SetWidth), NotStored),
        StoredWhen<P>(OrdProp("Height", &TControl::Height, &TControl::SetHeight), NotStored),
        StoredWhen<P>(OrdProp("Visible", &TControl::Visible, &TControl::SetVisible), NotStored),
        OrdProp("DisabledIndex", &P::DisabledIndex, &P::SetDisabledIndex),
        OrdProp("ImageIndex", &P::ImageIndex, &P::SetImageIndex),
        OrdProp("TabEnabled", &P::TabEnabled, &P::SetTabEnabled),
        OrdProp("TabVisible", &P::TabVisible, &P::SetTabVisible),
        ObjProp("Padding", &TWinControl::PaddingSides),
    });
    return Table;
}

void TRzTabSheet::ReadState(TReader* Reader)
{
    TCustomControl::ReadState(Reader);
    if (auto Control = dynamic_cast<TRzPageControl*>(Parent()))
        SetPageControl(Control);
}

const TPropertyTable* TRzTabColors::Properties() const
{
    using C = TRzTabColors;
    static const TPropertyTable Table(nullptr, {
        OrdProp("HighlightBar", &C::HighlightBar, &C::SetHighlightBar),
        OrdProp("Shadow", &C::Shadow, &C::SetShadow),
        OrdProp("Unselected", &C::Unselected, &C::SetUnselected),
    });
    return &Table;
}

const TPropertyTable* TRzTextColors::Properties() const
{
    using C = TRzTextColors;
    static const TPropertyTable Table(nullptr, {
        OrdProp("Disabled", &C::Disabled, &C::SetDisabled),
        OrdProp("Selected", &C::Selected, &C::SetSelected),
        OrdProp("Unselected", &C::Unselected, &C::SetUnselected),
    });
    return &Table;
}

const TPropertyTable* TRzCustomTabControl::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TRzCustomTabControl::ClassProperties()
{
    using T = TRzCustomTabControl;
    static const TPropertyTable Table(&TCustomControl::ClassProperties(), {
        OrdProp("AlignTabs", &T::AlignTabs, &T::SetAlignTabs),
        // Before the colour, which turns it off.
        OrdProp("ParentBackgroundColor", &T::ParentBackgroundColor, &T::SetParentBackgroundColor),
        StoredWhen<T>(OrdProp("BackgroundColor", &T::BackgroundColor, &T::SetBackgroundColor),
                      [](const T* C) { return !C->ParentBackgroundColor(); }),
        OrdProp("BoldCurrentTab", &T::BoldCurrentTab, &T::SetBoldCurrentTab),
        OrdProp("ButtonColor", &T::ButtonColor, &T::SetButtonColor),
        OrdProp("UseColoredTabs", &T::UseColoredTabs, &T::SetUseColoredTabs),
        OrdProp("CutCornerSize", &T::CutCornerSize, &T::SetCutCornerSize),
        OrdProp("DragIndicatorColor", &T::DragIndicatorColor, &T::SetDragIndicatorColor),
        OrdProp("FlatColor", &T::FlatColor, &T::SetFlatColor),
        OrdProp("FlatColorAdjustment", &T::FlatColorAdjustment, &T::SetFlatColorAdjustment),
        OrdProp("ImageAlignment", &T::ImageAlignment, &T::SetImageAlignment),
        OrdProp("ImageAlignmentVertical", &T::ImageAlignmentVertical, &T::SetImageAlignmentVertical),
        OrdProp("ImageMargin", &T::ImageMargin, &T::SetImageMargin),
        OrdProp("ImagePosition", &T::ImagePosition, &T::SetImagePosition),
        OrdProp("HotTrack", &T::HotTrack, &T::SetHotTrack),
        OrdProp("HotTrackColor", &T::HotTrackColor, &T::SetHotTrackColor),
        OrdProp("HotTrackColorSource", &T::HotTrackColorSource, &T::SetHotTrackColorSource),
        OrdProp("HotTrackColorType", &T::HotTrackColorType, &T::SetHotTrackColorType),
        OrdProp("HotTrackStyle", &T::HotTrackStyle, &T::SetHotTrackStyle),
        RefProp("Images", &T::Images, &T::SetImages),
        OrdProp("Margin", &T::Margin, &T::SetMargin),
        OrdProp("MultiLine", &T::MultiLine, &T::SetMultiLine),
        OrdProp("RowIndent", &T::RowIndent, &T::SetRowIndent),
        OrdProp("RowOverlap", &T::RowOverlap, &T::SetRowOverlap),
        OrdProp("ShowCardFrame", &T::ShowCardFrame, &T::SetShowCardFrame),
        OrdProp("ShowCloseButton", &T::ShowCloseButton, &T::SetShowCloseButton),
        OrdProp("ShowCloseButtonOnActiveTab", &T::ShowCloseButtonOnActiveTab, &T::SetShowCloseButtonOnActiveTab),
        OrdProp("ShowMenuButton", &T::ShowMenuButton, &T::SetShowMenuButton),
        OrdProp("SortTabMenu", &T::SortTabMenu, &T::SetSortTabMenu),
        OrdProp("ShowFocusRect", &T::ShowFocusRect, &T::SetShowFocusRect),
        // The frame before the shadow: each can turn the other.
        OrdProp("ShowFullFrame", &T::ShowFullFrame, &T::SetShowFullFrame),
        OrdProp("ShowShadow", &T::ShowShadow, &T::SetShowShadow),
        OrdProp("SoftCorners", &T::SoftCorners, &T::SetSoftCorners),
        OrdProp("TabOverlap", &T::TabOverlap, &T::SetTabOverlap),
        OrdProp("TextOrientation", &T::TextOrientation, &T::SetTextOrientation),
        ObjProp("TabColors", &T::TabColors),
        OrdProp("TabHeight", &T::TabHeight, &T::SetTabHeight),
        OrdProp("TabHints", &T::TabHints, &T::SetTabHints),
        OrdProp("TabIndex", &T::TabIndex, &T::SetTabIndex),
        OrdProp("TabOrientation", &T::TabOrientation, &T::SetTabOrientation),
        OrdProp("TabSequence", &T::TabSequence, &T::SetTabSequence),
        OrdProp("TabStyle", &T::TabStyle, &T::SetTabStyle),
        OrdProp("TabWidth", &T::TabWidth, &T::SetTabWidth),
        ObjProp("TextColors", &T::TextColors),
        OrdProp("TextAlignment", &T::TextAlignment, &T::SetTextAlignment),
        OrdProp("TextAlignmentVertical", &T::TextAlignmentVertical, &T::SetTextAlignmentVertical),
        OrdProp("Transparent", &T::Transparent, &T::SetTransparent),
        OrdProp("UseGradients", &T::UseGradients, &T::SetUseGradients),
        OrdProp("AllowTabDragging", &T::AllowTabDragging, &T::SetAllowTabDragging),
    });
    return Table;
}

void TRzCustomTabControl::Loaded()
{
    TCustomControl::Loaded();
    FSavedHint = Hint();
    UpdateTabs();
    // While loading SetTabIndex only kept the value.
    SetTabIndex(FTabIndex);
    if (FTextOrientation == orVertical && !IsTrueTypeFont(Font()))
        Font()->SetName("Verdana");
}

void TRzCustomTabControl::DefineProperties(TFiler* Filer)
{
    TCustomControl::DefineProperties(Filer);
    Filer->DefineProperty(
        "FixedDimension", [this](TReader* R) { FRowDepth = static_cast<int>(R->ReadInteger()); },
        [this](TWriter* W) { W->WriteInteger(FixedDimension()); }, true);
}

void TRzPageControl::GetChildren(const TGetChildProc& Proc, TComponent* Root)
{
    for (TRzTabSheet* Page : FPages)
        Proc(Page);
    // Anything else parented here (not a page) after them.
    for (int I = 0; I < ControlCount(); ++I)
        if (TControl* C = Controls(I); C->Owner() == Root && !dynamic_cast<TRzTabSheet*>(C))
            Proc(C);
}

void TRzPageControl::SetChildOrder(TComponent* Child, int Order)
{
    if (auto Page = dynamic_cast<TRzTabSheet*>(Child); Page && Page->PageControl() == this)
        Page->SetPageIndex(Order);
}

const TPropertyTable* TRzPageControl::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TRzPageControl::ClassProperties()
{
    using P = TRzPageControl;
    static const TPropertyTable Table(&TRzCustomTabControl::ClassProperties(), {
        // The active page is stored instead.
        StoredWhen<P>(OrdProp("TabIndex", &P::TabIndex, &P::SetTabIndex), [](const P*) { return false; }),
        RefProp("ActivePageDefault", &P::ActivePageDefault, &P::SetActivePageDefault),
        OrdProp("SaveResources", &P::SaveResources, &P::SetSaveResources),
        OrdProp("DblClickUndocks", &P::DblClickUndocks, &P::SetDblClickUndocks),
    });
    return Table;
}

void TRzPageControl::DefineProperties(TFiler* Filer)
{
    TRzCustomTabControl::DefineProperties(Filer);
    Filer->DefineProperty(
        "ActivePage", [this](TReader* R) { FStoredActivePage = R->ReadString(); },
        [this](TWriter* W) { W->WriteString(FActivePage->Name()); }, FActivePage && !FActivePage->Name().empty());
}

void TRzPageControl::ReadState(TReader* Reader)
{
    FStoredActivePage.clear();
    TRzCustomTabControl::ReadState(Reader);
    // Loaded shows the page it finds here.
    for (TRzTabSheet* Page : FPages)
        if (!FStoredActivePage.empty() && Page->Name() == FStoredActivePage)
            FActivePage = Page;
    FStoredActivePage.clear();
}
