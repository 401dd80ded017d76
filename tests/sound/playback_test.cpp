// The playback engine under the test bed's audio sink: waveOut streaming with
// its three blocks, the DirectSound ring and static buffers, pause, stop,
// replay and teardown while a worker runs, the level read-out and the dialog.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>  // for: the soak's thread count

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "sound/sound_fixture.h"
#include "support/bstr.h"
#include "support/ogg_file.h"
#include "support/resource_counts.h"
#include "support/velk_loader.h"
#include "support/wav_file.h"

using namespace velk_test;

namespace {

// Bytes the waveOut device has played so far.
DWORD DevicePosition(VelkObject* velk) {
    MMTIME time = {};
    time.wType = TIME_BYTES;
    waveOutGetPosition(velk->WaveOutDevice, &time, sizeof time);
    return time.u.cb;
}

std::vector<std::string>& DialogTexts() {
    static std::vector<std::string> texts;
    return texts;
}
HWND& SeenDialog() {
    static HWND dialog = nullptr;
    return dialog;
}

// Sees every status line the first fill's dialog is given, as it is given:
// the fill's own speed decides nothing about what is seen.
LRESULT CALLBACK WatchDialogText(int code, WPARAM wparam, LPARAM lparam) {
    const CWPRETSTRUCT* call = reinterpret_cast<const CWPRETSTRUCT*>(lparam);
    if (code == HC_ACTION && call->message == WM_SETTEXT && GetDlgCtrlID(call->hwnd) == 234) {
        HWND dialog = GetParent(call->hwnd);
        if (dialog && dialog == FindWindowA(nullptr, "VELK Encode進行状況")) {
            SeenDialog() = dialog;
            char text[128] = {};
            GetWindowTextA(call->hwnd, text, sizeof text);
            std::vector<std::string>& seen = DialogTexts();
            if (seen.empty() || seen.back() != text) seen.push_back(text);
        }
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

bool ThreadRunning(VelkObject* velk) {
    return velk->Stream.Thread && WaitForSingleObject(velk->Stream.Thread, 0) == WAIT_TIMEOUT;
}

}  // namespace

TEST_F(SoundTest, WaveOutPlaysAShortSoundOnceFromBlockZero) {
    velk_->Sound(1);
    ASSERT_TRUE(WriteLevelWav(dir_.File("one.wav"), 1000, 0x1234));
    ASSERT_EQ(Open(1, "one.wav"), S_OK);
    size_t before = Log().size();
    ASSERT_EQ(velk_->Snd_Play(1, 0), S_OK);
    velk::SoundBuffer& buffer = Buffer(0);
    ASSERT_NE(buffer.WaveBlocks[0], nullptr);
    EXPECT_EQ(buffer.DataSize, 5u * 16000);
    EXPECT_EQ(buffer.WaveBlocks[0]->dwBufferLength, 16000u);
    EXPECT_EQ(buffer.WaveBlocks[1]->dwBufferLength, 0u) << "only block 0 holds sound";
    EXPECT_EQ(buffer.WaveBlocks[2]->dwBufferLength, 0u);
    const std::string alloc = "\t[ Done  ] Typ:Memory WaveMixingStreamBuffer用に 13881 バイトのメモリを確保しました\r\n";
    EXPECT_EQ(Log().substr(before), "### Snd_Play 再生を行います\r\n" + alloc + alloc + alloc +
                                        " -> 再生用バッファを埋めました。\r\n### Succeed\r\n");

    LONG level = 0;
    ASSERT_TRUE(WaitFor([&] { return velk_->Snd_GetData(1, &level), level != 0; }, 1000));
    EXPECT_EQ(level, 0x12) << "the high byte of the sample being played";

    // The worker resets the buffer once the block has come back; the source is at its start again.
    ASSERT_TRUE(WaitFor([&] { return buffer.WaveBlocks[0] == nullptr; }, 5000));
    EXPECT_TRUE(WaitFor([&] { return !ThreadRunning(velk_); }, 1000));
    EXPECT_NE(Log().find("\t[ Done  ] Typ:Memory WAVEMixingStreamBuffer用に確保したメモリを解放しました。"), std::string::npos);
    velk_->Snd_GetData(1, &level);
    EXPECT_EQ(level, 0) << "an empty buffer reads as silence";
    ASSERT_EQ(velk_->Snd_Play(1, 0), S_OK);
    EXPECT_EQ(buffer.WaveBlocks[0]->dwBufferLength, 16000u) << "played again without Snd_Open";
}

// Bytes of sound that reached the test bed's audio sink since the device last opened.
size_t SoundBytesHeard() {
    const std::string sink = ReadFileBytes(ExecutableDirectory() + "\\..\\testbed\\audio.raw");
    return static_cast<size_t>(std::count_if(sink.begin(), sink.end(), [](char c) { return c != 0; }));
}

TEST_F(SoundTest, TheSinkHearsASoundOnceOrOverAndOver) {
    velk_->Sound(1);
    ASSERT_TRUE(WriteToneWav(dir_.File("tone.wav"), 1000, 22050));  // 44100 bytes
    ASSERT_EQ(Open(1, "tone.wav"), S_OK);
    ASSERT_EQ(velk_->Snd_Play(1, 0), S_OK);
    ASSERT_TRUE(WaitFor([&] { return !ThreadRunning(velk_); }, 5000));
    EXPECT_TRUE(WaitFor([&] { return SoundBytesHeard() > 44100u * 9 / 10; }, 10000));
    EXPECT_LT(SoundBytesHeard(), 44100u * 11 / 10);

    ASSERT_EQ(velk_->Snd_LoopPlay(1, 0), S_OK);
    EXPECT_TRUE(WaitFor([&] { return SoundBytesHeard() > 44100u * 35 / 10; }, 20000))
        << "the loop goes on past its three blocks";
}

TEST_F(SoundTest, WaveOutLoopsUntilStoppedAndStopClearsTheLoop) {
    velk_->Sound(1);
    ASSERT_TRUE(WriteLevelWav(dir_.File("one.wav"), 1000, 0x0101));
    ASSERT_EQ(Open(1, "one.wav"), S_OK);
    ASSERT_EQ(velk_->Snd_LoopPlay(3, 0), S_OK);
    velk::SoundBuffer& buffer = Buffer(0);
    EXPECT_EQ(buffer.LoopFlag, 1);
    for (WAVEHDR* header : buffer.WaveBlocks) EXPECT_EQ(header->dwBufferLength, 16000u) << "each block holds the whole sound";
    ASSERT_TRUE(WaitFor([&] { return DevicePosition(velk_) > 4 * 16000; }, 20000)) << "past all three blocks once";
    EXPECT_NE(buffer.WaveBlocks[0], nullptr);
    EXPECT_TRUE(ThreadRunning(velk_));

    size_t before = Log().size();
    ASSERT_EQ(velk_->Snd_Stop(1), S_OK);
    EXPECT_EQ(Log().find("### Snd_Stop 再生停止\r\n", before), before);
    EXPECT_EQ(buffer.LoopFlag, 0);
    EXPECT_EQ(buffer.WaveBlocks[0], nullptr);
    EXPECT_EQ(velk_->WaveOutDevice, nullptr);
    EXPECT_EQ(velk_->Stream.Thread, nullptr) << "the worker is joined before the blocks go";
}

TEST_F(SoundTest, WaveOutPauseHoldsThePositionUntilResumed) {
    velk_->Sound(1);
    ASSERT_TRUE(WriteLevelWav(dir_.File("two.wav"), 2000, 0x0101));
    ASSERT_EQ(Open(1, "two.wav"), S_OK);
    ASSERT_EQ(velk_->Snd_Play(1, 0), S_OK);
    ASSERT_TRUE(WaitFor([&] { return DevicePosition(velk_) > 0; }, 5000));
    size_t before = Log().size();
    velk_->Snd_Pause(0, 1);
    // What the device had under way when paused may still play out.
    DWORD held = DevicePosition(velk_);
    ASSERT_TRUE(WaitFor([&] {
        Sleep(100);
        const DWORD now = DevicePosition(velk_);
        const bool settled = now == held;
        held = now;
        return settled;
    }, 5000));
    Sleep(400);
    EXPECT_EQ(DevicePosition(velk_), held);
    velk_->Snd_Pause(1, 1);
    EXPECT_TRUE(WaitFor([&] { return DevicePosition(velk_) > held; }, 5000));
    EXPECT_EQ(Log().substr(before), " Snd_Pause 再生一時停止\r\n Snd_Pause 再生再始動\r\n");
}

TEST_F(SoundTest, DirectSoundStreamPlaysOutItsRingAndResetsItself) {
    velk_->Sound(2);
    ASSERT_TRUE(WriteLevelWav(dir_.File("one.wav"), 1000, 0x1234));
    ASSERT_EQ(Open(1, "one.wav"), S_OK);
    ASSERT_EQ(velk_->Snd_Play(1, 0), S_OK);
    velk::SoundBuffer& buffer = Buffer(0);
    EXPECT_EQ(buffer.DataSize, 5u * 16000 / 2) << "a half of the ring";
    ASSERT_NE(buffer.StagingCopy, nullptr);
    EXPECT_EQ(buffer.StagingCopy[1], 0x12);
    std::vector<BYTE> tail(buffer.StagingCopy + 16000, buffer.StagingCopy + 80000);
    EXPECT_EQ(std::count(tail.begin(), tail.end(), 0), 64000) << "the ring beyond the sound is silent";
    EXPECT_TRUE(Playing(buffer.DeviceBuffer));
    LONG level = 0;
    velk_->Snd_GetData(1, &level);
    EXPECT_TRUE(level == 0x12 || level == 0) << level;

    // Half-way the source is dry, the ring plays once to its end and the worker resets it.
    ASSERT_TRUE(WaitFor([&] { return !ThreadRunning(velk_); }, 9000));
    EXPECT_EQ(buffer.DeviceBuffer, nullptr);
    EXPECT_EQ(buffer.StagingCopy, nullptr);
    EXPECT_NE(Log().find("DirectSoundStreamBuffer用に確保したメモリを解放しました。"), std::string::npos);

    // Played again without a new Snd_Open: the device buffer is made anew from the kept source.
    ASSERT_EQ(velk_->Snd_Play(1, 0), S_OK);
    ASSERT_NE(buffer.DeviceBuffer, nullptr);
    EXPECT_TRUE(Playing(buffer.DeviceBuffer));
    EXPECT_EQ(buffer.StagingCopy[1], 0x12) << "from the first sample";
    EXPECT_TRUE(ThreadRunning(velk_));
}

TEST_F(SoundTest, ALoopingOggStreamRefillsItsRingWithoutGaps) {
    velk_->Sound(2);
    ASSERT_TRUE(WriteToneOgg(dir_.File("one.ogg"), 22050, 22050, 1));  // one second
    ASSERT_EQ(Open(1, "one.ogg"), S_OK);
    ASSERT_EQ(velk_->Snd_LoopPlay(1, 0), S_OK);
    velk::SoundBuffer& buffer = Buffer(0);
    const DWORD half = buffer.DataSize;
    ASSERT_EQ(half, 5u * 44100 / 2);
    auto silent_share = [&](DWORD from) {
        return std::count(buffer.StagingCopy + from, buffer.StagingCopy + from + half, 0) / double(half);
    };
    EXPECT_LT(silent_share(0), 0.1);
    EXPECT_LT(silent_share(half), 0.1) << "the sound starts over inside the ring";
    // Once the cursor has passed the middle, the worker refills the first half with new sound.
    auto refilled = [&] {
        return Log().find(" -> 再生用バッファを埋めました。\r\n", Log().find("### Succeed", Log().find("Snd_Play"))) !=
               std::string::npos;
    };
    ASSERT_TRUE(WaitFor(refilled, 20000)) << "the worker's first-half refill";
    EXPECT_TRUE(ThreadRunning(velk_));
    EXPECT_TRUE(Playing(buffer.DeviceBuffer));
    EXPECT_LT(silent_share(0), 0.1);
    // Once the window has ended nobody refills: the worker stops the device as it leaves.
    velk_->EndedFlag = 1;
    EXPECT_TRUE(WaitFor([&] { return !ThreadRunning(velk_); }, 8000));
    EXPECT_FALSE(Playing(buffer.DeviceBuffer)) << "the ring would repeat its last seconds";
    velk_->EndedFlag = 0;
    ASSERT_EQ(velk_->Snd_Stop(1), S_OK);
    EXPECT_EQ(buffer.DeviceBuffer, nullptr);
}

TEST_F(SoundTest, DirectSoundPlaysStaticBuffersBesideTheStreamAndReplaysThem) {
    velk_->Sound(2);
    ASSERT_TRUE(WriteLevelWav(dir_.File("level.wav"), 300, 0xF034));
    ASSERT_TRUE(WriteToneWav(dir_.File("tone.wav"), 3000, 22050));
    ASSERT_TRUE(WriteSectionWav(dir_.File("section.wav"), 11025, 11025, 22050));
    ASSERT_EQ(Open(1, "tone.wav"), S_OK);
    for (LONG id = 2; id <= 8; ++id) ASSERT_EQ(Open(id, id == 7 ? "section.wav" : "level.wav"), S_OK);
    ASSERT_EQ(velk_->Snd_Play(1, 0), S_OK);
    ASSERT_EQ(velk_->Snd_LoopPlay(7, 0), S_OK);  // its section's worker runs beside the stream's
    ASSERT_EQ(velk_->Snd_LoopPlay(8, 0), S_OK);
    for (LONG id = 2; id <= 7; ++id) ASSERT_EQ(velk_->Snd_Play(id, 0), S_OK);
    for (int index = 0; index < 8; ++index) EXPECT_TRUE(Playing(Buffer(index).DeviceBuffer)) << index;

    LONG level = 0;
    velk_->Snd_GetData(8, &level);
    EXPECT_EQ(level, -16) << "the high byte, signed";
    EXPECT_EQ(Buffer(2).DataSize, 4800u) << "a static buffer keeps the whole length";

    // A static sound that has ended plays again from its start.
    ASSERT_TRUE(WaitFor([&] { return !Playing(Buffer(2).DeviceBuffer); }, 3000));
    EXPECT_TRUE(Playing(Buffer(7).DeviceBuffer)) << "the looping one goes on";
    ASSERT_EQ(velk_->Snd_Play(3, 0), S_OK);
    EXPECT_TRUE(Playing(Buffer(2).DeviceBuffer));
    EXPECT_EQ(Buffer(2).StagingCopy[1], 0xF0);
    ASSERT_EQ(velk_->Snd_Stop(8), S_OK);
    EXPECT_EQ(Buffer(7).DeviceBuffer, nullptr);
    EXPECT_EQ(Buffer(7).LoopFlag, 0);
    ASSERT_EQ(velk_->Snd_Play(8, 0), S_OK);  // stopped, and played again without Snd_Open
    EXPECT_TRUE(Playing(Buffer(7).DeviceBuffer));
    EXPECT_EQ(Buffer(7).StagingCopy[1], 0xF0);
}

TEST_F(SoundTest, PausingTheDirectSoundStreamKeepsIt) {
    velk_->Sound(2);
    ASSERT_TRUE(WriteToneWav(dir_.File("tone.wav"), 8000, 8000));
    ASSERT_EQ(Open(1, "tone.wav"), S_OK);
    ASSERT_EQ(velk_->Snd_Play(1, 0), S_OK);
    Sleep(300);
    velk_->Snd_Pause(0, 1);
    Sleep(500);  // the stop notice of the pause has reached the worker
    velk::SoundBuffer& buffer = Buffer(0);
    EXPECT_NE(buffer.DeviceBuffer, nullptr);
    EXPECT_FALSE(Playing(buffer.DeviceBuffer));
    EXPECT_TRUE(ThreadRunning(velk_));
    velk_->Snd_Pause(1, 1);
    EXPECT_TRUE(Playing(buffer.DeviceBuffer));
    Sleep(300);
    EXPECT_TRUE(ThreadRunning(velk_));
}

TEST_F(SoundTest, RestartsStopsAndTeardownWhileAWorkerRunsAreOrderly) {
    velk_->Sound(1);
    ASSERT_TRUE(WriteToneWav(dir_.File("tone.wav"), 6000, 8000));
    ASSERT_EQ(Open(1, "tone.wav"), S_OK);
    ASSERT_EQ(velk_->Snd_Play(1, 0), S_OK);
    HANDLE first = nullptr;
    DuplicateHandle(GetCurrentProcess(), velk_->Stream.Thread, GetCurrentProcess(), &first, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    ASSERT_EQ(velk_->Snd_Play(1, 0), S_OK);
    EXPECT_EQ(WaitForSingleObject(first, 0), WAIT_OBJECT_0) << "the first worker ended before the second began";
    CloseHandle(first);
    EXPECT_EQ(Buffer(0).WaveBlocks[0]->dwBufferLength, 5u * 8000 * 2) << "started over from the first sample";

    ASSERT_EQ(velk_->Snd_LoopPlay(1, 0), S_OK);
    ASSERT_EQ(Open(1, "tone.wav"), S_OK);  // loading over a playing buffer
    EXPECT_EQ(velk_->Stream.Thread, nullptr);
    EXPECT_EQ(Buffer(0).LoopFlag, 0) << "a new sound does not inherit the loop";
    ASSERT_EQ(velk_->Snd_Play(1, 0), S_OK);
    velk_->Sound(2);  // a mode change frees what the worker used
    EXPECT_EQ(velk_->Stream.Thread, nullptr);

    ASSERT_EQ(Open(1, "tone.wav"), S_OK);
    ASSERT_EQ(velk_->Snd_Play(1, 0), S_OK);
    ASSERT_EQ(velk_->Snd_Play(1, 0), S_OK);
    EXPECT_TRUE(ThreadRunning(velk_));
    velk_->Release();  // teardown with the stream running
    velk_ = nullptr;
    const std::string log = Log();
    EXPECT_EQ(log.substr(log.size() - 13), "### Succeed\r\n");
}

TEST_F(SoundTest, TheProgressDialogShowsDecodingAndIsGoneAfterwards) {
    velk_->Sound(2);
    ASSERT_TRUE(WriteToneOgg(dir_.File("tone.ogg"), 22050 * 4, 22050, 1));
    ASSERT_EQ(Open(2, "tone.ogg"), S_OK);

    DialogTexts().clear();
    HHOOK watch = SetWindowsHookExA(WH_CALLWNDPROCRET, WatchDialogText, nullptr, GetCurrentThreadId());
    ASSERT_EQ(velk_->Snd_Play(2, 1), S_OK);
    UnhookWindowsHookEx(watch);
    EXPECT_EQ(velk_->ProgressDialog, nullptr);
    const std::vector<std::string>& seen = DialogTexts();
    HWND dialog = SeenDialog();
    ASSERT_NE(dialog, nullptr) << "the dialog was up during the first fill";
    EXPECT_FALSE(IsWindow(dialog));
    ASSERT_FALSE(seen.empty());
    // The share done only grows, from the first pieces to the last.
    int last = -1;
    for (const std::string& text : seen) {
        int percent = -1;
        long remain = -1, total = -1;
        ASSERT_EQ(sscanf(text.c_str(), "  %d %% ( Remain %ld / Total %ld)", &percent, &remain, &total), 3) << text;
        EXPECT_EQ(total, 176400);
        EXPECT_GE(percent, last);
        last = percent;
    }
    EXPECT_LT(std::stoi(seen.front().substr(2)), 50);
    EXPECT_GE(last, 90);
    DWORD status = 0;
    Buffer(1).DeviceBuffer->GetStatus(&status);
    EXPECT_TRUE(Playing(Buffer(1).DeviceBuffer)) << status;
}

// ---------------------------------------------------------------- refused plays

VELK_SCENARIO(SoundPlayNeverOpened) {
    VelkObject* velk = CreateSoundObject(2);
    velk->Snd_Play(4, 0);
    return 91;
}

TEST(SoundPlayFatal, PlayingABufferWithNothingLoadedEndsTheProcess) {
    TempDir dir;
    for (const char* scenario : {"SoundPlayNeverOpened"}) {
        ScenarioResult result = RunScenario(scenario, dir.path());
        EXPECT_EQ(result.exit_code, 1u) << scenario;
        ASSERT_EQ(result.boxes.size(), 1u) << scenario;
        EXPECT_NE(result.boxes[0].text.find("サウンドメソッド バッファIDで正しくないID : "), std::string::npos);
        EXPECT_NE(result.boxes[0].text.find("指定されたIDは空です。"), std::string::npos) << scenario;
    }
}

// ---------------------------------------------------------------- what the sink hears

TEST_F(SoundTest, AnOddRateMonoOggStreamsACleanToneInBothModes) {
    // Five seconds of 11025 Hz mono are 110250 bytes: a half of the ring ends inside a frame.
    ASSERT_TRUE(WriteToneOgg(dir_.File("odd.ogg"), 11025 * 12, 11025, 1));
    for (LONG mode : {2, 1}) {
        SCOPED_TRACE("mode " + std::to_string(mode));
        velk_->Sound(mode);
        ASSERT_EQ(Open(1, "odd.ogg"), S_OK);
        size_t from = SinkBytes();
        ASSERT_EQ(velk_->Snd_Play(1, 0), S_OK);
        HANDLE worker = nullptr;
        DuplicateHandle(GetCurrentProcess(), velk_->Stream.Thread, GetCurrentProcess(), &worker, 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
        ASSERT_EQ(WaitForSingleObject(worker, 60000), WAIT_OBJECT_0) << "played to its end";
        CloseHandle(worker);
        WaitForSinkBytes(&from, 0, 0);  // only notes a sink that started over
        std::vector<int16_t> heard = SinkSamples(from, SinkBytes() - from);
        // The sink's rate and channels follow the platform's mixer: every other
        // sample is one channel at half the rate or more, enough for a 440 Hz tone.
        size_t start = FirstAbove(heard, 4000), end = start, jumps = 0;
        for (size_t i = start; i < heard.size(); ++i)
            if (std::abs(heard[i]) > 4000) end = i;
        for (size_t i = start + 2; i < end; i += 2)
            jumps += std::abs(heard[i] - heard[i - 2]) > 12000;  // misaligned bytes or swapped channels
        EXPECT_LT(jumps, (end - start) / 2000) << "noise in the stream";
        // Twelve seconds of 440 Hz, each half cycle once: nothing lost at a
        // refill, nothing played twice.
        EXPECT_NEAR(double(HalfCycles(heard, start, end + 1, 4000)), 2 * 440 * 12 - 1, 8);
        std::vector<int> peaks = WindowPeaks(heard, start, 2048);
        peaks.resize((end - start) / 2048);
        ExpectNoGapOfTheLibrary(SilentRuns(peaks, 0, 4000));
    }
}

TEST_F(SoundTest, LoopPointsPlayTheIntroOnceThenTheSectionOnly) {
    // Half a second of loud intro, then half a second of quiet section.
    ASSERT_TRUE(WriteSectionOgg(dir_.File("section.ogg"), 11025, 11025, 22050));
    ASSERT_TRUE(WriteSectionWav(dir_.File("section.wav"), 11025, 11025, 22050));
    struct Case {
        LONG mode, id;
        const char* file;
    } cases[] = {{2, 1, "section.ogg"}, {2, 1, "section.wav"}, {2, 3, "section.ogg"},
                 {2, 8, "section.wav"}, {1, 1, "section.ogg"}, {1, 1, "section.wav"}};
    const int loud = static_cast<int>(kLoudLevel * 32767 * 0.6);
    const int audible = static_cast<int>(kQuietLevel * 32767 * 0.3);
    for (const Case& c : cases) {
        velk_->Sound(c.mode);
        ASSERT_EQ(Open(c.id, c.file), S_OK);
        EXPECT_NE(Log().find("\t[ Info  ] LOOPSTART = 11025\r\n\t[ Info  ] LOOPLENGTH = 11025\r\n"),
                  std::string::npos);
        // A static buffer's ring wraps after five seconds: heard past it, the worker's refills.
        const size_t bytes = (c.id == 1 ? 4 : 7) * kSinkSecond;
        size_t from = SinkBytes();
        ASSERT_EQ(velk_->Snd_LoopPlay(c.id, 0), S_OK);
        velk_->Snd_Pause(0, c.id);  // a pause does not end the loop
        velk_->Snd_Pause(1, c.id);
        ASSERT_TRUE(WaitForSinkBytes(&from, bytes, 20000)) << c.file;
        std::vector<int16_t> heard = SinkSamples(from, bytes);
        velk_->Snd_Stop(c.id);
        std::vector<int> peaks = WindowPeaks(heard, FirstAbove(heard, loud), 2048);  // about 23 ms each
        size_t last_loud = 0;
        for (size_t i = 0; i < peaks.size(); ++i)
            if (peaks[i] > loud) last_loud = i;
        SCOPED_TRACE(std::string(c.file) + " in mode " + std::to_string(c.mode));
        EXPECT_LT(last_loud, 30u) << "the intro came back";
        ASSERT_GT(peaks.size(), last_loud + 60) << "two seconds and more of section";
        ExpectNoGapOfTheLibrary(SilentRuns(peaks, last_loud + 2, audible));
        if (c.mode == 2 && c.id != 1) {
            // Played without the loop, a static buffer holds the whole sound again and ends.
            ASSERT_EQ(velk_->Snd_Play(c.id, 0), S_OK);
            EXPECT_EQ(Buffer(c.id - 1).DataSize, 22050u * 2);
            EXPECT_TRUE(WaitFor([&] { return !Playing(Buffer(c.id - 1).DeviceBuffer); }, 10000));
        }
    }
}

// ---------------------------------------------------------------- calls from inside the first fill

namespace {

struct NestedCalls {
    VelkObject* velk;
    LONG id;
    LONG other_mode;
    bool release;
    bool done;
};
NestedCalls g_nested;

// Runs from the dialog's message pumping, as a host's timer handler would.
void CALLBACK CallDuringFill(HWND, UINT, UINT_PTR, DWORD) {
    NestedCalls& n = g_nested;
    if (n.done || !n.velk->ProgressDialog) return;
    n.done = true;
    n.velk->Snd_Stop(n.id);
    n.velk->Snd_Play(n.id, 0);
    n.velk->Snd_LoopPlay(n.id, 0);
    n.velk->Sound(n.other_mode);
    Bstr name(L"tone.ogg");
    n.velk->Snd_Open(n.id, name);
    if (n.release) n.velk->Release();  // the host's last reference
}

}  // namespace

TEST_F(SoundTest, CallsFromHandlersDuringTheFirstFillLeaveTheBufferAlone) {
    ASSERT_TRUE(WriteToneOgg(dir_.File("tone.ogg"), 22050 * 4, 22050, 1));
    struct Case {
        LONG mode, id;
        bool release;
    } cases[] = {{1, 1, false}, {2, 1, false}, {2, 3, false}, {2, 3, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.mode) + ", ID " + std::to_string(c.id));
        velk_->Sound(c.mode);
        ASSERT_EQ(Open(c.id, "tone.ogg"), S_OK);
        g_nested = {velk_, c.id, 3 - c.mode, c.release, false};
        size_t before = Log().size();
        UINT_PTR timer = SetTimer(nullptr, 0, 1, CallDuringFill);
        ASSERT_EQ(velk_->Snd_Play(c.id, 1), S_OK);
        KillTimer(nullptr, timer);
        ASSERT_TRUE(g_nested.done);
        std::string log = Log().substr(before);
        const std::string refused = "\t[ Info  ] 読み込み中のため呼び出しを無視したバッファ = ";
        size_t count = 0;
        for (size_t at = log.find(refused); at != std::string::npos; at = log.find(refused, at + 1)) ++count;
        EXPECT_EQ(count, 5u) << log;
        if (c.release) {
            velk_ = nullptr;  // released by the handler, torn down when Snd_Play was done
            EXPECT_EQ(log.substr(log.size() - 13), "### Succeed\r\n");
            EXPECT_NE(log.find("サウンドメソッドのクリアライズを行います", log.find("### Succeed")), std::string::npos);
            break;
        }
        EXPECT_EQ(velk_->SoundMode, c.mode);
        const velk::SoundBuffer& buffer = Buffer(c.mode == 1 ? 0 : c.id - 1);
        EXPECT_EQ(buffer.LoopFlag, 0);
        if (c.mode == 2) EXPECT_TRUE(Playing(buffer.DeviceBuffer));
        else EXPECT_NE(buffer.WaveBlocks[0], nullptr);
        velk_->Snd_Stop(c.id);
    }
}

// ---------------------------------------------------------------- soak

namespace {

DWORD ThreadsOfThisProcess() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    DWORD count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    return count;
}

}  // namespace

TEST_F(SoundTest, AThousandPlayStopOpenAndModeCyclesLeakNothing) {
    ASSERT_TRUE(WriteToneWav(dir_.File("a.wav"), 300, 8000));
    ASSERT_TRUE(WriteSectionWav(dir_.File("section.wav"), 2205, 2205, 4410));
    velk_->LoggingSwitch = 0;  // a thousand cycles of log lines say nothing new
    auto cycle = [&](int i) {
        if (i % 50 == 0) velk_->Sound(i % 100 == 0 ? 2 : 1);
        Open(1, "a.wav");
        // Most cycles open over a buffer still looping; every third sound has a
        // section, looped in mode 2 from a ring that a worker of its own feeds.
        Open(2, i % 3 ? "a.wav" : "section.wav");
        velk_->Snd_Play(1, 0);
        velk_->Snd_LoopPlay(2, 0);
        LONG sample = 0;
        velk_->Snd_GetData(2, &sample);
        if (i % 2) velk_->Snd_Stop(1);
        if (i % 4 == 0) {
            velk_->Snd_Play(2, 0);
            velk_->Snd_Stop(2);
        }
    };
    for (int i = 0; i < 60; ++i) cycle(i);  // both modes once: the platform's own threads are up
    velk_->Sound(2);
    const DWORD threads = ThreadsOfThisProcess();
    const ResourceCounts before = CountResources();
    for (int i = 0; i < 1000; ++i) cycle(i);
    velk_->Sound(2);
    ExpectFlat(before, CountResources(), 20);
    EXPECT_LE(ThreadsOfThisProcess(), threads + 2);
    EXPECT_EQ(velk_->Stream.Thread, nullptr);
}
