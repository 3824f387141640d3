// The single pass over the input: the triangles gate, the offer of each line
// to the vertex line rewrite, and the unchanged copy of every other line.
#pragma once

#include <cstddef>

#include "text_stream.h"
#include "vertex_rewrite.h"

namespace quorvel {

// The most of one line that the pass holds. A longer line is decided on this
// prefix when its scan settles within it, else copied; its rest streams
// through.
constexpr std::size_t kLinePrefixSize = 64 * 1024;

enum class PassResult { Done, ReadFailed, WriteFailed };

// Reads input to its end and writes the converted text to output. The input
// stream must have been made with a held capacity of kLinePrefixSize. Stops at
// the first failed read or write. Leaves whatever output still holds in its
// buffer: the caller flushes it.
PassResult convert_lines(InputStream& input, OutputStream& output, InputFormat format);

}  // namespace quorvel
