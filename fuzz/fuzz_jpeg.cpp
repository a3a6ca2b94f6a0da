// Fuzz target: JPEG picture files through libjpeg and the texture loader, upload included.
#include "FuzzSupport.h"
#include "view/Textures.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zorvane::fuzz::EnsureGL();
    const std::string path = zorvane::fuzz::WriteInput("picture.jpg", data, size);
    GLuint texture = 0;
    // The JPEG loader promises false for anything it cannot read: no exception may get out.
    if (zorvane::LoadTexture(path, texture, false)) {
        zorvane::fuzz::Check(glIsTexture(texture) == GL_TRUE, "a loaded JPEG made no texture");
        glDeleteTextures(1, &texture);
    }
    return 0;
}
