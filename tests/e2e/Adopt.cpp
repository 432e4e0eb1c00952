// Runs a command and adopts what it leaves running, so that a script can wait for a program the
// disc's starter started and then left: becomes the subreaper of everything the command starts, waits
// for all of it, and ends with the first status other than 0 among them (128 + N for signal N), or 0.
// SIGTERM to it ends them too: the command runs in a process group of its own, which is passed it.
// e2e_adopt COMMAND [ARGUMENT...]
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

volatile pid_t gGroup = 0;

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fputs("usage: e2e_adopt COMMAND [ARGUMENT...]\n", stderr);
        return 2;
    }
    if (prctl(PR_SET_CHILD_SUBREAPER, 1) != 0) {
        std::perror("e2e_adopt: cannot adopt orphans");
        return 2;
    }
    const pid_t child = fork();
    if (child == 0) {
        setpgid(0, 0);
        execvp(argv[1], argv + 1);
        std::fprintf(stderr, "e2e_adopt: cannot run %s: %s\n", argv[1], std::strerror(errno));
        _exit(127);
    }
    setpgid(child, child);
    gGroup = child;
    struct sigaction pass {};
    pass.sa_handler = [](int signal) { kill(-gGroup, signal); };
    sigaction(SIGTERM, &pass, nullptr);
    int result = 0;
    for (int status = 0; waitpid(-1, &status, 0) > 0 || errno == EINTR;) {
        const int code = WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
        if (result == 0)
            result = code;
        status = 0;
    }
    return result;
}
