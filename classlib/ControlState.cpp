#include "classlib/ControlState.h"

namespace ControlState {

const char* const ControlProp = "TessalyControl";

thread_local TWinControl* CreationControl = nullptr;
TControl* CaptureControl = nullptr;
TControl* MouseOverControl = nullptr;
std::vector<TControl*> PendingFrees;
int GlobalDispatchDepth = 0;
std::vector<TControlCanvas*> OpenCanvases;
std::map<TCursor, HCURSOR> RegisteredCursors;
UINT NextControlId = 100;

bool IsWinControl(const TControl* C)
{
    return dynamic_cast<const TWinControl*>(C) != nullptr;
}

TDispatchGuard::TDispatchGuard(int& Depth, std::shared_ptr<bool> Alive)
    : FDepth(Depth), FAlive(std::move(Alive))
{
    ++FDepth;
    ++GlobalDispatchDepth;
}

TDispatchGuard::~TDispatchGuard()
{
    --GlobalDispatchDepth;
    if (*FAlive)
        --FDepth;
    if (GlobalDispatchDepth == 0 && !PendingFrees.empty())
        FlushPendingControlFrees();
}

} // namespace ControlState
