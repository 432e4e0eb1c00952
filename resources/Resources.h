// The pictures the program carries inside its executable, as the files' own bytes.
#pragma once

#include "ui/Appearance.h"

#include <span>

namespace autorun::resources {

// Empty for Resource::None.
std::span<const unsigned char> Bytes(ui::Resource resource);

} // namespace autorun::resources
