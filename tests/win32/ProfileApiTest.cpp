// Windows' own profile reader against the fixture table the portable reader is tested with, so that
// the table, and with it the portable reader, says what Windows does.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include "../profile/ExpectedTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace autorun::win32 {
namespace {

const std::string kFixtures = AUTORUN_PROFILE_FIXTURES;
// The system code page the table is written for.
constexpr UINT kTableCodePage = 1252;

using profile::test::ReadTable;
using profile::test::Row;

std::string FixturePath(const std::string& name)
{
    std::string path = kFixtures + "\\" + name;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

bool ValidUtf8(const std::string& bytes)
{
    return bytes.empty() || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                                static_cast<int>(bytes.size()), nullptr, 0) > 0;
}

// The code page names and results cross the "A" interface in for this file: UTF-8 for a file that
// is UTF-8 throughout without byte order mark, the system's for any other.
UINT CodePageFor(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return kTableCodePage;
    std::ifstream stream(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << stream.rdbuf();
    const std::string text = bytes.str();
    const bool bom = text.starts_with("\xEF\xBB\xBF") || text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF");
    return !bom && ValidUtf8(text) ? CP_UTF8 : kTableCodePage;
}

// UTF-8 table text in the given code page; fails the test when the code page cannot write it.
std::string Encoded(const std::string& utf8, UINT codePage)
{
    if (utf8.empty() || codePage == CP_UTF8)
        return utf8;
    const int wideLength = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                               static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), wideLength);
    BOOL lossy = FALSE;
    const int length = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, nullptr, 0,
                                           nullptr, &lossy);
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, text.data(), length, nullptr,
                        &lossy);
    EXPECT_TRUE(wideLength > 0 && !lossy) << "code page " << codePage << " cannot write \"" << utf8 << "\"";
    return text;
}

TEST(ProfileApiTable, Reads)
{
    std::vector<Row> rows;
    ASSERT_NO_THROW(rows = ReadTable(kFixtures));
    EXPECT_GE(rows.size(), 100U);
}

TEST(ProfileApiSystem, UsesTheTablesCodePage)
{
    EXPECT_EQ(GetACP(), kTableCodePage);
}

class ProfileApi : public testing::TestWithParam<Row> {};

TEST_P(ProfileApi, GivesTheTablesValue)
{
    const Row& row = GetParam();
    const std::string file = FixturePath(row.file);
    const UINT codePage = CodePageFor(file);
    const std::string section = Encoded(row.section, codePage);
    const std::string key = Encoded(row.key, codePage);
    const std::string defaultValue = Encoded(row.defaultValue, codePage);
    const std::string expected = Encoded(row.expected, codePage);

    std::vector<char> buffer(std::max<std::size_t>(row.size, 1), '#');
    const DWORD count = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(),
                                                 buffer.data(), static_cast<DWORD>(row.size), file.c_str());
    const std::string copied(buffer.data(), strnlen(buffer.data(), buffer.size()));
    EXPECT_EQ(copied, expected) << "in code page " << codePage;
    EXPECT_EQ(count, expected.size()) << "characters reported, for \"" << copied << "\"";
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ProfileApi, testing::ValuesIn(profile::test::RowsOrNone(kFixtures)),
                         profile::test::RowName);

} // namespace
} // namespace autorun::win32
