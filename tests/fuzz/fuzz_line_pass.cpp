// Fuzz target: the line pass over arbitrary bytes through in-memory streams.
//
// The first byte picks the input flavour and the read size (small reads put
// CR LF pairs across read boundaries); the rest is the file. For every input:
// one line comes out for each line in, a copied line comes out byte for byte
// apart from its line end, and a rewritten line, only after the triangles
// gate, has exactly the shape of its output pattern.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "line_pass.h"
#include "../convert/memory_streams.h"

namespace {

using namespace quorvel;

void check(bool ok) {
    if (!ok) std::abort();
}

// The text as the reading rules give it: CR LF is LF, 0x1A ends it.
std::string read_as_text(std::string_view raw) {
    std::string text;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        char c = raw[i];
        if (c == '\x1a') break;
        if (c == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
        text += c;
    }
    return text;
}

std::vector<std::string_view> split(std::string_view text, std::string_view end, bool* last_ended) {
    std::vector<std::string_view> lines;
    *last_ended = true;
    while (!text.empty()) {
        std::size_t at = text.find(end);
        if (at == std::string_view::npos) {
            lines.push_back(text);
            *last_ended = false;
            break;
        }
        lines.push_back(text.substr(0, at));
        text.remove_prefix(at + end.size());
    }
    return lines;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// An integer as written: optional '-', digits, no leading zero.
bool take_int(std::string_view& s) {
    std::size_t i = 0;
    if (i < s.size() && s[i] == '-') ++i;
    std::size_t digits = i;
    while (i < s.size() && is_digit(s[i])) ++i;
    if (i == digits || (s[digits] == '0' && i - digits > 1)) return false;
    s.remove_prefix(i);
    return true;
}

// A real as written: optional '-', digits, '.', six digits; or 1.#INF00.
bool take_real(std::string_view& s) {
    std::size_t i = 0;
    if (i < s.size() && s[i] == '-') ++i;
    if (s.substr(i).substr(0, 8) == "1.#INF00") {
        s.remove_prefix(i + 8);
        return true;
    }
    std::size_t digits = i;
    while (i < s.size() && is_digit(s[i])) ++i;
    if (i == digits || (s[digits] == '0' && i - digits > 1)) return false;
    if (i + 7 > s.size() || s[i] != '.') return false;
    for (std::size_t k = 1; k <= 6; ++k)
        if (!is_digit(s[i + k])) return false;
    s.remove_prefix(i + 7);
    return true;
}

bool take(std::string_view& s, std::string_view lit) {
    if (s.substr(0, lit.size()) != lit) return false;
    s.remove_prefix(lit.size());
    return true;
}

bool has_shape(std::string_view s, const char* pattern) {
    for (const char* p = pattern; *p != '\0'; ++p) {
        if (*p == '\n') break;  // the line end was split off
        bool ok = *p == '%' ? (p[1] == 'd' ? take_int(s) : take_real(s)) : take(s, std::string_view(p, 1));
        if (!ok) return false;
        if (*p == '%') ++p;
    }
    return s.empty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    InputFormat format = (data[0] & 1) != 0 ? InputFormat::Source : InputFormat::Hl1;
    std::size_t chunk = (data[0] >> 1) == 0 ? 1 << 20 : (data[0] >> 1);
    std::string raw(reinterpret_cast<const char*>(data + 1), size - 1);

    quorvel::testing::MemorySource source;
    source.data = raw;
    source.chunk = chunk;
    quorvel::testing::MemorySink sink;
    InputStream in = make_input_stream(quorvel::testing::source_of(source), kLinePrefixSize);
    OutputStream out = make_output_stream(quorvel::testing::sink_of(sink));
    check(convert_lines(in, out, format) == PassResult::Done);
    check(flush_output(out));

    std::string text = read_as_text(raw);
    bool in_ended, out_ended;
    std::vector<std::string_view> in_lines = split(text, "\n", &in_ended);
    std::vector<std::string_view> out_lines = split(sink.data, "\r\n", &out_ended);
    check(in_lines.size() == out_lines.size());
    const char* pattern = format == InputFormat::Hl1 ? kSourceVertexOut : kHl1VertexOut;
    bool in_triangles = false;
    for (std::size_t i = 0; i < in_lines.size(); ++i) {
        if (in_lines[i].substr(0, 2) == "tr") in_triangles = true;
        bool last = i + 1 == in_lines.size();
        if (out_lines[i] == in_lines[i] && (!last || in_ended == out_ended)) continue;
        // Not a copy: it must be a rewritten line, which always ends in a line end.
        check(in_triangles);
        check(has_shape(out_lines[i], pattern));
        check(!last || out_ended);
    }
    return 0;
}
