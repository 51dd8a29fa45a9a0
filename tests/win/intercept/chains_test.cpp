// Another party's arrange subclass and BitBlt hook around the real DLL's, in the orders the
// other tests leave out: theirs below ours, theirs on top and leaving first, ours leaving first
// and theirs after, and a chain kept across a detach. Messages and copies must reach the host,
// nothing may loop, and a module that other code still calls must stay mapped after FreeLibrary.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "extension_module.h"
#include "foreign_hook.h"
#include "host_windows.h"
#include "import_slot.h"
#include "projects.h"
#include "registrations.h"
#include "scene.h"
#include "simulator.h"
#include "support/arrange_pixels.h"
#include "support/diagnostics_capture.h"
#include "support/picture_files.h"
#include "support/sim_fixture.h"

namespace {

constexpr char kPicture[] = "chains.png";
constexpr char kSubclassRetained[] = "Arrange subclass changed; retaining forwarding chain.\n";
constexpr char kHookRetained[] = "BitBlt import changed by another hook; retaining chain.\n";
constexpr int kLoopDepth = 8;

// Another party's subclass: forwards everything, and leaves only while it is on top, as a
// careful component does.
HWND g_foreign_window = nullptr;
WNDPROC g_foreign_next = nullptr;
int g_foreign_calls = 0;
int g_foreign_depth = 0;
bool g_foreign_looped = false;

LRESULT CALLBACK ForeignProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    ++g_foreign_calls;
    if (g_foreign_depth >= kLoopDepth) {
        g_foreign_looped = true;
        return 0;
    }
    ++g_foreign_depth;
    LRESULT result = CallWindowProcW(g_foreign_next, window, message, wparam, lparam);
    --g_foreign_depth;
    return result;
}

WNDPROC WindowProcedure(HWND window) {
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC));
}

void InstallForeignSubclass(HWND window) {
    g_foreign_window = window;
    g_foreign_calls = 0;
    g_foreign_next = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ForeignProc)));
}

bool RemoveForeignSubclass() {
    if (g_foreign_window == nullptr || WindowProcedure(g_foreign_window) != &ForeignProc) {
        return false;
    }
    SetWindowLongPtrW(g_foreign_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_foreign_next));
    g_foreign_window = nullptr;
    return true;
}

// The module whose code lies at address, without touching its reference count.
HMODULE ModuleAt(const void* address) {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       static_cast<LPCWSTR>(address), &module);
    return module;
}

int Count(const std::vector<std::string>& entries, const std::string& text) {
    int count = 0;
    for (const std::string& entry : entries) {
        count += entry == text ? 1 : 0;
    }
    return count;
}

class Chains : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { WriteTestPicture(kPicture, 160, 90, GradientPixel); }
    static void TearDownTestSuite() { RemoveTestPictures(); }

    void SetUp() override {
        StartDiagnosticsCapture();
        ASSERT_TRUE(sim::StartSimulator(SmallTestScene()));
        ReaProject* project = sim::CurrentProject();
        sim::PutExtStateValue(project, "Murivo", "path", NarrowPath(TestPicturePath(kPicture)));
        sim::PutExtStateValue(project, "Murivo", "enabled", "1");
        g_foreign_looped = false;
        g_foreign_depth = 0;
    }
    void TearDown() override {
        if (loaded_) {
            sim::CallEntryUnload();
        }
        sim::FreeExtensionModule();
        RemoveForeignSubclass();
        // A chain retained by a test keeps the slot; the next test starts from gdi32's function.
        sim::RemoveForeignBitBltHook();
        if (sim::BitBltImportState() != "system") {
            sim::SwapExecutableImport("gdi32.dll", "BitBlt",
                                      reinterpret_cast<void*>(SystemBitBlt()));
        }
        sim::StopSimulator();
        TakeDiagnostics();
        EXPECT_FALSE(g_foreign_looped) << "a message went round in a loop";
    }

    void LoadModule() {
        std::string error;
        ASSERT_TRUE(sim::LoadExtensionModule(sim::DefaultExtensionPath(), error)) << error;
    }
    void Attach() {
        LoadModule();
        ASSERT_EQ(sim::CallEntryLoad(), 1);
        loaded_ = true;
        ASSERT_EQ(CountStartingWith(TickUntilSaid(kShownStart), kActiveBannerStart), 1);
    }
    std::vector<std::string> Unload() {
        TakeDiagnostics();
        loaded_ = false;
        sim::CallEntryUnload();
        return TakeDiagnostics();
    }
    static Pixels Host() {
        return HostImage(sim::ArrangeClientWidth(), sim::CurrentScene().arrange_height);
    }
    // The host paints once more and its image reaches the screen, corrected or as it is.
    static Pixels Repaint() {
        int paints = sim::ArrangePaintCount();
        BlackOutArrange();
        sim::RedrawArrange();
        EXPECT_EQ(sim::ArrangePaintCount(), paints + 1) << "the paint did not reach the host";
        return ArrangeScreen();
    }

    bool loaded_ = false;
};

TEST_F(Chains, ASubclassBelowOursGetsItsProcedureBackAndCanLeaveAfterUs) {
    HWND arrange = sim::ArrangeWindow();
    InstallForeignSubclass(arrange);
    Attach();
    WNDPROC ours = WindowProcedure(arrange);
    ASSERT_NE(ours, &ForeignProc);
    EXPECT_NE(Repaint(), Host()) << "host -> other party -> ours: the frame is corrected";
    EXPECT_GT(g_foreign_calls, 0);
    EXPECT_FALSE(RemoveForeignSubclass()) << "the other party is not on top and must stay";

    std::vector<std::string> output = Unload();
    EXPECT_EQ(Count(output, kSubclassRetained), 0);
    EXPECT_EQ(WindowProcedure(arrange), &ForeignProc);
    EXPECT_EQ(GetPropW(arrange, L"Murivo.OriginalArrangeProc"), nullptr);
    sim::FreeExtensionModule();
    EXPECT_NE(ModuleAt(reinterpret_cast<void*>(ours)), nullptr)
        << "a module whose hook was in the slot stays mapped";
    int calls = g_foreign_calls;
    EXPECT_EQ(Repaint(), Host());
    EXPECT_GT(g_foreign_calls, calls);
    EXPECT_TRUE(RemoveForeignSubclass());
    EXPECT_EQ(WindowProcedure(arrange), sim::HostArrangeProcedure());
    EXPECT_EQ(Repaint(), Host());
}

TEST_F(Chains, SubclassAndHookOnTopOfOursThatLeaveFirstLetOursLeaveCleanly) {
    HWND arrange = sim::ArrangeWindow();
    Attach();
    WNDPROC ours = WindowProcedure(arrange);
    InstallForeignSubclass(arrange);
    ASSERT_TRUE(sim::InstallForeignBitBltHook());
    void* hook = sim::ForeignBitBltNext();
    EXPECT_EQ(ModuleAt(hook), ModuleAt(reinterpret_cast<void*>(ours))) << "ours below theirs";
    int copies = sim::ForeignBitBltCallCount();
    EXPECT_NE(Repaint(), Host()) << "corrected through the other party's hook and ours";
    EXPECT_GT(sim::ForeignBitBltCallCount(), copies);

    EXPECT_TRUE(RemoveForeignSubclass());
    EXPECT_TRUE(sim::RemoveForeignBitBltHook());
    EXPECT_EQ(WindowProcedure(arrange), ours);
    EXPECT_NE(Repaint(), Host());
    std::vector<std::string> output = Unload();
    EXPECT_EQ(Count(output, kSubclassRetained), 0);
    EXPECT_EQ(Count(output, kHookRetained), 0);
    EXPECT_EQ(sim::BitBltImportState(), "system");
    EXPECT_EQ(WindowProcedure(arrange), sim::HostArrangeProcedure());
    sim::FreeExtensionModule();
    EXPECT_NE(ModuleAt(hook), nullptr) << "a module whose hook was in the slot stays mapped";
    EXPECT_EQ(Repaint(), Host());
}

TEST_F(Chains, OursLeavingFirstUnderSubclassAndHookStaysMappedForwardingAfterTheyLeave) {
    HWND arrange = sim::ArrangeWindow();
    Attach();
    WNDPROC ours = WindowProcedure(arrange);
    InstallForeignSubclass(arrange);
    ASSERT_TRUE(sim::InstallForeignBitBltHook());
    void* hook = sim::ForeignBitBltNext();

    std::vector<std::string> output = Unload();
    EXPECT_EQ(Count(output, kSubclassRetained), 1);
    EXPECT_EQ(Count(output, kHookRetained), 1);
    HMODULE module = ModuleAt(hook);
    sim::FreeExtensionModule();
    EXPECT_EQ(ModuleAt(hook), module) << "freed while the other party still calls into it";
    EXPECT_EQ(ModuleAt(reinterpret_cast<void*>(ours)), module);

    // Other party -> ours (forwarding only) -> host, for messages and for copies.
    int copies = sim::ForeignBitBltCallCount();
    EXPECT_EQ(Repaint(), Host());
    EXPECT_GT(sim::ForeignBitBltCallCount(), copies);
    EXPECT_EQ(SendMessageW(arrange, WM_ERASEBKGND, 0, 0),
              CallWindowProcW(sim::HostArrangeProcedure(), arrange, WM_ERASEBKGND, 0, 0))
        << "erasing is the host's again";

    // The other party leaves in turn and puts back what it found: our forwarding functions.
    EXPECT_TRUE(RemoveForeignSubclass());
    EXPECT_TRUE(sim::RemoveForeignBitBltHook());
    EXPECT_EQ(WindowProcedure(arrange), ours);
    EXPECT_EQ(*sim::FindExecutableImportSlot("gdi32.dll", "BitBlt"), hook);
    EXPECT_EQ(Repaint(), Host());
    SendMessageW(arrange, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    SendMessageW(arrange, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(Repaint(), Host());
}

TEST_F(Chains, AHookOnTopOfOursKeepsCorrectingAcrossADetachAndLeavesBeforeOurUnload) {
    Attach();
    ASSERT_TRUE(sim::InstallForeignBitBltHook());
    void* hook = sim::ForeignBitBltNext();
    HWND replacement = sim::ReplaceArrangeWindow();
    ASSERT_NE(replacement, nullptr);
    std::vector<std::string> output = TickUntilSaid(kShownStart);
    EXPECT_EQ(CountStartingWith(output, kActiveBannerStart), 1) << "attached to the new view";
    EXPECT_EQ(Count(output, "BitBlt import unavailable or already hooked.\n"), 0)
        << "the hook stayed in place under theirs; no new attempt";

    int copies = sim::ForeignBitBltCallCount();
    EXPECT_NE(Repaint(), Host()) << "the new view is corrected through both hooks";
    EXPECT_GT(sim::ForeignBitBltCallCount(), copies);
    EXPECT_NE(WindowProcedure(replacement), sim::HostArrangeProcedure());

    EXPECT_TRUE(sim::RemoveForeignBitBltHook());
    EXPECT_EQ(*sim::FindExecutableImportSlot("gdi32.dll", "BitBlt"), hook);
    EXPECT_NE(Repaint(), Host());
    output = Unload();
    EXPECT_EQ(Count(output, kHookRetained), 0);
    EXPECT_EQ(sim::BitBltImportState(), "system");
    EXPECT_EQ(WindowProcedure(replacement), sim::HostArrangeProcedure());
    sim::FreeExtensionModule();
    EXPECT_NE(ModuleAt(hook), nullptr);
}

TEST_F(Chains, ASubclassOnTopOfOursOnAViewThatIsReplacedIsDroppedWithTheView) {
    HWND arrange = sim::ArrangeWindow();
    Attach();
    InstallForeignSubclass(arrange);
    HWND replacement = sim::ReplaceArrangeWindow(); // the old view and its chain are destroyed
    g_foreign_window = nullptr;
    sim::TickTimers();
    std::vector<std::string> output = TakeDiagnostics();
    EXPECT_EQ(Count(output, kSubclassRetained), 0) << "a destroyed view has no chain to keep";
    EXPECT_EQ(CountStartingWith(output, kActiveBannerStart), 1);
    WNDPROC ours = WindowProcedure(replacement);
    EXPECT_NE(ours, sim::HostArrangeProcedure());
    EXPECT_NE(Repaint(), Host());
    output = Unload();
    EXPECT_EQ(Count(output, kSubclassRetained), 0);
    EXPECT_EQ(WindowProcedure(replacement), sim::HostArrangeProcedure());
    sim::FreeExtensionModule();
    EXPECT_NE(ModuleAt(reinterpret_cast<void*>(ours)), nullptr);
}

} // namespace
