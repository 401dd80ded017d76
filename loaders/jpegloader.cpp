// The JPEG loader module: claims files that start with the JPEG start-of-image
// marker and decodes them (baseline or progressive, grey, colour or CMYK) with
// the platform's imaging codecs.
#include "loader_contract.h"

namespace {
// Start of image, then the first marker's lead byte.
const uint8_t kJpegSignature[] = {0xFF, 0xD8, 0xFF};
}  // namespace

extern "C" int WINAPI IsSupported(const char*, HANDLE file) {
    return velk_loader::FileStartsWith(file, kJpegSignature, sizeof kJpegSignature) ? 1 : 0;
}
