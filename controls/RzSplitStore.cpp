// Form storage of the splitter: the pane settings, the values stored besides
// the published properties, and the pane children put back after loading.
#include <algorithm>

#include "classlib/Filer.h"
#include "controls/RzSplit.h"

namespace {

void WriteNames(TWriter* W, const TRzSplitterPane* Pane)
{
    W->WriteListBegin();
    for (int I = 0; I < Pane->ControlCount(); ++I)
        if (const TControl* C = Pane->Controls(I); !C->Name().empty())
            W->WriteString(C->Name());
    W->WriteListEnd();
}

// The names of a pane's children; a control already read must fit in the
// pane: the splitter or a control around it would be its own ancestor.
std::vector<std::string> ReadNames(TReader* R, const TRzSplitter* Splitter, const TRzSplitterPane* Pane)
{
    const TComponent* NameOwner = Splitter->Owner() ? Splitter->Owner() : Splitter;
    std::vector<std::string> Names;
    R->ReadListBegin();
    while (!R->EndOfList()) {
        Names.push_back(R->ReadString());
        if (auto C = dynamic_cast<TControl*>(NameOwner->FindComponent(Names.back())); C && !C->CanHaveParent(Pane))
            throw EFilerError("Control " + Names.back() + " cannot be put in a pane of its own splitter");
    }
    R->ReadListEnd();
    return Names;
}

} // namespace

const TPropertyTable* TRzPaneData::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TRzPaneData::ClassProperties()
{
    using D = TRzPaneData;
    static const TPropertyTable Table(nullptr, {
        OrdProp("BorderColor", &D::BorderColor, &D::SetBorderColor),
        OrdProp("BorderInner", &D::BorderInner, &D::SetBorderInner),
        OrdProp("BorderOuter", &D::BorderOuter, &D::SetBorderOuter),
        OrdProp("BorderWidth", &D::BorderWidth, &D::SetBorderWidth),
        OrdProp("Color", &D::Color, &D::SetColor),
        OrdProp("FlatColor", &D::FlatColor, &D::SetFlatColor),
        OrdProp("FlatColorAdjustment", &D::FlatColorAdjustment, &D::SetFlatColorAdjustment),
        OrdProp("DockSite", &D::DockSite, &D::SetDockSite),
        OrdProp("ShowDockClientCaptions", &D::ShowDockClientCaptions, &D::SetShowDockClientCaptions),
        OrdProp("Visible", &D::Visible, &D::SetVisible),
        ObjProp("Padding", &D::PaddingSides),
    });
    return Table;
}

const TPropertyTable* TRzSplitter::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TRzSplitter::ClassProperties()
{
    using S = TRzSplitter;
    static const TPropertyTable Table(&TRzCustomPanel::ClassProperties(), {
        OrdProp("Orientation", &S::Orientation, &S::SetOrientation),
        OrdProp("Position", &S::Position, &S::SetPosition),
        OrdProp("Percent", &S::Percent, &S::SetPercent),
        OrdProp("UsePercent", &S::UsePercent, &S::SetUsePercent),
        OrdProp("MarginMin", &S::MarginMin, &S::SetMarginMin),
        OrdProp("MarginMax", &S::MarginMax, &S::SetMarginMax),
        OrdProp("FixedPane", &S::FixedPane, &S::SetFixedPane),
        OrdProp("SplitterStyle", &S::SplitterStyle, &S::SetSplitterStyle),
        OrdProp("SplitterWidth", &S::SplitterWidth, &S::SetSplitterWidth),
        OrdProp("RealTimeDrag", &S::RealTimeDrag, &S::SetRealTimeDrag),
        OrdProp("LockBar", &S::LockBar, &S::SetLockBar),
        OrdProp("HotSpotVisible", &S::HotSpotVisible, &S::SetHotSpotVisible),
        OrdProp("HotSpotDirection", &S::HotSpotDirection, &S::SetHotSpotDirection),
        OrdProp("SelectedPane", &S::SelectedPane, &S::SetSelectedPane),
        OrdProp("PercentMin", &S::PercentMin, &S::SetPercentMin),
        OrdProp("PercentMax", &S::PercentMax, &S::SetPercentMax),
        OrdProp("HotSpotColor", &S::HotSpotColor, &S::SetHotSpotColor),
        OrdProp("HotSpotDotColor", &S::HotSpotDotColor, &S::SetHotSpotDotColor),
        OrdProp("HotSpotFrameColor", &S::HotSpotFrameColor, &S::SetHotSpotFrameColor),
        OrdProp("HotSpotHighlight", &S::HotSpotHighlight, &S::SetHotSpotHighlight),
        OrdProp("HotSpotIgnoreMargins", &S::HotSpotIgnoreMargins, &S::SetHotSpotIgnoreMargins),
        OrdProp("HotSpotSizePercent", &S::HotSpotSizePercent, &S::SetHotSpotSizePercent),
        OrdProp("GradientColorAdjustment", &S::GradientColorAdjustment, &S::SetGradientColorAdjustment),
        OrdProp("GradientPath", &S::GradientPath, &S::SetGradientPath),
        ObjProp("UpperLeft", &S::UpperLeft),
        ObjProp("LowerRight", &S::LowerRight),
    });
    return Table;
}

void TRzSplitter::DefineProperties(TFiler* Filer)
{
    TRzCustomPanel::DefineProperties(Filer);
    Filer->DefineProperty(
        "BarSize",
        [this](TReader* R) {
            const std::vector<int> V = R->ReadIntegers();
            if (V.size() != 4)
                throw EFilerError("Invalid property value");
            ReadBarSize(TRect(V[0], V[1], V[2], V[3]));
        },
        [this](TWriter* W) { W->WriteIntegers({FBarRect.left, FBarRect.top, FBarRect.right, FBarRect.bottom}); },
        true);
    // The hot spot's state is read value by value, each keeping the others.
    Filer->DefineProperty(
        "HotSpotClosed", [this](TReader* R) { FHotSpotClosed = R->ReadBoolean(); },
        [this](TWriter* W) { W->WriteBoolean(FHotSpotClosed); }, true);
    Filer->DefineProperty(
        "HotSpotClosedToMin", [this](TReader* R) { FClosedToMin = R->ReadBoolean(); },
        [this](TWriter* W) { W->WriteBoolean(FClosedToMin); }, true);
    Filer->DefineProperty(
        "HotSpotClosedToMax", [this](TReader* R) { FClosedToMax = R->ReadBoolean(); },
        [this](TWriter* W) { W->WriteBoolean(FClosedToMax); }, true);
    Filer->DefineProperty(
        "HotSpotPosition", [this](TReader* R) { FPositionBeforeClose = static_cast<int>(R->ReadInteger()); },
        [this](TWriter* W) { W->WriteInteger(FPositionBeforeClose); }, true);
    Filer->DefineProperty(
        "UpperLeftControls", [this](TReader* R) { FUpperLeftNames = ReadNames(R, this, FUpperLeftPane); },
        [this](TWriter* W) { WriteNames(W, FUpperLeftPane); }, FUpperLeftPane->ControlCount() > 0);
    Filer->DefineProperty(
        "LowerRightControls", [this](TReader* R) { FLowerRightNames = ReadNames(R, this, FLowerRightPane); },
        [this](TWriter* W) { WriteNames(W, FLowerRightPane); }, FLowerRightPane->ControlCount() > 0);
    Filer->DefineProperty(
        "PositionMin", [this](TReader* R) { ReadOldPositionMin(static_cast<int>(R->ReadInteger())); }, nullptr, false);
    Filer->DefineProperty(
        "PositionMax", [this](TReader* R) { ReadOldPositionMax(static_cast<int>(R->ReadInteger())); }, nullptr, false);
}

void TRzSplitter::GetChildren(const TGetChildProc& Proc, TComponent* Root)
{
    TRzCustomPanel::GetChildren(Proc, Root);
    for (TRzSplitterPane* Pane : {FUpperLeftPane, FLowerRightPane})
        for (int I = 0; I < Pane->ControlCount(); ++I)
            if (TControl* C = Pane->Controls(I); C->Owner() == Root)
                Proc(C);
}

void TRzSplitter::Loaded()
{
    TRzCustomPanel::Loaded();
    ConstrainPosition(FPosition);
    UpdatePanes();
    UpdateFixedSize();
    FWantedSize = FFixedSize;
    // The pane children were read as the splitter's own. Moving them resets
    // their tab orders, so the order read is put back among them.
    TComponent* NameOwner = Owner() ? Owner() : this;
    for (auto [Pane, Names] : {std::pair{FUpperLeftPane, &FUpperLeftNames}, std::pair{FLowerRightPane, &FLowerRightNames}}) {
        std::vector<std::pair<int, TWinControl*>> Tabbed;
        for (const std::string& Name : *Names)
            if (auto C = dynamic_cast<TControl*>(NameOwner->FindComponent(Name)); C && C->CanHaveParent(Pane)) {
                if (auto W = dynamic_cast<TWinControl*>(C))
                    Tabbed.emplace_back(W->TabOrder(), W);
                C->SetParent(Pane);
            }
        Names->clear();
        std::stable_sort(Tabbed.begin(), Tabbed.end(), [](const auto& A, const auto& B) { return A.first < B.first; });
        for (size_t I = 0; I < Tabbed.size(); ++I)
            Tabbed[I].second->SetTabOrder(static_cast<int>(I));
    }
}
