// Textures: turns pictures (BMP, JPEG, Targa files or built-in resources) into OpenGL textures, and
// renders the desktop background into a screen-sized texture. Every call that touches OpenGL needs
// the view's context current on the calling thread.
#pragma once

#include "image/CaptureImage.h"
#include "platform/PlatformTypes.h"
#include "windows/unitUtils.h"

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <istream>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace zorvane {

// A texture with the picture it was made from. Texture coordinates of the desktop texture: s from 0
// (left edge) to TexS (right edge), t from 0 (top edge) to -TexT (bottom edge), repeat wrapping.
struct TTextureInfo {
    GLuint Texture = 0; // 0 (or a deleted name) when there is none
    std::string FileName;
    float TexS = 0.0f; // picture width / texture width
    float TexT = 0.0f; // picture height / texture height
};

// A picture that cannot be read: a BMP or Targa file that cannot be opened or ends early, a
// compressed BMP ("Compressed Bitmaps not handled"), a missing "DATA" resource, a picture too large
// for a texture. Callers that load user-chosen pictures catch it and go on without the texture.
class TextureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Loads a picture by its file name's last four characters (".BMP", ".JPG", ".TGA" in any letter
// case) and writes texture only when a texture was made. Any other ending returns false.
// With fromResource the name up to its first "." names a built-in resource ("WAVE_01.BMP" is
// WAVE_01 of type "DATA"; JPEG pictures are of type "JPEG", Targa of type "TGA").
bool LoadTexture(const std::string& fileName, GLuint& texture, bool fromResource);

// BMP: returns true once a texture is made. From a file, a file that cannot be opened or read throws
// TextureError; from a resource, a missing resource throws and a malformed one returns false.
bool LoadBMP(const std::string& fileName, GLuint& texture, bool fromResource);
// JPEG (libjpeg): false when the picture cannot be opened or decoded; never ends the process.
bool LoadJPG(const std::string& fileName, GLuint& texture, bool fromResource);
// Uncompressed true-colour Targa of 24 or 32 bits: false for anything else, a missing file or short
// pixel data. A file that exists but whose 18-byte header cannot be read throws TextureError.
bool LoadTGA(const std::string& fileName, GLuint& texture, bool fromResource);

// Reads a BMP file (14-byte file header, info header) from the stream's position and makes a texture
// of it. 24- and 32-bit uncompressed and bit-field pictures, bottom-up or top-down, are decoded and
// give true; other bit counts, malformed headers and pictures too large for a texture give false and
// make no texture; compression 1 or 2 ("Compressed Bitmaps not handled") and data that ends early
// throw TextureError.
bool LoadBMPStream(std::istream& stream, GLuint& texture);

// One texture with GLU mipmaps, linear filters, modulate, repeat wrapping. format is GL_RGB or
// GL_RGBA; rowAlignment is the byte alignment of the caller's rows (4 for padded BMP rows, 1 for
// Targa). The rows go up in the order given. Sides that are not powers of two are scaled to the
// nearest power of two (as GLU would, without its lost last row). The caller owns the returned name.
GLuint CreateTexture(std::uint16_t width, std::uint16_t height, GLenum format, const std::uint8_t* pixels,
                     int rowAlignment);
// The same texture from pixels it takes over: when the sides are scaled, the picture is freed as
// soon as its scaled copy exists, before the mipmaps are made, so that a big picture is never held
// twice while its texture grows.
GLuint CreateTexture(std::uint16_t width, std::uint16_t height, GLenum format,
                     std::vector<std::uint8_t>&& pixels, int rowAlignment);

// Exchanges bytes 0 and 2 of every 3-byte pixel of height rows of width pixels, rows padded to a
// multiple of 4 bytes (padding untouched). Rows that do not fit in pixels entirely are left alone.
void SwapRedBlue24(std::span<std::uint8_t> pixels, int width, int height);

// Alpha from a colour key: every 4-byte pixel equal to the first one (all four bytes) becomes fully
// transparent, every other fully opaque; then bytes 0 and 2 are exchanged. Stops at the end of pixels.
void ColorKeyAlpha32(std::span<std::uint8_t> pixels, std::size_t pixelCount);

// Where the wallpaper is and how it is laid out: style 1 tile, 2 stretch, anything else centre.
void GetWallpaperInfo(const WallpaperSource& source, int& style, std::string& fileName);

// The desktop background as the screen shows it, top-left at row(0): a ready picture from the source
// is used as is (cropped or padded with the desktop colour); else the wallpaper file laid out by
// style over the desktop colour; else the plain desktop colour. A file that is missing, cannot be
// decoded or is 1 x 1 pixel or smaller gives the plain colour. Throws std::invalid_argument for a
// screen size that is not positive.
std::unique_ptr<CaptureImage> RenderDesktopPicture(const WallpaperInfo& wallpaper, int width, int height);

// Decodes a wallpaper file: ".DDS" (any case) through the DirectDraw Surface reader, everything else
// by its content (BMP, JPEG, PNG, GIF, Targa, ...). Null when it cannot be decoded.
std::unique_ptr<CaptureImage> LoadWallpaperPicture(const std::string& path);

// Renders the desktop background at the screen's size and uploads it as a texture of power-of-two
// sides (no mipmaps), filling info (FileName: the wallpaper name as read, possibly empty).
void CreateDesktopTexture(const WallpaperSource& source, const ScreenGeometry& screen, TTextureInfo& info);

} // namespace zorvane
