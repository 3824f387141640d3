// Slow, exact decimal arithmetic for checking the number reader and writer.
// Everything here works digit by digit on strings, so it shares nothing with
// the code under test.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace quorvel::testing {

// A small deterministic generator, the same on every platform.
struct SplitMix64 {
    std::uint64_t state;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform enough in [0, n) for test inputs.
    std::uint64_t below(std::uint64_t n) { return next() % n; }
    char digit() { return static_cast<char>('0' + below(10)); }
};

inline std::uint32_t bits_of(float f) {
    std::uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

inline float float_of(std::uint32_t b) {
    float f;
    std::memcpy(&f, &b, sizeof f);
    return f;
}

// The exact decimal text of mant * 2^exp2: the integer digits and, when exp2
// is negative, a point and exactly -exp2 digits after it.
inline std::string exact_decimal(std::uint64_t mant, int exp2) {
    // Little-endian base-10 digits of mant, then times 2 or times 5 as needed.
    std::vector<int> d;
    do {
        d.push_back(static_cast<int>(mant % 10));
        mant /= 10;
    } while (mant != 0);
    auto times = [&d](int m) {
        int carry = 0;
        for (int& x : d) {
            int t = x * m + carry;
            x = t % 10;
            carry = t / 10;
        }
        while (carry != 0) {
            d.push_back(carry % 10);
            carry /= 10;
        }
    };
    int frac = 0;
    if (exp2 >= 0) {
        for (int i = 0; i < exp2; ++i) times(2);
    } else {
        // mant * 2^-k = mant * 5^k / 10^k
        frac = -exp2;
        for (int i = 0; i < frac; ++i) times(5);
    }
    while (static_cast<int>(d.size()) <= frac) d.push_back(0);
    std::string s;
    for (int i = static_cast<int>(d.size()) - 1; i >= frac; --i) s += static_cast<char>('0' + d[i]);
    std::size_t lead = s.find_first_not_of('0');
    s = lead == std::string::npos ? "0" : s.substr(lead);
    if (frac > 0) {
        s += '.';
        for (int i = frac - 1; i >= 0; --i) s += static_cast<char>('0' + d[i]);
    }
    return s;
}

// The value of the positive single with bits b, exactly.
inline std::string exact_single_text(std::uint32_t b) {
    std::uint32_t biased = (b >> 23) & 0xFFu;
    std::uint64_t mant = b & 0x7FFFFFu;
    int exp2 = -149;
    if (biased != 0) {
        mant |= 0x800000u;
        exp2 = static_cast<int>(biased) - 150;
    }
    return exact_decimal(mant, exp2);
}

// The exact midpoint between the positive singles with bits b and b + 1
// (b + 1 being infinity stands for 2^128).
inline std::string midpoint_text(std::uint32_t b) {
    std::uint32_t biased = b >> 23;
    std::uint64_t mant = b & 0x7FFFFFu;
    int exp2 = -149;
    if (biased != 0) {
        mant |= 0x800000u;
        exp2 = static_cast<int>(biased) - 150;
    }
    return exact_decimal(2 * mant + 1, exp2 - 1);
}

// A decimal number reduced to its significant digits: its magnitude is
// digits * 10^exponent, digits has no leading or trailing zero, and is empty
// for zero (exponent 0 then). Reads [sign] digits [. digits] [e [sign] digits].
struct Significand {
    std::string digits;
    long long exponent = 0;
    bool operator==(const Significand&) const = default;
};

inline Significand significand_of(const std::string& text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::string digits;
    long long exponent = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') digits += text[i++];
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            digits += text[i++];
            --exponent;
        }
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negative = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
        long long e = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            if (e < 1000000000000LL) e = e * 10 + (text[i] - '0');
            ++i;
        }
        exponent += negative ? -e : e;
    }
    std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) return {};
    std::size_t last = digits.find_last_not_of('0');
    exponent += static_cast<long long>(digits.size() - 1 - last);
    return {digits.substr(first, last - first + 1), exponent};
}

// Adds one unit in the last place of a string of decimal digits, which may
// hold a point; a carry out of the first digit adds a leading 1.
inline std::string increment_digits(std::string s) {
    for (std::size_t i = s.size(); i-- > 0;) {
        if (s[i] == '.') continue;
        if (s[i] != '9') {
            ++s[i];
            return s;
        }
        s[i] = '0';
    }
    return "1" + s;
}

// The text that the writer must give for a value of the given sign whose
// exact magnitude is the decimal text exact (as exact_decimal writes it):
// six decimals rounded half away from zero below 10^17, 17 significant
// digits rounded half up from there on.
inline std::string six_decimal_text(const std::string& exact, bool negative) {
    std::size_t point = exact.find('.');
    std::string whole = exact.substr(0, point);
    std::string frac = point == std::string::npos ? "" : exact.substr(point + 1);
    bool zero = exact.find_first_not_of("0.") == std::string::npos;
    std::string sign = negative && !zero ? "-" : "";
    if (whole.size() <= 17) {
        frac.resize(7, '0');
        std::string kept = whole + "." + frac.substr(0, 6);
        if (frac[6] >= '5') kept = increment_digits(kept);
        return sign + kept;
    }
    std::string head = whole.substr(0, 17);
    if (whole[17] >= '5') head = increment_digits(head);
    return sign + head + std::string(whole.size() - 17, '0') + ".000000";
}

}  // namespace quorvel::testing
