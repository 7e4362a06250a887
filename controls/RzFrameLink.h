#pragma once
// The frame controller link of the controls that read the controller's
// settings themselves (label, panel and group box, progress bar, status
// pane): the controller and which of its settings the control follows,
// leaving the controller before destruction, forgetting one that is freed,
// and taking its settings on a change. Which own properties take each
// setting, and in what order, is the control's (ApplyFraming).
#include "classlib/Controls.h"
#include "controls/RzCommon.h"

template <class TBase>
class TRzFrameControllerLink : public TBase, public IRzCustomFramingNotification {
public:
    explicit TRzFrameControllerLink(TComponent* AOwner) : TBase(AOwner) {}
    ~TRzFrameControllerLink() override { ChangeFrameController(this, FFrameController, nullptr); }
    void BeforeDestruction() override
    {
        // Leave the controller while the whole object still answers.
        ChangeFrameController(this, FFrameController, nullptr);
        TBase::BeforeDestruction();
    }

    TRzFrameController* FrameController() const { return FFrameController; }
    virtual void SetFrameController(TRzFrameController* Value)
    {
        ChangeFrameController(this, FFrameController, Value);
        this->Invalidate();
    }
    TRzFrameControllerNotifications FrameControllerNotifications() const { return FFrameControllerNotifications; }
    void SetFrameControllerNotifications(TRzFrameControllerNotifications Value)
    {
        FFrameControllerNotifications = Value & fcnAll;
    }

    void CustomFramingChanged() override
    {
        TRzFrameController* FC = FFrameController;
        if (!FC || !FollowsController(*FC))
            return;
        ApplyFraming(*FC, FFrameControllerNotifications);
        this->Invalidate();
    }

protected:
    // Whether the controller's settings are taken now: while its frame shows.
    virtual bool FollowsController(const TRzFrameController& FC) const { return FC.FrameVisible(); }
    // Takes the controller's settings named in N into the control's own
    // properties.
    virtual void ApplyFraming(const TRzFrameController& FC, TRzFrameControllerNotifications N) = 0;

    void Notification(TComponent* AComponent, TOperation Operation) override
    {
        TBase::Notification(AComponent, Operation);
        if (Operation == opRemove && AComponent == FFrameController)
            FFrameController = nullptr;
    }

private:
    TRzFrameController* FFrameController = nullptr;
    TRzFrameControllerNotifications FFrameControllerNotifications = fcnAll;
};
