#include "number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "exact_decimal.h"
#include "exact_int128.h"

namespace quorvel {
namespace {

using testing::bits_of;
using testing::exact_decimal;
using testing::float_of;
using testing::midpoint_text;
using testing::Significand;
using testing::significand_of;
using testing::SplitMix64;

constexpr float kSentinel = 12345.0f;
constexpr std::int32_t kIntSentinel = 424242;
const float kInf = std::numeric_limits<float>::infinity();
const float kMax = std::numeric_limits<float>::max();
const float kTiny = std::numeric_limits<float>::denorm_min();

struct RealRead {
    bool found;
    float value;
    std::size_t length;  // characters consumed
};

// Reads from a buffer of exactly the text's size, so that any look past the
// end is a look outside the buffer.
RealRead read_real(const std::string& text) {
    std::vector<char> buffer(text.begin(), text.end());
    const char* begin = buffer.data();
    float value = kSentinel;
    const char* end = read_real_field(begin, begin + buffer.size(), &value);
    if (end == nullptr) {
        EXPECT_EQ(bits_of(value), bits_of(kSentinel)) << "value stored without a field: " << text;
        return {false, value, 0};
    }
    return {true, value, static_cast<std::size_t>(end - begin)};
}

struct IntRead {
    bool found;
    std::int32_t value;
    std::size_t length;
};

IntRead read_int(const std::string& text) {
    std::vector<char> buffer(text.begin(), text.end());
    const char* begin = buffer.data();
    std::int32_t value = kIntSentinel;
    const char* end = read_int_field(begin, begin + buffer.size(), &value);
    if (end == nullptr) {
        EXPECT_EQ(value, kIntSentinel) << "value stored without a field: " << text;
        return {false, value, 0};
    }
    return {true, value, static_cast<std::size_t>(end - begin)};
}

// strtof on the C locale is correctly rounded, halfway to even.
float reference(const std::string& text) { return std::strtof(text.c_str(), nullptr); }

// The positive single next to |f| toward zero / away from zero.
float toward_zero(float f) { return float_of(bits_of(f) - 1); }

std::string hex(float f) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%08x", static_cast<unsigned>(bits_of(f)));
    return buffer;
}

// Checks text against strtof; where they differ, proves that the text is an
// exact halfway value and that the reader took the neighbour nearer zero.
// Returns whether the text was such a tie.
bool expect_nearest_with_ties_toward_zero(const std::string& text, float ours) {
    float theirs = reference(text);
    if (bits_of(ours) == bits_of(theirs)) return false;
    std::uint32_t a = bits_of(ours) & 0x7FFFFFFFu;
    std::uint32_t b = bits_of(theirs) & 0x7FFFFFFFu;
    bool adjacent = (bits_of(ours) >> 31) == (bits_of(theirs) >> 31) && (a + 1 == b || b + 1 == a);
    EXPECT_TRUE(adjacent) << text << ": ours " << hex(ours) << ", strtof " << hex(theirs);
    if (!adjacent) return false;
    std::uint32_t low = a < b ? a : b;
    bool tie = significand_of(text) == significand_of(midpoint_text(low));
    EXPECT_TRUE(tie) << text << " is no exact halfway value: ours " << hex(ours) << ", strtof " << hex(theirs);
    EXPECT_EQ(a, low) << text << ": a halfway value must give the neighbour nearer zero";
    return tie;
}

// ---- Integer fields ----

// A case gives the text, the value, and the text that the field leaves.
struct IntCase {
    std::string text;
    std::int32_t value;
    std::string rest;
};

TEST(ReadInt, FormsAndWrapping) {
    const std::int32_t min = std::numeric_limits<std::int32_t>::min();
    const IntCase cases[] = {
        {"0", 0, ""},
        {"7", 7, ""},
        {"007", 7, ""},
        {"-0", 0, ""},
        {"+0", 0, ""},
        {"+5", 5, ""},
        {"-5", -5, ""},
        {"2147483647", 2147483647, ""},
        {"2147483648", min, ""},
        {"-2147483648", min, ""},
        {"-2147483649", 2147483647, ""},
        {"4294967295", -1, ""},
        {"4294967296", 0, ""},
        {"4294967297", 1, ""},
        {"-4294967297", -1, ""},
        {"99999999999999999999", 1661992959, ""},
        {"12345678901234567890123", 1900168395, ""},
        {"1" + std::string(49, '0'), 0, ""},  // 10^49 is a multiple of 2^32
        {std::string(3000, '0') + "42", 42, ""},
        {"0x10", 0, "x10"},
        {"1e3", 1, "e3"},
        {"1.5", 1, ".5"},
        {"1-2", 1, "-2"},
        {"12 34", 12, " 34"},
        {"3\n", 3, "\n"},
        {"-12abc", -12, "abc"},
        {"+7+8", 7, "+8"},
    };
    for (const IntCase& c : cases) {
        IntRead r = read_int(c.text);
        ASSERT_TRUE(r.found) << c.text;
        EXPECT_EQ(r.value, c.value) << c.text;
        EXPECT_EQ(c.text.substr(r.length), c.rest) << c.text;
    }
}

TEST(ReadInt, NoField) {
    for (const char* text : {"", "+", "-", "+-1", "-+1", "--1", "x", ".5", "e3", "-.5", "+x", "#", " 1"}) {
        EXPECT_FALSE(read_int(text).found) << '"' << text << '"';
    }
}

TEST(ReadInt, StopsAtTheGivenEnd) {
    const char text[] = "-12345";
    std::int32_t value = 0;
    EXPECT_EQ(read_int_field(text, text + 4, &value), text + 4);
    EXPECT_EQ(value, -123);
    value = kIntSentinel;
    EXPECT_EQ(read_int_field(text, text + 1, &value), nullptr);  // the sign alone
    EXPECT_EQ(read_int_field(text, text, &value), nullptr);
    EXPECT_EQ(value, kIntSentinel);
}

// ---- Real fields: forms and where they end ----

struct RealCase {
    std::string text;
    float value;
    std::string rest;  // the text after the field
};

void expect_reads(const std::vector<RealCase>& cases) {
    for (const RealCase& c : cases) {
        RealRead r = read_real(c.text);
        ASSERT_TRUE(r.found) << c.text;
        EXPECT_EQ(bits_of(r.value), bits_of(c.value))
            << c.text << ": got " << hex(r.value) << ", want " << hex(c.value);
        EXPECT_EQ(c.text.substr(r.length), c.rest) << c.text;
    }
}

TEST(ReadReal, FormsAndWhereTheFieldEnds) {
    expect_reads({
        {"1.2.3", 1.2f, ".3"},
        {"1-2", 1.0f, "-2"},
        {"5.", 5.0f, ""},
        {".5", 0.5f, ""},
        {"-.5", -0.5f, ""},
        {"+.5", 0.5f, ""},
        {"+1.0", 1.0f, ""},
        {"1e0", 1.0f, ""},
        {"1.e5", 100000.0f, ""},
        {"1E3", 1000.0f, ""},
        {"1e3", 1000.0f, ""},
        {"1e+2", 100.0f, ""},
        {"1e-2", 0.01f, ""},
        {"2.5E-1x", 0.25f, "x"},
        {".5e1", 5.0f, ""},
        {"1ee5", 1.0f, "e5"},
        {"1e", 1.0f, ""},
        {"1e+", 1.0f, ""},
        {"1e-", 1.0f, ""},
        {"1E-", 1.0f, ""},
        {"-1e-", -1.0f, ""},
        {"1e+x", 1.0f, "x"},
        {"1e 2", 1.0f, " 2"},
        {"1e- 2", 1.0f, " 2"},
        {"1e+-5", 1.0f, "-5"},
        {"1.5e", 1.5f, ""},
        {"5.e", 5.0f, ""},
        {"1e5e5", 100000.0f, "e5"},
        {"12e1.5", 120.0f, ".5"},
        {"1.5.", 1.5f, "."},
        {"007.50", 7.5f, ""},
        {"1,5", 1.0f, ",5"},
        {"0x10", 0.0f, "x10"},
        {"0x1p3", 0.0f, "x1p3"},
        {"1d5", 1.0f, "d5"},
        {"1.#INF00", 1.0f, "#INF00"},
        {"-1.#INF00", -1.0f, "#INF00"},
        {"0.125 0.75", 0.125f, " 0.75"},
        {"-0.25\r\n", -0.25f, "\r\n"},
        {"1e0000000000000000000000000005", 100000.0f, ""},
        {"1.5000000", 1.5f, ""},
        {"2.675000", 2.675f, ""},
        {"0.100000", 0.1f, ""},
    });
}

TEST(ReadReal, NoField) {
    for (const char* text : {"", ".", "+", "-", "+.", "-.", ".e5", "+.e5", "-e5", "e5", "E5", "inf", "-inf",
                             "infinity", "nan", "NAN", "x1", "#INF", "..5", "+-1", "-+1", " ", " 1"}) {
        EXPECT_FALSE(read_real(text).found) << '"' << text << '"';
    }
}

TEST(ReadReal, StopsAtTheGivenEnd) {
    const char text[] = "1.25e3";
    float value = kSentinel;
    EXPECT_EQ(read_real_field(text, text + 3, &value), text + 3);
    EXPECT_EQ(value, 1.2f);
    EXPECT_EQ(read_real_field(text, text + 5, &value), text + 5);  // "1.25e": the letter is consumed
    EXPECT_EQ(value, 1.25f);
    EXPECT_EQ(read_real_field(text, text + 2, &value), text + 2);
    EXPECT_EQ(value, 1.0f);
    value = kSentinel;
    EXPECT_EQ(read_real_field(text + 1, text + 2, &value), nullptr);  // "." alone
    EXPECT_EQ(read_real_field(text, text, &value), nullptr);
    EXPECT_EQ(value, kSentinel);
}

TEST(ReadReal, ZeroKeepsItsSign) {
    expect_reads({
        {"0", 0.0f, ""},
        {"0.000000", 0.0f, ""},
        {"0e5", 0.0f, ""},
        {"+0", 0.0f, ""},
        {".0", 0.0f, ""},
        {"0.", 0.0f, ""},
        {"0e99999999999999999999", 0.0f, ""},
        {std::string(30, '0') + "." + std::string(3000, '0'), 0.0f, ""},
        {"-0", -0.0f, ""},
        {"-0.000000", -0.0f, ""},
        {"-.0", -0.0f, ""},
        {"-0e-5", -0.0f, ""},
        {"-0e99999", -0.0f, ""},
        {"1e-400", 0.0f, ""},
        {"-1e-400", -0.0f, ""},
        {"1e-46", 0.0f, ""},
        {"-7e-46", -0.0f, ""},
    });
}

// ---- Real fields: rounding, range ----

TEST(ReadReal, WholeNumberHalfwayGoesTowardZero) {
    expect_reads({
        {"16777216", 16777216.0f, ""},
        {"16777217", 16777216.0f, ""},
        {"16777218", 16777218.0f, ""},
        {"16777219", 16777218.0f, ""},  // halfway to even would give 16777220
        {"-16777219", -16777218.0f, ""},
        {"16777219.0", 16777218.0f, ""},
        {"1.6777219e7", 16777218.0f, ""},
        {"167772190e-1", 16777218.0f, ""},
        {"16777219.0000000000000000000001", 16777220.0f, ""},
        {"16777218.9999999999999999999999", 16777218.0f, ""},
        {"33554438", 33554436.0f, ""},
        {"-33554438", -33554436.0f, ""},
        {"33554434", 33554432.0f, ""},
        // Between 2^63 and 2^63 + 2^40.
        {"9223372586610589696", 9223372036854775808.0f, ""},
        // Between 2^64 - 2^40 and 2^64; to even would give 2^64.
        {"18446743523953737728", 18446742974197923840.0f, ""},
        {"18446743523953737729", 18446744073709551616.0f, ""},
        // Above 2^64: between 2^64 + 2^41 and 2^64 + 2^42.
        {"18446747372244434944", 18446746272732807168.0f, ""},
        // Between 2^127 + 2^104 and 2^127 + 2^105.
        {"170141213884083637209192939636761034752", 170141203742878835383357727663135391744.0f, ""},
    });
}

TEST(ReadReal, OverflowAndTheLargestSingle) {
    // 2^128 - 2^103 lies halfway between the largest single and 2^128.
    const std::string mid = "340282356779733661637539395458142568448";
    ASSERT_EQ(mid, midpoint_text(bits_of(kMax)));
    expect_reads({
        {"1e38", 1e38f, ""},
        {"3.4028235e38", kMax, ""},
        {"340282346638528859811704183484516925440", kMax, ""},
        {mid, kMax, ""},
        {"-" + mid, -kMax, ""},
        {"340282356779733661637539395458142568447", kMax, ""},
        {"340282356779733661637539395458142568449", kInf, ""},
        {mid + ".000000000000000000000000000000001", kInf, ""},
        {mid + ".000000000000000000000000000000000", kMax, ""},
        {"3.40282356779733661637539395458142568448e38", kMax, ""},
        {"34028235677973366163753939545814256844800000e-5", kMax, ""},
        {"-3.402823567797336616375393954581425684481e38", -kInf, ""},
        {"340282366920938463463374607431768211456", kInf, ""},  // 2^128
        {"1e39", kInf, ""},
        {"-1e39", -kInf, ""},
        {"-1e400", -kInf, ""},
        {"1e99999", kInf, ""},
    });
}

TEST(ReadReal, SubnormalsAndTheirHalfwayValues) {
    const std::string below_tiny = midpoint_text(0);            // 2^-150
    const std::string above_tiny = midpoint_text(1);            // 3 * 2^-150
    const std::string below_normal = midpoint_text(0x7FFFFFu);  // largest subnormal / 2^-126
    const float largest_subnormal = float_of(0x7FFFFFu);
    const float smallest_normal = std::numeric_limits<float>::min();
    expect_reads({
        {below_tiny, 0.0f, ""},
        {"-" + below_tiny, -0.0f, ""},
        {below_tiny + "0000000000000000000000000000000001", kTiny, ""},
        {"-" + below_tiny + "1", -kTiny, ""},
        {above_tiny, kTiny, ""},  // to even would give 2^-148
        {above_tiny + "1", float_of(2), ""},
        {below_normal, largest_subnormal, ""},
        {below_normal + "1", smallest_normal, ""},
        {"7e-46", 0.0f, ""},
        {"7.1e-46", kTiny, ""},
        {"1.4e-45", kTiny, ""},
        {"-7.1e-46", -kTiny, ""},
        {"1.17549435e-38", smallest_normal, ""},
        {"1e-40", reference("1e-40"), ""},
        {"-4.5e-44", reference("-4.5e-44"), ""},
    });
}

TEST(ReadReal, LongDigitRuns) {
    const std::string zeros(3000, '0');
    // 1 + 2^-24 lies halfway between 1 and the next single.
    const std::string mid_one = midpoint_text(bits_of(1.0f));
    ASSERT_EQ(mid_one, "1.000000059604644775390625");
    const std::string digits_one = "1000000059604644775390625";  // mid_one * 10^24
    // 1 - 2^-25 lies halfway between the largest single below 1 and 1.
    const std::string mid_below_one = "0.9999999701976776123046875";
    ASSERT_EQ(mid_below_one, midpoint_text(bits_of(1.0f) - 1));
    const float next_one = float_of(bits_of(1.0f) + 1);
    expect_reads({
        {mid_one + zeros, 1.0f, ""},
        {mid_one + zeros + "1", next_one, ""},
        {"-" + mid_one + zeros + "1", -next_one, ""},
        {mid_below_one + zeros, toward_zero(1.0f), ""},
        {mid_below_one + zeros + "1", 1.0f, ""},
        {digits_one + zeros + "e-3024", 1.0f, ""},
        {digits_one + zeros + "1e-3025", next_one, ""},
        {"0." + zeros + digits_one + "e3001", 1.0f, ""},
        {"0." + zeros + digits_one + zeros + "1e3001", next_one, ""},
        {"0." + zeros + digits_one + zeros + "0e3001", 1.0f, ""},
        {"16777219." + zeros, 16777218.0f, ""},
        {"16777219." + zeros + "1", 16777220.0f, ""},
        {"16777219" + zeros + "e-3000", 16777218.0f, ""},
        {"16777219" + zeros + "1e-3001", 16777220.0f, ""},
        {std::string(5000, '9'), kInf, ""},
        {"0." + std::string(5000, '9'), 1.0f, ""},
        {"1" + std::string(5000, '0') + "e-5000", 1.0f, ""},
        {"1" + std::string(5000, '0'), kInf, ""},
        {"0." + std::string(5000, '0') + "1", 0.0f, ""},
        {"0." + std::string(5000, '0') + "1e5000", 0.1f, ""},
        {"0." + std::string(40, '0') + "1" + zeros, reference("1e-41"), ""},
        {"-" + std::string(4000, '0') + "2.5", -2.5f, ""},
        {"1" + zeros + ".5x", kInf, "x"},
    });
}

TEST(ReadReal, HugeExponents) {
    expect_reads({
        {"1e" + std::string(100, '9'), kInf, ""},
        {"-1e" + std::string(100, '9'), -kInf, ""},
        {"1e-" + std::string(100, '9'), 0.0f, ""},
        {"-1e-" + std::string(100, '9'), -0.0f, ""},
        {"1e" + std::string(100, '9') + "x", kInf, "x"},
        {"-1e+999999999999", -kInf, ""},
        {"0.0000e99999999999999999", 0.0f, ""},
        {"1e2147483648", kInf, ""},
        {"1e-2147483649", 0.0f, ""},
        {"1e4294967296", kInf, ""},
        {"1e18446744073709551617", kInf, ""},
        {"1e-18446744073709551617", 0.0f, ""},
        // The exponent and the position of the digits combine.
        {"0." + std::string(500, '0') + "1e500", 0.1f, ""},
        {"1" + std::string(500, '0') + "e-500", 1.0f, ""},
        {"0." + std::string(1000, '0') + "1e1000000000000", kInf, ""},
        {"1" + std::string(1000, '0') + "e-1000000000000000", 0.0f, ""},
    });
}

// ---- Real fields: against strtof on many inputs ----

TEST(ReadReal, ExporterNumbersMatchStrtof) {
    SplitMix64 rng{1};
    char text[64];
    int ties = 0;
    for (int i = 0; i < 400000; ++i) {
        int magnitude = static_cast<int>(rng.below(8));  // whole part below 10^magnitude
        std::uint64_t limit = 1;
        for (int k = 0; k < magnitude; ++k) limit *= 10;
        unsigned long long whole = rng.below(limit);
        unsigned long long frac = rng.below(1000000);
        int decimals = i % 4 == 0 ? static_cast<int>(rng.below(7)) : 6;
        unsigned long long scaled = frac;
        for (int k = decimals; k < 6; ++k) scaled /= 10;
        const char* sign = rng.below(2) != 0 ? "-" : "";
        if (decimals == 0) {
            std::snprintf(text, sizeof text, "%s%llu", sign, whole);
        } else {
            std::snprintf(text, sizeof text, "%s%llu.%0*llu", sign, whole, decimals, scaled);
        }
        RealRead r = read_real(text);
        ASSERT_TRUE(r.found) << text;
        ASSERT_EQ(r.length, std::strlen(text)) << text;
        if (whole < 262144) {
            // Below 2^18 no such text lies halfway: always the nearest single.
            ASSERT_EQ(bits_of(r.value), bits_of(reference(text))) << text;
        } else {
            // From 2^18 on, x.5, x.25 and the like can lie halfway.
            ties += expect_nearest_with_ties_toward_zero(text, r.value) ? 1 : 0;
            if (::testing::Test::HasFailure()) return;
        }
    }
    EXPECT_GT(ties, 10);  // those where halfway to even differs
}

#if defined(__SIZEOF_INT128__)
using testing::decimal;
using testing::u128;

int bit_length(u128 v) {
    int n = 0;
    while (v != 0) {
        ++n;
        v >>= 1;
    }
    return n;
}

// For a whole number n: whether it lies halfway between two singles, and the
// neighbour nearer zero if it does.
bool whole_number_tie(u128 n, u128* lower) {
    int length = bit_length(n);
    if (length <= 24) return false;
    u128 ulp = u128{1} << (length - 24);
    if (n % ulp != ulp / 2) return false;
    *lower = n - ulp / 2;
    return true;
}

TEST(ReadReal, WholeNumbersMatchStrtofExceptHalfway) {
    SplitMix64 rng{2};
    int ties = 0;
    for (int i = 0; i < 300000; ++i) {
        int length = 1 + static_cast<int>(rng.below(128));
        u128 n = (u128{rng.next()} << 64) | rng.next();
        n >>= 128 - length;
        n |= u128{1} << (length - 1);
        if (i % 3 == 0 && length > 25) {
            // Make it a halfway value: clear the bits below the half unit.
            u128 half = u128{1} << (length - 25);
            n = (n & ~(2 * half - 1)) | half;
        }
        bool negative = rng.below(2) != 0;
        std::string text = negative ? "-" : "";
        text += decimal(n);
        RealRead r = read_real(text);
        ASSERT_TRUE(r.found) << text;
        ASSERT_EQ(r.length, text.size()) << text;
        u128 lower;
        if (whole_number_tie(n, &lower)) {
            ++ties;
            float want = static_cast<float>(lower);  // exact: lower is a single
            ASSERT_EQ(static_cast<u128>(want), lower);
            if (negative) want = -want;
            ASSERT_EQ(bits_of(r.value), bits_of(want)) << text;
        } else {
            ASSERT_EQ(bits_of(r.value), bits_of(reference(text))) << text;
        }
    }
    EXPECT_GT(ties, 60000);
}

TEST(ReadReal, UnsignedSixtyFourBitRangeMatchesStrtofExceptHalfway) {
    // Whole numbers up to 2^64 with a uniform number of bits, and the edges.
    SplitMix64 rng{3};
    std::vector<u128> values = {0, 1, (u128{1} << 24) - 1, u128{1} << 24, (u128{1} << 24) + 1,
                                (u128{1} << 64) - 1, u128{1} << 64, (u128{1} << 64) + 1};
    for (int i = 0; i < 200000; ++i) {
        int length = 1 + static_cast<int>(rng.below(64));
        values.push_back(rng.next() >> (64 - length));
    }
    for (u128 n : values) {
        std::string text = decimal(n);
        RealRead r = read_real(text);
        ASSERT_TRUE(r.found) << text;
        u128 lower;
        float want = whole_number_tie(n, &lower) ? static_cast<float>(lower) : reference(text);
        ASSERT_EQ(bits_of(r.value), bits_of(want)) << text;
    }
}
#endif

// A random decimal text: up to max_digits digits with a point somewhere (or
// none), an exponent part sometimes, a sign sometimes.
std::string random_decimal(SplitMix64& rng, int max_digits, int min_exp, int max_exp) {
    int count = 1 + static_cast<int>(rng.below(static_cast<std::uint64_t>(max_digits)));
    std::string digits;
    for (int k = 0; k < count; ++k) digits += rng.digit();
    if (rng.below(4) == 0) digits[0] = '0';
    std::string text = rng.below(2) != 0 ? "-" : "";
    std::size_t point = rng.below(static_cast<std::uint64_t>(count) + 2);
    if (point > static_cast<std::size_t>(count)) {
        text += digits;
    } else {
        text += digits.substr(0, point) + "." + digits.substr(point);
    }
    if (rng.below(3) != 0) {
        long long e = min_exp + static_cast<long long>(rng.below(static_cast<std::uint64_t>(max_exp - min_exp + 1)));
        text += (rng.below(2) != 0 ? "e" : "E") + std::to_string(e);
    }
    return text;
}

TEST(ReadReal, LongMantissasMatchStrtofExceptHalfway) {
    SplitMix64 rng{4};
    for (int i = 0; i < 150000; ++i) {
        std::string text = random_decimal(rng, i % 2 == 0 ? 60 : 19, -70, 45);
        RealRead r = read_real(text);
        ASSERT_TRUE(r.found) << text;
        ASSERT_EQ(r.length, text.size()) << text;
        expect_nearest_with_ties_toward_zero(text, r.value);
        if (::testing::Test::HasFailure()) return;
    }
}

// Halfway values of every magnitude, written in several forms: exactly
// (toward zero), a hair above and a hair below (the nearer neighbour).
TEST(ReadReal, ExactHalfwayValuesInManyForms) {
    SplitMix64 rng{5};
    for (int i = 0; i < 6000; ++i) {
        std::uint32_t low = static_cast<std::uint32_t>(rng.below(0x7F800000u));
        if (i < 50) low = static_cast<std::uint32_t>(i);  // the smallest subnormals
        const std::string mid = midpoint_text(low);
        const float lower = float_of(low);
        const float upper = float_of(low + 1);  // may be infinity
        std::size_t point = mid.find('.');
        std::string whole = mid.substr(0, point);
        std::string frac = point == std::string::npos ? "" : mid.substr(point + 1);
        // The same value with the point moved: all digits, then an exponent.
        std::string all = whole + frac;
        std::string scientific = all.substr(0, 1) + "." + all.substr(1) + "e" +
                                 std::to_string(static_cast<long long>(whole.size()) - 1);
        std::string shifted = "0." + std::string(rng.below(40), '0');
        long long lead = static_cast<long long>(shifted.size()) - 2;
        shifted += all + std::string(rng.below(40), '0') + "e" +
                   std::to_string(static_cast<long long>(whole.size()) + lead);
        std::string above = mid + (point == std::string::npos ? "." : "") + std::string(rng.below(50), '0') + "1";
        for (const std::string& text : {mid, scientific, shifted, "-" + mid, "+" + scientific}) {
            RealRead r = read_real(text);
            ASSERT_TRUE(r.found) << text;
            ASSERT_EQ(r.length, text.size()) << text;
            float want = text[0] == '-' ? -lower : lower;
            ASSERT_EQ(bits_of(r.value), bits_of(want)) << text;
            expect_nearest_with_ties_toward_zero(text, r.value);
        }
        for (const std::string& text : {above, "-" + above}) {
            RealRead r = read_real(text);
            float want = text[0] == '-' ? -upper : upper;
            ASSERT_EQ(bits_of(r.value), bits_of(want)) << text;
            ASSERT_EQ(bits_of(r.value), bits_of(reference(text))) << text;
        }
        if (point != std::string::npos) {
            // A fraction ends in 5: 4 and 9s after it is a hair below.
            std::string below = mid.substr(0, mid.size() - 1) + "4" + std::string(rng.below(50), '9');
            RealRead r = read_real(below);
            ASSERT_EQ(bits_of(r.value), bits_of(lower)) << below;
            ASSERT_EQ(bits_of(r.value), bits_of(reference(below))) << below;
        }
    }
}

// ---- The fast path against the exact reader ----

// Splits a text made by random_decimal and hands it to read_real_exact.
float exact_of(const std::string& text) {
    std::size_t i = 0;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') negative = text[i++] == '-';
    std::size_t int_begin = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    std::size_t int_count = i - int_begin;
    std::size_t frac_begin = i;
    std::size_t frac_count = 0;
    if (i < text.size() && text[i] == '.') {
        frac_begin = ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
        frac_count = i - frac_begin;
    }
    std::int64_t exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) exponent = std::stoll(text.substr(i + 1));
    return read_real_exact(negative, text.data() + int_begin, int_count, text.data() + frac_begin, frac_count,
                           exponent);
}

TEST(ReadReal, FastPathAgreesWithExactReader) {
    SplitMix64 rng{6};
    for (int i = 0; i < 300000; ++i) {
        std::string text = random_decimal(rng, i % 3 == 0 ? 19 : 9, -30, 30);
        RealRead r = read_real(text);
        ASSERT_TRUE(r.found) << text;
        ASSERT_EQ(bits_of(r.value), bits_of(exact_of(text))) << text;
    }
}

// The digit run and scale of a text as the fast path sees them: whether it
// is at most 19 digits forming an integer of at most 2^53, scaled by a power
// of ten from 10^-22 to 10^22.
bool fast_path_shape(const std::string& text) {
    std::string digits;
    long long scale = 0;
    std::size_t i = 0;
    if (text[i] == '+' || text[i] == '-') ++i;
    for (; i < text.size() && text[i] != 'e' && text[i] != 'E'; ++i) {
        if (text[i] == '.') continue;
        digits += text[i];
        if (text.find('.') < i) --scale;
    }
    if (i < text.size()) scale += std::stoll(text.substr(i + 1));
    if (digits.size() > 19 || scale < -22 || scale > 22) return false;
    return std::stoull(digits) <= (1ull << 53);
}

// A text one digit longer: a 1 after the last digit, before any exponent.
std::string hair_above(const std::string& text) {
    std::size_t e = text.find_first_of("eE");
    std::string mantissa = text.substr(0, e);
    std::string exponent = e == std::string::npos ? "" : text.substr(e);
    return mantissa + (mantissa.find('.') == std::string::npos ? ".1" : "1") + exponent;
}

// Short texts whose correctly rounded double is exactly the midpoint between
// two singles: the fast path must hand them on, and the result must follow
// the decimal value (on the midpoint: toward zero; off it: the nearer single).
TEST(ReadReal, FastPathHandsOnDoublesThatLandOnMidpoints) {
    SplitMix64 rng{7};
    int landed = 0;
    int exact_ties = 0;
    char text[64];
    for (int i = 0; i < 40000; ++i) {
        std::uint32_t low;
        if (i % 2 == 0) {
            // Singles from 2^8 to 2^24, whose midpoints have at most 19 digits.
            low = 0x43800000u + static_cast<std::uint32_t>(rng.below(0x4B800000u - 0x43800000u));
        } else {
            // Singles whose magnitude the fast path covers, 1e-22 to 1e37.
            low = 0x1A000000u + static_cast<std::uint32_t>(rng.below(0x7C000000u - 0x1A000000u));
        }
        const float lower = float_of(low);
        const double mid = (static_cast<double>(lower) + static_cast<double>(float_of(low + 1))) / 2;
        const Significand exact_mid = significand_of(midpoint_text(low));
        std::vector<std::string> texts = {midpoint_text(low)};
        for (int precision = 14; precision <= 18; ++precision) {
            std::snprintf(text, sizeof text, "%.*e", precision, mid);
            texts.push_back(text);
        }
        for (const std::string& t : texts) {
            if (!fast_path_shape(t) || std::strtod(t.c_str(), nullptr) != mid) continue;
            ++landed;
            bool tie = significand_of(t) == exact_mid;
            exact_ties += tie ? 1 : 0;
            RealRead r = read_real(t);
            ASSERT_TRUE(r.found) << t;
            ASSERT_EQ(bits_of(r.value), bits_of(exact_of(t))) << t;
            ASSERT_EQ(bits_of(r.value), bits_of(tie ? lower : reference(t))) << t;
            ASSERT_EQ(bits_of(read_real("-" + t).value), bits_of(tie ? -lower : -reference(t))) << t;
            const std::string above = hair_above(t);
            ASSERT_EQ(bits_of(read_real(above).value), bits_of(reference(above))) << above;
        }
    }
    EXPECT_GT(landed, 30000);
    EXPECT_GT(exact_ties, 15000);
}

// Digit runs just above 2^53, cut from the decimal expansion of a midpoint:
// past the limit of the fast path, where a double no longer holds the run
// exactly and two roundings could cross the midpoint.
TEST(ReadReal, DigitRunsJustAboveTwoToThe53NearMidpoints) {
    SplitMix64 rng{8};
    int checked = 0;
    for (int i = 0; i < 60000; ++i) {
        std::uint32_t low = 0x1A000000u + static_cast<std::uint32_t>(rng.below(0x7C000000u - 0x1A000000u));
        Significand mid = significand_of(midpoint_text(low));
        // The leading 16 or 17 digits, so that they lie from 2^53 to 2^54.
        std::size_t keep = mid.digits[0] == '1' ? 17 : 16;
        if (mid.digits.size() <= keep) continue;
        std::string head = mid.digits.substr(0, keep);
        if (keep == 16 ? head < "9007199254740993" : head > "18014398509481984") continue;
        long long exponent = mid.exponent + static_cast<long long>(mid.digits.size() - keep);
        for (const std::string& digits : {head, testing::increment_digits(head)}) {
            std::string text = digits + "e" + std::to_string(exponent);
            if (exponent < -22 || exponent > 22) text = "0." + digits + "e" + std::to_string(exponent + static_cast<long long>(keep));
            RealRead r = read_real(text);
            ASSERT_TRUE(r.found) << text;
            ASSERT_EQ(bits_of(r.value), bits_of(exact_of(text))) << text;
            ASSERT_EQ(bits_of(r.value), bits_of(reference(text))) << text;
            ++checked;
        }
    }
    EXPECT_GT(checked, 10000);
}

TEST(ReadReal, ShortHalfwayValuesOnTheFastPath) {
    // Exact midpoints short enough for the fast path, and texts near them.
    const float above_half = float_of(bits_of(0.5f) + 1);
    expect_reads({
        {"16777217", 16777216.0f, ""},
        {"8388609.5", 8388609.0f, ""},
        {"8388608.5", 8388608.0f, ""},
        {"8388609.6", 8388610.0f, ""},
        {"8388609.4", 8388609.0f, ""},
        {"4194305.25", 4194305.0f, ""},
        {"4194305.75", 4194305.5f, ""},
        {"-4194305.75", -4194305.5f, ""},
        {"0.5000000298023223876953125", 0.5f, ""},
        {"0.5000000298023224", above_half, ""},  // the double rounds onto the midpoint
        {"0.5000000298023223", 0.5f, ""},
        {"5000000298023224e-16", above_half, ""},
        {"1.00000005960464478", float_of(bits_of(1.0f) + 1), ""},
    });
}

}  // namespace
}  // namespace quorvel
