#include "present/picture_worker.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <thread>

#include "base/debug_line.h"
#include "base/module_pin.h"
#include "base/thread_traits.h"
#include "base/ticks.h"
#include "frame/picture_decoder.h"
#include "frame/picture_file.h"
#include "settings/picture_path.h"

namespace {

struct PreviewRequest {
    uint64_t ticket;
    std::u16string file;
    std::function<PictureSize(int, int)> size_for;
};

struct PreviewDone {
    uint64_t ticket;
    DecodedPicture decoded;
};

void FreeDecoded(DecodedPicture& decoded) {
    if (decoded.bitmap != nullptr) {
        DeleteObject(decoded.bitmap);
    }
    decoded = {};
}

// What the interface thread and the picture thread share. Held by both, so that a thread left
// behind at the stop still has it when its read returns.
struct Shared {
    std::mutex lock;
    std::condition_variable wake; // work was posted, or the thread is to stop
    std::condition_variable gone; // the thread left its loop
    std::optional<PictureJob> waiting;
    std::vector<PictureJob> view_fits; // at most one per view
    std::deque<PictureResult> finished;
    std::optional<PreviewRequest> preview_waiting;
    std::optional<PreviewDone> preview_done;
    std::vector<PictureRef> discarded_pictures; // freed here, not on the interface thread
    std::vector<MemoryBitmap> discarded_surfaces;
    bool busy = false;
    bool busy_with_view_fit = false; // a fit is short and other work never stops it
    bool stop = false;
    bool exited = false;
    uint64_t running_ticket = 0;
    std::atomic<bool> abandon{false}; // the work under way is no longer wanted
};

// Pictures decoded here, with the file stamps they were read at, for as long as someone (the
// view) still holds them: project tabs that show the same picture then cost no decode, and the
// cache itself keeps no picture alive.
struct CachedPicture {
    std::u16string file;
    uint64_t write_time;
    uint64_t size;
    std::weak_ptr<const WallpaperImage> picture;
};
constexpr size_t kCachedPictures = 4;

// What the picture thread keeps between jobs; its own, never shared.
struct ThreadState {
    std::vector<CachedPicture> cache; // newest first
    // A rewrite seen and not yet settled.
    std::u16string changed_file;
    uint64_t changed_write_time = 0;
    uint64_t changed_size = 0;
    uint32_t changed_since = 0;
    // When a slow file (another computer, a removable drive) was last looked at.
    std::u16string slow_file;
    uint32_t slow_checked = 0;
};

std::shared_ptr<Shared> g_shared; // interface thread
// Never a static thread object: one still running when the process ends (a host that exits
// without unloading us) would have its destructor end the process with an error.
std::thread* g_thread = nullptr; // interface thread

PictureRef FromCache(ThreadState& state, const std::u16string& file, uint64_t write_time,
                     uint64_t size) {
    for (auto at = state.cache.begin(); at != state.cache.end(); ++at) {
        if (at->file == file && at->write_time == write_time && at->size == size) {
            return at->picture.lock(); // null once nobody holds it
        }
    }
    return nullptr;
}

void Remember(ThreadState& state, const PictureSource& source, const PictureRef& picture) {
    if (picture == nullptr || source.file.empty()) {
        return;
    }
    try {
        state.cache.erase(std::remove_if(state.cache.begin(), state.cache.end(),
                                         [&](const CachedPicture& entry) {
                                             return entry.file == source.file ||
                                                    entry.picture.expired();
                                         }),
                          state.cache.end());
        state.cache.insert(state.cache.begin(),
                           {source.file, source.write_time, source.size, picture});
        if (state.cache.size() > kCachedPictures) {
            state.cache.resize(kCachedPictures);
        }
    } catch (const std::bad_alloc&) {
        state.cache.clear(); // a cache is only a saving
    }
}

// A picture too small for the fit is read again at the size the fit wants.
PictureRef WithDetailFor(const PictureRef& picture, const PictureSource& source,
                         const FitInputs& fit, const std::atomic<bool>& abandon) {
    const PictureSize wanted = DetailWantedFor(*picture, fit);
    if (source.file.empty() || PictureHasDetailFor(*picture, wanted.width, wanted.height)) {
        return picture;
    }
    WallpaperImage larger = {};
    if (!OpenAndReadPicture(source.file, wanted, &abandon, larger)) {
        return picture; // the kept copy is stretched instead
    }
    PictureRef shared = SharePicture(larger);
    return shared != nullptr ? shared : picture;
}

void FitInto(PictureResult& result, const std::atomic<bool>& abandon) {
    const FitInputs& fit = result.fit;
    if (fit.width <= 0 || fit.height <= 0 || result.picture == nullptr ||
        abandon.load(std::memory_order_relaxed)) {
        return;
    }
    MemoryBitmap made;
    if (CreateMemoryBitmap(nullptr, fit.width, fit.height, made) != MemoryBitmapStep::done) {
        return; // the interface thread fits it itself
    }
    result.picture_rect = FitPicture(*result.picture, fit, made.dc, made.pixels);
    GdiFlush();
    result.fitted = made;
}

void RunLoad(const PictureJob& job, ThreadState& state, const std::atomic<bool>& abandon,
             PictureResult& result) {
    PictureRef cached;
    FoundPicture found =
        RunPictureSearch(job.search, {0, 0}, &abandon,
                         [&](const std::u16string& file, uint64_t write_time, uint64_t size) {
                             cached = FromCache(state, file, write_time, size);
                             return cached != nullptr;
                         });
    result.outcome = found.outcome;
    result.unreachable_file = found.unreachable_file;
    if (found.outcome != PictureLoad::loaded) {
        return;
    }
    result.source = found.source;
    result.picture = cached != nullptr ? cached : SharePicture(found.image);
    if (result.picture == nullptr) {
        result.outcome = PictureLoad::undecodable;
        return;
    }
    result.picture = WithDetailFor(result.picture, result.source, job.fit, abandon);
    Remember(state, result.source, result.picture);
    FitInto(result, abandon);
}

bool IsSlowFile(const std::u16string& file) {
    if (ClassifyPicturePath(file) == PathKind::network) {
        return true;
    }
    if (file.size() < 3 || file[1] != u':') {
        return false;
    }
    const wchar_t root[] = {static_cast<wchar_t>(file[0]), L':', L'\\', 0};
    const UINT type = GetDriveTypeW(root);
    return type == DRIVE_REMOTE || type == DRIVE_REMOVABLE || type == DRIVE_CDROM;
}

// Looks at the shown file; a rewrite is read again once it has settled. Only a read makes a
// result.
bool RunCheck(const PictureJob& job, ThreadState& state, const std::atomic<bool>& abandon,
              PictureResult& result) {
    const uint32_t now = GetTickCount();
    if (state.slow_file == job.source.file &&
        TicksSince(now, state.slow_checked) < kSlowFileCheckMs) {
        return false;
    }
    if (IsSlowFile(job.source.file)) {
        state.slow_file = job.source.file;
        state.slow_checked = now;
    }
    // Gone or unreadable: the picture stays on screen until the project is applied afresh.
    PictureFile file = OpenPictureFile(job.source.file);
    if (file.status != PictureFileStatus::opened) {
        return false;
    }
    if (file.write_time == job.source.write_time && file.size == job.source.size) {
        ClosePictureFile(file);
        state.changed_file.clear();
        return false;
    }
    const bool same_change = state.changed_file == job.source.file &&
                             state.changed_write_time == file.write_time &&
                             state.changed_size == file.size;
    if (!same_change) {
        state.changed_file = job.source.file;
        state.changed_write_time = file.write_time;
        state.changed_size = file.size;
        state.changed_since = now;
    }
    if (!same_change || TicksSince(now, state.changed_since) < kSettledForMs) {
        ClosePictureFile(file);
        return false;
    }
    state.changed_file.clear();
    result.source = job.source;
    result.source.write_time = file.write_time;
    result.source.size = file.size;
    WallpaperImage image = {};
    const bool read = ReadPicture(file, {0, 0}, &abandon, image);
    ClosePictureFile(file);
    if (!read) {
        // Noted, so the file is tried again only once it changes again: one line per change.
        result.outcome = abandon.load() ? PictureLoad::abandoned : PictureLoad::undecodable;
        return true;
    }
    result.picture = SharePicture(image);
    if (result.picture == nullptr) {
        result.outcome = PictureLoad::undecodable;
        return true;
    }
    result.outcome = PictureLoad::loaded;
    result.picture = WithDetailFor(result.picture, result.source, job.fit, abandon);
    Remember(state, result.source, result.picture);
    FitInto(result, abandon);
    return true;
}

// Runs one job; false when it has nothing to report.
bool RunJob(const PictureJob& job, ThreadState& state, const std::atomic<bool>& abandon,
            PictureResult& result) {
    result.kind = job.kind;
    result.ticket = job.ticket;
    result.fit = job.fit;
    switch (job.kind) {
    case PictureJobKind::load:
        RunLoad(job, state, abandon, result);
        return true;
    case PictureJobKind::refit:
        if (job.picture == nullptr) {
            return false;
        }
        result.source = job.source;
        result.picture = WithDetailFor(job.picture, job.source, job.fit, abandon);
        result.outcome = abandon.load() ? PictureLoad::abandoned : PictureLoad::loaded;
        FitInto(result, abandon);
        return true;
    case PictureJobKind::check:
        return RunCheck(job, state, abandon, result);
    case PictureJobKind::view_fit:
        if (job.picture == nullptr) {
            return false;
        }
        result.view = job.view;
        result.picture = job.picture;
        result.outcome = PictureLoad::loaded;
        FitInto(result, abandon);
        return result.fitted.bitmap != nullptr;
    }
    return false;
}

// The dialog's small copy: through the same gate, decoded by WIC's own scaler (it is small).
void RunPreview(Shared& shared, const PreviewRequest& request) {
    DecodedPicture decoded = {};
    PictureFile file = OpenPictureFile(request.file);
    if (file.status == PictureFileStatus::opened) {
        try {
            decoded =
                DecodePicture({file.handle, false, PictureReduction::wic_fant, request.size_for});
        } catch (...) {
            decoded = {};
        }
    }
    ClosePictureFile(file);
    if (decoded.status != DecodeStatus::decoded) {
        FreeDecoded(decoded);
    }
    std::lock_guard<std::mutex> hold(shared.lock);
    if (shared.stop) {
        FreeDecoded(decoded); // nobody will take it
        return;
    }
    if (shared.preview_done.has_value()) {
        FreeDecoded(shared.preview_done->decoded);
    }
    shared.preview_done = PreviewDone{request.ticket, decoded};
}

void ThreadLoop(std::shared_ptr<Shared> shared) {
    BecomePictureThread();
    ThreadState state;
    while (true) {
        PictureJob job;
        {
            std::unique_lock<std::mutex> hold(shared->lock);
            shared->wake.wait(hold, [&] {
                return shared->stop || shared->waiting.has_value() || !shared->view_fits.empty() ||
                       shared->preview_waiting.has_value() || !shared->discarded_pictures.empty() ||
                       !shared->discarded_surfaces.empty();
            });
            std::vector<PictureRef> pictures;
            std::vector<MemoryBitmap> surfaces;
            pictures.swap(shared->discarded_pictures);
            surfaces.swap(shared->discarded_surfaces);
            hold.unlock();
            pictures.clear();
            for (MemoryBitmap& surface : surfaces) {
                ReleaseMemoryBitmap(surface);
            }
            hold.lock();
            if (shared->stop) {
                break;
            }
            if (!shared->waiting.has_value() && !shared->view_fits.empty()) {
                job = std::move(shared->view_fits.front());
                shared->view_fits.erase(shared->view_fits.begin());
            } else if (!shared->waiting.has_value()) {
                if (shared->preview_waiting.has_value()) {
                    PreviewRequest request = std::move(*shared->preview_waiting);
                    shared->preview_waiting.reset();
                    hold.unlock();
                    RunPreview(*shared, request);
                }
                continue;
            } else {
                job = std::move(*shared->waiting);
                shared->waiting.reset();
            }
            shared->busy = true;
            shared->busy_with_view_fit = job.kind == PictureJobKind::view_fit;
            shared->running_ticket = job.ticket;
            shared->abandon.store(false);
        }
        PictureResult result;
        bool made = false;
        CaptureThreadLines(&result.lines);
        try {
            made = RunJob(job, state, shared->abandon, result);
        } catch (...) {
            made = false; // out of memory somewhere in a container: the work is dropped
        }
        CaptureThreadLines(nullptr);
        std::lock_guard<std::mutex> hold(shared->lock);
        shared->busy = false;
        if (made && !shared->stop && result.outcome != PictureLoad::abandoned) {
            try {
                shared->finished.push_back(std::move(result));
                continue;
            } catch (const std::bad_alloc&) {
            }
        }
        ReleasePictureResult(result);
    }
    state.cache.clear();
    std::lock_guard<std::mutex> hold(shared->lock);
    shared->exited = true;
    shared->gone.notify_all();
}

bool StartThread() {
    try {
        auto shared = std::make_shared<Shared>();
        g_thread = new std::thread(ThreadLoop, shared);
        g_shared = std::move(shared);
        return true;
    } catch (const std::exception&) {
        DebugLine("Picture thread could not be started; the wallpaper is not loaded.\n");
        return false;
    }
}

} // namespace

void PostPictureJob(PictureJob job) {
    if (g_shared == nullptr && !StartThread()) {
        return;
    }
    Shared& shared = *g_shared;
    std::lock_guard<std::mutex> hold(shared.lock);
    if (job.kind == PictureJobKind::view_fit) {
        auto same =
            std::find_if(shared.view_fits.begin(), shared.view_fits.end(),
                         [&](const PictureJob& waiting) { return waiting.view == job.view; });
        try {
            if (same != shared.view_fits.end()) {
                *same = std::move(job);
            } else {
                shared.view_fits.push_back(std::move(job));
            }
        } catch (const std::bad_alloc&) {
            return; // asked again on a later tick
        }
        shared.wake.notify_one();
        return;
    }
    if (job.kind == PictureJobKind::check &&
        (shared.busy || shared.waiting.has_value() || !shared.finished.empty())) {
        return;
    }
    if (job.kind != PictureJobKind::check && shared.busy && !shared.busy_with_view_fit) {
        shared.abandon.store(true);
    }
    shared.waiting = std::move(job);
    shared.wake.notify_one();
}

bool TakePictureResult(PictureResult& result) {
    if (g_shared == nullptr) {
        return false;
    }
    std::lock_guard<std::mutex> hold(g_shared->lock);
    if (g_shared->finished.empty()) {
        return false;
    }
    result = std::move(g_shared->finished.front());
    g_shared->finished.pop_front();
    return true;
}

void PostPreviewJob(uint64_t ticket, std::u16string file,
                    std::function<PictureSize(int, int)> size_for) {
    if (g_shared == nullptr && !StartThread()) {
        return;
    }
    std::lock_guard<std::mutex> hold(g_shared->lock);
    g_shared->preview_waiting = PreviewRequest{ticket, std::move(file), std::move(size_for)};
    g_shared->wake.notify_one();
}

bool TakePreviewResult(uint64_t ticket, DecodedPicture& decoded) {
    if (g_shared == nullptr) {
        return false;
    }
    std::lock_guard<std::mutex> hold(g_shared->lock);
    if (!g_shared->preview_done.has_value()) {
        return false;
    }
    PreviewDone done = *g_shared->preview_done;
    g_shared->preview_done.reset();
    if (done.ticket != ticket) {
        FreeDecoded(done.decoded);
        return false;
    }
    decoded = done.decoded;
    return true;
}

void DiscardOnPictureThread(PictureRef picture, MemoryBitmap surface) {
    if (g_shared != nullptr) {
        std::lock_guard<std::mutex> hold(g_shared->lock);
        try {
            if (picture != nullptr) {
                g_shared->discarded_pictures.push_back(std::move(picture));
            }
            if (surface.bitmap != nullptr) {
                g_shared->discarded_surfaces.push_back(surface);
                surface = {};
            }
            g_shared->wake.notify_one();
        } catch (const std::bad_alloc&) {
            // freed here after all, below
        }
    }
    picture = nullptr;
    ReleaseMemoryBitmap(surface);
}

void ReleasePictureResult(PictureResult& result) {
    ReleaseMemoryBitmap(result.fitted);
    result.picture = nullptr;
}

bool PictureWorkIdle() {
    if (g_shared == nullptr) {
        return true;
    }
    std::lock_guard<std::mutex> hold(g_shared->lock);
    return !g_shared->busy && !g_shared->waiting.has_value() && g_shared->view_fits.empty() &&
           g_shared->finished.empty();
}

void StopPictureWorker() {
    if (g_shared == nullptr) {
        return;
    }
    std::shared_ptr<Shared> shared = std::move(g_shared);
    std::deque<PictureResult> unwanted;
    bool exited = false;
    {
        std::unique_lock<std::mutex> hold(shared->lock);
        shared->stop = true;
        shared->abandon.store(true);
        shared->waiting.reset();
        shared->view_fits.clear();
        shared->wake.notify_all();
        exited = shared->gone.wait_for(hold, std::chrono::milliseconds(kPictureStopWaitMs),
                                       [&] { return shared->exited; });
        unwanted.swap(shared->finished);
        shared->preview_waiting.reset();
        if (shared->preview_done.has_value()) {
            FreeDecoded(shared->preview_done->decoded);
            shared->preview_done.reset();
        }
        shared->discarded_pictures.clear();
        for (MemoryBitmap& surface : shared->discarded_surfaces) {
            ReleaseMemoryBitmap(surface);
        }
        shared->discarded_surfaces.clear();
    }
    for (PictureResult& result : unwanted) {
        ReleasePictureResult(result);
    }
    std::unique_ptr<std::thread> thread(g_thread);
    g_thread = nullptr;
    if (exited) {
        thread->join();
        return;
    }
    // Stuck in a read from a slow server: it finishes on its own, with code that must stay.
    PinOwnModule();
    thread->detach();
    DebugLine("Picture thread still reading; left to finish on its own.\n");
}
