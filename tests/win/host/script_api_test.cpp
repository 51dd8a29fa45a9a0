// The functions offered to scripts, called through their vararg wrappers as a script bridge
// calls them, against the loaded module in the simulated host.
#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "global_ext_state.h"
#include "host_functions.h"
#include "host_windows.h"
#include "projects.h"
#include "registrations.h"
#include "script_bridge.h"
#include "support/arrange_pixels.h"
#include "support/modal_driver.h"
#include "support/picture_files.h"
#include "support/sim_fixture.h"

namespace {

void* Slot(intptr_t value) {
    return reinterpret_cast<void*>(value);
}

bool Called(const std::string& name, std::vector<void*> slots) {
    bool registered = false;
    void* result = sim::CallScriptVararg(name, std::move(slots), &registered);
    EXPECT_TRUE(registered) << name;
    return reinterpret_cast<intptr_t>(result) != 0;
}

bool Set(ReaProject* project, const char* key, const char* value) {
    return Called("Murivo_SetSetting", {project, const_cast<char*>(key), const_cast<char*>(value)});
}

bool Choose(ReaProject* project, const char* path) {
    return Called("Murivo_ChoosePicture", {project, const_cast<char*>(path)});
}

// Through the bridge: what a script reads, or nothing when the call said false.
std::optional<std::string> Get(intptr_t project, const std::string& key) {
    sim::ScriptCallResult result = sim::CallScriptFunction("Murivo_GetSetting", {project, key});
    EXPECT_TRUE(result.called) << result.error;
    EXPECT_TRUE(result.faults.empty()) << result.faults.front();
    if (result.value == 0 || result.outputs.size() != 1) {
        return std::nullopt;
    }
    return result.outputs[0].second;
}

intptr_t Handle(ReaProject* project) {
    return reinterpret_cast<intptr_t>(project);
}

std::optional<std::string> Stored(ReaProject* project, const std::string& key) {
    return sim::ExtStateValue(project, "Murivo", key);
}

class ScriptFunctions : public SimulatedHost {
  protected:
    void SetUp() override {
        SimulatedHost::SetUp();
        ASSERT_EQ(Load(), 1);
        sim::TickTimers();
        current_ = sim::CurrentProject();
        other_ = sim::ProjectAt(sim::CurrentProjectIndex() == 0 ? 1 : 0);
        Output();
    }
    void TearDown() override {
        SimulatedHost::TearDown();
        RemoveTestPictures();
    }

    ReaProject* current_ = nullptr;
    ReaProject* other_ = nullptr;
};

} // namespace

TEST_F(ScriptFunctions, SettingsAreReadAndWrittenInTheirStoredFormOnly) {
    EXPECT_EQ(sim::CallScriptFunction("Murivo_GetVersion", {}).text, MURIVO_VERSION_TEXT);
    const std::pair<const char*, const char*> defaults[] = {
        {"path", ""},
        {"enabled", "0"},
        {"opacity_permille", "350"},
        {"mode", "cover"},
        {"tint_rgb", "60A0FF"},
        {"tint_permille", "0"},
        {"grayscale", "0"},
        {"audio_item_transparency_permille", "0"},
        {"midi_item_transparency_permille", "0"},
        {"anchor", "center"},
        {"blur_permille", "0"},
        {"time_selection_permille", "0"},
        {"midi_editor", "0"},
    };
    for (const auto& [key, value] : defaults) {
        EXPECT_EQ(Get(0, key), value) << key;
    }
    EXPECT_TRUE(Set(nullptr, "opacity_permille", "500"));
    EXPECT_EQ(Stored(current_, "opacity_permille"), "500");
    EXPECT_TRUE(sim::IsProjectDirty(current_));
    EXPECT_EQ(Get(0, "opacity_permille"), "500");
    // The MIDI editor's toggle button follows a script's change.
    const int midi_editor = sim::CommandIdFor("MURIVOMIDIEDITOR");
    EXPECT_TRUE(Set(nullptr, "midi_editor", "1"));
    EXPECT_EQ(Stored(current_, "midi_editor"), "1");
    EXPECT_EQ(sim::QueryToggleState(midi_editor), 1);
    EXPECT_EQ(sim::ToolbarRefreshes().back(), (std::pair{0, midi_editor}));
    EXPECT_TRUE(Output().empty());

    // Each refused with one line, and nothing written.
    const int writes = sim::HostCallCount("SetProjExtState");
    const std::string too_long(131072, '1');
    const struct {
        const char* key;
        const char* value;
    } refused[] = {
        {"opacity", "500"},
        {"OPACITY_PERMILLE", "500"},
        {"opacity_permille", "1001"},
        {"opacity_permille", "-1"},
        {"opacity_permille", "0500"},
        {"opacity_permille", " 500"},
        {"opacity_permille", "50.0"},
        {"opacity_permille", ""},
        {"mode", "Cover"},
        {"tint_rgb", "ffa060"},
        {"tint_rgb", "#60A0FF"},
        {"enabled", "1"}, // no picture
        {"grayscale", "yes"},
        {"midi_editor", "true"},
        {"anchor", "middle"},
        {"opacity_permille", "5\n00"},
        {"path", "\xC3("},
        {"path", too_long.c_str()},
        {"relative_path", "x.png"},
        {nullptr, "500"},
        {"opacity_permille", nullptr},
    };
    for (const auto& [key, value] : refused) {
        const std::string label = std::string(key ? key : "(null)") + " = " +
                                  (value ? std::string(value).substr(0, 16) : "(null)");
        EXPECT_FALSE(Set(nullptr, key, value)) << label;
        EXPECT_EQ(Output().size(), 1u) << label;
    }
    EXPECT_FALSE(Get(0, "opacity"));
    EXPECT_EQ(Output().size(), 1u);
    EXPECT_EQ(sim::HostCallCount("SetProjExtState"), writes);
    EXPECT_EQ(Get(0, "opacity_permille"), "500");

    // Another tab is written, not shown; a pointer the host does not know is refused.
    EXPECT_TRUE(Set(other_, "mode", "tile"));
    EXPECT_EQ(Get(Handle(other_), "mode"), "tile");
    EXPECT_EQ(Get(0, "mode"), "cover");
    int not_a_project = 0;
    ReaProject* unknown = reinterpret_cast<ReaProject*>(&not_a_project);
    EXPECT_FALSE(Set(unknown, "mode", "tile"));
    EXPECT_FALSE(Get(Handle(unknown), "mode"));
    EXPECT_FALSE(Choose(unknown, "C:\\x.png"));
    EXPECT_EQ(Output().size(), 3u);
    EXPECT_GT(sim::HostCallCount("ValidatePtr2"), 0);

    // Unloaded, nothing is offered; a host without ValidatePtr2 has its tabs walked instead.
    Unload();
    EXPECT_EQ(sim::ActiveRegistration("APIvararg_Murivo_SetSetting"), nullptr);
    EXPECT_EQ(sim::ActiveRegistration("APIdef_Murivo_GetSetting"), nullptr);
    EXPECT_FALSE(sim::CallScriptFunction("Murivo_GetVersion", {}).called);
    // A refused registration costs that one only, and is never undone.
    sim::WithholdHostFunction("ValidatePtr2");
    sim::RefuseRegistration("APIdef_Murivo_SetSetting");
    const int validations = sim::HostCallCount("ValidatePtr2");
    ASSERT_EQ(Load(), 1);
    EXPECT_TRUE(ContainsEntry(Output(), "Unable to offer Murivo_SetSetting to scripts.\n"));
    EXPECT_TRUE(Set(other_, "mode", "contain"));
    EXPECT_EQ(Stored(other_, "mode"), "contain");
    EXPECT_FALSE(Set(unknown, "mode", "contain"));
    EXPECT_EQ(sim::HostCallCount("ValidatePtr2"), validations);
    Unload();
    EXPECT_EQ(sim::RegistrationLogFor("APIdef_Murivo_SetSetting").size(), 3u); // on, off, refused
    EXPECT_EQ(sim::ActiveRegistrationCount(), 0);
}

TEST_F(ScriptFunctions, OutputBuffersAreNeverOverrunAndTerminatedWheneverTheyCanBe) {
    constexpr size_t kBuffer = 64;
    const struct {
        intptr_t size;
        bool result;
        const char* text; // null: the buffer is not touched
    } cases[] = {
        {0, false, nullptr},
        {-1, false, nullptr},
        {INT_MIN, false, nullptr},
        {1, false, ""},
        {3, false, ""},
        /* "350" + NUL */ {4, true, "350"},
        {INT_MAX, false, ""},
        {intptr_t(1) << 40, false, ""},
    };
    for (const auto& c : cases) {
        char buffer[kBuffer];
        std::memset(buffer, 'x', kBuffer);
        bool result = Called("Murivo_GetSetting", {nullptr, const_cast<char*>("opacity_permille"),
                                                   buffer, Slot(c.size)});
        EXPECT_EQ(result, c.result) << c.size;
        EXPECT_EQ(Output().size(), c.result ? 0u : 1u) << c.size;
        std::string expected =
            c.text != nullptr ? std::string(c.text, std::strlen(c.text) + 1) : "";
        expected.resize(kBuffer, 'x');
        EXPECT_EQ(std::string(buffer, kBuffer), expected) << c.size;
    }
    EXPECT_FALSE(
        Called("Murivo_GetSetting", {nullptr, const_cast<char*>("mode"), nullptr, Slot(16)}));
    EXPECT_FALSE(Called("Murivo_GetSetting", {nullptr, const_cast<char*>("mode")}));
    EXPECT_FALSE(Called("Murivo_SetSetting", {}));
    EXPECT_EQ(Output().size(), 3u);

    // A value as long as a path may be comes back whole when the buffer holds it.
    std::string picture = NarrowPath(TestPicturePath(std::string(200, 'p') + ".png"));
    ASSERT_TRUE(Set(other_, "path", picture.c_str()));
    EXPECT_EQ(Get(Handle(other_), "path"), picture);
    sim::ScriptCallResult small =
        sim::CallScriptFunction("Murivo_GetSetting", {Handle(other_), std::string("path")}, 64);
    EXPECT_EQ(small.value, 0);
    ASSERT_EQ(small.outputs.size(), 1u);
    EXPECT_EQ(small.outputs[0].second, "");
    EXPECT_TRUE(small.faults.empty());
}

TEST_F(ScriptFunctions, AScriptedChangeIsInTheNextFrame) {
    const std::string picture =
        NarrowPath(WriteTestPicture("gradient.png", 320, 240, &GradientPixel));
    ASSERT_TRUE(Choose(nullptr, picture.c_str()));
    ASSERT_EQ(CountStartingWith(TickUntilSaid(kShownStart), kShownStart), 1);
    EXPECT_EQ(Stored(current_, "enabled"), "1");
    sim::RedrawArrange();
    const Pixels before = ArrangeScreen();
    ASSERT_FALSE(before.empty());
    ASSERT_TRUE(Set(nullptr, "opacity_permille", "900"));
    const Pixels after = ArrangeScreen(); // no host paint, no timer tick since
    EXPECT_NE(after, before);
    sim::RedrawArrange();
    EXPECT_EQ(ArrangeScreen(), after) << "the host's own next frame shows it the same";
}

TEST_F(ScriptFunctions, AScriptCanNeverAllowAPictureOnAnotherComputer) {
    const char* const server = "\\\\server\\share\\x.png";
    const int writes = sim::HostCallCount("SetProjExtState");
    for (const char* path :
         {server, "\\\\?\\UNC\\server\\share\\x.png", "\\\\.\\COM1", "C:\\dir\\NUL.png"}) {
        EXPECT_FALSE(Set(nullptr, "path", path)) << path;
        EXPECT_FALSE(Choose(nullptr, path)) << path;
        EXPECT_EQ(Output().size(), 2u) << path;
    }
    // The chooser hands over whole paths only.
    EXPECT_FALSE(Choose(nullptr, "x.png"));
    EXPECT_FALSE(Choose(nullptr, ""));
    EXPECT_EQ(Output().size(), 2u);
    EXPECT_EQ(sim::HostCallCount("SetProjExtState"), writes);
    EXPECT_EQ(sim::GlobalExtStateValue("Murivo", "network_pictures"), std::nullopt);

    // Chosen by the user on this computer, a script may name it (on a tab not shown, so that
    // nothing tries to reach the server).
    sim::PutGlobalExtStateValue("Murivo", "network_pictures", server);
    EXPECT_TRUE(Set(other_, "path", server));
    EXPECT_TRUE(Choose(other_, "\\\\SERVER\\share/x.png"));
    EXPECT_EQ(Stored(other_, "path"), "\\\\SERVER\\share/x.png");
    EXPECT_EQ(Stored(other_, "enabled"), "1");
    EXPECT_EQ(sim::GlobalExtStateValue("Murivo", "network_pictures"), server);
}

TEST_F(ScriptFunctions, ChoosingAPictureThatCannotBeLoadedWarnsAsTheCommandDoes) {
    ASSERT_TRUE(Set(nullptr, "opacity_permille", "500"));
    const std::u16string broken = TestPicturePath("broken.png");
    WriteTestPicture("folder.png", 8, 8, &GradientPixel); // makes the test folder
    FILE* out = _wfopen(reinterpret_cast<const wchar_t*>(broken.c_str()), L"wb");
    ASSERT_NE(out, nullptr);
    std::fputs("text, not a picture", out);
    std::fclose(out);
    int warnings = 0;
    WhenDialogAppears(L"Murivo", [&](HWND box) {
        ++warnings;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    EXPECT_TRUE(Choose(nullptr, NarrowPath(broken).c_str()));
    {
        DialogWatchdog watchdog(20000);
        TickUntilSaid("Wallpaper image unavailable", 10000);
        EXPECT_FALSE(watchdog.Fired());
    }
    EXPECT_EQ(TakeUnseenDialogs(), 0);
    EXPECT_EQ(warnings, 1);
    EXPECT_EQ(Stored(current_, "path"), NarrowPath(broken));
    EXPECT_EQ(Stored(current_, "enabled"), "0");
    EXPECT_EQ(Stored(current_, "opacity_permille"), "500");
}
