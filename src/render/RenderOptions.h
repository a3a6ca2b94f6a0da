// RenderOptions: the command line of zorvane-render.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zorvane {

struct RenderOptions {
    int effectType = 0; // 0 Flip, 1 Grid, 2 Wave Flip
    std::string effectOptions = "0,-1,-1,0,-1";
    int backgroundType = 0;                       // 0 None .. 4 Tunnel; -1: no background at all
    std::optional<std::string> backgroundOptions; // default: the dialog's text for the type
    int width = 1280;
    int height = 720;
    std::optional<int> count; // synthetic windows
    std::optional<std::pair<int, int>> windowSize;
    std::string windowsFile;
    // Frames to write, in drawing order.
    bool rest = false;
    bool opening = false;
    bool open = false;
    std::optional<int> nextSteps; // next:N
    bool closing = false;
    std::string outDir;
    std::optional<int> benchFrames;
    bool help = false;
};

// The background option text the options dialog would choose for a background type.
std::string DefaultBackgroundOptions(int backgroundType);

// Parses argv (without the program name). Throws std::invalid_argument with a message for the user.
RenderOptions ParseRenderOptions(const std::vector<std::string>& args);

std::string RenderUsage();

} // namespace zorvane
