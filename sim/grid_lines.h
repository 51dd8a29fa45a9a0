// Where a timeline's grid lines fall: measures, beats and half beats, thinned at dense zoom as
// the host thins them. The arrange view and the MIDI editor's note view draw the same grid.
#pragma once

#include <vector>

namespace sim {

enum class GridLineKind { kMeasure, kBeat, kHalfBeat };

struct GridLine {
    int x;
    GridLineKind kind;
};

// The column of a time in a view whose left edge shows view_start, at zoom pixels per second.
int TimeToColumn(double time, double view_start, double zoom);

// The lines in columns [0, width), left to right, at most one per column. Beats and half beats
// that would sit closer than 6 pixels to their neighbours are left out; measures always stay.
std::vector<GridLine> GridLines(double view_start, double zoom, double bpm, int beats_per_measure,
                                int width);

} // namespace sim
