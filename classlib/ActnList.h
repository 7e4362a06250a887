#pragma once
// Actions: one command with its caption, state and handler, shared by the
// controls that link to it. A change of the action reaches every client
// through its link, which passes it on only while the client still shows
// the action's value.
#include <string>
#include <vector>

#include "classlib/Classes.h"

class TBasicActionLink;
class TActionLink;

class TBasicAction : public TComponent {
public:
    explicit TBasicAction(TComponent* AOwner);
    ~TBasicAction() override;
    void BeforeDestruction() override;

    // Runs OnExecute; false when there is none.
    virtual bool Execute();
    // Runs OnUpdate; false when there is none.
    virtual bool Update();
    // The control whose click ran the action last.
    TComponent* ActionComponent() const { return FActionComponent; }
    void SetActionComponent(TComponent* Value);

    void RegisterChanges(TBasicActionLink* Link);
    void UnRegisterChanges(TBasicActionLink* Link);
    int ClientCount() const { return static_cast<int>(FClients.size()); }

    TNotifyEvent OnExecute;
    TNotifyEvent OnUpdate;
    TNotifyEvent OnChange;

protected:
    virtual void Change();
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // Each link, in turn; a link that leaves during the walk is skipped.
    template <typename F>
    void ForEachClient(F&& Fn);

private:
    std::vector<TBasicActionLink*> FClients;
    TComponent* FActionComponent = nullptr;
};

class TBasicActionLink : public TObject {
public:
    explicit TBasicActionLink(TObject* AClient) : FClient(AClient) {}
    ~TBasicActionLink() override;

    TBasicAction* Action() const { return FAction; }
    virtual void SetAction(TBasicAction* Value);
    TObject* Client() const { return FClient; }
    // Runs the action for Target (the clicked control).
    virtual bool Execute(TComponent* Target = nullptr);
    virtual bool Update();

    // Called by the action whenever any of its properties changes.
    TNotifyEvent OnChange;

protected:
    friend class TBasicAction;
    virtual void Change();

    TBasicAction* FAction = nullptr;
    TObject* FClient;
};

class TCustomAction : public TBasicAction {
public:
    explicit TCustomAction(TComponent* AOwner);

    std::string Caption() const { return FCaption; }
    void SetCaption(const std::string& Value);
    bool Checked() const { return FChecked; }
    void SetChecked(bool Value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    std::string Hint() const { return FHint; }
    void SetHint(const std::string& Value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);

    // A disabled action runs nothing.
    bool Execute() override;

private:
    // Field := Value, passed first to the clients whose link has the
    // property linked; nothing when the value is unchanged.
    template <typename T, typename TSetter>
    void SetLinked(T& Field, const T& Value, bool (TActionLink::*IsLinked)() const, TSetter Set);

    std::string FCaption;
    bool FChecked = false;
    bool FEnabled = true;
    std::string FHint;
    int FImageIndex = -1;
    bool FVisible = true;
};

class TAction : public TCustomAction {
public:
    using TCustomAction::TCustomAction;
};

// The link of an action with named properties. Each IsXxxLinked says
// whether the client still follows the action's Xxx; each SetXxx passes a
// new value on to the client when it does.
class TActionLink : public TBasicActionLink {
public:
    using TBasicActionLink::TBasicActionLink;

    virtual bool IsCaptionLinked() const { return dynamic_cast<TCustomAction*>(FAction) != nullptr; }
    virtual bool IsCheckedLinked() const { return dynamic_cast<TCustomAction*>(FAction) != nullptr; }
    virtual bool IsEnabledLinked() const { return dynamic_cast<TCustomAction*>(FAction) != nullptr; }
    virtual bool IsHintLinked() const { return dynamic_cast<TCustomAction*>(FAction) != nullptr; }
    virtual bool IsImageIndexLinked() const { return dynamic_cast<TCustomAction*>(FAction) != nullptr; }
    virtual bool IsVisibleLinked() const { return dynamic_cast<TCustomAction*>(FAction) != nullptr; }

    virtual void SetCaption(const std::string&) {}
    virtual void SetChecked(bool) {}
    virtual void SetEnabled(bool) {}
    virtual void SetHint(const std::string&) {}
    virtual void SetImageIndex(int) {}
    virtual void SetVisible(bool) {}

protected:
    TCustomAction* CustomAction() const { return dynamic_cast<TCustomAction*>(FAction); }
};
