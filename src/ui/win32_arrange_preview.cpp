// The arrange preview: its own scaled picture copy, the tint pass and the double-buffered paint.
#include "ui/arrange_preview.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "base/callback_guard.h"
#include "frame/anchored_placement.h"
#include "frame/memory_bitmap.h"
#include "frame/picture_decoder.h"
#include "frame/soften.h"
#include "keying/theme_colours.h"
#include "present/arrange_target.h"
#include "present/picture_source.h"
#include "present/picture_worker.h"
#include "settings/project_settings.h"
#include "ui/dialog_controls.h"
#include "ui/dialog_ids.h"
#include "ui/dialog_text.h"
#include "ui/preview_geometry.h"
#include "ui/preview_tint.h"

namespace {

constexpr COLORREF kNoThemeBackground = RGB(55, 55, 55);
constexpr COLORREF kFrameColour = RGB(130, 130, 130);

// Takes ownership of the decoded bitmap: it ends up in picture or deleted.
bool StorePreviewPicture(PreviewPicture& picture, const DecodedPicture& decoded) {
    MemoryBitmap made;
    made.bitmap = decoded.bitmap;
    if (SelectIntoMemoryDc(nullptr, made) != MemoryBitmapStep::done) {
        return false;
    }
    picture.bitmap = made.bitmap;
    picture.dc = made.dc;
    picture.previous_object = made.previous_object;
    picture.pixels = reinterpret_cast<uint8_t*>(decoded.pixels);
    size_t bytes = static_cast<size_t>(decoded.size.width) * decoded.size.height * 4;
    try {
        picture.source_pixels.assign(picture.pixels, picture.pixels + bytes);
    } catch (const std::bad_alloc&) {
        ReleasePreviewPicture(picture);
        return false;
    }
    picture.width = static_cast<uint32_t>(decoded.size.width);
    picture.height = static_cast<uint32_t>(decoded.size.height);
    picture.own_width = static_cast<uint32_t>(decoded.own.width);
    picture.own_height = static_cast<uint32_t>(decoded.own.height);
    return true;
}

// The attached arrange view's client size, or 16 x 9 without a usable one.
void ArrangeAspect(int& width, int& height) {
    width = 16;
    height = 9;
    RECT client = {};
    if (g_target.window != nullptr && IsWindow(g_target.window) &&
        GetClientRect(g_target.window, &client) && client.right > 0 && client.bottom > 0) {
        width = client.right;
        height = client.bottom;
    }
}

void FillWithColour(HDC dc, const RECT& rect, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    if (brush != nullptr) {
        FillRect(dc, &rect, brush);
        DeleteObject(brush);
    }
}

void FrameWithColour(HDC dc, const RECT& rect, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    if (brush != nullptr) {
        FrameRect(dc, &rect, brush);
        DeleteObject(brush);
    }
}

// The view the preview stands for: the arrange view when attached, else a 1920 x 1080 one, so
// that pictures shown at their own size keep a sensible scale.
void PreviewedView(int& width, int& height) {
    ArrangeAspect(width, height);
    if (width < 100 || height < 100) {
        width = 1920;
        height = 1080;
    }
}

// Anchored, tiled and own-size placements: laid out on the view, then scaled into area.
void BlendPlaced(HDC dc, const PreviewRect& area, const PreviewPicture& picture, FitMode mode,
                 Anchor anchor, BLENDFUNCTION blend) {
    int vw = 0;
    int vh = 0;
    PreviewedView(vw, vh);
    const int iw = static_cast<int>(picture.own_width);
    const int ih = static_cast<int>(picture.own_height);
    if (iw <= 0 || ih <= 0) {
        return;
    }
    const Placement placement = PlaceAnchored(mode, anchor, vw, vh, iw, ih);
    const double sx = static_cast<double>(area.width) / vw;
    const double sy = static_cast<double>(area.height) / vh;
    auto draw = [&](int left, int top, int width, int height) {
        const int x0 = area.left + static_cast<int>(std::lround(left * sx));
        const int y0 = area.top + static_cast<int>(std::lround(top * sy));
        const int x1 = area.left + static_cast<int>(std::lround((double(left) + width) * sx));
        const int y1 = area.top + static_cast<int>(std::lround((double(top) + height) * sy));
        if (x1 > x0 && y1 > y0) {
            AlphaBlend(dc, x0, y0, x1 - x0, y1 - y0, picture.dc, 0, 0,
                       static_cast<int>(picture.width), static_cast<int>(picture.height), blend);
        }
    };
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, area.left, area.top, area.left + area.width, area.top + area.height);
    const PixelRect& p = placement.placed;
    // Tiles too small to see one by one in the preview are drawn as one picture over the view.
    constexpr int64_t kMaxTiles = 4096;
    if (mode == FitMode::tile && int64_t(vw / iw + 2) * (vh / ih + 2) <= kMaxTiles) {
        const int first_left = -TilePhase(p.left, iw);
        const int first_top = -TilePhase(p.top, ih);
        for (int top = first_top; top < vh; top += ih) {
            for (int left = first_left; left < vw; left += iw) {
                draw(left, top, iw, ih);
            }
        }
    } else if (mode == FitMode::tile) {
        draw(0, 0, vw, vh);
    } else {
        draw(p.left, p.top, p.right - p.left, p.bottom - p.top);
    }
    RestoreDC(dc, saved);
}

void BlendPicture(HWND dialog, HDC dc, const PreviewRect& area, SettingsDialogState& state) {
    const PreviewPicture& picture = state.preview.picture;
    int iw = static_cast<int>(picture.width);
    int ih = static_cast<int>(picture.height);
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, OpacityAlpha(SliderPosition(dialog, kOpacitySlider)), 0};
    const FitMode mode = state.stored.mode;
    if (mode == FitMode::tile || mode == FitMode::center || state.stored.anchor != Anchor::center) {
        BlendPlaced(dc, area, picture, mode, state.stored.anchor, blend);
        return;
    }
    PreviewRect source = {0, 0, iw, ih};
    PreviewRect target = area;
    if (mode == FitMode::cover) {
        source = CoverSource(iw, ih, area.width, area.height);
    } else if (mode == FitMode::contain) {
        target = ContainDestination(area, iw, ih);
    }
    AlphaBlend(dc, target.left, target.top, target.width, target.height, picture.dc, source.left,
               source.top, source.width, source.height, blend);
}

void PaintIntoControl(HWND window, SettingsDialogState& state) {
    PAINTSTRUCT paint;
    HDC paint_dc = BeginPaint(window, &paint);
    RECT client = {};
    if (paint_dc != nullptr && GetClientRect(window, &client) && client.right > 0 &&
        client.bottom > 0) {
        int w = client.right;
        int h = client.bottom;
        PreviewPaintBuffer& buffer = state.preview.paint_buffer;
        bool buffered = buffer.dc != nullptr && buffer.width == w && buffer.height == h;
        if (!buffered) {
            HDC dc = CreateCompatibleDC(paint_dc);
            HBITMAP bitmap = dc != nullptr ? CreateCompatibleBitmap(paint_dc, w, h) : nullptr;
            HGDIOBJ previous = bitmap != nullptr ? SelectObject(dc, bitmap) : nullptr;
            if (previous != nullptr && previous != HGDI_ERROR) {
                ReleasePreviewPaintBuffer(buffer);
                buffer = {bitmap, dc, previous, w, h};
                buffered = true;
            } else {
                previous = nullptr;
                ReleaseMemoryBitmap(dc, previous, bitmap);
            }
        }
        HDC target = buffered ? buffer.dc : paint_dc;
        PaintArrangePreview(GetParent(window), target, client, state);
        if (buffered) {
            BitBlt(paint_dc, 0, 0, w, h, buffer.dc, 0, 0, SRCCOPY);
        }
    }
    EndPaint(window, &paint);
}

} // namespace

void RequestPreviewPicture(uint64_t& ticket, const std::u16string& path) {
    // The arrange view may show a picture found beside the project rather than the stored path.
    const std::u16string& file = path == g_current_settings.path && !g_picture_source.file.empty()
                                     ? g_picture_source.file
                                     : path;
    // Through the same gate as the wallpaper, on the picture thread: a typed path is as
    // untrusted as a project's, and may name a slow server.
    // Counted across dialogs, so that a copy asked for by a dialog since closed is never taken.
    static uint64_t requests = 0;
    ticket = ++requests;
    PostPreviewJob(ticket, file, [](int width, int height) {
        const PreviewSize size =
            PreviewPictureSize(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
        return PictureSize{size.width, size.height};
    });
}

bool TakeRequestedPreview(PreviewPicture& picture, uint64_t ticket) {
    DecodedPicture decoded = {};
    if (!TakePreviewResult(ticket, decoded)) {
        return false;
    }
    ReleasePreviewPicture(picture);
    if (decoded.status == DecodeStatus::decoded) {
        StorePreviewPicture(picture, decoded);
    }
    return true;
}

void TintPreviewPicture(PreviewPicture& picture, bool grayscale, uint32_t tint_colour,
                        double amount, int blur_permille, FitMode mode) {
    if (picture.pixels == nullptr || picture.source_pixels.empty()) {
        return;
    }
    GdiFlush();
    TintPixels(picture.source_pixels.data(), picture.pixels, picture.source_pixels.size() / 4,
               grayscale, tint_colour, amount);
    int vw = 0;
    int vh = 0;
    PreviewedView(vw, vh);
    const int view_radius = SoftenRadius(blur_permille, vw, vh);
    if (view_radius <= 0 || picture.own_width == 0) {
        return;
    }
    // The view's blur radius in the preview copy's pixels: through the fit's scale for cover,
    // contain and stretch, through the copy's own reduction for tile and center.
    const int w = static_cast<int>(picture.width);
    const int h = static_cast<int>(picture.height);
    double shown_width = picture.own_width;
    if (mode != FitMode::tile && mode != FitMode::center) {
        const Placement placement =
            PlaceAnchored(mode, Anchor::center, vw, vh, static_cast<int>(picture.own_width),
                          static_cast<int>(picture.own_height));
        shown_width = std::max(placement.placed.right - placement.placed.left, 1);
    }
    const int radius = static_cast<int>(std::lround(view_radius * w / shown_width));
    SoftenPixels(reinterpret_cast<uint32_t*>(picture.pixels), w, {0, 0, w, h}, radius);
}

void PaintArrangePreview(HWND dialog, HDC dc, const RECT& rect, SettingsDialogState& state) {
    FillRect(dc, &rect, GetSysColorBrush(COLOR_BTNFACE));
    RECT inner = rect;
    InflateRect(&inner, -8, -8);
    int aw = 0;
    int ah = 0;
    ArrangeAspect(aw, ah);
    PreviewRect area = PreviewArea(
        {inner.left, inner.top, inner.right - inner.left, inner.bottom - inner.top}, aw, ah);
    RECT area_rect = {area.left, area.top, area.left + area.width, area.top + area.height};
    COLORREF background = g_theme.background_count != 0 ? static_cast<COLORREF>(g_theme.arrange_bg)
                                                        : kNoThemeBackground;
    FillWithColour(dc, area_rect, background);
    if (state.preview.picture.dc != nullptr) {
        BlendPicture(dialog, dc, area, state);
    } else {
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, PreviewTextColour(background));
        const std::u16string text =
            TranslatedText(state.pending_path.empty() ? "Choose an image to preview"
                                                      : "Image preview unavailable");
        // The paint buffer is a memory DC with the stock system font; write in the dialog's.
        auto font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
        HGDIOBJ previous_font = font != nullptr ? SelectObject(dc, font) : nullptr;
        DrawTextW(dc, WidePointer(text), -1, &area_rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        if (previous_font != nullptr) {
            SelectObject(dc, previous_font);
        }
    }
    FrameWithColour(dc, area_rect, kFrameColour);
}

LRESULT CALLBACK PreviewSubclassProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                     UINT_PTR id, DWORD_PTR reference) {
    switch (message) {
    case WM_PAINT:
        RunGuarded(
            [&] { PaintIntoControl(window, *reinterpret_cast<SettingsDialogState*>(reference)); });
        return 0;
    case WM_ERASEBKGND:
        return 1; // the paint covers every pixel
    case WM_NCDESTROY:
        RemoveWindowSubclass(window, PreviewSubclassProc, id);
        return DefSubclassProc(window, message, wparam, lparam);
    default:
        return DefSubclassProc(window, message, wparam, lparam);
    }
}

void UpdatePreviewCaption(HWND dialog, SettingsDialogState& state) {
    int aw = 0;
    int ah = 0;
    ArrangeAspect(aw, ah);
    const std::u16string status = PreviewStatusWord(
        state.pending_path.empty(), state.preview.picture.dc != nullptr, state.stored.enabled);
    SetControlText(dialog, kPreviewCaption, PreviewCaptionText(aw, ah, status));
}

void ReleasePreviewPicture(PreviewPicture& picture) {
    ReleaseMemoryBitmap(picture.dc, picture.previous_object, picture.bitmap);
    picture.pixels = nullptr;
    picture.source_pixels.clear(); // storage kept for the next load
    picture.width = 0;
    picture.height = 0;
    picture.own_width = 0;
    picture.own_height = 0;
}

void ReleasePreviewPaintBuffer(PreviewPaintBuffer& buffer) {
    ReleaseMemoryBitmap(buffer.dc, buffer.previous_object, buffer.bitmap);
    buffer = {};
}

void ReleaseArrangePreview(ArrangePreview& preview) {
    ReleasePreviewPaintBuffer(preview.paint_buffer);
    ReleasePreviewPicture(preview.picture);
    preview.picture.source_pixels.shrink_to_fit();
}
