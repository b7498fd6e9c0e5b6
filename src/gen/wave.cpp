#include "gen/wave.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "base/length.h"
#include "base/messages.h"
#include "base/name_table.h"
#include "base/parse.h"
#include "base/wrap_int.h"
#include "gen/gen_text.h"

namespace {

// A `%` ratio of swave becomes a factor in 1/128 units, 1..16384.
constexpr int64_t kRatioUnit = 128;
constexpr int64_t kRatioMax = 16384;

// Angle factors: degrees to radians with pi taken as 3.14159, and 1/256 of a
// cycle to radians. Users' runs are pinned to these exact factors.
constexpr double kDegreeToRadian = 0.01745327777777778;
constexpr double kCycle256ToRadian = 0.024543671875;

// The generators' texts exist in English only.
constexpr const char *kWaveError = "Wave parameter error!";
constexpr const char *kSlideError = "Slide parameter error!";
constexpr const char *kSwaveError = "Swave parameter error!";

enum class Shape { Sine, Triangle, Sawtooth };
enum class Curve { Linear, Square, Exponential, SquareRoot };

struct ShapeWord {
    const char *name;
    Shape shape;
};
struct CurveWord {
    const char *name;
    Curve curve;
};

constexpr std::array<ShapeWord, 3> kShapes{{
    {"saw", Shape::Sawtooth},
    {"sin", Shape::Sine},
    {"tri", Shape::Triangle},
}};
static_assert(MM_namesSorted(kShapes));

constexpr std::array<CurveWord, 7> kCurves{{
    {"e^x", Curve::Exponential},
    {"exp(x)", Curve::Exponential},
    {"sqr", Curve::SquareRoot},
    {"sqr(x)", Curve::SquareRoot},
    {"x", Curve::Linear},
    {"x*x", Curve::Square},
    {"x^2", Curve::Square},
}};
static_assert(MM_namesSorted(kCurves));

// The entry named by the whole of `word` (trailing blanks allowed), or null.
template <class Entry, std::size_t N>
const Entry *findWord(const std::array<Entry, N> &table, const char *word)
{
    const Entry *entry = MM_findName(table, word);
    if (!entry) return nullptr;
    const char *rest = word + strlen(entry->name);
    MM_skipBlanks(&rest);
    return *rest == '\0' ? entry : nullptr;
}

// Numbers of the argument list read as atoi reads them: 0 where none stands.
int32_t number(const char *text)
{
    int32_t value = 0;
    return MM_getNum(&value, &text) < 0 ? 0 : value;
}

int32_t saturate(int64_t value)
{
    return (int32_t)std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                        std::numeric_limits<int32_t>::max());
}

// base + trunc(x), held to the 32-bit range; a result that is not a number
// adds nothing.
int32_t addTruncated(int64_t base, double x)
{
    double sum = std::isnan(x) ? (double)base : (double)base + std::trunc(x);
    if (sum <= (double)std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    if (sum >= (double)std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    return (int32_t)sum;
}

// e^x / e^n; past the range of a double the quotient is taken whole.
double expRatio(double x, double n)
{
    double denominator = std::exp(n);
    return std::isinf(denominator) ? std::exp(x - n) : std::exp(x) / denominator;
}

// `:step` behind a sub-item of swave.
bool putStep(MMgenText &text, int32_t step)
{
    char digits[16];
    int length = snprintf(digits, sizeof digits, ":%d", (int)step);
    return text.put(digits, (size_t)length);
}

// ---- wave ----------------------------------------------------------------

// One sample of a wave at phase phi (degrees) before the offset. Negative
// phases fold into one cycle, as the shape repeats every 360 degrees.
int64_t waveSample(Shape shape, bool inverted, int32_t phi, int64_t amplitude)
{
    if (shape == Shape::Sine) {
        double sample = std::sin((double)phi * kDegreeToRadian) * (double)amplitude;
        return (int64_t)addTruncated(0, sample);
    }
    int64_t p = phi % 360;
    if (p < 0) p += 360;
    if (shape == Shape::Triangle) {
        if (p < 90) return p * amplitude / 90;
        if (p < 270) return amplitude + (90 - p) * amplitude / 90;
        return (p - 270) * amplitude / 90 - amplitude;
    }
    if (!inverted) return p < 180 ? p * amplitude / 180 : (p - 180) * amplitude / 180 - amplitude;
    return p < 180 ? p * amplitude / -180 : amplitude + (180 - p) * amplitude / 180;
}

// ---- slide ---------------------------------------------------------------

// A curve word with an optional leading `&` (the end value excluded).
bool readCurve(const char *word, Curve *curve, bool *exclusive, bool emptyIsLinear)
{
    *exclusive = *word == '&';
    if (*exclusive) ++word;
    const char *rest = word;
    MM_skipBlanks(&rest);
    if (emptyIsLinear && *rest == '\0') {
        *curve = Curve::Linear;
        return true;
    }
    const CurveWord *entry = findWord(kCurves, word);
    if (!entry) return false;
    *curve = entry->curve;
    return true;
}

// The value of item i of a slide over n steps from `from` by delta.
int32_t slideValue(Curve curve, int32_t from, double delta, int32_t i, int32_t n)
{
    double x = 0;
    switch (curve) {
    case Curve::Linear: {
        float step = (float)(delta / n);
        x = (double)i * (double)step;
        break;
    }
    case Curve::Square: {
        float squareN = (float)((double)n * n);
        float range = (float)delta;
        x = (double)i * i / (double)squareN * (double)range;
        break;
    }
    case Curve::Exponential:
        x = expRatio(i, n) * delta;
        break;
    case Curve::SquareRoot:
        x = std::sqrt((double)i) / std::sqrt((double)n) * delta;
        break;
    }
    return addTruncated(from, x);
}

// ---- swave ---------------------------------------------------------------

// A ratio argument: a plain integer, or `%` and a percentage that becomes a
// factor in 1/128 units. False for a percentage outside the factor range.
struct Ratio {
    int64_t value = 0;
    bool percent = false;
};

bool readRatio(const char *text, Ratio *ratio)
{
    if (*text != '%') {
        ratio->value = number(text);
        return true;
    }
    ratio->percent = true;
    ratio->value = (int64_t)number(text + 1) * kRatioUnit / 100;
    return ratio->value >= 1 && ratio->value <= kRatioMax;
}

// The series start, start + k * ratio (plain) or start * (ratio / 128)^k
// (percentage, truncating at each step) for k = 0 .. count - 1, held to the
// 32-bit range.
std::vector<int64_t> series(int64_t start, const Ratio &ratio, int32_t count)
{
    std::vector<int64_t> values((size_t)count);
    int64_t value = start;
    for (int32_t k = 0; k < count; ++k) {
        values[(size_t)k] = ratio.percent ? value : saturate(start + k * ratio.value);
        if (ratio.percent) value = saturate(value * ratio.value / kRatioUnit);
    }
    return values;
}

struct SwaveCurve {
    Curve curve;
    int64_t from;
    int64_t delta;
    int64_t n;  // points of the whole run, less one unless the end is excluded

    // The curve at point x. A run of one point with its end included has
    // nowhere to go and stays at `from`.
    double at(int64_t x) const
    {
        if (n == 0) return (double)from;
        switch (curve) {
        case Curve::Linear:
            return (double)(from + x * delta / n);
        case Curve::Square:
            return (double)(from + x * x * delta / (n * n));
        case Curve::Exponential:
            return (double)from + std::trunc(expRatio((double)x, (double)n) * (double)delta);
        case Curve::SquareRoot:
            return (double)from + std::trunc(std::sqrt((double)x) / std::sqrt((double)n) * (double)delta);
        }
        return (double)from;
    }
};

// One sub-item: the curve value plus the shape at p (1/256 cycles) scaled by
// amplitude. Triangle and sawtooth fold negative p into one cycle.
int32_t swaveValue(Shape shape, bool inverted, int64_t p, int64_t amplitude, double curve)
{
    if (shape == Shape::Sine) return addTruncated(0, std::sin((double)p * kCycle256ToRadian) * (double)amplitude + curve);
    if (p < 0) p += 256;
    int64_t offset;
    if (shape == Shape::Triangle) {
        if (p < 64) offset = p * amplitude / 64;
        else if (p < 192) offset = amplitude + (64 - p) * amplitude / 64;
        else offset = (p - 192) * amplitude / 64 - amplitude;
    } else if (!inverted) {
        offset = p < 128 ? p * amplitude / 128 : (p - 128) * amplitude / 128 - amplitude;
    } else {
        offset = p < 128 ? -(p * amplitude / 128) : amplitude + (128 - p) * amplitude / 128;
    }
    return addTruncated(0, curve + (double)offset);
}

}  // namespace

int MMgen_wave(mmctx *ctx, int space, char *out, int argc, char **argv)
{
    if (argc < 8) return MM_setErr(ctx, kWaveError);
    const char *item = argv[0], *pattern = argv[1], *separator = argv[3];
    int32_t count = number(argv[2]);
    if (count < 2) return MM_setErr(ctx, kWaveError);

    const char *shapeWord = argv[4];
    bool inverted = *shapeWord == '!';
    if (inverted) ++shapeWord;
    const ShapeWord *entry = findWord(kShapes, shapeWord);
    Shape shape = entry ? entry->shape : Shape::Sine;

    int32_t offset = number(argv[5]), amplitude = number(argv[6]), step = number(argv[7]);
    int32_t phi = argc > 8 ? number(argv[8]) : 0;
    // The sawtooth has an inverted form of its own; the others shift half a cycle.
    if (inverted && shape != Shape::Sawtooth) phi = MMwrap_add(phi, 180);

    // Every item writes at least one digit, so the bound on the text ends
    // the loop long before a large count would.
    MMgenText output(out, space);
    for (int32_t i = 0; i < count; ++i, phi = MMwrap_add(phi, step)) {
        int32_t value = saturate(waveSample(shape, inverted, phi, amplitude) + offset);
        if (i > 0 && !output.put(separator)) return MMgen_outOfSpace(ctx);
        if (!output.fill(pattern, value) || !output.put(item)) return MMgen_outOfSpace(ctx);
    }
    return output.length();
}

int MMgen_slide(mmctx *ctx, int space, char *out, int argc, char **argv)
{
    if (argc < 7) return MM_setErr(ctx, kSlideError);
    const char *item = argv[0], *pattern = argv[1], *separator = argv[3];
    int32_t count = number(argv[2]);
    if (count < 2) return MM_setErr(ctx, kSlideError);
    Curve curve;
    bool exclusive;
    if (!readCurve(argv[4], &curve, &exclusive, false)) return MM_setErr(ctx, kSlideError);
    int32_t from = number(argv[5]), to = number(argv[6]);
    int32_t first = argc > 7 ? number(argv[7]) : 0;
    // An index before the first item has no place on the curve.
    if (first < 0 || first >= count) return MM_setErr(ctx, kSlideError);

    int32_t n = exclusive ? count : count - 1;
    double delta = (double)to - (double)from;
    MMgenText output(out, space);
    for (int32_t i = first; i < count; ++i) {
        if (!output.fill(pattern, slideValue(curve, from, delta, i, n)) || !output.put(item))
            return MMgen_outOfSpace(ctx);
        if (i != count - 1 && !output.put(separator)) return MMgen_outOfSpace(ctx);
    }
    return output.length();
}

int MMgen_swave(mmctx *ctx, int space, char *out, int argc, char **argv)
{
    if (argc < 12) return MM_setErr(ctx, kSwaveError);
    const char *item = argv[0], *pattern = argv[1], *separator = argv[5];
    const char *text2 = argc > 14 ? argv[14] : "";

    const char *cursor = argv[2];
    int32_t stepTime = 0;
    if (MMlength_value(ctx->division, &cursor, &stepTime) != 1) return MM_setErr(ctx, kSwaveError);
    MMlength_dots(&cursor, &stepTime);

    int32_t steps = number(argv[3]), count = number(argv[4]);
    Curve curve;
    bool exclusive;
    if (!readCurve(argv[6], &curve, &exclusive, true)) return MM_setErr(ctx, kSwaveError);
    int32_t from = number(argv[7]), to = number(argv[8]);

    const char *shapeWord = argv[9];
    bool inverted = *shapeWord == '!';
    if (inverted) ++shapeWord;
    Shape shape = Shape::Sine;
    const char *rest = shapeWord;
    MM_skipBlanks(&rest);
    if (*rest != '\0') {
        const ShapeWord *entry = findWord(kShapes, shapeWord);
        if (!entry) return MM_setErr(ctx, kSwaveError);
        shape = entry->shape;
    }
    int32_t amplitude = number(argv[10]);
    int64_t phaseOffset = (int64_t)number(argv[11]) * 256 / 100 + 256;
    Ratio weightRatio, amplitudeRatio;
    if (argc > 12 && !readRatio(argv[12], &weightRatio)) return MM_setErr(ctx, kSwaveError);
    if (argc > 13 && !readRatio(argv[13], &amplitudeRatio)) return MM_setErr(ctx, kSwaveError);

    // A step time of 0 also stands for a note value longer than four wholes.
    int64_t subItems = (int64_t)count * steps;
    if (steps < 1 || count < 1 || stepTime <= 0 || subItems > stepTime) return MM_setErr(ctx, kSwaveError);
    MMgenText output(out, space);
    // Every sub-item writes at least a digit, `:` and a digit; a run that
    // cannot fit fails before anything is computed for it.
    if (subItems * 3 >= output.limit()) return MMgen_outOfSpace(ctx);

    std::vector<int64_t> weights = series(256, weightRatio, count);
    std::vector<int64_t> amplitudes = series(amplitude, amplitudeRatio, count);
    int64_t weightSum = 0;
    for (int64_t &weight : weights) {
        weight = std::max<int64_t>(weight, steps);
        weightSum += weight;
    }
    SwaveCurve line{curve, from, (int64_t)to - from, exclusive ? subItems : subItems - 1};

    // Step times come from end positions on the weighted time line, so that
    // rounding never accumulates; the last sub-item takes what is left.
    int64_t written = 0, weightBefore = 0;
    for (int32_t k = 0; k < count; ++k) {
        int64_t weight = weights[(size_t)k];
        for (int32_t j = 0; j < steps; ++j) {
            int64_t step;
            if (k == count - 1 && j == steps - 1) {
                step = stepTime - written;
            } else {
                __int128 end = (__int128)stepTime * (j + 1) * weight / steps / weightSum +
                               (__int128)weightBefore * stepTime / weightSum;
                step = std::max<int64_t>((int64_t)end - written, 0);
            }
            written += step;

            int64_t p = ((int64_t)j * 256 / steps + phaseOffset) % 256;
            int32_t value =
                swaveValue(shape, inverted, p, amplitudes[(size_t)k], line.at((int64_t)k * steps + j));
            if ((k > 0 || j > 0) && !output.put(separator)) return MMgen_outOfSpace(ctx);
            if (!output.fill(pattern, value)) return MMgen_outOfSpace(ctx);
            if (j == 0 && !output.put(text2)) return MMgen_outOfSpace(ctx);
            if (!output.put(item) || !putStep(output, (int32_t)step)) return MMgen_outOfSpace(ctx);
        }
        weightBefore += weight;
    }
    return output.length();
}
