#include "support/sim_fixture.h"

#include <windows.h>

#include "extension_module.h"
#include "host_windows.h"
#include "registrations.h"
#include "simulator.h"
#include "support/diagnostics_capture.h"

sim::Scene SmallTestScene() {
    sim::Scene scene;
    scene.arrange_width = 640;
    scene.arrange_height = 360;
    scene.projects = {"First.RPP", "Second.RPP"};
    scene.tracks = {sim::SceneTrack{}, sim::SceneTrack{}};
    sim::SceneItem item;
    item.position = 1.0;
    item.length = 3.0;
    scene.items.push_back(item);
    return scene;
}

void SimulatedHost::SetUp() {
    StartDiagnosticsCapture();
    ASSERT_TRUE(sim::StartSimulator(SmallTestScene()));
    std::string error;
    ASSERT_TRUE(sim::LoadExtensionModule(sim::DefaultExtensionPath(), error)) << error;
    TakeDiagnostics();
}

void SimulatedHost::TearDown() {
    if (loaded_) {
        sim::CallEntryUnload();
    }
    // A fresh module per test: the extension's state must not leak from one test to the next.
    sim::FreeExtensionModule();
    sim::StopSimulator();
    TakeDiagnostics();
}

int SimulatedHost::Load(int version) {
    int result = sim::CallEntryLoad(version);
    loaded_ = loaded_ || result != 0;
    return result;
}

int SimulatedHost::Unload() {
    loaded_ = false;
    return sim::CallEntryUnload();
}

std::vector<std::string> SimulatedHost::Output() {
    return TakeDiagnostics();
}

std::vector<std::string> TickUntilSaid(const std::string& text, int timeout_ms) {
    std::vector<std::string> said;
    const DWORD start = GetTickCount();
    do {
        sim::TickTimers();
        for (std::string& entry : TakeDiagnostics()) {
            said.push_back(std::move(entry));
        }
        if (CountStartingWith(said, text) > 0) {
            break;
        }
        Sleep(5);
    } while (GetTickCount() - start < static_cast<DWORD>(timeout_ms));
    return said;
}

bool TickUntil(const std::function<bool()>& done, int timeout_ms) {
    const DWORD start = GetTickCount();
    do {
        sim::TickTimers();
        sim::PumpMessages();
        if (done()) {
            return true;
        }
        Sleep(5);
    } while (GetTickCount() - start < static_cast<DWORD>(timeout_ms));
    return false;
}

bool ContainsEntry(const std::vector<std::string>& entries, const std::string& text) {
    for (const std::string& entry : entries) {
        if (entry == text) {
            return true;
        }
    }
    return false;
}

int CountStartingWith(const std::vector<std::string>& entries, const std::string& prefix) {
    int count = 0;
    for (const std::string& entry : entries) {
        count += entry.starts_with(prefix) ? 1 : 0;
    }
    return count;
}
