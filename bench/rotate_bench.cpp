// Turned sprites: BltRotate of a 32 x 32 colour-keyed sprite at several angles
// against an unrotated Blt of it in the same run (the ratio is the figure), and
// a game's frame of 1000 turning sprites paced at 60 fps by the library's own
// Refresh, with the share of frames on time. Modes 1 and 2, or mode 3 alone with
// --fullscreen (in the bed whose display is 640 x 480 x 16).
//   rotate_bench.exe [--fullscreen]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "bench_support.h"
#include "core/velk.h"

using namespace velk_bench;

namespace {

constexpr LONG kWidth = 640, kHeight = 480, kSide = 32, kSpriteId = 1, kKey = 0xFF00FF;
constexpr int kCallsPerRun = 500, kRuns = 15;
constexpr int kPacedSprites = 1000, kPacedFrames = 240;

// A disc of colours on the key colour, so the turn meets transparent pixels.
void MakeSprite(VelkObject* velk) {
    velk->SpriteState(kSpriteId, 1);
    velk->SpriteResize(kSpriteId, kSide, kSide);
    velk->DrawBox(0, 0, kSide, kSide, kKey, 1, kSpriteId);
    for (LONG y = 0; y < kSide; ++y)
        for (LONG x = 0; x < kSide; ++x) {
            const LONG dx = 2 * x + 1 - kSide, dy = 2 * y + 1 - kSide;
            if (dx * dx + dy * dy <= kSide * kSide) velk->DrawPixel(x, y, 0x104080 + 0x030507 * (x + y), kSpriteId);
        }
    velk->DSetColorKey(kKey, kSpriteId);
}

// Milliseconds of one call: the median of kRuns runs of kCallsPerRun calls at
// places spread over the back buffer. The runs of the two calls alternate, so
// that a busy machine slows both alike and their ratio holds.
void PerCallMs(const std::function<void(LONG x, LONG y)>& first, const std::function<void(LONG x, LONG y)>& second,
               double* first_ms, double* second_ms) {
    std::vector<double> times[2];
    for (int run = -1; run < kRuns; ++run)  // run -1 warms up
        for (int which = 0; which < 2; ++which) {
            const std::function<void(LONG, LONG)>& call = which ? second : first;
            const double start = NowMs();
            for (int i = 0; i < kCallsPerRun; ++i) call(40 + (i * 37) % 560, 40 + (i * 53) % 400);
            if (run >= 0) times[which].push_back((NowMs() - start) / kCallsPerRun);
        }
    for (std::vector<double>& t : times) std::sort(t.begin(), t.end());
    *first_ms = times[0][kRuns / 2];
    *second_ms = times[1][kRuns / 2];
}

void CallCosts(VelkObject* velk) {
    printf("  %-24s %14s %14s %10s\n", "32 x 32 keyed, scale 1", "Blt us a call", "turned us", "/ Blt");
    for (double angle : {0.0, 17.0, 45.0, 90.0, 133.0}) {
        double blt = 0, turned = 0;
        PerCallMs([&](LONG x, LONG y) { velk->Blt(kSpriteId, 0, 0, kSide, kSide, 0, x, y); },
                  [&](LONG x, LONG y) { velk->BltRotate(kSpriteId, 0, 0, kSide, kSide, 0, x, y, angle, 1, 1); },
                  &blt, &turned);
        printf("  %-24.0f %14.2f %14.2f %9.2f x\n", angle, blt * 1000, turned * 1000, turned / blt);
    }
    printf("  (medians of %d alternating runs of %d calls)\n", kRuns, kCallsPerRun);
}

// Each frame clears the back buffer and draws every sprite one degree further
// on; Refresh paces the frames and says whether each was on time.
void PacedFrames(VelkObject* velk) {
    velk->put_SoftwareFPS(60);
    int on_time = 0;
    for (int frame = 0; frame < kPacedFrames; ++frame) {
        LONG running = 0;
        velk->DoEvents(&running);
        velk->DrawBox(0, 0, kWidth, kHeight, 0x402020, 1, 0);
        for (int i = 0; i < kPacedSprites; ++i)
            velk->BltRotate(kSpriteId, 0, 0, kSide, kSide, 0, 20 + (i * 37) % 600, 20 + (i * 53) % 440,
                            frame + i * 7.5, 1, 1);
        velk->Refresh();
        LONG kept = 0;
        velk->get_KeepFPS(&kept);
        on_time += kept == 1;
    }
    velk->put_SoftwareFPS(-1);
    printf("  on time at 60 fps with %d turning sprites: %.1f%% of %d frames\n", kPacedSprites,
           100.0 * on_time / kPacedFrames, kPacedFrames);
}

}  // namespace

int main(int argc, char** argv) {
    const bool fullscreen = argc > 1 && strcmp(argv[1], "--fullscreen") == 0;
    VelkObject* velk = CreateBenchObject("VelkRotateBench");
    if (!velk) return 2;
    for (LONG mode : fullscreen ? std::vector<LONG>{3} : std::vector<LONG>{1, 2}) {
        velk->Graphics(mode);
        velk->put_SoftwareFPS(-1);  // unpaced: no sleeps in the call costs
        printf("mode %ld%s\n", static_cast<long>(mode), velk->GraphicsMode == mode ? "" : " (fell back)");
        MakeSprite(velk);
        CallCosts(velk);
        PacedFrames(velk);
        velk->SpriteState(kSpriteId, 0);
    }
    velk->Release();
    CoUninitialize();
    return 0;
}
