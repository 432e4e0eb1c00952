// The profile reader against the fixture table it shares with the Windows comparison, then against
// byte strings a table of files cannot carry well: NUL bytes, broken encodings, huge and binary files.
#include "platform/portable/ProfileReader.h"

#include "ExpectedTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <array>
#include <cstdint>
#include <fstream>
#include <ostream>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace autorun::profile {
namespace {

using namespace std::string_literals;

const std::filesystem::path kFixtures = AUTORUN_PROFILE_FIXTURES;

// ---- The shared table -------------------------------------------------------------------------

using test::ReadTable;
using test::Row;

// How the lookups below are fed their bytes: all at once, and in pieces small enough that every
// boundary falls inside a byte-order mark, a character, a CR LF pair and a name somewhere.
constexpr std::size_t kPieceSizes[] = {SIZE_MAX, 1, 2, 3, 5, 64};

std::string ReadBytes(const std::filesystem::path& file)
{
    std::ifstream stream(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << stream.rdbuf();
    return bytes.str();
}

TEST(ExpectedTableFile, IsWellFormedAndCoversEveryFixture)
{
    std::vector<Row> rows;
    ASSERT_NO_THROW(rows = ReadTable(kFixtures));
    ASSERT_GE(rows.size(), 100U);

    std::set<std::string> named;
    for (const Row& row : rows)
        named.insert(row.file);
    for (const auto& entry : std::filesystem::directory_iterator(kFixtures)) {
        const std::string name = entry.path().filename().string();
        if (name != "expected.tsv") {
            EXPECT_TRUE(named.count(name)) << name << " is in the fixtures but no row reads it";
        }
    }
    // The bad-input rows must keep meaning what they say.
    EXPECT_TRUE(named.count("missing.ini"));
    EXPECT_FALSE(std::filesystem::exists(kFixtures / "missing.ini"));
    EXPECT_TRUE(std::filesystem::is_directory(kFixtures / "folder.ini"));
    EXPECT_EQ(std::filesystem::file_size(kFixtures / "empty.ini"), 0U);
}

class ExpectedTable : public testing::TestWithParam<Row> {};

TEST_P(ExpectedTable, GivesWhatWindowsGives)
{
    const Row& row = GetParam();
    const std::filesystem::path file = kFixtures / row.file;
    EXPECT_EQ(ReadProfileString(row.section, row.key, row.defaultValue, row.size, file), row.expected);
    if (std::filesystem::is_regular_file(file)) {
        // Whole, and in pieces that cut marks, characters, line ends and names anywhere.
        for (const std::size_t pieceSize : kPieceSizes) {
            SCOPED_TRACE(testing::Message() << "pieces of " << pieceSize);
            EXPECT_EQ(Lookup(ReadBytes(file), row.section, row.key, row.defaultValue, row.size, pieceSize),
                      row.expected);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ExpectedTable, testing::ValuesIn(test::RowsOrNone(kFixtures)),
                         test::RowName);

// ---- Byte strings -----------------------------------------------------------------------------

struct Case {
    const char* what;
    std::string bytes;
    std::string section;
    std::string key;
    std::string defaultValue;
    std::size_t size;
    std::string expected;
};

void CheckCases(const std::vector<Case>& cases)
{
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const std::size_t pieceSize : kPieceSizes) {
            SCOPED_TRACE(testing::Message() << "pieces of " << pieceSize);
            EXPECT_EQ(Lookup(c.bytes, c.section, c.key, c.defaultValue, c.size, pieceSize), c.expected);
        }
    }
}

TEST(Lookup, NamesAndLines)
{
    CheckCases({
        {"a name without = has an empty value", "[S]\r\nFlag\r\n", "S", "Flag", "d", 260, ""},
        {"...and is the first key of that name", "[S]\r\nFlag\r\nFlag=later\r\n", "S", "Flag", "d", 260, ""},
        {"an empty name is a name", "[S]\r\n=value\r\n", "S", "", "d", 260, "value"},
        {"lines before any header make the nameless section", "Orphan=1\r\n[S]\r\n", "", "Orphan", "d", 260, "1"},
        {"...which comes before an empty header", "Orphan=1\r\n[]\r\nKey=v\r\n", "", "Key", "d", 260, "d"},
        {"...even when no line comes before it", "[]\r\nKey=v\r\n", "", "Key", "d", 260, "d"},
        {"the names asked for are trimmed", "[S]\r\nKey=v\r\n", " \tS\v", "\x1AKey\r\n", "d", 260, "v"},
        {"letters outside ASCII compare exactly", "[S]\r\n\xC3\x84pfel=v\r\n", "S", "\xC3\xA4pfel", "d", 260, "d"},
        {"...and match themselves", "[S]\r\n\xC3\x84pfel=v\r\n", "S", "\xC3\x84PFEL", "d", 260, "v"},
        {"section letters outside ASCII too", "[\xC3\x84]\r\nKey=v\r\n", "\xC3\xA4", "Key", "d", 260, "d"},
        {"a key only in a later section", "[A]\r\n[B]\r\nKey=b\r\n", "A", "Key", "d", 260, "d"},
        {"no line end at the end of the file", "[S]\r\nKey=last", "S", "Key", "d", 260, "last"},
        {"nothing but blanks", " \t\v\f\x1A\r\n", "S", "Key", "d", 260, "d"},
        {"an empty profile", "", "S", "Key", "d", 260, "d"},
    });
}

TEST(Lookup, NulEndsTheNameOrValueItIsIn)
{
    CheckCases({
        {"in a value", "[S]\r\nKey=ab\0cd\r\nNext=n\r\n"s, "S", "Key", "d", 260, "ab"},
        {"blanks before it stay: the value was trimmed whole", "[S]\r\nKey=ab \0cd\r\n"s, "S", "Key", "d", 260, "ab "},
        {"the next line is read", "[S]\r\nKey=ab\0cd\r\nNext=n\r\n"s, "S", "Next", "d", 260, "n"},
        {"in a name, the line still splits at its =", "[S]\r\nKe\0y=v\r\n"s, "S", "Ke", "d", 260, "v"},
        {"...so the whole name is not found", "[S]\r\nKe\0y=v\r\n"s, "S", "Key", "d", 260, "d"},
        {"in a header, the header still ends the section before", "[S]\r\n[T\0x]\r\nKey=v\r\n"s, "S", "Key", "d",
         260, "d"},
        {"...and names its section up to the NUL", "[T\0x]\r\nKey=v\r\n"s, "T", "Key", "d", 260, "v"},
        {"a line that begins with it has an empty name", "[S]\r\n\0Key=v\r\n"s, "S", "", "d", 260, "v"},
        {"a quote cut off by it stays", "[S]\r\nKey=\"ab\0\"\r\n"s, "S", "Key", "d", 260, "\"ab"},
        {"in UTF-16", "\xFF\xFE[\0S\0]\0\n\0K\0=\0a\0\0\0b\0"s, "S", "K", "d", 260, "a"},
    });
}

TEST(Lookup, Encodings)
{
    CheckCases({
        {"UTF-8 BOM before the first header", "\xEF\xBB\xBF[S]\r\nKey=v\r\n", "S", "Key", "d", 260, "v"},
        {"UTF-8 BOM, then bytes that are not UTF-8", "\xEF\xBB\xBF[S]\r\nKey=caf\xE9!\r\n", "S", "Key", "d", 260,
         "caf\xEF\xBF\xBD!"},
        {"no BOM: one bad byte makes the whole file Windows-1252",
         "[S]\r\nA=\xC3\xA9\r\nB=\xE9\r\n", "S", "A", "d", 260, "\xC3\x83\xC2\xA9"},
        {"overlong UTF-8 is not UTF-8", "[S]\r\nKey=\xC0\xAF\r\n", "S", "Key", "d", 260, "\xC3\x80\xC2\xAF"},
        {"overlong in three bytes", "[S]\r\nKey=\xE0\x80\xAF\r\n", "S", "Key", "d", 260,
         "\xC3\xA0\xE2\x82\xAC\xC2\xAF"},
        {"overlong in four bytes", "[S]\r\nKey=\xF0\x80\x80\xAF\r\n", "S", "Key", "d", 260,
         "\xC3\xB0\xE2\x82\xAC\xE2\x82\xAC\xC2\xAF"},
        {"an encoded surrogate is not UTF-8", "[S]\r\nKey=\xED\xA0\x80\r\n", "S", "Key", "d", 260,
         "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},
        {"beyond U+10FFFF is not UTF-8", "[S]\r\nKey=\xF4\x90\x80\x80\r\n", "S", "Key", "d", 260,
         "\xC3\xB4\xC2\x90\xE2\x82\xAC\xE2\x82\xAC"},
        {"U+10FFFF is UTF-8", "[S]\r\nKey=\xF4\x8F\xBF\xBF\r\n", "S", "Key", "d", 260, "\xF4\x8F\xBF\xBF"},
        {"a sequence cut by the end of the file", "[S]\r\nKey=\xE2\x82", "S", "Key", "d", 260, "\xC3\xA2\xE2\x80\x9A"},
        {"UTF-16LE surrogate pair", "\xFF\xFE[\0S\0]\0\r\0\n\0K\0=\0\x3D\xD8\x00\xDE"s, "S", "K", "d", 260,
         "\xF0\x9F\x98\x80"},
        {"UTF-16BE surrogate pair", "\xFE\xFF\0[\0S\0]\0\r\0\n\0K\0=\xD8\x3D\xDE\x00"s, "S", "K", "d", 260,
         "\xF0\x9F\x98\x80"},
        {"UTF-16 lone high surrogate before a letter", "\xFF\xFE[\0S\0]\0\n\0K\0=\0\x3D\xD8x\0"s, "S", "K", "d", 260,
         "\xEF\xBF\xBDx"},
        {"UTF-16 lone high surrogate at the end", "\xFF\xFE[\0S\0]\0\n\0K\0=\0x\0\x3D\xD8"s, "S", "K", "d", 260,
         "x\xEF\xBF\xBD"},
        {"UTF-16 lone low surrogate", "\xFE\xFF\0[\0S\0]\0\n\0K\0=\xDE\x00\0x"s, "S", "K", "d", 260,
         "\xEF\xBF\xBDx"},
        {"UTF-16 odd last byte is dropped", "\xFF\xFE[\0S\0]\0\n\0K\0=\0v\0w"s, "S", "K", "d", 260, "v"},
        {"UTF-16 outside Windows-1252", "\xFF\xFE[\0S\0]\0\n\0K\0=\0\x14\x04\x30\x04"s, "S", "K", "d", 260,
         "\xD0\x94\xD0\xB0"},
        {"UTF-16 name outside ASCII", "\xFF\xFE[\0S\0]\0\n\0\xFC\0=\0v\0"s, "S", "\xC3\xBC", "d", 260, "v"},
        {"a UTF-16 BOM alone", "\xFF\xFE", "S", "K", "d", 260, "d"},
        {"Windows-1252 names match their UTF-8", "[Gr\xF6\xDF" "e]\r\n\x80=euro\r\n", "GR\xC3\xB6\xC3\x9F" "E",
         "\xE2\x82\xAC", "d", 260, "euro"},
        {"an undefined Windows-1252 byte in a name", "[S]\r\n\x81\xE9=v\r\n", "S", "\xC2\x81\xC3\xA9", "d", 260,
         "v"},
        {"a name Windows-1252 cannot write matches nothing", "[S]\r\n?=v\r\nx=\xE9\r\n", "S",
         "\xD0\x96", "d", 260, "d"},
    });
}

TEST(Lookup, Windows1252MapsEveryByteAbove7F)
{
    // 0x80-0x9F as Windows converts them; the five it leaves undefined keep their code point.
    constexpr std::array<char32_t, 32> kControls = {
        U'€', 0x81, U'‚', U'ƒ', U'„', U'…', U'†', U'‡', U'ˆ', U'‰', U'Š', U'‹', U'Œ', 0x8D, U'Ž', 0x8F,
        0x90, U'‘', U'’', U'“', U'”', U'•', U'–', U'—', U'˜', U'™', U'š', U'›', U'œ', 0x9D, U'ž', U'Ÿ'};
    const auto utf8 = [](char32_t c) {
        std::string text;
        if (c < 0x800) {
            text += static_cast<char>(0xC0 | (c >> 6));
        } else {
            text += static_cast<char>(0xE0 | (c >> 12));
            text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        }
        text += static_cast<char>(0x80 | (c & 0x3F));
        return text;
    };
    for (unsigned byte = 0x80; byte <= 0xFF; ++byte) {
        SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << byte);
        // Alone between ASCII letters, any byte above 0x7F breaks UTF-8.
        const std::string bytes = "[S]\r\nKey=<"s + static_cast<char>(byte) + ">\r\n";
        const char32_t expected = byte < 0xA0 ? kControls[byte - 0x80] : byte;
        EXPECT_EQ(Lookup(bytes, "S", "Key", "d", 260), "<" + utf8(expected) + ">");
    }
}

TEST(Lookup, CutsWholeCharacters)
{
    std::string twoByteLetters;
    for (int i = 0; i < 200; ++i)
        twoByteLetters += "\xC3\xA9";
    std::string emoji;
    for (int i = 0; i < 3; ++i)
        emoji += "\xF0\x9F\x98\x80";
    CheckCases({
        {"126 letters of two bytes each", "[S]\r\nKey=" + twoByteLetters, "S", "Key", "d", 127,
         twoByteLetters.substr(0, 252)},
        {"four-byte characters", "[S]\r\nKey=" + emoji, "S", "Key", "d", 3, emoji.substr(0, 8)},
        {"a value that just fits", "[S]\r\nKey=" + emoji, "S", "Key", "d", 4, emoji},
        {"the default counts characters too", "", "S", "Key", "\xC3\xA9\xC3\xA9\xC3\xA9", 3, "\xC3\xA9\xC3\xA9"},
        {"a quoted value with room to spare", "[S]\r\nKey=\"abcd\"", "S", "Key", "d", 6, "abcd"},
        {"a quoted value that exactly fills the buffer loses its last character", "[S]\r\nKey=\"abcd\"", "S", "Key",
         "d", 5, "abc"},
        {"...counted in characters", "[S]\r\nKey=\"\xC3\xA9\xC3\xA9\"", "S", "Key", "d", 3, "\xC3\xA9"},
        {"a quoted value one short", "[S]\r\nKey=\"abcd\"", "S", "Key", "d", 4, "abc"},
        {"a quoted single character in a buffer of 2", "[S]\r\nKey=\"v\"", "S", "Key", "d", 2, ""},
        {"buffer of 1", "[S]\r\nKey=value", "S", "Key", "d", 1, ""},
        {"buffer of 0, key found", "[S]\r\nKey=value", "S", "Key", "d", 0, ""},
        {"buffer of 0, default", "[S]\r\n", "S", "Key", "default", 0, ""},
        {"the default loses its trailing spaces", "[S]\r\n", "S", "Key", " d  ", 260, " d"},
        {"...but not other blanks", "[S]\r\n", "S", "Key", "d \t", 260, "d \t"},
        {"...and keeps its first character", "[S]\r\n", "S", "Key", "   ", 260, " "},
    });
}

// Each shape at a size where a step that looked at a line's bytes once per byte of the line would
// not end within the test's time limit; the reader must find the value after it all the same.
TEST(Lookup, LargeProfilesOfEveryShape)
{
    constexpr std::size_t kBytes = 8 << 20;
    const auto repeated = [](std::string_view unit) {
        std::string text;
        text.reserve(kBytes + unit.size());
        while (text.size() < kBytes)
            text += unit;
        return text;
    };
    const std::string tail = "\r\n[Target]\r\nKey=found\r\n";
    const struct {
        const char* what;
        std::string bytes;
    } shapes[] = {
        {"one long line", "[S]\r\nKey=" + repeated("x")},
        {"a header without ]", "[" + repeated("x")},
        {"a header with ] all through it", "[" + repeated("a]")},
        {"= and NUL in every line", "[S]\r\n" + repeated("a\0b=c=d\0e\n"s)},
        {"lone CRs", "[S]" + repeated("\rk=v")},
        {"blanks only", repeated(" \t")},
        {"a line of quotes", "[S]\r\nKey=\"" + repeated("\"")},
    };
    for (const auto& shape : shapes) {
        SCOPED_TRACE(shape.what);
        EXPECT_EQ(Lookup(shape.bytes + tail, "Target", "Key", "d", 127), "found");
    }
}

// ---- Files ------------------------------------------------------------------------------------

class ProfileFile : public testing::Test {
protected:
    void SetUp() override
    {
        std::random_device random;
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        do {
            folder_ = base / ("autorun-profile-" + std::to_string(random()));
        } while (!std::filesystem::create_directory(folder_));
    }

    void TearDown() override
    {
        std::error_code ignored;
#ifndef _WIN32
        std::filesystem::permissions(folder_ / "locked.ini", std::filesystem::perms::owner_all, ignored);
#endif
        std::filesystem::remove_all(folder_, ignored);
    }

    std::filesystem::path Write(const std::string& name, const std::string& bytes)
    {
        const std::filesystem::path file = folder_ / name;
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }

    std::filesystem::path folder_;
};

TEST_F(ProfileFile, BinaryBytesDoNotHideALaterSection)
{
    std::mt19937 generator(20240601);
    std::string bytes(1 << 16, '\0');
    for (char& c : bytes)
        c = static_cast<char>(generator() & 0xFF);
    const std::filesystem::path file = Write("binary.ini", bytes + "\r\n[Sec]\r\nKey=found\r\n");
    EXPECT_EQ(ReadProfileString("Sec", "Key", "d", 260, file), "found");
    EXPECT_EQ(ReadProfileString("Sec", "Other", "d", 260, file), "d");
    EXPECT_EQ(ReadProfileString("Missing", "Key", "d", 260, file), "d");
}

TEST_F(ProfileFile, EveryByteValueRepeatedGivesTheDefault)
{
    std::string bytes;
    for (int round = 0; round < 64; ++round) {
        for (int b = 0; b < 256; ++b)
            bytes += static_cast<char>(b);
    }
    const std::filesystem::path file = Write("all-bytes.bin", bytes);
    EXPECT_EQ(ReadProfileString("Sec", "Key", "default", 4, file), "def");
}

TEST_F(ProfileFile, TenMegabytes)
{
    std::string bytes = "[Bulk]\r\n";
    bytes.reserve(10'500'000);
    for (int i = 0; bytes.size() < 10'000'000; ++i)
        bytes += "Key" + std::to_string(i) + "=value " + std::to_string(i) + "\r\n";
    bytes += "[Target]\r\nKey=found at the end\r\nLong=";
    bytes.append(10'000'000, 'x');
    bytes += "\r\n";
    const std::filesystem::path file = Write("large.ini", bytes);
    ASSERT_GT(std::filesystem::file_size(file), 20'000'000U);

    EXPECT_EQ(ReadProfileString("Target", "Key", "d", 260, file), "found at the end");
    EXPECT_EQ(ReadProfileString("Bulk", "Key123456", "d", 260, file), "value 123456");
    EXPECT_EQ(ReadProfileString("Target", "Long", "d", 4096, file), std::string(4095, 'x'));
    EXPECT_EQ(ReadProfileString("Bulk", "Key-1", "d", 260, file), "d");

    // The same text with one byte that is not UTF-8 goes through Windows-1252 as a whole.
    const std::filesystem::path cp1252 = Write("large-cp1252.ini", "Caf\xE9\r\n" + bytes);
    EXPECT_EQ(ReadProfileString("Target", "Key", "d", 260, cp1252), "found at the end");
}

TEST_F(ProfileFile, EmptyFileGivesTheDefault)
{
    const std::filesystem::path file = Write("empty.ini", "");
    EXPECT_EQ(ReadProfileString("Sec", "Key", "default", 260, file), "default");
    EXPECT_EQ(ReadProfileString("Sec", "Key", "default", 4, file), "def");
    EXPECT_EQ(ReadProfileString("Sec", "Key", "default", 0, file), "");
}

TEST_F(ProfileFile, FolderNamedLikeTheFileGivesTheDefault)
{
    std::filesystem::create_directory(folder_ / "autorun.inf");
    Write("autorun.inf/autorun.inf", "[Sec]\r\nKey=inside\r\n");
    EXPECT_EQ(ReadProfileString("Sec", "Key", "default", 260, folder_ / "autorun.inf"), "default");
    EXPECT_EQ(ReadProfileString("Sec", "Key", "default", 5, folder_ / "autorun.inf"), "defa");
}

TEST_F(ProfileFile, MissingFileGivesTheDefault)
{
    EXPECT_EQ(ReadProfileString("Sec", "Key", "default", 260, folder_ / "autorun.inf"), "default");
    EXPECT_EQ(ReadProfileString("Sec", "Key", "default", 260, folder_ / "no folder" / "autorun.inf"), "default");
    EXPECT_EQ(ReadProfileString("Sec", "Key", "\xC3\xA9t\xC3\xA9", 3, folder_ / "autorun.inf"), "\xC3\xA9t");
}

TEST_F(ProfileFile, UnreadableFileGivesTheDefault)
{
    const std::filesystem::path file = Write("locked.ini", "[Sec]\r\nKey=secret\r\n");
#ifdef _WIN32
    // Its owner can read any file whatever its permissions; another program holding it open without
    // sharing it is what keeps it from being read.
    const HANDLE lock = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadProfileString("Sec", "Key", "default", 260, file), "default");
    CloseHandle(lock);
    EXPECT_EQ(ReadProfileString("Sec", "Key", "default", 260, file), "secret");
#else
    std::filesystem::permissions(file, std::filesystem::perms::none);
    // Root reads a file whatever its permissions say, so the reading is done as nobody.
    EXPECT_EXIT(
        {
            if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
                std::_Exit(2);
            std::_Exit(ReadProfileString("Sec", "Key", "default", 260, file) == "default" ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
#endif
}

TEST_F(ProfileFile, ReadsTheFileAgainOnEveryCall)
{
    const std::filesystem::path file = Write("autorun.inf", "[Sec]\r\nKey=first\r\n");
    EXPECT_EQ(ReadProfileString("Sec", "Key", "d", 260, file), "first");
    Write("autorun.inf", "[Sec]\r\nKey=second\r\n");
    EXPECT_EQ(ReadProfileString("Sec", "Key", "d", 260, file), "second");
}

} // namespace
} // namespace autorun::profile
