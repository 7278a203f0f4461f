#pragma once
// The shared test helpers live in tests/support/; this name stays for older includes.
#include "tests/support/harness.h"
