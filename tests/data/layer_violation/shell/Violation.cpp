// A source that breaks the layering, for the layer check's own test.
#include "controls/RzCommon.h"
#include "foundation/KvBase.h"
