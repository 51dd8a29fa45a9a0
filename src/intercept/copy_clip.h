// Which part of a host copy onto the arrange view lies inside its client area. Portable, so the
// arithmetic can be proved for extreme arguments under the sanitizers.
#pragma once

struct ClippedCopy {
    int w; // size of the visible part
    int h;
    int dx; // its client position
    int dy;
    int sx; // where it starts in the source
    int sy;
};

// The visible part of a copy of cx by cy pixels from (sx, sy) to client point (x, y) in a
// client area of client_w by client_h. False when nothing of it is visible, or when its source
// point would lie beyond the range of int (then the host's own call is made instead).
bool ClipCopyToClient(int x, int y, int cx, int cy, int sx, int sy, int client_w, int client_h,
                      ClippedCopy& out);
