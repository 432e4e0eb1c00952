// Starts other programs detached from this one (own session, no terminal input, no inherited files)
// and collects them once they end, so none is left a zombie. It never waits for a program to end.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace autorun::posix {

struct SpawnedProcess {
    pid_t pid;
    int pidfd; // -1 where pidfd_open is unavailable
};

// Starts argv[0] (a native path, or a bare program name looked up on PATH when searchPath is true) with argv
// as its arguments, in a new session, stdin from /dev/null, other fds not inherited, and returns at once.
// The caller reaps it. Throws Failure(errno, description) when it cannot be started.
SpawnedProcess Spawn(const std::vector<std::string>& argv, bool searchPath);

// Non-blocking reap of one child: its exit status (0..255, or 128+signal) when it has ended, std::nullopt
// while running. Closes the pidfd when reaped. A child whose end was collected by someone else than
// TryReap or ReapFinishedChildren reports 255; ask no more once a status has been returned.
std::optional<int> TryReap(const SpawnedProcess& child);

// Reaps every finished child of this process (a safety sweep; never blocks). The statuses of children
// started by Spawn are kept for TryReap.
void ReapFinishedChildren();

} // namespace autorun::posix
