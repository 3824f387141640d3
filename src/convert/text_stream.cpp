#include "text_stream.h"

#include <cstring>

namespace quorvel {

InputStream make_input_stream(ByteSource source, std::size_t held_capacity) {
    InputStream in{source, {}, 0, 0, false, false};
    in.buffer.resize(held_capacity + kReadBlockSize);
    return in;
}

OutputStream make_output_stream(ByteSink sink) {
    OutputStream out{sink, {}, 0, false};
    out.buffer.resize(kWriteBlockSize);
    return out;
}

void fill_input(InputStream& in) {
    if (in.at_end || in.failed) return;
    char* buf = in.buffer.data();
    if (in.begin > 0) {
        std::memmove(buf, buf + in.begin, in.end - in.begin);
        in.end -= in.begin;
        in.begin = 0;
    }
    std::size_t room = in.buffer.size() - in.end;
    if (room > kReadBlockSize) room = kReadBlockSize;
    long long got = in.source.read(in.source.context, buf + in.end, room);
    if (got < 0) {
        in.failed = true;
        return;
    }
    if (got == 0) {
        in.at_end = true;
        return;
    }
    std::size_t n = static_cast<std::size_t>(got);
    const void* stop = std::memchr(buf + in.end, '\x1a', n);
    if (stop != nullptr) {
        n = static_cast<std::size_t>(static_cast<const char*>(stop) - (buf + in.end));
        in.at_end = true;
    }
    in.end += n;
}

namespace {

void put_bytes_slow(OutputStream& out, const char* data, std::size_t size) {
    while (size > 0 && !out.failed) {
        std::size_t room = out.buffer.size() - out.used;
        if (room == 0) {
            flush_output(out);
            continue;
        }
        std::size_t n = size < room ? size : room;
        std::memcpy(out.buffer.data() + out.used, data, n);
        out.used += n;
        data += n;
        size -= n;
    }
}

// Copies into the buffer when the bytes fit, the common case.
inline void put_bytes(OutputStream& out, const char* data, std::size_t size) {
    if (size <= out.buffer.size() - out.used && !out.failed) {
        std::memcpy(out.buffer.data() + out.used, data, size);
        out.used += size;
        return;
    }
    put_bytes_slow(out, data, size);
}

}  // namespace

void write_bytes(OutputStream& out, const char* data, std::size_t size) { put_bytes(out, data, size); }

void write_text(OutputStream& out, const char* text, std::size_t size) {
    const char* end = text + size;
    while (text < end && !out.failed) {
        const char* lf = static_cast<const char*>(std::memchr(text, '\n', static_cast<std::size_t>(end - text)));
        if (lf == nullptr) {
            put_bytes(out, text, static_cast<std::size_t>(end - text));
            return;
        }
        put_bytes(out, text, static_cast<std::size_t>(lf - text));
        put_bytes(out, "\r\n", 2);
        text = lf + 1;
    }
}

bool flush_output(OutputStream& out) {
    if (out.failed) return false;
    if (out.used > 0) {
        if (!out.sink.write(out.sink.context, out.buffer.data(), out.used)) out.failed = true;
        out.used = 0;
    }
    return !out.failed;
}

}  // namespace quorvel
