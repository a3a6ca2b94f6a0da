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

// Where decoded rows go: a 32-bit capture image, or the RGB rows a texture is made from.
class JpegRows {
public:
    virtual ~JpegRows() = default;
    // Makes room for a picture of this size, every row black.
    virtual void Begin(int width, int height) = 0;
    // Where row y (counted from the top) is decoded to: width RGB pixels, 3 bytes each.
    virtual std::uint8_t* RowBuffer(int y) = 0;
    // Row y has been decoded into RowBuffer(y).
    virtual void RowDone(int y) = 0;
};

// Everything between setjmp and the last libjpeg call lives in this function and holds no C++
// objects with destructors, so a longjmp out of libjpeg skips nothing that needs cleaning up.
bool decodeInto(JpegDecompressor& jpeg, std::span<const std::uint8_t> data, JpegRows& rows) {
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
    // The rows are allocated outside the jump's reach: the caller owns them through `rows`.
    rows.Begin(width, height);
    while (jpeg.info.output_scanline < jpeg.info.output_height) {
        const int y = static_cast<int>(jpeg.info.output_scanline);
        JSAMPROW row = rows.RowBuffer(y);
        if (jpeg_read_scanlines(&jpeg.info, &row, 1) != 1)
            return false;
        rows.RowDone(y);
        // The rows that arrived are shown, to the end of the band of rows being decoded when the
        // data ran out; the rest stay black.
        const auto band = static_cast<JDIMENSION>(jpeg.info.max_v_samp_factor * DCTSIZE);
        if (jpeg.errors.dataEnded && jpeg.info.output_scanline % band == 0)
            return true;
    }
    jpeg_finish_decompress(&jpeg.info);
    return true;
}

bool decode(std::span<const std::uint8_t> data, JpegRows& rows) {
    if (data.size() < 4)
        return false;
    JpegDecompressor jpeg;
    try {
        return decodeInto(jpeg, data, rows);
    } catch (const std::exception&) {
        return false;
    }
}

// Into a 32-bit capture image, through one scan line of RGB.
class ImageRows : public JpegRows {
public:
    std::unique_ptr<CaptureImage> image;
    void Begin(int width, int height) override {
        line_.resize(static_cast<std::size_t>(width) * 3);
        image = std::make_unique<CaptureImage>(width, height);
    }
    std::uint8_t* RowBuffer(int) override { return line_.data(); }
    void RowDone(int y) override {
        std::uint8_t* target = image->row(y);
        for (int x = 0; x < image->width(); ++x) {
            target[x * 4] = line_[x * 3 + 2];
            target[x * 4 + 1] = line_[x * 3 + 1];
            target[x * 4 + 2] = line_[x * 3];
        }
    }

private:
    std::vector<std::uint8_t> line_;
};

// Straight into the texture's rows: red-green-blue, bottom-up, rows padded to 4 bytes, as a 24-bit
// BMP becomes once red and blue are exchanged. No other copy of the picture is made.
class TextureRows : public JpegRows {
public:
    std::vector<std::uint8_t> pixels;
    int width = 0;
    int height = 0;
    void Begin(int w, int h) override {
        width = w;
        height = h;
        pixels.assign(Bmp24Stride(w) * static_cast<std::size_t>(h), 0);
    }
    std::uint8_t* RowBuffer(int y) override {
        return pixels.data() + static_cast<std::size_t>(height - 1 - y) * Bmp24Stride(width);
    }
    void RowDone(int) override {}
};

} // namespace

namespace textures_detail {

std::unique_ptr<CaptureImage> decodeJPEG(std::span<const std::uint8_t> data) {
    ImageRows rows;
    if (!decode(data, rows))
        return nullptr;
    return std::move(rows.image);
}

} // namespace textures_detail

bool LoadJPG(const std::string& fileName, GLuint& texture, bool fromResource) {
    TextureRows rows;
    if (fromResource) {
        const auto data = FindResource("JPEG", resourceName(fileName));
        if (!data || !decode(*data, rows))
            return false;
    } else {
        const auto data = readWholeFile(fileName);
        if (!data || !decode(*data, rows))
            return false;
    }
    texture = CreateTexture(static_cast<std::uint16_t>(rows.width), static_cast<std::uint16_t>(rows.height),
                            GL_RGB, std::move(rows.pixels), 4);
    return true;
}

} // namespace zorvane
