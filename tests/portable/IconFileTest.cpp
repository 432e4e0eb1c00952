#include "platform/portable/BitmapFile.h"
#include "platform/portable/IconFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace autorun::portable {
namespace {

std::vector<unsigned char> ReadFile(const std::string& name)
{
    std::ifstream in(std::string(AUTORUN_RESOURCES) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The program's own icon and pointer, each with a 32 and a 64 pixel image.
TEST(IconFile, DecodesTheImageNearestTheSizeAsked)
{
    struct Row {
        const char* file;
        int wanted;
        int width;
        int hotX, hotY;
    };
    const Row rows[] = {
        {"autorun.ico", 16, 32, 0, 0}, {"autorun.ico", 32, 32, 0, 0}, {"autorun.ico", 33, 64, 0, 0},
        {"autorun.ico", 512, 64, 0, 0}, {"hand.cur", 32, 32, 13, 9},  {"hand.cur", 48, 64, 26, 18},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.file << " at " << row.wanted);
        const std::vector<unsigned char> bytes = ReadFile(row.file);
        ASSERT_FALSE(bytes.empty());
        EXPECT_EQ(IconFileWidths(bytes), (std::vector<int>{32, 64}));
        const IconFileImage image = DecodeIconFile(bytes, row.wanted);
        ASSERT_FALSE(image.Null());
        EXPECT_EQ(image.width, row.width);
        EXPECT_EQ(image.height, row.width);
        EXPECT_EQ(image.pixels.size(), static_cast<std::size_t>(row.width * row.width));
        EXPECT_EQ(image.hotX, row.hotX);
        EXPECT_EQ(image.hotY, row.hotY);
        // Both kinds of pixel are there: the picture, opaque, and the transparent surround.
        const auto opaque = std::count_if(image.pixels.begin(), image.pixels.end(),
                                          [](std::uint32_t p) { return (p >> 24) == 0xFF; });
        EXPECT_GT(opaque, 0);
        EXPECT_LT(opaque, static_cast<long>(image.pixels.size()));
    }
}

// A file cut short anywhere (a damaged disc, a bad build) gives no image or the whole one, and is
// never read past its end; the sanitizer build checks the latter.
TEST(IconFile, AFileCutShortGivesNoImageOrTheWholeOne)
{
    for (const char* file : {"autorun.ico", "hand.cur"}) {
        const std::vector<unsigned char> bytes = ReadFile(file);
        for (const int wanted : {32, 64}) {
            SCOPED_TRACE(testing::Message() << file << " at " << wanted);
            const IconFileImage whole = DecodeIconFile(bytes, wanted);
            ASSERT_FALSE(whole.Null());
            std::size_t shortest = bytes.size();
            for (std::size_t length = 0; length < bytes.size(); ++length) {
                const std::vector<unsigned char> cut(bytes.begin(), bytes.begin() + static_cast<long>(length));
                const IconFileImage image = DecodeIconFile(cut, wanted);
                if (!image.Null()) {
                    shortest = std::min(shortest, length);
                    ASSERT_EQ(image, whole) << "cut to " << length << " bytes";
                }
            }
            // The image chosen is the file's last, so only the whole file holds it.
            if (wanted == 64) {
                EXPECT_EQ(shortest, bytes.size());
            }
        }
    }
}

TEST(IconFile, BytesThatAreNoIconFileGiveNothing)
{
    const std::vector<unsigned char> headers[] = {
        {},
        {0, 0, 1, 0},                                                         // shorter than a directory
        {0, 0, 3, 0, 1, 0, 32, 32, 0, 0, 1, 0, 8, 0, 40, 0, 0, 0, 22, 0, 0, 0}, // type 3
        {1, 0, 1, 0, 1, 0, 32, 32, 0, 0, 1, 0, 8, 0, 40, 0, 0, 0, 22, 0, 0, 0}, // reserved word set
        {0, 0, 1, 0, 1, 0, 32, 32, 0, 0, 1, 0, 8, 0, 40, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}, // image beyond the end
    };
    for (std::size_t i = 0; i < std::size(headers); ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(DecodeIconFile(headers[i], 32).Null());
    }
    // An image header whose sizes or bit count the decoder does not take.
    std::vector<unsigned char> bytes = ReadFile("autorun.ico");
    const std::size_t header = bytes[6 + 12] | (bytes[6 + 13] << 8);
    bytes[header + 14] = 24; // 24 bits a pixel
    EXPECT_TRUE(DecodeIconFile(bytes, 32).Null());
    bytes[header + 14] = 8;
    bytes[header + 4] = 0; // width 0
    EXPECT_TRUE(DecodeIconFile(bytes, 32).Null());
}

// A bitmap file: headers, palette, and rows as stored, each padded to four bytes by the caller.
std::vector<unsigned char> MakeBitmap(int width, int height, int depth, const std::vector<std::uint32_t>& palette,
                                      const std::vector<unsigned char>& rows)
{
    auto little = [](std::vector<unsigned char>& out, std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i)
            out.push_back(static_cast<unsigned char>(value >> (8 * i)));
    };
    const auto bitsAt = static_cast<std::uint32_t>(54 + 4 * palette.size());
    std::vector<unsigned char> bytes{'B', 'M'};
    little(bytes, bitsAt + static_cast<std::uint32_t>(rows.size()), 4);
    little(bytes, 0, 4);
    little(bytes, bitsAt, 4);
    for (const std::uint32_t field : {40u, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)})
        little(bytes, field, 4);
    little(bytes, 1, 2);
    little(bytes, static_cast<std::uint32_t>(depth), 2);
    for (int i = 0; i < 6; ++i)
        little(bytes, i == 4 ? static_cast<std::uint32_t>(palette.size()) : 0, 4);
    for (const std::uint32_t colour : palette)
        little(bytes, colour, 4);
    bytes.insert(bytes.end(), rows.begin(), rows.end());
    return bytes;
}

TEST(BitmapFile, DecodesEachKindTheProgramMayCarry)
{
    struct Row {
        const char* what;
        std::vector<unsigned char> bytes;
        IconFileImage expected;
    };
    const Row rows[] = {
        {"24 bits, bottom-up", MakeBitmap(2, 2, 24, {}, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}),
         {2, 2, {0xFF090807, 0xFF0C0B0A, 0xFF030201, 0xFF060504}}},
        {"8 bits, top-down", MakeBitmap(2, -2, 8, {0x112233, 0x445566}, {1, 0, 0, 0, 0, 1, 0, 0}),
         {2, 2, {0xFF445566, 0xFF112233, 0xFF112233, 0xFF445566}}},
        {"1 bit, wider than a byte", MakeBitmap(9, 1, 1, {0x000000, 0xFFFFFF}, {0x80, 0x80, 0, 0}),
         {9, 1, {0xFFFFFFFF, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000,
                 0xFFFFFFFF}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(DecodeBitmapFile(row.bytes), row.expected);
    }
    for (const auto& [file, width] : {std::pair{"document.bmp", 32}, std::pair{"document-2x.bmp", 64}}) {
        const IconFileImage image = DecodeBitmapFile(ReadFile(file));
        EXPECT_EQ(image.width, width) << file;
        EXPECT_EQ(image.height, width) << file;
    }
}

TEST(BitmapFile, BytesCutShortOrOfAnotherKindGiveNothing)
{
    const std::vector<unsigned char> bytes = ReadFile("document.bmp");
    for (std::size_t length = 0; length < bytes.size(); ++length)
        ASSERT_TRUE(DecodeBitmapFile(std::span(bytes).first(length)).Null()) << "cut to " << length << " bytes";
    std::vector<unsigned char> compressed = MakeBitmap(2, 1, 8, {0}, {0, 0, 0, 0});
    compressed[30] = 1; // run-length encoded
    std::vector<unsigned char> unnamed = bytes;
    unnamed[0] = 'X';
    std::vector<unsigned char> paletteCut = MakeBitmap(2, 1, 8, {0, 0}, {1, 1, 0, 0});
    paletteCut[10] = 50; // the pixels said to begin inside the headers
    for (const auto& damaged : {compressed, unnamed, paletteCut})
        EXPECT_TRUE(DecodeBitmapFile(damaged).Null());
}

} // namespace
} // namespace autorun::portable
