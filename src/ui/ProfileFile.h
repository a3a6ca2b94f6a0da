// ProfileFile: reads language files with the rules of classic INI profile files, plus the text
// helpers that turn a stored value into captions, hints, list items and messages. Plain C++ (no Qt).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zorvane {

// One profile file held in memory. Section and key names match without regard to ASCII letter
// case; blanks around names and values are dropped; a value enclosed in matching single or double
// quotes loses them; a value is read up to kMaxValueLength characters (never cut inside a UTF-8
// sequence). Lines starting with ';' are comments. The first section of a name and the first key
// of a name inside it win, as the classic profile reader does.
class ProfileFile {
public:
    static constexpr std::size_t kMaxValueLength = 2047;

    // Reads the file (UTF-8, an optional byte-order mark is skipped). A missing or unreadable file
    // gives an empty profile with exists() false.
    static ProfileFile Load(const std::filesystem::path& path);
    // Parses text already in memory (exists() true).
    static ProfileFile Parse(std::string_view text);

    bool exists() const { return exists_; }
    bool hasSection(std::string_view section) const;
    // The value of key in section, or fallback when either is missing.
    std::string readString(std::string_view section, std::string_view key, std::string_view fallback) const;
    // Every key name of the section, in file order.
    std::vector<std::string> keyNames(std::string_view section) const;

private:
    struct Entry {
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };
    const Section* findSection(std::string_view name) const;

    bool exists_ = false;
    std::vector<Section> sections_;
};

// ASCII case-insensitive equality, the rule for section and key names.
bool SameName(std::string_view a, std::string_view b);

// Every "#13#10" becomes a line break ("\r\n"); with alsoBackslashN, every "\n" (backslash, n) then
// becomes one too, as message texts allow.
std::string ExpandLineBreaks(std::string_view value, bool alsoBackslashN = false);

// A component value: the caption is the text before the first '|', the hint the text after it with
// every '&' removed; without '|' the whole value is the caption and, without its '&', the hint.
struct CaptionAndHint {
    std::string caption;
    std::string hint;
};
CaptionAndHint SplitCaptionHint(std::string_view value);

// Splits text into lines at CR LF, CR or LF; a final line break does not add an empty line.
std::vector<std::string> SplitLines(std::string_view text);

// The language file for a value given as a file name or a path: "<folder>/Language/<file name>"
// with any folder in the value dropped (both '/' and '\\' separate folders). When that file does
// not exist but an installed copy "<folder>/../share/zorvane/Language/<file name>" does, the
// installed copy. Empty for an empty value.
std::filesystem::path LanguageFilePath(const std::filesystem::path& programFolder, std::string_view value);

} // namespace zorvane
