// Text drawing: DrawString, DSetTextFont and DSetTextSpace. A sprite keeps its
// font as a description; the real font lives only inside one DrawString.
#include "graphics/text.h"

#include <cstring>

#include "core/ansi.h"
#include "core/log.h"
#include "core/texts.h"
#include "core/velk.h"

namespace velk {

namespace {
// Lead bytes of the double-byte characters of code page 932.
bool IsLeadByte(unsigned char byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }
}  // namespace

TextLayout LayoutText(LONG align, LONG x, LONG y, LONG screen_width, LONG screen_height) {
    constexpr UINT kCommon = DT_NOCLIP | DT_EXPANDTABS | DT_NOPREFIX;
    switch (align) {
    case kAlignRight:
        return {RECT{0, y, x, 0}, DT_RIGHT | kCommon};
    case kAlignCenter:
        return {RECT{x - screen_width, y, x + screen_width, screen_height}, DT_CENTER | kCommon};
    default:
        return {RECT{x, y, 0, 0}, DT_LEFT | kCommon};
    }
}

void ApplyFontArguments(LOGFONTA& font, LONG size, LONG bold, LONG italic, LONG underline, LONG strike) {
    if (size != kFontKeep) font.lfHeight = size;
    // Wrap-around instead of an overflow for absurd values.
    if (bold != kFontKeep) font.lfWeight = static_cast<LONG>(static_cast<unsigned long>(bold) * 800u);
    if (italic != kFontKeep) font.lfItalic = static_cast<BYTE>(italic);
    if (underline != kFontKeep) font.lfUnderline = static_cast<BYTE>(underline);
    if (strike != kFontKeep) font.lfStrikeOut = static_cast<BYTE>(strike);
}

void SetFaceName(LOGFONTA& font, const char* name) {
    memset(font.lfFaceName, 0, sizeof font.lfFaceName);
    if (!name) return;
    size_t length = 0;
    while (name[length]) {
        const size_t step = IsLeadByte(static_cast<unsigned char>(name[length])) && name[length + 1] ? 2 : 1;
        if (length + step > sizeof font.lfFaceName - 1) break;
        length += step;
    }
    memcpy(font.lfFaceName, name, length);
}

bool FaceAnswers(const char* asked, const char* chosen) { return !*asked || lstrcmpiA(asked, chosen) == 0; }

namespace {

// The face the platform chose for the font selected in `dc`.
bool SelectedFaceAnswers(HDC dc, const char* asked) {
    char chosen[LF_FACESIZE] = {};
    GetTextFaceA(dc, sizeof chosen, chosen);
    return FaceAnswers(asked, chosen);
}

// The sprite's font selected into `dc`. The record asks for the Japanese
// character set, so that the texts of the default faces draw as ever; a face
// named by the host that has no such characters would be passed over for
// another, so then the face is asked for with whatever characters it has, and
// taken when that gives the face.
HFONT SelectSpriteFont(HDC dc, const LOGFONTA& record) {
    HFONT font = CreateFontIndirectA(&record);
    if (!font) return nullptr;
    SelectObject(dc, font);
    if (record.lfCharSet == DEFAULT_CHARSET || SelectedFaceAnswers(dc, record.lfFaceName)) return font;
    LOGFONTA any_characters = record;
    any_characters.lfCharSet = DEFAULT_CHARSET;
    HFONT named = CreateFontIndirectA(&any_characters);
    if (!named) return font;
    SelectObject(dc, named);
    if (SelectedFaceAnswers(dc, record.lfFaceName)) {
        DeleteObject(font);
        return named;
    }
    SelectObject(dc, font);
    DeleteObject(named);
    return font;
}

}  // namespace

}  // namespace velk

using velk::SpriteSlot;
namespace texts = velk::texts;

HRESULT VelkObject::DrawString(LONG x, LONG y, BSTR Text, LONG Align, LONG Color, LONG SpriteID) {
    SpriteSlot& slot = CheckedSprite(SpriteID, 0, texts::kSubjectDrawing, texts::kSpriteRangeAny);
    if (Align < velk::kAlignLeft || Align > velk::kAlignCenter)
        velk::FatalError(this, texts::kIdRangeError, texts::kSubjectTextAlign, Align, texts::kTextAlignRange);
    velk::SpriteContext dc(slot);
    const velk::TextLayout layout = velk::LayoutText(Align, x, y, ScreenWidth, ScreenHeight);
    SetTextColor(dc, static_cast<COLORREF>(Color));
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ previous = GetCurrentObject(dc, OBJ_FONT);
    HFONT font = velk::SelectSpriteFont(dc, slot.TextFont);
    const velk::AnsiText text = velk::ToAnsi(Text);
    if (text.get()) {
        RECT box = layout.Box;
        DrawTextA(dc, text, -1, &box, layout.Format);
    }
    if (previous) SelectObject(dc, previous);
    if (font) DeleteObject(font);
    return S_OK;
}

HRESULT VelkObject::DSetTextFont(LONG Size, LONG Bold, LONG Italic, LONG UnderLine, LONG Strike, BSTR FontName,
                                 LONG SpriteID) {
    // The font is only a description here: no context is needed.
    SpriteSlot& slot = CheckedSprite(SpriteID, 0, texts::kSubjectDrawing, texts::kSpriteRangeAny);
    velk::ApplyFontArguments(slot.TextFont, Size, Bold, Italic, UnderLine, Strike);
    const velk::AnsiText name = velk::ToAnsi(FontName);
    if (!name.get() || strcmp(name, texts::kDefaultFontKeyword) != 0) velk::SetFaceName(slot.TextFont, name);
    return S_OK;
}

HRESULT VelkObject::DSetTextSpace(LONG lSpace, LONG SpriteID) {
    SpriteSlot& slot = CheckedSprite(SpriteID, 0, texts::kSubjectDrawing, texts::kSpriteRangeAny);
    velk::SpriteContext dc(slot);
    SetTextCharacterExtra(dc, lSpace);
    return S_OK;
}
