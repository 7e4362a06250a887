// The mail tests see no window control.
#include "tests/mail/Own.h"
#include "controls/RzCommon.h"
