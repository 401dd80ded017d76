// Snd_Open: finding the file, recognising Ogg Vorbis and WAV, the buffer's
// format and length, the read routines, and the files it refuses.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "core/user_directory.h"
#include "sound/sound_fixture.h"
#include "sound/sound_sources.h"
#include "support/bstr.h"
#include "support/ogg_file.h"
#include "support/wav_file.h"

using namespace velk_test;

namespace {

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* out = fopen(path.c_str(), "wb");
    if (!out) return false;
    fwrite(bytes.data(), 1, bytes.size(), out);
    return fclose(out) == 0;
}

// A 16-bit mono WAV of `samples` samples with a chunk before or after the data.
std::vector<uint8_t> WavWithList(uint32_t samples, bool list_first, bool list_after_data) {
    auto put32 = [](std::vector<uint8_t>& b, uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    auto tag = [](std::vector<uint8_t>& b, const char* t) { b.insert(b.end(), t, t + 4); };
    std::vector<uint8_t> b;
    tag(b, "RIFF");
    put32(b, 0);
    tag(b, "WAVE");
    if (list_first) {
        tag(b, "LIST");
        put32(b, 4);
        tag(b, "INFO");
    }
    tag(b, "fmt ");
    put32(b, 16);
    b.insert(b.end(), {1, 0, 1, 0});
    put32(b, 8000);
    put32(b, 16000);
    b.insert(b.end(), {2, 0, 16, 0});
    if (!list_first) {
        tag(b, "LIST");
        put32(b, 4);
        tag(b, "INFO");
    }
    tag(b, "data");
    put32(b, samples * 2);
    for (uint32_t i = 0; i < samples * 2; ++i) b.push_back(0x40);
    if (list_after_data) {
        tag(b, "LIST");
        put32(b, 4);
        tag(b, "INFO");
    }
    return b;
}

}  // namespace

TEST_F(SoundTest, OpensAWavIntoAStaticBufferInDirectSoundMode) {
    velk_->Sound(2);
    ASSERT_EQ(velk_->SoundMode, 2);
    ASSERT_TRUE(WriteToneWav(dir_.File("tone.wav"), 500, 22050, 1));
    size_t before = Log().size();
    ASSERT_EQ(Open(3, "tone.wav"), S_OK);

    velk::SoundBuffer& buffer = Buffer(2);
    EXPECT_NE(buffer.DeviceBuffer, nullptr);
    ASSERT_NE(buffer.SourceFile, nullptr);
    EXPECT_EQ(ftell(buffer.SourceFile), 44) << "the source stands at the first sample";
    EXPECT_EQ(buffer.DataSize, 22050u);
    EXPECT_EQ(buffer.Format.nSamplesPerSec, 22050u);
    EXPECT_EQ(buffer.Format.nBlockAlign, 2);
    EXPECT_EQ(buffer.ReadFunction, &velk::ReadWav);
    EXPECT_EQ(Log().substr(before),
              "### Snd_Open (ファイルからバッファを作成)\r\n\t[ Info  ] FilePath = tone.wav\r\n"
              "\t[ Step  ]  ** File As WavFile **\r\n\t[ Step  ] スターティック型（ID <> 0)で作成します\r\n"
              "\t[ Info  ] ターゲットID = 2\r\n### Succeed\r\n");
}

TEST_F(SoundTest, OpensAnOggIntoTheStreamBufferWithItsDecodedFormat) {
    velk_->Sound(2);
    ASSERT_TRUE(WriteToneOgg(dir_.File("ten.ogg"), 441000, 44100, 2));
    ASSERT_EQ(Open(1, "ten.ogg"), S_OK);
    velk::SoundBuffer& buffer = Buffer(0);
    EXPECT_EQ(buffer.SourceFile, nullptr) << "the decoder owns the file";
    EXPECT_NE(buffer.Decoder.datasource, nullptr);
    EXPECT_EQ(buffer.DataSize, 10u * 176400);
    EXPECT_EQ(buffer.Format.wFormatTag, 1);
    EXPECT_EQ(buffer.Format.nChannels, 2);
    EXPECT_EQ(buffer.Format.nSamplesPerSec, 44100u);
    EXPECT_EQ(buffer.Format.nAvgBytesPerSec, 176400u);
    EXPECT_EQ(buffer.Format.nBlockAlign, 4);
    EXPECT_EQ(buffer.Format.wBitsPerSample, 16);
    EXPECT_EQ(buffer.Format.cbSize, 18);
    EXPECT_EQ(buffer.ReadFunction, &velk::ReadOgg);
    ASSERT_NE(buffer.DeviceBuffer, nullptr);
    EXPECT_NE(velk_->StreamNotifier, nullptr);
    DSBCAPS caps = {};
    caps.dwSize = sizeof caps;
    buffer.DeviceBuffer->GetCaps(&caps);
    EXPECT_EQ(caps.dwBufferBytes, 5u * 176400) << "a five-second ring";
    const std::string log = Log();
    EXPECT_NE(log.find("\t[ Step  ]  ** File As OGGVorbisFile ** \r\n\t[ Step  ] ストリーム型（ID=0)で作成します\r\n"
                       "\t[ Info  ] ターゲットID = 0\r\n"),
              std::string::npos)
        << log;

    // Loading the stream buffer again swaps in a new notifier.
    ASSERT_EQ(Open(1, "ten.ogg"), S_OK);
    EXPECT_NE(velk_->StreamNotifier, nullptr);
}

TEST_F(SoundTest, ReadRoutinesDeliverWhatIsLeftAndStopAtTheEndOfTheSound) {
    velk_->Sound(1);
    ASSERT_TRUE(WriteToneOgg(dir_.File("short.ogg"), 1000, 22050, 1));
    ASSERT_EQ(Open(1, "short.ogg"), S_OK);
    std::vector<char> out(100000);
    velk::SoundBuffer& buffer = Buffer(0);
    EXPECT_EQ(buffer.ReadFunction(buffer, out.size(), out.data()), 2000u) << "asked for more than there is";
    EXPECT_EQ(buffer.ReadFunction(buffer, out.size(), out.data()), 0u);

    ASSERT_TRUE(WriteBytes(dir_.File("tail.wav"), WavWithList(300, false, true)));
    ASSERT_EQ(Open(1, "tail.wav"), S_OK);
    EXPECT_EQ(buffer.DataSize, 600u) << "a chunk between format and data is skipped";
    EXPECT_EQ(buffer.ReadFunction(buffer, 500, out.data()), 500u);
    EXPECT_EQ(buffer.ReadFunction(buffer, 500, out.data()), 100u) << "the chunk after the data is not sound";
    EXPECT_EQ(out[99], 0x40);
    velk_->RestartSource(0);
    EXPECT_EQ(buffer.ReadFunction(buffer, 1000, out.data()), 600u);
}

TEST_F(SoundTest, OneBufferModeLoadsBufferZeroWithoutADeviceBuffer) {
    velk_->Sound(1);
    ASSERT_TRUE(WriteToneWav(dir_.File("a.wav"), 100));
    ASSERT_TRUE(WriteToneWav(dir_.File("b.wav"), 200));
    ASSERT_EQ(Open(5, "a.wav"), S_OK);
    EXPECT_NE(Buffer(0).SourceFile, nullptr);
    EXPECT_EQ(Buffer(0).DeviceBuffer, nullptr);
    EXPECT_EQ(Buffer(4).SourceFile, nullptr);
    EXPECT_NE(Log().find("\t[ Info  ] ターゲットID = 0\r\n### Succeed"), std::string::npos);

    // The unplayed first sound holds no blocks, yet its file is closed when replaced.
    ASSERT_EQ(Open(9, "b.wav"), S_OK);
    EXPECT_TRUE(DeleteFileA(dir_.File("a.wav").c_str()));
    EXPECT_EQ(Buffer(0).DataSize, 200u * 22050 / 1000 * 2);
}

TEST_F(SoundTest, WithoutAModeTheOneBufferModeIsChosen) {
    ASSERT_TRUE(WriteToneWav(dir_.File("a.wav"), 100));
    ASSERT_EQ(Open(4, "a.wav"), S_OK);
    EXPECT_EQ(velk_->SoundMode, 1);
    EXPECT_NE(Buffer(0).SourceFile, nullptr);
}

TEST_F(SoundTest, ANameMissingHereIsLookedForInTheUserDirectory) {
    velk_->Sound(1);
    char path[velk::kPathBytes];
    ASSERT_TRUE(velk::UserDirectory(path));
    const std::string name = "velk_sound_only_in_user_dir.wav";
    ASSERT_TRUE(velk::ComposeUserFilePath(path, name.c_str()));
    ASSERT_TRUE(WriteToneWav(path, 100));
    HRESULT hr = Open(1, name);
    velk_->Sound(2);  // closes the file so that it can go
    DeleteFileA(path);
    ASSERT_EQ(hr, S_OK);
    EXPECT_NE(Log().find("\t[ Info  ] FilePath = " + name + "\r\n\t[ Step  ]  ** File As WavFile **"),
              std::string::npos);
}

// ---------------------------------------------------------------- refused files

namespace {

int OpenInScenario(LONG mode, LONG id, const wchar_t* name) {
    VelkObject* velk = CreateSoundObject(mode);
    Bstr file(name);
    velk->Snd_Open(id, file);
    return 90;
}

}  // namespace

VELK_SCENARIO(SoundOpenMissing) { return OpenInScenario(2, 2, L"no_such_sound.wav"); }
VELK_SCENARIO(SoundOpenNull) { return OpenInScenario(1, 1, nullptr); }
VELK_SCENARIO(SoundOpenOverlong) { return OpenInScenario(1, 1, std::wstring(300, L'a').c_str()); }
VELK_SCENARIO(SoundOpenText) { return OpenInScenario(2, 2, L"text.wav"); }
VELK_SCENARIO(SoundOpenListFirst) { return OpenInScenario(2, 2, L"list_first.wav"); }
VELK_SCENARIO(SoundOpenId9) { return OpenInScenario(2, 9, L"list_first.wav"); }
VELK_SCENARIO(SoundOpenEmptyStatic) { return OpenInScenario(2, 2, L"empty.wav"); }

TEST(SoundOpenFatal, FilesThatCannotBeFoundEndTheProcess) {
    TempDir dir;
    for (const char* scenario : {"SoundOpenMissing", "SoundOpenNull", "SoundOpenOverlong"}) {
        ScenarioResult result = RunScenario(scenario, dir.path());
        EXPECT_EQ(result.exit_code, 1u) << scenario;
        ASSERT_EQ(result.boxes.size(), 1u) << scenario;
        EXPECT_EQ(result.boxes[0].text, "### Failed  Sound File Not Found") << scenario;
    }
}

TEST(SoundOpenFatal, FilesOfAnotherKindEndTheProcess) {
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir.File("text.wav"), {'h', 'e', 'l', 'l', 'o', '\n'}));
    ASSERT_TRUE(WriteBytes(dir.File("list_first.wav"), WavWithList(10, true, false)));
    for (const char* scenario : {"SoundOpenText", "SoundOpenListFirst"}) {
        ScenarioResult result = RunScenario(scenario, dir.path());
        EXPECT_EQ(result.exit_code, 1u) << scenario;
        ASSERT_EQ(result.boxes.size(), 1u) << scenario;
        EXPECT_EQ(result.boxes[0].text, "### Failed  Unknown file type(ogg,wav以外の形式 )") << scenario;
    }

    ScenarioResult id9 = RunScenario("SoundOpenId9", dir.path());
    EXPECT_EQ(id9.exit_code, 1u);
    ASSERT_EQ(id9.boxes.size(), 1u);
    EXPECT_NE(id9.boxes[0].text.find("サウンドメソッド バッファIDで正しくないID : 9 が"), std::string::npos);
    EXPECT_EQ(id9.log.find("Snd_Open"), std::string::npos) << "the ID is checked before anything else";
}

TEST(SoundOpenFatal, ADeviceBufferDirectSoundRefusesEndsTheProcess) {
    TempDir dir;
    ASSERT_TRUE(WriteToneWav(dir.File("empty.wav"), 0));  // a static buffer of no bytes
    ScenarioResult result = RunScenario("SoundOpenEmptyStatic", dir.path());
    EXPECT_EQ(result.exit_code, 1u);
    ASSERT_EQ(result.boxes.size(), 1u);
    EXPECT_EQ(result.boxes[0].text, "### Failed  DirectSoundバッファ作成失敗");
    EXPECT_NE(result.log.find("スターティック型（ID <> 0)で作成します\r\n### Failed  DirectSoundバッファ作成失敗"),
              std::string::npos)
        << result.log;
}
