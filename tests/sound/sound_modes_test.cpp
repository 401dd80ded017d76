// Choosing the sound mode: DirectSound through the test bed's audio sink, the
// fall-back to waveOut, the clean-up of the mode left, and the buffer index rule.
#include <gtest/gtest.h>

#include "core/texts.h"
#include "sound/sound_buffer.h"
#include "support/expected_log.h"
#include "support/window_fixture.h"

using namespace velk_test;

namespace {

const std::string kCleanup = std::string("### ") + velk::texts::kSoundCleanupTitle + "\r\n";

// The log lines of a successful switch to mode 1, its event handle left open.
std::string Mode1Lines() {
    return "### Sound Mode 1 ( waveOutAPI Mixing )\r\n\t[ Info  ] PlaybackEventHandler = ";
}

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

}  // namespace

TEST(SoundBufferIndex, MapsIdsToTheTableAndOneBufferModeToZero) {
    EXPECT_EQ(velk::BufferIndexOf(2, 1), 0);
    EXPECT_EQ(velk::BufferIndexOf(2, 8), 7);
    EXPECT_EQ(velk::BufferIndexOf(2, 0), -1);
    EXPECT_EQ(velk::BufferIndexOf(2, 9), -1);
    EXPECT_EQ(velk::BufferIndexOf(1, 5), 0);
    EXPECT_EQ(velk::BufferIndexOf(1, 9), 0) << "no error in the one-buffer mode";
    EXPECT_EQ(velk::BufferIndexOf(1, -3), 0);
}

TEST_F(WindowTest, DefaultOpensDirectSoundWithAPrimaryBuffer) {
    const std::string log = Log();
    const std::string mode2 = "### Sound Mode 2 ( uses DirectSound )\r\n\t[ Info  ] BafferingPlayBackHandler at Half = ";
    size_t at = log.find(mode2);
    ASSERT_NE(at, std::string::npos) << log;
    const std::string rest = log.substr(at);
    EXPECT_NE(rest.find("\t[ Info  ] BafferingPlayBackHandler at EndPos = "), std::string::npos);
    EXPECT_NE(rest.find("\t[ Info  ] Finally Handler at Half = "), std::string::npos);
    EXPECT_NE(rest.find("(Hex)\r\n\t[ Step  ] 旧型のサウンドカードに対応するためプライマリバッファを作成します\r\n### Succeed\r\n"),
              std::string::npos)
        << rest;
    EXPECT_EQ(log.find("->Fault"), std::string::npos);

    size_t before = Log().size();
    velk_->Sound(2);
    EXPECT_EQ(Log().size(), before) << "the mode in force: nothing happens";
}

TEST_F(WindowTest, SwitchingModesCleansUpTheModeLeft) {
    size_t before = Log().size();
    EXPECT_EQ(velk_->Sound(1), S_OK);
    std::string added = Log().substr(before);
    EXPECT_EQ(added.substr(0, kCleanup.size() + 13), kCleanup + "### Succeed\r\n");
    EXPECT_NE(added.find(Mode1Lines()), std::string::npos);

    before = Log().size();
    EXPECT_EQ(velk_->Sound(2), S_OK);
    added = Log().substr(before);
    EXPECT_NE(added.find("### Sound Mode 2 ( uses DirectSound )"), std::string::npos);
    EXPECT_EQ(added.find("->Fault"), std::string::npos);
}

TEST(SoundWithoutWindow, DirectSoundNeedsTheWindowAndFallsBackToWaveOut) {
    TempDir dir;
    CurrentDirectory cd(dir.path());
    IVELK* velk = CreateFromLibrary();
    ASSERT_NE(velk, nullptr);
    velk->Logging();
    EXPECT_EQ(velk->Sound(2), S_OK);
    velk->Sound(1);  // the mode in force now: nothing more is logged
    velk->Release();
    const std::string log = ReadFileBytes(dir.File("Log.txt"));
    const std::string fallback =
        " ->Fault  AbortProc : DirectSound 初期化失敗のためSndAPIを使用します\r\n" + kCleanup + "### Succeed\r\n" + Mode1Lines();
    EXPECT_NE(log.find(fallback), std::string::npos) << log;
    EXPECT_EQ(Count(log, "### Sound Mode 1"), 1u);
}

VELK_SCENARIO(SoundModeThree) {
    IVELK* velk = CreateFromLibrary();
    velk->Logging();
    velk->Sound(3);
    return 80;
}

VELK_SCENARIO(SoundModeZero) {
    IVELK* velk = CreateFromLibrary();
    velk->Sound(0);
    return 81;
}

TEST(SoundFatal, ModesOutsideOneAndTwoEndTheProcess) {
    TempDir dir;
    ScenarioResult three = RunScenario("SoundModeThree", dir.path());
    ASSERT_TRUE(EndedFatallyWithOneBox(three));
    EXPECT_EQ(three.boxes[0].text,
              "  [ Error ] Typ:ID     Soundモードでの定数で正しくないID : 3 が指定されました。\n\t\t->１(SndAPI) ２(DSound)の範囲で許されます");
    EXPECT_EQ(three.log.find("### Sound Mode"), std::string::npos) << "no sound state changes";

    ScenarioResult zero = RunScenario("SoundModeZero", dir.path());
    ASSERT_TRUE(EndedFatallyWithOneBox(zero));
    EXPECT_NE(zero.boxes[0].text.find("正しくないID : 0 が"), std::string::npos);
}

TEST_F(WindowTest, TeardownCleansUpTheModeInForce) {
    velk_->Release();
    velk_ = nullptr;
    const std::string log = Log();
    EXPECT_NE(log.find("### VELK FinallyCall\r\n"), std::string::npos);
    EXPECT_EQ(log.substr(log.size() - (kCleanup.size() + 26)), kCleanup + "### Succeed\r\n### Succeed\r\n");
}
