// Writes one fuzzer seed for each row of the readers' fixture table, so fuzzing starts from every
// case the table already knows. Usage: profile_fuzz_seeds <fixtures folder> <seeds folder>
#include "../profile/FixtureTable.h"
#include "FuzzInput.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fputs("usage: profile_fuzz_seeds <fixtures folder> <seeds folder>\n", stderr);
        return 2;
    }
    try {
        const std::filesystem::path fixtures = argv[1];
        const std::filesystem::path seeds = argv[2];
        std::filesystem::create_directories(seeds);
        int written = 0;
        for (const autorun::profile::test::Row& row : autorun::profile::test::ReadTable(fixtures)) {
            std::string profile;
            if (std::filesystem::is_regular_file(fixtures / row.file)) {
                std::ifstream file(fixtures / row.file, std::ios::binary);
                profile.assign(std::istreambuf_iterator<char>(file), {});
            }
            std::ofstream(seeds / ("line" + std::to_string(row.line)), std::ios::binary)
                << autorun::fuzz::Spell(row.size, row.section, row.key, row.defaultValue, profile);
            ++written;
        }
        std::printf("%d seeds in %s\n", written, seeds.c_str());
        return 0;
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "profile_fuzz_seeds: %s\n", failure.what());
        return 1;
    }
}
