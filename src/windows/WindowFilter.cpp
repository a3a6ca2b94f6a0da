// WindowFilter: case folding by the C library's Unicode tables, and the narrowed captured list.
#include "windows/WindowFilter.h"

#include "windows/unitWindowInfos.h"

#include <algorithm>
#include <cwctype>
#include <locale.h>

namespace zorvane {

namespace {

// The C library's Unicode character tables, independent of the program's own locale.
class Utf8Locale {
public:
    Utf8Locale() : locale_(newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr))) {}
    ~Utf8Locale() {
        if (locale_ != static_cast<locale_t>(nullptr))
            freelocale(locale_);
    }
    Utf8Locale(const Utf8Locale&) = delete;
    Utf8Locale& operator=(const Utf8Locale&) = delete;

    char32_t lower(char32_t c) const {
        if (c < 0x80)
            return c >= 'A' && c <= 'Z' ? c + 32 : c;
        if (locale_ == static_cast<locale_t>(nullptr))
            return c; // no tables: ASCII letters still fold
        // Final sigma folds like the other sigma, as full case folding does.
        if (c == 0x3C2)
            return 0x3C3;
        return static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), locale_));
    }

private:
    locale_t locale_;
};

const Utf8Locale& Tables() {
    static const Utf8Locale tables;
    return tables;
}

// Length of the UTF-8 sequence starting with this byte; 0 for a byte that cannot start one.
int SequenceLength(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

void Append(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

std::string FoldCase(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    const Utf8Locale& tables = Tables();
    std::size_t at = 0;
    while (at < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[at]);
        const int length = SequenceLength(lead);
        if (length == 0 || at + static_cast<std::size_t>(length) > utf8.size()) {
            ++at;
            continue;
        }
        char32_t c = length == 1 ? lead : lead & (0xFF >> (length + 1));
        bool valid = true;
        for (int i = 1; i < length; ++i) {
            const auto next = static_cast<unsigned char>(utf8[at + static_cast<std::size_t>(i)]);
            valid = valid && (next & 0xC0) == 0x80;
            c = c << 6 | (next & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not characters.
        const bool overlong = (length == 3 && c < 0x800) || (length == 4 && c < 0x10000);
        if (!valid || overlong || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
            ++at;
            continue;
        }
        Append(out, tables.lower(c));
        at += static_cast<std::size_t>(length);
    }
    return out;
}

std::string WithoutLastCharacter(std::string_view utf8) {
    std::size_t end = utf8.size();
    if (end == 0)
        return {};
    --end;
    // Step back over continuation bytes to the start of the last sequence.
    while (end > 0 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80)
        --end;
    return std::string(utf8.substr(0, end));
}

bool WindowMatches(const TWindowInfo& window, std::string_view foldedText) {
    if (foldedText.empty())
        return true;
    return FoldCase(window.Caption).find(foldedText) != std::string::npos ||
           FoldCase(window.ClassName).find(foldedText) != std::string::npos;
}

TWindowFilter::TWindowFilter(TWindowInfos& list) : FList(list) {}

TWindowFilter::~TWindowFilter() {
    Clear();
}

template <typename Keep> bool TWindowFilter::Rebuild(Keep keep) {
    std::vector<const TWindowInfo*> before;
    std::vector<std::unique_ptr<TWindowInfo>> pool;
    while (FList.Count() > 0) {
        before.push_back(&FList.Items(0));
        pool.push_back(FList.Take(0));
    }
    for (auto& record : FAside)
        pool.push_back(std::move(record));
    FAside.clear();
    std::vector<const TWindowInfo*> after;
    for (const TWindowInfo* wanted : FOrder) {
        const auto it =
            std::find_if(pool.begin(), pool.end(), [&](const auto& r) { return r.get() == wanted; });
        if (it == pool.end())
            continue;
        std::unique_ptr<TWindowInfo> record = std::move(*it);
        pool.erase(it);
        if (keep(*record)) {
            after.push_back(record.get());
            FList.Insert(FList.Count(), std::move(record));
        } else {
            FAside.push_back(std::move(record));
        }
    }
    // Records the filter never saw (none should exist) stay in the list rather than vanish.
    for (auto& record : pool) {
        after.push_back(record.get());
        FList.Insert(FList.Count(), std::move(record));
    }
    return before != after;
}

bool TWindowFilter::SetText(std::string text) {
    if (text.empty())
        return Clear();
    if (FOrder.empty()) {
        for (int i = 0; i < FList.Count(); ++i)
            FOrder.push_back(&FList.Items(i));
    }
    FText = std::move(text);
    const std::string folded = FoldCase(FText);
    FNoMatch = std::none_of(FOrder.begin(), FOrder.end(),
                            [&](const TWindowInfo* record) { return WindowMatches(*record, folded); });
    if (FNoMatch)
        return false;
    return Rebuild([&](const TWindowInfo& record) { return WindowMatches(record, folded); });
}

bool TWindowFilter::Clear() {
    FText.clear();
    FNoMatch = false;
    if (FOrder.empty())
        return false;
    const bool changed = Rebuild([](const TWindowInfo&) { return true; });
    FOrder.clear();
    return changed;
}

std::unique_ptr<TWindowInfo> TWindowFilter::Remove(const TWindowInfo* record) {
    const auto known = std::find(FOrder.begin(), FOrder.end(), record);
    if (known != FOrder.end())
        FOrder.erase(known);
    for (int i = 0; i < FList.Count(); ++i) {
        if (&FList.Items(i) == record)
            return FList.Take(i);
    }
    const auto aside =
        std::find_if(FAside.begin(), FAside.end(), [&](const auto& r) { return r.get() == record; });
    if (aside == FAside.end())
        return nullptr;
    std::unique_ptr<TWindowInfo> taken = std::move(*aside);
    FAside.erase(aside);
    return taken;
}

} // namespace zorvane
