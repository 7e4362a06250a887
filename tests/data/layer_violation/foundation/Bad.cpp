// Foundation sees the class library only.
#include "classlib/SysUtils.h"
#include "mail/KvMime.h"
