// A thread that saves over a picture file again and again, the way an image editor saves:
// truncate, then the bytes in a few chunks with short pauses, so that a reader can catch the file
// half written. It alternates another file's content with the file's own and puts its own back
// at the end.
#pragma once

#include <string>

namespace sim {

struct RewriteCounts {
    int rewrites = 0; // saves begun
    int blocked = 0;  // saves the file refused (someone held it without sharing write)
    bool restored = false;
};

// From now, every every_ms for for_ms. False with a message in error when either file cannot be
// read or rewrites already run.
bool StartPictureRewrites(const std::string& target, const std::string& other, int every_ms,
                          int for_ms, std::string& error);

// Stops and joins the thread (at once when it is still saving over and over), puts the original
// content back and says what it did. Nothing when none runs.
RewriteCounts StopPictureRewrites();

bool PictureRewritesRunning();

} // namespace sim
