#include "grid_lines.h"

#include <cmath>

namespace sim {

int TimeToColumn(double time, double view_start, double zoom) {
    return static_cast<int>(std::floor((time - view_start) * zoom));
}

std::vector<GridLine> GridLines(double view_start, double zoom, double bpm, int beats_per_measure,
                                int width) {
    std::vector<GridLine> lines;
    double half_beat = 30.0 / bpm;
    long long first = static_cast<long long>(std::floor(view_start / half_beat));
    long long last = static_cast<long long>(std::ceil((view_start + width / zoom) / half_beat));
    int last_x = -1;
    for (long long n = first; n <= last; ++n) {
        int x = TimeToColumn(static_cast<double>(n) * half_beat, view_start, zoom);
        if (x < 0 || x >= width || x == last_x) {
            continue;
        }
        bool on_beat = n % 2 == 0;
        bool on_measure = on_beat && (n / 2) % beats_per_measure == 0;
        double spacing = half_beat * zoom * (on_measure ? beats_per_measure * 2 : on_beat ? 2 : 1);
        if (spacing < 6.0 && !on_measure) {
            continue;
        }
        lines.push_back({x, on_measure ? GridLineKind::kMeasure
                            : on_beat  ? GridLineKind::kBeat
                                       : GridLineKind::kHalfBeat});
        last_x = x;
    }
    return lines;
}

} // namespace sim
