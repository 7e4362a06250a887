#include <windows.h>

// Until the wizard form exists the program only proves that it starts under
// Windows with its manifest, and says so.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    MessageBoxA(nullptr, "Tessaly is built. The conversion wizard is not part of this build yet.",
                "Tessaly", MB_OK | MB_ICONINFORMATION);
    return 0;
}
