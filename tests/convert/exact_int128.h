// Exact arithmetic on 128-bit integers for checking the number writer: the
// text of a single by integer division, independent of the writer's method.
#pragma once

#if defined(__SIZEOF_INT128__)

#include <cstdint>
#include <cstring>
#include <string>

#include "exact_decimal.h"

namespace quorvel::testing {

using u128 = unsigned __int128;

inline char* put_decimal(char* out, u128 v) {
    char digits[40];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + static_cast<int>(v % 10));
        v /= 10;
    } while (v != 0);
    while (n > 0) *out++ = digits[--n];
    return out;
}

inline u128 power(unsigned base, int n) {
    u128 p = 1;
    while (n-- > 0) p *= base;
    return p;
}

// The text for a single, worked out with 128-bit integer division: the value
// is mant * 2^exp2; below 1 times 2^-44 only the sign and zeros remain.
inline char* expected_text(char* out, float f) {
    std::uint32_t b = bits_of(f);
    bool negative = (b >> 31) != 0;
    std::uint32_t biased = (b >> 23) & 0xFFu;
    std::uint32_t mant = b & 0x7FFFFFu;
    if (biased == 0xFF) {
        const char* text = negative ? "-1.#INF00" : "1.#INF00";
        std::size_t n = std::strlen(text);
        std::memcpy(out, text, n);
        return out + n;
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
    if (exp2 < 0) {
        int k = -exp2;
        u128 q = 0;  // the value times 10^6, rounded half away from zero
        if (k <= 44) {
            // value = mant * 5^k / 10^k, with mant * 5^k below 2^127
            u128 n = u128{mant} * power(5, k);
            if (k >= 6) {
                u128 d = power(10, k - 6);
                u128 r = n % d;
                q = n / d + (2 * r >= d ? 1 : 0);
            } else {
                q = n * power(10, 6 - k);
            }
        }
        out = put_decimal(out, q / 1000000);
        *out++ = '.';
        unsigned six = static_cast<unsigned>(q % 1000000);
        for (int i = 5; i >= 0; --i) {
            out[i] = static_cast<char>('0' + six % 10);
            six /= 10;
        }
        return out + 6;
    }
    u128 v = u128{mant} << exp2;
    const u128 e17 = power(10, 17);
    if (v >= e17) {
        int digits = 0;
        for (u128 t = v; t != 0; t /= 10) ++digits;
        u128 p = power(10, digits - 17);
        u128 q = v / p + (2 * (v % p) >= p ? 1 : 0);  // half up at the 18th digit
        out = put_decimal(out, q);
        for (int i = 17; i < digits; ++i) *out++ = '0';
    } else {
        out = put_decimal(out, v);
    }
    std::memcpy(out, ".000000", 7);
    return out + 7;
}

// The decimal digits of v.
inline std::string decimal(u128 v) {
    char digits[40];
    return std::string(digits, put_decimal(digits, v));
}

}  // namespace quorvel::testing

#endif
