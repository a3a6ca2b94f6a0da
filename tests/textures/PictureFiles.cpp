// PictureFiles: test pictures written byte by byte, JPEG encoding and texture read-back.
#include "PictureFiles.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <stdexcept>

#include <jpeglib.h>

namespace zorvane::test {

namespace {

void put16(Bytes& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(Bytes& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

} // namespace

Bytes buildBMP(const BmpLayout& layout) {
    const int rows = layout.height < 0 ? -layout.height : layout.height;
    const std::size_t pixelBytes = static_cast<std::size_t>(layout.bitCount / 8);
    const std::size_t rowBytes = layout.width > 0 ? static_cast<std::size_t>(layout.width) * pixelBytes : 0;
    const std::size_t stride = (rowBytes + 3) & ~std::size_t{3};
    Bytes pixels;
    for (const auto& row : layout.rows) {
        const std::size_t start = pixels.size();
        for (std::uint32_t p : row)
            for (std::size_t b = 0; b < pixelBytes; ++b)
                pixels.push_back(b < 4 ? static_cast<std::uint8_t>(p >> (8 * b)) : 0);
        while (pixels.size() - start < stride)
            pixels.push_back(0xEE); // padding that must never show up in a picture
    }
    Bytes out;
    out.push_back('B');
    out.push_back('M');
    put32(out, 0); // the loader reads neither the file size
    put32(out, 0);
    put32(out, 54); // nor the offset
    put32(out, layout.headerSize);
    put32(out, static_cast<std::uint32_t>(layout.width));
    put32(out, static_cast<std::uint32_t>(layout.height));
    put16(out, 1);
    put16(out, static_cast<std::uint32_t>(layout.bitCount));
    put32(out, layout.compression);
    put32(out, layout.imageSize < 0 ? static_cast<std::uint32_t>(stride * static_cast<std::size_t>(rows))
                                    : static_cast<std::uint32_t>(layout.imageSize));
    put32(out, 2835);
    put32(out, 2835);
    put32(out, layout.coloursUsed);
    put32(out, 0);
    if (layout.headerSize > 40) {
        // V4/V5 headers start with the channel masks.
        for (std::uint32_t m : layout.masks)
            put32(out, m);
        out.resize(14 + layout.headerSize, 0);
    } else if (layout.compression == 3) {
        for (std::uint32_t m : layout.masks)
            put32(out, m);
    }
    for (std::uint32_t i = 0; i < layout.coloursUsed && i < 256; ++i)
        put32(out, 0x00808080);
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

Bytes buildTGA(const TgaLayout& layout) {
    Bytes out(18, 0);
    out[0] = static_cast<std::uint8_t>(layout.id.size());
    out[1] = static_cast<std::uint8_t>(layout.colourMapType);
    out[2] = static_cast<std::uint8_t>(layout.imageType);
    out[12] = static_cast<std::uint8_t>(layout.width & 255);
    out[13] = static_cast<std::uint8_t>(layout.width >> 8);
    out[14] = static_cast<std::uint8_t>(layout.height & 255);
    out[15] = static_cast<std::uint8_t>(layout.height >> 8);
    out[16] = static_cast<std::uint8_t>(layout.bits);
    out[17] = layout.descriptor;
    for (char c : layout.id)
        out.push_back(static_cast<std::uint8_t>(c));
    const int pixelBytes = layout.bits / 8;
    for (const auto& row : layout.rows)
        for (std::uint32_t p : row)
            for (int b = 0; b < pixelBytes; ++b)
                out.push_back(b < 4 ? static_cast<std::uint8_t>(p >> (8 * b)) : 0);
    return out;
}

Bytes ddsHeader(int w, int h, std::uint32_t pfFlags, std::uint32_t fourCC, std::uint32_t bits,
                std::array<std::uint32_t, 3> masks) {
    Bytes out{'D', 'D', 'S', ' '};
    std::array<std::uint32_t, 31> header{};
    header[0] = 124;
    header[1] = 0x1007;
    header[2] = static_cast<std::uint32_t>(h);
    header[3] = static_cast<std::uint32_t>(w);
    header[18] = 32; // pixel format size
    header[19] = pfFlags;
    header[20] = fourCC;
    header[21] = bits;
    header[22] = masks[0];
    header[23] = masks[1];
    header[24] = masks[2];
    for (std::uint32_t v : header)
        for (int b = 0; b < 4; ++b)
            out.push_back(static_cast<std::uint8_t>(v >> (8 * b)));
    return out;
}

std::vector<std::vector<std::uint32_t>> uniformRows(int width, const std::vector<std::uint32_t>& colours) {
    std::vector<std::vector<std::uint32_t>> rows;
    for (std::uint32_t c : colours)
        rows.emplace_back(static_cast<std::size_t>(width), c);
    return rows;
}

Bytes encodeJPEG(int width, int height, std::uint32_t rgb) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<std::uint8_t> line;
    for (int x = 0; x < width; ++x) {
        line.push_back(static_cast<std::uint8_t>(rgb >> 16));
        line.push_back(static_cast<std::uint8_t>(rgb >> 8));
        line.push_back(static_cast<std::uint8_t>(rgb));
    }
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = line.data();
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    Bytes out(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}

TempDir::TempDir() {
    std::random_device seed;
    dir_ = std::filesystem::temp_directory_path() / ("zv-textures-" + std::to_string(seed()));
    std::filesystem::create_directories(dir_);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

std::string TempDir::write(const std::string& name, const Bytes& bytes) const {
    const auto file = path(name);
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
    return file.string();
}

std::uint32_t TextureImage::argb(int x, int row) const {
    const std::uint8_t* p = rgba.data() + (static_cast<std::size_t>(row) * width + x) * 4;
    return static_cast<std::uint32_t>(p[3]) << 24 | static_cast<std::uint32_t>(p[0]) << 16 |
           static_cast<std::uint32_t>(p[1]) << 8 | p[2];
}

TextureImage readTexture(GLuint texture) {
    TextureImage image;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &image.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &image.height);
    image.rgba.resize(static_cast<std::size_t>(image.width) * image.height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.rgba.data());
    return image;
}

int colourDistance(std::uint32_t a, std::uint32_t b) {
    int worst = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = static_cast<int>((a >> shift) & 255) - static_cast<int>((b >> shift) & 255);
        worst = std::max(worst, d < 0 ? -d : d);
    }
    return worst;
}

} // namespace zorvane::test
