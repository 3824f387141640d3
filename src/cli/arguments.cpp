#include "arguments.h"

#include <cstring>

namespace quorvel {
namespace {

char fold_ascii_letter(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool equal_exact(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

bool equal_folding_ascii_letters(const char* a, const char* b) {
    for (;; ++a, ++b) {
        if (fold_ascii_letter(*a) != fold_ascii_letter(*b)) return false;
        if (*a == '\0') return true;
    }
}

bool choose_input_format(const char* switch_text, InputFormat* format) {
    if (equal_exact(switch_text, "-hl")) {
        *format = InputFormat::Hl1;
        return true;
    }
    if (equal_folding_ascii_letters(switch_text, "-source")) {
        *format = InputFormat::Source;
        return true;
    }
    return false;
}

}  // namespace quorvel
