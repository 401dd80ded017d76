// DAddFont: the fonts of a TrueType or OpenType file for this process only, so
// that a game can draw with a font it ships without installing it. The object
// takes each file back when it goes.
#include <windows.h>

#include <cstring>

#include "core/ansi.h"
#include "core/log.h"
#include "core/texts.h"
#include "core/user_directory.h"
#include "core/velk.h"

namespace {

bool Opens(const char* path) {
    HANDLE file =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

// The name as passed, else the name inside the user directory, as the picture
// loaders find files; false when neither opens or the name does not fit.
bool ResolveReadablePath(const char* name, char (&path)[velk::kPathBytes]) {
    if (strlen(name) >= velk::kPathBytes) return false;
    strcpy(path, name);
    if (Opens(path)) return true;
    return velk::UserDirectory(path) && velk::ComposeUserFilePath(path, name) && Opens(path);
}

}  // namespace

HRESULT VelkObject::DAddFont(BSTR FileName) {
    namespace texts = velk::texts;
    const velk::AnsiText name = velk::ToAnsi(FileName);
    if (!name.get()) velk::FatalError(this, texts::kParamError, texts::kSubjectAddFont);
    velk::LogWrite(this, texts::kTitle, texts::kAddFontTitle);
    velk::LogWrite(this, texts::kInfoText, texts::kFilePathLabel, name.get());
    char path[velk::kPathBytes];
    if (!ResolveReadablePath(name, path)) velk::FatalError(this, texts::kFailed, texts::kFontFileNotFound);
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
