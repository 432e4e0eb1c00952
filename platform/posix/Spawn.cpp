#include "platform/posix/Spawn.h"

#include "app/Failure.h"

#include <cerrno>
#include <csignal>
#include <map>
#include <string_view>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace autorun::posix {
namespace {

constexpr int kStatusUnknown = 255;

std::string SystemReason(int error)
{
    return std::generic_category().message(error);
}

[[noreturn]] void ThrowCannotStart(int error, const std::string& program, std::string_view note = {})
{
    std::string description = "Cannot start \"" + program + "\": " + SystemReason(error);
    if (!note.empty())
        description.append(" (").append(note).append(")");
    throw Failure(error, std::move(description));
}

std::string_view NoteFor(int error, bool searched)
{
    switch (error) {
    case EACCES:
        // For a name found on PATH the disc is not involved.
        return searched ? "" : "the disc may not allow running programs";
    case ENOEXEC:
        return "it is not a program this system can run";
    case ENOENT:
        return searched ? "it is not on the search path" : "";
    default:
        return {};
    }
}

// The children Spawn started that no one has asked about yet, with the status the sweep
// collected for those that ended in the meantime. The program runs on one thread.
std::map<pid_t, std::optional<int>>& StartedChildren()
{
    static std::map<pid_t, std::optional<int>> children;
    return children;
}

int ExitStatus(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return kStatusUnknown;
}

int OpenPidFd(pid_t pid)
{
#ifdef SYS_pidfd_open
    const long fd = syscall(SYS_pidfd_open, pid, 0);
    if (fd >= 0)
        return static_cast<int>(fd);
#else
    static_cast<void>(pid);
#endif
    return -1;
}

class FileActions {
public:
    FileActions() { posix_spawn_file_actions_init(&actions_); }
    ~FileActions() { posix_spawn_file_actions_destroy(&actions_); }
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;

    posix_spawn_file_actions_t* Get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

class Attributes {
public:
    Attributes() { posix_spawnattr_init(&attributes_); }
    ~Attributes() { posix_spawnattr_destroy(&attributes_); }
    Attributes(const Attributes&) = delete;
    Attributes& operator=(const Attributes&) = delete;

    posix_spawnattr_t* Get() { return &attributes_; }

private:
    posix_spawnattr_t attributes_;
};

} // namespace

SpawnedProcess Spawn(const std::vector<std::string>& argv, bool searchPath)
{
    if (argv.empty() || argv.front().empty())
        ThrowCannotStart(ENOENT, "");
    const std::string& program = argv.front();
    const bool searched = searchPath && program.find('/') == std::string::npos;
    if (!searched) {
        // exec would report a folder as a mere "Permission denied".
        struct stat info {};
        if (stat(program.c_str(), &info) != 0)
            ThrowCannotStart(errno, program);
        if (S_ISDIR(info.st_mode))
            ThrowCannotStart(EISDIR, program, "it is a folder");
        if (!S_ISREG(info.st_mode))
            ThrowCannotStart(EACCES, program, "it is not a file");
    }

    FileActions actions;
    int error = posix_spawn_file_actions_addopen(actions.Get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    if (error == 0)
        error = posix_spawn_file_actions_addclosefrom_np(actions.Get(), STDERR_FILENO + 1);
#else
    // Without closefrom, close each file open now that exec would otherwise hand on.
    for (int fd = STDERR_FILENO + 1; error == 0 && fd < 1024; ++fd) {
        const int flags = fcntl(fd, F_GETFD);
        if (flags >= 0 && (flags & FD_CLOEXEC) == 0)
            error = posix_spawn_file_actions_addclose(actions.Get(), fd);
    }
#endif
    Attributes attributes;
    // The child gets a clean signal state: nothing blocked, nothing ignored that this program ignores.
    sigset_t signals;
    sigemptyset(&signals);
    if (error == 0)
        error = posix_spawnattr_setsigmask(attributes.Get(), &signals);
    sigfillset(&signals);
    if (error == 0)
        error = posix_spawnattr_setsigdefault(attributes.Get(), &signals);
    if (error == 0)
        error = posix_spawnattr_setflags(attributes.Get(),
                                         POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    if (error != 0)
        ThrowCannotStart(error, program);

    std::vector<char*> arguments;
    arguments.reserve(argv.size() + 1);
    for (const std::string& argument : argv)
        arguments.push_back(const_cast<char*>(argument.c_str()));
    arguments.push_back(nullptr);

    pid_t pid = -1;
    error = searched ? posix_spawnp(&pid, program.c_str(), actions.Get(), attributes.Get(), arguments.data(), environ)
                     : posix_spawn(&pid, program.c_str(), actions.Get(), attributes.Get(), arguments.data(), environ);
    if (error != 0)
        ThrowCannotStart(error, program, NoteFor(error, searched));
    StartedChildren()[pid] = std::nullopt;
    return {pid, OpenPidFd(pid)};
}

std::optional<int> TryReap(const SpawnedProcess& child)
{
    if (child.pid <= 0)
        return kStatusUnknown; // waitpid would take it for a process group
    int status = 0;
    pid_t result = 0;
    do {
        result = waitpid(child.pid, &status, WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == 0)
        return std::nullopt;

    std::optional<int> swept;
    auto& children = StartedChildren();
    if (const auto found = children.find(child.pid); found != children.end()) {
        swept = found->second;
        children.erase(found);
    } else if (result != child.pid) {
        // Collected elsewhere, or already reported: the pidfd may have been closed before.
        return kStatusUnknown;
    }
    if (child.pidfd >= 0)
        close(child.pidfd);
    if (result == child.pid)
        return ExitStatus(status);
    return swept.value_or(kStatusUnknown);
}

void ReapFinishedChildren()
{
    auto& children = StartedChildren();
    for (;;) {
        int status = 0;
        const pid_t pid = waitpid(-1, &status, WNOHANG);
        if (pid < 0 && errno == EINTR)
            continue;
        if (pid <= 0)
            break;
        const auto found = children.find(pid);
        if (found != children.end())
            found->second = ExitStatus(status);
    }
}

} // namespace autorun::posix
