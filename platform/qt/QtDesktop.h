// The desktop on Linux with Qt 6: a FormView for each window shown, message boxes for what
// the user is told, xdg-open for what the user opens. What happens, and when, stays with the program's logic.
#pragma once

#include "platform/Desktop.h"
#include "platform/posix/LaunchFolder.h"

#include <QObject>
#include <QPointer>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace autorun::qt {

class FormView;

class QtDesktop : public Desktop {
public:
    // The launch folder is the given one, or else the folder of the running program.
    explicit QtDesktop(std::filesystem::path launchFolder = {}) : givenFolder_(std::move(launchFolder)) {}
    ~QtDesktop() override;
    QtDesktop(const QtDesktop&) = delete;
    QtDesktop& operator=(const QtDesktop&) = delete;

    std::string ReadProfileString(std::string_view section, std::string_view key, std::string_view defaultValue,
                                  std::size_t bufferSize, std::string_view file) override;
    std::string ProgramFolder() override;
    ui::Size ScreenSize() override;
    ui::Size OuterSize(const ui::Window& window) override;
    std::string FindFile(std::string_view path) override;
    void StartProgram(std::string_view path) override;
    void BrowseFolder(std::string_view folder) override;
    void OpenDocument(const ui::Window& owner, std::string_view path) override;
    void ShowMessage(const ui::Window& owner, std::string_view text) override;
    void ShowModal(Form& form) override;
    int Run(Form& form) override;
    [[noreturn]] void EndWithReport(std::string_view report) override;

    // The view showing window, or null while it is not shown.
    FormView* ViewOf(const ui::Window& window) const;

protected:
    // The launch folder given, or the folder the running program lies in; the tests put it elsewhere.
    virtual std::filesystem::path ExecutableFolder();

private:
    // The native path for a path text the program built, which may begin with the program's folder.
    // Throws Failure once that folder is gone.
    std::filesystem::path Native(std::string_view path) const;
    // Starts argv and never waits for it; ended, if set, learns its exit status once it is reaped.
    void Start(const std::vector<std::string>& argv, bool searchPath, std::function<void(int)> ended);
    // Opens file with xdg-open and tells the user, in a box owned by owner, when that fails.
    void Open(const std::string& file, QPointer<QWidget> owner);
    QWidget* BoxParent(QWidget* owner) const;

    // Parent of the notifiers that watch the children still running.
    QObject watchers_;
    std::map<const ui::Window*, FormView*> views_;
    FormView* launcher_ = nullptr;
    // Found when the program first asks, at start-up, and kept: the path texts it builds begin with its text.
    std::optional<posix::LaunchFolder> launchFolder_;
    std::filesystem::path givenFolder_;
    bool unwatchedChildren_ = false;
};

} // namespace autorun::qt
