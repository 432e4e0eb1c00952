// What both desktops must do alike, written once and run against each front end through a small
// driver: the Qt suite and the Windows suite each implement FrontEnd over their own window and
// screen-reader access, and call the shared cases below.
#pragma once

#include "ui/Form.h"

#include <set>
#include <string>
#include <vector>

namespace autorun::conformance {

// A label as a screen reader reads it, in words neither desktop uses: each driver converts its
// toolkit's roles and states to these.
struct Reading {
    std::string role; // "button", "link" or "text"
    std::string name;
    std::string description;
    std::set<std::string> states; // "focusable", "focused", "invisible", "unavailable", "read-only", "linked"
    bool acts = false;            // it has a default action

    bool operator==(const Reading&) const = default;
};

// What a window told screen readers of a label: "focus", "show", "hide", "name" or "state".
struct Announcement {
    std::string what;
    std::size_t label = 0; // position in Labels()

    bool operator==(const Announcement&) const = default;
};

class FrontEnd {
public:
    virtual ~FrontEnd() = default;

    // The shown launcher's model.
    virtual const ui::Window& Launcher() const = 0;
    // The label at that position, as a screen reader asks for it now.
    virtual Reading Read(std::size_t label) = 0;
    // A key as the keyboard sends it to the launcher, once the window has the keyboard.
    virtual void Press(Key key, Modifiers modifiers = {}) = 0;
    // What the launcher announced since the last call, in order.
    virtual std::vector<Announcement> TakeAnnouncements() = 0;
};

// The launcher walked from the keyboard: what a screen reader reads and hears at each key, and
// keys held with Ctrl, Alt or the Windows key left to the desktop.
void LauncherFromTheKeyboard(FrontEnd& frontEnd);

} // namespace autorun::conformance
