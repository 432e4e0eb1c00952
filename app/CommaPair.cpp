#include "app/CommaPair.h"

namespace autorun {

std::optional<CommaPair> SplitAtFirstComma(std::string_view value)
{
    const std::size_t comma = value.find(',');
    if (comma == std::string_view::npos)
        return std::nullopt;
    return CommaPair{std::string(value.substr(0, comma)), std::string(value.substr(comma + 1))};
}

} // namespace autorun
