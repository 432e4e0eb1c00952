#include "ui/Window.h"

#include <cassert>
#include <cstdlib>
#include <numeric>
#include <utility>

namespace autorun::ui {

Label::Label(const LabelDesign& design)
    : control_(design.control), index_(design.index), rect_(design.rect), font_(design.font),
      pointer_(design.pointer), caption_(design.caption), foreColour_(design.foreColour),
      enabled_(design.enabled), visible_(design.visible)
{
}

void Label::SetCaption(std::string caption)
{
    caption_ = std::move(caption);
    ++revision_;
}

void Label::SetForeColour(Colour colour)
{
    foreColour_ = colour;
    ++revision_;
}

void Label::SetEnabled(bool enabled)
{
    enabled_ = enabled;
    ++revision_;
}

void Label::SetVisible(bool visible)
{
    visible_ = visible;
    ++revision_;
}

Window::Window(const WindowDesign& design)
    : name_(design.name), title_(design.title), frame_(design.frame), client_(design.client),
      backColour_(design.backColour), picture_(design.picture), icon_(design.icon)
{
    for (const ImageDesign& image : design.images)
        images_.push_back({std::string(image.name), image.rect, image.picture});
    labels_.reserve(design.labels.size());
    for (const LabelDesign& label : design.labels)
        labels_.emplace_back(label);
}

void Window::SetTitle(std::string title)
{
    title_ = std::move(title);
    ++revision_;
}

void Window::SetPosition(Point position)
{
    position_ = position;
    ++revision_;
}

Label& Window::Control(std::string_view control, int index)
{
    return const_cast<Label&>(std::as_const(*this).Control(control, index));
}

const Label& Window::Control(std::string_view control, int index) const
{
    for (const Label& label : labels_) {
        if (label.Control() == control && label.Index() == index)
            return label;
    }
    assert(!"control not in the window's design");
    std::abort();
}

Hit Window::HitTest(Point p) const
{
    for (std::size_t i = labels_.size(); i-- > 0;) {
        if (labels_[i].Visible() && labels_[i].Bounds().Contains(p))
            return {Hit::Kind::Label, i};
    }
    for (std::size_t i = images_.size(); i-- > 0;) {
        if (images_[i].rect.Contains(p))
            return {Hit::Kind::Image, i};
    }
    return {};
}

Pointer Window::PointerAt(Point p) const
{
    const Hit hit = HitTest(p);
    if (hit.kind != Hit::Kind::Label)
        return Pointer::Arrow;
    const Label& label = labels_[hit.item];
    // A greyed entry cannot be clicked, so it does not offer the hand.
    return label.Enabled() ? label.PointerShape() : Pointer::Arrow;
}

std::uint64_t Window::Revision() const
{
    return std::accumulate(labels_.begin(), labels_.end(), revision_,
                           [](std::uint64_t sum, const Label& label) { return sum + label.Revision(); });
}

} // namespace autorun::ui
