#include "mail/KvA.h"
