#include "vertex_rewrite.h"

#include <gtest/gtest.h>

#include <string>

#include "memory_streams.h"

namespace quorvel {
namespace {

using testing::MemorySink;
using testing::sink_of;

struct RewriteResult {
    bool rewritten;
    std::string written;
};

RewriteResult rewrite(InputFormat format, const std::string& text, bool in_triangles = true, bool cut_short = false) {
    MemorySink sink;
    OutputStream out = make_output_stream(sink_of(sink));
    bool rewritten = rewrite_vertex_line(format, Piece{text.data(), text.size(), cut_short}, in_triangles, out);
    EXPECT_TRUE(flush_output(out));
    return {rewritten, sink.data};
}

int count_fields(const std::string& text, const char* pattern = kVertexScanTwoLinks) {
    VertexFields fields;
    return scan_vertex_fields(Piece{text.data(), text.size(), false}, pattern, fields);
}

const char kPosHl1Out[] = "1.500000 -0.250000 12.000000 0.000000 0.000000 1.000000 0.125000 0.750000";
const std::string kPosIn = " 1.5 -0.25 12 0 0 1 0.125 0.75";

// Expected text of a written line: the pattern's leading blank, CR LF end.
std::string hl1_line(const std::string& bone, const std::string& reals = kPosHl1Out) {
    return " " + bone + " " + reals + "\r\n";
}
std::string source_line(const std::string& bone, const std::string& reals = kPosHl1Out) {
    return " 0 " + reals + " 1 " + bone + " 1.000000 \r\n";
}

struct Case {
    const char* name;
    InputFormat format;
    std::string line;
    std::string expected;  // empty: not rewritten
};

class RewriteCases : public ::testing::TestWithParam<Case> {};

TEST_P(RewriteCases, WritesExpectedLine) {
    const Case& c = GetParam();
    RewriteResult r = rewrite(c.format, c.line);
    EXPECT_EQ(r.rewritten, !c.expected.empty());
    EXPECT_EQ(r.written, c.expected);
}

const InputFormat H = InputFormat::Hl1;
const InputFormat S = InputFormat::Source;

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, RewriteCases,
    ::testing::Values(
        Case{"Hl1NineFields", H, "3" + kPosIn + "\n", source_line("3")},
        Case{"SourceSecondHeavier", S, "0" + kPosIn + " 2 4 0.25 7 0.75\n", hl1_line("7")},
        Case{"SourceEqualWeights", S, "0 2 4 -8 0 1 0 0.5 0.5 2 4 0.5 9 0.5\n",
             hl1_line("9", "2.000000 4.000000 -8.000000 0.000000 1.000000 0.000000 0.500000 0.500000")},
        Case{"SourceOneLink", S, "0" + kPosIn + " 1 5 1\n", hl1_line("5")},
        Case{"SourceNoLink", S, "0" + kPosIn + " 0\n", ""},
        Case{"Hl1ExtraFields", H, "3" + kPosIn + " 1 3 1\n", ""}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Links, RewriteCases,
    ::testing::Values(
        // All pairs compete, not just the first two.
        Case{"ThirdLinkHeaviest", S, "0" + kPosIn + " 3 4 0.25 7 0.25 9 0.5\n", hl1_line("9")},
        Case{"OnlyLastLinkWeighs", S, "0" + kPosIn + " 3 1 0.000 2 0.000 5 1.000\n", hl1_line("5")},
        Case{"FifthLinkHeaviest", S, "0" + kPosIn + " 5 1 0.1 2 0.1 3 0.1 4 0.1 8 0.6\n", hl1_line("8")},
        Case{"EqualHeaviestLargerBoneWins", S, "0" + kPosIn + " 3 9 0.4 2 0.2 11 0.4\n", hl1_line("11")},
        Case{"EarlierHeaviestKept", S, "0" + kPosIn + " 3 6 0.7 2 0.2 3 0.1\n", hl1_line("6")},
        // A lone bone after the pairs takes no part.
        Case{"LoneTrailingBone", S, "0" + kPosIn + " 2 4 0.25 7 0.75 99\n", hl1_line("7")},
        Case{"WordAfterPairs", S, "0" + kPosIn + " 2 4 0.25 7 0.75 x 9 9.0\n", hl1_line("7")},
        Case{"ThirteenFields", S, "0" + kPosIn + " 2 4 0.25 7\n", hl1_line("4")},
        Case{"ElevenFields", S, "0" + kPosIn + " 1 4\n", ""},
        // The link count is not consulted.
        Case{"CountThreeTwoPairs", S, "0" + kPosIn + " 3 4 0.25 7 0.75\n", hl1_line("7")},
        Case{"CountZeroTwoPairs", S, "0" + kPosIn + " 0 4 0.25 7 0.75\n", hl1_line("7")},
        Case{"CountTwoOnePair", S, "0" + kPosIn + " 2 4 0.25\n", hl1_line("4")},
        Case{"NegativeAndZeroWeight", S, "0" + kPosIn + " 2 4 -0.5 7 0\n", hl1_line("7")},
        Case{"ZeroAndZero", S, "0" + kPosIn + " 2 8 0 7 0\n", hl1_line("8")},
        Case{"ZeroAndNegativeZero", S, "0" + kPosIn + " 2 3 0 7 -0\n", hl1_line("7")},
        Case{"SameValueOtherText", S, "0" + kPosIn + " 2 3 0.5 1 0.50\n", hl1_line("3")},
        Case{"SignedBoneCompare", S, "0" + kPosIn + " 2 -1 0.5 2 0.5\n", hl1_line("2")},
        Case{"SameBones", S, "0" + kPosIn + " 2 6 0.5 6 0.5\n", hl1_line("6")},
        Case{"RealLinkCountStops", S, "0" + kPosIn + " 2.0 4 0.25 7 0.75\n", ""}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Shapes, RewriteCases,
    ::testing::Values(
        Case{"Hl1EightFields", H, "3 1.5 -0.25 12 0 0 1 0.125\n", ""},
        Case{"Hl1WordAfterNine", H, "3" + kPosIn + " trailing words\n", source_line("3")},
        Case{"Hl1TenthPointFiveIsInteger", H, "3" + kPosIn + " 0.5\n", ""},
        Case{"Hl1TenthDotFiveIsNoField", H, "3" + kPosIn + " .5\n", source_line("3")},
        Case{"Hl1RealBone", H, "2.5" + kPosIn + "\n", ""},
        Case{"SourceWordAfterFourteen", S, "0" + kPosIn + " 2 4 0.25 7 0.75 end\n", hl1_line("7")},
        Case{"SpacingTabsAndCarriageReturns", H, "\t 3 \t1.5\r-0.25   12\t0 0 1 0.125 0.75  \n", source_line("3")},
        Case{"NoLineFeed", H, "3" + kPosIn, source_line("3")},
        Case{"NegativeBone", H, "-1 0 0 0 0 0 1 0 0\n",
             source_line("-1", "0.000000 0.000000 0.000000 0.000000 0.000000 1.000000 0.000000 0.000000")},
        Case{"NumberForms", H, "1 1 1.0 +1.0 1e0 0 0 0 0\n",
             source_line("1", "1.000000 1.000000 1.000000 1.000000 0.000000 0.000000 0.000000 0.000000")},
        Case{"SourceLineWithHl1", H, "0" + kPosIn + " 1 5 1\n", ""},
        Case{"Hl1LineWithSource", S, "3" + kPosIn + "\n", ""},
        Case{"KeywordLine", H, "end\n", ""},
        Case{"MaterialLine", S, "box_skin.bmp\n", ""},
        Case{"QuotedNameLine", H, "0 \"root\" -1\n", ""},
        Case{"SevenNumbers", S, "0 1 2 3 4 5 6\n", ""},
        Case{"EmptyLine", S, "\n", ""},
        Case{"SignedZero", H, "0 -0.000000 0.000000 -0.000000 -0.0000001 0 1 0 0\n",
             source_line("0", "0.000000 0.000000 0.000000 -0.000000 0.000000 1.000000 0.000000 0.000000")},
        Case{"HalfwayAtSixthDecimal", H, "0 0 0 0 0 0 1 0.0078125 -0.0078125\n",
             source_line("0", "0.000000 0.000000 0.000000 0.000000 0.000000 1.000000 0.007813 -0.007813")},
        Case{"LargeAndInfinite", H, "0 16777219 1e20 1e39 -1e39 0 1 0 0\n",
             source_line("0", "16777218.000000 100000002004087730000.000000 1.#INF00 -1.#INF00 0.000000 "
                              "1.000000 0.000000 0.000000")},
        Case{"ExponentLetterWithoutDigits", H, "0 1e 2 1e+ 3 1e- 4 0 0\n",
             source_line("0", "1.000000 2.000000 1.000000 3.000000 1.000000 4.000000 0.000000 0.000000")},
        Case{"IntegersWrap", H, "4294967297 0 0 0 0 0 1 0 0\n",
             source_line("1", "0.000000 0.000000 0.000000 0.000000 0.000000 1.000000 0.000000 0.000000")},
        Case{"IntegerTwoToThe31", S, "0" + kPosIn + " 1 2147483648 1\n", hl1_line("-2147483648")},
        Case{"SixDecimalsKept", H, "0 1.500000 0.100000 -2.675000 0 0 1 0 0\n",
             source_line("0", "1.500000 0.100000 -2.675000 0.000000 0.000000 1.000000 0.000000 0.000000")},
        // A NUL is neither white space nor part of a number.
        Case{"NulEndsTheFields", H, std::string("3") + kPosIn + std::string("\0 7\n", 4), source_line("3")},
        Case{"NulInsideTheFields", H, std::string("3 1.5\0 -0.25 12 0 0 1 0.125 0.75\n", 33), ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Rewrite, NothingOutsideTriangles) {
    for (InputFormat format : {H, S}) {
        for (const std::string& line : {"3" + kPosIn + "\n", "0" + kPosIn + " 2 4 0.25 7 0.75\n"}) {
            RewriteResult r = rewrite(format, line, /*in_triangles=*/false);
            EXPECT_FALSE(r.rewritten);
            EXPECT_EQ(r.written, "");
        }
    }
}

TEST(Scan, CountsFieldsAndStopsAtFirstNonNumber) {
    EXPECT_EQ(count_fields(""), 0);
    EXPECT_EQ(count_fields("   \t\n"), 0);
    EXPECT_EQ(count_fields("1-2"), 2);
    EXPECT_EQ(count_fields("1 2 3 x 4"), 3);
    EXPECT_EQ(count_fields("0" + kPosIn + " 2 4 0.25 7 0.75"), 14);
    EXPECT_EQ(count_fields("0" + kPosIn + " 3 4 0.25 7 0.75 9 0.5"), 16);
    EXPECT_EQ(count_fields("0" + kPosIn + " 3 4 0.25 7 0.75 9"), 14);
}

TEST(Scan, OneLinkPatternIsTheTwoLinkCountCappedAtTwelve) {
    for (const std::string& line : {"0" + kPosIn, "0" + kPosIn + " 1 5 1", "0" + kPosIn + " 2 4 0.25 7",
                                   "0" + kPosIn + " 2 4 0.25 7 0.75 9 1"}) {
        int two = count_fields(line, kVertexScanTwoLinks);
        EXPECT_EQ(count_fields(line, kVertexScanOneLink), two < 12 ? two : 12) << line;
    }
}

TEST(Scan, StoresFieldsByPosition) {
    VertexFields f;
    std::string line = "-3 1 2 3 4 5 6 7 8 2 11 0.25 13 0.75";
    ASSERT_EQ(scan_vertex_fields(Piece{line.data(), line.size(), false}, kVertexScanTwoLinks, f), 14);
    EXPECT_EQ(f.parent_bone, -3);
    EXPECT_EQ(f.pos_x, 1.0f);
    EXPECT_EQ(f.tex_v, 8.0f);
    EXPECT_EQ(f.link_count, 2);
    EXPECT_EQ(f.link1_bone, 11);
    EXPECT_EQ(f.link1_weight, 0.25f);
    EXPECT_EQ(f.link2_bone, 13);
    EXPECT_EQ(f.link2_weight, 0.75f);
    EXPECT_EQ(choose_dominant_bone(f), 13);
}

// A held prefix of a longer line: a scan that touches its end cannot know
// whether the field or the line goes on, so it does not settle.
TEST(Scan, CutShortPrefixSettlesOnlyWithinIt) {
    struct CutCase {
        std::string prefix;
        int count;
    } cases[] = {
        {"3" + kPosIn + " word", 9},          // settled at the word
        {"3" + kPosIn + "    ", kScanUnsettled},  // blanks to the end: a tenth field may follow
        {"3" + kPosIn, kScanUnsettled},       // the last number may go on
        {"end   ", 0},                        // settled at once
        {"0" + kPosIn + " 2 4 0.25 7 0.75 x", 14},
        {"0" + kPosIn + " 2 4 0.25 7 0.75 9 ", kScanUnsettled},
    };
    for (const CutCase& c : cases) {
        VertexFields f;
        EXPECT_EQ(scan_vertex_fields(Piece{c.prefix.data(), c.prefix.size(), true}, kVertexScanTwoLinks, f), c.count)
            << c.prefix;
    }
    std::string blanks = "3" + kPosIn + "   ";
    EXPECT_FALSE(rewrite(H, blanks, true, /*cut_short=*/true).rewritten);
    EXPECT_TRUE(rewrite(H, "3" + kPosIn + " x", true, /*cut_short=*/true).rewritten);
}

TEST(Format, WritesPatternsWithNumbers) {
    char line[kMaxVertexLine];
    const std::int32_t bone = -7;
    const float reals[8] = {1.5f, -0.25f, 12, 0, -0.0f, 1, 0.125f, 0.75f};
    std::string hl1(line, format_vertex_line(line, kHl1VertexOut, &bone, reals));
    EXPECT_EQ(hl1, " -7 1.500000 -0.250000 12.000000 0.000000 0.000000 1.000000 0.125000 0.750000\n");
    std::string source(line, format_vertex_line(line, kSourceVertexOut, &bone, reals));
    EXPECT_EQ(source, " 0 1.500000 -0.250000 12.000000 0.000000 0.000000 1.000000 0.125000 0.750000 1 -7 1.000000 \n");
}

TEST(Format, LongestLineFits) {
    char line[kMaxVertexLine];
    const std::int32_t bone = INT32_MIN;
    const float big = -3.4028235e38f;
    const float reals[8] = {big, big, big, big, big, big, big, big};
    std::size_t n = static_cast<std::size_t>(format_vertex_line(line, kSourceVertexOut, &bone, reals) - line);
    EXPECT_LE(n, kMaxVertexLine);
    EXPECT_EQ(n, 3 + 8 * 47 + 7 + 3 + 11 + 11);
}

}  // namespace
}  // namespace quorvel
