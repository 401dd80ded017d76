// Shared parts of the image loader modules; see loader_contract.h.
#include "loader_contract.h"

#include <wincodec.h>  // for: the imaging component's factory, decoders and converter

#include <cstring>

namespace velk_loader {

namespace {

// Far beyond any sprite; keeps width * height * 4 inside 32 bits.
constexpr UINT kMaxExtent = 0x7FFF;
constexpr UINT kMaxPixels = 64u << 20;

// COM for the duration of one call, only when the thread has none yet; a
// thread already in another apartment is left as it is (the factory still
// works there).
class ComForThisCall {
public:
    ComForThisCall() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComForThisCall() {
        if (result_ == S_OK || result_ == S_FALSE) CoUninitialize();
    }
    ComForThisCall(const ComForThisCall&) = delete;
    ComForThisCall& operator=(const ComForThisCall&) = delete;

private:
    HRESULT result_;
};

template <typename T>
class Com {
public:
    Com() = default;
    ~Com() {
        if (p_) p_->Release();
    }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    T** out() { return &p_; }
    T* operator->() const { return p_; }
    T* get() const { return p_; }

private:
    T* p_ = nullptr;
};

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (valid()) CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

void Report(ProgressFunction progress, int position, int total, LONG data) {
    if (progress) progress(position, total, int(data));
}

// Frame 0 of the file as 32-bit BGRA rows, bottom-up, into two fresh blocks.
bool DecodeFrame(IWICImagingFactory* factory, HANDLE file, HLOCAL* info, HLOCAL* bits) {
    Com<IWICBitmapDecoder> decoder;
    if (FAILED(factory->CreateDecoderFromFileHandle(ULONG_PTR(file), nullptr, WICDecodeMetadataCacheOnDemand,
                                                    decoder.out())))
        return false;
    Com<IWICBitmapFrameDecode> frame;
    if (FAILED(decoder->GetFrame(0, frame.out()))) return false;
    Com<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(converter.out()))) return false;
    if (FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr,
                                     0.0, WICBitmapPaletteTypeCustom)))
        return false;
    UINT width = 0, height = 0;
    if (FAILED(converter->GetSize(&width, &height))) return false;
    if (width == 0 || height == 0 || width > kMaxExtent || height > kMaxExtent || width * height > kMaxPixels)
        return false;

    const UINT stride = width * 4;
    HLOCAL header_block = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, sizeof(BITMAPINFOHEADER));
    HLOCAL rows_block = LocalAlloc(LMEM_MOVEABLE, SIZE_T(stride) * height);
    bool ok = header_block && rows_block;
    if (ok) {
        auto* rows = static_cast<BYTE*>(LocalLock(rows_block));
        // The codec writes top-down; asking row by row from the bottom stores the
        // rows bottom-up, the common layout of a device-independent bitmap.
        for (UINT y = 0; ok && y < height; ++y) {
            const WICRect row = {0, INT(height - 1 - y), INT(width), 1};
            ok = SUCCEEDED(converter->CopyPixels(&row, stride, stride, rows + SIZE_T(y) * stride));
        }
        LocalUnlock(rows_block);
    }
    if (!ok) {
        if (header_block) LocalFree(header_block);
        if (rows_block) LocalFree(rows_block);
        return false;
    }
    auto* header = static_cast<BITMAPINFOHEADER*>(LocalLock(header_block));
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = LONG(width);
    header->biHeight = LONG(height);
    header->biPlanes = 1;
    header->biBitCount = 32;
    header->biCompression = BI_RGB;
    header->biSizeImage = DWORD(stride) * height;
    LocalUnlock(header_block);
    *info = header_block;
    *bits = rows_block;
    return true;
}

}  // namespace

bool FileStartsWith(HANDLE file, const uint8_t* signature, size_t size) {
    LARGE_INTEGER zero{}, position{};
    if (!SetFilePointerEx(file, zero, &position, FILE_CURRENT)) return false;
    uint8_t head[16];
    DWORD got = 0;
    const bool read = size <= sizeof head && ReadFile(file, head, DWORD(size), &got, nullptr);
    SetFilePointerEx(file, position, nullptr, FILE_BEGIN);
    return read && got == size && memcmp(head, signature, size) == 0;
}

bool DecodeToBlocks(const char* name, HLOCAL* info, HLOCAL* bits, ProgressFunction progress, LONG data) {
    if (!name || !info || !bits) return false;
    *info = nullptr;
    *bits = nullptr;
    FileHandle file(
        CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    Report(progress, 0, 2, data);
    ComForThisCall com;
    Com<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(factory.out()))))
        return false;
    if (!DecodeFrame(factory.get(), file.get(), info, bits)) return false;
    Report(progress, 2, 2, data);
    return true;
}

}  // namespace velk_loader

// The same for every module: only the signature test differs between them.
extern "C" int WINAPI GetPicture(const char* name, LONG offset, LONG flags, HLOCAL* info, HLOCAL* bits,
                                 velk_loader::ProgressFunction progress, LONG data) {
    // Only a file on disk whose picture starts at its beginning.
    if (offset != 0 || flags != 0) return kLoaderFailed;
    return velk_loader::DecodeToBlocks(name, info, bits, progress, data) ? kLoaderOk : kLoaderFailed;
}
