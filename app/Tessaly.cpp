#include <windows.h>

#include "app/TessalyStart.h"
#include "foundation/KvParam.h"

// Until the wizard form exists the program only proves that it starts under
// Windows with its manifest and its services, and says so.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    StartProgram(*CommandLine);
    MessageBoxA(nullptr, "Tessaly is built. The conversion wizard is not part of this build yet.",
                "Tessaly", MB_OK | MB_ICONINFORMATION);
    return 0;
}
