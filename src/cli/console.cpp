#include "console.h"

#include "platform.h"

namespace quorvel {
namespace {

void put_byte(Console& console, char c) {
    if (console.used == kConsoleBufferSize) finish_console(console);
    console.buffer[console.used++] = c;
}

}  // namespace

void init_console(Console& console, bool immediate) {
    console.immediate = immediate;
    console.used = 0;
}

void print_text(Console& console, const char* text) {
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == '\n') put_byte(console, '\r');
        put_byte(console, *p);
    }
    if (console.immediate) finish_console(console);
}

void finish_console(Console& console) {
    if (console.used > 0) write_stdout(console.buffer, console.used);
    console.used = 0;
}

}  // namespace quorvel
