// Counting the GDI objects and device contexts one loaded module makes and gives back.
// GetGuiResources answers 0 under Wine, so the module's own gdi32/user32 imports that create,
// obtain, delete and release them are swapped, in its import address table, for wrappers that
// keep every handle they hand out until it is given back.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace sim {

struct GdiCounts {
    long long objects;               // bitmaps, brushes, pens, fonts, regions made and not deleted
    long long memory_dcs;            // CreateCompatibleDC / CreateDC without a successful DeleteDC
    long long window_dcs;            // GetDC / GetDCEx / GetWindowDC / BeginPaint not given back
    long long strays;                // deletes and releases of handles the module did not make here
    long long window_dcs_of_windows; // window DCs obtained for a window (not the screen)

    long long Live() const { return objects + memory_dcs + window_dcs; }
};

// Wraps every import of the module that the accounting knows and that the module has; returns
// the names wrapped (empty when the module is no 64-bit image or a slot cannot be written).
// Counts go on from where they stand, so a module loaded again can be wrapped again. One
// module at a time: wrapping another stops the accounting of the first.
std::vector<std::string> StartGdiAccounting(HMODULE module);

// Puts the module's own imports back when it is still mapped; the counts stay.
void StopGdiAccounting();

GdiCounts CurrentGdiCounts();
// Forgets every handle and count.
void ResetGdiCounts();

// Makes the nth call (1-based, from now) of CreateCompatibleDC, CreateDIBSection,
// CreateCompatibleBitmap, GetDC or SelectObject fail as the system does when out of resources,
// without reaching the system. One injection at a time; false for another name.
bool InjectGdiFailure(const std::string& import_name, int nth_call);
// Whether the injected failure has not happened yet.
bool GdiFailurePending();

// "objects=N memory-dcs=N window-dcs=N strays=N", for failure messages.
std::string DescribeGdiCounts(const GdiCounts& counts);

} // namespace sim
