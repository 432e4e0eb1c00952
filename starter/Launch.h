// Runs the launcher as the starter's child and stays until its first window shows, so that a launcher
// that cannot start (the loader refuses it, a library or plugin is missing, it crashes) is reported
// instead of leaving the user looking at nothing. The launcher is handed two descriptors in
// AUTORUN_STARTER_FDS ("ready,stderr"): it writes a byte to the first once a window shows, after putting
// the second, the starter's own standard error, back as its standard error. Until then its standard
// error comes through the starter, which passes it on and keeps the end of it for the report.
#pragma once

#include <filesystem>
#include <string>

namespace autorun::starter {

struct Launch {
    enum class Outcome {
        Shown,      // a window showed: the starter's work is done
        Ended,      // the launcher ended with status 0 before showing a window, as asked
        NotStarted, // it could not be run at all (missing, not executable): error says why
        Failed,     // it ended otherwise before a window showed: reason says how
    };
    Outcome outcome;
    int error = 0;
    std::string reason;
    // Failed with its own exit status 1: the launcher ran and said why (no display it can open, say),
    // which the same launcher on another Qt would say again.
    bool saidWhy = false;
};

Launch RunUntilShown(const std::filesystem::path& program, char* const argv[]);

} // namespace autorun::starter
