#include "support/static_extension.h"

#include "base/host_records.h"
#include "extension_module.h"
#include "foreign_hook.h"
#include "host_functions.h"
#include "host_windows.h"
#include "import_slot.h"
#include "present/arrange_target.h"
#include "projects.h"
#include "registrations.h"
#include "scene.h"
#include "simulator.h"
#include "support/diagnostics_capture.h"
#include "support/picture_files.h"
#include "support/picture_work.h"
#include "support/sim_fixture.h"

namespace {

constexpr char kPictureName[] = "static_extension.png";
PluginInfo g_info = {};

} // namespace

void StaticExtensionHost::SetUpTestSuite() {
    WriteTestPicture(kPictureName, 160, 90, GradientPixel);
}

void StaticExtensionHost::TearDownTestSuite() {
    RemoveTestPictures();
}

void StaticExtensionHost::SetUp() {
    StartDiagnosticsCapture();
    ASSERT_TRUE(sim::StartSimulator(SmallTestScene()));
    ReaProject* project = sim::CurrentProject();
    sim::PutExtStateValue(project, "Murivo", "path", NarrowPath(TestPicturePath(kPictureName)));
    sim::PutExtStateValue(project, "Murivo", "enabled", "1");
    TakeDiagnostics();
}

void StaticExtensionHost::TearDown() {
    if (loaded_) {
        Unload();
    }
    // A chain retained by a test stays in the slot and the state; the next test starts clean.
    sim::RemoveForeignBitBltHook();
    if (sim::BitBltImportState() != "system") {
        sim::SwapExecutableImport("gdi32.dll", "BitBlt", reinterpret_cast<void*>(SystemBitBlt()));
    }
    g_target = {};
    sim::StopSimulator();
    TakeDiagnostics();
}

int StaticExtensionHost::Load() {
    g_info.caller_version = kHostInterfaceVersion;
    g_info.hwnd_main = sim::MainWindow();
    g_info.Register = sim::HostPluginRegister;
    g_info.GetFunc = sim::LookupHostFunction;
    int result = ReaperPluginEntry(GetModuleHandleW(nullptr), &g_info);
    loaded_ = loaded_ || result != 0;
    return result;
}

void StaticExtensionHost::Unload() {
    loaded_ = false;
    ReaperPluginEntry(GetModuleHandleW(nullptr), nullptr);
}

void StaticExtensionHost::LoadAndAttach() {
    ASSERT_EQ(Load(), 1);
    sim::TickTimers();
    ASSERT_TRUE(g_target.attached);
    ASSERT_TRUE(SettlePictureWork());
}

std::vector<std::string> StaticExtensionHost::Output() {
    return TakeDiagnostics();
}

int CountEqual(const std::vector<std::string>& entries, const std::string& text) {
    int count = 0;
    for (const std::string& entry : entries) {
        count += entry == text ? 1 : 0;
    }
    return count;
}
