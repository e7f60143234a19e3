// The error catcher lives in the test-support library; this name stays for the structure's
// random-step test until it includes tests/support/errors.h itself.
#pragma once

#include "tests/support/errors.h"
