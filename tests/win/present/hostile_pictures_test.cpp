// Pictures that are broken, lying, missing or oddly named: each load ends with its diagnostic,
// leaves nothing loaded, no COM initialisation and no open file behind, and the host goes on.
#include <gtest/gtest.h>
#include <wincodec.h>
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "extension_module.h"
#include "frame/wallpaper_image.h"
#include "gdi_accounting.h"
#include "host_windows.h"
#include "projects.h"
#include "registrations.h"
#include "support/diagnostics_capture.h"
#include "support/picture_files.h"
#include "support/sim_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

const std::string kNotFound = "Wallpaper file not found.\n";
const std::string kTooLarge = "Wallpaper dimensions are invalid or too large.\n";
const std::string kUnavailable = "Wallpaper image unavailable; disabled for this project.\n";

std::wstring Wide(const std::u16string& path) {
    return {path.begin(), path.end()};
}

Bytes ReadBytes(const std::u16string& path) {
    std::ifstream file(std::filesystem::path(Wide(path)), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::u16string WriteBytes(const std::string& name, const Bytes& bytes) {
    WriteTestPicture("folder_marker.png", 1, 1, GradientPixel); // makes the folder
    const std::u16string path = TestPicturePath(name);
    std::ofstream file(std::filesystem::path(Wide(path)), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

// A small picture in any container WIC can write, as the bytes of its file.
Bytes EncodeWithWic(REFGUID container, const std::string& name) {
    const std::u16string path = TestPicturePath(name);
    WriteTestPicture("folder_marker.png", 1, 1, GradientPixel);
    HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory2, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IWICImagingFactory, reinterpret_cast<void**>(&factory));
    hr = SUCCEEDED(hr) ? factory->CreateStream(&stream) : hr;
    hr = SUCCEEDED(hr) ? stream->InitializeFromFilename(Wide(path).c_str(), GENERIC_WRITE) : hr;
    hr = SUCCEEDED(hr) ? factory->CreateEncoder(container, nullptr, &encoder) : hr;
    hr = SUCCEEDED(hr) ? encoder->Initialize(stream, WICBitmapEncoderNoCache) : hr;
    hr = SUCCEEDED(hr) ? encoder->CreateNewFrame(&frame, nullptr) : hr;
    hr = SUCCEEDED(hr) ? frame->Initialize(nullptr) : hr;
    constexpr UINT kSide = 48;
    hr = SUCCEEDED(hr) ? frame->SetSize(kSide, kSide) : hr;
    // GIF holds palette indices only.
    const bool indexed = IsEqualGUID(container, GUID_ContainerFormatGif);
    WICPixelFormatGUID format =
        indexed ? GUID_WICPixelFormat8bppIndexed : GUID_WICPixelFormat24bppBGR;
    hr = SUCCEEDED(hr) ? frame->SetPixelFormat(&format) : hr;
    IWICPalette* palette = nullptr;
    if (indexed) {
        hr = SUCCEEDED(hr) ? factory->CreatePalette(&palette) : hr;
        hr = SUCCEEDED(hr)
                 ? palette->InitializePredefined(WICBitmapPaletteTypeFixedWebPalette, FALSE)
                 : hr;
        hr = SUCCEEDED(hr) ? frame->SetPalette(palette) : hr;
    }
    // Whatever format the encoder chose, hand it enough bytes per row for 32 bits a pixel.
    std::vector<BYTE> pixels(kSide * kSide * 4);
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = BYTE((i * 7 + i / 97) % (indexed ? 200 : 256));
    }
    UINT stride = indexed                                            ? kSide
                  : IsEqualGUID(format, GUID_WICPixelFormat24bppBGR) ? kSide * 3
                                                                     : kSide * 4;
    hr = SUCCEEDED(hr) ? frame->WritePixels(kSide, stride, stride * kSide, pixels.data()) : hr;
    hr = SUCCEEDED(hr) ? frame->Commit() : hr;
    hr = SUCCEEDED(hr) ? encoder->Commit() : hr;
    for (IUnknown* object : {static_cast<IUnknown*>(palette), static_cast<IUnknown*>(frame),
                             static_cast<IUnknown*>(encoder), static_cast<IUnknown*>(stream),
                             static_cast<IUnknown*>(factory)}) {
        if (object != nullptr) {
            object->Release();
        }
    }
    if (SUCCEEDED(init)) {
        CoUninitialize();
    }
    EXPECT_TRUE(SUCCEEDED(hr)) << name << ": encoder failed " << std::hex << hr;
    Bytes bytes = ReadBytes(path);
    DeleteFileW(Wide(path).c_str());
    return bytes;
}

uint32_t Crc32(const uint8_t* data, size_t n) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

void PutBigEndian(Bytes& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(uint8_t(v >> shift));
    }
}

// A PNG whose header claims width x height, followed by a tiny image data chunk and the end.
Bytes PngClaiming(uint32_t width, uint32_t height) {
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    auto chunk = [&](const char* type, const Bytes& data) {
        PutBigEndian(png, uint32_t(data.size()));
        Bytes body(type, type + 4);
        body.insert(body.end(), data.begin(), data.end());
        png.insert(png.end(), body.begin(), body.end());
        PutBigEndian(png, Crc32(body.data(), body.size()));
    };
    Bytes header;
    PutBigEndian(header, width);
    PutBigEndian(header, height);
    header.insert(header.end(), {8, 2, 0, 0, 0}); // 8-bit RGB, no interlace
    chunk("IHDR", header);
    chunk("IDAT", {0x78, 0x9C, 0x63, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01});
    chunk("IEND", {});
    return png;
}

// A BMP header claiming width x height, 24 bits, and no pixels at all.
Bytes BmpClaiming(int32_t width, int32_t height) {
    Bytes bmp(54, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            bmp[at + i] = uint8_t(v >> (8 * i));
        }
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(2, 54);
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(width));
    put32(22, uint32_t(height));
    bmp[26] = 1;
    bmp[28] = 24;
    return bmp;
}

bool IsLoaderFailureLine(const std::string& line) {
    for (const char* step :
         {"WIC decoder", "WIC frame", "WIC pixel conversion", "WIC CopyPixels"}) {
        const std::string prefix = std::string(step) + " failed. HRESULT = 0x";
        if (line.rfind(prefix, 0) == 0 && line.size() == prefix.size() + 9 && line.back() == '\n') {
            return true;
        }
    }
    return line == kTooLarge || line == kNotFound;
}

// The loader's own state: the record is empty or a complete picture, nothing in between.
void ExpectEmptyRecord() {
    EXPECT_EQ(ShownPicture().bitmap, nullptr);
    EXPECT_EQ(ShownPicture().dc, nullptr);
    EXPECT_EQ(ShownPicture().previous_object, nullptr);
    EXPECT_EQ(ShownPicture().width, 0);
    EXPECT_EQ(ShownPicture().height, 0);
}

// After the load: no COM initialisation left on this thread (a fresh one answers S_OK, not
// S_FALSE), and no decoder left holding the file (it opens for exclusive use).
void ExpectNothingLeftBehind(const std::u16string& path) {
    const HRESULT probe = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    EXPECT_EQ(probe, S_OK) << "a COM initialisation of the loader was not balanced";
    if (SUCCEEDED(probe)) {
        CoUninitialize();
    }
    const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE) << "the file is still open";
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
        }
    }
}

struct LoadOutcome {
    bool loaded;
    std::vector<std::string> lines;
};

LoadOutcome Load(const std::u16string& path) {
    TakeDiagnostics();
    LoadOutcome outcome;
    outcome.loaded = LoadWallpaperImage(path);
    outcome.lines = TakeDiagnostics();
    ExpectNothingLeftBehind(path);
    if (outcome.loaded) {
        ReleaseWallpaperImage();
    }
    ExpectEmptyRecord();
    return outcome;
}

class HostilePicture : public ::testing::Test {
  protected:
    void SetUp() override {
        StartDiagnosticsCapture();
        ReleaseWallpaperImage();
    }
    void TearDown() override {
        ReleaseWallpaperImage();
        RemoveTestPictures();
    }
};

struct Format {
    const char* extension;
    GUID container;
};

const Format kFormats[] = {{"png", GUID_ContainerFormatPng},
                           {"jpg", GUID_ContainerFormatJpeg},
                           {"bmp", GUID_ContainerFormatBmp},
                           {"gif", GUID_ContainerFormatGif},
                           {"tif", GUID_ContainerFormatTiff}};

} // namespace

TEST_F(HostilePicture, TruncatedFilesOfEveryFormatFailWithOneLoaderLine) {
    for (const Format& f : kFormats) {
        const Bytes whole = EncodeWithWic(f.container, std::string("whole.") + f.extension);
        ASSERT_GT(whole.size(), 64u) << f.extension;
        for (size_t keep : {size_t(8), size_t(40), whole.size() / 2}) {
            SCOPED_TRACE(std::string(f.extension) + " cut to " + std::to_string(keep));
            const Bytes cut(whole.begin(), whole.begin() + std::ptrdiff_t(keep));
            const LoadOutcome o = Load(WriteBytes(std::string("cut.") + f.extension, cut));
            ASSERT_EQ(o.lines.size(), 1u);
            if (o.loaded) {
                // Some decoders fill what is missing; then the load is an ordinary success.
                EXPECT_EQ(o.lines[0].rfind("Wallpaper loaded: 48 x 48", 0), 0u) << o.lines[0];
            } else {
                EXPECT_TRUE(IsLoaderFailureLine(o.lines[0])) << o.lines[0];
            }
        }
    }
}

TEST_F(HostilePicture, CorruptBodiesOfEveryFormatLoadOrFailWithOneLoaderLine) {
    for (const Format& f : kFormats) {
        SCOPED_TRACE(f.extension);
        Bytes bytes = EncodeWithWic(f.container, std::string("whole.") + f.extension);
        // Headers stay, everything after them is scrambled.
        for (size_t i = 32; i < bytes.size(); ++i) {
            bytes[i] = uint8_t(bytes[i] ^ (0x5A + i * 13));
        }
        const LoadOutcome o = Load(WriteBytes(std::string("corrupt.") + f.extension, bytes));
        ASSERT_EQ(o.lines.size(), 1u);
        if (!o.loaded) {
            EXPECT_TRUE(IsLoaderFailureLine(o.lines[0])) << o.lines[0];
        }
    }
}

TEST_F(HostilePicture, EmptyFileAndTextNamedJpegAreRefusedByTheDecoder) {
    for (const auto& [name, bytes] :
         {std::pair<std::string, Bytes>{"empty.png", {}},
          {"notes.jpg", Bytes({'h', 'e', 'l', 'l', 'o', ',', ' ', 'n', 'o', 't', ' ',
                               'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e', '\n'})}}) {
        SCOPED_TRACE(name);
        const LoadOutcome o = Load(WriteBytes(name, bytes));
        EXPECT_FALSE(o.loaded);
        ASSERT_EQ(o.lines.size(), 1u);
        EXPECT_EQ(o.lines[0].rfind("WIC decoder failed. HRESULT = 0x", 0), 0u) << o.lines[0];
    }
}

TEST_F(HostilePicture, HeadersClaimingHugePicturesAreRefusedBeforeAnyAllocation) {
    for (const auto& [name, bytes] :
         {std::pair<std::string, Bytes>{"huge.png", PngClaiming(100000, 100000)},
          {"huge.bmp", BmpClaiming(100000, 100000)},
          {"one_over.bmp", BmpClaiming(8193, 8192)}}) {
        SCOPED_TRACE(name);
        const LoadOutcome o = Load(WriteBytes(name, bytes));
        EXPECT_FALSE(o.loaded);
        ASSERT_EQ(o.lines.size(), 1u);
        // Wine's PNG decoder reads the whole image when it opens the file and refuses it there.
        if (name != "huge.png" || o.lines[0].rfind("WIC decoder failed. HRESULT = 0x", 0) != 0) {
            EXPECT_EQ(o.lines[0], kTooLarge);
        }
    }
}

TEST_F(HostilePicture, FolderNamedLikeAPictureIsNotFound) {
    WriteTestPicture("folder_marker.png", 1, 1, GradientPixel);
    const std::u16string folder = TestPicturePath("folder.png");
    ASSERT_TRUE(CreateDirectoryW(Wide(folder).c_str(), nullptr));
    const LoadOutcome o = Load(folder);
    RemoveDirectoryW(Wide(folder).c_str());
    EXPECT_FALSE(o.loaded);
    EXPECT_EQ(o.lines, std::vector<std::string>{kNotFound});
}

TEST_F(HostilePicture, PathOutsideTheBasicPlaneLoadsAndAMissingOneIsNotFound) {
    const std::u16string plain = WriteTestPicture("plain.png", 4, 3, GradientPixel);
    ASSERT_FALSE(plain.empty());
    const std::u16string astral = TestPicturePath("") + u"\U0001F3B5 m\u00FCsik \U00020000.png";
    ASSERT_TRUE(CopyFileW(Wide(plain).c_str(), Wide(astral).c_str(), FALSE));
    const LoadOutcome o = Load(astral);
    EXPECT_TRUE(o.loaded);
    EXPECT_EQ(o.lines, std::vector<std::string>{"Wallpaper loaded: 4 x 3\n"});
    DeleteFileW(Wide(astral).c_str());

    const LoadOutcome missing = Load(TestPicturePath("") + u"\U0001F3B5 gone.png");
    EXPECT_FALSE(missing.loaded);
    EXPECT_EQ(missing.lines, std::vector<std::string>{kNotFound});
}

TEST_F(HostilePicture, PathsOfThePathLimitAndBeyondAreNotFound) {
    for (size_t length : {size_t(32767), size_t(32768), size_t(70000)}) {
        for (const std::u16string& prefix :
             {std::u16string(u"C:\\"), std::u16string(u"\\\\?\\C:\\")}) {
            std::u16string path = prefix;
            while (path.size() + 4 < length) {
                path += u"abc\\";
            }
            path.resize(length - 4, u'x');
            path += u".png";
            SCOPED_TRACE(std::to_string(path.size()));
            const LoadOutcome o = Load(path);
            EXPECT_FALSE(o.loaded);
            EXPECT_EQ(o.lines, std::vector<std::string>{kNotFound});
        }
    }
}

// The same files chosen for a project in a running host: the settings application reports the
// loader's line and switches the project off, rendering goes on, and the extension's own GDI
// objects and device contexts all come back by the unload.
class HostilePictureInHost : public SimulatedHost {
  protected:
    void TearDown() override {
        sim::StopGdiAccounting();
        SimulatedHost::TearDown();
        RemoveTestPictures();
    }

    // Loads with the picture chosen and enabled, runs the timer and paints.
    std::vector<std::string> RunWith(const std::u16string& path,
                                     std::u16string delete_before = {}) {
        ReaProject* project = sim::CurrentProject();
        sim::PutExtStateValue(project, "Murivo", "path", NarrowPath(path));
        sim::PutExtStateValue(project, "Murivo", "enabled", "1");
        if (!delete_before.empty()) {
            DeleteFileW(Wide(delete_before).c_str()); // gone between the choice and the load
        }
        EXPECT_EQ(Load(), 1);
        sim::ResetGdiCounts();
        sim::StartGdiAccounting(sim::ExtensionModule());
        // Until the load in the background has failed, then a few more ticks and paints.
        std::vector<std::string> lines = TickUntilSaid(kUnavailable, 10000);
        for (int i = 0; i < 4; ++i) {
            sim::TickTimers();
            sim::RedrawArrange();
        }
        EXPECT_TRUE(IsWindow(sim::ArrangeWindow()));
        for (std::string& line : Output()) {
            lines.push_back(std::move(line));
        }
        EXPECT_EQ(Unload(), 0);
        const sim::GdiCounts counts = sim::CurrentGdiCounts();
        EXPECT_EQ(counts.Live(), 0) << sim::DescribeGdiCounts(counts);
        EXPECT_EQ(counts.strays, 0) << sim::DescribeGdiCounts(counts);
        EXPECT_EQ(sim::ExtStateValue(project, "Murivo", "enabled"), "0");
        return lines;
    }
};

TEST_F(HostilePictureInHost, CorruptPictureIsReportedAndSwitchedOff) {
    Bytes png = EncodeWithWic(GUID_ContainerFormatPng, "whole.png");
    png.resize(png.size() / 2);
    const std::vector<std::string> lines = RunWith(WriteBytes("cut.png", png));
    EXPECT_TRUE(ContainsEntry(lines, kUnavailable));
    EXPECT_EQ(CountStartingWith(lines, "Wallpaper loaded"), 0);
}

TEST_F(HostilePictureInHost, HugeHeaderIsReportedAndSwitchedOff) {
    const std::vector<std::string> lines =
        RunWith(WriteBytes("huge.bmp", BmpClaiming(100000, 100000)));
    EXPECT_TRUE(ContainsEntry(lines, kTooLarge));
    EXPECT_TRUE(ContainsEntry(lines, kUnavailable));
}

TEST_F(HostilePictureInHost, FileDeletedAfterTheChoiceIsNotFound) {
    const std::u16string path = WriteTestPicture("chosen.png", 16, 16, GradientPixel);
    const std::vector<std::string> lines = RunWith(path, path);
    EXPECT_TRUE(ContainsEntry(lines, kNotFound));
    EXPECT_TRUE(ContainsEntry(lines, kUnavailable));
}
