#include "classlib/ControlState.h"

namespace ControlState {

const char* const ControlProp = "TessalyControl";

thread_local TWinControl* GCreationControl = nullptr;
TControl* GCaptureControl = nullptr;
TControl* GMouseOverControl = nullptr;
std::vector<TControl*> GPendingFrees;
std::vector<TControl*> GTeardowns;
std::vector<TDispatchFrame> GDispatchFrames;
std::vector<TControlCanvas*> GOpenCanvases;
std::map<TCursor, HCURSOR> GRegisteredCursors;
UINT GNextControlId = 100;

bool IsWinControl(const TControl* C)
{
    return dynamic_cast<const TWinControl*>(C) != nullptr;
}

TDispatchGuard::TDispatchGuard(int& Depth, std::shared_ptr<bool> Alive)
    : FAlive(std::move(Alive)), FFrame(GDispatchFrames.size())
{
    ++Depth;
    GDispatchFrames.push_back(TDispatchFrame{&Depth, FAlive});
}

TDispatchGuard::~TDispatchGuard()
{
    EndDispatchesFrom(FFrame);
    if (GDispatchFrames.empty() && !GPendingFrees.empty())
        FlushPendingControlFrees();
}

void EndDispatchesFrom(size_t Frame)
{
    while (GDispatchFrames.size() > Frame) {
        const TDispatchFrame& F = GDispatchFrames.back();
        if (*F.Alive)
            --*F.Depth;
        GDispatchFrames.pop_back();
    }
}

namespace {

// The thread's information block, which heads the chain of registered
// frames (NtCurrentTeb reads the same word, but trips the compiler's bounds
// warning).
NT_TIB* ThreadBlock()
{
    NT_TIB* Block;
    __asm__ __volatile__("movl %%fs:0x18, %0" : "=r"(Block));
    return Block;
}

} // namespace

// Called by the system for each registered frame it unwinds; the first pass,
// which only looks for a handler, is left alone.
EXCEPTION_DISPOSITION __cdecl TUnwindScope::OnUnwind(EXCEPTION_RECORD* Record, void* Established, CONTEXT*, void*)
{
    if (Record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND))
        EndDispatchesFrom(static_cast<TRecord*>(Established)->Frame);
    return ExceptionContinueSearch;
}

TUnwindScope::TUnwindScope(size_t Frame)
{
    FRecord.Link.Next = ThreadBlock()->ExceptionList;
    FRecord.Link.Handler = reinterpret_cast<PEXCEPTION_ROUTINE>(&OnUnwind);
    FRecord.Frame = Frame;
    ThreadBlock()->ExceptionList = &FRecord.Link;
}

TUnwindScope::~TUnwindScope()
{
    // Reached only on a way out that did not unwind the system's frames.
    ThreadBlock()->ExceptionList = FRecord.Link.Next;
}

} // namespace ControlState
