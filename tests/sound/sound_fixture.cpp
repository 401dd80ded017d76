// Sound suites' fixture (see sound_fixture.h).
#include "sound/sound_fixture.h"

#include <cstdio>

#include "graphics/graphics_fixture.h"
#include "support/bstr.h"
#include "support/velk_loader.h"

namespace velk_test {

VelkObject* CreateSoundObject(LONG mode) {
    VelkObject* velk = CreateCoreObject();
    if (!velk) return nullptr;
    velk->Window = CreateTestWindow();
    velk->Logging();
    velk->Sound(mode);
    return velk;
}

void SoundTest::SetUp() {
    cd_ = std::make_unique<CurrentDirectory>(dir_.path());
    velk_ = CreateCoreObject();
    ASSERT_NE(velk_, nullptr);
    window_ = CreateTestWindow();
    velk_->Window = window_;
    velk_->Logging();
}

void SoundTest::TearDown() {
    if (velk_) velk_->Release();
    velk_ = nullptr;
    if (window_) DestroyWindow(window_);
    PumpMessages();
    cd_.reset();
}

HRESULT SoundTest::Open(LONG id, const std::string& file) {
    Bstr name(std::wstring(file.begin(), file.end()));
    return velk_->Snd_Open(id, name);
}

static std::string SinkPath() { return ExecutableDirectory() + "\\..\\testbed\\audio.raw"; }

size_t SinkBytes() {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(SinkPath().c_str(), GetFileExInfoStandard, &data)) return 0;
    return data.nFileSizeLow;
}

bool WaitForSinkBytes(size_t* from, size_t bytes, DWORD milliseconds) {
    DWORD start = GetTickCount();
    for (size_t size; (size = SinkBytes()) < *from + bytes;) {
        if (size < *from) *from = 0;
        if (GetTickCount() - start > milliseconds) return false;
        Sleep(50);  // the sink grows at the pace of the sound
    }
    return true;
}

std::vector<int16_t> SinkSamples(size_t from, size_t bytes) {
    std::vector<int16_t> samples(bytes / 2);
    FILE* in = fopen(SinkPath().c_str(), "rb");
    if (!in) return {};
    size_t got = fseek(in, static_cast<long>(from), SEEK_SET) == 0 ? fread(samples.data(), 2, samples.size(), in) : 0;
    fclose(in);
    samples.resize(got);
    return samples;
}

}  // namespace velk_test
