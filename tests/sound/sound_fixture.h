// Sound suites' fixture: an object of the static core (its sound state in
// reach) with a test window, its log on, in a directory of its own.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/velk.h"
#include "support/harness.h"

namespace velk_test {

class SoundTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string Log() const { return ReadFileBytes(dir_.File("Log.txt")); }
    HRESULT Open(LONG id, const std::string& file);
    velk::SoundBuffer& Buffer(int index) { return velk_->SoundBufferTable[index]; }

    TempDir dir_;
    std::unique_ptr<CurrentDirectory> cd_;
    VelkObject* velk_ = nullptr;
    HWND window_ = nullptr;
};

// A core object with a window of its own, for scenarios in a child process.
VelkObject* CreateSoundObject(LONG mode);

// The test bed's audio sink: 16-bit samples of everything played, as a file.
size_t SinkBytes();
// Waits until the sink holds `bytes` more than `*from` (false after
// `milliseconds`). A device opened anew starts the file over: `*from` becomes 0.
bool WaitForSinkBytes(size_t* from, size_t bytes, DWORD milliseconds);
// The sink's samples from byte `from` on, `bytes` of them at most.
std::vector<int16_t> SinkSamples(size_t from, size_t bytes);

}  // namespace velk_test
