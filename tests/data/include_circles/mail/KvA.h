// Two units that lean on each other, one of them in the angle form.
#include <mail/KvB.h>
