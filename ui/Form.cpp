#include "ui/Form.h"

#include "platform/Desktop.h"
#include "ui/Caption.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace autorun {

void Form::EndWithFailure(const Failure& failure)
{
    desktop_.EndWithReport(UncaughtReportText(failure));
}

ui::Label* Form::LabelAt(const ui::Hit& hit)
{
    if (hit.kind != ui::Hit::Kind::Label)
        return nullptr;
    return &window_->Labels()[hit.item];
}

void Form::MouseMove(ui::Point p, bool buttonHeld)
{
    if (Blocked())
        return;
    if (!buttonHeld)
        pressed_.reset();
    const std::optional<ui::Point> last = std::exchange(lastMove_, buttonHeld ? std::nullopt : std::optional(p));
    if (!buttonHeld && last == p)
        return;
    const ui::Hit hit = pressed_ ? *pressed_ : window_->HitTest(p);
    // A first report cannot tell a move: once a key is in use, one over no label is taken for the
    // pointer at rest rather than for a pointer that left the keyboard's choice.
    if (!buttonHeld && !last && window_->Focus() && hit.kind != ui::Hit::Kind::Label)
        return;
    Guarded([&] {
        switch (hit.kind) {
        case ui::Hit::Kind::Surface:
            OnSurfaceMouseMove();
            break;
        case ui::Hit::Kind::Label:
            OnLabelMouseMove(*LabelAt(hit));
            break;
        case ui::Hit::Kind::Image:
            break;
        }
    });
}

void Form::MouseDown(ui::Point p, MouseButton)
{
    if (Blocked())
        return;
    pressed_ = window_->HitTest(p);
}

void Form::MouseUp(ui::Point p, MouseButton button)
{
    if (Blocked())
        return;
    const std::optional<ui::Hit> pressed = std::exchange(pressed_, std::nullopt);
    if (button != MouseButton::Left || !pressed || *pressed != window_->HitTest(p))
        return;
    ui::Label* label = LabelAt(*pressed);
    if (label != nullptr && label->Enabled())
        Guarded([&] { OnLabelClick(*label); });
}

void Form::DoubleClick(ui::Point p, MouseButton button)
{
    if (Blocked())
        return;
    // The release that follows a double-click is no click.
    pressed_.reset();
    if (button != MouseButton::Left)
        return;
    ui::Label* label = LabelAt(window_->HitTest(p));
    if (label != nullptr && label->Enabled())
        Guarded([&] { OnLabelDoubleClick(*label); });
}

bool Form::KeyDown(Key key, Modifiers modifiers)
{
    if (Blocked() || modifiers.control || modifiers.alt || modifiers.meta)
        return false;
    switch (key) {
    case Key::Tab:
        return MoveFocus(modifiers.shift ? -1 : 1);
    case Key::Right:
    case Key::Down:
        return MoveFocus(1);
    case Key::Left:
    case Key::Up:
        return MoveFocus(-1);
    case Key::Enter:
    case Key::Space:
        if (const std::optional<std::size_t> focus = window_->Focus()) {
            DoDefaultAction(*focus);
            return true;
        }
        return false;
    case Key::Escape: {
        bool used = false;
        Guarded([&] { used = OnEscape(); });
        return used;
    }
    }
    return false;
}

bool Form::MoveFocus(int step)
{
    std::vector<std::size_t> order;
    const std::vector<ui::Label>& labels = window_->Labels();
    for (std::size_t i = 0; i < labels.size(); ++i) {
        if (labels[i].Acts())
            order.push_back(i);
    }
    if (order.empty())
        return false;
    const std::optional<std::size_t> anchor = FocusAnchor();
    const auto at = anchor ? std::find(order.begin(), order.end(), *anchor) : order.end();
    std::size_t next = 0;
    if (at == order.end())
        next = step > 0 ? 0 : order.size() - 1;
    else
        next = (static_cast<std::size_t>(at - order.begin()) + (step > 0 ? 1 : order.size() - 1)) % order.size();
    window_->SetFocus(order[next]);
    Guarded([&] { OnFocus(window_->Labels()[order[next]]); });
    return true;
}

AccessibleLabel Form::Describe(std::size_t label) const
{
    const ui::Window& window = *window_;
    const ui::Label& l = window.Labels().at(label);
    AccessibleLabel described;
    described.role = l.AccessibleRole();
    described.name = ui::ParseCaption(l.Caption()).text;
    described.description = Description(l);
    described.invisible = !l.Visible() || !window.Shown();
    described.unavailable = !l.Enabled();
    described.focusable = l.Acts();
    described.readOnly = l.AccessibleRole() == ui::Role::StaticText;
    described.focused = window.KeyboardFocus() == label;
    described.linked = l.AccessibleRole() == ui::Role::Link;
    if (l.Acts())
        described.action = l.AccessibleRole() == ui::Role::Link ? DefaultAction::Jump : DefaultAction::Press;
    return described;
}

AccessibleWindow Form::DescribeWindow() const
{
    const ui::Window& window = *window_;
    return {window.FrameStyle() == ui::Frame::FixedDialog ? AccessibleWindow::Role::Dialog : AccessibleWindow::Role::Window,
            window.Title(), window.HasKeyboard() && !window.Focus()};
}

std::optional<std::size_t> Form::AccessibleAt(ui::Point p) const
{
    const ui::Hit hit = window_->HitTest(p);
    if (hit.kind != ui::Hit::Kind::Label)
        return std::nullopt;
    return hit.item;
}

void Form::DoDefaultAction(std::size_t label)
{
    if (Blocked() || label >= window_->Labels().size())
        return;
    ui::Label& target = window_->Labels()[label];
    if (target.Acts())
        Guarded([&] { OnLabelActivate(target); });
}

} // namespace autorun
