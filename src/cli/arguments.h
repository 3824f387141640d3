// Checks on the command-line arguments.
#pragma once

#include "vertex_rewrite.h"

namespace quorvel {

// Byte for byte: same length, same bytes.
bool equal_exact(const char* a, const char* b);

// As equal_exact, but the letters A to Z count as a to z; no other byte folds.
bool equal_folding_ascii_letters(const char* a, const char* b);

// "-hl" exactly gives Hl1; "-source" in any case of A to Z gives Source.
// False for any other switch.
bool choose_input_format(const char* switch_text, InputFormat* format);

}  // namespace quorvel
