// The system's open-file dialog for one picture file.
#pragma once

#include <windows.h>

#include <string>

// True with path replaced by the chosen file; false (path untouched) on cancel or any failure.
bool BrowseForImage(HWND owner, std::u16string& path);
