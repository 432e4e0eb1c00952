// The fixture table both profile readers are held to: the portable one everywhere, and Windows'
// own under Wine. expected.tsv says in its opening notes how it is written.
#pragma once

#include "FixtureTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

namespace autorun::profile::test {

// How a failing row names itself.
inline void PrintTo(const Row& row, std::ostream* out)
{
    *out << "expected.tsv line " << row.line << ": " << row.file << " [" << row.section << "] " << row.key
         << ", buffer " << row.size;
}

// Test instantiation cannot report an error, so each suite has a test that reads the table itself.
inline std::vector<Row> RowsOrNone(const std::filesystem::path& fixtures)
{
    try {
        return ReadTable(fixtures);
    } catch (const std::exception&) {
        return {};
    }
}

inline std::string RowName(const testing::TestParamInfo<Row>& info)
{
    std::string name = "line" + std::to_string(info.param.line) + "_" + info.param.file + "_" +
                       info.param.section + "_" + info.param.key;
    std::replace_if(
        name.begin(), name.end(),
        [](char c) { return !((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')); },
        '_');
    return name;
}

} // namespace autorun::profile::test
