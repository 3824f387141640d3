#include "line_pass.h"

#include <gtest/gtest.h>

#include <string>

#include "memory_streams.h"

namespace quorvel {
namespace {

using testing::MemorySink;
using testing::MemorySource;
using testing::sink_of;
using testing::source_of;

struct PassOutcome {
    PassResult result;
    std::string written;
};

PassOutcome run_pass(const std::string& input, InputFormat format = InputFormat::Hl1, std::size_t chunk = 1 << 20) {
    MemorySource source;
    source.data = input;
    source.chunk = chunk;
    MemorySink sink;
    InputStream in = make_input_stream(source_of(source), kLinePrefixSize);
    OutputStream out = make_output_stream(sink_of(sink));
    PassResult result = convert_lines(in, out, format);
    if (result == PassResult::Done && !flush_output(out)) result = PassResult::WriteFailed;
    return {result, sink.data};
}

std::string convert(const std::string& input, InputFormat format = InputFormat::Hl1, std::size_t chunk = 1 << 20) {
    PassOutcome o = run_pass(input, format, chunk);
    EXPECT_EQ(o.result, PassResult::Done);
    return o.written;
}

const std::string kHl1Vertex = "  3 1.5 -0.25 12 0 0 1 0.125 0.75";
const std::string kSourceOut =
    " 0 1.500000 -0.250000 12.000000 0.000000 0.000000 1.000000 0.125000 0.750000 1 3 1.000000 \r\n";

TEST(LineEnds, ReadAndWrittenByTheTextRules) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"", ""},
        {"a\nb\n", "a\r\nb\r\n"},
        {"a\r\nb\r\n", "a\r\nb\r\n"},
        {"a\nb\r\nc", "a\r\nb\r\nc"},
        {"a\rb\n", "a\rb\r\n"},        // a lone CR is a character
        {"a\r", "a\r"},                 // also as the last byte
        {"a\r\r\nb", "a\r\r\nb"},       // CR CR LF stays CR CR LF
        {"abc\x1a" "def\n", "abc"},     // 0x1A ends the input
        {"\x1a" "abc\n", ""},
        {"ab\r\x1a" "c", "ab\r"},
        {std::string("ab\0cd\nef\n", 9), std::string("ab\0cd\r\nef\r\n", 11)},  // NUL kept
    };
    for (const Case& c : cases) {
        // Every chunk size puts the CR LF pairs on every side of a read boundary.
        for (std::size_t chunk : {1, 2, 3, 7, 1 << 20}) {
            EXPECT_EQ(convert(c.in, InputFormat::Hl1, chunk), c.out) << "chunk " << chunk;
        }
    }
}

TEST(LineEnds, CrLfAcrossBlockBoundaries) {
    // Pairs that straddle the stream's own read blocks, not only the source's.
    std::string line(kReadBlockSize - 1, 'x');
    std::string in = line + "\r\n" + line + "\r\r\n";
    EXPECT_EQ(convert(in), in);
    std::string lf_only = line + "\n" + line + "\n";
    EXPECT_EQ(convert(lf_only), line + "\r\n" + line + "\r\n");
}

TEST(Gate, OpensAtFirstLineBeginningWithTr) {
    struct Case {
        std::string in;
        bool rewritten;
    } cases[] = {
        {kHl1Vertex + "\n", false},
        {"triangles\n" + kHl1Vertex + "\n", true},
        {"tr\n" + kHl1Vertex + "\n", true},
        {"trees\n" + kHl1Vertex + "\n", true},
        {"  triangles\n" + kHl1Vertex + "\n", false},
        {"Triangles\n" + kHl1Vertex + "\n", false},
        {"t\n" + kHl1Vertex + "\n", false},
        {std::string("t\0r\n", 4) + kHl1Vertex + "\n", false},
        {"triangles\nend\nnodes\n" + kHl1Vertex + "\n", true},  // never closes
    };
    for (const Case& c : cases) {
        std::string out = convert(c.in);
        EXPECT_EQ(out.find(kSourceOut) != std::string::npos, c.rewritten) << c.in;
    }
    // Vertex lines before the gate are copied unchanged.
    EXPECT_EQ(convert(kHl1Vertex + "\ntriangles\n" + kHl1Vertex),
              kHl1Vertex + "\r\ntriangles\r\n" + kSourceOut);
    EXPECT_EQ(convert("t"), "t");
}

TEST(WholeLines, LongVertexLineIsOneLine) {
    // Far beyond the 255 characters of a classic line buffer.
    std::string spaced = "  3" + std::string(300, ' ') + "1.5 -0.25 12 0 0 1 0.125 0.75";
    EXPECT_EQ(convert("triangles\n" + spaced + "\nnext\n"), "triangles\r\n" + kSourceOut + "next\r\n");
    // A 300-character word line is copied whole, and a "tr" inside it arms nothing.
    std::string word(255, 'a');
    std::string in = word + "triangles\n" + kHl1Vertex + "\n";
    EXPECT_EQ(convert(in), word + "triangles\r\n" + kHl1Vertex + "\r\n");
}

TEST(WholeLines, PieceOfALongLineIsNotRewritten) {
    // Nine numbers followed by more numbers far out: the line has too many
    // fields, whatever its first 255 characters hold.
    std::string line = kHl1Vertex + std::string(400, ' ') + " 7 8 9";
    EXPECT_EQ(convert("triangles\n" + line + "\n"), "triangles\r\n" + line + "\r\n");
}

TEST(WholeLines, BeyondTheHeldPrefix) {
    std::string tail(3 * kLinePrefixSize, ' ');
    struct Case {
        std::string line;
        std::string out;
    } cases[] = {
        // Settled inside the prefix at the word: rewritten, rest dropped.
        {kHl1Vertex + " word" + tail + "more\n", kSourceOut},
        // Blanks run to the end of the prefix: undecided, copied whole.
        {kHl1Vertex + tail + "9\n", kHl1Vertex + tail + "9\r\n"},
        {kHl1Vertex + tail + "\n", kHl1Vertex + tail + "\r\n"},
        // A long word line, with and without a final line end.
        {std::string(2 * kLinePrefixSize + 5, 'w') + "\n", std::string(2 * kLinePrefixSize + 5, 'w') + "\r\n"},
        {std::string(kLinePrefixSize, 'w'), std::string(kLinePrefixSize, 'w')},
        {std::string(kLinePrefixSize - 1, 'w') + "\n", std::string(kLinePrefixSize - 1, 'w') + "\r\n"},
    };
    for (const Case& c : cases) {
        for (std::size_t chunk : {std::size_t{4093}, std::size_t{1} << 20}) {
            std::string out = convert("triangles\n" + c.line + "next\n", InputFormat::Hl1, chunk);
            std::string expected = "triangles\r\n" + c.out + "next\r\n";
            EXPECT_EQ(out.size(), expected.size());
            EXPECT_TRUE(out == expected) << "line of " << c.line.size();
        }
    }
}

TEST(WholeLines, LongLineWithCrLfEnds) {
    std::string body(kLinePrefixSize + 10, 'z');
    // 65547 puts the read boundary between the CR and its LF.
    for (std::size_t chunk : {1000, 4096, 65547}) {
        EXPECT_EQ(convert(body + "\r\nok\r\n", InputFormat::Hl1, chunk), body + "\r\nok\r\n");
        EXPECT_EQ(convert(body + "\nok\n", InputFormat::Hl1, chunk), body + "\r\nok\r\n");
        EXPECT_EQ(convert(body + "\r\rok", InputFormat::Hl1, chunk), body + "\r\rok");
    }
}

TEST(WholeLines, HeldPrefixLimitCountsCharactersNotTheLineEnd) {
    // A vertex line padded with blanks to length characters: it is whole, and
    // rewritten, while its characters fit in the held prefix, whichever way
    // it ends; from kLinePrefixSize characters on the blanks run to the end
    // of the prefix and the line is copied.
    for (std::size_t length : {kLinePrefixSize - 2, kLinePrefixSize - 1, kLinePrefixSize, kLinePrefixSize + 1}) {
        std::string line = kHl1Vertex + std::string(length - kHl1Vertex.size(), ' ');
        bool whole = length < kLinePrefixSize;
        for (std::string end : {"\n", "\r\n", ""}) {
            std::string expected = "triangles\r\n" + (whole ? kSourceOut : line + (end.empty() ? "" : "\r\n"));
            for (std::size_t chunk : {std::size_t{4093}, kLinePrefixSize - 1, kLinePrefixSize, kLinePrefixSize + 1,
                                      std::size_t{1} << 20}) {
                std::string out = convert("triangles\n" + line + end, InputFormat::Hl1, chunk);
                EXPECT_TRUE(out == expected) << "length " << length << ", end " << end.size() << ", chunk " << chunk;
            }
        }
    }
}

TEST(Nul, LineWithNulIsCopiedWholeAndScannedUpToIt) {
    std::string nul_line = std::string("ab\0cd", 5) + "\n";
    EXPECT_EQ(convert("triangles\n" + nul_line + "next\n"),
              "triangles\r\n" + std::string("ab\0cd", 5) + "\r\nnext\r\n");
    std::string vertex_then_nul = kHl1Vertex + std::string(" \0 x", 4) + "\n";
    EXPECT_EQ(convert("triangles\n" + vertex_then_nul), "triangles\r\n" + kSourceOut);
    std::string all_nul(50, '\0');
    EXPECT_EQ(convert(all_nul), all_nul);
}

TEST(Pass, SourceFileConvertedWithAllLinks) {
    std::string in =
        "version 1\r\ntriangles\r\nmat\r\n"
        "0 1 2 3 0 0 1 0.5 0.5 3 1 0.000000 2 0.000000 5 1.000000\r\n"
        "0 1 2 3 0 0 1 0.5 0.5 1 4 1.000000\r\n"
        "0 1 2 3 0 0 1 0.5 0.5 0\r\nend\r\n";
    EXPECT_EQ(convert(in, InputFormat::Source),
              "version 1\r\ntriangles\r\nmat\r\n"
              " 5 1.000000 2.000000 3.000000 0.000000 0.000000 1.000000 0.500000 0.500000\r\n"
              " 4 1.000000 2.000000 3.000000 0.000000 0.000000 1.000000 0.500000 0.500000\r\n"
              "0 1 2 3 0 0 1 0.5 0.5 0\r\nend\r\n");
}

TEST(Failures, ReadErrorStopsThePass) {
    for (long long fail_after : {0LL, 10LL, 100000LL}) {
        MemorySource source;
        source.data = std::string(200000, 'a');
        source.chunk = 4096;
        source.fail_after = fail_after;
        MemorySink sink;
        InputStream in = make_input_stream(source_of(source), kLinePrefixSize);
        OutputStream out = make_output_stream(sink_of(sink));
        EXPECT_EQ(convert_lines(in, out, InputFormat::Hl1), PassResult::ReadFailed) << fail_after;
    }
}

TEST(Failures, WriteErrorStopsThePass) {
    std::string in;
    for (int i = 0; i < 20000; ++i) in += "line of text\n";
    for (std::size_t capacity : {std::size_t{0}, std::size_t{1000}, in.size()}) {
        MemorySource source;
        source.data = in;
        MemorySink sink;
        sink.capacity = capacity;
        InputStream in_stream = make_input_stream(source_of(source), kLinePrefixSize);
        OutputStream out = make_output_stream(sink_of(sink));
        PassResult result = convert_lines(in_stream, out, InputFormat::Hl1);
        if (result == PassResult::Done) EXPECT_FALSE(flush_output(out));
        else EXPECT_EQ(result, PassResult::WriteFailed);
        EXPECT_LE(sink.data.size(), capacity);
    }
}

}  // namespace
}  // namespace quorvel
