// Windows bitmap (BMP) files as the program carries them: uncompressed, 24 or 32 bits a pixel, or 1,
// 4 or 8 bits through a palette, stored bottom-up or top-down. In standard C++, for front ends whose
// toolkit no longer reads them.
#pragma once

#include "platform/portable/IconFile.h"

namespace autorun::portable {

// The picture, opaque, 0xFFRRGGBB row by row from the top; a null image when the bytes are no such
// bitmap or do not hold it whole.
IconFileImage DecodeBitmapFile(Bytes bytes);

} // namespace autorun::portable
