// Star Catcher: the demo game, a native host of the library. Stars fall from the
// night sky; the ship catches them. Title screen, play, high-score table, with
// fades between them, music and sound effects.
//   star_catcher.exe [--attract] [--shots DIR]
// --attract: the game plays itself for about ten seconds and ends; --shots: the
// title, play and score scenes are saved there as PNG files (F12 saves one more
// at any time; F11 switches crisp full screen). The pictures and sounds
// (assets\ beside the program) are made by the build's asset generator.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

#define VELK_DEFINE_IDENTIFIERS  // this source holds IID_IVELK2
#include "velk.h"
#include "high_scores.h"

namespace star_catcher {
namespace {

constexpr int kWidth = 640, kHeight = 480;
constexpr LONG kKey = RGB(255, 0, 255);  // magenta: never drawn
enum Sprite : LONG { kBackBuffer = 0, kSky = 1, kShip = 2, kStar = 3, kSnapshot = 4 };
enum SoundBuffer : LONG { kMusic = 1, kCatch = 2, kMiss = 3 };  // 1 streams, the others are static
constexpr int kShipW = 64, kShipH = 32, kShipY = 410, kStarSize = 32, kMaxStars = 8;
constexpr int kFadeFrames = 30;
constexpr int kAttractTitleFrames = 120, kAttractPlayFrames = 360, kAttractScoreFrames = 120;
constexpr int kPlayFrames = 60 * 60, kMaxMisses = 5;
constexpr wchar_t kDataFile[] = L"StarCatcher";
constexpr wchar_t kScoreCategory[] = L"HighScores";

enum class Scene { kTitle, kPlay, kScores, kEnding };

struct Star {
    bool active = false;
    int x = 0, y = 0, speed = 0;
    double angle = 0, spin = 0;  // degrees, and degrees per frame
};

struct Stats {
    int frames = 0, on_time = 0;
    LONG music_started = -1, music_ms = 0;
};

struct Game {
    IVELK2* velk = nullptr;
    bool attract = false;
    std::wstring shots_dir, asset_dir;
    Scene scene = Scene::kTitle;
    int scene_frame = 0, fade = 0;
    bool confirm = false, quit = false, music_on = true;
    int ship_x = (kWidth - kShipW) / 2;
    double ship_tilt = 0;  // degrees, leaning into the move
    bool full_screen = false;
    int shot_count = 0;
    LONG last_mouse_x = -1;
    Star stars[kMaxStars];
    int score = 0, misses = 0, new_rank = -1;
    std::wstring names[kTableSize];  // beside the table's scores, rank by rank
    bool naming = false;             // the new entry's name is being typed
    unsigned random = 12345;
    HighScores table;
    Stats stats;
};

Game g;

// ---------------------------------------------------------------- helpers

// An automation string for one call.
struct Text {
    BSTR b;
    explicit Text(const wchar_t* s) : b(SysAllocString(s)) {}
    explicit Text(const std::wstring& s) : b(SysAllocString(s.c_str())) {}
    ~Text() { SysFreeString(b); }
    operator BSTR() const { return b; }
};

int NextRandom(int range) {
    g.random = g.random * 1103515245u + 12345u;  // fixed seed: attract runs repeat exactly
    return static_cast<int>((g.random >> 16) % static_cast<unsigned>(range));
}

void DrawText(LONG x, LONG y, const wchar_t* text, LONG size, LONG color, LONG align = 2) {
    g.velk->DSetTextFont(size, 1, 0, 0, 0, Text(L"ＭＳ Ｐゴシック"), kBackBuffer);
    g.velk->DrawString(x, y, Text(text), align, color, kBackBuffer);
}

LONG Tick() {
    LONG tick = 0;
    g.velk->GetTick(&tick);
    return tick;
}

// ---------------------------------------------------------------- input

void SaveShot(const wchar_t* name);

// Full screen without a change of display mode: the 640 x 480 frame at the
// largest whole multiple that fits, so the pixels stay sharp.
void ToggleFullScreen() {
    g.full_screen = !g.full_screen;
    if (g.full_screen) {
        g.velk->wScale(kWidth, kHeight, 3);
        g.velk->put_wFullScreen(1);
    } else {
        g.velk->put_wFullScreen(0);
        g.velk->wScale(0, 0, 0);
    }
}

void __cdecl OnKeyDown(LONG key) {
    if (key == VK_ESCAPE) g.quit = true;
    if (key == VK_SPACE || key == VK_RETURN) g.confirm = true;
    if (key == VK_F11) ToggleFullScreen();
    if (key == VK_F12) SaveShot((L"shot" + std::to_wstring(++g.shot_count) + L".png").c_str());
}

void __cdecl OnMouseDown(LONG) { g.confirm = true; }

bool KeyHeld(short key) {
    LONG down = 0;
    g.velk->InCheck(key, &down);
    return down != 0;
}

// ---------------------------------------------------------------- high scores

std::wstring ScoreKey(int rank) { return L"Score" + std::to_wstring(rank + 1); }
std::wstring NameKey(int rank) { return L"Name" + std::to_wstring(rank + 1); }
constexpr size_t kNameLength = 8;

void LoadHighScores() {
    g.velk->fOpen(Text(kDataFile));
    for (int i = 0; i < kTableSize; ++i) {
        LONG value = 0;
        g.velk->fReadInteger(Text(kScoreCategory), Text(ScoreKey(i)), 0, &value);
        g.table.scores[i] = value;
        BSTR name = SysAllocString(L"");
        g.velk->fReadString(Text(kScoreCategory), Text(NameKey(i)), Text(L""), &name);
        g.names[i] = name ? name : L"";
        SysFreeString(name);
    }
}

void SaveHighScores() {
    g.velk->fOpen(Text(kDataFile));
    for (int i = 0; i < kTableSize; ++i) {
        g.velk->fWriteInteger(Text(kScoreCategory), Text(ScoreKey(i)), g.table.scores[i]);
        g.velk->fWriteString(Text(kScoreCategory), Text(NameKey(i)), Text(g.names[i]));
    }
}

// Typed text since the last frame goes into the new entry's name: backspace
// takes the last character back, Enter ends the entry and keeps the table.
void TakeTypedName() {
    BSTR typed = nullptr;
    g.velk->get_TextInput(&typed);
    std::wstring& name = g.names[g.new_rank];
    for (const wchar_t* c = typed; c && *c; ++c) {
        if (*c == L'\b') {
            if (!name.empty()) name.pop_back();
        } else if (*c == L'\r') {
            g.naming = false;
            SaveHighScores();
        } else if (*c >= L' ' && name.size() < kNameLength) {
            name += *c;
        }
    }
    SysFreeString(typed);
    g.confirm = false;  // Enter and Space belong to the name while it is typed
}

// ---------------------------------------------------------------- scenes

void ChangeScene(Scene next) {
    g.velk->SpriteCopy(kBackBuffer, kSnapshot);  // the last frame fades out over the new scene
    g.fade = kFadeFrames;
    g.scene = next;
    g.scene_frame = 0;
    g.confirm = false;
}

void StartPlay() {
    // The last game's end faded the music out and stopped it.
    if (!g.music_on) {
        g.velk->Snd_SetVolume(kMusic, 1.0);
        g.velk->Snd_LoopPlay(kMusic, 0);
        g.music_on = true;
    }
    g.score = g.misses = 0;
    for (Star& star : g.stars) star.active = false;
    g.ship_x = (kWidth - kShipW) / 2;
    g.ship_tilt = 0;
    ChangeScene(Scene::kPlay);
}

void EndPlay() {
    g.velk->Snd_Fade(kMusic, 0.0, 1500, 1);
    g.music_on = false;
    g.new_rank = InsertScore(g.table, g.score);
    if (g.new_rank >= 0) {
        for (int i = kTableSize - 1; i > g.new_rank; --i) g.names[i] = g.names[i - 1];
        g.names[g.new_rank] = g.attract ? L"AUTO" : L"";
        SaveHighScores();
        BSTR stale = nullptr;  // what was typed during play is not the name
        g.velk->get_TextInput(&stale);
        SysFreeString(stale);
        g.naming = !g.attract;
    }
    ChangeScene(Scene::kScores);
}

// The ship keeps its picture's alpha (a soft rim) and leans as it moves.
void DrawShip(int x) {
    g.velk->BltRotate(kShip, 0, 0, kShipW, kShipH, kBackBuffer, x + kShipW / 2, kShipY + kShipH / 2, g.ship_tilt, 1.0,
                      1.0);
}

void DrawStar(const Star& star) {
    g.velk->BltRotate(kStar, 0, 0, kStarSize, kStarSize, kBackBuffer, star.x + kStarSize / 2, star.y + kStarSize / 2,
                      star.angle, 1.0, 1.0);
}

void DrawTitle() {
    g.velk->Blt(kSky, 0, 0, kWidth, kHeight, kBackBuffer, 0, 0);
    // Wide enough for the title's nine full-width characters at 48 pixels, with a margin.
    g.velk->DrawRoundBox(70, 110, 500, 150, 24, RGB(24, 32, 96), 1, kBackBuffer);
    DrawText(320, 130, L"スターキャッチャー", 48, RGB(255, 230, 90));
    DrawText(320, 200, L"星をつかまえよう", 24, RGB(200, 220, 255));
    DrawStar(Star{true, 304, 300, 0, 0.0, 0.0});
    DrawShip((kWidth - kShipW) / 2);
    if ((g.scene_frame / 30) % 2 == 0)
        DrawText(320, 460 - 30, L"スペースキーかクリックでスタート", 20, RGB(255, 255, 255));
    if (g.confirm || (g.attract && g.scene_frame >= kAttractTitleFrames)) StartPlay();
}

// The attract pilot steers for the lowest star it can still reach.
int PilotMove() {
    const Star* target = nullptr;
    for (const Star& star : g.stars)
        if (star.active && star.y < kShipY && (!target || star.y > target->y)) target = &star;
    if (!target) return 0;
    int aim = target->x + kStarSize / 2 - kShipW / 2 - g.ship_x;
    return aim > 5 ? 5 : aim < -5 ? -5 : aim;
}

// The first gamepad, when one is there: its left stick or its pad.
void SteerWithPad() {
    constexpr LONG kPadLeft = 0x0004, kPadRight = 0x0008;  // the platform's button bits
    LONG connected = 0, buttons = 0;
    g.velk->PadConnected(0, &connected);
    if (!connected) return;
    double stick = 0;
    g.velk->PadAxis(0, 0, &stick);
    g.velk->PadButtons(0, &buttons);
    if (buttons & kPadLeft) stick = -1.0;
    if (buttons & kPadRight) stick = 1.0;
    g.ship_x += static_cast<int>(stick * 8.0);
}

void SteerShip() {
    const int was_x = g.ship_x;
    LONG mouse_x = 0;
    g.velk->get_MouseX(&mouse_x);
    if (g.attract) {
        g.ship_x += PilotMove();
    } else if (mouse_x != g.last_mouse_x && g.last_mouse_x >= 0) {
        g.ship_x = mouse_x - kShipW / 2;
    } else {
        if (KeyHeld(VK_LEFT)) g.ship_x -= 7;
        if (KeyHeld(VK_RIGHT)) g.ship_x += 7;
        SteerWithPad();
    }
    g.last_mouse_x = mouse_x;
    if (g.ship_x < 0) g.ship_x = 0;
    if (g.ship_x > kWidth - kShipW) g.ship_x = kWidth - kShipW;
    const double lean = 3.0 * (g.ship_x - was_x);
    g.ship_tilt += ((lean > 20 ? 20 : lean < -20 ? -20 : lean) - g.ship_tilt) * 0.25;
}

void MoveStars() {
    if (g.scene_frame % 24 == 0) {
        for (Star& star : g.stars)
            if (!star.active) {
                star = Star{true, NextRandom(kWidth - kStarSize), -kStarSize, 3 + NextRandom(3), 0.0,
                            NextRandom(9) - 4.0};
                break;
            }
    }
    for (Star& star : g.stars) {
        if (!star.active) continue;
        star.y += star.speed;
        star.angle += star.spin;
        const int center_x = star.x + kStarSize / 2, bottom = star.y + kStarSize;
        if (bottom >= kShipY + 8 && bottom <= kShipY + kShipH && center_x >= g.ship_x && center_x < g.ship_x + kShipW) {
            star.active = false;
            g.score += 10;
            // A voice, so that quick catches overlap, heard from where the star was caught.
            const double pan = 2.0 * center_x / kWidth - 1.0;
            LONG voice = 0;
            g.velk->Snd_PlayVoice(kCatch, 1.0, pan, 1.0, &voice);
        } else if (star.y >= kHeight) {
            star.active = false;
            ++g.misses;
            g.velk->Snd_Play(kMiss, 0);
        }
    }
}

void DrawPlay() {
    SteerShip();
    MoveStars();
    g.velk->Blt(kSky, 0, 0, kWidth, kHeight, kBackBuffer, 0, 0);
    for (const Star& star : g.stars)
        if (star.active) DrawStar(star);
    DrawShip(g.ship_x);
    g.velk->DrawBox(0, 0, kWidth, 28, RGB(0, 0, 0), 1, kBackBuffer);
    g.velk->DrawLine(0, 28, kWidth, 28, RGB(255, 200, 40), kBackBuffer);
    wchar_t hud[64];
    swprintf(hud, 64, L"スコア %d", g.score);
    DrawText(12, 4, hud, 20, RGB(255, 255, 255), 0);
    swprintf(hud, 64, L"ミス %d / %d", g.misses, kMaxMisses);
    DrawText(628, 4, hud, 20, RGB(255, 160, 160), 1);
    const int length = g.attract ? kAttractPlayFrames : kPlayFrames;
    if (g.scene_frame >= length || g.misses >= kMaxMisses) EndPlay();
}

void DrawScores() {
    g.velk->Blt(kSky, 0, 0, kWidth, kHeight, kBackBuffer, 0, 0);
    g.velk->DrawBox(160, 70, 320, 340, RGB(16, 24, 64), 1, kBackBuffer);
    g.velk->DrawBox(160, 70, 320, 340, RGB(255, 200, 40), 0, kBackBuffer);
    DrawText(320, 90, L"ハイスコア", 36, RGB(255, 230, 90));
    if (g.naming) TakeTypedName();
    for (int i = 0; i < kTableSize; ++i) {
        wchar_t line[64];
        const bool typing = g.naming && i == g.new_rank && (g.scene_frame / 20) % 2 == 0;
        swprintf(line, 64, L"%d.  %-8ls %6d", i + 1, (g.names[i] + (typing ? L"_" : L"")).c_str(), g.table.scores[i]);
        DrawText(320, 160 + i * 40, line, 26, i == g.new_rank ? RGB(255, 120, 120) : RGB(230, 230, 255));
    }
    wchar_t yours[64];
    if (g.naming)
        swprintf(yours, 64, L"名前を入力して Enter");
    else
        swprintf(yours, 64, L"今回のスコア %d", g.score);
    DrawText(320, 370, yours, 20, RGB(200, 220, 255));
    const bool done = g.attract ? g.scene_frame >= kAttractScoreFrames : g.confirm;
    if (done) ChangeScene(g.attract ? Scene::kEnding : Scene::kTitle);
}

// A black screen under the last frame: with the fade, the game dims out and ends.
void DrawEnding() {
    g.velk->DrawBox(0, 0, kWidth, kHeight, RGB(0, 0, 0), 1, kBackBuffer);
    if (g.scene_frame >= kFadeFrames) g.quit = true;
}

// The back buffer holds the frame just shown; a relative name lands in the
// current directory.
void SaveShot(const wchar_t* name) {
    const std::wstring path = g.shots_dir.empty() ? std::wstring(name) : g.shots_dir + L"\\" + name;
    g.velk->SpriteSaveToFile(kBackBuffer, Text(path));
}

// The three scenes are saved once each, when their fade is over.
void SaveShotsOfThisFrame() {
    if (g.shots_dir.empty()) return;
    if (g.scene == Scene::kTitle && g.scene_frame == 90) SaveShot(L"title.png");
    if (g.scene == Scene::kPlay && g.scene_frame == 240) SaveShot(L"play.png");
    if (g.scene == Scene::kScores && g.scene_frame == 90) SaveShot(L"scores.png");
}

void DrawFrame() {
    switch (g.scene) {
        case Scene::kTitle: DrawTitle(); break;
        case Scene::kPlay: DrawPlay(); break;
        case Scene::kScores: DrawScores(); break;
        case Scene::kEnding: DrawEnding(); break;
    }
    if (g.fade > 0) {
        g.velk->BltAlphaBlend(kSnapshot, 0, 0, kWidth, kHeight, kBackBuffer, 0, 0, g.fade * 256 / kFadeFrames);
        --g.fade;
    }
}

// ---------------------------------------------------------------- set-up

std::wstring AssetDirectory() {
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, length);
    return dir.substr(0, dir.find_last_of(L"\\/") + 1) + L"assets\\";
}

enum class Transparency { kNone, kKey, kAlpha };

void LoadSprite(LONG id, const wchar_t* file, Transparency transparency) {
    g.velk->SpriteState(id, 1);
    // Before the load: the picture's alpha is kept, or the key marks what is transparent.
    if (transparency == Transparency::kAlpha) g.velk->SpriteSetAlpha(id, 1);
    if (transparency == Transparency::kKey) g.velk->DSetColorKey(kKey, id);
    g.velk->SpriteLoadFromFile(id, Text(g.asset_dir + file));
}

void LoadAssets() {
    LoadSprite(kSky, L"sky.jpg", Transparency::kNone);
    LoadSprite(kShip, L"ship.png", Transparency::kAlpha);
    LoadSprite(kStar, L"star.bmp", Transparency::kKey);
    g.velk->SpriteState(kSnapshot, 1);
    g.velk->SpriteResize(kSnapshot, kWidth, kHeight);
    g.velk->Snd_Open(kMusic, Text(g.asset_dir + L"music.ogg"));
    g.velk->Snd_Open(kCatch, Text(g.asset_dir + L"catch.wav"));
    g.velk->Snd_Open(kMiss, Text(g.asset_dir + L"miss.wav"));
}

void ParseArguments() {
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; args && i < count; ++i) {
        if (wcscmp(args[i], L"--attract") == 0) g.attract = true;
        if (wcscmp(args[i], L"--shots") == 0 && i + 1 < count) g.shots_dir = args[++i];
    }
    LocalFree(args);
}

// VELKCreate hands out IVELK; the sound mixer's members are on IVELK2.
IVELK2* CreateLibrary() {
    HMODULE library = LoadLibraryA("VELKlib_100.dll");
    auto create = library ? reinterpret_cast<VELKCreateFunction>(reinterpret_cast<void*>(GetProcAddress(library, "VELKCreate")))
                          : nullptr;
    IVELK* velk = nullptr;
    if (!create || !create(&velk)) return nullptr;
    IVELK2* velk2 = nullptr;
    velk->QueryInterface(IID_IVELK2, reinterpret_cast<void**>(&velk2));
    velk->Release();
    return velk2;
}

void RunLoop() {
    g.velk->Snd_LoopPlay(kMusic, 0);
    g.stats.music_started = Tick();
    LONG ended = 0;
    while (!g.quit) {
        g.velk->DoEvents(&ended);
        if (ended) break;
        DrawFrame();
        g.velk->Refresh();
        LONG on_time = 0;
        g.velk->get_KeepFPS(&on_time);
        ++g.stats.frames;
        g.stats.on_time += on_time ? 1 : 0;
        SaveShotsOfThisFrame();
        ++g.scene_frame;
    }
    g.velk->Snd_Stop(kMusic);
    g.stats.music_ms = Tick() - g.stats.music_started;
}

}  // namespace
}  // namespace star_catcher

int main() {
    using namespace star_catcher;
    ParseArguments();
    g.asset_dir = AssetDirectory();
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    g.velk = CreateLibrary();
    if (!g.velk) {
        fprintf(stderr, "star_catcher: the library could not be created (is it registered?)\n");
        return 2;
    }
    g.velk->Logging();
    g.velk->wDefault(Text(L"Star Catcher"));
    g.velk->put_wCaption(Text(L"スターキャッチャー"));
    g.velk->put_SoftwareFPS(60);
    g.velk->put_OnKeyDown(reinterpret_cast<LONG_PTR>(&OnKeyDown));
    g.velk->put_OnMouseDown(reinterpret_cast<LONG_PTR>(&OnMouseDown));
    LoadAssets();
    LoadHighScores();
    RunLoop();
    g.velk->wDestroy();
    LONG ended = 0;
    g.velk->DoEvents(&ended);
    const int share = g.stats.frames ? g.stats.on_time * 100 / g.stats.frames : 0;
    printf("demo: %d frames drawn, %d%% on time, score %d, %.1f s of audio played\n", g.stats.frames, share, g.score,
           g.stats.music_ms / 1000.0);
    g.velk->Release();
    CoUninitialize();
    return 0;
}
