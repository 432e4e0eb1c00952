// The ampersand rules of label captions: "&x" underlines x and is drawn as x,
// "&&" is drawn as one "&", and a lone "&" at the end is not drawn.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace autorun::ui {

struct CaptionRun {
    std::size_t offset = 0; // bytes into CaptionText::text
    std::size_t length = 0; // bytes of the underlined character (UTF-8)

    bool operator==(const CaptionRun&) const = default;
};

struct CaptionText {
    std::string text;                   // what is drawn
    std::vector<CaptionRun> underlined; // the characters that carry an underline
};

CaptionText ParseCaption(std::string_view caption);

} // namespace autorun::ui
