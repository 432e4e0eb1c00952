// The desktop on Linux with GTK 3: a FormView for each window shown, message dialogs for what the user
// is told; files, programs and xdg-open are the Linux services'. What happens, and when, stays with
// the program's logic.
#pragma once

#include "platform/Desktop.h"
#include "platform/posix/LinuxDesktopServices.h"

#include <gtk/gtk.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace autorun::gtk {

class FormView;

class GtkDesktop : public posix::LinuxDesktop {
public:
    // The launch folder is the given one, or else the folder of the running program.
    explicit GtkDesktop(std::filesystem::path launchFolder = {});
    ~GtkDesktop() override;
    GtkDesktop(const GtkDesktop&) = delete;
    GtkDesktop& operator=(const GtkDesktop&) = delete;

    ui::Size ScreenSize() override;
    ui::Size OuterSize(const ui::Window& window) override;
    void BrowseFolder(std::string_view folder) override;
    void OpenDocument(const ui::Window& owner, std::string_view path) override;
    void ShowMessage(const ui::Window& owner, std::string_view text) override;
    void ShowModal(Form& form) override;
    int Run(Form& form) override;
    [[noreturn]] void EndWithReport(std::string_view report) override;

    // The view showing window, or null while it is not shown.
    FormView* ViewOf(const ui::Window& window) const;

private:
    enum class BoxKind { Plain, Warning, Error };
    // A modal message dialog titled as the program, with OK only, above owner while it shows.
    void ShowBox(FormView* owner, std::string_view text, BoxKind kind);
    GtkWindow* BoxParent(FormView* owner) const;
    posix::LinuxDesktopServices::Tell TellOver(const ui::Window* owner);
    // From GLib's main loop.
    void Watch(int fd, std::function<bool()> readable) override;

    std::map<const ui::Window*, FormView*> views_;
    FormView* launcher_ = nullptr;
    // The watches of children still running, removed before services_ goes.
    std::vector<guint> watches_;
    // The main loop and those of the modal windows inside it.
    std::vector<GMainLoop*> loops_;
};

} // namespace autorun::gtk
