#pragma once
// State that the control sources share on the GUI thread: the window
// property that binds a window to its object, the capture and mouse-over
// controls, deferred frees and the canvases holding a device context.
#include <map>
#include <memory>
#include <vector>

#include "classlib/Controls.h"

namespace ControlState {

extern const char* const ControlProp;

// The control whose CreateWindowExA is running: messages that come before
// WM_NCCREATE (WM_GETMINMAXINFO) bind the window to it.
extern thread_local TWinControl* GCreationControl;
// Graphic or windowed control that owns the mouse capture.
extern TControl* GCaptureControl;
// The control the mouse pointer was last seen over.
extern TControl* GMouseOverControl;
// Controls whose Free() came while one of their messages was being handled.
extern std::vector<TControl*> GPendingFrees;
extern int GGlobalDispatchDepth;
// Control canvases holding a device context outside painting.
extern std::vector<TControlCanvas*> GOpenCanvases;
extern std::map<TCursor, HCURSOR> GRegisteredCursors;
extern UINT GNextControlId;

bool IsWinControl(const TControl* C);

} // namespace ControlState

// The window procedure of every control window (Controls.cpp).
LRESULT CALLBACK ControlWindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);

namespace ControlState {

// Keeps a control's dispatch count right on every way out, exceptions
// included, without touching a control that was freed meanwhile.
class TDispatchGuard {
public:
    TDispatchGuard(int& Depth, std::shared_ptr<bool> Alive);
    ~TDispatchGuard();
    TDispatchGuard(const TDispatchGuard&) = delete;
    TDispatchGuard& operator=(const TDispatchGuard&) = delete;
    bool Alive() const { return *FAlive; }

private:
    int& FDepth;
    std::shared_ptr<bool> FAlive;
};

} // namespace ControlState
