#pragma once

// Keeps this module mapped for the rest of the process, whatever the host's FreeLibrary does:
// for code that others may still call after the unload (an import slot value another thread read
// before the hook's removal, a window chain another party keeps).
void PinOwnModule();
