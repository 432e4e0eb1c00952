#include "starter/Notice.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace autorun::starter {
namespace {

bool Set(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// Runs argv from PATH and waits for it; whether it could be started.
bool Show(std::vector<const char*> argv)
{
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, const_cast<char* const*>(argv.data()), environ) != 0)
        return false;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    // 127: the shell's "not found", from a wrapper script of that name.
    return !(WIFEXITED(status) && WEXITSTATUS(status) == 127);
}

} // namespace

bool HasDisplay()
{
    return Set("DISPLAY") || Set("WAYLAND_DISPLAY");
}

void Say(const std::string& message)
{
    std::fprintf(stderr, "autorun: %s\n", message.c_str());
}

void Tell(const std::string& message)
{
    Say(message);
    if (!HasDisplay())
        return;
    const char* text = message.c_str();
    Show({"zenity", "--error", "--title=Autorun", "--no-markup", "--text", text}) ||
        Show({"kdialog", "--title", "Autorun", "--error", text}) ||
        Show({"xmessage", "-center", "-title", "Autorun", text});
}

void TellAndOpen(const std::string& message, const std::filesystem::path& folder)
{
    if (HasDisplay()) {
        const char* argv[] = {"xdg-open", folder.c_str(), nullptr};
        pid_t pid = 0;
        // Not waited for: xdg-open may stay until the file manager ends.
        if (posix_spawnp(&pid, argv[0], nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0)
            std::fprintf(stderr, "autorun: cannot open \"%s\": xdg-open cannot be started\n", folder.c_str());
    }
    Tell(message);
}

} // namespace autorun::starter
