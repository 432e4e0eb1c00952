// Settings values of the form "first,second": split at the first comma only,
// nothing trimmed, empty fields kept, further commas left in the second field.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace autorun {

struct CommaPair {
    std::string first;
    std::string second;
};

// std::nullopt when the value holds no comma.
std::optional<CommaPair> SplitAtFirstComma(std::string_view value);

} // namespace autorun
