// A window of the program: its model for the current showing, the routing of
// pointer and key events to the window's handlers, the keyboard focus, and the failure
// policy of those handlers. Front ends call the entry points below with positions in
// twips inside the client area, then repaint what the window reports changed.
#pragma once

#include "app/Failure.h"
#include "ui/Window.h"

#include <cstddef>
#include <optional>
#include <string>

namespace autorun {

class Desktop;

enum class MouseButton { Left, Right, Middle };

// The keys the windows answer; front ends pass every other key on to the desktop.
enum class Key { Tab, Left, Right, Up, Down, Enter, Space, Escape };

// The modifier keys held with a key.
struct Modifiers {
    bool shift = false;
    bool control = false;
    bool alt = false;
    bool meta = false; // the Windows or Super key
};

// What a screen reader does to a label that acts. Desktops name these their own way.
enum class DefaultAction { None, Press, Jump };

// What a label is to a screen reader, one rule for every desktop.
struct AccessibleLabel {
    ui::Role role = ui::Role::StaticText;
    std::string name;        // the caption as it reads, without its & marks
    std::string description; // read after the name; empty for none
    bool invisible = false;  // hidden, or its window is not on the screen
    bool unavailable = false;
    bool focusable = false;
    bool readOnly = false;   // static text
    bool focused = false;    // it has the focus and its window has the keyboard
    bool linked = false;
    DefaultAction action = DefaultAction::None;

    bool operator==(const AccessibleLabel&) const = default;
};

// The window itself as screen readers see it.
struct AccessibleWindow {
    enum class Role { Window, Dialog };
    Role role = Role::Window;
    std::string name;
    bool focused = false; // it has the keyboard, and none of its labels has the focus

    bool operator==(const AccessibleWindow&) const = default;
};

class Form {
public:
    virtual ~Form() = default;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    // The window of the current showing; only valid while the form is loaded.
    ui::Window& Window() { return *window_; }
    const ui::Window& Window() const { return *window_; }
    bool Loaded() const { return window_.has_value(); }
    // A handler of this window is still running: it shows a modal window or a message box and waits
    // for it. Like a disabled window, the window then takes nothing, whatever route an event takes
    // (a screen reader, a posted message, a key or a click that the desktop let through).
    bool Blocked() const { return running_ > 0; }

    void MouseMove(ui::Point p, bool buttonHeld);
    void MouseDown(ui::Point p, MouseButton button);
    void MouseUp(ui::Point p, MouseButton button);
    // Replaces the second press of a double-click.
    void DoubleClick(ui::Point p, MouseButton button);
    // Each entry point does nothing while the window is Blocked().

    // Tab and the arrows move the focus through the labels that act, in design order, round
    // and round; Enter and Space act on the focused label; Esc is the window's own. Keys held with
    // Ctrl, Alt or the Windows key are the desktop's. Returns whether the window used the key.
    bool KeyDown(Key key, Modifiers modifiers = {});

    // What a click (or, where the window acts on double-clicks, a double-click) does to the
    // label at that position in Labels(); nothing unless it acts. Screen readers call this.
    void DoDefaultAction(std::size_t label);

    // A longer text a screen reader may read after the label's name; none by default.
    virtual std::string Description(const ui::Label&) const { return {}; }

    // The label at that position in Labels() as screen readers see it.
    AccessibleLabel Describe(std::size_t label) const;
    AccessibleWindow DescribeWindow() const;
    // The label a screen reader finds at a point of the client area: a shown one, the top-most.
    std::optional<std::size_t> AccessibleAt(ui::Point p) const;

    ui::Pointer PointerAt(ui::Point p) const { return window_->PointerAt(p); }

protected:
    explicit Form(Desktop& desktop) : desktop_(desktop) {}

    // Handlers; labels arrive only while shown, clicks only while enabled.
    virtual void OnSurfaceMouseMove() {}
    virtual void OnLabelMouseMove(ui::Label&) {}
    virtual void OnLabelClick(ui::Label&) {}
    virtual void OnLabelDoubleClick(ui::Label&) {}
    // Enter, Space or a screen reader's default action on a label that acts; a click by default.
    virtual void OnLabelActivate(ui::Label& label) { OnLabelClick(label); }
    // The keyboard focus has moved to the label.
    virtual void OnFocus(ui::Label&) {}
    // Where the focus moves from when no label has it yet; the first (or last) label that acts
    // when this gives none.
    virtual std::optional<std::size_t> FocusAnchor() const { return window_->Focus(); }
    // Esc; returns whether the window used it.
    virtual bool OnEscape() { return false; }

    // Runs a handler. A failure it lets escape is reported and ends the program.
    template <class Handler>
    void Guarded(Handler&& handler)
    {
        const Running running(running_);
        try {
            handler();
        } catch (const Failure& failure) {
            EndWithFailure(failure);
        }
    }

    Desktop& desktop_;
    std::optional<ui::Window> window_;

private:
    struct Running {
        explicit Running(int& count) : count_(count) { ++count_; }
        ~Running() { --count_; }
        Running(const Running&) = delete;
        Running& operator=(const Running&) = delete;
        int& count_;
    };

    void EndWithFailure(const Failure& failure);
    ui::Label* LabelAt(const ui::Hit& hit);
    bool MoveFocus(int step);

    // Like a windowless control, the label pressed keeps the pointer until release.
    std::optional<ui::Hit> pressed_;
    // Desktops report a pointer that stands still when a window appears, goes above it or takes the
    // keyboard; only a pointer that moved counts against the keyboard.
    std::optional<ui::Point> lastMove_;
    // Handlers of this window under way; more than one only if one is entered inside another.
    int running_ = 0;
};

} // namespace autorun
