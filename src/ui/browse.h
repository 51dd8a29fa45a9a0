// The system's open-file dialog for one picture file.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "base/host_api.h"

// Where the chooser opens. It lists the folder of name, else folder, and listing a folder on
// another computer makes Windows contact it and offer the user's credentials.
struct ChooserStart {
    std::u16string name;   // offered first, with its folder; empty for none
    std::u16string folder; // listed when name is empty; empty lets Windows choose
};

// In offered's folder (offering offered itself when offer_name) when offered may be opened;
// otherwise in the project's folder when it is on this computer, else in the user's Pictures.
ChooserStart SafeChooserStart(ReaProject* project, std::u16string_view offered, bool offer_name);

// True with path set to the chosen file; false (path untouched) on cancel or any failure.
bool BrowseForImage(HWND owner, const ChooserStart& start, std::u16string& path);
