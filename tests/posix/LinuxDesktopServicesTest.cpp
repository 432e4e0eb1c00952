// The Linux services every front end's desktop shares, with the event loop a front end lends them
// played here by poll: programs started from the disc and collected, and what xdg-open's failures
// tell the user.
#include "platform/posix/LinuxDesktopServices.h"

#include "app/Failure.h"
#include "platform/posix/PosixFiles.h"
#include "ScopedVariable.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <poll.h>

namespace autorun::posix {
namespace {

using test::ScopedVariable;
using test::TempFolder;

std::filesystem::path Executable(const std::filesystem::path& file)
{
    std::filesystem::permissions(file, std::filesystem::perms::owner_exec, std::filesystem::perm_options::add);
    return file;
}

class LinuxDesktopServicesTest : public testing::Test {
protected:
    // Serves the watches until done() holds; the bound only keeps a broken run from hanging.
    bool RunUntil(const std::function<bool()>& done)
    {
        for (int round = 0; round < 1000 && !done(); ++round) {
            std::vector<pollfd> ready;
            for (const Watched& watched : watched_)
                ready.push_back({watched.fd, POLLIN, 0});
            poll(ready.data(), ready.size(), 10);
            for (std::size_t i = ready.size(); i-- > 0;) {
                if (ready[i].revents != 0 && watched_[i].readable())
                    watched_.erase(watched_.begin() + static_cast<std::ptrdiff_t>(i));
            }
        }
        return done();
    }

    struct Watched {
        int fd;
        std::function<bool()> readable;
    };
    TempFolder disc_;
    std::vector<Watched> watched_;
    std::vector<std::string> told_;
    const LinuxDesktopServices::Tell tell_ = [this](const std::string& text) { told_.push_back(text); };
    LinuxDesktopServices services_{disc_.Path(), [] { return std::filesystem::path(); },
                                   [this](int fd, std::function<bool()> readable) {
                                       watched_.push_back({fd, std::move(readable)});
                                   }};
};

TEST_F(LinuxDesktopServicesTest, StartedProgramRunsFromItsWholePathAndIsReaped)
{
    const std::filesystem::path marker = disc_.Path() / "started";
    Executable(disc_.Write(std::filesystem::path("Some Tools") / "run me.sh",
                           "#!/bin/sh\necho $$ >'" + marker.string() + ".tmp'\nmv '" + marker.string() + ".tmp' '" +
                               marker.string() + "'\n"));

    services_.StartProgram(PathText(disc_.Path() / "Some Tools" / "run me.sh"));

    ASSERT_TRUE(RunUntil([&] { return std::filesystem::exists(marker); }));
    int pid = 0;
    std::ifstream(marker) >> pid;
    ASSERT_GT(pid, 0);
    // A child that ended but was not reaped would stay in /proc as a zombie.
    const std::filesystem::path entry = "/proc/" + std::to_string(pid);
    EXPECT_TRUE(RunUntil([&] { return !std::filesystem::exists(entry); }));
}

TEST_F(LinuxDesktopServicesTest, ProgramThatCannotStartIsAFailure)
{
    EXPECT_THROW(services_.StartProgram(PathText(disc_.Path() / "Utils" / "missing.exe")), Failure);
}

TEST_F(LinuxDesktopServicesTest, WhatKeepsADocumentFromOpeningIsToldNamingIt)
{
    const std::filesystem::path bin = disc_.Path() / "bin";
    const std::filesystem::path manual = disc_.Write("MANUAL.PDF", "%PDF");
    Executable(disc_.Write(bin / "xdg-open", "#!/bin/sh\nread status <'" + (bin / "status").string() + "'\nexit $status\n"));
    const ScopedVariable path("PATH", bin.c_str());
    const std::string cannotOpen = "Cannot open \"" + manual.string() + "\".\n\n";
    const struct {
        int status;
        const char* reason;
    } rows[] = {{1, "xdg-open did not understand the request."},
                {2, "The file or folder does not exist."},
                {3, "No program is set up to open it."},
                {4, "The program that opens it failed."},
                {5, "xdg-open ended with status 5."},
                {0, nullptr}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.status);
        told_.clear();
        disc_.Write(bin / "status", std::to_string(row.status));
        services_.OpenDocument(PathText(manual), tell_);
        ASSERT_TRUE(RunUntil([&] { return watched_.empty(); }));
        EXPECT_EQ(told_, row.reason ? std::vector{cannotOpen + row.reason} : std::vector<std::string>{});
    }

    // Without xdg-open the document is named at once; the folder is the program's failure.
    std::filesystem::remove(bin / "xdg-open");
    told_.clear();
    services_.OpenDocument(PathText(manual), tell_);
    EXPECT_EQ(told_, std::vector{cannotOpen +
                                 "Cannot start \"xdg-open\": No such file or directory (it is not on the search path)"});
    EXPECT_THROW(services_.BrowseFolder(disc_.Text(), tell_), Failure);
}

TEST(NoDisplayMessage, SaysSoOnlyWhereNoDisplayIsNamed)
{
    const ScopedVariable display("DISPLAY", nullptr);
    const ScopedVariable wayland("WAYLAND_DISPLAY", "");
    const ScopedVariable platform("AUTORUN_TEST_PLATFORM", nullptr);
    EXPECT_EQ(NoDisplayMessage("AUTORUN_TEST_PLATFORM"),
              "autorun: there is no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is set).\n");
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "AUTORUN_TEST_PLATFORM"}) {
        SCOPED_TRACE(name);
        const ScopedVariable named(name, ":1");
        EXPECT_EQ(NoDisplayMessage("AUTORUN_TEST_PLATFORM"), "");
    }
}

} // namespace
} // namespace autorun::posix
