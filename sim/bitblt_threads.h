// Other threads of the host process that keep calling BitBlt through the executable's import, on
// memory DCs of their own and onto a window each creates (and pumps) itself, as a DAW's worker
// and meter threads do.
#pragma once

#include <cstdint>

namespace sim {

// Starts count threads (replacing any running ones); each copies until stopped, sleeping
// pause_ms after every round of three copies (0: no pause at all).
void StartBitBltThreads(int count, unsigned pause_ms);
void StopBitBltThreads();
// Copies made by the threads so far, all of them.
int64_t BitBltThreadCalls();

} // namespace sim
