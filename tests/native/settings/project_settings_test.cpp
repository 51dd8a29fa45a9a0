#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "settings/project_settings.h"
#include "settings/setting_text.h"
#include "settings/stored_keys.h"

namespace {

// A text each kind of key reads back exactly, other than the default's.
const char* ChangedText(StoredValue value) {
    switch (value) {
    case StoredValue::path:
        return "C:\\pictures\\other.png";
    case StoredValue::flag:
        return "1";
    case StoredValue::permille:
        return "123";
    case StoredValue::fit_mode:
        return "tile";
    case StoredValue::hex_colour:
        return "102030";
    case StoredValue::anchor:
        return "top";
    }
    return "";
}

ProjectSettings With(const ProjectSettings& settings, StoredKeyIndex key) {
    const std::optional<ProjectSettings> changed =
        WithStoredText(settings, key, ChangedText(kStoredKeys[key].value));
    EXPECT_TRUE(changed.has_value()) << kStoredKeys[key].name;
    return changed.value_or(settings);
}

} // namespace

TEST(MergeSettingChanges, EachSideKeepsTheKeysItChanged) {
    // For every stored key: the editor changed it while another party changed the next key.
    // Both changes survive and every other key stays as it was: a key the merge forgot would
    // lose the editor's change, a merge taking the editor's record whole the other's.
    ProjectSettings base;
    base.path = u"C:\\pictures\\base.png";
    for (int k = 0; k < kStoredKeyCount; ++k) {
        const auto mine_key = StoredKeyIndex(k);
        const auto their_key = StoredKeyIndex((k + 1) % kStoredKeyCount);
        const ProjectSettings merged =
            MergeSettingChanges(base, With(base, mine_key), With(base, their_key));
        for (int i = 0; i < kStoredKeyCount; ++i) {
            const auto key = StoredKeyIndex(i);
            const bool changed = key == mine_key || key == their_key;
            EXPECT_EQ(StoredText(merged, key),
                      changed ? ChangedText(kStoredKeys[key].value) : StoredText(base, key))
                << "the editor changed " << kStoredKeys[mine_key].name << ", key "
                << kStoredKeys[key].name;
        }
    }
}
