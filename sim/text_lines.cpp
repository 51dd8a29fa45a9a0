#include "text_lines.h"

#include "text_file.h"

namespace sim {

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::string Trim(std::string_view text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    size_t last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}

std::vector<std::string> SplitWords(std::string_view text) {
    std::vector<std::string> words;
    size_t position = 0;
    while (true) {
        size_t first = text.find_first_not_of(" \t", position);
        if (first == std::string_view::npos) {
            break;
        }
        size_t last = text.find_first_of(" \t", first);
        if (last == std::string_view::npos) {
            last = text.size();
        }
        words.emplace_back(text.substr(first, last - first));
        position = last;
    }
    return words;
}

std::string LineError(const std::string& file_name, int line, const std::string& message) {
    return DisplayPath(file_name) + ":" + std::to_string(line) + ": " + message;
}

} // namespace sim
