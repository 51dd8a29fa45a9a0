// The BitBlt import hook with the extension's code linked into this program: its hook sits in
// this program's import slot, and the function it forwards to is swapped for a recorder so the
// tests see exactly which copies reach the system.
#include <gtest/gtest.h>
#include <windows.h>

#include <thread>
#include <vector>

#include "base/host_api.h"
#include "foreign_hook.h"
#include "host_windows.h"
#include "import_slot.h"
#include "intercept/bitblt_hook.h"
#include "present/arrange_target.h"
#include "present/frame_buffers.h"
#include "support/static_extension.h"

namespace {

constexpr int kWidth = 640; // the small test scene's arrange view
constexpr int kHeight = 360;

struct Call {
    HDC destination;
    int x, y, cx, cy;
    HDC source;
    int sx, sy;
    DWORD rop;
    bool operator==(const Call&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Call& c) {
    return out << "BitBlt(" << c.destination << ", " << c.x << ", " << c.y << ", " << c.cx << ", "
               << c.cy << ", " << c.source << ", " << c.sx << ", " << c.sy << ", 0x" << std::hex
               << c.rop << std::dec << ")";
}

std::vector<Call> g_calls;
BOOL g_last_result = 0;

BOOL WINAPI RecordingBitBlt(HDC destination, int x, int y, int cx, int cy, HDC source, int sx,
                            int sy, DWORD rop) {
    g_calls.push_back({destination, x, y, cx, cy, source, sx, sy, rop});
    g_last_result = SystemBitBlt()(destination, x, y, cx, cy, source, sx, sy, rop);
    return g_last_result;
}

BOOL Hooked(const Call& c) {
    return HookedBitBlt(c.destination, c.x, c.y, c.cx, c.cy, c.source, c.sx, c.sy, c.rop);
}

class BitBltHook : public StaticExtensionHost {
  protected:
    void SetUp() override {
        StaticExtensionHost::SetUp();
        window_dc_ = GetDC(sim::ArrangeWindow());
        back_buffer_ = MakeSource(HostImage(kWidth, kHeight), kWidth, kHeight);
    }
    void TearDown() override {
        if (recording_) {
            g_target.real_bitblt = saved_real_;
        }
        ReleaseSource(back_buffer_);
        ReleaseDC(sim::ArrangeWindow(), window_dc_);
        StaticExtensionHost::TearDown();
    }
    // From here on the hook forwards to the recorder.
    void Record() {
        ASSERT_FALSE(recording_);
        recording_ = true;
        saved_real_ = g_target.real_bitblt;
        g_target.real_bitblt = RecordingBitBlt;
        g_calls.clear();
    }
    Call Presentation() const {
        return {window_dc_, 0, 0, kWidth, kHeight, back_buffer_.dc, 0, 0, SRCCOPY};
    }

    HDC window_dc_ = nullptr;
    SourceSurface back_buffer_;
    BitBltFunction saved_real_ = nullptr;
    bool recording_ = false;
};

// The import table is read-only, as the loader leaves it: the hook must lift and restore it.
TEST_F(BitBltHook, IsInstalledOverTheSystemFunctionAtAttachAndRemovedAtUnload) {
    EXPECT_EQ(sim::BitBltImportState(), "system");
    ASSERT_EQ(sim::BitBltImportPageState(), "readonly");
    LoadAndAttach();
    void** slot = sim::FindExecutableImportSlot("gdi32.dll", "BitBlt");
    EXPECT_EQ(*slot, reinterpret_cast<void*>(&HookedBitBlt));
    EXPECT_EQ(g_target.import_slot, slot);
    EXPECT_EQ(sim::BitBltImportPageState(), "readonly");
    Unload();
    EXPECT_EQ(sim::BitBltImportState(), "system");
    EXPECT_EQ(sim::BitBltImportPageState(), "readonly");
    EXPECT_EQ(g_target.import_slot, nullptr);
}

TEST_F(BitBltHook, CopiesOtherThanTheHostsPresentationReachTheSystemUnchanged) {
    LoadAndAttach();
    SourceSurface other = MakeSource(Pixels(64 * 64, 0x123456), 64, 64);
    const Call copies[] = {
        {window_dc_, 0, 0, kWidth, kHeight, back_buffer_.dc, 0, 0, SRCPAINT},
        {window_dc_, 0, 0, 0, kHeight, back_buffer_.dc, 0, 0, SRCCOPY},
        {window_dc_, 0, 0, kWidth, -5, back_buffer_.dc, 0, 0, SRCCOPY},
        {window_dc_, 10, 10, 50, 50, window_dc_, 0, 0, SRCCOPY},
        {other.dc, 0, 0, 64, 64, back_buffer_.dc, 3, 4, SRCCOPY},
        {window_dc_, kWidth, 0, 20, kHeight, back_buffer_.dc, 0, 0, SRCCOPY},
        {window_dc_, 0, kHeight + 5, kWidth, 10, back_buffer_.dc, 0, 0, SRCCOPY},
    };
    Record();
    for (const Call& copy : copies) {
        g_calls.clear();
        uint32_t presented = g_target.present_count;
        BOOL result = Hooked(copy);
        ASSERT_EQ(g_calls.size(), 1u) << copy;
        EXPECT_EQ(result, g_last_result) << copy;
        EXPECT_EQ(g_calls[0], copy);
        EXPECT_EQ(g_target.present_count, presented) << copy;
    }
    ReleaseSource(other);
}

TEST_F(BitBltHook, APresentationFromAnotherThreadReachesTheSystemUnchanged) {
    LoadAndAttach();
    Record();
    uint32_t presented = g_target.present_count;
    HWND arrange = sim::ArrangeWindow();
    Call made = {};
    std::thread painter([&] {
        HDC dc = GetDC(arrange);
        made = Presentation();
        made.destination = dc;
        Hooked(made);
        ReleaseDC(arrange, dc);
    });
    painter.join();
    ASSERT_EQ(g_calls.size(), 1u);
    EXPECT_EQ(g_calls[0], made);
    EXPECT_EQ(g_target.present_count, presented);
}

TEST_F(BitBltHook, ACopyStartingLeftOfTheViewIsCorrectedFromItsFirstVisibleSourceColumn) {
    LoadAndAttach();
    uint32_t presented = g_target.present_count;
    ASSERT_NE(Hooked(Presentation()), 0);
    EXPECT_EQ(g_target.present_count, presented + 1);
    Pixels corrected = ArrangeScreen();
    ASSERT_FALSE(corrected.empty());
    EXPECT_NE(corrected, HostImage(kWidth, kHeight)) << "no wallpaper in the presented frame";

    // The same image ten columns further right in a wider back buffer, junk in front of it.
    constexpr int kShift = 10;
    Pixels wide(static_cast<size_t>(kWidth + kShift) * kHeight, 0xFF00FF);
    Pixels host = HostImage(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y) {
        std::copy_n(host.begin() + static_cast<ptrdiff_t>(y) * kWidth, kWidth,
                    wide.begin() + static_cast<ptrdiff_t>(y) * (kWidth + kShift) + kShift);
    }
    SourceSurface shifted = MakeSource(wide, kWidth + kShift, kHeight);
    BlackOutArrange();
    Record();
    ASSERT_NE(Hooked({window_dc_, -kShift, 0, kWidth + kShift, kHeight, shifted.dc, 0, 0, SRCCOPY}),
              0);
    ASSERT_GE(g_calls.size(), 2u);
    EXPECT_EQ(g_calls[0],
              (Call{WorkingDc(), 0, 0, kWidth, kHeight, shifted.dc, kShift, 0, SRCCOPY}));
    EXPECT_EQ(g_calls[1], (Call{window_dc_, 0, 0, kWidth, kHeight, WorkingDc(), 0, 0, SRCCOPY}));
    EXPECT_EQ(g_target.present_count, presented + 2);
    // The wallpaper lines up with the client area, so the frame equals the unshifted one.
    EXPECT_EQ(ArrangeScreen(), corrected);
    ReleaseSource(shifted);
}

TEST_F(BitBltHook, WithoutFrameBuffersTheHostsCopyIsMadeOnceAsItAsked) {
    LoadAndAttach();
    // A size whose buffers just failed is not tried again for a while.
    ReleaseFrameBuffers();
    g_frame_buffers.failed_width = kWidth;
    g_frame_buffers.failed_height = kHeight;
    g_frame_buffers.failed_tick = GetTickCount();
    BlackOutArrange();
    Record();
    uint32_t presented = g_target.present_count;
    EXPECT_NE(Hooked(Presentation()), 0);
    ASSERT_EQ(g_calls.size(), 1u);
    EXPECT_EQ(g_calls[0], Presentation());
    EXPECT_EQ(g_target.present_count, presented);
    EXPECT_EQ(ArrangeScreen(), HostImage(kWidth, kHeight));
}

TEST_F(BitBltHook, WithoutAnItemLayoutTheCapturedFrameIsPresentedUnkeyedAndCounted) {
    LoadAndAttach();
    auto arrange_view = g_host.GetSet_ArrangeView2;
    g_host.GetSet_ArrangeView2 = nullptr;
    BlackOutArrange();
    Record();
    uint32_t presented = g_target.present_count;
    EXPECT_NE(Hooked(Presentation()), 0);
    g_host.GetSet_ArrangeView2 = arrange_view;
    ASSERT_GE(g_calls.size(), 2u);
    EXPECT_EQ(g_calls[1], (Call{window_dc_, 0, 0, kWidth, kHeight, WorkingDc(), 0, 0, SRCCOPY}));
    EXPECT_EQ(g_target.present_count, presented + 1);
    EXPECT_EQ(ArrangeScreen(), HostImage(kWidth, kHeight));
}

TEST_F(BitBltHook, ASlotAnotherPartyReplacedFirstIsLeftAlone) {
    ASSERT_TRUE(sim::InstallForeignBitBltHook());
    LoadAndAttach();
    std::vector<std::string> output = Output();
    EXPECT_EQ(CountEqual(output, "BitBlt import unavailable or already hooked.\n"), 1);
    EXPECT_EQ(CountEqual(output, "Using post-paint fallback for this REAPER build.\n"), 1);
    EXPECT_TRUE(sim::ForeignBitBltHookInstalled());
    EXPECT_EQ(sim::ForeignBitBltNext(), reinterpret_cast<void*>(SystemBitBlt()));
    EXPECT_FALSE(HookedMode());
    Unload();
    EXPECT_TRUE(sim::ForeignBitBltHookInstalled());
    EXPECT_EQ(CountEqual(Output(), "BitBlt import changed by another hook; retaining chain.\n"), 0);
}

TEST_F(BitBltHook, AHookPutOnTopOfOursStaysAtUnloadAndIsForwardedThroughUs) {
    LoadAndAttach();
    ASSERT_TRUE(sim::InstallForeignBitBltHook());
    EXPECT_EQ(sim::ForeignBitBltNext(), reinterpret_cast<void*>(&HookedBitBlt));
    Output();
    Unload();
    EXPECT_EQ(CountEqual(Output(), "BitBlt import changed by another hook; retaining chain.\n"), 1);
    EXPECT_TRUE(sim::ForeignBitBltHookInstalled());

    // The host keeps painting through the other party's hook, which calls ours.
    int calls = sim::ForeignBitBltCallCount();
    BlackOutArrange();
    sim::RedrawArrange();
    EXPECT_EQ(sim::ForeignBitBltCallCount(), calls + 1);
    EXPECT_EQ(ArrangeScreen(), HostImage(kWidth, kHeight));
}

} // namespace
