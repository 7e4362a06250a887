// The class library's tests see only the class library.
#include "tests/classlib/Own.h"
#include "foundation/KvBase.h"
