// zorvane-render from the outside: every --frames mode writes the frames it names, in drawing
// order, every effect draws over every background, and bad command lines or window files are
// refused with exit status 2.
#include <gtest/gtest.h>

#include <stb_image.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string Tool() {
    const char* bin = std::getenv("ZORVANE_BIN_DIR");
    return std::string(bin ? bin : ".") + "/zorvane-render";
}

struct Result {
    int status = -1;
    std::string output;
};

Result RunTool(const std::string& arguments) {
    const fs::path log =
        fs::temp_directory_path() / ("zorvane-render-test-" + std::to_string(::getpid()) + ".log");
    const std::string command = "'" + Tool() + "' " + arguments + " > '" + log.string() + "' 2>&1";
    const int raw = std::system(command.c_str());
    Result result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream in(log);
    result.output.assign(std::istreambuf_iterator<char>(in), {});
    fs::remove(log);
    return result;
}

class RenderTool : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("zorvane-render-out-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        if (fs::exists(dir)) {
            for (const auto& entry : fs::directory_iterator(dir)) {
                names.push_back(entry.path().filename().string());
            }
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    static std::vector<std::string> Numbered(int count) {
        std::vector<std::string> names;
        for (int i = 0; i < count; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "%04d.png", i);
            names.emplace_back(name);
        }
        return names;
    }

    fs::path dir;
};

TEST_F(RenderTool, EachFramesModeWritesItsFrames) {
    struct Case {
        const char* frames;
        const char* options;
        int count;
    };
    const Case cases[] = {
        {"rest", "0,-1,-1,0,-1", 1},
        {"opening", "0,-1,-1,0,-1", 10},  // one frame a step
        {"opening", "0,-1,-1,-1,-1", 23}, // plus the 13 camera-bounce frames
        {"opening", "0,0,-1,0,-1", 1},    // starting animation off: only the last frame
        {"open", "1,-1,-1,0,-1", 1},
        {"next:3", "2,-1,-1,0,-1", 1},
        {"closing", "0,-1,-1,0,-1", 10},
        {"closing", "0,-1,0,0,-1", 0}, // ending animation off: nothing of its own
        {"rest,open,closing", "0,-1,-1,0,-1", 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.frames) + " with " + c.options);
        fs::remove_all(dir);
        const Result result = RunTool(std::string("--count 3 --size 160x120 --background off --options ") +
                                      c.options + " --frames " + c.frames + " --out '" + dir.string() + "'");
        ASSERT_EQ(result.status, 0) << result.output;
        EXPECT_EQ(Files(), Numbered(c.count));
    }
}

// A written frame as RGB bytes, top row first; empty when the file is not a PNG of that size.
std::vector<unsigned char> ReadFrame(const fs::path& png, int width, int height) {
    int w = 0;
    int h = 0;
    int channels = 0;
    std::unique_ptr<unsigned char, decltype(&stbi_image_free)> pixels(
        stbi_load(png.string().c_str(), &w, &h, &channels, 3), &stbi_image_free);
    if (!pixels || w != width || h != height) {
        return {};
    }
    return {pixels.get(), pixels.get() + static_cast<std::size_t>(w) * h * 3};
}

// The share of pixels that differ between two frames of the same size.
double DifferingShare(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
    std::size_t differing = 0;
    for (std::size_t i = 0; i + 2 < a.size(); i += 3) {
        differing += (a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2]) ? 1 : 0;
    }
    return a.empty() ? 0.0 : static_cast<double>(differing) / static_cast<double>(a.size() / 3);
}

// Each effect opened over each background: the background fills the screen behind the windows, so
// most of the frame differs from the same effect over no background; a background whose picture
// is missing draws nothing and leaves exactly the frame without a background.
TEST_F(RenderTool, EveryEffectDrawsOverEveryBackground) {
    const std::string common = " --count 3 --size 160x120 --frames open --out '" + dir.string() + "'";
    for (const char* effect : {"flip", "grid", "waveflip"}) {
        SCOPED_TRACE(effect);
        const auto draw = [&](const std::string& background) {
            fs::remove_all(dir);
            const Result result = RunTool(std::string("--effect ") + effect + " " + background + common);
            EXPECT_EQ(result.status, 0) << background << ": " << result.output;
            return ReadFrame(dir / "0000.png", 160, 120);
        };
        const std::vector<unsigned char> bare = draw("--background off");
        ASSERT_FALSE(bare.empty());
        for (const char* background : {"none", "background", "wave", "raindrops", "tunnel"}) {
            SCOPED_TRACE(background);
            const std::vector<unsigned char> frame = draw(std::string("--background ") + background);
            ASSERT_FALSE(frame.empty());
            EXPECT_GT(DifferingShare(frame, bare), 0.4);
        }
        const std::vector<unsigned char> missing =
            draw("--background background --background-options 'no-such-picture.bmp,-1,20'");
        ASSERT_FALSE(missing.empty());
        EXPECT_EQ(DifferingShare(missing, bare), 0.0);
    }
}

TEST_F(RenderTool, FramesAreScreenSizedPictures) {
    const Result result =
        RunTool("--count 2 --size 200x100 --background off --frames open --out '" + dir.string() + "'");
    ASSERT_EQ(result.status, 0) << result.output;
    std::ifstream png(dir / "0000.png", std::ios::binary);
    unsigned char header[24] = {};
    png.read(reinterpret_cast<char*>(header), sizeof header);
    ASSERT_EQ(png.gcount(), 24);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(header + 1), 3), "PNG");
    const auto be32 = [&](int at) {
        return (header[at] << 24) | (header[at + 1] << 16) | (header[at + 2] << 8) | header[at + 3];
    };
    EXPECT_EQ(be32(16), 200);
    EXPECT_EQ(be32(20), 100);
}

TEST_F(RenderTool, WindowsFileGivesPlacesAndPictures) {
    fs::create_directories(dir);
    const fs::path list = dir / "windows.txt";
    std::ofstream(list) << "# left top width height [picture]\n10 10 80 60\n\n100 50 40 30\n";
    const fs::path out = dir / "frames";
    const Result result =
        RunTool("--windows '" + list.string() + "' --size 160x120 --background off --frames rest --out '" +
                out.string() + "'");
    ASSERT_EQ(result.status, 0) << result.output;
    EXPECT_TRUE(fs::exists(out / "0000.png"));
}

TEST_F(RenderTool, BadInputIsRefusedWithStatusTwo) {
    fs::create_directories(dir);
    std::ofstream(dir / "short.txt") << "10 10 80\n";
    std::ofstream(dir / "zero.txt") << "10 10 0 60\n";
    std::ofstream(dir / "nopicture.txt") << "10 10 80 60 missing.bmp\n";
    const std::string out = " --out '" + (dir / "frames").string() + "'";
    const std::pair<std::string, std::string> cases[] = {
        {"--effect cube", "--effect must be one of flip|grid|waveflip"},
        {"--background sky", "--background must be one of"},
        {"--size 100", "--size must look like"},
        {"--size 0x100", "--size width"},
        {"--count -1", "--count must be"},
        {"--count lots", "--count must be"},
        {"--frames middle", "--frames must be"},
        {"--frames next:x", "--frames next:N"},
        {"--bench 0", "--bench must be"},
        {"--colour red", "unknown option \"--colour\""},
        {"--effect", "--effect needs a value"},
        {"stray", "unexpected argument"},
        {"--frames open", "--out DIR is needed"},
        {"--count 2 --windows '" + (dir / "short.txt").string() + "'", "exclude each other"},
        {"--windows '" + (dir / "short.txt").string() + "'", "short.txt:1: expected"},
        {"--windows '" + (dir / "zero.txt").string() + "'", "zero.txt:1: width and height"},
        {"--windows '" + (dir / "nopicture.txt").string() + "'", "missing.bmp is not a readable"},
        {"--windows '" + (dir / "absent.txt").string() + "'", "absent.txt: cannot be read"},
    };
    for (const auto& [arguments, message] : cases) {
        SCOPED_TRACE(arguments);
        const bool needsOut = arguments.find("--out") == std::string::npos && arguments != "--frames open";
        const Result result = RunTool(arguments + (needsOut ? out : ""));
        EXPECT_EQ(result.status, 2) << result.output;
        EXPECT_NE(result.output.find(message), std::string::npos) << result.output;
    }
}

TEST_F(RenderTool, HelpNamesEveryOption) {
    const Result result = RunTool("--help");
    EXPECT_EQ(result.status, 0);
    for (const char* option : {"--effect", "--options", "--background", "--background-options", "--size",
                               "--count", "--window-size", "--windows", "--frames", "--out", "--bench"}) {
        EXPECT_NE(result.output.find(option), std::string::npos) << option;
    }
}

TEST_F(RenderTool, BenchPrintsFrameTimes) {
    const Result result = RunTool("--bench 5 --count 2 --size 160x120 --background off");
    ASSERT_EQ(result.status, 0) << result.output;
    EXPECT_NE(result.output.find("median"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("p95"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("frames/s"), std::string::npos) << result.output;
}

} // namespace
