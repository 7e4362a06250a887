// The class library includes nothing of ours but itself.
#include "classlib/Controls.h"
#include "foundation/KvBase.h"
