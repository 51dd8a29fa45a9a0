// The extension's own code linked into the test program and loaded into the simulated host the
// way the DLL is: its BitBlt hook then sits in this program's import slot, in front of the
// host's painting, and the tests can look at and steer its state directly. Tests of chains that
// must be retained use it, because retaining pins the module that holds the hook.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "support/arrange_pixels.h"

class StaticExtensionHost : public ::testing::Test {
  protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    // The small test scene with a picture enabled in the current project; nothing loaded.
    void SetUp() override;
    // Unloads, then puts the import slot and the attach state back for the next test.
    void TearDown() override;

    int Load();
    void Unload();
    // Load and one timer tick; the arrange view is attached afterwards.
    void LoadAndAttach();
    std::vector<std::string> Output();

    bool loaded_ = false;
};

// Entries that equal text.
int CountEqual(const std::vector<std::string>& entries, const std::string& text);
