#pragma once
// Hints: the small window that shows a control's hint under the mouse, and
// the action that carries a hint to the controls that show it themselves
// (a status line).
#include <string>

#include "classlib/ActnList.h"
#include "classlib/Controls.h"

// A hint "Short|Long": the short part goes to the hint window, the long one
// to status lines; a hint without "|" is both.
std::string GetShortHint(const std::string& Hint);
std::string GetLongHint(const std::string& Hint);

// Executing it offers the hint to the controls of the active form.
class THintAction : public TCustomAction {
public:
    explicit THintAction(TComponent* AOwner) : TCustomAction(AOwner) {}
    bool Execute() override;
};

class THintWindow : public TCustomControl {
public:
    explicit THintWindow(TComponent* AOwner);

    // The screen-size rectangle at (0, 0) that Hint needs, wrapped at
    // MaxWidth.
    virtual TRect CalcHintRect(int MaxWidth, const std::string& Hint);
    // Shows Hint in Rect (screen coordinates) without taking the focus.
    virtual void ActivateHint(const TRect& Rect, const std::string& Hint);
    // Hides the window and frees it.
    void ReleaseHandle();
    bool Active() const { return FActive; }
    std::string HintText() const { return Caption(); }

    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;

private:
    bool FActive = false;
};
