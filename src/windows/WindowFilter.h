// WindowFilter: typing to narrow the open view — which windows' title or class contain the typed
// text (letter case ignored, in any script), and the captured list narrowed to those windows while
// the others wait aside, to come back when the text is shortened or cleared.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zorvane {

class TWindowInfo;
class TWindowInfos;

// The text with every letter in its lower-case form (any script with letter case; others as they
// are). Bytes that are not UTF-8 are dropped.
std::string FoldCase(std::string_view utf8);
// The text without its last character (a whole UTF-8 sequence, never half of one).
std::string WithoutLastCharacter(std::string_view utf8);
// True when the window's title or class contains the folded text (an empty text matches all).
bool WindowMatches(const TWindowInfo& window, std::string_view foldedText);

class TWindowFilter {
public:
    explicit TWindowFilter(TWindowInfos& list);
    // Puts every record back (Clear).
    ~TWindowFilter();
    TWindowFilter(const TWindowFilter&) = delete;
    TWindowFilter& operator=(const TWindowFilter&) = delete;

    const std::string& Text() const { return FText; }
    // True when the text matches no window: the list was then left as it was.
    bool NoMatch() const { return FNoMatch; }

    // Sets the text and narrows the list to the matching records, in the order the list had when
    // the filter began (so the first match is the window nearest the front then). With no match the
    // list is not changed. An empty text is Clear(). True when the list changed.
    bool SetText(std::string text);
    // Empties the text and puts every record back, in the order the list had when the filter
    // began. True when the list changed.
    bool Clear();
    // The record's window has gone: it is taken out of the list (or out of the records kept
    // aside) for good and handed over. Null when neither holds it.
    std::unique_ptr<TWindowInfo> Remove(const TWindowInfo* record);
    // How many records wait aside.
    int Hidden() const { return static_cast<int>(FAside.size()); }

private:
    // Rebuilds the list from FOrder: the records that `keep` accepts, the rest aside.
    template <typename Keep> bool Rebuild(Keep keep);

    TWindowInfos& FList;
    std::string FText;
    bool FNoMatch = false;
    // Every record, in the list's order when the filter began; empty while no text is set.
    std::vector<const TWindowInfo*> FOrder;
    std::vector<std::unique_ptr<TWindowInfo>> FAside;
};

} // namespace zorvane
