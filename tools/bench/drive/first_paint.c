// Starts a command with the bench shim preloaded, waits for the first window it maps to get its
// first image, and prints "<milliseconds from exec> <window id>". The program is left running.
// first_paint SHIM LOG TIMEOUT_SECONDS COMMAND [ARGUMENTS...]
#define _GNU_SOURCE
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static long long now_ns(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (long long)t.tv_sec * 1000000000LL + t.tv_nsec;
}

int main(int argc, char* argv[])
{
    if (argc < 5) {
        fprintf(stderr, "usage: first_paint SHIM LOG TIMEOUT_SECONDS COMMAND [ARGUMENTS...]\n");
        return 2;
    }
    const char* log = argv[2];
    const double timeout = atof(argv[3]);
    unlink(log);
    const long long exec_at = now_ns();
    const pid_t child = fork();
    if (child == 0) {
        // The program outlives this helper: it must not hold a caller's pipe open.
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        setenv("LD_PRELOAD", argv[1], 1);
        setenv("AUTORUN_BENCH_SHIM_LOG", log, 1);
        execvp(argv[4], argv + 4);
        _exit(127);
    }
    unsigned long window = 0;
    // The disc's starter ends once the window it started shows: the log is read once more after it.
    int ended = 0;
    for (;;) {
        if (ended) {
            fprintf(stderr, "first_paint: %s ended before it painted a window\n", argv[4]);
            return 1;
        }
        ended = waitpid(child, NULL, WNOHANG) == child;
        if ((double)(now_ns() - exec_at) / 1e9 > timeout) {
            fprintf(stderr, "first_paint: no window painted within %.0f s\n", timeout);
            kill(child, SIGKILL);
            return 1;
        }
        FILE* notes = fopen(log, "r");
        if (notes != NULL) {
            long long at = 0, cpu = 0;
            char call[32];
            unsigned long drawable = 0;
            int pid = 0;
            while (fscanf(notes, "%lld %31s %lu %d %lld", &at, call, &drawable, &pid, &cpu) == 5) {
                if (window == 0 && strcmp(call, "map") == 0)
                    window = drawable;
                else if (window != 0 && drawable == window &&
                         (strcmp(call, "put_image") == 0 || strcmp(call, "shm_put_image") == 0 ||
                          strcmp(call, "copy_area") == 0)) {
                    printf("%.0f %lu\n", (double)(at - exec_at) / 1e6, window);
                    return 0;
                }
            }
            fclose(notes);
        }
        usleep(2000);
    }
}
