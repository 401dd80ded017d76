// Bounded formatting: entries are cut safely and never end inside a character.
#include <gtest/gtest.h>

#include <cstring>

#include "core/text_format.h"

using velk::FormatBoundedV;
using velk::FormatExact;

TEST(TextFormat, CutsAsciiAtTheBufferLimit) {
    char buf[1024];
    std::string text(5000, 'a');
    EXPECT_EQ(FormatBoundedV(buf, sizeof buf, "%s", text.c_str()), 1023u);
    EXPECT_EQ(strlen(buf), 1023u);
}

TEST(TextFormat, NeverLeavesHalfOfADoubleByteCharacter) {
    char buf[1024];
    std::string wide;
    for (int i = 0; i < 600; ++i) wide += "あ";  // two bytes each in CP932
    EXPECT_EQ(FormatBoundedV(buf, sizeof buf, "%s", wide.c_str()), 1022u);
    EXPECT_EQ(std::string(buf), wide.substr(0, 1022));
    EXPECT_EQ(FormatBoundedV(buf, sizeof buf, "a%s", wide.c_str()), 1023u) << "odd offset: the last pair still fits";
}

TEST(TextFormat, KeepsShortTextsWhole) {
    char buf[16];
    EXPECT_EQ(FormatBoundedV(buf, sizeof buf, "%s = %d", "n", 42), 6u);
    EXPECT_STREQ(buf, "n = 42");
    char tiny[1];
    EXPECT_EQ(FormatBoundedV(tiny, sizeof tiny, "%s", "abc"), 0u);
    EXPECT_STREQ(tiny, "");
}

TEST(TextFormat, PrefixLengthTreatsALoneTrailingLeadByteAsOneCharacter) {
    const char text[] = {'a', static_cast<char>(0x82), 0};
    EXPECT_EQ(velk::Cp932PrefixLength(text, 10), 2u);
    EXPECT_EQ(velk::Cp932PrefixLength("\x82\xa0\x82\xa2", 3), 2u);
}

TEST(TextFormat, ExactFormattingRefusesWhatDoesNotFitAndMayAliasItsBuffer) {
    char buf[12] = "C:\\dir";
    EXPECT_TRUE(FormatExact(buf, sizeof buf, "%s\\%s", buf, "f.x"));
    EXPECT_STREQ(buf, "C:\\dir\\f.x");
    EXPECT_FALSE(FormatExact(buf, sizeof buf, "%s\\%s", buf, "y"));
    EXPECT_STREQ(buf, "C:\\dir\\f.x") << "a refused result leaves the buffer as it was";
}
