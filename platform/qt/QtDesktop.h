// The desktop on Linux with Qt 6: a FormView for each window shown, message boxes for what the user
// is told; files, programs and xdg-open are the Linux services'. What happens, and when, stays with
// the program's logic.
#pragma once

#include "platform/Desktop.h"
#include "platform/posix/LinuxDesktopServices.h"

#include <QObject>
#include <QPointer>

#include <filesystem>
#include <functional>
#include <map>
#include <string>

class QWidget;

namespace autorun::qt {

class FormView;

class QtDesktop : public posix::LinuxDesktop {
public:
    // The launch folder is the given one, or else the folder of the running program.
    explicit QtDesktop(std::filesystem::path launchFolder = {});
    QtDesktop(const QtDesktop&) = delete;
    QtDesktop& operator=(const QtDesktop&) = delete;

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
    // From Qt's event loop.
    void Watch(int fd, std::function<bool()> readable) override;
    // Tells the user, in a box owned by owner while it shows, why something cannot be opened.
    posix::LinuxDesktopServices::Tell TellOver(QPointer<QWidget> owner);
    QWidget* BoxParent(QWidget* owner) const;

    // Parent of the notifiers that watch the children still running; they go before services_.
    QObject watchers_;
    std::map<const ui::Window*, FormView*> views_;
    FormView* launcher_ = nullptr;
};

} // namespace autorun::qt
