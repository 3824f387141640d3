// Every one of the 2^32 single bit patterns: the writer's text equals an
// independent exact computation, and for every finite single, reading its
// written text back and writing again gives the same text (a text -0.000000
// comes back as 0.000000). Minutes of work: run with `ctest --preset
// exhaustive`, not in the default run.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "number_text.h"

namespace quorvel {
namespace {

using u128 = unsigned __int128;

std::string decimal(u128 v) {
    std::string s;
    do {
        s.insert(s.begin(), static_cast<char>('0' + static_cast<int>(v % 10)));
        v /= 10;
    } while (v != 0);
    return s;
}

u128 pow_u128(unsigned base, int n) {
    u128 r = 1;
    while (n-- > 0) r *= base;
    return r;
}

// The text of the single with these bits, from its exact value mant * 2^exp2,
// by decimal arithmetic on 128-bit integers.
std::string exact_text(std::uint32_t bits) {
    bool negative = (bits >> 31) != 0;
    std::uint32_t biased = (bits >> 23) & 0xFF;
    std::uint32_t mant = bits & 0x7FFFFF;
    std::string sign = negative ? "-" : "";
    if (biased == 0xFF) return sign + "1.#INF00";
    if (biased == 0 && mant == 0) return "0.000000";
    int exp2 = biased == 0 ? -149 : static_cast<int>(biased) - 150;
    if (biased != 0) mant |= 0x800000;
    if (exp2 >= 0) {
        u128 whole = static_cast<u128>(mant) << exp2;
        std::string digits = decimal(whole);
        if (whole >= pow_u128(10, 17)) {
            // 17 significant digits, half up on the 18th, zeros after.
            u128 unit = pow_u128(10, static_cast<int>(digits.size()) - 17);
            u128 kept = whole / unit;
            if ((whole % unit) * 10 / unit >= 5) ++kept;
            digits = decimal(kept * unit);
        }
        return sign + digits + ".000000";
    }
    int k = -exp2;
    if (k > 44) return sign + "0.000000";  // below 2^-21, under half of 10^-6
    // value = mant * 5^k / 10^k; six decimals, halfway away from zero.
    u128 n = static_cast<u128>(mant) * pow_u128(5, k);
    u128 micro;
    if (k <= 6) {
        micro = n * pow_u128(10, 6 - k);
    } else {
        u128 unit = pow_u128(10, k - 6);
        micro = n / unit;
        if (2 * (n % unit) >= unit) ++micro;
    }
    std::string frac = decimal(micro % 1000000);
    return sign + decimal(micro / 1000000) + "." + std::string(6 - frac.size(), '0') + frac;
}

std::string written(float f) {
    char text[kMaxRealText];
    return std::string(text, write_real(text, f));
}

// Runs check over all 2^32 patterns on every core; returns the first few failures.
template <typename Check>
std::vector<std::string> over_all_patterns(Check check) {
    unsigned threads = std::thread::hardware_concurrency();
    if (threads == 0) threads = 2;
    std::vector<std::string> failures;
    std::atomic<int> failure_count{0};
    std::vector<std::vector<std::string>> found(threads);
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t) {
        pool.emplace_back([&, t] {
            for (std::uint64_t b = t; b <= 0xFFFFFFFFu; b += threads) {
                std::string failure = check(static_cast<std::uint32_t>(b));
                if (!failure.empty() && failure_count++ < 20) found[t].push_back(failure);
            }
        });
    }
    for (auto& th : pool) th.join();
    for (auto& f : found) failures.insert(failures.end(), f.begin(), f.end());
    return failures;
}

TEST(AllSingles, WrittenTextIsExact) {
    auto failures = over_all_patterns([](std::uint32_t bits) -> std::string {
        if ((bits & 0x7F800000) == 0x7F800000 && (bits & 0x7FFFFF) != 0) return "";  // NaN never written
        float f;
        std::memcpy(&f, &bits, sizeof f);
        std::string got = written(f);
        std::string want = exact_text(bits);
        return got == want ? "" : std::to_string(bits) + ": " + got + " != " + want;
    });
    for (const auto& f : failures) ADD_FAILURE() << f;
}

TEST(AllSingles, TextReadBackWritesTheSame) {
    auto failures = over_all_patterns([](std::uint32_t bits) -> std::string {
        if ((bits & 0x7F800000) == 0x7F800000) return "";  // only finite singles
        float f;
        std::memcpy(&f, &bits, sizeof f);
        std::string first = written(f);
        float back;
        if (read_real_field(first.data(), first.data() + first.size(), &back) != first.data() + first.size())
            return std::to_string(bits) + ": " + first + " not read whole";
        std::string second = written(back);
        std::string want = first == "-0.000000" ? "0.000000" : first;
        return second == want ? "" : std::to_string(bits) + ": " + first + " -> " + second;
    });
    for (const auto& f : failures) ADD_FAILURE() << f;
}

}  // namespace
}  // namespace quorvel
