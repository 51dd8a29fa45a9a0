#include <gtest/gtest.h>

#include "host/project_commands.h"
#include "settings/project_storage.h"
#include "settings/settings_codec.h"
#include "settings/stored_keys.h"
#include "support/fake_host.h"
#include "support/glue_fakes.h"

TEST(ProjectSettingsRead, UntouchedProjectGivesTheDefaults) {
    FakeHost host;
    ProjectSettings s = ReadProjectSettings(host.Handle(0));
    EXPECT_EQ(s, ProjectSettings{});
    EXPECT_TRUE(s.path.empty());
    EXPECT_FALSE(s.enabled);
    EXPECT_EQ(s.opacity, 0.35);
    EXPECT_EQ(s.mode, FitMode::cover);
    EXPECT_EQ(s.tint_rgb, 0xFFA060u);
    EXPECT_EQ(ReadProjectSettings(nullptr), ProjectSettings{});
}

TEST(ProjectSettingsRead, EnabledCountsOnlyWithAPath) {
    FakeHost host;
    host.Stored(0, "enabled") = "1";
    EXPECT_FALSE(ReadProjectSettings(host.Handle(0)).enabled);
    host.Stored(0, "path") = "C:\\p.png";
    EXPECT_TRUE(ReadProjectSettings(host.Handle(0)).enabled);
    host.Stored(0, "enabled") = "true";
    EXPECT_FALSE(ReadProjectSettings(host.Handle(0)).enabled);
}

TEST(ProjectSettingsRead, MalformedValuesFallBackFieldByField) {
    FakeHost host;
    host.Stored(0, "opacity_permille") = "35%";
    host.Stored(0, "tint_rgb") = "#FF8000";
    host.Stored(0, "mode") = "Stretch";
    host.Stored(0, "tint_permille") = "250";
    host.Stored(0, "grayscale") = "yes";
    host.Stored(0, "midi_item_transparency_permille") = "1000";
    host.Stored(0, "path") = "bad \xFF utf8";
    ProjectSettings s = ReadProjectSettings(host.Handle(0));
    EXPECT_EQ(s.opacity, 0.35);
    EXPECT_EQ(s.tint_rgb, 0xFFA060u);
    EXPECT_EQ(s.mode, FitMode::cover);
    EXPECT_EQ(s.tint, 0.25);
    EXPECT_FALSE(s.grayscale);
    EXPECT_EQ(s.midi_item_transparency, 1.0);
    EXPECT_TRUE(s.path.empty());
    EXPECT_EQ(host.Stored(0, "opacity_permille"), "35%"); // the stored text is left alone
}

TEST(ProjectSettingsRead, OverlongValuesAreCutNotOverrun) {
    FakeHost host;
    host.Stored(0, "path") = std::string(200000, 'a');
    std::string value = ReadExtStateValue(host.Handle(0), "path");
    EXPECT_EQ(value.size(), 131071u);
}

TEST(ProjectSettingsWrite, WritesAllNineKeysInOrderAndMarksDirty) {
    FakeHost host;
    ProjectSettings s;
    s.path = u"D:\\\u97F3\u697D\\\U0001F3B9 wall.jpg";
    s.enabled = true;
    s.opacity = 0.3505;
    s.mode = FitMode::contain;
    s.tint_rgb = 0x0080FF;
    s.tint = 0.5;
    s.grayscale = true;
    s.audio_item_transparency = 0.25;
    s.midi_item_transparency = 1.0;
    WriteProjectSettings(host.Handle(0), s);

    EXPECT_EQ(host.ext_state_writes, 9);
    EXPECT_EQ(host.projects[0].dirty_marks, 1);
    EXPECT_EQ(host.Stored(0, "opacity_permille"), "351");
    EXPECT_EQ(host.Stored(0, "mode"), "contain");
    EXPECT_EQ(host.Stored(0, "tint_rgb"), "FF8000");
    EXPECT_EQ(host.Stored(0, "enabled"), "1");
    EXPECT_EQ(host.Stored(0, "grayscale"), "1");

    ProjectSettings back = ReadProjectSettings(host.Handle(0));
    EXPECT_EQ(back.path, s.path); // a path outside any code page survives
    EXPECT_EQ(back.opacity, 0.351);
    back.opacity = s.opacity;
    EXPECT_EQ(back, s);
}

TEST(ProjectSettingsWrite, PlacementKeysAreStoredOnceUsedAndReadBackStrictly) {
    FakeHost host;
    ProjectSettings s;
    s.path = u"C:\\w.png";
    s.mode = FitMode::tile;
    s.anchor = Anchor::bottom_left;
    s.blur = 0.5;
    WriteProjectSettings(host.Handle(0), s);
    // Time selection and MIDI editor still at their defaults: not stored, so an older project
    // gains no key it never used.
    EXPECT_EQ(host.ext_state_writes, 11);
    EXPECT_EQ(host.projects[0].ext_state["Murivo"].count("midi_editor"), 0u);
    EXPECT_EQ(host.Stored(0, "mode"), "tile");
    EXPECT_EQ(host.Stored(0, "anchor"), "bottom-left");
    EXPECT_EQ(host.Stored(0, "blur_permille"), "500");
    EXPECT_EQ(ReadProjectSettings(host.Handle(0)), s);
    s.midi_editor = true;
    WriteProjectSettings(host.Handle(0), s);
    EXPECT_EQ(host.Stored(0, "midi_editor"), "1");
    EXPECT_EQ(ReadProjectSettings(host.Handle(0)), s);
    // Back at the defaults, the stored keys are overwritten rather than left saying otherwise.
    WriteProjectSettings(host.Handle(0), ProjectSettings{s.path});
    EXPECT_EQ(host.Stored(0, "anchor"), "center");
    EXPECT_EQ(host.Stored(0, "blur_permille"), "0");
    EXPECT_EQ(host.Stored(0, "midi_editor"), "0");
    EXPECT_EQ(ReadProjectSettings(host.Handle(0)).anchor, Anchor::center);

    host.Stored(0, "anchor") = "Top";
    host.Stored(0, "blur_permille") = "1001";
    host.Stored(0, "time_selection_permille") = "-1";
    host.Stored(0, "midi_editor") = "true";
    host.Stored(0, "mode") = "centre";
    ProjectSettings odd = ReadProjectSettings(host.Handle(0));
    EXPECT_EQ(odd.anchor, Anchor::center);
    EXPECT_EQ(odd.blur, 0.0);
    EXPECT_EQ(odd.time_selection, 0.0);
    EXPECT_FALSE(odd.midi_editor);
    EXPECT_EQ(odd.mode, FitMode::cover);
}

TEST(ProjectSettingsWrite, WithoutAProjectOrHostNothingIsWritten) {
    FakeHost host;
    WriteProjectSettings(nullptr, ProjectSettings{});
    g_host.SetProjExtState = nullptr;
    WriteProjectSettings(host.Handle(0), ProjectSettings{});
    EXPECT_EQ(host.ext_state_writes, 0);
    EXPECT_EQ(host.projects[0].dirty_marks, 0);
}

TEST(ProjectSettingsWrite, UnconvertiblePathIsStoredEmpty) {
    FakeHost host;
    ProjectSettings s;
    s.path = std::u16string(1, u'\xDC01');
    WriteProjectSettings(host.Handle(0), s);
    EXPECT_EQ(host.Stored(0, "path"), "");
}

TEST(ProjectSettingsClear, EmptySectionWritesNothingAndAppliesNothing) {
    FakeHost host;
    g_glue_calls = {};
    ClearProjectSettings();
    EXPECT_EQ(host.ext_state_writes, 0);
    EXPECT_EQ(host.projects[0].dirty_marks, 0);
    EXPECT_TRUE(g_glue_calls.applies.empty());
}

TEST(ProjectSettingsClear, RemovesTheSectionOfTheCurrentProjectThenApplies) {
    FakeHost host;
    g_glue_calls = {};
    host.current = 1;
    host.Stored(1, "midi_item_transparency_permille") = "200"; // only the last key is set
    host.Stored(0, "path") = "C:\\other.png";
    ClearProjectSettings();
    EXPECT_EQ(host.projects[1].ext_state.count("Murivo"), 0u);
    EXPECT_EQ(host.projects[1].dirty_marks, 1);
    EXPECT_EQ(host.Stored(0, "path"), "C:\\other.png");
    ASSERT_EQ(g_glue_calls.applies.size(), 1u);
    EXPECT_TRUE(g_glue_calls.applies[0].force_reload);
    EXPECT_TRUE(g_glue_calls.applies[0].redraw);
    for (const StoredKey& key : kStoredKeys) {
        EXPECT_EQ(ReadExtStateValue(host.Handle(1), key.name), "") << key.name;
    }
}

TEST(ProjectSettingsClear, NoCurrentProjectDoesNothing) {
    FakeHost host;
    g_glue_calls = {};
    host.current = -1;
    ClearProjectSettings();
    EXPECT_TRUE(g_glue_calls.applies.empty());
}
