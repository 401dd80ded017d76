// Sprites as a game draws them, through the interface as a host calls it: each
// frame clears the 640 x 480 back buffer, moves and draws N colour-keyed sprites
// and presents. Printed beside the peer's frame rates (measured by
// bench/sprite_bench.sh in the same run and passed in) and the memory limit (a
// memcpy of the frame's bytes, measured here), with the share of on-time frames
// at 60 fps. Every frame rate is the median of three runs. Modes 1 and 2 then
// run the alpha storm: the same frames with 32 x 32 sprites that keep per-pixel
// alpha (soft edges), beside the peer's blended sprites (--alpha-peer).
//   sprite_bench.exe ICON.BMP [--fullscreen] [--peer N=FPS]... [--alpha-peer N=FPS]...
// Modes 1 and 2 by default; --fullscreen runs mode 3 alone (in the bed whose
// display is 640 x 480 x 16).
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <vector>

#include "bench_support.h"
#include "core/velk.h"

using namespace velk_bench;

namespace {

constexpr LONG kWidth = 640, kHeight = 480;
constexpr LONG kSpriteId = 1, kAlphaSpriteId = 2;
constexpr LONG kBackground = 0xA0A0A0;
constexpr int kRuns = 3;
constexpr int kCounts[] = {100, 1000, 4000};
constexpr int kAlphaCounts[] = {1000, 4000};
constexpr LONG kAlphaSide = 32;
// Frames of one timed run: enough for about this long, within these bounds, so
// the slow figures of today and the fast ones to come both take seconds.
constexpr double kRunMs = 600;
constexpr int kMinFrames = 20, kMaxFrames = 3000;
constexpr int kPacedSprites = 1000, kPacedFrames = 240;

struct Mover {
    LONG x, y, dx, dy;
};

struct Picture {
    LONG id = kSpriteId;
    LONG width = 0, height = 0;
};

// The sprite's size from the file's own header, as the peer knows it.
Picture BmpSize(const char* path) {
    Picture picture;
    FILE* file = fopen(path, "rb");
    if (!file) return picture;
    BITMAPFILEHEADER file_header;
    BITMAPINFOHEADER info;
    if (fread(&file_header, sizeof file_header, 1, file) == 1 && fread(&info, sizeof info, 1, file) == 1) {
        picture.width = info.biWidth;
        picture.height = std::abs(info.biHeight);
    }
    fclose(file);
    return picture;
}

// The same sprites every run: places anywhere inside the frame, one step a
// frame in a direction drawn from {-1, 0, 1} on each axis, never standing still.
std::vector<Mover> Scatter(int count, const Picture& sprite) {
    std::mt19937 random(12345);
    std::uniform_int_distribution<LONG> x(0, kWidth - sprite.width - 1), y(0, kHeight - sprite.height - 1),
        step(-1, 1);
    std::vector<Mover> movers(count);
    for (Mover& m : movers) {
        m.x = x(random);
        m.y = y(random);
        do {
            m.dx = step(random);
            m.dy = step(random);
        } while (m.dx == 0 && m.dy == 0);
    }
    return movers;
}

// One step; a sprite that would leave the frame turns back instead.
void Move(Mover& m, const Picture& sprite) {
    m.x += m.dx;
    if (m.x < 0 || m.x >= kWidth - sprite.width) {
        m.dx = -m.dx;
        m.x += m.dx;
    }
    m.y += m.dy;
    if (m.y < 0 || m.y >= kHeight - sprite.height) {
        m.dy = -m.dy;
        m.y += m.dy;
    }
}

// One frame as a host's loop has it. Returns KeepFPS after the Refresh.
LONG Frame(IVELK* velk, std::vector<Mover>& movers, const Picture& sprite) {
    LONG still_running = 0;
    velk->DoEvents(&still_running);
    velk->DrawBox(0, 0, kWidth, kHeight, kBackground, 1, 0);
    for (Mover& m : movers) {
        Move(m, sprite);
        velk->Blt(sprite.id, 0, 0, sprite.width, sprite.height, 0, m.x, m.y);
    }
    velk->Refresh();
    LONG on_time = 0;
    velk->get_KeepFPS(&on_time);
    return on_time;
}

double RunMs(IVELK* velk, int count, int frames, const Picture& sprite) {
    std::vector<Mover> movers = Scatter(count, sprite);
    const double start = NowMs();
    for (int i = 0; i < frames; ++i) Frame(velk, movers, sprite);
    return NowMs() - start;
}

// Unpaced frames per second, the median of kRuns runs after a short warm-up
// that also sizes the runs.
double FramesPerSecond(IVELK* velk, int count, const Picture& sprite) {
    const double warm_up_ms = RunMs(velk, count, kMinFrames, sprite);
    const int frames =
        std::clamp(static_cast<int>(kRunMs * kMinFrames / std::max(warm_up_ms, 1.0)), kMinFrames, kMaxFrames);
    std::vector<double> rates;
    for (int run = 0; run < kRuns; ++run) rates.push_back(1000.0 * frames / RunMs(velk, count, frames, sprite));
    std::sort(rates.begin(), rates.end());
    return rates[rates.size() / 2];
}

// The share of frames whose Refresh found them on time at 60 fps.
double OnTimeShare(IVELK* velk, const Picture& sprite) {
    velk->put_SoftwareFPS(60);
    std::vector<Mover> movers = Scatter(kPacedSprites, sprite);
    int on_time = 0;
    for (int i = 0; i < kPacedFrames; ++i) on_time += Frame(velk, movers, sprite) == 1;
    velk->put_SoftwareFPS(-1);
    return static_cast<double>(on_time) / kPacedFrames;
}

// Bytes per second that memcpy moves through a frame-sized buffer.
double MemcpyBytesPerSecond() { return kFrameBytes / (MemcpyOfAFrameMs(31) / 1000.0); }

int DisplayBytesPerPixel() {
    HDC screen = GetDC(nullptr);
    const int bits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    return bits <= 16 ? 2 : 4;
}

// The frame's bytes: the clear, the sprites and the presentation.
double FrameBytes(int count, const Picture& sprite, int bytes_per_pixel) {
    const double frame = static_cast<double>(kWidth) * kHeight;
    return (2 * frame + static_cast<double>(count) * sprite.width * sprite.height) * bytes_per_pixel;
}

void PrintRates(IVELK* velk, const int* counts, size_t count_number, const Picture& sprite,
                const std::map<int, double>& peer, double memcpy_rate, int bytes_per_pixel) {
    printf("  %6s %10s %10s %11s %14s %9s\n", "N", "ours fps", "peer fps", "ours/peer", "memory fps", "share");
    for (size_t i = 0; i < count_number; ++i) {
        const int count = counts[i];
        const double ours = FramesPerSecond(velk, count, sprite);
        const double limit = memcpy_rate / FrameBytes(count, sprite, bytes_per_pixel);
        const auto found = peer.find(count);
        if (found != peer.end()) {
            printf("  %6d %10.1f %10.1f %9.2f x %14.1f %8.1f%%\n", count, ours, found->second, ours / found->second,
                   limit, 100.0 * ours / limit);
        } else {
            printf("  %6d %10.1f %10s %11s %14.1f %8.1f%%\n", count, ours, "-", "-", limit, 100.0 * ours / limit);
        }
    }
}

// A 32 x 32 BMP with an alpha mask: a colour gradient, opaque within a radius
// of 11 pixels, fading out to nothing at 16 (soft edges, clear corners).
bool WriteSoftSprite(const char* path) {
    const LONG side = kAlphaSide;
    const DWORD rows_bytes = static_cast<DWORD>(side * side * 4);
    BITMAPV4HEADER header{};
    header.bV4Size = sizeof header;
    header.bV4Width = side;
    header.bV4Height = -side;
    header.bV4Planes = 1;
    header.bV4BitCount = 32;
    header.bV4V4Compression = BI_BITFIELDS;
    header.bV4SizeImage = rows_bytes;
    header.bV4RedMask = 0x00FF0000;
    header.bV4GreenMask = 0x0000FF00;
    header.bV4BlueMask = 0x000000FF;
    header.bV4AlphaMask = 0xFF000000;
    BITMAPFILEHEADER file_header{};
    file_header.bfType = 0x4D42;
    file_header.bfOffBits = sizeof file_header + sizeof header;
    file_header.bfSize = file_header.bfOffBits + rows_bytes;
    std::vector<uint32_t> pixels;
    for (LONG y = 0; y < side; ++y) {
        for (LONG x = 0; x < side; ++x) {
            const double dx = x + 0.5 - side / 2.0, dy = y + 0.5 - side / 2.0;
            const double distance = std::sqrt(dx * dx + dy * dy);
            const int alpha = distance <= 11 ? 255 : distance >= 16 ? 0 : static_cast<int>(255 * (16 - distance) / 5);
            const uint32_t colour = static_cast<uint32_t>(x * 8) << 16 | static_cast<uint32_t>(y * 8) << 8 | 0xC0;
            pixels.push_back(static_cast<uint32_t>(alpha) << 24 | colour);
        }
    }
    FILE* file = fopen(path, "wb");
    if (!file) return false;
    const bool written = fwrite(&file_header, sizeof file_header, 1, file) == 1 &&
                         fwrite(&header, sizeof header, 1, file) == 1 &&
                         fwrite(pixels.data(), rows_bytes, 1, file) == 1;
    return fclose(file) == 0 && written;
}

// The alpha storm in the current mode.
void BenchAlphaStorm(IVELK2* velk, LONG mode, BSTR soft_sprite, const std::map<int, double>& peer,
                     double memcpy_rate) {
    velk->SpriteSetAlpha(kAlphaSpriteId, 1);
    velk->SpriteLoadFromFile(kAlphaSpriteId, soft_sprite);
    Picture sprite;
    sprite.id = kAlphaSpriteId;
    sprite.width = sprite.height = kAlphaSide;
    const int bytes_per_pixel = DisplayBytesPerPixel();
    printf("mode %ld alpha storm: %ld x %ld sprites with per-pixel alpha (soft edges), median of %d runs\n",
           static_cast<long>(mode), static_cast<long>(kAlphaSide), static_cast<long>(kAlphaSide), kRuns);
    PrintRates(velk, kAlphaCounts, std::size(kAlphaCounts), sprite, peer, memcpy_rate, bytes_per_pixel);
    velk->SpriteState(kAlphaSpriteId, 0);
}

// `key` is -1 until the first load reads it: later loads keep the slot's key,
// which in mode 1 has already blackened the transparent pixels.
void BenchMode(IVELK* velk, VelkObject* object, LONG mode, BSTR icon, const Picture& sprite,
               const std::map<int, double>& peer, double memcpy_rate, LONG& key) {
    velk->Graphics(mode);
    velk->put_SoftwareFPS(-1);  // unpaced: no sleeps in the figures
    velk->SpriteLoadFromFile(kSpriteId, icon);
    // The peer's transparency: the colour of the picture's top-left pixel.
    if (key == -1) velk->DGetPixel(0, 0, kSpriteId, &key);
    velk->DSetColorKey(key, kSpriteId);
    const int bytes_per_pixel = DisplayBytesPerPixel();

    printf("mode %ld%s: %ld x %ld sprites keyed with 0x%06lX, %d bytes a pixel, median of %d runs\n",
           static_cast<long>(mode), object->GraphicsMode == mode ? "" : " (fell back to 1)",
           static_cast<long>(sprite.width), static_cast<long>(sprite.height), static_cast<unsigned long>(key),
           bytes_per_pixel, kRuns);
    PrintRates(velk, kCounts, std::size(kCounts), sprite, peer, memcpy_rate, bytes_per_pixel);
    printf("  on time at 60 fps with %d sprites: %.1f%% of %d frames\n", kPacedSprites,
           100.0 * OnTimeShare(velk, sprite), kPacedFrames);
    velk->SpriteState(kSpriteId, 0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: sprite_bench.exe ICON.BMP [--fullscreen] [--peer N=FPS]... [--alpha-peer N=FPS]...\n");
        return 2;
    }
    const char* icon_path = argv[1];
    bool fullscreen = false;
    std::map<int, double> peer, alpha_peer;
    for (int i = 2; i < argc; ++i) {
        int count = 0;
        double fps = 0;
        if (strcmp(argv[i], "--fullscreen") == 0) {
            fullscreen = true;
        } else if (strcmp(argv[i], "--peer") == 0 && i + 1 < argc && sscanf(argv[i + 1], "%d=%lf", &count, &fps) == 2) {
            peer[count] = fps;
            ++i;
        } else if (strcmp(argv[i], "--alpha-peer") == 0 && i + 1 < argc &&
                   sscanf(argv[i + 1], "%d=%lf", &count, &fps) == 2) {
            alpha_peer[count] = fps;
            ++i;
        } else {
            fprintf(stderr, "sprite_bench: unknown argument %s\n", argv[i]);
            return 2;
        }
    }
    const Picture sprite = BmpSize(icon_path);
    if (sprite.width <= 0 || sprite.height <= 0 || sprite.width >= kWidth || sprite.height >= kHeight) {
        fprintf(stderr, "sprite_bench: cannot read a picture from %s\n", icon_path);
        return 2;
    }

    VelkObject* object = CreateBenchObject("VelkSpriteBench");
    if (!object) return 2;
    IVELK2* velk = nullptr;
    if (FAILED(object->QueryInterface(IID_IVELK2, reinterpret_cast<void**>(&velk)))) return 2;
    wchar_t wide_path[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, icon_path, -1, wide_path, MAX_PATH);
    BSTR icon = SysAllocString(wide_path);

    const double memcpy_rate = MemcpyBytesPerSecond();
    printf("memory limit: memcpy moves %.2f GB/s; frame bytes = (clear + present + N sprites) x bytes a pixel\n",
           memcpy_rate / 1e9);
    const std::vector<LONG> modes = fullscreen ? std::vector<LONG>{3} : std::vector<LONG>{1, 2};
    LONG key = -1;
    for (LONG mode : modes) BenchMode(velk, object, mode, icon, sprite, peer, memcpy_rate, key);
    if (!fullscreen) {
        char soft_path[MAX_PATH];
        GetTempPathA(MAX_PATH, soft_path);
        strcat(soft_path, "velk_soft_sprite.bmp");
        if (!WriteSoftSprite(soft_path)) {
            fprintf(stderr, "sprite_bench: cannot write %s\n", soft_path);
            return 2;
        }
        MultiByteToWideChar(CP_ACP, 0, soft_path, -1, wide_path, MAX_PATH);
        BSTR soft_sprite = SysAllocString(wide_path);
        for (LONG mode : modes) {
            velk->Graphics(mode);
            velk->put_SoftwareFPS(-1);
            BenchAlphaStorm(velk, mode, soft_sprite, alpha_peer, memcpy_rate);
        }
        SysFreeString(soft_sprite);
        DeleteFileA(soft_path);
    }

    SysFreeString(icon);
    velk->Release();
    object->Release();
    CoUninitialize();
    return 0;
}
