// Fuzz target: the number reader and writer, differentially.
//
// Every real field found in the input is read by the reader (fast path where
// it applies) and again by the exact path alone; the two must agree to the
// bit. The first four bytes, taken as the bits of a single, are written, and
// reading that text back and writing it again must give the same text.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "number_text.h"

namespace {

using namespace quorvel;

void check(bool ok) {
    if (!ok) std::abort();
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Reads the field in [p, end) into its parts, the way the exact path takes them.
float read_exactly(const char* p, const char* end) {
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    const char* int_digits = p;
    while (p < end && is_digit(*p)) ++p;
    std::size_t int_count = static_cast<std::size_t>(p - int_digits);
    const char* frac_digits = p;
    std::size_t frac_count = 0;
    if (p < end && *p == '.') {
        frac_digits = ++p;
        while (p < end && is_digit(*p)) ++p;
        frac_count = static_cast<std::size_t>(p - frac_digits);
    }
    std::int64_t exponent = 0;
    if (p < end) {  // e or E, optional sign, digits (possibly none)
        ++p;
        bool exp_negative = false;
        if (p < end && (*p == '+' || *p == '-')) exp_negative = *p++ == '-';
        while (p < end && is_digit(*p)) {
            if (exponent < 100000000) exponent = exponent * 10 + (*p - '0');
            ++p;
        }
        if (exp_negative) exponent = -exponent;
    }
    return read_real_exact(negative, int_digits, int_count, frac_digits, frac_count, exponent);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    const char* end = text + size;
    for (const char* p = text; p < end; ++p) {
        float value;
        const char* next = read_real_field(p, end, &value);
        if (next == nullptr) continue;
        check(next > p && next <= end);
        float exact = read_exactly(p, next);
        check(std::memcmp(&value, &exact, sizeof value) == 0);
        std::int32_t integer;
        const char* int_next = read_int_field(p, end, &integer);
        check(int_next == nullptr || (int_next > p && int_next <= next));
    }

    if (size >= 4) {
        float f;
        std::memcpy(&f, data, sizeof f);
        if (f != f) return 0;  // reading never yields a NaN, so none is ever written
        char first[kMaxRealText + 1];
        char* first_end = write_real(first, f);
        check(static_cast<std::size_t>(first_end - first) <= kMaxRealText);
        if (f - f != 0) return 0;  // infinity: no text to read back
        float back;
        check(read_real_field(first, first_end, &back) == first_end);
        char second[kMaxRealText + 1];
        char* second_end = write_real(second, back);
        bool negative_zero_text = first_end - first == 9 && std::memcmp(first, "-0.000000", 9) == 0;
        if (negative_zero_text) {
            check(second_end - second == 8 && std::memcmp(second, "0.000000", 8) == 0);
        } else {
            check(second_end - first_end == second - first &&
                  std::memcmp(first, second, static_cast<std::size_t>(first_end - first)) == 0);
        }
    }
    return 0;
}
