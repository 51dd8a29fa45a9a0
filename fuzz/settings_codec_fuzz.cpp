// libFuzzer target: every stored key of the "Murivo" section holding arbitrary bytes, read back
// through a fake host that may answer like a real one or not (odd result counts, no terminator),
// then the record written and read again; plus each value parser checked against a plain
// restatement of what it accepts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "base/host_api.h"
#include "fuzz_input.h"
#include "settings/project_storage.h"
#include "settings/settings_codec.h"
#include "settings/stored_keys.h"

namespace {

// How the fake host answers a read.
enum class Answer : uint8_t { exact, unterminated, zero_result, negative_result, huge_result };

struct Store {
    std::map<std::string, std::string> values;
    Answer answer = Answer::exact;
};

Store g_store;
ReaProject* const kProject = reinterpret_cast<ReaProject*>(&g_store);

int FakeGetProjExtState(ReaProject*, const char* section, const char* key, char* buffer, int size) {
    if (std::strcmp(section, "Murivo") != 0 || size <= 0) {
        std::abort();
    }
    auto found = g_store.values.find(key);
    if (found == g_store.values.end()) {
        return 0;
    }
    const std::string& v = found->second;
    const size_t room = size_t(size);
    if (g_store.answer == Answer::unterminated) {
        // A careless host: copies as much as fits and leaves no terminator.
        std::memcpy(buffer, v.data(), std::min(v.size(), room));
    } else {
        const size_t n = std::min(v.size(), room - 1);
        std::memcpy(buffer, v.data(), n);
        buffer[n] = '\0';
    }
    switch (g_store.answer) {
    case Answer::zero_result:
        return 0;
    case Answer::negative_result:
        return -1;
    case Answer::huge_result:
        return 2147483647;
    default:
        return int(std::min<size_t>(v.size(), 2147483647));
    }
}

int FakeSetProjExtState(ReaProject*, const char* section, const char* key, const char* value) {
    if (std::strcmp(section, "Murivo") != 0 || key == nullptr || value == nullptr) {
        std::abort();
    }
    g_store.values[key] = value;
    return 1;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The permille rule restated: blanks, one sign, digits to the end, 0..1000 (so "-0" is 0).
bool PermilleAccepts(const std::string& t, long& value) {
    size_t i = 0;
    while (i < t.size() && IsSpace(t[i])) {
        ++i;
    }
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        negative = t[i] == '-';
        ++i;
    }
    if (i == t.size()) {
        return false;
    }
    long v = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9') {
            return false;
        }
        v = std::min(v * 10 + (t[i] - '0'), 100000L);
    }
    if (negative && v != 0) {
        return false;
    }
    value = v;
    return v <= 1000;
}

void CheckParsers(const std::string& text) {
    if (text.find('\0') == std::string::npos) {
        long expected = 0;
        const bool accepted = PermilleAccepts(text, expected);
        const auto parsed = ParsePermille(text);
        if (parsed.has_value() != accepted || (accepted && *parsed != double(expected) / 1000.0)) {
            std::abort();
        }
        if (parsed && ParsePermille(FormatPermille(*parsed)) != parsed) {
            std::abort();
        }
    }

    const auto colour = ParseHexColour(text);
    const bool hex =
        text.size() == 6 && text.find_first_not_of("0123456789ABCDEFabcdef") == std::string::npos;
    if (colour.has_value() != hex || (colour && *colour > 0xFFFFFF)) {
        std::abort();
    }
    if (colour) {
        std::string upper = text;
        for (char& c : upper) {
            c = (c >= 'a' && c <= 'f') ? char(c - 'a' + 'A') : c;
        }
        if (FormatHexColour(*colour) != upper) {
            std::abort();
        }
    }

    const FitMode mode = ParseFitMode(text);
    const FitMode expected_mode = text == "contain"   ? FitMode::contain
                                  : text == "stretch" ? FitMode::stretch
                                  : text == "tile"    ? FitMode::tile
                                  : text == "center"  ? FitMode::center
                                                      : FitMode::cover;
    if (mode != expected_mode) {
        std::abort();
    }
    // An anchor is one of nine names exactly, and its name reads back as itself.
    const Anchor anchor = ParseAnchor(text);
    if (int(anchor) < 0 || int(anchor) > 8 ||
        (anchor != Anchor::center && text != AnchorName(anchor))) {
        std::abort();
    }

    // Strict UTF-8: whatever converts converts back to the same bytes; the reverse direction
    // over arbitrary UTF-16 units likewise.
    const std::u16string wide = Utf8ToUtf16(text);
    if (!wide.empty() && Utf16ToUtf8(wide) != text) {
        std::abort();
    }
    std::u16string units(text.size() / 2, u'\0');
    std::memcpy(units.data(), text.data(), units.size() * 2);
    const std::string narrow = Utf16ToUtf8(units);
    if (!narrow.empty() && Utf8ToUtf16(narrow) != units) {
        std::abort();
    }
}

bool InRange(double fraction) {
    return fraction >= 0.0 && fraction <= 1.0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in{data, size};
    g_host = HostApi{};
    g_host.GetProjExtState = FakeGetProjExtState;
    g_host.SetProjExtState = FakeSetProjExtState;
    g_store = Store{};
    g_store.answer = Answer(in.U8() % 5);
    // Which keys exist at all (the ninth always does).
    const unsigned present = in.U8() | unsigned(in.U8()) << 8;
    for (int k = 0; k < kStoredKeyCount; ++k) {
        std::string value = in.Text(size);
        CheckParsers(value);
        if (k == kAlwaysWrittenKeyCount - 1 || (present >> k & 1) != 0) {
            g_store.values[kStoredKeys[k].name] = std::move(value);
        }
    }

    const ProjectSettings read = ReadProjectSettings(kProject);
    if (!InRange(read.opacity) || !InRange(read.tint) || !InRange(read.audio_item_transparency) ||
        !InRange(read.midi_item_transparency) || read.tint_rgb > 0xFFFFFF ||
        (read.enabled && read.path.empty()) || int(read.mode) < 0 || int(read.mode) > 4 ||
        int(read.anchor) < 0 || int(read.anchor) > 8 || !InRange(read.blur) ||
        !InRange(read.time_selection)) {
        std::abort();
    }

    // What was read survives a write and a second read unchanged.
    g_store = Store{};
    WriteProjectSettings(kProject, read);
    // The nine always; a later key only when it says something other than its default.
    const size_t written = g_store.values.size();
    if (written < size_t(kAlwaysWrittenKeyCount) || written > size_t(kStoredKeyCount) ||
        ReadProjectSettings(kProject) != read) {
        std::abort();
    }
    g_host = HostApi{};
    return 0;
}
