#include "ui/Window.h"

#include <cassert>
#include <cstdlib>
#include <utility>

namespace autorun::ui {

Label::Label(const LabelDesign& design)
    : control_(design.control), index_(design.index), rect_(design.rect), font_(design.font),
      pointer_(design.pointer), role_(design.role), caption_(design.caption), foreColour_(design.foreColour),
      designColour_(design.foreColour), enabled_(design.enabled), visible_(design.visible)
{
}

void Label::SetCaption(std::string caption)
{
    change_.caption |= caption != caption_;
    caption_ = std::move(caption);
    changed_ = true;
}

void Label::SetForeColour(Colour colour)
{
    foreColour_ = colour;
    changed_ = true;
}

void Label::SetEnabled(bool enabled)
{
    change_.enabled |= enabled != enabled_;
    enabled_ = enabled;
    changed_ = true;
}

void Label::SetVisible(bool visible)
{
    change_.visibility |= visible != visible_;
    visible_ = visible;
    changed_ = true;
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
    changes_.title = true;
}

void Window::SetPosition(Point position)
{
    position_ = position;
    changes_.position = true;
}

Label& Window::Control(ControlId control, int index)
{
    return const_cast<Label&>(std::as_const(*this).Control(control, index));
}

const Label& Window::Control(ControlId control, int index) const
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

LabelLook Window::Look(const Label& label) const
{
    const bool framed = label.AccessibleRole() == Role::Link && focus_ == PositionOf(label);
    const DesktopColours& desktop = colours_;
    if (desktop.highContrast) {
        Colour text = desktop.windowText;
        if (!label.Enabled())
            text = desktop.greyText;
        else if (label.AccessibleRole() == Role::Link)
            text = desktop.link;
        else if (label.AccessibleRole() == Role::PushButton && label.ForeColour() != label.designColour_)
            text = desktop.highlight;
        // A desktop that reports high contrast with a palette not made for it still gets text that reads.
        return {Legible(text, desktop.window), std::nullopt,
                framed ? std::optional(Legible(desktop.windowText, desktop.window)) : std::nullopt};
    }
    const std::optional<Colour> frame = framed ? std::optional<Colour>(0x000000) : std::nullopt;
    if (!label.Enabled())
        return {desktop.shadow, desktop.light, frame};
    const Colour text = Resolve(ShadeOf(label.ForeColour()), desktop);
    if (IsSystemColour(label.ForeColour()) == IsSystemColour(backColour_))
        return {text, std::nullopt, frame};
    return {Legible(text, Backdrop().colour), std::nullopt, frame};
}

ui::Backdrop Window::Backdrop() const
{
    if (colours_.highContrast)
        return {colours_.window, false};
    return {Resolve(ShadeOf(backColour_), colours_), true};
}

void Window::SetColours(const DesktopColours& colours)
{
    if (colours == colours_)
        return;
    colours_ = colours;
    changes_.colours = true;
}

void Window::SetFocus(std::optional<std::size_t> label)
{
    assert(!label || *label < labels_.size());
    if (label == focus_)
        return;
    // Both the label that loses the focus and the one that gains it look different now.
    for (const std::optional<std::size_t>& touched : {focus_, label}) {
        if (touched) {
            labels_[*touched].changed_ = true;
            labels_[*touched].change_.focus = true;
        }
    }
    focus_ = label;
    changes_.focus = true;
}

void Window::SetShown(bool shown)
{
    shown_ = shown;
}

void Window::SetKeyboard(bool keyboard)
{
    if (keyboard == keyboard_)
        return;
    keyboard_ = keyboard;
    changes_.keyboard = true;
}

void Window::SetDpi(int dpi)
{
    assert(dpi > 0);
    if (dpi == dpi_)
        return;
    dpi_ = dpi;
    changes_.density = true;
}

void Window::RequestClose()
{
    changes_.close = true;
}

std::vector<Announcement> Window::Announcements(const WindowChanges& changes) const
{
    std::vector<Announcement> told;
    for (const LabelChange& change : changes.labels) {
        if (change.caption)
            told.push_back({Announcement::Kind::Name, change.label});
        if (change.visibility)
            told.push_back({labels_[change.label].Visible() ? Announcement::Kind::Show : Announcement::Kind::Hide,
                            change.label});
        if (change.enabled)
            told.push_back({Announcement::Kind::State, change.label});
    }
    if (changes.focus || changes.keyboard) {
        if (const std::optional<std::size_t> focus = KeyboardFocus())
            told.push_back({Announcement::Kind::Focus, focus});
    }
    return told;
}

std::vector<Announcement> Window::Greeting() const
{
    std::vector<Announcement> told{{Announcement::Kind::Focus, std::nullopt}};
    if (const std::optional<std::size_t> focus = KeyboardFocus())
        told.push_back({Announcement::Kind::Focus, focus});
    return told;
}

WindowChanges Window::TakeChanges()
{
    WindowChanges changes = std::exchange(changes_, {});
    for (std::size_t i = 0; i < labels_.size(); ++i) {
        if (!std::exchange(labels_[i].changed_, false))
            continue;
        LabelChange change = std::exchange(labels_[i].change_, {});
        change.label = i;
        changes.labels.push_back(change);
    }
    return changes;
}

} // namespace autorun::ui
