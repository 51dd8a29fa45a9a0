#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "base/host_api.h"
#include "support/glue_fakes.h"

namespace {

std::vector<std::string> g_looked_up;
std::set<std::string> g_available;

void* Lookup(const char* name) {
    g_looked_up.emplace_back(name);
    // Any non-null address will do: bound entries are only compared, never called here.
    return g_available.count(name) != 0 ? reinterpret_cast<void*>(&Lookup) : nullptr;
}

struct HostBinding : ::testing::Test {
    HostApi saved = g_host;
    void SetUp() override {
        g_looked_up.clear();
        g_available.clear();
        g_glue_calls = {};
    }
    void TearDown() override { g_host = saved; }
};

} // namespace

TEST_F(HostBinding, LooksUpEveryNameOnceInTableOrder) {
    BindHostApi(Lookup);
    ASSERT_EQ(g_looked_up.size(), 26u);
    for (int i = 0; i < kHostFunctionCount; ++i) {
        EXPECT_EQ(g_looked_up[i], kHostFunctionNames[i]);
    }
    EXPECT_EQ(g_looked_up.front(), "AddExtensionsMainMenu");
    EXPECT_EQ(g_looked_up.back(), "MIDIEditor_GetActive");
}

TEST_F(HostBinding, EachNameLandsInItsOwnEntry) {
    g_available = {"GetPlayState"};
    BindHostApi(Lookup);
    EXPECT_NE(g_host.GetPlayState, nullptr);
    EXPECT_EQ(g_host.GetProjExtState, nullptr);
    EXPECT_EQ(g_host.GetMediaItem, nullptr);
    g_available = {"TakeIsMIDI", "AddExtensionsMainMenu"};
    BindHostApi(Lookup);
    EXPECT_EQ(g_host.GetPlayState, nullptr); // a new binding overwrites nulls too
    EXPECT_NE(g_host.TakeIsMIDI, nullptr);
    EXPECT_NE(g_host.AddExtensionsMainMenu, nullptr);
}

TEST_F(HostBinding, ReportsMissingRequiredFunctionsInOrder) {
    g_available = {"plugin_register", "GetProjExtState", "SetProjExtState"};
    BindHostApi(Lookup);
    EXPECT_FALSE(CheckRequiredHostFunctions());
    EXPECT_EQ(g_glue_calls.debug_lines,
              (std::vector<std::string>{"Required REAPER API unavailable: EnumProjects.\n",
                                        "Required REAPER API unavailable: GetThemeColor.\n"}));
}

TEST_F(HostBinding, OnlyRequiredFunctionsGiveTheFourOptionalLines) {
    g_available = {"plugin_register", "EnumProjects", "GetProjExtState", "SetProjExtState",
                   "GetThemeColor"};
    BindHostApi(Lookup);
    EXPECT_TRUE(CheckRequiredHostFunctions());
    ReportMissingOptionalHostFunctions();
    EXPECT_EQ(g_glue_calls.debug_lines,
              (std::vector<std::string>{
                  "MarkProjectDirty unavailable; project edits may need a manual save.\n",
                  "RefreshToolbar2 unavailable; toolbar state may update later.\n",
                  "GetPlayState unavailable; Stop correction uses paint/timer only.\n",
                  "AddExtensionsMainMenu unavailable; actions remain in the Action List.\n"}));
}
