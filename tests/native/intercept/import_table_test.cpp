#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "intercept/import_table.h"

namespace {

// A minimal 64-bit image: one import descriptor per module, each with its own lookup and
// address tables, hint-and-name records at the end. Fields can be corrupted afterwards.
struct ImageBuilder {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(0x2000, 0);
    static constexpr uint32_t kNt = 0x80;
    static constexpr uint32_t kDescriptors = 0x200;
    uint32_t next_free = 0x400;
    int descriptor_count = 0;

    ImageBuilder() {
        Put16(0, 0x5A4D);
        Put32(0x3C, kNt);
        Put32(kNt, 0x00004550);
        Put16(kNt + 24, 0x20B);
        Put32(kNt + 0x50, static_cast<uint32_t>(bytes.size()));
        Put32(kNt + 0x90, kDescriptors);
    }
    void Put16(size_t at, uint16_t v) { std::memcpy(&bytes[at], &v, 2); }
    void Put32(size_t at, uint32_t v) { std::memcpy(&bytes[at], &v, 4); }
    void Put64(size_t at, uint64_t v) { std::memcpy(&bytes[at], &v, 8); }
    uint32_t PutString(const char* text, uint32_t prefix = 0) {
        uint32_t at = next_free;
        std::memcpy(&bytes[at + prefix], text, std::strlen(text) + 1);
        next_free += prefix + static_cast<uint32_t>(std::strlen(text)) + 1;
        next_free = (next_free + 7) & ~7u;
        return at;
    }
    // Adds a module; an entry starting with '#' is imported by that ordinal. Returns the RVA
    // of its address table.
    uint32_t AddModule(const char* module, std::vector<const char*> functions) {
        uint32_t name = PutString(module);
        uint32_t lookup = next_free;
        next_free += 8 * static_cast<uint32_t>(functions.size() + 1);
        uint32_t address = next_free;
        next_free += 8 * static_cast<uint32_t>(functions.size() + 1);
        for (size_t i = 0; i < functions.size(); ++i) {
            uint64_t entry = functions[i][0] == '#'
                                 ? (1ull << 63) | std::strtoull(functions[i] + 1, nullptr, 10)
                                 : PutString(functions[i], 2);
            Put64(lookup + 8 * i, entry);
            Put64(address + 8 * i, 0xDEAD0000 + i);
        }
        uint32_t descriptor = kDescriptors + 20 * descriptor_count++;
        Put32(descriptor, lookup);
        Put32(descriptor + 12, name);
        Put32(descriptor + 16, address);
        Put32(kNt + 0x94, 20 * (descriptor_count + 1)); // room for the terminating descriptor
        return address;
    }
    size_t Find(size_t mapped = 0) const {
        return FindImportSlotOffset(bytes.data(), mapped != 0 ? mapped : bytes.size(), "GDI32.dll",
                                    "BitBlt");
    }
};

} // namespace

TEST(ImportWalk, FindsTheAddressSlotOfBitBltInANormalImage) {
    ImageBuilder image;
    image.AddModule("KERNEL32.dll", {"GetTickCount", "BitBlt"});
    uint32_t table = image.AddModule("GDI32.dll", {"CreateDIBSection", "BitBlt", "StretchBlt"});
    EXPECT_EQ(image.Find(), table + 8u);
}

TEST(ImportWalk, ModuleNameIgnoresCaseFunctionNameDoesNot) {
    ImageBuilder lower;
    uint32_t table = lower.AddModule("gdi32.dll", {"BitBlt"});
    EXPECT_EQ(lower.Find(), table);

    ImageBuilder other_case;
    other_case.AddModule("GDI32.dll", {"bitblt", "BITBLT", "BitBltEx", "BitBl"});
    EXPECT_EQ(other_case.Find(), 0u);
}

TEST(ImportWalk, ImportsByOrdinalAreNotMatched) {
    ImageBuilder image;
    image.AddModule("GDI32.dll", {"#12", "#13"});
    EXPECT_EQ(image.Find(), 0u);
}

TEST(ImportWalk, StopsAtTheTerminatingDescriptorAndTheEndOfALookupTable) {
    ImageBuilder image;
    image.AddModule("USER32.dll", {"GetDC"});
    uint32_t table = image.AddModule("GDI32.dll", {"BitBlt"});
    image.Put32(ImageBuilder::kDescriptors + 12, 0); // first descriptor now ends the directory
    EXPECT_EQ(image.Find(), 0u);

    ImageBuilder early_end;
    table = early_end.AddModule("GDI32.dll", {"SelectObject", "BitBlt"});
    early_end.Put64(early_end.bytes.size() - 8, 0); // keep the compiler honest about size
    uint32_t lookup;
    std::memcpy(&lookup, &early_end.bytes[ImageBuilder::kDescriptors], 4);
    early_end.Put64(lookup, 0); // an empty first entry ends the module's list
    EXPECT_EQ(early_end.Find(), 0u);
    (void)table;
}

TEST(ImportWalk, RejectsMalformedHeaders) {
    {
        ImageBuilder image;
        image.AddModule("GDI32.dll", {"BitBlt"});
        image.Put16(ImageBuilder::kNt + 24, 0x10B); // a 32-bit image
        EXPECT_EQ(image.Find(), 0u);
    }
    for (uint32_t offset : {0x80000000u, 0xFFFFFFFFu, 0x1FF0u, 0x7FFFFFFFu}) {
        ImageBuilder image;
        image.AddModule("GDI32.dll", {"BitBlt"});
        image.Put32(0x3C, offset); // negative or running off the image
        EXPECT_EQ(image.Find(), 0u) << offset;
    }
    {
        ImageBuilder image;
        image.AddModule("GDI32.dll", {"BitBlt"});
        image.Put16(0, 0x4D5A);
        EXPECT_EQ(image.Find(), 0u);
    }
    EXPECT_EQ(FindImportSlotOffset(nullptr, 4096, "GDI32.dll", "BitBlt"), 0u);
    uint8_t tiny[16] = {'M', 'Z'};
    EXPECT_EQ(FindImportSlotOffset(tiny, sizeof tiny, "GDI32.dll", "BitBlt"), 0u);
}

TEST(ImportWalk, RejectsDirectoriesAndRecordsRunningPastTheImage) {
    {
        ImageBuilder image;
        image.AddModule("GDI32.dll", {"BitBlt"});
        image.Put32(ImageBuilder::kNt + 0x94, 0x2000); // directory runs past the end
        EXPECT_EQ(image.Find(), 0u);
        image.Put32(ImageBuilder::kNt + 0x94, 0xFFFFFFFF);
        EXPECT_EQ(image.Find(), 0u);
        image.Put32(ImageBuilder::kNt + 0x94, 40);
        image.Put32(ImageBuilder::kNt + 0x90, 0x2000); // directory starts at the end
        EXPECT_EQ(image.Find(), 0u);
    }
    {
        // A descriptor whose module name sits in the very last bytes of the image.
        ImageBuilder image;
        image.AddModule("GDI32.dll", {"BitBlt"});
        size_t end = image.bytes.size();
        std::memcpy(&image.bytes[end - 9], "GDI32.dl", 8);
        image.bytes[end - 1] = 'l'; // no room for the terminator
        image.Put32(ImageBuilder::kDescriptors + 12, static_cast<uint32_t>(end - 9));
        EXPECT_EQ(image.Find(), 0u);
        image.Put32(ImageBuilder::kDescriptors + 12, static_cast<uint32_t>(end - 3));
        EXPECT_EQ(image.Find(), 0u);
    }
    {
        // Declared image size larger than what is really there: reads stop at the buffer.
        ImageBuilder image;
        image.AddModule("GDI32.dll", {"BitBlt"});
        image.Put32(ImageBuilder::kNt + 0x50, 0x7FFFFFFF);
        uint32_t lookup;
        std::memcpy(&lookup, &image.bytes[ImageBuilder::kDescriptors], 4);
        image.Put64(lookup, 0x1FFC); // hint-and-name record straddling the end of the buffer
        EXPECT_EQ(image.Find(), 0u);
    }
    {
        ImageBuilder image;
        image.AddModule("GDI32.dll", {"BitBlt"});
        image.Put32(ImageBuilder::kDescriptors + 16, 0x1FFC); // address table at the very end
        EXPECT_EQ(image.Find(), 0u);
    }
}
