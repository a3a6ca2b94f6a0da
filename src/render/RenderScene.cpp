// RenderScene: the view's GL set-up, the painting effect host and made-up captured windows.
#include "render/RenderScene.h"

#include "effects/unitEffect.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace zorvane {

void SetUpViewGL(int width, int height) {
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClearDepth(1.0);
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // The constant aspect 1 stretches the scene over the screen: the effects' view units rely on it.
    gluPerspective(45.0, 1.0, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

bool FixedScreen::windowRect(WindowHandle window, Rect& rect) const {
    const auto found = rects_.find(window);
    if (found == rects_.end()) {
        return false;
    }
    rect = found->second;
    return true;
}

namespace {

std::string MakePrivateFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zorvane-render-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::system_error(errno, std::generic_category(), "cannot create a temporary folder");
    }
    return pattern + "/";
}

} // namespace

SceneWindows::SceneWindows(int screenWidth, int screenHeight, const std::vector<WindowSetup>& windows)
    : screen_(screenWidth, screenHeight), folder_(MakePrivateFolder()) {
    list_ = std::make_unique<TWindowInfos>(screen_, folder_);
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const WindowSetup& setup = windows[i];
        const WindowHandle handle = i + 1;
        screen_.place(handle, setup.rect);
        auto picture = setup.picture ? std::make_unique<CaptureImage>(*setup.picture)
                                     : MakeSyntheticPicture(setup.rect.width(), setup.rect.height(),
                                                            static_cast<int>(i));
        const int position =
            list_->Add(handle, "Synthetic", "Window " + std::to_string(i + 1), 1, std::move(picture));
        list_->Items(position).BuildTexture(screen_);
    }
}

SceneWindows::~SceneWindows() {
    for (int i = 0; i < list_->Count(); ++i) {
        GLuint texture = list_->Items(i).Texture;
        if (texture != 0 && glIsTexture(texture)) {
            glDeleteTextures(1, &texture);
        }
        list_->Items(i).Texture = 0;
    }
    list_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

void RenderHost::paint() {
    glClearColor(clearColor[0], clearColor[1], clearColor[2], clearColor[3]);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (effect_ != nullptr) {
        effect_->Draw();
    }
    glFinish();
    ++frames;
    if (onFrame) {
        onFrame();
    }
}

void RenderHost::processMessages() {
    if (onMessages) {
        onMessages();
    }
    if (dirty_) {
        dirty_ = false;
        paint();
    }
}

} // namespace zorvane
