// What screen readers learn of a FormView's window, through ATK: its painted labels as children with
// roles, names, descriptions, states and a default action. GTK's bridge carries it to AT-SPI.
#pragma once

#include "ui/Window.h"

#include <gtk/gtk.h>

#include <vector>

namespace autorun::gtk {

class FormView;

// The GtkWindow subclass a FormView draws in, whose accessible object has the labels for children.
GtkWidget* NewFormWindow(FormView& view);

// Called as the view goes: its accessible objects, which screen readers may still hold, then read as gone.
void Forget(FormView& view);

// Tells assistive technology what the view's window announces.
void Announce(FormView& view, const std::vector<ui::Announcement>& announcements);

} // namespace autorun::gtk
