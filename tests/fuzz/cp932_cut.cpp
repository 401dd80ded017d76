// Cutting CP932 text to a buffer: the cut is a prefix of the text, fits the
// buffer, and never ends inside a double-byte character.
#include <cstring>
#include <string>

#include "core/text_format.h"
#include "fuzz_support.h"
#include "storage/download_progress.h"

namespace {

// Where the last whole character of text[0, length) ends, walking from the start.
bool EndsOnBoundary(const std::string& text, size_t length) {
    size_t i = 0;
    while (i < length) i += (velk::IsCp932LeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
    return i == length;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    const size_t buffer_bytes = input.Number(1100);
    const std::string text = input.Text();

    const size_t prefix = velk::Cp932PrefixLength(text.c_str(), buffer_bytes);
    FUZZ_EXPECT(prefix <= buffer_bytes && prefix <= text.size() && EndsOnBoundary(text, prefix));

    // Exact-size buffer: one byte too many would be caught.
    char* buffer = new char[buffer_bytes ? buffer_bytes : 1];
    const size_t written = velk::FormatBoundedV(buffer, buffer_bytes, "%s", text.c_str());
    if (buffer_bytes > 0) {
        FUZZ_EXPECT(written < buffer_bytes && strlen(buffer) == written);
        FUZZ_EXPECT(text.compare(0, written, buffer) == 0 && EndsOnBoundary(text, written));
        FUZZ_EXPECT(written == text.size() || written + 2 >= buffer_bytes);  // cut only where it had to be
    }
    delete[] buffer;

    const size_t folder = velk::FolderLength(text.c_str());
    FUZZ_EXPECT(folder <= text.size() && EndsOnBoundary(text, folder));
    return 0;
}
