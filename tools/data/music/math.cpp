// Portable elementary functions: range reduction, then Taylor series short
// enough that the dropped terms are below double precision.
#include "tools/data/music/math.h"

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
    double y = g * Ln2;
    // e^y to the y^6 term, in Horner form with the factorials' reciprocals.
    double series =
        1.0 +
        y * (1.0 + y * (1.0 / 2 + y * (1.0 / 6 + y * (1.0 / 24 + y * (1.0 / 120 + y / 720)))));
    double value = Exp2Table()[j] * series;
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
    // The series to r^23 in Horner form; the coefficients are ±1/n!.
    static constexpr double Coefficients[11] = {
        -1.0 / 6,
        1.0 / 120,
        -1.0 / 5040,
        1.0 / 362880,
        -1.0 / 39916800,
        1.0 / 6227020800,
        -1.0 / 1307674368000,
        1.0 / 355687428096000,
        -1.0 / 121645100408832000,
        1.0 / 51090942171709440000.0,
        -1.0 / 25852016738884976640000.0,
    };
    double square = r * r;
    double sum = Coefficients[10];
    for (int k = 9; k >= 0; --k) {
        sum = Coefficients[k] + square * sum;
    }
    return r + r * square * sum;
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
