// BltRotate's arithmetic (see rotation_math.h). The only floating point is the
// conversion of the host's doubles, exact steps of it, and estimates that exact
// integer checks then correct.
#include "graphics/rotation_math.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace velk {

// ---------------------------------------------------------------- wide integers

Wide WideOf(int64_t value) { return Wide{value < 0 ? -1 : 0, static_cast<uint64_t>(value)}; }

Wide WideSum(Wide a, Wide b) {
    const uint64_t lo = a.lo + b.lo;
    const uint64_t carry = lo < a.lo ? 1 : 0;
    return Wide{static_cast<int64_t>(static_cast<uint64_t>(a.hi) + static_cast<uint64_t>(b.hi) + carry), lo};
}

Wide WideNegation(Wide a) {
    const uint64_t lo = ~a.lo + 1;
    return Wide{static_cast<int64_t>(~static_cast<uint64_t>(a.hi) + (lo == 0 ? 1 : 0)), lo};
}

Wide WideProduct(int64_t a, int64_t b) {
    const bool negative = (a < 0) != (b < 0);
    const uint64_t x = a < 0 ? 0 - static_cast<uint64_t>(a) : static_cast<uint64_t>(a);
    const uint64_t y = b < 0 ? 0 - static_cast<uint64_t>(b) : static_cast<uint64_t>(b);
    // Four 32 x 32-bit products, which every architecture has.
    const uint64_t x0 = x & 0xFFFFFFFFu, x1 = x >> 32, y0 = y & 0xFFFFFFFFu, y1 = y >> 32;
    const uint64_t p00 = x0 * y0, p01 = x0 * y1, p10 = x1 * y0, p11 = x1 * y1;
    const uint64_t middle = (p00 >> 32) + (p01 & 0xFFFFFFFFu) + (p10 & 0xFFFFFFFFu);
    const Wide magnitude{static_cast<int64_t>(p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32)),
                         (p00 & 0xFFFFFFFFu) | (middle << 32)};
    return negative ? WideNegation(magnitude) : magnitude;
}

Wide WideHalf(Wide a) {
    const uint64_t hi = static_cast<uint64_t>(a.hi);
    // An arithmetic shift of the high half, written out.
    const uint64_t shifted = (hi >> 1) | (hi & (uint64_t{1} << 63));
    return Wide{static_cast<int64_t>(shifted), (a.lo >> 1) | (hi << 63)};
}

double WideToDouble(Wide a) { return std::ldexp(static_cast<double>(a.hi), 64) + static_cast<double>(a.lo); }

// ---------------------------------------------------------------- the turn

namespace {

constexpr int kAngleBits = 24;  // the angle's fraction bits, in degrees
constexpr int64_t kDegree = int64_t{1} << kAngleBits;
constexpr int64_t kOne = int64_t{1} << 30;
// pi / 180 with 36 fraction bits.
constexpr int64_t kRadiansPerDegree = 1199381129;

int64_t TimesQ30(int64_t a, int64_t b) { return a * b / kOne; }

// Sine and cosine of x radians (0 <= x <= pi / 4, 30 fraction bits) from their
// series; the first term left out is below 2^-36 there.
void SeriesSineCosine(int64_t x, int64_t* sine, int64_t* cosine) {
    const int64_t square = TimesQ30(x, x);
    int64_t sine_term = x, cosine_term = kOne;
    *sine = x;
    *cosine = kOne;
    for (int64_t k = 1; k <= 6; ++k) {
        sine_term = -TimesQ30(sine_term, square) / ((2 * k) * (2 * k + 1));
        cosine_term = -TimesQ30(cosine_term, square) / ((2 * k - 1) * (2 * k));
        *sine += sine_term;
        *cosine += cosine_term;
    }
}

// A scale as the integers that divide by it: its magnitude to 31 significant
// bits, truncated (the same integer on every architecture), and the power of
// two that goes with them.
struct Divisor {
    bool negative;
    int64_t mantissa;
    int shift;  // a quotient with 32 fraction bits is numerator 2^shift / mantissa, shift in 12..52
};

// False for scales of no pixel (0, below kSmallestScale, not a number) or above 2^20.
bool DivisorOf(double scale, Divisor* divisor) {
    const double magnitude = std::fabs(scale);
    if (!(magnitude >= kSmallestScale && magnitude <= 1048576.0)) return false;
    int exponent = 0;
    const double fraction = std::frexp(magnitude, &exponent);  // exact: magnitude = fraction 2^exponent
    *divisor = Divisor{scale < 0, static_cast<int64_t>(std::ldexp(fraction, 31)), 33 - exponent};
    return true;
}

// `numerator` (30 fraction bits) / the scale, with 32 fraction bits, rounded to
// nearest with the sign put on afterwards, so that mirrors are exact.
int64_t Divided(int64_t numerator, const Divisor& by) {
    const int64_t top = numerator < 0 ? -numerator : numerator, m = by.mantissa;
    const int64_t value = by.shift <= 32
                              ? (top * (int64_t{1} << by.shift) + m / 2) / m
                              : (top * (int64_t{1} << 32) + m / 2) / m * (int64_t{1} << (by.shift - 32));
    return by.negative != (numerator < 0) ? -value : value;
}

}  // namespace

void SineCosine(double degrees, int64_t* sine, int64_t* cosine) {
    if (!std::isfinite(degrees)) degrees = 0;
    // fmod and the scaling by a power of two are exact, and so is the rounding of
    // a value below 2^52: the angle is the same integer on every architecture.
    const double turns = std::fabs(degrees) < 360 ? degrees : std::fmod(degrees, 360.0);
    const int64_t full = 360 * kDegree, quarter = 90 * kDegree;
    int64_t angle = static_cast<int64_t>(std::floor(std::ldexp(turns, kAngleBits) + 0.5)) % full;
    if (angle < 0) angle += full;
    const int64_t quadrant = angle / quarter, rest = angle % quarter;
    int64_t c = kOne, s = 0;
    if (rest != 0) {
        // Beyond 45 degrees the series runs on the complement, where it is shortest.
        const bool complement = rest > quarter / 2;
        const int64_t x = (complement ? quarter - rest : rest) * kRadiansPerDegree >> (kAngleBits + 36 - 30);
        SeriesSineCosine(x, &s, &c);
        if (complement) std::swap(s, c);
    }
    for (int64_t k = 0; k < quadrant; ++k) {  // each quarter turn: (c, s) -> (-s, c)
        const int64_t turned = -s;
        s = c;
        c = turned;
    }
    *sine = s;
    *cosine = c;
}

Turn TurnOf(double degrees, double scale_x, double scale_y) {
    Turn turn{};
    if (!std::isfinite(degrees)) return turn;
    int64_t s = 0, c = 0;
    SineCosine(degrees, &s, &c);
    Divisor x{}, y{};
    turn.draws = DivisorOf(scale_x, &x) && DivisorOf(scale_y, &y);
    if (!turn.draws) return turn;
    turn.a = Divided(c, x);
    turn.b = Divided(s, x);
    turn.p = Divided(-s, y);
    turn.q = Divided(c, y);
    return turn;
}

// ---------------------------------------------------------------- the walk

namespace {

// The smallest k in [0, n] with g + step k >= 0 (step > 0), n when none below n.
int64_t FirstNotNegative(Wide g, int64_t step, int64_t n) {
    if (!IsNegative(g)) return 0;
    auto at = [&](int64_t k) { return WideSum(g, WideProduct(step, k)); };
    if (IsNegative(at(n - 1))) return n;
    // Answer below n: the estimate is off by a step at most, which the checks put right.
    const double estimate = std::ceil(-WideToDouble(g) / static_cast<double>(step));
    int64_t k = static_cast<int64_t>(std::min(std::max(estimate, 0.0), static_cast<double>(n - 1)));
    while (k < n && IsNegative(at(k))) ++k;
    while (k > 0 && !IsNegative(at(k - 1))) --k;
    return k;
}

// Narrows [*lo, *hi) of k in [0, n) to where g + step k >= 0.
void KeepNotNegative(Wide g, int64_t step, int64_t n, int64_t* lo, int64_t* hi) {
    if (step > 0) {
        *lo = std::max(*lo, FirstNotNegative(g, step, n));
    } else if (step < 0) {
        // g + step k >= 0 exactly while -g - 1 - step k < 0.
        *hi = std::min(*hi, FirstNotNegative(WideSum(WideNegation(g), WideOf(-1)), -step, n));
    } else if (IsNegative(g)) {
        *hi = *lo;
    }
}

// Values of the walk below this in magnitude leave room for every sum of the
// narrow spans in 64 bits.
bool IsNarrow(Wide a) {
    constexpr uint64_t kLimit = uint64_t{1} << 60;
    return (a.hi == 0 && a.lo < kLimit) || (a.hi == -1 && a.lo > ~kLimit);
}

// Pixels [first, end) of a picture `size` long whose centres may lie in
// [low, high] (offsets from `at`), computed from terms up to `terms` in size: a
// bound with room for the rounding of the doubles, held to the picture before
// any conversion.
void PixelRange(double at, double low, double high, double terms, int32_t size, int32_t* first, int32_t* end) {
    const double slack = 2 + 1e-9 * (std::fabs(at) + std::fabs(low) + std::fabs(high) + terms);
    double from = std::floor(at + low - slack), to = std::ceil(at + high + slack);
    if (!(from == from) || !(to == to)) from = 0, to = size;  // no bound known: the whole picture
    *first = static_cast<int32_t>(std::min(std::max(from, 0.0), static_cast<double>(size)));
    *end = static_cast<int32_t>(std::min(std::max(to, 0.0), static_cast<double>(size)));
}

// Clips wider than this would leave 64-bit fixed point; no picture is that wide.
constexpr int64_t kLargestClip = int64_t{1} << 29;

}  // namespace

RotationWalk::RotationWalk(const RotationSetup& setup) : setup_(setup) {
    const Turn& t = setup.turn;
    const int64_t clip_width = setup.clip_right - setup.clip_left, clip_height = setup.clip_bottom - setup.clip_top;
    if (!t.draws || clip_width <= 0 || clip_height <= 0 || clip_width > kLargestClip || clip_height > kLargestClip)
        return;

    // Bounds from the forward map of the clip's corners (only what the walk
    // visits; which pixels are drawn is decided exactly in Span).
    const double unit = std::ldexp(1.0, -kTurnFractionBits);
    const double a = t.a * unit, b = t.b * unit, p = t.p * unit, q = t.q * unit;
    const double determinant = a * q - b * p;
    const double centre_x = setup.rect_left + setup.rect_width / 2.0, centre_y = setup.rect_top + setup.rect_height / 2.0;
    const double us[2] = {setup.clip_left - centre_x, setup.clip_right - centre_x};
    const double vs[2] = {setup.clip_top - centre_y, setup.clip_bottom - centre_y};
    double low_x = 0, high_x = 0, low_y = 0, high_y = 0, terms = 0;
    for (int i = 0; i < 4; ++i) {
        const double u = us[i & 1], v = vs[i >> 1];
        const double dx = (q * u - b * v) / determinant, dy = (a * v - p * u) / determinant;
        terms = std::max(terms, (std::fabs(q * u) + std::fabs(b * v) + std::fabs(a * v) + std::fabs(p * u)) /
                                    std::fabs(determinant));
        low_x = i ? std::min(low_x, dx) : dx;
        high_x = i ? std::max(high_x, dx) : dx;
        low_y = i ? std::min(low_y, dy) : dy;
        high_y = i ? std::max(high_y, dy) : dy;
    }
    PixelRange(static_cast<double>(setup.to_x), low_x, high_x, terms, setup.dest_width, &first_column_, &end_column_);
    PixelRange(static_cast<double>(setup.to_y), low_y, high_y, terms, setup.dest_height, &first_row_, &end_row_);
    if (first_column_ >= end_column_) end_row_ = first_row_;

    // Twice the source position at (first_column_, first_row_): twice the
    // centre's offset from the clip plus the turned offset of the pixel centre
    // (2x + 1 - 2 to_x), plus the bias.
    const int64_t dx2 = 2 * int64_t{first_column_} + 1 - 2 * setup.to_x;
    const int64_t dy2 = 2 * int64_t{first_row_} + 1 - 2 * setup.to_y;
    u_origin_ = WideSum(WideProduct(2 * setup.rect_left + setup.rect_width - 2 * setup.clip_left,
                                    int64_t{1} << kTurnFractionBits),
                        WideSum(WideProduct(t.a, dx2), WideProduct(t.b, dy2)));
    v_origin_ = WideSum(WideProduct(2 * setup.rect_top + setup.rect_height - 2 * setup.clip_top,
                                    int64_t{1} << kTurnFractionBits),
                        WideSum(WideProduct(t.p, dx2), WideProduct(t.q, dy2)));
    u_origin_ = WideSum(u_origin_, WideOf(2 * kEdgeBias));
    v_origin_ = WideSum(v_origin_, WideOf(2 * kEdgeBias));
    u_limit_ = clip_width << (kTurnFractionBits + 1);
    v_limit_ = clip_height << (kTurnFractionBits + 1);

    // The positions are linear over the walk: its corners bound them all.
    const int64_t across = 2 * int64_t{end_column_ - first_column_}, down = 2 * int64_t{end_row_ - first_row_};
    narrow_ = true;
    for (int corner = 0; corner < 4; ++corner) {
        const int64_t k = corner & 1 ? across : 0, j = corner & 2 ? down : 0;
        narrow_ = narrow_ && IsNarrow(WideSum(u_origin_, WideSum(WideProduct(t.a, k), WideProduct(t.b, j)))) &&
                  IsNarrow(WideSum(v_origin_, WideSum(WideProduct(t.p, k), WideProduct(t.q, j))));
    }
    row_ = first_row_;
    if (!narrow_) return;
    u_row_ = WideLow(u_origin_);
    v_row_ = WideLow(v_origin_);
    // Twice the position must lie in [0, 2 size - 1] on both axes: its half, in [0, size).
    u_bound_ = AxisBound(u_row_, 2 * t.b, 2 * t.a, u_limit_ - 1);
    v_bound_ = AxisBound(v_row_, 2 * t.q, 2 * t.p, v_limit_ - 1);
}

namespace {

// floor(value / divisor) and its remainder in [0, divisor), divisor > 0.
void FloorDivide(int64_t value, int64_t divisor, int64_t* quotient, int64_t* remainder) {
    *quotient = value / divisor;
    *remainder = value % divisor;
    if (*remainder < 0) {
        *remainder += divisor;
        --*quotient;
    }
}

}  // namespace

AxisBound::AxisBound(int64_t g, int64_t rise, int64_t step, int64_t limit) : limit_(limit) {
    // 0 <= g + step k <= limit is 0 <= (limit - g) - step k <= limit.
    g_ = step < 0 ? limit - g : g;
    rise_ = step < 0 ? -rise : rise;
    divisor_ = step < 0 ? -step : step;
    if (divisor_ == 0) return;
    FloorDivide(g_, divisor_, &q_, &r_);
    FloorDivide(rise_, divisor_, &rise_q_, &rise_r_);
    FloorDivide(limit, divisor_, &limit_q_, &limit_r_);
}

bool RotationWalk::WalkedSpan(RotationSpan* span) {
    const Turn& t = setup_.turn;
    const int64_t n = end_column_ - first_column_;
    while (row_ < end_row_) {
        const int32_t y = row_++;
        if (!narrow_) {
            if (WideSpan(y, span)) return true;
            continue;
        }
        int64_t lo = 0, hi = n;
        u_bound_.Apply(&lo, &hi);
        v_bound_.Apply(&lo, &hi);
        u_bound_.NextRow();
        v_bound_.NextRow();
        const int64_t u = u_row_, v = v_row_;
        u_row_ += 2 * t.b;
        v_row_ += 2 * t.q;
        if (lo >= hi) continue;
        span->y = y;
        span->x_begin = static_cast<int32_t>(first_column_ + lo);
        span->x_end = static_cast<int32_t>(first_column_ + hi);
        // Inside the span both are non-negative: their halves are plain shifts.
        span->u = (u + 2 * t.a * lo) >> 1;
        span->v = (v + 2 * t.p * lo) >> 1;
        span->indices = nullptr;
        return true;
    }
    return false;
}

bool RotationWalk::WideSpan(int32_t y, RotationSpan* span) const {
    const Turn& t = setup_.turn;
    const int64_t n = end_column_ - first_column_;
    const Wide u = WideSum(u_origin_, WideProduct(t.b, 2 * int64_t{y - first_row_}));
    const Wide v = WideSum(v_origin_, WideProduct(t.q, 2 * int64_t{y - first_row_}));
    // Twice the position must lie in [0, 2 size - 1] on both axes: its half, in [0, size).
    int64_t lo = 0, hi = n;
    KeepNotNegative(u, 2 * t.a, n, &lo, &hi);
    KeepNotNegative(WideSum(WideOf(u_limit_ - 1), WideNegation(u)), -2 * t.a, n, &lo, &hi);
    KeepNotNegative(v, 2 * t.p, n, &lo, &hi);
    KeepNotNegative(WideSum(WideOf(v_limit_ - 1), WideNegation(v)), -2 * t.p, n, &lo, &hi);
    if (lo >= hi) return false;
    span->y = y;
    span->x_begin = static_cast<int32_t>(first_column_ + lo);
    span->x_end = static_cast<int32_t>(first_column_ + hi);
    span->u = WideLow(WideHalf(WideSum(u, WideProduct(2 * t.a, lo))));
    span->v = WideLow(WideHalf(WideSum(v, WideProduct(2 * t.p, lo))));
    span->indices = nullptr;
    return true;
}

// ---------------------------------------------------------------- recent turns

RotationWalk::RotationWalk(const RotationSetup& setup, TurnMemo* memo) {
    if (!memo->Holds(setup)) {
        *this = RotationWalk(setup);
        return;
    }
    setup_ = setup;
    memo_ = memo;
    shift_x_ = setup.to_x - TurnMemo::kShapeReach;
    shift_y_ = setup.to_y - TurnMemo::kShapeReach;
    const std::vector<RotationSpan>& spans = memo->held_->spans;
    // The first kept row at or below the destination's top.
    const auto first = std::lower_bound(spans.begin(), spans.end(), -shift_y_,
                                        [](const RotationSpan& span, int64_t y) { return span.y < y; });
    kept_ = spans.data() + (first - spans.begin());
    kept_end_ = spans.data() + spans.size();
    if (first == spans.end()) return;
    const int64_t height = setup.dest_height;
    first_row_ = static_cast<int32_t>(std::min(first->y + shift_y_, height));
    end_row_ = static_cast<int32_t>(std::min(std::max(spans.back().y + 1 + shift_y_, int64_t{first_row_}), height));
    row_ = first_row_;
}

void RotationWalk::KeepIndices(int32_t pitch) {
    if (memo_) indexed_ = memo_->IndicesFor(pitch) != nullptr;
}

bool TurnMemo::Shape::operator==(const Shape& other) const {
    return a == other.a && b == other.b && p == other.p && q == other.q && rect_left == other.rect_left &&
           rect_top == other.rect_top && rect_width == other.rect_width && rect_height == other.rect_height &&
           clip_width == other.clip_width && clip_height == other.clip_height;
}

TurnMemo::Shape TurnMemo::ShapeOf(const RotationSetup& s) {
    return Shape{s.turn.a,       s.turn.b,         s.turn.p,         s.turn.q,
                 s.rect_left - s.clip_left,        s.rect_top - s.clip_top,
                 s.rect_width,   s.rect_height,    s.clip_right - s.clip_left,
                 s.clip_bottom - s.clip_top};
}

template <typename Kept>
Kept& TurnMemo::Oldest(Kept (&kept)[kKept]) {
    Kept* oldest = &kept[0];
    for (Kept& one : kept)
        if (one.used < oldest->used) oldest = &one;
    return *oldest;
}

const Turn& TurnMemo::TurnFor(double degrees, double scale_x, double scale_y) {
    ++clock_;
    // Compared bit for bit: equal bits are equal turns, and nothing else matters.
    for (KeptTurn& kept : turns_)
        if (kept.used && std::memcmp(&degrees, &kept.degrees, sizeof degrees) == 0 &&
            std::memcmp(&scale_x, &kept.scale_x, sizeof scale_x) == 0 &&
            std::memcmp(&scale_y, &kept.scale_y, sizeof scale_y) == 0) {
            kept.used = clock_;
            return kept.turn;
        }
    KeptTurn& kept = Oldest(turns_);
    kept = KeptTurn{degrees, scale_x, scale_y, TurnOf(degrees, scale_x, scale_y), clock_};
    return kept.turn;
}

bool TurnMemo::Holds(const RotationSetup& setup) {
    ++clock_;
    const Shape shape = ShapeOf(setup);
    held_ = nullptr;
    for (KeptShape& kept : shapes_)
        if (kept.walks && kept.shape == shape) {
            held_ = &kept;
            break;
        }
    if (!held_) {
        held_ = &Oldest(shapes_);
        held_->shape = shape;
        held_->walks = 0;
        held_->kept = false;
        held_->spans.clear();
        held_->indices_pitch = 0;
        held_->indices.clear();
    }
    held_->used = clock_;
    if (held_->walks < 3 && ++held_->walks == 2) Keep(setup, held_);
    return held_->kept;
}

void TurnMemo::Keep(const RotationSetup& setup, KeptShape* kept) {
    RotationSetup centred = setup;
    centred.to_x = centred.to_y = kShapeReach;
    centred.dest_width = centred.dest_height = 2 * kShapeReach;
    RotationWalk walk(centred);
    // A walk that meets the picture's edges (or ends: a shape of no pixels)
    // may have left pixels out: such a shape is not kept.
    if (walk.first_row_ <= 0 || walk.end_row_ >= 2 * kShapeReach || walk.first_column_ <= 0 ||
        walk.end_column_ >= 2 * kShapeReach)
        return;
    kept->pixels = 0;
    RotationSpan span;
    while (walk.NextSpan(&span)) {
        kept->spans.push_back(span);
        kept->pixels += static_cast<size_t>(span.x_end - span.x_begin);
    }
    kept->kept = true;
}

const int32_t* TurnMemo::IndicesFor(int32_t pitch) {
    KeptShape* kept = held_;
    if (!kept || !kept->kept || kept->walks < 3 || pitch <= 0 || kept->pixels > kMostIndexed) return nullptr;
    if (pitch == kept->indices_pitch) return kept->indices.data();
    kept->indices_pitch = 0;
    kept->indices.clear();
    // Every pixel of the shape lies in the clip.
    if ((kept->shape.clip_height - 1) * pitch + kept->shape.clip_width - 1 > INT32_MAX) return nullptr;
    kept->indices.reserve(kept->pixels);
    for (const RotationSpan& span : kept->spans) {
        int64_t u = span.u, v = span.v;
        for (int32_t x = span.x_begin; x < span.x_end; ++x, u += kept->shape.a, v += kept->shape.p)
            kept->indices.push_back(static_cast<int32_t>((v >> kTurnFractionBits) * pitch + (u >> kTurnFractionBits)));
    }
    // Pointed to once the vector has its final place.
    size_t start = 0;
    for (RotationSpan& span : kept->spans) {
        span.indices = kept->indices.data() + start;
        start += static_cast<size_t>(span.x_end - span.x_begin);
    }
    kept->indices_pitch = pitch;
    return kept->indices.data();
}

}  // namespace velk
