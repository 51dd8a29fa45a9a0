// The persistent frame surfaces and the fitted wallpaper, with pictures built in memory.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "frame/frame_view.h"
#include "frame/wallpaper_image.h"
#include "keying/item_overlay.h"
#include "present/frame_buffers.h"
#include "present/settings_apply.h"
#include "settings/project_settings.h"
#include "support/diagnostics_capture.h"

namespace {

using Lines = std::vector<std::string>;

const Lines kCreated = {"V4 persistent buffers created.\n"};
constexpr uint32_t kColour = 0x00C08040; // red 0xC0, green 0x80, blue 0x40

// Puts a one-colour picture in place the way a successful load leaves it.
void InstallPicture(int width, int height, uint32_t colour) {
    uint32_t* pixels = nullptr;
    HBITMAP bitmap = CreateFrameDib(nullptr, width, height, &pixels);
    ASSERT_NE(bitmap, nullptr);
    std::fill(pixels, pixels + static_cast<size_t>(width) * height, colour);
    HDC dc = CreateCompatibleDC(nullptr);
    ShowPicture(
        SharePicture({bitmap, dc, SelectObject(dc, bitmap), width, height, pixels, width, height}));
}

// Blue, green and red of one fitted pixel; GDI does not define the fourth byte.
uint32_t FittedAt(int x, int y) {
    GdiFlush();
    return g_frame.fitted[static_cast<size_t>(y) * g_frame.width + x] & 0x00FFFFFF;
}

bool RowIsBlack(int y) {
    GdiFlush();
    const uint32_t* row = g_frame.fitted + static_cast<size_t>(y) * g_frame.width;
    return std::all_of(row, row + g_frame.width, [](uint32_t pixel) { return pixel == 0; });
}

void ExpectPictureRect(int left, int top, int right, int bottom) {
    const PixelRect& rect = g_frame.picture_rect;
    EXPECT_EQ(rect.left, left);
    EXPECT_EQ(rect.top, top);
    EXPECT_EQ(rect.right, right);
    EXPECT_EQ(rect.bottom, bottom);
}

bool NothingAllocated() {
    const FrameBuffers& b = g_frame_buffers;
    for (const FrameSurface* s : {&b.working, &b.fitted, &b.last_frame}) {
        if (s->bitmap != nullptr || s->dc != nullptr || s->previous_object != nullptr ||
            s->pixels != nullptr) {
            return false;
        }
    }
    return g_frame.working == nullptr && g_frame.fitted == nullptr &&
           g_frame.last_frame == nullptr && g_frame.width == 0 && g_frame.height == 0 &&
           !g_frame.last_frame_valid;
}

// A device context handle that no longer exists: every creation on it fails.
HDC DeletedDc() {
    HDC dc = CreateCompatibleDC(nullptr);
    DeleteDC(dc);
    return dc;
}

class FrameBuffersTest : public testing::Test {
  protected:
    void SetUp() override {
        StartDiagnosticsCapture();
        screen_ = GetDC(nullptr);
        ResetCurrentSettings();
        InstallPicture(2000, 1000, kColour);
        TakeDiagnostics();
    }

    void TearDown() override {
        ReleaseFrameBuffers();
        ReleaseWallpaperImage();
        ResetCurrentSettings();
        ReleaseDC(nullptr, screen_);
    }

    HDC screen_ = nullptr;
};

TEST_F(FrameBuffersTest, SurfacesAreCreatedOnlyWhenTheSizeChanges) {
    ASSERT_TRUE(EnsureFrameBuffers(screen_, 800, 600));
    EXPECT_EQ(TakeDiagnostics(), kCreated);
    g_frame.last_frame_valid = true;
    ASSERT_TRUE(EnsureFrameBuffers(screen_, 1000, 700));
    EXPECT_EQ(TakeDiagnostics(), kCreated);
    EXPECT_FALSE(g_frame.last_frame_valid) << "new surfaces hold no presented frame";

    uint32_t* working = g_frame.working;
    ASSERT_TRUE(EnsureFrameBuffers(screen_, 1000, 700));
    ASSERT_TRUE(EnsureFrameBuffers(screen_, 1000, 700));
    EXPECT_EQ(TakeDiagnostics(), Lines{});
    EXPECT_EQ(g_frame.working, working);

    // The portable view points at the DIB memory, top row first.
    const FrameBuffers& b = g_frame_buffers;
    EXPECT_EQ(g_frame.fitted, b.fitted.pixels);
    EXPECT_EQ(g_frame.last_frame, b.last_frame.pixels);
    SetPixel(b.working.dc, 0, 0, RGB(1, 2, 3));
    GdiFlush();
    EXPECT_EQ(g_frame.working[0] & 0x00FFFFFF, 0x00010203u);
}

TEST_F(FrameBuffersTest, AFailedSizeWaitsOutItsBackOffWhileOtherSizesAreTriedAtOnce) {
    EXPECT_FALSE(EnsureFrameBuffers(DeletedDc(), 1000, 700));
    EXPECT_TRUE(NothingAllocated());
    EXPECT_EQ(TakeDiagnostics(), Lines{}) << "creation failures are silent";

    // A usable context would succeed, so false here means no attempt was made.
    EXPECT_FALSE(EnsureFrameBuffers(screen_, 1000, 700));
    EXPECT_TRUE(EnsureFrameBuffers(screen_, 1000, 701));

    EXPECT_FALSE(EnsureFrameBuffers(DeletedDc(), 1000, 700));
    g_frame_buffers.failed_tick -= 1000; // the failed attempt started a second ago
    EXPECT_TRUE(EnsureFrameBuffers(screen_, 1000, 700));
}

TEST_F(FrameBuffersTest, ReleaseFreesEverythingAndEmptiesTheItemOverlay) {
    ASSERT_TRUE(EnsureFrameBuffers(screen_, 1000, 700));
    g_frame.last_frame_valid = true;
    g_item_overlay.items.push_back({0, 0, 10, 10, kAudioItem, 0});
    g_item_overlay.class_map.assign(16, kAudioItem);
    g_item_overlay.layout_width = 1000;

    ReleaseFrameBuffers();
    EXPECT_TRUE(NothingAllocated());
    ExpectPictureRect(0, 0, 0, 0);
    EXPECT_TRUE(g_item_overlay.items.empty());
    EXPECT_TRUE(g_item_overlay.class_map.empty());
    EXPECT_EQ(g_item_overlay.layout_width, 0);
    ReleaseFrameBuffers();
    EXPECT_TRUE(NothingAllocated());
}

TEST_F(FrameBuffersTest, ContainDrawsThePictureBetweenBlackBandsAndClipsTheExtraColumn) {
    ASSERT_TRUE(EnsureFrameBuffers(screen_, 1000, 700)); // cover paints every row
    g_current_settings.mode = FitMode::contain;
    FitWallpaper(1000, 700);
    ExpectPictureRect(0, 100, 1000, 600);
    EXPECT_TRUE(RowIsBlack(99)) << "the previous fit is cleared first";
    EXPECT_EQ(FittedAt(0, 100), kColour);
    EXPECT_EQ(FittedAt(999, 599), kColour);
    EXPECT_TRUE(RowIsBlack(600));

    ReleaseWallpaperImage();
    InstallPicture(1920, 1080, kColour);
    FitWallpaper(1000, 700);
    ExpectPictureRect(0, 68, 1001, 631);
    EXPECT_TRUE(RowIsBlack(67));
    EXPECT_EQ(FittedAt(999, 630), kColour);
    EXPECT_TRUE(RowIsBlack(631));
}

TEST_F(FrameBuffersTest, CoverAndStretchFillTheWholeSurface) {
    ASSERT_TRUE(EnsureFrameBuffers(screen_, 1000, 700));
    ExpectPictureRect(-200, 0, 1200, 700);
    EXPECT_EQ(FittedAt(0, 0), kColour);
    EXPECT_EQ(FittedAt(999, 699), kColour);

    g_current_settings.mode = FitMode::stretch;
    FitWallpaper(1000, 700);
    ExpectPictureRect(0, 0, 1000, 700);
}

TEST_F(FrameBuffersTest, BlackAndWhiteTurnsThePlacedPictureGreyUntilSwitchedOff) {
    ReleaseWallpaperImage();
    InstallPicture(2000, 1000, 0x00FF0000); // pure red
    g_current_settings.mode = FitMode::contain;
    g_current_settings.grayscale = true;
    ASSERT_TRUE(EnsureFrameBuffers(screen_, 1000, 700));
    EXPECT_EQ(FittedAt(500, 350), 0x00363636u); // (54 x 255 + 128) >> 8 = 54
    EXPECT_TRUE(RowIsBlack(99));

    g_current_settings.grayscale = false;
    FitWallpaper(1000, 700);
    EXPECT_EQ(FittedAt(500, 350), 0x00FF0000u);
}

// A picture whose pixel (x, y) says where it came from: red x, green y, blue 0x5A.
void InstallCoordinatePicture(int width, int height) {
    uint32_t* pixels = nullptr;
    HBITMAP bitmap = CreateFrameDib(nullptr, width, height, &pixels);
    ASSERT_NE(bitmap, nullptr);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels[static_cast<size_t>(y) * width + x] =
                uint32_t(x) << 16 | uint32_t(y) << 8 | 0x5A;
        }
    }
    HDC dc = CreateCompatibleDC(nullptr);
    ShowPicture(
        SharePicture({bitmap, dc, SelectObject(dc, bitmap), width, height, pixels, width, height}));
}

uint32_t FromPicture(int x, int y) {
    return uint32_t(x) << 16 | uint32_t(y) << 8 | 0x5A;
}

TEST_F(FrameBuffersTest, TileRepeatsThePictureWithTheAnchorsPhaseAndCenterLeavesBands) {
    ReleaseWallpaperImage();
    InstallCoordinatePicture(100, 60);
    ASSERT_TRUE(EnsureFrameBuffers(screen_, 1000, 700));
    g_current_settings.mode = FitMode::tile;
    FitWallpaper(1000, 700);
    ExpectPictureRect(0, 0, 1000, 700); // tiles cover everything
    // The centred tile starts at (450, 320): column 0 shows picture column 50, row 0 row 40.
    EXPECT_EQ(FittedAt(0, 0), FromPicture(50, 40));
    EXPECT_EQ(FittedAt(450, 320), FromPicture(0, 0));
    EXPECT_EQ(FittedAt(999, 699), FromPicture(49, 19));
    g_current_settings.anchor = Anchor::bottom_right;
    FitWallpaper(1000, 700);
    EXPECT_EQ(FittedAt(999, 699), FromPicture(99, 59));
    EXPECT_EQ(FittedAt(0, 0), FromPicture(0, 20));

    g_current_settings.mode = FitMode::center;
    g_current_settings.anchor = Anchor::center;
    FitWallpaper(1000, 700);
    ExpectPictureRect(450, 320, 550, 380);
    EXPECT_EQ(FittedAt(450, 320), FromPicture(0, 0)); // its own size, not scaled
    EXPECT_EQ(FittedAt(549, 379), FromPicture(99, 59));
    EXPECT_EQ(FittedAt(449, 320), 0u);
    EXPECT_TRUE(RowIsBlack(319));
    EXPECT_TRUE(RowIsBlack(380));
}

TEST_F(FrameBuffersTest, CoverAnchoredAtTheTopKeepsTheTopRowAndSoftnessZeroChangesNothing) {
    ReleaseWallpaperImage();
    InstallCoordinatePicture(200, 200); // covers 1000 x 700 at 5x: 1000 x 1000
    ASSERT_TRUE(EnsureFrameBuffers(screen_, 1000, 700));
    GdiFlush();
    const std::vector<uint32_t> centred(g_frame.fitted, g_frame.fitted + 1000 * 700);
    g_current_settings.anchor = Anchor::top;
    FitWallpaper(1000, 700);
    ExpectPictureRect(0, 0, 1000, 1000);
    EXPECT_EQ(FittedAt(2, 0) >> 8 & 0xFF, 0u) << "the picture's top row at the view's top";

    g_current_settings.anchor = Anchor::center;
    g_current_settings.blur = 0.0;
    FitWallpaper(1000, 700);
    GdiFlush();
    EXPECT_TRUE(std::equal(centred.begin(), centred.end(), g_frame.fitted));
    g_current_settings.blur = 0.5;
    FitWallpaper(1000, 700);
    GdiFlush();
    EXPECT_FALSE(std::equal(centred.begin(), centred.end(), g_frame.fitted));
}

} // namespace
