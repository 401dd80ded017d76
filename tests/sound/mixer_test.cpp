// The mixer of IVELK2 through the test bed's audio sink: volume, pan and the
// master volume as levels, speed as a tone's frequency, a fade's envelope and
// its stop, voices that overlap and are reused, and the sound events.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "graphics/graphics_fixture.h"  // for: PumpMessages
#include "sound/mixer_levels.h"
#include "sound/sound_fixture.h"
#include "support/bstr.h"
#include "support/event_sink.h"
#include "support/script_host.h"
#include "support/velk_loader.h"
#include "support/wav_file.h"

using namespace velk_test;

namespace {

constexpr uint16_t kLevel = 0x1234;  // every sample of the level files

struct Heard {
    double left, right;  // shares of kLevel
};

// Median magnitudes of each channel in what the sink hears after a quarter
// second more (what was queued before has gone out by then).
Heard HeardLevels() {
    size_t from = SinkBytes();
    if (!WaitForSinkBytes(&from, kSinkSecond / 2, 10000)) return {-1, -1};
    std::vector<int16_t> samples = SinkSamples(from + kSinkSecond / 4, kSinkSecond / 4);
    std::vector<int> channel[2];
    for (size_t i = 0; i < samples.size(); ++i) channel[i % 2].push_back(std::abs(int(samples[i])));
    double medians[2] = {-1, -1};
    for (int c = 0; c < 2; ++c) {
        if (channel[c].empty()) continue;
        std::nth_element(channel[c].begin(), channel[c].begin() + channel[c].size() / 2, channel[c].end());
        medians[c] = channel[c][channel[c].size() / 2] / double(kLevel);
    }
    return {medians[0], medians[1]};
}

// Within half a decibel, or silent when silence is wanted.
void ExpectLevel(double heard, double wanted, const char* channel) {
    if (wanted == 0) {
        EXPECT_LT(heard, 0.02) << channel;
    } else {
        EXPECT_LE(std::abs(20 * std::log10(std::max(heard, 1e-6) / wanted)), 0.5) << channel << " heard " << heard;
    }
}

// Half cycles of the left channel in half a second of what the sink hears next.
size_t HeardHalfCycles() {
    size_t from = SinkBytes();
    if (!WaitForSinkBytes(&from, kSinkSecond * 3 / 4, 10000)) return 0;
    std::vector<int16_t> samples = SinkSamples(from + kSinkSecond / 4, kSinkSecond / 2);
    return HalfCycles(samples, 0, samples.size(), 2000);
}

class MixerTest : public SoundTest {
protected:
    // Events reach a host through the library's own window and message loop.
    void UseLibraryWindow() {
        velk_->Window = nullptr;
        DestroyWindow(window_);
        window_ = nullptr;
        velk_->wDefault(Bstr(L"mixer"));
        RecordedCalls().clear();
        sink_ = EventSink::Make("sink");
        ASSERT_TRUE(sink_->Advise(static_cast<IVELK2*>(velk_)));
    }
    void TearDown() override {
        if (sink_) sink_->Release();
        SoundTest::TearDown();
    }
    bool Recorded(const std::string& event, LONG id) {
        const HandlerCall wanted{"sink." + event, id};
        const std::vector<HandlerCall>& calls = RecordedCalls();
        return std::find(calls.begin(), calls.end(), wanted) != calls.end();
    }
    testing::AssertionResult PumpUntilRecorded(const std::string& event, LONG id, DWORD milliseconds) {
        if (WaitFor([&] { PumpMessages(); return Recorded(event, id); }, milliseconds))
            return testing::AssertionSuccess();
        testing::AssertionResult failure = testing::AssertionFailure() << "recorded:";
        for (const HandlerCall& call : RecordedCalls()) failure << " " << call.slot << "(" << call.argument << ")";
        return failure;
    }

    EventSink* sink_ = nullptr;
};

}  // namespace

TEST(MixerLevels, ConvertForDirectSoundAndWaveOut) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    struct Volume { double gain; LONG hundredths; } volumes[] = {
        {1.0, 0}, {0.5, -602}, {0.1, -2000}, {0.0, DSBVOLUME_MIN}, {1e-9, DSBVOLUME_MIN}, {nan, DSBVOLUME_MIN}};
    for (const Volume& v : volumes) EXPECT_EQ(velk::DirectSoundVolume(v.gain), v.hundredths) << v.gain;
    struct Pan { double pan; LONG hundredths; } pans[] = {
        {0.0, 0}, {0.5, 602}, {-0.5, -602}, {1.0, DSBPAN_RIGHT}, {-1.0, DSBPAN_LEFT}};
    for (const Pan& p : pans) EXPECT_EQ(velk::DirectSoundPan(p.pan), p.hundredths) << p.pan;
    EXPECT_EQ(velk::DirectSoundFrequency(44100, 4.0), 176400u);
    EXPECT_EQ(velk::DirectSoundFrequency(96000, 4.0), DWORD(DSBFREQUENCY_MAX));
    EXPECT_EQ(velk::DirectSoundFrequency(22050, 0.25), 5513u);
    EXPECT_EQ(velk::WaveOutVolume(1.0, 0.0), 0xFFFFFFFFu);
    EXPECT_EQ(velk::WaveOutVolume(0.5, 0.5), (32768u << 16) | 16384u);  // the left at a quarter
    EXPECT_EQ(velk::WaveOutVolume(1.0, -1.0), 0x0000FFFFu);              // the left alone
    WAVEFORMATEX format = {WAVE_FORMAT_PCM, 2, 22050, 88200, 4, 16, 0};
    WAVEFORMATEX fast = velk::FormatAtSpeed(format, 2.0);
    EXPECT_EQ(fast.nSamplesPerSec, 44100u);
    EXPECT_EQ(fast.nAvgBytesPerSec, 176400u);
    EXPECT_DOUBLE_EQ(velk::FadeVolumeAt(1.0, 0.0, 250, 1000), 0.75);
    EXPECT_DOUBLE_EQ(velk::FadeVolumeAt(0.2, 0.6, 5000, 1000), 0.6);
    EXPECT_DOUBLE_EQ(velk::FadeVolumeAt(0.2, 0.6, 0, 0), 0.6);
    for (double bad : {nan, inf, -inf, -0.001, 1.001}) EXPECT_FALSE(velk::LevelInRange(bad, 0.0, 1.0)) << bad;
    EXPECT_TRUE(velk::LevelInRange(0.0, 0.0, 1.0));
}

TEST_F(MixerTest, VolumePanAndMasterVolumeScaleWhatPlaysNowInBothModes) {
    ASSERT_TRUE(WriteLevelWav(dir_.File("mono.wav"), 3000, kLevel));
    ASSERT_TRUE(WriteLevelWav(dir_.File("stereo.wav"), 3000, kLevel, 2));
    struct Case {
        LONG mode;
        const char* file;
        double volume, master, pan, left, right;
    } cases[] = {{2, "mono.wav", 1, 1, 0, 1, 1},         {2, "mono.wav", 0.5, 1, 0, 0.5, 0.5},
                 {2, "mono.wav", 1, 0.5, 0, 0.5, 0.5},   {2, "mono.wav", 0.5, 0.5, 0, .25, .25},
                 {2, "mono.wav", 1, 1, 0.5, 0.5, 1},     {2, "mono.wav", 1, 1, -1, 1, 0},
                 {2, "stereo.wav", 1, 1, -0.5, 1, 0.5},  {1, "stereo.wav", 1, 1, 0, 1, 1},
                 {1, "stereo.wav", 0.5, 1, 0, 0.5, 0.5}, {1, "stereo.wav", 1, 0.5, 0.5, 0.25, 0.5},
                 {1, "stereo.wav", 1, 1, -1, 1, 0},
                 // The waveOut device has one level for a mono sound: it stays centred.
                 {1, "mono.wav", 1, 0.5, 0.5, 0.5, 0.5}};
    std::string playing;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " in mode " + std::to_string(c.mode) + ", volume " +
                     std::to_string(c.volume) + ", master " + std::to_string(c.master) + ", pan " +
                     std::to_string(c.pan));
        if (playing != std::to_string(c.mode) + c.file) {
            playing = std::to_string(c.mode) + c.file;
            velk_->Sound(c.mode);
            ASSERT_EQ(Open(2, c.file), S_OK);
            ASSERT_EQ(velk_->Snd_LoopPlay(2, 0), S_OK);
        }
        ASSERT_EQ(velk_->Snd_SetVolume(2, c.volume), S_OK);
        ASSERT_EQ(velk_->put_MasterVolume(c.master), S_OK);
        ASSERT_EQ(velk_->Snd_SetPan(2, c.pan), S_OK);
        const Heard heard = HeardLevels();
        ExpectLevel(heard.left, c.left, "left");
        ExpectLevel(heard.right, c.right, "right");
        double volume = -1, pan = -1, master = -1;
        velk_->Snd_GetVolume(2, &volume);
        velk_->Snd_GetPan(2, &pan);
        velk_->get_MasterVolume(&master);
        EXPECT_EQ(volume, c.volume);  // the buffer's own setting, not times the master
        EXPECT_EQ(pan, c.pan);
        EXPECT_EQ(master, c.master);
    }
}

TEST_F(MixerTest, SpeedScalesTheTonesFrequency) {
    ASSERT_TRUE(WriteToneWav(dir_.File("tone.wav"), 3000, 22050, 1, 440.0));
    velk_->Sound(2);
    ASSERT_EQ(Open(3, "tone.wav"), S_OK);
    ASSERT_EQ(velk_->Snd_LoopPlay(3, 0), S_OK);
    const double at_one = double(HeardHalfCycles());
    ASSERT_GT(at_one, 300.0);
    for (double speed : {2.0, 0.5}) {
        ASSERT_EQ(velk_->Snd_SetSpeed(3, speed), S_OK);
        EXPECT_NEAR(HeardHalfCycles() / at_one, speed, speed * 0.03) << speed;
        double read = 0;
        velk_->Snd_GetSpeed(3, &read);
        EXPECT_EQ(read, speed);
    }
}

TEST_F(MixerTest, TheWaveOutChannelOpensAtTheSpeedsRateForItsNextPlay) {
    // The sink takes the rate of what mode 1 opens, so that a tone's pitch
    // heard there does not change: the rate opened is what shows the speed.
    ASSERT_TRUE(WriteToneWav(dir_.File("tone.wav"), 1000, 22050, 1, 440.0));
    velk_->Sound(1);
    ASSERT_EQ(Open(3, "tone.wav"), S_OK);
    for (double speed : {4.0, 0.25, 1.0}) {
        ASSERT_EQ(velk_->Snd_SetSpeed(3, speed), S_OK);
        EXPECT_EQ(velk_->ChannelFormat(0).nSamplesPerSec, DWORD(22050 * speed + 0.5)) << speed;
        ASSERT_EQ(velk_->Snd_Play(3, 0), S_OK);
        size_t from = SinkBytes();
        EXPECT_TRUE(WaitForSinkBytes(&from, kSinkSecond / 8, 10000)) << "it plays at " << speed;
    }
}

TEST_F(MixerTest, AFadeRampsOnTheLibrarysClockThenStopsAndTellsTheHost) {
    UseLibraryWindow();
    ASSERT_TRUE(WriteLevelWav(dir_.File("level.wav"), 3000, kLevel));
    for (LONG mode : {2, 1}) {
        SCOPED_TRACE("mode " + std::to_string(mode));
        velk_->Sound(mode);
        ASSERT_EQ(Open(2, "level.wav"), S_OK);
        ASSERT_EQ(velk_->Snd_LoopPlay(2, 0), S_OK);
        size_t from = SinkBytes();
        ASSERT_EQ(velk_->Snd_Fade(2, 0.0, 2000, 1), S_OK);
        // No host loop runs meanwhile: the library's clock turns the volume.
        EXPECT_TRUE(WaitFor([&] {
            double now = -1;
            velk_->Snd_GetVolume(2, &now);
            return now > 0.1 && now < 0.9;
        }, 2000)) << "the volume read during the fade is where the fade is";
        ASSERT_TRUE(PumpUntilRecorded("OnSoundFaded", 2, 8000));
        // Everything heard from the fade's start to its last sound, in forty
        // windows (the sink's rate follows mode 1's sound): down in steps, never
        // up; short silences the platform inserts under load left out.
        std::vector<int16_t> heard = SinkSamples(from, SinkBytes() - from);
        size_t end = heard.size();
        while (end > 0 && heard[end - 1] == 0) --end;
        std::vector<int> peaks = WindowPeaks(heard, 0, std::max<size_t>(end / 40, 1));
        peaks.resize(std::min<size_t>(peaks.size(), 40));
        size_t ramp = 0;
        int last = kLevel * 2;
        for (int peak : peaks) {
            if (peak == 0) continue;
            EXPECT_LE(peak, last + kLevel / 20);
            last = peak;
            ramp += peak > kLevel / 5 && peak < kLevel * 4 / 5;
        }
        EXPECT_GE(ramp, 12u) << "a ramp, not a step";
        double after = -1;
        velk_->Snd_GetVolume(2, &after);
        EXPECT_EQ(after, 0.0);
        // A sink may call back in: a fade started inside the event completes too.
        int nested = 0;
        sink_->During = [&](const std::string& event, DISPPARAMS*) {
            if (event == "OnSoundFaded" && nested++ == 0) velk_->Snd_Fade(2, 0.5, 0, 0);
        };
        ASSERT_EQ(velk_->Snd_Fade(2, 0.25, 0, 0), S_OK);
        ASSERT_TRUE(WaitFor([&] { PumpMessages(); return nested == 2; }, 5000));
        sink_->During = nullptr;
        velk_->Snd_GetVolume(2, &after);
        EXPECT_EQ(after, 0.5);
        EXPECT_FALSE(Recorded("OnSoundEnded", 2)) << "a stop is not the end of the play";
        EXPECT_TRUE(mode == 2 ? Buffer(1).DeviceBuffer == nullptr : velk_->WaveOutDevice == nullptr)
            << "stopped at the fade's end";
        velk_->Snd_SetVolume(2, 1.0);
        RecordedCalls().clear();
    }
}

TEST_F(MixerTest, PlaysThatEndByThemselvesRaiseOnSoundEndedAndStopsDoNot) {
    UseLibraryWindow();
    ASSERT_TRUE(WriteLevelWav(dir_.File("short.wav"), 300, kLevel));
    struct Case {
        LONG mode, id;
        bool stop;
    } cases[] = {{2, 4, false}, {2, 1, false}, {2, 5, true}, {1, 6, false}, {1, 6, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.mode) + " buffer " + std::to_string(c.id));
        velk_->Sound(c.mode);
        ASSERT_EQ(Open(c.id, "short.wav"), S_OK);
        RecordedCalls().clear();
        ASSERT_EQ(velk_->Snd_Play(c.id, 0), S_OK);
        if (c.stop) {
            velk_->Snd_Stop(c.id);
            ASSERT_EQ(velk_->Snd_Play(c.id, 0), S_OK);
        }
        ASSERT_TRUE(PumpUntilRecorded("OnSoundEnded", c.id, 5000));
        const std::vector<HandlerCall>& calls = RecordedCalls();
        EXPECT_EQ(std::count(calls.begin(), calls.end(), HandlerCall{"sink.OnSoundEnded", c.id}), 1)
            << "the stopped play raised nothing";
    }
}

TEST_F(MixerTest, VoicesOverlapTheOldestIsReusedAndStaleNumbersDoNothing) {
    ASSERT_TRUE(WriteLevelWav(dir_.File("level.wav"), 4000, kLevel));
    velk_->Sound(2);
    ASSERT_EQ(Open(2, "level.wav"), S_OK);
    // Two voices of one sound add up.
    LONG first = 0, second = 0;
    ASSERT_EQ(velk_->Snd_PlayVoice(2, 0.4, 0, 1, &first), S_OK);
    ASSERT_EQ(velk_->Snd_PlayVoice(2, 0.4, 0, 1, &second), S_OK);
    EXPECT_GT(first, 0);
    EXPECT_GT(second, first);
    const Heard both = HeardLevels();
    ExpectLevel(both.left, 0.8, "left");
    ExpectLevel(both.right, 0.8, "right");
    // 32 at once: the 33rd takes the oldest's place, the others play on.
    std::vector<LONG> numbers = {first, second};
    for (int i = 2; i < 33; ++i) {
        LONG number = 0;
        ASSERT_EQ(velk_->Snd_PlayVoice(2, 0.01, 0, 1, &number), S_OK);
        EXPECT_GT(number, numbers.back());
        numbers.push_back(number);
    }
    auto playing = [&](LONG number) {
        LONG value = -1;
        velk_->Snd_VoicePlaying(number, &value);
        return value;
    };
    EXPECT_EQ(playing(first), 0) << "the oldest made room";
    for (size_t i = 1; i < numbers.size(); ++i) EXPECT_EQ(playing(numbers[i]), 1) << i;
    // A stale or never-given number reaches no newer voice.
    for (LONG stale : {first, 0L, -3L, numbers.back() + 100}) {
        EXPECT_EQ(velk_->Snd_StopVoice(stale), S_OK);
        EXPECT_EQ(playing(stale), 0);
    }
    EXPECT_EQ(playing(numbers.back()), 1);
    EXPECT_EQ(velk_->Snd_StopVoice(second), S_OK);
    EXPECT_EQ(playing(second), 0);
    // The buffer's stop ends its voices.
    velk_->Snd_Stop(2);
    for (LONG number : numbers) EXPECT_EQ(playing(number), 0);
    // Mode 1: the voice plays on the one channel, until the next play takes it.
    velk_->Sound(1);
    ASSERT_EQ(Open(3, "level.wav"), S_OK);
    LONG on_channel = 0, next = 0;
    ASSERT_EQ(velk_->Snd_PlayVoice(3, 1, 0, 1, &on_channel), S_OK);
    EXPECT_GT(on_channel, numbers.back());
    EXPECT_EQ(playing(on_channel), 1);
    ASSERT_EQ(velk_->Snd_PlayVoice(3, 1, 0, 1, &next), S_OK);
    EXPECT_EQ(playing(on_channel), 0);
    EXPECT_EQ(playing(next), 1);
    velk_->Snd_StopVoice(next);
    EXPECT_EQ(playing(next), 0);
}

TEST(MixerScripts, VBScriptAndJScriptDriveTheNewMembersLateBound) {
    ASSERT_EQ(RegisterLibrary(), S_OK);
    for (const char* script : {"mixer.vbs", "mixer.js"}) {
        SCOPED_TRACE(script);
        TempDir dir;
        ASSERT_TRUE(WriteLevelWav(dir.File("level.wav"), 200, kLevel));
        ScriptRun run = RunScript(script, dir.path());
        for (const char* marker : {"levels=0.5,-0.25,1.5,0.75", "voice=1,1", "stopped=0", "faded=0.25",
                                   "script-complete"})
            EXPECT_NE(run.output.find(marker), std::string::npos) << marker << " in:\n" << run.output;
    }
}

// ---------------------------------------------------------------- refused values

namespace {

struct RefusedValue {
    const char* scenario;
    const char* text;  // in the box
};

VelkObject* MixerObject() {
    VelkObject* velk = CreateSoundObject(2);
    WriteLevelWav("level.wav", 100, kLevel);
    velk->Snd_Open(2, Bstr(L"level.wav"));
    return velk;
}

}  // namespace

VELK_SCENARIO(MixerVolumeNaN) {
    MixerObject()->Snd_SetVolume(2, std::numeric_limits<double>::quiet_NaN());
    return 91;
}
VELK_SCENARIO(MixerPanInfinite) {
    MixerObject()->Snd_SetPan(2, std::numeric_limits<double>::infinity());
    return 91;
}
VELK_SCENARIO(MixerSpeedTooHigh) {
    MixerObject()->Snd_SetSpeed(2, 4.5);
    return 91;
}
VELK_SCENARIO(MixerMasterBelowZero) {
    MixerObject()->put_MasterVolume(-0.01);
    return 91;
}
VELK_SCENARIO(MixerFadeNegativeTime) {
    MixerObject()->Snd_Fade(2, 0.5, -1, 0);
    return 91;
}
VELK_SCENARIO(MixerVoiceOfTheStream) {
    LONG voice = 0;
    MixerObject()->Snd_PlayVoice(1, 1, 0, 1, &voice);
    return 91;
}

TEST(MixerFatal, ValuesOutOfRangeNaNAndInfinitiesEndTheProcessWithTheirRange) {
    const RefusedValue cases[] = {
        {"MixerVolumeNaN", "サウンドメソッド 音量で正しくない値 : nan が指定されました。\n\t\t->0.0～1.0の範囲で許されます"},
        {"MixerPanInfinite", "サウンドメソッド パンで正しくない値 : inf が指定されました。\n\t\t->-1.0～1.0の範囲で許されます"},
        {"MixerSpeedTooHigh", "サウンドメソッド 再生速度で正しくない値 : 4.5 が指定されました。"},
        {"MixerMasterBelowZero", "サウンドメソッド 音量で正しくない値 : -0.01 が指定されました。"},
        {"MixerFadeNegativeTime", "Snd_Fade のミリ秒で正しくない値 : -1 が指定されました。\n\t\t->0～3600000の範囲"},
        {"MixerVoiceOfTheStream", "Snd_PlayVoice バッファIDで正しくないID : 1 が指定されました。\n\t\t->2～8(スタティックバッファ)"},
    };
    TempDir dir;
    for (const RefusedValue& c : cases) {
        ScenarioResult result = RunScenario(c.scenario, dir.path());
        EXPECT_EQ(result.exit_code, 1u) << c.scenario;
        ASSERT_EQ(result.boxes.size(), 1u) << c.scenario;
        EXPECT_NE(result.boxes[0].text.find(c.text), std::string::npos) << c.scenario << ": " << result.boxes[0].text;
    }
}
