// The shell sees the controls and the class library, no foundation unit.
#include "controls/RzCommon.h"
#include "foundation/KvBase.h"
