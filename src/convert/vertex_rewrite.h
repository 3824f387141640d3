// The vertex line rewrite: recognising a vertex line of the input flavour by
// its count of numeric fields, and writing it in the other flavour.
#pragma once

#include <cstddef>
#include <cstdint>

#include "text_stream.h"

namespace quorvel {

enum class InputFormat { Hl1, Source };

// The text of one line as the line pass holds it. When cut_short is set the
// line goes on after size characters: only a prefix of it is held.
struct Piece {
    const char* text;
    std::size_t size;
    bool cut_short;
};

// The numbers scanned from one line, by their position in a vertex line.
struct VertexFields {
    std::int32_t parent_bone;  // HL1: the bone of the vertex; Source: the parent bone
    float pos_x, pos_y, pos_z;
    float norm_x, norm_y, norm_z;
    float tex_u, tex_v;
    std::int32_t link_count;  // stored, never consulted
    std::int32_t link1_bone;
    float link1_weight;
    std::int32_t link2_bone;
    float link2_weight;
    // The heaviest of the bone/weight pairs after the second (larger bone on
    // equal weights); meaningful when extra_links > 0.
    std::int32_t extra_bone;
    float extra_weight;
    std::int32_t extra_links;
};

// Scan patterns: a blank passes over white space, %d reads an integer field,
// %f a real field. The one-link pattern is the first twelve items of the
// two-link one.
constexpr const char kVertexScanTwoLinks[] = " %d %f %f %f %f %f %f %f %f %d %d %f %d %f";
constexpr const char kVertexScanOneLink[] = " %d %f %f %f %f %f %f %f %f %d %d %f";
// Output patterns: %d and %f are replaced by numbers, the rest is written as is.
constexpr const char kHl1VertexOut[] = " %d %f %f %f %f %f %f %f %f\n";
constexpr const char kSourceVertexOut[] = " 0 %f %f %f %f %f %f %f %f 1 %d 1.000000 \n";

// What scan_vertex_fields returns when the scan ran into the end of a held
// prefix (Piece::cut_short) before it settled: the count is then unknown.
constexpr int kScanUnsettled = -1;

// Scans piece against pattern and stores the fields read into fields; returns
// how many were stored. After the fourteenth field it goes on reading further
// bone/weight pairs for as long as a whole pair can be read, counting two
// fields for each and keeping the heaviest in extra_bone and extra_weight.
int scan_vertex_fields(Piece piece, const char* pattern, VertexFields& fields);

// The bone of the heaviest link among all scanned pairs; on equal weights the
// larger bone number. Needs all fourteen positions stored.
std::int32_t choose_dominant_bone(const VertexFields& fields);

// Writes one line for piece and returns true when piece is a vertex line of
// the input flavour and in_triangles is set; otherwise writes nothing and
// returns false.
bool rewrite_vertex_line(InputFormat format, Piece piece, bool in_triangles, OutputStream& output);
bool convert_hl1_vertex(Piece piece, bool in_triangles, OutputStream& output);
bool convert_source_vertex(Piece piece, bool in_triangles, OutputStream& output);

// Writes pattern with each %d replaced by the next of ints and each %f by the
// next of reals; returns the end of the text. out needs room for the longest
// line either output pattern can give (kMaxVertexLine).
char* format_vertex_line(char* out, const char* pattern, const std::int32_t* ints, const float* reals);
constexpr std::size_t kMaxVertexLine = 512;

}  // namespace quorvel
