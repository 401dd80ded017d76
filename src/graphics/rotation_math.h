// The arithmetic of BltRotate, free of the platform: the turn and scale as
// fixed-point steps, and the walk over the destination that says, row by row,
// which pixels take a source pixel and where the walk starts in the source.
// Everything a result depends on is integer arithmetic, so both architectures
// draw the same pixels.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace velk {

// ---------------------------------------------------------------- wide integers
// A signed 128-bit integer (hi * 2^64 + lo), for exact positions far from the
// source, where a 64-bit fixed-point value would overflow.
struct Wide {
    int64_t hi;
    uint64_t lo;
};
Wide WideOf(int64_t value);
Wide WideProduct(int64_t a, int64_t b);
Wide WideSum(Wide a, Wide b);
Wide WideNegation(Wide a);
inline bool IsNegative(Wide a) { return a.hi < 0; }
// The value divided by 2, rounded down.
Wide WideHalf(Wide a);
// The low 64 bits, the value itself when it lies in the 64-bit range.
inline int64_t WideLow(Wide a) { return static_cast<int64_t>(a.lo); }
double WideToDouble(Wide a);

// ---------------------------------------------------------------- the turn
// Fixed-point values carry this many fraction bits.
inline constexpr int kTurnFractionBits = 32;
// Scales below this magnitude cover no pixel of any picture the platform makes:
// they draw nothing, as 0 does.
inline constexpr double kSmallestScale = 1.0 / 1048576;

// Sine and cosine of an angle in degrees in units of 2^-30, the angle taken to
// 2^-24 degrees; multiples of 90 degrees give exactly 0 and +-2^30.
void SineCosine(double degrees, int64_t* sine, int64_t* cosine);

// The inverse map from a destination offset (dx, dy) (from the landing point)
// to a source offset (from the rectangle's centre), with 32 fraction bits:
// u = a dx + b dy, v = p dx + q dy. `draws` is false for a scale of 0 (or
// below kSmallestScale).
struct Turn {
    bool draws;
    int64_t a;
    int64_t b;
    int64_t p;
    int64_t q;
};
Turn TurnOf(double degrees, double scale_x, double scale_y);

// ---------------------------------------------------------------- the walk
// Added to every source position (2^-12 pixel, with 32 fraction bits): a
// position that is exactly a pixel's edge (whole scales of odd sizes have them)
// and comes out a few units below it, as 1/3 has no exact binary fraction,
// still takes that pixel. Far below the 1/2048 pixel between the distinct
// positions of whole scales up to 1024.
inline constexpr int64_t kEdgeBias = int64_t{1} << 20;

// One turned transfer in the pixels of both pictures.
struct RotationSetup {
    int64_t rect_left, rect_top, rect_width, rect_height;  // the source rectangle, sizes > 0
    int64_t clip_left, clip_top, clip_right, clip_bottom;  // its part inside the source picture, not empty
    int64_t to_x, to_y;                                    // where the rectangle's centre lands
    int32_t dest_width, dest_height;                       // the destination picture
    Turn turn;
};

// The pixels [x_begin, x_end) of destination row y that take a source pixel;
// (u, v) is the source position under x_begin's centre, relative to the clip's
// top-left, with 32 fraction bits: its pixel is (u >> 32, v >> 32), and each
// step right adds (du, dv) of the walk. `indices`, when not null, holds those
// pixels already worked out, each as (v >> 32) * pitch + (u >> 32) for the
// pitch the walk was given (RotationWalk::KeepIndices).
struct RotationSpan {
    int32_t y;
    int32_t x_begin;
    int32_t x_end;
    int64_t u;
    int64_t v;
    const int32_t* indices = nullptr;
};

// One axis of the clip as a bound on the pixels k of a walk's row: those with
// 0 <= g + step k <= limit, where g grows by `rise` a row. The bounds are
// quotients kept with their remainders, so a row costs a few additions and
// stays exact.
class AxisBound {
public:
    AxisBound() = default;
    AxisBound(int64_t g, int64_t rise, int64_t step, int64_t limit);
    // Narrows [*lo, *hi) to this row's pixels inside the axis's limits: from
    // k = ceil(-g / d) = -q up to floor((limit - g) / d), which is limit_q - q,
    // less one where the remainders borrow.
    void Apply(int64_t* lo, int64_t* hi) const {
        if (divisor_ == 0) {
            if (g_ < 0 || g_ > limit_) *hi = *lo;
            return;
        }
        if (-q_ > *lo) *lo = -q_;
        const int64_t end = limit_q_ - q_ + (r_ <= limit_r_ ? 1 : 0);
        if (end < *hi) *hi = end;
    }
    void NextRow() {
        if (divisor_ == 0) {
            g_ += rise_;
            return;
        }
        q_ += rise_q_;
        r_ += rise_r_;
        if (r_ >= divisor_) {
            r_ -= divisor_;
            ++q_;
        }
    }

private:
    int64_t divisor_ = 0;                 // |step|; 0: the whole row or none, by g
    int64_t g_ = 0, rise_ = 0, limit_ = 0;  // with the step made positive
    // floor(g / divisor) with its remainder, and the same of the rise and limit.
    int64_t q_ = 0, r_ = 0, rise_q_ = 0, rise_r_ = 0, limit_q_ = 0, limit_r_ = 0;
};

class TurnMemo;

// The destination pixels whose centre maps into the clip (plus kEdgeBias), row by
// row: each row has one span (a turned rectangle meets a row in one run). Rows
// and columns outside the turned clip's bounds cost nothing, so no size or scale
// costs more than the destination picture.
class RotationWalk {
public:
    explicit RotationWalk(const RotationSetup& setup);
    // The same spans, from the memo's copy of the shape when it keeps one (see
    // TurnMemo): moved to the landing point and cut to the destination.
    RotationWalk(const RotationSetup& setup, TurnMemo* memo);
    int64_t du() const { return setup_.turn.a; }
    int64_t dv() const { return setup_.turn.p; }
    // The next row, top to bottom, that has such pixels; false after the last.
    bool NextSpan(RotationSpan* span) { return memo_ ? KeptSpan(span) : WalkedSpan(span); }
    // Spans from a kept shape come with their source pixels' indices in a
    // block `pitch` pixels a row, worked out once per shape and pitch.
    void KeepIndices(int32_t pitch);
    // The rows the walk visits at most.
    int32_t first_row() const { return first_row_; }
    int32_t end_row() const { return end_row_; }

private:
    friend class TurnMemo;
    bool WalkedSpan(RotationSpan* span);
    bool WideSpan(int32_t y, RotationSpan* span) const;
    inline bool KeptSpan(RotationSpan* span);

    RotationSetup setup_;
    int32_t first_row_ = 0, end_row_ = 0, row_ = 0;
    int32_t first_column_ = 0, end_column_ = 0;
    // Twice the source positions at the walk's top-left pixel, so that the
    // half-pixel centres stay whole numbers; the limits are twice the clip's sizes.
    Wide u_origin_{}, v_origin_{};
    int64_t u_limit_ = 0, v_limit_ = 0;
    // Every position of the walk fits 64 bits (the everyday case): the row's
    // positions and the clip's two axes step along in 64 bits.
    bool narrow_ = false;
    int64_t u_row_ = 0, v_row_ = 0;
    AxisBound u_bound_, v_bound_;
    // Replaying a kept shape: its spans [kept_, kept_end_), moved by the shift,
    // with the indices the memo keeps for the source's pitch once `indexed_`.
    TurnMemo* memo_ = nullptr;
    const RotationSpan* kept_ = nullptr;
    const RotationSpan* kept_end_ = nullptr;
    bool indexed_ = false;
    int64_t shift_x_ = 0, shift_y_ = 0;
};

// ---------------------------------------------------------------- recent turns
// Hosts turn their sprites by the same angles and scales frame after frame,
// wherever they land. The memo keeps the last few turns, and the last few
// shapes: a walk's spans as if the landing point were (kShapeReach,
// kShapeReach) in a picture twice that size. Where a shape comes again, a walk
// moves those spans and cuts them to its destination, which gives the same
// pixels as walking anew and costs a copy a row; once more, its source pixels
// come worked out. A shape seen once costs only its walk: a frame of sprites
// turned each by its own angle keeps nothing.
class TurnMemo {
public:
    // Shapes that reach this far from the landing point are walked each time.
    static constexpr int32_t kShapeReach = 4096;
    // Shapes of more pixels keep no indices (4 bytes a pixel).
    static constexpr size_t kMostIndexed = size_t{1} << 18;
    // Turns and shapes kept, the least recently used giving way.
    static constexpr int kKept = 8;

    // TurnOf(degrees, scale_x, scale_y), worked out once for repeated arguments.
    const Turn& TurnFor(double degrees, double scale_x, double scale_y);
    // Whether the memo holds `setup`'s shape: true from its second walk on,
    // when it is small enough.
    bool Holds(const RotationSetup& setup);
    // The held shape's source pixel indices for a block `pitch` pixels a row,
    // span after span, from the shape's third walk on; null before, for a shape
    // of more than kMostIndexed pixels, or when an index would not fit 31 bits.
    const int32_t* IndicesFor(int32_t pitch);

private:
    friend class RotationWalk;
    // What a walk's spans depend on besides the landing point and destination.
    struct Shape {
        int64_t a, b, p, q;
        int64_t rect_left, rect_top, rect_width, rect_height;  // from the clip's top-left
        int64_t clip_width, clip_height;
        bool operator==(const Shape& other) const;
    };
    static Shape ShapeOf(const RotationSetup& setup);
    struct KeptTurn {
        double degrees, scale_x, scale_y;
        Turn turn;
        uint64_t used;  // 0: empty
    };
    struct KeptShape {
        Shape shape;
        int walks;  // 0: empty; counted up to 3: the spans are kept from the second
        bool kept;  // false: the shape reaches too far
        // Each span's `indices` points into `indices` once they are worked out.
        std::vector<RotationSpan> spans;
        size_t pixels;          // in all the spans
        int32_t indices_pitch;  // 0: no indices kept
        std::vector<int32_t> indices;
        uint64_t used;
    };
    // The empty or least recently used of `kept`.
    template <typename Kept>
    static Kept& Oldest(Kept (&kept)[kKept]);
    void Keep(const RotationSetup& setup, KeptShape* kept);

    uint64_t clock_ = 0;  // counts the calls, for the least recently used
    KeptTurn turns_[kKept] = {};
    KeptShape shapes_[kKept] = {};
    KeptShape* held_ = nullptr;  // the shape of the last Holds
};

// A kept span moved to the landing point and cut to the destination: the same
// pixels, and the same positions at the cut, as a walk finds.
inline bool RotationWalk::KeptSpan(RotationSpan* span) {
    while (kept_ != kept_end_) {
        const RotationSpan& kept = *kept_++;
        const int64_t y = kept.y + shift_y_;
        if (y >= setup_.dest_height) break;
        const int64_t start = kept.x_begin + shift_x_;
        const int64_t begin = std::max<int64_t>(start, 0);
        const int64_t end = std::min<int64_t>(kept.x_end + shift_x_, setup_.dest_width);
        if (begin >= end) continue;
        span->y = static_cast<int32_t>(y);
        span->x_begin = static_cast<int32_t>(begin);
        span->x_end = static_cast<int32_t>(end);
        span->u = kept.u + (begin - start) * setup_.turn.a;
        span->v = kept.v + (begin - start) * setup_.turn.p;
        span->indices = indexed_ ? kept.indices + (begin - start) : nullptr;
        return true;
    }
    kept_ = kept_end_;
    return false;
}

}  // namespace velk
