#pragma once
// The scratch folder moved to tests/TestFolder.h; this stays until every
// test includes that one.
#include "tests/TestFolder.h"
