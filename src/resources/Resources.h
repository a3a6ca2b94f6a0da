// Resources: pictures built into the program, found by (type, name) like the resources of an
// executable. The table is generated at build time from the files the picture generator writes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace zorvane {

struct ResourceEntry {
    std::string_view type; // "DATA", "JPEG", "TGA", ...
    std::string_view name; // "WAVE_01", ...
    std::span<const std::uint8_t> data;
};

// The resource's bytes, or nothing when the program carries no such resource. Type and name are
// compared without regard to letter case.
std::optional<std::span<const std::uint8_t>> FindResource(std::string_view type, std::string_view name);

// Every resource the program carries, in the generated table's order.
std::span<const ResourceEntry> AllResources();

} // namespace zorvane
