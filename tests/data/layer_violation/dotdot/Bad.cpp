// A path that climbs back out of an allowed folder slips past every prefix.
#include "mail/KvMime.h"
#include "mail/../controls/RzCommon.h"
