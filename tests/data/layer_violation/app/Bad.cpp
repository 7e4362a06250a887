// The program sees every library folder, never the tests.
#include "shell/RzShellCtrls.h"
#include "testkit/TestFolder.h"
