// A window of the program: its model for the current showing, the routing of
// pointer events to the window's handlers, and the failure policy of those handlers.
// Front ends call the entry points below with positions in twips inside the client area.
#pragma once

#include "app/Failure.h"
#include "ui/Window.h"

#include <optional>

namespace autorun {

class Desktop;

enum class MouseButton { Left, Right, Middle };

class Form {
public:
    virtual ~Form() = default;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    // The window of the current showing; only valid while the form is loaded.
    ui::Window& Window() { return *window_; }
    const ui::Window& Window() const { return *window_; }
    bool Loaded() const { return window_.has_value(); }

    void MouseMove(ui::Point p, bool buttonHeld);
    void MouseDown(ui::Point p, MouseButton button);
    void MouseUp(ui::Point p, MouseButton button);
    // Replaces the second press of a double-click.
    void DoubleClick(ui::Point p, MouseButton button);

    ui::Pointer PointerAt(ui::Point p) const { return window_->PointerAt(p); }

protected:
    explicit Form(Desktop& desktop) : desktop_(desktop) {}

    // Handlers; labels arrive only while shown, clicks only while enabled.
    virtual void OnSurfaceMouseMove() {}
    virtual void OnLabelMouseMove(ui::Label&) {}
    virtual void OnLabelClick(ui::Label&) {}
    virtual void OnLabelDoubleClick(ui::Label&) {}

    // Runs a handler. A failure it lets escape is reported and ends the program.
    template <class Handler>
    void Guarded(Handler&& handler)
    {
        try {
            handler();
        } catch (const Failure& failure) {
            EndWithFailure(failure);
        }
    }

    Desktop& desktop_;
    std::optional<ui::Window> window_;

private:
    void EndWithFailure(const Failure& failure);
    ui::Label* LabelAt(const ui::Hit& hit);

    // Like a windowless control, the label pressed keeps the pointer until release.
    std::optional<ui::Hit> pressed_;
};

} // namespace autorun
