#include "intercept/import_table.h"

#include <cstring>

namespace {

constexpr uint16_t kDosSignature = 0x5A4D;    // "MZ"
constexpr uint32_t kPeSignature = 0x00004550; // "PE\0\0"
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr size_t kDosHeaderSize = 0x40;
constexpr size_t kHeaderOffsetField = 0x3C;
constexpr size_t kMagicOffset = 24;
constexpr size_t kImageSizeOffset = 0x50;
constexpr size_t kImportDirectoryOffset = 0x90;
constexpr size_t kHeadersNeeded = 0x98; // through the import directory entry
constexpr uint32_t kDescriptorSize = 20;
constexpr uint32_t kThunkSize = 8;
constexpr uint32_t kMinimumNameBytes = 10;

uint16_t Read16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

uint32_t Read32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

uint64_t Read64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Both strings compared through the terminating zero; the caller ensured the bytes exist.
bool EqualIgnoringAsciiCase(const uint8_t* stored, const char* wanted) {
    size_t i = 0;
    for (; wanted[i] != '\0'; ++i) {
        if (AsciiLower(static_cast<char>(stored[i])) != AsciiLower(wanted[i])) {
            return false;
        }
    }
    return stored[i] == 0;
}

// Bytes from rva to the end of the image, or 0 when rva lies outside it.
uint32_t BytesFrom(uint32_t rva, uint32_t image_size) {
    return rva < image_size ? image_size - rva : 0;
}

} // namespace

size_t FindImportSlotOffset(const uint8_t* image, size_t mapped_size, const char* module_name,
                            const char* function_name) {
    if (image == nullptr || mapped_size < kDosHeaderSize || Read16(image) != kDosSignature) {
        return 0;
    }
    int32_t header_offset = static_cast<int32_t>(Read32(image + kHeaderOffsetField));
    if (header_offset < 0 || static_cast<size_t>(header_offset) > mapped_size ||
        mapped_size - static_cast<size_t>(header_offset) < kHeadersNeeded) {
        return 0;
    }
    const uint8_t* nt = image + header_offset;
    if (Read32(nt) != kPeSignature || Read16(nt + kMagicOffset) != kPe32PlusMagic) {
        return 0;
    }
    uint32_t image_size = Read32(nt + kImageSizeOffset);
    if (image_size > mapped_size) {
        image_size = static_cast<uint32_t>(mapped_size); // never read past what is there
    }
    uint32_t directory_rva = Read32(nt + kImportDirectoryOffset);
    uint32_t directory_size = Read32(nt + kImportDirectoryOffset + 4);
    if (directory_rva >= image_size || directory_size > image_size - directory_rva) {
        return 0;
    }

    const size_t module_bytes = std::strlen(module_name) + 1;
    const size_t function_bytes = 2 + std::strlen(function_name) + 1;
    const uint32_t descriptors = directory_size / kDescriptorSize;
    for (uint32_t d = 0; d < descriptors; ++d) {
        const uint8_t* descriptor =
            image + directory_rva + static_cast<size_t>(d) * kDescriptorSize;
        uint32_t name_rva = Read32(descriptor + 12);
        if (name_rva == 0) {
            return 0;
        }
        uint32_t name_room = BytesFrom(name_rva, image_size);
        if (name_room < kMinimumNameBytes || name_room < module_bytes ||
            !EqualIgnoringAsciiCase(image + name_rva, module_name)) {
            continue;
        }
        uint32_t lookup_rva = Read32(descriptor);
        uint32_t address_rva = Read32(descriptor + 16);
        uint32_t lookup_room = BytesFrom(lookup_rva, image_size);
        uint32_t address_room = BytesFrom(address_rva, image_size);
        if (lookup_rva == 0 || lookup_room < kThunkSize || address_room < kThunkSize) {
            continue;
        }
        uint32_t entries = (lookup_room < address_room ? lookup_room : address_room) / kThunkSize;
        for (uint32_t j = 0; j < entries; ++j) {
            uint64_t lookup = Read64(image + lookup_rva + static_cast<size_t>(j) * kThunkSize);
            if (lookup == 0) {
                break;
            }
            if ((lookup >> 63) != 0) {
                continue; // imported by ordinal
            }
            uint32_t hint_name_rva = static_cast<uint32_t>(lookup);
            uint32_t hint_name_room = BytesFrom(hint_name_rva, image_size);
            if (hint_name_room < kMinimumNameBytes || hint_name_room < function_bytes) {
                continue;
            }
            if (std::memcmp(image + hint_name_rva + 2, function_name, function_bytes - 2) == 0) {
                return static_cast<size_t>(address_rva) + static_cast<size_t>(j) * kThunkSize;
            }
        }
    }
    return 0;
}
