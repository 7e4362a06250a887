// Benchmarks see the program, its libraries and the kit, not the tests.
#include "testkit/TestFolder.h"
#include "tests/app/ConvertTestFiles.h"
