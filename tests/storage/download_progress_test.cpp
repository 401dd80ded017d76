// The download window's texts and moving block, checked without a network.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "core/text_format.h"
#include "storage/download_progress.h"

namespace {

std::string Amount(unsigned long total) {
    char text[velk::kDownloadStatusBytes];
    velk::FormatDownloadedAmount(text, sizeof text, total);
    return text;
}

}  // namespace

TEST(DownloadProgress, AmountsSwitchFromKBytesToMBytesAtOneMillionBytes) {
    EXPECT_EQ(Amount(0), " ダウンロード済みサイズ : 0 KBytes");
    EXPECT_EQ(Amount(1500), " ダウンロード済みサイズ : 1.46 KBytes");
    EXPECT_EQ(Amount(999999), " ダウンロード済みサイズ : 977 KBytes");
    EXPECT_EQ(Amount(1000000), " ダウンロード済みサイズ : 0.954 MBytes ");
    EXPECT_EQ(Amount(1073741824), " ダウンロード済みサイズ : 1.02e+03 MBytes ");
    EXPECT_EQ(Amount(4294967295u), " ダウンロード済みサイズ : 4.1e+03 MBytes ") << "the largest running total";
}

TEST(DownloadProgress, RatesAndSourceLines) {
    char text[velk::kDownloadStatusBytes];
    velk::FormatDownloadRates(text, sizeof text, 4096, 17);
    EXPECT_STREQ(text, " 最適レート / 実ダウン : 4096 / 17 Bytes");

    velk::FormatDownloadSourceTarget(text, sizeof text, "http://127.0.0.1/a", "b.bin");
    EXPECT_STREQ(text, "http://127.0.0.1/a \nDown To : b.bin ");
    velk::FormatDownloadSourceTarget(text, sizeof text, nullptr, nullptr);
    EXPECT_STREQ(text, " \nDown To :  ");
}

TEST(DownloadProgress, LongSourceLinesAreCutAtAWholeCharacter) {
    char text[velk::kDownloadStatusBytes + 8];
    memset(text, 'Z', sizeof text);
    std::string url = "http://127.0.0.1/" + std::string(400, 'u');
    velk::FormatDownloadSourceTarget(text, velk::kDownloadStatusBytes, url.c_str(), "x");
    EXPECT_EQ(std::string(text), url.substr(0, 255));
    EXPECT_EQ(text[velk::kDownloadStatusBytes], 'Z') << "nothing written past the buffer";

    // An odd offset puts a double-byte character across the 255-byte limit.
    std::string japanese = "h";
    for (int i = 0; i < 200; ++i) japanese += "語";
    velk::FormatDownloadSourceTarget(text, velk::kDownloadStatusBytes, japanese.c_str(), "x");
    EXPECT_EQ(strlen(text), 255u);
    velk::FormatDownloadSourceTarget(text, velk::kDownloadStatusBytes, ("hh" + japanese.substr(1)).c_str(), "x");
    EXPECT_EQ(strlen(text), 254u) << "half a character is dropped, not kept";
    EXPECT_EQ(velk::Cp932PrefixLength(text, 255), 254u);
}

TEST(DownloadProgress, TheBlockEntersFromTheLeftAndTurnsAtBothEnds) {
    velk::MovingBlock block;
    EXPECT_EQ(block.Advance(0, 100), -39) << "first block 39 pixels left of the area";
    EXPECT_EQ(block.Advance(0, 100), -38);
    long last = -38;
    while (block.step > 0) last = block.Advance(0, 100);
    EXPECT_EQ(last, 131) << "turns once past the right edge plus the block's width";
    EXPECT_EQ(block.Advance(0, 100), 130) << "the turn applies from the next block";
    while (block.step < 0) last = block.Advance(0, 100);
    EXPECT_EQ(last, -41);
    EXPECT_EQ(block.Advance(0, 100), -40);
}

TEST(DownloadTransfer, ReadsAreLargeWhateverWasAtHand) {
    EXPECT_EQ(velk::ReadBlockSize(0), 65536u) << "nothing at hand is not the end of the body";
    EXPECT_EQ(velk::ReadBlockSize(8192), 65536u);
    EXPECT_EQ(velk::ReadBlockSize(300000), 300000u);
    EXPECT_EQ(velk::ReadBlockSize(50000000), velk::kLargestReadBytes);
}

TEST(DownloadTransfer, BlocksGrowWhileReadsAreQuickAndShrinkWhenTheyKeepTheHostWaiting) {
    const uint32_t slow = 2 * velk::kRefreshIntervalMs + 1;
    const uint32_t largest = velk::kLargestReadBytes;
    const struct {
        uint32_t block, elapsed_ms, next;
    } cases[] = {
        {65536, 0, 131072},     {largest / 2, velk::kRefreshIntervalMs - 1, largest},
        {largest, 0, largest},  {largest / 2 + 1, 0, largest / 2 + 1},
        {262144, velk::kRefreshIntervalMs, 262144}, {262144, slow - 1, 262144},
        {262144, slow, 131072}, {131072, 5000, 65536},
        {65536, 5000, 65536},   {100000, slow, 100000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(velk::NextReadBlockSize(c.block, c.elapsed_ms), c.next) << c.block << " after " << c.elapsed_ms << " ms";
}

TEST(DownloadTransfer, ReadsWaitOnlyForWhatTheLinkBroughtInTheLastInterval) {
    const uint32_t interval = velk::kRefreshIntervalMs;
    const uint32_t start = 0xFFFFFFF8u;  // the tick wraps inside the first interval
    const struct {
        const char* link;
        uint32_t bytes_per_read, ms_per_read, reads, block, waiting;
    } cases[] = {
        {"not yet measured", 100000, 1, 2, 65536, 0},
        {"fast, measured after the first short interval", 4000, 1, 3, 1048576, 8000 * interval / 2},
        {"fast: the whole block", 100000, 1, 40, 65536, 65536},
        {"fast, below the block", 50000, interval, 2, 1048576, 50000},
        {"a few bytes a second", 3, 300, 4, 65536, 0},
        {"just under what arrives at once", velk::kArrivedReadBytes - 1, interval, 3, 65536, 0},
        {"slower than it was: half the rate", 20000, 2 * interval, 3, 1048576, 10000},
    };
    for (const auto& c : cases) {
        velk::ArrivalRate rate;
        uint32_t now = start;
        for (uint32_t i = 0; i < c.reads; ++i) rate.Received(c.bytes_per_read, now += c.ms_per_read);
        EXPECT_EQ(rate.WaitingReadBytes(c.block), c.waiting) << c.link;
    }
}

TEST(DownloadTransfer, AWaitingReadFilledAtOnceDoublesTheWaitUpToTheBlock) {
    const uint32_t block = velk::kLargestReadBytes;
    velk::ArrivalRate rate;
    uint32_t now = 0xFFFFFFFEu;  // the tick wraps between the reads
    for (int i = 0; i < 3; ++i) rate.Received(4000, now += 1);
    uint32_t wait = rate.WaitingReadBytes(block);
    ASSERT_EQ(wait, 8000 * velk::kRefreshIntervalMs / 2) << "the first measure, over small reads";
    rate.Received(wait, now += velk::kQuickReadMs);
    EXPECT_EQ(rate.WaitingReadBytes(block), wait) << "not quick enough to double";
    for (uint32_t expected : {2 * wait, 4 * wait, 8 * wait, block, block}) {
        rate.Received(rate.WaitingReadBytes(block), now += velk::kQuickReadMs - 1);
        EXPECT_EQ(rate.WaitingReadBytes(block), std::min(expected, block));
    }

    // Bursts on a link slower than one read at once per interval (about
    // 300 KB/s) are no reason to wait.
    velk::ArrivalRate slow;
    for (int i = 0; i < 3; ++i) slow.Received(100, now += 1);
    for (int burst = 0; burst < 3; ++burst)
        for (uint32_t after_ms : {100, 1, 1, 1}) slow.Received(velk::kArrivedReadBytes, now += after_ms);
    EXPECT_EQ(slow.WaitingReadBytes(block), 0u);
}

TEST(DownloadTransfer, RefreshesAtMostOncePerIntervalAlsoAcrossTheTicksWrap) {
    velk::RefreshClock clock;
    const uint32_t start = 0xFFFFFFF0u;  // 16 ms before the tick wraps
    EXPECT_TRUE(clock.Due(start)) << "the first block is shown at once";
    EXPECT_FALSE(clock.Due(start + velk::kRefreshIntervalMs - 1));
    EXPECT_TRUE(clock.Due(start + velk::kRefreshIntervalMs));
    EXPECT_FALSE(clock.Due(start + velk::kRefreshIntervalMs + 5));
    EXPECT_TRUE(clock.Due(start + 3 * velk::kRefreshIntervalMs)) << "past the wrap";
}

TEST(DownloadTransfer, DeclaredLengthsAreDecimalAndFitSixtyFourBits) {
    struct Case {
        const char* text;
        bool valid;
        uint64_t length;
    };
    const Case cases[] = {
        {"0", true, 0},           {" 5242880 ", true, 5242880},
        {"6000000000", true, 6000000000ull}, {"18446744073709551615", true, UINT64_MAX},
        {"18446744073709551616", false, 0},  {"", false, 0},
        {"-1", false, 0},         {"12 34", false, 0},
        {"0x10", false, 0},
    };
    for (const Case& c : cases) {
        uint64_t length = 77;
        EXPECT_EQ(velk::ParseContentLength(c.text, &length), c.valid) << c.text;
        EXPECT_EQ(length, c.valid ? c.length : 77u) << c.text;
    }
}

TEST(DownloadTransfer, TheTargetsFolderEndsAtTheLastRealSeparator) {
    EXPECT_EQ(velk::FolderLength("C:\\u\\VELKUserDir\\a.bin"), 16u);
    EXPECT_EQ(velk::FolderLength("C:\\u\\VELKUserDir\\sub/a.bin"), 20u);
    EXPECT_EQ(velk::FolderLength("a.bin"), 0u);
    // "表" is 0x95 0x5C in CP932: its second byte is not a separator.
    EXPECT_EQ(velk::FolderLength("C:\\d\\\x95\x5C.bin"), 4u);
}
