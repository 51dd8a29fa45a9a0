// The "Choose wallpaper" command with the system's file dialog driven by the test.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "file_chooser_rules.h"
#include "global_ext_state.h"
#include "host_functions.h"
#include "host_windows.h"
#include "projects.h"
#include "registrations.h"
#include "support/modal_driver.h"
#include "support/sim_fixture.h"

namespace {

class ChooseCommand : public SimulatedHost {
  protected:
    void SetUp() override {
        SimulatedHost::SetUp();
        ASSERT_EQ(Load(), 1);
        sim::TickTimers();
    }
    void Run() {
        DialogWatchdog watchdog(20000);
        EXPECT_TRUE(sim::DispatchCommand(sim::CommandIdFor("MURIVOCHOOSE")));
        EXPECT_EQ(TakeUnseenDialogs(), 0);
        EXPECT_FALSE(watchdog.Fired());
    }
};

} // namespace

TEST_F(ChooseCommand, CancelChangesNothingAndRedrawsNothing) {
    sim::PutExtStateValue(sim::CurrentProject(), "Murivo", "opacity_permille", "500");
    int writes = sim::HostCallCount("SetProjExtState");
    size_t refreshes = sim::ToolbarRefreshes().size();
    int paints = sim::ArrangePaintCount();
    WhenDialogAppears(L"Open",
                      [](HWND chooser) { PostMessageW(chooser, WM_COMMAND, IDCANCEL, 0); });
    Run();
    EXPECT_EQ(sim::HostCallCount("SetProjExtState"), writes);
    EXPECT_EQ(sim::ToolbarRefreshes().size(), refreshes);
    EXPECT_EQ(sim::ArrangePaintCount(), paints);
}

TEST_F(ChooseCommand, UnloadableFileIsStoredDisabledWithOneWarning) {
    std::wstring broken = TempPath(L"murivo-choose-broken.png");
    FILE* out = _wfopen(broken.c_str(), L"wb");
    ASSERT_NE(out, nullptr);
    std::fputs("text, not a picture", out);
    std::fclose(out);
    sim::PutExtStateValue(sim::CurrentProject(), "Murivo", "opacity_permille", "500");
    int warnings = 0;
    std::wstring warning_text;
    WhenDialogAppears(L"Open", [&](HWND chooser) {
        // The file name box of the explorer-style dialog (cmb13), or the old edit box (edt1).
        if (!SetDlgItemTextW(chooser, 0x47C, broken.c_str())) {
            SetDlgItemTextW(chooser, 0x480, broken.c_str());
        }
        PostMessageW(chooser, WM_COMMAND, IDOK, 0);
    });
    Run();
    // Loaded in the background: the warning comes on the timer once the load has failed.
    WhenDialogAppears(L"Murivo", [&](HWND box) {
        ++warnings;
        wchar_t text[256] = {};
        GetDlgItemTextW(box, 0xFFFF, text, 256);
        warning_text = text;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    {
        DialogWatchdog watchdog(20000);
        TickUntilSaid("Wallpaper image unavailable", 10000);
        EXPECT_FALSE(watchdog.Fired());
    }
    EXPECT_EQ(TakeUnseenDialogs(), 0);
    ReaProject* project = sim::CurrentProject();
    std::string stored = sim::ExtStateValue(project, "Murivo", "path").value_or("");
    EXPECT_NE(stored.find("murivo-choose-broken.png"), std::string::npos) << stored;
    EXPECT_EQ(sim::ExtStateValue(project, "Murivo", "enabled"), "0");
    EXPECT_EQ(sim::ExtStateValue(project, "Murivo", "opacity_permille"), "500");
    EXPECT_EQ(warnings, 1);
    EXPECT_EQ(warning_text,
              L"This image could not be loaded. Wallpaper was disabled for this project.");
}

// The command never offers the current picture's name; it starts in its folder only when that
// picture may be opened, else in the project's folder or Pictures, and lists no other computer.
TEST_F(ChooseCommand, StartsBesideTheShownPictureOnlyWhenItMayBeOpened) {
    const std::wstring pictures = PicturesFolder();
    struct Case {
        const char* path;
        bool chosen_here;
        std::wstring folder;
        size_t contacts;
    };
    const Case cases[] = {
        {"C:\\pictures\\x.png", false, L"C:\\pictures", 0},
        {"C:\\x.png", false, L"C:\\", 0},
        {"\\\\server\\share\\x.png", false, pictures, 0},
        {"\\\\server\\share\\x.png", true, L"\\\\server\\share", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        sim::ResetGlobalExtState();
        if (c.chosen_here) {
            sim::PutGlobalExtStateValue("Murivo", "network_pictures", c.path);
        }
        sim::PutExtStateValue(sim::CurrentProject(), "Murivo", "path", c.path);
        sim::ResetChooserAccounting();
        CancelChooserWhenItAppears();
        Run();
        const std::vector<sim::ChooserRequest> requests = sim::ChooserRequests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].initial_folder, c.folder);
        EXPECT_EQ(requests[0].initial_name, L"");
        EXPECT_EQ(sim::ChooserContacts().size(), c.contacts);
    }
}
