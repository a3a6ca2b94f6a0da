// Fuzz target: Targa picture files through the texture loader, upload included.
#include "FuzzSupport.h"
#include "view/Textures.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zorvane::fuzz::EnsureGL();
    const std::string path = zorvane::fuzz::WriteInput("picture.tga", data, size);
    GLuint texture = 0;
    try {
        if (zorvane::LoadTexture(path, texture, false)) {
            zorvane::fuzz::Check(glIsTexture(texture) == GL_TRUE, "a loaded Targa made no texture");
            glDeleteTextures(1, &texture);
        }
    } catch (const zorvane::TextureError&) {
        // A file whose header cannot be read is reported this way; callers catch it.
    }
    return 0;
}
