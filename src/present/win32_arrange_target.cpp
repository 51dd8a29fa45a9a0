#include "present/arrange_target.h"

ArrangeTarget g_target = {};

namespace {

constexpr uint32_t kDeferredCorrectionDelayMs = 100;

} // namespace

void ScheduleDeferredCorrection() {
    // 0 marks "none pending", so a due tick that lands on 0 is nudged by one millisecond.
    uint32_t due = GetTickCount() + kDeferredCorrectionDelayMs;
    g_target.deferred_due_tick = due != 0 ? due : 1;
    g_target.deferred_present_count = g_target.present_count;
}
