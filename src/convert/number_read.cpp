// Reading integer and real fields.
//
// Reals take a fast path for the short decimals that real files hold (at most
// 2^53 as a digit run and a scale of at most 10^22): one correctly rounded
// double operation, then a rounding to single that is exact unless the double
// lands on the midpoint between two singles. Every other field, and those
// midpoints, go to the exact path, which compares the decimal value with
// binary midpoints in big-integer arithmetic.
#include "number_text.h"

#include <cmath>
#include <cstring>

namespace quorvel {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::uint32_t float_bits(float f) {
    std::uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

float bits_float(std::uint32_t b) {
    float f;
    std::memcpy(&f, &b, sizeof f);
    return f;
}

std::uint64_t double_bits(double d) {
    std::uint64_t b;
    std::memcpy(&b, &d, sizeof b);
    return b;
}

float signed_zero(bool negative) { return negative ? -0.0f : 0.0f; }

constexpr std::uint32_t kInfinityBits = 0x7F800000u;

// ---- Unsigned big integers, little-endian 32-bit limbs, fixed capacity ----

// Enough for the largest product formed below (about 1,000 bits).
constexpr int kBigLimbs = 48;

struct BigInt {
    std::uint32_t limb[kBigLimbs];
    int size;  // limbs in use; no leading zero limbs
};

void big_set(BigInt& a, std::uint64_t v) {
    a.size = 0;
    while (v != 0) {
        a.limb[a.size++] = static_cast<std::uint32_t>(v);
        v >>= 32;
    }
}

void big_mul_add(BigInt& a, std::uint32_t mul, std::uint32_t add) {
    std::uint64_t carry = add;
    for (int i = 0; i < a.size; ++i) {
        std::uint64_t t = static_cast<std::uint64_t>(a.limb[i]) * mul + carry;
        a.limb[i] = static_cast<std::uint32_t>(t);
        carry = t >> 32;
    }
    if (carry != 0 && a.size < kBigLimbs) a.limb[a.size++] = static_cast<std::uint32_t>(carry);
}

void big_mul_pow10(BigInt& a, int n) {
    // 10^n = 5^n * 2^n; the 2^n is applied by the caller through shifts.
    while (n >= 13) {
        big_mul_add(a, 1220703125u, 0);  // 5^13
        n -= 13;
    }
    std::uint32_t p = 1;
    while (n-- > 0) p *= 5;
    big_mul_add(a, p, 0);
}

void big_shift_left(BigInt& a, int bits) {
    if (a.size == 0 || bits == 0) return;
    int limbs = bits / 32;
    int rest = bits % 32;
    int n = a.size;
    std::uint32_t top = rest != 0 ? a.limb[n - 1] >> (32 - rest) : 0;
    for (int i = n - 1; i >= 0; --i) {
        std::uint32_t v = a.limb[i] << rest;
        if (rest != 0 && i > 0) v |= a.limb[i - 1] >> (32 - rest);
        a.limb[i + limbs] = v;
    }
    for (int i = 0; i < limbs; ++i) a.limb[i] = 0;
    a.size = n + limbs;
    if (top != 0) a.limb[a.size++] = top;
}

int big_compare(const BigInt& a, const BigInt& b) {
    if (a.size != b.size) return a.size < b.size ? -1 : 1;
    for (int i = a.size - 1; i >= 0; --i) {
        if (a.limb[i] != b.limb[i]) return a.limb[i] < b.limb[i] ? -1 : 1;
    }
    return 0;
}

// The decimal value digits * 10^exponent, plus "something more" when sticky.
struct Decimal {
    BigInt digits;
    int exponent;
    bool sticky;
};

// Compares the decimal value with the midpoint between the positive singles
// with bits b and b + 1 (where b + 1 = infinity stands for 2^128).
int compare_with_midpoint(const Decimal& d, std::uint32_t b) {
    std::uint32_t biased = b >> 23;
    std::uint64_t mant = b & 0x7FFFFFu;
    int exp2 = -149;
    if (biased != 0) {
        mant |= 0x800000u;
        exp2 = static_cast<int>(biased) - 150;
    }
    // midpoint = (2 * mant + 1) * 2^(exp2 - 1)
    BigInt left = d.digits;
    BigInt right;
    big_set(right, 2 * mant + 1);
    int two_left = 0;
    int two_right = exp2 - 1;
    if (d.exponent >= 0) {
        big_mul_pow10(left, d.exponent);
        two_left += d.exponent;
    } else {
        big_mul_pow10(right, -d.exponent);
        two_right += -d.exponent;
    }
    if (two_left > two_right) {
        two_left -= two_right;
        two_right = 0;
    } else {
        two_right -= two_left;
        two_left = 0;
    }
    big_shift_left(left, two_left);
    big_shift_left(right, two_right);
    int c = big_compare(left, right);
    if (c == 0 && d.sticky) c = 1;
    return c;
}

// Significant digits kept exactly; any nonzero digit after them only sets the
// sticky flag. No midpoint between singles has more than 113 significant
// digits, so 128 decide every comparison.
constexpr int kKeptDigits = 128;

}  // namespace

float read_real_exact(bool negative, const char* int_digits, std::size_t int_count,
                      const char* frac_digits, std::size_t frac_count,
                      std::int64_t exponent10) {
    Decimal d;
    d.digits.size = 0;
    d.sticky = false;
    int kept = 0;
    std::uint64_t head = 0;  // first 19 significant digits, for the estimate
    int head_count = 0;
    std::int64_t dropped = 0;  // digits after the kept ones, counted for the scale
    std::int64_t frac_used = 0;
    auto take = [&](char c, bool in_fraction) {
        if (in_fraction) ++frac_used;
        if (kept == 0 && c == '0') return;
        if (kept < kKeptDigits) {
            big_mul_add(d.digits, 10, static_cast<std::uint32_t>(c - '0'));
            ++kept;
            if (head_count < 19) {
                head = head * 10 + static_cast<std::uint64_t>(c - '0');
                ++head_count;
            }
        } else {
            ++dropped;
            if (c != '0') d.sticky = true;
        }
    };
    for (std::size_t i = 0; i < int_count; ++i) take(int_digits[i], false);
    for (std::size_t i = 0; i < frac_count; ++i) take(frac_digits[i], true);
    if (kept == 0) return signed_zero(negative);

    // value = digits * 10^(exponent10 - frac_used + dropped); digits in the
    // fraction that were dropped count in frac_used and in dropped alike.
    std::int64_t scale = exponent10 - frac_used + dropped;
    std::int64_t leading = scale + kept - 1;  // 10^leading <= value < 10^(leading+1)
    if (leading >= 39) return negative ? -bits_float(kInfinityBits) : bits_float(kInfinityBits);
    if (leading <= -47) return signed_zero(negative);
    d.exponent = static_cast<int>(scale);

    // Estimate from the leading digits; the comparisons below correct it.
    double estimate = static_cast<double>(head) *
                      std::pow(10.0, static_cast<double>(leading - (head_count - 1)));
    std::uint32_t b;
    if (estimate >= 3.4028234663852886e38) {
        b = kInfinityBits;
    } else {
        b = float_bits(static_cast<float>(estimate));
    }
    for (;;) {
        if (b < kInfinityBits && compare_with_midpoint(d, b) > 0) {
            ++b;
            continue;
        }
        // Exactly on the lower midpoint: halfway goes toward zero.
        if (b > 0 && compare_with_midpoint(d, b - 1) <= 0) {
            --b;
            continue;
        }
        break;
    }
    return bits_float(b | (negative ? 0x80000000u : 0u));
}

const char* read_int_field(const char* p, const char* end, std::int32_t* value) {
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (p == end || !is_digit(*p)) return nullptr;
    std::uint32_t v = 0;
    while (p < end && is_digit(*p)) {
        v = v * 10u + static_cast<std::uint32_t>(*p - '0');
        ++p;
    }
    if (negative) v = 0u - v;
    *value = static_cast<std::int32_t>(v);
    return p;
}

const char* read_real_field(const char* p, const char* end, float* value) {
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    const char* int_begin = p;
    while (p < end && is_digit(*p)) ++p;
    std::size_t int_count = static_cast<std::size_t>(p - int_begin);
    const char* frac_begin = p;
    std::size_t frac_count = 0;
    if (p < end && *p == '.') {
        const char* q = p + 1;
        frac_begin = q;
        while (q < end && is_digit(*q)) ++q;
        frac_count = static_cast<std::size_t>(q - frac_begin);
        if (int_count + frac_count == 0) return nullptr;
        p = q;
    }
    if (int_count + frac_count == 0) return nullptr;

    std::int64_t exponent10 = 0;
    if (p < end && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        bool exp_negative = false;
        if (q < end && (*q == '+' || *q == '-')) {
            exp_negative = *q == '-';
            ++q;
        }
        // A letter with no digit after it is consumed with its sign and
        // adds nothing to the value.
        while (q < end && is_digit(*q)) {
            // Saturate far beyond the range in which the value can change.
            if (exponent10 < 100000000) exponent10 = exponent10 * 10 + (*q - '0');
            ++q;
        }
        if (exp_negative) exponent10 = -exponent10;
        p = q;
    }

    // Fast path: the whole digit run as an integer of at most 2^53, scaled by
    // an exact power of ten of at most 10^22.
    std::size_t total = int_count + frac_count;
    if (total <= 19) {
        std::uint64_t w = 0;
        for (std::size_t i = 0; i < int_count; ++i)
            w = w * 10 + static_cast<std::uint64_t>(int_begin[i] - '0');
        for (std::size_t i = 0; i < frac_count; ++i)
            w = w * 10 + static_cast<std::uint64_t>(frac_begin[i] - '0');
        std::int64_t scale = exponent10 - static_cast<std::int64_t>(frac_count);
        if (w == 0) {
            *value = signed_zero(negative);
            return p;
        }
        if (w <= (std::uint64_t{1} << 53) && scale >= -22 && scale <= 22) {
            static constexpr double kPow10[] = {
                1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
            double x = static_cast<double>(w);
            x = scale >= 0 ? x * kPow10[scale] : x / kPow10[-scale];
            // x lies between 1e-22 and 1e38: a normal single. Its low 29
            // bits are those dropped by the rounding to single; exactly the
            // half pattern means x is a midpoint and the exact path decides.
            if ((double_bits(x) & 0x1FFFFFFFu) != 0x10000000u) {
                float f = static_cast<float>(x);
                *value = negative ? -f : f;
                return p;
            }
        }
    }
    *value = read_real_exact(negative, int_begin, int_count, frac_begin, frac_count, exponent10);
    return p;
}

}  // namespace quorvel
