// The picture thread: loads, fits and change checks of the wallpaper run there, so that the
// interface thread never waits on a disk, a server, a decoder or a fit. The interface thread
// posts work and, on its timer, takes what finished; the newest work wins. The thread starts with
// the first work and stops at the detach or the unload, abandoning whatever it was doing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "frame/frame_view.h"
#include "frame/memory_bitmap.h"
#include "frame/picture_decoder.h"
#include "frame/wallpaper_image.h"
#include "present/picture_fit.h"
#include "present/picture_search.h"

enum class PictureJobKind {
    load,     // find and decode the picture the settings name, then fit it
    refit,    // fit the given picture again (settings or size changed, or more detail is wanted)
    check,    // look whether the shown file was rewritten; reload it once it has settled
    view_fit, // fit the shown picture for one note view; never replaces or stops other work
};

struct PictureJob {
    PictureJobKind kind = PictureJobKind::load;
    uint64_t ticket = 0;  // the interface thread's count of what it asked for
    PictureSearch search; // load
    PictureRef picture;   // refit
    PictureSource source; // refit (to read it again larger) and check: the file shown
    FitInputs fit;        // 0 x 0: the picture only, no fit
    uint64_t view = 0;    // view_fit: which view asked; one waits per view, the newest
};

struct PictureResult {
    PictureJobKind kind = PictureJobKind::load;
    uint64_t ticket = 0;
    // load: as found; refit: loaded, or abandoned; check: loaded (rewritten and read again) or
    // undecodable (rewritten, and the new file failed: its stamps are in source)
    PictureLoad outcome = PictureLoad::missing;
    PictureRef picture;   // loaded
    PictureSource source; // loaded (and undecodable rewrites)
    std::u16string unreachable_file;
    FitInputs fit;                  // what fitted was made for
    MemoryBitmap fitted;            // the picture fitted at fit's size; empty when not made
    PixelRect picture_rect;         // where it lies in fitted
    std::vector<std::string> lines; // the work's diagnostics, to be said in order
    uint64_t view = 0;              // view_fit: as asked
};

// A changed file is read again once its time and size stayed the same this long: an editor still
// writing it would otherwise be caught half-way.
inline constexpr uint32_t kSettledForMs = 300;

// Files on other computers and removable drives are looked at no more often than this.
inline constexpr uint32_t kSlowFileCheckMs = 5000;

// How long the stop waits for a thread in the middle of a read before leaving it behind.
inline constexpr uint32_t kPictureStopWaitMs = 200;

// Interface thread. Replaces work not yet started; a load or refit also tells work under way to
// stop (its result will not be wanted). A check is dropped while other work waits or runs. A
// view fit replaces only the same view's waiting fit and runs when no other work waits.
void PostPictureJob(PictureJob job);

// Interface thread: the oldest finished result, if any.
bool TakePictureResult(PictureResult& result);

// The settings dialog's small copy of a picture, read and decoded on the picture thread when the
// wallpaper's own work is done; the newest request wins. size_for as in PictureRequest.
void PostPreviewJob(uint64_t ticket, std::u16string file,
                    std::function<PictureSize(int, int)> size_for);

// The decode of the request with this ticket once it has finished: true, and decoded is the
// caller's (its bitmap set only when status is decoded). False while it runs or when the finished
// one was another ticket's (that one is freed).
bool TakePreviewResult(uint64_t ticket, DecodedPicture& decoded);

// Lets the picture thread free a picture and a surface no longer shown (freeing large bitmaps
// takes milliseconds); freed at once when there is no such thread.
void DiscardOnPictureThread(PictureRef picture, MemoryBitmap surface);

// Frees what a result holds that is not shared (the fitted surface).
void ReleasePictureResult(PictureResult& result);

// Nothing waiting, nothing running, no result to take.
bool PictureWorkIdle();

// Stops the thread and frees waiting results. A thread stuck in a read is left to finish alone
// (the module stays mapped for it) after kPictureStopWaitMs; one line then.
void StopPictureWorker();
