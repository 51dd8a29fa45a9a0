// Hooked mode end to end with the real DLL: the host's paint is corrected inside its own BitBlt,
// interactions and the stop of the transport get their deferred correction, and no image the
// host presents reaches the arrange view without the wallpaper. Fallback mode for comparison.
#include <gtest/gtest.h>
#include <windows.h>

#include "foreign_hook.h"
#include "host_exercise.h"
#include "host_functions.h"
#include "host_windows.h"
#include "import_slot.h"
#include "presentation_probe.h"
#include "projects.h"
#include "registrations.h"
#include "scene.h"
#include "support/arrange_pixels.h"
#include "support/picture_files.h"
#include "support/sim_fixture.h"

namespace {

constexpr char kPictureName[] = "hooked_mode.png";
constexpr DWORD kPastDeferredDelayMs = 150;

// Every keyed frame, by the hook or by a render, asks the host for the items once.
int Composites() {
    return sim::HostCallCount("CountMediaItems");
}

Pixels g_seen_at_paint;
Pixels g_seen_after_erase;
WNDPROC g_spied = nullptr;

// Looks at the screen when a paint arrives, before anyone below it has drawn, and right after
// an erase, before the paint that follows it.
LRESULT CALLBACK PaintSpyProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_PAINT) {
        g_seen_at_paint = ArrangeScreen();
    }
    LRESULT result = CallWindowProcW(g_spied, window, message, wparam, lparam);
    if (message == WM_ERASEBKGND) {
        g_seen_after_erase = ArrangeScreen();
    }
    return result;
}

class HookedMode : public SimulatedHost {
  protected:
    static void SetUpTestSuite() { WriteTestPicture(kPictureName, 160, 90, GradientPixel); }
    static void TearDownTestSuite() { RemoveTestPictures(); }

    void SetUp() override {
        SimulatedHost::SetUp();
        ReaProject* project = sim::CurrentProject();
        sim::PutExtStateValue(project, "Murivo", "path", NarrowPath(TestPicturePath(kPictureName)));
        sim::PutExtStateValue(project, "Murivo", "enabled", "1");
    }
    void TearDown() override {
        sim::StopPresentationTally();
        SimulatedHost::TearDown();
        sim::RemoveForeignBitBltHook();
    }
    void Attach() {
        ASSERT_EQ(Load(), 1);
        ASSERT_EQ(CountStartingWith(TickUntilSaid(kShownStart), kActiveBannerStart), 1);
    }
    static Pixels Host() {
        return HostImage(sim::ArrangeClientWidth(), sim::CurrentScene().arrange_height);
    }
};

TEST_F(HookedMode, APaintPresentedThroughTheHookNeedsNoFurtherRender) {
    Attach();
    EXPECT_EQ(sim::BitBltImportState(), "replaced");
    int composites = Composites();
    int paints = sim::ArrangePaintCount();
    BlackOutArrange();
    sim::RedrawArrange();
    EXPECT_EQ(sim::ArrangePaintCount(), paints + 1);
    EXPECT_EQ(Composites(), composites + 1);
    Pixels shown = ArrangeScreen();
    EXPECT_FALSE(shown.empty());
    EXPECT_NE(shown, Host());

    // A toggle reloads the picture; its repaint is composited once, never once more on top.
    int toggle = sim::CommandIdFor("MURIVOTOGGLE");
    ASSERT_TRUE(sim::DispatchCommand(toggle));
    composites = Composites();
    ASSERT_TRUE(sim::DispatchCommand(toggle));
    ASSERT_EQ(CountStartingWith(TickUntilSaid(kShownStart), kShownStart), 1);
    EXPECT_EQ(Composites(), composites + 1);
    EXPECT_EQ(ArrangeScreen(), shown);
}

TEST_F(HookedMode, AnInteractionGetsOneTimerCorrectionUnlessTheHookPresentsFirst) {
    Attach();
    HWND arrange = sim::ArrangeWindow();
    int composites = Composites();
    SendMessageW(arrange, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    SendMessageW(arrange, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    EXPECT_EQ(Composites(), composites) << "hooked mode renders nothing at once";
    Sleep(kPastDeferredDelayMs);
    sim::TickTimers();
    EXPECT_EQ(Composites(), composites + 1);
    Sleep(kPastDeferredDelayMs);
    sim::TickTimers();
    EXPECT_EQ(Composites(), composites + 1) << "one correction per interaction";

    SendMessageW(arrange, WM_VSCROLL, SB_LINEDOWN, 0);
    sim::RedrawArrange(); // the host repaints and the hook corrects it
    EXPECT_EQ(Composites(), composites + 2);
    Sleep(kPastDeferredDelayMs);
    sim::TickTimers();
    EXPECT_EQ(Composites(), composites + 2);
}

TEST_F(HookedMode, StopPutsTheLastFrameBackRepaintsAndCorrectsOnceMore) {
    Attach();
    HWND arrange = sim::ArrangeWindow();
    sim::RedrawArrange();
    Pixels corrected = ArrangeScreen();
    sim::CurrentScene().play_state = 1;
    sim::TickTimers();
    BlackOutArrange(); // whatever playback left on the screen

    g_spied = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(arrange, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PaintSpyProc)));
    g_seen_at_paint.clear();
    sim::CurrentScene().play_state = 0;
    int composites = Composites();
    int paints = sim::ArrangePaintCount();
    sim::TickTimers();
    SetWindowLongPtrW(arrange, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_spied));

    EXPECT_EQ(g_seen_at_paint, corrected) << "the last frame was not back before the repaint";
    EXPECT_EQ(sim::ArrangePaintCount(), paints + 1);
    EXPECT_EQ(Composites(), composites + 1) << "only the hook's correction of the repaint";
    sim::TickTimers();
    EXPECT_EQ(Composites(), composites + 1);
    Sleep(kPastDeferredDelayMs);
    sim::TickTimers();
    EXPECT_EQ(Composites(), composites + 2) << "the deferred correction";
}

// The host's view erases with its class brush before a paint that asks for it. With the
// wallpaper on the screen keeps the corrected frame until the paint (no flash of the brush);
// with it off the host's erase is its own again.
TEST_F(HookedMode, AnErasingRepaintShowsTheClassBrushOnlyWithoutThePicture) {
    Attach();
    HWND arrange = sim::ArrangeWindow();
    sim::RedrawArrange();
    Pixels corrected = ArrangeScreen();
    g_spied = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(arrange, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PaintSpyProc)));
    auto erasing_repaint = [&] {
        g_seen_after_erase.clear();
        RedrawWindow(arrange, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        return g_seen_after_erase;
    };
    EXPECT_EQ(erasing_repaint(), corrected);
    ASSERT_TRUE(sim::DispatchCommand(sim::CommandIdFor("MURIVOTOGGLE"))); // off
    Pixels erased = erasing_repaint();
    SetWindowLongPtrW(arrange, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_spied));
    COLORREF brush = GetSysColor(COLOR_WINDOW);
    uint32_t pixel =
        uint32_t(GetRValue(brush)) << 16 | uint32_t(GetGValue(brush)) << 8 | GetBValue(brush);
    EXPECT_EQ(erased, Pixels(corrected.size(), pixel));
}

TEST_F(HookedMode, InFallbackModeEveryPaintAndListedInteractionIsFollowedByOneRender) {
    ASSERT_TRUE(sim::InstallForeignBitBltHook());
    Attach();
    HWND arrange = sim::ArrangeWindow();
    int composites = Composites();
    sim::RedrawArrange();
    EXPECT_EQ(Composites(), composites + 1);
    for (UINT message :
         {WM_SETFOCUS, WM_HSCROLL, WM_VSCROLL, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN,
          WM_RBUTTONUP, WM_MBUTTONDOWN, WM_MBUTTONUP, WM_MOUSEWHEEL, WM_MOUSEHWHEEL}) {
        composites = Composites();
        SendMessageW(arrange, message, 0, 0);
        EXPECT_EQ(Composites(), composites + 1) << "message 0x" << std::hex << message;
    }
    composites = Composites();
    SendMessageW(arrange, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    SendMessageW(arrange, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(Composites(), composites);
}

// Stopped means neither playing nor recording: pause alone is a stop, recording on top of play
// is not.
TEST_F(HookedMode, OnlyLeavingPlayAndRecordIsAStop) {
    Attach();
    struct Step {
        int from;
        int to;
        bool stop;
    };
    for (const Step& step : {Step{1, 5, false}, Step{5, 4, false}, Step{5, 2, true},
                             Step{4, 0, true}, Step{2, 6, false}, Step{1, 3, false}}) {
        sim::CurrentScene().play_state = step.from;
        sim::TickTimers();
        int paints = sim::ArrangePaintCount();
        sim::CurrentScene().play_state = step.to;
        sim::TickTimers();
        EXPECT_EQ(sim::ArrangePaintCount(), paints + (step.stop ? 1 : 0))
            << step.from << " -> " << step.to;
    }
}

// Without the hook a timer tick renders at most once per 100 ms.
TEST_F(HookedMode, InFallbackModeTheTimerRendersEvery100Ms) {
    ASSERT_TRUE(sim::InstallForeignBitBltHook());
    Attach();
    Sleep(120);
    int composites = Composites();
    DWORD rendered_at = GetTickCount();
    sim::TickTimers();
    EXPECT_EQ(Composites(), composites + 1);
    sim::TickTimers();
    if (GetTickCount() - rendered_at >= 100) {
        GTEST_SKIP() << "the machine stalled for 100 ms; the interval alone would render";
    }
    EXPECT_EQ(Composites(), composites + 1);
    Sleep(120);
    sim::TickTimers();
    EXPECT_EQ(Composites(), composites + 2);
}

// Host repaints with scrolling and clicks, each presentation probed right after its BitBlt.
sim::PresentationTally Exercise(int repaints) {
    sim::StartPresentationTally();
    for (int step = 0; step < repaints; ++step) {
        sim::ExerciseStep(step);
        sim::TickTimers();
    }
    sim::StopPresentationTally();
    return sim::CurrentPresentationTally();
}

TEST_F(HookedMode, NoPresentationOfTheHostReachesTheScreenWithoutTheWallpaper) {
    Attach();
    sim::PresentationTally tally = Exercise(40);
    // Scrolls repaint the whole view; clicks only what they changed, which may hold no probe.
    EXPECT_GE(tally.presentations, 20);
    EXPECT_EQ(tally.uncorrected, 0);
}

TEST_F(HookedMode, InFallbackModeEveryPresentationShowsTheHostsImageFirst) {
    ASSERT_TRUE(sim::InstallForeignBitBltHook());
    Attach();
    sim::PresentationTally tally = Exercise(20);
    EXPECT_GE(tally.presentations, 10);
    EXPECT_EQ(tally.uncorrected, tally.presentations);
}

} // namespace
