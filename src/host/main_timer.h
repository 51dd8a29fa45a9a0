#pragma once

#include <windows.h>

// The host's timer callback: attaches to the arrange view and follows it.
void OnMainTimer();

// The host main window's dialog item 1000 when it is the arrange view, else null.
HWND FindArrangeView();

// Play-state tracking and the stop correction.
void CheckPlayStop();
