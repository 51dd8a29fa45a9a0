// The main timer finding, attaching to and following the arrange view, driven tick by tick.
#include <gtest/gtest.h>
#include <windows.h>

#include "host_functions.h"
#include "host_windows.h"
#include "projects.h"
#include "registrations.h"
#include "support/sim_fixture.h"
#include "theme.h"

namespace {

class Attach : public SimulatedHost {
  protected:
    void LoadAndAttach() {
        ASSERT_EQ(Load(), 1);
        sim::TickTimers();
        ASSERT_TRUE(Attached(Output()));
    }

    static bool Attached(const std::vector<std::string>& output) {
        return CountStartingWith(output, "Arrange background: ") == 1 &&
               CountStartingWith(output, kActiveBannerStart) == 1;
    }
};

TEST_F(Attach, PrintsTheThemeBackgroundAndTheActivationBannerOnce) {
    sim::SetThemeValue("col_arrangebg", 0x01332211); // flags in the top byte are not colour
    ASSERT_EQ(Load(), 1);
    Output();
    sim::TickTimers();
    std::vector<std::string> output = Output();
    EXPECT_TRUE(ContainsEntry(output, "Arrange background: 17,34,51\n"));
    EXPECT_TRUE(Attached(output));
    sim::TickTimers();
    EXPECT_EQ(CountStartingWith(Output(), "Arrange background: "), 0);
}

TEST_F(Attach, NeedsAClientAreaOfAtLeast300By200) {
    ASSERT_EQ(Load(), 1);
    Output();
    sim::ResizeArrange(299, 500);
    sim::TickTimers();
    sim::ResizeArrange(300, 199);
    sim::TickTimers();
    EXPECT_FALSE(Attached(Output()));
    sim::ResizeArrange(300, 200);
    sim::TickTimers();
    EXPECT_TRUE(Attached(Output()));
}

TEST_F(Attach, HiddenArrangeViewIsNotAttachedUntilShown) {
    ASSERT_EQ(Load(), 1);
    Output();
    sim::ShowArrange(false);
    sim::TickTimers();
    EXPECT_FALSE(Attached(Output()));
    sim::ShowArrange(true);
    sim::TickTimers();
    EXPECT_TRUE(Attached(Output()));
}

TEST_F(Attach, AttachedButHiddenArrangeViewGetsNoWork) {
    LoadAndAttach();
    sim::ShowArrange(false);
    ReaProject* project = sim::CurrentProject();
    int reads = sim::ExtStateReadCount(project);
    int play_state_calls = sim::HostCallCount("GetPlayState");
    sim::TickTimers();
    sim::TickTimers();
    EXPECT_EQ(sim::ExtStateReadCount(project), reads);
    EXPECT_EQ(sim::HostCallCount("GetPlayState"), play_state_calls);
    EXPECT_TRUE(Output().empty());

    sim::ShowArrange(true);
    sim::TickTimers();
    EXPECT_GT(sim::ExtStateReadCount(project), reads);
    EXPECT_FALSE(Attached(Output())); // still the same attachment
}

TEST_F(Attach, ReplacedArrangeViewIsDetachedAndReattachedInOneTick) {
    LoadAndAttach();
    HWND old_window = sim::ArrangeWindow();
    HWND new_window = sim::ReplaceArrangeWindow();
    ASSERT_NE(new_window, old_window);
    sim::TickTimers();
    EXPECT_TRUE(Attached(Output()));
    sim::TickTimers();
    EXPECT_FALSE(Attached(Output()));
}

TEST_F(Attach, WithoutThemeBackgroundColourAttachWaitsUntilOneAppears) {
    sim::RemoveThemeValue("col_arrangebg");
    ASSERT_EQ(Load(), 1);
    Output();
    sim::TickTimers();
    sim::TickTimers();
    EXPECT_EQ(CountStartingWith(Output(), "Arrange background: "), 0);
    sim::SetThemeValue("col_arrangebg", 0x00102030);
    sim::TickTimers();
    std::vector<std::string> output = Output();
    EXPECT_TRUE(ContainsEntry(output, "Arrange background: 48,32,16\n"));
    EXPECT_TRUE(Attached(output));
}

TEST_F(Attach, ProjectSwitchIsAppliedOnTheNextTick) {
    LoadAndAttach();
    DWORD before_first = GetTickCount();
    sim::TickTimers(); // applies the first project's settings
    ReaProject* second = sim::ProjectAt(1);
    int reads = sim::ExtStateReadCount(second);
    sim::SetCurrentProject(1);
    sim::TickTimers();
    if (GetTickCount() - before_first >= 250) {
        GTEST_SKIP() << "the machine stalled for 250 ms; the interval alone would re-read";
    }
    EXPECT_GT(sim::ExtStateReadCount(second), reads);
}

TEST_F(Attach, SettingsAreReReadOnlyWhenTheIntervalHasPassed) {
    LoadAndAttach();
    ReaProject* project = sim::CurrentProject();
    DWORD before_first = GetTickCount();
    sim::TickTimers(); // the first attached tick is always due
    int reads = sim::ExtStateReadCount(project);
    EXPECT_GT(reads, 0);
    for (int i = 0; i < 10; ++i) {
        sim::TickTimers();
    }
    if (GetTickCount() - before_first < 250) {
        EXPECT_EQ(sim::ExtStateReadCount(project), reads);
    }
    Sleep(300);
    sim::TickTimers();
    EXPECT_GT(sim::ExtStateReadCount(project), reads);
}

} // namespace
