// A simulated host with the real extension module loaded (not yet started) for each test, and
// helpers over the captured debugger output.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "base/version.h"
#include "scene.h"

// Two tracks, one audio item, two project tabs, an arrange view of 640 x 360.
sim::Scene SmallTestScene();

class SimulatedHost : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // ReaperPluginEntry with the host's record; unloaded again at the end of the test if needed.
    int Load(int version = 526);
    int Unload();
    // Diagnostics written since the last call, one entry per OutputDebugStringA.
    std::vector<std::string> Output();

    bool loaded_ = false;
};

// Runs the host's timer (a tick every 5 ms) until the extension says a line starting with text,
// as its picture thread's work is shown on a tick; at most timeout_ms. Everything said meanwhile.
std::vector<std::string> TickUntilSaid(const std::string& text, int timeout_ms = 20000);

// Runs the host's timer (a tick every 5 ms, the message loop pumped) until done() answers true;
// at most timeout_ms. Whether it did.
bool TickUntil(const std::function<bool()>& done, int timeout_ms = 20000);

bool ContainsEntry(const std::vector<std::string>& entries, const std::string& text);
// Entries that start with prefix.
int CountStartingWith(const std::vector<std::string>& entries, const std::string& prefix);

inline const std::string kLoadBanner =
    "\n========================================\nMurivo V" MURIVO_VERSION_TEXT "\n"
    "========================================\n";
inline const std::string kShownStart = "Wallpaper loaded: ";
inline const std::string kActiveBannerStart =
    "\n========================================\nMurivo V" MURIVO_VERSION_TEXT " ACTIVE\n";
