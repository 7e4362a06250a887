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
// A window that no longer speaks for its control (Controls.cpp).
void ForgetControlWindow(HWND Wnd);

// The control whose CreateWindowExA is running: messages that come before
// WM_NCCREATE (WM_GETMINMAXINFO) bind the window to it.
extern thread_local TWinControl* GCreationControl;
// Graphic or windowed control that owns the mouse capture.
extern TControl* GCaptureControl;
// The control the mouse pointer was last seen over.
extern TControl* GMouseOverControl;
// Controls whose Free() came while one of their messages was being handled.
extern std::vector<TControl*> GPendingFrees;
// Controls being freed now, the innermost last; a put-off free waits for
// those that hold its control.
extern std::vector<TControl*> GTeardowns;
// Every dispatch under way, outermost first: the control's dispatch count
// to give back, and whether the control still lives.
struct TDispatchFrame {
    int* Depth;
    std::shared_ptr<bool> Alive;
};
extern std::vector<TDispatchFrame> GDispatchFrames;
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
    // Its place in GDispatchFrames.
    size_t Frame() const { return FFrame; }

private:
    std::shared_ptr<bool> FAlive;
    size_t FFrame;
};

// Ends the dispatches from the Frame-th on, the innermost first: the ones a
// way out skipped without running their guards.
void EndDispatchesFrom(size_t Frame);

// Ends the dispatches from Frame on when the system unwinds the stack past
// the scope: a fault in the system's own code (a drawing it cannot do) that
// the system catches and ignores further out skips every C++ cleanup in
// between, and a count left behind would keep every parent dispatching,
// its Free() put off for ever. The frame is the 32-bit x86 kind, a record
// chained from the thread block at fs:0; other targets unwind by tables and
// have no such chain, so the build stops there rather than lose the count.
#if !defined(__i386__)
#error "TUnwindScope registers a 32-bit x86 exception frame; write the unwind hook of this target"
#endif
class TUnwindScope {
public:
    explicit TUnwindScope(size_t Frame);
    ~TUnwindScope();
    TUnwindScope(const TUnwindScope&) = delete;
    TUnwindScope& operator=(const TUnwindScope&) = delete;

private:
    struct TRecord {
        EXCEPTION_REGISTRATION_RECORD Link; // first: the system hands its address to OnUnwind
        size_t Frame;
    } FRecord;
    static EXCEPTION_DISPOSITION __cdecl OnUnwind(EXCEPTION_RECORD* Record, void* Established, CONTEXT*, void*);
};

} // namespace ControlState
