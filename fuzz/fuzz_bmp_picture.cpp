// Fuzz target: BMP pictures (backgrounds, wave frames) through the texture loader, upload included.
#include "FuzzSupport.h"
#include "view/Textures.h"

#include <istream>
#include <streambuf>

namespace {

class InputBuffer : public std::streambuf {
public:
    InputBuffer(const std::uint8_t* data, std::size_t size) {
        char* begin = const_cast<char*>(reinterpret_cast<const char*>(data));
        setg(begin, begin, begin + size);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zorvane::fuzz::EnsureGL();
    InputBuffer buffer(data, size);
    std::istream stream(&buffer);
    GLuint texture = 0;
    try {
        if (zorvane::LoadBMPStream(stream, texture)) {
            zorvane::fuzz::Check(glIsTexture(texture) == GL_TRUE, "a loaded BMP made no texture");
            glDeleteTextures(1, &texture);
        }
    } catch (const zorvane::TextureError&) {
        // Truncated and compressed pictures are reported this way; callers catch it.
    }
    return 0;
}
