// What screen readers learn of a FormView: its painted labels as children with roles, names,
// descriptions, states and a press action. Built only when an assistive technology asks.
#pragma once

#include "ui/Window.h"

#include <vector>

namespace autorun::qt {

class FormView;

// Lets Qt build the views' accessible interfaces on demand; installing twice does nothing.
void InstallAccessibility();

// Tells assistive technology, when one is listening, what the view's window announces.
void Announce(FormView& view, const std::vector<ui::Announcement>& announcements);

} // namespace autorun::qt
