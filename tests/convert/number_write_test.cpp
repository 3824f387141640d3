#include "number_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "exact_decimal.h"
#include "exact_int128.h"

namespace quorvel {
namespace {

using testing::bits_of;
using testing::exact_single_text;
using testing::float_of;
using testing::six_decimal_text;
using testing::SplitMix64;

const float kInf = std::numeric_limits<float>::infinity();
const float kMax = std::numeric_limits<float>::max();

// Writes into a buffer filled with a marker, and checks that nothing beyond
// the returned end was touched and that the text fits the stated bound.
std::string written(float value) {
    char buffer[kMaxRealText + 8];
    std::memset(buffer, '#', sizeof buffer);
    char* end = write_real(buffer, value);
    std::size_t n = static_cast<std::size_t>(end - buffer);
    EXPECT_LE(n, kMaxRealText);
    for (std::size_t i = n; i < sizeof buffer; ++i) EXPECT_EQ(buffer[i], '#') << "written past the end";
    return std::string(buffer, n);
}

std::string written_int(std::int32_t value) {
    char buffer[kMaxIntText + 8];
    std::memset(buffer, '#', sizeof buffer);
    char* end = write_int(buffer, value);
    std::size_t n = static_cast<std::size_t>(end - buffer);
    EXPECT_LE(n, kMaxIntText);
    for (std::size_t i = n; i < sizeof buffer; ++i) EXPECT_EQ(buffer[i], '#') << "written past the end";
    return std::string(buffer, n);
}

struct WriteCase {
    float value;
    const char* text;
};

void expect_written(const std::vector<WriteCase>& cases) {
    for (const WriteCase& c : cases) {
        EXPECT_EQ(written(c.value), c.text) << "bits " << std::hex << bits_of(c.value);
    }
}

TEST(WriteInt, Decimal) {
    const struct {
        std::int32_t value;
        const char* text;
    } cases[] = {
        {0, "0"},
        {1, "1"},
        {-1, "-1"},
        {7, "7"},
        {10, "10"},
        {-100, "-100"},
        {1000000000, "1000000000"},
        {2147483647, "2147483647"},
        {-2147483647, "-2147483647"},
        {std::numeric_limits<std::int32_t>::min(), "-2147483648"},
    };
    for (const auto& c : cases) EXPECT_EQ(written_int(c.value), c.text);
}

TEST(WriteReal, SixDecimalsHalfwayAwayFromZero) {
    expect_written({
        {0.0078125f, "0.007813"},  // halfway to even would give 0.007812
        {-0.0078125f, "-0.007813"},
        {1.0078125f, "1.007813"},
        {0.0234375f, "0.023438"},
        {-0.0234375f, "-0.023438"},
        {0.9921875f, "0.992188"},
        {123456.7890625f, "123456.789063"},
        {131071.9921875f, "131071.992188"},  // the largest odd multiple of 1/128 below 2^17
        {-131071.9921875f, "-131071.992188"},
        {131071.984375f, "131071.984375"},
    });
}

TEST(WriteReal, CorrectlyRoundedText) {
    expect_written({
        {0.1f, "0.100000"},
        {2.675f, "2.675000"},
        {-2.675f, "-2.675000"},
        {0.3f, "0.300000"},
        {1.0f / 3.0f, "0.333333"},
        {1.5f, "1.500000"},
        {-0.25f, "-0.250000"},
        {12.0f, "12.000000"},
        {0.125f, "0.125000"},
        {0.75f, "0.750000"},
        {1.0f, "1.000000"},
        {9.9999995f, "9.999999"},
        {99.999995f, "99.999992"},
        {999999.9375f, "999999.937500"},
        {8388607.5f, "8388607.500000"},
        {1.5e-6f, "0.000002"},
        {1e-6f, "0.000001"},
        // Carries out of the decimals into the whole part.
        {0.9999995f, "1.000000"},
        {float_of(0x3F7FFFFFu), "1.000000"},  // the largest single below 1
        {-float_of(0x3F7FFFFFu), "-1.000000"},
        {float_of(0x40FFFFFFu), "8.000000"},  // 7.99999952316284179688
    });
}

TEST(WriteReal, ZerosAndValuesThatRoundToZero) {
    const float tiny = std::numeric_limits<float>::denorm_min();
    const float smallest_normal = std::numeric_limits<float>::min();
    expect_written({
        {0.0f, "0.000000"},
        {-0.0f, "0.000000"},
        {-0.0000001f, "-0.000000"},
        {0.0000001f, "0.000000"},
        {tiny, "0.000000"},
        {-tiny, "-0.000000"},
        {smallest_normal, "0.000000"},
        {-smallest_normal, "-0.000000"},
        {float_of(0x35000000u), "0.000000"},   // 2^-21
        {-float_of(0x35000000u), "-0.000000"},
        {float_of(0x34FFFFFFu), "0.000000"},   // the largest single below 2^-21
        {float_of(0x350637BDu), "0.000000"},   // the largest single below 5e-7
        {float_of(0x350637BEu), "0.000001"},   // the smallest above it
        {-float_of(0x350637BEu), "-0.000001"},
    });
}

TEST(WriteReal, WholeNumbers) {
    expect_written({
        {16777216.0f, "16777216.000000"},
        {16777218.0f, "16777218.000000"},
        {-16777218.0f, "-16777218.000000"},
        {72057594037927936.0f, "72057594037927936.000000"},  // 2^56
        {99999998430674944.0f, "99999998430674944.000000"},  // the largest single below 10^17
    });
}

TEST(WriteReal, SeventeenSignificantDigitsFromTenToTheSeventeenth) {
    expect_written({
        {float_of(0x5BB1A2BDu), "100000007020609540.000000"},  // the smallest single from 10^17
        {-float_of(0x5BB1A2BDu), "-100000007020609540.000000"},
        {9223372036854775808.0f, "9223372036854775800.000000"},     // 2^63
        {18446744073709551616.0f, "18446744073709552000.000000"},   // 2^64
        {1e20f, "100000002004087730000.000000"},
        // 18th digit 9 after seven nines: the carry runs through them.
        {float_of(0x6C35F72Du), "879931311900000000000000000.000000"},
        {float_of(0x7F2FD239u), "233706437700000000000000000000000000000.000000"},
        // 18th digit 5 then zeros rounds up; 4 then nines does not.
        {float_of(0x69048613u), "10013209736623312000000000.000000"},
        {float_of(0x69046D16u), "10005834497758341000000000.000000"},
        {kMax, "340282346638528860000000000000000000000.000000"},
        {-kMax, "-340282346638528860000000000000000000000.000000"},
    });
    EXPECT_EQ(written(-kMax).size(), kMaxRealText);
}

TEST(WriteReal, Infinity) {
    expect_written({
        {kInf, "1.#INF00"},
        {-kInf, "-1.#INF00"},
    });
}

// ---- Against exact arithmetic ----

#if defined(__SIZEOF_INT128__)
using testing::expected_text;

// Checks write_real against expected_text for the singles with the given
// bits; returns the number of mismatches (reporting the first few).
int count_mismatches(std::uint32_t first, std::uint32_t last, std::uint32_t step = 1) {
    int bad = 0;
    char ours[kMaxRealText + 8];
    char want[64];
    for (std::uint64_t b = first; b <= last; b += step) {
        std::uint32_t bits = static_cast<std::uint32_t>(b);
        // Both signs, picked by a hash of the bits.
        bits |= ((bits * 2654435761u) >> 31) << 31;
        float f = float_of(bits);
        std::size_t n = static_cast<std::size_t>(write_real(ours, f) - ours);
        std::size_t m = static_cast<std::size_t>(expected_text(want, f) - want);
        if (n > kMaxRealText || n != m || std::memcmp(ours, want, n) != 0) {
            if (++bad <= 5) {
                ADD_FAILURE() << "bits " << std::hex << bits << ": wrote " << std::string(ours, n < 64 ? n : 64)
                              << ", want " << std::string(want, m);
            }
        }
    }
    return bad;
}

TEST(WriteReal, WholeBinadesMatchExactArithmetic) {
    EXPECT_EQ(count_mismatches(0x3C000000u, 0x3C7FFFFFu), 0);  // [2^-7, 2^-6): from 0.0078125
    EXPECT_EQ(count_mismatches(0x35000000u, 0x357FFFFFu), 0);  // [2^-21, 2^-20): across 5e-7
    EXPECT_EQ(count_mismatches(0x3F800000u, 0x3FFFFFFFu), 0);  // [1, 2)
    EXPECT_EQ(count_mismatches(0x47800000u, 0x47FFFFFFu), 0);  // [2^16, 2^17)
    EXPECT_EQ(count_mismatches(0x5B800000u, 0x5BFFFFFFu), 0);  // [2^56, 2^57): across 10^17
}

TEST(WriteReal, EveryExponentMatchesExactArithmetic) {
    // Every exponent, zero and the subnormals included, in strides.
    EXPECT_EQ(count_mismatches(0x00000000u, 0x7F800000u, 4099), 0);
    EXPECT_EQ(count_mismatches(0x00000000u, 0x000FFFFFu, 1), 0);  // subnormals, smallest first
    EXPECT_EQ(count_mismatches(0x7F7F0000u, 0x7F800000u, 1), 0);  // up to infinity
}

TEST(WriteReal, RandomBitPatternsMatchExactArithmetic) {
    SplitMix64 rng{11};
    int bad = 0;
    for (int i = 0; i < 3000000 && bad == 0; ++i) {
        std::uint32_t bits = static_cast<std::uint32_t>(rng.next());
        if ((bits & 0x7F800000u) == 0x7F800000u && (bits & 0x7FFFFFu) != 0) continue;  // NaN
        bad += count_mismatches(bits, bits);
    }
    EXPECT_EQ(bad, 0);
}

TEST(WriteReal, ExactArithmeticAgreesWithDigitByDigitRounding) {
    // The 128-bit reference above against rounding of the full decimal
    // expansion, across all magnitudes, those below 2^-44 included.
    SplitMix64 rng{12};
    char want[64];
    for (int i = 0; i < 20000; ++i) {
        std::uint32_t bits = static_cast<std::uint32_t>(rng.below(0x7F800000u));
        if (i % 4 == 0) bits = static_cast<std::uint32_t>(rng.below(0x35800000u));  // below 2^-20
        bool negative = rng.below(2) != 0;
        float f = float_of(bits | (negative ? 0x80000000u : 0u));
        std::string slow = six_decimal_text(exact_single_text(bits), negative);
        std::string fast(want, static_cast<std::size_t>(expected_text(want, f) - want));
        ASSERT_EQ(fast, slow) << std::hex << bits;
        ASSERT_EQ(written(f), slow) << std::hex << bits;
    }
}
#endif

TEST(WriteReal, BelowTwoToTheMinus21IsZeroWithItsSign) {
    // Every single below 2^-21 writes as zeros: checked digit by digit on a
    // sample, the smallest and largest of them among it.
    SplitMix64 rng{13};
    for (int i = 0; i < 3000; ++i) {
        std::uint32_t bits = static_cast<std::uint32_t>(rng.below(0x35000000u));
        if (i == 0) bits = 1;
        if (i == 1) bits = 0x34FFFFFFu;
        std::string exact = exact_single_text(bits);
        ASSERT_EQ(exact.compare(0, 8, "0.000000"), 0) << exact;
        ASSERT_LT(exact[8], '5') << exact;
        EXPECT_EQ(written(float_of(bits)), "0.000000");
        EXPECT_EQ(written(float_of(bits | 0x80000000u)), "-0.000000");
    }
}

// ---- Reading back what was written ----

void expect_round_trip(float f) {
    std::string text = written(f);
    float back = 0.0f;
    const char* end = read_real_field(text.data(), text.data() + text.size(), &back);
    ASSERT_EQ(end, text.data() + text.size()) << text;
    std::string again = written(back);
    if (text == "-0.000000") {
        ASSERT_EQ(again, "0.000000");  // read back as negative zero, written unsigned
        ASSERT_EQ(bits_of(back), 0x80000000u);
    } else {
        ASSERT_EQ(again, text) << "bits " << std::hex << bits_of(f);
    }
}

TEST(WriteReal, WrittenTextReadsBackToTheSameText) {
    SplitMix64 rng{14};
    for (int i = 0; i < 1000000; ++i) {
        std::uint32_t bits = static_cast<std::uint32_t>(rng.next());
        if (i % 2 == 0) {
            // Magnitudes from 2^-27 to 2^28, where the six decimals matter.
            bits = (bits & 0x807FFFFFu) | ((100u + static_cast<std::uint32_t>(rng.below(56))) << 23);
        }
        if ((bits & 0x7F800000u) == 0x7F800000u) continue;  // finite only
        expect_round_trip(float_of(bits));
        if (::testing::Test::HasFailure()) return;
    }
    for (float f : {0.0f, -0.0f, -0.0000001f, 0.0078125f, -0.0078125f, kMax, -kMax, 16777218.0f, 1e20f}) {
        expect_round_trip(f);
    }
}

}  // namespace
}  // namespace quorvel
