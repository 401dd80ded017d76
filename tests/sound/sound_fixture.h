// Sound suites' fixture: an object of the static core (its sound state in
// reach) with a test window, its log on, in a directory of its own.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

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

}  // namespace velk_test
