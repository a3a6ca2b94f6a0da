// TexturesJPEG: JPEG pictures through libjpeg, with an error manager that returns instead of exiting.
#include "resources/Resources.h"
#include "view/Textures.h"
#include "view/TexturesInternal.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>

namespace zorvane {

using namespace textures_detail;

namespace {

// libjpeg's default error handler ends the process; this one jumps back to the decoder instead.
struct JpegErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    // Set when the data ran out: libjpeg would go on decoding made-up data for the rest of the
    // picture, which for a header claiming 8000 x 8000 pixels in a few hundred bytes takes seconds.
    bool dataEnded;
};

extern "C" void jpegErrorExit(j_common_ptr info) {
    auto* manager = reinterpret_cast<JpegErrorManager*>(info->err);
    std::longjmp(manager->jump, 1);
}

extern "C" void jpegSilentMessage(j_common_ptr) {}

extern "C" void jpegNoteWarning(j_common_ptr info, int level) {
    // The file ends, or the scan's data ends at a marker, before the picture's last row.
    if (level < 0 && (info->err->msg_code == JWRN_JPEG_EOF || info->err->msg_code == JWRN_HIT_MARKER))
        reinterpret_cast<JpegErrorManager*>(info->err)->dataEnded = true;
}

// Owns the decompressor so every way out releases it.
struct JpegDecompressor {
    jpeg_decompress_struct info{};
    JpegErrorManager errors{};
    JpegDecompressor() {
        info.err = jpeg_std_error(&errors.base);
        errors.base.error_exit = jpegErrorExit;
        errors.base.output_message = jpegSilentMessage;
        errors.base.emit_message = jpegNoteWarning;
    }
    ~JpegDecompressor() { jpeg_destroy_decompress(&info); }
    JpegDecompressor(const JpegDecompressor&) = delete;
    JpegDecompressor& operator=(const JpegDecompressor&) = delete;
};

// Everything between setjmp and the last libjpeg call lives in this function and holds no C++
// objects with destructors, so a longjmp out of libjpeg skips nothing that needs cleaning up.
bool decodeInto(JpegDecompressor& jpeg, std::span<const std::uint8_t> data,
                std::unique_ptr<CaptureImage>& image, std::uint8_t* line) {
    if (setjmp(jpeg.errors.jump))
        return false;
    jpeg_create_decompress(&jpeg.info);
    jpeg_mem_src(&jpeg.info, data.data(), static_cast<unsigned long>(data.size()));
    if (jpeg_read_header(&jpeg.info, TRUE) != JPEG_HEADER_OK)
        return false;
    jpeg.info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&jpeg.info);
    const auto width = static_cast<int>(jpeg.info.output_width);
    const auto height = static_cast<int>(jpeg.info.output_height);
    if (jpeg.info.output_components != 3 || width <= 0 || height <= 0 || width > kMaxSide ||
        height > kMaxSide ||
        CaptureImage::kBytesPerPixel * static_cast<std::size_t>(width) * static_cast<std::size_t>(height) >
            kMaxPixelBytes)
        return false;
    // The picture is allocated outside the jump's reach: the caller owns it through `image`.
    image = std::make_unique<CaptureImage>(width, height);
    while (jpeg.info.output_scanline < jpeg.info.output_height) {
        const int y = static_cast<int>(jpeg.info.output_scanline);
        JSAMPROW row = line;
        if (jpeg_read_scanlines(&jpeg.info, &row, 1) != 1)
            return false;
        std::uint8_t* target = image->row(y);
        for (int x = 0; x < width; ++x) {
            target[x * 4] = line[x * 3 + 2];
            target[x * 4 + 1] = line[x * 3 + 1];
            target[x * 4 + 2] = line[x * 3];
        }
        // The rows that arrived are shown, to the end of the band of rows being decoded when the
        // data ran out; the rest stay black.
        const auto band = static_cast<JDIMENSION>(jpeg.info.max_v_samp_factor * DCTSIZE);
        if (jpeg.errors.dataEnded && jpeg.info.output_scanline % band == 0)
            return true;
    }
    jpeg_finish_decompress(&jpeg.info);
    return true;
}

} // namespace

namespace textures_detail {

std::unique_ptr<CaptureImage> decodeJPEG(std::span<const std::uint8_t> data) {
    if (data.size() < 4)
        return nullptr;
    // One scan line of RGB at the largest width accepted, allocated before libjpeg can jump.
    std::vector<std::uint8_t> line(static_cast<std::size_t>(kMaxSide) * 3);
    std::unique_ptr<CaptureImage> image;
    JpegDecompressor jpeg;
    try {
        if (!decodeInto(jpeg, data, image, line.data()))
            return nullptr;
    } catch (const std::exception&) {
        return nullptr;
    }
    return image;
}

} // namespace textures_detail

bool LoadJPG(const std::string& fileName, GLuint& texture, bool fromResource) {
    std::unique_ptr<CaptureImage> image;
    if (fromResource) {
        const auto data = FindResource("JPEG", resourceName(fileName));
        if (!data)
            return false;
        image = decodeJPEG(*data);
    } else {
        const auto data = readWholeFile(fileName);
        if (!data)
            return false;
        image = decodeJPEG(*data);
    }
    if (!image)
        return false;
    // Laid out as the 24-bit BMP stream would be: blue-green-red, bottom-up, rows padded; then
    // red and blue exchanged, as for any 24-bit BMP.
    const int width = image->width();
    const int height = image->height();
    const std::size_t stride = Bmp24Stride(width);
    std::vector<std::uint8_t> pixels(stride * static_cast<std::size_t>(height), 0);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* in = image->row(height - 1 - y);
        std::uint8_t* out = pixels.data() + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < width; ++x)
            std::memcpy(out + 3 * x, in + 4 * x, 3);
    }
    image.reset();
    SwapRedBlue24(pixels, width, height);
    texture = CreateTexture(static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), GL_RGB,
                            pixels.data(), 4);
    return true;
}

} // namespace zorvane
