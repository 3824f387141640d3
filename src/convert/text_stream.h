// Text streams over raw bytes, with the tool's own block buffering.
//
// Reading: CR LF is one LF (also where the pair straddles two reads), a lone
// CR is an ordinary character, and a byte 0x1A ends the input. Writing: every
// LF goes out as CR LF. The rules are applied here, over binary I/O, so that
// the bytes are the same on every platform.
#pragma once

#include <cstddef>
#include <vector>

namespace quorvel {

// Where raw bytes come from. read returns the number of bytes placed in
// buffer (at most capacity), 0 at the end of the input, or -1 on an error.
struct ByteSource {
    void* context;
    long long (*read)(void* context, char* buffer, std::size_t capacity);
};

// Where raw bytes go. write returns true when all size bytes were written.
struct ByteSink {
    void* context;
    bool (*write)(void* context, const char* data, std::size_t size);
};

// Bytes asked of the source in one read.
constexpr std::size_t kReadBlockSize = 64 * 1024;
// Bytes handed to the sink in one write, at most.
constexpr std::size_t kWriteBlockSize = 64 * 1024;

struct InputStream {
    ByteSource source;
    std::vector<char> buffer;  // translated text in [begin, end)
    std::size_t begin;
    std::size_t end;
    bool pending_cr;  // the last byte read was a CR whose follower is unknown
    bool at_end;      // the end of the input (or a 0x1A) has been reached
    bool failed;      // a read failed
};

struct OutputStream {
    ByteSink sink;
    std::vector<char> buffer;
    std::size_t used;
    bool failed;  // a write failed; later writes are skipped
};

// held_capacity is the most text the stream must keep unread at once.
InputStream make_input_stream(ByteSource source, std::size_t held_capacity);
OutputStream make_output_stream(ByteSink sink);

// Moves the unread text to the front of the buffer and reads one more block
// after it, translated. Does nothing once at_end or failed is set. The unread
// text must be shorter than held_capacity.
void fill_input(InputStream& in);

// Writes text, every LF as CR LF. Nothing is written once a write has failed.
void write_text(OutputStream& out, const char* text, std::size_t size);

// Hands everything buffered to the sink; false if any write failed.
bool flush_output(OutputStream& out);

}  // namespace quorvel
