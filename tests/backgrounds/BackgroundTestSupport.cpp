// Shared set-up for the background tests.
#include "BackgroundTestSupport.h"

#include "image/CaptureImage.h"

#include <GL/glu.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace zorvane::test {

namespace fs = std::filesystem;

void BackgroundFixture::SetUp() {
    GLFixture::SetUp();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string leaf = "zorvane-backgrounds-" + std::to_string(::getpid()) + "-" + info->test_suite_name() +
                       "-" + info->name();
    std::replace(leaf.begin(), leaf.end(), '/', '_'); // parameterised test names hold slashes
    dir = (fs::temp_directory_path() / leaf).string();
    fs::remove_all(dir);
    fs::create_directories(fs::path(dir) / "Images");
}

void BackgroundFixture::TearDown() {
    std::error_code ignored;
    fs::remove_all(dir, ignored);
}

void BackgroundFixture::PrepareFrame() {
    glViewport(0, 0, gl->width(), gl->height());
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 1.0, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glShadeModel(GL_SMOOTH);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

std::string BackgroundFixture::WriteImage(const std::string& name, std::uint32_t rgb, int width, int height) {
    CaptureImage image(width, height);
    image.fill(rgb);
    const std::string path = dir + "/Images/" + name;
    EXPECT_TRUE(image.saveBMP(path)) << path;
    return path;
}

std::string BackgroundFixture::WritePatternImage(const std::string& name, int width, int height) {
    CaptureImage image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2;
            const bool bottom = y >= height / 2;
            std::uint32_t rgb = right ? (bottom ? 0x3070F0u : 0xF0D020u) : (bottom ? 0x20C040u : 0xE03030u);
            if ((x / 4 + y / 4) % 2 == 0)
                rgb = (rgb >> 1) & 0x7F7F7Fu; // stripes: half as bright
            image.setPixel(x, y, rgb);
        }
    const std::string path = dir + "/Images/" + name;
    EXPECT_TRUE(image.saveBMP(path)) << path;
    return path;
}

void BackgroundFixture::SavePNGIfAsked(const std::string& name) {
    if (const char* folder = std::getenv("ZORVANE_BACKGROUND_SHOTS")) {
        EXPECT_TRUE(gl->savePNG(std::string(folder) + "/" + name));
    }
}

BackgroundContext BackgroundFixture::Context() {
    BackgroundContext context;
    context.clock = &clock;
    context.executableDir = dir;
    context.effectState = [this] { return effectState; };
    context.random = &random;
    return context;
}

int BackgroundFixture::MaxChannelDifference(const std::vector<std::uint8_t>& a,
                                            const std::vector<std::uint8_t>& b) {
    int worst = a.size() == b.size() ? 0 : 256;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        worst = std::max(worst, std::abs(int(a[i]) - int(b[i])));
    return worst;
}

int BackgroundFixture::DifferingPixels(const std::vector<std::uint8_t>& a,
                                       const std::vector<std::uint8_t>& b) {
    int count = 0;
    for (std::size_t i = 0; i + 3 < a.size() && i + 3 < b.size(); i += 4)
        if (a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2])
            ++count;
    return count;
}

GLStateSnapshot GLStateSnapshot::Take() {
    GLStateSnapshot s;
    auto addMatrix = [&](const char* name, GLenum which) {
        GLfloat m[16];
        glGetFloatv(which, m);
        for (int i = 0; i < 16; ++i)
            s.values.emplace_back(std::string(name) + "[" + std::to_string(i) + "]", m[i]);
    };
    addMatrix("modelview", GL_MODELVIEW_MATRIX);
    addMatrix("projection", GL_PROJECTION_MATRIX);
    addMatrix("texture", GL_TEXTURE_MATRIX);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    for (int i = 0; i < 4; ++i)
        s.values.emplace_back("colour[" + std::to_string(i) + "]", colour[i]);
    const std::pair<const char*, GLenum> enables[] = {
        {"GL_BLEND", GL_BLEND},
        {"GL_DEPTH_TEST", GL_DEPTH_TEST},
        {"GL_TEXTURE_2D", GL_TEXTURE_2D},
        {"GL_TEXTURE_GEN_S", GL_TEXTURE_GEN_S},
        {"GL_TEXTURE_GEN_T", GL_TEXTURE_GEN_T},
        {"GL_CULL_FACE", GL_CULL_FACE},
        {"GL_LIGHTING", GL_LIGHTING},
        {"GL_VERTEX_ARRAY", GL_VERTEX_ARRAY},
        {"GL_NORMAL_ARRAY", GL_NORMAL_ARRAY},
        {"GL_TEXTURE_COORD_ARRAY", GL_TEXTURE_COORD_ARRAY},
        {"GL_COLOR_ARRAY", GL_COLOR_ARRAY},
    };
    for (const auto& [name, cap] : enables)
        s.values.emplace_back(name, glIsEnabled(cap));
    const std::pair<const char*, GLenum> integers[] = {
        {"GL_BLEND_SRC", GL_BLEND_SRC},
        {"GL_BLEND_DST", GL_BLEND_DST},
        {"GL_TEXTURE_BINDING_2D", GL_TEXTURE_BINDING_2D},
        {"GL_MATRIX_MODE", GL_MATRIX_MODE},
        {"GL_DEPTH_FUNC", GL_DEPTH_FUNC},
        {"GL_DEPTH_WRITEMASK", GL_DEPTH_WRITEMASK},
        {"GL_MODELVIEW_STACK_DEPTH", GL_MODELVIEW_STACK_DEPTH},
        {"GL_ATTRIB_STACK_DEPTH", GL_ATTRIB_STACK_DEPTH},
        {"GL_CLIENT_ATTRIB_STACK_DEPTH", GL_CLIENT_ATTRIB_STACK_DEPTH},
    };
    for (const auto& [name, pname] : integers) {
        GLint value = 0;
        glGetIntegerv(pname, &value);
        s.values.emplace_back(name, value);
    }
    GLint mode = 0;
    glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &mode);
    s.values.emplace_back("texgen S mode", mode);
    glGetTexGeniv(GL_T, GL_TEXTURE_GEN_MODE, &mode);
    s.values.emplace_back("texgen T mode", mode);
    return s;
}

std::string GLStateSnapshot::ChangesFrom(const GLStateSnapshot& before) const {
    std::string changes;
    for (std::size_t i = 0; i < values.size() && i < before.values.size(); ++i)
        if (values[i].second != before.values[i].second)
            changes += values[i].first + ": " + std::to_string(before.values[i].second) + " -> " +
                       std::to_string(values[i].second) + "\n";
    return changes;
}

} // namespace zorvane::test
