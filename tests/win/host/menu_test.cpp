// The Extensions menu's "Murivo" submenu and the command dispatch as the host drives them.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>

#include "base/version.h"
#include "host_functions.h"
#include "host_windows.h"
#include "projects.h"
#include "registrations.h"
#include "support/modal_driver.h"
#include "support/sim_fixture.h"

namespace {

std::wstring ItemText(HMENU menu, int position) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, static_cast<UINT>(position), text, 128, MF_BYPOSITION);
    return text;
}

int CountItems(HMENU menu, const std::wstring& text) {
    int count = 0;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        count += ItemText(menu, i) == text ? 1 : 0;
    }
    return count;
}

UINT ItemState(HMENU menu, const std::string& action) {
    return GetMenuState(menu, static_cast<UINT>(sim::CommandIdFor(action)), MF_BYCOMMAND);
}

class Menu : public SimulatedHost {
  protected:
    void SetUp() override {
        SimulatedHost::SetUp();
        ASSERT_EQ(Load(), 1);
        menu_ = sim::ExtensionsMenu();
        ASSERT_NE(menu_, nullptr);
    }

    HMENU Submenu() const { return GetSubMenu(menu_, GetMenuItemCount(menu_) - 1); }

    HMENU menu_ = nullptr;
};

} // namespace

TEST_F(Menu, BuiltOnceWithTheNineEntriesInOrder) {
    sim::CallMenuHooks("Main extensions", menu_, 0);
    sim::CallMenuHooks("Main extensions", menu_, 0);
    ASSERT_EQ(CountItems(menu_, L"Murivo"), 1);
    HMENU submenu = Submenu();
    ASSERT_NE(submenu, nullptr);
    ASSERT_EQ(GetMenuItemCount(submenu), 9);
    EXPECT_EQ(ItemText(submenu, 0), L"Settings...");
    EXPECT_EQ(GetMenuItemID(submenu, 0), static_cast<UINT>(sim::CommandIdFor("MURIVOSETTINGS")));
    EXPECT_EQ(ItemText(submenu, 2), L"Choose wallpaper...");
    EXPECT_EQ(ItemText(submenu, 3), L"Remove wallpaper");
    EXPECT_EQ(ItemText(submenu, 4), L"Enable / Disable");
    EXPECT_EQ(ItemText(submenu, 5), L"Show wallpaper in the MIDI editor");
    EXPECT_EQ(GetMenuItemID(submenu, 5), static_cast<UINT>(sim::CommandIdFor("MURIVOMIDIEDITOR")));
    EXPECT_EQ(ItemText(submenu, 6), L"Use current wallpaper for projects without their own");
    EXPECT_EQ(GetMenuItemID(submenu, 6), static_cast<UINT>(sim::CommandIdFor("MURIVODEFAULT")));
    EXPECT_EQ(ItemText(submenu, 8), L"About Murivo " MURIVO_VERSION_TEXT);
    EXPECT_NE(GetMenuState(submenu, 1, MF_BYPOSITION) & MF_SEPARATOR, 0u);
    EXPECT_NE(GetMenuState(submenu, 7, MF_BYPOSITION) & MF_SEPARATOR, 0u);
}

TEST_F(Menu, OtherMenusAndFlagTwoCreateNothing) {
    sim::CallMenuHooks("Main extensions", menu_, 2);
    sim::CallMenuHooks("Main file", menu_, 0);
    sim::CallMenuHooks("main extensions", menu_, 1);
    EXPECT_EQ(GetMenuItemCount(menu_), 0);
}

TEST_F(Menu, PlainItemNamedMurivoGetsASubmenuAppended) {
    AppendMenuW(menu_, MF_STRING, 7, L"Murivo");
    sim::CallMenuHooks("Main extensions", menu_, 0);
    ASSERT_EQ(GetMenuItemCount(menu_), 2);
    EXPECT_EQ(GetSubMenu(menu_, 0), nullptr);
    EXPECT_NE(Submenu(), nullptr);
}

TEST_F(Menu, RemoveAndTogglesGreyedWithoutPathAndChecksFollowTheToggles) {
    sim::CallMenuHooks("Main extensions", menu_, 0);
    sim::CallMenuHooks("Main extensions", menu_, 1);
    HMENU submenu = Submenu();
    EXPECT_NE(ItemState(submenu, "MURIVOREMOVE") & MF_GRAYED, 0u);
    EXPECT_NE(ItemState(submenu, "MURIVOTOGGLE") & MF_GRAYED, 0u);
    EXPECT_EQ(ItemState(submenu, "MURIVOSETTINGS") & MF_GRAYED, 0u);
    EXPECT_EQ(ItemState(submenu, "MURIVOTOGGLE") & MF_CHECKED, 0u);
    EXPECT_NE(ItemState(submenu, "MURIVOMIDIEDITOR") & MF_GRAYED, 0u);

    ReaProject* project = sim::CurrentProject();
    sim::PutExtStateValue(project, "Murivo", "path", "C:\\nowhere\\wall.png");
    sim::PutExtStateValue(project, "Murivo", "enabled", "1");
    // The host opening the menu: hooks with flag 1, then the toggle states of its items.
    SendMessageW(sim::MainWindow(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu_), 0);
    SendMessageW(sim::MainWindow(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(submenu), 0);
    EXPECT_EQ(ItemState(submenu, "MURIVOREMOVE") & MF_GRAYED, 0u);
    EXPECT_EQ(ItemState(submenu, "MURIVOTOGGLE") & MF_GRAYED, 0u);
    EXPECT_NE(ItemState(submenu, "MURIVOTOGGLE") & MF_CHECKED, 0u);
    EXPECT_EQ(ItemState(submenu, "MURIVOMIDIEDITOR") & (MF_GRAYED | MF_CHECKED), 0u);

    sim::PutExtStateValue(project, "Murivo", "enabled", "0");
    sim::PutExtStateValue(project, "Murivo", "midi_editor", "1");
    sim::CallMenuHooks("Main extensions", menu_, 1);
    EXPECT_EQ(ItemState(submenu, "MURIVOTOGGLE") & MF_CHECKED, 0u);
    EXPECT_NE(ItemState(submenu, "MURIVOMIDIEDITOR") & MF_CHECKED, 0u);
}

// The host's menu runs a modal loop of its own in which the host's timer keeps ticking: the
// extension attaches while the menu is open, and a pick made there reaches it as a command.
TEST_F(Menu, MenuPickDispatchesTheCommand) {
    ReaProject* project = sim::CurrentProject();
    sim::PutExtStateValue(project, "Murivo", "path", "C:\\nowhere\\wall.png");
    sim::CallMenuHooks("Main extensions", menu_, 0);
    const int toggle = sim::CommandIdFor("MURIVOTOGGLE");
    HWND arrange = sim::ArrangeWindow();
    DialogWatchdog watchdog(5000);
    WhileMenuIsOpen([&](HWND) {
        if (GetWindowLongPtrW(arrange, GWLP_WNDPROC) ==
            reinterpret_cast<LONG_PTR>(sim::HostArrangeProcedure())) {
            return false; // not attached yet: the timer has not ticked inside the menu
        }
        // "Murivo", into its submenu, down past Choose and Remove to Enable / Disable, pick.
        for (WPARAM key : {VK_DOWN, VK_RIGHT, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}) {
            PostMessageW(sim::MainWindow(), WM_KEYDOWN, key, 0);
        }
        return true;
    });
    UINT picked = TrackPopupMenu(menu_, TPM_RETURNCMD, 0, 0, 0, sim::MainWindow(), nullptr);
    EXPECT_EQ(TakeUnseenDialogs(), 0) << "the extension never attached while the menu was open";
    EXPECT_FALSE(watchdog.Fired());
    ASSERT_EQ(picked, static_cast<UINT>(toggle));
    SendMessageW(sim::MainWindow(), WM_COMMAND, MAKEWPARAM(picked, 0), 0);
    TickUntilSaid("Wallpaper image unavailable");
    EXPECT_EQ(sim::ExtStateValue(project, "Murivo", "enabled"), "0"); // the picture cannot load
    EXPECT_EQ(sim::HostCallCount("SetProjExtState") > 0, true);
    const auto& refreshes = sim::ToolbarRefreshes();
    EXPECT_NE(std::find(refreshes.begin(), refreshes.end(), std::pair{0, toggle}), refreshes.end());
}

TEST_F(Menu, ToggleStateIsOnlyForTheToggle) {
    EXPECT_EQ(sim::QueryToggleState(sim::CommandIdFor("MURIVOCHOOSE")), -1);
    EXPECT_EQ(sim::QueryToggleState(12345), -1);
    EXPECT_EQ(sim::QueryToggleState(sim::CommandIdFor("MURIVOTOGGLE")), 0);
}

TEST_F(Menu, AnotherSectionsCommandIsNotHandled) {
    using Hook2 = bool (*)(void*, int, int, int, int, void*);
    std::vector<sim::Registration> hooks = sim::RegistrationLogFor("hookcommand2");
    ASSERT_FALSE(hooks.empty());
    auto hook = reinterpret_cast<Hook2>(hooks.front().pointer);
    int section[4] = {32060, 0, 0, 0};
    sim::PutExtStateValue(sim::CurrentProject(), "Murivo", "path", "C:\\nowhere\\wall.png");
    int writes = sim::HostCallCount("SetProjExtState");
    EXPECT_FALSE(hook(section, sim::CommandIdFor("MURIVOTOGGLE"), 0, 0, 0, nullptr));
    EXPECT_EQ(sim::HostCallCount("SetProjExtState"), writes);
    int main_section[4] = {0, 0, 0, 0};
    EXPECT_TRUE(hook(main_section, sim::CommandIdFor("MURIVOTOGGLE"), 0, 0, 0, nullptr));
    EXPECT_TRUE(hook(nullptr, 999999, 0, 0, 0, nullptr) == false);
}
