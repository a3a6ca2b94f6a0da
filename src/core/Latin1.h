// Latin1: conversions between the settings file's ISO-8859-1 text and the program's UTF-8 text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zorvane {

// Every byte is one Latin-1 character.
std::string Latin1ToUtf8(std::string_view latin1);
// Each character outside Latin-1 becomes a character reference "&#N;" (valid in XML text and
// attribute values, so nothing is lost); bytes that are not valid UTF-8 are kept as Latin-1 bytes.
std::string Utf8ToLatin1WithReferences(std::string_view utf8);
// Each character outside Latin-1, and each byte that is not valid UTF-8, becomes `replacement`:
// for XML names and markup that cannot hold character references.
std::string Latin1Only(std::string_view utf8, char replacement);
bool IsValidUtf8(std::string_view text);
// Decodes one UTF-8 sequence at text[i]: its length, or 0 when it is not valid (overlong forms,
// surrogates and sequences cut short included), and the code point.
std::size_t DecodeUtf8(std::string_view text, std::size_t i, char32_t& code);

} // namespace zorvane
