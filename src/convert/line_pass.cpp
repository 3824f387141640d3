#include "line_pass.h"

#include <cstring>

namespace quorvel {
namespace {

// A line that begins with "tr", the first two letters of "triangles", opens
// the triangles section; nothing closes it again.
bool opens_triangles(const char* text, std::size_t size) {
    return size >= 2 && text[0] == 't' && text[1] == 'r';
}

// Copies raw input that ends at its LF, if it has one, with that LF as CR LF:
// a CR already before it is the CR of the pair (prev_cr tells whether the
// byte before text, on the same line, was a CR).
void copy_line_text(OutputStream& out, const char* text, std::size_t size, bool prev_cr) {
    if (size == 0 || text[size - 1] != '\n') {
        write_bytes(out, text, size);
        return;
    }
    bool cr_before = size >= 2 ? text[size - 2] == '\r' : prev_cr;
    if (cr_before) {
        write_bytes(out, text, size);
    } else {
        write_bytes(out, text, size - 1);
        write_bytes(out, "\r\n", 2);
    }
}

// Gates, offers and, unless it was rewritten, copies one line (or the held
// prefix of a long one). The piece holds raw input: a CR before its LF is a
// blank to the scan, as the line end is. Returns whether it was rewritten.
bool pass_line(Piece piece, InputFormat format, bool& in_triangles, OutputStream& out) {
    if (opens_triangles(piece.text, piece.size)) in_triangles = true;
    if (rewrite_vertex_line(format, piece, in_triangles, out)) return true;
    copy_line_text(out, piece.text, piece.size, false);
    return false;
}

// Handles the rest of a line whose held prefix has been dealt with: copies it
// up to and including its LF, or drops it when the line was rewritten.
// prev_cr tells whether the prefix ended in a CR.
bool pass_rest_of_line(InputStream& in, OutputStream& out, bool copy, bool prev_cr) {
    for (;;) {
        const char* text = in.buffer.data() + in.begin;
        std::size_t avail = in.end - in.begin;
        const char* lf = static_cast<const char*>(std::memchr(text, '\n', avail));
        std::size_t n = lf != nullptr ? static_cast<std::size_t>(lf - text) + 1 : avail;
        if (copy) copy_line_text(out, text, n, prev_cr);
        if (n > 0) prev_cr = text[n - 1] == '\r';
        in.begin += n;
        if (lf != nullptr || in.at_end) return true;
        fill_input(in);
        if (in.failed) return false;
    }
}

// Decides a line longer than the held prefix on its first kLinePrefixSize
// bytes, then streams its rest through.
bool pass_long_line(InputStream& in, OutputStream& out, InputFormat format, bool& in_triangles) {
    const char* text = in.buffer.data() + in.begin;
    bool rewritten = pass_line(Piece{text, kLinePrefixSize, true}, format, in_triangles, out);
    bool prev_cr = text[kLinePrefixSize - 1] == '\r';
    in.begin += kLinePrefixSize;
    return pass_rest_of_line(in, out, !rewritten, prev_cr);
}

}  // namespace

PassResult convert_lines(InputStream& in, OutputStream& out, InputFormat format) {
    bool in_triangles = false;
    std::size_t searched = 0;  // unread input already known to hold no LF
    for (;;) {
        if (out.failed) return PassResult::WriteFailed;
        const char* text = in.buffer.data() + in.begin;
        std::size_t avail = in.end - in.begin;
        // A line of kLinePrefixSize - 1 characters ends in LF or CR LF: its
        // LF may sit one byte past the held prefix.
        std::size_t limit = avail < kLinePrefixSize + 1 ? avail : kLinePrefixSize + 1;
        const char* lf = static_cast<const char*>(std::memchr(text + searched, '\n', limit - searched));
        if (lf != nullptr) {
            std::size_t size = static_cast<std::size_t>(lf - text) + 1;
            bool crlf = size >= 2 && lf[-1] == '\r';
            searched = 0;
            if (size - 1 - (crlf ? 1 : 0) < kLinePrefixSize) {
                pass_line(Piece{text, size, false}, format, in_triangles, out);
                in.begin += size;
                continue;
            }
            // Exactly kLinePrefixSize characters, then a bare LF.
            if (!pass_long_line(in, out, format, in_triangles)) return PassResult::ReadFailed;
            continue;
        }
        if (limit == kLinePrefixSize + 1) {
            searched = 0;
            if (!pass_long_line(in, out, format, in_triangles)) return PassResult::ReadFailed;
            continue;
        }
        searched = limit;
        if (!in.at_end) {
            fill_input(in);
            if (in.failed) return PassResult::ReadFailed;
            continue;
        }
        if (avail == 0) return out.failed ? PassResult::WriteFailed : PassResult::Done;
        // The last line, without an LF.
        searched = 0;
        if (avail >= kLinePrefixSize) {
            if (!pass_long_line(in, out, format, in_triangles)) return PassResult::ReadFailed;
            continue;
        }
        pass_line(Piece{text, avail, false}, format, in_triangles, out);
        in.begin += avail;
    }
}

}  // namespace quorvel
