// One setting at a time, as the text it is stored as: what scripts read and write. A text is
// taken only when the codec reads it back exactly, so what a script stores is what it reads.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "settings/project_settings.h"
#include "settings/stored_keys.h"

// The stored key named name exactly; nothing for any other name.
std::optional<StoredKeyIndex> FindStoredKey(std::string_view name);

// The text settings would store under key.
std::string StoredText(const ProjectSettings& settings, StoredKeyIndex key);

// settings with key holding text, or nothing when the codec would not read text back exactly
// ("0500", "ffa060", "Cover", invalid UTF-8, "enabled" = "1" without a picture). An empty path
// switches the wallpaper off, as it reads back.
std::optional<ProjectSettings> WithStoredText(const ProjectSettings& settings, StoredKeyIndex key,
                                              std::string_view text);

// Why a picture path set from outside the user's own choice may not be stored; null when it may.
// Devices never, another computer's path only when the user chose it on this computer.
const char* PictureRefusal(std::u16string_view path);
