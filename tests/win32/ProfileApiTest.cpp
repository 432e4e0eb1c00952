// Windows' own profile reader against the fixture table the portable reader is tested with, so that
// the table, and with it the portable reader, says what Windows does.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace autorun::win32 {
namespace {

const std::string kFixtures = AUTORUN_PROFILE_FIXTURES;
// The system code page the table is written for.
constexpr UINT kTableCodePage = 1252;

// One line of the table, its text as UTF-8.
struct Row {
    int line = 0;
    std::string file;
    std::string section;
    std::string key;
    std::string defaultValue;
    DWORD size = 0;
    std::string expected;
};

void PrintTo(const Row& row, std::ostream* out)
{
    *out << "expected.tsv line " << row.line << ": " << row.file << " [" << row.section << "] " << row.key
         << ", buffer " << row.size;
}

std::runtime_error TableError(int line, const std::string& what)
{
    return std::runtime_error("expected.tsv line " + std::to_string(line) + ": " + what);
}

void AppendUtf8(std::string& text, unsigned codePoint)
{
    if (codePoint < 0x80) {
        text += static_cast<char>(codePoint);
    } else {
        text += static_cast<char>(0xC0 | (codePoint >> 6));
        text += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

std::string Unescaped(std::string_view field, int line)
{
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            text += field[i];
            continue;
        }
        if (++i == field.size())
            throw TableError(line, "lone backslash at the end of a field");
        switch (field[i]) {
        case '\\': text += '\\'; break;
        case 't': text += '\t'; break;
        case 'n': text += '\n'; break;
        case 'r': text += '\r'; break;
        case 'x': {
            const std::string digits(field.substr(i + 1, 2));
            const auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
            if (digits.size() != 2 || !std::all_of(digits.begin(), digits.end(), hex))
                throw TableError(line, "\\x needs two hex digits");
            AppendUtf8(text, static_cast<unsigned>(std::stoul(digits, nullptr, 16)));
            i += 2;
            break;
        }
        default:
            throw TableError(line, std::string("unknown escape \\") + field[i]);
        }
    }
    return text;
}

std::vector<std::string> Fields(const std::string& text)
{
    std::vector<std::string> fields(1);
    for (char c : text) {
        if (c == '\t')
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

std::vector<Row> ReadTable()
{
    std::ifstream stream(kFixtures + "/expected.tsv", std::ios::binary);
    if (!stream)
        throw std::runtime_error("cannot open " + kFixtures + "/expected.tsv");
    std::vector<Row> rows;
    bool headerSeen = false;
    int number = 0;
    for (std::string text; std::getline(stream, text);) {
        ++number;
        if (text.empty() || text.front() == '#')
            continue;
        const std::vector<std::string> fields = Fields(text);
        if (fields.size() != 6)
            throw TableError(number, std::to_string(fields.size()) + " fields instead of 6");
        if (!headerSeen) {
            headerSeen = true;
            continue;
        }
        rows.push_back({number, Unescaped(fields[0], number), Unescaped(fields[1], number),
                        Unescaped(fields[2], number), Unescaped(fields[3], number),
                        static_cast<DWORD>(std::stoul(fields[4])), Unescaped(fields[5], number)});
    }
    return rows;
}

// Test instantiation cannot report an error; ProfileApiTable.Reads does.
std::vector<Row> RowsOrNone()
{
    try {
        return ReadTable();
    } catch (const std::exception&) {
        return {};
    }
}

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
    ASSERT_NO_THROW(rows = ReadTable());
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

    std::vector<char> buffer(std::max<DWORD>(row.size, 1), '#');
    const DWORD count = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(),
                                                 buffer.data(), row.size, file.c_str());
    const std::string copied(buffer.data(), strnlen(buffer.data(), buffer.size()));
    EXPECT_EQ(copied, expected) << "in code page " << codePage;
    EXPECT_EQ(count, expected.size()) << "characters reported, for \"" << copied << "\"";
}

std::string RowName(const testing::TestParamInfo<Row>& info)
{
    std::string name = "line" + std::to_string(info.param.line) + "_" + info.param.file + "_" +
                       info.param.section + "_" + info.param.key;
    std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); },
                    '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ProfileApi, testing::ValuesIn(RowsOrNone()), RowName);

} // namespace
} // namespace autorun::win32
