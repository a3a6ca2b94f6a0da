// Fuzz target: stored window captures (BMP files in the capture folder). Whatever decodes must
// survive the program's own writer unchanged.
#include "FuzzSupport.h"
#include "image/CaptureImage.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using zorvane::CaptureImage;
    const auto image = CaptureImage::decodeBMP(data, size);
    if (!image)
        return 0;
    const std::string path = zorvane::fuzz::WorkPath("capture.bmp");
    zorvane::fuzz::Check(image->saveBMP(path), "a decoded capture cannot be written back");
    const auto again = CaptureImage::loadBMP(path);
    zorvane::fuzz::Check(again && again->width() == image->width() && again->height() == image->height(),
                         "a written capture reads back with another size");
    for (int y = 0; y < image->height(); ++y)
        zorvane::fuzz::Check(
            std::memcmp(image->row(y), again->row(y), static_cast<std::size_t>(image->width()) * 3) == 0,
            "a written capture reads back with other pixels");
    return 0;
}
