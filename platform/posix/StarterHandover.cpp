#include "platform/posix/StarterHandover.h"

#include <charconv>
#include <csignal>
#include <cstdlib>
#include <string_view>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace autorun::posix {
namespace {

// A descriptor number from the handover, if it names an open pipe: a stale or forged variable names
// nothing the program would write to by mistake.
int Descriptor(std::string_view text)
{
    int fd = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), fd);
    struct stat info {};
    if (error != std::errc() || end != text.data() + text.size() || fd < 3 || fstat(fd, &info) != 0 ||
        !S_ISFIFO(info.st_mode))
        return -1;
    // Not for what the program starts.
    fcntl(fd, F_SETFD, FD_CLOEXEC);
    return fd;
}

} // namespace

StarterHandover::StarterHandover()
{
    if (const char* folder = std::getenv("AUTORUN_LAUNCH_FOLDER"); folder != nullptr && folder[0] == '/')
        launchFolder_ = folder;
    unsetenv("AUTORUN_LAUNCH_FOLDER");
    if (const char* fds = std::getenv("AUTORUN_STARTER_FDS"); fds != nullptr) {
        const std::string_view text = fds;
        if (const std::size_t comma = text.find(','); comma != std::string_view::npos) {
            ready_ = Descriptor(text.substr(0, comma));
            // The starter's standard error may be a terminal or a file as well as a pipe.
            int fd = -1;
            const std::string_view second = text.substr(comma + 1);
            if (ready_ >= 0 && std::from_chars(second.data(), second.data() + second.size(), fd).ec == std::errc() &&
                fd >= 3 && fd != ready_ && fcntl(fd, F_GETFD) >= 0) {
                fcntl(fd, F_SETFD, FD_CLOEXEC);
                stderr_ = fd;
                // Standard error is the starter's pipe until then: should the starter be gone, a
                // warning written there must not end the program.
                std::signal(SIGPIPE, SIG_IGN);
            }
        }
    }
    unsetenv("AUTORUN_STARTER_FDS");
}

StarterHandover::~StarterHandover()
{
    // Ending without a window: the starter sees the pipe close and reports how the program ended.
    for (const int fd : {ready_, stderr_}) {
        if (fd >= 0)
            close(fd);
    }
}

void StarterHandover::WindowShown()
{
    if (stderr_ >= 0) {
        dup2(stderr_, STDERR_FILENO);
        close(stderr_);
        stderr_ = -1;
        std::signal(SIGPIPE, SIG_DFL);
    }
    if (ready_ >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t told = write(ready_, &byte, 1);
        close(ready_);
        ready_ = -1;
    }
}

} // namespace autorun::posix
