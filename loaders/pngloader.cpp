// The PNG loader module: claims files that carry the PNG signature and decodes
// them (every colour type and bit depth, interlaced or not, with alpha or
// palette transparency) with the platform's imaging codecs.
#include "loader_contract.h"

namespace {
const uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
}  // namespace

extern "C" int WINAPI IsSupported(const char*, HANDLE file) {
    return velk_loader::FileStartsWith(file, kPngSignature, sizeof kPngSignature) ? 1 : 0;
}
