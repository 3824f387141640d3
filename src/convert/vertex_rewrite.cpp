#include "vertex_rewrite.h"

#include "number_text.h"

namespace quorvel {
namespace {

bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::int32_t* int_slot(VertexFields& f, int position) {
    switch (position) {
        case 1: return &f.parent_bone;
        case 10: return &f.link_count;
        case 11: return &f.link1_bone;
        case 13: return &f.link2_bone;
        default: return nullptr;
    }
}

float* real_slot(VertexFields& f, int position) {
    switch (position) {
        case 2: return &f.pos_x;
        case 3: return &f.pos_y;
        case 4: return &f.pos_z;
        case 5: return &f.norm_x;
        case 6: return &f.norm_y;
        case 7: return &f.norm_z;
        case 8: return &f.tex_u;
        case 9: return &f.tex_v;
        case 12: return &f.link1_weight;
        case 14: return &f.link2_weight;
        default: return nullptr;
    }
}

// True when (weight_a, bone_a) is heavier than (weight_b, bone_b): the larger
// weight, or on equal weights the larger bone.
bool heavier(float weight_a, std::int32_t bone_a, float weight_b, std::int32_t bone_b) {
    if (weight_a != weight_b) return weight_a > weight_b;
    return bone_a > bone_b;
}

// The scan's place in the piece. ran_into_cut is set when the scan looked at
// the end of a held prefix: what follows there is unknown.
struct Cursor {
    const char* p;
    const char* end;
    bool cut_short;
    bool ran_into_cut;
};

void skip_space(Cursor& c) {
    while (c.p < c.end && is_space(*c.p)) ++c.p;
    if (c.p == c.end && c.cut_short) c.ran_into_cut = true;
}

bool scan_int(Cursor& c, std::int32_t* value) {
    skip_space(c);
    const char* next = read_int_field(c.p, c.end, value);
    if (next == nullptr) return false;
    c.p = next;
    if (c.p == c.end && c.cut_short) c.ran_into_cut = true;
    return true;
}

bool scan_real(Cursor& c, float* value) {
    skip_space(c);
    const char* next = read_real_field(c.p, c.end, value);
    if (next == nullptr) return false;
    c.p = next;
    if (c.p == c.end && c.cut_short) c.ran_into_cut = true;
    return true;
}

}  // namespace

int scan_vertex_fields(Piece piece, const char* pattern, VertexFields& fields) {
    Cursor c{piece.text, piece.text + piece.size, piece.cut_short, false};
    int count = 0;
    fields.extra_links = 0;
    for (const char* item = pattern; *item != '\0'; ++item) {
        if (*item == ' ') {
            skip_space(c);
            continue;
        }
        // A conversion: '%' then 'd' or 'f'.
        ++item;
        int position = count + 1;
        bool stored = *item == 'd' ? scan_int(c, int_slot(fields, position))
                                   : scan_real(c, real_slot(fields, position));
        if (!stored) return c.ran_into_cut ? kScanUnsettled : count;
        ++count;
    }
    if (count == 14) {
        // Further bone/weight pairs, as long as whole pairs can be read.
        for (;;) {
            std::int32_t bone;
            float weight;
            if (!scan_int(c, &bone) || !scan_real(c, &weight)) break;
            if (fields.extra_links == 0 || heavier(weight, bone, fields.extra_weight, fields.extra_bone)) {
                fields.extra_bone = bone;
                fields.extra_weight = weight;
            }
            ++fields.extra_links;
            count += 2;
        }
    }
    return c.ran_into_cut ? kScanUnsettled : count;
}

std::int32_t choose_dominant_bone(const VertexFields& fields) {
    std::int32_t bone = fields.link1_bone;
    float weight = fields.link1_weight;
    if (heavier(fields.link2_weight, fields.link2_bone, weight, bone)) {
        bone = fields.link2_bone;
        weight = fields.link2_weight;
    }
    if (fields.extra_links > 0 && heavier(fields.extra_weight, fields.extra_bone, weight, bone)) {
        bone = fields.extra_bone;
    }
    return bone;
}

char* format_vertex_line(char* out, const char* pattern, const std::int32_t* ints, const float* reals) {
    for (const char* p = pattern; *p != '\0'; ++p) {
        if (*p == '%' && p[1] == 'd') {
            out = write_int(out, *ints++);
            ++p;
        } else if (*p == '%' && p[1] == 'f') {
            out = write_real(out, *reals++);
            ++p;
        } else {
            *out++ = *p;
        }
    }
    return out;
}

namespace {

void write_vertex_line(OutputStream& output, const char* pattern, std::int32_t bone, const VertexFields& f) {
    const float reals[8] = {f.pos_x, f.pos_y, f.pos_z, f.norm_x, f.norm_y, f.norm_z, f.tex_u, f.tex_v};
    char line[kMaxVertexLine];
    char* end = format_vertex_line(line, pattern, &bone, reals);
    write_text(output, line, static_cast<std::size_t>(end - line));
}

}  // namespace

bool convert_hl1_vertex(Piece piece, bool in_triangles, OutputStream& output) {
    // Outside the triangles section nothing is written, so nothing is scanned.
    if (!in_triangles) return false;
    VertexFields fields;
    if (scan_vertex_fields(piece, kVertexScanTwoLinks, fields) != 9) return false;
    write_vertex_line(output, kSourceVertexOut, fields.parent_bone, fields);
    return true;
}

bool convert_source_vertex(Piece piece, bool in_triangles, OutputStream& output) {
    if (!in_triangles) return false;
    VertexFields fields;
    int count = scan_vertex_fields(piece, kVertexScanTwoLinks, fields);
    std::int32_t bone;
    if (count >= 14) {
        bone = choose_dominant_bone(fields);
    } else if (count == 12 || count == 13) {
        // A scan with kVertexScanOneLink would store these same twelve
        // fields and count 12, so the first scan decides.
        bone = fields.link1_bone;
    } else {
        return false;
    }
    write_vertex_line(output, kHl1VertexOut, bone, fields);
    return true;
}

bool rewrite_vertex_line(InputFormat format, Piece piece, bool in_triangles, OutputStream& output) {
    return format == InputFormat::Hl1 ? convert_hl1_vertex(piece, in_triangles, output)
                                      : convert_source_vertex(piece, in_triangles, output);
}

}  // namespace quorvel
