// SpriteLoadFromFile: a user sprite from an image file. PNG and JPEG files go
// through the two loader modules, BMP files are checked here byte by byte; every
// picture is drawn from a checked device-independent bitmap.
#include <windows.h>

#include <cstring>
#include <vector>

#include "core/ansi.h"
#include "core/log.h"
#include "core/texts.h"
#include "core/user_directory.h"
#include "core/velk.h"
#include "graphics/image_formats.h"

namespace {

using IsSupportedFunction = int(WINAPI*)(const char* name, HANDLE file);
using ProgressFunction = int(WINAPI*)(int position, int total, int data);
using GetPictureFunction = int(WINAPI*)(const char* name, LONG offset, LONG flags, HLOCAL* info, HLOCAL* bits,
                                        ProgressFunction progress, LONG data);

// Larger BMP files are refused rather than read into memory.
constexpr size_t kMaxBitmapFileBytes = 64u << 20;

int WINAPI LoaderProgress(int, int, int) { return 0; }  // always: go on

// One loader module, loaded for the duration of one call.
struct Loader {
    HMODULE Module = nullptr;
    IsSupportedFunction IsSupported = nullptr;
    GetPictureFunction GetPicture = nullptr;
    ~Loader() {
        if (Module) FreeLibrary(Module);
    }
};

void LoadLoader(VelkObject* self, Loader& loader, const char* module, const char* missing, const char* invalid,
                const char* ready) {
    loader.Module = LoadLibraryA(module);
    if (!loader.Module) velk::FatalError(self, velk::texts::kFailed, missing);
    // Through void*: the exports' real types differ from the platform's generic one.
    loader.IsSupported = reinterpret_cast<IsSupportedFunction>(
        reinterpret_cast<void*>(GetProcAddress(loader.Module, velk::texts::kLoaderIsSupported)));
    loader.GetPicture = reinterpret_cast<GetPictureFunction>(
        reinterpret_cast<void*>(GetProcAddress(loader.Module, velk::texts::kLoaderGetPicture)));
    if (!loader.IsSupported || !loader.GetPicture) velk::FatalError(self, velk::texts::kFailed, invalid);
    velk::LogWrite(self, velk::texts::kStep, ready);
}

HANDLE OpenForReading(const char* path) {
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The name as passed, else the name inside the user directory; false when
// neither opens (or the name does not fit the path buffer).
bool ResolveImagePath(const char* name, char (&path)[velk::kPathBytes]) {
    if (strlen(name) >= velk::kPathBytes) return false;
    strcpy(path, name);
    HANDLE file = OpenForReading(path);
    if (file == INVALID_HANDLE_VALUE) {
        if (!velk::UserDirectory(path) || !velk::ComposeUserFilePath(path, name)) return false;
        file = OpenForReading(path);
        if (file == INVALID_HANDLE_VALUE) return false;
    }
    CloseHandle(file);
    return true;
}

// Asks a loader whether it takes the file; it reads through a fresh handle.
bool LoaderClaims(const Loader& loader, const char* name, const char* path) {
    HANDLE file = OpenForReading(path);
    if (file == INVALID_HANDLE_VALUE) return false;
    const int answer = loader.IsSupported(name, file);
    CloseHandle(file);
    return answer != 0;
}

bool ReadWholeFile(const char* path, std::vector<BYTE>* bytes) {
    HANDLE file = OpenForReading(path);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart <= LONGLONG(kMaxBitmapFileBytes);
    if (ok) {
        bytes->resize(size_t(size.QuadPart));
        DWORD got = 0;
        ok = bytes->empty() || (ReadFile(file, bytes->data(), DWORD(bytes->size()), &got, nullptr) &&
                                got == bytes->size());
    }
    CloseHandle(file);
    return ok;
}

// The two blocks a loader hands over, locked for as long as this lives.
class LoaderBlocks {
public:
    ~LoaderBlocks() {
        for (HLOCAL block : {info_, bits_}) {
            if (!block) continue;
            LocalUnlock(block);
            LocalFree(block);
        }
    }
    HLOCAL* info() { return &info_; }
    HLOCAL* bits() { return &bits_; }
    bool Check(velk::DibView* view) {
        if (!info_ || !bits_) return false;
        const void* info = LocalLock(info_);
        const void* bits = LocalLock(bits_);
        return velk::CheckDib(info, LocalSize(info_), bits, LocalSize(bits_), view);
    }

private:
    HLOCAL info_ = nullptr;
    HLOCAL bits_ = nullptr;
};

}  // namespace

void VelkObject::ReplaceSpriteWithPicture(int index, const velk::DibView& picture) {
    velk::SpriteSlot& slot = SpriteTable[index];
    const LONG key = slot.ColorKey;
    SpriteKill(slot, index, velk::kKillWhatever);
    // Before any mode there is no DirectDraw object: such a sprite is GDI.
    const int kind = GraphicsMode == 0 ? velk::kMakeGdi : GraphicsMode;
    SpriteMake(slot, index, DirectDrawObject, picture.Width, picture.Height, kind);
    HDC dc = velk::SpriteGetDC(slot);
    if (dc) {
        StretchDIBits(dc, 0, 0, picture.Width, picture.Height, 0, 0, picture.Width, picture.Height, picture.Bits,
                      picture.Info, DIB_RGB_COLORS, SRCCOPY);
        velk::SpriteReleaseDC(slot, dc);
    }
    SpriteColorKey(slot, index, key);
}

HRESULT VelkObject::SpriteLoadFromFile(LONG SpriteID, BSTR FileName) {
    namespace texts = velk::texts;
    CheckSpriteRange(SpriteID, 1, texts::kSubjectSpriteLoad, texts::kSpriteRangeFromOne);
    const velk::AnsiText name = velk::ToAnsi(FileName);
    if (!name.get()) velk::FatalError(this, texts::kParamError, texts::kSubjectSpriteLoad);
    velk::LogWrite(this, texts::kTitle, texts::kSpriteLoadTitle);
    velk::LogWrite(this, texts::kInfoText, texts::kFilePathLabel, name.get());

    Loader jpeg, png;
    LoadLoader(this, jpeg, texts::kJpegLoaderModule, texts::kJpegLoaderMissing, texts::kJpegLoaderInvalid,
               texts::kJpegLoaderReady);
    LoadLoader(this, png, texts::kPngLoaderModule, texts::kPngLoaderMissing, texts::kPngLoaderInvalid,
               texts::kPngLoaderReady);

    char path[velk::kPathBytes];
    if (!ResolveImagePath(name, path)) velk::FatalError(this, texts::kFailed, texts::kImageNotFound);

    const Loader* chosen = nullptr;
    if (LoaderClaims(jpeg, name, path)) {
        chosen = &jpeg;
        velk::LogWrite(this, texts::kStep, texts::kAsJpeg);
    }
    if (LoaderClaims(png, name, path)) {
        chosen = &png;
        velk::LogWrite(this, texts::kStep, texts::kAsPng);
    }

    velk::DibView picture{};
    if (chosen) {
        LoaderBlocks blocks;
        const int result = chosen->GetPicture(path, 0, 0, blocks.info(), blocks.bits(), LoaderProgress, 0);
        // A failed or nonsensical answer must not reach the sprite: its blocks are not used.
        if (result != 0 || !blocks.Check(&picture)) velk::FatalError(this, texts::kFailed, texts::kImageDecodeFailed);
        ReplaceSpriteWithPicture(SpriteID, picture);
    } else {
        std::vector<BYTE> bytes;
        if (!ReadWholeFile(path, &bytes) || !velk::ParseBmpFile(bytes.data(), bytes.size(), &picture))
            velk::FatalError(this, texts::kFailed, texts::kImageUnsupported);
        velk::LogWrite(this, texts::kStep, texts::kAsBitmap);
        ReplaceSpriteWithPicture(SpriteID, picture);
    }

    velk::LogWrite(this, texts::kInfoPair, texts::kWidthLabel, picture.Width, texts::kHeightLabel, picture.Height);
    velk::LogWrite(this, texts::kSucceed);
    return S_OK;
}
