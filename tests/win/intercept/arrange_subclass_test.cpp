// The arrange view subclass with the extension's code linked into this program, so chains that
// must be retained at unload can be built without pinning a DLL for the tests that follow.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "host_windows.h"
#include "intercept/arrange_subclass.h"
#include "present/arrange_target.h"
#include "scene.h"
#include "support/static_extension.h"

namespace {

constexpr wchar_t kForwardingProperty[] = L"Murivo.OriginalArrangeProc";
constexpr UINT kProbeMessage = WM_APP + 7;

// Another component's subclass on top of whatever the window had.
WNDPROC g_foreign_next = nullptr;
int g_foreign_calls = 0;

LRESULT CALLBACK ForeignProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    ++g_foreign_calls;
    return CallWindowProcW(g_foreign_next, window, message, wparam, lparam);
}

WNDPROC WindowProcedure(HWND window) {
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC));
}

void SubclassForeign(HWND window) {
    g_foreign_calls = 0;
    g_foreign_next = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ForeignProc)));
}

struct Message {
    HWND window;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    bool operator==(const Message&) const = default;
};
std::vector<Message> g_other_messages;

// The own procedure of a window that is not the attached arrange view.
LRESULT CALLBACK OtherWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    g_other_messages.push_back({window, message, wparam, lparam});
    if (message == kProbeMessage) {
        return 42;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

using ArrangeSubclass = StaticExtensionHost;

TEST_F(ArrangeSubclass, ForwardsToTheHostsProcedureStoredOnTheWindow) {
    LoadAndAttach();
    HWND arrange = sim::ArrangeWindow();
    EXPECT_EQ(WindowProcedure(arrange), &ArrangeWindowProc);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetPropW(arrange, kForwardingProperty)),
              sim::HostArrangeProcedure());
    int paints = sim::ArrangePaintCount();
    sim::RedrawArrange();
    EXPECT_EQ(sim::ArrangePaintCount(), paints + 1);
    Unload();
    EXPECT_EQ(WindowProcedure(arrange), sim::HostArrangeProcedure());
    EXPECT_EQ(GetPropW(arrange, kForwardingProperty), nullptr);
}

TEST_F(ArrangeSubclass, ASubclassPutOnTopOfOursStaysAtUnloadAndReachesTheHostThroughUs) {
    LoadAndAttach();
    HWND arrange = sim::ArrangeWindow();
    SubclassForeign(arrange);
    Output();
    Unload();
    EXPECT_EQ(CountEqual(Output(), "Arrange subclass changed; retaining forwarding chain.\n"), 1);
    EXPECT_EQ(WindowProcedure(arrange), &ForeignProc);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetPropW(arrange, kForwardingProperty)),
              sim::HostArrangeProcedure());
    EXPECT_FALSE(g_target.subclass_installed);

    // Paints go other party -> ours -> host, and nothing of ours is added any more.
    int paints = sim::ArrangePaintCount();
    BlackOutArrange();
    sim::RedrawArrange();
    EXPECT_EQ(sim::ArrangePaintCount(), paints + 1);
    EXPECT_GT(g_foreign_calls, 0);
    EXPECT_EQ(ArrangeScreen(),
              HostImage(sim::ArrangeClientWidth(), sim::CurrentScene().arrange_height));
}

TEST_F(ArrangeSubclass, AWindowStillCarryingARetainedChainIsNotSubclassedAgain) {
    LoadAndAttach();
    HWND arrange = sim::ArrangeWindow();
    SubclassForeign(arrange);
    Unload();
    Output();

    // The next session attaches to the same window: subclassing it again would make the other
    // party's procedure our forwarding target while it still calls ours.
    LoadAndAttach();
    std::vector<std::string> output = Output();
    EXPECT_EQ(CountEqual(output, "Arrange hook unavailable; using timer correction.\n"), 1);
    EXPECT_EQ(WindowProcedure(arrange), &ForeignProc);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetPropW(arrange, kForwardingProperty)),
              sim::HostArrangeProcedure());
    int paints = sim::ArrangePaintCount();
    sim::RedrawArrange();
    EXPECT_EQ(sim::ArrangePaintCount(), paints + 1);
}

TEST_F(ArrangeSubclass, ADestroyedArrangeViewOnlyForgetsTheSubclass) {
    LoadAndAttach();
    ASSERT_TRUE(g_target.subclass_installed);
    DestroyWindow(sim::ArrangeWindow());
    Output();
    RemoveArrangeSubclass();
    EXPECT_FALSE(g_target.subclass_installed);
    EXPECT_TRUE(Output().empty());
}

TEST_F(ArrangeSubclass, MessagesForAnotherWindowGoToThatWindowsOwnProcedure) {
    LoadAndAttach();
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = OtherWindowProc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"MurivoTestOtherWindow";
    ASSERT_NE(RegisterClassExW(&window_class), 0);
    HWND other = CreateWindowExW(0, window_class.lpszClassName, L"", WS_POPUP, 0, 0, 50, 50,
                                 nullptr, nullptr, window_class.hInstance, nullptr);
    ASSERT_NE(other, nullptr);
    // As a chain retained on an earlier arrange view leaves it.
    SetPropW(other, kForwardingProperty, reinterpret_cast<HANDLE>(&OtherWindowProc));
    SetWindowLongPtrW(other, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ArrangeWindowProc));

    g_other_messages.clear();
    EXPECT_EQ(SendMessageW(other, kProbeMessage, 5, 6), 42);
    // Erasing is suppressed only on the attached view, even though a picture is loaded.
    SendMessageW(other, WM_ERASEBKGND, 0, 0);
    const std::vector<Message> expected = {{other, kProbeMessage, 5, 6},
                                           {other, WM_ERASEBKGND, 0, 0}};
    EXPECT_EQ(g_other_messages, expected);

    SetWindowLongPtrW(other, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&OtherWindowProc));
    RemovePropW(other, kForwardingProperty);
    DestroyWindow(other);
    UnregisterClassW(window_class.lpszClassName, window_class.hInstance);
}

} // namespace
