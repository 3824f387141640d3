// Standard output for the tool's messages: every LF goes out as CR LF. On a
// terminal each message is written at once; into a file or pipe the text is
// collected in 4096 bytes and written when that is full and when the tool ends.
#pragma once

#include <cstddef>

namespace quorvel {

constexpr std::size_t kConsoleBufferSize = 4096;

struct Console {
    bool immediate;
    char buffer[kConsoleBufferSize];
    std::size_t used;
};

void init_console(Console& console, bool immediate);
void print_text(Console& console, const char* text);
// Writes out whatever is still collected.
void finish_console(Console& console);

}  // namespace quorvel
