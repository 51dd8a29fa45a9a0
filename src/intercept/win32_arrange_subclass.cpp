// Not yet built: the arrange window subclass.
#include "intercept/arrange_subclass.h"

bool InstallArrangeSubclass() {
    return false;
}

void RemoveArrangeSubclass() {}

LRESULT CALLBACK ArrangeWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcW(window, message, wparam, lparam);
}
