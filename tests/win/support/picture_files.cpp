#include "support/picture_files.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "png_writer.h"

namespace {

std::string Folder() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + "murivo_pictures_" + std::to_string(GetCurrentProcessId());
}

std::u16string Widen(const std::string& ascii) {
    return {ascii.begin(), ascii.end()};
}

} // namespace

std::u16string TestPicturePath(const std::string& name) {
    return Widen(Folder() + "\\" + name);
}

std::string NarrowPath(const std::u16string& path) {
    std::string narrow;
    for (char16_t c : path) {
        narrow.push_back(static_cast<char>(c));
    }
    return narrow;
}

std::u16string WriteTestPicture(const std::string& name, int width, int height,
                                const PictureFunction& pixel) {
    CreateDirectoryA(Folder().c_str(), nullptr);
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels[static_cast<size_t>(y) * width + x] = pixel(x, y);
        }
    }
    std::string path = Folder() + "\\" + name;
    std::string error;
    if (!sim::WritePng(path, pixels.data(), width, height, error)) {
        ADD_FAILURE() << "writing " << path << ": " << error;
        return {};
    }
    return Widen(path);
}

void RemoveTestPictures() {
    const std::string folder = Folder();
    WIN32_FIND_DATAA found = {};
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            DeleteFileA((folder + "\\" + found.cFileName).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

uint32_t GradientPixel(int x, int y) {
    uint32_t red = static_cast<uint32_t>(x * 7) & 0xFF;
    uint32_t green = static_cast<uint32_t>(y * 5) & 0xFF;
    uint32_t blue = static_cast<uint32_t>(x * 3 + y * 2) & 0xFF;
    return red << 16 | green << 8 | blue;
}
