#include "support/font_file.h"

#include <cstdint>
#include <map>

namespace velk_test {

namespace {

// Big-endian fields, as every TrueType table stores them.
struct Table {
    Bytes bytes;
    Table& u16(uint32_t v) {
        bytes.push_back(uint8_t(v >> 8));
        bytes.push_back(uint8_t(v));
        return *this;
    }
    Table& u32(uint32_t v) { return u16(v >> 16).u16(v & 0xFFFF); }
    Table& zeros(size_t n) {
        bytes.insert(bytes.end(), n, 0);
        return *this;
    }
};

constexpr int kEm = 1000, kAscent = 800, kDescent = 200;

uint32_t Checksum(const Bytes& bytes) {
    uint32_t sum = 0;
    for (size_t i = 0; i < bytes.size(); i += 4) {
        uint32_t word = 0;
        for (size_t k = 0; k < 4; ++k) word = (word << 8) | (i + k < bytes.size() ? bytes[i + k] : 0);
        sum += word;
    }
    return sum;
}

Table Head() {
    Table t;
    t.u32(0x00010000).u32(0x00010000).u32(0).u32(0x5F0F3CF5).u16(0x000B).u16(kEm).zeros(16);
    t.u16(0).u16(uint16_t(-kDescent)).u16(kEm).u16(kAscent);  // bounding box
    t.u16(0).u16(8).u16(2).u16(0).u16(0);  // style, smallest size, direction, short offsets, glyph format
    return t;
}

Table Hhea() {
    Table t;
    t.u32(0x00010000).u16(kAscent).u16(uint16_t(-kDescent)).u16(0).u16(kEm).u16(0).u16(0).u16(kEm);
    t.u16(1).u16(0).u16(0).zeros(8).u16(0).u16(2);  // caret, reserved, metric format, two metrics
    return t;
}

Table Maxp() {
    Table t;
    t.u32(0x00010000).u16(2).u16(4).u16(1).u16(0).u16(0).u16(2).zeros(18);
    return t;
}

// Glyph 0 (.notdef) is empty; glyph 1 is the block: one clockwise contour.
Table Glyf() {
    Table t;
    t.u16(1).u16(0).u16(uint16_t(-kDescent)).u16(kEm).u16(kAscent).u16(3).u16(0);
    t.bytes.insert(t.bytes.end(), 4, 0x01);  // four on-curve points, full-size coordinates
    t.u16(0).u16(0).u16(kEm).u16(0);
    t.u16(uint16_t(-kDescent)).u16(kEm).u16(0).u16(uint16_t(-kEm));
    return t;
}

Table Loca(size_t glyph_bytes) {
    Table t;
    t.u16(0).u16(0).u16(uint32_t(glyph_bytes / 2));
    return t;
}

Table Hmtx() {
    Table t;
    t.u16(kEm).u16(0).u16(kEm).u16(0);
    return t;
}

// Unicode 'A' to the block, everything else to .notdef.
Table Cmap() {
    Table t;
    t.u16(0).u16(1).u16(3).u16(1).u32(12);
    t.u16(4).u16(32).u16(0).u16(4).u16(4).u16(1).u16(0);
    t.u16('A').u16(0xFFFF).u16(0).u16('A').u16(0xFFFF);
    t.u16(uint16_t(1 - 'A')).u16(1).u16(0).u16(0);
    return t;
}

Table Os2() {
    Table t;
    t.u16(1).u16(kEm).u16(400).u16(5).u16(0).zeros(20).u16(0).zeros(10);
    t.u32(1).u32(0).u32(0).u32(0);                        // Basic Latin
    t.bytes.insert(t.bytes.end(), {'T', 'E', 'S', 'T'});  // vendor
    t.u16(0x40).u16('A').u16('A').u16(kAscent).u16(uint16_t(-kDescent)).u16(0).u16(kAscent).u16(kDescent);
    t.u32(1).u32(0);  // Latin 1
    return t;
}

Table Name(const std::string& family) {
    const std::pair<int, std::string> names[] = {{1, family}, {2, "Regular"}, {3, family}, {4, family}, {6, family}};
    Table t, strings;
    t.u16(0).u16(5).u16(6 + 12 * 5);
    for (const auto& [id, text] : names) {
        t.u16(3).u16(1).u16(0x409).u16(id).u16(uint32_t(text.size() * 2)).u16(uint32_t(strings.bytes.size()));
        for (char c : text) strings.u16(uint8_t(c));
    }
    t.bytes.insert(t.bytes.end(), strings.bytes.begin(), strings.bytes.end());
    return t;
}

Table Post() {
    Table t;
    t.u32(0x00030000).u32(0).u16(uint16_t(-100)).u16(50).zeros(20);
    return t;
}

}  // namespace

Bytes MakeBlockFont(const std::string& family) {
    const Table glyf = Glyf();
    // Sorted by tag, as the table directory must be.
    std::map<std::string, Table> tables = {{"OS/2", Os2()}, {"cmap", Cmap()}, {"glyf", glyf},
                                           {"head", Head()}, {"hhea", Hhea()},   {"hmtx", Hmtx()},
                                           {"loca", Loca(glyf.bytes.size())}, {"maxp", Maxp()},
                                           {"name", Name(family)}, {"post", Post()}};
    Table file;
    const uint32_t count = uint32_t(tables.size());
    file.u32(0x00010000).u16(count).u16(128).u16(3).u16(count * 16 - 128);
    uint32_t offset = 12 + 16 * count;
    for (const auto& [tag, table] : tables) {
        file.bytes.insert(file.bytes.end(), tag.begin(), tag.end());
        file.u32(Checksum(table.bytes)).u32(offset).u32(uint32_t(table.bytes.size()));
        offset += uint32_t((table.bytes.size() + 3) & ~size_t{3});
    }
    size_t head_at = 0;
    for (const auto& [tag, table] : tables) {
        if (tag == "head") head_at = file.bytes.size();
        file.bytes.insert(file.bytes.end(), table.bytes.begin(), table.bytes.end());
        file.zeros((4 - table.bytes.size() % 4) % 4);
    }
    const uint32_t adjustment = 0xB1B0AFBA - Checksum(file.bytes);
    for (int k = 0; k < 4; ++k) file.bytes[head_at + 8 + k] = uint8_t(adjustment >> (24 - 8 * k));
    return file.bytes;
}

}  // namespace velk_test
