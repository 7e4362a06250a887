// The shell's tests see no foundation unit.
#include "tests/shell/Own.h"
#include "foundation/KvBase.h"
