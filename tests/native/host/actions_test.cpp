#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/actions.h"
#include "support/fake_host.h"
#include "support/glue_fakes.h"

namespace {

struct Actions : ::testing::Test {
    FakeHost host;
    void SetUp() override { g_glue_calls = {}; }
    void TearDown() override { UnregisterActions(); }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const Registration& r : host.registrations) {
            names.push_back(r.name);
        }
        return names;
    }
};

} // namespace

TEST_F(Actions, RegistersSevenActionsThenHooksInOrder) {
    ASSERT_TRUE(RegisterActions());
    std::vector<std::string> expected(kCommandCount, "custom_action");
    expected.insert(expected.end(),
                    {"hookcommand2", "hookcommand", "toggleaction", "hookcustommenu"});
    EXPECT_EQ(Names(), expected);
    EXPECT_EQ(g_command_ids[kChoose], 40000);
    EXPECT_EQ(g_command_ids[kAbout], 40004);
    EXPECT_EQ(g_command_ids[kUseAsDefault], 40005);
    EXPECT_EQ(g_command_ids[kMidiEditor], 40006);
    EXPECT_TRUE(g_glue_calls.debug_lines.empty());
}

TEST_F(Actions, UnregistersInReverseGroupsWithTheSamePointers) {
    ASSERT_TRUE(RegisterActions());
    std::vector<Registration> registered = host.registrations;
    host.registrations.clear();
    UnregisterActions();
    std::vector<std::string> expected = {"-hookcustommenu", "-toggleaction", "-hookcommand2",
                                         "-hookcommand"};
    expected.insert(expected.end(), kCommandCount, "-custom_action");
    ASSERT_EQ(Names(), expected);
    auto pointer_of = [&](const std::string& name, size_t nth) {
        for (const Registration& r : registered) {
            if (r.name == name && nth-- == 0) {
                return r.info;
            }
        }
        return static_cast<void*>(nullptr);
    };
    EXPECT_EQ(host.registrations[0].info, pointer_of("hookcustommenu", 0));
    EXPECT_EQ(host.registrations[3].info, pointer_of("hookcommand", 0));
    for (int i = 0; i < kCommandCount; ++i) {
        EXPECT_EQ(host.registrations[4 + i].info, pointer_of("custom_action", i));
        EXPECT_EQ(g_command_ids[i], 0);
    }
    host.registrations.clear();
    UnregisterActions(); // a second unload has nothing left to undo
    EXPECT_TRUE(host.registrations.empty());
}

TEST_F(Actions, RefusedThirdActionFailsAndOnlyTwoAreUndone) {
    // Refuse the third custom action only.
    static int calls;
    static int (*real)(const char*, void*);
    calls = 0;
    real = g_host.plugin_register;
    g_host.plugin_register = [](const char* name, void* info) {
        if (std::string(name) == "custom_action" && ++calls == 3) {
            return 0;
        }
        return real(name, info);
    };
    EXPECT_FALSE(RegisterActions());
    g_host.plugin_register = real;
    EXPECT_EQ(g_command_ids[kRemove], 40001);
    EXPECT_EQ(g_command_ids[kToggle], 0);
    host.registrations.clear();
    UnregisterActions();
    EXPECT_EQ(Names(), (std::vector<std::string>{"-custom_action", "-custom_action"}));
}

TEST_F(Actions, OneCommandHookSufficesButNotNone) {
    host.refused = {"hookcommand2", "toggleaction", "hookcustommenu"};
    EXPECT_TRUE(RegisterActions());
    EXPECT_EQ(
        g_glue_calls.debug_lines,
        (std::vector<std::string>{"Toggle action feedback unavailable.\n",
                                  "Extensions menu hook unavailable; use the Action List.\n"}));
    UnregisterActions();
    host.refused = {"hookcommand2", "hookcommand"};
    EXPECT_FALSE(RegisterActions());
}

TEST_F(Actions, MissingRequiredFunctionRegistersNothing) {
    g_host.GetProjExtState = nullptr;
    EXPECT_FALSE(RegisterActions());
    EXPECT_TRUE(host.registrations.empty());
}

TEST_F(Actions, DispatchRunsEachCommandAndNothingElse) {
    ASSERT_TRUE(RegisterActions());
    EXPECT_TRUE(DispatchCommand(g_command_ids[kChoose]));
    EXPECT_TRUE(DispatchCommand(g_command_ids[kSettings]));
    EXPECT_TRUE(DispatchCommand(g_command_ids[kAbout]));
    EXPECT_EQ(g_glue_calls.choose, 1);
    EXPECT_EQ(g_glue_calls.settings_dialog, 1);
    EXPECT_EQ(g_glue_calls.about, 1);
    EXPECT_FALSE(DispatchCommand(0));
    EXPECT_FALSE(DispatchCommand(-5));
    EXPECT_FALSE(DispatchCommand(12345));
}

TEST_F(Actions, ToggleWithoutPathChangesNothingButIsHandled) {
    ASSERT_TRUE(RegisterActions());
    EXPECT_TRUE(DispatchCommand(g_command_ids[kToggle]));
    EXPECT_EQ(host.ext_state_writes, 0);
    EXPECT_TRUE(g_glue_calls.applies.empty());
    EXPECT_EQ(QueryToggleState(g_command_ids[kToggle]), 0);
}

TEST_F(Actions, ToggleFlipsEnabledWritesAndApplies) {
    ASSERT_TRUE(RegisterActions());
    host.Stored(host.current, "path") = "C:\\w.png";
    EXPECT_EQ(QueryToggleState(g_command_ids[kToggle]), 0);
    EXPECT_TRUE(DispatchCommand(g_command_ids[kToggle]));
    EXPECT_EQ(host.Stored(host.current, "enabled"), "1");
    EXPECT_EQ(QueryToggleState(g_command_ids[kToggle]), 1);
    ASSERT_EQ(g_glue_calls.applies.size(), 1u);
    EXPECT_TRUE(g_glue_calls.applies[0].force_reload);
    EXPECT_TRUE(g_glue_calls.applies[0].redraw);
    EXPECT_TRUE(DispatchCommand(g_command_ids[kToggle]));
    EXPECT_EQ(host.Stored(host.current, "enabled"), "0");
}

// Only its own switch moves, the picture is not loaded again, and its button follows the
// current project.
TEST_F(Actions, MidiEditorToggleFlipsStoresAndReportsItsState) {
    ASSERT_TRUE(RegisterActions());
    const int midi = g_command_ids[kMidiEditor];
    EXPECT_TRUE(DispatchCommand(midi)); // without a picture: handled, nothing stored
    EXPECT_EQ(host.ext_state_writes, 0);
    host.Stored(host.current, "path") = "C:\\w.png";
    EXPECT_EQ(QueryToggleState(midi), 0);
    EXPECT_TRUE(DispatchCommand(midi));
    EXPECT_EQ(host.Stored(host.current, "midi_editor"), "1");
    EXPECT_EQ(host.Stored(host.current, "enabled"), "0");
    EXPECT_EQ(host.projects[host.current].dirty_marks, 1);
    EXPECT_EQ(QueryToggleState(midi), 1);
    EXPECT_EQ(QueryToggleState(g_command_ids[kToggle]), 0);
    ASSERT_EQ(g_glue_calls.applies.size(), 1u);
    EXPECT_FALSE(g_glue_calls.applies[0].force_reload);
    EXPECT_TRUE(g_glue_calls.applies[0].redraw);
    EXPECT_EQ(host.toolbar_refreshes.back(), midi);
    host.current = 0;
    EXPECT_EQ(QueryToggleState(midi), 0);
    host.current = 1;
    EXPECT_TRUE(DispatchCommand(midi));
    EXPECT_EQ(host.Stored(1, "midi_editor"), "0");
    EXPECT_EQ(QueryToggleState(midi), 0);
}

TEST_F(Actions, ToggleStateIsOnlyForTheToggles) {
    EXPECT_EQ(QueryToggleState(0), -1); // not registered yet
    ASSERT_TRUE(RegisterActions());
    EXPECT_EQ(QueryToggleState(g_command_ids[kChoose]), -1);
    host.current = -1;
    EXPECT_EQ(QueryToggleState(g_command_ids[kToggle]), 0);
    EXPECT_EQ(QueryToggleState(g_command_ids[kMidiEditor]), 0);
}

TEST_F(Actions, OtherSectionsThroughHookCommand2AreNotOurs) {
    ASSERT_TRUE(RegisterActions());
    int main_section[2] = {0, 0};
    int midi_section[2] = {32060, 0};
    EXPECT_FALSE(OnHookCommand2(midi_section, g_command_ids[kAbout], 0, 0, 0, nullptr));
    EXPECT_EQ(g_glue_calls.about, 0);
    EXPECT_TRUE(OnHookCommand2(main_section, g_command_ids[kAbout], 0, 0, 0, nullptr));
    EXPECT_TRUE(OnHookCommand2(nullptr, g_command_ids[kAbout], 0, 0, 0, nullptr));
    EXPECT_TRUE(OnHookCommand(g_command_ids[kAbout], 0));
    EXPECT_EQ(g_glue_calls.about, 3);
}
