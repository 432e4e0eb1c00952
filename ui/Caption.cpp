#include "ui/Caption.h"

#include <algorithm>

namespace autorun::ui {
namespace {

std::size_t Utf8Length(unsigned char lead)
{
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

} // namespace

CaptionText ParseCaption(std::string_view caption)
{
    CaptionText result;
    result.text.reserve(caption.size());
    for (std::size_t i = 0; i < caption.size();) {
        if (caption[i] != '&') {
            result.text += caption[i++];
            continue;
        }
        ++i; // the ampersand itself is never drawn
        if (i == caption.size()) break;
        if (caption[i] == '&') {
            result.text += '&';
            ++i;
            continue;
        }
        const std::size_t length = std::min(Utf8Length(static_cast<unsigned char>(caption[i])), caption.size() - i);
        result.underlined.push_back({result.text.size(), length});
        result.text.append(caption.substr(i, length));
        i += length;
    }
    return result;
}

} // namespace autorun::ui
