#include "present/frame_threads.h"

#include "base/row_workers.h"
#include "base/thread_traits.h"
#include "settings/frame_threads_setting.h"

namespace {

constexpr int kRecording = 4; // bit 2 of the host's play state

bool g_started = false;
int g_setting = kAutomaticFrameThreads;
bool g_recording = false;

int Cores() {
    static const int cores = ProcessorCoreCount(); // the system's answer does not change
    return cores;
}

} // namespace

void StartFrameThreads() {
    g_setting = FrameThreadsSetting();
    g_started = true;
    StartRowWorkers(FrameThreadsInUse(g_setting, Cores(), false));
    LimitRowThreads(FrameThreadsInUse(g_setting, Cores(), g_recording));
}

void ApplyFrameThreadsSetting() {
    if (g_started) {
        StartFrameThreads();
    }
}

void FollowPlayStateWithFrameThreads(int play_state) {
    g_recording = (play_state & kRecording) != 0;
    if (g_started) {
        LimitRowThreads(FrameThreadsInUse(g_setting, Cores(), g_recording));
    }
}

bool StopFrameThreads() {
    g_started = false;
    return StopRowWorkers();
}
