// Nothing may unwind into the host: every entry point from the host runs its body through this.
#pragma once

#include "base/debug_line.h"

template <typename Result, typename Body>
Result RunGuarded(Result on_failure, Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        DebugLine("Murivo: unexpected failure contained in a host callback.\n");
        return on_failure;
    }
}

template <typename Body> void RunGuarded(Body&& body) noexcept {
    try {
        body();
    } catch (...) {
        DebugLine("Murivo: unexpected failure contained in a host callback.\n");
    }
}
