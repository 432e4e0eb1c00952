#include "platform/gtk/GtkDesktop.h"

#include "platform/gtk/FormView.h"
#include "platform/posix/PosixFiles.h"
#include "ui/Form.h"

#include <glib-unix.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace autorun::gtk {
namespace {

// The pixels from first to last, at most what a screen can hold.
int Extent(int first, int last)
{
    constexpr long long kLargestScreen = 1LL << 20;
    return static_cast<int>(std::clamp<long long>(static_cast<long long>(last) - first + 1, 0, kLargestScreen));
}

} // namespace

GtkDesktop::GtkDesktop(std::filesystem::path launchFolder) : LinuxDesktop(std::move(launchFolder)) {}

GtkDesktop::~GtkDesktop()
{
    // Before the services: they close the descriptors these watch.
    for (const guint watch : watches_)
        g_source_remove(watch);
}

ui::Size GtkDesktop::ScreenSize()
{
    GdkDisplay* display = gdk_display_get_default();
    GdkMonitor* monitor = display == nullptr ? nullptr : gdk_display_get_primary_monitor(display);
    if (monitor == nullptr && display != nullptr && gdk_display_get_n_monitors(display) > 0)
        monitor = gdk_display_get_monitor(display, 0);
    if (monitor == nullptr)
        return {};
    GdkRectangle geometry;
    gdk_monitor_get_geometry(monitor, &geometry);
    return {ui::ToTwips(Extent(geometry.x, geometry.x + geometry.width - 1)),
            ui::ToTwips(Extent(geometry.y, geometry.y + geometry.height - 1))};
}

ui::Size GtkDesktop::OuterSize(const ui::Window& window)
{
    // Only a window already shown tells how much frame the window manager adds.
    int frameWidth = 0;
    int frameHeight = 0;
    for (const auto& [shown, view] : views_) {
        GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(view->Window()));
        if (view->Visible() && gdk != nullptr) {
            GdkRectangle outer;
            gdk_window_get_frame_extents(gdk, &outer);
            frameWidth = std::max(0, outer.width - gdk_window_get_width(gdk));
            frameHeight = std::max(0, outer.height - gdk_window_get_height(gdk));
            break;
        }
    }
    return {window.Client().width + ui::ToTwips(frameWidth), window.Client().height + ui::ToTwips(frameHeight)};
}

void GtkDesktop::BrowseFolder(std::string_view folder)
{
    services_.BrowseFolder(folder, TellOver(launcher_ == nullptr ? nullptr : &launcher_->Model().Window()));
}

void GtkDesktop::OpenDocument(const ui::Window& owner, std::string_view path)
{
    services_.OpenDocument(path, TellOver(&owner));
}

void GtkDesktop::Watch(int fd, std::function<bool()> readable)
{
    struct Watched {
        GtkDesktop* desktop;
        std::function<bool()> readable;
        guint id = 0;
    };
    auto* watched = new Watched{this, std::move(readable)};
    // GLib never runs a source inside its own callback: the watch is off while readable tells the user.
    watched->id = g_unix_fd_add_full(
        G_PRIORITY_DEFAULT, fd, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR),
        [](gint, GIOCondition, gpointer data) -> gboolean {
            auto* self = static_cast<Watched*>(data);
            if (!self->readable())
                return G_SOURCE_CONTINUE;
            std::erase(self->desktop->watches_, self->id);
            return G_SOURCE_REMOVE;
        },
        watched, [](gpointer data) { delete static_cast<Watched*>(data); });
    watches_.push_back(watched->id);
}

posix::LinuxDesktopServices::Tell GtkDesktop::TellOver(const ui::Window* owner)
{
    return [this, owner](const std::string& text) {
        // The owner may have closed since the request: then the box goes above whatever shows.
        ShowBox(owner == nullptr ? nullptr : ViewOf(*owner), text, BoxKind::Warning);
    };
}

void GtkDesktop::ShowMessage(const ui::Window& owner, std::string_view text)
{
    ShowBox(ViewOf(owner), text, BoxKind::Plain);
}

void GtkDesktop::ShowBox(FormView* owner, std::string_view text, BoxKind kind)
{
    const GtkMessageType type = kind == BoxKind::Plain     ? GTK_MESSAGE_OTHER
                                : kind == BoxKind::Warning ? GTK_MESSAGE_WARNING
                                                           : GTK_MESSAGE_ERROR;
    GtkWidget* box = gtk_message_dialog_new(BoxParent(owner), static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
                                            type, GTK_BUTTONS_OK, "%.*s", static_cast<int>(text.size()), text.data());
    gtk_window_set_title(GTK_WINDOW(box), std::string(kProgramTitle).c_str());
    // Closing the owner while the box waits destroys the box with it.
    gpointer alive = box;
    g_object_add_weak_pointer(G_OBJECT(box), &alive);
    gtk_dialog_run(GTK_DIALOG(box));
    if (alive != nullptr) {
        g_object_remove_weak_pointer(G_OBJECT(box), &alive);
        gtk_widget_destroy(box);
    }
}

void GtkDesktop::ShowModal(Form& form)
{
    FormView view(form, launcher_);
    gtk_window_set_modal(view.Window(), TRUE);
    views_[&form.Window()] = &view;
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    loops_.push_back(loop);
    view.Closed = [loop] { g_main_loop_quit(loop); };
    view.Show();
    if (view.Visible())
        g_main_loop_run(loop);
    std::erase(loops_, loop);
    g_main_loop_unref(loop);
    views_.erase(&form.Window());
    // Without a window manager nobody hands the keyboard back to the window below.
    if (FormView* owner = view.Owner(); owner != nullptr && owner->Visible())
        gtk_window_present(owner->Window());
}

int GtkDesktop::Run(Form& form)
{
    FormView view(form);
    launcher_ = &view;
    views_[&form.Window()] = &view;
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    loops_.push_back(loop);
    // Closing the start-up window ends the program, whatever else is open: every loop ends.
    view.Closed = [this] {
        for (GMainLoop* running : loops_)
            g_main_loop_quit(running);
    };
    view.Show();
    g_main_loop_run(loop);
    std::erase(loops_, loop);
    g_main_loop_unref(loop);
    views_.erase(&form.Window());
    launcher_ = nullptr;
    return 0;
}

void GtkDesktop::EndWithReport(std::string_view report)
{
    std::fprintf(stderr, "%.*s\n", static_cast<int>(report.size()), report.data());
    ShowBox(nullptr, report, BoxKind::Error);
    std::fflush(nullptr);
    std::_Exit(1);
}

FormView* GtkDesktop::ViewOf(const ui::Window& window) const
{
    const auto found = views_.find(&window);
    return found == views_.end() ? nullptr : found->second;
}

GtkWindow* GtkDesktop::BoxParent(FormView* owner) const
{
    if (owner != nullptr && owner->Visible())
        return owner->Window();
    for (FormView* view : FormView::All()) {
        if (view->Visible() && gtk_window_is_active(view->Window()))
            return view->Window();
    }
    return launcher_ != nullptr && launcher_->Visible() ? launcher_->Window() : nullptr;
}

} // namespace autorun::gtk
