// Fuzz target: the comma texts of both option values ("FlipEffectOption", "BackEffectOption"):
// splitting, the writer that must split back into the same fields, and the fields' readers.
#include "FuzzSupport.h"
#include "core/CommaText.h"
#include "effects/unitEffect.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zorvane;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> fields = SplitCommaText(text);
    // The writer drops NUL characters, which a text cannot carry; everything else comes back.
    std::vector<std::string> carried = fields;
    for (std::string& field : carried)
        std::erase(field, '\0');
    fuzz::Check(SplitCommaText(JoinCommaText(carried)) == carried, "joined fields split into other fields");

    // The foreground effect's options, with Flip's and Grid's camera defaults.
    for (std::uint8_t camera : {std::uint8_t{0}, std::uint8_t{1}}) {
        const TEffectOptions options = ParseEffectOptions(text, camera);
        if (fields.empty())
            fuzz::Check(options.cameraPosition == camera, "no fields changed the camera");
    }
    // The background's options: picture, active, frames per second.
    (void)FieldToBool(FieldAt(fields, 1), true);
    (void)FieldToInt(FieldAt(fields, 2), 20);
    for (const std::string& field : fields) {
        // A field that reads as a number reads the same after a round trip through its text.
        if (const auto number = FieldToInt(field))
            fuzz::Check(FieldToInt(std::to_string(*number)) == number, "a number field does not read back");
    }
    return 0;
}
