// SpriteSaveToFile: a sprite's picture as a PNG or BMP file through the
// platform's image codecs, written beside the target and moved over it only
// once complete, so that a failed save leaves the old file as it was.
#include <windows.h>
#include <wincodec.h>

#include <vector>

#include "core/ansi.h"
#include "core/log.h"
#include "core/texts.h"
#include "core/user_directory.h"  // for: kPathBytes
#include "core/velk.h"
#include "graphics/picture_saving.h"

namespace {

// The picture as 0x00RRGGBB words, top row first: a GDI sprite's upper half
// as it is (its mask rows left out), a surface through its context.
std::vector<uint32_t> PictureWords(velk::SpriteSlot& slot) {
    const LONG width = slot.Width, height = slot.Height;
    std::vector<uint32_t> words(size_t(width) * size_t(height));
    if (slot.MemoryDC) {
        GdiFlush();  // drawing may still be queued for the section's memory
        std::copy(slot.Pixels, slot.Pixels + words.size(), words.begin());
        return words;
    }
    velk::ReleaseHeldLock(slot);
    // The platform's copy would not keep the alpha byte; such a surface holds the words as they are.
    if (slot.PerPixelAlpha && velk::DirectDrawSpriteCopyWords(slot.Surface, words.data(), width, height, false))
        return words;
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC surface_dc = nullptr;
    if (section && slot.Surface && SUCCEEDED(slot.Surface->GetDC(&surface_dc))) {
        HDC memory = CreateCompatibleDC(surface_dc);
        HGDIOBJ old = SelectObject(memory, section);
        BitBlt(memory, 0, 0, width, height, surface_dc, 0, 0, SRCCOPY);
        GdiFlush();
        const uint32_t* from = static_cast<const uint32_t*>(bits);
        std::copy(from, from + words.size(), words.begin());
        SelectObject(memory, old);
        DeleteDC(memory);
        slot.Surface->ReleaseDC(surface_dc);
    }
    if (section) DeleteObject(section);
    return words;
}

// Encodes 24-bit BGR rows, or 32-bit BGRA ones with `alpha`, into `path`;
// false at the first step the codec refuses.
bool EncodePicture(const wchar_t* path, velk::SavedFormat format, const std::vector<uint8_t>& bgr, UINT width,
                   UINT height, bool alpha) {
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    const WICPixelFormatGUID rows_format = alpha ? GUID_WICPixelFormat32bppBGRA : GUID_WICPixelFormat24bppBGR;
    const UINT bytes_per_pixel = alpha ? 4 : 3;
    WICPixelFormatGUID pixel_format = rows_format;
    const GUID& container = format == velk::SavedFormat::kPng ? GUID_ContainerFormatPng : GUID_ContainerFormatBmp;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                  reinterpret_cast<void**>(&factory));
    if (SUCCEEDED(hr)) hr = factory->CreateStream(&stream);
    if (SUCCEEDED(hr)) hr = stream->InitializeFromFilename(path, GENERIC_WRITE);
    if (SUCCEEDED(hr)) hr = factory->CreateEncoder(container, nullptr, &encoder);
    if (SUCCEEDED(hr)) hr = encoder->Initialize(stream, WICBitmapEncoderNoCache);
    if (SUCCEEDED(hr)) hr = encoder->CreateNewFrame(&frame, nullptr);
    if (SUCCEEDED(hr)) hr = frame->Initialize(nullptr);
    if (SUCCEEDED(hr)) hr = frame->SetSize(width, height);
    if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&pixel_format);
    // The codec may offer another format; only the one the rows are in will do.
    if (SUCCEEDED(hr) && !IsEqualGUID(pixel_format, rows_format)) hr = E_FAIL;
    if (SUCCEEDED(hr))
        hr = frame->WritePixels(height, width * bytes_per_pixel, static_cast<UINT>(bgr.size()), const_cast<BYTE*>(bgr.data()));
    if (SUCCEEDED(hr)) hr = frame->Commit();
    if (SUCCEEDED(hr)) hr = encoder->Commit();
    if (frame) frame->Release();
    if (encoder) encoder->Release();
    if (stream) stream->Release();
    if (factory) factory->Release();
    return SUCCEEDED(hr);
}

}  // namespace

HRESULT VelkObject::SpriteSaveToFile(LONG SpriteID, BSTR FileName) {
    namespace texts = velk::texts;
    velk::SpriteSlot& slot = CheckedSprite(SpriteID, 0, texts::kSubjectSpriteSave, texts::kSpriteRangeAny);
    const velk::AnsiText name = velk::ToAnsi(FileName);
    if (!name.get()) velk::FatalError(this, texts::kParamError, texts::kSubjectSpriteSave);
    velk::LogWrite(this, texts::kTitle, texts::kSpriteSaveTitle);
    velk::LogWrite(this, texts::kInfoText, texts::kFilePathLabel, name.get());
    const velk::SavedFormat format = velk::SavedFormatOf(name.get());
    if (format == velk::SavedFormat::kUnknown) velk::FatalError(this, texts::kFailed, texts::kSavedFormatUnknown);

    // The host's name as it came (not its ANSI form): any file name the platform takes.
    const wchar_t* target = FileName;
    wchar_t staging[velk::kPathBytes];
    if (!velk::StagingNameFor(target, staging, velk::kPathBytes))
        velk::FatalError(this, texts::kFailed, texts::kSpriteSaveFailed);

    const std::vector<uint32_t> words = PictureWords(slot);
    // A PNG keeps the alpha of a sprite that has one; a BMP is 24-bit always.
    const bool alpha = slot.PerPixelAlpha && format == velk::SavedFormat::kPng;
    std::vector<uint8_t> bytes(words.size() * (alpha ? 4 : 3));
    if (alpha)
        velk::AlphaWordsToBgra(words.data(), bytes.data(), words.size());
    else
        velk::WordsToBgr(words.data(), bytes.data(), words.size());
    const bool written = EncodePicture(staging, format, bytes, UINT(slot.Width), UINT(slot.Height), alpha);
    if (!written || !MoveFileExW(staging, target, MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(staging);
        velk::FatalError(this, texts::kFailed, texts::kSpriteSaveFailed);
    }
    velk::LogWrite(this, texts::kSucceed);
    return S_OK;
}
