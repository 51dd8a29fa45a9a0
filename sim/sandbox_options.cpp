#include "sandbox_options.h"

#include <cerrno>
#include <cstdlib>
#include <string>

#include "dialog_capture.h"
#include "host_functions.h"
#include "script_bridge.h"

namespace sim {

const char* const kSandboxUsage =
    "usage: murivo-sandbox [options]\n"
    "  --scene FILE            scene to show (default: the bundled scene)\n"
    "  --theme FILE            .ReaperTheme whose key=integer lines overlay the bundled theme\n"
    "  --extension PATH        extension module (default: reaper_murivo.dll beside the program)\n"
    "  --no-extension          run the host alone\n"
    "  --ms N                  how long the host runs, in milliseconds (default 1000)\n"
    "  --screenshot FILE.png   the arrange view's client area at the end\n"
    "  --midi-editor floating|docked\n"
    "                          open a MIDI editor at the start, after the scene's (repeatable)\n"
    "  --notes-screenshot FILE.png\n"
    "                          the active MIDI editor's note view at the end\n"
    "  --withhold NAME[,NAME]  host functions the lookup does not know\n"
    "  --refuse NAME[,NAME]    registration names plugin_register refuses\n"
    "  --langpack FILE|test    the user's language pack: lines [Murivo] and English=Translated,\n"
    "                          or the built-in test pack (each text bracketed, 40 % longer)\n"
    "  --ext-state KEY=VALUE   stored in section Murivo of the current project before load\n"
    "  --dump-ext-state        print section Murivo of the current project at the end\n"
    "  --project-path FILE     the current project's file, as if it was saved there\n"
    "  --global-state FILE     the host's global extension state: read before load (when the\n"
    "                          file exists), its persisted values written back at the end\n"
    "  --swap-picture FILE     half-way through the run, FILE is copied over the picture file\n"
    "                          the current project (or else the default wallpaper) names\n"
    "  --action ID             run an action by its id string after attach (repeatable)\n"
    "  --script-call 'NAME(ARGS)'\n"
    "                          call a function the extension offers to scripts, as a script\n"
    "                          bridge does, after the actions, e.g. 'Murivo_SetSetting(0,\n"
    "                          \"opacity_permille\", \"500\")' (repeatable)\n"
    "  --report                print the host's view of the extension before and after unload\n"
    "  --exercise N            after the run, N host repaints with scrolling and clicks, and\n"
    "                          MIDI editors opening, closing, docking and resizing now and then\n"
    "  --foreign-bitblt-hook   another party's pass-through hook in the BitBlt import first\n"
    "  --dialog-screenshot NAME=FILE.png\n"
    "                          open dialog NAME (settings, tint, items, about) after attach,\n"
    "                          write its client area as PNG and close it (repeatable)\n"
    "  --soak N                after the run, N host frames with random activity, then unload\n"
    "                          and report live GDI objects and unexpected diagnostics\n"
    "  --memory-report         after the run, before the unload, print the process's peak and\n"
    "                          current working set\n"
    "  --present MODE          whole, dirty (default) or strips: how paints reach the screen\n"
    "  --erase brush|none      whether the arrange view erases with its class brush (default)\n"
    "  --play SECONDS          after the run, this long with playback running\n"
    "  --seam-check            at the end, count pixels a whole repaint changes (the arrange\n"
    "                          view, then each note view shown)\n"
    "  --threads N             N threads calling BitBlt through the import the whole run\n"
    "  --file-opens            at the end, every file name the extension handed to the system\n"
    "  --unreachable PREFIX    opens of names starting with PREFIX fail from before the load, as\n"
    "                          on a server that is down (repeatable)\n"
    "  --unreachable-error N   the Windows error they fail with (default 53, ERROR_BAD_NETPATH)\n"
    "  --reachable-at MS       MS milliseconds into the run, those names can be reached again\n"
    "  --slow-opens PREFIX=MS  names starting with PREFIX answer only after MS milliseconds,\n"
    "                          as a server that is down holds each open (repeatable)\n"
    "  --project-ext-state N:KEY=VALUE\n"
    "                          stored in section Murivo of project tab N (from 0) before load\n"
    "                          (repeatable)\n"
    "  --switch-tabs MS        every MS milliseconds the host switches to the next project tab\n"
    "  --rewrite-picture FILE  from the attach, the picture file the current project names is\n"
    "                          saved over again and again, alternating FILE's content and its\n"
    "                          own, the way an image editor saves; its own content at the end\n"
    "  --rewrite-every MS      how often (default 50)\n"
    "  --rewrite-for MS        for how long (default 3000)\n"
    "  --make-picture FILE=WIDTHxHEIGHT\n"
    "                          before the run, write a PNG of that size with a texture of its\n"
    "                          own (repeatable)\n";

namespace {

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> items;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos) {
            comma = text.size();
        }
        if (comma > start) {
            items.push_back(text.substr(start, comma - start));
        }
        start = comma + 1;
    }
    return items;
}

bool TakesValue(const std::string& option) {
    static const char* const kWithValue[] = {"--scene",
                                             "--theme",
                                             "--extension",
                                             "--ms",
                                             "--screenshot",
                                             "--withhold",
                                             "--refuse",
                                             "--ext-state",
                                             "--action",
                                             "--script-call",
                                             "--exercise",
                                             "--dialog-screenshot",
                                             "--soak",
                                             "--project-path",
                                             "--global-state",
                                             "--swap-picture",
                                             "--present",
                                             "--erase",
                                             "--play",
                                             "--threads",
                                             "--unreachable",
                                             "--unreachable-error",
                                             "--reachable-at",
                                             "--slow-opens",
                                             "--project-ext-state",
                                             "--switch-tabs",
                                             "--rewrite-picture",
                                             "--rewrite-every",
                                             "--rewrite-for",
                                             "--make-picture",
                                             "--langpack",
                                             "--midi-editor",
                                             "--notes-screenshot"};
    for (const char* name : kWithValue) {
        if (option == name) {
            return true;
        }
    }
    return false;
}

// A whole number filling value and lying in [lowest, highest] into target; otherwise a message
// naming what option wants ("a number of <what> from lowest to highest").
bool ParseWholeNumber(const std::string& option, const std::string& value, const char* what,
                      long lowest, long highest, int& target, std::string& error) {
    errno = 0;
    char* end = nullptr;
    long number = std::strtol(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || errno != 0 || number < lowest || number > highest) {
        error = option + " needs a number of " + what + " from " + std::to_string(lowest) + " to " +
                std::to_string(highest) + ", got '" + value + "'";
        return false;
    }
    target = static_cast<int>(number);
    return true;
}

// "N:KEY=VALUE" with a tab number from 0 and a key.
bool ParseProjectExtState(const std::string& value, SandboxOptions& options, std::string& error) {
    size_t colon = value.find(':');
    size_t equals = value.find('=', colon == std::string::npos ? 0 : colon);
    int tab = 0;
    std::string ignored;
    if (colon == std::string::npos || equals == std::string::npos || equals == colon + 1 ||
        !ParseWholeNumber("", value.substr(0, colon), "", 0, 1000, tab, ignored)) {
        error =
            "--project-ext-state needs N:KEY=VALUE with a tab number from 0, got '" + value + "'";
        return false;
    }
    options.project_ext_state.push_back(
        {tab, value.substr(colon + 1, equals - colon - 1), value.substr(equals + 1)});
    return true;
}

// "PREFIX=MS": the last '=' ends the prefix.
bool ParseSlowOpens(const std::string& value, SandboxOptions& options, std::string& error) {
    size_t equals = value.rfind('=');
    int ms = 0;
    std::string ignored;
    if (equals == std::string::npos || equals == 0 ||
        !ParseWholeNumber("", value.substr(equals + 1), "", 1, 600000, ms, ignored)) {
        error = "--slow-opens needs PREFIX=MS with 1 to 600000 milliseconds, got '" + value + "'";
        return false;
    }
    options.slow_opens.emplace_back(value.substr(0, equals), ms);
    return true;
}

// "FILE=WIDTHxHEIGHT": the last '=' ends the file name.
bool ParseMakePicture(const std::string& value, SandboxOptions& options, std::string& error) {
    size_t equals = value.rfind('=');
    std::string size = equals == std::string::npos ? std::string() : value.substr(equals + 1);
    size_t times = size.find('x');
    int width = 0;
    int height = 0;
    std::string ignored;
    if (equals == std::string::npos || equals == 0 || times == std::string::npos ||
        !ParseWholeNumber("", size.substr(0, times), "", 1, 16384, width, ignored) ||
        !ParseWholeNumber("", size.substr(times + 1), "", 1, 16384, height, ignored)) {
        error = "--make-picture needs FILE=WIDTHxHEIGHT with sides from 1 to 16384, got '" + value +
                "'";
        return false;
    }
    options.make_pictures.push_back({value.substr(0, equals), width, height});
    return true;
}

bool Apply(const std::string& option, const std::string& value, SandboxOptions& options,
           std::string& error) {
    if (option == "--scene") {
        options.scene_path = value;
    } else if (option == "--theme") {
        options.theme_path = value;
    } else if (option == "--extension") {
        options.extension_path = value;
    } else if (option == "--screenshot") {
        options.screenshot_path = value;
    } else if (option == "--notes-screenshot") {
        options.notes_screenshot_path = value;
    } else if (option == "--midi-editor") {
        if (value != "floating" && value != "docked") {
            error = "--midi-editor needs floating or docked, got '" + value + "'";
            return false;
        }
        options.midi_editors.push_back(value == "docked");
    } else if (option == "--ms") {
        return ParseWholeNumber(option, value, "milliseconds", 0, 3600000, options.run_ms, error);
    } else if (option == "--withhold") {
        for (const std::string& name : SplitList(value)) {
            if (!IsHostFunctionName(name)) {
                error = "--withhold: '" + name + "' is not one of the host functions";
                return false;
            }
            options.withheld.push_back(name);
        }
    } else if (option == "--refuse") {
        for (const std::string& name : SplitList(value)) {
            options.refused.push_back(name);
        }
    } else if (option == "--langpack") {
        options.language_pack = value;
    } else if (option == "--ext-state") {
        size_t equals = value.find('=');
        if (equals == std::string::npos || equals == 0) {
            error = "--ext-state needs KEY=VALUE, got '" + value + "'";
            return false;
        }
        options.ext_state.emplace_back(value.substr(0, equals), value.substr(equals + 1));
    } else if (option == "--project-path") {
        options.project_path = value;
    } else if (option == "--global-state") {
        options.global_state_path = value;
    } else if (option == "--swap-picture") {
        options.swap_picture = value;
    } else if (option == "--action") {
        options.actions.push_back(value);
    } else if (option == "--script-call") {
        std::string name;
        std::vector<ScriptArgument> arguments;
        if (!ParseScriptCall(value, name, arguments, error)) {
            error = "--script-call: " + error;
            return false;
        }
        options.script_calls.push_back(value);
    } else if (option == "--exercise") {
        return ParseWholeNumber(option, value, "repaints", 0, 100000, options.exercise_repaints,
                                error);
    } else if (option == "--dialog-screenshot") {
        size_t equals = value.find('=');
        std::string name = value.substr(0, equals);
        if (equals == std::string::npos || equals + 1 == value.size() || !IsDialogShotName(name)) {
            error =
                "--dialog-screenshot needs settings|tint|items|about=FILE.png, got '" + value + "'";
            return false;
        }
        options.dialog_screenshots.emplace_back(name, value.substr(equals + 1));
    } else if (option == "--soak") {
        return ParseWholeNumber(option, value, "frames", 1, 10000000, options.soak_frames, error);
    } else if (option == "--present") {
        if (!PresentModeFromName(value, options.present)) {
            error = "--present needs whole, dirty or strips, got '" + value + "'";
            return false;
        }
    } else if (option == "--erase") {
        if (value != "brush" && value != "none") {
            error = "--erase needs brush or none, got '" + value + "'";
            return false;
        }
        options.erase = value == "brush";
    } else if (option == "--play") {
        errno = 0;
        char* end = nullptr;
        double seconds = std::strtod(value.c_str(), &end);
        if (value.empty() || *end != '\0' || errno != 0 || !(seconds >= 0 && seconds <= 3600)) {
            error = "--play needs a number of seconds from 0 to 3600, got '" + value + "'";
            return false;
        }
        options.play_ms = static_cast<int>(seconds * 1000);
    } else if (option == "--threads") {
        return ParseWholeNumber(option, value, "threads", 0, 16, options.bitblt_threads, error);
    } else if (option == "--unreachable") {
        options.unreachable.push_back(value);
    } else if (option == "--unreachable-error") {
        int code = 0;
        if (!ParseWholeNumber(option, value, "a Windows error", 1, 15999, code, error)) {
            return false;
        }
        options.unreachable_error = static_cast<unsigned long>(code);
    } else if (option == "--reachable-at") {
        return ParseWholeNumber(option, value, "milliseconds", 0, 3600000, options.reachable_at_ms,
                                error);
    } else if (option == "--slow-opens") {
        return ParseSlowOpens(value, options, error);
    } else if (option == "--project-ext-state") {
        return ParseProjectExtState(value, options, error);
    } else if (option == "--switch-tabs") {
        return ParseWholeNumber(option, value, "milliseconds", 1, 3600000, options.switch_tabs_ms,
                                error);
    } else if (option == "--rewrite-picture") {
        options.rewrite_picture = value;
    } else if (option == "--rewrite-every") {
        return ParseWholeNumber(option, value, "milliseconds", 1, 3600000, options.rewrite_every_ms,
                                error);
    } else if (option == "--rewrite-for") {
        return ParseWholeNumber(option, value, "milliseconds", 0, 3600000, options.rewrite_for_ms,
                                error);
    } else if (option == "--make-picture") {
        return ParseMakePicture(value, options, error);
    }
    return true;
}

} // namespace

bool ParseSandboxOptions(const std::vector<std::string>& arguments, SandboxOptions& options,
                         std::string& error) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        std::string option = arguments[i];
        std::string value;
        bool inline_value = false;
        size_t equals = option.find('=');
        if (option.starts_with("--") && equals != std::string::npos) {
            value = option.substr(equals + 1);
            option = option.substr(0, equals);
            inline_value = true;
        }
        if (option == "--memory-report" && !inline_value) {
            options.memory_report = true;
            continue;
        }
        if (option == "--no-extension" || option == "--dump-ext-state" || option == "--report" ||
            option == "--help" || option == "-h" || option == "--foreign-bitblt-hook" ||
            option == "--seam-check" || option == "--file-opens") {
            if (inline_value) {
                error = option + " takes no value";
                return false;
            }
            options.load_extension = options.load_extension && option != "--no-extension";
            options.dump_ext_state = options.dump_ext_state || option == "--dump-ext-state";
            options.report = options.report || option == "--report";
            options.help = options.help || option == "--help" || option == "-h";
            options.foreign_bitblt_hook =
                options.foreign_bitblt_hook || option == "--foreign-bitblt-hook";
            options.seam_check = options.seam_check || option == "--seam-check";
            options.file_opens = options.file_opens || option == "--file-opens";
            continue;
        }
        if (!TakesValue(option)) {
            error = "unknown option '" + arguments[i] + "'";
            return false;
        }
        if (!inline_value) {
            if (i + 1 >= arguments.size()) {
                error = option + " needs a value";
                return false;
            }
            value = arguments[++i];
        }
        if (!Apply(option, value, options, error)) {
            return false;
        }
    }
    return true;
}

} // namespace sim
