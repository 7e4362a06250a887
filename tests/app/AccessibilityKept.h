#pragma once
// The accessibility flags, which tests of the forms and the switches set,
// put back as they were when the test ends.
#include "app/KvWizardOptions.h"
#include "foundation/KvBase.h"
#include "classlib/Cleanup.h"

struct TAccessibilityKept {
    TRestoreScope<bool> Reader{GAppScreenReader};
    TRestoreScope<bool> HighContrast{GAppHighContrast};
    TRestoreScope<bool> Follow{GFollowSystemAccessibility};
};
