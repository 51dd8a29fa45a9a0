#include <gtest/gtest.h>

#include <map>
#include <string>

#include "settings/frame_threads_setting.h"
#include "support/fake_host.h"

namespace {

std::map<std::string, std::string> g_global; // "section/key" -> value

const char* GetGlobal(const char* section, const char* key) {
    auto found = g_global.find(std::string(section) + "/" + key);
    return found != g_global.end() ? found->second.c_str() : "";
}

void SetGlobal(const char* section, const char* key, const char* value, bool) {
    g_global[std::string(section) + "/" + key] = value;
}

// The host's global state, in memory, for as long as the FakeHost lives.
void UseGlobalState() {
    g_global.clear();
    g_host.GetExtState = GetGlobal;
    g_host.HasExtState = nullptr;
    g_host.SetExtState = SetGlobal;
}

} // namespace

TEST(FrameThreadsSetting, EachChoiceIsKeptAndAnythingElseReadsAsAutomatic) {
    FakeHost host;
    UseGlobalState();
    EXPECT_EQ(StoredFrameThreads(), kAutomaticFrameThreads) << "nothing stored";
    for (int setting : {1, 2, 4, kAutomaticFrameThreads}) {
        ASSERT_TRUE(StoreFrameThreads(setting));
        EXPECT_EQ(g_global["Murivo/frame_threads"], FrameThreadsText(setting));
        EXPECT_EQ(StoredFrameThreads(), setting);
    }
    EXPECT_EQ(g_global["Murivo/frame_threads"], "auto");
    for (const char* hostile :
         {"3", "8", "0", "-1", " 2", "2 ", "02", "2.0", "AUTO", "4294967298", "", "1|2"}) {
        g_global["Murivo/frame_threads"] = hostile;
        EXPECT_EQ(StoredFrameThreads(), kAutomaticFrameThreads) << '"' << hostile << '"';
    }
    g_host.SetExtState = nullptr;
    EXPECT_FALSE(StoreFrameThreads(2));
    g_host.GetExtState = nullptr;
    EXPECT_EQ(StoredFrameThreads(), kAutomaticFrameThreads);
}

TEST(FrameThreadsSetting, AutomaticLeavesTheHostACoreAndTheRecordingToItself) {
    struct Case {
        int setting, cores;
        bool recording;
        int threads;
    };
    for (const Case& c : std::initializer_list<Case>{{kAutomaticFrameThreads, 1, false, 1},
                                                     {kAutomaticFrameThreads, 2, false, 1},
                                                     {kAutomaticFrameThreads, 3, false, 2},
                                                     {kAutomaticFrameThreads, 4, false, 3},
                                                     {kAutomaticFrameThreads, 16, false, 4},
                                                     {kAutomaticFrameThreads, 16, true, 1},
                                                     {kAutomaticFrameThreads, 0, false, 1},
                                                     {1, 16, false, 1},
                                                     {2, 1, false, 2},
                                                     {4, 2, true, 4}}) {
        EXPECT_EQ(FrameThreadsInUse(c.setting, c.cores, c.recording), c.threads)
            << "setting " << c.setting << ", " << c.cores << " cores"
            << (c.recording ? ", recording" : "");
    }
}
