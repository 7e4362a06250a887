// The controls' tests see the class library and the controls only.
#include "tests/controls/Own.h"
#include "mail/KvMime.h"
