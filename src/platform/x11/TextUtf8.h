// TextUtf8: the text rules for window titles and class names read from other programs'
// properties, which may hold any bytes: valid UTF-8 out, cut at whole characters.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zorvane {

// Each byte is one ISO 8859-1 character (the STRING property type).
std::string X11Latin1ToUtf8(std::string_view text);
// Replaces each invalid or overlong UTF-8 sequence (and any NUL) by U+FFFD.
std::string SanitizeUtf8(std::string_view text);
// Keeps at most maxChars characters of valid UTF-8 text.
std::string TruncateUtf8(std::string_view text, std::size_t maxChars);
// The text as a JSON string literal, quotes included.
std::string JsonQuote(std::string_view utf8);

} // namespace zorvane
