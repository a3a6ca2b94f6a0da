// BackgroundGL: helpers shared by the backgrounds' drawing and pacing code.
#pragma once

#include <GL/gl.h>

#include <cstdint>

namespace zorvane {

// Saves the GL state a background changes (enables, blend function, current colour, texture
// binding and generation, client arrays) and the model-view matrix, and puts all back on
// destruction, so the foreground effect draws over exactly the state it set up.
class BackgroundGLState {
public:
    BackgroundGLState() {
        glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT | GL_TEXTURE_BIT |
                     GL_DEPTH_BUFFER_BIT | GL_TRANSFORM_BIT);
        glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
    }
    ~BackgroundGLState() {
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
        glPopClientAttrib();
        glPopAttrib();
    }
    BackgroundGLState(const BackgroundGLState&) = delete;
    BackgroundGLState& operator=(const BackgroundGLState&) = delete;
};

inline bool IsGLTexture(GLuint name) {
    return name != 0 && glIsTexture(name) == GL_TRUE;
}

// Deletes a texture this program made and clears the name.
inline void DeleteGLTexture(GLuint& name) {
    if (IsGLTexture(name))
        glDeleteTextures(1, &name);
    name = 0;
}

// True when more than 1 / (framesPerSecond * 100000) days (0.864 / framesPerSecond seconds) lie
// between lastMs and nowMs. A rate of 0 or below never elapses: the animation stands still.
constexpr bool FrameIntervalElapsed(std::int64_t nowMs, std::int64_t lastMs, std::int32_t framesPerSecond) {
    if (framesPerSecond <= 0)
        return false;
    // diff / 86400000 > 1 / (fps * 100000)  <=>  diff * fps > 864, exact in integers.
    const std::int64_t diff = nowMs - lastMs;
    if (diff <= 0)
        return false;
    if (diff > 864)
        return true;
    return diff * framesPerSecond > 864;
}

} // namespace zorvane
