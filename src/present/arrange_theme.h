// The theme colours the arrange view is keyed against, read again from the host.
#pragma once

// RefreshThemeColours, and when the colours changed, makes the cached keying decisions and the
// kept frame stale: both were keyed against the old colours. True when they changed.
bool RefreshArrangeTheme();
