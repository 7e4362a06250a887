// The kit serves every test folder, so it borrows from none of them.
#include "mail/KvMime.h"
#include "tests/app/TestMessages.h"
