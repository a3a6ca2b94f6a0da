// Fuzz target: DirectDraw Surface wallpapers.
#include "FuzzSupport.h"
#include "view/Textures.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = zorvane::fuzz::WriteInput("wallpaper.dds", data, size);
    const auto picture = zorvane::LoadWallpaperPicture(path);
    if (picture)
        zorvane::fuzz::Check(picture->width() > 0 && picture->height() > 0,
                             "a DDS decoded to an empty picture");
    return 0;
}
