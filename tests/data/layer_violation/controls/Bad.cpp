// Controls see the class library only.
#include "classlib/Controls.h"
#include "foundation/KvBase.h"
