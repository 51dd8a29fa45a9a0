// Project state nobody should have written: every stored key holding garbage bytes, values
// beyond the 128 KiB read buffer and invalid UTF-8. Each key falls back to its default on its
// own, nothing reads past a buffer, and what was read writes back as valid text.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "settings/default_wallpaper.h"
#include "settings/project_storage.h"
#include "settings/settings_codec.h"
#include "settings/stored_keys.h"
#include "support/fake_host.h"

namespace {

// Every key a project may hold: the stored settings, then the relative path beside them.
std::vector<std::string> ProjectKeys() {
    std::vector<std::string> keys;
    for (const StoredKey& key : kStoredKeys) {
        keys.push_back(key.name);
    }
    keys.push_back(kRelativePathKey);
    return keys;
}

bool HoldsPermille(const std::string& name) {
    for (const StoredKey& key : kStoredKeys) {
        if (name == key.name) {
            return key.value == StoredValue::permille;
        }
    }
    return false;
}

// The neighbours every hostile key is stored beside, and what they read as.
void StoreSaneNeighbours(FakeHost& host) {
    host.Stored(0, StoredKeyName(kPathKey)) = "C:\\w.png";
    host.Stored(0, StoredKeyName(kEnabledKey)) = "1";
    host.Stored(0, StoredKeyName(kOpacityKey)) = "200";
}

std::string Garbage() {
    std::string bytes;
    for (int i = 1; i < 256; ++i) {
        bytes.push_back(char(i * 37 % 255 + 1)); // every byte value but NUL, shuffled
    }
    return bytes;
}

struct HostileValue {
    const char* name;
    std::string text;
};

std::vector<HostileValue> HostileValues() {
    return {
        {"garbage", Garbage()},
        {"overlong digits", std::string(200000, '7')},
        {"overlong valid-looking", std::string(131071 - 3, ' ') + "500" + std::string(9, '0')},
        {"invalid utf-8", "\xC0\xAF\xED\xA0\x80\xF5\x80\x80\x80\xFF"},
        {"lone continuation", std::string(1, char(0x80))},
    };
}

} // namespace

TEST(HostileProjectState, DefaultWallpaperInTheHostsGlobalStateFallsBackLikeAProject) {
    for (const HostileValue& v : HostileValues()) {
        SCOPED_TRACE(v.name);
        FakeHost host;
        std::map<std::string, std::string>& global = host.global_state["Murivo"];
        for (const StoredKey& key : kStoredKeys) {
            global[std::string("default_") + key.name] = v.text;
        }
        global["default_path"] = "C:\\w.png";
        ProjectSettings expected;
        expected.path = u"C:\\w.png";
        EXPECT_EQ(ReadDefaultWallpaper(), expected);

        // Nothing Murivo writes is that long, so an overlong path is no default at all.
        global["default_path"] = v.text;
        std::optional<ProjectSettings> fallback = ReadDefaultWallpaper();
        EXPECT_EQ(fallback.has_value(), v.text.size() < 131072 && !Utf8ToUtf16(v.text).empty());
        // Shown only in a project without keys of its own, and never written into it.
        EXPECT_EQ(ReadShownSettings(host.Handle(0)).from_default, fallback.has_value());
        EXPECT_EQ(host.ext_state_writes, 0);
    }
}

TEST(HostileProjectState, EveryKeyFallsBackAloneForEveryHostileValue) {
    for (const HostileValue& v : HostileValues()) {
        for (const std::string& key : ProjectKeys()) {
            SCOPED_TRACE(key + " = " + v.name);
            FakeHost host;
            // A sane neighbour on every other key shows that only this key falls back.
            StoreSaneNeighbours(host);
            host.Stored(0, key) = v.text;
            const ProjectSettings s = ReadProjectSettings(host.Handle(0));

            ProjectSettings expected;
            expected.path = u"C:\\w.png";
            expected.enabled = true;
            expected.opacity = 0.2;
            if (key == StoredKeyName(kPathKey)) {
                // Bytes that are valid UTF-8 (the overlong digits) stay, cut at the buffer.
                expected.path = Utf8ToUtf16(v.text.substr(0, 131071));
                expected.enabled = !expected.path.empty();
            } else if (key == StoredKeyName(kEnabledKey)) {
                expected.enabled = false;
            } else if (key == StoredKeyName(kOpacityKey)) {
                expected.opacity = kDefaultOpacity;
            }
            if (std::string(v.name) == "overlong valid-looking" && HoldsPermille(key)) {
                // Read as cut at the buffer: what is left is a valid " ... 500", read as 500 is.
                FakeHost plain;
                StoreSaneNeighbours(plain);
                const ProjectSettings neighbours = ReadProjectSettings(plain.Handle(0));
                plain.Stored(0, key) = "500";
                expected = ReadProjectSettings(plain.Handle(0));
                ASSERT_NE(expected, neighbours) << "500 reads as a value of its own";
            }
            EXPECT_EQ(s, expected);
        }
    }
}

TEST(HostileProjectState, OverlongPathCutInsideACharacterReadsAsNoPicture) {
    FakeHost host;
    // Two-byte characters: the 131071-byte cut ends in the middle of one.
    std::string path = "C:\\x"; // an even number of bytes before the two-byte characters
    while (path.size() < 200000) {
        path += "\xC3\xA9";
    }
    host.Stored(0, "path") = path;
    host.Stored(0, "enabled") = "1";
    const ProjectSettings s = ReadProjectSettings(host.Handle(0));
    EXPECT_TRUE(s.path.empty());
    EXPECT_FALSE(s.enabled);
}

TEST(HostileProjectState, WhatWasReadWritesBackAsValidText) {
    for (const HostileValue& v : HostileValues()) {
        SCOPED_TRACE(v.name);
        FakeHost host;
        for (const std::string& key : ProjectKeys()) {
            host.Stored(0, key) = v.text;
        }
        const ProjectSettings s = ReadProjectSettings(host.Handle(0));
        WriteProjectSettings(host.Handle(1), s);
        for (const std::string& key : ProjectKeys()) {
            const std::string& written = host.Stored(1, key);
            EXPECT_TRUE(written.empty() || !Utf8ToUtf16(written).empty()) << key;
            EXPECT_LE(written.size(), 131071u) << key;
        }
        EXPECT_EQ(ReadProjectSettings(host.Handle(1)), s);
    }
}
