// Sound suites' fixture (see sound_fixture.h).
#include "sound/sound_fixture.h"

#include "graphics/graphics_fixture.h"
#include "support/bstr.h"

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

}  // namespace velk_test
