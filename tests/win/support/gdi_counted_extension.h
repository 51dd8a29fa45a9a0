// The real extension module in the simulated host with its own GDI use counted: its imports that
// make and give back GDI objects and device contexts are wrapped (sim/gdi_accounting.h).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gdi_accounting.h"

// Wraps the imports of the extension module the host loaded last; returns the names wrapped.
// Counts are not reset.
std::vector<std::string> CountExtensionGdi();

// Success when the extension holds no GDI object or device context and gave back nothing it had
// not made.
::testing::AssertionResult NothingLeftBehind();

// Success when exactly objects GDI objects and memory DCs (one per object: every bitmap of the
// extension sits in its own memory DC) are alive and no window DC is held.
::testing::AssertionResult HoldsBitmapsInMemoryDcs(long long objects);
