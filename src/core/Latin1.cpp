// Latin1: the settings file's ISO-8859-1 text and the program's UTF-8 text.
#include "core/Latin1.h"

#include <cstdint>

namespace zorvane {

// Decodes one UTF-8 sequence at text[i]; returns its length (0 when invalid) and the code point.
std::size_t DecodeUtf8(std::string_view text, std::size_t i, char32_t& code) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    if (b0 < 0x80) {
        code = b0;
        return 1;
    }
    std::size_t length = 0;
    char32_t minimum = 0;
    if ((b0 & 0xE0) == 0xC0) {
        length = 2, code = b0 & 0x1F, minimum = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3, code = b0 & 0x0F, minimum = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4, code = b0 & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto b = static_cast<unsigned char>(text[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (b & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

// Replaces every character outside Latin-1 in a name or in markup that cannot hold character
// references (comments, CDATA, processing instructions), so that the Latin-1 file stays well formed.
std::string Latin1Only(std::string_view utf8, char replacement) {
    std::string result;
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t code = 0;
        std::size_t length = DecodeUtf8(utf8, i, code);
        if (length == 0) {
            result += replacement;
            ++i;
            continue;
        }
        if (code > 0xFF)
            result += replacement;
        else
            result.append(utf8.substr(i, length));
        i += length;
    }
    return result;
}

std::string Latin1ToUtf8(std::string_view latin1) {
    std::string result;
    for (char c : latin1) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 0x80) {
            result += c;
        } else {
            result += static_cast<char>(0xC0 | (code >> 6));
            result += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return result;
}

std::string Utf8ToLatin1WithReferences(std::string_view utf8) {
    std::string result;
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t code = 0;
        const std::size_t length = DecodeUtf8(utf8, i, code);
        if (length == 0) {
            result += utf8[i++];
            continue;
        }
        if (code <= 0xFF)
            result += static_cast<char>(code);
        else
            result += "&#" + std::to_string(static_cast<std::uint32_t>(code)) + ";";
        i += length;
    }
    return result;
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        char32_t code = 0;
        const std::size_t length = DecodeUtf8(text, i, code);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

} // namespace zorvane
