// unitSettings: the settings store. Named values in memory, read from and written to one XML file
// ("Zorvane.xml") only by the two whole-file operations Restore and Save.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zorvane {

// One stored value: an integer or a text. A value that the store does not hold is empty.
class TStoredValue {
public:
    enum class Kind { Empty, Integer, Text };

    TStoredValue() = default;
    TStoredValue(int value) : kind_(Kind::Integer), integer_(value) {}
    TStoredValue(std::string value) : kind_(Kind::Text), text_(std::move(value)) {}
    TStoredValue(const char* value) : TStoredValue(std::string(value)) {}

    Kind kind() const { return kind_; }
    bool isEmpty() const { return kind_ == Kind::Empty; }
    bool isInteger() const { return kind_ == Kind::Integer; }
    bool isText() const { return kind_ == Kind::Text; }

    // Integers as they are; a text by its number, fallback when it is not one (or empty).
    int asInteger(int fallback = 0) const;
    // Texts as they are; integers in decimal; empty for an empty value.
    std::string asText() const;

    bool operator==(const TStoredValue&) const = default;

private:
    Kind kind_ = Kind::Empty;
    int integer_ = 0;
    std::string text_;
};

// The store. Texts are UTF-8 in memory; the file is ISO-8859-1, and characters outside Latin-1 are
// written there as character references, so any text survives a Save and Restore unchanged.
class TFormStorage {
public:
    // The six entries, in the order a first Save writes them (after "FormVersion").
    static constexpr const char* kShortCut = "acShowEffect_ShortCut";
    static constexpr const char* kLanguage = "Language";
    static constexpr const char* kFlipEffectType = "FlipEffectType";
    static constexpr const char* kFlipEffectOption = "FlipEffectOption";
    static constexpr const char* kBackEffectType = "BackEffectType";
    static constexpr const char* kBackEffectOption = "BackEffectOption";
    static constexpr const char* kFormVersion = "FormVersion";
    // Written by the options dialog after the six; read with its default when the file has none.
    static constexpr const char* kShowTitles = "ShowTitles"; // "-1" (the default) or "0"
    // Boolean ("-1"/"0", default "0"): the custom hot key is held like Super+Tab instead of opening
    // the view pinned.
    static constexpr const char* kHotKeyHold = "HotKeyHold";
    // Added settings, read with their default when the file does not have them yet.
    static constexpr const char* kLivePictures = "LivePictures"; // boolean, default on (-1)
    // Which workspaces' windows are offered: 0 all of them (the default), 1 the current one and
    // the windows shown on every workspace.
    static constexpr const char* kDesktopFilter = "DesktopFilter";
    // Where the view opens: 0 the monitor holding the pointer (the default), 1 the primary monitor.
    static constexpr const char* kMonitor = "Monitor";

    static constexpr int kInitialShortCut = 32960; // Alt + virtual key 0xC0
    static constexpr const char* kInitialFlipEffectOption = "0,-1,-1,0,-1";
    static constexpr const char* kInitialBackEffectOption = ",0,20";

    // The initial values, bound to no file (Restore and Save then fail with an error text).
    TFormStorage();
    // The initial values, bound to the given settings file (which is not read yet).
    explicit TFormStorage(std::string fileName);

    const std::string& FileName() const { return fileName_; }
    void SetFileName(std::string fileName) { fileName_ = std::move(fileName); }

    // The current value; empty for a name the store does not hold.
    TStoredValue GetValue(std::string_view name) const;
    int GetInteger(std::string_view name, int fallback = 0) const {
        return GetValue(name).asInteger(fallback);
    }
    std::string GetText(std::string_view name) const { return GetValue(name).asText(); }

    // Replaces a value in memory (a new name adds one). A held value keeps its kind: a text given
    // for an integer value is converted (-1 when it is not a number), an integer for a text value is
    // written in decimal. An empty value is ignored.
    void SetValue(std::string_view name, const TStoredValue& value);

    // The held names, in the order Save writes them.
    std::vector<std::string> Names() const;

    // Reads the file and replaces every value whose element it holds. No file: nothing changes and
    // the result is true. A file that cannot be read as settings (not XML, truncated, a value element
    // with children, a number out of range, text that is not valid in its encoding) keeps the values
    // that could not be read at what they were, is copied to FileName() + ".bad" before anything can
    // overwrite it, and the result is false with LastError() saying why.
    bool Restore();

    // Writes "FormVersion" 0 and every value into the file (creating its folder), keeping every other
    // element of the file as it was. The file is replaced atomically. A read-only file, or a damaged
    // file whose copy could not be kept, is not written: the result is false and LastError() says why.
    bool Save();

    // Why the last Restore or Save failed; empty after a success.
    const std::string& LastError() const { return lastError_; }

private:
    struct Entry {
        std::string name;
        TStoredValue value;
    };
    Entry* find(std::string_view name);
    const Entry* find(std::string_view name) const;

    std::string fileName_;
    std::vector<Entry> StoredValues;
    // Set when Restore found a damaged file and could not keep a copy of it: Save must not
    // replace it.
    bool keepDamagedFile_ = false;
    std::string lastError_;
};

} // namespace zorvane
