// Resources: lookup in the table of built-in resources that the build generates.
#include "resources/Resources.h"

#include "resources/ResourceTable.h"

#include <algorithm>
#include <cctype>

namespace zorvane {

namespace {

bool sameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

} // namespace

std::span<const ResourceEntry> AllResources() {
    return resources_detail::table();
}

std::optional<std::span<const std::uint8_t>> FindResource(std::string_view type, std::string_view name) {
    for (const ResourceEntry& entry : AllResources())
        if (sameText(entry.type, type) && sameText(entry.name, name))
            return entry.data;
    return std::nullopt;
}

} // namespace zorvane
