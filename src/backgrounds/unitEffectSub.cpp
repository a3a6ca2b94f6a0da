// unitEffectSub: the background interface drawn behind the window images, its option text and
// the picture lookup in the "Images" folder.
#include "backgrounds/unitEffectSub.h"

#include "backgrounds/BackgroundGL.h"
#include "core/Clock.h"
#include "core/CommaText.h"

#include <exception>
#include <filesystem>
#include <system_error>

namespace zorvane {

namespace fs = std::filesystem;

std::int32_t RuntimeRandom::Next(std::int32_t range) {
    seed = seed * 134775813u + 1u;
    return static_cast<std::int32_t>((static_cast<std::uint64_t>(static_cast<std::uint32_t>(range)) * seed) >>
                                     32);
}

namespace {

bool IsFile(const std::string& path) {
    std::error_code error;
    return !path.empty() && fs::is_regular_file(path, error);
}

// The text after the last path delimiter; a backslash counts too, so names written on Windows
// still find their picture.
std::string FileNamePart(const std::string& path) {
    const auto cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

} // namespace

std::string ExecutableDir() {
    std::error_code error;
    const fs::path exe = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string(".") : exe.parent_path().string();
}

std::string LookUpImageFile(const std::string& field, const std::string& executableDir) {
    if (IsFile(field))
        return field;
    const std::string name = FileNamePart(field);
    const std::string beside = executableDir + "/Images/" + name;
    if (IsFile(beside))
        return beside;
    const std::string shared = executableDir + "/../share/zorvane/Images/" + name;
    if (IsFile(shared))
        return fs::path(shared).lexically_normal().string();
    return beside;
}

TEffectSub::TEffectSub(const BackgroundContext& context, const std::string& options) : FContext(context) {
    if (FContext.executableDir.empty())
        FContext.executableDir = ExecutableDir();
    // Not through the virtual table: no background parses its options differently.
    TEffectSub::SetOptions(options);
    FAnimated = false;
}

TEffectSub::~TEffectSub() {
    ReleaseTexture();
}

void TEffectSub::ReleaseTexture() {
    if (FOwnsTexture)
        DeleteGLTexture(FTexture.Texture);
    FOwnsTexture = false;
}

std::int64_t TEffectSub::Now() const {
    const Clock& clock = FContext.clock != nullptr ? *FContext.clock : SystemClock::instance();
    return clock.localMilliseconds();
}

bool TEffectSub::EffectIsOpeningOrClosing() const {
    if (!FContext.effectState)
        return false;
    const int state = FContext.effectState();
    return state == kEffectStateOpening || state == kEffectStateClosing;
}

void TEffectSub::SetOptions(const std::string& options) {
    // A second call would otherwise leak the picture of the first.
    ReleaseTexture();
    FTexture.Texture = 0;
    FImageFile.clear();
    FActive = true;
    FFramesPerSecond = 20;

    const std::vector<std::string> fields = SplitCommaText(options);
    if (!fields.empty()) {
        FImageFile = LookUpImageFile(fields[0], FContext.executableDir);
        if (IsFile(FImageFile)) {
            GLuint texture = 0;
            try {
                if (LoadTexture(FImageFile, texture, false)) {
                    FTexture.Texture = texture;
                    FOwnsTexture = true;
                }
            } catch (const std::exception&) {
                // An unreadable picture leaves the background without one: it draws nothing.
            }
        }
    }
    if (fields.size() > 1)
        FActive = FieldToBool(fields[1], true);
    if (fields.size() > 2)
        FFramesPerSecond = FieldToInt(fields[2], 20);
}

std::string TEffectSub::GetOptions() const {
    // Quotes inside the path are doubled so that the text splits back into the same path.
    std::string quoted;
    for (char c : FImageFile) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return "\"" + quoted + "\"," + BoolToField(FActive) + "," + std::to_string(FFramesPerSecond);
}

} // namespace zorvane
