// ResourceTable: the interface between the resource lookup and the table the build generates.
#pragma once

#include "resources/Resources.h"

namespace zorvane::resources_detail {

// Defined in the generated source file (see tools/embed_resources.cpp).
std::span<const ResourceEntry> table();

} // namespace zorvane::resources_detail
