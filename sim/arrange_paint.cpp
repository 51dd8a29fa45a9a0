#include "arrange_paint.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "canvas.h"
#include "grid_lines.h"
#include "theme.h"

namespace sim {

namespace {

void PaintLanes(const Scene& scene, Canvas& canvas) {
    int top = 0;
    for (size_t i = 0; i < scene.tracks.size(); ++i) {
        const SceneTrack& track = scene.tracks[i];
        bool even = (i + 1) % 2 == 0;
        const char* key = track.selected ? (even ? "selcol_tr2_bg" : "selcol_tr1_bg")
                                         : (even ? "col_tr2_bg" : "col_tr1_bg");
        canvas.Fill(0, top, canvas.width, top + track.height, ThemePixel(key, 0x303030));
        uint32_t divider = ThemePixel(even ? "col_tr2_divline" : "col_tr1_divline", 0x202020);
        canvas.Fill(0, top + track.height - 1, canvas.width, top + track.height, divider);
        top += track.height;
    }
}

// Measure, beat and half-beat lines, each blended with its own colour and draw mode.
void PaintGrid(const Scene& scene, Canvas& canvas) {
    for (const GridLine& line : GridLines(scene.view_start, scene.zoom, scene.bpm,
                                          scene.beats_per_measure, canvas.width)) {
        bool measure = line.kind == GridLineKind::kMeasure;
        bool beat = line.kind == GridLineKind::kBeat;
        const char* colour_key = measure ? "col_gridlines"
                                 : beat  ? "col_gridlines2"
                                         : "col_gridlines3";
        const char* mode_key = measure ? "col_gridlines1dm"
                               : beat  ? "col_gridlines2dm"
                                       : "col_gridlines3dm";
        canvas.Blend(line.x, 0, line.x + 1, canvas.height, ThemePixel(colour_key, 0x606060),
                     ThemeBlendMode(mode_key));
    }
}

void PaintTimeSelection(const Scene& scene, Canvas& canvas) {
    if (scene.selection_end <= scene.selection_start) {
        return;
    }
    int left = TimeToX(scene, scene.selection_start);
    int right = TimeToX(scene, scene.selection_end);
    canvas.Blend(left, 0, right, canvas.height, ThemePixel("col_tl_bgsel", 0xFFFFFF),
                 ThemeBlendMode("timesel_drawmode"));
}

// A cheap deterministic hash, so the same seed always draws the same waveform.
uint32_t Hash(uint32_t seed, uint32_t n) {
    uint32_t h = seed * 0x9E3779B9u ^ (n + 0x7F4A7C15u) * 0x85EBCA6Bu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return h;
}

// Peaks fill the lane's middle in the peaks colour, each column's outermost pixels in the edge
// colour, as the host outlines its waveforms.
void PaintPeaks(const SceneItem& item, Canvas& canvas, int left, int right, int top, int bottom,
                double seconds_per_pixel, uint32_t peaks, uint32_t edge) {
    int middle = (top + bottom) / 2;
    int half = (bottom - top) / 2 - 3;
    for (int x = std::max(left + 1, 0); x < std::min(right - 1, canvas.width); ++x) {
        // Peaks follow time, not screen columns, so scrolling keeps the waveform in place.
        double t = item.position + (x - left) * seconds_per_pixel;
        uint32_t slot = static_cast<uint32_t>(t * 40.0);
        double envelope = 0.35 + 0.65 * std::fabs(std::sin(t * 1.7 + item.peaks_seed));
        double noise = (Hash(item.peaks_seed, slot) % 1000) / 1000.0;
        int amplitude = static_cast<int>(half * envelope * (0.3 + 0.7 * noise));
        canvas.Fill(x, middle - amplitude, x + 1, middle + amplitude + 1, edge);
        canvas.Fill(x, middle - amplitude + 1, x + 1, middle + amplitude, peaks);
    }
}

void PaintNotes(const SceneItem& item, Canvas& canvas, int left, int right, int top, int bottom,
                uint32_t note) {
    int rows = std::max((bottom - top - 6) / 5, 1);
    int width = right - left;
    for (uint32_t n = 0; n < static_cast<uint32_t>(std::max(width / 14, 1)); ++n) {
        int x = left + 3 + static_cast<int>(n) * 14;
        int row = static_cast<int>(Hash(item.peaks_seed, n) % static_cast<uint32_t>(rows));
        int length = 6 + static_cast<int>(Hash(item.peaks_seed + 1, n) % 16);
        int y = bottom - 4 - row * 5;
        canvas.Fill(std::max(x, left + 1), y - 3, std::min(x + length, right - 1), y, note);
    }
}

// Fade-in and fade-out: the part above the gain line is shaded toward the fade colour and the
// line itself drawn in it, so the body colour is interrupted near the item's ends.
void PaintFades(const SceneItem& item, Canvas& canvas, int left, int right, int top, int bottom,
                double zoom, uint32_t fade) {
    const int inner = bottom - top - 2;
    const BlendMode shade = {0, 0.35};
    auto column = [&](int x, double gain) {
        int line = bottom - 2 - static_cast<int>(std::lround(gain * (inner - 1)));
        canvas.Blend(x, top + 1, x + 1, line, fade, shade);
        canvas.Fill(x, line, x + 1, line + 1, fade);
    };
    int fade_in = std::min(static_cast<int>(std::lround(item.fade_in * zoom)), right - left - 2);
    for (int i = 0; i < fade_in; ++i) {
        column(left + 1 + i, static_cast<double>(i) / fade_in);
    }
    int fade_out = std::min(static_cast<int>(std::lround(item.fade_out * zoom)), right - left - 2);
    for (int i = 0; i < fade_out; ++i) {
        column(right - 2 - i, static_cast<double>(i) / fade_out);
    }
}

// The name bar along the item's top: a darker band with the label in a small block font.
void PaintNameBar(Canvas& canvas, int left, int right, int top, int bar_height, uint32_t body,
                  uint32_t text, const std::string& label) {
    canvas.Fill(left + 1, top + 1, right - 1, top + 1 + bar_height, Darker(body, 80));
    int x = left + 4;
    int y = top + 1 + (bar_height - 7) / 2;
    for (char c : label) {
        if (x + 5 > right - 2) {
            break;
        }
        uint32_t shape = c == ' ' ? 0 : Hash(static_cast<unsigned char>(c), 7) | 0x20202;
        for (int row = 0; row < 7; ++row) {
            for (int col = 0; col < 4; ++col) {
                if ((shape >> (row * 4 + col)) & 1) {
                    canvas.Fill(x + col, y + row, x + col + 1, y + row + 1, text);
                }
            }
        }
        x += 5;
    }
}

uint32_t ItemBody(const SceneItem& item, bool even) {
    if (item.colour >= 0) {
        uint32_t custom = ToPixel(item.colour);
        // A selected item in a colour of its own is drawn lighter.
        return item.selected ? BlendPixel(custom, 0xFFFFFF, {0, 0.25}) : custom;
    }
    if (item.selected) {
        return ThemePixel(even ? "col_tr2_itembgsel" : "col_tr1_itembgsel", 0x8C96A0);
    }
    return ThemePixel(even ? "col_mi_bg2" : "col_mi_bg", 0x707880);
}

void PaintItems(const Scene& scene, Canvas& canvas) {
    for (size_t index = 0; index < scene.items.size(); ++index) {
        const SceneItem& item = scene.items[index];
        if (item.track < 0 || item.track >= static_cast<int>(scene.tracks.size())) {
            continue;
        }
        const SceneTrack& track = scene.tracks[static_cast<size_t>(item.track)];
        bool even = (item.track + 1) % 2 == 0;
        int left = TimeToX(scene, item.position);
        int right = TimeToX(scene, item.position + item.length);
        int top = TrackTop(scene, item.track) + kItemInset;
        int bottom = top + track.height - 2 * kItemInset;
        if (right <= 0 || left >= canvas.width || right - left < 2) {
            continue;
        }
        uint32_t body = ItemBody(item, even);
        canvas.Fill(left, top, right, bottom, Darker(body, 55));
        canvas.Fill(left + 1, top + 1, right - 1, bottom - 1, body);
        // Small items have no room for a name; the waveform then uses the whole height.
        int bar = bottom - top >= 28 ? std::min(13, (bottom - top) / 4) : 0;
        uint32_t peaks = ThemePixel(even ? "col_tr2_peaks" : "col_tr1_peaks", 0xA0D6A0);
        if (item.kind == ItemKind::kAudio) {
            PaintPeaks(item, canvas, left, right, top + bar, bottom, 1.0 / scene.zoom, peaks,
                       ThemePixel("col_peaksedge", peaks));
        } else if (item.kind == ItemKind::kMidi) {
            PaintNotes(item, canvas, left, right, top + bar, bottom,
                       ThemePixel("col_mi_midi_note", peaks));
        }
        PaintFades(item, canvas, left, right, top + bar, bottom, scene.zoom,
                   ThemePixel("col_mi_fades", 0xC8C8FF));
        if (bar > 0) {
            uint32_t text = item.selected ? ThemePixel("col_mi_label_sel", 0xFFFFFF)
                                          : ThemePixel("col_mi_label", 0xD0D0D0);
            std::string label =
                (track.name.empty() ? "Item" : track.name) + " " + std::to_string(index + 1);
            PaintNameBar(canvas, left, right, top, bar, body, text, label);
        }
    }
}

} // namespace

int TimeToX(const Scene& scene, double time) {
    return TimeToColumn(time, scene.view_start, scene.zoom);
}

void PaintArrange(const Scene& scene, uint32_t* pixels, int width, int height) {
    Canvas canvas = {pixels, width, height};
    canvas.Fill(0, 0, width, height, ThemePixel("col_arrangebg", 0x2A2A2A));
    PaintLanes(scene, canvas);
    PaintGrid(scene, canvas);
    PaintTimeSelection(scene, canvas);
    PaintItems(scene, canvas);
    int cursor = TimeToX(scene, scene.cursor);
    canvas.Fill(cursor, 0, cursor + 1, height, ThemePixel("col_cursor", 0xDC3C3C));
    if ((scene.play_state & 7) != 0) {
        int play = TimeToX(scene, scene.play_position);
        canvas.Fill(play, 0, play + 1, height, ThemePixel("playcursor_color", 0xE6E6E6));
    }
}

} // namespace sim
