// How many threads share a frame on this computer. Kept in the host's global state, key
// "frame_threads": "auto", "1", "2" or "4"; MURIVO_THREADS (the same values) overrides it for
// tests and benchmarks.
#pragma once

#include <string_view>

inline constexpr const char* kFrameThreadsKey = "frame_threads";
inline constexpr int kAutomaticFrameThreads = 0; // a setting: else the count itself

// "1", "2" or "4" give the count; anything else (text we never wrote too) reads as automatic.
int ParseFrameThreads(std::string_view text);
const char* FrameThreadsText(int setting);

// What the host keeps; automatic when it keeps nothing or cannot.
int StoredFrameThreads();
// False when the host cannot keep it.
bool StoreFrameThreads(int setting);

// The setting in force: MURIVO_THREADS when it is set (read once; a value that names no setting
// is reported and ignored), else the stored one.
int FrameThreadsSetting();

// The threads frames use, the caller included. A count the user chose is kept as it is.
// Automatic leaves one of the processor's cores to the host, takes at most four threads, and
// the caller alone while the host records, when the host needs every core it has.
int FrameThreadsInUse(int setting, int cores, bool recording);
