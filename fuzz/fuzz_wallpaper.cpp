// Fuzz target: wallpaper files decoded by their content (BMP, JPEG, PNG, GIF, Targa, ...) and laid
// out on a small screen by each style. The first byte picks the style.
#include "FuzzSupport.h"
#include "view/Textures.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    zorvane::WallpaperInfo wallpaper;
    wallpaper.style = data[0] % 4;
    wallpaper.desktopColor = 0x336699;
    wallpaper.fileName = zorvane::fuzz::WriteInput("wallpaper.img", data + 1, size - 1);
    const auto screen = zorvane::RenderDesktopPicture(wallpaper, 40, 30);
    zorvane::fuzz::Check(screen && screen->width() == 40 && screen->height() == 30,
                         "the desktop picture does not have the screen's size");
    return 0;
}
