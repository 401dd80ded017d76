// SpriteLoadFromFile: a user sprite from an image file. PNG and JPEG files go
// through the two loader modules, BMP files through the platform's bitmap loader
// after a check of their headers; every picture is drawn from a checked
// device-independent bitmap.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "core/ansi.h"
#include "core/log.h"
#include "core/texts.h"
#include "core/user_directory.h"
#include "core/velk.h"
#include "graphics/image_formats.h"
#include "graphics/load_paths.h"

namespace {

using IsSupportedFunction = int(WINAPI*)(const char* name, HANDLE file);
using ProgressFunction = int(WINAPI*)(int position, int total, int data);
using GetPictureFunction = int(WINAPI*)(const char* name, LONG offset, LONG flags, HLOCAL* info, HLOCAL* bits,
                                        ProgressFunction progress, LONG data);

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

// Asks a loader whether it takes the file; it reads through a fresh handle.
bool LoaderClaims(const Loader& loader, const char* name, const char* path) {
    HANDLE file = OpenForReading(path);
    if (file == INVALID_HANDLE_VALUE) return false;
    const int answer = loader.IsSupported(name, file);
    CloseHandle(file);
    return answer != 0;
}

// The file's first bytes (up to kBmpHeadBytes) and its size.
bool ReadHead(const char* path, uint8_t (&head)[velk::kBmpHeadBytes], size_t* head_bytes, uint64_t* file_bytes) {
    HANDLE file = OpenForReading(path);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    DWORD got = 0;
    const bool ok = GetFileSizeEx(file, &size) && ReadFile(file, head, sizeof head, &got, nullptr);
    CloseHandle(file);
    *head_bytes = got;
    *file_bytes = uint64_t(size.QuadPart);
    return ok;
}

// The platform's bitmap loader; a device-independent section where it can make
// one, else (some run-length files) a device bitmap, read the same way below.
HBITMAP LoadBitmapFile(const char* path) {
    HANDLE image = LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    if (!image) image = LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
    return static_cast<HBITMAP>(image);
}

// Two kinds of file that Wine's bitmap loader gets wrong are drawn from their
// own bytes instead, through the platform's DIB drawing: rows stored top row
// first (the loader hands back black) and core headers with a colour table
// (the loader misreads the three-byte entries). Both are uncompressed.
constexpr size_t kMaxOwnDrawnFileBytes = 64u << 20;
constexpr size_t kFileHeaderBytes = 14;

struct OwnDrawnBitmap {
    std::vector<BYTE> File;
    // A core header, rewritten as an info header with four-byte entries.
    struct {
        BITMAPINFOHEADER Header;
        RGBQUAD Table[256];
    } Info{};
};

bool ReadOwnDrawnBitmap(const char* path, const uint8_t* head, size_t head_bytes, OwnDrawnBitmap* out,
                        velk::DibView* view) {
    HANDLE file = OpenForReading(path);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::vector<BYTE>& bytes = out->File;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart <= LONGLONG(kMaxOwnDrawnFileBytes);
    if (ok) {
        bytes.resize(size_t(size.QuadPart));
        DWORD got = 0;
        ok = ReadFile(file, bytes.data(), DWORD(bytes.size()), &got, nullptr) && got == bytes.size();
    }
    CloseHandle(file);
    if (!ok || bytes.size() < kFileHeaderBytes) return false;
    // CheckBmpHeaders has already put the rows' offset inside the file.
    const BYTE* data = bytes.data();
    const size_t rows_offset = data[10] | data[11] << 8 | data[12] << 16 | size_t(data[13]) << 24;
    const size_t entries = velk::CoreColorTable(head, head_bytes, out->Info.Table);
    if (entries == 0)
        return velk::CheckDib(data + kFileHeaderBytes, rows_offset - kFileHeaderBytes, data + rows_offset,
                              bytes.size() - rows_offset, view);
    BITMAPINFOHEADER& header = out->Info.Header;
    header.biSize = sizeof header;
    header.biWidth = data[18] | data[19] << 8;
    header.biHeight = data[20] | data[21] << 8;
    header.biPlanes = 1;
    header.biBitCount = WORD(data[24] | data[25] << 8);
    header.biCompression = BI_RGB;
    return velk::CheckDib(&out->Info, sizeof header + entries * sizeof(RGBQUAD), data + rows_offset,
                          bytes.size() - rows_offset, view);
}

// A loaded bitmap as 32-bit top-down rows with their description.
struct BitmapPixels {
    BITMAPINFO Info{};
    std::vector<uint32_t> Rows;
};

bool ReadBitmapPixels(HBITMAP bitmap, BitmapPixels* out, velk::DibView* view) {
    BITMAP shape{};
    if (!GetObjectA(bitmap, sizeof shape, &shape)) return false;
    if (shape.bmWidth <= 0 || shape.bmHeight <= 0 || shape.bmWidth > velk::kMaxPictureExtent ||
        shape.bmHeight > velk::kMaxPictureExtent)
        return false;
    BITMAPINFOHEADER& header = out->Info.bmiHeader;
    header.biSize = sizeof header;
    header.biWidth = shape.bmWidth;
    header.biHeight = -shape.bmHeight;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    out->Rows.resize(size_t(shape.bmWidth) * size_t(shape.bmHeight));
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, bitmap, 0, UINT(shape.bmHeight), out->Rows.data(), &out->Info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != shape.bmHeight) return false;
    *view = {&out->Info, out->Rows.data(), shape.bmWidth, shape.bmHeight};
    return true;
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
        bits_locked_ = LocalLock(bits_);
        return velk::CheckDib(info, LocalSize(info_), bits_locked_, LocalSize(bits_), view);
    }
    // After Check: the rows, which are the caller's to change.
    void* MutableBits() { return bits_locked_; }

private:
    HLOCAL info_ = nullptr;
    HLOCAL bits_ = nullptr;
    void* bits_locked_ = nullptr;
};

// A 32-bit picture from a loader carries alpha; the sprite has none.
void FlattenLoaderAlpha(LoaderBlocks& blocks, const velk::DibView& picture, LONG color_key) {
    const BITMAPINFOHEADER& header = picture.Info->bmiHeader;
    if (header.biBitCount != 32 || header.biCompression != BI_RGB) return;
    velk::FlattenAlpha(static_cast<uint32_t*>(blocks.MutableBits()), size_t(picture.Width) * size_t(picture.Height),
                       color_key);
}

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
    if (slot.PerPixelAlpha) {
        // The file's alpha as it is; a picture without alpha is opaque (drawing
        // need not leave the byte above the colour clear).
        std::vector<uint32_t> pixels;
        if (velk::DibAlphaPixels(picture, &pixels))
            velk::PutAlphaPicture(slot, pixels.data(), pixels.size());
        else
            velk::MakePictureOpaque(slot);
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
    if (!velk::ResolveLoadPath(name, path)) velk::FatalError(this, texts::kFailed, texts::kImageNotFound);

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
        if (result != 0 || !blocks.Check(&picture)) {
            char message[velk::kLogEntryBytes];
            snprintf(message, sizeof message, texts::kImageDecodeFailed, path);
            velk::FatalError(this, texts::kFailed, message);
        }
        // A sprite that keeps alpha takes the loader's alpha as it is.
        if (!SpriteTable[SpriteID].PerPixelAlpha) FlattenLoaderAlpha(blocks, picture, SpriteTable[SpriteID].ColorKey);
        ReplaceSpriteWithPicture(SpriteID, picture);
    } else {
        // The headers are checked first so that the platform's loader never reads past the file.
        uint8_t head[velk::kBmpHeadBytes];
        size_t head_bytes = 0;
        uint64_t file_bytes = 0;
        bool top_down = false;
        const bool checked = ReadHead(path, head, &head_bytes, &file_bytes) &&
                             velk::CheckBmpHeaders(head, head_bytes, file_bytes, &top_down);
        RGBQUAD core_table[256];
        // The platform's loader drops an alpha mask; a sprite that keeps alpha reads the rows itself.
        const bool alpha_rows = SpriteTable[SpriteID].PerPixelAlpha && velk::BmpCarriesAlpha(head, head_bytes);
        const bool own_drawn = top_down || alpha_rows || velk::CoreColorTable(head, head_bytes, core_table) != 0;
        HBITMAP bitmap = checked && !own_drawn ? LoadBitmapFile(path) : nullptr;
        BitmapPixels pixels;
        OwnDrawnBitmap own;
        const bool read = bitmap ? ReadBitmapPixels(bitmap, &pixels, &picture)
                                 : checked && own_drawn && ReadOwnDrawnBitmap(path, head, head_bytes, &own, &picture);
        if (bitmap) DeleteObject(bitmap);
        if (!read) velk::FatalError(this, texts::kFailed, texts::kImageUnsupported);
        velk::LogWrite(this, texts::kStep, texts::kAsBitmap);
        ReplaceSpriteWithPicture(SpriteID, picture);
    }

    velk::LogWrite(this, texts::kInfoPair, texts::kWidthLabel, picture.Width, texts::kHeightLabel, picture.Height);
    velk::LogWrite(this, texts::kSucceed);
    return S_OK;
}

namespace velk {

bool ResolveLoadPath(const char* name, char (&path)[kPathBytes]) {
    if (strlen(name) >= kPathBytes) return false;
    strcpy(path, name);
    HANDLE file = OpenForReading(path);
    if (file == INVALID_HANDLE_VALUE) {
        if (!UserDirectory(path) || !ComposeUserFilePath(path, name)) return false;
        file = OpenForReading(path);
        if (file == INVALID_HANDLE_VALUE) return false;
    }
    CloseHandle(file);
    return true;
}

}  // namespace velk
