// The mail engine sees foundation and the class library, no window control.
#include "foundation/KvBase.h"
#include "classlib/StdCtrls.h"
