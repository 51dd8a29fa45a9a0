// The threads that share a frame's rows are guests: none before the arrange view is attached,
// as many as this computer's setting asks, named, at the priority of the thread that attached,
// none after the detach; and an unload never waits without bound for one that cannot stop.
#include <gtest/gtest.h>
#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <string>
#include <vector>

#include "extension_module.h"
#include "foreign_hook.h"
#include "global_ext_state.h"
#include "host_windows.h"
#include "import_slot.h"
#include "projects.h"
#include "registrations.h"
#include "support/modal_driver.h"
#include "support/sim_fixture.h"

namespace {

using GetThreadDescriptionFunction = HRESULT(WINAPI*)(HANDLE, PWSTR*);

struct Worker {
    DWORD id;
    std::wstring name;
    int priority;
};

// This process's threads named as frame workers, in the order of their names.
std::vector<Worker> FrameWorkers() {
    std::vector<Worker> workers;
    const auto describe = reinterpret_cast<GetThreadDescriptionFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetThreadDescription")));
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (describe == nullptr || snapshot == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "no thread names or no thread list on this system";
        if (snapshot != INVALID_HANDLE_VALUE) {
            CloseHandle(snapshot);
        }
        return workers;
    }
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != GetCurrentProcessId()) {
            continue;
        }
        const HANDLE thread =
            OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID);
        if (thread == nullptr) {
            continue;
        }
        PWSTR text = nullptr;
        if (SUCCEEDED(describe(thread, &text)) && text != nullptr) {
            const std::wstring name = text;
            if (name.rfind(L"Murivo frame rows ", 0) == 0) {
                workers.push_back({entry.th32ThreadID, name, GetThreadPriority(thread)});
            }
            LocalFree(text);
        }
        CloseHandle(thread);
    }
    CloseHandle(snapshot);
    std::sort(workers.begin(), workers.end(),
              [](const Worker& a, const Worker& b) { return a.name < b.name; });
    return workers;
}

// Each worker names itself as it starts: the frame workers once `count` of them are named, or
// after five seconds whatever there is.
std::vector<Worker> NamedFrameWorkers(size_t count) {
    std::vector<Worker> workers = FrameWorkers();
    for (int wait = 0; wait < 500 && workers.size() != count; ++wait) {
        Sleep(10);
        workers = FrameWorkers();
    }
    return workers;
}

// The calling thread at another priority for as long as it lives.
struct PriorityScope {
    explicit PriorityScope(int priority) : before(GetThreadPriority(GetCurrentThread())) {
        SetThreadPriority(GetCurrentThread(), priority);
    }
    ~PriorityScope() { SetThreadPriority(GetCurrentThread(), before); }
    int before;
};

class FrameThreads : public SimulatedHost {};

} // namespace

TEST_F(FrameThreads, StartAtTheAttachAsTheSettingAsksNamedAtTheAttachingThreadsPriority) {
    sim::PutGlobalExtStateValue("Murivo", "frame_threads", "4");
    const PriorityScope raised(THREAD_PRIORITY_ABOVE_NORMAL);
    ASSERT_EQ(Load(), 1);
    EXPECT_TRUE(FrameWorkers().empty()) << "started before the attach";
    sim::TickTimers();
    ASSERT_EQ(CountStartingWith(Output(), kActiveBannerStart), 1);
    const std::vector<Worker> workers = NamedFrameWorkers(3);
    ASSERT_EQ(workers.size(), 3u);
    for (size_t i = 0; i < workers.size(); ++i) {
        EXPECT_EQ(workers[i].name, L"Murivo frame rows " + std::to_wstring(i + 1));
        EXPECT_EQ(workers[i].priority, THREAD_PRIORITY_ABOVE_NORMAL) << "worker " << i + 1;
    }
    DestroyWindow(sim::ArrangeWindow());
    sim::TickTimers();
    EXPECT_TRUE(FrameWorkers().empty()) << "left after the detach";
}

// The settings dialog's choice belongs to this computer, not to the project, and the workers
// follow it while the dialog is open.
TEST_F(FrameThreads, TheDialogsChoiceIsKeptForThisComputerAndFollowedAtOnce) {
    constexpr int kCombo = 1050;
    sim::PutGlobalExtStateValue("Murivo", "frame_threads", "2");
    ASSERT_EQ(Load(), 1);
    sim::TickTimers();
    ASSERT_EQ(NamedFrameWorkers(1).size(), 1u);
    auto choose = [](HWND dialog, int index) {
        SendDlgItemMessageW(dialog, kCombo, CB_SETCURSEL, WPARAM(index), 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kCombo, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, kCombo)));
    };
    DialogWatchdog watchdog(15000);
    WhenDialogAppears(L"Murivo settings", [&](HWND dialog) {
        EXPECT_EQ(SendDlgItemMessageW(dialog, kCombo, CB_GETCOUNT, 0, 0), 4);
        EXPECT_EQ(ControlText(dialog, kCombo), L"2");
        choose(dialog, 3);
        EXPECT_EQ(sim::GlobalExtStateValue("Murivo", "frame_threads"), "4");
        EXPECT_EQ(NamedFrameWorkers(3).size(), 3u);
        choose(dialog, 1);
        EXPECT_EQ(sim::GlobalExtStateValue("Murivo", "frame_threads"), "1");
        EXPECT_TRUE(FrameWorkers().empty());
        choose(dialog, 0);
        EXPECT_EQ(sim::GlobalExtStateValue("Murivo", "frame_threads"), "auto");
        EXPECT_TRUE(sim::IsGlobalExtStatePersisted("Murivo", "frame_threads"));
        SendMessageW(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_TRUE(sim::DispatchCommand(sim::CommandIdFor("MURIVOSETTINGS")));
    EXPECT_EQ(TakeUnseenDialogs(), 0);
    EXPECT_FALSE(watchdog.Fired());
    EXPECT_TRUE(sim::ExtStateSection(sim::CurrentProject(), "Murivo").empty());
}

// A worker that cannot run (here suspended) when the unload stops the pool: the unload returns
// after its bound, says so, and the module stays mapped for the code that worker runs on waking.
// Another party's BitBlt hook keeps ours out, which would pin the module for its own reasons.
TEST_F(FrameThreads, AnUnloadThatCannotStopAWorkerReturnsAndKeepsItsCodeMapped) {
    sim::PutGlobalExtStateValue("Murivo", "frame_threads", "2");
    ASSERT_TRUE(sim::InstallForeignBitBltHook());
    ASSERT_EQ(Load(), 1);
    sim::TickTimers();
    const std::vector<Worker> workers = NamedFrameWorkers(1);
    ASSERT_EQ(workers.size(), 1u);
    const HANDLE worker =
        OpenThread(THREAD_SUSPEND_RESUME | SYNCHRONIZE, FALSE, workers.front().id);
    ASSERT_NE(worker, nullptr);
    ASSERT_NE(SuspendThread(worker), DWORD(-1));
    const HMODULE module = sim::ExtensionModule();
    Output();
    Unload();
    EXPECT_EQ(CountStartingWith(Output(), "Murivo: a frame thread did not stop in time"), 1);
    sim::FreeExtensionModule();
    EXPECT_TRUE(sim::AddressInModule(module, reinterpret_cast<void*>(module)))
        << "the module was unmapped under a live worker";
    ResumeThread(worker);
    EXPECT_EQ(WaitForSingleObject(worker, 10000), WAIT_OBJECT_0) << "the worker did not end";
    CloseHandle(worker);
    sim::RemoveForeignBitBltHook();
}
