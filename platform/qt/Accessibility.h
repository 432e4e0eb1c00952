// What screen readers learn of a FormView: its painted labels as children with roles, names,
// descriptions, states and a press action. Built only when an assistive technology asks.
#pragma once

#include "ui/Window.h"

namespace autorun::qt {

class FormView;

// Lets Qt build the views' accessible interfaces on demand; installing twice does nothing.
void InstallAccessibility();

// Tells assistive technology what changed in the view's window, when one is listening.
void NotifyAccessibility(FormView& view, const ui::WindowChanges& changes);

} // namespace autorun::qt
