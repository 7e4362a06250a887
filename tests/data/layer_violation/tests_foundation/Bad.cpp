// Foundation's tests see foundation and below, not the mail engine.
#include "tests/foundation/Own.h"
#include "mail/KvMime.h"
