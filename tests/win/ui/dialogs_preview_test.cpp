// The settings dialog's arrange preview as it reaches the screen: background, frame and the
// picture blended at the trackbar's opacity.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "registrations.h"
#include "simulator.h"
#include "support/modal_driver.h"
#include "support/sim_fixture.h"
#include "theme.h"
#include "window_pixels.h"

namespace {

constexpr int kPathEdit = 1001, kOpacity = 1004, kFit = 1005, kPreview = 1008;
constexpr int kContainIndex = 1;
constexpr uint32_t kFrame = 0x828282;
constexpr uint32_t kPictureRgb = 0xFF0000;

struct Rect {
    int left, top, width, height;
    bool Contains(int x, int y) const {
        return x >= left && x < left + width && y >= top && y < top + height;
    }
    bool OnBorder(int x, int y) const {
        return Contains(x, y) &&
               (x == left || y == top || x == left + width - 1 || y == top + height - 1);
    }
};

struct Capture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels; // 0x00RRGGBB, top-down
    uint32_t At(int x, int y) const {
        return pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFF;
    }
};

uint32_t RgbOf(COLORREF colour) {
    return (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
}

// What the control shows on screen, read back through its window DC.
Capture ReadControl(HWND control) {
    Capture capture;
    if (!sim::CaptureClientPixels(control, capture.pixels, capture.width, capture.height)) {
        capture.pixels.clear();
    }
    return capture;
}

// The arrange view's proportions (640 x 360) centred in the control less an 8 pixel margin.
Rect PreviewArea(int width, int height) {
    int inner_width = width - 16;
    int inner_height = height - 16;
    int pw = inner_width;
    int ph = static_cast<int>(std::lround(inner_width * 360.0 / 640.0));
    if (ph > inner_height) {
        pw = static_cast<int>(std::lround(inner_height * 640.0 / 360.0));
        ph = inner_height;
    }
    return {8 + (inner_width - pw) / 2, 8 + (inner_height - ph) / 2, pw, ph};
}

// A picture of picture_width x picture_height shown whole and centred in area.
Rect Contained(const Rect& area, int picture_width, int picture_height) {
    double s = std::min(static_cast<double>(area.height) / picture_height,
                        static_cast<double>(area.width) / picture_width);
    int dw = std::max(static_cast<int>(std::lround(s * picture_width)), 1);
    int dh = std::max(static_cast<int>(std::lround(s * picture_height)), 1);
    return {area.left + (area.width - dw) / 2, area.top + (area.height - dh) / 2, dw, dh};
}

class ArrangePreview : public SimulatedHost {
  protected:
    void SetUp() override {
        SimulatedHost::SetUp();
        ASSERT_EQ(Load(), 1);
        sim::TickTimers();
    }

    // Opens the settings dialog with a 4:3 red picture shown whole, sets the opacity trackbar
    // and captures the preview once it has painted.
    Capture PreviewAt(int opacity) {
        std::wstring picture = WriteSolidBmp(L"murivo-preview.bmp", 64, 48, kPictureRgb);
        Capture capture;
        DialogWatchdog watchdog(15000);
        WhenDialogAppears(L"Murivo settings", [&](HWND dialog) {
            SetWindowPos(dialog, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE);
            SetControlText(dialog, kPathEdit, picture);
            SendKillFocus(dialog, kPathEdit);
            SendDlgItemMessageW(dialog, kFit, CB_SETCURSEL, kContainIndex, 0);
            SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kFit, CBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, kFit)));
            Scroll(dialog, kOpacity, opacity, TB_THUMBTRACK);
            HWND preview = GetDlgItem(dialog, kPreview);
            RedrawWindow(preview, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            PumpFor(100);
            capture = ReadControl(preview);
            SendMessageW(dialog, WM_CLOSE, 0, 0);
        });
        EXPECT_TRUE(sim::DispatchCommand(sim::CommandIdFor("MURIVOSETTINGS")));
        EXPECT_EQ(TakeUnseenDialogs(), 0);
        EXPECT_FALSE(watchdog.Fired());
        return capture;
    }
};

// Counts the pixels of the control that break the expected layout: button face around the area,
// the frame on its border, inside the background unless inside_picture says otherwise.
template <typename InsidePicture>
int Deviations(const Capture& capture, const Rect& area, uint32_t background,
               InsidePicture inside_picture) {
    uint32_t face = RgbOf(GetSysColor(COLOR_BTNFACE));
    int wrong = 0;
    for (int y = 0; y < capture.height; ++y) {
        for (int x = 0; x < capture.width; ++x) {
            uint32_t pixel = capture.At(x, y);
            if (!area.Contains(x, y)) {
                wrong += pixel != face ? 1 : 0;
            } else if (area.OnBorder(x, y)) {
                wrong += pixel != kFrame ? 1 : 0;
            } else if (inside_picture(x, y)) {
                wrong += pixel == background ? 1 : 0;
            } else {
                wrong += pixel != background ? 1 : 0;
            }
        }
    }
    return wrong;
}

} // namespace

TEST_F(ArrangePreview, ZeroOpacityShowsOnlyBackgroundAndFrame) {
    Capture capture = PreviewAt(0);
    ASSERT_FALSE(capture.pixels.empty()) << "the preview could not be read back";
    Rect area = PreviewArea(capture.width, capture.height);
    uint32_t background = RgbOf(static_cast<COLORREF>(sim::ThemeColour("col_arrangebg")));
    EXPECT_EQ(capture.At(area.left + area.width / 2, area.top + area.height / 2), background);
    EXPECT_EQ(Deviations(capture, area, background, [](int, int) { return false; }), 0);
}

TEST_F(ArrangePreview, OpacityShowsThePictureOnlyWhereItIsPlaced) {
    Capture capture = PreviewAt(500);
    ASSERT_FALSE(capture.pixels.empty()) << "the preview could not be read back";
    Rect area = PreviewArea(capture.width, capture.height);
    Rect placed = Contained(area, 64, 48);
    ASSERT_LT(placed.width, area.width - 2); // bars of background beside the picture
    uint32_t background = RgbOf(static_cast<COLORREF>(sim::ThemeColour("col_arrangebg")));
    EXPECT_EQ(
        Deviations(capture, area, background, [&](int x, int y) { return placed.Contains(x, y); }),
        0);
    uint32_t centre = capture.At(area.left + area.width / 2, area.top + area.height / 2);
    EXPECT_GT(centre >> 16, background >> 16); // redder than the background, half-way to red
    EXPECT_NE(centre, kPictureRgb);
}
