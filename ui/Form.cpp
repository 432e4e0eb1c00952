#include "ui/Form.h"

#include "platform/Desktop.h"

#include <utility>

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
    if (!buttonHeld)
        pressed_.reset();
    const ui::Hit hit = pressed_ ? *pressed_ : window_->HitTest(p);
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
    pressed_ = window_->HitTest(p);
}

void Form::MouseUp(ui::Point p, MouseButton button)
{
    const std::optional<ui::Hit> pressed = std::exchange(pressed_, std::nullopt);
    if (button != MouseButton::Left || !pressed || *pressed != window_->HitTest(p))
        return;
    ui::Label* label = LabelAt(*pressed);
    if (label != nullptr && label->Enabled())
        Guarded([&] { OnLabelClick(*label); });
}

void Form::DoubleClick(ui::Point p, MouseButton button)
{
    // The release that follows a double-click is no click.
    pressed_.reset();
    if (button != MouseButton::Left)
        return;
    ui::Label* label = LabelAt(window_->HitTest(p));
    if (label != nullptr && label->Enabled())
        Guarded([&] { OnLabelDoubleClick(*label); });
}

} // namespace autorun
