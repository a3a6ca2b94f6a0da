// SwayConfig: sway's configuration syntax (variables, blocks, continuations) and the commands we look for.
#include "platform/wayland/SwayConfig.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace zorvane::wayland {

namespace {

std::string_view trim(std::string_view s) {
    const auto notSpace = [](char c) { return !std::isspace(static_cast<unsigned char>(c)); };
    const auto first = std::find_if(s.begin(), s.end(), notSpace);
    const auto last = std::find_if(s.rbegin(), s.rend(), notSpace).base();
    return first < last ? std::string_view(&*first, static_cast<std::size_t>(last - first))
                        : std::string_view();
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && lower(a) == lower(b);
}

// Words split at blanks, quoted parts kept whole without their quotes, as sway splits arguments.
std::vector<std::string> words(std::string_view s) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i])))
            ++i;
        if (i == s.size())
            break;
        std::string word;
        while (i < s.size() && !std::isspace(static_cast<unsigned char>(s[i]))) {
            if (s[i] == '"' || s[i] == '\'') {
                const char quote = s[i++];
                while (i < s.size() && s[i] != quote) {
                    if (quote == '"' && s[i] == '\\' && i + 1 < s.size())
                        ++i;
                    word += s[i++];
                }
                if (i < s.size())
                    ++i;
            } else {
                word += s[i++];
            }
        }
        out.push_back(std::move(word));
    }
    return out;
}

// Longest name first where one is the start of another ($mod, $mod_alt), as sway replaces them.
std::string expandVariables(std::string_view s,
                            const std::vector<std::pair<std::string, std::string>>& vars) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const std::pair<std::string, std::string>* best = nullptr;
        if (s[i] == '$') {
            for (const auto& var : vars) {
                if (s.substr(i).starts_with(var.first) &&
                    (best == nullptr || var.first.size() > best->first.size()))
                    best = &var;
            }
        }
        if (best != nullptr) {
            out += best->second;
            i += best->first.size();
        } else {
            out += s[i++];
        }
    }
    return out;
}

// Everything after the first n words, as written.
std::string_view afterWords(std::string_view s, int n) {
    s = trim(s);
    for (int k = 0; k < n && !s.empty(); ++k) {
        std::size_t i = 0;
        char quote = 0;
        for (; i < s.size(); ++i) {
            if (quote != 0) {
                if (s[i] == quote)
                    quote = 0;
            } else if (s[i] == '"' || s[i] == '\'') {
                quote = s[i];
            } else if (std::isspace(static_cast<unsigned char>(s[i]))) {
                break;
            }
        }
        s = trim(s.substr(i));
    }
    return s;
}

struct ModifierName {
    std::string_view name;
    std::uint32_t bit;
};

// Sway's names (compared without case), with Logo as one more name for the Super key.
constexpr std::array<ModifierName, 13> modifierNames{{
    {"shift", SwayModifier::shift},
    {"lock", SwayModifier::lock},
    {"caps", SwayModifier::lock},
    {"ctrl", SwayModifier::ctrl},
    {"control", SwayModifier::ctrl},
    {"alt", SwayModifier::mod1},
    {"mod1", SwayModifier::mod1},
    {"mod2", SwayModifier::mod2},
    {"mod3", SwayModifier::mod3},
    {"mod4", SwayModifier::mod4},
    {"super", SwayModifier::mod4},
    {"logo", SwayModifier::mod4},
    {"mod5", SwayModifier::mod5},
}};

std::uint32_t modifierBit(std::string_view name) {
    const std::string key = lower(name);
    for (const auto& entry : modifierNames) {
        if (entry.name == key)
            return entry.bit;
    }
    return 0;
}

// One spelling per keysym: names that are the same keysym, and Shift+Tab's ISO_Left_Tab, which sway
// also matches against a Tab binding.
std::string canonicalKey(std::string_view key) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 5> aliases{{
        {"iso_left_tab", "tab"},
        {"prior", "page_up"},
        {"next", "page_down"},
        {"kp_prior", "kp_page_up"},
        {"kp_next", "kp_page_down"},
    }};
    std::string name = lower(key);
    for (const auto& [alias, canonical] : aliases) {
        if (name == alias)
            return std::string(canonical);
    }
    return name;
}

bool isOwnCommand(std::string_view command) {
    // Split at blanks and quotes alike: exec "zorvane --wintab" runs the same program.
    std::vector<std::string> parts;
    std::string part;
    for (const char c : command) {
        if (std::isspace(static_cast<unsigned char>(c)) || c == '"' || c == '\'' || c == ';' || c == ',') {
            if (!part.empty())
                parts.push_back(std::move(part));
            part.clear();
            if (c == ';' || c == ',')
                parts.emplace_back(1, c); // the next command names its own program
        } else {
            part += c;
        }
    }
    if (!part.empty())
        parts.push_back(std::move(part));
    bool program = false;
    for (const auto& p : parts) {
        const std::string_view name =
            std::string_view(p).substr(p.rfind('/') == std::string::npos ? 0 : p.rfind('/') + 1);
        if (name == "zorvane")
            program = true;
        else if (p == ";" || p == ",")
            program = false;
        else if (program && (p == "--wintab" || p == "--wintab-back" || p == "--show"))
            return true;
    }
    return false;
}

std::optional<std::uint32_t> parseColour(std::string_view s) {
    if (s.size() != 7 && s.size() != 9)
        return std::nullopt;
    if (s[0] != '#' || !std::all_of(s.begin() + 1, s.end(),
                                    [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }))
        return std::nullopt;
    return static_cast<std::uint32_t>(std::stoul(std::string(s.substr(1, 6)), nullptr, 16)); // alpha dropped
}

std::string expandHome(const std::string& path, const std::string& home) {
    if (path == "~" || path == "$HOME" || path == "${HOME}")
        return home;
    for (std::string_view prefix : {"~/", "$HOME/", "${HOME}/"}) {
        if (path.starts_with(prefix))
            return home + path.substr(prefix.size() - 1);
    }
    return path;
}

constexpr std::array<std::string_view, 6> backgroundModes{"stretch", "fill", "fit",
                                                          "center",  "tile", "solid_color"};

// The arguments of one "bg" subcommand: FILE MODE [#fallback] or #colour solid_color.
std::optional<SwayWallpaper> parseBackground(const std::vector<std::string>& args, std::size_t from,
                                             const std::string& home) {
    if (from + 1 < args.size() && equalsNoCase(args[from + 1], "solid_color")) {
        const auto colour = parseColour(args[from]);
        if (!colour)
            return std::nullopt;
        return SwayWallpaper{"", "solid_color", colour};
    }
    // Sway takes everything up to the mode as the file: unquoted spaces survive too.
    for (std::size_t j = from; j < args.size(); ++j) {
        const std::string mode = lower(args[j]);
        if (std::find(backgroundModes.begin(), backgroundModes.end(), mode) == backgroundModes.end())
            continue;
        if (j == from)
            return std::nullopt;
        std::string file = args[from];
        for (std::size_t k = from + 1; k < j; ++k)
            file += " " + args[k];
        SwayWallpaper wallpaper{expandHome(file, home), mode, std::nullopt};
        if (j + 1 < args.size())
            wallpaper.colour = parseColour(args[j + 1]);
        return wallpaper;
    }
    return std::nullopt;
}

struct ParsedBinding {
    SwayCombo combo;
    std::string identity; // the flags that make two bindings of one combination different ones
    std::string command;
};

// "bindsym [--flags] COMBO COMMAND" without the leading word.
std::optional<ParsedBinding> parseBindsym(std::string_view rest) {
    const auto args = words(rest);
    std::size_t i = 0;
    std::vector<std::string> flags;
    for (; i < args.size() && args[i].starts_with("--"); ++i) {
        const std::string flag = lower(args[i]);
        // Sway keeps these apart; --to-code, --no-repeat and --no-warn only change how one binds.
        if (flag == "--release" || flag == "--locked" || flag == "--inhibited" || flag == "--whole-window" ||
            flag == "--border" || flag == "--exclude-titlebar" || flag.starts_with("--input-device="))
            flags.push_back(flag);
    }
    if (i >= args.size())
        return std::nullopt;
    auto combo = ParseCombo(args[i]);
    if (!combo)
        return std::nullopt;
    std::sort(flags.begin(), flags.end());
    ParsedBinding binding;
    binding.combo = std::move(*combo);
    for (const auto& flag : flags)
        binding.identity += flag + " ";
    binding.command = std::string(afterWords(rest, static_cast<int>(i) + 1));
    return binding;
}

// The command of a line in the default mode, without a "mode default" block header; nullopt for
// lines of other modes and of other blocks.
std::optional<std::string_view> defaultModeCommand(std::string_view text) {
    const auto args = words(text);
    if (args.empty() || !equalsNoCase(args[0], "mode"))
        return text;
    std::size_t i = 1;
    while (i < args.size() && args[i].starts_with("--"))
        ++i;
    if (i >= args.size() || args[i] != "default")
        return std::nullopt;
    return afterWords(text, static_cast<int>(i) + 1);
}

} // namespace

std::vector<SwayConfigLine> ReadSwayConfig(std::string_view configText) {
    // Physical lines first, continuations joined.
    std::vector<std::pair<int, std::string>> logical;
    int number = 0;
    std::optional<std::pair<int, std::string>> pending;
    std::size_t start = 0;
    while (start <= configText.size()) {
        std::size_t end = configText.find('\n', start);
        if (end == std::string_view::npos)
            end = configText.size();
        std::string_view line = configText.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::string_view trimmed = trim(line);
        const bool continues = !trimmed.empty() && trimmed.back() == '\\' && !trimmed.starts_with('#');
        const std::string_view body = continues ? trim(trimmed.substr(0, trimmed.size() - 1)) : trimmed;
        if (pending) {
            if (!body.empty())
                pending->second += (pending->second.empty() ? "" : " ") + std::string(body);
        } else {
            pending = std::pair{number, std::string(body)};
        }
        if (!continues) {
            logical.push_back(std::move(*pending));
            pending.reset();
        }
        if (end == configText.size())
            break;
    }
    if (pending)
        logical.push_back(std::move(*pending));

    std::vector<SwayConfigLine> out;
    std::vector<std::pair<std::string, std::string>> vars;
    std::vector<std::string> blocks; // for each block we are in, its header after its parents'
    for (const auto& [lineNumber, raw] : logical) {
        if (raw.empty() || raw.starts_with('#'))
            continue;
        if (raw == "}") {
            if (!blocks.empty())
                blocks.pop_back();
            continue;
        }
        if (raw == "{") {
            // The header was the line before: "mode resize" and "{" on the next line.
            if (!out.empty()) {
                blocks.push_back(out.back().text);
                out.pop_back();
            }
            continue;
        }
        const auto args = words(raw);
        if (blocks.empty() && args.size() >= 2 && equalsNoCase(args[0], "set") && args[1].starts_with('$')) {
            // The value may use the variables set before it.
            std::string value = expandVariables(afterWords(raw, 2), vars);
            std::erase_if(vars, [&](const auto& var) { return var.first == args[1]; });
            vars.emplace_back(args[1], std::move(value));
            continue;
        }
        if (blocks.empty() && !args.empty() && equalsNoCase(args[0], "include"))
            continue;
        std::string text = expandVariables(raw, vars);
        const std::string prefix = blocks.empty() ? std::string() : blocks.back() + " ";
        if (text.ends_with('{')) {
            blocks.push_back(prefix + std::string(trim(std::string_view(text).substr(0, text.size() - 1))));
            continue;
        }
        out.push_back({lineNumber, raw, prefix + text});
    }
    return out;
}

std::optional<SwayWallpaper> FindSwayWallpaper(std::string_view configText, const std::string& home) {
    std::optional<SwayWallpaper> everyOutput;
    std::optional<std::string> firstName;
    std::optional<SwayWallpaper> firstOutput;
    for (const auto& line : ReadSwayConfig(configText)) {
        const auto args = words(line.text);
        if (args.size() < 4 || !equalsNoCase(args[0], "output"))
            continue;
        // Other subcommands may come before it on one line: "output * scale 2 bg ...".
        const auto bg = std::find_if(args.begin() + 2, args.end(), [](const std::string& a) {
            return equalsNoCase(a, "bg") || equalsNoCase(a, "background");
        });
        if (bg == args.end())
            continue;
        auto wallpaper = parseBackground(args, static_cast<std::size_t>(bg - args.begin()) + 1, home);
        if (!wallpaper)
            continue;
        if (args[1] == "*") {
            everyOutput = std::move(wallpaper);
        } else if (!firstName || *firstName == args[1]) {
            firstName = args[1];
            firstOutput = std::move(wallpaper);
        }
    }
    return everyOutput ? everyOutput : firstOutput;
}

std::optional<SwayCombo> ParseCombo(std::string_view text) {
    SwayCombo combo;
    std::string keys;
    std::size_t start = 0;
    for (;;) {
        const std::size_t plus = text.find('+', start);
        const std::string_view part =
            text.substr(start, plus == std::string_view::npos ? text.size() - start : plus - start);
        if (part.empty())
            return std::nullopt;
        if (const std::uint32_t bit = modifierBit(part))
            combo.modifiers |= bit;
        else
            keys += (keys.empty() ? "" : "+") + std::string(part);
        if (plus == std::string_view::npos)
            break;
        start = plus + 1;
    }
    if (keys.empty())
        return std::nullopt;
    combo.key = std::move(keys);
    return combo;
}

bool SameCombo(const SwayCombo& a, const SwayCombo& b) {
    return a.modifiers == b.modifiers && canonicalKey(a.key) == canonicalKey(b.key);
}

std::string FormatCombo(const SwayCombo& combo) {
    static constexpr std::array<ModifierName, 8> order{{
        {"Mod4", SwayModifier::mod4},
        {"Ctrl", SwayModifier::ctrl},
        {"Mod1", SwayModifier::mod1},
        {"Shift", SwayModifier::shift},
        {"Mod5", SwayModifier::mod5},
        {"Mod3", SwayModifier::mod3},
        {"Mod2", SwayModifier::mod2},
        {"Lock", SwayModifier::lock},
    }};
    std::string out;
    for (const auto& [name, bit] : order) {
        if ((combo.modifiers & bit) != 0)
            out += std::string(name) + "+";
    }
    return out + combo.key;
}

std::optional<SwayBinding> FindBinding(std::string_view configText, const SwayCombo& combo) {
    struct InForce {
        std::string identity;
        SwayBinding binding;
    };
    std::vector<InForce> bindings;
    for (const auto& line : ReadSwayConfig(configText)) {
        const auto command = defaultModeCommand(line.text);
        if (!command)
            continue;
        const auto args = words(*command);
        if (args.empty())
            continue;
        const bool bind = equalsNoCase(args[0], "bindsym");
        if (!bind && !equalsNoCase(args[0], "unbindsym"))
            continue;
        auto parsed = parseBindsym(afterWords(*command, 1));
        if (!parsed || !SameCombo(parsed->combo, combo))
            continue;
        std::erase_if(bindings, [&](const InForce& b) { return b.identity == parsed->identity; });
        if (bind) {
            const bool own = isOwnCommand(parsed->command);
            bindings.push_back(
                {parsed->identity, {line.raw, line.lineNumber, std::move(parsed->command), own}});
        }
    }
    const auto taken = std::find_if(bindings.begin(), bindings.end(),
                                    [](const InForce& b) { return !b.binding.ownCommand; });
    if (taken != bindings.end())
        return taken->binding;
    if (!bindings.empty())
        return bindings.front().binding;
    return std::nullopt;
}

} // namespace zorvane::wayland
