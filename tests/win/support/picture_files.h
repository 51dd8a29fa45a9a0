// Picture files that tests write at run time into a folder of their own under %TEMP%.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// pixel(x, y) -> 0x00RRGGBB.
using PictureFunction = std::function<uint32_t(int x, int y)>;

// Writes a 24-bit PNG named name into the test folder and returns its full path as the loader
// takes it; an empty path (and a test failure) when it cannot be written.
std::u16string WriteTestPicture(const std::string& name, int width, int height,
                                const PictureFunction& pixel);

// The full path a file of that name would have in the test folder (it need not exist).
std::u16string TestPicturePath(const std::string& name);

// The path as the project settings store it (UTF-8); test pictures have ASCII names.
std::string NarrowPath(const std::u16string& path);

// Deletes every file of the test folder and the folder.
void RemoveTestPictures();

// A picture whose every pixel differs from its neighbours: red across, green down, blue mixed.
uint32_t GradientPixel(int x, int y);
