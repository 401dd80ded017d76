// Scaled presentation arithmetic: where a back buffer of a fixed size lands in
// the client area for each wScale mode, nearest-pixel sampling between the two,
// and the pointer mapped both ways. Platform-free, so it is tested alone.
#pragma once
#include <windows.h>  // for: LONG, RECT

#include <cstdint>
#include <vector>

namespace velk {

// wScale's modes; kScaleOff: the back buffer follows the client size.
inline constexpr LONG kScaleOff = 0, kScaleFill = 1, kScaleAspect = 2, kScaleWhole = 3;
inline constexpr LONG kScaleSizeMax = 4096;

// What wScale set: a fixed back-buffer size and how it is presented.
struct ScaleSetting {
    LONG Width = 0;
    LONG Height = 0;
    LONG Mode = kScaleOff;
    bool On() const { return Mode != kScaleOff; }
};

// Whether wScale's arguments make a setting: 0, 0, 0, or both sizes in
// 1..kScaleSizeMax with a mode of 1 to 3.
bool IsValidScale(LONG width, LONG height, LONG mode);

// The largest whole factor at which the buffer fits the area, at least 1.
LONG WholeMultiple(LONG buffer_width, LONG buffer_height, LONG area_width, LONG area_height);

// The rectangle (left, top, right, bottom) of the client area that shows the
// buffer. It lies inside the area, except in the whole-multiple mode when the
// buffer is larger than the area: it is then shown at 1x, centred and cut.
RECT ScaledDestination(LONG mode, LONG buffer_width, LONG buffer_height, LONG area_width, LONG area_height);

// The parts of the area that the destination leaves uncovered: up to four
// non-overlapping bars (top, bottom, left, right). Returns how many.
int UncoveredBars(const RECT& destination, LONG area_width, LONG area_height, RECT bars[4]);

// Client coordinate to buffer coordinate along one axis, for a destination that
// starts at `start` and spans `span` client pixels for `buffer` buffer pixels:
// the buffer pixel whose scaled area holds the client pixel's centre, clamped
// to 0..buffer-1 (a black bar reads as the nearest edge).
LONG ClientToBuffer(LONG client, LONG start, LONG span, LONG buffer);
// The other way: the client pixel at the centre of the buffer pixel's scaled
// area, not clamped (a position outside the buffer lies outside its picture).
LONG BufferToClient(LONG position, LONG start, LONG span, LONG buffer);

// Nearest-pixel sampling of a top-down picture (`source_pitch` pixels a row)
// into the part `visible` of `destination` (both in client coordinates;
// `visible` inside `destination`), written top-down at `out`, `out_pitch`
// pixels a row. Each output pixel takes the source pixel under its centre, as
// ClientToBuffer maps it; rows that sample the same source row are copied
// whole. `columns` is scratch kept by the caller between frames. For 32-bit and
// 16-bit pixels.
template <typename Pixel>
void SampleNearest(const Pixel* source, LONG source_pitch, LONG source_width, LONG source_height,
                   const RECT& destination, const RECT& visible, Pixel* out, LONG out_pitch,
                   std::vector<LONG>& columns);

// The same into `out`, resized to visible's width x height.
void SampleNearest(const uint32_t* source, LONG source_pitch, LONG source_width, LONG source_height,
                   const RECT& destination, const RECT& visible, std::vector<uint32_t>& out,
                   std::vector<LONG>& columns);

}  // namespace velk
