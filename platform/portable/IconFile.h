// Icon (ICO) and cursor (CUR) files as the program carries them: the directory of their images and
// the decoding of one image, a palette bitmap of 1, 4 or 8 bits with its transparency mask. In
// standard C++, so that every front end that cannot load them itself shares one decoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace autorun::portable {

using Bytes = std::span<const unsigned char>;

// The count bytes at at, as the files store numbers: least significant first. The caller checks that
// they are there.
std::uint32_t ReadLittle(Bytes bytes, std::size_t at, std::size_t count);

// How many images the file lists; none when the bytes are no icon or cursor file.
std::size_t IconFileCount(Bytes bytes);

// The width of each image the file lists, as its directory gives them.
std::vector<int> IconFileWidths(Bytes bytes);

// The image nearest wantedSize: the smallest at least as wide, else the widest. 0 for a file with none.
std::size_t IconFileEntry(Bytes bytes, int wantedSize);

// One image, 0xAARRGGBB row by row from the top. Masked black pixels are transparent; masked
// coloured ones, which would invert the screen, are black.
struct IconFileImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    int hotX = 0; // a cursor's hot spot, in the image's pixels
    int hotY = 0;

    bool Null() const { return pixels.empty(); }
    bool operator==(const IconFileImage&) const = default;
};

// The image IconFileEntry chooses; a null image when the bytes do not hold it whole or it is of a
// kind this does not decode.
IconFileImage DecodeIconFile(Bytes bytes, int wantedSize);

} // namespace autorun::portable
