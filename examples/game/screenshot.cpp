// Window client area -> DIB section -> WIC PNG encoder -> file.
#include "screenshot.h"

#include <wincodec.h>  // for: the PNG encoder

namespace star_catcher {
namespace {

template <typename T>
struct Releaser {
    T* p = nullptr;
    ~Releaser() {
        if (p) p->Release();
    }
    T** operator&() { return &p; }
    T* operator->() { return p; }
};

bool EncodePng(const wchar_t* path, int width, int height, const BYTE* pixels, UINT stride) {
    Releaser<IWICImagingFactory> factory;
    Releaser<IWICStream> stream;
    Releaser<IWICBitmapEncoder> encoder;
    Releaser<IWICBitmapFrameEncode> frame;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    bool ok = SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                         reinterpret_cast<void**>(&factory))) &&
              SUCCEEDED(factory->CreateStream(&stream)) &&
              SUCCEEDED(stream->InitializeFromFilename(path, GENERIC_WRITE)) &&
              SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
              SUCCEEDED(encoder->Initialize(stream.p, WICBitmapEncoderNoCache)) &&
              SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
              SUCCEEDED(frame->SetSize(width, height)) && SUCCEEDED(frame->SetPixelFormat(&format)) &&
              IsEqualGUID(format, GUID_WICPixelFormat24bppBGR) &&
              SUCCEEDED(frame->WritePixels(height, stride, stride * height, const_cast<BYTE*>(pixels))) &&
              SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
    return ok;
}

}  // namespace

bool SaveWindowAsPng(HWND window, const wchar_t* path) {
    RECT client;
    if (!GetClientRect(window, &client)) return false;
    const int width = client.right, height = client.bottom;
    if (width <= 0 || height <= 0) return false;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down, as the encoder reads rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HDC window_dc = GetDC(window);
    HDC memory_dc = CreateCompatibleDC(window_dc);
    HBITMAP bitmap = CreateDIBSection(window_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bitmap && memory_dc) {
        HGDIOBJ old = SelectObject(memory_dc, bitmap);
        ok = BitBlt(memory_dc, 0, 0, width, height, window_dc, 0, 0, SRCCOPY);
        GdiFlush();
        SelectObject(memory_dc, old);
        const UINT stride = (static_cast<UINT>(width) * 3 + 3) & ~3u;
        ok = ok && EncodePng(path, width, height, static_cast<const BYTE*>(bits), stride);
    }
    if (bitmap) DeleteObject(bitmap);
    if (memory_dc) DeleteDC(memory_dc);
    ReleaseDC(window, window_dc);
    return ok;
}

}  // namespace star_catcher
