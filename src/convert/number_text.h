// Reading and writing the numbers of vertex lines.
//
// The rules are fixed to the byte and follow no locale: "." is the decimal
// point, integers wrap modulo 2^32, reals are rounded to the nearest single
// (halfway goes toward zero) and are written with six decimals.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorvel {

// Longest text that write_real can produce: "-", 39 digits, ".", 6 digits.
constexpr std::size_t kMaxRealText = 47;
// Longest text that write_int can produce: "-2147483648".
constexpr std::size_t kMaxIntText = 11;

// Reads an integer field (optional sign, one or more digits) starting at p.
// Returns the first character after the field, or nullptr when p does not
// start a field; *value is set only on success.
const char* read_int_field(const char* p, const char* end, std::int32_t* value);

// Reads a real field (sign, digits, point, digits, exponent) starting at p.
// Returns the first character after the field, or nullptr when p does not
// start a field; *value is set only on success.
const char* read_real_field(const char* p, const char* end, float* value);

// The exact reader behind read_real_field, for any digit run: the digits are
// int_digits then frac_digits, scaled by 10^exponent10. Exposed so that tests
// can check the fast path against it.
float read_real_exact(bool negative, const char* int_digits, std::size_t int_count,
                      const char* frac_digits, std::size_t frac_count,
                      std::int64_t exponent10);

// Writes the decimal text of value; returns the end of the written text.
char* write_int(char* out, std::int32_t value);

// Writes the six-decimal text of value; returns the end of the written text.
char* write_real(char* out, float value);

}  // namespace quorvel
