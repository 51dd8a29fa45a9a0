// Every GDI object and device context the real DLL makes is given back: over a whole session,
// over a hundred load/unload cycles, and on every failure path of the picture loader and of the
// persistent frame buffers. The DLL's own gdi32/user32 imports are wrapped to count.
#include <gtest/gtest.h>
#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
#include <string>
#include <vector>

#include "extension_module.h"
#include "gdi_accounting.h"
#include "global_ext_state.h"
#include "host_exercise.h"
#include "host_windows.h"
#include "midi_editor.h"
#include "projects.h"
#include "registrations.h"
#include "scene.h"
#include "support/gdi_counted_extension.h"
#include "support/picture_files.h"
#include "support/sim_fixture.h"

namespace {

constexpr char kPicture[] = "accounting.png";
constexpr char kOtherPicture[] = "accounting_other.png";
constexpr DWORD kPastSettingsInterval = 260;
// The picture plus working, fitted and last frame, each bitmap in its own memory DC.
constexpr long long kAttachedBitmaps = 4;

void WriteBytes(const std::string& name, const std::string& bytes) {
    FILE* file = _wfopen(reinterpret_cast<const wchar_t*>(TestPicturePath(name).c_str()), L"wb");
    ASSERT_NE(file, nullptr) << name;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

std::string ReadBytes(const std::u16string& path) {
    std::string bytes;
    FILE* file = _wfopen(reinterpret_cast<const wchar_t*>(path.c_str()), L"rb");
    if (file == nullptr) {
        return bytes;
    }
    char buffer[4096];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, got);
    }
    std::fclose(file);
    return bytes;
}

void Put32(std::string& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

// File and info headers of a 24-bit BMP that claims 100000 x 100000 pixels and has none.
std::string OversizedBmp() {
    std::string bytes(54, '\0');
    bytes[0] = 'B';
    bytes[1] = 'M';
    Put32(bytes, 2, 54);
    Put32(bytes, 10, 54);
    Put32(bytes, 14, 40);
    Put32(bytes, 18, 100000);
    Put32(bytes, 22, 100000);
    bytes[26] = 1;
    bytes[28] = 24;
    return bytes;
}

// Threads of this process that are alive now.
int ProcessThreads() {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return -1;
    }
    int count = 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        count += entry.th32OwnerProcessID == GetCurrentProcessId() ? 1 : 0;
    }
    CloseHandle(snapshot);
    return count;
}

class HandleAccounting : public SimulatedHost {
  protected:
    static void SetUpTestSuite() {
        WriteTestPicture(kPicture, 160, 90, GradientPixel);
        WriteTestPicture(kOtherPicture, 300, 500, [](int x, int y) { return GradientPixel(y, x); });
    }
    static void TearDownTestSuite() {
        RemoveDirectoryW(reinterpret_cast<const wchar_t*>(TestPicturePath("folder.png").c_str()));
        RemoveTestPictures();
    }
    void SetUp() override {
        SimulatedHost::SetUp();
        sim::ResetGdiCounts();
        ASSERT_FALSE(CountExtensionGdi().empty());
        UsePicture(kPicture);
    }
    void TearDown() override {
        sim::StopGdiAccounting();
        SimulatedHost::TearDown();
    }
    static void UsePicture(const std::string& name) {
        ReaProject* project = sim::CurrentProject();
        sim::PutExtStateValue(project, "Murivo", "path", NarrowPath(TestPicturePath(name)));
        sim::PutExtStateValue(project, "Murivo", "enabled", "1");
    }
    static void Setting(const std::string& key, const std::string& value) {
        sim::PutExtStateValue(sim::CurrentProject(), "Murivo", key, value);
    }
    // The next tick re-reads the project's settings.
    static void ApplySettingsNow() {
        Sleep(kPastSettingsInterval);
        sim::TickTimers();
    }
    void Attach() {
        ASSERT_EQ(Load(), 1);
        ASSERT_EQ(CountStartingWith(TickUntilSaid(kShownStart), kActiveBannerStart), 1);
    }
    // Repaints the arrange view at a size it has not had yet, so its buffers are made again.
    static void RepaintAtNewSize() {
        static int grow = 0;
        grow = (grow + 7) % 200;
        sim::ResizeArrange(600 + grow, 300 + grow);
        sim::PumpMessages();
        sim::RedrawArrange();
    }
};

TEST_F(HandleAccounting, ASessionOfAThousandFramesWithSettingsChangesGivesEverythingBack) {
    Attach();
    EXPECT_TRUE(HoldsBitmapsInMemoryDcs(kAttachedBitmaps));
    for (int frame = 0; frame < 1000; ++frame) {
        sim::ExerciseStep(frame);
        if (frame % 10 == 0) {
            sim::TickTimers();
        }
        switch (frame) {
        case 100:
            Setting("opacity_permille", "800");
            ApplySettingsNow();
            break;
        case 200:
            Setting("mode", "contain");
            Setting("grayscale", "1");
            ApplySettingsNow();
            break;
        case 300:
            UsePicture(kOtherPicture);
            ApplySettingsNow();
            break;
        case 400:
            Setting("enabled", "0");
            ApplySettingsNow();
            // The picture goes; the surfaces stay for the next one until detach or unload.
            EXPECT_TRUE(HoldsBitmapsInMemoryDcs(kAttachedBitmaps - 1));
            break;
        case 450:
            Setting("enabled", "1");
            ApplySettingsNow();
            break;
        case 500:
            sim::ResizeArrange(800, 450);
            break;
        case 600:
            sim::CurrentScene().play_state = 1;
            sim::TickTimers();
            break;
        case 650:
            sim::CurrentScene().play_state = 0;
            sim::TickTimers();
            break;
        case 700:
            sim::SetCurrentProject(1); // a project without a wallpaper
            sim::TickTimers();
            EXPECT_TRUE(HoldsBitmapsInMemoryDcs(kAttachedBitmaps - 1));
            sim::SetCurrentProject(0);
            sim::TickTimers();
            break;
        case 800:
            sim::ReplaceArrangeWindow(); // detached from the old view, attached to the new one
            sim::TickTimers();
            break;
        default:
            break;
        }
    }
    sim::RedrawArrange();
    EXPECT_TRUE(HoldsBitmapsInMemoryDcs(kAttachedBitmaps)) << "the frames left something behind";
    EXPECT_GT(sim::CurrentGdiCounts().window_dcs_of_windows, 0) << "no render was counted";

    DestroyWindow(sim::ArrangeWindow()); // detached, nothing to attach to
    sim::TickTimers();
    EXPECT_TRUE(HoldsBitmapsInMemoryDcs(1)) << "only the picture stays after a detach";
    Unload();
    EXPECT_TRUE(NothingLeftBehind());
}

// A note view's three surfaces (the fitted one made on the picture thread) go with its editor,
// with the project's setting and with the unload, and are made again at its new size.
TEST_F(HandleAccounting, ANoteViewsSurfacesGoWithItsEditorTheSettingAndTheUnload) {
    Setting("midi_editor", "1");
    Attach();
    auto holds = [](long long bitmaps) {
        return TickUntil(
            [&] {
                sim::RedrawNoteViews();
                return bool(HoldsBitmapsInMemoryDcs(bitmaps));
            },
            5000);
    };
    HWND editor = sim::OpenMidiEditor(false, 300, 200);
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(holds(kAttachedBitmaps + 3)) << "opened";
    sim::ResizeNoteView(editor, 360, 240);
    EXPECT_TRUE(holds(kAttachedBitmaps + 3)) << "resized";
    sim::CloseMidiEditor(editor);
    EXPECT_TRUE(holds(kAttachedBitmaps)) << "closed";
    ASSERT_NE(sim::OpenMidiEditor(true, 300, 200), nullptr);
    EXPECT_TRUE(holds(kAttachedBitmaps + 3)) << "docked";
    Setting("midi_editor", "0");
    ApplySettingsNow();
    EXPECT_TRUE(holds(kAttachedBitmaps)) << "switched off";
    Setting("midi_editor", "1");
    ApplySettingsNow();
    EXPECT_TRUE(holds(kAttachedBitmaps + 3)) << "on again";
    Unload();
    EXPECT_TRUE(NothingLeftBehind());
}

// Also the threads that share a frame's rows (two, as this computer's setting asks): started at
// the attach, none is left once the unload returns.
TEST_F(HandleAccounting, AHundredLoadUnloadCyclesInOneProcessGiveEverythingBack) {
    const std::vector<std::string> wrapped = CountExtensionGdi();
    sim::PutGlobalExtStateValue("Murivo", "frame_threads", "2");
    for (int cycle = 0; cycle < 100; ++cycle) {
        sim::StopGdiAccounting();
        sim::FreeExtensionModule();
        std::string error;
        ASSERT_TRUE(sim::LoadExtensionModule(sim::DefaultExtensionPath(), error)) << error;
        ASSERT_EQ(CountExtensionGdi(), wrapped) << "cycle " << cycle;
        const int threads_before = ProcessThreads();
        ASSERT_EQ(Load(), 1) << "cycle " << cycle;
        TickUntilSaid(kShownStart);
        sim::RedrawArrange();
        ASSERT_TRUE(HoldsBitmapsInMemoryDcs(kAttachedBitmaps)) << "cycle " << cycle;
        ASSERT_GT(ProcessThreads(), threads_before) << "cycle " << cycle;
        Unload();
        ASSERT_TRUE(NothingLeftBehind()) << "cycle " << cycle;
        ASSERT_EQ(ProcessThreads(), threads_before) << "cycle " << cycle;
    }
}

TEST_F(HandleAccounting, EveryLoaderFailureGivesEverythingBack) {
    WriteBytes("text.png", "This is a text file, not a picture.\n");
    std::string png = ReadBytes(TestPicturePath(kPicture));
    ASSERT_GT(png.size(), 100u);
    WriteBytes("truncated.png", png.substr(0, png.size() / 2));
    WriteBytes("too_large.bmp", OversizedBmp());
    CreateDirectoryW(reinterpret_cast<const wchar_t*>(TestPicturePath("folder.png").c_str()),
                     nullptr);

    struct Case {
        std::string picture;
        std::string injected; // a GDI call made to fail, or empty
        std::string line;     // the loader's diagnostic, or its start
    };
    const Case cases[] = {
        {"missing.png", "", "Wallpaper file not found.\n"},
        {"folder.png", "", "Wallpaper file not found.\n"},
        {"text.png", "", "WIC decoder failed. HRESULT = 0x"},
        {"truncated.png", "", "WIC "},
        {"too_large.bmp", "", "Wallpaper dimensions are invalid or too large.\n"},
        {kPicture, "CreateDIBSection", "Unable to allocate wallpaper bitmap.\n"},
        {kPicture, "CreateCompatibleDC", "Unable to create wallpaper DC.\n"},
        {kPicture, "SelectObject", "Unable to select wallpaper bitmap.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.picture + " " + c.injected);
        UsePicture(c.picture);
        if (!c.injected.empty()) {
            ASSERT_TRUE(sim::InjectGdiFailure(c.injected, 1));
        }
        ASSERT_EQ(Load(), 1);
        std::vector<std::string> output = TickUntilSaid("Wallpaper image unavailable");
        EXPECT_FALSE(sim::GdiFailurePending());
        EXPECT_EQ(CountStartingWith(output, c.line), 1);
        EXPECT_TRUE(
            ContainsEntry(output, "Wallpaper image unavailable; disabled for this project.\n"));
        sim::RedrawArrange();
        EXPECT_TRUE(NothingLeftBehind()) << "attached without a picture";
        Unload();
        EXPECT_TRUE(NothingLeftBehind()) << "after the unload";
    }
}

TEST_F(HandleAccounting, EveryFrameBufferFailureGivesEverythingBack) {
    Attach();
    // The buffers are released before new ones are made (two selections back; the fitted one is
    // kept to be stretched into the new one), then each surface is made as DIB section, memory
    // DC and selection, working first.
    struct Case {
        const char* injected;
        int nth;
        long long bitmaps_after; // the picture alone, or a complete set
    };
    const Case cases[] = {
        {"CreateDIBSection", 1, 1},   {"CreateDIBSection", 2, 1},   {"CreateDIBSection", 3, 1},
        {"CreateCompatibleDC", 1, 1}, {"CreateCompatibleDC", 2, 1}, {"CreateCompatibleDC", 3, 1},
        {"SelectObject", 3, 1},       {"SelectObject", 4, 1},       {"SelectObject", 5, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.injected) + " #" + std::to_string(c.nth));
        RepaintAtNewSize();
        ASSERT_TRUE(HoldsBitmapsInMemoryDcs(kAttachedBitmaps));
        Output();
        ASSERT_TRUE(sim::InjectGdiFailure(c.injected, c.nth));
        RepaintAtNewSize();
        sim::RedrawArrange(); // within the back-off: the failed size is not tried again
        EXPECT_FALSE(sim::GdiFailurePending());
        EXPECT_TRUE(HoldsBitmapsInMemoryDcs(c.bitmaps_after));
        EXPECT_EQ(ContainsEntry(Output(), "V4 persistent buffers created.\n"), c.bitmaps_after > 1)
            << "only a complete set is announced";
    }
    Unload();
    EXPECT_TRUE(NothingLeftBehind());
}

} // namespace
