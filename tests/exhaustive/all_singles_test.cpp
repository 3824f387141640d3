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

#include "../convert/exact_int128.h"
#include "number_text.h"

namespace quorvel {
namespace {

// The text of a single by 128-bit integer division, independent of the writer.
std::string exact_text(std::uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    char text[64];
    return std::string(text, testing::expected_text(text, f));
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
