// What the Linux programs answer on the command line, as desktop programs there do: --help and
// --version print their text and end the program at once, before any display is looked for. The disc's
// starter answers the same, so that asking costs no unpacking.
#pragma once

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>

namespace autorun {

inline constexpr std::string_view kCommandLineHelp =
    "Usage: autorun [--help] [--version]\n"
    "Shows the start-up window of the disc or folder it is started from: its online documentation,\n"
    "and the disc's files in the desktop's file browser. What it offers comes from the autorun.inf\n"
    "beside it.\n"
    "\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n";

// The exit status when the arguments ask for a text, once it is printed on standard output (1 when it
// cannot be: a full disc, a closed pipe); none when they do not, and the program goes on.
inline std::optional<int> AnswerCommandLine(int argc, char* argv[], std::string_view version)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--version")
            std::printf("autorun %.*s\n", static_cast<int>(version.size()), version.data());
        else if (argument == "--help" || argument == "-h")
            std::fwrite(kCommandLineHelp.data(), 1, kCommandLineHelp.size(), stdout);
        else
            continue;
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            std::fprintf(stderr, "autorun: cannot write to standard output: %s\n", std::strerror(errno));
            return 1;
        }
        return 0;
    }
    return std::nullopt;
}

} // namespace autorun
