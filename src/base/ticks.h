// GetTickCount arithmetic that stays correct across the 32-bit wrap (every 49.7 days).
#pragma once

#include <cstdint>

// Milliseconds from then to now.
constexpr uint32_t TicksSince(uint32_t now, uint32_t then) {
    return now - then;
}

// True once now has reached due, judged by the sign of the 32-bit difference.
constexpr bool TickReached(uint32_t now, uint32_t due) {
    return static_cast<int32_t>(now - due) >= 0;
}
