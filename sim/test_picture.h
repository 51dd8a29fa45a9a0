// Pictures made on the spot for scenarios that need large files the repository should not hold.
#pragma once

#include <string>

namespace sim {

// A PNG of width x height at path: gradients under a fine texture that the encoder cannot
// squeeze to nothing, seeded by the file name, so two names give two different pictures.
// Written row by row. False with a message in error.
bool MakeTestPicture(const std::string& path, int width, int height, std::string& error);

} // namespace sim
