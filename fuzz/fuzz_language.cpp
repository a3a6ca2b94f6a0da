// Fuzz target: language files through the profile reader and the text helpers that turn values
// into captions, hints, list items and messages.
#include "FuzzSupport.h"
#include "ui/ProfileFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zorvane;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ProfileFile profile = ProfileFile::Parse(text);
    for (const char* section : {"MainForm", "OptionForm", "AboutForm", "Message"}) {
        for (const std::string& key : profile.keyNames(section)) {
            const std::string value = profile.readString(section, key, "");
            fuzz::Check(fuzz::Utf8Length(value) <= ProfileFile::kMaxValueLength,
                        "a value is longer than the limit");
            const CaptionAndHint parts = SplitCaptionHint(ExpandLineBreaks(value));
            fuzz::Check(parts.hint.find('&') == std::string::npos, "a hint kept an '&'");
            (void)SplitLines(parts.caption);
            (void)ExpandLineBreaks(value, true);
        }
    }
    // The same text through the file reader gives the same profile.
    const std::string path = fuzz::WriteInput("Language.dat", data, size);
    const ProfileFile loaded = ProfileFile::Load(path);
    fuzz::Check(loaded.exists(), "a written language file does not exist");
    for (const char* section : {"MainForm", "Message"})
        fuzz::Check(loaded.keyNames(section) == profile.keyNames(section),
                    "the file reader differs from the text reader");
    return 0;
}
