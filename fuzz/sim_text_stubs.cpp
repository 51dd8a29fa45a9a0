// The file side of the simulator's text readers, without Win32: the fuzz targets feed text
// straight to the parsers, and error messages name the file as given.
#include "text_file.h"

namespace sim {

bool ReadTextFile(const std::string&, std::string&) {
    return false;
}

std::string DisplayPath(const std::string& path) {
    return path;
}

} // namespace sim
