// Loading and unloading the extension through the simulated host: version and binding checks,
// what is reported, and the order in which registrations are made and undone.
#include <gtest/gtest.h>
#include <windows.h>

#include <thread>

#include "base/command_ids.h"
#include "base/host_api.h"
#include "bitblt_threads.h"
#include "extension_module.h"
#include "host_functions.h"
#include "import_slot.h"
#include "registrations.h"
#include "support/sim_fixture.h"

namespace {

using PluginEntry = SimulatedHost;

std::vector<std::string> Names(const std::vector<sim::Registration>& log, size_t from = 0) {
    std::vector<std::string> names;
    for (size_t i = from; i < log.size(); ++i) {
        names.push_back(log[i].name);
    }
    return names;
}

const char* const kRequired[] = {"plugin_register", "EnumProjects", "GetProjExtState",
                                 "SetProjExtState", "GetThemeColor"};

TEST_F(PluginEntry, OtherInterfaceVersionsAreRefusedWithoutLookingAnythingUp) {
    for (int version : {kHostInterfaceVersion - 1, kHostInterfaceVersion + 1}) {
        EXPECT_EQ(Load(version), 0) << version;
    }
    EXPECT_EQ(sim::LookupCallCount(), 0);
    EXPECT_TRUE(sim::RegistrationLog().empty());
    EXPECT_TRUE(Output().empty());
}

TEST_F(PluginEntry, MissingLookupIsReportedAndRefused) {
    EXPECT_EQ(sim::CallEntryLoad(kHostInterfaceVersion, false), 0);
    EXPECT_EQ(Output(), std::vector<std::string>{"REAPER API lookup unavailable.\n"});
    EXPECT_TRUE(sim::RegistrationLog().empty());
}

TEST_F(PluginEntry, OnlyRequiredFunctionsLoadAndReportTheFourOptionalOnesInOrder) {
    for (const char* name : kHostFunctionNames) {
        bool required = false;
        for (const char* r : kRequired) {
            required = required || std::string(name) == r;
        }
        if (!required) {
            sim::WithholdHostFunction(name);
        }
    }
    EXPECT_EQ(Load(), 1);
    EXPECT_EQ(sim::LookupCallCount(), kHostFunctionCount);
    std::vector<std::string> expected = {
        "MarkProjectDirty unavailable; project edits may need a manual save.\n",
        "RefreshToolbar2 unavailable; toolbar state may update later.\n",
        "GetPlayState unavailable; Stop correction uses paint/timer only.\n",
        "AddExtensionsMainMenu unavailable; actions remain in the Action List.\n",
        kLoadBanner,
        "Waiting for Arrange View...\n",
    };
    EXPECT_EQ(Output(), expected);
}

TEST_F(PluginEntry, MissingRequiredFunctionsAreAllReportedAndNothingRegisters) {
    sim::WithholdHostFunction("GetThemeColor");
    sim::WithholdHostFunction("EnumProjects");
    EXPECT_EQ(Load(), 0);
    std::vector<std::string> expected = {"Required REAPER API unavailable: EnumProjects.\n",
                                         "Required REAPER API unavailable: GetThemeColor.\n"};
    EXPECT_EQ(Output(), expected);
    EXPECT_EQ(sim::HostCallCount("plugin_register"), 0);
    EXPECT_TRUE(sim::RegistrationLog().empty());
}

TEST_F(PluginEntry, LoadPrintsBannerAndWaitsWithoutLookingForTheArrangeView) {
    EXPECT_EQ(Load(), 1);
    std::vector<std::string> expected = {kLoadBanner, "Waiting for Arrange View...\n"};
    EXPECT_EQ(Output(), expected);
    EXPECT_EQ(sim::HostCallCount("GetThemeColor"), 0);
}

TEST_F(PluginEntry, RegistersInOrderAndUndoesInReverseGroupsWithTheSamePointers) {
    ASSERT_EQ(Load(), 1);
    const std::vector<sim::Registration> loaded = sim::RegistrationLog();
    std::vector<std::string> script_names;
    for (const char* function :
         {"Murivo_GetSetting", "Murivo_SetSetting", "Murivo_ChoosePicture", "Murivo_GetVersion"}) {
        for (const char* prefix : {"API_", "APIdef_", "APIvararg_"}) {
            script_names.push_back(std::string(prefix) + function);
        }
    }
    std::vector<std::string> expected_load(kCommandCount, "custom_action");
    expected_load.insert(expected_load.end(), {"hookcommand2", "hookcommand", "toggleaction",
                                               "hookcustommenu", "timer"});
    expected_load.insert(expected_load.end(), script_names.begin(), script_names.end());
    ASSERT_EQ(Names(loaded), expected_load);
    for (const sim::Registration& entry : loaded) {
        EXPECT_NE(entry.result, 0) << entry.name;
    }
    EXPECT_EQ(loaded[0].result, sim::CommandIdFor("MURIVOCHOOSE"));
    EXPECT_EQ(loaded[2].result, sim::CommandIdFor("MURIVOTOGGLE"));

    EXPECT_EQ(Unload(), 0);
    const std::vector<sim::Registration>& log = sim::RegistrationLog();
    std::vector<std::string> expected_unload = {"-timer"};
    for (const std::string& name : script_names) {
        expected_unload.push_back("-" + name);
    }
    expected_unload.insert(expected_unload.end(),
                           {"-hookcustommenu", "-toggleaction", "-hookcommand2", "-hookcommand"});
    expected_unload.insert(expected_unload.end(), kCommandCount, "-custom_action");
    ASSERT_EQ(Names(log, loaded.size()), expected_unload);
    auto pointer_of = [&](const std::string& name) {
        for (const sim::Registration& entry : loaded) {
            if (entry.name == name) {
                return entry.pointer;
            }
        }
        return static_cast<void*>(nullptr);
    };
    const size_t named = expected_unload.size() - kCommandCount; // every one but the actions
    for (size_t i = loaded.size(); i < loaded.size() + named; ++i) {
        EXPECT_EQ(log[i].pointer, pointer_of(log[i].name.substr(1))) << log[i].name;
    }
    for (size_t i = 0; i < size_t(kCommandCount); ++i) {
        EXPECT_EQ(log[loaded.size() + named + i].pointer, loaded[i].pointer);
    }
    EXPECT_EQ(sim::ActiveRegistrationCount(), 0);
}

TEST_F(PluginEntry, RefusedTimerUndoesTheActionsButNeverUnregistersTheTimer) {
    sim::RefuseRegistration("timer");
    EXPECT_EQ(Load(), 0);
    EXPECT_TRUE(ContainsEntry(Output(), "Unable to register Murivo timer.\n"));
    EXPECT_EQ(sim::RegistrationLogFor("timer").size(), 1u); // the refused attempt only
    EXPECT_EQ(sim::RegistrationLogFor("custom_action").size(), 2u * kCommandCount);
    EXPECT_EQ(sim::ActiveRegistrationCount(), 0);
}

TEST_F(PluginEntry, RefusedThirdActionUnregistersTheTwoBeforeIt) {
    sim::RefuseRegistration("custom_action", 3);
    EXPECT_EQ(Load(), 0);
    EXPECT_TRUE(ContainsEntry(Output(), "Unable to register Murivo actions/menu.\n"));
    std::vector<sim::Registration> actions = sim::RegistrationLogFor("custom_action");
    ASSERT_EQ(actions.size(), 5u);
    EXPECT_EQ(actions[2].result, 0);
    EXPECT_EQ(actions[3].name, "-custom_action");
    EXPECT_EQ(actions[3].pointer, actions[0].pointer);
    EXPECT_EQ(actions[4].pointer, actions[1].pointer);
    EXPECT_TRUE(sim::RegistrationLogFor("timer").empty());
    EXPECT_EQ(sim::ActiveRegistrationCount(), 0);
}

TEST_F(PluginEntry, UnloadWithoutLoadRegistersNothing) {
    EXPECT_EQ(Unload(), 0);
    EXPECT_EQ(sim::HostCallCount("plugin_register"), 0);
    EXPECT_TRUE(sim::RegistrationLog().empty());
}

TEST_F(PluginEntry, SecondLoadAfterUnloadAttachesAfresh) {
    ASSERT_EQ(Load(), 1);
    sim::TickTimers();
    EXPECT_EQ(CountStartingWith(Output(), "Arrange background: "), 1);
    Unload();
    sim::TickTimers(); // nothing registered any more
    ASSERT_EQ(Load(), 1);
    EXPECT_EQ(sim::LookupCallCount(), 2 * kHostFunctionCount);
    Output();
    sim::TickTimers();
    std::vector<std::string> output = Output();
    EXPECT_EQ(CountStartingWith(output, "Arrange background: "), 1);
    EXPECT_EQ(CountStartingWith(output, kActiveBannerStart), 1);
}

// A thread that read the hooked slot just before the removal copies through that address after
// the host freed the module: the code must still be there and copy as gdi32 does. 0 when the
// module is gone (calling would crash), else the pixel the copy delivered.
COLORREF CopyThroughLateAddress(HMODULE module, void* hooked) {
    if (!sim::AddressInModule(module, hooked)) {
        return 0;
    }
    COLORREF copied = 0;
    std::thread late([&] {
        using Copy = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, DWORD);
        HDC screen = GetDC(nullptr);
        HDC source = CreateCompatibleDC(screen);
        HDC target = CreateCompatibleDC(screen);
        HBITMAP source_bitmap = CreateCompatibleBitmap(screen, 4, 4);
        HBITMAP target_bitmap = CreateCompatibleBitmap(screen, 4, 4);
        HGDIOBJ old_source = SelectObject(source, source_bitmap);
        HGDIOBJ old_target = SelectObject(target, target_bitmap);
        SetPixel(source, 2, 2, RGB(10, 200, 30));
        if (reinterpret_cast<Copy>(hooked)(target, 0, 0, 4, 4, source, 0, 0, SRCCOPY)) {
            copied = GetPixel(target, 2, 2);
        }
        SelectObject(source, old_source);
        SelectObject(target, old_target);
        DeleteObject(source_bitmap);
        DeleteObject(target_bitmap);
        DeleteDC(source);
        DeleteDC(target);
        ReleaseDC(nullptr, screen);
    });
    late.join();
    return copied;
}

// The host frees the module at once after the unload while its other threads go on copying
// through the import slot the hook held: none of them may find the code gone, even one that read
// the slot before the removal and calls only after the FreeLibrary.
TEST_F(PluginEntry, FreedAfterEachOfAHundredUnloadsWhileTwoThreadsCallBitBlt) {
    struct Threads {
        Threads() { sim::StartBitBltThreads(2, 0); }
        ~Threads() { sim::StopBitBltThreads(); }
    } threads;
    const int64_t calls_before = sim::BitBltThreadCalls();
    void** slot = sim::FindExecutableImportSlot("gdi32.dll", "BitBlt");
    ASSERT_NE(slot, nullptr);
    for (int cycle = 0; cycle < 100; ++cycle) {
        ASSERT_EQ(Load(), 1);
        sim::TickTimers(); // attaches: the hook goes into the slot
        ASSERT_EQ(sim::BitBltImportState(), "replaced") << "cycle " << cycle;
        void* hooked = *slot;
        HMODULE module = sim::ExtensionModule();
        Unload();
        sim::FreeExtensionModule();
        ASSERT_EQ(CopyThroughLateAddress(module, hooked), RGB(10, 200, 30)) << "cycle " << cycle;
        std::string error;
        ASSERT_TRUE(sim::LoadExtensionModule(sim::DefaultExtensionPath(), error)) << error;
    }
    sim::StopBitBltThreads();
    EXPECT_GT(sim::BitBltThreadCalls(), calls_before);
}

TEST_F(PluginEntry, ToggleWithoutPictureIsHandledAndChangesNothing) {
    ASSERT_EQ(Load(), 1);
    int toggle = sim::CommandIdFor("MURIVOTOGGLE");
    ASSERT_NE(toggle, 0);
    EXPECT_TRUE(sim::DispatchCommand(toggle));
    EXPECT_EQ(sim::QueryToggleState(toggle), 0);
    EXPECT_EQ(sim::QueryToggleState(sim::CommandIdFor("MURIVOCHOOSE")), -1);
    EXPECT_EQ(sim::HostCallCount("SetProjExtState"), 0);
    EXPECT_FALSE(sim::DispatchCommand(sim::kFirstCommandId + 999));
}

} // namespace
