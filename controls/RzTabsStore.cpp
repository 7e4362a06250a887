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
    });
    return Table;
}

void TRzTabSheet::ReadState(TReader* Reader)
{
    TCustomControl::ReadState(Reader);
    if (auto Control = dynamic_cast<TRzPageControl*>(Parent()))
        SetPageControl(Control);
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
