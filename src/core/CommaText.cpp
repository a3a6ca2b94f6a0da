// CommaText: splitting and joining option texts, and reading their number and boolean fields.
#include "core/CommaText.h"

#include <charconv>
#include <cmath>

namespace zorvane {

namespace {

bool isBlank(char c) {
    const auto code = static_cast<unsigned char>(c);
    return code >= 1 && code <= 32;
}

bool equalsIgnoringCase(std::string_view text, std::string_view word) {
    if (text.size() != word.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char a = text[i];
        if (a >= 'A' && a <= 'Z')
            a = static_cast<char>(a - 'A' + 'a');
        if (a != word[i])
            return false;
    }
    return true;
}

bool needsQuotes(const std::string& field) {
    if (!field.empty() && field.front() == '"')
        return true;
    for (char c : field)
        if (static_cast<unsigned char>(c) <= 32 || c == ',')
            return true;
    return false;
}

} // namespace

std::vector<std::string> SplitCommaText(std::string_view text) {
    // The text ends at the first NUL, as a C string would.
    if (auto nul = text.find('\0'); nul != std::string_view::npos)
        text = text.substr(0, nul);
    std::vector<std::string> fields;
    std::size_t p = 0;
    const std::size_t end = text.size();
    while (p < end && isBlank(text[p]))
        ++p;
    while (p < end) {
        std::string field;
        if (text[p] == '"') {
            ++p;
            while (p < end) {
                if (text[p] == '"') {
                    if (p + 1 < end && text[p + 1] == '"') {
                        field += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                field += text[p++];
            }
        } else {
            const std::size_t start = p;
            while (p<end&& static_cast<unsigned char>(text[p])> 32 && text[p] != ',')
                ++p;
            field.assign(text.substr(start, p - start));
        }
        fields.push_back(std::move(field));
        while (p < end && isBlank(text[p]))
            ++p;
        if (p < end && text[p] == ',') {
            if (p + 1 == end)
                fields.emplace_back();
            do
                ++p;
            while (p < end && isBlank(text[p]));
        }
    }
    return fields;
}

std::string JoinCommaText(const std::vector<std::string>& fields) {
    std::string text;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            text += ',';
        std::string field;
        for (char c : fields[i])
            if (c != '\0')
                field += c;
        if (needsQuotes(field) || (field.empty() && fields.size() == 1)) {
            text += '"';
            for (char c : field) {
                if (c == '"')
                    text += '"';
                text += c;
            }
            text += '"';
        } else {
            text += field;
        }
    }
    return text;
}

std::string BoolToField(bool value) {
    return value ? "-1" : "0";
}

std::optional<bool> FieldToBool(std::string_view field) {
    if (equalsIgnoringCase(field, "false"))
        return false;
    if (equalsIgnoringCase(field, "true"))
        return true;
    if (field.empty())
        return std::nullopt;
    // Any decimal number counts, as "0.0" or "2" would in the reader this format comes from.
    std::string_view digits = field;
    if (digits.front() == '+') {
        digits.remove_prefix(1);
        if (!digits.empty() && digits.front() == '-')
            return std::nullopt; // "+-1" is no number
    }
    double number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || end != digits.data() + digits.size() || !std::isfinite(number))
        return std::nullopt;
    return number != 0;
}

bool FieldToBool(std::string_view field, bool fallback) {
    return FieldToBool(field).value_or(fallback);
}

std::optional<int> FieldToInt(std::string_view field) {
    if (!field.empty() && field.front() == '+') {
        field.remove_prefix(1);
        if (!field.empty() && (field.front() == '+' || field.front() == '-'))
            return std::nullopt;
    }
    if (field.empty())
        return std::nullopt;
    int value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size())
        return std::nullopt;
    return value;
}

int FieldToInt(std::string_view field, int fallback) {
    return FieldToInt(field).value_or(fallback);
}

std::string FieldAt(const std::vector<std::string>& fields, std::size_t index) {
    return index < fields.size() ? fields[index] : std::string();
}

} // namespace zorvane
