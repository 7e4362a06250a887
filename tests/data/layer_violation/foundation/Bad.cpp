// Foundation draws nothing: no class-library unit that paints or makes windows.
#include "classlib/SysUtils.h"
#include "classlib/Forms.h"
