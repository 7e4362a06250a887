#include "app/KvAppServices.h"

// On by default: the shell dialog font follows the system's look on every
// Windows version the program runs on.
bool UseDialogFont = true;
