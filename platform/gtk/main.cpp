#include "app/CommandLine.h"
#include "app/Program.h"
#include "platform/gtk/GtkDesktop.h"
#include "platform/posix/LinuxDesktopServices.h"
#include "platform/posix/StarterHandover.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <optional>
#include <string>

namespace {

// Tells the disc's starter once the first window, the launcher's or a box's, has been drawn on the screen.
gboolean FirstDraw(GSignalInvocationHint*, guint, const GValue* values, gpointer data)
{
    auto* widget = static_cast<GtkWidget*>(g_value_get_object(&values[0]));
    if (!gtk_widget_is_toplevel(widget))
        return TRUE;
    // Once the frame in which it draws is finished.
    g_idle_add(
        [](gpointer handover) -> gboolean {
            static_cast<autorun::posix::StarterHandover*>(handover)->WindowShown();
            return G_SOURCE_REMOVE;
        },
        data);
    return FALSE;
}

} // namespace

int main(int argc, char* argv[])
{
    if (const std::optional<int> status = autorun::AnswerCommandLine(argc, argv, AUTORUN_VERSION_TEXT))
        return *status;
    // From the disc's starter, when it started this program.
    autorun::posix::StarterHandover handover;
    // Without a display GTK ends with a terse warning; say plainly what is missing instead.
    if (const std::string missing = autorun::posix::NoDisplayMessage("GDK_BACKEND"); !missing.empty()) {
        std::fputs(missing.c_str(), stderr);
        return 1;
    }
    if (!gtk_init_check(&argc, &argv)) {
        const char* display = g_getenv("DISPLAY");
        std::fprintf(stderr, "autorun: cannot open the display \"%s\" to show the window on.\n", display != nullptr ? display : "");
        return 1;
    }
    g_signal_add_emission_hook(g_signal_lookup("draw", GTK_TYPE_WIDGET), 0, FirstDraw, &handover, nullptr);
    autorun::gtk::GtkDesktop desktop(handover.LaunchFolder());
    return autorun::RunAutorun(desktop);
}
