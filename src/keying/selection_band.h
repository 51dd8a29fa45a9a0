// The client columns in which the host shades the arrange background with the time selection.
#pragma once

struct SelectionBand {
    int left; // a pixel is inside when left < x < right - 1; both 0 when there is no band
    int right;
};

// Asks the host for the view and the time selection; an empty band when anything is missing.
SelectionBand ComputeSelectionBand(int width);
