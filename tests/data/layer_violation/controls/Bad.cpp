// Controls see the class library only, in either include form.
#include "classlib/Controls.h"
#include <foundation/KvBase.h>
