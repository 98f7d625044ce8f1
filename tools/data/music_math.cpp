// Portable elementary functions: range reduction, then Taylor series short
// enough that the dropped terms are below double precision.
#include "tools/data/music_math.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>

static constexpr double Pi = 3.141592653589793;
static constexpr double Ln2 = 0.6931471805599453;
static constexpr double Log2E = 1.4426950408889634;

// e^y by its Taylor series, terms terms long.
static double SeriesExp(double y, int terms) {
    double term = 1.0, sum = 1.0;
    for (int k = 1; k <= terms; ++k) {
        term *= y / k;
        sum += term;
    }
    return sum;
}

// 2^(j/64) for j = 0…63, from a series long enough for full precision.
static const std::array<double, 64>& Exp2Table() {
    static const std::array<double, 64> table = [] {
        std::array<double, 64> values{};
        for (int j = 0; j < 64; ++j) {
            values[static_cast<size_t>(j)] = SeriesExp(j / 64.0 * Ln2, 30);
        }
        return values;
    }();
    return table;
}

double PortableExp2(double x) {
    if (x > 1000.0) {
        return INFINITY;
    }
    if (x < -1000.0) {
        return 0.0;
    }
    // 2^x = 2^n · 2^(j/64) · e^(g ln 2) with k = 64 n + j the nearest 64th
    // and |g| ≤ 1/128, so six terms of the series reach full precision.
    double k = std::floor(x * 64.0 + 0.5);
    double g = x - k / 64.0;
    int64_t whole = static_cast<int64_t>(k);
    int64_t n = whole >> 6; // rounds towards minus infinity
    size_t j = static_cast<size_t>(whole & 63);
    double value = Exp2Table()[j] * SeriesExp(g * Ln2, 6);
    if (n >= -1022 && n <= 1023) {
        // 2^n built from its exponent bits.
        return value * std::bit_cast<double>(static_cast<uint64_t>(n + 1023) << 52);
    }
    return std::ldexp(value, static_cast<int>(n));
}

double PortableExp(double x) {
    return PortableExp2(x * Log2E);
}

double PortableSin(double x) {
    // Into -π…π, then folded into -π/2…π/2 where the series converges fast.
    double r = x - 2.0 * Pi * std::floor(x / (2.0 * Pi) + 0.5);
    if (r > Pi / 2.0) {
        r = Pi - r;
    } else if (r < -Pi / 2.0) {
        r = -Pi - r;
    }
    double square = r * r;
    double term = r, sum = r;
    for (int k = 1; k <= 11; ++k) {
        term *= -square / ((2.0 * k) * (2.0 * k + 1.0));
        sum += term;
    }
    return sum;
}

double PortableCos(double x) {
    return PortableSin(x + Pi / 2.0);
}

double PortableTan(double x) {
    return PortableSin(x) / PortableCos(x);
}

double PortableTanh(double x) {
    if (x > 20.0) {
        return 1.0;
    }
    if (x < -20.0) {
        return -1.0;
    }
    double e = PortableExp(2.0 * x);
    return (e - 1.0) / (e + 1.0);
}
