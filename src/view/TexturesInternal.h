// TexturesInternal: decoders and limits shared by the texture loader's source files (not for other units).
#pragma once

#include "image/CaptureImage.h"

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zorvane::textures_detail {

// Largest side a loaded picture may have: the largest texture side the program ever makes.
constexpr int kMaxSide = 32768;
// Largest pixel buffer a load may allocate (a 8192 x 8192 picture of 4-byte pixels).
constexpr std::size_t kMaxPixelBytes = std::size_t{256} << 20;

// The whole file, or nothing when it cannot be opened or read.
std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& path);

// The last four characters of name in upper case (fewer when the name is shorter).
std::string upperExtension4(const std::string& name);

// The resource name the loader derives from a file name: everything before its first ".".
std::string resourceName(const std::string& fileName);

// JPEG through libjpeg, as a 24-bit picture; null for anything libjpeg rejects (never exits).
std::unique_ptr<CaptureImage> decodeJPEG(std::span<const std::uint8_t> data);

// The bound texture's levels from a picture of exactly its size (powers of two), `width` pixels of
// `format` (GL_RGB or GL_RGBA) a row, rows `stride` bytes apart and aligned to `alignment`; the same
// texels as gluBuild2DMipmaps makes, without its copies of the picture. scratch, when given, may be
// pixels itself (its contents are then used up): the levels below the first are made there.
void BuildMipmaps(int width, int height, GLenum format, const std::uint8_t* pixels, std::size_t stride,
                  int alignment, std::uint8_t* scratch);

// DirectDraw Surface, top level only: uncompressed RGB(A) and DXT1/3/5; null otherwise.
std::unique_ptr<CaptureImage> decodeDDS(std::span<const std::uint8_t> data);

} // namespace zorvane::textures_detail
