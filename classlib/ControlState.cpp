#include "classlib/ControlState.h"

namespace ControlState {

const char* const ControlProp = "TessalyControl";

thread_local TWinControl* GCreationControl = nullptr;
TControl* GCaptureControl = nullptr;
TControl* GMouseOverControl = nullptr;
std::vector<TControl*> GPendingFrees;
int GGlobalDispatchDepth = 0;
std::vector<TControlCanvas*> GOpenCanvases;
std::map<TCursor, HCURSOR> GRegisteredCursors;
UINT GNextControlId = 100;

bool IsWinControl(const TControl* C)
{
    return dynamic_cast<const TWinControl*>(C) != nullptr;
}

TDispatchGuard::TDispatchGuard(int& Depth, std::shared_ptr<bool> Alive)
    : FDepth(Depth), FAlive(std::move(Alive))
{
    ++FDepth;
    ++GGlobalDispatchDepth;
}

TDispatchGuard::~TDispatchGuard()
{
    --GGlobalDispatchDepth;
    if (*FAlive)
        --FDepth;
    if (GGlobalDispatchDepth == 0 && !GPendingFrees.empty())
        FlushPendingControlFrees();
}

} // namespace ControlState
