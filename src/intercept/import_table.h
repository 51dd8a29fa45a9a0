// Finds an import address slot by walking a 64-bit image's import directory in memory. Portable,
// so the walk can be proved on hostile images built in tests.
#pragma once

#include <cstddef>
#include <cstdint>

// Offset from the image base of the address-table slot through which the image calls
// function_name imported by name from module_name (module name compared ignoring ASCII case,
// function name exactly). 0 when not found. No byte at or beyond mapped_size, nor beyond the
// image size the headers declare, is read.
size_t FindImportSlotOffset(const uint8_t* image, size_t mapped_size, const char* module_name,
                            const char* function_name);
