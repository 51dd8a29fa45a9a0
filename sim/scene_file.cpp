#include "scene_file.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <map>

#include "text_file.h"
#include "text_lines.h"

namespace sim {

namespace {

// The key=value words of one line, read with checks that name the key in the message.
struct Fields {
    std::map<std::string, std::string> values;
    std::string problem; // first failure; empty while all is well

    bool Has(const std::string& key) const { return values.count(key) != 0; }

    void Fail(const std::string& message) {
        if (problem.empty()) {
            problem = message;
        }
    }

    const std::string* Find(const std::string& key, bool required) {
        auto found = values.find(key);
        if (found == values.end()) {
            if (required) {
                Fail("missing " + key + "=");
            }
            return nullptr;
        }
        return &found->second;
    }

    void Number(const std::string& key, double& out, bool required) {
        const std::string* text = Find(key, required);
        if (text == nullptr) {
            return;
        }
        errno = 0;
        char* end = nullptr;
        double value = std::strtod(text->c_str(), &end);
        if (text->empty() || *end != '\0' || errno != 0 || !std::isfinite(value)) {
            Fail(key + " needs a number, got '" + *text + "'");
            return;
        }
        out = value;
    }

    void Integer(const std::string& key, int& out, bool required, int lowest, int highest) {
        const std::string* text = Find(key, required);
        if (text == nullptr) {
            return;
        }
        errno = 0;
        char* end = nullptr;
        long value = std::strtol(text->c_str(), &end, 10);
        if (text->empty() || *end != '\0' || errno != 0 || value < lowest || value > highest) {
            Fail(key + " needs a whole number from " + std::to_string(lowest) + " to " +
                 std::to_string(highest) + ", got '" + *text + "'");
            return;
        }
        out = static_cast<int>(value);
    }

    void Flag(const std::string& key, bool& out) {
        int value = out ? 1 : 0;
        Integer(key, value, false, 0, 1);
        out = value != 0;
    }

    // #RRGGBB, stored as the host stores colours: 0x00BBGGRR.
    void Colour(const std::string& key, int& out) {
        const std::string* text = Find(key, false);
        if (text == nullptr) {
            return;
        }
        char* end = nullptr;
        unsigned long rgb =
            text->size() == 7 && (*text)[0] == '#' ? std::strtoul(text->c_str() + 1, &end, 16) : 0;
        if (end == nullptr || *end != '\0') {
            Fail(key + " needs a colour #RRGGBB, got '" + *text + "'");
            return;
        }
        int r = static_cast<int>((rgb >> 16) & 0xFF);
        int g = static_cast<int>((rgb >> 8) & 0xFF);
        int b = static_cast<int>(rgb & 0xFF);
        out = (b << 16) | (g << 8) | r;
    }

    void Text(const std::string& key, std::string& out) {
        if (const std::string* text = Find(key, false)) {
            out = *text;
        }
    }
};

bool SplitFields(const std::vector<std::string>& words, std::initializer_list<const char*> known,
                 Fields& fields) {
    for (size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        size_t equals = word.find('=');
        if (equals == std::string::npos || equals == 0) {
            fields.Fail("expected key=value, got '" + word + "'");
            return false;
        }
        std::string key = word.substr(0, equals);
        bool is_known = false;
        for (const char* name : known) {
            is_known = is_known || key == name;
        }
        if (!is_known) {
            fields.Fail("unknown key '" + key + "' for '" + words[0] + "'");
            return false;
        }
        if (!fields.values.emplace(key, word.substr(equals + 1)).second) {
            fields.Fail("key '" + key + "' given twice");
            return false;
        }
    }
    return true;
}

void ReadItem(Fields& f, Scene& scene) {
    SceneItem item;
    int track_number = 0;
    f.Integer("track", track_number, true, 1, 100000);
    if (f.problem.empty() && track_number > static_cast<int>(scene.tracks.size())) {
        f.Fail("item refers to track " + std::to_string(track_number) + ", but only " +
               std::to_string(scene.tracks.size()) + " tracks are defined above it");
    }
    item.track = track_number - 1;
    f.Number("pos", item.position, true);
    f.Number("len", item.length, true);
    if (f.problem.empty() && item.length <= 0.0) {
        f.Fail("len must be greater than 0");
    }
    std::string type = "audio";
    f.Text("type", type);
    if (type == "audio") {
        item.kind = ItemKind::kAudio;
    } else if (type == "midi") {
        item.kind = ItemKind::kMidi;
    } else if (type == "empty") {
        item.kind = ItemKind::kEmpty;
    } else {
        f.Fail("type must be audio, midi or empty, got '" + type + "'");
    }
    item.take.midi = item.kind == ItemKind::kMidi;
    f.Colour("color", item.colour);
    int seed = static_cast<int>(scene.items.size()) + 1;
    f.Integer("peaks", seed, false, 0, 1000000);
    item.peaks_seed = static_cast<unsigned int>(seed);
    f.Flag("selected", item.selected);
    f.Number("fadein", item.fade_in, false);
    f.Number("fadeout", item.fade_out, false);
    if (f.problem.empty() && (item.fade_in < 0.0 || item.fade_out < 0.0)) {
        f.Fail("fades must not be negative");
    }
    scene.items.push_back(item);
}

void ReadMidiEditor(Fields& f, Scene& scene) {
    SceneMidiEditor editor;
    f.Integer("width", editor.width, false, 1, 8192);
    f.Integer("height", editor.height, false, 1, 8192);
    f.Flag("docked", editor.docked);
    f.Integer("low", editor.low_pitch, false, 0, 127);
    f.Integer("high", editor.high_pitch, false, 0, 127);
    f.Integer("selpitch", editor.selected_pitch, false, -1, 127);
    f.Number("start", editor.item_start, false);
    f.Number("end", editor.item_end, false);
    f.Number("zoom", editor.zoom, false);
    f.Number("view", editor.view_start, false);
    if (f.problem.empty() && editor.high_pitch < editor.low_pitch) {
        f.Fail("high must not be below low");
    }
    if (f.problem.empty() && editor.item_end <= editor.item_start) {
        f.Fail("end must be after start");
    }
    if (f.problem.empty() && editor.zoom <= 0.0) {
        f.Fail("zoom must be greater than 0");
    }
    scene.midi_editors.push_back(editor);
}

void ReadNote(Fields& f, Scene& scene) {
    if (scene.midi_editors.empty()) {
        f.Fail("note needs a midieditor line above it");
        return;
    }
    SceneNote note;
    f.Integer("pitch", note.pitch, true, 0, 127);
    f.Number("pos", note.position, true);
    f.Number("len", note.length, true);
    f.Integer("vel", note.velocity, false, 1, 127);
    f.Flag("muted", note.muted);
    if (f.problem.empty() && note.length <= 0.0) {
        f.Fail("len must be greater than 0");
    }
    scene.midi_editors.back().notes.push_back(note);
}

// Applies one directive; false with fields.problem set when the line is wrong.
bool ReadDirective(const std::vector<std::string>& words, Scene& scene, bool& projects_given,
                   Fields& f) {
    const std::string& name = words[0];
    if (name == "arrange") {
        if (SplitFields(words, {"width", "height"}, f)) {
            f.Integer("width", scene.arrange_width, false, 1, 8192);
            f.Integer("height", scene.arrange_height, false, 1, 8192);
        }
    } else if (name == "view") {
        if (SplitFields(words, {"start", "zoom"}, f)) {
            f.Number("start", scene.view_start, false);
            f.Number("zoom", scene.zoom, false);
            if (f.problem.empty() && scene.zoom <= 0.0) {
                f.Fail("zoom must be greater than 0");
            }
        }
    } else if (name == "grid") {
        if (SplitFields(words, {"bpm", "beats"}, f)) {
            f.Number("bpm", scene.bpm, false);
            f.Integer("beats", scene.beats_per_measure, false, 1, 64);
            if (f.problem.empty() && scene.bpm <= 0.0) {
                f.Fail("bpm must be greater than 0");
            }
        }
    } else if (name == "timesel" || name == "loop") {
        double& start = name == "loop" ? scene.loop_start : scene.selection_start;
        double& end = name == "loop" ? scene.loop_end : scene.selection_end;
        if (SplitFields(words, {"start", "end"}, f)) {
            f.Number("start", start, true);
            f.Number("end", end, true);
        }
    } else if (name == "cursor") {
        if (SplitFields(words, {"time"}, f)) {
            f.Number("time", scene.cursor, true);
        }
    } else if (name == "play") {
        if (SplitFields(words, {"state"}, f)) {
            f.Integer("state", scene.play_state, true, 0, 7);
        }
    } else if (name == "project") {
        if (SplitFields(words, {"name", "current", "path"}, f)) {
            if (!projects_given) {
                scene.projects.clear();
                scene.project_paths.clear();
                projects_given = true;
            }
            std::string project_name;
            f.Text("name", project_name);
            if (project_name.empty()) {
                f.Fail("missing name=");
            }
            bool current = false;
            f.Flag("current", current);
            if (current) {
                scene.current_project = static_cast<int>(scene.projects.size());
            }
            std::string project_path;
            f.Text("path", project_path);
            scene.project_paths.resize(scene.projects.size());
            scene.project_paths.push_back(project_path);
            scene.projects.push_back(project_name);
        }
    } else if (name == "track") {
        if (SplitFields(words, {"height", "selected", "color", "name"}, f)) {
            SceneTrack track;
            f.Integer("height", track.height, false, 1, 4096);
            f.Flag("selected", track.selected);
            f.Colour("color", track.colour);
            f.Text("name", track.name);
            scene.tracks.push_back(track);
        }
    } else if (name == "item") {
        if (SplitFields(
                words,
                {"track", "pos", "len", "type", "color", "peaks", "selected", "fadein", "fadeout"},
                f)) {
            ReadItem(f, scene);
        }
    } else if (name == "midieditor") {
        if (SplitFields(words,
                        {"width", "height", "docked", "low", "high", "selpitch", "start", "end",
                         "zoom", "view"},
                        f)) {
            ReadMidiEditor(f, scene);
        }
    } else if (name == "note") {
        if (SplitFields(words, {"pitch", "pos", "len", "vel", "muted"}, f)) {
            ReadNote(f, scene);
        }
    } else {
        f.Fail("unknown directive '" + name + "'");
    }
    return f.problem.empty();
}

} // namespace

bool ParseSceneText(std::string_view text, const std::string& file_name, Scene& scene,
                    std::string& error) {
    scene = Scene{};
    bool projects_given = false;
    int line_number = 0;
    for (std::string_view raw : SplitLines(text)) {
        ++line_number;
        std::string line = Trim(raw);
        if (line.empty() || line[0] == '#') {
            continue;
        }
        Fields fields;
        if (!ReadDirective(SplitWords(line), scene, projects_given, fields)) {
            error = LineError(file_name, line_number, fields.problem);
            return false;
        }
    }
    return true;
}

bool LoadSceneFile(const std::string& path, Scene& scene, std::string& error) {
    std::string text;
    if (!ReadTextFile(path, text)) {
        error = DisplayPath(path) + ": cannot read scene file";
        return false;
    }
    return ParseSceneText(text, path, scene, error);
}

} // namespace sim
