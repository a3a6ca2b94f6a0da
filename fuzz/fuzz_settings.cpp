// Fuzz target: the settings file. Whatever Restore makes of a file, Save must write a file that
// reads back to the same values.
#include "FuzzSupport.h"
#include "app/unitSettings.h"

#include <filesystem>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using zorvane::TFormStorage;
    const std::string path = zorvane::fuzz::WriteInput("Zorvane.xml", data, size);
    std::error_code ec;
    std::filesystem::remove(path + ".bad", ec);
    TFormStorage first(path);
    first.Restore();
    if (!first.Save())
        return 0; // a damaged file whose copy could not be kept stays as it is
    TFormStorage second(path);
    zorvane::fuzz::Check(second.Restore(), "a file Save wrote cannot be restored");
    zorvane::fuzz::Check(first.Names() == second.Names(), "restoring a saved file gives other names");
    for (const std::string& name : first.Names())
        zorvane::fuzz::Check(first.GetValue(name) == second.GetValue(name),
                             "restoring a saved file gives another value");
    return 0;
}
