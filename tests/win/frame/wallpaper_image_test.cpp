// The picture loader against files written by WIC's own encoders at run time.
#include <gtest/gtest.h>
#include <wincodec.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "frame/wallpaper_image.h"
#include "support/diagnostics_capture.h"

namespace {

using Lines = std::vector<std::string>;

struct FrameSpec {
    UINT width;
    UINT height;
    WICPixelFormatGUID format;
    UINT stride;
    std::vector<BYTE> rows; // whole rows of stride bytes, repeated down the frame
    std::vector<WICColor> palette = {};
};

HRESULT WriteFrame(IWICImagingFactory* factory, IWICBitmapEncoder* encoder, const FrameSpec& spec) {
    IWICBitmapFrameEncode* frame = nullptr;
    IPropertyBag2* options = nullptr;
    IWICPalette* palette = nullptr;
    WICPixelFormatGUID format = spec.format;
    HRESULT hr = encoder->CreateNewFrame(&frame, &options);
    hr = SUCCEEDED(hr) ? frame->Initialize(options) : hr;
    hr = SUCCEEDED(hr) ? frame->SetSize(spec.width, spec.height) : hr;
    hr = SUCCEEDED(hr) ? frame->SetPixelFormat(&format) : hr;
    // An encoder that picked another format would misread the test bytes.
    hr = SUCCEEDED(hr) && !IsEqualGUID(format, spec.format) ? WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT
                                                            : hr;
    if (SUCCEEDED(hr) && !spec.palette.empty()) {
        hr = factory->CreatePalette(&palette);
        std::vector<WICColor> colours = spec.palette;
        hr = SUCCEEDED(hr) ? palette->InitializeCustom(colours.data(), colours.size()) : hr;
        hr = SUCCEEDED(hr) ? frame->SetPalette(palette) : hr;
    }
    std::vector<BYTE> rows = spec.rows;
    const UINT chunk = static_cast<UINT>(rows.size()) / spec.stride;
    for (UINT y = 0; SUCCEEDED(hr) && y < spec.height; y += chunk) {
        UINT lines = std::min(chunk, spec.height - y);
        hr = frame->WritePixels(lines, spec.stride, lines * spec.stride, rows.data());
    }
    hr = SUCCEEDED(hr) ? frame->Commit() : hr;
    for (IUnknown* object : {static_cast<IUnknown*>(palette), static_cast<IUnknown*>(options),
                             static_cast<IUnknown*>(frame)}) {
        if (object != nullptr) {
            object->Release();
        }
    }
    return hr;
}

HRESULT WriteImage(const std::wstring& path, REFGUID container,
                   const std::vector<FrameSpec>& frames) {
    HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory2, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IWICImagingFactory, reinterpret_cast<void**>(&factory));
    hr = SUCCEEDED(hr) ? factory->CreateStream(&stream) : hr;
    hr = SUCCEEDED(hr) ? stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE) : hr;
    hr = SUCCEEDED(hr) ? factory->CreateEncoder(container, nullptr, &encoder) : hr;
    hr = SUCCEEDED(hr) ? encoder->Initialize(stream, WICBitmapEncoderNoCache) : hr;
    for (const FrameSpec& frame : frames) {
        hr = SUCCEEDED(hr) ? WriteFrame(factory, encoder, frame) : hr;
    }
    hr = SUCCEEDED(hr) ? encoder->Commit() : hr;
    for (IUnknown* object : {static_cast<IUnknown*>(encoder), static_cast<IUnknown*>(stream),
                             static_cast<IUnknown*>(factory)}) {
        if (object != nullptr) {
            object->Release();
        }
    }
    if (SUCCEEDED(init)) {
        CoUninitialize();
    }
    return hr;
}

// 32-bit (blue, green, red, alpha) or 24-bit rows, one 0xAARRGGBB colour per row.
FrameSpec Rows(UINT width, const std::vector<uint32_t>& row_colours, bool with_alpha = true) {
    UINT bytes = with_alpha ? 4 : 3;
    FrameSpec spec = {width,
                      static_cast<UINT>(row_colours.size()),
                      with_alpha ? GUID_WICPixelFormat32bppBGRA : GUID_WICPixelFormat24bppBGR,
                      (width * bytes + 3) & ~3u,
                      {}};
    for (uint32_t colour : row_colours) {
        std::vector<BYTE> row(spec.stride, 0);
        for (UINT i = 0; i < width * bytes; ++i) {
            row[i] = static_cast<BYTE>(colour >> (8 * (i % bytes)));
        }
        spec.rows.insert(spec.rows.end(), row.begin(), row.end());
    }
    return spec;
}

// One-bit black rows written in chunks: the cheapest way to a file of many pixels.
FrameSpec BlackFrame(UINT width, UINT height) {
    UINT stride = (width + 7) / 8;
    return {width, height, GUID_WICPixelFormatBlackWhite, stride,
            std::vector<BYTE>(static_cast<size_t>(stride) * std::min(height, 256u), 0)};
}

// The loaded pixels, read from the DIB section after checking it is 32-bit and top-down.
std::vector<uint32_t> LoadedPixels() {
    DIBSECTION dib = {};
    if (GetObjectW(ShownPicture().bitmap, sizeof dib, &dib) != sizeof dib) {
        ADD_FAILURE() << "the picture is not a DIB section";
        return {};
    }
    EXPECT_EQ(dib.dsBmih.biBitCount, 32);
    const uint32_t* bits = static_cast<const uint32_t*>(dib.dsBm.bmBits);
    EXPECT_EQ(GetPixel(ShownPicture().dc, 0, 0),
              RGB(bits[0] >> 16 & 0xFF, bits[0] >> 8 & 0xFF, bits[0] & 0xFF));
    return {bits, bits + static_cast<size_t>(dib.dsBm.bmWidth) * dib.dsBm.bmHeight};
}

bool RecordIsEmpty() {
    const WallpaperImage& image = ShownPicture();
    return image.bitmap == nullptr && image.dc == nullptr && image.previous_object == nullptr &&
           image.width == 0 && image.height == 0;
}

// True when the thread is in no apartment: whoever initialised COM on it also balanced it.
bool ThreadHasNoComLeft() {
    HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(hr)) {
        CoUninitialize();
    }
    return hr == S_OK;
}

class WallpaperImageTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        StartDiagnosticsCapture();
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        folder_ = temp + (L"murivo_wallpaper_" + std::to_wstring(GetCurrentProcessId()));
        CreateDirectoryW(folder_.c_str(), nullptr);
    }

    static void TearDownTestSuite() {
        WIN32_FIND_DATAW found = {};
        HANDLE search = FindFirstFileW((folder_ + L"\\*").c_str(), &found);
        while (search != INVALID_HANDLE_VALUE) {
            DeleteFileW((folder_ + L"\\" + found.cFileName).c_str());
            if (!FindNextFileW(search, &found)) {
                FindClose(search);
                break;
            }
        }
        RemoveDirectoryW(folder_.c_str());
    }

    void TearDown() override { ReleaseWallpaperImage(); }

    static std::u16string PathOf(const wchar_t* name) {
        std::wstring path = folder_ + L"\\" + name;
        return {path.begin(), path.end()};
    }

    static std::u16string Write(const wchar_t* name, REFGUID container,
                                const std::vector<FrameSpec>& frames) {
        std::u16string path = PathOf(name);
        std::wstring wide(path.begin(), path.end());
        EXPECT_EQ(WriteImage(wide, container, frames), S_OK) << "writing the test file";
        return path;
    }

    static std::u16string WriteText(const wchar_t* name, const std::string& text) {
        std::u16string path = PathOf(name);
        HANDLE file = CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), GENERIC_WRITE, 0,
                                  nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(file);
        return path;
    }

    // Loads and expects exactly the success line.
    static void ExpectLoads(const std::u16string& path, int width, int height) {
        TakeDiagnostics();
        ASSERT_TRUE(LoadWallpaperImage(path));
        EXPECT_TRUE(IsWallpaperLoaded());
        EXPECT_EQ(ShownPicture().width, width);
        EXPECT_EQ(ShownPicture().height, height);
        char line[64] = {};
        std::snprintf(line, sizeof line, "Wallpaper loaded: %d x %d\n", width, height);
        EXPECT_EQ(TakeDiagnostics(), Lines{line});
    }

    // Fails with exactly these lines and leaves nothing behind.
    static void ExpectRefused(const std::u16string& path, const Lines& lines) {
        TakeDiagnostics();
        EXPECT_FALSE(LoadWallpaperImage(path));
        EXPECT_EQ(TakeDiagnostics(), lines);
        EXPECT_TRUE(RecordIsEmpty());
    }

    static std::wstring folder_;
};

std::wstring WallpaperImageTest::folder_;

constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kGreen = 0xFF00FF00;
constexpr uint32_t kBlue = 0xFF0000FF;

TEST_F(WallpaperImageTest, CommonFormatsLoadTopDownAsBgra) {
    // Top row red, bottom row blue: an upside-down copy would start with blue.
    const std::vector<uint32_t> expected = {kRed, kRed, kRed, kBlue, kBlue, kBlue};
    ExpectLoads(Write(L"rows.png", GUID_ContainerFormatPng, {Rows(3, {kRed, kBlue})}), 3, 2);
    EXPECT_EQ(LoadedPixels(), expected);
    ReleaseWallpaperImage();
    // Bitmap files store their rows bottom-up.
    ExpectLoads(Write(L"rows.bmp", GUID_ContainerFormatBmp, {Rows(3, {kRed, kBlue}, false)}), 3, 2);
    EXPECT_EQ(LoadedPixels(), expected);
    ReleaseWallpaperImage();

    // JPEG is lossy: a flat block comes back close to its colour.
    std::vector<uint32_t> flat(16, 0x3080C0);
    ExpectLoads(Write(L"flat.jpg", GUID_ContainerFormatJpeg, {Rows(16, flat, false)}), 16, 16);
    for (uint32_t pixel : LoadedPixels()) {
        EXPECT_NEAR(static_cast<int>(pixel >> 16 & 0xFF), 0x30, 6);
        EXPECT_NEAR(static_cast<int>(pixel >> 8 & 0xFF), 0x80, 6);
        EXPECT_NEAR(static_cast<int>(pixel & 0xFF), 0xC0, 6);
    }

    ReleaseWallpaperImage();
    ReleaseWallpaperImage(); // harmless when empty
    EXPECT_FALSE(IsWallpaperLoaded());
    EXPECT_TRUE(RecordIsEmpty());
}

TEST_F(WallpaperImageTest, PaletteSixteenBitAndAlphaPicturesArriveAsStraightEightBitBgra) {
    FrameSpec indexed = {4, 1, GUID_WICPixelFormat8bppIndexed, 4, {0, 1, 2, 3}};
    indexed.palette = {kRed, kGreen, kBlue, 0xFFFFFFFF};
    ExpectLoads(Write(L"palette.png", GUID_ContainerFormatPng, {indexed}), 4, 1);
    EXPECT_EQ(LoadedPixels(), (std::vector<uint32_t>{kRed, kGreen, kBlue, 0xFFFFFFFF}));
    ReleaseWallpaperImage();

    // Red, green, blue, 16 bits each; 0x4040 becomes 0x40 whether the codec truncates or rounds.
    FrameSpec deep = {2, 1, GUID_WICPixelFormat48bppRGB, 12, {}};
    deep.rows = {0x40, 0x40, 0xC0, 0xC0, 0x00, 0x00, 0xFF, 0xFF, 0x80, 0x80, 0x10, 0x10};
    ExpectLoads(Write(L"deep.png", GUID_ContainerFormatPng, {deep}), 2, 1);
    EXPECT_EQ(LoadedPixels(), (std::vector<uint32_t>{0xFF40C000, 0xFFFF8010}));
    ReleaseWallpaperImage();

    // Alpha is carried as stored, not premultiplied into the colour.
    ExpectLoads(Write(L"alpha.png", GUID_ContainerFormatPng, {Rows(1, {0x80FF8040, 0x00FFFFFF})}),
                1, 2);
    EXPECT_EQ(LoadedPixels(), (std::vector<uint32_t>{0x80FF8040, 0x00FFFFFF}));
}

TEST_F(WallpaperImageTest, MultiFrameFilesGiveOnlyTheirFirstFrame) {
    FrameSpec first = {4, 3, GUID_WICPixelFormat8bppIndexed, 4, std::vector<BYTE>(12, 0)};
    first.palette = {kRed, kBlue};
    FrameSpec second = first;
    second.rows.assign(12, 1);
    ExpectLoads(Write(L"two.gif", GUID_ContainerFormatGif, {first, second}), 4, 3);
    EXPECT_EQ(LoadedPixels(), std::vector<uint32_t>(12, kRed));
    ReleaseWallpaperImage();

    // The pages differ in size too, so a later page would show in the dimensions.
    ExpectLoads(Write(L"pages.tif", GUID_ContainerFormatTiff,
                      {Rows(3, {kGreen, kGreen}), Rows(5, {kBlue, kBlue, kBlue, kBlue})}),
                3, 2);
    EXPECT_EQ(LoadedPixels(), std::vector<uint32_t>(6, kGreen));
}

TEST_F(WallpaperImageTest, TheSizeLimitIsOnTheAreaNotOnASide) {
    ExpectLoads(Write(L"8192x8192.png", GUID_ContainerFormatPng, {BlackFrame(8192, 8192)}), 8192,
                8192);
    EXPECT_EQ(LoadedPixels().back(), 0xFF000000u); // decoded to the last pixel
    // Kept no larger than it covers the whole virtual screen, in its proportions.
    const int cover =
        std::max(GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
    EXPECT_EQ(ShownPicture().stored_width, std::min(cover, 8192));
    EXPECT_EQ(ShownPicture().stored_height, ShownPicture().stored_width);
    ReleaseWallpaperImage();
    ExpectLoads(Write(L"65536x1024.png", GUID_ContainerFormatPng, {BlackFrame(65536, 1024)}), 65536,
                1024);
    ReleaseWallpaperImage();
    ExpectRefused(Write(L"8193x8192.png", GUID_ContainerFormatPng, {BlackFrame(8193, 8192)}),
                  {"Wallpaper dimensions are invalid or too large.\n"});
}

TEST_F(WallpaperImageTest, PathsWithoutAFileAreNotFound) {
    ExpectRefused(u"", {});
    ExpectRefused(PathOf(L"missing.png"), {"Wallpaper file not found.\n"});
    ExpectRefused(PathOf(L""), {"Wallpaper file not found.\n"}); // the test folder itself
}

TEST_F(WallpaperImageTest, UnreadableFilesFailWithOneCodedLineAndLeaveNothing) {
    ExpectRefused(WriteText(L"notes.png", "not a picture, only text\r\n"),
                  {"WIC decoder failed. HRESULT = 0x88982F50\n"}); // component not found

    // Noise does not compress, so cutting the file in half cuts into the image data.
    FrameSpec noise = Rows(64, std::vector<uint32_t>(64, 0), false);
    uint32_t seed = 12345;
    for (BYTE& byte : noise.rows) {
        seed = seed * 1103515245 + 12345;
        byte = static_cast<BYTE>(seed >> 16);
    }
    std::u16string cut = Write(L"cut.png", GUID_ContainerFormatPng, {noise});
    HANDLE file = CreateFileW(reinterpret_cast<const wchar_t*>(cut.c_str()), GENERIC_WRITE, 0,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    SetFilePointer(file, static_cast<LONG>(GetFileSize(file, nullptr) / 2), nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);

    TakeDiagnostics();
    EXPECT_FALSE(LoadWallpaperImage(cut));
    Lines lines = TakeDiagnostics();
    ASSERT_EQ(lines.size(), 1u);
    // Codecs differ in when they read the image data: at decoder creation or at the copy.
    EXPECT_TRUE(lines[0].starts_with("WIC decoder failed. HRESULT = 0x8") ||
                lines[0].starts_with("WIC CopyPixels failed. HRESULT = 0x8"))
        << lines[0];
    EXPECT_TRUE(RecordIsEmpty());
}

TEST_F(WallpaperImageTest, EachLoadBalancesItsOwnComInitialisation) {
    std::u16string good = Write(L"small.png", GUID_ContainerFormatPng, {Rows(2, {kRed})});
    std::u16string bad = WriteText(L"bad.png", "text");
    bool loaded = false;
    bool refused = false;
    bool clean_after_success = false;
    bool clean_after_failure = false;
    std::thread([&] {
        loaded = LoadWallpaperImage(good);
        clean_after_success = ThreadHasNoComLeft();
        refused = !LoadWallpaperImage(bad);
        clean_after_failure = ThreadHasNoComLeft();
    }).join();
    EXPECT_TRUE(loaded && refused);
    EXPECT_TRUE(clean_after_success);
    EXPECT_TRUE(clean_after_failure);
    ReleaseWallpaperImage();

    // Inside a multithreaded apartment the load works there and leaves it entered.
    HRESULT still_entered = E_FAIL;
    std::thread([&] {
        if (SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {
            loaded = LoadWallpaperImage(good);
            still_entered = CoInitializeEx(nullptr, COINIT_MULTITHREADED); // S_FALSE: still in
            if (SUCCEEDED(still_entered)) {
                CoUninitialize();
            }
            CoUninitialize();
        }
    }).join();
    EXPECT_TRUE(loaded);
    EXPECT_EQ(still_entered, S_FALSE);
}

} // namespace
