// CommaText: the comma-separated option texts ("FlipEffectOption", "BackEffectOption") and the
// number and boolean fields inside them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zorvane {

// Splits an option text into its fields:
// - characters with codes 1 to 32 before a field, after a field and after a comma are skipped;
// - a field that begins with a double quote runs to the matching closing quote (two double quotes
//   inside stand for one; the quotes are not part of the field; an unclosed quote runs to the end);
//   any other field runs up to the next comma or character with code 32 or less;
// - a comma that is the last character of the text adds one final empty field;
// - an empty text has no fields; a NUL character ends the text.
std::vector<std::string> SplitCommaText(std::string_view text);

// Joins fields so that SplitCommaText gives them back. A field is quoted when it holds a character
// with code 32 or less, a comma, starts with a double quote, or is empty and would otherwise vanish
// (the only field of the list). NUL characters cannot be carried and are dropped.
std::string JoinCommaText(const std::vector<std::string>& fields);

// Booleans in option texts: true is written "-1", false "0".
std::string BoolToField(bool value);

// A field is false when it is a number equal to 0 or the word "False" (any letter case), true when it
// is any other number or the word "True"; anything else gives no answer.
std::optional<bool> FieldToBool(std::string_view field);
bool FieldToBool(std::string_view field, bool fallback);

// A decimal 32-bit integer with an optional sign (no blanks); anything else gives no answer.
std::optional<int> FieldToInt(std::string_view field);
int FieldToInt(std::string_view field, int fallback);

// The field at a position, or empty when the text has fewer fields.
std::string FieldAt(const std::vector<std::string>& fields, std::size_t index);

} // namespace zorvane
