// The system file chooser as Windows runs it: it refuses to open at all when its initial file
// name holds characters no file name can (quotes, <>|) or ends in a backslash, returning FALSE
// with CommDlgExtendedError() FNERR_INVALIDFILENAME. Wine opens anyway, so the simulator puts
// the refusal in front of comdlg32's own functions.
#pragma once

namespace sim {

// Installs the refusal for the life of the process (once; later calls do nothing). False when
// comdlg32 or its functions cannot be had.
bool RefuseInvalidChooserNames();

// How many chooser calls were refused so far.
int ChooserRefusals();

} // namespace sim
