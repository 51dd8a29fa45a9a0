// Applying a project's stored settings: what is reloaded, refitted, redrawn and written back.
// Most cases call the extension's code directly (no BitBlt hook, so redraws take the post-paint
// path); the last ones drive the loaded module through the simulated host.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "base/host_api.h"
#include "frame/frame_view.h"
#include "frame/wallpaper_image.h"
#include "host/actions.h"
#include "host_functions.h"
#include "host_windows.h"
#include "keying/key_colour_cache.h"
#include "keying/theme_colours.h"
#include "present/arrange_target.h"
#include "present/arrange_theme.h"
#include "present/frame_buffers.h"
#include "present/settings_apply.h"
#include "projects.h"
#include "registrations.h"
#include "settings/project_settings.h"
#include "simulator.h"
#include "support/diagnostics_capture.h"
#include "support/picture_files.h"
#include "support/picture_work.h"
#include "support/sim_fixture.h"

namespace {

using Lines = std::vector<std::string>;

constexpr int kToggleCommand = 40002;
constexpr uint32_t kMarker = 0x00123456; // never a pixel of the gradient's top-left corner
const std::string kLoaded = "Wallpaper loaded: 320 x 240\n";
const std::string kNotFound = "Wallpaper file not found.\n";
const std::string kUnavailable = "Wallpaper image unavailable; disabled for this project.\n";

void Store(ReaProject* project, const std::string& key, const std::string& value) {
    sim::PutExtStateValue(project, "Murivo", key, value);
}

std::optional<std::string> Stored(ReaProject* project, const std::string& key) {
    return sim::ExtStateValue(project, "Murivo", key);
}

std::vector<uint32_t> Screen() {
    std::vector<uint32_t> pixels;
    int width = 0;
    int height = 0;
    EXPECT_TRUE(sim::CaptureArrange(pixels, width, height));
    for (uint32_t& pixel : pixels) {
        pixel &= 0x00FFFFFF;
    }
    return pixels;
}

// Everything an apply can visibly do, counted before and after it.
struct Effects {
    int paints;
    int toolbar_refreshes;
    uint32_t generation;
    int ext_state_writes;

    static Effects Now() {
        return {sim::ArrangePaintCount(), sim::HostCallCount("RefreshToolbar2"),
                g_keying_generation, sim::HostCallCount("SetProjExtState")};
    }
};

class ApplySettings : public testing::Test {
  protected:
    void SetUp() override {
        StartDiagnosticsCapture();
        sim::Scene scene = SmallTestScene();
        ASSERT_TRUE(sim::StartSimulator(scene));
        BindHostApi(&sim::LookupHostFunction);
        RefreshArrangeTheme();
        ResetCurrentSettings();
        g_target = {};
        g_target.window = sim::ArrangeWindow();
        g_command_ids[kToggle] = kToggleCommand;
        picture_ = NarrowPath(WriteTestPicture("gradient.png", 320, 240, &GradientPixel));
        project_ = sim::ProjectAt(0);
        TakeDiagnostics();
    }

    void TearDown() override {
        ReleaseFrameBuffers();
        ReleaseWallpaperImage();
        ResetCurrentSettings();
        g_target = {};
        g_command_ids[kToggle] = 0;
        g_host = {};
        sim::StopSimulator();
        RemoveTestPictures();
        TakeDiagnostics();
    }

    // The project shows the gradient, applied and on screen with its buffers made.
    void ShowPicture() {
        Store(project_, "path", picture_);
        Store(project_, "enabled", "1");
        ApplyAndSettle(true, true);
        ASSERT_TRUE(IsWallpaperLoaded());
        ASSERT_EQ(g_frame.width, 640) << "the redraw rendered a frame";
        TakeDiagnostics();
    }

    // A fitted pixel no fit would draw, to tell whether the wallpaper was fitted again.
    static void MarkFitted() {
        GdiFlush();
        g_frame.fitted[0] = kMarker;
    }
    static bool Refitted() {
        GdiFlush();
        return (g_frame.fitted[0] & 0x00FFFFFF) != kMarker;
    }

    std::string picture_;
    ReaProject* project_ = nullptr;
};

TEST_F(ApplySettings, ASecondCallWithNothingChangedDoesNothingEvenWhenAskedToRedraw) {
    ShowPicture();
    Effects before = Effects::Now();
    ApplyAndSettle(false, true);
    Effects after = Effects::Now();
    EXPECT_EQ(after.paints, before.paints);
    EXPECT_EQ(after.toolbar_refreshes, before.toolbar_refreshes);
    EXPECT_EQ(after.generation, before.generation);
    EXPECT_EQ(TakeDiagnostics(), Lines{});

    // A forced reload never exits early.
    ApplyAndSettle(true, false);
    EXPECT_EQ(TakeDiagnostics(), Lines{kLoaded});
    EXPECT_EQ(Effects::Now().toolbar_refreshes, before.toolbar_refreshes + 1);
}

TEST_F(ApplySettings, SwitchingToAProjectWithTheSamePictureLooksAgainButDecodesOnlyAChangedFile) {
    ReaProject* second = sim::ProjectAt(1);
    for (ReaProject* project : {project_, second}) {
        Store(project, "path", picture_);
        Store(project, "enabled", "1");
    }
    ApplyAndSettle(false, true);
    EXPECT_EQ(TakeDiagnostics(), (Lines{kLoaded, "V4 persistent buffers created.\n"}));

    // The same file at the same stamps: the decoded picture is taken again.
    const WallpaperImage* decoded = ShownPictureRef().get();
    sim::SetCurrentProject(1);
    ApplyAndSettle(false, true);
    EXPECT_EQ(TakeDiagnostics(), Lines{kLoaded});
    EXPECT_EQ(ShownPictureRef().get(), decoded);
    EXPECT_EQ(g_last_applied_project, second);
    EXPECT_TRUE(IsWallpaperLoaded());
    EXPECT_EQ(g_frame.width, 640) << "the buffers survive a reload";

    // Rewritten meanwhile (another size): decoded afresh.
    ASSERT_FALSE(WriteTestPicture("gradient.png", 300, 240, &GradientPixel).empty());
    sim::SetCurrentProject(0);
    ApplyAndSettle(false, true);
    EXPECT_EQ(TakeDiagnostics(), Lines{"Wallpaper loaded: 300 x 240\n"});
    EXPECT_NE(ShownPictureRef().get(), decoded);
}

TEST_F(ApplySettings, AnOpacityChangePresentsANewFrameWithoutReloadOrRefit) {
    ShowPicture();
    std::vector<uint32_t> before_pixels = Screen();
    Effects before = Effects::Now();
    MarkFitted();
    Store(project_, "opacity_permille", "900");
    ApplyAndSettle(false, true);

    EXPECT_EQ(TakeDiagnostics(), Lines{});
    EXPECT_FALSE(Refitted());
    EXPECT_EQ(g_current_settings.opacity, 0.9);
    Effects after = Effects::Now();
    EXPECT_NE(after.generation, before.generation);
    EXPECT_GT(after.paints, before.paints);
    EXPECT_EQ(after.toolbar_refreshes, before.toolbar_refreshes + 1);
    EXPECT_NE(Screen(), before_pixels) << "a stronger wallpaper is on screen";
    EXPECT_TRUE(g_frame.last_frame_valid);
}

TEST_F(ApplySettings, AFitModeOrBlackAndWhiteChangeRefitsAtTheCurrentSizeWithoutReload) {
    ShowPicture();
    MarkFitted();
    Store(project_, "mode", "contain");
    ApplyAndSettle(false, false);
    EXPECT_EQ(TakeDiagnostics(), Lines{});
    EXPECT_TRUE(Refitted());
    EXPECT_EQ(g_frame.width, 640);
    EXPECT_EQ(g_frame.picture_rect.left, 80) << "320 x 240 contained in 640 x 360";
    EXPECT_EQ(g_frame.picture_rect.right, 560);

    MarkFitted();
    Store(project_, "grayscale", "1");
    ApplyAndSettle(false, false);
    EXPECT_TRUE(Refitted());
    GdiFlush();
    uint32_t pixel = g_frame.fitted[static_cast<size_t>(100) * 640 + 300];
    EXPECT_EQ(pixel & 0xFF, (pixel >> 8) & 0xFF);
    EXPECT_EQ(pixel & 0xFF, (pixel >> 16) & 0xFF);
    EXPECT_EQ(TakeDiagnostics(), Lines{});
}

TEST_F(ApplySettings, AResizedViewIsStretchedUntilThePictureThreadHasFittedItAfresh) {
    ShowPicture();
    sim::ResizeArrange(500, 300);
    ASSERT_TRUE(EnsureFrameBuffers(nullptr, 500, 300));
    EXPECT_TRUE(g_frame_buffers.refit_wanted);
    ReloadPictureIfChanged(); // the settings tick asks for the fit
    ASSERT_TRUE(SettlePictureWork());
    EXPECT_FALSE(g_frame_buffers.refit_wanted);
    ASSERT_EQ(g_frame.width, 500);
    GdiFlush();
    const std::vector<uint32_t> fitted(g_frame.fitted, g_frame.fitted + 500 * 300);
    FitWallpaper(500, 300);
    GdiFlush();
    EXPECT_EQ(std::vector<uint32_t>(g_frame.fitted, g_frame.fitted + 500 * 300), fitted)
        << "the picture thread's fit is the fit";
}

TEST_F(ApplySettings, EnablingAProjectWhosePictureWasDeletedSwitchesItOffForGood) {
    Store(project_, "path", picture_);
    Store(project_, "enabled", "0");
    ApplyAndSettle(false, true);
    EXPECT_FALSE(IsWallpaperLoaded());
    ASSERT_TRUE(DeleteFileA(picture_.c_str()));
    TakeDiagnostics();

    Store(project_, "enabled", "1");
    ApplyAndSettle(false, true);
    EXPECT_EQ(TakeDiagnostics(), (Lines{kNotFound, kUnavailable}));
    EXPECT_EQ(Stored(project_, "enabled"), "0");
    EXPECT_TRUE(sim::IsProjectDirty(project_));
    EXPECT_FALSE(g_current_settings.enabled);
    EXPECT_FALSE(IsWallpaperLoaded());

    // The stored and the current settings agree now: the timer does not retry every 250 ms.
    ApplyAndSettle(false, true);
    EXPECT_EQ(TakeDiagnostics(), Lines{});
}

TEST_F(ApplySettings, DisablingReleasesThePictureAndLeavesTheHostsDrawing) {
    ShowPicture();
    ASSERT_TRUE(g_frame.last_frame_valid);
    Store(project_, "enabled", "0");
    ApplyAndSettle(false, true);
    EXPECT_FALSE(IsWallpaperLoaded());
    EXPECT_FALSE(g_frame.last_frame_valid);
    std::vector<uint32_t> shown = Screen();
    sim::RedrawArrange();
    EXPECT_EQ(shown, Screen()) << "what the redraw left is the host's own image";
}

TEST_F(ApplySettings, AStoredEnabledWithoutAPathIsWrittenBackAsOff) {
    Store(project_, "enabled", "1");
    ApplyAndSettle(false, false);
    EXPECT_EQ(Stored(project_, "enabled"), "0");
    EXPECT_TRUE(sim::IsProjectDirty(project_));
    EXPECT_EQ(TakeDiagnostics(), Lines{});

    // Already off: nothing is written on later applies.
    int writes = Effects::Now().ext_state_writes;
    ApplyAndSettle(true, false);
    EXPECT_EQ(Effects::Now().ext_state_writes, writes);
}

// The loaded module, attached by its own timer, with the project's settings stored first.
class ApplyThroughTheHost : public SimulatedHost {
  protected:
    void TearDown() override {
        SimulatedHost::TearDown();
        RemoveTestPictures();
    }
};

TEST_F(ApplyThroughTheHost, AMissingPictureIsSwitchedOffAtAttach) {
    ReaProject* project = sim::CurrentProject();
    Store(project, "path", NarrowPath(TestPicturePath("missing.png")));
    Store(project, "enabled", "1");
    ASSERT_EQ(Load(), 1);
    Lines output = TickUntilSaid(kUnavailable);
    EXPECT_TRUE(ContainsEntry(output, kNotFound));
    EXPECT_TRUE(ContainsEntry(output, kUnavailable));
    EXPECT_EQ(Stored(project, "enabled"), "0");
}

TEST_F(ApplyThroughTheHost, AStoredPictureShowsBehindTheLanesAndNotOnTheItem) {
    sim::RedrawArrange();
    std::vector<uint32_t> host = Screen();
    ReaProject* project = sim::CurrentProject();
    Store(project, "path", NarrowPath(WriteTestPicture("gradient.png", 320, 240, &GradientPixel)));
    Store(project, "enabled", "1");
    ASSERT_EQ(Load(), 1);
    ASSERT_TRUE(ContainsEntry(TickUntilSaid(kLoaded), kLoaded));
    sim::RedrawArrange(); // a host paint, corrected on its way to the screen
    std::vector<uint32_t> shown = Screen();
    ASSERT_EQ(shown.size(), host.size());
    auto at = [](int x, int y) { return static_cast<size_t>(y) * 640 + x; };
    EXPECT_NE(shown[at(306, 40)], host[at(306, 40)]) << "first lane";
    EXPECT_NE(shown[at(406, 300)], host[at(406, 300)]) << "below the last lane";
    EXPECT_EQ(shown[at(120, 40)], host[at(120, 40)]) << "the item at 1 s to 4 s";
}

} // namespace
