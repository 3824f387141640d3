#include "line_pass.h"

#include <cstring>

namespace quorvel {
namespace {

// A line that begins with "tr", the first two letters of "triangles", opens
// the triangles section; nothing closes it again.
bool opens_triangles(const char* text, std::size_t size) {
    return size >= 2 && text[0] == 't' && text[1] == 'r';
}

// Gates, offers and, unless it was rewritten, copies one line (or the held
// prefix of a long one). Returns whether it was rewritten.
bool pass_line(Piece piece, InputFormat format, bool& in_triangles, OutputStream& out) {
    if (opens_triangles(piece.text, piece.size)) in_triangles = true;
    if (rewrite_vertex_line(format, piece, in_triangles, out)) return true;
    write_text(out, piece.text, piece.size);
    return false;
}

// Handles the rest of a line whose held prefix has been dealt with: copies it
// up to and including its LF, or drops it when the line was rewritten.
bool pass_rest_of_line(InputStream& in, OutputStream& out, bool copy) {
    for (;;) {
        const char* text = in.buffer.data() + in.begin;
        std::size_t avail = in.end - in.begin;
        const char* lf = static_cast<const char*>(std::memchr(text, '\n', avail));
        std::size_t n = lf != nullptr ? static_cast<std::size_t>(lf - text) + 1 : avail;
        if (copy) write_text(out, text, n);
        in.begin += n;
        if (lf != nullptr || in.at_end) return true;
        fill_input(in);
        if (in.failed) return false;
    }
}

}  // namespace

PassResult convert_lines(InputStream& in, OutputStream& out, InputFormat format) {
    bool in_triangles = false;
    std::size_t searched = 0;  // unread text already known to hold no LF
    for (;;) {
        if (out.failed) return PassResult::WriteFailed;
        const char* text = in.buffer.data() + in.begin;
        std::size_t avail = in.end - in.begin;
        std::size_t limit = avail < kLinePrefixSize ? avail : kLinePrefixSize;
        const char* lf = static_cast<const char*>(std::memchr(text + searched, '\n', limit - searched));
        if (lf != nullptr) {
            std::size_t size = static_cast<std::size_t>(lf - text) + 1;
            pass_line(Piece{text, size, false}, format, in_triangles, out);
            in.begin += size;
            searched = 0;
            continue;
        }
        if (limit == kLinePrefixSize) {
            // A line longer than the held prefix.
            bool rewritten = pass_line(Piece{text, kLinePrefixSize, true}, format, in_triangles, out);
            in.begin += kLinePrefixSize;
            searched = 0;
            if (!pass_rest_of_line(in, out, !rewritten)) return PassResult::ReadFailed;
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
        pass_line(Piece{text, avail, false}, format, in_triangles, out);
        in.begin += avail;
        searched = 0;
    }
}

}  // namespace quorvel
