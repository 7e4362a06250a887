#include "classlib/ActnList.h"

#include <algorithm>

// ---------------------------------------------------------------------------
// TBasicAction
// ---------------------------------------------------------------------------

TBasicAction::TBasicAction(TComponent* AOwner) : TComponent(AOwner) {}

TBasicAction::~TBasicAction()
{
    TBasicAction::BeforeDestruction();
}

void TBasicAction::BeforeDestruction()
{
    // Clients keep their links; the links just lose their action.
    while (!FClients.empty()) {
        TBasicActionLink* L = FClients.back();
        FClients.pop_back();
        L->FAction = nullptr;
    }
    SetActionComponent(nullptr);
    TComponent::BeforeDestruction();
}

void TBasicAction::SetActionComponent(TComponent* Value)
{
    if (Value == FActionComponent)
        return;
    if (FActionComponent)
        FActionComponent->RemoveFreeNotification(this);
    FActionComponent = Value;
    if (FActionComponent)
        FActionComponent->FreeNotification(this);
}

void TBasicAction::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FActionComponent)
        FActionComponent = nullptr;
}

bool TBasicAction::Execute()
{
    if (!OnExecute)
        return false;
    OnExecute(this);
    return true;
}

bool TBasicAction::Update()
{
    if (!OnUpdate)
        return false;
    OnUpdate(this);
    return true;
}

void TBasicAction::RegisterChanges(TBasicActionLink* Link)
{
    if (Link && std::find(FClients.begin(), FClients.end(), Link) == FClients.end())
        FClients.push_back(Link);
}

void TBasicAction::UnRegisterChanges(TBasicActionLink* Link)
{
    FClients.erase(std::remove(FClients.begin(), FClients.end(), Link), FClients.end());
}

template <typename F>
void TBasicAction::ForEachClient(F&& Fn)
{
    const std::vector<TBasicActionLink*> Links = FClients;
    for (TBasicActionLink* L : Links)
        if (std::find(FClients.begin(), FClients.end(), L) != FClients.end())
            Fn(L);
}

void TBasicAction::Change()
{
    ForEachClient([](TBasicActionLink* L) { L->Change(); });
    if (OnChange)
        OnChange(this);
}

// ---------------------------------------------------------------------------
// TBasicActionLink
// ---------------------------------------------------------------------------

TBasicActionLink::~TBasicActionLink()
{
    if (FAction)
        FAction->UnRegisterChanges(this);
}

void TBasicActionLink::SetAction(TBasicAction* Value)
{
    if (Value == FAction)
        return;
    if (FAction)
        FAction->UnRegisterChanges(this);
    FAction = Value;
    if (FAction)
        FAction->RegisterChanges(this);
}

bool TBasicActionLink::Execute(TComponent* Target)
{
    if (!FAction)
        return false;
    FAction->SetActionComponent(Target);
    // The action may free the target (a button that closes its form).
    const bool Done = FAction->Execute();
    if (FAction)
        FAction->SetActionComponent(nullptr);
    return Done;
}

bool TBasicActionLink::Update()
{
    return FAction && FAction->Update();
}

void TBasicActionLink::Change()
{
    if (OnChange)
        OnChange(FAction);
}

// ---------------------------------------------------------------------------
// TCustomAction
// ---------------------------------------------------------------------------

namespace {

TActionLink* AsActionLink(TBasicActionLink* L)
{
    return dynamic_cast<TActionLink*>(L);
}

} // namespace

TCustomAction::TCustomAction(TComponent* AOwner) : TBasicAction(AOwner) {}

template <typename T, typename TSetter>
void TCustomAction::SetLinked(T& Field, const T& Value, bool (TActionLink::*IsLinked)() const, TSetter Set)
{
    if (Value == Field)
        return;
    ForEachClient([&](TBasicActionLink* L) {
        if (TActionLink* A = AsActionLink(L); A && (A->*IsLinked)())
            (A->*Set)(Value);
    });
    Field = Value;
    Change();
}

void TCustomAction::SetCaption(const std::string& Value)
{
    SetLinked(FCaption, Value, &TActionLink::IsCaptionLinked, &TActionLink::SetCaption);
}

void TCustomAction::SetChecked(bool Value)
{
    SetLinked(FChecked, Value, &TActionLink::IsCheckedLinked, &TActionLink::SetChecked);
}

void TCustomAction::SetEnabled(bool Value)
{
    SetLinked(FEnabled, Value, &TActionLink::IsEnabledLinked, &TActionLink::SetEnabled);
}

void TCustomAction::SetHint(const std::string& Value)
{
    SetLinked(FHint, Value, &TActionLink::IsHintLinked, &TActionLink::SetHint);
}

void TCustomAction::SetImageIndex(int Value)
{
    SetLinked(FImageIndex, Value, &TActionLink::IsImageIndexLinked, &TActionLink::SetImageIndex);
}

void TCustomAction::SetVisible(bool Value)
{
    SetLinked(FVisible, Value, &TActionLink::IsVisibleLinked, &TActionLink::SetVisible);
}

bool TCustomAction::Execute()
{
    return FEnabled && TBasicAction::Execute();
}
