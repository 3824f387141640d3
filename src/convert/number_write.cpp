// Writing integers and reals.
//
// A real is written from its exact binary value with 64-bit integer
// arithmetic: below 10^17 it is rounded to six decimals, halfway away from
// zero; from 10^17 on its integer digits are rounded to 17 significant digits,
// half up, and zeros fill the places after them.
#include "number_text.h"

#include <cmath>
#include <cstring>

namespace quorvel {
namespace {

char* write_unsigned(char* out, std::uint64_t v) {
    char digits[20];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    while (n > 0) *out++ = digits[--n];
    return out;
}

// Writes the six decimals of frac (0 <= frac < 1000000), with leading zeros.
char* write_six(char* out, std::uint32_t frac) {
    for (int i = 5; i >= 0; --i) {
        out[i] = static_cast<char>('0' + frac % 10);
        frac /= 10;
    }
    return out + 6;
}

// Writes mant * 2^exp2 (a whole number of at least 10^17, below 2^128) with
// its digits after the 17th set to zero, after rounding half up there.
char* write_large(char* out, std::uint32_t mant, int exp2) {
    // The value as four 32-bit limbs, little-endian.
    std::uint32_t limb[5] = {0, 0, 0, 0, 0};
    int word = exp2 / 32;
    int bit = exp2 % 32;
    std::uint64_t shifted = static_cast<std::uint64_t>(mant) << bit;
    limb[word] = static_cast<std::uint32_t>(shifted);
    limb[word + 1] = static_cast<std::uint32_t>(shifted >> 32);
    // Decimal digits, least significant first, by repeated division by 10^9.
    char digits[48];
    int count = 0;
    for (;;) {
        bool zero = true;
        std::uint64_t rem = 0;
        for (int i = 4; i >= 0; --i) {
            std::uint64_t cur = (rem << 32) | limb[i];
            limb[i] = static_cast<std::uint32_t>(cur / 1000000000u);
            rem = cur % 1000000000u;
            if (limb[i] != 0) zero = false;
        }
        for (int i = 0; i < 9; ++i) {
            digits[count++] = static_cast<char>('0' + rem % 10);
            rem /= 10;
        }
        if (zero) break;
    }
    while (count > 1 && digits[count - 1] == '0') --count;
    // digits[count - 1] is the leading digit; round at the 17th.
    int cut = count - 17;  // digits below index cut become zero
    bool up = digits[cut - 1] >= '5';
    for (int i = 0; i < cut; ++i) digits[i] = '0';
    for (int i = cut; up && i < count; ++i) {
        if (digits[i] == '9') {
            digits[i] = '0';
        } else {
            ++digits[i];
            up = false;
        }
    }
    if (up) *out++ = '1';
    for (int i = count - 1; i >= 0; --i) *out++ = digits[i];
    std::memcpy(out, ".000000", 7);
    return out + 7;
}

}  // namespace

char* write_int(char* out, std::int32_t value) {
    std::uint32_t v = static_cast<std::uint32_t>(value);
    if (value < 0) {
        *out++ = '-';
        v = 0u - v;
    }
    return write_unsigned(out, v);
}

char* write_real(char* out, float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    std::uint32_t biased = (bits >> 23) & 0xFFu;
    std::uint32_t mant = bits & 0x7FFFFFu;
    bool negative = (bits >> 31) != 0;
    if (biased == 0xFF) {
        // Reading never yields a NaN; infinity keeps its sign.
        if (negative) *out++ = '-';
        std::memcpy(out, "1.#INF00", 8);
        return out + 8;
    }
    if (biased == 0 && mant == 0) {
        std::memcpy(out, "0.000000", 8);
        return out + 8;
    }
    if (negative) *out++ = '-';
    int exp2 = -149;
    if (biased != 0) {
        mant |= 0x800000u;
        exp2 = static_cast<int>(biased) - 150;
    }
    // value = mant * 2^exp2, with mant < 2^24.
    if (exp2 >= 0) {
        // Exact in double; 10^17 is exact in double too.
        double magnitude = std::ldexp(static_cast<double>(mant), exp2);
        if (magnitude >= 1e17) return write_large(out, mant, exp2);
        out = write_unsigned(out, static_cast<std::uint64_t>(mant) << exp2);
        std::memcpy(out, ".000000", 7);
        return out + 7;
    }
    int shift = -exp2;
    if (shift > 44) {
        // Below 2^-21, less than half of the sixth decimal.
        std::memcpy(out, "0.000000", 8);
        return out + 8;
    }
    std::uint64_t whole = shift >= 24 ? 0 : mant >> shift;
    std::uint64_t frac = mant & ((std::uint64_t{1} << shift) - 1);
    std::uint64_t scaled = frac * 1000000u;
    std::uint64_t six = scaled >> shift;
    std::uint64_t rest = scaled & ((std::uint64_t{1} << shift) - 1);
    // Halfway or more away from zero.
    if (rest >= (std::uint64_t{1} << (shift - 1))) ++six;
    if (six == 1000000u) {
        six = 0;
        ++whole;
    }
    out = write_unsigned(out, whole);
    *out++ = '.';
    return write_six(out, static_cast<std::uint32_t>(six));
}

}  // namespace quorvel
