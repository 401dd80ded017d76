// Shared by the fuzz targets: a broken promise of a parser ends the run with
// the input kept, like any sanitizer report; and a way to split one input.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#define FUZZ_EXPECT(condition)                                                      \
    do {                                                                            \
        if (!(condition)) {                                                         \
            std::fprintf(stderr, "%s:%d: broken promise: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                           \
        }                                                                           \
    } while (0)

namespace fuzz {

// Takes bytes off the front of the input: numbers first, the rest as text.
class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint32_t Number(uint32_t bound) {  // 0 .. bound - 1
        uint32_t value = 0;
        for (int i = 0; i < 4 && size_ > 0; ++i, ++data_, --size_) value = value << 8 | *data_;
        return bound ? value % bound : 0;
    }
    // Text up to a zero byte (or the end); the zero is consumed.
    std::string Text() {
        std::string text;
        while (size_ > 0) {
            uint8_t byte = *data_++;
            --size_;
            if (byte == 0) break;
            text.push_back(static_cast<char>(byte));
        }
        return text;
    }
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }

private:
    const uint8_t* data_;
    size_t size_;
};

}  // namespace fuzz
