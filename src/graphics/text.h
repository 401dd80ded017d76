// Text drawing: the platform-free parts (layout rectangle and format of an
// alignment, the font record changes of DSetTextFont, the face-name copy).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace velk {

inline constexpr LONG kAlignLeft = 0, kAlignRight = 1, kAlignCenter = 2;
// An argument of DSetTextFont with this value leaves its field unchanged.
inline constexpr LONG kFontKeep = 255;

struct TextLayout {
    RECT Box;
    UINT Format;  // DrawText flags
};

// Where DrawString puts its text for an alignment (0..2): the text starts at x,
// ends at x, or is centred on x (in a box as wide as twice the screen), its top at
// y, without clipping, tabs expanded and ampersands drawn as they are.
TextLayout LayoutText(LONG align, LONG x, LONG y, LONG screen_width, LONG screen_height);

// The field changes of DSetTextFont, except the face name.
void ApplyFontArguments(LOGFONTA& font, LONG size, LONG bold, LONG italic, LONG underline, LONG strike);

// Clears the face name and copies `name` in, cut at a character boundary so that
// it fits with its terminator; null counts as empty.
void SetFaceName(LOGFONTA& font, const char* name);

// Whether the face the platform chose answers the face asked for (names compare
// without regard to case); an empty request takes any face.
bool FaceAnswers(const char* asked, const char* chosen);

// Font files added for this process, each once per DAddFont, in the order added.
struct FontFiles {
    std::vector<std::string> Paths;
};

}  // namespace velk
