// Sprite store: slot reset (more of the store joins with the graphics members).
#include "graphics/sprite_store.h"

#include <cstring>

namespace velk {

namespace {
constexpr LONG kDefaultFontHeight = 18;
constexpr BYTE kShiftJisCharset = 128;
constexpr char kDefaultFontFace[] = "ＭＳ Ｐゴシック";
}  // namespace

void ResetSpriteSlot(SpriteSlot& slot) {
    memset(&slot, 0, sizeof slot);
    slot.ColorKey = -1;
    slot.TextFont.lfHeight = kDefaultFontHeight;
    slot.TextFont.lfCharSet = kShiftJisCharset;
    static_assert(sizeof kDefaultFontFace <= LF_FACESIZE, "face name fits the font record");
    memcpy(slot.TextFont.lfFaceName, kDefaultFontFace, sizeof kDefaultFontFace);
    slot.FillStyle = -1;
    slot.LineStyle = 0;
}

}  // namespace velk
