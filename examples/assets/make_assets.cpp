// The game's pictures and sounds, drawn and synthesised here at build time so
// that nothing in the demo comes from elsewhere. Runs on the build machine:
//   make_assets OUTPUT_DIR
// writes sky.jpg, ship.png, star.bmp, music.ogg, catch.wav and miss.wav.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>             // for: the sky, a lossy picture with no key (needs cstdio first)
#include <png.h>                 // for: the ship, with real alpha
#include <string>
#include <vector>

#include "vorbis_writer.h"  // for: the looping music

namespace {

constexpr double kPi = 3.14159265358979;

struct Rgba {
    uint8_t r, g, b, a;
};

struct Picture {
    int width, height;
    std::vector<Rgba> pixels;
    Picture(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h, Rgba{0, 0, 0, 0}) {}
    Rgba& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
};

uint8_t Mix(uint8_t a, uint8_t b, double t) { return static_cast<uint8_t>(a + (b - a) * t + 0.5); }

// Small deterministic noise, so every build draws the same sky.
uint32_t Hash(uint32_t n) {
    n ^= n >> 16;
    n *= 0x7feb352dU;
    n ^= n >> 15;
    n *= 0x846ca68bU;
    return n ^ (n >> 16);
}

// ---------------------------------------------------------------- pictures

// Night sky: a blue-to-violet gradient, faint stars, and dark hills along the bottom.
Picture DrawSky() {
    Picture sky(640, 480);
    for (int y = 0; y < sky.height; ++y) {
        double t = y / 479.0;
        for (int x = 0; x < sky.width; ++x) sky.at(x, y) = {Mix(8, 60, t), Mix(12, 24, t), Mix(40, 90, t), 255};
    }
    for (uint32_t i = 0; i < 160; ++i) {
        int x = static_cast<int>(Hash(i * 2 + 1) % 640), y = static_cast<int>(Hash(i * 2 + 2) % 380);
        uint8_t v = static_cast<uint8_t>(120 + Hash(i + 999) % 136);
        sky.at(x, y) = {v, v, v, 255};
    }
    for (int x = 0; x < sky.width; ++x) {
        int top = 420 + static_cast<int>(18 * std::sin(x * 0.021) + 9 * std::sin(x * 0.057 + 1.3));
        for (int y = top; y < sky.height; ++y) sky.at(x, y) = {16, 48, 28, 255};
    }
    return sky;
}

// The player's ship: a rounded cyan hull with a cockpit; outside is fully
// transparent and the rim is half transparent, to show both kinds of alpha.
Picture DrawShip() {
    Picture ship(64, 32);
    for (int y = 0; y < ship.height; ++y)
        for (int x = 0; x < ship.width; ++x) {
            double dx = (x + 0.5 - 32) / 31.0, dy = (y + 0.5 - 21) / 10.5;
            double hull = dx * dx + dy * dy;
            double cx = (x + 0.5 - 32) / 10.0, cy = (y + 0.5 - 12) / 8.0;
            double dome = cx * cx + cy * cy;
            if (dome <= 1.0 && y < 16)
                ship.at(x, y) = {150, 230, 255, 255};
            else if (hull <= 0.8)
                ship.at(x, y) = {40, 200, 220, 255};
            else if (hull <= 1.0)
                ship.at(x, y) = {40, 200, 220, 128};
        }
    return ship;
}

// A five-pointed yellow star on magenta, the colour key of the game's star sprite.
Picture DrawStar() {
    Picture star(32, 32);
    for (int y = 0; y < star.height; ++y)
        for (int x = 0; x < star.width; ++x) {
            double dx = x + 0.5 - 16, dy = y + 0.5 - 16;
            double angle = std::atan2(dy, dx) + kPi / 2;
            double spoke = std::fabs(std::fmod(angle * 5 / (2 * kPi) + 10.5, 1.0) - 0.5) * 2;  // 0 at a point
            double radius = 6 + 9 * (1 - spoke);
            bool inside = std::sqrt(dx * dx + dy * dy) <= radius;
            star.at(x, y) = inside ? Rgba{255, 220, 40, 255} : Rgba{255, 0, 255, 255};
        }
    return star;
}

bool WritePng(const std::string& path, Picture& picture) {
    FILE* out = fopen(path.c_str(), "wb");
    if (!out) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        fclose(out);
        return false;
    }
    png_init_io(png, out);
    png_set_IHDR(png, info, picture.width, picture.height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < picture.height; ++y) png_write_row(png, reinterpret_cast<png_bytep>(&picture.at(0, y)));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return fclose(out) == 0;
}

bool WriteJpeg(const std::string& path, Picture& picture) {
    FILE* out = fopen(path.c_str(), "wb");
    if (!out) return false;
    jpeg_compress_struct jpeg;
    jpeg_error_mgr errors;
    jpeg.err = jpeg_std_error(&errors);
    jpeg_create_compress(&jpeg);
    jpeg_stdio_dest(&jpeg, out);
    jpeg.image_width = picture.width;
    jpeg.image_height = picture.height;
    jpeg.input_components = 3;
    jpeg.in_color_space = JCS_RGB;
    jpeg_set_defaults(&jpeg);
    jpeg_set_quality(&jpeg, 90, TRUE);
    jpeg_start_compress(&jpeg, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(picture.width) * 3);
    while (jpeg.next_scanline < jpeg.image_height) {
        for (int x = 0; x < picture.width; ++x) {
            const Rgba& p = picture.at(x, static_cast<int>(jpeg.next_scanline));
            row[x * 3] = p.r, row[x * 3 + 1] = p.g, row[x * 3 + 2] = p.b;
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&jpeg, rows, 1);
    }
    jpeg_finish_compress(&jpeg);
    jpeg_destroy_compress(&jpeg);
    return fclose(out) == 0;
}

void PutLe(std::vector<uint8_t>& bytes, uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* out = fopen(path.c_str(), "wb");
    if (!out) return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    return fclose(out) == 0 && ok;
}

// 24-bit bottom-up BMP; rows padded to four bytes.
bool WriteBmp(const std::string& path, Picture& picture) {
    uint32_t stride = (picture.width * 3 + 3) & ~3u;
    uint32_t image = stride * picture.height;
    std::vector<uint8_t> bytes{'B', 'M'};
    PutLe(bytes, 54 + image, 4);
    PutLe(bytes, 0, 4);
    PutLe(bytes, 54, 4);
    PutLe(bytes, 40, 4);
    PutLe(bytes, picture.width, 4);
    PutLe(bytes, picture.height, 4);
    PutLe(bytes, 1, 2);
    PutLe(bytes, 24, 2);
    for (int i = 0; i < 6; ++i) PutLe(bytes, i == 1 ? image : 0, 4);
    for (int y = picture.height - 1; y >= 0; --y) {
        for (int x = 0; x < picture.width; ++x) {
            const Rgba& p = picture.at(x, y);
            bytes.insert(bytes.end(), {p.b, p.g, p.r});
        }
        bytes.resize(bytes.size() + stride - picture.width * 3, 0);
    }
    return WriteFile(path, bytes);
}

// ---------------------------------------------------------------- sounds

constexpr int kMusicRate = 44100;
constexpr int kEffectRate = 22050;

double NoteFrequency(int semitones_from_a4) { return 440.0 * std::pow(2.0, semitones_from_a4 / 12.0); }

// A soft square-ish tone with a short attack and an exponential decay.
double Voice(double frequency, double t, double length) {
    if (t < 0 || t >= length) return 0;
    double envelope = std::min(1.0, t * 200) * std::exp(-3.0 * t / length);
    double phase = std::fmod(frequency * t, 1.0);
    return envelope * (phase < 0.5 ? 1.0 : -1.0) * 0.5 + envelope * std::sin(2 * kPi * frequency * t) * 0.5;
}

// One bar (two seconds) of intro, then four bars that loop: a bass line on the
// chord roots and an arpeggio of eighth notes over them.
std::vector<float> ComposeMusic(int& loop_start, int& loop_length) {
    const double beat = 0.5;
    const int chords[4][3] = {{-12, -8, -5}, {-7, -3, 0}, {-9, -5, -2}, {-10, -7, -3}};  // A, D, F#m, E
    const int bars = 5;
    const int total = static_cast<int>(bars * 4 * beat * kMusicRate);
    std::vector<float> samples(static_cast<size_t>(total) * 2);
    for (int i = 0; i < total; ++i) {
        double t = static_cast<double>(i) / kMusicRate;
        int bar = static_cast<int>(t / (4 * beat));
        double in_bar = t - bar * 4 * beat;
        const int* chord = chords[bar == 0 ? 0 : (bar - 1) % 4];
        double bass = Voice(NoteFrequency(chord[0] - 12), std::fmod(in_bar, 2 * beat), 2 * beat);
        double arpeggio = 0;
        if (bar > 0) {
            int step = static_cast<int>(in_bar / (beat / 2));
            arpeggio = Voice(NoteFrequency(chord[step % 3] + 12 * (step / 3 % 2)), std::fmod(in_bar, beat / 2), beat / 2);
        }
        samples[i * 2] = static_cast<float>(0.35 * bass + 0.22 * arpeggio);
        samples[i * 2 + 1] = static_cast<float>(0.35 * bass + 0.28 * arpeggio);
    }
    loop_start = static_cast<int>(4 * beat * kMusicRate);
    loop_length = total - loop_start;
    return samples;
}

// Stereo Ogg Vorbis with the loop marks as comments, in samples.
bool WriteOgg(const std::string& path, const std::vector<float>& stereo, int loop_start, int loop_length) {
    return vorbis_writer::WriteVorbisFile(
        path, 2, kMusicRate, 0.4f,
        {"TITLE=Star Catcher theme", "LOOPSTART=" + std::to_string(loop_start),
         "LOOPLENGTH=" + std::to_string(loop_length)},
        stereo.size() / 2, [&](size_t frame, unsigned channel) { return stereo[frame * 2 + channel]; });
}

// Mono 16-bit WAV of a tone sweeping from one frequency to another.
bool WriteSweepWav(const std::string& path, double from, double to, double seconds, bool square) {
    const int count = static_cast<int>(seconds * kEffectRate);
    std::vector<uint8_t> bytes{'R', 'I', 'F', 'F'};
    PutLe(bytes, 36 + count * 2, 4);
    bytes.insert(bytes.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutLe(bytes, 16, 4);
    PutLe(bytes, 1, 2);
    PutLe(bytes, 1, 2);
    PutLe(bytes, kEffectRate, 4);
    PutLe(bytes, kEffectRate * 2, 4);
    PutLe(bytes, 2, 2);
    PutLe(bytes, 16, 2);
    bytes.insert(bytes.end(), {'d', 'a', 't', 'a'});
    PutLe(bytes, count * 2, 4);
    double phase = 0;
    for (int i = 0; i < count; ++i) {
        double t = static_cast<double>(i) / count;
        phase += (from + (to - from) * t) / kEffectRate;
        double wave = square ? (std::fmod(phase, 1.0) < 0.5 ? 1 : -1) : std::sin(2 * kPi * phase);
        double envelope = std::min(1.0, i / 100.0) * (1 - t);
        PutLe(bytes, static_cast<uint16_t>(static_cast<int16_t>(wave * envelope * 12000)), 2);
    }
    return WriteFile(path, bytes);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: make_assets OUTPUT_DIR\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    Picture sky = DrawSky(), ship = DrawShip(), star = DrawStar();
    int loop_start = 0, loop_length = 0;
    std::vector<float> music = ComposeMusic(loop_start, loop_length);
    bool ok = WriteJpeg(dir + "sky.jpg", sky) && WritePng(dir + "ship.png", ship) && WriteBmp(dir + "star.bmp", star) &&
              WriteOgg(dir + "music.ogg", music, loop_start, loop_length) &&
              WriteSweepWav(dir + "catch.wav", 660, 1320, 0.15, false) &&
              WriteSweepWav(dir + "miss.wav", 220, 90, 0.35, true);
    if (!ok) fprintf(stderr, "make_assets: could not write the files in %s\n", argv[1]);
    return ok ? 0 : 1;
}
