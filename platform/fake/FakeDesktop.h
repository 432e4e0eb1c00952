// A deterministic desktop for the core's unit tests: settings files and disc
// entries live in memory, every request is recorded, and any operation can be made
// to fail. Modal showings and the main loop run a test's callback instead of a user.
#pragma once

#include "app/Failure.h"
#include "platform/Desktop.h"
#include "ui/Window.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace autorun {

// Thrown by EndWithReport, which must not return.
struct ProgramEnded {
    std::string report;
};

class FakeDesktop : public Desktop {
public:
    enum class Entry { NormalFile, HiddenFile, SystemFile, Folder };

    struct Request {
        std::string window; // owner's name
        std::string text;   // path or message

        bool operator==(const Request&) const = default;
    };

    // Settings files by path text, holding the file's bytes.
    std::map<std::string, std::string> files;
    // What the disc holds, by exact path text.
    std::map<std::string, Entry> disc;
    std::string programFolder = "D:\\";
    ui::Size screen{19200, 14400};
    // What the frame adds to a window's client area.
    ui::Size frame{90, 480};

    // Failures to raise, by operation.
    std::optional<Failure> programFolderFailure;
    std::optional<Failure> screenFailure;
    std::map<std::string, Failure> findFailures; // by path text
    std::optional<Failure> startFailure;
    std::optional<Failure> browseFailure;
    std::optional<Failure> openFailure;

    // What the user does while a form is shown.
    std::function<void(Form&)> whileModal;
    std::function<void(Form&)> whileRunning;
    // What the user does while a message box is shown, with the text it shows.
    std::function<void(std::string_view)> whileMessage;

    // Records.
    std::vector<std::string> lookups;
    std::vector<std::string> startedPrograms;
    std::vector<std::string> browsedFolders;
    std::vector<Request> openedDocuments;
    std::vector<Request> messages;
    std::vector<std::string> modalShowings; // window titles as they were shown

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
};

} // namespace autorun
