#include "starter/Launch.h"

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

namespace autorun::starter {
namespace {

// How much of the launcher's last words the report keeps.
constexpr std::size_t kKeptOutput = 2048;

class Pipe {
public:
    Pipe()
    {
        if (pipe2(fds_, O_CLOEXEC) != 0)
            fds_[0] = fds_[1] = -1;
    }
    ~Pipe()
    {
        CloseRead();
        CloseWrite();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    bool Made() const { return fds_[0] >= 0; }
    int Read() const { return fds_[0]; }
    int Write() const { return fds_[1]; }
    void CloseRead() { Close(fds_[0]); }
    void CloseWrite() { Close(fds_[1]); }

private:
    static void Close(int& fd)
    {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
    int fds_[2];
};

// The last lines of what the launcher wrote, trimmed to fit a box.
std::string LastWords(const std::string& output)
{
    std::string words = output;
    while (!words.empty() && (words.back() == '\n' || words.back() == ' '))
        words.pop_back();
    if (words.size() > 600)
        words = "..." + words.substr(words.size() - 600);
    return words;
}

std::string HowItEnded(int status)
{
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        return "it was ended by signal " + std::to_string(signal) + " (" + strsignal(signal) + ")";
    }
    return "it ended with status " + std::to_string(WEXITSTATUS(status));
}

} // namespace

Launch RunUntilShown(const std::filesystem::path& program, char* const argv[])
{
    Pipe ready;
    Pipe output;
    Pipe execFailure;
    // The launcher's own copies: not closed on exec, at numbers fixed before the fork.
    const int readyForChild = ready.Made() ? fcntl(ready.Write(), F_DUPFD, 3) : -1;
    const int stderrForChild = fcntl(STDERR_FILENO, F_DUPFD, 3);
    if (!output.Made() || !execFailure.Made() || readyForChild < 0 || stderrForChild < 0) {
        // Without the means to watch, the launcher still runs; only its failures go unseen.
        execv(program.c_str(), argv);
        return {Launch::Outcome::NotStarted, errno, {}};
    }
    setenv("AUTORUN_STARTER_FDS", (std::to_string(readyForChild) + "," + std::to_string(stderrForChild)).c_str(), 1);
    const pid_t child = fork();
    if (child == 0) {
        dup2(output.Write(), STDERR_FILENO);
        execv(program.c_str(), argv);
        const int error = errno;
        [[maybe_unused]] const ssize_t told = write(execFailure.Write(), &error, sizeof error);
        _exit(127);
    }
    const int forkError = errno;
    unsetenv("AUTORUN_STARTER_FDS");
    close(readyForChild);
    close(stderrForChild);
    ready.CloseWrite();
    output.CloseWrite();
    execFailure.CloseWrite();
    if (child < 0)
        return {Launch::Outcome::NotStarted, forkError, {}};

    int execError = 0;
    while (read(execFailure.Read(), &execError, sizeof execError) < 0 && errno == EINTR) {
    }
    if (execError != 0) {
        while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
        return {Launch::Outcome::NotStarted, execError, {}};
    }

    // Passing the launcher's words on must not end the starter where its own standard error is gone.
    std::signal(SIGPIPE, SIG_IGN);
    std::string said;
    pollfd watched[2] = {{ready.Read(), POLLIN, 0}, {output.Read(), POLLIN, 0}};
    bool shown = false;
    for (bool readyOpen = true; readyOpen;) {
        if (poll(watched, watched[1].fd >= 0 ? 2 : 1, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (watched[1].fd >= 0 && watched[1].revents != 0) {
            char buffer[4096];
            const ssize_t got = read(output.Read(), buffer, sizeof buffer);
            if (got > 0) {
                [[maybe_unused]] const ssize_t passed = write(STDERR_FILENO, buffer, static_cast<std::size_t>(got));
                said.append(buffer, static_cast<std::size_t>(got));
                if (said.size() > kKeptOutput)
                    said.erase(0, said.size() - kKeptOutput);
            } else if (got == 0 || errno != EINTR) {
                watched[1].fd = -1;
            }
        }
        if (watched[0].revents != 0) {
            char byte = 0;
            const ssize_t got = read(ready.Read(), &byte, 1);
            if (got < 0 && errno == EINTR)
                continue;
            shown = got == 1;
            readyOpen = false;
        }
    }
    if (shown) {
        // What it wrote before putting its standard error back, passed on.
        fcntl(output.Read(), F_SETFL, O_NONBLOCK);
        char buffer[4096];
        for (ssize_t got; (got = read(output.Read(), buffer, sizeof buffer)) > 0;) {
            [[maybe_unused]] const ssize_t passed = write(STDERR_FILENO, buffer, static_cast<std::size_t>(got));
        }
        return {Launch::Outcome::Shown, 0, {}};
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return {Launch::Outcome::Ended, 0, {}};
    std::string reason = HowItEnded(status);
    if (const std::string words = LastWords(said); !words.empty())
        reason += ", saying:\n" + words;
    return {Launch::Outcome::Failed, 0, reason, WIFEXITED(status) && WEXITSTATUS(status) == 1};
}

} // namespace autorun::starter
