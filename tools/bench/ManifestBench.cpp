// What a second start pays to trust an unpacked folder: the starter's check of every file's size,
// owner and mode against the manifest, on a folder the starter unpacked, many times over.
// bench_manifest <bundle.manifest> <unpacked folder> [rounds]
#include "starter/Manifest.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::fputs("usage: bench_manifest <bundle.manifest> <unpacked folder> [rounds]\n", stderr);
        return 2;
    }
    std::ostringstream text;
    text << std::ifstream(argv[1]).rdbuf();
    const autorun::starter::Manifest manifest(text.str());
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 1000;
    using Clock = std::chrono::steady_clock;
    for (const auto depth : {autorun::starter::Manifest::Depth::Sizes, autorun::starter::Manifest::Depth::Contents}) {
        const int times = depth == autorun::starter::Manifest::Depth::Sizes ? rounds : 3;
        const auto start = Clock::now();
        for (int i = 0; i < times; ++i) {
            if (const auto mismatch = manifest.Mismatch(argv[2], depth)) {
                std::fprintf(stderr, "the folder does not match: %s\n", mismatch->c_str());
                return 1;
            }
        }
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count() / times;
        std::printf("  %-32s %8.3f ms (%zu files, warm cache, %d rounds)\n",
                    depth == autorun::starter::Manifest::Depth::Sizes ? "sizes, owners and modes (every start)"
                                                                      : "contents (after a failed start)",
                    ms, manifest.Entries().size(), times);
    }
    return 0;
}
