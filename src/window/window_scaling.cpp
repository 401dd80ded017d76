// wScale: a back buffer of a fixed size, presented scaled to the client area by
// Refresh (presentation.cpp) and read through MouseX and MouseY (input.cpp).
#include <windows.h>

#include "core/log.h"
#include "core/texts.h"
#include "core/velk.h"

namespace texts = velk::texts;

namespace {

// Ends the process unless `value` lies in low..high.
void CheckValue(VelkObject* self, LONG value, LONG low, LONG high, const char* subject, const char* range) {
    if (value < low || value > high) velk::FatalError(self, texts::kValueRangeError, subject, value, range);
}

}  // namespace

HRESULT VelkObject::wScale(LONG Width, LONG Height, LONG Mode) {
    using namespace velk;
    CheckValue(this, Mode, kScaleOff, kScaleWhole, texts::kScaleModeSubject, texts::kScaleModeRange);
    const bool off = Mode == kScaleOff;
    const LONG low = off ? 0 : 1, high = off ? 0 : kScaleSizeMax;
    const char* range = off ? texts::kScaleOffSizeRange : texts::kScaleSizeRange;
    CheckValue(this, Width, low, high, texts::kScaleWidthSubject, range);
    CheckValue(this, Height, low, high, texts::kScaleHeightSubject, range);

    if (off) {
        if (!Scaling.On()) return S_OK;
        LogWrite(this, texts::kStep, texts::kScaleOffStep);
        Scaling = ScaleSetting{};
        ScaledFrame = std::vector<uint32_t>();
        ScaledColumns = std::vector<LONG>();
        // The back buffer takes the client size at once, not at the next size message.
        RECT client{};
        if (Window && IsWindow(Window) && GetClientRect(Window, &client) && !IsEmpty(SpriteTable[0]))
            BackBufferResize(SpriteExtent(client.right), SpriteExtent(client.bottom));
        return S_OK;
    }

    LogWrite(this, texts::kStep, texts::kScaleOnStep);
    LogWrite(this, texts::kInfoNumber, texts::kScaleWidthLabel, Width);
    LogWrite(this, texts::kInfoNumber, texts::kScaleHeightLabel, Height);
    LogWrite(this, texts::kInfoNumber, texts::kScaleModeLabel, Mode);
    Scaling = ScaleSetting{Width, Height, Mode};
    if (!IsEmpty(SpriteTable[0])) {
        BackBufferResize(Width, Height);
    } else {
        // Graphics makes sprite 0 at this size when it comes.
        ScreenWidth = Width;
        ScreenHeight = Height;
    }
    return S_OK;
}

RECT VelkObject::ScaledPlacement(LONG* buffer_width, LONG* buffer_height) {
    // The back buffer as it is: the host may have resized sprite 0 itself.
    const velk::SpriteSlot& back = SpriteTable[0];
    const bool made = !velk::IsEmpty(back);
    *buffer_width = made ? back.Width : Scaling.Width;
    *buffer_height = made ? back.Height : Scaling.Height;
    RECT client{};
    if (!Window || !GetClientRect(Window, &client)) client = RECT{0, 0, 0, 0};
    return velk::ScaledDestination(Scaling.Mode, *buffer_width, *buffer_height, client.right, client.bottom);
}
