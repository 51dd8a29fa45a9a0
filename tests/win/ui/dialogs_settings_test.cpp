// The settings dialog driven inside its own modal loop: controls, stored state, commit cadence.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "extension_module.h"
#include "file_chooser_rules.h"
#include "file_open_accounting.h"
#include "global_ext_state.h"
#include "host_functions.h"
#include "host_windows.h"
#include "projects.h"
#include "registrations.h"
#include "support/modal_driver.h"
#include "support/sim_fixture.h"

namespace {

constexpr int kClose = 2, kPathEdit = 1001, kBrowse = 1002, kEnable = 1003, kOpacity = 1004,
              kFit = 1005, kOpacityLabel = 1006, kCaption = 1007, kReset = 1009, kTintLabel = 1012,
              kGrayscale = 1016, kAnchor = 1045, kSoftness = 1046, kSoftnessLabel = 1047,
              kTimeSelection = 1048, kTimeSelectionLabel = 1049, kMidiEditor = 1051;

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        out.push_back(static_cast<char>(c));
    }
    return out;
}

std::optional<std::string> NetworkPictures() {
    return sim::GlobalExtStateValue("Murivo", "network_pictures");
}

class SettingsDialog : public SimulatedHost {
  protected:
    void SetUp() override {
        SimulatedHost::SetUp();
        ASSERT_EQ(Load(), 1);
        sim::TickTimers();
        project_ = sim::CurrentProject();
    }

    // Opens the dialog and runs script on it; the script closes it (or the watchdog does).
    void Open(std::function<void(HWND)> script) {
        DialogWatchdog watchdog(15000);
        WhenDialogAppears(L"Murivo settings", std::move(script));
        EXPECT_TRUE(sim::DispatchCommand(sim::CommandIdFor("MURIVOSETTINGS")));
        EXPECT_EQ(TakeUnseenDialogs(), 0);
        EXPECT_FALSE(watchdog.Fired());
    }

    std::optional<std::string> Stored(const char* key) {
        return sim::ExtStateValue(project_, "Murivo", key);
    }
    int Writes() { return sim::HostCallCount("SetProjExtState"); }

    ReaProject* project_ = nullptr;
};

} // namespace

TEST_F(SettingsDialog, OpensWithDefaultsAndStoresNothingUntilChanged) {
    int writes = Writes();
    Open([&](HWND dialog) {
        EXPECT_EQ(ControlText(dialog, kPathEdit), L"");
        EXPECT_EQ(IsDlgButtonChecked(dialog, kEnable), BST_UNCHECKED);
        EXPECT_EQ(SendDlgItemMessageW(dialog, kOpacity, TBM_GETPOS, 0, 0), 350);
        EXPECT_EQ(ControlText(dialog, kOpacityLabel), L"35.0%");
        EXPECT_EQ(ControlText(dialog, kReset), L"Reset to 35%");
        EXPECT_EQ(SendDlgItemMessageW(dialog, kFit, CB_GETCURSEL, 0, 0), 0);
        EXPECT_EQ(SendDlgItemMessageW(dialog, kFit, CB_GETCOUNT, 0, 0), 5);
        EXPECT_EQ(SendDlgItemMessageW(dialog, kAnchor, CB_GETCOUNT, 0, 0), 9);
        EXPECT_EQ(ControlText(dialog, kAnchor), L"Center");
        EXPECT_EQ(ControlText(dialog, kSoftnessLabel), L"0.0%");
        EXPECT_EQ(ControlText(dialog, kTimeSelectionLabel), L"0.0%");
        EXPECT_EQ(ControlText(dialog, kFit), L"Cover (fill area)");
        EXPECT_EQ(ControlText(dialog, kTintLabel), L"#60A0FF  (off)");
        EXPECT_EQ(IsDlgButtonChecked(dialog, kGrayscale), BST_UNCHECKED);
        EXPECT_EQ(IsDlgButtonChecked(dialog, kMidiEditor), BST_UNCHECKED);
        EXPECT_EQ(ControlText(dialog, kCaption), L"Arrange preview (640 x 360) - no image");
        // Enable without a picture: unchecked again, nothing new to store.
        Click(dialog, kEnable);
        EXPECT_EQ(IsDlgButtonChecked(dialog, kEnable), BST_UNCHECKED);
        // Reset when already at 35%: nothing to store.
        Click(dialog, kReset);
        EXPECT_EQ(Writes(), writes);
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(Writes(), writes);
    EXPECT_FALSE(Stored("path").has_value());
}

TEST_F(SettingsDialog, OpacityDragCommitsByTheTimerAndTheReleaseAtOnce) {
    Open([&](HWND dialog) {
        int writes = Writes();
        Scroll(dialog, kOpacity, 400, TB_THUMBTRACK);
        Scroll(dialog, kOpacity, 420, TB_THUMBTRACK);
        EXPECT_EQ(ControlText(dialog, kOpacityLabel), L"42.0%"); // the read-out follows
        EXPECT_EQ(Writes(), writes);
        PumpFor(200);
        EXPECT_EQ(Writes(), writes + 9); // one commit of the nine keys
        EXPECT_EQ(Stored("opacity_permille"), "420");
        Scroll(dialog, kOpacity, 450, TB_THUMBTRACK);
        Scroll(dialog, kOpacity, 470, TB_THUMBPOSITION);
        EXPECT_EQ(Stored("opacity_permille"), "470");
        int after_release = Writes();
        Scroll(dialog, kOpacity, 470, TB_ENDTRACK);
        PumpFor(150);
        EXPECT_EQ(Writes(), after_release); // the timer was killed by the release's commit
        // The host's timer ticks on in the dialog's loop and re-reads the project every 250 ms;
        // that never takes the change back.
        PumpFor(300);
        EXPECT_EQ(SendDlgItemMessageW(dialog, kOpacity, TBM_GETPOS, 0, 0), 470);
        EXPECT_EQ(ControlText(dialog, kOpacityLabel), L"47.0%");
        EXPECT_EQ(Stored("opacity_permille"), "470");
        SendMessageW(dialog, WM_CLOSE, 0, 0);
    });
}

TEST_F(SettingsDialog, PlacementSoftnessTimeSelectionAndMidiEditorAreStoredLikeTheOthers) {
    Open([&](HWND dialog) {
        SendDlgItemMessageW(dialog, kFit, CB_SETCURSEL, 3, 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kFit, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, kFit)));
        EXPECT_EQ(Stored("mode"), "tile");
        SendDlgItemMessageW(dialog, kAnchor, CB_SETCURSEL, 1, 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kAnchor, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, kAnchor)));
        EXPECT_EQ(Stored("anchor"), "top");
        const int writes = Writes();
        Scroll(dialog, kSoftness, 300, TB_THUMBTRACK);
        EXPECT_EQ(ControlText(dialog, kSoftnessLabel), L"30.0%");
        EXPECT_EQ(Writes(), writes); // a drag is stored by the timer
        PumpFor(200);
        EXPECT_EQ(Stored("blur_permille"), "300");
        Scroll(dialog, kTimeSelection, 1000, TB_THUMBPOSITION);
        EXPECT_EQ(Stored("time_selection_permille"), "1000");
        // Stored at once, and the action's toolbar button follows.
        const int midi_editor = sim::CommandIdFor("MURIVOMIDIEDITOR");
        Click(dialog, kMidiEditor);
        EXPECT_EQ(Stored("midi_editor"), "1");
        EXPECT_EQ(sim::QueryToggleState(midi_editor), 1);
        EXPECT_EQ(sim::ToolbarRefreshes().back(), (std::pair{0, midi_editor}));
        Click(dialog, kMidiEditor);
        EXPECT_EQ(Stored("midi_editor"), "0");
        SendMessageW(dialog, WM_CLOSE, 0, 0);
    });
}

// The quotes make the system chooser refuse the typed name: Browse asks again without it, and
// the chooser shows.
TEST_F(SettingsDialog, TypedPathIsCommittedByBrowseCancelExactlyAsTyped) {
    const int refusals = sim::ChooserRefusals();
    Open([&](HWND dialog) {
        SetControlText(dialog, kPathEdit, L"  \"C:\\no such\\wall.png\" ");
        WhenDialogAppears(L"Open",
                          [](HWND chooser) { PostMessageW(chooser, WM_COMMAND, IDCANCEL, 0); });
        Click(dialog, 1002);
        EXPECT_EQ(sim::ChooserRefusals(), refusals + 1);
        EXPECT_EQ(Stored("path"), "  \"C:\\no such\\wall.png\" ");
        EXPECT_EQ(Stored("enabled"), "0");
        EXPECT_EQ(ControlText(dialog, kCaption),
                  L"Arrange preview (640 x 360) - image unavailable");
        SendMessageW(dialog, WM_CLOSE, 0, 0);
    });
}

TEST_F(SettingsDialog, EscapeCommitsTheTypedPath) {
    std::wstring picture = WriteSolidBmp(L"murivo-esc.bmp", 64, 48, 0x2080C0);
    Open([&](HWND dialog) {
        SetControlText(dialog, kPathEdit, picture);
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(Stored("path"), Narrow(picture));
}

TEST_F(SettingsDialog, UnloadablePictureUnchecksEnable) {
    std::wstring picture = WriteSolidBmp(L"murivo-good.bmp", 64, 48, 0x2080C0);
    std::wstring broken = TempPath(L"murivo-broken.png");
    FILE* out = _wfopen(broken.c_str(), L"wb");
    ASSERT_NE(out, nullptr);
    std::fputs("not a picture", out);
    std::fclose(out);
    Open([&](HWND dialog) {
        SetControlText(dialog, kPathEdit, picture);
        SendKillFocus(dialog, kPathEdit);
        Click(dialog, kEnable);
        EXPECT_EQ(Stored("enabled"), "1");
        // The preview's copy is decoded on the picture thread and taken on the dialog's timer.
        const std::wstring live = L"Arrange preview (640 x 360) - live";
        for (int wait = 0; wait < 100 && ControlText(dialog, kCaption) != live; ++wait) {
            PumpFor(20);
        }
        EXPECT_EQ(ControlText(dialog, kCaption), live);
        SetControlText(dialog, kPathEdit, broken);
        SendKillFocus(dialog, kPathEdit);
        EXPECT_EQ(Stored("path"), Narrow(broken));
        // Loaded in the background: switched off once the load has failed, and the box follows.
        TickUntilSaid("Wallpaper image unavailable", 10000);
        EXPECT_EQ(Stored("enabled"), "0");
        for (int wait = 0; wait < 50 && IsDlgButtonChecked(dialog, kEnable) != BST_UNCHECKED;
             ++wait) {
            PumpFor(20);
        }
        EXPECT_EQ(IsDlgButtonChecked(dialog, kEnable), BST_UNCHECKED);
        SendMessageW(dialog, WM_CLOSE, 0, 0);
    });
}

TEST_F(SettingsDialog, EnablingShowsTheWallpaperInTheArrangeView) {
    std::wstring picture = WriteSolidBmp(L"murivo-red.bmp", 64, 48, 0xFF0000);
    std::vector<uint32_t> before, after;
    int width = 0, height = 0;
    ASSERT_TRUE(sim::CaptureArrange(before, width, height));
    Open([&](HWND dialog) {
        SetControlText(dialog, kPathEdit, picture);
        SendKillFocus(dialog, kPathEdit);
        Click(dialog, kEnable);
        Scroll(dialog, kOpacity, 1000, TB_THUMBPOSITION);
        PumpFor(100);
        ASSERT_TRUE(sim::CaptureArrange(after, width, height));
        SendMessageW(dialog, WM_CLOSE, 0, 0);
    });
    ASSERT_EQ(before.size(), after.size());
    int reddened = 0;
    for (size_t i = 0; i < after.size(); ++i) {
        reddened += (after[i] != before[i] && after[i] == 0xFF0000) ? 1 : 0;
    }
    EXPECT_GT(reddened, static_cast<int>(after.size() / 4)); // the background shows the picture
}

TEST_F(SettingsDialog, ChangesMadeElsewhereWhileOpenAreKeptAndShown) {
    const std::string picture = Narrow(WriteSolidBmp(L"murivo-elsewhere.bmp", 16, 16, 0x2080C0));
    sim::PutExtStateValue(project_, "Murivo", "path", picture);
    Open([&](HWND dialog) {
        // The MIDI editor toggle (from a toolbar, a control surface or a script) and a value a
        // script stored, both before the dialog's timer looked: a slider released now stores
        // the softness and takes back neither.
        EXPECT_TRUE(sim::DispatchCommand(sim::CommandIdFor("MURIVOMIDIEDITOR")));
        sim::PutExtStateValue(project_, "Murivo", "opacity_permille", "600");
        Scroll(dialog, kSoftness, 300, TB_THUMBPOSITION);
        EXPECT_EQ(Stored("blur_permille"), "300");
        EXPECT_EQ(Stored("midi_editor"), "1");
        EXPECT_EQ(Stored("opacity_permille"), "600");
        EXPECT_EQ(IsDlgButtonChecked(dialog, kMidiEditor), BST_CHECKED);
        EXPECT_EQ(SendDlgItemMessageW(dialog, kOpacity, TBM_GETPOS, 0, 0), 600);
        EXPECT_EQ(ControlText(dialog, kOpacityLabel), L"60.0%");
        // With nothing changed here, the dialog's timer shows it.
        sim::PutExtStateValue(project_, "Murivo", "mode", "tile");
        PumpFor(150);
        EXPECT_EQ(ControlText(dialog, kFit), L"Tile (repeat at its own size)");
        EXPECT_EQ(Stored("mode"), "tile");
        SendMessageW(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(Stored("midi_editor"), "1");
    EXPECT_EQ(Stored("opacity_permille"), "600");
    EXPECT_EQ(Stored("mode"), "tile");
}

TEST_F(SettingsDialog, CommitsDoNothingAfterTheHostSwitchedProject) {
    std::wstring picture = WriteSolidBmp(L"murivo-switch.bmp", 16, 16, 0x00FF00);
    Open([&](HWND dialog) {
        sim::SetCurrentProject(1);
        SetControlText(dialog, kPathEdit, picture);
        SendKillFocus(dialog, kPathEdit);
        Scroll(dialog, kOpacity, 800, TB_THUMBPOSITION);
        Click(dialog, kGrayscale);
        SendMessageW(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_TRUE(sim::ExtStateSection(sim::ProjectAt(0), "Murivo").empty());
    EXPECT_TRUE(sim::ExtStateSection(sim::ProjectAt(1), "Murivo").empty());
}

// A project from someone else names a server or a device: Browse lists neither, offers nothing of
// it, and closing the dialog with it in the box does not make it chosen. A path chosen on this
// computer still opens in its folder.
TEST_F(SettingsDialog, BrowseListsOnlyAFolderThePathMayBeOpenedFrom) {
    const std::wstring temp = TempPath(L"");
    const std::wstring pictures = PicturesFolder();
    struct Case {
        std::string path;
        std::string project_file; // empty: never saved
        bool chosen_here;
        std::wstring folder, name, contact;
    };
    const Case cases[] = {
        {"\\\\server\\share\\x.png", Narrow(temp + L"song.RPP"), false,
         temp.substr(0, temp.size() - 1), L"", L""},
        {"C:\\pictures\\COM1.png", "", false, pictures, L"", L""},
        {"\\\\.\\COM1", "\\\\server\\share\\song.RPP", false, pictures, L"", L""},
        {"\\\\server\\share\\x.png", "", true, L"", L"\\\\server\\share\\x.png",
         L"\\\\server\\share"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path + " in " + c.project_file);
        sim::ResetGlobalExtState();
        if (c.chosen_here) {
            sim::PutGlobalExtStateValue("Murivo", "network_pictures", c.path);
        }
        sim::SetProjectPath(project_, c.project_file);
        sim::PutExtStateValue(project_, "Murivo", "path", c.path);
        sim::ResetChooserAccounting();
        Open([&](HWND dialog) {
            CancelChooserWhenItAppears();
            Click(dialog, kBrowse);
            SendMessageW(dialog, WM_CLOSE, 0, 0);
        });
        const std::vector<sim::ChooserRequest> requests = sim::ChooserRequests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].initial_folder, c.folder);
        EXPECT_EQ(requests[0].initial_name, c.name);
        EXPECT_EQ(sim::ChooserContacts(),
                  c.contact.empty() ? std::vector<std::wstring>() : std::vector{c.contact});
        EXPECT_EQ(NetworkPictures(), c.chosen_here ? std::optional(c.path) : std::nullopt);
    }
}

// Enter or Close with another computer's path in the box chooses it, as Browse does; leaving the
// box or cancelling Browse does not. Confirmed after a focus change had stored it, it is tried
// at once rather than at the next reload.
TEST_F(SettingsDialog, ConfirmingATypedNetworkPathChoosesItAndLeavingTheBoxDoesNot) {
    struct Accounting {
        Accounting() { sim::StartFileOpenAccounting(sim::ExtensionModule()); }
        ~Accounting() { sim::StopFileOpenAccounting(); }
    } accounting;
    sim::ResetChooserAccounting();
    auto opened = [](const std::wstring& name) {
        std::vector<std::wstring> opens = sim::FileOpens();
        return std::find(opens.begin(), opens.end(), name) != opens.end();
    };
    const std::wstring typed = L"\\\\server\\share\\typed.png";
    Open([&](HWND dialog) {
        SetControlText(dialog, kPathEdit, typed);
        SetFocus(GetDlgItem(dialog, kPathEdit));
        SetFocus(GetDlgItem(dialog, kEnable));
        EXPECT_EQ(Stored("path"), Narrow(typed));
        CancelChooserWhenItAppears();
        Click(dialog, kBrowse);
        Click(dialog, kEnable);
        EXPECT_EQ(Stored("enabled"), "1");
        EXPECT_EQ(NetworkPictures(), std::nullopt);
        EXPECT_FALSE(opened(typed));
        PressEnter(dialog, kPathEdit);
    });
    EXPECT_EQ(NetworkPictures(), Narrow(typed));
    EXPECT_TRUE(opened(typed));

    const std::wstring closed = L"\\\\server\\share\\closed.png";
    Open([&](HWND dialog) {
        SetControlText(dialog, kPathEdit, closed);
        SetFocus(GetDlgItem(dialog, kPathEdit));
        Click(dialog, kClose); // the box loses the focus to the button first
    });
    EXPECT_EQ(Stored("path"), Narrow(closed));
    EXPECT_EQ(NetworkPictures(), Narrow(typed) + "|" + Narrow(closed));
    EXPECT_TRUE(sim::ChooserContacts().empty());
}
