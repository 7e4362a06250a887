// A test folder borrowing another's helpers (each test folder rejects at
// least one of these) or climbing out of its folder.
#include "tests/shell/ShellCtrlsTestSupport.h"
#include "tests/controls/RzTabKit.h"
#include "../TestFolder.h"
