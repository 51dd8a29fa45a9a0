// Line splitting and trimming shared by the scene and theme readers.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sim {

// Splits at '\n', dropping a '\r' before it; a final line without newline counts.
std::vector<std::string_view> SplitLines(std::string_view text);

std::string Trim(std::string_view text);

// Splits at runs of blanks and tabs.
std::vector<std::string> SplitWords(std::string_view text);

// "file:line: message", naming the file as DisplayPath shows it.
std::string LineError(const std::string& file_name, int line, const std::string& message);

} // namespace sim
