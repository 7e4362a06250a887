// A test folder borrows no other test folder's helpers.
#include "tests/app/Own.h"
#include "tests/shell/ShellCtrlsTestSupport.h"
