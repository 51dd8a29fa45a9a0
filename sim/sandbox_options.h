// The sandbox program's command line.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "presentation_modes.h"

namespace sim {

struct ProjectExtStateValue {
    int tab; // 0-based
    std::string key;
    std::string value;
};

struct PictureToMake {
    std::string path;
    int width;
    int height;
};

struct SandboxOptions {
    std::string scene_path;     // empty: the bundled scene
    std::string theme_path;     // empty: the bundled theme only
    std::string extension_path; // empty: reaper_murivo.dll next to the program
    bool load_extension = true;
    int run_ms = 1000;
    std::string screenshot_path; // empty: none
    std::vector<std::string> withheld;
    std::vector<std::string> refused;
    std::vector<std::pair<std::string, std::string>> ext_state;
    bool dump_ext_state = false;
    std::string project_path;      // the current project's file; empty: unsaved
    std::string global_state_path; // the host's global state, read before load, written after
    std::string swap_picture;      // copied over the shown picture's file half-way through
    std::vector<std::string> actions;
    std::vector<std::string> script_calls; // "Name(arguments)", after the actions
    bool report = false;
    int exercise_repaints = 0;        // host repaints with scrolling and clicks after attach
    bool foreign_bitblt_hook = false; // another party's hook in the BitBlt import before load
    int soak_frames = 0;              // after the run, random host frames, then the unload
    // Dialog name (settings, tint, items, about) and PNG path, in command-line order.
    std::vector<std::pair<std::string, std::string>> dialog_screenshots;
    bool help = false;
    bool memory_report = false; // the process's peak and current working set after the run
    PresentMode present = PresentMode::kDirty;
    bool erase = true;       // the arrange view erases with its class brush
    int play_ms = 0;         // after the run, this long with playback running
    bool seam_check = false; // at the end, partial against whole presentation
    int bitblt_threads = 0;  // other threads calling BitBlt through the import all along
    bool file_opens = false; // print every file name the extension handed to the system
    std::vector<std::string> unreachable; // name prefixes whose opens fail from the start
    unsigned long unreachable_error = 53; // ERROR_BAD_NETPATH, a server that is down
    int reachable_at_ms = -1;             // when the prefixes can be reached again; -1: never
    std::vector<std::pair<std::string, int>> slow_opens; // name prefix, milliseconds per open
    std::vector<ProjectExtStateValue> project_ext_state; // section Murivo of tab N before load
    int switch_tabs_ms = 0;      // the host moves to the next tab this often; 0: never
    std::string rewrite_picture; // rewritten over the shown picture's file, alternating
    int rewrite_every_ms = 50;   // how often, from the attach
    int rewrite_for_ms = 3000;   // for how long
    std::vector<PictureToMake> make_pictures; // written before the run
    std::string language_pack;                // empty: none; "test": the built-in one
    std::vector<bool> midi_editors;           // opened at start after the scene's; true: docked
    std::string notes_screenshot_path;        // the active note view at the end; empty: none
};

// False with a message in error for an unknown option, a missing or bad value.
bool ParseSandboxOptions(const std::vector<std::string>& arguments, SandboxOptions& options,
                         std::string& error);

extern const char* const kSandboxUsage;

} // namespace sim
