// ProfileFile: the language-file reader and its text helpers.
#include "ui/ProfileFile.h"

#include <fstream>
#include <iterator>

namespace zorvane {
namespace {

constexpr std::string_view kBlanks = " \t\r\n\v\f";

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    const auto last = s.find_last_not_of(kBlanks);
    return s.substr(first, last - first + 1);
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Cuts text after at most `limit` UTF-8 characters.
std::string CutCharacters(std::string_view text, std::size_t limit) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const bool continuation = (byte & 0xC0) == 0x80;
        if (!continuation) {
            if (chars == limit)
                return std::string(text.substr(0, i));
            ++chars;
        }
    }
    return std::string(text);
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (true) {
        const auto hit = text.find(from, pos);
        if (hit == std::string_view::npos)
            break;
        out.append(text.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
    }
    out.append(text.substr(pos));
    return out;
}

std::string RemoveAmpersands(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != '&')
            out.push_back(c);
    return out;
}

} // namespace

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

ProfileFile ProfileFile::Load(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return {};
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad())
        return {};
    return Parse(text);
}

ProfileFile ProfileFile::Parse(std::string_view text) {
    ProfileFile profile;
    profile.exists_ = true;
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);

    Section* current = nullptr;
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = Trim(text.substr(pos, end - pos));
        pos = end + 1;

        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            auto close = line.find(']');
            if (close == std::string_view::npos)
                close = line.size();
            const std::string_view name = Trim(line.substr(1, close - 1));
            // Only the first section of a name is read; later ones are skipped as a whole.
            current = profile.findSection(name)
                          ? nullptr
                          : &profile.sections_.emplace_back(Section{std::string(name), {}});
            continue;
        }
        const auto equals = line.find('=');
        if (current == nullptr || equals == std::string_view::npos)
            continue;
        const std::string_view key = Trim(line.substr(0, equals));
        std::string_view value = Trim(line.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        current->entries.push_back(Entry{std::string(key), CutCharacters(value, kMaxValueLength)});
    }
    return profile;
}

const ProfileFile::Section* ProfileFile::findSection(std::string_view name) const {
    for (const auto& section : sections_)
        if (SameName(section.name, name))
            return &section;
    return nullptr;
}

bool ProfileFile::hasSection(std::string_view section) const {
    return findSection(section) != nullptr;
}

std::string ProfileFile::readString(std::string_view section, std::string_view key,
                                    std::string_view fallback) const {
    if (const Section* found = findSection(section))
        for (const auto& entry : found->entries)
            if (SameName(entry.key, key))
                return entry.value;
    return std::string(fallback);
}

std::vector<std::string> ProfileFile::keyNames(std::string_view section) const {
    std::vector<std::string> names;
    if (const Section* found = findSection(section))
        for (const auto& entry : found->entries)
            names.push_back(entry.key);
    return names;
}

std::string ExpandLineBreaks(std::string_view value, bool alsoBackslashN) {
    std::string out = ReplaceAll(value, "#13#10", "\r\n");
    if (alsoBackslashN)
        out = ReplaceAll(out, "\\n", "\r\n");
    return out;
}

CaptionAndHint SplitCaptionHint(std::string_view value) {
    const auto bar = value.find('|');
    if (bar == std::string_view::npos)
        return {std::string(value), RemoveAmpersands(value)};
    return {std::string(value.substr(0, bar)), RemoveAmpersands(value.substr(bar + 1))};
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(pos));
            break;
        }
        lines.emplace_back(text.substr(pos, end - pos));
        pos = end + 1;
        if (text[end] == '\r' && pos < text.size() && text[pos] == '\n')
            ++pos;
    }
    return lines;
}

std::filesystem::path LanguageFilePath(const std::filesystem::path& programFolder, std::string_view value) {
    if (value.empty())
        return {};
    const auto slash = value.find_last_of("/\\");
    const std::string_view name = slash == std::string_view::npos ? value : value.substr(slash + 1);
    const auto beside = programFolder / "Language" / std::string(name);
    const auto installed = programFolder / ".." / "share" / "zorvane" / "Language" / std::string(name);
    std::error_code ec;
    if (!name.empty() && !std::filesystem::is_regular_file(beside, ec) &&
        std::filesystem::is_regular_file(installed, ec))
        return installed.lexically_normal();
    return beside;
}

} // namespace zorvane
