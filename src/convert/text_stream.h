// Text streams over raw bytes, with the tool's own block buffering.
//
// The text rules: on reading, CR LF is one LF and a lone CR is an ordinary
// character; a byte 0x1A ends the input; on writing, every LF goes out as
// CR LF. The input stream applies only the 0x1A rule and hands out the raw
// bytes: since a CR before an LF is dropped on reading and put back on
// writing, the line pass copies a line ending in CR LF as it stands and
// gives a line ending in a bare LF its CR, which is the same as translating
// both ways without the copy. The rules are applied here and in the line
// pass, over binary I/O, so that the bytes are the same on every platform.
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
    std::vector<char> buffer;  // unread input in [begin, end)
    std::size_t begin;
    std::size_t end;
    bool at_end;  // the end of the input (or a 0x1A) has been reached
    bool failed;  // a read failed
};

struct OutputStream {
    ByteSink sink;
    std::vector<char> buffer;
    std::size_t used;
    bool failed;  // a write failed; later writes are skipped
};

// held_capacity is the most input the stream must keep unread at once.
InputStream make_input_stream(ByteSource source, std::size_t held_capacity);
OutputStream make_output_stream(ByteSink sink);

// Moves the unread input to the front of the buffer and reads one more block
// after it, cut at the first 0x1A. Does nothing once at_end or failed is set.
// The unread input must be at most held_capacity bytes.
void fill_input(InputStream& in);

// Writes text, every LF as CR LF. Nothing is written once a write has failed.
void write_text(OutputStream& out, const char* text, std::size_t size);

// Writes bytes as they are.
void write_bytes(OutputStream& out, const char* data, std::size_t size);

// Hands everything buffered to the sink; false if any write failed.
bool flush_output(OutputStream& out);

}  // namespace quorvel
