#include "shell/RzShellIntf.h"

#include <objbase.h>

namespace {

// Once per process: a nesting count keeps a second start-up from pairing a
// CoUninitialize with a CoInitialize that was never made.
struct TShellIntfUnit {
    int Nesting = 0;
    bool ComStarted = false;
    TShellIntfUnit()
    {
        if (Nesting++ == 0)
            ComStarted = SUCCEEDED(CoInitialize(nullptr));
    }
    ~TShellIntfUnit()
    {
        if (--Nesting == 0 && ComStarted)
            CoUninitialize();
    }
};
TShellIntfUnit& Unit()
{
    static TShellIntfUnit U;
    return U;
}
// Start-up with the program's static initialisation, on the main thread.
[[maybe_unused]] const bool Started = Unit().ComStarted;

} // namespace

bool ShellComInitialized() { return Unit().ComStarted; }
