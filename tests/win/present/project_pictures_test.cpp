// The picture of a project as people meet it: a project moved to another folder, a picture
// rewritten by an editor, a project from someone else naming devices and servers, and one
// default wallpaper for every project without its own. The extension's file opens are counted
// through its own imports.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "base/version.h"
#include "extension_module.h"
#include "file_open_accounting.h"
#include "global_ext_state.h"
#include "host_windows.h"
#include "projects.h"
#include "registrations.h"
#include "support/arrange_pixels.h"
#include "support/modal_driver.h"
#include "support/picture_files.h"
#include "support/sim_fixture.h"
#include "text_file.h"

namespace {

const std::string kLoaded = "Wallpaper loaded: 320 x 240\n";
const std::string kUnavailable = "Wallpaper image unavailable; disabled for this project.\n";
const std::string kUnreachable = "Wallpaper cannot be reached now; the project is kept as it is "
                                 "and the picture shown once it can be.\n";
constexpr int kPathEdit = 1001, kDefaultCheck = 1042, kSourceNote = 1043, kAboutSourceNote = 1044;

class ProjectPictures : public SimulatedHost {
  protected:
    void SetUp() override {
        SimulatedHost::SetUp();
        ASSERT_FALSE(sim::StartFileOpenAccounting(sim::ExtensionModule()).empty());
        sim::ResetFileOpens();
    }
    void TearDown() override {
        sim::StopFileOpenAccounting();
        SimulatedHost::TearDown();
        RemoveTestPictures();
    }

    static ReaProject* Project(int index) { return sim::ProjectAt(index); }
    static void Store(int project, const std::string& key, const std::string& value) {
        sim::PutExtStateValue(Project(project), "Murivo", key, value);
    }
    static std::string Stored(int project, const std::string& key) {
        return sim::ExtStateValue(Project(project), "Murivo", key).value_or("(none)");
    }
    // A project file in the test folder, as the host reports a saved project.
    static void SaveProjectInTestFolder(int project, const std::string& name) {
        sim::SetProjectPath(Project(project), NarrowPath(TestPicturePath(name)));
    }
    static void SwitchTo(int project) {
        sim::SetCurrentProject(project);
        sim::TickTimers();
    }
    // Switches and runs the timer until a line starting with until is said; everything said.
    static std::vector<std::string> SwitchTo(int project, const std::string& until,
                                             int timeout_ms = 10000) {
        sim::SetCurrentProject(project);
        return TickUntilSaid(until, timeout_ms);
    }
    // Long enough for the 250 ms settings tick to be due.
    static void SettingsTick() {
        Sleep(300);
        sim::TickTimers();
    }
    // Loads and runs the timer until a line starting with until is said (the banner of the
    // attach when empty); everything said.
    std::vector<std::string> Attach(const std::string& until = kShownStart) {
        EXPECT_EQ(Load(), 1);
        return TickUntilSaid(until, 10000);
    }
    static bool Opened(const std::wstring& name) {
        for (const std::wstring& opened : sim::FileOpens()) {
            if (opened == name) {
                return true;
            }
        }
        return false;
    }
};

} // namespace

TEST_F(ProjectPictures, MovedProjectShowsThePictureBesideItWithoutBeingModified) {
    WriteTestPicture("beside.png", 320, 240, GradientPixel);
    CreateDirectoryA(NarrowPath(TestPicturePath("art")).c_str(), nullptr);
    WriteTestPicture("art\\deep.png", 320, 240, GradientPixel);
    SaveProjectInTestFolder(0, "First.RPP");
    SaveProjectInTestFolder(1, "Second.RPP");
    // The first project's picture kept its name; the second one's sits in a subfolder.
    Store(0, "path", "C:\\gone\\beside.png");
    Store(0, "enabled", "1");
    Store(1, "path", "C:\\gone\\renamed.png");
    Store(1, "relative_path", "art\\deep.png");
    Store(1, "enabled", "1");

    EXPECT_TRUE(ContainsEntry(Attach(), kLoaded));
    EXPECT_TRUE(ContainsEntry(SwitchTo(1, kShownStart), kLoaded));
    for (int project : {0, 1}) {
        EXPECT_FALSE(sim::IsProjectDirty(Project(project))) << project;
        EXPECT_EQ(Stored(project, "enabled"), "1") << project;
    }

    // An unsaved project has no folder to look in: switched off as before, with the loader's
    // line, and the stored path opened once only.
    sim::SetProjectPath(Project(1), "");
    SwitchTo(0);
    sim::ResetFileOpens();
    const std::vector<std::string> lines = SwitchTo(1, kUnavailable);
    EXPECT_TRUE(ContainsEntry(lines, "Wallpaper file not found.\n"));
    EXPECT_TRUE(ContainsEntry(lines, kUnavailable));
    EXPECT_EQ(Stored(1, "enabled"), "0");
    const std::vector<std::wstring> opens = sim::FileOpens();
    EXPECT_EQ(std::count(opens.begin(), opens.end(), L"C:\\gone\\renamed.png"), 1);

    DeleteFileW(reinterpret_cast<const wchar_t*>(TestPicturePath("art\\deep.png").c_str()));
    RemoveDirectoryW(reinterpret_cast<const wchar_t*>(TestPicturePath("art").c_str()));
}

TEST_F(ProjectPictures, RewrittenPictureIsShownSoonAndAHalfWrittenOneKeepsTheOld) {
    const std::u16string path = WriteTestPicture("live.png", 320, 240, GradientPixel);
    Store(0, "path", NarrowPath(path));
    Store(0, "enabled", "1");
    ASSERT_TRUE(ContainsEntry(Attach(), kLoaded));
    const Pixels shown = ArrangeScreen();

    // An editor caught half-way: the first bytes of a picture only.
    HANDLE file = CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), GENERIC_WRITE, 0,
                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const char header[] = "\x89PNG\r\n\x1a\n\0\0\0\rIHDR";
    DWORD written = 0;
    WriteFile(file, header, sizeof header - 1, &written, nullptr);
    CloseHandle(file);
    for (int i = 0; i < 4; ++i) {
        SettingsTick();
    }
    EXPECT_EQ(Output().size(), 1u); // the decoder's one line, not one per tick
    EXPECT_EQ(ArrangeScreen(), shown);
    EXPECT_EQ(Stored(0, "enabled"), "1");

    // Saved over and over, every 100 ms for 1.5 s: not read while it keeps changing.
    int loads = 0;
    for (int i = 0; i < 15; ++i) {
        WriteTestPicture("live.png", 100 + i, 100, GradientPixel);
        Sleep(100);
        sim::TickTimers();
        loads += CountStartingWith(Output(), kShownStart);
    }
    EXPECT_LE(loads, 1);

    WriteTestPicture("live.png", 200, 100, [](int, int) { return 0x00FF8000u; });
    // Read again once it has stayed the same a little while.
    EXPECT_TRUE(ContainsEntry(TickUntilSaid(kShownStart, 10000), "Wallpaper loaded: 200 x 100\n"));
    EXPECT_NE(ArrangeScreen(), shown);
}

TEST_F(ProjectPictures, DevicesAndOtherComputersFromAProjectAreNotOpenedUntilChosenHere) {
    Attach("");
    // Devices by prefix, by a device name before a colon or spaces, bare volumes, another
    // computer, and paths that are not absolute in a project without a folder: nothing is
    // opened or looked at, one line each, and the project keeps its choice.
    const std::string paths[] = {"\\\\.\\COM1",
                                 "\\\\?\\GLOBALROOT\\Device\\Null",
                                 "C:\\dir\\NUL:x.png",
                                 "C:\\dir\\COM1:x.png",
                                 "C:\\dir\\CON :x.png",
                                 "C:COM1:x",
                                 "C:\\dir\\com1 .png",
                                 "\\\\?\\C:",
                                 "\\??\\C:",
                                 "pic.png",
                                 "\\dir\\pic.png",
                                 "C:pic.png",
                                 "\\\\server\\share\\x.png",
                                 "\\\\?\\UNC\\server\\share\\x.png"};
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        SwitchTo(1);
        Output();
        sim::ResetFileOpens();
        Store(0, "path", path);
        Store(0, "enabled", "1");
        const std::vector<std::string> lines = SwitchTo(0, "");
        SettingsTick();
        EXPECT_TRUE(sim::FileOpens().empty()) << sim::WideToUtf8(sim::FileOpens().front());
        EXPECT_EQ(lines.size() + Output().size(), 1u);
        EXPECT_EQ(Stored(0, "enabled"), "1");
        EXPECT_FALSE(sim::IsProjectDirty(Project(0)));
    }

    // Chosen on this computer (remembered in the host's global state): now it is tried.
    sim::PutGlobalExtStateValue("Murivo", "network_pictures", "\\\\server\\share\\x.png");
    SwitchTo(1);
    Store(0, "path", "\\\\server\\share\\x.png");
    SwitchTo(0, kUnreachable);
    EXPECT_TRUE(Opened(L"\\\\server\\share\\x.png"));

    // A local name that is a link to another computer: opened, seen to lie there and not read,
    // until where it leads is chosen here.
    const std::u16string linked = WriteTestPicture("linked.png", 320, 240, GradientPixel);
    const std::u16string folder = TestPicturePath("");
    sim::RewriteFinalPaths(L"\\\\?\\" + std::wstring(folder.begin(), folder.end()),
                           L"\\\\?\\UNC\\server\\share\\");
    for (bool chosen : {false, true}) {
        SwitchTo(1);
        Output();
        Store(0, "path", NarrowPath(linked));
        const std::vector<std::string> lines =
            SwitchTo(0, chosen ? kShownStart : "Wallpaper file lies");
        EXPECT_EQ(ContainsEntry(lines, kLoaded), chosen);
        EXPECT_EQ(ContainsEntry(lines, "Wallpaper file lies on another computer; not read. Choose "
                                       "it on this computer to allow it.\n"),
                  !chosen);
        EXPECT_EQ(Stored(0, "enabled"), "1");
        EXPECT_FALSE(sim::IsProjectDirty(Project(0)));
        sim::PutGlobalExtStateValue("Murivo", "network_pictures", "\\\\server\\share\\linked.png");
    }
}

TEST_F(ProjectPictures, UnreachablePictureKeepsTheProjectAndShowsOnceItCanBeReached) {
    WriteTestPicture("shared.png", 320, 240, GradientPixel);
    Attach("");
    // An unplugged drive (its root cannot be listed) and a server that is down: one line, no
    // picture, the project unchanged, and the picture shown once it can be reached again.
    sim::FailOpensBelow(L"Q:\\", ERROR_PATH_NOT_FOUND);
    const std::string share = "\\\\server\\share\\shared.png";
    sim::PutGlobalExtStateValue("Murivo", "network_pictures", share);
    for (const std::string& path : {std::string("Q:\\pics\\shared.png"), share}) {
        SCOPED_TRACE(path);
        SwitchTo(1);
        Output();
        Store(0, "path", path);
        Store(0, "enabled", "1");
        std::vector<std::string> lines = SwitchTo(0, kUnreachable);
        for (int i = 0; i < 6; ++i) {
            SettingsTick(); // retried meanwhile, quietly
        }
        for (std::string& line : Output()) {
            lines.push_back(std::move(line));
        }
        EXPECT_EQ(lines, std::vector<std::string>{kUnreachable});
        EXPECT_EQ(Stored(0, "enabled"), "1");
        EXPECT_FALSE(sim::IsProjectDirty(Project(0)));
    }
    const Pixels without = ArrangeScreen();
    const std::u16string folder = TestPicturePath("");
    sim::ServeShare(L"\\\\server\\share\\", std::wstring(folder.begin(), folder.end()));
    TickUntilSaid(kShownStart, 20000);
    EXPECT_NE(ArrangeScreen(), without);
    EXPECT_EQ(Stored(0, "enabled"), "1");
    EXPECT_FALSE(sim::IsProjectDirty(Project(0)));
}

TEST_F(ProjectPictures, DefaultWallpaperShowsWhereAProjectHasNoneAndRemoveKeepsItAway) {
    const std::u16string path = WriteTestPicture("default.png", 320, 240, GradientPixel);
    Store(0, "path", NarrowPath(path));
    Store(0, "enabled", "1");
    Attach();
    const int use_as_default = sim::CommandIdFor("MURIVODEFAULT");
    ASSERT_NE(use_as_default, 0);
    EXPECT_EQ(sim::QueryToggleState(use_as_default), 0);
    EXPECT_TRUE(sim::DispatchCommand(use_as_default));
    EXPECT_EQ(sim::GlobalExtStateValue("Murivo", "default_path"), NarrowPath(path));
    EXPECT_TRUE(sim::IsGlobalExtStatePersisted("Murivo", "default_path"));
    EXPECT_EQ(sim::QueryToggleState(use_as_default), 1);

    Output();
    EXPECT_TRUE(ContainsEntry(SwitchTo(1, kShownStart), kLoaded));
    EXPECT_TRUE(sim::ExtStateSection(Project(1), "Murivo").empty());
    EXPECT_FALSE(sim::IsProjectDirty(Project(1)));

    EXPECT_TRUE(sim::DispatchCommand(sim::CommandIdFor("MURIVOREMOVE")));
    EXPECT_EQ(Stored(1, "enabled"), "0");
    EXPECT_TRUE(sim::IsProjectDirty(Project(1)));
    SwitchTo(0);
    Output();
    EXPECT_FALSE(ContainsEntry(SwitchTo(1, kShownStart, 1500), kLoaded));

    SwitchTo(0);
    EXPECT_TRUE(sim::DispatchCommand(use_as_default));
    EXPECT_EQ(sim::GlobalExtStateValue("Murivo", "default_path"), std::nullopt);
}

TEST_F(ProjectPictures, DialogsSayWhereThePictureCameFromAndTheSettingsSetTheDefault) {
    WriteTestPicture("beside.png", 320, 240, GradientPixel);
    SaveProjectInTestFolder(0, "First.RPP");
    Store(0, "path", "C:\\gone\\beside.png");
    Store(0, "enabled", "1");
    Attach();
    DialogWatchdog watchdog(15000);
    std::wstring about_note;
    WhenDialogAppears(L"About Murivo " MURIVO_VERSION_TEXT, [&](HWND dialog) {
        about_note = ControlText(dialog, kAboutSourceNote);
        SendMessageW(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_TRUE(sim::DispatchCommand(sim::CommandIdFor("MURIVOABOUT")));
    std::wstring note;
    std::vector<std::optional<std::string>> defaults;
    bool dirty_before_typing = true;
    WhenDialogAppears(L"Murivo settings", [&](HWND dialog) {
        note = ControlText(dialog, kSourceNote);
        Click(dialog, kDefaultCheck);
        defaults.push_back(sim::GlobalExtStateValue("Murivo", "default_path"));
        Click(dialog, kDefaultCheck);
        defaults.push_back(sim::GlobalExtStateValue("Murivo", "default_path"));
        dirty_before_typing = sim::IsProjectDirty(Project(0));
        // A picture typed in, inside the project's folder: stored relative to it as well.
        SetControlText(dialog, kPathEdit,
                       sim::Utf8ToWide(NarrowPath(TestPicturePath("beside.png"))));
        SendKillFocus(dialog, kPathEdit);
        SendMessageW(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_TRUE(sim::DispatchCommand(sim::CommandIdFor("MURIVOSETTINGS")));
    EXPECT_EQ(TakeUnseenDialogs(), 0);
    EXPECT_FALSE(watchdog.Fired());
    EXPECT_TRUE(note.starts_with(L"Found beside the project: ")) << sim::WideToUtf8(note);
    EXPECT_EQ(about_note, note);
    ASSERT_EQ(defaults.size(), 2u);
    EXPECT_EQ(defaults[0], "C:\\gone\\beside.png");
    EXPECT_EQ(defaults[1], std::nullopt);
    EXPECT_FALSE(dirty_before_typing);
    EXPECT_EQ(Stored(0, "relative_path"), "beside.png");
}

// A server that holds each open: the host's thread goes on (ticks return while the read is
// still held), the view keeps the picture it shows until the new one is ready, a picture on
// another computer is looked at again only every few seconds, and an unload in the middle of a
// held read returns at once, leaving the read to finish on its own.
TEST_F(ProjectPictures, AServerThatHoldsItsOpensNeverHoldsTheHost) {
    WriteTestPicture("first.png", 320, 240, GradientPixel);
    WriteTestPicture("second.png", 320, 240, [](int, int) { return 0x00FF8000u; });
    Store(0, "path", NarrowPath(TestPicturePath("first.png")));
    Store(0, "enabled", "1");
    ASSERT_TRUE(ContainsEntry(Attach(), kLoaded));
    const Pixels first = ArrangeScreen();

    const std::string remote = "\\\\server\\share\\second.png";
    const std::u16string folder = TestPicturePath("");
    sim::ServeShare(L"\\\\server\\share\\", std::wstring(folder.begin(), folder.end()));
    sim::PutGlobalExtStateValue("Murivo", "network_pictures", remote);
    sim::HoldOpensBelow(L"\\\\server\\", 20000);
    Store(0, "path", remote);
    for (int i = 0; i < 200 && sim::HeldOpensWaiting() == 0; ++i) {
        SettingsTick();
    }
    ASSERT_EQ(sim::HeldOpensWaiting(), 1) << "the tick returned only once the open answered";
    sim::RedrawArrange();
    EXPECT_EQ(ArrangeScreen(), first) << "the shown picture stays while the new one loads";
    sim::ReleaseHeldOpens();
    ASSERT_TRUE(ContainsEntry(TickUntilSaid(kShownStart, 10000), kLoaded));
    EXPECT_NE(ArrangeScreen(), first);

    // Shown from another computer: its file is looked at once in these two seconds at most.
    sim::ResetFileOpens();
    for (int i = 0; i < 6; ++i) {
        SettingsTick();
    }
    const std::vector<std::wstring> opens = sim::FileOpens();
    EXPECT_LE(std::count(opens.begin(), opens.end(), L"\\\\server\\share\\second.png"), 1);

    // Read again from a server that holds it, and unloaded meanwhile.
    sim::HoldOpensBelow(L"\\\\server\\", 20000);
    SwitchTo(1);
    Output();
    SwitchTo(0);
    for (int i = 0; i < 200 && sim::HeldOpensWaiting() == 0; ++i) {
        sim::TickTimers();
        Sleep(5);
    }
    ASSERT_EQ(sim::HeldOpensWaiting(), 1);
    EXPECT_EQ(Unload(), 0);
    EXPECT_EQ(sim::HeldOpensWaiting(), 1) << "the unload waited for the read";
    EXPECT_TRUE(
        ContainsEntry(Output(), "Picture thread still reading; left to finish on its own.\n"));
    sim::ReleaseHeldOpens();
    for (int i = 0; i < 200 && sim::HeldOpensWaiting() > 0; ++i) {
        Sleep(5);
    }
}
