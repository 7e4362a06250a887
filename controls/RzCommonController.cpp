// The frame controller of RzCommon.h: the settings it pushes to the
// controls linked to it, and the settings holder it reads them from.
#include "controls/RzCommon.h"

#include <windows.h>
#include <vssym32.h>

#include <algorithm>

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/Themes.h"

// ===========================================================================
// Frame controller
// ===========================================================================

namespace {

const char* const ConnectionNames[fcpAll] = {
    "Color",           "FocusColor",      "DisabledColor", "ReadOnlyColor", "ReadOnlyColorOnFocus", "ParentColor",
    "FlatButtonColor", "FlatButtons",     "FrameColor",    "FrameHotColor", "FrameHotTrack",        "FrameHotStyle",
    "FrameSides",      "FrameStyle",      "FrameVisible",  "FramingPreference",
};

// A full push sets ParentColor before Color, and Color only when the
// controller does not hand the parent's colour down.
const TRzFrameControllerPropertyConnection FullPushOrder[] = {
    fcpParentColor, fcpColor, fcpDisabledColor, fcpReadOnlyColor, fcpReadOnlyColorOnFocus, fcpFocusColor,
    fcpFlatButtonColor, fcpFlatButtons, fcpFrameColor, fcpFrameHotColor, fcpFrameHotTrack, fcpFrameHotStyle,
    fcpFrameSides, fcpFrameStyle, fcpFrameVisible, fcpFramingPreference,
};

} // namespace

const char* FrameControllerPropertyName(TRzFrameControllerPropertyConnection Property)
{
    return Property < fcpAll ? ConnectionNames[Property] : "";
}

void TRzRegIniFile::SetPath(const std::string& Value)
{
    FChanged |= StoreChanged(FPath, Value);
}

void TRzRegIniFile::SetPathType(TRzPathType Value)
{
    FChanged |= StoreChanged(FPathType, Value);
}

void TRzRegIniFile::SetRegKey(TRzRegKey Value)
{
    FChanged |= StoreChanged(FRegKey, Value);
}

void TRzRegIniFile::SetRegAccess(TRzRegAccess Value)
{
    FChanged |= StoreChanged(FRegAccess, Value);
}

void TRzRegIniFile::SetSpecialFolder(TRzSpecialFolder Value)
{
    FChanged |= StoreChanged(FSpecialFolder, Value);
}

void TRzRegIniFile::SetFileEncoding(TRzIniFileEncoding Value)
{
    FChanged |= StoreChanged(FFileEncoding, Value);
}

TRzFrameController::TRzFrameController(TComponent* AOwner) : TComponent(AOwner) {}

TRzFrameController::~TRzFrameController()
{
    // The controls clear their reference through free notification.
    FControls.reset();
}

TPropOrd TRzFrameController::ValueOf(TRzFrameControllerPropertyConnection Property) const
{
    switch (Property) {
    case fcpColor: return FColor;
    case fcpFocusColor: return FFocusColor;
    case fcpDisabledColor: return FDisabledColor;
    case fcpReadOnlyColor: return FReadOnlyColor;
    case fcpReadOnlyColorOnFocus: return FReadOnlyColorOnFocus;
    case fcpParentColor: return FParentColor;
    case fcpFlatButtonColor: return FFlatButtonColor;
    case fcpFlatButtons: return FFlatButtons;
    case fcpFrameColor: return FFrameColor;
    case fcpFrameHotColor: return FFrameHotColor;
    case fcpFrameHotTrack: return FFrameHotTrack;
    case fcpFrameHotStyle: return FFrameHotStyle;
    case fcpFrameSides: return FFrameSides;
    case fcpFrameStyle: return FFrameStyle;
    case fcpFrameVisible: return FFrameVisible;
    case fcpFramingPreference: return FFramingPreference;
    default: return 0;
    }
}

void TRzFrameController::UpdateControl(TControl* Control, TRzFrameControllerPropertyConnection Property)
{
    if (!Control)
        return;
    TPropOrd Notifications = fcnAll;
    if (!GetOrdProp(Control, "FrameControllerNotifications", Notifications))
        Notifications = fcnAll;
    if (auto* Custom = dynamic_cast<IRzCustomFramingNotification*>(Control)) {
        Custom->CustomFramingChanged();
        return;
    }
    const auto Set = static_cast<TRzFrameControllerNotifications>(Notifications);
    auto Push = [&](TRzFrameControllerPropertyConnection P) {
        if (HasNotification(Set, P))
            SetOrdProp(Control, ConnectionNames[P], ValueOf(P)); // a control without it is skipped
    };
    if (Property < fcpAll) {
        Push(Property);
        return;
    }
    for (TRzFrameControllerPropertyConnection P : FullPushOrder)
        if (P != fcpColor || !FParentColor)
            Push(P);
}

void TRzFrameController::UpdateControls(TRzFrameControllerPropertyConnection Property)
{
    if (FUpdateCount >= 1 || !FControls)
        return;
    // A control may leave the list while it is being updated.
    const std::vector<TControl*> Snapshot = *FControls;
    for (TControl* C : Snapshot)
        if (FControls && std::find(FControls->begin(), FControls->end(), C) != FControls->end())
            UpdateControl(C, Property);
}

void TRzFrameController::AddControl(TControl* Control)
{
    if (!Control)
        return;
    if (!FControls)
        FControls = std::make_unique<std::vector<TControl*>>();
    if (std::find(FControls->begin(), FControls->end(), Control) != FControls->end())
        return;
    FControls->push_back(Control);
    FreeNotification(Control);
    UpdateControl(Control, fcpAll);
}

void TRzFrameController::RemoveControl(TControl* Control)
{
    if (!FControls)
        return;
    FControls->erase(std::remove(FControls->begin(), FControls->end(), Control), FControls->end());
    if (FControls->empty())
        FControls.reset();
}

void TRzFrameController::BeginUpdate()
{
    ++FUpdateCount;
}

void TRzFrameController::EndUpdate()
{
    --FUpdateCount;
    if (FUpdateCount < 1) {
        FUpdateCount = 0;
        UpdateControls(fcpAll);
    }
}

void TRzFrameController::Assign(const TPersistent* Source)
{
    const auto* Src = dynamic_cast<const TRzFrameController*>(Source);
    if (!Src) {
        TComponent::Assign(Source);
        return;
    }
    TUpdateScope Update(*this);
    SetColor(Src->FColor);
    SetParentColor(Src->FParentColor);
    SetFlatButtonColor(Src->FFlatButtonColor);
    SetFlatButtons(Src->FFlatButtons);
    SetDisabledColor(Src->FDisabledColor);
    SetReadOnlyColor(Src->FReadOnlyColor);
    SetReadOnlyColorOnFocus(Src->FReadOnlyColorOnFocus);
    SetFocusColor(Src->FFocusColor);
    SetFrameColor(Src->FFrameColor);
    SetFrameHotColor(Src->FFrameHotColor);
    SetFrameHotTrack(Src->FFrameHotTrack);
    SetFrameHotStyle(Src->FFrameHotStyle);
    SetFrameSides(Src->FFrameSides);
    SetFrameStyle(Src->FFrameStyle);
    SetFrameVisible(Src->FFrameVisible);
    SetFramingPreference(Src->FFramingPreference);
}

void TRzFrameController::ReadOldFrameFlat(bool Value)
{
    SetFrameHotTrack(Value);
    if (Value) {
        SetFrameStyle(fsStatus);
        SetFrameHotStyle(fsLowered);
    }
}

bool FrameStyleFromName(const std::string& StyleName, TFrameStyle& Style)
{
    static const char* const Names[] = {"fsNone",       "fsFlat",   "fsGroove",   "fsBump",
                                        "fsLowered",    "fsButtonDown", "fsRaised", "fsButtonUp",
                                        "fsStatus",     "fsPopup",  "fsFlatBold"};
    for (int I = 0; I <= fsFlatBold; ++I)
        if (AnsiSameText(StyleName, Names[I])) {
            Style = static_cast<TFrameStyle>(I);
            return true;
        }
    return false;
}

void TRzFrameController::ReadOldFrameFocusStyle(const std::string& StyleName)
{
    TFrameStyle Style;
    if (FrameStyleFromName(StyleName, Style))
        SetFrameHotStyle(Style);
}

void TRzFrameController::SetColor(TColor Value)
{
    if (FColor == Value)
        return;
    const bool FocusFollows = FColor == FFocusColor;
    FColor = Value;
    if (FocusFollows)
        FFocusColor = Value;
    const bool WasParentColor = FParentColor;
    FParentColor = false;
    if (WasParentColor)
        UpdateControls(fcpParentColor);
    UpdateControls(fcpColor);
    // The controls' focus colour would otherwise keep the old value until
    // the next full push.
    if (FocusFollows)
        UpdateControls(fcpFocusColor);
}

void TRzFrameController::SetParentColor(bool Value)
{
    if (FParentColor == Value)
        return;
    FParentColor = Value;
    UpdateControls(fcpParentColor);
    if (!Value)
        UpdateControls(fcpColor);
}

void TRzFrameController::SetFlatButtonColor(TColor Value)
{
    if (StoreChanged(FFlatButtonColor, Value))
        UpdateControls(fcpFlatButtonColor);
}

void TRzFrameController::SetFlatButtons(bool Value)
{
    if (StoreChanged(FFlatButtons, Value))
        UpdateControls(fcpFlatButtons);
}

void TRzFrameController::SetDisabledColor(TColor Value)
{
    if (StoreChanged(FDisabledColor, Value))
        UpdateControls(fcpDisabledColor);
}

void TRzFrameController::SetReadOnlyColor(TColor Value)
{
    if (StoreChanged(FReadOnlyColor, Value))
        UpdateControls(fcpReadOnlyColor);
}

void TRzFrameController::SetReadOnlyColorOnFocus(bool Value)
{
    if (StoreChanged(FReadOnlyColorOnFocus, Value))
        UpdateControls(fcpReadOnlyColorOnFocus);
}

void TRzFrameController::SetFocusColor(TColor Value)
{
    if (StoreChanged(FFocusColor, Value))
        UpdateControls(fcpFocusColor);
}

void TRzFrameController::SetFrameColor(TColor Value)
{
    if (StoreChanged(FFrameColor, Value))
        UpdateControls(fcpFrameColor);
}

void TRzFrameController::SetFrameHotColor(TColor Value)
{
    if (StoreChanged(FFrameHotColor, Value))
        UpdateControls(fcpFrameHotColor);
}

void TRzFrameController::SetFrameHotStyle(TFrameStyle Value)
{
    if (StoreChanged(FFrameHotStyle, Value))
        UpdateControls(fcpFrameHotStyle);
}

void TRzFrameController::SetFrameSides(TSides Value)
{
    if (StoreChanged(FFrameSides, Value))
        UpdateControls(fcpFrameSides);
}

void TRzFrameController::SetFrameStyle(TFrameStyle Value)
{
    if (StoreChanged(FFrameStyle, Value))
        UpdateControls(fcpFrameStyle);
}

void TRzFrameController::SetFrameVisible(bool Value)
{
    if (StoreChanged(FFrameVisible, Value))
        UpdateControls(fcpFrameVisible);
}

void TRzFrameController::SetFramingPreference(TFramingPreference Value)
{
    if (StoreChanged(FFramingPreference, Value))
        UpdateControls(fcpFramingPreference);
}

void TRzFrameController::SetFrameHotTrack(bool Value)
{
    if (FFrameHotTrack == Value)
        return;
    FFrameHotTrack = Value;
    if (Value) {
        SetFrameVisible(true);
        if (!HasState(csLoading))
            FFrameSides = sdAllSides;
    }
    UpdateControls(fcpFrameHotTrack);
}

void TRzFrameController::SetRegIniFile(TRzRegIniFile* Value)
{
    if (FRegIniFile == Value)
        return;
    if (FRegIniFile)
        FRegIniFile->RemoveFreeNotification(this);
    FRegIniFile = Value;
    if (Value)
        Value->FreeNotification(this);
}

void TRzFrameController::Loaded()
{
    TComponent::Loaded();
    UpdateControls(fcpAll);
}

void TRzFrameController::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    if (AComponent == FRegIniFile)
        FRegIniFile = nullptr;
    if (FControls)
        if (auto* C = dynamic_cast<TControl*>(AComponent))
            RemoveControl(C);
}

void ChangeFrameController(TControl* Control, TRzFrameController*& Field, TRzFrameController* Value)
{
    if (Field == Value)
        return;
    if (Field) {
        Field->RemoveControl(Control);
        Field->RemoveFreeNotification(Control);
    }
    Field = Value;
    if (Value) {
        Value->FreeNotification(Control);
        Value->AddControl(Control);
    }
}
