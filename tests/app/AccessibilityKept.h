#pragma once
// The accessibility flags, which tests of the forms and the switches set,
// put back as they were when the test ends.
#include "app/KvWizardOptions.h"
#include "foundation/KvBase.h"
#include "testkit/Restore.h"

struct TAccessibilityKept {
    TRestore<bool> Reader{GAppScreenReader};
    TRestore<bool> HighContrast{GAppHighContrast};
    TRestore<bool> Follow{GFollowSystemAccessibility};
};
