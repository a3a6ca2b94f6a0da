// RenderOptions: parsing and documenting the zorvane-render command line.
#include "render/RenderOptions.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

namespace zorvane {

namespace {

int ParseInt(const std::string& text, const std::string& what, int minimum, int maximum) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.empty() || value < minimum || value > maximum) {
        throw std::invalid_argument(what + " must be a whole number from " + std::to_string(minimum) +
                                    " to " + std::to_string(maximum) + ", not \"" + text + "\"");
    }
    return value;
}

std::pair<int, int> ParseSize(const std::string& text, const std::string& what) {
    const auto x = text.find('x');
    if (x == std::string::npos) {
        throw std::invalid_argument(what + " must look like WIDTHxHEIGHT (e.g. 1920x1080), not \"" + text +
                                    "\"");
    }
    return {ParseInt(text.substr(0, x), what + " width", 1, 16384),
            ParseInt(text.substr(x + 1), what + " height", 1, 16384)};
}

int IndexOf(const std::string& value, const std::vector<std::string>& names, const std::string& what) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == value) {
            return static_cast<int>(i);
        }
    }
    std::string list;
    for (const auto& name : names) {
        list += (list.empty() ? "" : "|") + name;
    }
    throw std::invalid_argument(what + " must be one of " + list + ", not \"" + value + "\"");
}

void ParseFrames(const std::string& text, RenderOptions& options) {
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = text.find(',', start);
        const std::string mode =
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (mode == "rest") {
            options.rest = true;
        } else if (mode == "opening") {
            options.opening = true;
        } else if (mode == "open") {
            options.open = true;
        } else if (mode.rfind("next:", 0) == 0) {
            options.nextSteps = ParseInt(mode.substr(5), "--frames next:N", 0, 100000);
        } else if (mode == "closing") {
            options.closing = true;
        } else {
            throw std::invalid_argument("--frames must be rest, opening, open, next:N or closing (or several "
                                        "separated by commas), not \"" +
                                        mode + "\"");
        }
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
}

} // namespace

std::string DefaultBackgroundOptions(int backgroundType) {
    switch (backgroundType) {
    case 1:
        return "back01.bmp,-1,20";
    case 2:
        return "wave.bmp,-1,20";
    case 3:
        return "rain.bmp,-1,20";
    case 4:
        return "tunnel.bmp,-1,20";
    default:
        return ",0,20";
    }
}

RenderOptions ParseRenderOptions(const std::vector<std::string>& args) {
    RenderOptions options;
    bool framesGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        if (name.rfind("--", 0) != 0) {
            throw std::invalid_argument("unexpected argument \"" + name + "\" (see --help)");
        }
        static const std::vector<std::string> kNames = {
            "--effect", "--options", "--background",  "--background-options",
            "--size",   "--count",   "--window-size", "--windows",
            "--frames", "--out",     "--bench"};
        if (std::find(kNames.begin(), kNames.end(), name) == kNames.end()) {
            throw std::invalid_argument("unknown option \"" + name + "\" (see --help)");
        }
        // Option texts may start with a minus ("-1,0"); no other value starts with "--".
        const bool freeText = name == "--options" || name == "--background-options";
        if (i + 1 >= args.size() || (!freeText && args[i + 1].rfind("--", 0) == 0)) {
            throw std::invalid_argument(name + " needs a value");
        }
        const std::string& value = args[++i];
        if (name == "--effect") {
            options.effectType = IndexOf(value, {"flip", "grid", "waveflip"}, "--effect");
        } else if (name == "--options") {
            options.effectOptions = value;
        } else if (name == "--background") {
            const int index =
                IndexOf(value, {"none", "background", "wave", "raindrops", "tunnel", "off"}, "--background");
            options.backgroundType = index == 5 ? -1 : index;
        } else if (name == "--background-options") {
            options.backgroundOptions = value;
        } else if (name == "--size") {
            const auto [w, h] = ParseSize(value, "--size");
            options.width = w;
            options.height = h;
        } else if (name == "--count") {
            options.count = ParseInt(value, "--count", 0, 100);
        } else if (name == "--window-size") {
            options.windowSize = ParseSize(value, "--window-size");
        } else if (name == "--windows") {
            options.windowsFile = value;
        } else if (name == "--frames") {
            ParseFrames(value, options);
            framesGiven = true;
        } else if (name == "--out") {
            options.outDir = value;
        } else if (name == "--bench") {
            options.benchFrames = ParseInt(value, "--bench", 1, 1000000);
        }
    }
    if (options.help) {
        return options;
    }
    if (options.count && !options.windowsFile.empty()) {
        throw std::invalid_argument("--count and --windows exclude each other");
    }
    if (options.windowSize && !options.windowsFile.empty()) {
        throw std::invalid_argument("--window-size and --windows exclude each other (the file gives sizes)");
    }
    if (!framesGiven && !options.benchFrames) {
        options.open = true;
    }
    const bool writesFrames =
        options.rest || options.opening || options.open || options.nextSteps || options.closing;
    if (writesFrames && options.outDir.empty()) {
        throw std::invalid_argument("--out DIR is needed to write frames");
    }
    return options;
}

std::string RenderUsage() {
    return R"(Usage: zorvane-render [options]

Draws a switcher effect over made-up windows in an offscreen OpenGL context and writes PNG frames,
or measures how fast frames are drawn.

Scene:
  --effect flip|grid|waveflip   the effect (default flip)
  --options TEXT                the effect's option text: camera (0 Top, 1 Center, 2 Bottom),
                                starting, ending, bounce, reflection (default "0,-1,-1,0,-1")
  --background none|background|wave|raindrops|tunnel|off
                                the background (default none: a synthetic gradient desktop;
                                off: no background at all, black)
  --background-options TEXT     the background's option text: picture, active, frames per second
                                (default ",0,20" for none, "wave.bmp,-1,20" for wave, and so on)
  --size WxH                    screen size in pixels (default 1280x720)
  --count N                     N synthetic windows of varied sizes and places (default 4)
  --window-size WxH             give every synthetic window this size
  --windows FILE                windows from FILE, one a line, top of the stacking order first:
                                "left top width height [picture.bmp]"; a synthetic picture of that
                                size where no picture is named; '#' starts a comment line

Frames (written as DIR/0000.png, 0001.png, ... in drawing order):
  --frames MODE[,MODE...]       rest     the frame before opening
                                opening  each frame of the opening
                                open     the frame after opening (the default)
                                next:N   the frame after N selection steps (Tab presses)
                                closing  each frame of the closing
  --out DIR                     folder for the frames (created if missing)

Speed:
  --bench K                     opens the effect, then draws K frames after 15 warm-up frames and
                                prints the median, 95th percentile and mean frame time, the frames
                                per second, and the processor time a frame took over all threads

Sleeps of the animations are skipped. Exit status: 0 done, 1 drawing or writing failed,
2 bad command line.
)";
}

} // namespace zorvane
