// libFuzzer target: the import walk over arbitrary bytes taken as a 64-bit image in memory.
// AddressSanitizer reports any read outside the input; a found slot must lie inside it too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "intercept/import_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    size_t slot = FindImportSlotOffset(data, size, "GDI32.dll", "BitBlt");
    if (slot != 0 && (slot > size || size - slot < 8)) {
        std::abort();
    }
    return 0;
}
