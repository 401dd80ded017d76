// DAddFont: the fonts of a TrueType or OpenType file for this process only, so
// that a game can draw with a font it ships without installing it. The object
// takes each file back when it goes.
#include <windows.h>

#include "core/ansi.h"
#include "core/log.h"
#include "core/texts.h"
#include "core/velk.h"
#include "graphics/load_paths.h"

HRESULT VelkObject::DAddFont(BSTR FileName) {
    namespace texts = velk::texts;
    const velk::AnsiText name = velk::ToAnsi(FileName);
    if (!name.get()) velk::FatalError(this, texts::kParamError, texts::kSubjectAddFont);
    velk::LogWrite(this, texts::kTitle, texts::kAddFontTitle);
    velk::LogWrite(this, texts::kInfoText, texts::kFilePathLabel, name.get());
    char path[velk::kPathBytes];
    if (!velk::ResolveLoadPath(name, path)) velk::FatalError(this, texts::kFailed, texts::kFontFileNotFound);
    if (AddFontResourceExA(path, FR_PRIVATE, nullptr) == 0)
        velk::FatalError(this, texts::kFailed, texts::kFontFileRefused);
    AddedFonts.Paths.emplace_back(path);
    velk::LogWrite(this, texts::kSucceed);
    return S_OK;
}

void VelkObject::RemoveAddedFonts() {
    for (const std::string& path : AddedFonts.Paths) RemoveFontResourceExA(path.c_str(), FR_PRIVATE, nullptr);
    AddedFonts.Paths.clear();
}
