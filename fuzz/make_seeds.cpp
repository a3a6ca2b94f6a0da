// make_seeds: writes the fuzzers' seed corpora with the program's own writers (capture images,
// the settings store, comma text, the PNG writer) and the picture builders of the loader tests.
// Usage: zorvane-fuzz-seeds SOURCE_DIR OUTPUT_DIR
#include "app/unitSettings.h"
#include "core/CommaText.h"
#include "gl/OffscreenGL.h"
#include "image/CaptureImage.h"
#include "textures/PictureFiles.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

namespace fs = std::filesystem;
using zorvane::test::Bytes;

namespace {

fs::path outputDir;

void put(const std::string& target, const std::string& name, const Bytes& bytes) {
    const fs::path dir = outputDir / target;
    fs::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

Bytes text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// A small capture with a gradient, through the capture writer.
Bytes captureFile(int width, int height) {
    zorvane::CaptureImage image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y,
                           static_cast<std::uint32_t>(x * 40) << 16 |
                               static_cast<std::uint32_t>(y * 60) << 8 | 0x80);
    const fs::path path = outputDir / "capture.tmp";
    image.saveBMP(path.string());
    Bytes bytes = readFile(path);
    fs::remove(path);
    return bytes;
}

Bytes settingsFile(bool changed) {
    const fs::path path = outputDir / "settings.tmp";
    zorvane::TFormStorage settings(path.string());
    if (changed) {
        settings.SetValue(zorvane::TFormStorage::kLanguage, "Korea");
        settings.SetValue(zorvane::TFormStorage::kFlipEffectType, 2);
        settings.SetValue(zorvane::TFormStorage::kBackEffectOption,
                          zorvane::JoinCommaText({"/home/me/Pictures/a b & <c>.jpg", "-1", "35"}));
        settings.SetValue("ShowTitles", "-1");
    }
    settings.Save();
    Bytes bytes = readFile(path);
    fs::remove(path);
    return bytes;
}

Bytes withBody(Bytes head, std::size_t bodyBytes) {
    for (std::size_t i = 0; i < bodyBytes; ++i)
        head.push_back(static_cast<std::uint8_t>(i * 37));
    return head;
}

Bytes pngFile(int width, int height) {
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width * height * 4), 0x7F);
    const fs::path path = outputDir / "png.tmp";
    zorvane::writePNG(path.string(), width, height, rgba);
    Bytes bytes = readFile(path);
    fs::remove(path);
    return bytes;
}

Bytes styled(std::uint8_t style, Bytes picture) {
    picture.insert(picture.begin(), style);
    return picture;
}

} // namespace

int main(int argc, char** argv) {
    using namespace zorvane::test;
    if (argc != 3) {
        std::cerr << "usage: zorvane-fuzz-seeds SOURCE_DIR OUTPUT_DIR\n";
        return 2;
    }
    const fs::path source = argv[1];
    outputDir = argv[2];

    BmpLayout bmp24{.width = 5, .height = 3, .rows = uniformRows(5, {0xFF0000, 0x00FF00, 0x0000FF})};
    BmpLayout bmp32{
        .width = 2, .height = -2, .bitCount = 32, .rows = uniformRows(2, {0xFF112233, 0x00445566})};
    BmpLayout fields{.width = 2,
                     .height = 1,
                     .bitCount = 32,
                     .compression = 3,
                     .masks = {0x00FF0000, 0x0000FF00, 0x000000FF},
                     .rows = uniformRows(2, {0xFFABCDEF})};
    put("fuzz_bmp_picture", "24bit", buildBMP(bmp24));
    put("fuzz_bmp_picture", "32bit-topdown", buildBMP(bmp32));
    put("fuzz_bmp_picture", "bitfields", buildBMP(fields));
    put("fuzz_bmp_picture", "capture", captureFile(3, 2));

    put("fuzz_capture_bmp", "capture-7x3", captureFile(7, 3));
    put("fuzz_capture_bmp", "capture-1x1", captureFile(1, 1));
    put("fuzz_capture_bmp", "32bit-topdown", buildBMP(bmp32));

    put("fuzz_tga", "24bit",
        buildTGA({.width = 3, .height = 2, .rows = uniformRows(3, {0xFF0000, 0x00FF00})}));
    put("fuzz_tga", "32bit-topfirst-id",
        buildTGA({.width = 2,
                  .height = 2,
                  .bits = 32,
                  .descriptor = 0x28,
                  .id = "zorvane",
                  .rows = uniformRows(2, {0x80FF0000, 0xFF00FF00})}));

    put("fuzz_jpeg", "8x8", encodeJPEG(8, 8, 0x3366CC));
    put("fuzz_jpeg", "17x5", encodeJPEG(17, 5, 0xFFAA00));

    put("fuzz_dds", "rgba32", withBody(ddsHeader(2, 1, 0x40, 0, 32, {0xFF, 0xFF00, 0xFF0000}), 8));
    put("fuzz_dds", "rgb16", withBody(ddsHeader(3, 2, 0x40, 0, 16, {0xF800, 0x07E0, 0x001F}), 12));
    put("fuzz_dds", "dxt1", withBody(ddsHeader(4, 4, 0x4, 0x31545844, 0, {0, 0, 0}), 8));
    put("fuzz_dds", "dxt5", withBody(ddsHeader(6, 5, 0x4, 0x35545844, 0, {0, 0, 0}), 64));

    put("fuzz_wallpaper", "centre-bmp", styled(0, buildBMP(bmp24)));
    put("fuzz_wallpaper", "tile-png", styled(1, pngFile(7, 5)));
    put("fuzz_wallpaper", "stretch-jpeg", styled(2, encodeJPEG(9, 4, 0x123456)));
    put("fuzz_wallpaper", "centre-large-png", styled(3, pngFile(64, 48)));

    put("fuzz_settings", "initial", settingsFile(false));
    put("fuzz_settings", "changed", settingsFile(true));

    put("fuzz_commatext", "flip", text(zorvane::TFormStorage::kInitialFlipEffectOption));
    put("fuzz_commatext", "back", text(zorvane::TFormStorage::kInitialBackEffectOption));
    put("fuzz_commatext", "quoted",
        text(zorvane::JoinCommaText({"/tmp/My \"best\" picture.bmp", "0", "", "True", " 7 "})));

    for (const char* language : {"English.dat", "Korea.dat"})
        put("fuzz_language", language, readFile(source / "src/ui/Language" / language));

    put("fuzz_window_text", "ascii", text("xterm - bash"));
    put("fuzz_window_text", "utf8",
        text("Fen\xC3\xAAtre \xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4 \xF0\x9F\x98\x80"));
    put("fuzz_window_text", "broken", Bytes{'a', 0xC3, 0x28, 0xE2, 0x82, 0, 0xF0, 0x9F, 'z', 0xFF});

    // Window icons: the wanted size (2 bytes), then 32-bit items: 2 x 2 and 3 x 1 pictures.
    Bytes icon{32, 0};
    for (std::uint32_t item :
         {2u, 2u, 0xFF0000FFu, 0x80FF0000u, 0xFF00FF00u, 0x00000000u, 3u, 1u, 1u, 2u, 3u})
        for (int b = 0; b < 4; ++b)
            icon.push_back(static_cast<std::uint8_t>(item >> (8 * b)));
    put("fuzz_netwmicon", "two-pictures", icon);
    return 0;
}
