#include "text_stream.h"

#include <cstring>

namespace quorvel {

InputStream make_input_stream(ByteSource source, std::size_t held_capacity) {
    InputStream in{source, {}, 0, 0, false, false, false};
    // One more byte, for a CR held over from the previous block.
    in.buffer.resize(held_capacity + kReadBlockSize + 1);
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
    // Raw bytes land one place after the text, so that a held CR can still be
    // put before them; translation only drops bytes, so it can work in place.
    std::size_t room = in.buffer.size() - in.end - 1;
    if (room > kReadBlockSize) room = kReadBlockSize;
    char* raw = buf + in.end + 1;
    long long got = in.source.read(in.source.context, raw, room);
    if (got < 0) {
        in.failed = true;
        return;
    }
    char* dst = buf + in.end;
    if (got == 0) {
        in.at_end = true;
        if (in.pending_cr) *dst++ = '\r';
        in.pending_cr = false;
        in.end = static_cast<std::size_t>(dst - buf);
        return;
    }
    const char* src = raw;
    const char* src_end = raw + got;
    if (in.pending_cr) {
        // A CR before LF is dropped; before anything else it is a character.
        if (*src != '\n') *dst++ = '\r';
        in.pending_cr = false;
    }
    while (src < src_end) {
        char c = *src;
        if (c == '\x1a') {
            in.at_end = true;
            break;
        }
        if (c == '\r') {
            if (src + 1 == src_end) {
                in.pending_cr = true;
                ++src;
                continue;
            }
            if (src[1] == '\n') {
                ++src;
                continue;
            }
        }
        *dst++ = c;
        ++src;
    }
    in.end = static_cast<std::size_t>(dst - buf);
}

namespace {

void put_bytes(OutputStream& out, const char* data, std::size_t size) {
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

}  // namespace

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
