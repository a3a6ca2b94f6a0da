// Fuzz target: window titles and class names as other programs' properties hold them (any bytes):
// what comes out is valid UTF-8 and the cut keeps whole characters.
#include "FuzzSupport.h"
#include "platform/x11/TextUtf8.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zorvane;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string clean = SanitizeUtf8(bytes);
    fuzz::Check(fuzz::IsValidUtf8(clean) && clean.find('\0') == std::string::npos,
                "sanitised text is not valid UTF-8");
    if (fuzz::IsValidUtf8(bytes) && bytes.find('\0') == std::string_view::npos)
        fuzz::Check(clean == bytes, "valid UTF-8 was changed");
    const std::string cut = TruncateUtf8(clean, 79);
    fuzz::Check(fuzz::IsValidUtf8(cut) && fuzz::Utf8Length(cut) <= 79 && clean.starts_with(cut),
                "the cut title is not a prefix of whole characters");
    const std::string latin = X11Latin1ToUtf8(bytes);
    fuzz::Check(fuzz::IsValidUtf8(latin) && fuzz::Utf8Length(latin) == size,
                "Latin-1 text did not convert one to one");
    const std::string json = JsonQuote(clean);
    fuzz::Check(json.size() >= 2 && json.front() == '"' && json.back() == '"', "a JSON string is not quoted");
    return 0;
}
