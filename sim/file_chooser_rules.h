// The system file chooser as Windows runs it: it refuses to open at all when its initial file
// name holds characters no file name can (quotes, <>|) or ends in a backslash, returning FALSE
// with CommDlgExtendedError() FNERR_INVALIDFILENAME. Wine opens anyway, so the simulator puts
// the refusal in front of comdlg32's own functions. It also notes where each call asked to
// start: the chooser lists that folder at once, and listing "\\server\share" makes Windows
// connect to the server and offer it the user's credentials.
#pragma once

#include <string>
#include <vector>

namespace sim {

// What one chooser call was given.
struct ChooserRequest {
    std::wstring initial_folder; // lpstrInitialDir; empty when none
    std::wstring initial_name;   // lpstrFile's text; empty when none
};

// Installs the refusal for the life of the process (once; later calls do nothing). False when
// comdlg32 or its functions cannot be had.
bool RefuseInvalidChooserNames();

// How many chooser calls were refused so far.
int ChooserRefusals();

// Every chooser call since the last reset, refused ones too, oldest first.
std::vector<ChooserRequest> ChooserRequests();

// The folders on other computers (and devices) the chooser was asked to list since the last
// reset. Windows lists the folder of the initial name when it has one, else the initial folder
// (or the folder it last showed when that initial folder is the one it first saw), so a remote
// one counts in either place. Such a folder is not passed on: the chooser starts as it would
// without it, as after an unreachable server.
std::vector<std::wstring> ChooserContacts();

void ResetChooserAccounting();

} // namespace sim
